// The host's IPv4 network interfaces, loopback left out, numbered from 0 in the order the
// system lists them; index -1 means interface 0. Addresses are 32-bit values in network
// order, 0 for an interface that does not exist. Everything goes through the socket function
// table; an enumeration that cannot be made counts no interface.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

struct NetworkInterfaceInfo {
  string name;
  uint32_t address = 0;
  uint32_t netmask = 0;
  uint32_t broadcast = 0;
};

// The interface at index (-1 is 0); false when there is none.
bool FindNetworkInterface(int32_t index, NetworkInterfaceInfo* info);

extern "C" {
int32_t NetworkInterfaceCount();
uint32_t NetworkInterfaceIPAddress(int32_t index);
uint32_t NetworkInterfaceSubnetMask(int32_t index);
uint32_t NetworkInterfaceBroadcastAddress(int32_t index);
// Six bytes as upper-case hexadecimal pairs joined by ":"; empty when it cannot be read.
stringStorage* NetworkInterfaceMACAddress(int32_t index);
int32_t NetworkInterfaceZeroQueryA(int32_t index);  // 0
int32_t NetworkInterfaceZeroQueryB(int32_t index);  // 0
}
