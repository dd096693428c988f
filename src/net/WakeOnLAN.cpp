#include "net/WakeOnLAN.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>

#include <cerrno>

#include "core/Export.h"
#include "net/SocketAddress.h"
#include "net/SocketFunctions.h"
#include "net/SocketPolling.h"

namespace {

constexpr int32_t kWakeOnLANPort = 9;
constexpr int32_t kSendWaitMs = 1000;

int32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// One to two hexadecimal digits; -1 for anything else.
int32_t HexByte(const char* text, size_t length) {
  if (length < 1 || length > 2) return -1;
  int32_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    const int32_t digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

bool IsSeparator(char c) { return c == ':' || c == '-' || c == '.'; }

// Sends the packet from a datagram socket of its own; true when the system took it.
bool SendDatagram(const std::string& packet, const SocketAddress& to) {
  const SocketFunctionTable& table = SocketFunctions();
  if (SocketsInitialize() != 0) return false;
  const int32_t fd = table.socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const int32_t on = 1;
  table.setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  bool sent = false;
  for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
    sent = table.sendto(fd, packet.data(), packet.size(), 0, &to.any, to.length) ==
           ssize_t(packet.size());
    if (sent || (errno != EAGAIN && errno != ENOBUFS)) break;
    pollfd entry{fd, POLLOUT, 0};
    if (PollDescriptors(&entry, 1, kSendWaitMs) <= 0) break;
  }
  table.close(fd);
  return sent;
}

}  // namespace

bool ParseHardwareAddress(const string& text, uint8_t bytes[6]) {
  const char* s = text.CString();
  const size_t length = size_t(text.Length());
  bool separated = false;
  for (size_t i = 0; i < length; ++i) separated = separated || IsSeparator(s[i]);
  if (!separated) {
    if (length != 12) return false;
    for (size_t i = 0; i < 6; ++i) {
      const int32_t value = HexByte(s + 2 * i, 2);
      if (value < 0) return false;
      bytes[i] = uint8_t(value);
    }
    return true;
  }
  size_t start = 0;
  for (size_t part = 0; part < 6; ++part) {
    size_t end = start;
    while (end < length && !IsSeparator(s[end])) ++end;
    const int32_t value = HexByte(s + start, end - start);
    if (value < 0 || (part < 5 && end == length) || (part == 5 && end != length)) return false;
    bytes[part] = uint8_t(value);
    start = end + 1;
  }
  return true;
}

std::string MagicPacket(const uint8_t bytes[6]) {
  std::string packet(6, '\xFF');
  for (int i = 0; i < 16; ++i) packet.append(reinterpret_cast<const char*>(bytes), 6);
  return packet;
}

bool SendWakeOnLAN(const string& address, const string& hardwareAddress) {
  uint8_t bytes[6];
  in_addr host{};
  SocketAddress to;
  if (!ParseHardwareAddress(hardwareAddress, bytes) || !ParseIPv4(address.CString(), &host) ||
      InternetAddress(host, kWakeOnLANPort, &to) != 0) {
    return false;
  }
  return SendDatagram(MagicPacket(bytes), to);
}

extern "C" void NetworkSendWakeOnLAN(stringStorage* address, stringStorage* hardwareAddress) {
  SendWakeOnLAN(string(address), string(hardwareAddress));
}
QV_EXPORT(NetworkSendWakeOnLAN)
