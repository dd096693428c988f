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

  // Delivers a failed call's error number: 0 does nothing and answers false; otherwise the
  // socket's code for it becomes the last error (also the owner's LastErrorCode), Error is made
  // pending and the events are dispatched at once. True then.
  bool HandleError(int32_t systemError);
  // The same for a socket code (SocketErrors.h), kept as it is: the codes 100 to 108 are also
  // error numbers (ENETDOWN to ESHUTDOWN), which must not be taken for them.
  bool ReportError(int32_t socketCode);
  // Sends what is queued, waiting in poll(2) for the descriptor; stops at an error, or after
  // idleLimitMs without progress with the rest still queued.
  void Flush(int32_t idleLimitMs);

  void DispatchEvents() override;
  void Reset(bool full) override;

  TCPSocketDelegate* Delegate() const { return mDelegate; }
  const string& Address() const { return mAddress; }
  bool IsListening() const { return mListening; }

 protected:
  TCPSocket(RuntimeObject* owner, TCPSocketDelegate* delegate);

  // The socket code of an operating-system error number.
  virtual int32_t ErrorCode(int32_t error) const { return error; }
  // Drops every byte waiting to be sent (an aborted send).
  virtual void DiscardUnsent() = 0;
  bool ReceiverReady() const override;

  string mAddress;
  bool mListening = false;
  bool mUserAborted = false;  // the last SendProgress answered True

 private:
  // The steps of a dispatch, in delivery order; each false when the socket went away.
  bool DeliverConnected();
  bool DeliverDataAvailable();
  bool DeliverSendComplete();
  bool DeliverSendProgress();
  bool DeliverError();

  TCPSocketDelegate* mDelegate;
};
