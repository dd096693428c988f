// ServerSocket and its pool against real clients: how many sockets AddSocket is asked for,
// the budget of connections, what StopListening and the server's end leave behind, a thousand
// clients at once, pending connections that fail, and an AddSocket that misbehaves.
#include <glib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <functional>
#include <string>

#include "NetTestSupport.h"
#include "arrays/RuntimeArray.h"
#include "core/Exceptions.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/ServerSocketClass.h"
#include "net/ServerSocketListener.h"
#include "net/SocketFunctions.h"
#include "support/TestSupport.h"

namespace {

using namespace nettest;

int gAdded = 0;
int gConnected = 0;
std::vector<int32_t> gServerErrors;
// What AddSocket answers; by default a new echoing socket.
std::function<RuntimeObject*()> gAddSocket;

RuntimeClass* EchoSocketClass();

extern "C" RuntimeObject* OnAddSocket(RuntimeObject*) {
  ++gAdded;
  return gAddSocket ? gAddSocket() : RuntimeNewObject(EchoSocketClass());
}
extern "C" void OnServerError(RuntimeObject*, int32_t code) { gServerErrors.push_back(code); }
// Run inside each handed-off connection's Connected.
std::function<void(RuntimeObject*)> gOnConnected;

extern "C" void OnEchoConnected(RuntimeObject* self) {
  ++gConnected;
  if (gOnConnected) gOnConnected(self);
}
extern "C" void OnEchoData(RuntimeObject* self) {
  stringStorage* data = SocketReadAll(self, nullptr);
  SocketWrite(self, data);
  stringStorage::RemoveReference(data);
}

RuntimeClass* EchoSocketClass() {
  static RuntimeClass* cls = MakeSubclass(
      TCPSocketClassDefinition(), "PoolEchoSocket",
      {{"Connected", reinterpret_cast<void*>(&OnEchoConnected)},
       {"DataAvailable", reinterpret_cast<void*>(&OnEchoData)}});
  return cls;
}

RuntimeClass* ServerClass() {
  static RuntimeClass* cls =
      MakeSubclass(ServerSocketClassDefinition(), "EchoServer",
                   {{"AddSocket", reinterpret_cast<void*>(&OnAddSocket)},
                    {"Error", reinterpret_cast<void*>(&OnServerError)}});
  return cls;
}

// A blocking client of 127.0.0.1:port; -1 when it cannot connect.
int Client(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Whether the server side closed the client's connection (end of stream or reset).
bool ClosedByServer(int fd) {
  char byte;
  const ssize_t n = recv(fd, &byte, 1, MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno == ECONNRESET);
}

// Writes a line and waits, running passes, until it comes back.
bool Echoes(int fd, const std::string& line) {
  if (write(fd, line.data(), line.size()) != ssize_t(line.size())) return false;
  std::string got;
  RunUntil([&] {
    char buffer[256];
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) got.append(buffer, size_t(n));
    return got.size() >= line.size();
  }, 10000);
  return got == line;
}

class ServerSockets : public testing::Test {
 protected:
  void SetUp() override {
    gAdded = 0;
    gConnected = 0;
    gServerErrors.clear();
    gAddSocket = nullptr;
    EchoSocketClass();
    ServerClass();
    mLive = LiveObjectCount();
  }
  void TearDown() override {
    gOnConnected = nullptr;
    for (int fd : mClients) close(fd);
    for (RuntimeObject* server : mServers) RuntimeUnlockObject(server);
    gAddSocket = nullptr;
    RunUntil([&] { return LiveObjectCount() == mLive && LiveSocketCount() == 0; }, 5000);
    EXPECT_EQ(LiveObjectCount(), mLive) << "objects left behind";
    EXPECT_EQ(LiveSocketCount(), 0) << "sockets left behind";
  }

  // A listening server with these bounds, released by the test's end.
  RuntimeObject* Serve(int32_t minimum, int32_t maximum) {
    RuntimeObject* server = RuntimeNewObject(ServerClass());
    mServers.push_back(server);
    ServerSocketSetMinSockets(server, 0, minimum);
    ServerSocketSetMaxSockets(server, 0, maximum);
    ServerSocketListen(server);
    return server;
  }
  int Connect(RuntimeObject* server) {
    const int fd = Client(ServerSocketPortGetter(server, 0));
    if (fd >= 0) mClients.push_back(fd);
    return fd;
  }
  static ServerSocketListener* Listener(RuntimeObject* server) {
    return static_cast<ServerSocketListener*>(AsSocketObject(server)->socket);
  }
  static int32_t ActiveCount(RuntimeObject* server) {
    RuntimeArray* active = ServerSocketGetActiveSockets(server);
    const int32_t count = RuntimeUBound(active) + 1;
    RuntimeUnlockArray(active);
    return count;
  }

  std::vector<RuntimeObject*> mServers;
  std::vector<int> mClients;
  int32_t mLive = 0;
};

// The first pass asks for the minimum and ten more; a refill asks for ten at a time once fewer
// than the minimum wait. A new server's bounds are at least 1.
TEST_F(ServerSockets, TheMinimumAndRefills) {
  RuntimeObject* fresh = RuntimeNewObject(ServerClass());
  EXPECT_EQ(intGetter(fresh, offsetof(ServerSocketObject, minimumSocketsAvailable)), 1);
  EXPECT_EQ(intGetter(fresh, offsetof(ServerSocketObject, maximumSocketsConnected)), 1);
  EXPECT_FALSE(serverSocketIsListening(fresh, 0));
  RuntimeUnlockObject(fresh);

  RuntimeObject* server = Serve(2, 100);
  EXPECT_TRUE(serverSocketIsListening(server, 0));
  EXPECT_GT(ServerSocketPortGetter(server, 0), 0);
  EXPECT_GT(ServerSocketGetHandle(server, 0), 2);
  RunPass(0);
  EXPECT_EQ(gAdded, 12);
  for (int i = 0; i < 10; ++i) ASSERT_GE(Connect(server), 0);
  ASSERT_TRUE(RunUntil([] { return gConnected == 10; }));
  EXPECT_EQ(gAdded, 12) << "two still wait";
  ASSERT_GE(Connect(server), 0);
  ASSERT_TRUE(RunUntil([] { return gConnected == 11 && gAdded == 22; }));
  EXPECT_EQ(Listener(server)->WaitingCount(), 11);
  EXPECT_EQ(ActiveCount(server), 11);
  EXPECT_TRUE(Echoes(mClients.back(), "ping\n"));
}

// The bounds at their limits read back what is in force. The largest minimum fills over many
// passes, a bounded number of AddSocket events each, while a timer goes on firing; a client
// that comes meanwhile is served, and the pool stops at the minimum and ten more.
TEST_F(ServerSockets, TheBoundsAtTheirLimits) {
  const int32_t kMaxMinimum = ServerSocketListener::kMaxMinimum;
  const auto minimum = [](RuntimeObject* server) {
    return intGetter(server, offsetof(ServerSocketObject, minimumSocketsAvailable));
  };
  const auto maximum = [](RuntimeObject* server) {
    return intGetter(server, offsetof(ServerSocketObject, maximumSocketsConnected));
  };
  RuntimeObject* probe = RuntimeNewObject(ServerClass());
  mServers.push_back(probe);
  const std::pair<int32_t, int32_t> minimums[] = {
      {INT32_MAX, kMaxMinimum}, {kMaxMinimum + 1, kMaxMinimum}, {kMaxMinimum, kMaxMinimum},
      {INT32_MIN, 0}, {-1, 0}, {0, 0}, {5000, 5000}};
  for (const auto& [asked, inForce] : minimums) {
    ServerSocketSetMinSockets(probe, 0, asked);
    ASSERT_EQ(minimum(probe), inForce) << asked;
  }
  for (const auto& [asked, inForce] : {std::pair{INT32_MAX, INT32_MAX}, {INT32_MIN, 0}}) {
    ServerSocketSetMaxSockets(probe, 0, asked);
    ASSERT_EQ(maximum(probe), inForce) << asked;
  }

  // How often a 1 ms timer fired while the pool was part-filled.
  struct Watch {
    ServerSocketListener* listener = nullptr;
    int firedWhileFilling = 0;
  } watch;
  const guint timer = g_timeout_add(
      1,
      [](gpointer data) -> gboolean {
        Watch* watch = static_cast<Watch*>(data);
        const int32_t waiting = watch->listener ? watch->listener->WaitingCount() : 0;
        if (waiting > 0 && waiting < ServerSocketListener::kMaxMinimum) ++watch->firedWhileFilling;
        return G_SOURCE_CONTINUE;
      },
      &watch);
  RuntimeObject* server = Serve(INT32_MAX, INT32_MAX);
  watch.listener = Listener(server);
  RunPass(0);
  // The toolkit's dispatch and the pass's own poll may each take one step.
  EXPECT_GE(gAdded, ServerSocketListener::kAddsPerPass);
  EXPECT_LE(gAdded, 2 * ServerSocketListener::kAddsPerPass);
  const int client = Connect(server);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(RunUntil([] { return gConnected == 1; }, 30000));
  EXPECT_TRUE(Echoes(client, "served while filling\n"));
  ASSERT_TRUE(RunUntil([&] { return Listener(server)->WaitingCount() >= kMaxMinimum; }, 60000));
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(gAdded, kMaxMinimum + ServerSocketListener::kRefillStep);
  EXPECT_GT(watch.firedWhileFilling, 0) << "the timer fired while the pool filled";
  g_source_remove(timer);

  // No connection at all is allowed with the least maximum: a client is closed at once.
  RuntimeObject* closed = Serve(1, INT32_MIN);
  EXPECT_EQ(maximum(closed), 0);
  const int refused = Connect(closed);
  ASSERT_TRUE(RunUntil([&] { return ClosedByServer(refused); }, 10000));
  EXPECT_EQ(ActiveCount(closed), 0);
  EXPECT_TRUE(gServerErrors.empty());
}

// With room for one connection, a second client is closed at once; when the first ends, the
// next client is taken.
TEST_F(ServerSockets, AtMostTheMaximumIsConnected) {
  RuntimeObject* server = Serve(1, 1);
  const int first = Connect(server);
  ASSERT_TRUE(RunUntil([] { return gConnected == 1; }));
  const int second = Connect(server);
  ASSERT_TRUE(RunUntil([&] { return ClosedByServer(second); }, 10000));
  EXPECT_EQ(gConnected, 1);
  EXPECT_EQ(ActiveCount(server), 1);
  EXPECT_EQ(Listener(server)->Budget(), 0);
  shutdown(first, SHUT_RDWR);
  ASSERT_TRUE(RunUntil([&] { return Listener(server)->Budget() == 1; }));
  EXPECT_EQ(ActiveCount(server), 0);
  const int third = Connect(server);
  ASSERT_TRUE(RunUntil([] { return gConnected == 2; }));
  EXPECT_TRUE(Echoes(third, "third\n"));
  EXPECT_TRUE(gServerErrors.empty());
}

// StopListening lets the waiting sockets go and leaves the connections on their own: they
// still echo and end cleanly; the server answers no more clients.
TEST_F(ServerSockets, StopListeningDetachesTheConnections) {
  RuntimeObject* server = Serve(1, 10);
  const int client = Connect(server);
  ASSERT_TRUE(RunUntil([] { return gConnected == 1; }));
  const int32_t port = ServerSocketPortGetter(server, 0);
  ServerSocketClose(server);
  EXPECT_FALSE(serverSocketIsListening(server, 0));
  EXPECT_EQ(ActiveCount(server), 0);
  EXPECT_EQ(Listener(server)->WaitingCount(), 0);
  EXPECT_EQ(LiveObjectCount(), mLive + 2) << "the server and its one connection";
  EXPECT_TRUE(Echoes(client, "still here\n"));
  EXPECT_EQ(Client(port), -1) << "refused";
  shutdown(client, SHUT_RDWR);
  ASSERT_TRUE(RunUntil([&] { return LiveObjectCount() == mLive + 1; }));
}

// A thousand clients connected at once, each echoed; when they close, every connection ends
// and the whole budget is back.
TEST_F(ServerSockets, AThousandClientsAtOnce) {
  DescriptorLimit limit(2048);
  if (!limit.Enough()) GTEST_SKIP() << "the descriptor limit cannot reach 2,048";
  RuntimeObject* server = Serve(20, 1000);
  PeerProcess clients({"python3", NET_PEER_SCRIPT, "clients", "1000",
                       std::to_string(ServerSocketPortGetter(server, 0))});
  std::string echoed;
  ASSERT_TRUE(RunUntil([&] { return clients.Check("echoed ", &echoed); }, 120000));
  EXPECT_EQ(echoed, "1000");
  EXPECT_EQ(ActiveCount(server), 1000);
  EXPECT_EQ(Listener(server)->Budget(), 0);
  clients.CloseInput();
  ASSERT_TRUE(RunUntil([&] { return ActiveCount(server) == 0; }, 60000));
  EXPECT_EQ(Listener(server)->Budget(), 1000);
  EXPECT_EQ(gConnected, 1000);
  EXPECT_TRUE(gServerErrors.empty());
  RuntimeUnlockObject(server);
  mServers.clear();
}

int gAcceptFailures = 0;
int AbortingAccept(int fd, sockaddr* address, socklen_t* length) {
  static const int kErrors[] = {ECONNABORTED, EPROTO, ENETUNREACH};
  if (gAcceptFailures < 3) {
    errno = kErrors[gAcceptFailures++];
    return -1;
  }
  return ::accept(fd, address, length);
}

// A client that resets before it is taken, and accept(2) failing for pending connections,
// neither ends the server; the good client after them is served. A failure of the listener
// itself is the server's Error, after which it no longer listens.
TEST_F(ServerSockets, PendingConnectionsThatFailAreSkipped) {
  RuntimeObject* server = Serve(1, 10);
  RunPass(0);
  const int resetting = Client(ServerSocketPortGetter(server, 0));
  const linger hard = {1, 0};
  setsockopt(resetting, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(resetting);
  gAcceptFailures = 0;
  SocketFunctionsForTesting().accept = AbortingAccept;
  const int good = Connect(server);
  ASSERT_TRUE(RunUntil([&] { return gAcceptFailures == 3 && ActiveCount(server) >= 1; }));
  RestoreSocketFunctions();
  EXPECT_TRUE(Echoes(good, "good\n"));
  EXPECT_TRUE(serverSocketIsListening(server, 0));
  EXPECT_TRUE(gServerErrors.empty());

  SocketFunctionsForTesting().accept = [](int, sockaddr*, socklen_t*) {
    errno = EBADF;
    return -1;
  };
  Connect(server);
  ASSERT_TRUE(RunUntil([] { return !gServerErrors.empty(); }));
  RestoreSocketFunctions();
  EXPECT_EQ(gServerErrors, std::vector<int32_t>{EBADF});
  EXPECT_FALSE(serverSocketIsListening(server, 0));
  EXPECT_EQ(Listener(server)->WaitingCount(), 0);
}

// An object AddSocket already gave is refused with a report and its extra reference let go;
// without a handler AddSocket is NilObjectException on the event's unhandled path, and the
// client that found no socket is closed.
TEST_F(ServerSockets, AnAddSocketThatMisbehaves) {
  RuntimeObject* same = RuntimeNewObject(EchoSocketClass());
  gAddSocket = [same] {
    RuntimeLockObject(same);
    return same;
  };
  {
    qvtest::ReportCapture reports;
    RuntimeObject* server = Serve(3, 10);
    RunPass(0);
    EXPECT_EQ(gAdded, 2);
    EXPECT_EQ(Listener(server)->WaitingCount(), 1);
    EXPECT_TRUE(reports.HasCondition("AddSocket returned a socket that is not free"));
    ServerSocketClose(server);
  }
  RuntimeUnlockObject(same);
  EXPECT_EQ(LiveObjectCount(), mLive + 1) << "the server alone";

  std::vector<std::string> raised;
  static std::vector<std::string>* sRaised = &raised;
  SetRaiseExceptionHook([](RuntimeObject* e) {
    sRaised->push_back(stringStorage::CString(e->classPtr->className));
  });
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  RuntimeClass* bare = RuntimeClassForDefinition(ServerSocketClassDefinition());
  RuntimeObject* server = RuntimeNewObject(bare);
  mServers.push_back(server);
  ServerSocketListen(server);
  const int client = Connect(server);
  const uint32_t passes = 20;
  for (uint32_t i = 0; i < passes; ++i) RunPass(10);
  SetRaiseExceptionHook(nullptr);
  SetUnhandledExceptionHook(nullptr);
  EXPECT_EQ(raised, std::vector<std::string>{"NilObjectException"});
  EXPECT_TRUE(ClosedByServer(client));
  EXPECT_EQ(ActiveCount(server), 0);
}

// AddSocket answering nil, the exception handled: each client is closed at once, never left
// connected without an answer; once AddSocket gives sockets again, the next client is served.
TEST_F(ServerSockets, APoolThatCannotBeFilledClosesEachClientUntilItCanBe) {
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  gAddSocket = [] { return nullptr; };
  RuntimeObject* server = Serve(1, 10);
  RunPass(0);
  std::vector<int> clients;
  for (int i = 0; i < 3; ++i) clients.push_back(Connect(server));
  for (int fd : clients) {
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(RunUntil([&] { return ClosedByServer(fd); }, 5000));
  }
  EXPECT_TRUE(serverSocketIsListening(server, 0));
  EXPECT_GE(gAdded, 2) << "a connection that finds no socket asks for one";
  gAddSocket = nullptr;
  const int served = Connect(server);
  ASSERT_TRUE(RunUntil([] { return gConnected == 1; }, 5000));
  EXPECT_TRUE(Echoes(served, "served\n"));
  SetUnhandledExceptionHook(nullptr);
  EXPECT_TRUE(gServerErrors.empty());
}

// Handlers that stop the server or let go of it (its last reference) from inside AddSocket,
// or from inside the Connected of the connection it handed over: the listener ends cleanly, a
// connection made goes on on its own, and nothing is left (run under the sanitizers too).
TEST_F(ServerSockets, HandlersMayStopOrReleaseTheServerFromInsideThePool) {
  for (const std::string event : {"AddSocket", "Connected"}) {
    for (const std::string action : {"stop", "release"}) {
      SCOPED_TRACE(event + " / " + action);
      gAdded = gConnected = 0;
      RuntimeObject* server = RuntimeNewObject(ServerClass());
      bool acted = false;
      const auto act = [&] {
        if (acted) return;
        acted = true;
        if (action == "stop") ServerSocketClose(server);
        if (action == "release") RuntimeUnlockObject(server);
      };
      if (event == "AddSocket") {
        gAddSocket = [&] {
          act();
          return RuntimeNewObject(EchoSocketClass());
        };
      } else {
        gOnConnected = [&](RuntimeObject*) { act(); };
      }
      ServerSocketSetMinSockets(server, 0, 3);
      ServerSocketListen(server);
      const int32_t port = ServerSocketPortGetter(server, 0);
      RunPass(0);
      const int client = Client(port);
      if (client >= 0) mClients.push_back(client);
      EXPECT_TRUE(RunUntil([&] { return acted; }, 5000));
      if (event == "Connected") {
        EXPECT_TRUE(Echoes(client, "on its own\n"));
      }
      gAddSocket = nullptr;
      gOnConnected = nullptr;
      if (action == "stop") {
        EXPECT_FALSE(serverSocketIsListening(server, 0));
        RuntimeUnlockObject(server);
      }
      EXPECT_EQ(Client(port), -1) << "no longer listening";
      for (int fd : mClients) close(fd);
      mClients.clear();
      EXPECT_TRUE(RunUntil([&] { return LiveObjectCount() == mLive; }, 5000));
      EXPECT_TRUE(RunUntil([] { return LiveSocketCount() == 0; }, 5000));
    }
  }
}

// Releasing a listening server with sockets waiting and a connection that came and went
// leaves no object and no socket behind.
TEST_F(ServerSockets, ADestroyedServerLeavesNothingBehind) {
  RuntimeObject* server = Serve(5, 10);
  const int client = Connect(server);
  ASSERT_TRUE(RunUntil([] { return gConnected == 1; }));
  EXPECT_TRUE(Echoes(client, "bye\n"));
  shutdown(client, SHUT_RDWR);
  ASSERT_TRUE(RunUntil([&] { return ActiveCount(server) == 0; }));
  EXPECT_GE(Listener(server)->WaitingCount(), 5);
  RuntimeUnlockObject(server);
  mServers.clear();
  EXPECT_EQ(LiveObjectCount(), mLive);
  EXPECT_EQ(LiveSocketCount(), 0);
}

}  // namespace
