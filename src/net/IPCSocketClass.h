// The language class IPCSocket over the native IPCSocket (IPCSocket.h). Its events come from
// an event manager that holds the object for each event and, like every language socket's,
// keeps them waiting while delivery to language objects is suspended (the debugger holds the
// program). Every entry point reports a nil object as a failed check.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class IPCSocket;
class IPCSocketEventManager;

struct IPCSocketObject {
  RuntimeObject header;
  IPCSocketEventManager* manager;
  IPCSocket* socket;
  stringStorage* path;    // Path
  int32_t lastErrorCode;  // LastErrorCode
};
static_assert(sizeof(IPCSocketObject) == 40, "IPCSocket objects are read by compiled code");
static_assert(offsetof(IPCSocketObject, manager) == 24, "IPCSocketObject layout");
static_assert(offsetof(IPCSocketObject, socket) == 28, "IPCSocketObject layout");
static_assert(offsetof(IPCSocketObject, path) == 32, "IPCSocketObject layout");
static_assert(offsetof(IPCSocketObject, lastErrorCode) == 36, "IPCSocketObject layout");

ObjectDefinition* IPCSocketClassDefinition();

extern "C" {
void IPCSocketInitializer(RuntimeObject* object);
void IPCSocketFinalizer(RuntimeObject* object);
int32_t IPCSocketLastErrorGetter(RuntimeObject* object, uint32_t parameter);
int32_t IPCSocketIsConnected(RuntimeObject* object, uint32_t parameter);
int32_t IPCSocketGetHandle(RuntimeObject* object, uint32_t parameter);
int32_t IPCSocketBytesAvailable(RuntimeObject* object, uint32_t parameter);
int32_t IPCSocketBytesLeftToSend(RuntimeObject* object, uint32_t parameter);
void IPCSocketClose(RuntimeObject* object);
void IPCSocketPoll(RuntimeObject* object);
void IPCSocketConnect(RuntimeObject* object);
void IPCSocketListen(RuntimeObject* object);
stringStorage* IPCSocketRead(RuntimeObject* object, int32_t count, RuntimeObject* encoding);
stringStorage* IPCSocketReadAll(RuntimeObject* object, RuntimeObject* encoding);
void IPCSocketWrite(RuntimeObject* object, stringStorage* text);
stringStorage* IPCSocketLookahead(RuntimeObject* object, RuntimeObject* encoding);
int32_t IPCSocketEOF(RuntimeObject* object);
int32_t IPCSocketHadError(RuntimeObject* object);
void IPCSocketFlush(RuntimeObject* object);
}
