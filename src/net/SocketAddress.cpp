#include "net/SocketAddress.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "net/SocketErrors.h"
#include "net/SocketFunctions.h"

bool ParseIPv4(const char* text, in_addr* address) {
  return text && inet_pton(AF_INET, text, address) == 1;
}

int32_t ResolveIPv4(const string& host, in_addr* address) {
  if (ParseIPv4(host.CString(), address)) return kSocketNoError;
  const SocketFunctionTable& table = SocketFunctions();
  if (host.IsEmpty() || !table.getaddrinfo || !table.freeaddrinfo) {
    return kSocketNameResolutionError;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (table.getaddrinfo(host.CString(), nullptr, &hints, &found) != 0 || !found) {
    return kSocketNameResolutionError;
  }
  *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  table.freeaddrinfo(found);
  return kSocketNoError;
}

int32_t InternetAddress(in_addr host, int32_t port, SocketAddress* out) {
  if (port < 0 || port > 65535) return kSocketInvalidPortError;
  *out = {};
  out->internet.sin_family = AF_INET;
  out->internet.sin_port = htons(uint16_t(port));
  out->internet.sin_addr = host;
  out->length = sizeof(sockaddr_in);
  return kSocketNoError;
}

int32_t LocalPathAddress(const string& path, SocketAddress* out) {
  if (path.IsEmpty()) return kSocketInvalidStateError;
  *out = {};
  if (size_t(path.Length()) >= sizeof(out->local.sun_path)) return ENAMETOOLONG;
  // A NUL inside would name another, shorter path.
  if (std::strlen(path.CString()) != size_t(path.Length())) return EINVAL;
  out->local.sun_family = AF_UNIX;
  std::memcpy(out->local.sun_path, path.CString(), size_t(path.Length()));
  out->length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.Length()) + 1);
  return kSocketNoError;
}

int32_t LocalPortOf(int32_t descriptor) {
  const SocketFunctionTable& table = SocketFunctions();
  if (descriptor < 0 || !table.getsockname) return -1;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (table.getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
      local.sin_family != AF_INET) {
    return -1;
  }
  return ntohs(local.sin_port);
}

string DottedText(uint32_t networkOrderAddress) {
  const uint32_t value = ntohl(networkOrderAddress);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", value >> 24, (value >> 16) & 0xFF,
                (value >> 8) & 0xFF, value & 0xFF);
  return string(text);
}
