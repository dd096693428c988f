#include "net/RuntimeSocketAccessors.h"

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "net/NetworkInterfaces.h"
#include "net/SocketAddress.h"
#include "net/SocketClasses.h"
#include "net/SocketErrors.h"
#include "net/SocketList.h"
#include "net/TCPSocket.h"
#include "net/UDPSocketClass.h"
#include "strings/TextEncodingObjects.h"

namespace {

SocketCore* SocketOf(RuntimeObject* object) {
  return object && IsSocketCoreObject(object) ? AsSocketObject(object)->socket : nullptr;
}

TCPSocket* TCPSocketOf(RuntimeObject* object) {
  return object && IsTCPSocketObject(object)
             ? static_cast<TCPSocket*>(AsSocketObject(object)->socket)
             : nullptr;
}

// The checked accessors report a nil object or a missing socket.
SocketCore* CheckedSocketOf(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "ctl", nullptr)) return nullptr;
  SocketCore* socket = SocketOf(object);
  return QV_CHECK_TEXT(socket, "ctl->socket", nullptr) ? socket : nullptr;
}

TCPSocket* CheckedTCPSocketOf(RuntimeObject* object) {
  SocketCore* socket = CheckedSocketOf(object);
  if (!socket) return nullptr;
  TCPSocket* tcp = TCPSocketOf(object);
  return QV_CHECK_TEXT(tcp, "ctl->socket", nullptr) ? tcp : nullptr;
}

// Undelivered events go out before the socket starts over.
void StartOver(SocketCore* socket) {
  if (socket->HasPendingEvents()) socket->Poll();
  socket->Close(false);
  socket->Reset(true);
}

}  // namespace

stringStorage* ReceivedText(string text, RuntimeObject* encoding) {
  text.SetEncoding(GetEncodingFromTEObject(reinterpret_cast<TextEncodingObject*>(encoding)));
  return text.ExtractStringStorage();
}

// ---- Life -----------------------------------------------------------------------------------

extern "C" void RuntimeSocketConstructor(RuntimeObject* object) {
  if (!object) return;
  AsSocketObject(object)->socket = TCPSocket::Create(object, nullptr);
}
QV_EXPORT(RuntimeSocketConstructor)

// The socket is closed without touching the object, which is being freed.
extern "C" void RuntimeSocketDestructor(RuntimeObject* object) {
  if (!object) return;
  TCPSocketObject* fields = reinterpret_cast<TCPSocketObject*>(object);
  stringStorage::RemoveReference(fields->address);
  fields->address = nullptr;
  SocketCore::Dispose(fields->core.socket);
  fields->core.socket = nullptr;
}
QV_EXPORT(RuntimeSocketDestructor)

// ---- SocketCore -----------------------------------------------------------------------------

extern "C" int32_t SocketPortGetter(RuntimeObject* object, uint32_t) {
  SocketCore* socket = CheckedSocketOf(object);
  if (!socket) return 0;
  const int32_t local = socket->GetLocalPort();
  return local != -1 ? local : AsSocketObject(object)->port;
}
QV_EXPORT(SocketPortGetter)

extern "C" void SocketPortSetter(RuntimeObject* object, uint32_t, int32_t port) {
  if (CheckedSocketOf(object)) AsSocketObject(object)->port = port;
}
QV_EXPORT(SocketPortSetter)

extern "C" stringStorage* socketLocalAddressGetter(RuntimeObject* object, uint32_t) {
  const int32_t index = SocketOwnerInterfaceIndex(object);
  return DottedText(NetworkInterfaceIPAddress(index)).ExtractStringStorage();
}
QV_EXPORT(socketLocalAddressGetter)

extern "C" int32_t socketLastErrorCode(RuntimeObject* object) {
  return object && IsSocketCoreObject(object) ? AsSocketObject(object)->lastErrorCode : 0;
}
QV_EXPORT(socketLastErrorCode)

extern "C" int32_t SocketIsConnected(RuntimeObject* object, uint32_t) {
  SocketCore* socket = SocketOf(object);
  return socket && socket->IsConnected() ? 1 : 0;
}
QV_EXPORT(SocketIsConnected)

extern "C" int32_t SocketGetHandle(RuntimeObject* object, uint32_t) {
  SocketCore* socket = SocketOf(object);
  return socket ? socket->GetHandle() : 0;
}
QV_EXPORT(SocketGetHandle)

extern "C" void socketClose(RuntimeObject* object) {
  ObjectHold hold(object);
  SocketCore* socket = SocketOf(object);
  if (!socket) return;
  SocketPin pin(socket);
  socket->Close(false);
  socket->Reset(true);
}
QV_EXPORT(socketClose)

extern "C" void socketPoll(RuntimeObject* object) {
  ObjectHold hold(object);
  if (SocketCore* socket = SocketOf(object)) socket->Poll();
}
QV_EXPORT(socketPoll)

extern "C" void SocketPurge(RuntimeObject* object) {
  if (SocketCore* socket = SocketOf(object)) socket->Purge();
}
QV_EXPORT(SocketPurge)

// "localhost", in any case, is the loopback address. A UDPSocket binds.
extern "C" void SocketConnect(RuntimeObject* object) {
  if (object && IsUDPSocketObject(object)) {
    ConnectUDPSocket(object);
    return;
  }
  ObjectHold hold(object);
  TCPSocket* socket = TCPSocketOf(object);
  if (!socket) return;
  SocketPin pin(socket);
  StartOver(socket);
  TCPSocketObject* fields = reinterpret_cast<TCPSocketObject*>(object);
  fields->core.lastErrorCode = 0;
  string address(fields->address);
  if (ustrcmpi(address.CString(), "localhost") == 0) address = "127.0.0.1";
  socket->Connect(address, fields->core.port);
}
QV_EXPORT(SocketConnect)

extern "C" uint32_t socketGetEvents(RuntimeObject* object) {
  SocketCore* socket = SocketOf(object);
  return socket ? socket->TakeDeliveredEvents() : 0;
}
QV_EXPORT(socketGetEvents)

// ---- TCPSocket ------------------------------------------------------------------------------

extern "C" void socketDirectConnect(RuntimeObject* object, stringStorage* address, int32_t port) {
  if (!TCPSocketOf(object)) return;
  TCPSocketObject* fields = reinterpret_cast<TCPSocketObject*>(object);
  stringStorage::AddReference(address);
  stringStorage::RemoveReference(fields->address);
  fields->address = address;
  fields->core.port = port;
  SocketConnect(object);
}
QV_EXPORT(socketDirectConnect)

extern "C" void SocketListen(RuntimeObject* object) {
  ObjectHold hold(object);
  SocketCore* socket = SocketOf(object);
  if (!socket) return;
  SocketPin pin(socket);
  StartOver(socket);
  AsSocketObject(object)->lastErrorCode = 0;
  socket->Listen(AsSocketObject(object)->port);
}
QV_EXPORT(SocketListen)

extern "C" void pluginSocketListen(RuntimeObject* object) {
  if (TCPSocketOf(object)) SocketListen(object);
}
QV_EXPORT(pluginSocketListen)

extern "C" stringStorage* socketRemoteAddressGetter(RuntimeObject* object, uint32_t) {
  ObjectHold hold(object);
  TCPSocket* socket = TCPSocketOf(object);
  return socket ? socket->GetRemoteAddress().ExtractStringStorage() : nullptr;
}
QV_EXPORT(socketRemoteAddressGetter)

extern "C" int32_t SocketBytesAvailable(RuntimeObject* object, uint32_t) {
  TCPSocket* socket = TCPSocketOf(object);
  return socket ? socket->BytesAvailable() : 0;
}
QV_EXPORT(SocketBytesAvailable)

extern "C" int32_t TCPSocketBytesLeftToSend(RuntimeObject* object, uint32_t) {
  TCPSocket* socket = CheckedTCPSocketOf(object);
  return socket ? socket->BytesLeftToSend() : 0;
}
QV_EXPORT(TCPSocketBytesLeftToSend)

extern "C" stringStorage* socketRead(RuntimeObject* object, int32_t count,
                                     RuntimeObject* encoding) {
  TCPSocket* socket = TCPSocketOf(object);
  return socket ? ReceivedText(socket->Read(count), encoding) : nullptr;
}
QV_EXPORT(socketRead)

extern "C" stringStorage* pluginSocketRead(RuntimeObject* object, int32_t count) {
  return socketRead(object, count, nullptr);
}
QV_EXPORT(pluginSocketRead)

extern "C" stringStorage* SocketReadAll(RuntimeObject* object, RuntimeObject* encoding) {
  TCPSocket* socket = TCPSocketOf(object);
  return socket ? ReceivedText(socket->ReadAll(), encoding) : nullptr;
}
QV_EXPORT(SocketReadAll)

extern "C" stringStorage* pluginSocketReadAll(RuntimeObject* object) {
  return SocketReadAll(object, nullptr);
}
QV_EXPORT(pluginSocketReadAll)

extern "C" stringStorage* socketLookahead(RuntimeObject* object, RuntimeObject* encoding) {
  TCPSocket* socket = TCPSocketOf(object);
  return socket ? ReceivedText(socket->Lookahead(), encoding) : nullptr;
}
QV_EXPORT(socketLookahead)

extern "C" stringStorage* pluginSocketLookahead(RuntimeObject* object) {
  return socketLookahead(object, nullptr);
}
QV_EXPORT(pluginSocketLookahead)

extern "C" void SocketWrite(RuntimeObject* object, stringStorage* data) {
  TCPSocket* socket = TCPSocketOf(object);
  if (socket) socket->Write(stringStorage::CString(data), stringStorage::Length(data));
}
QV_EXPORT(SocketWrite)

// Closes a connected socket and reports LostConnection, as if the peer had gone.
extern "C" void SocketDisconnect(RuntimeObject* object) {
  ObjectHold hold(object);
  TCPSocket* socket = TCPSocketOf(object);
  if (!socket || !socket->IsConnected()) return;
  SocketPin pin(socket);
  socket->Close(false);
  socket->Reset(true);
  socket->ReportError(kSocketLostConnection);
}
QV_EXPORT(SocketDisconnect)

extern "C" int32_t TCPSocketEof(RuntimeObject* object) {
  TCPSocket* socket = CheckedTCPSocketOf(object);
  if (!socket) return 0;
  return !socket->IsConnected() && socket->BytesAvailable() == 0 ? 1 : 0;
}
QV_EXPORT(TCPSocketEof)

extern "C" void TCPSocketFlush(RuntimeObject* object) {
  ObjectHold hold(object);
  if (TCPSocket* socket = CheckedTCPSocketOf(object)) socket->Flush(kFlushIdleLimitMs);
}
QV_EXPORT(TCPSocketFlush)

extern "C" int32_t socketPPPStatus(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(socketPPPStatus)

extern "C" void socketPPPConnect(RuntimeObject*, int32_t) {}
QV_EXPORT(socketPPPConnect)

extern "C" void socketPPPDisconnect(RuntimeObject*) {}
QV_EXPORT(socketPPPDisconnect)

// ---- The debugger's view --------------------------------------------------------------------

extern "C" int32_t DebuggerSocketCount() {
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  int32_t count = 0;
  for (uint32_t i = 0; i < sockets.size(); ++i) count += sockets[int32_t(i)]->Owner() ? 1 : 0;
  return count;
}
QV_EXPORT(DebuggerSocketCount)

extern "C" RuntimeObject* DebuggerSocketLookup(RuntimeObject*, int32_t index) {
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    RuntimeObject* owner = sockets[int32_t(i)]->Owner();
    if (!owner || index-- != 0) continue;
    RuntimeLockObject(owner);
    return owner;
  }
  return nullptr;
}
QV_EXPORT(DebuggerSocketLookup)
