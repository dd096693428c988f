// Interfaces against `ip -o -4 addr` (and in a network namespace of the test's own, as root),
// name look-ups through the real resolver and stand-in ones, Wake-on-LAN parsing and the
// packet as read on 127.0.0.1 port 9, and the Network and NetworkInterface classes.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "NetTestSupport.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "net/NameLookup.h"
#include "net/NetworkClasses.h"
#include "net/NetworkInterfaces.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SocketAddress.h"
#include "net/SocketFunctions.h"
#include "net/WakeOnLAN.h"
#include "support/TestSupport.h"

namespace {

using namespace nettest;

struct Interface {
  std::string name, address, mask, broadcast;
};

std::string Dotted(uint32_t networkOrder) { return DottedText(networkOrder).CString(); }

std::string MaskOfPrefix(int bits) {
  return Dotted(htonl(bits == 0 ? 0 : 0xFFFFFFFFu << (32 - bits)));
}

// The IPv4 interfaces `ip -o -4 addr` lists, loopback's 127.0.0.1 left out.
std::vector<Interface> ListedInterfaces() {
  std::istringstream lines(qvtest::ProgramOutput({"ip", "-o", "-4", "addr"}));
  std::vector<Interface> found;
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string index, name, family, cidr, word, broadcast;
    words >> index >> name >> family >> cidr;
    while (words >> word) {
      if (word == "brd") words >> broadcast;
    }
    const std::string address = cidr.substr(0, cidr.find('/'));
    if (address == "127.0.0.1") continue;
    found.push_back({name, address, MaskOfPrefix(std::stoi(cidr.substr(cidr.find('/') + 1))),
                     broadcast.empty() ? "0.0.0.0" : broadcast});
  }
  return found;
}

// The link address `ip -o link` shows for the interface, in upper case.
std::string HardwareAddressOf(const std::string& name) {
  std::istringstream words(qvtest::ProgramOutput({"ip", "-o", "link", "show", "dev", name}));
  std::string word, text;
  while (words >> word) {
    if (word.rfind("link/", 0) == 0) words >> text;
  }
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void ExpectInterfacesAsListed() {
  const std::vector<Interface> listed = ListedInterfaces();
  ASSERT_EQ(NetworkInterfaceCount(), int32_t(listed.size()));
  for (size_t i = 0; i < listed.size(); ++i) {
    SCOPED_TRACE(listed[i].name);
    EXPECT_EQ(Dotted(NetworkInterfaceIPAddress(int32_t(i))), listed[i].address);
    EXPECT_EQ(Dotted(NetworkInterfaceSubnetMask(int32_t(i))), listed[i].mask);
    EXPECT_EQ(Dotted(NetworkInterfaceBroadcastAddress(int32_t(i))), listed[i].broadcast);
    EXPECT_EQ(string::Adopt(NetworkInterfaceMACAddress(int32_t(i))).CString(),
              HardwareAddressOf(listed[i].name));
  }
  EXPECT_EQ(NetworkInterfaceIPAddress(-1), NetworkInterfaceIPAddress(0));
  EXPECT_EQ(NetworkInterfaceIPAddress(int32_t(listed.size())), 0u);
  EXPECT_EQ(string::Adopt(socketLocalAddressGetter(nullptr, 0)).CString(),
            listed.empty() ? std::string("0.0.0.0") : listed[0].address);
}

TEST(Network, InterfacesAreThoseIpLists) { ExpectInterfacesAsListed(); }

// In a network namespace of its own: loopback only (no interface, LocalAddress 0.0.0.0), then
// both ends of a virtual pair with known addresses, the first with a known hardware address.
// No packet leaves the namespace.
TEST(Network, InterfacesInANamespaceOfTheTestsOwn) {
  if (geteuid() != 0) GTEST_SKIP() << "making a network namespace needs root";
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (unshare(CLONE_NEWNET) != 0) _exit(77);
        ASSERT_EQ(qvtest::RunProgram({"ip", "link", "set", "lo", "up"}), 0);
        EXPECT_EQ(NetworkInterfaceCount(), 0);
        EXPECT_STREQ(string::Adopt(socketLocalAddressGetter(nullptr, 0)).CString(), "0.0.0.0");
        for (const std::vector<std::string>& step :
             {std::vector<std::string>{"ip", "link", "add", "qvtest0", "type", "veth", "peer",
                                       "name", "qvtest1"},
              {"ip", "link", "set", "qvtest0", "address", "02:00:5e:0a:0b:0c"},
              {"ip", "addr", "add", "10.200.7.9/20", "brd", "+", "dev", "qvtest0"},
              {"ip", "addr", "add", "10.201.0.1/30", "brd", "+", "dev", "qvtest1"},
              {"ip", "link", "set", "qvtest0", "up"}}) {
          ASSERT_EQ(qvtest::RunProgram(step), 0) << step[2];
        }
        ExpectInterfacesAsListed();
        EXPECT_EQ(NetworkInterfaceCount(), 2);
      },
      &output);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no namespaces here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

// A resolver answer that lists an IPv6 address first: the IPv4 one after it wins.
int SixThenFour(const char*, const char*, const addrinfo*, addrinfo** result) {
  static sockaddr_in6 six{};
  static sockaddr_in four{};
  static addrinfo entries[2] = {};
  six.sin6_family = AF_INET6;
  inet_pton(AF_INET6, "2001:db8::5", &six.sin6_addr);
  four.sin_family = AF_INET;
  inet_pton(AF_INET, "203.0.113.5", &four.sin_addr);
  entries[0] = {0, AF_INET6, SOCK_STREAM, 0, sizeof six, reinterpret_cast<sockaddr*>(&six),
                nullptr, &entries[1]};
  entries[1] = {0, AF_INET, SOCK_STREAM, 0, sizeof four, reinterpret_cast<sockaddr*>(&four),
                nullptr, nullptr};
  *result = entries;
  return 0;
}
void KeepAnswer(addrinfo*) {}

TEST(Network, NamesAndAddressesBothWays) {
  EXPECT_STREQ(NameToAddress(string("localhost")).CString(), "127.0.0.1");
  EXPECT_STREQ(AddressToName(string("127.0.0.1")).CString(), "localhost");
  EXPECT_STREQ(AddressToName(string("not an address")).CString(), "not an address");
  EXPECT_STREQ(NameToAddress(string("192.0.2.1")).CString(), "192.0.2.1");
  SocketFunctionsForTesting().getaddrinfo = SixThenFour;
  SocketFunctionsForTesting().freeaddrinfo = KeepAnswer;
  EXPECT_STREQ(NameToAddress(string("dual.example")).CString(), "203.0.113.5");
  RestoreSocketFunctions();
  EXPECT_FALSE(IsHostReachable(string("localhost")));
}

TEST(Network, HardwareAddressesInEveryWritingGiveOnePacket) {
  const uint8_t expected[6] = {0x00, 0x1A, 0x2B, 0x03, 0x4C, 0x5D};
  for (const char* text : {"00:1A:2B:03:4C:5D", "00-1a-2b-03-4c-5d", "0:1a:2b:3:4c:5d",
                           "00.1A.2B.03.4C.5D", "001A2B034C5D"}) {
    uint8_t bytes[6] = {};
    EXPECT_TRUE(ParseHardwareAddress(string(text), bytes)) << text;
    EXPECT_EQ(std::memcmp(bytes, expected, 6), 0) << text;
  }
  for (const char* text : {"", "00:1A:2B:03:4C", "00:1A:2B:03:4C:5D:6E", "001A2B034C5", "00:1A:2B:03:4C:5G",
                           "001:A:2B:03:4C:5D", "00::2B:03:4C:5D", "00:1A:2B:03:4C:"}) {
    uint8_t bytes[6] = {};
    EXPECT_FALSE(ParseHardwareAddress(string(text), bytes)) << text;
  }
  const std::string packet = MagicPacket(expected);
  ASSERT_EQ(packet.size(), 102u);
  EXPECT_EQ(packet.substr(0, 6), std::string(6, '\xFF'));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(packet.substr(6 + 6 * i, 6), std::string(reinterpret_cast<const char*>(expected), 6));
  }
}

// The packet as it arrives on port 9; nothing is sent for a bad hardware address or a
// destination that is not numeric.
TEST(Network, TheWakeOnLANPacketArrivesOnPortNine) {
  if (geteuid() != 0) GTEST_SKIP() << "port 9 can only be bound as root";
  const int receiver = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(9);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  timeval wait{0, 300000};
  setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  NetworkSendWakeOnLAN(string("127.0.0.1").Storage(), string("00-1A-2B-03-4C-5D").Storage());
  char buffer[256];
  const ssize_t n = recv(receiver, buffer, sizeof buffer, 0);
  const uint8_t bytes[6] = {0x00, 0x1A, 0x2B, 0x03, 0x4C, 0x5D};
  EXPECT_EQ(std::string(buffer, n > 0 ? size_t(n) : 0), MagicPacket(bytes));
  NetworkSendWakeOnLAN(string("localhost").Storage(), string("00-1A-2B-03-4C-5D").Storage());
  NetworkSendWakeOnLAN(string("127.0.0.1").Storage(), string("00-1A-2B-03-4C").Storage());
  EXPECT_LT(recv(receiver, buffer, sizeof buffer, 0), 0) << "nothing more was sent";
  close(receiver);
}

// ---- The classes ----------------------------------------------------------------------------

TEST(Network, TheNetworkAndNetworkInterfaceClasses) {
  RegisterExceptionClasses();
  std::vector<std::string> raised;
  static std::vector<std::string>* sRaised = &raised;
  SetRaiseExceptionHook([](RuntimeObject* e) {
    sRaised->push_back(stringStorage::CString(e->classPtr->className));
  });
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  const int32_t count = SystemGetNetworkInterfaceCount(nullptr, 0);
  EXPECT_EQ(count, NetworkInterfaceCount());
  RuntimeObject* first = GetNetworkInterfaceObject(nullptr, -1);
  ASSERT_TRUE(first);
  EXPECT_EQ(NetworkInterfaceIndex(first), -1);
  EXPECT_EQ(string::Adopt(SystemGetIPAddress(first, 0)).CString(),
            Dotted(NetworkInterfaceIPAddress(0)));
  EXPECT_EQ(string::Adopt(SystemGetSubnetMask(first, 0)).Encoding(), kEncodingASCII);
  RuntimeUnlockObject(first);
  EXPECT_EQ(GetNetworkInterfaceObject(nullptr, count), nullptr);
  EXPECT_EQ(GetNetworkInterfaceObject(nullptr, -2), nullptr);
  EXPECT_EQ(raised, (std::vector<std::string>{"OutOfBoundsException", "OutOfBoundsException"}));
  SetRaiseExceptionHook(nullptr);
  SetUnhandledExceptionHook(nullptr);

  RuntimeObject* network = SystemGetNetwork(nullptr, 0);
  RuntimeObject* another = SystemGetNetwork(nullptr, 0);
  EXPECT_NE(network, another);
  EXPECT_FALSE(NetworkSafeToConnect(network));
  EXPECT_STREQ(string::Adopt(NetworkLookupIPAddress(network, string("localhost").Storage()))
                   .CString(),
               "127.0.0.1");
  EXPECT_STREQ(string::Adopt(NetworkLookupDNSAddress(network, string("127.0.0.1").Storage()))
                   .CString(),
               "localhost");
  RuntimeUnlockObject(network);
  RuntimeUnlockObject(another);

  qvtest::ReportCapture reports;
  EXPECT_EQ(SystemGetMACAddress(nullptr, 0), nullptr);
  EXPECT_TRUE(reports.HasCondition("networkInterfaceObject"));
}

}  // namespace
