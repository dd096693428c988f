// The watchdog of every test process: a thread of its own, outside the GLib loop, that turns a
// hang into a report instead of a silent kill by CTest's timeout. Each test case (and the
// start-up before the first, the stretch after each) has a budget; when one runs past it, the
// watchdog writes to standard error which test hung and for how long, the stack of every
// thread (gdb attached by pid; without gdb, or where ptrace is refused, each thread's own
// backtrace taken in a signal handler), what the window manager manages and whether it still
// runs, the stacks of the processes the test started that still run, then the test's failure,
// and ends the process with kWatchdogStatus. It writes with plain write(2) and bounds every
// program it starts; a kernel timer kills the process should the report itself get stuck.
//
//   QV_WATCHDOG_SECONDS   a test case's budget in seconds (default kDefaultBudgetSeconds,
//                         five times that under valgrind or an emulator); 0 turns the
//                         watchdog off, as for a run under a debugger
//   QV_TEST_DEADLINE      when the run's own timeout ends, in seconds since the epoch
//                         (scripts/run-test sets it from QV_TEST_TIMEOUT): the watchdog fires
//                         early enough to finish its report before then, whatever the budget
//   QV_WATCHDOG_DEBUGGER  the debugger to attach (default gdb); one that cannot be run, or
//                         cannot attach (as to a program under an emulator), leaves the
//                         signal-handler stacks
#pragma once

#include <string>

namespace qvtest {

constexpr int kDefaultBudgetSeconds = 150;
constexpr int kWatchdogStatus = 124;  // as timeout(1) ends
// How long before QV_TEST_DEADLINE the watchdog fires: its report's time, then the display's.
constexpr int kDeadlineMarginSeconds = 115;

// Starts the watchdog, watching the start-up, and registers the listener that gives every test
// case its budget. The test main calls it once, before anything that could hang.
void StartWatchdog();

// How many times longer the budgets are where code runs slower: under valgrind or an emulator.
int SlowRunFactor();

// Gives what runs now (the test case, or the stretch between cases) seconds from now instead
// of its budget: for a test that waits longer on purpose.
void SetWatchdogBudget(int seconds);

// The stacks of every thread of process pid through the debugger (attached for at most
// seconds), or "" and why in *why.
std::string ProcessStacks(int pid, int seconds, std::string* why);

// The window manager that scripts/with-display started (QV_WM_PID), or 0 outside it.
int WindowManagerPid();
// Whether it still runs, and what it waits in: "openbox (pid N) is running (state S, in
// do_sys_poll)", "openbox (pid N) has ended", or "" outside with-display.
std::string WindowManagerProcessState();

}  // namespace qvtest
