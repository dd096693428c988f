#include "net/TCPSocketPosix.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

#include "net/NetworkInterfaces.h"
#include "net/QueuedText.h"
#include "net/SocketClasses.h"
#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"
#include "net/SocketPolling.h"

namespace {

constexpr int32_t kBufferSize = 1048576;
constexpr int32_t kSmallestBufferStep = 8192;
// Bytes sent in one pass at most, so that one busy socket does not starve the others.
constexpr int32_t kSendBudget = 4 * 1048576;

int32_t gDrainIdleLimitMs = TCPSocketPosix::kDrainIdleLimitMs;

const SocketFunctionTable& Sys() { return SocketFunctions(); }

}  // namespace

void TCPSocketPosix::SetDrainIdleLimitForTesting(int32_t ms) {
  gDrainIdleLimitMs = ms > 0 ? ms : kDrainIdleLimitMs;
}

TCPSocket* TCPSocket::Create(RuntimeObject* owner, TCPSocketDelegate* delegate) {
  return new TCPSocketPosix(owner, delegate);
}

TCPSocketPosix::TCPSocketPosix(RuntimeObject* owner, TCPSocketDelegate* delegate)
    : TCPSocket(owner, delegate) {}

int32_t TCPSocketPosix::ErrorCode(int32_t error) const { return StreamSocketErrorCode(error); }

void TCPSocketPosix::SetLocalPath(const string& path) {
  mUseLocalPath = true;
  mLocalPath = path;
}

// ---- Opening --------------------------------------------------------------------------------

int32_t TCPSocketPosix::TargetAddress(const string& host, int32_t port, bool bindAny,
                                      SocketAddress* out) {
  if (mUseLocalPath) return LocalPathAddress(mLocalPath, out);
  if (port < 0 || port > 65535) return kSocketInvalidPortError;
  in_addr address{};
  if (bindAny) {
    uint32_t interfaceAddress = 0;
    if (SocketOwnerInterfaceAddress(mOwner, &interfaceAddress)) address.s_addr = interfaceAddress;
  } else if (const int32_t code = ResolveIPv4(host, &address)) {
    return code;
  }
  return InternetAddress(address, port, out);
}

bool TCPSocketPosix::OpenDescriptor(int32_t family) {
  const int32_t fd = Sys().socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return !HandleError(errno);
  mDescriptor = fd;
  SetBufferSizes(kBufferSize);
  return SetNonBlocking(fd);
}

// Asks for large buffers, settling for three quarters of the size at each refusal.
void TCPSocketPosix::SetBufferSizes(int32_t size) {
  for (; size > kSmallestBufferStep; size = int32_t(size * 0.75)) {
    if (Sys().setsockopt(mDescriptor, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) != 0) continue;
    Sys().setsockopt(mDescriptor, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    mReceiveChunk = std::min(size, 256 * 1024);
    return;
  }
}

bool TCPSocketPosix::SetNonBlocking(int32_t fd) {
  const int32_t flags = Sys().fcntl(fd, F_GETFL);
  if (flags >= 0 && Sys().fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) return true;
  HandleError(errno);
  return false;
}

bool TCPSocketPosix::BindToOwnerInterface() {
  uint32_t interfaceAddress = 0;
  if (!SocketOwnerInterfaceAddress(mOwner, &interfaceAddress)) return true;
  SocketAddress local;
  InternetAddress(in_addr{interfaceAddress}, 0, &local);
  if (Sys().bind(mDescriptor, &local.any, local.length) == 0) return true;
  HandleError(errno);
  return false;
}

void TCPSocketPosix::Connect(const string& address, int32_t port) {
  SocketPin pin(this);
  if (!Begin(port, true)) return;
  mAddress = address;
  SocketAddress peer;
  if (const int32_t code = TargetAddress(address, port, false, &peer)) {
    ReportError(code);
    return;
  }
  if (!OpenDescriptor(peer.Family())) return;
  if (!mUseLocalPath && !BindToOwnerInterface()) return;
  if (Sys().connect(mDescriptor, &peer.any, peer.length) == 0) {
    mConnected = true;
    mPending |= kConnected;
    DispatchEvents();
    return;
  }
  const int32_t error = errno;
  // A connection in progress completes in a later poll. A local socket never waits: EAGAIN
  // there is a full backlog, and the connection was refused.
  if (!mUseLocalPath && (error == EINPROGRESS || error == EINTR)) return;
  if (mUseLocalPath && error == EAGAIN) {
    ReportError(kSocketNameResolutionError);
  } else {
    HandleError(error);
  }
}

void TCPSocketPosix::Listen(int32_t port) {
  SocketPin pin(this);
  if (!Begin(port, false)) return;
  mListening = true;
  SocketAddress local;
  if (const int32_t code = TargetAddress(string(), port, true, &local)) {
    ReportError(code);
    return;
  }
  if (!OpenDescriptor(local.Family())) return;
  const int32_t on = 1;
  if (!mUseLocalPath &&
      Sys().setsockopt(mDescriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    HandleError(errno);
    return;
  }
  if (Sys().bind(mDescriptor, &local.any, local.length) != 0) {
    HandleError(errno);
    return;
  }
  if (mUseLocalPath) NoteBoundPath();
  mAcceptOnRead = true;
  if (Sys().listen(mDescriptor, Backlog()) != 0) HandleError(errno);
}

// ---- Progress -------------------------------------------------------------------------------

int16_t TCPSocketPosix::WantedEvents() const {
  if (mDescriptor < 0 || (mPending & kError)) return 0;
  if (mAcceptOnRead) return POLLIN;
  if (!mConnected) return POLLOUT;  // connecting
  int16_t events = 0;
  if (!ReceiveLimited() && !mPeerClosed) events |= POLLIN;
  if (HasDataToSend()) events |= POLLOUT;
  return events;
}

void TCPSocketPosix::Service(int16_t revents) {
  SocketPin pin(this);
  constexpr int16_t kTrouble = POLLERR | POLLHUP;
  if (mDescriptor >= 0 && !(mPending & kError) && revents) {
    if (revents & POLLNVAL) {
      ReportError(mConnected ? kSocketLostConnection : kSocketNameResolutionError);
      return;
    }
    if (mAcceptOnRead) {
      if ((revents & (POLLIN | kTrouble)) && !Accept()) return;
    } else {
      if (!mConnected) {
        if (!(revents & (POLLOUT | kTrouble)) || !FinishConnect(revents)) return;
        revents &= ~POLLIN;  // not asked for while connecting
      }
      const bool readable = (revents & (POLLIN | kTrouble)) && !ReceiveLimited() && !mPeerClosed;
      if (readable && !Receive()) return;
      if ((revents & (POLLOUT | kTrouble)) && HasDataToSend() && !Send()) return;
    }
  }
  DispatchEvents();
  EndAfterPeerClosed();
}

// LostConnection waits until the program has stopped reading what came before the peer's
// close (while it reads, DataAvailable comes again, TCPSocket), and until what it wrote has
// gone to the peer, or the peer has stopped taking it.
void TCPSocketPosix::EndAfterPeerClosed() {
  if (!mPeerClosed || mDescriptor < 0 || !IsRegistered() || IsDisposed()) return;
  if ((mPending | mRunning) & (kDataAvailable | kError)) return;
  if (HasDataToSend() && !DrainStalled()) return;
  ReportError(kSocketLostConnection);
}

bool TCPSocketPosix::DrainStalled() const {
  return std::chrono::steady_clock::now() - mDrainProgress >=
         std::chrono::milliseconds(gDrainIdleLimitMs);
}

bool TCPSocketPosix::FinishConnect(int16_t revents) {
  int32_t error = 0;
  socklen_t length = sizeof error;
  if (Sys().getsockopt(mDescriptor, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error) return !HandleError(error);
  // Hung up or failed before connecting, with no error to say why.
  if (!(revents & POLLOUT)) return !ReportError(kSocketNameResolutionError);
  mConnected = true;
  mPending |= kConnected;
  return true;
}

bool TCPSocketPosix::Accept() {
  const int32_t fd = Sys().accept(mDescriptor, nullptr, nullptr);
  if (fd < 0) {
    const int32_t error = errno;
    // Nothing waiting after all, or a client that gave up before we took it.
    if (WouldBlock(error) || error == EINTR || error == ECONNABORTED) return true;
    return !HandleError(error);
  }
  Sys().close(mDescriptor);
  mDescriptor = fd;
  mAcceptOnRead = false;
  // The accepted descriptor does not inherit non-blocking mode: a blocking send would hang the
  // program on a peer that stops reading.
  if (!SetNonBlocking(fd)) return false;
  mConnected = true;
  mPending |= kConnected;
  return true;
}

bool TCPSocketPosix::AdoptConnection(int32_t descriptor, TCPSocketPosix* listener) {
  SocketPin pin(this);
  Close(false);
  Reset(true);
  Register(listener->Port(), true);
  mDescriptor = descriptor;
  mReceiveChunk = listener->mReceiveChunk;  // the buffers are the listener's, inherited
  mHandedOffFrom = listener;
  if (!SetNonBlocking(descriptor)) return false;
  mConnected = true;
  mPending |= kConnected;
  return true;
}

// Reads what the descriptor holds, up to the chunk per pass, straight into the queue. Never
// past the limit: a queue over it would need the program to read more than the overshoot
// before anything moved again.
bool TCPSocketPosix::Receive() {
  int32_t taken = 0;
  while (taken < mReceiveChunk && !ReceiveLimited()) {
    int32_t room = 0;
    char* space = mReceiveQueue.TailSpace(&room);
    if (!space) return true;
    const int32_t wanted =
        std::min({room, mReceiveChunk - taken, kReceiveLimit - mReceiveQueue.Total()});
    const ssize_t n = Sys().recv(mDescriptor, space, size_t(wanted), 0);
    const int32_t error = errno;
    mReceiveQueue.CommitTail(n > 0 ? int32_t(n) : 0);
    if (n > 0) {
      taken += int32_t(n);
      mPending |= kDataAvailable;
      if (n < wanted) return true;  // drained
      continue;
    }
    if (n == 0) {  // the peer has finished sending
      mPeerClosed = true;
      mDrainProgress = std::chrono::steady_clock::now();
      return true;
    }
    if (error == EINTR) continue;
    if (WouldBlock(error)) return true;
    return !HandleError(error);
  }
  return true;
}

bool TCPSocketPosix::Send() {
  int32_t sent = 0;
  while (sent < kSendBudget) {
    int32_t length = 0;
    const char* chunk = mSendQueue.PeekFirstChunk(&length);
    if (!chunk) return true;
    const ssize_t n = Sys().send(mDescriptor, chunk, size_t(length), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WouldBlock(errno) || !HandleError(errno);
    }
    mSendQueue.Consume(int32_t(n));
    mBytesSent += int32_t(n);
    sent += int32_t(n);
    mPending |= kSendProgress;
    if (mPeerClosed) mDrainProgress = std::chrono::steady_clock::now();
    if (n < length) return true;  // the descriptor is full
  }
  return true;
}

bool TCPSocketPosix::BytesOnDescriptor() {
  int32_t count = 0;
  return mDescriptor >= 0 && Sys().ioctl(mDescriptor, FIONREAD, &count) == 0 && count > 0;
}

// ---- Data -----------------------------------------------------------------------------------

// With nothing queued ahead, what the descriptor takes at once goes straight out; the rest is
// queued. A failure of the descriptor here is left to the next poll, which meets it again and
// reports it. Only a socket that is not open at all refuses the bytes at once: queued, they
// would wait for a connection that is not coming.
void TCPSocketPosix::Write(const void* bytes, int32_t n) {
  if (n <= 0) return;
  if (!IsOpen()) {
    SocketPin pin(this);
    ReportError(kSocketInvalidStateError);
    return;
  }
  const char* rest = static_cast<const char*>(bytes);
  if (mConnected && !HasDataToSend()) {
    const ssize_t sent = Sys().send(mDescriptor, rest, size_t(n), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      mBytesSent += int32_t(sent);
      mPending |= kSendProgress;
      rest += sent;
      n -= int32_t(sent);
    }
  }
  if (n > 0) mSendQueue.Append(rest, n);
}

string TCPSocketPosix::Read(int32_t count) { return QueuedText(mReceiveQueue, count, true); }

string TCPSocketPosix::Lookahead() {
  return QueuedText(mReceiveQueue, mReceiveQueue.Total(), false);
}

// ---- Names ----------------------------------------------------------------------------------

int32_t TCPSocketPosix::GetLocalPort() {
  return mUseLocalPath ? -1 : LocalPortOf(mDescriptor);
}

string TCPSocketPosix::GetRemoteAddress() {
  if (mDescriptor < 0) return string();
  if (mUseLocalPath) return mLocalPath;
  if (!Sys().getpeername) return string();
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (Sys().getpeername(mDescriptor, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
    return DottedText(peer.sin_addr.s_addr);
  }
  if (errno != ENOTCONN && !(mDelivered & kError)) HandleError(errno);
  return string();
}

// ---- Closing --------------------------------------------------------------------------------

void TCPSocketPosix::NoteBoundPath() {
  struct stat info;
  if (!Sys().lstat || Sys().lstat(mLocalPath.CString(), &info) != 0) return;
  mBoundPath = true;
  mBoundPathName = mLocalPath;
  mBoundDevice = info.st_dev;
  mBoundInode = info.st_ino;
}

void TCPSocketPosix::UnlinkBoundPath() {
  if (!mBoundPath) return;
  mBoundPath = false;
  struct stat info;
  const char* path = mBoundPathName.CString();
  if (!Sys().lstat || !Sys().unlink || Sys().lstat(path, &info) != 0) return;
  if (info.st_dev == mBoundDevice && info.st_ino == mBoundInode) Sys().unlink(path);
}

void TCPSocketPosix::CloseDescriptor() {
  if (mDescriptor < 0) return;
  Sys().close(mDescriptor);
  mDescriptor = -1;
}

void TCPSocketPosix::Close(bool fromDestructor) {
  UnlinkBoundPath();
  CloseDescriptor();
  mAcceptOnRead = false;
  if (fromDestructor) {
    mReceiveQueue.Clear();
    mSendQueue.Clear();
  }
  TCPSocket::Close(fromDestructor);
}

void TCPSocketPosix::Reset(bool full) {
  TCPSocket::Reset(full);
  CloseDescriptor();  // a reset socket has none (Close has normally taken it already)
  mAcceptOnRead = false;
  mPeerClosed = false;
  if (!full) return;
  mReceiveQueue.Clear();
  mSendQueue.Clear();
}
