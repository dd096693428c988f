// The language classes: a TCPSocket subclass made as compiled code makes one, its handlers
// recording what they see; the order and counts of events, aborting one of two sends, the
// accessors, suspension and owner-less polling, and handlers that close, connect, release
// their object or run a pass inside every event.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <map>

#include "NetTestSupport.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeObject.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SocketClasses.h"
#include "net/SocketCore.h"
#include "net/SocketPolling.h"
#include "support/TestSupport.h"

namespace {

using namespace nettest;

// What each object's handlers saw, in order, as "event" or "event value".
std::map<RuntimeObject*, std::vector<std::string>> gSeen;
// Run inside an event after it is recorded: (object, event name).
std::function<void(RuntimeObject*, const std::string&)> gAction;
// The answer of SendProgress, by object.
std::map<RuntimeObject*, bool> gAbort;

void Saw(RuntimeObject* self, const std::string& event) {
  gSeen[self].push_back(event);
  if (gAction) gAction(self, event);
}

extern "C" void OnConnected(RuntimeObject* self) { Saw(self, "connected"); }
extern "C" void OnDataAvailable(RuntimeObject* self) { Saw(self, "data"); }
extern "C" void OnSendComplete(RuntimeObject* self, int32_t aborted) {
  Saw(self, aborted ? "complete aborted" : "complete");
}
extern "C" int32_t OnSendProgress(RuntimeObject* self, int32_t, int32_t) {
  Saw(self, "progress");
  return gAbort[self] ? 1 : 0;
}
extern "C" void OnError(RuntimeObject* self) {
  Saw(self, "error " + std::to_string(socketLastErrorCode(self)));
}

RuntimeClass* RecordingSocketClass() {
  static RuntimeClass* cls = [] {
    return MakeSubclass(TCPSocketClassDefinition(), "RecordingSocket",
                        {{"Connected", reinterpret_cast<void*>(&OnConnected)},
                         {"DataAvailable", reinterpret_cast<void*>(&OnDataAvailable)},
                         {"SendComplete", reinterpret_cast<void*>(&OnSendComplete)},
                         {"SendProgress", reinterpret_cast<void*>(&OnSendProgress)},
                         {"Error", reinterpret_cast<void*>(&OnError)}});
  }();
  return cls;
}

class SocketClasses : public testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    gAbort.clear();
    gAction = nullptr;
    mLive = LiveObjectCount();
  }
  void TearDown() override {
    gAction = nullptr;
    for (RuntimeObject* object : mHeld) RuntimeUnlockObject(object);
    RunUntil([&] { return LiveObjectCount() == mLive; }, 2000);
    EXPECT_EQ(LiveObjectCount(), mLive) << "objects left behind";
    EXPECT_EQ(LiveSocketCount(), 0) << "sockets left behind";
  }

  // A new socket object, released by the test's end.
  RuntimeObject* NewSocketObject() {
    RuntimeObject* object = RuntimeNewObject(RecordingSocketClass());
    mHeld.push_back(object);
    return object;
  }
  static void ConnectTo(RuntimeObject* object, const char* address, int port) {
    socketDirectConnect(object, string(address).Storage(), port);
  }
  static std::string ReadAll(RuntimeObject* object) {
    return string::Adopt(SocketReadAll(object, nullptr)).CString();
  }

  std::vector<RuntimeObject*> mHeld;
  int32_t mLive = 0;
};

bool Ended(RuntimeObject* object) {
  const std::vector<std::string>& seen = gSeen[object];
  return !seen.empty() && seen.back().rfind("error", 0) == 0;
}

// "LocalHost" is the loopback address; the events come Connected, SendProgress and
// SendComplete for the written line, DataAvailable for the echo, and Error 102 once the peer
// closes, with the data still readable and EOF only then.
TEST_F(SocketClasses, EventsOfAConversationInOrder) {
  Peer peer = StartPeer({"greet", "welcome\n"});
  RuntimeObject* socket = NewSocketObject();
  ConnectTo(socket, "LocalHost", peer.port);
  SocketWrite(socket, string("hi\n").Storage());
  ASSERT_TRUE(RunUntil([&] { return Ended(socket); }));
  const std::vector<std::string>& seen = gSeen[socket];
  EXPECT_EQ(seen.front(), "connected");
  EXPECT_EQ(seen.back(), "error 102");
  EXPECT_EQ(CountOf(seen, "complete"), 1);
  EXPECT_GE(CountOf(seen, "data"), 1);
  EXPECT_LT(std::find(seen.begin(), seen.end(), "progress") - seen.begin(),
            std::find(seen.begin(), seen.end(), "complete") - seen.begin());
  EXPECT_EQ(socketLastErrorCode(socket), 102);
  EXPECT_FALSE(SocketIsConnected(socket, 0));
  EXPECT_FALSE(TCPSocketEof(socket)) << "data is waiting";
  EXPECT_EQ(ReadAll(socket), "welcome\n");
  EXPECT_TRUE(TCPSocketEof(socket));
}

// SendProgress answered True on one socket drops its unsent data and reaches that socket's
// SendComplete alone; the other completes normally once its peer reads.
TEST_F(SocketClasses, AnAbortReachesOnlyItsOwnSendComplete) {
  PlainServer server;
  RuntimeObject* aborting = NewSocketObject();
  RuntimeObject* patient = NewSocketObject();
  gAbort[aborting] = true;
  for (RuntimeObject* socket : {aborting, patient}) {
    ConnectTo(socket, "127.0.0.1", server.port());
    ASSERT_TRUE(RunUntil([&] { return SocketIsConnected(socket, 0) != 0; }));
    SocketWrite(socket, string(std::string(16 << 20, 'z').c_str()).Storage());
  }
  ASSERT_EQ(server.Accept(2), 2);
  ASSERT_TRUE(RunUntil([&] { return CountOf(gSeen[aborting], "complete aborted") == 1; }));
  EXPECT_EQ(TCPSocketBytesLeftToSend(aborting, 0), 0);
  EXPECT_GT(TCPSocketBytesLeftToSend(patient, 0), 0);
  EXPECT_EQ(CountOf(gSeen[patient], "complete"), 0);
  char buffer[65536];
  ASSERT_TRUE(RunUntil([&] {
    for (int fd : server.connections()) {
      while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
      }
    }
    return CountOf(gSeen[patient], "complete") == 1;
  }));
  EXPECT_EQ(CountOf(gSeen[patient], "complete aborted"), 0);
  EXPECT_EQ(CountOf(gSeen[aborting], "complete"), 0);
}

TEST_F(SocketClasses, AccessorsOfAConnectedSocket) {
  PlainServer server;
  RuntimeObject* socket = NewSocketObject();
  qvtest::ReportCapture reports;
  TCPSocketFlush(socket);  // nothing queued: back at once
  SocketDisconnect(socket);  // not connected: nothing
  EXPECT_TRUE(gSeen[socket].empty());
  ConnectTo(socket, "127.0.0.1", server.port());
  ASSERT_TRUE(RunUntil([&] { return SocketIsConnected(socket, 0) != 0; }));
  EXPECT_FALSE(TCPSocketEof(socket)) << "connected, nothing queued";
  const int32_t local = SocketPortGetter(socket, 0);
  EXPECT_NE(local, server.port());
  SocketPortSetter(socket, 0, 4242);  // no effect until the next Connect
  EXPECT_EQ(SocketPortGetter(socket, 0), local);
  EXPECT_STREQ(string::Adopt(socketRemoteAddressGetter(socket, 0)).CString(), "127.0.0.1");
  EXPECT_GT(SocketGetHandle(socket, 0), 2);
  EXPECT_EQ(DebuggerSocketCount(), 1);
  RuntimeObject* found = DebuggerSocketLookup(nullptr, 0);
  EXPECT_EQ(found, socket);
  RuntimeUnlockObject(found);
  EXPECT_EQ(DebuggerSocketLookup(nullptr, 1), nullptr);
  EXPECT_EQ(socketGetEvents(socket) & SocketCore::kConnected, SocketCore::kConnected);
  EXPECT_EQ(socketGetEvents(socket), 0u);
  SocketDisconnect(socket);
  EXPECT_EQ(gSeen[socket].back(), "error 102");
  EXPECT_EQ(SocketPortGetter(socket, 0), 4242);
  EXPECT_TRUE(reports.empty());
  // The checked accessors report a missing object or socket.
  EXPECT_EQ(SocketPortGetter(nullptr, 0), 0);
  RuntimeObject* bare = NewObjectFromDefinition(SocketCoreClassDefinition());
  EXPECT_EQ(TCPSocketEof(bare), 0);
  RuntimeUnlockObject(bare);
  EXPECT_TRUE(reports.HasCondition("ctl"));
  EXPECT_TRUE(reports.HasCondition("ctl->socket"));
}

// A Write on a socket never connected, or after its connection was lost, is Error with
// InvalidStateError: nothing waits for a connection that is not there. What came before the
// loss stays readable.
TEST_F(SocketClasses, AWriteWithNoConnectionIsAnError) {
  RuntimeObject* socket = NewSocketObject();
  SocketWrite(socket, string("early").Storage());
  EXPECT_EQ(gSeen[socket], std::vector<std::string>{"error 106"});
  EXPECT_EQ(socketLastErrorCode(socket), 106);
  EXPECT_EQ(TCPSocketBytesLeftToSend(socket, 0), 0);
  Peer peer = StartPeer({"greet", "bye"});
  ConnectTo(socket, "127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return CountOf(gSeen[socket], "error 102") == 1; }));
  SocketWrite(socket, string("late").Storage());
  EXPECT_EQ(gSeen[socket].back(), "error 106");
  EXPECT_EQ(socketLastErrorCode(socket), 106);
  EXPECT_EQ(TCPSocketBytesLeftToSend(socket, 0), 0);
  EXPECT_EQ(ReadAll(socket), "bye");
}

// Counts at their limits: a Read of a negative or zero count takes nothing, one of the largest
// count takes what waits.
TEST_F(SocketClasses, ReadCountsAtTheirLimits) {
  const auto read = [](RuntimeObject* object, int32_t count) {
    return std::string(string::Adopt(socketRead(object, count, nullptr)).CString());
  };
  Peer peer = StartPeer({"greet", "at the limits"});
  RuntimeObject* socket = NewSocketObject();
  ConnectTo(socket, "127.0.0.1", peer.port);
  ASSERT_TRUE(RunUntil([&] { return CountOf(gSeen[socket], "error 102") == 1; }));
  for (const int32_t count : {INT32_MIN, -1, 0}) EXPECT_EQ(read(socket, count), "") << count;
  EXPECT_EQ(read(socket, 3), "at ");
  EXPECT_EQ(read(socket, INT32_MAX), "the limits");
  EXPECT_EQ(read(socket, INT32_MAX), "");
}

// Owned sockets wait while only owner-less sockets are polled, and while delivery is
// suspended; their data is read all the same, and delivered afterwards.
TEST_F(SocketClasses, EventsWaitForOwnedPollingAndSuspension) {
  PlainServer server;
  RuntimeObject* socket = NewSocketObject();
  ConnectTo(socket, "127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(1), 1);
  SocketSuspendPolling();
  for (int i = 0; i < 20; ++i) RunPass(5);
  EXPECT_TRUE(gSeen[socket].empty()) << "suspended";
  SocketResumePolling();
  ASSERT_TRUE(RunUntil([&] { return !gSeen[socket].empty(); }));
  ASSERT_EQ(write(server.connections()[0], "abc", 3), 3);
  usleep(50000);
  for (int i = 0; i < 5; ++i) SocketsPoll(true);
  EXPECT_EQ(CountOf(gSeen[socket], "data"), 0);
  SocketsPoll(false);
  EXPECT_EQ(CountOf(gSeen[socket], "data"), 1);
  EXPECT_EQ(ReadAll(socket), "abc");
}

// A DataAvailable handler that runs passes while more bytes arrive: the bytes are read in,
// but DataAvailable is not raised inside its own handler; it comes once the handler returns.
TEST_F(SocketClasses, DataAvailableWaitsForItsOwnHandlerToReturn) {
  PlainServer server;
  RuntimeObject* socket = NewSocketObject();
  ConnectTo(socket, "127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(1), 1);
  const int peer = server.connections()[0];
  int depth = 0, nested = 0, handlers = 0;
  int32_t readInside = 0;
  gAction = [&](RuntimeObject* self, const std::string& event) {
    if (event != "data") return;
    if (depth > 0) ++nested;
    if (handlers++ > 0) return;
    ++depth;
    if (write(peer, "more", 4) == 4) {
      RunUntil([&] { return SocketBytesAvailable(self, 0) == 9; }, 5000);
      for (int i = 0; i < 5; ++i) RunPass(10);
    }
    readInside = SocketBytesAvailable(self, 0);
    --depth;
  };
  ASSERT_EQ(write(peer, "first", 5), 5);
  ASSERT_TRUE(RunUntil([&] { return handlers == 2; }, 5000)) << "no DataAvailable after";
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(readInside, 9) << "the passes inside the handler read the new bytes";
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(CountOf(gSeen[socket], "data"), 2);
  EXPECT_EQ(ReadAll(socket), "firstmore");
}

// Each handler closes, connects again, releases its object or runs a pass inside each event;
// the sockets go on or go away cleanly (run under the sanitizers too).
TEST_F(SocketClasses, HandlersMayCloseConnectReleaseOrPassInsideEveryEvent) {
  const std::vector<std::string> events = {"connected", "data", "progress", "complete",
                                           "error 102"};
  const std::vector<std::string> actions = {"close", "connect", "release", "pass"};
  for (const std::string& event : events) {
    for (const std::string& action : actions) {
      SCOPED_TRACE(event + " / " + action);
      PlainServer server;
      RuntimeObject* socket = RuntimeNewObject(RecordingSocketClass());
      bool acted = false;
      gAction = [&](RuntimeObject* self, const std::string& seen) {
        if (seen != event || acted) return;
        acted = true;
        if (action == "close") socketClose(self);
        if (action == "connect") ConnectTo(self, "127.0.0.1", server.port());
        if (action == "release") RuntimeUnlockObject(self);
        if (action == "pass") RunPass(0);
      };
      // The test's reference is the one a handler may release; a connection holds its own.
      ConnectTo(socket, "127.0.0.1", server.port());
      SocketWrite(socket, string("out").Storage());
      ASSERT_GE(server.Accept(1), 1);
      ASSERT_EQ(write(server.connections()[0], "in", 2), 2);
      shutdown(server.connections()[0], SHUT_RDWR);
      RunUntil([&] {
        if (!acted) return false;
        if (action == "release") return LiveSocketCount() == 0;
        return (action == "connect") == (SocketIsConnected(socket, 0) != 0);
      }, 3000);
      EXPECT_TRUE(acted);
      if (action != "release") {
        socketClose(socket);
        RuntimeUnlockObject(socket);
      }
      gAction = nullptr;
      ASSERT_EQ(gSeen.size(), 1u);
      // A socket closed in a handler raises nothing more.
      if (action == "close") {
        EXPECT_EQ(gSeen.begin()->second.back(), event);
      }
      gSeen.clear();
      RunUntil([&] { return LiveSocketCount() == 0; }, 1000);
      EXPECT_EQ(LiveSocketCount(), 0);
    }
  }
}

// 200 connections whose DataAvailable closes the next one and lets go of its object, which
// may be waiting in the same pass.
TEST_F(SocketClasses, TwoHundredSocketsClosingEachOther) {
  PlainServer server;
  std::vector<RuntimeObject*> sockets;
  for (int i = 0; i < 200; ++i) {
    sockets.push_back(RuntimeNewObject(RecordingSocketClass()));
    ConnectTo(sockets.back(), "127.0.0.1", server.port());
  }
  ASSERT_EQ(server.Accept(200), 200);
  std::vector<bool> released(200, false);
  gAction = [&](RuntimeObject* self, const std::string& event) {
    if (event != "data") return;
    const size_t next = (std::find(sockets.begin(), sockets.end(), self) - sockets.begin() + 1) % 200;
    if (released[next]) return;
    released[next] = true;
    socketClose(sockets[next]);
    RuntimeUnlockObject(sockets[next]);
  };
  for (int fd : server.connections()) ASSERT_EQ(write(fd, "!", 1), 1);
  RunUntil([] { return false; }, 500);
  gAction = nullptr;
  // A socket left is one whose predecessor was closed before its data came.
  int left = 0;
  for (size_t i = 0; i < 200; ++i) {
    if (released[i]) continue;
    ++left;
    EXPECT_TRUE(SocketIsConnected(sockets[i], 0));
    EXPECT_EQ(CountOf(gSeen[sockets[(i + 199) % 200]], "data"), 0) << i;
  }
  EXPECT_EQ(DebuggerSocketCount(), left);
  EXPECT_LT(left, 100);
  for (size_t i = 0; i < 200; ++i) {
    if (released[i]) continue;
    socketClose(sockets[i]);
    RuntimeUnlockObject(sockets[i]);
  }
}

}  // namespace
