#include "net/SerialPosix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>

#include "core/ExceptionClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "net/SerialClass.h"
#include "net/SerialFunctions.h"
#include "net/SerialPorts.h"
#include "net/SocketFunctions.h"
#include "net/SocketPolling.h"

namespace {

// Bytes taken from the device in one tick at most, so that one busy port does not hold the
// pass.
constexpr int32_t kReadPerTick = 1024 * 1024;

const SerialFunctionTable& Term() { return SerialFunctions(); }
const SocketFunctionTable& Sys() { return SocketFunctions(); }

int32_t SerialErrorCodeOf(int32_t error) {
  switch (error) {
    case EPERM:
    case EACCES:
    case EBUSY:
      return kSerialAccessDenied;
    case EIO:
      return kSerialPortNotFound;
    case EINVAL:
      return kSerialInvalidOptions;
    default:
      return error;
  }
}

// A request the device does not know: a pseudo-terminal has no modem lines.
bool DeviceLacksRequest(int32_t error) { return error == ENOTTY || error == EINVAL; }

// The speed of a Baud value: a code of the class's constants (codes without a speed of their
// own run at 57600), or, above 49, a speed constant of the system.
bool SpeedOfBaud(int32_t baud, speed_t* speed) {
  static const speed_t kCodes[] = {B300,  B600,   B1200,  B1800,  B2400,  B57600,
                                   B4800, B57600, B9600,  B57600, B19200, B57600,
                                   B38400, B57600, B115200, B230400};
  static const speed_t kConstants[] = {B57600,   B115200,  B230400,  B460800,  B500000,
                                       B576000,  B921600,  B1000000, B1152000, B1500000,
                                       B2000000, B2500000, B3000000, B3500000, B4000000};
  if (baud >= 0 && baud < int32_t(std::size(kCodes))) {
    *speed = kCodes[baud];
    return true;
  }
  if (baud >= 0 && baud <= 49) {
    *speed = B57600;
    return true;
  }
  for (speed_t constant : kConstants) {
    if (speed_t(baud) != constant) continue;
    *speed = constant;
    return true;
  }
  return false;
}

tcflag_t DataBits(int32_t code) {
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  return code >= 0 && code < 4 ? kSizes[code] : CS8;
}

const int kLineBits[kSerialLineCount] = {TIOCM_DTR, TIOCM_RTS, TIOCM_CTS,
                                         TIOCM_CAR, TIOCM_RNG, TIOCM_DSR};

}  // namespace

SerialPosix::SerialPosix(RuntimeObject* owner) : mOwner(owner) {}

SerialPosix::~SerialPosix() { Close(); }

SerialObject* SerialPosix::Fields() const { return reinterpret_cast<SerialObject*>(mOwner); }

bool SerialPosix::IsOpen() const { return mDescriptor >= 0; }

bool SerialPosix::Fail(int32_t error) { return FailWithCode(SerialErrorCodeOf(error)); }

bool SerialPosix::FailWithCode(int32_t code) {
  Fields()->lastErrorCode = code;
  RaiseSerialError(mOwner);
  return false;
}

// ---- Opening and settings -------------------------------------------------------------------

bool SerialPosix::CheckStopBits() {
  const int32_t bits = Fields()->bits;
  const int32_t stop = Fields()->stopBits;
  const char* stopText = nullptr;
  if (bits == kSerialBits5 && stop == kSerialStopBits2) stopText = "2";
  if (bits > kSerialBits5 && bits <= kSerialBits8 && stop == kSerialStopBits15) stopText = "1.5";
  if (!stopText) return true;
  const std::string message = "Illegal combination of properties.  You cannot have " +
                              std::to_string(bits + 5) + " bits with " + stopText +
                              " stop bits.";
  RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                               string(message.c_str()).Storage(), 0);
  return false;
}

int32_t SerialPosix::OpenPath() {
  RuntimeObject* port = Fields()->serialPort;
  const string path =
      port && ObjectIsaDefinition(port, SerialPortClassDefinition())
          ? string(reinterpret_cast<SerialPortObject*>(port)->inputDriverName)
          : SerialDevicePath(Fields()->port);
  // A serial device by design, past the opener so that tests can stand in for the terminal
  // calls: O_NONBLOCK keeps a line without carrier from holding the open.
  const int32_t fd = Term().open(path.CString(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) Sys().ioctl(fd, TIOCEXCL);  // a device without the request is still usable
  return fd;
}

bool SerialPosix::Open() {
  if (!SerialFunctionsComplete()) return false;
  if (IsOpen()) return true;
  if (!CheckStopBits()) return false;
  Fields()->lastErrorCode = kSerialNoError;
  const int32_t fd = OpenPath();
  if (fd < 0) return Fail(errno);
  if (Term().tcgetattr(fd, &mSaved) != 0) {
    const int32_t error = errno;
    Sys().close(fd);
    return Fail(error);
  }
  mDescriptor = fd;
  Fields()->open = 1;
  AddWatchToSocketSource(this);
  ApplySettings();  // a failure leaves the port open as the device was
  if (mBreakOn && IsOpen()) SetBreak(true);
  return IsOpen();
}

bool SerialPosix::ApplySettings() {
  if (!IsOpen() || !CheckStopBits()) return false;
  const SerialObject* fields = Fields();
  speed_t speed;
  if (!SpeedOfBaud(fields->baud, &speed)) return FailWithCode(kSerialInvalidOptions);
  termios settings = mSaved;
  settings.c_cflag |= CREAD | CLOCAL;
  settings.c_cflag = fields->leaveDTROnClose ? settings.c_cflag & ~HUPCL
                                             : settings.c_cflag | HUPCL;
  settings.c_cflag = (settings.c_cflag & ~CSIZE) | DataBits(fields->bits);
  settings.c_cflag &= ~(CSTOPB | PARENB | PARODD | CRTSCTS);
  if (fields->stopBits == kSerialStopBits2) settings.c_cflag |= CSTOPB;
  if (fields->parity == kSerialParityOdd) settings.c_cflag |= PARENB | PARODD;
  if (fields->parity == kSerialParityEven) settings.c_cflag |= PARENB;
  if (fields->parity == kSerialParityOdd || fields->parity == kSerialParityEven) {
    settings.c_iflag |= INPCK;
  }
  settings.c_iflag &= ~(IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | IXANY);
  if (fields->xonFlow) {
    settings.c_iflag |= IXON | IXOFF;
  } else if (fields->ctsFlow) {
    settings.c_cflag |= CRTSCTS;
  }
  settings.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE | IEXTEN);
  settings.c_oflag &= ~OPOST;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  settings.c_cc[VSTART] = 0x11;
  settings.c_cc[VSTOP] = 0x13;
  if (Term().cfsetispeed(&settings, speed) != 0 || Term().cfsetospeed(&settings, speed) != 0 ||
      Term().tcsetattr(mDescriptor, TCSANOW, &settings) != 0) {
    return Fail(errno);
  }
  // The settings to restore at Close keep the choice of dropping DTR then.
  mSaved.c_cflag = (mSaved.c_cflag & ~HUPCL) | (settings.c_cflag & HUPCL);
  int lines = 0;
  if (Sys().ioctl(mDescriptor, TIOCMGET, &lines) != 0) {
    return DeviceLacksRequest(errno) || Fail(errno);
  }
  lines = fields->dtrLine ? lines | TIOCM_DTR : lines & ~TIOCM_DTR;
  lines = fields->rtsLine ? lines | TIOCM_RTS : lines & ~TIOCM_RTS;
  if (Sys().ioctl(mDescriptor, TIOCMSET, &lines) != 0 && !DeviceLacksRequest(errno)) {
    return Fail(errno);
  }
  return true;
}

void SerialPosix::Close() {
  if (!IsOpen()) return;
  RemoveWatchFromSocketSource(this);
  const int32_t fd = mDescriptor;
  mDescriptor = -1;
  Fields()->open = 0;
  if (mBreakOn) Sys().ioctl(fd, TIOCCBRK);
  Term().tcsetattr(fd, TCSANOW, &mSaved);
  Sys().ioctl(fd, TIOCNXCL);
  Sys().close(fd);
}

// ---- Bytes ----------------------------------------------------------------------------------

bool SerialPosix::WriteSome() {
  int32_t length = 0;
  const char* chunk = mSend.PeekFirstChunk(&length);
  if (!IsOpen() || !chunk) return true;
  const ssize_t n = Term().write(mDescriptor, chunk, size_t(length));
  if (n >= 0) {
    mSend.Consume(int32_t(n));
    return true;
  }
  if (errno == EAGAIN || errno == EINTR) return true;
  if (errno == EIO) {
    HangUp();
    return false;
  }
  return Fail(errno);
}

bool SerialPosix::ReadWaiting(bool* received) {
  int32_t taken = 0;
  while (IsOpen() && taken < kReadPerTick && mReceive.Total() < kSerialReceiveLimit) {
    int32_t room = 0;
    char* space = mReceive.TailSpace(&room);
    if (!space) return true;
    room = std::min({room, kSerialReceiveLimit - mReceive.Total(), kReadPerTick - taken});
    const ssize_t n = Term().read(mDescriptor, space, size_t(room));
    const int32_t error = errno;
    mReceive.CommitTail(n > 0 ? int32_t(n) : 0);
    if (n > 0) {
      taken += int32_t(n);
      *received = true;
      continue;
    }
    if (n == 0 || error == EAGAIN) return true;  // nothing waits
    if (error == EINTR) continue;
    if (error == EIO) {
      HangUp();
      return false;
    }
    return Fail(error);
  }
  return true;
}

void SerialPosix::HangUp() {
  Close();
  FailWithCode(kSerialPortNotFound);
}

bool SerialPosix::Drain() {
  using Clock = std::chrono::steady_clock;
  Clock::time_point lastProgress = Clock::now();
  int32_t lastQueued = -1;
  while (IsOpen()) {
    const int32_t before = mSend.Total();
    if (before > 0 && !WriteSome()) return false;
    int32_t queued = 0;
    if (!IsOpen() || Sys().ioctl(mDescriptor, TIOCOUTQ, &queued) != 0) queued = 0;
    if (mSend.Total() == 0 && queued == 0) return IsOpen();
    if (mSend.Total() < before || (lastQueued >= 0 && queued < lastQueued)) {
      lastProgress = Clock::now();
    }
    lastQueued = queued;
    const int64_t idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                             Clock::now() - lastProgress).count();
    if (idle >= kDrainIdleLimitMs) return FailWithCode(kSerialTimedOut);
    // Room to write wakes the wait; the device's own queue is looked at again shortly.
    const int32_t wait = mSend.Total() > 0 ? int32_t(kDrainIdleLimitMs - idle) : 10;
    pollfd entry{mDescriptor, int16_t(mSend.Total() > 0 ? POLLOUT : 0), 0};
    PollDescriptors(&entry, 1, std::min<int32_t>(wait, int32_t(kDrainIdleLimitMs - idle)));
  }
  return false;
}

// ---- Lines and break ------------------------------------------------------------------------

void SerialPosix::SetBreak(bool on) {
  mBreakOn = on;
  if (!IsOpen()) return;
  if (Sys().ioctl(mDescriptor, on ? TIOCSBRK : TIOCCBRK) != 0 && !DeviceLacksRequest(errno)) {
    Fail(errno);
  }
}

bool SerialPosix::LineState(int32_t line) {
  if (!IsOpen() || line < 0 || line >= kSerialLineCount) return false;
  int lines = 0;
  return Sys().ioctl(mDescriptor, TIOCMGET, &lines) == 0 && (lines & kLineBits[line]) != 0;
}

// ---- The source -----------------------------------------------------------------------------

int16_t SerialPosix::WatchedEvents() const {
  if (!IsOpen() || SerialPollingSuspended()) return 0;
  int16_t events = mReceive.Total() < kSerialReceiveLimit ? POLLIN : 0;
  if (mSend.Total() > 0) events |= POLLOUT;
  return events;
}

bool SerialPosix::Hold() {
  if (mOwner->refCount <= 0) return false;
  RuntimeLockObject(mOwner);
  return true;
}

// The source holds the object: when its reference is the last, a handler let go of the object
// meanwhile, and it is not served.
void SerialPosix::Serve(int16_t revents) {
  if (mOwner->refCount > 1) SerialTickWith(mOwner, revents);
}
