// StandardInputStream and StandardOutputStream: the language's standard input, output and
// error, and the console's Print and Input. Text goes out as UTF-8 with the line end "\n";
// lines come in as UTF-8 without their end (ConsoleIO.h says how reading and writing behave).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct TextEncodingObject;

struct StandardInputStreamObject {
  RuntimeObject header;
  uint32_t unused;  // the reading state is the process's, shared by every object
};
static_assert(sizeof(StandardInputStreamObject) == 28, "StandardInputStream instances");

struct StandardOutputStreamObject {
  RuntimeObject header;
  uint8_t consolePrinter;  // WriteLine goes through Print
  uint8_t standardError;   // writes to standard error rather than standard output
  uint8_t unused[2];
};
static_assert(sizeof(StandardOutputStreamObject) == 28, "StandardOutputStream instances");
static_assert(offsetof(StandardOutputStreamObject, consolePrinter) == 24,
              "StandardOutputStream layout");

ObjectDefinition* StandardInputStreamClassDefinition();
ObjectDefinition* StandardOutputStreamClassDefinition();

extern "C" {
void RuntimeConsolePrint(stringStorage* text);
stringStorage* RuntimeConsoleInput();
RuntimeObject* RuntimeGetStdIn();
RuntimeObject* RuntimeGetStdOut();
RuntimeObject* RuntimeGetStdErr();

stringStorage* RuntimeStdInputReadLine(RuntimeObject* stream);
stringStorage* RuntimeStdInputRead(RuntimeObject* stream, int32_t count,
                                   TextEncodingObject* encoding);
int32_t RuntimeStdInputEof(RuntimeObject* stream);
int32_t RuntimeStdInputError(RuntimeObject* stream);
// Operator_Convert to a socket: nil, for either stream.
RuntimeObject* RuntimeStdInputAsSocket(RuntimeObject* stream);

void RuntimeStdOutputStreamWriteLine(RuntimeObject* stream, stringStorage* text);
void RuntimeStdOutputStreamWrite(RuntimeObject* stream, stringStorage* text);
void RuntimeStdOutFlush(RuntimeObject* stream);
int32_t RuntimeStdOutputError(RuntimeObject* stream);
RuntimeObject* RuntimeStdOutputAsSocket(RuntimeObject* stream);
}
