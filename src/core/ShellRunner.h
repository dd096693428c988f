// Running programs and shell command lines: the one place the framework starts a child, so that
// every child is started the same way: vfork, output and errors into one pipe, no inherited
// descriptors beyond the three standard ones, every signal at its default (SIGPIPE included,
// which the framework ignores) and none blocked.
#pragma once

#include <sys/types.h>

#include "strings/GrowingBytes.h"
#include "strings/RuntimeString.h"

// Runs the program at path with the arguments argv (argv[0] first, then a null), no shell in
// between; a path without a slash is looked for along PATH. With output, everything it writes
// to standard output and standard error is appended to *output, as far as it takes them (its
// limit, or memory: its OutOfMemory tells); the pipe is closed there, so that the program meets
// a broken pipe rather than wait for a reader. Without output, both go to /dev/null.
// Returns after the child has ended; false when the pipe or the child could not be made. A
// child whose waiting thread ends first (the process was killed) is killed with it. With
// exitStatus, the program's exit status is stored there (-1 when it did not exit). A program
// that cannot be started leaves its child with status 255 and no output, and its exec's errno
// in *startError (0 when it started, or the errno of a failed vfork or pipe).
bool RunProgram(const char* path, const char* const* argv, GrowingBytes* output,
                int* exitStatus = nullptr, int* startError = nullptr);

// A child started and left running: its id, the reading end of the pipe that its standard output
// and standard error go to (-1 when they go to /dev/null), and the errno of a failed start
// (0 when it started; a child whose exec failed has exited with status 255).
struct StartedProgram {
  pid_t id = -1;
  int output = -1;
  int startError = 0;
};

// Starts the program as RunProgram does and returns at once; the caller reads the output to its
// end, closes it and reaps the child. False, with no child and the errno in startError, when the
// pipe or the child could not be made.
bool StartProgram(const char* path, const char* const* argv, bool captureOutput,
                  StartedProgram* started);

// Starts the program as RunProgram does, but detached: in a session of its own, its input and
// output on /dev/null, and not a child of this process (a middle child starts it and ends at
// once), so it is never waited for and never left a zombie. Returns once it has started; false
// with the errno in *startError when it could not be (its exec failed, say).
bool StartDetachedProgram(const char* path, const char* const* argv, int* startError);

namespace UnixHelper {

// Runs command through "/bin/bash". With capture, the result holds everything the command wrote
// to standard output and standard error (tagged UTF-8, the system encoding), cut where the
// longest string or memory ends; otherwise, and when the command cannot be started, it is empty.
string ExecuteShell(const string& command, bool capture);

}  // namespace UnixHelper
