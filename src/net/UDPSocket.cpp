#include "net/UDPSocket.h"

#include "net/SocketClasses.h"
#include "net/SocketErrors.h"

int32_t UDPSocket::ErrorCode(int32_t error) const { return DatagramSocketErrorCode(error); }

bool UDPSocket::ReadDatagram(UDPDatagram* datagram) {
  if (mReceived.empty()) return false;
  *datagram = std::move(mReceived.front());
  mReceived.pop_front();
  mReceivedBytes -= datagram->data.Length();
  return true;
}

void UDPSocket::Received(UDPDatagram datagram) {
  mReceivedBytes += datagram.data.Length();
  mReceived.push_back(std::move(datagram));
  mPending |= kDataAvailable;
}

bool UDPSocket::ReceiveFull() const {
  return mReceived.size() >= size_t(kMaxWaitingDatagrams) || mReceivedBytes >= kMaxWaitingBytes;
}

void UDPSocket::Purge() {
  mReceived.clear();
  mReceivedBytes = 0;
}

// What was received stays readable unless the reset is full; what waited to go is dropped.
void UDPSocket::Reset(bool full) {
  SocketCore::Reset(full);
  mOutgoing.clear();
  if (full) Purge();
}

// The owner is held for the dispatch and the socket pinned past it: a handler may let go of
// the object, whose finalizer then disposes of this socket.
void UDPSocket::DispatchEvents() {
  SocketPin pin(this);
  ObjectHold hold(mOwner);
  if (TakeEvent(kDataAvailable)) {
    const int32_t waiting = PacketsAvailable();
    RaiseSocketDataAvailable(mOwner);
    if (!EventDone(kDataAvailable)) return;
    RaiseAgainWhileRead(waiting, PacketsAvailable());
  } else if (TakeEvent(kError)) {
    mConnected = false;
    SetSocketLastErrorCode(mOwner, mLastError);
    RaiseSocketError(mOwner);
    if (!EventDone(kError)) return;
  } else if (TakeEvent(kSendComplete)) {
    RaiseSocketSendComplete(mOwner, false);
    if (!EventDone(kSendComplete)) return;
  }
  SocketCore::DispatchEvents();
}
