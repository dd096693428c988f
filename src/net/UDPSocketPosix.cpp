#include "net/UDPSocketPosix.h"

#include <netinet/in.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "net/SocketAddress.h"
#include "net/SocketClasses.h"
#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"

namespace {

const SocketFunctionTable& Sys() { return SocketFunctions(); }

// Numeric text alone: a NUL inside would hide the rest of the text.
bool ParseNumericHost(const string& host, in_addr* address) {
  return std::strlen(host.CString()) == size_t(host.Length()) &&
         ParseIPv4(host.CString(), address);
}

}  // namespace

UDPSocket* UDPSocket::Create(RuntimeObject* owner) { return new UDPSocketPosix(owner); }

void UDPSocketPosix::Bind(int32_t port) {
  SocketPin pin(this);
  if (!Begin(port, false)) return;
  uint32_t interfaceAddress = 0;
  SocketOwnerInterfaceAddress(mOwner, &interfaceAddress);
  SocketAddress local;
  if (const int32_t code = InternetAddress(in_addr{interfaceAddress}, port, &local)) {
    ReportError(code);
    return;
  }
  const int32_t fd = Sys().socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    HandleError(errno);
    return;
  }
  mDescriptor = fd;
  const int32_t on = 1;
  if (Sys().bind(fd, &local.any, local.length) != 0 ||
      Sys().setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    HandleError(errno);
    return;
  }
  mConnected = true;
}

int32_t UDPSocketPosix::GetLocalPort() { return LocalPortOf(mDescriptor); }

// ---- Sending --------------------------------------------------------------------------------

void UDPSocketPosix::Write(const string& host, int32_t port, const string& data) {
  SocketPin pin(this);
  in_addr address{};
  if (!IsBound()) {
    ReportError(kSocketInvalidStateError);
  } else if (!ParseNumericHost(host, &address)) {
    ReportError(kSocketNameResolutionError);
  } else if (port < 1 || port > 65535) {
    ReportError(kSocketInvalidPortError);
  } else {
    mOutgoing.push_back({address.s_addr, port, data});
    SendWaiting();
  }
}

bool UDPSocketPosix::SendWaiting() {
  for (int32_t sent = 0; sent < kSendsPerPass && !mOutgoing.empty(); ++sent) {
    const UDPDatagram& datagram = mOutgoing.front();
    SocketAddress to;
    InternetAddress(in_addr{datagram.address}, datagram.port, &to);
    const ssize_t n = Sys().sendto(mDescriptor, datagram.data.CString(),
                                   size_t(datagram.data.Length()), MSG_NOSIGNAL, &to.any,
                                   to.length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WouldBlock(errno) || !HandleError(errno);
    }
    mOutgoing.pop_front();
    mPending |= kSendComplete;
  }
  return true;
}

// ---- Receiving ------------------------------------------------------------------------------

int16_t UDPSocketPosix::WantedEvents() const {
  if (!IsBound() || (mPending & kError)) return 0;
  int16_t events = ReceiveFull() ? 0 : POLLIN;
  if (HasDataToSend()) events |= POLLOUT;
  return events;
}

// Every datagram, a zero-length one too, is taken whole: none is longer than this.
bool UDPSocketPosix::ReceiveOne() {
  static char scratch[65536];
  sockaddr_in from{};
  socklen_t length = sizeof from;
  ssize_t n;
  do {
    length = sizeof from;
    n = Sys().recvfrom(mDescriptor, scratch, sizeof scratch, 0,
                       reinterpret_cast<sockaddr*>(&from), &length);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return WouldBlock(errno) || !HandleError(errno);
  UDPDatagram datagram{from.sin_addr.s_addr, ntohs(from.sin_port), string()};
  if (n > 0) datagram.data.ConstructFromBuffer(scratch, n);
  Received(std::move(datagram));
  return true;
}

void UDPSocketPosix::Service(int16_t revents) {
  SocketPin pin(this);
  if (IsBound() && !(mPending & kError)) {
    if ((revents & (POLLIN | POLLERR)) && !ReceiveFull() && !ReceiveOne()) return;
    if ((revents & POLLOUT) && HasDataToSend() && !SendWaiting()) return;
  }
  DispatchEvents();
}

// ---- Options --------------------------------------------------------------------------------

bool UDPSocketPosix::SetIPOption(int32_t name, int32_t value) {
  if (Sys().setsockopt(mDescriptor, IPPROTO_IP, name, &value, sizeof value) == 0 ||
      errno == ENOPROTOOPT) {
    return true;
  }
  HandleError(errno);
  return false;
}

void UDPSocketPosix::SetLoopback(bool sendToSelf) {
  SocketPin pin(this);
  UDPSocket::SetLoopback(sendToSelf);
  if (GetLocalPort() == -1) return;  // taken by the next Bind
  if (!IsBound()) {
    ReportError(kSocketInvalidStateError);
    return;
  }
  SetIPOption(IP_MULTICAST_LOOP, sendToSelf ? 1 : 0);
}

void UDPSocketPosix::SetRouterHops(int32_t hops) {
  SocketPin pin(this);
  UDPSocket::SetRouterHops(hops);
  if (GetLocalPort() == -1) return;
  if (!IsBound()) {
    ReportError(kSocketInvalidStateError);
    return;
  }
  if (SetIPOption(IP_TTL, hops)) SetIPOption(IP_MULTICAST_TTL, hops);
}

bool UDPSocketPosix::ChangeMembership(const string& group, int32_t option) {
  SocketPin pin(this);
  ip_mreq request{};
  if (!IsBound()) return !ReportError(kSocketInvalidStateError);
  if (!ParseNumericHost(group, &request.imr_multiaddr)) {
    return !ReportError(kSocketNameResolutionError);
  }
  uint32_t interfaceAddress = 0;
  SocketOwnerInterfaceAddress(mOwner, &interfaceAddress);
  request.imr_interface.s_addr = interfaceAddress;
  if (Sys().setsockopt(mDescriptor, IPPROTO_IP, option, &request, sizeof request) == 0) {
    return true;
  }
  return !HandleError(errno);
}

bool UDPSocketPosix::JoinMulticastGroup(const string& group) {
  return ChangeMembership(group, IP_ADD_MEMBERSHIP);
}

bool UDPSocketPosix::LeaveMulticastGroup(const string& group) {
  return ChangeMembership(group, IP_DROP_MEMBERSHIP);
}

// ---- Closing --------------------------------------------------------------------------------

void UDPSocketPosix::CloseDescriptor() {
  if (mDescriptor < 0) return;
  Sys().close(mDescriptor);
  mDescriptor = -1;
}

void UDPSocketPosix::Close(bool fromDestructor) {
  CloseDescriptor();
  UDPSocket::Close(fromDestructor);
}

void UDPSocketPosix::Reset(bool full) {
  UDPSocket::Reset(full);
  CloseDescriptor();
}
