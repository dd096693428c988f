// Whether a test process runs its i386 code under an emulator (qemu-i386, which binfmt_misc
// sends every i386 program to where the kernel has no 32-bit user mode, or which QV_EMULATOR
// names), and what the tests do differently there: the emulator ignores an address-space limit
// set from inside (one set from outside keeps the emulator itself from starting), shows the
// kernel its own address space and threads, and cannot be followed by gdb or valgrind.
#pragma once

#include <string>
#include <vector>

namespace qvtest {

// True when this process runs under an emulator: the machine it is told of (uname) is not the
// kernel's own.
bool RunsUnderEmulator();

// The threads the emulator keeps in this process beside the program's own (0 natively).
int EmulatorThreads();

// True when process pid runs under an emulator (its executable, as the kernel sees it, is one).
bool ProcessRunsUnderEmulator(int pid);

// argv to run instead of argv: through the emulator QV_EMULATOR names when that is set and
// argv[0] is an i386 program named by its path, as a process that runs under it starts such
// programs where binfmt_misc does not send them there; otherwise argv itself.
std::vector<std::string> ThroughEmulator(std::vector<std::string> argv);

}  // namespace qvtest
