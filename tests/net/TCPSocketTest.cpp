// Native stream sockets against real peers on 127.0.0.1: event order, refusals, bulk data
// both ways by hash, resets, silent and slow peers, the receive limit, high descriptors and
// the loop sleeping while connections are idle.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "NetTestSupport.h"
#include "net/SocketPolling.h"
#include "net/SocketSource.h"
#include "net/TCPSocketPosix.h"

namespace {

using namespace nettest;

constexpr int32_t kMB = 1024 * 1024;

// Hashes what arrives instead of keeping it.
class HashingDelegate : public RecordingDelegate {
 public:
  HashingDelegate() { readOnData = false; }
  void DataAvailable(TCPSocket* socket) override {
    if (reading) {
      const string text = socket->ReadAll();
      hash.Add(text.CString(), size_t(text.Length()));
      bytes += text.Length();
    }
    Note(socket, "data");
  }
  bool reading = true;
  Sha256 hash;
  int64_t bytes = 0;
};

// count pseudo-random bytes written to the socket a megabyte at a time; their hash.
std::string WriteRandom(TCPSocket* socket, int64_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string block(kMB, '\0');
  Sha256 hash;
  for (int64_t done = 0; done < count; done += kMB) {
    const size_t n = size_t(std::min<int64_t>(kMB, count - done));
    for (size_t i = 0; i < n; i += 4) {
      const uint32_t word = random();
      std::memcpy(&block[i], &word, std::min<size_t>(4, n - i));
    }
    socket->Write(block.data(), int32_t(n));
    hash.Add(block.data(), n);
  }
  return hash.Hex();
}

bool HasError(const RecordingDelegate& d) {
  return !d.events.empty() && d.events.back().rfind("error", 0) == 0;
}

// Connected first, then data, and the peer's close (102) after the last DataAvailable, once;
// what was not read stays readable after the error, and the socket is closed.
TEST(TCPSocket, EventsComeInOrderAndThePeersCloseAfterTheLastData) {
  Peer peer = StartPeer({"greet", "hello, world"});
  RecordingDelegate events;
  events.readOnData = false;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return HasError(events); }));
  ASSERT_GE(events.events.size(), 3u);
  EXPECT_EQ(events.events.front(), "connected");
  EXPECT_EQ(events.events[1], "data");
  EXPECT_EQ(events.events.back(), "error 102");
  EXPECT_EQ(CountOf(events.events, "error 102"), 1);
  EXPECT_FALSE(socket->IsConnected());
  EXPECT_EQ(socket->GetHandle(), -1);
  EXPECT_FALSE(socket->IsRegistered());
  EXPECT_EQ(std::string(socket->Lookahead().CString()), "hello, world");
  EXPECT_EQ(std::string(socket->Read(5).CString()), "hello");
  EXPECT_EQ(socket->Read(0).Length(), 0);
  EXPECT_EQ(std::string(socket->Read(100).CString()), ", world");
  EXPECT_EQ(socket->BytesAvailable(), 0);
}

TEST(TCPSocket, ARefusedPortIsNameResolutionErrorWithoutConnected) {
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", FreePort());
  ASSERT_TRUE(RunUntil([&] { return HasError(events); }));
  EXPECT_EQ(events.events, std::vector<std::string>{"error 103"});
  EXPECT_EQ(socket->LastError(), 103);
  EXPECT_FALSE(socket->IsConnected());
}

// 100 MB each way at once, written before the connection is made; the peer reads in random
// small pieces. Both sides' hashes agree.
TEST(TCPSocket, HundredMegabytesEachWayWrittenWhileConnecting) {
  constexpr int64_t kBytes = 100 * int64_t(kMB);
  Peer peer = StartPeer({"stream", std::to_string(kBytes), std::to_string(kBytes)});
  HashingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  const std::string sent = WriteRandom(socket.get(), kBytes, 7);
  EXPECT_GT(socket->BytesLeftToSend(), 0);
  ASSERT_TRUE(RunUntil([&] { return HasError(events); }, 120000));
  EXPECT_EQ(events.events.front(), "connected");
  EXPECT_GE(CountOf(events.events, "complete"), 1);
  EXPECT_GT(events.progress, 0);
  EXPECT_EQ(peer.process->Await("received "), std::to_string(kBytes) + " " + sent);
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + events.hash.Hex());
  EXPECT_EQ(events.bytes, kBytes);
}

// A reset in the middle of a long write is one LostConnection, and no signal ends the test.
TEST(TCPSocket, AResetMidWriteIsOneLostConnection) {
  Peer peer = StartPeer({"reset", std::to_string(kMB)});
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  WriteRandom(socket.get(), 64 * int64_t(kMB), 3);
  ASSERT_TRUE(RunUntil([&] { return HasError(events); }));
  EXPECT_EQ(peer.process->Await("reset"), "");
  EXPECT_EQ(CountOf(events.events, "error 102"), 1) << events.events.back();
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(CountOf(events.events, "error 102"), 1);
}

// Flush waits while the peer takes data, and gives up once it stops, the rest still queued.
TEST(TCPSocket, FlushGivesUpOnASilentPeerWithTheRestQueued) {
  Peer peer = StartPeer({"silent"});
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return socket->IsConnected(); }));
  WriteRandom(socket.get(), 64 * int64_t(kMB), 5);
  const auto start = std::chrono::steady_clock::now();
  socket->Flush(500);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GT(socket->BytesLeftToSend(), 0);
  EXPECT_TRUE(socket->IsConnected());
  EXPECT_GE(waited, std::chrono::milliseconds(500));
  EXPECT_LT(waited, std::chrono::seconds(10));
}

// 300 MB sent to a program that does not read: the socket stops taking them at the limit,
// and once the program reads, every byte arrives.
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
  EXPECT_TRUE(socket->IsConnected());
  // The program reads what waits; the socket takes the rest as it comes.
  const string waiting = socket->ReadAll();
  events.hash.Add(waiting.CString(), size_t(waiting.Length()));
  events.bytes += waiting.Length();
  events.reading = true;
  ASSERT_TRUE(RunUntil([&] { return HasError(events); }, 120000));
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + events.hash.Hex());
  EXPECT_EQ(events.bytes, kBytes);
  EXPECT_EQ(static_cast<TCPSocketPosix*>(socket.get())->QueueNodeCount(), 0);
}

// poll(2) has no ceiling at descriptor 1,023.
TEST(TCPSocket, DescriptorsAboveTheSelectLimitWork) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_max < 1200) GTEST_SKIP() << "the descriptor limit is below 1,200";
  const rlimit saved = limit;
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
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
  setrlimit(RLIMIT_NOFILE, &saved);
}

// While 100 connections are idle the loop sleeps: a handful of passes in two seconds (the
// polling task's), no CPU to speak of; data that arrives while it sleeps is delivered by the
// next pass.
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
  RunUntil([] { return false; }, 100);  // every Connected out

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  for (auto now = start; now - start < std::chrono::seconds(2);
       now = std::chrono::steady_clock::now()) {
    const int left = int(2000 - std::chrono::duration_cast<std::chrono::milliseconds>(
                                    now - start).count());
    RunPass(std::max(left, 1));
    ++passes;
  }
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LE(passes, 10);
  const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                     (after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                     (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6 +
                     (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
  EXPECT_LT(cpu, 0.25);

  const int writer = server.connections()[42];
  std::thread late([writer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(write(writer, "x", 1), 1);
  });
  const uint32_t dispatches = SocketSourceDispatchCount();
  RunPass(10000);
  late.join();
  int delivered = 0;
  for (const RecordingDelegate& d : delegates) delivered += CountOf(d.events, "data");
  EXPECT_EQ(delivered, 1);
  EXPECT_GT(SocketSourceDispatchCount(), dispatches) << "the socket woke the loop";
}

}  // namespace
