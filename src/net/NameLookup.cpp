#include "net/NameLookup.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "core/Export.h"
#include "net/SocketFunctions.h"

namespace {

// The numeric address in text, if it is one.
bool ParseNumeric(const char* text, sockaddr_storage* address, socklen_t* length) {
  *address = {};
  auto* v4 = reinterpret_cast<sockaddr_in*>(address);
  if (inet_pton(AF_INET, text, &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    *length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(address);
  if (inet_pton(AF_INET6, text, &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    *length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

string AddressText(const addrinfo* entry) {
  char text[INET6_ADDRSTRLEN] = "";
  const void* raw = entry->ai_family == AF_INET
                        ? static_cast<const void*>(
                              &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr)
                        : &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr;
  return inet_ntop(entry->ai_family, raw, text, sizeof text) ? string(text) : string();
}

}  // namespace

string NameToAddress(const string& name) {
  sockaddr_storage numeric;
  socklen_t length = 0;
  if (name.IsEmpty() || ParseNumeric(name.CString(), &numeric, &length)) return name;
  const SocketFunctionTable& table = SocketFunctions();
  if (!table.getaddrinfo || !table.freeaddrinfo) return string();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (table.getaddrinfo(name.CString(), nullptr, &hints, &list) != 0) return string();
  string found;
  for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET) {
      found = AddressText(entry);
      break;
    }
    if (entry->ai_family == AF_INET6 && found.IsEmpty()) found = AddressText(entry);
  }
  table.freeaddrinfo(list);
  return found.IsEmpty() ? name : found;
}

string AddressToName(const string& address) {
  sockaddr_storage numeric;
  socklen_t length = 0;
  const SocketFunctionTable& table = SocketFunctions();
  if (!ParseNumeric(address.CString(), &numeric, &length) || !table.getnameinfo) return address;
  char host[NI_MAXHOST];
  if (table.getnameinfo(reinterpret_cast<const sockaddr*>(&numeric), length, host, sizeof host,
                        nullptr, 0, NI_NAMEREQD) != 0) {
    return address;
  }
  string name(host);
  name.SetEncoding(kEncodingUTF8);
  return name;
}

bool IsHostReachable(const string&) { return false; }

extern "C" stringStorage* NetworkNameToAddress(stringStorage* name) {
  return NameToAddress(string(name)).ExtractStringStorage();
}
QV_EXPORT(NetworkNameToAddress)

extern "C" stringStorage* NetworkAddressToName(stringStorage* address) {
  return AddressToName(string(address)).ExtractStringStorage();
}
QV_EXPORT(NetworkAddressToName)
