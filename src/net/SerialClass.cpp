#include "net/SerialClass.h"

#include <poll.h>

#include <algorithm>
#include <vector>

#include "app/BackgroundTask.h"
#include "app/StreamInterfaces.h"
#include "arrays/ArrayElementAccess.h"
#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "net/QueuedText.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SerialPosix.h"

namespace {

using namespace lang;

ObjectHook* gDataAvailableHook;
ObjectHook* gErrorHook;
ObjectHook* gLineStateChangedHook;

// The line-watching task's period, in ticks.
constexpr int32_t kLineCheckPeriod = 6;
// Arguments of LineChangeNotification below this are the Integer form: no array lies there.
constexpr uintptr_t kLowestArrayAddress = 65536;

const PropertyRow kSerialProperties[] = {
    QV_PROPERTY("Bits", Integer, shortGetter, shortSetter, offsetof(SerialObject, bits)),
    QV_PROPERTY("Stop", Integer, shortGetter, shortSetter, offsetof(SerialObject, stopBits)),
    QV_PROPERTY("Parity", Integer, shortGetter, shortSetter, offsetof(SerialObject, parity)),
    QV_PROPERTY("Port", Integer, shortGetter, shortSetter, offsetof(SerialObject, port)),
    QV_PROPERTY("Baud", Integer, intGetter, intSetter, offsetof(SerialObject, baud)),
    QV_PROPERTY("LastErrorCode", Integer, intGetter, intSetter,
                offsetof(SerialObject, lastErrorCode)),
    QV_PROPERTY("DTR", Boolean, boolGetter, boolSetter, offsetof(SerialObject, dtrFlow)),
    QV_PROPERTY("CTS", Boolean, boolGetter, boolSetter, offsetof(SerialObject, ctsFlow)),
    QV_PROPERTY("XON", Boolean, boolGetter, boolSetter, offsetof(SerialObject, xonFlow)),
    QV_PROPERTY("SerialPort", Class<"SerialPort">, objGetter, objSetter,
                offsetof(SerialObject, serialPort)),
    QV_PROPERTY("DataTerminalReady", Boolean, LineStateGetter, LineStateSetter, 0),
    QV_PROPERTY("RequestToSend", Boolean, LineStateGetter, LineStateSetter, 1),
    QV_READONLY("ClearToSend", Boolean, LineStateGetter, 2),
    QV_READONLY("DataCarrierDetect", Boolean, LineStateGetter, 3),
    QV_READONLY("RingIndicator", Boolean, LineStateGetter, 4),
    QV_READONLY("DataSetReady", Boolean, LineStateGetter, 5),
    QV_READONLY("Win32DriverHandle", Integer, GetWin32DriverHandle),
    QV_READONLY("MacInDriverRefNum", Integer, GetMacInputDriverRef),
    QV_READONLY("MacOutDriverRefNum", Integer, GetMacOutputDriverRef),
    QV_READONLY("PosixDescriptor", Integer, GetPosixDescriptor),
    QV_READONLY("BytesAvailable", Integer, SerialBytesAvailable),
    QV_READONLY("BytesLeftToSend", Integer, SerialBytesLeftToSend),
};

const MethodRow kSerialMethods[] = {
    QV_FUNCTION("Open", Boolean, serialOpen),
    QV_SUB("Close", serialClose),
    QV_SUB("Write", serialWrite, Param("str", String)),
    QV_FUNCTION("Read", String, serialRead, Param("byteCount", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("ReadAll", String, serialReadAll,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_SUB("XmitWait", serialXmitWait),
    QV_SUB("Flush", serialFlush),
    QV_SUB("Poll", serialTick),
    QV_SUB("Reset", serialReset),
    QV_SUB("LeaveDTROnClose", serialLeaveDTROnClose),
    QV_FUNCTION("LookAhead", String, serialLookahead,
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_SUB("SetBreak", serialSetBreak),
    QV_SUB("ClearBreak", serialClearBreak),
    QV_FUNCTION("EOF", Boolean, SerialEof),
    QV_FUNCTION("ReadError", Boolean, SerialError),
    QV_FUNCTION("WriteError", Boolean, SerialError),
    QV_SUB("LineChangeNotification", SerialWatchLines,
           Param("linesToWatch", ArrayOf<Integer>)),
    QV_SUB("LineChangeNotification", SerialWatchLines, Param("linesToWatch", Integer)),
};

const EventRow kSerialEvents[] = {
    QV_EVENT("DataAvailable", &gDataAvailableHook),
    QV_EVENT("Error", &gErrorHook),
    QV_EVENT("LineStateChanged", &gLineStateChangedHook, "changedLines() as Integer"),
};

const ClassGetter kStreamInterfaces[] = {ReadableInterfaceDefinition,
                                         WriteableInterfaceDefinition};

int32_t gSuspension = 0;

// Every Serial object's device, newest first.
std::vector<SerialPosix*>& Ports() {
  static std::vector<SerialPosix*> ports;
  return ports;
}

SerialObject* Fields(RuntimeObject* object) { return reinterpret_cast<SerialObject*>(object); }

SerialPosix* DeviceOf(RuntimeObject* object) { return object ? Fields(object)->device : nullptr; }

// The objects of the open ports that match, each with a reference for the caller: the walks'
// snapshot. An object already being freed is left out.
template <typename Matches>
std::vector<RuntimeObject*> HoldOpenPorts(Matches matches) {
  std::vector<RuntimeObject*> held;
  for (SerialPosix* device : Ports()) {
    RuntimeObject* owner = device->Owner();
    if (!device->IsOpen() || owner->refCount <= 0 || !matches(device)) continue;
    RuntimeLockObject(owner);
    held.push_back(owner);
  }
  return held;
}

// Compares the watched lines with their last states and raises LineStateChanged with the
// constants of those that changed, in line order.
void CheckLines(RuntimeObject* serial, SerialPosix* device) {
  std::vector<int32_t> changed;
  for (int32_t line = 0; line < kSerialLineCount; ++line) {
    if (!(device->watchedLines & (1u << line))) continue;
    const uint8_t state = device->LineState(line) ? 1 : 0;
    if (state == device->lineStates[line]) continue;
    device->lineStates[line] = state;
    changed.push_back(1 << line);
  }
  if (changed.empty()) return;
  RuntimeArray* lines = CreateArray(1, kArrayInt32, int32_t(changed.size()) - 1);
  if (!lines) return;
  for (size_t i = 0; i < changed.size(); ++i) {
    ArraySetElement(lines, int32_t(i), uintptr_t(changed[i]));
  }
  RaiseObjectEvent(serial, gLineStateChangedHook, lines);
  RuntimeUnlockArray(lines);
}

class LineWatchTask : public BackgroundTask {
 public:
  LineWatchTask() : BackgroundTask(kLineCheckPeriod) {}
  // A handler may close the last watching port, which deletes this task: nothing follows.
  void Run() override;
};

LineWatchTask* gLineTask = nullptr;

bool Watching(SerialPosix* device) { return device->watchedLines != 0; }

// The task runs while an open port watches lines; a task with nothing to do would wake the
// loop for nothing.
void UpdateLineTask() {
  const bool wanted = std::any_of(Ports().begin(), Ports().end(), [](SerialPosix* device) {
    return device->IsOpen() && Watching(device);
  });
  if (wanted && !gLineTask) gLineTask = new LineWatchTask;
  if (wanted || !gLineTask) return;
  LineWatchTask* task = gLineTask;
  gLineTask = nullptr;
  delete task;
}

// Whether a walk that holds serial should serve it: not when the walk's reference is the last
// (a handler let go of it earlier in the walk; it is freed when the walk lets go).
bool StillWanted(RuntimeObject* serial) { return serial->refCount > 1; }

void LineWatchTask::Run() {
  if (SerialPollingSuspended()) return;
  for (RuntimeObject* serial : HoldOpenPorts(Watching)) {
    SerialPosix* device = DeviceOf(serial);
    if (StillWanted(serial) && device->IsOpen()) CheckLines(serial, device);
    RuntimeUnlockObject(serial);
  }
}

}  // namespace

QV_CLASS(SerialClassDefinition,
         .name = "Serial",
         .objectSize = sizeof(SerialObject),
         .properties = kSerialProperties,
         .methods = kSerialMethods,
         .events = kSerialEvents,
         .initializer = QV_CODE(RuntimeSerialInitializer),
         .finalizer = QV_CODE(RuntimeSerialFinalizer),
         .interfaces = kStreamInterfaces)
QV_STARTUP_CLASS(kStartupSerialClass, SerialClassDefinition)

void RaiseSerialError(RuntimeObject* serial) { RaiseObjectEvent(serial, gErrorHook); }

// ---- Polling --------------------------------------------------------------------------------

void SerialTickWith(RuntimeObject* serial, int16_t revents) {
  SerialPosix* device = DeviceOf(serial);
  if (SerialPollingSuspended() || !device || !device->IsOpen()) return;
  ObjectHold hold(serial);
  if (!device->WriteSome() || !device->IsOpen()) return;
  bool received = false;
  if (!device->ReadWaiting(&received)) return;
  if (!received && (revents & POLLHUP) && device->IsOpen()) {
    device->HangUp();
    return;
  }
  if (received) RaiseObjectEvent(serial, gDataAvailableHook);
  if (device->IsOpen() && device->watchedLines) CheckLines(serial, device);
}

void SerialPollAll() {
  if (SerialPollingSuspended()) return;
  for (RuntimeObject* serial : HoldOpenPorts([](SerialPosix*) { return true; })) {
    if (StillWanted(serial)) SerialTickWith(serial, 0);
    RuntimeUnlockObject(serial);
  }
}

int32_t SerialSuspendPolling() { return ++gSuspension; }
int32_t SerialResumePolling() { return --gSuspension; }
bool SerialPollingSuspended() { return gSuspension > 0; }
bool SerialLineTaskRunning() { return gLineTask != nullptr; }

// ---- Life -----------------------------------------------------------------------------------

extern "C" void RuntimeSerialInitializer(RuntimeObject* object) {
  if (!object) return;
  SerialObject* fields = Fields(object);
  fields->bits = kSerialBits8;
  fields->stopBits = kSerialStopBits1;
  fields->parity = kSerialParityNone;
  fields->baud = kSerialBaud57600;
  fields->rtsLine = 1;
  fields->device = new SerialPosix(object);
  Ports().insert(Ports().begin(), fields->device);
}
QV_EXPORT(RuntimeSerialInitializer)

extern "C" void RuntimeSerialFinalizer(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return;
  device->Close();
  Ports().erase(std::find(Ports().begin(), Ports().end(), device));
  RuntimeUnlockObject(Fields(object)->serialPort);
  Fields(object)->serialPort = nullptr;
  Fields(object)->device = nullptr;
  delete device;
  UpdateLineTask();
}
QV_EXPORT(RuntimeSerialFinalizer)

// ---- Opening and settings -------------------------------------------------------------------

extern "C" int32_t serialOpen(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return 0;
  ObjectHold hold(object);
  const bool open = device->Open();
  UpdateLineTask();
  return open ? 1 : 0;
}
QV_EXPORT(serialOpen)

extern "C" void serialClose(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return;
  device->Close();
  device->ReceiveBuffer().Clear();
  UpdateLineTask();
}
QV_EXPORT(serialClose)

extern "C" void serialReset(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return;
  ObjectHold hold(object);
  device->ApplySettings();
}
QV_EXPORT(serialReset)

extern "C" void serialLeaveDTROnClose(RuntimeObject* object) {
  if (!DeviceOf(object)) return;
  Fields(object)->leaveDTROnClose = 1;
  serialReset(object);
}
QV_EXPORT(serialLeaveDTROnClose)

extern "C" void serialSetBreak(RuntimeObject* object) {
  ObjectHold hold(object);
  if (SerialPosix* device = DeviceOf(object)) device->SetBreak(true);
}
QV_EXPORT(serialSetBreak)

extern "C" void serialClearBreak(RuntimeObject* object) {
  ObjectHold hold(object);
  if (SerialPosix* device = DeviceOf(object)) device->SetBreak(false);
}
QV_EXPORT(serialClearBreak)

// ---- Bytes ----------------------------------------------------------------------------------

// A closed port opens first; when it cannot, the data is not kept.
extern "C" void serialWrite(RuntimeObject* object, stringStorage* data) {
  if (!QV_CHECK_TEXT(object, "Have no serial control, so cannot write", nullptr)) return;
  SerialPosix* device = DeviceOf(object);
  if (!device || stringStorage::Length(data) == 0) return;
  ObjectHold hold(object);
  if (!device->IsOpen() && !serialOpen(object)) return;
  device->SendBuffer().Append(stringStorage::CString(data), stringStorage::Length(data));
  device->WriteSome();
}
QV_EXPORT(serialWrite)

extern "C" stringStorage* serialRead(RuntimeObject* object, int32_t count,
                                     RuntimeObject* encoding) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return nullptr;
  ObjectHold hold(object);
  serialTick(object);
  return ReceivedText(QueuedText(device->ReceiveBuffer(), count, true), encoding);
}
QV_EXPORT(serialRead)

extern "C" stringStorage* serialReadAll(RuntimeObject* object, RuntimeObject* encoding) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return nullptr;
  ObjectHold hold(object);
  serialTick(object);
  MemoryManager& received = device->ReceiveBuffer();
  return ReceivedText(QueuedText(received, received.Total(), true), encoding);
}
QV_EXPORT(serialReadAll)

extern "C" stringStorage* serialLookahead(RuntimeObject* object, RuntimeObject* encoding) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return nullptr;
  MemoryManager& received = device->ReceiveBuffer();
  return ReceivedText(QueuedText(received, received.Total(), false), encoding);
}
QV_EXPORT(serialLookahead)

extern "C" void serialXmitWait(RuntimeObject* object) {
  ObjectHold hold(object);
  if (SerialPosix* device = DeviceOf(object)) device->Drain();
}
QV_EXPORT(serialXmitWait)

// What was received is dropped; what waits to go is sent, and stays queued if the device
// takes none of it for a while.
extern "C" void serialFlush(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return;
  ObjectHold hold(object);
  serialTick(object);
  device->ReceiveBuffer().Clear();
  device->Drain();
}
QV_EXPORT(serialFlush)

extern "C" void serialTick(RuntimeObject* object) { SerialTickWith(object, 0); }
QV_EXPORT(serialTick)

extern "C" int32_t SerialEof(RuntimeObject* object) {
  SerialPosix* device = DeviceOf(object);
  return !device || device->ReceiveBuffer().Total() == 0 ? 1 : 0;
}
QV_EXPORT(SerialEof)

extern "C" int32_t SerialError(RuntimeObject* object) {
  return object && Fields(object)->lastErrorCode != 0 ? 1 : 0;
}
QV_EXPORT(SerialError)

extern "C" int32_t SerialBytesAvailable(RuntimeObject* object, uint32_t) {
  SerialPosix* device = DeviceOf(object);
  return device ? device->ReceiveBuffer().Total() : 0;
}
QV_EXPORT(SerialBytesAvailable)

extern "C" int32_t SerialBytesLeftToSend(RuntimeObject* object, uint32_t) {
  SerialPosix* device = DeviceOf(object);
  return device ? device->SendBuffer().Total() : 0;
}
QV_EXPORT(SerialBytesLeftToSend)

// ---- Lines ----------------------------------------------------------------------------------

extern "C" void SerialWatchLines(RuntimeObject* object, uintptr_t lines) {
  SerialPosix* device = DeviceOf(object);
  if (!device) return;
  uint32_t watched = 0;
  if (lines < kLowestArrayAddress) {
    watched = uint32_t(lines);
  } else {
    RuntimeArray* array = reinterpret_cast<RuntimeArray*>(lines);
    if (!QV_CHECK_TEXT(array->table == SelectArrayOperationTable(1, kArrayInt32),
                       "linesToWatch is an Integer array", nullptr)) {
      return;
    }
    const int32_t* elements = static_cast<const int32_t*>(array->data);
    for (int32_t i = 0; i <= RuntimeUBound(array); ++i) {
      if (elements[i] == -1) {
        watched = 0;
        break;
      }
      watched |= uint32_t(elements[i]);
    }
  }
  device->watchedLines = watched & ((1u << kSerialLineCount) - 1);
  for (int32_t line = 0; line < kSerialLineCount; ++line) {
    device->lineStates[line] =
        (device->watchedLines & (1u << line)) && device->LineState(line) ? 1 : 0;
  }
  UpdateLineTask();
}
QV_EXPORT(SerialWatchLines)

extern "C" int32_t LineStateGetter(RuntimeObject* object, uint32_t line) {
  SerialPosix* device = DeviceOf(object);
  return device && device->LineState(int32_t(line)) ? 1 : 0;
}
QV_EXPORT(LineStateGetter)

// DataTerminalReady and RequestToSend take effect at the next Open or Reset.
extern "C" void LineStateSetter(RuntimeObject* object, uint32_t line, int32_t value) {
  if (!DeviceOf(object)) return;
  if (line == 0) Fields(object)->dtrLine = value ? 1 : 0;
  if (line == 1) Fields(object)->rtsLine = value ? 1 : 0;
}
QV_EXPORT(LineStateSetter)

extern "C" int32_t GetWin32DriverHandle(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(GetWin32DriverHandle)

extern "C" int32_t GetMacInputDriverRef(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(GetMacInputDriverRef)

extern "C" int32_t GetMacOutputDriverRef(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(GetMacOutputDriverRef)

extern "C" int32_t GetPosixDescriptor(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(GetPosixDescriptor)
