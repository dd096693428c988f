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

// The message made UTF-8 (the caller's string included) with the carriage return appended.
string TerminatedLine(string& message) {
  message = message.GetUTF8String() + kWireLineEnd;
  return message;
}

}  // namespace

// ---- The local socket -----------------------------------------------------------------------

IPCSocketConnection::IPCSocketConnection() : mSocket(new IPCSocket(this)) {}

// The IPC socket's own destructor disposes of its inner socket, which sends no event after.
IPCSocketConnection::~IPCSocketConnection() { delete mSocket; }

bool IPCSocketConnection::Check() const {
  return QV_CHECK_TEXT(mSocket && mSocket->Socket(), "mSocket", nullptr);
}

void IPCSocketConnection::TerminateMessage(string& message) {
  if (!Check()) return;
  const string line = TerminatedLine(message);
  mSocket->Socket()->Write(line.Bytes(), line.Length());
}

void IPCSocketConnection::Send(const string& tag, const string& payload) {
  if (!Check()) return;
  const string line = FrameWireLine(tag, payload);
  mSocket->Socket()->Write(line.Bytes(), line.Length());
}

void IPCSocketConnection::Listen() {
  if (!Check()) return;
  mSocket->SetPath(gLocalPath);
  mSocket->Listen();
}

void IPCSocketConnection::Connect() {
  if (!Check()) return;
  mSocket->SetPath(gLocalPath);
  mSocket->Connect();
}

void IPCSocketConnection::Close() {
  if (Check()) mSocket->Close();
}

void IPCSocketConnection::Connected(IPCSocket* socket) {
  if (socket != mSocket) return;
  if (!PeerIsTrusted(mSocket->Socket()->GetHandle())) {
    mSocket->Close();
    return;
  }
  NotifyConnected();
}

void IPCSocketConnection::DataAvailable(IPCSocket* socket) {
  if (socket == mSocket) ReceiveAvailableLines();
}

void IPCSocketConnection::Error(IPCSocket* socket, int32_t code) {
  if (socket != mSocket) return;
  if (code == kSocketLostConnection) NotifyDisconnected();
  mSocket->Close();
}

string IPCSocketConnection::LookaheadBytes() { return mSocket->Socket()->Lookahead(); }
string IPCSocketConnection::ReadBytes(int32_t count) { return mSocket->Socket()->Read(count); }

// ---- TCP ------------------------------------------------------------------------------------

TCPSocketConnection::TCPSocketConnection(const string& host)
    : mWire(TCPSocket::Create(nullptr, this)), mHost(host) {
  Check();
}

// A disposed socket delivers no further event, so its delegate pointer is never used again.
TCPSocketConnection::~TCPSocketConnection() { SocketCore::Dispose(mWire); }

bool TCPSocketConnection::Check() const { return QV_CHECK_TEXT(mWire, "mWire", nullptr); }

void TCPSocketConnection::TerminateMessage(string& message) {
  if (!Check()) return;
  const string line = TerminatedLine(message);
  mWire->Write(line.Bytes(), line.Length());
}

void TCPSocketConnection::Send(const string& tag, const string& payload) {
  if (!Check()) return;
  const string line = FrameWireLine(tag, payload);
  mWire->Write(line.Bytes(), line.Length());
}

void TCPSocketConnection::Listen() {
  if (Check()) mWire->Listen(gPort);
}

void TCPSocketConnection::Connect() {
  if (Check()) mWire->Connect(mHost, gPort);
}

void TCPSocketConnection::Close() {
  if (!Check() || !mWire->IsConnected()) return;
  mWire->Close(false);
  mWire->Reset(true);
}

void TCPSocketConnection::Connected(TCPSocket* socket) {
  if (socket == mWire) NotifyConnected();
}

void TCPSocketConnection::DataAvailable(TCPSocket* socket) {
  if (socket == mWire) ReceiveAvailableLines();
}

void TCPSocketConnection::Error(TCPSocket* socket, int32_t code) {
  if (socket != mWire) return;
  if (code == kSocketLostConnection) NotifyDisconnected();
  mWire->Close(false);
  mWire->Reset(true);
}

string TCPSocketConnection::LookaheadBytes() { return mWire->Lookahead(); }
string TCPSocketConnection::ReadBytes(int32_t count) { return mWire->Read(count); }

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
