#include "net/NetworkInterfaces.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/Export.h"
#include "net/SocketFunctions.h"

namespace {

uint32_t AddressOf(const sockaddr* address) {
  if (!address || address->sa_family != AF_INET) return 0;
  return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
}

bool Counted(const ifaddrs* entry) {
  return entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET &&
         AddressOf(entry->ifa_addr) != htonl(INADDR_LOOPBACK);
}

// Walks the counted interfaces: the count, and the one at index (when info is given).
int32_t WalkInterfaces(int32_t index, NetworkInterfaceInfo* info) {
  const SocketFunctionTable& table = SocketFunctions();
  ifaddrs* list = nullptr;
  if (!table.getifaddrs || !table.freeifaddrs || table.getifaddrs(&list) != 0) return 0;
  int32_t count = 0;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!Counted(entry)) continue;
    if (info && count == index) {
      info->name = string(entry->ifa_name);
      info->address = AddressOf(entry->ifa_addr);
      info->netmask = AddressOf(entry->ifa_netmask);
      info->broadcast = (entry->ifa_flags & IFF_BROADCAST) ? AddressOf(entry->ifa_broadaddr) : 0;
    }
    ++count;
  }
  table.freeifaddrs(list);
  return count;
}

string HardwareAddress(const string& name) {
  const SocketFunctionTable& table = SocketFunctions();
  if (!table.socket || !table.ioctl || !table.close) return string();
  if (size_t(name.Length()) >= IFNAMSIZ) return string();
  const int32_t fd = table.socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return string();
  ifreq request{};
  std::memcpy(request.ifr_name, name.CString(), size_t(name.Length()));
  const bool found = table.ioctl(fd, SIOCGIFHWADDR, &request) == 0;
  table.close(fd);
  if (!found) return string();
  const auto* bytes = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0], bytes[1],
                bytes[2], bytes[3], bytes[4], bytes[5]);
  return string(text);
}

}  // namespace

bool FindNetworkInterface(int32_t index, NetworkInterfaceInfo* info) {
  if (index == -1) index = 0;
  if (index < 0) return false;
  *info = NetworkInterfaceInfo();
  return WalkInterfaces(index, info) > index;
}

extern "C" int32_t NetworkInterfaceCount() { return WalkInterfaces(-1, nullptr); }
QV_EXPORT(NetworkInterfaceCount)

extern "C" uint32_t NetworkInterfaceIPAddress(int32_t index) {
  NetworkInterfaceInfo info;
  return FindNetworkInterface(index, &info) ? info.address : 0;
}
QV_EXPORT(NetworkInterfaceIPAddress)

extern "C" uint32_t NetworkInterfaceSubnetMask(int32_t index) {
  NetworkInterfaceInfo info;
  return FindNetworkInterface(index, &info) ? info.netmask : 0;
}
QV_EXPORT(NetworkInterfaceSubnetMask)

extern "C" uint32_t NetworkInterfaceBroadcastAddress(int32_t index) {
  NetworkInterfaceInfo info;
  return FindNetworkInterface(index, &info) ? info.broadcast : 0;
}
QV_EXPORT(NetworkInterfaceBroadcastAddress)

extern "C" stringStorage* NetworkInterfaceMACAddress(int32_t index) {
  NetworkInterfaceInfo info;
  if (!FindNetworkInterface(index, &info)) return nullptr;
  return HardwareAddress(info.name).ExtractStringStorage();
}
QV_EXPORT(NetworkInterfaceMACAddress)

extern "C" int32_t NetworkInterfaceZeroQueryA(int32_t) { return 0; }
QV_EXPORT(NetworkInterfaceZeroQueryA)

extern "C" int32_t NetworkInterfaceZeroQueryB(int32_t) { return 0; }
QV_EXPORT(NetworkInterfaceZeroQueryB)
