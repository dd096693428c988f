// Running shell command lines: the one place the framework starts a shell, so that every child
// is started the same way (vfork, output and errors into one pipe, no inherited descriptors
// beyond the three standard ones) and waited for.
#pragma once

#include <string>

#include "strings/RuntimeString.h"

// Runs shellPath -c command. With output, everything the command writes to standard output and
// standard error is appended to *output; without, it is read and dropped (so that a command is
// never stopped by a closed pipe). Returns after the child has ended; false when the pipe or
// the child could not be made. The command is text the framework composed: user text never
// goes through a shell.
bool RunShellCommand(const char* shellPath, const char* command, std::string* output);

namespace UnixHelper {

// Runs command through "/bin/bash". With capture, the result holds everything the command wrote
// to standard output and standard error (tagged UTF-8, the system encoding); otherwise, and
// when the command cannot be started, it is empty.
string ExecuteShell(const string& command, bool capture);

}  // namespace UnixHelper
