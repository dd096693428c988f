// The language class ServerSocket: listens on one port and hands each accepted connection to a
// TCPSocket object the application supplied through AddSocket (ServerSocketListener.h). Its
// first four fields lie where SocketCore's do, so the shared socket accessors (LocalAddress,
// NetworkInterface) serve it too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "net/SocketClasses.h"

struct ServerSocketObject {
  SocketCoreObject core;            // the listener, Port, the last error, NetworkInterface
  uint32_t spare;
  int32_t minimumSocketsAvailable;  // MinimumSocketsAvailable
  int32_t maximumSocketsConnected;  // MaximumSocketsConnected
};
static_assert(sizeof(ServerSocketObject) == 52, "ServerSocket objects are read by compiled code");
static_assert(offsetof(ServerSocketObject, minimumSocketsAvailable) == 44,
              "ServerSocketObject layout");
static_assert(offsetof(ServerSocketObject, maximumSocketsConnected) == 48,
              "ServerSocketObject layout");

ObjectDefinition* ServerSocketClassDefinition();
bool IsServerSocketObject(RuntimeObject* object);

// The server side of the listener. AddSocket answers the TCPSocket the handler returned, with
// the handler's reference; nil after NilObjectException (no handler, or a nil result), which
// takes the unhandled path of this event, never unwinding the loop that polls.
RuntimeObject* RaiseServerSocketAddSocket(RuntimeObject* server);
void RaiseServerSocketError(RuntimeObject* server, int32_t code);

extern "C" {
void RuntimeServerSocketConstructor(RuntimeObject* object);
void RuntimeServerSocketDestructor(RuntimeObject* object);
void ServerSocketListen(RuntimeObject* object);
void ServerSocketClose(RuntimeObject* object);
int32_t serverSocketIsListening(RuntimeObject* object, uint32_t parameter);
int32_t ServerSocketPortGetter(RuntimeObject* object, uint32_t parameter);
void ServerSocketPortSetter(RuntimeObject* object, uint32_t parameter, int32_t port);
void ServerSocketSetMinSockets(RuntimeObject* object, uint32_t parameter, int32_t count);
void ServerSocketSetMaxSockets(RuntimeObject* object, uint32_t parameter, int32_t count);
int32_t ServerSocketGetHandle(RuntimeObject* object, uint32_t parameter);
// A new array of the connections handed over and not yet ended, in order.
struct RuntimeArray* ServerSocketGetActiveSockets(RuntimeObject* object);
}
