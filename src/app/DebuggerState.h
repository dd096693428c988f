// The debugger control's process-wide state, shared by the statement hook, the wait and the
// command dispatcher (DebuggerControl.cpp, DebuggerCommands.cpp, DebuggerInspection.cpp).
#pragma once

#include <cstdint>

#include "app/DebuggerConnection.h"
#include "core/SimpleVector.h"
#include "core/SmartRef.h"
#include "strings/RuntimeString.h"

enum DebuggerStepMode : int32_t {
  kStepNone = 0,
  kStepNextStatement = 1,
  kStepOver = 2,  // the next statement of this method or a caller
  kStepOut = 3,   // the next statement of a caller
};

// What the statement hook reads at every statement: plain words, no construction.
struct DebuggerFlags {
  uint8_t* breakpoints;  // one byte per statement, non-zero: a breakpoint; nil before "BRLA"
  int32_t breakpointsLength;
  int32_t stepMode;
  uint32_t stepFrame;      // the caller's frame pointer at the stop, for step over and out
  uintptr_t currentFrame;  // the compiled frame that entered the debugger last
  uint8_t* dataBase;       // the image's data block, recorded when the link opened
  bool linked;             // the session's link is there
  bool inDebugger;         // the entry guard
  bool breakOnException;
  bool breakRequested;
};
extern DebuggerFlags gDebugger;

// What only the link's life and the commands touch. Made on first use, never freed: objects
// and arrays may be destroyed during the process's exit, and their hooks read the watch lists.
struct DebuggerSession {
  SmartRef<DebuggerConnection> link;
  string host;
  SimpleVector<uint32_t> objectWatchList{0};
  SimpleVector<uint32_t> arrayWatchList{0};
};
DebuggerSession& Session();

// The word at the current frame: the frame pointer of the current method's caller (0 before
// any).
uint32_t CallerOfCurrentFrame();

// Sends one line to the IDE; nothing without a link.
void SendToIDE(const char* tag, const string& payload);
// The reply to a command: its payload as it came, a blank, then value.
void Reply(const char* tag, const string& payload, const string& value);

// Runs one command line; true when it resumes a stopped program.
bool DispatchDebuggerCommand(const string& tag, const string& payload);
// The commands that read and write memory, objects and properties (DebuggerInspection.cpp).
// Each takes the command's payload; a malformed field, an address that cannot be read or
// written, or an object that is not live gives no reply and changes nothing.
void ReadValue(const string& payload, int32_t byteCount, const char* replyTag);  // DB .. DL
void WriteValue(const string& payload, int32_t byteCount);                       // SB .. SL
void ReadStringVariable(const string& payload);                                  // DS
void ReadObjectVariable(const string& payload);                                  // DO
void ReadVariantVariable(const string& payload);                                 // DV
void ReadObjectClass(const string& payload);                                     // DOC
void ReadBytesAsString(const string& payload);                                   // DSS
void WriteStringVariable(const string& payload);                                 // SS
void ReadArray(const string& payload);                                           // DABB
// DPVB .. DPVS: the property getter's result, of the kind the command's letter names.
enum PropertyResultKind { kPropertyByte, kPropertyShort, kPropertyInt, kPropertyLong,
                          kPropertySingle, kPropertyDouble, kPropertyObject, kPropertyVariant,
                          kPropertyString };
void ReadProperty(const string& payload, PropertyResultKind kind, const char* replyTag);

// "SC": one "SFR" line per compiled frame from the current frame up, then "SC".
void SendStackFrames();
// Closes and drops the link, runs the shutdown tasks, then ends the process with status 1
// ("QUIT", a lost link, no IDE).
[[noreturn]] void EndDebuggedProcess();
