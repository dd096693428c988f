// Shell command lines run as children of the framework, through the Bourne-again shell, in one
// of two modes:
//
//   waiting     the caller gets everything the command wrote to standard output and standard
//               error, interleaved as written, once the pipe reaches its end; a termination
//               signal that arrives meanwhile ends the process as always;
//   background  the call returns at once; the command writes to /dev/null.
//
// Every child that has not been reaped when the call returns (a background one, or a waited
// one still running after it closed its output) goes on the child list, which a task without a
// timeout of its own (run by the main loop once a second) walks: a child leaves the list when
// waitpid reaps it, however it ended, so no zombie stays. The task goes once the list is empty
// and is made again by the next child listed.
//
// Text from outside never becomes shell syntax: it is passed as arguments, which the command
// reads as "$1", "$2", ...
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <vector>

#include "strings/RuntimeString.h"

// The collected output (bytes of no text encoding) when wait is set, else the empty string;
// empty too when the pipe or the child could not be made, or the shell could not start.
string RunShellCommand(const string& command, bool wait,
                       const std::vector<string>& arguments = {});

// The task's work: takes every listed child that waitpid reaps (or that is no child any more)
// off the list, then deletes the task when the list is empty.
void ReapShellChildren();

// The children still listed, oldest first, and whether the task exists.
std::vector<pid_t> ListedShellChildren();
bool HasShellBackgroundTask();

// The shell to run ("/bin/bash"; nil restores it).
void SetShellPathForTesting(const char* path);
