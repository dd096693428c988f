// IPCSocket: a stream connection between processes of one machine over a Unix-domain socket
// named by a path. It wraps a stream socket in local-path mode, without an owner, as that
// socket's delegate, and passes Connected, DataAvailable and Error on to its own delegate.
// The inner socket has no owner, so it is also polled where only such sockets are (the
// debugger's waits); its events wait while the delegate says they must.
#pragma once

#include <cstdint>

#include "image/PollableList.h"
#include "net/TCPSocket.h"

class IPCSocket;

class IPCSocketDelegate {
 public:
  virtual ~IPCSocketDelegate() = default;
  virtual void Connected(IPCSocket*) {}
  virtual void DataAvailable(IPCSocket*) {}
  virtual void Error(IPCSocket*, int32_t) {}
  // False while events must wait.
  virtual bool CanDeliverNow() const { return true; }
};

class IPCSocket : public TCPSocketDelegate, public Pollable {
 public:
  explicit IPCSocket(IPCSocketDelegate* delegate);
  // Closes the connection; the inner socket goes once nothing uses it.
  ~IPCSocket() override;
  IPCSocket(const IPCSocket&) = delete;
  IPCSocket& operator=(const IPCSocket&) = delete;

  void SetPath(const string& path);
  const string& Path() const { return mPath; }
  // With no path, Error with InvalidStateError (106) and no descriptor.
  void Connect();
  void Listen();
  void Close();
  // One poll of the inner socket.
  void Poll() override;
  TCPSocket* Socket() const { return mSocket; }

  void Connected(TCPSocket*) override;
  void DataAvailable(TCPSocket*) override;
  void Error(TCPSocket*, int32_t code) override;
  bool CanDeliverNow() const override;

 private:
  TCPSocket* mSocket;
  string mPath;
  IPCSocketDelegate* mDelegate;
};
