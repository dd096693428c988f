// The debugger link's two transports: a Unix-domain socket at a fixed path when the IDE's
// host is "127.0.0.1" (or none was given), TCP to the host's port 13897 otherwise. A start-up
// step installs the factory that picks one, through which the debugger control makes its link.
//
// The local path is a name in a shared folder: a listener there that runs as another user is
// not trusted with the program's memory. Its connection is closed at once and never reported
// as connected, so the program goes on waiting for an IDE (and gives up as without one).
#pragma once

#include <cstdint>

#include "app/DebuggerConnection.h"
#include "net/IPCSocket.h"
#include "net/TCPSocket.h"

// What both transports share: the lines go through a stream socket.
class StreamDebuggerConnection : public DebuggerConnection {
 public:
  void TerminateMessage(string& message) override;
  void Send(const string& tag, const string& payload) override;

 protected:
  // The stream socket under the link; nil after a failed check.
  virtual TCPSocket* Stream() const = 0;
  string LookaheadBytes() override;
  string ReadBytes(int32_t count) override;
};

class IPCSocketConnection final : public StreamDebuggerConnection, public IPCSocketDelegate {
 public:
  IPCSocketConnection();
  ~IPCSocketConnection() override;

  void Listen() override;
  void Close() override;
  void Connect() override;

  void Connected(IPCSocket* socket) override;
  void DataAvailable(IPCSocket* socket) override;
  void Error(IPCSocket* socket, int32_t code) override;

 protected:
  TCPSocket* Stream() const override;

 private:
  IPCSocket* mSocket;
};

class TCPSocketConnection final : public StreamDebuggerConnection, public TCPSocketDelegate {
 public:
  explicit TCPSocketConnection(const string& host);
  ~TCPSocketConnection() override;

  void Listen() override;
  void Close() override;
  void Connect() override;

  void Connected(TCPSocket* socket) override;
  void DataAvailable(TCPSocket* socket) override;
  void Error(TCPSocket* socket, int32_t code) override;

 protected:
  TCPSocket* Stream() const override;

 private:
  TCPSocket* mWire;
  string mHost;
};

// The connection for host: local for "127.0.0.1", else TCP.
DebuggerConnection* MakeDebuggerConnection(const string& host);

// Tests point the link elsewhere than "/tmp/QVLocalDebug" and port 13897; nil and 0 restore
// them.
void SetDebuggerLinkEndpoints(const char* localPath, int32_t port);
