// Every test ends the processes it started. A child of the test process that still runs when
// its test case ends (or, for one that a suite's set-up started, when the suite ends) is
// killed, with the process group it leads, and reaped, and the case fails naming it: left
// alone it would outlive the test holding whatever it inherited (the output CTest reads, a
// lock file, a port), and a child hung at its start would never end at all.
#pragma once

#include <string>
#include <vector>

namespace qvtest {

// The processes this one started that still run (an ended one not yet reaped aside).
std::vector<int> RunningChildren();

// A process's command line, its words joined by blanks, or "".
std::string CommandLine(int pid);

// Kills and reaps every running child but those in kept, each with the process group it leads
// (its own children that stayed there go with it): "pid (command line)" lines of those ended,
// or "", one that was not reaped in time (stuck in uninterruptible sleep) marked ", not reaped
// within N ms". Reads /proc and writes nothing, and waits a bounded time, so that the watchdog
// may call it from its report.
std::string EndChildrenBut(const std::vector<int>& kept);

// Ends, and fails, what each test case and suite leaves running (the test main calls it).
void EndLeftoverChildren();

}  // namespace qvtest
