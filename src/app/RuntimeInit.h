// The start-up calls that an application's entry makes through linked addresses, in their
// order: RuntimeInit, RuntimeInitExternalClasses (ExternalClasses.h), RuntimeRegisterAppObject
// (or RuntimeRegisterConsoleAppObject, ConsoleApplication.h), RuntimeRun.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

extern "C" {
void RuntimeInit();
int32_t RuntimeExit();
// Adopts object (one more reference) or makes a new Application as the application object,
// then raises the start-up events. A windowed application needs a display: without one GTK
// reports that it cannot open it and the process ends with a non-zero status.
void RuntimeRegisterAppObject(RuntimeObject* object);
// Runs the main loop until quit; a second call returns at once.
void RuntimeRun();
void RuntimeSetApplicationPath(stringStorage* path);
}

// Open; then OpenDocument for each command-line argument after the program's name (when the
// Application handles it), or NewDocument when there is none. Nothing without an application
// object.
void RaiseStartupEvents();

// The running program's own file, as ExecutableFile gives it: the path set by
// RuntimeSetApplicationPath when there is one, else argv[0] as start-up resolved it.
string ExecutableFilePath();
// The path RuntimeSetApplicationPath set, or "" when none was.
string ApplicationPathSetting();
