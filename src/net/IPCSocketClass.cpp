#include "net/IPCSocketClass.h"

#include "app/StreamInterfaces.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "net/IPCSocket.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SocketPolling.h"

namespace {

using namespace lang;

ObjectHook* gConnectedHook;
ObjectHook* gDataAvailableHook;
ObjectHook* gErrorHook;

IPCSocketObject* Fields(RuntimeObject* object) {
  return reinterpret_cast<IPCSocketObject*>(object);
}

}  // namespace

// Raises the object's events, holding the object for each.
class IPCSocketEventManager : public IPCSocketDelegate {
 public:
  explicit IPCSocketEventManager(RuntimeObject* owner) : mOwner(owner) {}

  void Connected(IPCSocket*) override { Raise(gConnectedHook); }
  void DataAvailable(IPCSocket*) override { Raise(gDataAvailableHook); }
  void Error(IPCSocket*, int32_t code) override {
    if (QV_CHECK_TEXT(mOwner, "mOwningControl", nullptr)) Fields(mOwner)->lastErrorCode = code;
    Raise(gErrorHook);
  }
  bool CanDeliverNow() const override { return !SocketPollingSuspended(); }

 private:
  // The object's finalizer may run when the call lets go of it: nothing here is touched after.
  void Raise(const ObjectHook* hook) {
    if (QV_CHECK_TEXT(mOwner, "mOwningControl", nullptr)) RaiseObjectEvent(mOwner, hook);
  }

  RuntimeObject* mOwner;
};

namespace {

const PropertyRow kIPCSocketProperties[] = {
    QV_PROPERTY("Path", String, stringGetter, stringSetter, offsetof(IPCSocketObject, path)),
    QV_READONLY("LastErrorCode", Integer, IPCSocketLastErrorGetter),
    QV_READONLY("IsConnected", Boolean, IPCSocketIsConnected),
    QV_READONLY("Handle", Integer, IPCSocketGetHandle),
    QV_READONLY("BytesAvailable", Integer, IPCSocketBytesAvailable),
    QV_READONLY("BytesLeftToSend", Integer, IPCSocketBytesLeftToSend),
};

const MethodRow kIPCSocketMethods[] = {
    QV_SUB("Close", IPCSocketClose),
    QV_SUB("Poll", IPCSocketPoll),
    QV_SUB("Connect", IPCSocketConnect),
    QV_SUB("Listen", IPCSocketListen),
    QV_FUNCTION("Read", String, IPCSocketRead, Param("byteCount", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("ReadAll", String, IPCSocketReadAll,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_SUB("Write", IPCSocketWrite, Param("Text", String)),
    QV_FUNCTION("Lookahead", String, IPCSocketLookahead,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("EOF", Boolean, IPCSocketEOF),
    QV_FUNCTION("ReadError", Boolean, IPCSocketHadError),
    QV_FUNCTION("WriteError", Boolean, IPCSocketHadError),
    QV_SUB("Flush", IPCSocketFlush),
};

const EventRow kIPCSocketEvents[] = {
    QV_EVENT("Connected", &gConnectedHook),
    QV_EVENT("DataAvailable", &gDataAvailableHook),
    QV_EVENT("Error", &gErrorHook),
};

const ClassGetter kStreamInterfaces[] = {ReadableInterfaceDefinition,
                                         WriteableInterfaceDefinition};

// The native socket of a checked object; nil after the report for a nil object.
IPCSocket* NativeOf(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return nullptr;
  return Fields(object)->socket;
}

TCPSocket* InnerOf(RuntimeObject* object) {
  IPCSocket* native = NativeOf(object);
  return native ? native->Socket() : nullptr;
}

// The same, where a missing native socket is a failed check too.
TCPSocket* CheckedInnerOf(RuntimeObject* object) {
  IPCSocket* native = NativeOf(object);
  if (!native) return nullptr;
  return QV_CHECK_TEXT(native, "ctl->mImp", nullptr) ? native->Socket() : nullptr;
}

}  // namespace

QV_CLASS(IPCSocketClassDefinition,
         .name = "IPCSocket",
         .objectSize = sizeof(IPCSocketObject),
         .properties = kIPCSocketProperties,
         .methods = kIPCSocketMethods,
         .events = kIPCSocketEvents,
         .initializer = QV_CODE(IPCSocketInitializer),
         .finalizer = QV_CODE(IPCSocketFinalizer),
         .interfaces = kStreamInterfaces)
QV_STARTUP_CLASS(kStartupIPCSocketClass, IPCSocketClassDefinition)

extern "C" void IPCSocketInitializer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  IPCSocketObject* fields = Fields(object);
  fields->manager = new IPCSocketEventManager(object);
  fields->socket = new IPCSocket(fields->manager);
  fields->path = nullptr;
  fields->lastErrorCode = 0;
}
QV_EXPORT(IPCSocketInitializer)

extern "C" void IPCSocketFinalizer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  IPCSocketObject* fields = Fields(object);
  stringStorage::RemoveReference(fields->path);
  delete fields->socket;
  delete fields->manager;
  fields->path = nullptr;
  fields->socket = nullptr;
  fields->manager = nullptr;
}
QV_EXPORT(IPCSocketFinalizer)

extern "C" int32_t IPCSocketLastErrorGetter(RuntimeObject* object, uint32_t) {
  TCPSocket* inner = InnerOf(object);
  if (!inner) return 0;
  Fields(object)->lastErrorCode = inner->LastError();
  return inner->LastError();
}
QV_EXPORT(IPCSocketLastErrorGetter)

extern "C" int32_t IPCSocketIsConnected(RuntimeObject* object, uint32_t) {
  TCPSocket* inner = InnerOf(object);
  return inner && inner->IsConnected() ? 1 : 0;
}
QV_EXPORT(IPCSocketIsConnected)

extern "C" int32_t IPCSocketGetHandle(RuntimeObject* object, uint32_t) {
  TCPSocket* inner = InnerOf(object);
  return inner ? inner->GetHandle() : 0;
}
QV_EXPORT(IPCSocketGetHandle)

extern "C" int32_t IPCSocketBytesAvailable(RuntimeObject* object, uint32_t) {
  TCPSocket* inner = InnerOf(object);
  return inner ? inner->BytesAvailable() : 0;
}
QV_EXPORT(IPCSocketBytesAvailable)

extern "C" int32_t IPCSocketBytesLeftToSend(RuntimeObject* object, uint32_t) {
  TCPSocket* inner = InnerOf(object);
  return inner ? inner->BytesLeftToSend() : 0;
}
QV_EXPORT(IPCSocketBytesLeftToSend)

extern "C" void IPCSocketClose(RuntimeObject* object) {
  ObjectHold hold(object);
  if (IPCSocket* native = NativeOf(object)) native->Close();
}
QV_EXPORT(IPCSocketClose)

extern "C" void IPCSocketPoll(RuntimeObject* object) {
  ObjectHold hold(object);
  if (IPCSocket* native = NativeOf(object)) native->Poll();
}
QV_EXPORT(IPCSocketPoll)

// The Path of the moment; none gives Error with InvalidStateError and opens nothing.
extern "C" void IPCSocketConnect(RuntimeObject* object) {
  ObjectHold hold(object);
  IPCSocket* native = NativeOf(object);
  if (!native) return;
  native->SetPath(string(Fields(object)->path));
  native->Connect();
}
QV_EXPORT(IPCSocketConnect)

extern "C" void IPCSocketListen(RuntimeObject* object) {
  ObjectHold hold(object);
  IPCSocket* native = NativeOf(object);
  if (!native) return;
  native->SetPath(string(Fields(object)->path));
  native->Listen();
}
QV_EXPORT(IPCSocketListen)

extern "C" stringStorage* IPCSocketRead(RuntimeObject* object, int32_t count,
                                        RuntimeObject* encoding) {
  TCPSocket* inner = InnerOf(object);
  return inner ? ReceivedText(inner->Read(count), encoding) : nullptr;
}
QV_EXPORT(IPCSocketRead)

extern "C" stringStorage* IPCSocketReadAll(RuntimeObject* object, RuntimeObject* encoding) {
  TCPSocket* inner = InnerOf(object);
  return inner ? ReceivedText(inner->ReadAll(), encoding) : nullptr;
}
QV_EXPORT(IPCSocketReadAll)

extern "C" void IPCSocketWrite(RuntimeObject* object, stringStorage* text) {
  TCPSocket* inner = InnerOf(object);
  if (inner) inner->Write(stringStorage::CString(text), stringStorage::Length(text));
}
QV_EXPORT(IPCSocketWrite)

extern "C" stringStorage* IPCSocketLookahead(RuntimeObject* object, RuntimeObject* encoding) {
  TCPSocket* inner = InnerOf(object);
  return inner ? ReceivedText(inner->Lookahead(), encoding) : nullptr;
}
QV_EXPORT(IPCSocketLookahead)

extern "C" int32_t IPCSocketEOF(RuntimeObject* object) {
  TCPSocket* inner = CheckedInnerOf(object);
  if (!inner) return 0;
  return !inner->IsConnected() && inner->BytesAvailable() == 0 ? 1 : 0;
}
QV_EXPORT(IPCSocketEOF)

extern "C" int32_t IPCSocketHadError(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return 0;
  return Fields(object)->lastErrorCode != 0 ? 1 : 0;
}
QV_EXPORT(IPCSocketHadError)

// Sends what is queued as TCPSocket's Flush does.
extern "C" void IPCSocketFlush(RuntimeObject* object) {
  ObjectHold hold(object);
  if (TCPSocket* inner = CheckedInnerOf(object)) inner->Flush(kFlushIdleLimitMs);
}
QV_EXPORT(IPCSocketFlush)
