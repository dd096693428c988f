// UDPSocketPosix: the datagram socket over a non-blocking IPv4 descriptor. A write the
// descriptor cannot take now (EAGAIN) stays queued and goes when poll(2) reports room; the
// loop never blocks on a full buffer. Each poll receives one datagram, of any length.
#pragma once

#include "net/UDPSocket.h"

class UDPSocketPosix : public UDPSocket {
 public:
  // Queued datagrams sent in one pass at most.
  static constexpr int32_t kSendsPerPass = 64;

  explicit UDPSocketPosix(RuntimeObject* owner) : UDPSocket(owner) {}

  void Bind(int32_t port) override;
  void Write(const string& host, int32_t port, const string& data) override;
  bool JoinMulticastGroup(const string& group) override;
  bool LeaveMulticastGroup(const string& group) override;
  void SetLoopback(bool sendToSelf) override;
  void SetRouterHops(int32_t hops) override;

  int32_t GetLocalPort() override;
  int32_t GetHandle() const override { return mDescriptor; }
  int32_t Descriptor() const override { return mDescriptor; }
  int16_t WantedEvents() const override;
  void Service(int16_t revents) override;
  void Close(bool fromDestructor) override;
  void Reset(bool full) override;

 private:
  bool IsBound() const { return mDescriptor >= 0 && mConnected; }
  bool ReceiveOne();
  bool SendWaiting();
  // setsockopt at IPPROTO_IP; a missing option (ENOPROTOOPT) is no error. False after one.
  bool SetIPOption(int32_t name, int32_t value);
  bool ChangeMembership(const string& group, int32_t option);
  void CloseDescriptor();

  int32_t mDescriptor = -1;
};
