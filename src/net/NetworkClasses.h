// The Network module's classes: "NetworkInterface" (one interface of the machine by its index,
// as System.GetNetworkInterface answers it) and "Network" (System.Network: look-ups, the
// connectivity test and Wake-on-LAN), and the System entry points that make them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct NetworkInterfaceObject {
  RuntimeObject header;
  int32_t index;  // -1 (interface 0) or 0 .. count - 1
};
static_assert(sizeof(NetworkInterfaceObject) == 28, "NetworkInterface objects are read by code");
static_assert(offsetof(NetworkInterfaceObject, index) == 24, "NetworkInterfaceObject layout");

ObjectDefinition* NetworkInterfaceClassDefinition();
ObjectDefinition* NetworkClassDefinition();

// The interface index an object of NetworkInterface holds; 0 for anything else.
int32_t NetworkInterfaceIndex(RuntimeObject* networkInterface);

extern "C" {
stringStorage* SystemGetMACAddress(RuntimeObject* networkInterface, uint32_t parameter);
stringStorage* SystemGetIPAddress(RuntimeObject* networkInterface, uint32_t parameter);
stringStorage* SystemGetSubnetMask(RuntimeObject* networkInterface, uint32_t parameter);
void NetworkInterfaceCtor(RuntimeObject* networkInterface);

int32_t NetworkSafeToConnect(RuntimeObject* network);
stringStorage* NetworkLookupIPAddress(RuntimeObject* network, stringStorage* dnsAddress);
stringStorage* NetworkLookupDNSAddress(RuntimeObject* network, stringStorage* ipAddress);
void NetworkWakeOnLAN(RuntimeObject* network, stringStorage* address, stringStorage* macAddress);

// System module members: a new NetworkInterface for index (-1 up to the count less one; any
// other raises OutOfBoundsException), the interface count, and a new Network object.
RuntimeObject* GetNetworkInterfaceObject(RuntimeObject* system, int32_t index);
int32_t SystemGetNetworkInterfaceCount(RuntimeObject* system, uint32_t parameter);
RuntimeObject* SystemGetNetwork(RuntimeObject* system, uint32_t parameter);
}
