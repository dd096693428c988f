// UDPSocket and Datagram against the Python peer and socat: where a write goes, the order and
// pace of what arrives, zero-length datagrams, broadcast, refused destinations, the options
// read back from the descriptor, multicast on loopback, and the limit of what waits unread.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>

#include "NetTestSupport.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/UDPSocket.h"
#include "net/UDPSocketClass.h"

namespace {

using namespace nettest;

std::map<RuntimeObject*, std::vector<std::string>> gSeen;

// DataAvailable reads one datagram when this is set, counting them.
bool gReadOnePerEvent = false;
int32_t gReadInEvents = 0;

// Run inside DataAvailable and Error: (object, event).
std::function<void(RuntimeObject*, const std::string&)> gUDPAction;

extern "C" void OnUDPData(RuntimeObject* self) {
  gSeen[self].push_back("data");
  if (gUDPAction) gUDPAction(self, "data");
  if (!gReadOnePerEvent) return;
  RuntimeObject* datagram = UDPReadDatagram(self, nullptr);
  gReadInEvents += datagram ? 1 : 0;
  RuntimeUnlockObject(datagram);
}
extern "C" void OnUDPComplete(RuntimeObject* self, int32_t) { gSeen[self].push_back("complete"); }
extern "C" void OnUDPError(RuntimeObject* self) {
  gSeen[self].push_back("error " + std::to_string(socketLastErrorCode(self)));
  if (gUDPAction) gUDPAction(self, "error");
}

RuntimeClass* RecordingUDPClass() {
  static RuntimeClass* cls =
      MakeSubclass(UDPSocketClassDefinition(), "RecordingUDPSocket",
                   {{"DataAvailable", reinterpret_cast<void*>(&OnUDPData)},
                    {"SendComplete", reinterpret_cast<void*>(&OnUDPComplete)},
                    {"Error", reinterpret_cast<void*>(&OnUDPError)}});
  return cls;
}

struct Received {
  std::string address;
  std::string data;
  int32_t port = 0;
};

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += {kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

class UDPSockets : public testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    mLive = LiveObjectCount();
  }
  void TearDown() override {
    for (RuntimeObject* object : mHeld) RuntimeUnlockObject(object);
    EXPECT_EQ(LiveObjectCount(), mLive) << "objects left behind";
    EXPECT_EQ(LiveSocketCount(), 0) << "sockets left behind";
  }

  // A socket bound to port (0: any), released by the test's end.
  RuntimeObject* Bound(int32_t port = 0) {
    RuntimeObject* object = RuntimeNewObject(RecordingUDPClass());
    mHeld.push_back(object);
    SocketPortSetter(object, 0, port);
    SocketConnect(object);
    return object;
  }
  static void Write(RuntimeObject* object, const std::string& address, const std::string& data) {
    UDPSocketWrite(object, string(address.c_str()).Storage(),
                   string::FromBytes(data.data(), int64_t(data.size()), kEncodingNone).Storage());
  }
  // The next datagram, read as the language reads it; empty address when none waits.
  static Received Read(RuntimeObject* object) {
    Received received;
    RuntimeObject* datagram = UDPReadDatagram(object, nullptr);
    if (!datagram) return received;
    const DatagramObject* fields = reinterpret_cast<const DatagramObject*>(datagram);
    received.address = stringStorage::CString(fields->address);
    received.data.assign(stringStorage::CString(fields->data),
                         size_t(stringStorage::Length(fields->data)));
    received.port = fields->port;
    RuntimeUnlockObject(datagram);
    return received;
  }

  std::vector<RuntimeObject*> mHeld;
  int32_t mLive = 0;
};

// "host:port" splits when Port is 0; with a Port the Address is the host alone; the peer sees
// each from the socket's own port. A Datagram object goes the same ways.
TEST_F(UDPSockets, WhereAWriteGoes) {
  Peer peer = StartPeer({"udp-listen"});
  RuntimeObject* socket = Bound();
  const int32_t local = SocketPortGetter(socket, 0);
  EXPECT_GT(local, 0);
  EXPECT_TRUE(SocketIsConnected(socket, 0));
  Write(socket, "127.0.0.1:" + std::to_string(peer.port), "split");
  EXPECT_EQ(peer.process->Await("datagram "),
            "127.0.0.1 " + std::to_string(local) + " " + Hex("split"));

  RuntimeObject* datagram = NewObjectFromDefinition(DatagramClassDefinition());
  stringSetter(datagram, offsetof(DatagramObject, address), string("127.0.0.1").Storage());
  stringSetter(datagram, offsetof(DatagramObject, data), string("unsplit").Storage());
  intSetter(datagram, offsetof(DatagramObject, port), peer.port);
  UDPSocketWriteDatagram(socket, datagram);
  EXPECT_EQ(peer.process->Await("datagram "),
            "127.0.0.1 " + std::to_string(local) + " " + Hex("unsplit"));
  // With a Port, "host:port" is not split: that host is no number, and nothing goes.
  stringSetter(datagram, offsetof(DatagramObject, address),
               string(("127.0.0.1:" + std::to_string(peer.port)).c_str()).Storage());
  UDPSocketWriteDatagram(socket, datagram);
  RuntimeUnlockObject(datagram);
  EXPECT_EQ(gSeen[socket].back(), "error 103");
  ASSERT_TRUE(RunUntil([&] { return !SocketIsConnected(socket, 0); }));
  SocketPortSetter(socket, 0, 0);
  SocketConnect(socket);
  const int32_t rebound = SocketPortGetter(socket, 0);
  SocketPortSetter(socket, 0, peer.port);  // the destination of a write without one
  Write(socket, "127.0.0.1", "port property");
  EXPECT_EQ(peer.process->Await("datagram "),
            "127.0.0.1 " + std::to_string(rebound) + " " + Hex("port property"));
}

// Nothing can be sent before Connect; a host name, a bad port, or text that is no address is
// refused at once and nothing reaches the network.
TEST_F(UDPSockets, RefusedDestinationsSendNothing) {
  Peer peer = StartPeer({"udp-listen"});
  RuntimeObject* socket = RuntimeNewObject(RecordingUDPClass());
  mHeld.push_back(socket);
  Write(socket, "127.0.0.1:" + std::to_string(peer.port), "too early");
  EXPECT_EQ(gSeen[socket], std::vector<std::string>{"error 106"});
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"localhost:" + std::to_string(peer.port), "error 103"},
      {"127.1:" + std::to_string(peer.port), "error 103"},
      {"127.0.0.1:0", "error 107"},
      {"127.0.0.1:70000", "error 107"},
      {"127.0.0.1:12x", "error 107"},
  };
  for (const auto& [address, error] : refused) {
    SocketConnect(socket);
    Write(socket, address, "never");
    EXPECT_EQ(gSeen[socket].back(), error) << address;
    RunUntil([&] { return !SocketIsConnected(socket, 0); }, 2000);
  }
  SocketConnect(socket);
  Write(socket, "127.0.0.1:" + std::to_string(peer.port), "after");
  const std::string first = peer.process->Await("datagram ");
  EXPECT_EQ(first.substr(first.rfind(' ') + 1), Hex("after")) << "the first to arrive";
  ASSERT_TRUE(RunUntil([&] { return gSeen[socket].back() == "complete"; }));
  peer.process->CloseInput();
  std::string more;
  EXPECT_FALSE(peer.process->Check("datagram ", &more)) << more;
}

// Datagrams are read in the order they came, one taken per poll; a zero-length one arrives
// with empty Data and the others follow it. Purge drops what waits.
TEST_F(UDPSockets, OneDatagramAPollInOrderZeroLengthIncluded) {
  RuntimeObject* socket = Bound();
  const int32_t port = SocketPortGetter(socket, 0);
  PeerProcess sender({"python3", NET_PEER_SCRIPT, "udp-send", std::to_string(port), "",
                      "6f6e65", "74776f"});
  const int senderPort = std::atoi(sender.Await("from ").c_str());
  ASSERT_EQ(sender.Await("sent"), "");
  usleep(20000);
  for (int32_t expected = 1; expected <= 3; ++expected) {
    socketPoll(socket);
    EXPECT_EQ(PacketsAvailableGetter(socket, 0), expected);
  }
  for (const std::string data : {"", "one", "two"}) {
    const Received received = Read(socket);
    EXPECT_EQ(received.address, "127.0.0.1");
    EXPECT_EQ(received.port, senderPort);
    EXPECT_EQ(received.data, data);
  }
  EXPECT_EQ(Read(socket).address, "") << "none left";
  EXPECT_EQ(gSeen[socket], std::vector<std::string>(3, "data"));
  PeerProcess again({"python3", NET_PEER_SCRIPT, "udp-send", std::to_string(port), "00", "01"});
  ASSERT_TRUE(RunUntil([&] { return PacketsAvailableGetter(socket, 0) == 2; }));
  SocketPurge(socket);
  EXPECT_EQ(PacketsAvailableGetter(socket, 0), 0);
}

// A broadcast from socat to 127.255.255.255 reaches a socket bound to any address; the socket
// itself may broadcast there too.
TEST_F(UDPSockets, Broadcast) {
  RuntimeObject* socket = Bound();
  const std::string port = std::to_string(SocketPortGetter(socket, 0));
  PeerProcess socat(
      {"socat", "-u", "STDIN", "UDP4-DATAGRAM:127.255.255.255:" + port + ",broadcast"});
  socat.Write("hello\n");
  socat.CloseInput();
  ASSERT_TRUE(RunUntil([&] { return PacketsAvailableGetter(socket, 0) == 1; }));
  EXPECT_EQ(Read(socket).data, "hello\n");

  Peer peer = StartPeer({"udp-listen"});
  Write(socket, "127.255.255.255:" + std::to_string(peer.port), "to all");
  EXPECT_EQ(peer.process->Await("datagram "),
            "127.0.0.1 " + port + " " + Hex("to all"));
  EXPECT_EQ(CountOf(gSeen[socket], "data"), 1);
  EXPECT_EQ(gSeen[socket].size(), 1u) << "no error";
}

int IntOption(int fd, int level, int name) {
  int value = -1;
  socklen_t length = sizeof value;
  getsockopt(fd, level, name, &value, &length);
  return value;
}

// RouterHops and SendToSelf reach the descriptor, when set before Connect and after it.
TEST_F(UDPSockets, RouterHopsAndSendToSelfOnTheDescriptor) {
  RuntimeObject* socket = RuntimeNewObject(RecordingUDPClass());
  mHeld.push_back(socket);
  EXPECT_EQ(intGetter(socket, offsetof(UDPSocketObject, routerHops)), 1);
  EXPECT_EQ(boolGetter(socket, offsetof(UDPSocketObject, sendToSelf)), 1);
  UDPSocketRouterHops(socket, 0, 7);
  UDPSocketSetLoopback(socket, 0, 0);
  SocketConnect(socket);
  const int fd = SocketGetHandle(socket, 0);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_TTL), 7);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL), 7);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP), 0);
  EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_BROADCAST), 1);
  EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  UDPSocketRouterHops(socket, 0, 33);
  UDPSocketSetLoopback(socket, 0, 1);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_TTL), 33);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL), 33);
  EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP), 1);
  EXPECT_TRUE(gSeen[socket].empty());
}

// A group joined on loopback receives what this machine sends it; leaving twice reports the
// second through Error.
TEST_F(UDPSockets, MulticastOnLoopback) {
  const std::string group = "239.255.42.99";
  RuntimeObject* receiver = Bound();
  if (!SocketJoinMulticastGroup(receiver, string(group.c_str()).Storage())) {
    GTEST_SKIP() << "cannot join a multicast group here (error "
                 << socketLastErrorCode(receiver) << ": no multicast route)";
  }
  RuntimeObject* sender = Bound();
  Write(sender, group + ":" + std::to_string(SocketPortGetter(receiver, 0)), "to the group");
  ASSERT_TRUE(RunUntil([&] { return PacketsAvailableGetter(receiver, 0) == 1; }, 5000));
  EXPECT_EQ(Read(receiver).data, "to the group");
  SocketLeaveMulticastGroup(receiver, string(group.c_str()).Storage());
  EXPECT_TRUE(SocketIsConnected(receiver, 0));
  SocketLeaveMulticastGroup(receiver, string(group.c_str()).Storage());
  EXPECT_EQ(gSeen[receiver].back(), "error 107");
}

// At most 64 MB wait unread: the socket then stops reading, and goes on once the program
// reads.
TEST_F(UDPSockets, ReadingStopsAtTheLimit) {
  RuntimeObject* socket = Bound();
  UDPSocket* native = static_cast<UDPSocket*>(AsSocketObject(socket)->socket);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(uint16_t(SocketPortGetter(socket, 0)));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  const std::string payload(65000, 'u');
  constexpr int32_t kToFill = int32_t((UDPSocket::kMaxWaitingBytes + 64999) / 65000);
  for (int32_t i = 0; i < kToFill + 3; ++i) {
    ASSERT_EQ(sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to),
                     sizeof to),
              ssize_t(payload.size()));
    socketPoll(socket);
  }
  EXPECT_EQ(PacketsAvailableGetter(socket, 0), kToFill);
  EXPECT_EQ(native->WantedEvents() & POLLIN, 0);
  EXPECT_EQ(Read(socket).data.size(), payload.size());
  socketPoll(socket);
  EXPECT_EQ(PacketsAvailableGetter(socket, 0), kToFill);
  EXPECT_TRUE(SocketIsConnected(socket, 0));

  // A program that reads one datagram at each DataAvailable gets every one that waits, those
  // still in the kernel's buffer too, though nothing more arrives.
  gReadOnePerEvent = true;
  gReadInEvents = 0;
  EXPECT_EQ(Read(socket).data.size(), payload.size());
  const bool drained = RunUntil([&] { return PacketsAvailableGetter(socket, 0) == 0; }, 30000);
  gReadOnePerEvent = false;
  EXPECT_TRUE(drained) << PacketsAvailableGetter(socket, 0) << " left unread";
  EXPECT_GE(gReadInEvents, kToFill - 1);
  close(fd);
}

// A handler that closes its socket or lets go of its object (the last reference) inside
// DataAvailable or Error: no further event, and the object and socket go cleanly (run under
// the sanitizers too).
TEST_F(UDPSockets, HandlersMayCloseOrReleaseTheirSocket) {
  const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
  for (const std::string event : {"data", "error"}) {
    for (const std::string action : {"close", "release"}) {
      SCOPED_TRACE(event + " / " + action);
      gSeen.clear();
      RuntimeObject* socket = RuntimeNewObject(RecordingUDPClass());
      SocketConnect(socket);
      bool acted = false;
      gUDPAction = [&](RuntimeObject* self, const std::string& seen) {
        if (seen != event || acted) return;
        acted = true;
        if (action == "close") socketClose(self);
        if (action == "release") RuntimeUnlockObject(self);
      };
      if (event == "data") {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(uint16_t(SocketPortGetter(socket, 0)));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < 3; ++i) {
          sendto(sender, "dg", 2, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        EXPECT_TRUE(RunUntil([&] { return acted; }, 5000));
      } else {
        Write(socket, "no host", "x");
        EXPECT_TRUE(acted);
      }
      RunUntil([] { return false; }, 100);
      gUDPAction = nullptr;
      ASSERT_EQ(gSeen.size(), 1u);
      EXPECT_EQ(gSeen.begin()->second.size(), 1u) << "nothing after the handler closed it";
      if (action == "close") RuntimeUnlockObject(socket);
      EXPECT_EQ(LiveSocketCount(), 0);
    }
  }
  close(sender);
}

}  // namespace
