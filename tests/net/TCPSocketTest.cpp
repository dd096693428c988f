// Native stream sockets against real peers on 127.0.0.1: event order, refusals, bulk data
// both ways by hash, resets, silent peers, the receive limit, high descriptors and the loop
// sleeping while connections are idle.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "NetTestSupport.h"
#include "net/SocketSource.h"
#include "net/TCPSocketPosix.h"
#include "support/Watchdog.h"

namespace {

using namespace nettest;

constexpr int32_t kMB = 1024 * 1024;

std::string Hex(GChecksum* sum) {
  std::string hex = g_checksum_get_string(sum);
  g_checksum_free(sum);
  return hex;
}

// Hashes what arrives, while reading is on.
class HashingDelegate : public RecordingDelegate {
 public:
  HashingDelegate() { readOnData = false; }
  void DataAvailable(TCPSocket* socket) override {
    if (reading) Take(socket);
    Note(socket, "data");
  }
  void Take(TCPSocket* socket) {
    mostWaiting = std::max(mostWaiting, socket->BytesAvailable());
    const string text = piece ? socket->Read(piece) : socket->ReadAll();
    g_checksum_update(hash, reinterpret_cast<const guchar*>(text.CString()), text.Length());
    bytes += text.Length();
  }
  bool reading = true;
  int32_t piece = 0;  // bytes read at each DataAvailable; 0: all
  int32_t mostWaiting = 0;
  GChecksum* hash = g_checksum_new(G_CHECKSUM_SHA256);
  int64_t bytes = 0;
};

// count pseudo-random bytes written a megabyte at a time; their hash.
std::string WriteRandom(TCPSocket* socket, int64_t count) {
  std::independent_bits_engine<std::mt19937, 8, uint32_t> random{uint32_t(count)};
  std::string block(kMB, '\0');
  GChecksum* hash = g_checksum_new(G_CHECKSUM_SHA256);
  for (int64_t done = 0; done < count; done += kMB) {
    const size_t n = size_t(std::min<int64_t>(kMB, count - done));
    for (size_t i = 0; i < n; ++i) block[i] = char(random());
    socket->Write(block.data(), int32_t(n));
    g_checksum_update(hash, reinterpret_cast<const guchar*>(block.data()), gssize(n));
  }
  return Hex(hash);
}

// Connected first, the peer's close (102) once after the last DataAvailable; what was not
// read stays readable after the error, the socket closed. A refused port is 103 alone.
TEST(TCPSocket, EventsInOrderAndRefusal) {
  Peer peer = StartPeer({"greet", "hello, world"});
  RecordingDelegate events;
  events.readOnData = false;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }));
  ASSERT_GE(events.events.size(), 3u);
  EXPECT_EQ(events.events[0], "connected");
  EXPECT_EQ(events.events[1], "data");
  EXPECT_EQ(events.events.back(), "error 102");
  EXPECT_EQ(CountOf(events.events, "error 102"), 1);
  EXPECT_FALSE(socket->IsConnected());
  EXPECT_EQ(socket->GetHandle(), -1);
  EXPECT_STREQ(socket->Lookahead().CString(), "hello, world");
  EXPECT_STREQ(socket->Read(5).CString(), "hello");
  EXPECT_EQ(socket->Read(0).Length(), 0);
  EXPECT_STREQ(socket->Read(100).CString(), ", world");

  events.events.clear();
  socket->Connect("127.0.0.1", FreePort());
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }));
  EXPECT_EQ(events.events, std::vector<std::string>{"error 103"});
}

// 100 MB each way, written before the connection is made; the peer reads in random small
// pieces. The hashes of both sides agree.
TEST(TCPSocket, HundredMegabytesEachWayWrittenWhileConnecting) {
  constexpr int64_t kBytes = 100 * int64_t(kMB);
  Peer peer = StartPeer({"stream", std::to_string(kBytes), std::to_string(kBytes)});
  HashingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  const std::string sent = WriteRandom(socket.get(), kBytes);
  EXPECT_GT(socket->BytesLeftToSend(), 0);
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }, 120000));
  EXPECT_EQ(events.events.front(), "connected");
  EXPECT_GE(CountOf(events.events, "complete"), 1);
  EXPECT_GT(events.progress, 0);
  EXPECT_EQ(peer.process->Await("received "), std::to_string(kBytes) + " " + sent);
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + Hex(events.hash));
}

// A reset in the middle of a long write is one LostConnection, and no signal ends the test. A
// silent peer: Flush gives up once nothing moves, the rest still queued.
TEST(TCPSocket, ResetMidWriteAndSilentPeer) {
  Peer resetting = StartPeer({"reset", std::to_string(kMB)});
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", resetting.port);
  WriteRandom(socket.get(), 64 * int64_t(kMB));
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }));
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(CountOf(events.events, "error 102"), 1) << events.events.back();

  Peer silent = StartPeer({"silent"});
  socket->Connect("127.0.0.1", silent.port);
  ASSERT_TRUE(RunUntil([&] { return socket->IsConnected(); }));
  WriteRandom(socket.get(), 64 * int64_t(kMB));
  const auto start = std::chrono::steady_clock::now();
  socket->Flush(500);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GT(socket->BytesLeftToSend(), 0);
  EXPECT_TRUE(socket->IsConnected());
  EXPECT_GE(waited, std::chrono::milliseconds(500));
  EXPECT_LT(waited, std::chrono::seconds(qvtest::TimeLimit(10)));
}

// 300 MB sent to a program that does not read: the socket stops taking them at the limit;
// once the program reads, every byte arrives and the queue gives its buffers back.
TEST(TCPSocket, UnreadDataStopsAtTheLimitAndAllArrivesLater) {
  constexpr int64_t kBytes = 300 * int64_t(kMB);
  Peer peer = StartPeer({"stream", "0", std::to_string(kBytes)});
  HashingDelegate events;
  events.reading = false;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return socket->BytesAvailable() >= TCPSocketPosix::kReceiveLimit; }));
  RunUntil([] { return false; }, 500);
  EXPECT_LE(socket->BytesAvailable(), TCPSocketPosix::kReceiveLimit + kMB);
  events.Take(socket.get());
  events.reading = true;
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }, 120000));
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + Hex(events.hash));
  EXPECT_EQ(events.bytes, kBytes);
  EXPECT_EQ(static_cast<TCPSocketPosix*>(socket.get())->QueueNodeCount(), 0);
}

// A peer pushes 200 MB without pause and then closes; the program first lets the queue fill
// up, then reads 4 KB at each DataAvailable. The queue stops exactly at its limit, DataAvailable
// comes again while bytes wait, every byte arrives and LostConnection comes once, after them.
TEST(TCPSocket, AReaderOfSmallPiecesGetsEveryByteOfAFastPeer) {
  constexpr int64_t kBytes = 200 * int64_t(kMB);
  Peer peer = StartPeer({"stream", "0", std::to_string(kBytes)});
  HashingDelegate events;
  events.reading = false;
  events.piece = 4096;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return socket->BytesAvailable() >= TCPSocketPosix::kReceiveLimit; }));
  RunUntil([] { return false; }, 200);
  events.reading = true;
  events.Take(socket.get());
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }, 120000))
      << events.bytes << " bytes read, " << socket->BytesAvailable() << " waiting";
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + Hex(events.hash));
  EXPECT_EQ(events.bytes, kBytes);
  EXPECT_EQ(events.mostWaiting, TCPSocketPosix::kReceiveLimit);
  EXPECT_EQ(CountOf(events.events, "error 102"), 1);
  EXPECT_EQ(socket->BytesAvailable(), 0);
}

// A peer shuts its writing side while 20 MB the program wrote are still queued, and reads on:
// every byte reaches it, then LostConnection comes once with nothing left to send. A Write after
// that is refused at once (InvalidStateError) and queues nothing.
TEST(TCPSocket, WrittenBytesReachAPeerThatShutItsWritingSide) {
  constexpr int64_t kBytes = 20 * int64_t(kMB);
  Peer peer = StartPeer({"half-close"});
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  const std::string sent = WriteRandom(socket.get(), kBytes);
  ASSERT_TRUE(RunUntil([&] { return events.Ended(); }));
  EXPECT_EQ(events.events.back(), "error 102");
  EXPECT_EQ(socket->BytesLeftToSend(), 0);
  EXPECT_EQ(peer.process->Await("received "), std::to_string(kBytes) + " " + sent);
  socket->Write("late", 4);
  EXPECT_EQ(events.events.back(), "error 106");
  EXPECT_EQ(socket->LastError(), 106);
  EXPECT_EQ(socket->BytesLeftToSend(), 0);
}

// A peer that shuts its writing side and reads nothing more: LostConnection comes once the
// descriptor has taken nothing for the drain limit, and BytesLeftToSend tells what was not sent.
TEST(TCPSocket, APeerThatNoLongerReadsEndsTheConnectionAfterTheDrainLimit) {
  PlainServer server;
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(1), 1);
  ASSERT_TRUE(RunUntil([&] { return socket->IsConnected(); }));
  WriteRandom(socket.get(), 64 * int64_t(kMB));
  TCPSocketPosix::SetDrainIdleLimitForTesting(500);
  const auto start = std::chrono::steady_clock::now();
  shutdown(server.connections()[0], SHUT_WR);
  const bool ended = RunUntil([&] { return events.Ended(); }, 10000);
  const auto waited = std::chrono::steady_clock::now() - start;
  TCPSocketPosix::SetDrainIdleLimitForTesting(0);
  ASSERT_TRUE(ended);
  EXPECT_EQ(events.events.back(), "error 102");
  EXPECT_GT(socket->BytesLeftToSend(), 0);
  // Not before the limit; well before the usual ten seconds, or RunUntil would have given up.
  EXPECT_GE(waited, std::chrono::milliseconds(500));
}

// Urgent (out-of-band) data from the peer is no error: the ordinary bytes around it arrive
// and the connection stays up.
TEST(TCPSocket, UrgentDataIsNotAnError) {
  PlainServer server;
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(1), 1);
  const int peer = server.connections()[0];
  ASSERT_EQ(send(peer, "before", 6, 0), 6);
  ASSERT_EQ(send(peer, "!", 1, MSG_OOB), 1);
  ASSERT_EQ(send(peer, "after", 5, 0), 5);
  RunUntil([&] { return events.received.find("after") != std::string::npos; }, 5000);
  RunUntil([] { return false; }, 300);
  // The urgent byte itself may come inline or not at all; nothing else is lost.
  EXPECT_TRUE(events.received == "beforeafter" || events.received == "before!after")
      << events.received;
  EXPECT_EQ(CountOf(events.events, "connected"), 1);
  for (const std::string& event : events.events) EXPECT_NE(event.rfind("error", 0), 0u) << event;
  EXPECT_TRUE(socket->IsConnected());
}

// poll(2) has no ceiling at descriptor 1,023.
TEST(TCPSocket, DescriptorsAboveTheSelectLimitWork) {
  DescriptorLimit limit(1200);
  if (!limit.Enough()) GTEST_SKIP() << "the descriptor limit is below 1,200";
  std::vector<int> filler;
  while (filler.empty() || filler.back() < 1100) filler.push_back(open("/dev/null", O_RDONLY));
  Peer peer = StartPeer({"echo"});
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  socket->Write("line\n", 5);
  ASSERT_TRUE(RunUntil([&] { return events.received == "line\n"; }));
  EXPECT_GT(socket->GetHandle(), 1024);
  socket.reset();
  for (int fd : filler) close(fd);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// While 100 connections are idle the loop sleeps: a handful of passes in two seconds, next to
// no CPU; data that arrives while it sleeps wakes it, and the socket delivers it.
TEST(TCPSocket, IdleConnectionsLetTheLoopSleep) {
  PlainServer server;
  std::vector<RecordingDelegate> delegates(100);
  std::vector<SocketHandle> sockets;
  for (RecordingDelegate& d : delegates) {
    sockets.push_back(NewSocket(&d));
    sockets.back()->Connect("127.0.0.1", server.port());
  }
  ASSERT_EQ(server.Accept(100), 100);
  ASSERT_TRUE(RunUntil([&] { return CountOf(delegates.back().events, "connected") == 1; }));
  RunUntil([] { return false; }, 100);

  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  for (auto now = start; now - start < std::chrono::seconds(2);
       now = std::chrono::steady_clock::now(), ++passes) {
    RunPass(int(2001 - std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count()));
  }
  EXPECT_LE(passes, 10);
  EXPECT_LT(CpuSeconds() - cpu, 0.25);

  std::thread late([fd = server.connections()[42]] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(write(fd, "x", 1), 1);
  });
  const uint32_t dispatches = SocketSourceDispatchCount();
  // Long passes until the data is in: a pass may end without it as the loop's own passes in
  // the two seconds above did, and on a busy machine the writer may come late.
  auto delivered = [&] {
    int count = 0;
    for (const RecordingDelegate& d : delegates) count += CountOf(d.events, "data");
    return count;
  };
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(qvtest::TimeLimit(10000));
  for (auto now = std::chrono::steady_clock::now(); delivered() == 0 && now < until;
       now = std::chrono::steady_clock::now()) {
    RunPass(int(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()) + 1);
  }
  late.join();
  EXPECT_EQ(delivered(), 1);
  EXPECT_GT(SocketSourceDispatchCount(), dispatches) << "the socket woke the loop";
}

}  // namespace
