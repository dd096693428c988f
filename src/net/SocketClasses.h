// The socket language classes SocketCore, TCPSocket and Socket: their objects as compiled
// code reads them, their class definitions, and the raisers through which native sockets
// deliver events to an owner's handlers. The entry points the classes name are in
// RuntimeSocketAccessors.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

class SocketCore;

struct SocketCoreObject {
  RuntimeObject header;
  SocketCore* socket;                // the native socket; nil for a bare SocketCore
  int32_t port;                      // Port
  int32_t lastErrorCode;             // LastErrorCode
  RuntimeObject* networkInterface;   // NetworkInterface
};
static_assert(sizeof(SocketCoreObject) == 40, "SocketCore objects are read by compiled code");
static_assert(offsetof(SocketCoreObject, socket) == 24, "SocketCoreObject layout");
static_assert(offsetof(SocketCoreObject, port) == 28, "SocketCoreObject layout");
static_assert(offsetof(SocketCoreObject, lastErrorCode) == 32, "SocketCoreObject layout");
static_assert(offsetof(SocketCoreObject, networkInterface) == 36, "SocketCoreObject layout");

struct TCPSocketObject {
  SocketCoreObject core;
  stringStorage* address;  // Address
};
static_assert(sizeof(TCPSocketObject) == 44, "TCPSocket objects are read by compiled code");
static_assert(offsetof(TCPSocketObject, address) == 40, "TCPSocketObject layout");

inline SocketCoreObject* AsSocketObject(RuntimeObject* object) {
  return reinterpret_cast<SocketCoreObject*>(object);
}

ObjectDefinition* SocketCoreClassDefinition();
ObjectDefinition* TCPSocketClassDefinition();
ObjectDefinition* SocketClassDefinition();

// True for an object of TCPSocket or a subclass.
bool IsTCPSocketObject(RuntimeObject* object);
// True for an object of SocketCore or a subclass (its fields are those above).
bool IsSocketCoreObject(RuntimeObject* object);
// True for an object whose first fields are SocketCoreObject's: a SocketCore or a ServerSocket.
bool HasSocketFields(RuntimeObject* object);

// Owner side of the native sockets. Each does nothing for a nil object or one that is not a
// SocketCore; a raiser calls the handler only when the object's class has one.
void SetSocketLastErrorCode(RuntimeObject* owner, int32_t code);
// The index of the interface the owner's NetworkInterface property names; 0 (the first
// interface) when the property is nil or the owner has none.
int32_t SocketOwnerInterfaceIndex(RuntimeObject* owner);
// The IPv4 address (network order) of the interface that the owner's NetworkInterface
// property names; false when the property is nil or the owner has none.
bool SocketOwnerInterfaceAddress(RuntimeObject* owner, uint32_t* networkOrderAddress);
void RaiseSocketConnected(RuntimeObject* owner);
void RaiseSocketDataAvailable(RuntimeObject* owner);
void RaiseSocketSendComplete(RuntimeObject* owner, bool userAborted);
// The handler's answer: True aborts the send.
bool RaiseSocketSendProgress(RuntimeObject* owner, int32_t bytesSent, int32_t bytesLeft);
// Raised after the object's LastErrorCode holds the code.
void RaiseSocketError(RuntimeObject* owner);
