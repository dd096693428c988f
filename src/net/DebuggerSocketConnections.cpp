#include "net/DebuggerSocketConnections.h"

#include <sys/socket.h>
#include <unistd.h>

#include "app/DebuggerWire.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"

namespace {

constexpr const char* kLocalPath = "/tmp/QVLocalDebug";
constexpr int32_t kPort = 13897;

const char* gLocalPath = kLocalPath;
int32_t gPort = kPort;

// Whether the peer of a local connection runs as this program's user or as root.
bool PeerIsTrusted(int32_t descriptor) {
  ucred peer{};
  socklen_t length = sizeof peer;
  const SocketFunctionTable& sys = SocketFunctions();
  if (!sys.getsockopt || sys.getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
    return false;
  return peer.uid == geteuid() || peer.uid == 0;
}

}  // namespace

// ---- Both ------------------------------------------------------------------------------------

void StreamDebuggerConnection::TerminateMessage(string& message) {
  message = message.GetUTF8String() + kWireLineEnd;
  if (TCPSocket* stream = Stream()) stream->Write(message.Bytes(), message.Length());
}

void StreamDebuggerConnection::Send(const string& tag, const string& payload) {
  TCPSocket* stream = Stream();
  if (!stream) return;
  const string line = FrameWireLine(tag, payload);
  stream->Write(line.Bytes(), line.Length());
}

string StreamDebuggerConnection::LookaheadBytes() {
  TCPSocket* stream = Stream();
  return stream ? stream->Lookahead() : string();
}

string StreamDebuggerConnection::ReadBytes(int32_t count) {
  TCPSocket* stream = Stream();
  return stream ? stream->Read(count) : string();
}

// ---- The local socket -----------------------------------------------------------------------

IPCSocketConnection::IPCSocketConnection() : mSocket(new IPCSocket(this)) {}

// The IPC socket's own destructor disposes of its inner socket, which sends no event after.
IPCSocketConnection::~IPCSocketConnection() { delete mSocket; }

TCPSocket* IPCSocketConnection::Stream() const {
  return QV_CHECK_TEXT(mSocket && mSocket->Socket(), "mSocket", nullptr) ? mSocket->Socket()
                                                                          : nullptr;
}

void IPCSocketConnection::Listen() {
  if (!Stream()) return;
  mSocket->SetPath(gLocalPath);
  mSocket->Listen();
}

void IPCSocketConnection::Connect() {
  if (!Stream()) return;
  mSocket->SetPath(gLocalPath);
  mSocket->Connect();
}

void IPCSocketConnection::Close() {
  StopReceiving();
  if (Stream()) mSocket->Close();
}

// Each event holds the connection: a receiver may let go of the link from inside it.
void IPCSocketConnection::Connected(IPCSocket* socket) {
  if (socket != mSocket) return;
  Hold hold(this);
  if (!PeerIsTrusted(mSocket->Socket()->GetHandle())) {
    mSocket->Close();
    return;
  }
  NotifyConnected();
}

void IPCSocketConnection::DataAvailable(IPCSocket* socket) {
  if (socket != mSocket) return;
  Hold hold(this);
  ReceiveAvailableLines();
}

void IPCSocketConnection::Error(IPCSocket* socket, int32_t code) {
  if (socket != mSocket) return;
  Hold hold(this);
  if (code == kSocketLostConnection) NotifyDisconnected();
  mSocket->Close();
}

// ---- TCP ------------------------------------------------------------------------------------

TCPSocketConnection::TCPSocketConnection(const string& host)
    : mWire(TCPSocket::Create(nullptr, this)), mHost(host) {
  Stream();
}

// A disposed socket delivers no further event, so its delegate pointer is never used again.
TCPSocketConnection::~TCPSocketConnection() { SocketCore::Dispose(mWire); }

TCPSocket* TCPSocketConnection::Stream() const {
  return QV_CHECK_TEXT(mWire, "mWire", nullptr) ? mWire : nullptr;
}

void TCPSocketConnection::Listen() {
  if (Stream()) mWire->Listen(gPort);
}

void TCPSocketConnection::Connect() {
  if (Stream()) mWire->Connect(mHost, gPort);
}

void TCPSocketConnection::Close() {
  StopReceiving();
  if (!Stream() || !mWire->IsConnected()) return;
  mWire->Close(false);
  mWire->Reset(true);
}

void TCPSocketConnection::Connected(TCPSocket* socket) {
  if (socket != mWire) return;
  Hold hold(this);
  NotifyConnected();
}

void TCPSocketConnection::DataAvailable(TCPSocket* socket) {
  if (socket != mWire) return;
  Hold hold(this);
  ReceiveAvailableLines();
}

void TCPSocketConnection::Error(TCPSocket* socket, int32_t code) {
  if (socket != mWire) return;
  Hold hold(this);
  if (code == kSocketLostConnection) NotifyDisconnected();
  mWire->Close(false);
  mWire->Reset(true);
}

// ---- The factory ----------------------------------------------------------------------------

DebuggerConnection* MakeDebuggerConnection(const string& host) {
  if (host.CompareWithCase("127.0.0.1") == 0) return new IPCSocketConnection;
  return new TCPSocketConnection(host);
}

void SetDebuggerLinkEndpoints(const char* localPath, int32_t port) {
  gLocalPath = localPath ? localPath : kLocalPath;
  gPort = port ? port : kPort;
}

namespace {
void InstallDebuggerConnections() { SetDebuggerConnectionFactory(MakeDebuggerConnection); }
}  // namespace
QV_STARTUP(kStartupDebuggerConnections, InstallDebuggerConnections)
