#include "net/TCPSocket.h"

#include <chrono>

#include "net/SocketClasses.h"
#include "net/SocketPolling.h"

TCPSocket::TCPSocket(RuntimeObject* owner, TCPSocketDelegate* delegate)
    : SocketCore(owner), mDelegate(delegate) {}

bool TCPSocket::ReceiverReady() const {
  return mDelegate ? mDelegate->CanDeliverNow() : SocketCore::ReceiverReady();
}

void TCPSocket::Flush(int32_t idleLimitMs) {
  SocketPin pin(this);
  using Clock = std::chrono::steady_clock;
  Clock::time_point lastProgress = Clock::now();
  int32_t left = BytesLeftToSend();
  while (left > 0 && !IsDisposed() && mLastError == 0 && WantedEvents() != 0) {
    const int64_t idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                             Clock::now() - lastProgress).count();
    if (idle >= idleLimitMs) break;
    SocketCore* self = this;
    WaitForSockets(&self, 1, int32_t(idleLimitMs - idle));
    const int32_t now = BytesLeftToSend();
    if (now < left) lastProgress = Clock::now();
    left = now;
  }
  ClearLastData();
}

void TCPSocket::EndHandOff() {
  TCPSocket* listener = mHandedOffFrom;
  mHandedOffFrom = nullptr;
  if (listener) listener->ConnectionEnded(this);
}

void TCPSocket::Close(bool fromDestructor) {
  EndHandOff();
  SocketCore::Close(fromDestructor);
}

void TCPSocket::Reset(bool full) {
  EndHandOff();
  SocketCore::Reset(full);
  mAddress = string();
  mListening = false;
  mUserAborted = false;
}

// The owner is held for the whole dispatch and the socket pinned past it: a handler may drop
// the last reference to the object, whose finalizer then disposes of this socket.
void TCPSocket::DispatchEvents() {
  SocketPin pin(this);
  ObjectHold hold(mOwner);
  if (!DeliverConnected() || !DeliverDataAvailable() || !DeliverSendComplete() ||
      !DeliverSendProgress() || !DeliverError()) {
    return;
  }
  SocketCore::DispatchEvents();
}

bool TCPSocket::DeliverConnected() {
  if (!TakeEvent(kConnected)) return true;
  mConnected = true;
  if (mDelegate) {
    mDelegate->Connected(this);
  } else {
    RaiseSocketConnected(mOwner);
  }
  return EventDone(kConnected);
}

bool TCPSocket::DeliverDataAvailable() {
  if (!TakeEvent(kDataAvailable)) return true;
  const int32_t waiting = BytesAvailable();
  if (mDelegate) {
    mDelegate->DataAvailable(this);
  } else {
    RaiseSocketDataAvailable(mOwner);
  }
  if (!EventDone(kDataAvailable)) return false;
  RaiseAgainWhileRead(waiting, BytesAvailable());
  return true;
}

bool TCPSocket::DeliverSendComplete() {
  if (!TakeEvent(kSendComplete)) return true;
  const bool aborted = mUserAborted;
  mUserAborted = false;
  if (mDelegate) {
    mDelegate->SendComplete(this);
  } else {
    RaiseSocketSendComplete(mOwner, aborted);
  }
  return EventDone(kSendComplete);
}

// SendProgress tells the bytes sent since the previous one; when the owner's handler answers
// True the rest is dropped, and when nothing is left SendComplete follows in this dispatch.
bool TCPSocket::DeliverSendProgress() {
  if (!TakeEvent(kSendProgress)) return true;
  const int32_t sent = mBytesSent;
  mBytesSent = 0;
  const uint32_t registration = Registration();
  bool aborted = false;
  if (mDelegate) {
    mDelegate->SendProgress(this, sent, BytesLeftToSend());
  } else {
    aborted = RaiseSocketSendProgress(mOwner, sent, BytesLeftToSend());
  }
  if (!EventDone(kSendProgress)) return false;
  // Closed or started over by the handler: this send is gone.
  if (!IsRegistered() || Registration() != registration) return true;
  if (aborted) {
    mUserAborted = true;
    DiscardUnsent();
  }
  if (aborted || BytesLeftToSend() == 0) mPending |= kSendComplete;
  return DeliverSendComplete();
}

bool TCPSocket::DeliverError() {
  if (!TakeEvent(kError)) return true;
  mConnected = false;
  if (mDelegate) {
    mDelegate->Error(this, mLastError);
  } else {
    RaiseOwnerError();
  }
  return EventDone(kError);
}

void TCPSocket::RaiseOwnerError() {
  SetSocketLastErrorCode(mOwner, mLastError);
  RaiseSocketError(mOwner);
}
