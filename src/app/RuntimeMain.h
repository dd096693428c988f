// Start-up of the framework executable: main's work before the image runs.
//
//   1. the memory and string modules, and the hooks the upper layers install;
//   2. the command line stored as main received it (and a copy of its vector, which the
//      start-up events read: GTK later removes its own options from the vector itself);
//   3. GTK, when a display is there (without one a console application still runs);
//   4. the framework's defaults: the default font and colours, the unhandled-exception hook;
//   5. the path of the running program, stored in argv[0] (ExecutablePath.h);
//   6. the termination signals;
//   7. the image, from the running file: loaded, linked and entered; the shutdown tasks run
//      when its entry returns.
#pragma once

#include <cstdint>

// The command line as main received it: the count, and the vector GTK rewrites.
extern int32_t gRuntimeArgc;
extern char** gRuntimeArgv;

// Stores argc and argv, and keeps a copy of the vector's entries.
void StoreCommandLine(int argc, char** argv);
// The count and the entries as main received them; nil past the end.
int32_t CommandLineCount();
const char* CommandLineArgument(int32_t index);

int RuntimeMain(int argc, char** argv);
