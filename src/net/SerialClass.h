// The language class Serial: a serial port's line settings, its buffers of bytes sent and
// received, and the events DataAvailable, Error and LineStateChanged. The device work is the
// SerialPosix object each Serial owns (SerialPosix.h).
//
// Promises:
//   - An open port is served whenever the main loop runs: by each pass (SerialPollAll) and by
//     the main context's socket source while the loop waits, which wakes it for received
//     bytes (and for room to send while bytes wait). An idle open port never wakes the loop.
//   - While a port watches lines, a task checks them every 6 ticks: lines raise no descriptor
//     event.
//   - The walks over the ports hold each object for its tick: a handler may close or release
//     any Serial, its own included.
//   - At most kReceiveLimit bytes wait unread; the port then stops reading until the program
//     reads (the device's own buffer and flow control hold the rest).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class SerialPosix;
struct RuntimeArray;

struct SerialObject {
  RuntimeObject header;
  int16_t bits;              // Bits: a data-bits code (Bits5 .. Bits8)
  int16_t stopBits;          // Stop: a stop-bits code (StopBits1, StopBits15, StopBits2)
  int16_t parity;            // Parity: a parity code
  int16_t port;              // Port: the device number when there is no SerialPort
  int32_t baud;              // Baud: a speed code, or a speed constant of the system
  uint8_t dtrLine;           // DataTerminalReady as it is set at Open and Reset
  uint8_t rtsLine;           // RequestToSend, the same
  uint8_t dtrFlow;           // DTR
  uint8_t ctsFlow;           // CTS: hardware flow control
  uint8_t xonFlow;           // XON: software flow control
  uint8_t open;
  uint8_t leaveDTROnClose;   // set by LeaveDTROnClose
  uint8_t reserved0;
  RuntimeObject* serialPort;  // SerialPort: the device to open, or nil
  int32_t lastErrorCode;      // LastErrorCode
  SerialPosix* device;        // the descriptor, the buffers and the watched lines
  uint32_t reserved[8];       // the class's instance size is 88: subclasses' fields follow it
};
static_assert(sizeof(SerialObject) == 88, "Serial objects are read by compiled code");
static_assert(offsetof(SerialObject, baud) == 32, "SerialObject layout");
static_assert(offsetof(SerialObject, dtrLine) == 36, "SerialObject layout");
static_assert(offsetof(SerialObject, xonFlow) == 40, "SerialObject layout");
static_assert(offsetof(SerialObject, serialPort) == 44, "SerialObject layout");
static_assert(offsetof(SerialObject, lastErrorCode) == 48, "SerialObject layout");

// The codes of the class's constants.
enum SerialCode : int32_t {
  kSerialBits5 = 0,
  kSerialBits8 = 3,
  kSerialStopBits1 = 0,
  kSerialStopBits15 = 1,
  kSerialStopBits2 = 2,
  kSerialParityNone = 0,
  kSerialParityOdd = 1,
  kSerialParityEven = 2,
  kSerialBaud57600 = 13,
};

// LastErrorCode values (other error numbers are kept as they are).
enum SerialErrorCode : int32_t {
  kSerialNoError = 0,
  kSerialAccessDenied = 100,   // EPERM, EACCES, EBUSY
  kSerialPortNotFound = 101,   // EIO: also a hang-up
  kSerialInvalidOptions = 102, // EINVAL, or a Baud that is no speed
  kSerialTimedOut = 110,       // output made no progress (ETIMEDOUT)
};

// The modem lines, as bits (the Line constants) and as the line numbers the properties use.
constexpr int32_t kSerialLineCount = 6;  // DTR, RTS, CTS, DCD, RI, DSR

constexpr int32_t kSerialReceiveLimit = 16 * 1024 * 1024;

ObjectDefinition* SerialClassDefinition();

// Raisers used by the device layer: Error after LastErrorCode is set, and the others.
void RaiseSerialError(RuntimeObject* serial);

// The tick of one port: nothing while serial polling is suspended or the port is closed.
// revents is what poll(2) reported for its descriptor (0 when it was not asked).
void SerialTickWith(RuntimeObject* serial, int16_t revents);
// The tick of every open port; the main loop's pass and the socket polling task call it.
void SerialPollAll();
int32_t SerialSuspendPolling();
int32_t SerialResumePolling();
bool SerialPollingSuspended();
// Whether the line-watching task runs (tests).
bool SerialLineTaskRunning();

extern "C" {
void RuntimeSerialInitializer(RuntimeObject* object);
void RuntimeSerialFinalizer(RuntimeObject* object);
int32_t serialOpen(RuntimeObject* object);
void serialClose(RuntimeObject* object);
void serialWrite(RuntimeObject* object, stringStorage* data);
stringStorage* serialRead(RuntimeObject* object, int32_t count, RuntimeObject* encoding);
stringStorage* serialReadAll(RuntimeObject* object, RuntimeObject* encoding);
stringStorage* serialLookahead(RuntimeObject* object, RuntimeObject* encoding);
void serialXmitWait(RuntimeObject* object);
void serialFlush(RuntimeObject* object);
void serialTick(RuntimeObject* object);
void serialReset(RuntimeObject* object);
void serialLeaveDTROnClose(RuntimeObject* object);
void serialSetBreak(RuntimeObject* object);
void serialClearBreak(RuntimeObject* object);
int32_t SerialEof(RuntimeObject* object);
int32_t SerialError(RuntimeObject* object);
// Below 65,536 the argument is an OR of Line constants; above, an Integer array of them (an
// element of -1 ends it and watches nothing).
void SerialWatchLines(RuntimeObject* object, uintptr_t lines);
int32_t LineStateGetter(RuntimeObject* object, uint32_t line);
void LineStateSetter(RuntimeObject* object, uint32_t line, int32_t value);
int32_t SerialBytesAvailable(RuntimeObject* object, uint32_t parameter);
int32_t SerialBytesLeftToSend(RuntimeObject* object, uint32_t parameter);
int32_t GetWin32DriverHandle(RuntimeObject* object, uint32_t parameter);
int32_t GetMacInputDriverRef(RuntimeObject* object, uint32_t parameter);
int32_t GetMacOutputDriverRef(RuntimeObject* object, uint32_t parameter);
int32_t GetPosixDescriptor(RuntimeObject* object, uint32_t parameter);
}
