// UDPSocket: a bound IPv4 datagram endpoint with broadcast enabled, multicast membership, a
// time to live and multicast loopback. Received datagrams queue until the program reads them,
// oldest first; writes are sent at once when the descriptor takes them and queue otherwise, in
// order. Like every socket it makes progress only when polled, and its connected flag means
// "bound". UDPSocketPosix implements it over a non-blocking descriptor.
//
// Promises:
//   - Destinations are numeric IPv4 text only, parsed strictly ("255.255.255.255" written out
//     is the broadcast address). Any other text, a host name included, is NameResolutionError
//     (103) and a port outside 1 .. 65535 InvalidPortError (107); that datagram is dropped and
//     never reaches the network.
//   - Every datagram that arrives is taken, a zero-length one included (its Data is empty).
//   - At most kMaxWaitingDatagrams datagrams or kMaxWaitingBytes bytes wait unread; beyond
//     that the socket stops reading and the kernel's buffer decides what is kept. While the
//     program reads some at each DataAvailable, DataAvailable comes again until none waits.
//   - One event is delivered per dispatch: DataAvailable first, then Error, then SendComplete.
#pragma once

#include <cstdint>
#include <deque>

#include "net/SocketCore.h"
#include "strings/RuntimeString.h"

struct UDPDatagram {
  uint32_t address = 0;  // IPv4, network order: the sender, or the destination
  int32_t port = 0;
  string data;           // no encoding
};

class UDPSocket : public SocketCore {
 public:
  static constexpr int32_t kMaxWaitingDatagrams = 65536;
  static constexpr int64_t kMaxWaitingBytes = 64 * 1024 * 1024;

  // A new POSIX socket for owner (a UDPSocket object).
  static UDPSocket* Create(RuntimeObject* owner);

  // Binds port (0: any) on the owner's NetworkInterface, or on every interface.
  virtual void Bind(int32_t port) = 0;
  // Sends data to host:port (see the promises); not bound: InvalidStateError (106).
  virtual void Write(const string& host, int32_t port, const string& data) = 0;
  // Takes the oldest datagram received; false when none waits.
  bool ReadDatagram(UDPDatagram* datagram);
  // Membership of a multicast group (numeric text); false after the error.
  virtual bool JoinMulticastGroup(const string& group) = 0;
  virtual bool LeaveMulticastGroup(const string& group) = 0;
  // Multicast loopback and the time to live; a socket not bound keeps them for its Bind.
  virtual void SetLoopback(bool sendToSelf) { mSendToSelf = sendToSelf; }
  virtual void SetRouterHops(int32_t hops) { mRouterHops = hops; }
  int32_t PacketsAvailable() const { return int32_t(mReceived.size()); }
  int32_t PacketsLeftToSend() const { return int32_t(mOutgoing.size()); }

  bool HasDataToSend() const override { return !mOutgoing.empty(); }
  void Purge() override;
  void ClearLastData() override { mOutgoing.clear(); }
  void DispatchEvents() override;
  void Reset(bool full) override;

 protected:
  explicit UDPSocket(RuntimeObject* owner) : SocketCore(owner) {}

  int32_t ErrorCode(int32_t error) const override;
  // Queues a received datagram and makes DataAvailable pending.
  void Received(UDPDatagram datagram);
  bool ReceiveFull() const;

  std::deque<UDPDatagram> mOutgoing;
  int32_t mRouterHops = 0;
  bool mSendToSelf = true;

 private:
  std::deque<UDPDatagram> mReceived;
  int64_t mReceivedBytes = 0;
};
