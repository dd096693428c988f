// Start-up of the framework executable.
#pragma once

#include <cstdint>

// The command line as main received it; GTK later removes the options it consumes from argv.
extern int32_t gRuntimeArgc;
extern char** gRuntimeArgv;

int RuntimeMain(int argc, char** argv);
