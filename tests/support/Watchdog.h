// The watchdog of every test process: a thread of its own, outside the GLib loop, that turns a
// hang into a report instead of a silent kill by CTest's timeout. Each test case (and the
// start-up before the first, the stretch after each) has a budget; when one runs past it, the
// watchdog writes to standard error which test hung and for how long, the stack of every
// thread (gdb attached by pid; without gdb, or where ptrace is refused, each thread's own
// backtrace taken in a signal handler), what the window manager manages and whether it still
// runs, the stacks of the processes the test started that still run, then the test's failure;
// it ends those processes and then its own with kWatchdogStatus. It writes with plain write(2)
// and bounds every program it starts; a kernel timer kills the process should the report
// itself get stuck.
//
//   QV_WATCHDOG_SECONDS   a test case's budget in seconds (default kDefaultBudgetSeconds),
//                         stretched by the slow-run factor; 0 turns the watchdog off, as for
//                         a run under a debugger
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
// How long before QV_TEST_DEADLINE the watchdog fires: its report's time, then the display's
// (a base of TimeLimit, as the budget is).
constexpr int kDeadlineMarginSeconds = 115;

// Starts the watchdog, watching the start-up, and registers the listener that gives every test
// case its budget. The test main calls it once, before anything that could hang.
void StartWatchdog();

// How many times longer every time limit of the tests is: five where code runs slower (under
// valgrind or an emulator) times the machine's load when the run started, rounded up. The load
// is QV_LOAD_FACTOR ("1.37"), which CTest sets for every test of a run
// (cmake/QvLoadFactor.cmake), so that its timeouts and the tests' limits agree; a process
// started without it measures the load once itself: the load average over the processors, at
// least 1. The test main hands the factor on to the programs the tests start (helpers, peers,
// scripts) as QV_TIME_FACTOR.
int SlowRunFactor();

// A time limit of the tests: base, counted in the caller's unit (seconds, milliseconds), times
// the slow-run factor. Every limit (an alarm, a wait's timeout, a watchdog budget, a helper's
// patience) is written through it, or given as a base to a helper that applies it; a check of
// the suite's sources finds a bare one.
int TimeLimit(int base);

// The factor for the load given as QV_LOAD_FACTOR gives it ("2.5"; nullptr or "" measures it)
// and the slowdown of where the code runs (1, or 5 under valgrind or an emulator).
int SlowRunFactorFor(const char* load, int slowdown);

// Gives what runs now (the test case, or the stretch between cases) seconds from now instead
// of its budget: for a test that waits longer on purpose.
void SetWatchdogBudget(int seconds);

// The kernel id of the watchdog's thread while it runs, or 0.
int WatchdogThread();

// The stacks of every thread of process pid through the debugger (attached for at most
// seconds), or "" and why in *why.
std::string ProcessStacks(int pid, int seconds, std::string* why);

// The window manager that scripts/with-display started (QV_WM_PID), or 0 outside it.
int WindowManagerPid();
// Whether it still runs, and what it waits in: "openbox (pid N) is running (state S, in
// do_sys_poll)", "openbox (pid N) has ended", or "" outside with-display.
std::string WindowManagerProcessState();

}  // namespace qvtest
