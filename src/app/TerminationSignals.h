// Ending the process on SIGTERM, SIGQUIT or SIGHUP.
//
// The handler only records the signal and wakes whoever waits: it writes a byte to a pipe that
// the main loop watches and that the framework's blocking waits (console reads, sleeps) poll
// beside their own descriptor. The end itself runs there, on the main thread, outside any
// signal context: SIGTERM and SIGQUIT ask the application to quit (CancelClose is raised but
// cannot stop the end), SIGHUP skips that; then every window closes, the application object is
// released, the shutdown tasks run and the process exits with status 0. A second signal before
// the end has run ends the process at once, also with status 0.
//
// The handler is installed without SA_RESTART, so a blocking call the signal interrupts
// returns EINTR; the framework's own blocking calls then run the end and otherwise retry.
#pragma once

#include <cstdint>

extern "C" void TerminationSignalHandler(int signalNumber);

// Installs the handler for the three signals, makes the wake-up pipe and its watch on the
// default main context, and ignores SIGPIPE (a write to a closed pipe then fails with EPIPE).
// A second call changes nothing.
void ArmTerminationSignals();

// The pipe's reading end, to poll beside a descriptor one waits on; -1 before arming.
int TerminationWakeDescriptor();

// When a termination signal is pending and its end is not running yet, runs the end (which
// does not return). Otherwise returns at once.
void RunPendingTermination();

// Waits until fd is ready for events (poll(2) bits) or timeoutMs passes (-1: no limit), ending
// the process meanwhile when a termination signal arrives. Answers poll's revents for fd (0
// on timeout), or -1 with errno on failure.
int WaitForDescriptor(int fd, int16_t events, int32_t timeoutMs);

// Sleeps milliseconds (nothing for 0 or less) unless a termination signal ends the process.
void SleepUnlessTerminated(int32_t milliseconds);
