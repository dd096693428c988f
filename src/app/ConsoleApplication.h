// ConsoleApplication and ServiceApplication: what a compiled program without windows builds
// on instead of Application. The compiled program raises its own Run event; the framework
// keeps the console application object, runs DoEvents passes and hands out the program's
// file. A console program registers no Application, so none of the Application's start-up
// events is raised.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct ConsoleApplicationFields {
  RuntimeObject header;
  uint32_t word;
};
static_assert(sizeof(ConsoleApplicationFields) == 28, "ConsoleApplication instances");
constexpr int32_t kServiceApplicationSize = 88;

ObjectDefinition* ConsoleApplicationClassDefinition();
ObjectDefinition* ServiceApplicationClassDefinition();

// The console application object, borrowed; nil until one is made or registered.
RuntimeObject* ConsoleApplicationObject();

extern "C" {
// Makes a new console application the console application object.
void ConsoleApplicationInitializer(RuntimeObject* application);
// object, or a new ServiceApplication (service true) or ConsoleApplication, becomes the
// console application object; then the start-up events, of which a console program has none.
void RuntimeRegisterConsoleAppObject(RuntimeObject* object, int32_t service);
// Answers true and stays in the foreground.
int32_t DaemonizeApp(RuntimeObject* application);
}
