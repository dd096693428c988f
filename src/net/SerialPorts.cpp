#include "net/SerialPorts.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/FileHead.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "net/SerialFunctions.h"

namespace {

using namespace lang;

constexpr int32_t kRatedSpeed = 115200;
constexpr int32_t kMaximumSpeed = 230400;
// Ports counted at most: a folder of endless device names ends the count too.
constexpr int32_t kMaxPorts = 256;

const PropertyRow kSerialPortProperties[] = {
    QV_READONLY("Name", String, stringGetter, offsetof(SerialPortObject, name)),
    QV_READONLY("InputDriverName", String, stringGetter,
                offsetof(SerialPortObject, inputDriverName)),
    QV_READONLY("OutputDriverName", String, stringGetter,
                offsetof(SerialPortObject, outputDriverName)),
    QV_READONLY("RatedSpeed", Integer, intGetter, offsetof(SerialPortObject, ratedSpeed)),
    QV_READONLY("MaximumSpeed", Integer, intGetter, offsetof(SerialPortObject, maximumSpeed)),
};

struct DeviceLocations {
  std::string prefix;
  std::string sysfs;
};

bool IsFolder(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

DeviceLocations HostLocations() {
  return {IsFolder("/dev/tts") ? "/dev/tts/" : "/dev/ttyS", "/sys/class/tty"};
}

DeviceLocations& Locations() {
  static DeviceLocations locations = HostLocations();
  return locations;
}

// Whether the tty class reports a UART behind the named device: its type is a number above 0.
bool HasUART(const std::string& deviceName) {
  const std::string path = Locations().sysfs + "/" + deviceName + "/type";
  std::string text;
  if (!ReadFileHead(path, 32, &text)) return false;  // a regular file only: never a FIFO
  return std::atoi(text.c_str()) > 0;
}

// A port counts when its node exists and, for a named node (not a devfs folder's), a UART is
// behind it.
bool PortExists(int32_t port) {
  const std::string path = SerialDevicePath(port).CString();
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  const std::string& prefix = Locations().prefix;
  const std::string base = prefix.substr(prefix.rfind('/') + 1);
  return base.empty() || HasUART(base + std::to_string(port));
}

int32_t PortCount() {
  int32_t count = 0;
  while (count < kMaxPorts && PortExists(count)) ++count;
  return count;
}

RuntimeObject* NewSerialPort(const string& path) {
  RuntimeObject* object = NewObjectFromDefinition(SerialPortClassDefinition());
  if (!object) return nullptr;
  SerialPortObject* fields = reinterpret_cast<SerialPortObject*>(object);
  fields->name = path.ExtractStringStorage();
  fields->inputDriverName = path.ExtractStringStorage();
  fields->outputDriverName = path.ExtractStringStorage();
  fields->ratedSpeed = kRatedSpeed;
  fields->maximumSpeed = kMaximumSpeed;
  return object;
}

}  // namespace

QV_CLASS(SerialPortClassDefinition,
         .name = "SerialPort",
         .objectSize = sizeof(SerialPortObject),
         .properties = kSerialPortProperties,
         .finalizer = QV_CODE(SerialPortDestructor))
QV_STARTUP_CLASS(kStartupSerialPortClass, SerialPortClassDefinition)

string SerialDevicePath(int32_t port) {
  return string((Locations().prefix + std::to_string(port)).c_str());
}

void SetSerialDeviceLocationsForTesting(const char* prefix, const char* sysfsFolder) {
  Locations() = *prefix ? DeviceLocations{prefix, sysfsFolder} : HostLocations();
}

extern "C" void SerialPortDestructor(RuntimeObject* object) {
  if (!object) return;
  SerialPortObject* fields = reinterpret_cast<SerialPortObject*>(object);
  for (stringStorage** name : {&fields->name, &fields->inputDriverName,
                               &fields->outputDriverName}) {
    stringStorage::RemoveReference(*name);
    *name = nullptr;
  }
}
QV_EXPORT(SerialPortDestructor)

extern "C" int32_t getSerialPortCount(RuntimeObject*, uint32_t) {
  return SerialFunctionsComplete() ? PortCount() : 0;
}
QV_EXPORT(getSerialPortCount)

extern "C" RuntimeObject* getSerialPort(RuntimeObject*, int32_t index) {
  if (!SerialFunctionsComplete()) return nullptr;
  if (index < 0 || index >= PortCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  return NewSerialPort(SerialDevicePath(index));
}
QV_EXPORT(getSerialPort)

extern "C" RuntimeObject* getSerialPortByPath(RuntimeObject*, stringStorage* path) {
  if (stringStorage::Length(path) == 0) return nullptr;
  return NewSerialPort(string(path));
}
QV_EXPORT(getSerialPortByPath)
