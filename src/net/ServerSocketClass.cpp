#include "net/ServerSocketClass.h"

#include <algorithm>

#include "arrays/ArrayElementAccess.h"
#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/ServerSocketListener.h"

namespace {

using namespace lang;

ObjectHook* gAddSocketHook;
ObjectHook* gErrorHook;

const PropertyRow kServerSocketProperties[] = {
    QV_PROPERTY("Port", Integer, ServerSocketPortGetter, ServerSocketPortSetter),
    QV_PROPERTY("MinimumSocketsAvailable", Integer, intGetter, ServerSocketSetMinSockets,
                offsetof(ServerSocketObject, minimumSocketsAvailable)),
    QV_PROPERTY("MaximumSocketsConnected", Integer, intGetter, ServerSocketSetMaxSockets,
                offsetof(ServerSocketObject, maximumSocketsConnected)),
    QV_READONLY("LocalAddress", String, socketLocalAddressGetter),
    QV_READONLY("IsListening", Boolean, serverSocketIsListening),
    QV_PROPERTY("NetworkInterface", Class<"NetworkInterface">, objGetter, objSetter,
                offsetof(SocketCoreObject, networkInterface)),
    QV_READONLY("Handle", Integer, ServerSocketGetHandle),
};

const MethodRow kServerSocketMethods[] = {
    QV_SUB("Listen", ServerSocketListen),
    QV_SUB("StopListening", ServerSocketClose),
    QV_FUNCTION("ActiveConnections", ArrayOf<Class<"TCPSocket">>, ServerSocketGetActiveSockets),
};

const EventRow kServerSocketEvents[] = {
    QV_EVENT("AddSocket", &gAddSocketHook, nullptr, "TCPSocket"),
    QV_EVENT("Error", &gErrorHook, "ErrorCode as Integer"),
};

ServerSocketObject* Fields(RuntimeObject* object) {
  return reinterpret_cast<ServerSocketObject*>(object);
}

ServerSocketListener* ListenerOf(RuntimeObject* object) {
  return object && IsServerSocketObject(object)
             ? static_cast<ServerSocketListener*>(Fields(object)->core.socket)
             : nullptr;
}

}  // namespace

QV_CLASS(ServerSocketClassDefinition,
         .name = "ServerSocket",
         .objectSize = sizeof(ServerSocketObject),
         .properties = kServerSocketProperties,
         .methods = kServerSocketMethods,
         .events = kServerSocketEvents,
         .initializer = QV_CODE(RuntimeServerSocketConstructor),
         .finalizer = QV_CODE(RuntimeServerSocketDestructor))
QV_STARTUP_CLASS(kStartupServerSocketClass, ServerSocketClassDefinition)

bool IsServerSocketObject(RuntimeObject* object) {
  return ObjectIsaDefinition(object, ServerSocketClassDefinition());
}

// The exception has nowhere to go but this event's unhandled path: the barrier keeps the
// unwinder from reaching the compiled code that runs the main loop.
RuntimeObject* RaiseServerSocketAddSocket(RuntimeObject* server) {
  RuntimeObject* result = RaiseObjectEvent<RuntimeObject*>(server, gAddSocketHook);
  if (!result) {
    ScopedCallBarrier barrier(__builtin_frame_address(0));
    RaiseNilObjectException();
  }
  return result;
}

void RaiseServerSocketError(RuntimeObject* server, int32_t code) {
  RaiseObjectEvent(server, gErrorHook, code);
}

// ---- Life -----------------------------------------------------------------------------------

extern "C" void RuntimeServerSocketConstructor(RuntimeObject* object) {
  if (!object) return;
  ServerSocketObject* fields = Fields(object);
  fields->minimumSocketsAvailable = std::max(fields->minimumSocketsAvailable, 1);
  fields->maximumSocketsConnected = std::max(fields->maximumSocketsConnected, 1);
  fields->core.socket = new ServerSocketListener(object);
}
QV_EXPORT(RuntimeServerSocketConstructor)

extern "C" void RuntimeServerSocketDestructor(RuntimeObject* object) {
  if (!object) return;
  ServerSocketClose(object);
  SocketCore::Dispose(Fields(object)->core.socket);
  Fields(object)->core.socket = nullptr;
}
QV_EXPORT(RuntimeServerSocketDestructor)

// ---- Listening ------------------------------------------------------------------------------

extern "C" void ServerSocketListen(RuntimeObject* object) {
  ObjectHold hold(object);
  ServerSocketListener* listener = ListenerOf(object);
  if (!listener) return;
  SocketPin pin(listener);
  listener->Listen(Fields(object)->core.port);
}
QV_EXPORT(ServerSocketListen)

extern "C" void ServerSocketClose(RuntimeObject* object) {
  ServerSocketListener* listener = ListenerOf(object);
  if (!listener) return;
  SocketPin pin(listener);
  listener->Close(false);
  listener->Reset(true);
}
QV_EXPORT(ServerSocketClose)

extern "C" int32_t serverSocketIsListening(RuntimeObject* object, uint32_t) {
  ServerSocketListener* listener = ListenerOf(object);
  return listener && listener->IsServing() ? 1 : 0;
}
QV_EXPORT(serverSocketIsListening)

extern "C" int32_t ServerSocketPortGetter(RuntimeObject* object, uint32_t) {
  ServerSocketListener* listener = ListenerOf(object);
  if (!listener) return 0;
  return listener->IsServing() ? listener->GetLocalPort() : Fields(object)->core.port;
}
QV_EXPORT(ServerSocketPortGetter)

extern "C" void ServerSocketPortSetter(RuntimeObject* object, uint32_t, int32_t port) {
  if (ListenerOf(object)) Fields(object)->core.port = port;
}
QV_EXPORT(ServerSocketPortSetter)

// Taken by the next Listen; kept as it will be in force.
extern "C" void ServerSocketSetMinSockets(RuntimeObject* object, uint32_t, int32_t count) {
  if (ListenerOf(object)) {
    Fields(object)->minimumSocketsAvailable = ServerSocketListener::BoundedMinimum(count);
  }
}
QV_EXPORT(ServerSocketSetMinSockets)

// The budget of a running pool stays; the next Listen takes the new maximum.
extern "C" void ServerSocketSetMaxSockets(RuntimeObject* object, uint32_t, int32_t count) {
  ServerSocketListener* listener = ListenerOf(object);
  if (!listener) return;
  Fields(object)->maximumSocketsConnected = std::max(count, 0);
  listener->NoteMaximumChanged();
}
QV_EXPORT(ServerSocketSetMaxSockets)

extern "C" int32_t ServerSocketGetHandle(RuntimeObject* object, uint32_t) {
  ServerSocketListener* listener = ListenerOf(object);
  return listener ? listener->GetHandle() : 0;
}
QV_EXPORT(ServerSocketGetHandle)

extern "C" RuntimeArray* ServerSocketGetActiveSockets(RuntimeObject* object) {
  ServerSocketListener* listener = ListenerOf(object);
  if (!QV_CHECK_TEXT(listener, "server", nullptr)) return nullptr;
  const std::vector<RuntimeObject*> active = listener->ActiveObjects();
  RuntimeArray* array = CreateArray(1, kArrayObject, int32_t(active.size()) - 1);
  for (int32_t i = 0; array && i < int32_t(active.size()); ++i) {
    ArraySetElement(array, i, reinterpret_cast<uintptr_t>(active[size_t(i)]));
  }
  return array;
}
QV_EXPORT(ServerSocketGetActiveSockets)
