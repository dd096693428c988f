// SerialPosix: the device layer under a Serial object. It opens a device exclusively and
// without blocking, turns the object's settings into a raw termios configuration and the
// modem lines, moves bytes between the descriptor and the object's two buffers, holds a break,
// reads the lines, and closes with the device's previous settings restored.
//
// Promises:
//   - Baud keeps the application's code: a code maps to a speed every time it is applied. A
//     value above 49 must be a speed constant of the system, else InvalidOptions (102).
//   - The line is fully raw: no byte is translated, dropped or taken as a signal.
//   - Reset applies every setting or none: it stops at the first failure, leaving the line as
//     it was. Data and stop bits that cannot go together raise UnsupportedFormatException
//     before anything is applied.
//   - Modem-line requests a device does not know (a pseudo-terminal's) mean no lines: they read
//     false, and are no error.
//   - A break is held (TIOCSBRK) from SetBreak to ClearBreak or Close.
//   - Waiting for output (XmitWait, Flush) sleeps in poll(2) and on the device's output queue,
//     and gives up after kDrainIdleLimitMs without progress: what is left stays queued and
//     the Error is TimedOut (110).
//   - A hang-up (the device gone, EIO, POLLHUP) is one Error PortNotFound (101), and the port
//     is closed.
// Every failure sets LastErrorCode and raises the object's Error.
#pragma once

#include <termios.h>

#include <cstdint>

#include "core/ByteQueue.h"
#include "core/RuntimeObject.h"
#include "net/SocketSource.h"

struct SerialObject;

class SerialPosix final : public SourceWatch {
 public:
  static constexpr int32_t kDrainIdleLimitMs = 2000;

  explicit SerialPosix(RuntimeObject* owner);
  ~SerialPosix();
  SerialPosix(const SerialPosix&) = delete;
  SerialPosix& operator=(const SerialPosix&) = delete;

  RuntimeObject* Owner() const { return mOwner; }
  bool IsOpen() const;
  int32_t Descriptor() const { return mDescriptor; }

  // Opens the SerialPort's device, or port number Port, and applies the settings. True when
  // the port is open (also when it was).
  bool Open();
  // Applies the settings to an open port; false after the failure (or the exception).
  bool ApplySettings();
  // Restores the device's settings, ends the break and closes. Nothing when closed.
  void Close();

  // Sends what one write takes of the send buffer. False after a failure.
  bool WriteSome();
  // Takes what the device holds, up to the receive limit. False after a failure or a
  // hang-up (the port is then closed).
  bool ReadWaiting(bool* received);
  // Writes out the send buffer and waits until the device has sent it (see the promises).
  bool Drain();
  // The port hung up: Error 101 once, and closed.
  void HangUp();

  // Starts or ends the break now (when open; Open starts a break that is set).
  void SetBreak(bool on);
  // A modem line by number (0 DTR .. 5 DSR); false when closed or unknown to the device.
  bool LineState(int32_t line);

  MemoryManager& SendBuffer() { return mSend; }
  MemoryManager& ReceiveBuffer() { return mReceive; }

  // The lines watched (bits of the Line constants) and their last states.
  uint32_t watchedLines = 0;
  uint8_t lineStates[6] = {};

  // SourceWatch: an open port waits for bytes (below the receive limit) and for room while
  // bytes wait to go; nothing while serial polling is suspended.
  int16_t WatchedEvents() const override;
  int32_t WatchedDescriptor() const override { return mDescriptor; }
  void Serve(int16_t revents) override;
  bool Hold() override;
  void Release() override { RuntimeUnlockObject(mOwner); }

 private:
  SerialObject* Fields() const;
  // LastErrorCode from an error number (or a code of the class) and the Error event; false.
  bool Fail(int32_t error);
  bool FailWithCode(int32_t code);
  // UnsupportedFormatException for bits and stop bits that cannot go together; false then.
  bool CheckStopBits();
  int32_t OpenPath();

  RuntimeObject* mOwner;
  int32_t mDescriptor = -1;
  termios mSaved{};
  bool mBreakOn = false;
  MemoryManager mSend;
  MemoryManager mReceive;
};
