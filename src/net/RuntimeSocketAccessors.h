// The entry points of the socket language classes (SocketClasses.h): what compiled code and
// plug-ins call on SocketCore, TCPSocket and Socket objects. Each takes the language object
// first. A nil object, or one without a native socket, does nothing and answers 0, false or
// the empty string, except where a failed check is reported (Port, BytesLeftToSend, EOF and
// Flush). Strings are handed over with one reference for the caller.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Received text as a string for compiled code: labelled with the encoding of the TextEncoding
// object (none for nil), with one reference for the caller.
stringStorage* ReceivedText(string text, RuntimeObject* encoding);

// How long Flush waits without progress before it gives up, the rest still queued.
constexpr int32_t kFlushIdleLimitMs = 10000;

extern "C" {
void RuntimeSocketConstructor(RuntimeObject* object);
void RuntimeSocketDestructor(RuntimeObject* object);

// SocketCore
int32_t SocketPortGetter(RuntimeObject* object, uint32_t parameter);
void SocketPortSetter(RuntimeObject* object, uint32_t parameter, int32_t port);
stringStorage* socketLocalAddressGetter(RuntimeObject* object, uint32_t parameter);
int32_t socketLastErrorCode(RuntimeObject* object);
int32_t SocketIsConnected(RuntimeObject* object, uint32_t parameter);
int32_t SocketGetHandle(RuntimeObject* object, uint32_t parameter);
void socketClose(RuntimeObject* object);
void socketPoll(RuntimeObject* object);
void SocketPurge(RuntimeObject* object);
void SocketConnect(RuntimeObject* object);
uint32_t socketGetEvents(RuntimeObject* object);

// TCPSocket
void socketDirectConnect(RuntimeObject* object, stringStorage* address, int32_t port);
void SocketListen(RuntimeObject* object);
void pluginSocketListen(RuntimeObject* object);
stringStorage* socketRemoteAddressGetter(RuntimeObject* object, uint32_t parameter);
int32_t SocketBytesAvailable(RuntimeObject* object, uint32_t parameter);
int32_t TCPSocketBytesLeftToSend(RuntimeObject* object, uint32_t parameter);
stringStorage* socketRead(RuntimeObject* object, int32_t count, RuntimeObject* encoding);
stringStorage* pluginSocketRead(RuntimeObject* object, int32_t count);
stringStorage* SocketReadAll(RuntimeObject* object, RuntimeObject* encoding);
stringStorage* pluginSocketReadAll(RuntimeObject* object);
stringStorage* socketLookahead(RuntimeObject* object, RuntimeObject* encoding);
stringStorage* pluginSocketLookahead(RuntimeObject* object);
void SocketWrite(RuntimeObject* object, stringStorage* data);
void SocketDisconnect(RuntimeObject* object);
int32_t TCPSocketEof(RuntimeObject* object);
void TCPSocketFlush(RuntimeObject* object);

// PPP: no such thing here; the members do nothing.
int32_t socketPPPStatus(RuntimeObject* object, uint32_t parameter);
void socketPPPConnect(RuntimeObject* object, int32_t userInteraction);
void socketPPPDisconnect(RuntimeObject* object);

// For the remote debugger: the listed sockets that have a language object, and the object of
// the index-th of them (with one reference for the caller, nil when there is none).
int32_t DebuggerSocketCount();
RuntimeObject* DebuggerSocketLookup(RuntimeObject* unused, int32_t index);
}
