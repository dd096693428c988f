// The host's serial devices and the language class SerialPort that names one. Port N is the
// device prefix followed by N: "/dev/tts/" where that folder exists, else "/dev/ttyS". The
// legacy "/dev/ttyS" nodes exist whether or not hardware is behind them, so such a node counts
// only while sysfs reports a UART behind it (its type is not 0). Ports are counted from 0 up
// to the first that does not count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct SerialPortObject {
  RuntimeObject header;
  stringStorage* name;              // Name
  stringStorage* inputDriverName;   // InputDriverName: the path Open uses
  stringStorage* outputDriverName;  // OutputDriverName
  int32_t ratedSpeed;               // RatedSpeed
  int32_t maximumSpeed;             // MaximumSpeed
};
static_assert(sizeof(SerialPortObject) == 44, "SerialPort objects are read by compiled code");
static_assert(offsetof(SerialPortObject, inputDriverName) == 28, "SerialPortObject layout");
static_assert(offsetof(SerialPortObject, maximumSpeed) == 40, "SerialPortObject layout");

ObjectDefinition* SerialPortClassDefinition();

// The device path of port number port.
string SerialDevicePath(int32_t port);
// Tests only: the device prefix and the sysfs folder of the tty class ("/sys/class/tty")
// instead of the host's; an empty prefix restores the host's.
void SetSerialDeviceLocationsForTesting(const char* prefix, const char* sysfsFolder);

extern "C" {
void SerialPortDestructor(RuntimeObject* object);
// System module members: the port count (0 without the terminal functions), a new SerialPort
// for port index (OutOfBoundsException outside 0 .. count - 1; nil without the functions), and
// one for a device path (nil for an empty path).
int32_t getSerialPortCount(RuntimeObject* system, uint32_t parameter);
RuntimeObject* getSerialPort(RuntimeObject* system, int32_t index);
RuntimeObject* getSerialPortByPath(RuntimeObject* system, stringStorage* path);
}
