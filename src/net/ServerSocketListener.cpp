#include "net/ServerSocketListener.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "core/RuntimeError.h"
#include "net/ServerSocketClass.h"
#include "net/SocketClasses.h"
#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"

namespace {

// Errors accept(2) reports for the pending connection, not for the listener: a client that
// reset or gave up, a network error that came with it, or a firewall refusing it.
bool IsPendingConnectionError(int32_t error) {
  switch (error) {
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case EPERM:
    case EINTR:
      return true;
    default:
      return false;
  }
}

ServerSocketObject* ServerFields(RuntimeObject* server) {
  return reinterpret_cast<ServerSocketObject*>(server);
}

TCPSocketPosix* NativeSocketOf(RuntimeObject* object) {
  return static_cast<TCPSocketPosix*>(AsSocketObject(object)->socket);
}

}  // namespace

ServerSocketListener::ServerSocketListener(RuntimeObject* server)
    : TCPSocketPosix(server, nullptr) {
  Reset(true);
}

int32_t ServerSocketListener::Backlog() const { return SOMAXCONN; }

void ServerSocketListener::Listen(int32_t port) {
  SocketPin pin(this);
  TCPSocketPosix::Listen(port);
  if (!IsRegistered() || Descriptor() < 0 || IsDisposed()) return;  // failed: Error delivered
  mServing = true;
  mPending |= kPoolRefill;
}

bool ServerSocketListener::StillServing(uint32_t registration) const {
  return !IsDisposed() && IsRegistered() && Registration() == registration && mServing;
}

// ---- The pool -------------------------------------------------------------------------------

// Only while a refill is on its way do connections wait for it in the backlog; otherwise one
// that arrives asks for a refill (Accept), and the connections a refill leaves without a
// socket are closed.
int16_t ServerSocketListener::WantedEvents() const {
  const int16_t wanted = TCPSocketPosix::WantedEvents();
  if (!mServing || wanted == 0) return wanted;
  return mWaiting.empty() && mBudget > 0 && (mPending & kPoolRefill) ? 0 : POLLIN;
}

void ServerSocketListener::DispatchEvents() {
  SocketPin pin(this);
  ObjectHold hold(mOwner);
  if (TakeEvent(kPoolRefill)) {
    const uint32_t registration = Registration();
    Fill();
    if (!EventDone(kPoolRefill)) return;
    if (StillServing(registration) && mWaiting.empty() && !RefuseWaitingConnections()) return;
  }
  TCPSocketPosix::DispatchEvents();
}

// The refill gave no socket (AddSocket answered nil, or one not free): what waits in the
// backlog is closed now rather than left hanging.
bool ServerSocketListener::RefuseWaitingConnections() {
  for (int32_t taken = 0; taken < kAcceptsPerPass; ++taken) {
    const int32_t fd = SocketFunctions().accept(Descriptor(), nullptr, nullptr);
    if (fd >= 0) {
      SocketFunctions().close(fd);
      continue;
    }
    const int32_t error = errno;
    if (IsPendingConnectionError(error)) continue;
    return WouldBlock(error) || !HandleError(error);
  }
  return true;
}

int32_t ServerSocketListener::BoundedMinimum(int32_t requested) {
  return std::clamp(requested, 0, kMaxMinimum);
}

void ServerSocketListener::Fill() {
  const uint32_t registration = Registration();
  if (!mFilled) {
    mFilled = true;
    mOwed = mMinimum + kRefillStep;
  } else if (mOwed == 0 && WaitingCount() < mMinimum) {
    const int32_t missing = mMinimum - WaitingCount();
    mOwed = (missing + kRefillStep - 1) / kRefillStep * kRefillStep;
  }
  for (int32_t added = 0; mOwed > 0; ++added) {
    if (added == kAddsPerPass) {
      mPending |= kPoolRefill;  // the rest in the next pass
      return;
    }
    --mOwed;
    if (!AddWaitingSocket() || !StillServing(registration)) {
      mOwed = 0;
      return;
    }
  }
}

bool ServerSocketListener::MayWait(RuntimeObject* object) const {
  if (!IsTCPSocketObject(object) || !AsSocketObject(object)->socket) return false;
  if (std::find(mWaiting.begin(), mWaiting.end(), object) != mWaiting.end()) return false;
  for (const Connection& connection : mActive) {
    if (connection.object == object) return false;
  }
  return !AsSocketObject(object)->socket->IsRegistered();
}

bool ServerSocketListener::AddWaitingSocket() {
  const uint32_t registration = Registration();
  RuntimeObject* object = RaiseServerSocketAddSocket(mOwner);
  if (!object) return false;
  if (!StillServing(registration)) {
    RuntimeUnlockObject(object);
    return false;
  }
  // One object twice would carry two connections and be released twice.
  if (!QV_CHECK_TEXT(MayWait(object), "AddSocket returned a socket that is not free",
                     nullptr)) {
    RuntimeUnlockObject(object);
    return false;
  }
  mWaiting.push_back(object);
  return true;
}

bool ServerSocketListener::Accept() {
  const uint32_t registration = Registration();
  for (int32_t taken = 0; taken < kAcceptsPerPass; ++taken) {
    if (mBudget > 0 && mWaiting.empty()) {
      mPending |= kPoolRefill;  // the rest waits in the backlog for the refill (or its refusal)
      return true;
    }
    const int32_t fd = SocketFunctions().accept(Descriptor(), nullptr, nullptr);
    if (fd < 0) {
      const int32_t error = errno;
      if (IsPendingConnectionError(error)) continue;
      if (WouldBlock(error)) return true;
      return !HandleError(error);
    }
    if (mBudget <= 0) {
      SocketFunctions().close(fd);  // refused: over the budget
      continue;
    }
    HandOff(fd);
    if (!StillServing(registration)) return false;
  }
  return true;
}

void ServerSocketListener::HandOff(int32_t descriptor) {
  RuntimeObject* object = nullptr;
  while (!object && !mWaiting.empty()) {
    object = mWaiting.back();
    mWaiting.pop_back();
    // The application may have used a waiting socket meanwhile: it is no longer the pool's.
    if (!MayWait(object)) {
      RuntimeUnlockObject(object);
      object = nullptr;
    }
  }
  if (!object) {
    SocketFunctions().close(descriptor);
    return;
  }
  TCPSocketPosix* socket = NativeSocketOf(object);
  SocketPin pin(socket);
  mActive.push_back({object, socket});
  --mBudget;
  mPending |= kPoolRefill;
  const bool adopted = socket->AdoptConnection(descriptor, this);
  RuntimeUnlockObject(object);  // the pool's reference: the connection holds its own
  if (adopted) socket->DispatchEvents();  // Connected before the listener's next pass
}

void ServerSocketListener::ConnectionEnded(TCPSocket* socket) {
  for (size_t i = mActive.size(); i-- > 0;) {
    if (mActive[i].socket != socket) continue;
    mActive.erase(mActive.begin() + ptrdiff_t(i));
    ++mBudget;
    mPending |= kPoolRefill;
    return;
  }
}

std::vector<RuntimeObject*> ServerSocketListener::ActiveObjects() const {
  std::vector<RuntimeObject*> objects;
  for (const Connection& connection : mActive) objects.push_back(connection.object);
  return objects;
}

// ---- Closing --------------------------------------------------------------------------------

void ServerSocketListener::ReleasePool() {
  for (const Connection& connection : mActive) connection.socket->DetachFromListener();
  mActive.clear();
  std::vector<RuntimeObject*> waiting;
  waiting.swap(mWaiting);
  for (RuntimeObject* object : waiting) RuntimeUnlockObject(object);
}

void ServerSocketListener::Close(bool fromDestructor) {
  mServing = false;
  ReleasePool();
  TCPSocketPosix::Close(fromDestructor);
}

// A fresh pool, its minimum and budget from the server as it is now.
void ServerSocketListener::Reset(bool full) {
  mServing = false;
  ReleasePool();
  TCPSocketPosix::Reset(full);
  mFilled = false;
  mOwed = 0;
  mMinimum = mOwner ? BoundedMinimum(ServerFields(mOwner)->minimumSocketsAvailable) : 0;
  mBudget = mOwner ? std::max(0, ServerFields(mOwner)->maximumSocketsConnected) : 0;
}

void ServerSocketListener::RaiseOwnerError() {
  if (mOwner) ServerFields(mOwner)->core.lastErrorCode = mLastError;
  RaiseServerSocketError(mOwner, mLastError);
}
