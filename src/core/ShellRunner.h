// Running programs and shell command lines: the one place the framework starts a child, so that
// every child is started the same way (vfork, output and errors into one pipe, no inherited
// descriptors beyond the three standard ones) and waited for.
#pragma once

#include <string>

#include "strings/RuntimeString.h"

// Runs the program at path with the arguments argv (argv[0] first, then a null), no shell in
// between; a path without a slash is looked for along PATH. With output, everything it writes
// to standard output and standard error is appended to *output; without, it is read and
// dropped (so that it is never stopped by a closed pipe). Returns after the child has ended;
// false when the pipe or the child could not be made. With exitStatus, the program's exit
// status is stored there (-1 when it did not exit). A program that cannot be started leaves its
// child with status 255 and no output.
bool RunProgram(const char* path, const char* const* argv, std::string* output,
                int* exitStatus = nullptr);

// Runs shellPath -c command, as RunProgram runs a program. The command is text the framework
// composed: user text never goes through a shell.
bool RunShellCommand(const char* shellPath, const char* command, std::string* output);

namespace UnixHelper {

// Runs command through "/bin/bash". With capture, the result holds everything the command wrote
// to standard output and standard error (tagged UTF-8, the system encoding); otherwise, and
// when the command cannot be started, it is empty.
string ExecuteShell(const string& command, bool capture);

}  // namespace UnixHelper
