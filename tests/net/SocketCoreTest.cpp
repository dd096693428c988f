// The socket core: the function table as the one seam to the system (missing entries, a
// failing resolver), the polling task's life, sockets destroyed while a walk holds them, and
// events that must wait without waking the loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "NetTestSupport.h"
#include "app/ClassLibraryHooks.h"
#include "net/NameLookup.h"
#include "net/NetworkInterfaces.h"
#include "net/SocketFunctions.h"
#include "net/SocketPolling.h"
#include "net/SocketPollingTask.h"
#include "net/SocketSource.h"
#include "net/WakeOnLAN.h"

namespace {

using namespace nettest;

int gSocketCalls = 0;
int gResolverCalls = 0;

int CountingSocket(int domain, int type, int protocol) {
  ++gSocketCalls;
  return ::socket(domain, type, protocol);
}

int FailingResolver(const char*, const char*, const addrinfo*, addrinfo** result) {
  ++gResolverCalls;
  *result = nullptr;
  return EAI_NONAME;
}

// Puts the system's functions back whatever a test changed.
struct TableRestorer {
  ~TableRestorer() { RestoreSocketFunctions(); }
};

// Without the functions the operations need, every operation is OpenDriverError and calls
// nothing; the utilities answer nothing.
TEST(SocketCore, AnIncompleteTableIsOpenDriverErrorForEveryOperation) {
  TableRestorer restore;
  SocketFunctionsForTesting().socket = CountingSocket;
  SocketFunctionsForTesting().poll = nullptr;
  gSocketCalls = 0;
  EXPECT_EQ(SocketsInitialize(), 100);
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", 80);
  socket->Listen(0);
  socket->Poll();
  socket->Flush(100);
  EXPECT_EQ(events.events, (std::vector<std::string>{"error 100", "error 100"}));
  EXPECT_EQ(socket->GetHandle(), -1);
  SocketFunctionsForTesting().getifaddrs = nullptr;
  SocketFunctionsForTesting().getaddrinfo = nullptr;
  EXPECT_EQ(NetworkInterfaceCount(), 0);
  EXPECT_EQ(NetworkInterfaceIPAddress(-1), 0u);
  EXPECT_EQ(NameToAddress(string("localhost")).Length(), 0);
  EXPECT_FALSE(SendWakeOnLAN(string("127.0.0.1"), string("001122334455")));
  EXPECT_EQ(gSocketCalls, 0);
  RestoreSocketFunctions();
  EXPECT_EQ(SocketsInitialize(), 0);
}

// A name that does not resolve is reported before Connect returns; numeric text never goes to
// the resolver.
TEST(SocketCore, AnUnresolvableNameFailsBeforeConnectReturns) {
  TableRestorer restore;
  SocketFunctionsForTesting().getaddrinfo = FailingResolver;
  gResolverCalls = 0;
  RecordingDelegate events;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("no-such-host.invalid", 80);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 103"});
  EXPECT_EQ(gResolverCalls, 1);
  EXPECT_EQ(socket->GetHandle(), -1);
  PlainServer server;
  events.events.clear();
  socket->Connect("127.0.0.1", server.port());
  ASSERT_TRUE(RunUntil([&] { return !events.events.empty(); }));
  EXPECT_EQ(events.events.front(), "connected");
  EXPECT_EQ(NameToAddress(string("10.1.2.3")).CString(), std::string("10.1.2.3"));
  EXPECT_EQ(gResolverCalls, 1);
  events.events.clear();
  socket->Connect("127.0.0.1", 65536);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 107"});
  EXPECT_EQ(socket->GetHandle(), -1);
}

// The main loop's pass reaches the sockets through the hook. The polling task runs while
// sockets live; without them it is gone, so it never wakes an idle loop, and the next socket
// arms it again.
TEST(SocketCore, ThePassesHookAndThePollingTask) {
  EXPECT_EQ(NetworkPolling().pollSockets, &PollSocketsFromMainLoop);
  ASSERT_EQ(LiveSocketCount(), 0);
  EXPECT_FALSE(SocketPollingTaskArmed());
  {
    SocketHandle first = NewSocket(nullptr);
    SocketHandle second = NewSocket(nullptr);
    EXPECT_TRUE(SocketPollingTaskArmed());
    first.reset();
    EXPECT_TRUE(SocketPollingTaskArmed());
  }
  EXPECT_FALSE(SocketPollingTaskArmed());
  SocketHandle again = NewSocket(nullptr);
  EXPECT_TRUE(SocketPollingTaskArmed());
  EXPECT_FALSE(SocketsPoll(false)) << "nothing listed, nothing busy";
}

// A handler that destroys its own socket and another one waiting in the same walk: both are
// closed at once and freed after the walk (the sanitizer build checks the memory).
TEST(SocketCore, SocketsDestroyedDuringAWalkAreFreedAfterIt) {
  PlainServer server;
  RecordingDelegate first;
  RecordingDelegate second;
  TCPSocket* a = TCPSocket::Create(nullptr, &first);
  TCPSocket* b = TCPSocket::Create(nullptr, &second);
  a->Connect("127.0.0.1", server.port());
  b->Connect("127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(2), 2);
  ASSERT_TRUE(RunUntil([&] { return a->IsConnected() && b->IsConnected(); }));
  int destroyed = 0;
  auto destroyBoth = [&](TCPSocket*, const std::string& event) {
    if (event != "data" || destroyed++) return;
    SocketCore::Dispose(a);
    SocketCore::Dispose(b);
  };
  first.onEvent = destroyBoth;
  second.onEvent = destroyBoth;
  for (int fd : server.connections()) ASSERT_EQ(write(fd, "go", 2), 2);
  usleep(20000);
  SocketsPoll(false);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(CountOf(first.events, "data") + CountOf(second.events, "data"), 1);
  EXPECT_EQ(LiveSocketCount(), 0);
}

// Events a delegate cannot take yet stay pending without waking the loop; the descriptor is
// read meanwhile, and they are delivered once the delegate can take them.
TEST(SocketCore, EventsThatMustWaitDoNotWakeTheLoop) {
  PlainServer server;
  RecordingDelegate events;
  events.deliver = false;
  SocketHandle socket = NewSocket(&events);
  socket->Connect("127.0.0.1", server.port());
  ASSERT_EQ(server.Accept(1), 1);
  ASSERT_EQ(write(server.connections()[0], "held", 4), 4);
  ASSERT_TRUE(RunUntil([&] { return socket->BytesAvailable() == 4; }, 5000));
  shutdown(server.connections()[0], SHUT_RDWR);
  RunUntil([&] { return socket->HasPendingEvents() && socket->WantedEvents() == 0; }, 5000);
  const uint32_t dispatches = SocketSourceDispatchCount();
  for (int i = 0; i < 3; ++i) RunPass(100);
  EXPECT_EQ(SocketSourceDispatchCount(), dispatches) << "nothing woke the loop";
  EXPECT_TRUE(events.events.empty());
  events.deliver = true;
  ASSERT_TRUE(RunUntil([&] { return !events.events.empty() && events.events.back() == "error 102"; }));
  EXPECT_EQ(events.events, (std::vector<std::string>{"connected", "data", "error 102"}));
}

}  // namespace
