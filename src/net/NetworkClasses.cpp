#include "net/NetworkClasses.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "net/NameLookup.h"
#include "net/NetworkInterfaces.h"
#include "net/SocketAddress.h"
#include "net/WakeOnLAN.h"

namespace {

using namespace lang;

constexpr uint32_t kReadOnlyEveryTarget = 5;
constexpr uint32_t kConstructorFlags = 0x14004;
constexpr uint32_t kModuleMethodFlags = 4;
// The host that IsConnected would ask about, were there a reachability test.
constexpr const char* kReachabilityHost = "www.example.com";

const PropertyRow kNetworkInterfaceProperties[] = {
    QV_READONLY("MACAddress", String, SystemGetMACAddress).Flags(kReadOnlyEveryTarget),
    QV_READONLY("IPAddress", String, SystemGetIPAddress).Flags(kReadOnlyEveryTarget),
    QV_READONLY("SubnetMask", String, SystemGetSubnetMask).Flags(kReadOnlyEveryTarget),
};

const MethodRow kNetworkInterfaceMethods[] = {
    QV_SUB("NetworkInterface", NetworkInterfaceCtor).Flags(kConstructorFlags),
};

const MethodRow kNetworkMethods[] = {
    QV_FUNCTION("IsConnected", Boolean, NetworkSafeToConnect).Flags(kModuleMethodFlags),
    QV_FUNCTION("LookupIPAddress", String, NetworkLookupIPAddress, Param("DNSAddress", String))
        .Flags(kModuleMethodFlags),
    QV_FUNCTION("LookupDNSAddress", String, NetworkLookupDNSAddress, Param("IPAddress", String))
        .Flags(kModuleMethodFlags),
    QV_SUB("WakeOnLAN", NetworkWakeOnLAN, Param("Address", String), Param("MACAddress", String))
        .Flags(kModuleMethodFlags),
};

// The index of a checked NetworkInterface object; false after the report for nil.
bool CheckedIndex(RuntimeObject* networkInterface, int32_t* index) {
  if (!QV_CHECK_TEXT(networkInterface, "networkInterfaceObject", nullptr)) return false;
  *index = NetworkInterfaceIndex(networkInterface);
  return true;
}

// An address as the interface query gives it (network order), as ASCII dotted text.
stringStorage* AddressText(uint32_t networkOrderAddress) {
  string text = DottedText(networkOrderAddress);
  text.SetEncoding(kEncodingASCII);
  return text.ExtractStringStorage();
}

}  // namespace

QV_CLASS(NetworkInterfaceClassDefinition,
         .name = "NetworkInterface",
         .objectSize = sizeof(NetworkInterfaceObject),
         .properties = kNetworkInterfaceProperties,
         .methods = kNetworkInterfaceMethods)

QV_CLASS(NetworkClassDefinition,
         .name = "Network",
         .methods = kNetworkMethods)

QV_STARTUP_CLASS(kStartupNetworkInterfaceClass, NetworkInterfaceClassDefinition)
QV_STARTUP_CLASS(kStartupNetworkClass, NetworkClassDefinition)

int32_t NetworkInterfaceIndex(RuntimeObject* networkInterface) {
  if (!ObjectIsaDefinition(networkInterface, NetworkInterfaceClassDefinition())) return 0;
  return reinterpret_cast<NetworkInterfaceObject*>(networkInterface)->index;
}

// ---- NetworkInterface -----------------------------------------------------------------------

extern "C" stringStorage* SystemGetMACAddress(RuntimeObject* networkInterface, uint32_t) {
  int32_t index = 0;
  return CheckedIndex(networkInterface, &index) ? NetworkInterfaceMACAddress(index) : nullptr;
}
QV_EXPORT(SystemGetMACAddress)

extern "C" stringStorage* SystemGetIPAddress(RuntimeObject* networkInterface, uint32_t) {
  int32_t index = 0;
  if (!CheckedIndex(networkInterface, &index)) return nullptr;
  return AddressText(NetworkInterfaceIPAddress(index));
}
QV_EXPORT(SystemGetIPAddress)

extern "C" stringStorage* SystemGetSubnetMask(RuntimeObject* networkInterface, uint32_t) {
  int32_t index = 0;
  if (!CheckedIndex(networkInterface, &index)) return nullptr;
  return AddressText(NetworkInterfaceSubnetMask(index));
}
QV_EXPORT(SystemGetSubnetMask)

// An object made with New keeps index 0.
extern "C" void NetworkInterfaceCtor(RuntimeObject*) {}
QV_EXPORT(NetworkInterfaceCtor)

// ---- Network --------------------------------------------------------------------------------

extern "C" int32_t NetworkSafeToConnect(RuntimeObject*) {
  return IsHostReachable(string(kReachabilityHost)) ? 1 : 0;
}
QV_EXPORT(NetworkSafeToConnect)

extern "C" stringStorage* NetworkLookupIPAddress(RuntimeObject*, stringStorage* dnsAddress) {
  const string name(dnsAddress);
  return NameToAddress(name).ExtractStringStorage();
}
QV_EXPORT(NetworkLookupIPAddress)

extern "C" stringStorage* NetworkLookupDNSAddress(RuntimeObject*, stringStorage* ipAddress) {
  const string address(ipAddress);
  return AddressToName(address).ExtractStringStorage();
}
QV_EXPORT(NetworkLookupDNSAddress)

extern "C" void NetworkWakeOnLAN(RuntimeObject*, stringStorage* address,
                                 stringStorage* macAddress) {
  SendWakeOnLAN(string(address), string(macAddress));
}
QV_EXPORT(NetworkWakeOnLAN)

// ---- System ---------------------------------------------------------------------------------

extern "C" RuntimeObject* GetNetworkInterfaceObject(RuntimeObject*, int32_t index) {
  if (index < -1 || index > NetworkInterfaceCount() - 1) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  RuntimeObject* object = NewObjectFromDefinition(NetworkInterfaceClassDefinition());
  if (object) reinterpret_cast<NetworkInterfaceObject*>(object)->index = index;
  return object;
}
QV_EXPORT(GetNetworkInterfaceObject)

extern "C" int32_t SystemGetNetworkInterfaceCount(RuntimeObject*, uint32_t) {
  return NetworkInterfaceCount();
}
QV_EXPORT(SystemGetNetworkInterfaceCount)

extern "C" RuntimeObject* SystemGetNetwork(RuntimeObject*, uint32_t) {
  return NewObjectFromDefinition(NetworkClassDefinition());
}
QV_EXPORT(SystemGetNetwork)
