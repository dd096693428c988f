#include "net/SocketCore.h"

#include <cerrno>

#include "net/SocketClasses.h"
#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"
#include "net/SocketList.h"
#include "net/SocketPolling.h"
#include "net/SocketPollingTask.h"

namespace {
int32_t gLiveSockets = 0;
}

int32_t LiveSocketCount() { return gLiveSockets; }

SocketCore::SocketCore(RuntimeObject* owner) : mOwner(owner) {
  SocketsInitialize();
  ++gLiveSockets;
  ArmSocketPollingTask();
}

SocketCore::~SocketCore() {
  if (--gLiveSockets < 1) StopSocketPollingTask();
}

void SocketCore::Dispose(SocketCore* socket) {
  if (!socket || socket->mDisposed) return;
  socket->mDisposed = true;
  // The owner is being freed (or never held): the socket lets go of it without a word.
  socket->mOwner = nullptr;
  socket->mOwnerLocked = false;
  socket->Close(true);
  if (socket->mPins == 0) delete socket;
}

void SocketCore::Unpin() {
  if (--mPins == 0 && mDisposed) delete this;
}

void SocketCore::Register(int32_t port, bool lockAnyOwner) {
  if (mOwner && !mOwnerLocked && (lockAnyOwner || IsTCPSocketObject(mOwner))) {
    RuntimeLockObject(mOwner);
    mOwnerLocked = true;
  }
  if (!mRegistered && !mDisposed) {
    mRegistered = true;
    ++mRegistration;
    AddActiveSocket(this);
  }
  mPort = port;
}

bool SocketCore::Begin(int32_t port, bool lockAnyOwner) {
  Close(false);
  Reset(true);
  Register(port, lockAnyOwner);
  if (SocketsInitialize() == kSocketNoError) return true;
  ReportError(kSocketOpenDriverError);
  return false;
}

void SocketCore::Listen(int32_t port) { Register(port, false); }

void SocketCore::Poll() {
  SocketPin pin(this);
  pollfd entry{Descriptor(), WantedEvents(), 0};
  if (entry.fd >= 0 && entry.events && PollDescriptors(&entry, 1, 0) < 0) {
    HandleError(errno);
    return;
  }
  Service(entry.revents);
}

bool SocketCore::HandleError(int32_t systemError) { return ReportError(ErrorCode(systemError)); }

bool SocketCore::ReportError(int32_t code) {
  if (code == 0) return false;
  mLastError = code;
  SetSocketLastErrorCode(mOwner, mLastError);
  mPending |= kError;
  DispatchEvents();
  return true;
}

void SocketCore::Service(int16_t) { DispatchEvents(); }

void SocketCore::Close(bool fromDestructor) {
  if (mRegistered) {
    mRegistered = false;
    RemoveActiveSocket(this);
  }
  if (fromDestructor || !mOwnerLocked) return;
  mOwnerLocked = false;
  RuntimeUnlockObject(mOwner);
}

// The owner's reference is not touched: it goes with Close, so a reset never loses it.
void SocketCore::Reset(bool full) {
  mConnected = false;
  mPending &= full ? 0u : uint32_t(kDataAvailable);
  mLastError = 0;
  mDelivered = 0;
  mPort = 0;
  mBytesSent = 0;
}

// A socket whose Error was delivered is closed; one whose language object lives on is reset
// for its next Connect (the receive queue stays readable).
void SocketCore::DispatchEvents() {
  if (!(mDelivered & kError) || mDisposed) return;
  const bool hasOwner = mOwner != nullptr;
  Close(false);
  if (hasOwner && !mDisposed) Reset(false);
}

bool SocketCore::ReceiverReady() const { return mOwner && !SocketPollingSuspended(); }

bool SocketCore::CanDeliver(uint32_t event) const {
  return !mDisposed && !(mRunning & event) && ReceiverReady();
}

bool SocketCore::HasDeliverableEvents() const {
  for (uint32_t event = kConnected; event <= kSendProgress; event <<= 1) {
    if ((mPending & event) && CanDeliver(event)) return true;
  }
  return false;
}

uint32_t SocketCore::TakeDeliveredEvents() {
  const uint32_t events = mDelivered;
  mDelivered = 0;
  return events;
}

bool SocketCore::TakeEvent(uint32_t event) {
  if (!(mPending & event) || !CanDeliver(event)) return false;
  mPending &= ~event;
  mDelivered |= event;
  mRunning |= event;
  return true;
}

bool SocketCore::EventDone(uint32_t event) {
  mRunning &= ~event;
  return !mDisposed;
}

void SocketCore::RaiseAgainWhileRead(int64_t waitingBefore, int64_t waitingNow) {
  if (waitingNow > 0 && waitingNow < waitingBefore) mPending |= kDataAvailable;
}
