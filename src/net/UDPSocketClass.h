// The language classes UDPSocket (a SocketCore whose Connect binds) and Datagram (one datagram:
// Address, Data, Port), over the native UDPSocket (UDPSocket.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "net/SocketClasses.h"
#include "strings/RuntimeString.h"

struct UDPSocketObject {
  SocketCoreObject core;
  int32_t routerHops;   // RouterHops
  uint8_t sendToSelf;   // SendToSelf
  uint8_t reserved[43];  // the class's instance size is 88: subclasses' fields follow it
};
static_assert(sizeof(UDPSocketObject) == 88, "UDPSocket objects are read by compiled code");
static_assert(offsetof(UDPSocketObject, routerHops) == 40, "UDPSocketObject layout");
static_assert(offsetof(UDPSocketObject, sendToSelf) == 44, "UDPSocketObject layout");

struct DatagramObject {
  RuntimeObject header;
  stringStorage* address;  // Address
  stringStorage* data;     // Data
  int32_t port;            // Port
};
static_assert(sizeof(DatagramObject) == 36, "Datagram objects are read by compiled code");
static_assert(offsetof(DatagramObject, address) == 24, "DatagramObject layout");
static_assert(offsetof(DatagramObject, data) == 28, "DatagramObject layout");
static_assert(offsetof(DatagramObject, port) == 32, "DatagramObject layout");

ObjectDefinition* UDPSocketClassDefinition();
ObjectDefinition* DatagramClassDefinition();
bool IsUDPSocketObject(RuntimeObject* object);

// Connect of a UDPSocket object: binds its Port afresh, then applies SendToSelf and
// RouterHops.
void ConnectUDPSocket(RuntimeObject* object);

extern "C" {
void RuntimeUDPSocketConstructor(RuntimeObject* object);
void RuntimeUDPSocketDestructor(RuntimeObject* object);
void RuntimeDatagramFinalizer(RuntimeObject* object);
void UDPSocketRouterHops(RuntimeObject* object, uint32_t parameter, int32_t hops);
void UDPSocketSetLoopback(RuntimeObject* object, uint32_t parameter, int32_t sendToSelf);
int32_t PacketsAvailableGetter(RuntimeObject* object, uint32_t parameter);
int32_t UDPSocketPacketsLeftToSend(RuntimeObject* object, uint32_t parameter);
stringStorage* UDPSocketGetBroadcast(RuntimeObject* object, uint32_t parameter);
int32_t SocketJoinMulticastGroup(RuntimeObject* object, stringStorage* group);
void SocketLeaveMulticastGroup(RuntimeObject* object, stringStorage* group);
// Address is "host" with the object's Port, or "host:port".
void UDPSocketWrite(RuntimeObject* object, stringStorage* address, stringStorage* data);
// The datagram's Port when not 0 (Address then is the host alone); else Address as above.
void UDPSocketWriteDatagram(RuntimeObject* object, RuntimeObject* datagram);
// The oldest datagram received as a new Datagram (Data in the encoding given, Address ASCII),
// or nil when none waits.
RuntimeObject* UDPReadDatagram(RuntimeObject* object, RuntimeObject* encoding);
}
