#include "net/SocketClasses.h"

#include "app/StreamInterfaces.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "net/NetworkClasses.h"
#include "net/NetworkInterfaces.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/ServerSocketClass.h"

namespace {

using namespace lang;

ObjectHook* gDataAvailableHook;
ObjectHook* gErrorHook;
ObjectHook* gSendCompleteHook;
ObjectHook* gConnectedHook;
ObjectHook* gSendProgressHook;

// The error-code names are constants of the language; the compiler knows their values, so the
// class declares none (SocketErrors.h lists them).
const PropertyRow kSocketCoreProperties[] = {
    QV_PROPERTY("Port", Integer, SocketPortGetter, SocketPortSetter),
    QV_READONLY("LocalAddress", String, socketLocalAddressGetter),
    QV_READONLY("LastErrorCode", Integer, socketLastErrorCode),
    QV_READONLY("IsConnected", Boolean, SocketIsConnected),
    QV_PROPERTY("NetworkInterface", Class<"NetworkInterface">, objGetter, objSetter,
                offsetof(SocketCoreObject, networkInterface)),
    QV_READONLY("Handle", Integer, SocketGetHandle),
};

const MethodRow kSocketCoreMethods[] = {
    QV_SUB("Close", socketClose),
    QV_SUB("Poll", socketPoll),
    QV_SUB("Purge", SocketPurge),
    QV_SUB("Connect", SocketConnect),
};

const EventRow kSocketCoreEvents[] = {
    QV_EVENT("DataAvailable", &gDataAvailableHook),
    QV_EVENT("Error", &gErrorHook),
    QV_EVENT("SendComplete", &gSendCompleteHook, "userAborted As Boolean"),
};

const PropertyRow kTCPSocketProperties[] = {
    QV_PROPERTY("Address", String, stringGetter, stringSetter, offsetof(TCPSocketObject, address)),
    QV_READONLY("RemoteAddress", String, socketRemoteAddressGetter),
    QV_READONLY("PPPStatus", Integer, socketPPPStatus),
    QV_READONLY("BytesAvailable", Integer, SocketBytesAvailable),
    QV_READONLY("BytesLeftToSend", Integer, TCPSocketBytesLeftToSend),
};

const MethodRow kTCPSocketMethods[] = {
    QV_SUB("Listen", SocketListen),
    QV_FUNCTION("Read", String, socketRead, Param("byteCount", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("ReadAll", String, SocketReadAll,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_SUB("Write", SocketWrite, Param("data", String)),
    QV_SUB("PPPConnect", socketPPPConnect, Param("UserInteraction", Boolean).Default(0)),
    QV_SUB("PPPDisconnect", socketPPPDisconnect),
    QV_SUB("Disconnect", SocketDisconnect),
    QV_FUNCTION("Lookahead", String, socketLookahead,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("EOF", Boolean, TCPSocketEof),
    QV_FUNCTION("ReadError", Boolean, socketLastErrorCode),
    QV_SUB("Flush", TCPSocketFlush),
    QV_FUNCTION("WriteError", Boolean, socketLastErrorCode),
};

const EventRow kTCPSocketEvents[] = {
    QV_EVENT("Connected", &gConnectedHook),
    QV_EVENT("SendProgress", &gSendProgressHook, "bytesSent as Integer, bytesLeft as Integer",
             "Boolean"),
};

const ClassGetter kStreamInterfaces[] = {ReadableInterfaceDefinition,
                                         WriteableInterfaceDefinition};

}  // namespace

QV_CLASS(SocketCoreClassDefinition,
         .name = "SocketCore",
         .objectSize = sizeof(SocketCoreObject),
         .properties = kSocketCoreProperties,
         .methods = kSocketCoreMethods,
         .events = kSocketCoreEvents)

QV_CLASS(TCPSocketClassDefinition,
         .name = "TCPSocket",
         .super = SocketCoreClassDefinition,
         .objectSize = sizeof(TCPSocketObject),
         .properties = kTCPSocketProperties,
         .methods = kTCPSocketMethods,
         .events = kTCPSocketEvents,
         .initializer = QV_CODE(RuntimeSocketConstructor),
         .finalizer = QV_CODE(RuntimeSocketDestructor),
         .interfaces = kStreamInterfaces)

QV_CLASS(SocketClassDefinition,
         .name = "Socket",
         .super = TCPSocketClassDefinition,
         .objectSize = sizeof(TCPSocketObject))

QV_STARTUP_CLASS(kStartupSocketCoreClass, SocketCoreClassDefinition)
QV_STARTUP_CLASS(kStartupTCPSocketClass, TCPSocketClassDefinition)
QV_STARTUP_CLASS(kStartupSocketClass, SocketClassDefinition)

bool IsTCPSocketObject(RuntimeObject* object) {
  return ObjectIsaDefinition(object, TCPSocketClassDefinition());
}

bool IsSocketCoreObject(RuntimeObject* object) {
  return ObjectIsaDefinition(object, SocketCoreClassDefinition());
}

bool HasSocketFields(RuntimeObject* object) {
  return object && (IsSocketCoreObject(object) || IsServerSocketObject(object));
}

void SetSocketLastErrorCode(RuntimeObject* owner, int32_t code) {
  if (HasSocketFields(owner)) AsSocketObject(owner)->lastErrorCode = code;
}

int32_t SocketOwnerInterfaceIndex(RuntimeObject* owner) {
  RuntimeObject* networkInterface =
      HasSocketFields(owner) ? AsSocketObject(owner)->networkInterface : nullptr;
  return networkInterface ? NetworkInterfaceIndex(networkInterface) : 0;
}

bool SocketOwnerInterfaceAddress(RuntimeObject* owner, uint32_t* networkOrderAddress) {
  if (!HasSocketFields(owner)) return false;
  RuntimeObject* networkInterface = AsSocketObject(owner)->networkInterface;
  if (!networkInterface) return false;
  *networkOrderAddress = NetworkInterfaceIPAddress(NetworkInterfaceIndex(networkInterface));
  return true;
}

void RaiseSocketConnected(RuntimeObject* owner) { RaiseObjectEvent<void>(owner, gConnectedHook); }

void RaiseSocketDataAvailable(RuntimeObject* owner) {
  RaiseObjectEvent<void>(owner, gDataAvailableHook);
}

void RaiseSocketSendComplete(RuntimeObject* owner, bool userAborted) {
  RaiseObjectEvent<void>(owner, gSendCompleteHook, userAborted);
}

bool RaiseSocketSendProgress(RuntimeObject* owner, int32_t bytesSent, int32_t bytesLeft) {
  return RaiseObjectEvent<bool>(owner, gSendProgressHook, bytesSent, bytesLeft);
}

void RaiseSocketError(RuntimeObject* owner) { RaiseObjectEvent<void>(owner, gErrorHook); }
