// TCPSocket: the stream socket of the framework. One socket serves as an outgoing connection,
// as a one-shot listener that turns into the connection it accepts, or, in local-path mode, as
// a Unix-domain stream socket (IPCSocket, the debugger link). Outgoing data is queued and sent
// as the descriptor takes it; incoming data is queued until the program reads it. Events go to
// a native delegate when the socket has one, else to its owner's handlers (SocketClasses.h).
//
// Errors are delivered at once, from inside Connect, Listen or the poll that met them: Error
// with the socket code, after which the socket is closed (and reset when its language object
// lives on). TCPSocketPosix implements the operations over non-blocking descriptors.
#pragma once

#include <cstdint>

#include "net/SocketCore.h"
#include "strings/RuntimeString.h"

class TCPSocket;

// A native receiver of a socket's events (the IPC socket, the debugger link).
class TCPSocketDelegate {
 public:
  virtual ~TCPSocketDelegate() = default;
  virtual void Connected(TCPSocket*) {}
  virtual void DataAvailable(TCPSocket*) {}
  virtual void SendComplete(TCPSocket*) {}
  virtual void Error(TCPSocket*, int32_t) {}
  virtual void SendProgress(TCPSocket*, int32_t /*bytesSent*/, int32_t /*bytesLeft*/) {}
  // False while the events must wait (they stay pending and the socket keeps working).
  virtual bool CanDeliverNow() const { return true; }
};

class TCPSocket : public SocketCore {
 public:
  // A new POSIX socket for owner (or none) whose events go to delegate (or none).
  static TCPSocket* Create(RuntimeObject* owner, TCPSocketDelegate* delegate);

  virtual void Connect(const string& address, int32_t port) = 0;
  virtual void Write(const void* bytes, int32_t n) = 0;
  // Up to count received bytes, taken; the result carries no encoding (kEncodingNone).
  virtual string Read(int32_t count) = 0;
  virtual string ReadAll() = 0;
  // Every received byte, left in place.
  virtual string Lookahead() = 0;
  virtual string GetRemoteAddress() = 0;
  virtual int32_t BytesAvailable() const = 0;
  virtual int32_t BytesLeftToSend() const = 0;
  // Local-path mode with this path (IPC sockets).
  virtual void SetLocalPath(const string& path) = 0;

  // Sends what is queued, waiting in poll(2) for the descriptor; stops at an error, or after
  // idleLimitMs without progress with the rest still queued.
  void Flush(int32_t idleLimitMs);

  void DispatchEvents() override;
  // A connection handed over by a pool listener tells it that it has ended.
  void Close(bool fromDestructor) override;
  void Reset(bool full) override;

  // A pool listener's notice that a connection it handed over has ended (closed, reset or
  // freed); told once per connection.
  virtual void ConnectionEnded(TCPSocket*) {}
  // The pool listener this connection came from (nil for any other socket), and its release
  // by a listener that closes: the connection goes on on its own.
  TCPSocket* HandedOffFrom() const { return mHandedOffFrom; }
  void DetachFromListener() { mHandedOffFrom = nullptr; }

  TCPSocketDelegate* Delegate() const { return mDelegate; }
  const string& Address() const { return mAddress; }
  bool IsListening() const { return mListening; }

 protected:
  TCPSocket(RuntimeObject* owner, TCPSocketDelegate* delegate);

  // Drops every byte waiting to be sent (an aborted send).
  virtual void DiscardUnsent() = 0;
  bool ReceiverReady() const override;
  // Raises the owner's Error event, its LastErrorCode set first.
  virtual void RaiseOwnerError();
  // Tells the listener, once, that this connection has ended.
  void EndHandOff();

  string mAddress;
  bool mListening = false;
  bool mUserAborted = false;  // the last SendProgress answered True
  TCPSocket* mHandedOffFrom = nullptr;

 private:
  // The steps of a dispatch, in delivery order; each false when the socket went away.
  bool DeliverConnected();
  bool DeliverDataAvailable();
  bool DeliverSendComplete();
  bool DeliverSendProgress();
  bool DeliverError();

  TCPSocketDelegate* mDelegate;
};
