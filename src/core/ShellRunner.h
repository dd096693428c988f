// Running programs and shell command lines: the one place the framework starts a child, so that
// every child is started the same way (vfork, output and errors into one pipe, no inherited
// descriptors beyond the three standard ones) and waited for.
#pragma once

#include <string>

#include "strings/RuntimeString.h"

// Runs the program at path with the arguments argv (argv[0] first, then a null), no shell in
// between; a path without a slash is looked for along PATH. With output, everything it writes
// to standard output and standard error is appended to *output; without, both go to /dev/null.
// Returns after the child has ended; false when the pipe or the child could not be made. With
// exitStatus, the program's exit status is stored there (-1 when it did not exit). A program
// that cannot be started leaves its child with status 255 and no output, and its exec's errno
// in *startError (0 when it started, or the errno of a failed vfork or pipe).
bool RunProgram(const char* path, const char* const* argv, std::string* output,
                int* exitStatus = nullptr, int* startError = nullptr);

// Starts the program as RunProgram does, but detached: in a session of its own, its input and
// output on /dev/null, and not a child of this process (a middle child starts it and ends at
// once), so it is never waited for and never left a zombie. Returns once it has started; false
// with the errno in *startError when it could not be (its exec failed, say).
bool StartDetachedProgram(const char* path, const char* const* argv, int* startError);

// Runs shellPath -c command, as RunProgram runs a program. The command is text the framework
// composed: user text never goes through a shell.
bool RunShellCommand(const char* shellPath, const char* command, std::string* output);

namespace UnixHelper {

// Runs command through "/bin/bash". With capture, the result holds everything the command wrote
// to standard output and standard error (tagged UTF-8, the system encoding); otherwise, and
// when the command cannot be started, it is empty.
string ExecuteShell(const string& command, bool capture);

}  // namespace UnixHelper
