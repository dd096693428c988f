// TCPSocketPosix: the stream socket over a non-blocking descriptor (TCP over IPv4, or a
// Unix-domain socket in local-path mode).
//
// Readiness comes from poll(2), never select (whose sets end at descriptor 1,023). A connect
// completes when the descriptor is writable and SO_ERROR is 0, so a refused peer is an error,
// never a connection. Received bytes go straight into the receive queue's last buffer; the
// queue never holds more than 64 MB unread (the peer is held back by TCP, nothing is lost), and
// reading resumes as soon as the program has read some. A write with nothing queued ahead of
// it goes straight to the descriptor; one on a socket that is not open (never connected,
// closed, failed) is InvalidStateError at once. Sends never raise SIGPIPE: a peer gone
// mid-write is LostConnection.
//
// When the peer has finished sending, LostConnection comes after the last DataAvailable, once
// the program no longer reads what waits, and after what the program wrote has reached the
// peer, which may still read. A peer that takes nothing for kDrainIdleLimitMs meanwhile ends
// the wait; BytesLeftToSend then tells what was not sent.
//
// A local path is removed at Close only when this socket bound it and it is still the same
// file: a client's Close never removes the server's file, and a path that another socket has
// taken since is left alone.
#pragma once

#include <sys/types.h>

#include <chrono>

#include "core/ByteQueue.h"
#include "net/SocketAddress.h"
#include "net/TCPSocket.h"

class TCPSocketPosix : public TCPSocket {
 public:
  static constexpr int32_t kReceiveLimit = 64 * 1024 * 1024;
  static constexpr int32_t kDrainIdleLimitMs = 10000;

  // Tests shorten the drain limit; 0 restores it.
  static void SetDrainIdleLimitForTesting(int32_t ms);

  TCPSocketPosix(RuntimeObject* owner, TCPSocketDelegate* delegate);

  void Listen(int32_t port) override;
  void Service(int16_t revents) override;
  bool HasDataToSend() const override { return mSendQueue.Total() > 0; }
  bool BytesOnDescriptor() override;
  void Purge() override { mReceiveQueue.Clear(); }
  int32_t GetLocalPort() override;
  int32_t GetHandle() const override { return mDescriptor; }
  void Close(bool fromDestructor) override;
  void Reset(bool full) override;
  int16_t WantedEvents() const override;
  int32_t Descriptor() const override { return mDescriptor; }

  void Connect(const string& address, int32_t port) override;
  void Write(const void* bytes, int32_t n) override;
  string Read(int32_t count) override;
  string ReadAll() override { return Read(mReceiveQueue.Total()); }
  string Lookahead() override;
  string GetRemoteAddress() override;
  int32_t BytesAvailable() const override { return mReceiveQueue.Total(); }
  int32_t BytesLeftToSend() const override { return mSendQueue.Total(); }
  void SetLocalPath(const string& path) override;

  // Becomes the connection accepted on descriptor that listener hands over: registered,
  // holding its owner, connected, with Connected pending (the caller dispatches it). False
  // when the descriptor could not be made non-blocking (the Error has been delivered).
  bool AdoptConnection(int32_t descriptor, TCPSocketPosix* listener);

  // Buffers the queues hold now (tests).
  int32_t QueueNodeCount() const { return mReceiveQueue.NodeCount() + mSendQueue.NodeCount(); }

 protected:
  int32_t ErrorCode(int32_t error) const override;
  void DiscardUnsent() override { mSendQueue.Clear(); }
  // The length of the queue of connections the kernel keeps for Listen.
  virtual int32_t Backlog() const { return 1; }
  // Takes what waits on a listening descriptor; false when the socket must stop this pass.
  // A plain socket accepts one connection and becomes it.
  virtual bool Accept();

 private:
  // The address to connect to or bind: the local path, or host and port. 0, a socket code, or
  // an error number no socket code stands for (ENAMETOOLONG, EINVAL).
  int32_t TargetAddress(const string& host, int32_t port, bool bindAny, SocketAddress* out);
  bool OpenDescriptor(int32_t family);
  void SetBufferSizes(int32_t size);
  bool SetNonBlocking(int32_t fd);
  // Binds an outgoing connection to the owner's NetworkInterface, when it names one.
  bool BindToOwnerInterface();
  bool FinishConnect(int16_t revents);
  bool Receive();
  void EndAfterPeerClosed();
  // The peer has finished sending and has taken nothing for the drain limit.
  bool DrainStalled() const;
  // Connecting, listening or connected, without an error.
  bool IsOpen() const { return IsRegistered() && mDescriptor >= 0 && mLastError == 0; }
  bool Send();
  bool ReceiveLimited() const { return mReceiveQueue.Total() >= kReceiveLimit; }
  void NoteBoundPath();
  void UnlinkBoundPath();
  void CloseDescriptor();

  int32_t mDescriptor = -1;
  int32_t mReceiveChunk = 8192;  // most bytes taken in one pass
  bool mUseLocalPath = false;
  string mLocalPath;
  MemoryManager mReceiveQueue;
  MemoryManager mSendQueue;
  bool mAcceptOnRead = false;
  bool mPeerClosed = false;  // the peer has finished sending
  std::chrono::steady_clock::time_point mDrainProgress;  // since then, the last bytes it took
  // The file that Listen bound, and its identity when bound.
  bool mBoundPath = false;
  string mBoundPathName;
  dev_t mBoundDevice = 0;
  ino_t mBoundInode = 0;
};
