#include "net/UDPSocketClass.h"

#include <cstring>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "net/NetworkInterfaces.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SocketAddress.h"
#include "net/UDPSocket.h"

namespace {

using namespace lang;

const PropertyRow kUDPSocketProperties[] = {
    QV_PROPERTY("RouterHops", Integer, intGetter, UDPSocketRouterHops,
                offsetof(UDPSocketObject, routerHops)),
    QV_PROPERTY("SendToSelf", Boolean, boolGetter, UDPSocketSetLoopback,
                offsetof(UDPSocketObject, sendToSelf)),
    QV_READONLY("PacketsAvailable", Integer, PacketsAvailableGetter),
    QV_READONLY("BroadcastAddress", String, UDPSocketGetBroadcast),
    QV_READONLY("PacketsLeftToSend", Integer, UDPSocketPacketsLeftToSend),
};

const MethodRow kUDPSocketMethods[] = {
    QV_FUNCTION("JoinMulticastGroup", Boolean, SocketJoinMulticastGroup,
                Param("Group", String)),
    QV_SUB("LeaveMulticastGroup", SocketLeaveMulticastGroup, Param("Group", String)),
    QV_SUB("Write", UDPSocketWrite, Param("Address", String), Param("Data", String)),
    QV_SUB("Write", UDPSocketWriteDatagram, Param("data", Class<"Datagram">)),
    QV_FUNCTION("Read", Class<"Datagram">, UDPReadDatagram,
                Param("encoding", Class<"TextEncoding">).Default(0)),
};

const PropertyRow kDatagramProperties[] = {
    QV_PROPERTY("Address", String, stringGetter, stringSetter, offsetof(DatagramObject, address)),
    QV_PROPERTY("Data", String, stringGetter, stringSetter, offsetof(DatagramObject, data)),
    QV_PROPERTY("Port", Integer, intGetter, intSetter, offsetof(DatagramObject, port)),
};

UDPSocketObject* Fields(RuntimeObject* object) {
  return reinterpret_cast<UDPSocketObject*>(object);
}

UDPSocket* SocketOf(RuntimeObject* object) {
  return object && IsUDPSocketObject(object) ? static_cast<UDPSocket*>(Fields(object)->core.socket)
                                             : nullptr;
}

// The port text of "host:port": decimal digits alone; -1 for anything else.
int32_t PortOfText(const char* text) {
  int64_t port = 0;
  if (!*text) return -1;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9' || port > 65535) return -1;
    port = port * 10 + (*text - '0');
  }
  return port > 65535 ? -1 : int32_t(port);
}

// Sends data to address: with a port, address is the host; else "host:port" splits at its one
// colon, and anything else is the host with the object's Port.
void WriteTo(RuntimeObject* object, const string& address, int32_t port, const string& data) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return;
  ObjectHold hold(object);
  SocketPin pin(socket);
  string host = address;
  if (port == 0) {
    const char* text = address.CString();
    const char* colon = std::strchr(text, ':');
    if (colon && !std::strchr(colon + 1, ':')) {
      host = string::FromBytes(text, colon - text, kEncodingASCII);
      port = PortOfText(colon + 1);
    } else {
      port = Fields(object)->core.port;
    }
  }
  socket->Write(host, port, data);
}

}  // namespace

QV_CLASS(UDPSocketClassDefinition,
         .name = "UDPSocket",
         .super = SocketCoreClassDefinition,
         .objectSize = sizeof(UDPSocketObject),
         .properties = kUDPSocketProperties,
         .methods = kUDPSocketMethods,
         .initializer = QV_CODE(RuntimeUDPSocketConstructor),
         .finalizer = QV_CODE(RuntimeUDPSocketDestructor))
QV_STARTUP_CLASS(kStartupUDPSocketClass, UDPSocketClassDefinition)

QV_CLASS(DatagramClassDefinition,
         .name = "Datagram",
         .objectSize = sizeof(DatagramObject),
         .properties = kDatagramProperties,
         .finalizer = QV_CODE(RuntimeDatagramFinalizer))
QV_STARTUP_CLASS(kStartupDatagramClass, DatagramClassDefinition)

bool IsUDPSocketObject(RuntimeObject* object) {
  return ObjectIsaDefinition(object, UDPSocketClassDefinition());
}

void ConnectUDPSocket(RuntimeObject* object) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return;
  ObjectHold hold(object);
  SocketPin pin(socket);
  UDPSocketObject* fields = Fields(object);
  fields->core.lastErrorCode = 0;
  socket->Bind(fields->core.port);
  if (!socket->IsConnected()) return;
  socket->SetLoopback(fields->sendToSelf != 0);
  if (socket->IsConnected()) socket->SetRouterHops(fields->routerHops);
}

// ---- Life -----------------------------------------------------------------------------------

extern "C" void RuntimeUDPSocketConstructor(RuntimeObject* object) {
  if (!object) return;
  Fields(object)->core.socket = UDPSocket::Create(object);
  Fields(object)->routerHops = 1;
  Fields(object)->sendToSelf = 1;
}
QV_EXPORT(RuntimeUDPSocketConstructor)

extern "C" void RuntimeUDPSocketDestructor(RuntimeObject* object) {
  if (!object) return;
  SocketCore::Dispose(Fields(object)->core.socket);
  Fields(object)->core.socket = nullptr;
}
QV_EXPORT(RuntimeUDPSocketDestructor)

extern "C" void RuntimeDatagramFinalizer(RuntimeObject* object) {
  if (!object) return;
  DatagramObject* fields = reinterpret_cast<DatagramObject*>(object);
  stringStorage::RemoveReference(fields->address);
  stringStorage::RemoveReference(fields->data);
  fields->address = nullptr;
  fields->data = nullptr;
}
QV_EXPORT(RuntimeDatagramFinalizer)

// ---- Properties -----------------------------------------------------------------------------

extern "C" void UDPSocketRouterHops(RuntimeObject* object, uint32_t, int32_t hops) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return;
  ObjectHold hold(object);
  Fields(object)->routerHops = hops;
  socket->SetRouterHops(hops);
}
QV_EXPORT(UDPSocketRouterHops)

extern "C" void UDPSocketSetLoopback(RuntimeObject* object, uint32_t, int32_t sendToSelf) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return;
  ObjectHold hold(object);
  Fields(object)->sendToSelf = sendToSelf ? 1 : 0;
  socket->SetLoopback(sendToSelf != 0);
}
QV_EXPORT(UDPSocketSetLoopback)

extern "C" int32_t PacketsAvailableGetter(RuntimeObject* object, uint32_t) {
  UDPSocket* socket = SocketOf(object);
  return socket ? socket->PacketsAvailable() : 0;
}
QV_EXPORT(PacketsAvailableGetter)

extern "C" int32_t UDPSocketPacketsLeftToSend(RuntimeObject* object, uint32_t) {
  UDPSocket* socket = SocketOf(object);
  return socket ? socket->PacketsLeftToSend() : 0;
}
QV_EXPORT(UDPSocketPacketsLeftToSend)

// The broadcast address of the NetworkInterface property's interface, or of the first one.
extern "C" stringStorage* UDPSocketGetBroadcast(RuntimeObject* object, uint32_t) {
  const int32_t index = SocketOwnerInterfaceIndex(object);
  return DottedText(NetworkInterfaceBroadcastAddress(index)).ExtractStringStorage();
}
QV_EXPORT(UDPSocketGetBroadcast)

// ---- Methods --------------------------------------------------------------------------------

extern "C" int32_t SocketJoinMulticastGroup(RuntimeObject* object, stringStorage* group) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return 0;
  ObjectHold hold(object);
  return socket->JoinMulticastGroup(string(group)) ? 1 : 0;
}
QV_EXPORT(SocketJoinMulticastGroup)

extern "C" void SocketLeaveMulticastGroup(RuntimeObject* object, stringStorage* group) {
  UDPSocket* socket = SocketOf(object);
  if (!socket) return;
  ObjectHold hold(object);
  socket->LeaveMulticastGroup(string(group));
}
QV_EXPORT(SocketLeaveMulticastGroup)

extern "C" void UDPSocketWrite(RuntimeObject* object, stringStorage* address,
                               stringStorage* data) {
  WriteTo(object, string(address), 0, string(data));
}
QV_EXPORT(UDPSocketWrite)

extern "C" void UDPSocketWriteDatagram(RuntimeObject* object, RuntimeObject* datagram) {
  if (!SocketOf(object)) return;
  if (!datagram) {
    RaiseNilObjectException();
    return;
  }
  const DatagramObject* fields = reinterpret_cast<const DatagramObject*>(datagram);
  WriteTo(object, string(fields->address), fields->port, string(fields->data));
}
QV_EXPORT(UDPSocketWriteDatagram)

extern "C" RuntimeObject* UDPReadDatagram(RuntimeObject* object, RuntimeObject* encoding) {
  UDPSocket* socket = SocketOf(object);
  UDPDatagram received;
  if (!socket || !socket->ReadDatagram(&received)) return nullptr;
  RuntimeObject* datagram = NewObjectFromDefinition(DatagramClassDefinition());
  if (!datagram) return nullptr;
  DatagramObject* fields = reinterpret_cast<DatagramObject*>(datagram);
  fields->address = DottedText(received.address).ExtractStringStorage();
  fields->data = ReceivedText(received.data, encoding);
  fields->port = received.port;
  return datagram;
}
QV_EXPORT(UDPReadDatagram)
