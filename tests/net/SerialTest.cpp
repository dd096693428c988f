// Serial on pseudo-terminals (openpty here, socat for a second process): every setting read
// back from the other end, all byte values both ways, speeds, exclusive use, the restore at
// Close, a hang-up, output that cannot drain, the modem lines and break through a line
// register, handlers that release their port, the device count, and an idle port.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <fstream>
#include <map>
#include <thread>

#include "NetTestSupport.h"
#include "arrays/ArrayElementAccess.h"
#include "arrays/RuntimeArray.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SerialClass.h"
#include "net/SerialFunctions.h"
#include "net/SerialPorts.h"
#include "net/SocketFunctions.h"
#include "net/UDPSocketClass.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using namespace nettest;

std::map<RuntimeObject*, std::vector<std::string>> gSeen;
std::function<void(RuntimeObject*, const std::string&)> gAction;

void Saw(RuntimeObject* self, const std::string& event) {
  gSeen[self].push_back(event);
  if (gAction) gAction(self, event);
}
extern "C" void OnSerialData(RuntimeObject* self) { Saw(self, "data"); }
extern "C" void OnSerialError(RuntimeObject* self) {
  Saw(self, "error " + std::to_string(intGetter(self, offsetof(SerialObject, lastErrorCode))));
}
extern "C" void OnLines(RuntimeObject* self, RuntimeArray* lines) {
  std::string text = "lines";
  for (int32_t i = 0; i <= RuntimeUBound(lines); ++i) {
    text += " " + std::to_string(static_cast<const int32_t*>(lines->data)[i]);
  }
  Saw(self, text);
}

RuntimeClass* SerialClass() {
  static RuntimeClass* cls =
      MakeSubclass(SerialClassDefinition(), "RecordingSerial",
                   {{"DataAvailable", reinterpret_cast<void*>(&OnSerialData)},
                    {"Error", reinterpret_cast<void*>(&OnSerialError)},
                    {"LineStateChanged", reinterpret_cast<void*>(&OnLines)}});
  return cls;
}

// A pseudo-terminal: the test holds the master; the Serial opens the slave by its path.
struct Pty {
  Pty() {
    int slave = -1;
    char name[64];
    EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    close(slave);
    path = name;
  }
  ~Pty() {
    if (master >= 0) close(master);
  }
  termios Settings() const {
    termios settings{};
    tcgetattr(master, &settings);
    return settings;
  }
  // Reads what the Serial sent, up to count bytes within a few seconds.
  std::string Take(size_t count) const {
    std::string got;
    char buffer[4096];
    // Gives up after 3 s (times the slow-run factor) in which nothing came, looking every
    // kStepMs; reads themselves do not count against it.
    constexpr int kStepMs = 10;
    for (int idle = 0; got.size() < count && idle < qvtest::TimeLimit(300);) {
      pollfd entry{master, POLLIN, 0};
      ssize_t n = 0;
      if (poll(&entry, 1, kStepMs) > 0)
        n = read(master, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) {
        got.append(buffer, size_t(n));
        idle = 0;
      } else {
        ++idle;
      }
    }
    return got;
  }
  int master = -1;
  std::string path;
};

std::string AllByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += char(i);
  return bytes;
}

class SerialPorts : public testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    gAction = nullptr;
    SerialClass();
    mLive = LiveObjectCount();
  }
  void TearDown() override {
    gAction = nullptr;
    for (RuntimeObject* object : mHeld) RuntimeUnlockObject(object);
    EXPECT_EQ(LiveObjectCount(), mLive) << "objects left behind";
    EXPECT_FALSE(SerialLineTaskRunning());
  }

  // A Serial for the device at path, released by the test's end.
  RuntimeObject* SerialFor(const std::string& path) {
    RuntimeObject* serial = RuntimeNewObject(SerialClass());
    mHeld.push_back(serial);
    RuntimeObject* port = getSerialPortByPath(nullptr, string(path.c_str()).Storage());
    objSetter(serial, offsetof(SerialObject, serialPort), port);
    RuntimeUnlockObject(port);
    return serial;
  }
  static void Set(RuntimeObject* serial, size_t offset, int32_t value) {
    shortSetter(serial, uint32_t(offset), value);
  }
  static void Write(RuntimeObject* serial, const std::string& bytes) {
    serialWrite(serial,
                string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingNone).Storage());
  }
  static std::string ReadAll(RuntimeObject* serial) {
    const string text = string::Adopt(serialReadAll(serial, nullptr));
    return std::string(text.CString(), size_t(text.Length()));
  }
  static int32_t LastError(RuntimeObject* serial) {
    return intGetter(serial, offsetof(SerialObject, lastErrorCode));
  }

  std::vector<RuntimeObject*> mHeld;
  int32_t mLive = 0;
};

// What the device was last given: a pseudo-terminal keeps 8 data bits and no parity whatever
// it is given, so those two are checked on the way in.
termios gApplied{};
int RecordingTcsetattr(int fd, int when, const termios* settings) {
  gApplied = *settings;
  return ::tcsetattr(fd, when, settings);
}

// Each setting as the other end of the line sees it; Reset applies changes; the line is raw.
TEST_F(SerialPorts, SettingsReadBackFromTheOtherEnd) {
  struct Restore {
    ~Restore() { RestoreSerialFunctions(); }
  } restore;
  SerialFunctionsForTesting().tcsetattr = RecordingTcsetattr;
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  EXPECT_EQ(shortGetter(serial, offsetof(SerialObject, bits)), 3);
  EXPECT_EQ(shortGetter(serial, offsetof(SerialObject, stopBits)), 0);
  EXPECT_EQ(intGetter(serial, offsetof(SerialObject, baud)), 13);
  EXPECT_EQ(byteGetter(serial, offsetof(SerialObject, rtsLine)), 1u);
  Set(serial, offsetof(SerialObject, bits), 2);
  Set(serial, offsetof(SerialObject, stopBits), 2);
  Set(serial, offsetof(SerialObject, parity), 2);
  intSetter(serial, offsetof(SerialObject, baud), 10);
  boolSetter(serial, offsetof(SerialObject, xonFlow), 1);
  ASSERT_TRUE(serialOpen(serial));
  EXPECT_EQ(gApplied.c_cflag & CSIZE, tcflag_t(CS7));
  EXPECT_EQ(gApplied.c_cflag & (PARENB | PARODD), tcflag_t(PARENB));
  termios t = pty.Settings();
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_iflag & INPCK);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL | HUPCL), tcflag_t(CREAD | CLOCAL | HUPCL));
  EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | IXANY), 0u);
  EXPECT_EQ(t.c_lflag & (ISIG | ICANON | ECHO | ECHOE | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  Set(serial, offsetof(SerialObject, bits), 3);
  Set(serial, offsetof(SerialObject, stopBits), 0);
  Set(serial, offsetof(SerialObject, parity), 1);
  boolSetter(serial, offsetof(SerialObject, xonFlow), 0);
  boolSetter(serial, offsetof(SerialObject, ctsFlow), 1);
  serialReset(serial);
  EXPECT_EQ(gApplied.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_EQ(gApplied.c_cflag & (PARENB | PARODD), tcflag_t(PARENB | PARODD));
  t = pty.Settings();
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  serialLeaveDTROnClose(serial);
  EXPECT_FALSE(pty.Settings().c_cflag & HUPCL);
  EXPECT_TRUE(gSeen[serial].empty());
}

// Baud keeps its code: code 9 (14400) runs at 57600, two Resets at 9600 stay at 9600; a speed
// constant is taken as it is, and a number that is neither is InvalidOptions with the line
// left as it was.
TEST_F(SerialPorts, BaudCodesAndSpeeds) {
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  intSetter(serial, offsetof(SerialObject, baud), 9);
  ASSERT_TRUE(serialOpen(serial));
  termios t = pty.Settings();
  EXPECT_EQ(cfgetospeed(&t), speed_t(B57600));
  intSetter(serial, offsetof(SerialObject, baud), 8);
  for (int i = 0; i < 2; ++i) {
    serialReset(serial);
    t = pty.Settings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(intGetter(serial, offsetof(SerialObject, baud)), 8);
  }
  intSetter(serial, offsetof(SerialObject, baud), int32_t(B115200));
  serialReset(serial);
  t = pty.Settings();
  EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
  intSetter(serial, offsetof(SerialObject, baud), 9600);
  serialReset(serial);
  t = pty.Settings();
  EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
  EXPECT_EQ(gSeen[serial], std::vector<std::string>{"error 102"});
}

// Data and stop bits that cannot go together raise UnsupportedFormatException before
// anything is applied, at Open and at Reset; Close gives the device its settings back, but
// for HUPCL, which says whether DTR drops at the close (LeaveDTROnClose keeps it up).
TEST_F(SerialPorts, IllegalStopBitsAndTheRestoreAtClose) {
  Pty pty;
  const termios before = pty.Settings();
  RuntimeObject* serial = SerialFor(pty.path);
  std::vector<std::string> messages;
  static std::vector<std::string>* sMessages = &messages;
  SetRaiseExceptionHook([](RuntimeObject* e) {
    const RuntimeExceptionObject* fields = reinterpret_cast<RuntimeExceptionObject*>(e);
    sMessages->push_back(std::string(stringStorage::CString(e->classPtr->className)) + ": " +
                         stringStorage::CString(fields->message));
  });
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  Set(serial, offsetof(SerialObject, bits), 0);
  Set(serial, offsetof(SerialObject, stopBits), 2);
  EXPECT_FALSE(serialOpen(serial));
  Set(serial, offsetof(SerialObject, bits), 3);
  Set(serial, offsetof(SerialObject, stopBits), 0);
  ASSERT_TRUE(serialOpen(serial));
  const termios open = pty.Settings();
  Set(serial, offsetof(SerialObject, stopBits), 1);
  Set(serial, offsetof(SerialObject, parity), 2);
  serialReset(serial);
  SetRaiseExceptionHook(nullptr);
  SetUnhandledExceptionHook(nullptr);
  const std::string illegal = "UnsupportedFormatException: Illegal combination of properties.  ";
  EXPECT_EQ(messages, (std::vector<std::string>{
                          illegal + "You cannot have 5 bits with 2 stop bits.",
                          illegal + "You cannot have 8 bits with 1.5 stop bits."}));
  EXPECT_EQ(pty.Settings().c_cflag, open.c_cflag) << "nothing applied";
  serialClose(serial);
  const termios after = pty.Settings();
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag & ~HUPCL, before.c_cflag & ~HUPCL);
  EXPECT_TRUE(after.c_cflag & HUPCL);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_FALSE(byteGetter(serial, offsetof(SerialObject, open)));
}

// Every byte value passes both ways unchanged: on a pseudo-terminal of the test's, and through
// socat's echo in another process.
TEST_F(SerialPorts, AllByteValuesBothWays) {
  const std::string bytes = AllByteValues() + AllByteValues();
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  Write(serial, bytes);  // opens the port
  EXPECT_EQ(pty.Take(bytes.size()), bytes);
  ASSERT_EQ(write(pty.master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  ASSERT_TRUE(RunUntil([&] { return SerialBytesAvailable(serial, 0) == int32_t(bytes.size()); }));
  EXPECT_EQ(string::Adopt(serialLookahead(serial, nullptr)).Length(), int32_t(bytes.size()));
  EXPECT_EQ(ReadAll(serial), bytes);
  EXPECT_TRUE(SerialEof(serial));
  EXPECT_GE(CountOf(gSeen[serial], "data"), 1);

  qvtest::TempFolder folder("qvserial");
  const std::string link = folder / "echo";
  PeerProcess socat({"socat", "PTY,rawer,link=" + link, "EXEC:cat"});
  for (int i = 0; i < qvtest::TimeLimit(500) && access(link.c_str(), F_OK) != 0; ++i)
    usleep(10000);
  RuntimeObject* echoed = SerialFor(link);
  Write(echoed, bytes);
  ASSERT_TRUE(RunUntil([&] { return SerialBytesAvailable(echoed, 0) >= int32_t(bytes.size()); }));
  EXPECT_EQ(ReadAll(echoed), bytes);
  serialClose(echoed);
}

// Another user cannot open a port held open (root ignores exclusive use, so the child drops
// to an unprivileged user); after Close it can.
TEST_F(SerialPorts, ExclusiveOpen) {
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  ASSERT_TRUE(serialOpen(serial));
  if (geteuid() == 0) chmod(pty.path.c_str(), 0666);
  auto openAsAnother = [&](int32_t expectedError) {
    return qvtest::RunInChild([&] {
      if (geteuid() == 0) {
        ASSERT_EQ(setgid(65534), 0);
        ASSERT_EQ(setuid(65534), 0);
      }
      RuntimeObject* other = SerialFor(pty.path);
      EXPECT_EQ(serialOpen(other) != 0, expectedError == 0);
      EXPECT_EQ(LastError(other), expectedError);
      serialClose(other);
    });
  };
  int status = openAsAnother(100);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  serialClose(serial);
  status = openAsAnother(0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The other end gone is one Error 101; the port is closed and stays quiet.
TEST_F(SerialPorts, AHangUpIsOneErrorAndCloses) {
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  ASSERT_TRUE(serialOpen(serial));
  close(pty.master);
  pty.master = -1;
  ASSERT_TRUE(RunUntil([&] { return !gSeen[serial].empty(); }, 5000));
  for (int i = 0; i < 5; ++i) RunPass(10);
  EXPECT_EQ(gSeen[serial], std::vector<std::string>{"error 101"});
  EXPECT_FALSE(byteGetter(serial, offsetof(SerialObject, open)));
}

// Output that the other end does not take stays queued once Flush gives up, with TimedOut;
// once it reads, Flush sends it all.
TEST_F(SerialPorts, FlushToAPeerThatDoesNotRead) {
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  const std::string bytes(1 << 20, 'f');
  Write(serial, bytes);
  const auto start = std::chrono::steady_clock::now();
  serialFlush(serial);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_GT(SerialBytesLeftToSend(serial, 0), 0);
  EXPECT_EQ(gSeen[serial], std::vector<std::string>{"error 110"});
  std::thread reader([&] { pty.Take(bytes.size()); });
  serialFlush(serial);
  reader.join();
  EXPECT_EQ(SerialBytesLeftToSend(serial, 0), 0);
  EXPECT_EQ(gSeen[serial].size(), 1u);
}

// A stand-in line register: pseudo-terminals have no modem lines and no break.
int gLines = 0;
int gBreaks = 0;  // TIOCSBRK less TIOCCBRK
int LineRegisterIoctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  switch (request) {
    case TIOCMGET:
      *static_cast<int*>(argument) = gLines;
      return 0;
    case TIOCMSET:
      gLines = *static_cast<int*>(argument);
      return 0;
    case TIOCSBRK:
      ++gBreaks;
      return 0;
    case TIOCCBRK:
      --gBreaks;
      return 0;
    default:
      return ::ioctl(fd, request, argument);
  }
}

// DTR and RTS as set reach the register at Open; CTS and the watched lines read it, in both
// forms of LineChangeNotification, also without a pass (the task); a break is held from
// SetBreak to ClearBreak or Close.
TEST_F(SerialPorts, LinesAndBreakThroughALineRegister) {
  struct Restore {
    ~Restore() { RestoreSocketFunctions(); }
  } restore;
  SocketFunctionsForTesting().ioctl = LineRegisterIoctl;
  gLines = TIOCM_RTS;
  gBreaks = 0;
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  EXPECT_FALSE(LineStateGetter(serial, 2)) << "closed";
  LineStateSetter(serial, 0, 1);
  LineStateSetter(serial, 1, 0);
  ASSERT_TRUE(serialOpen(serial));
  EXPECT_EQ(gLines, TIOCM_DTR);
  EXPECT_TRUE(LineStateGetter(serial, 0));
  EXPECT_FALSE(LineStateGetter(serial, 2));
  gLines |= TIOCM_CTS;
  EXPECT_TRUE(LineStateGetter(serial, 2));

  SerialWatchLines(serial, 4);  // LineCTS
  EXPECT_TRUE(SerialLineTaskRunning());
  gLines &= ~TIOCM_CTS;
  serialTick(serial);
  EXPECT_EQ(gSeen[serial], std::vector<std::string>{"lines 4"});
  RuntimeArray* watch = CreateArray(1, kArrayInt32, 1);
  ArraySetElement(watch, 0, 4);
  ArraySetElement(watch, 1, 8);
  SerialWatchLines(serial, reinterpret_cast<uintptr_t>(watch));
  gLines |= TIOCM_CTS | TIOCM_CAR;
  for (int i = 0; i < 30 && gSeen[serial].size() < 2; ++i) {
    g_main_context_iteration(nullptr, TRUE);
  }
  EXPECT_EQ(gSeen[serial].back(), "lines 4 8") << "found by the task, without a pass";
  ArraySetElement(watch, 1, -1);
  SerialWatchLines(serial, reinterpret_cast<uintptr_t>(watch));
  RuntimeUnlockArray(watch);
  EXPECT_FALSE(SerialLineTaskRunning()) << "-1 watches nothing";
  {
    qvtest::ReportCapture reports;
    RuntimeArray* texts = CreateArray(1, kArrayString, 0);
    SerialWatchLines(serial, reinterpret_cast<uintptr_t>(texts));
    RuntimeUnlockArray(texts);
    EXPECT_TRUE(reports.HasCondition("linesToWatch is an Integer array"));
  }

  serialSetBreak(serial);
  EXPECT_EQ(gBreaks, 1);
  serialClearBreak(serial);
  EXPECT_EQ(gBreaks, 0);
  serialSetBreak(serial);
  serialClose(serial);
  EXPECT_EQ(gBreaks, 0) << "Close ends the break";
  ASSERT_TRUE(serialOpen(serial));
  EXPECT_EQ(gBreaks, 1) << "and Open holds it again";
  serialClose(serial);
  EXPECT_EQ(gSeen[serial].size(), 2u);
}

// A handler may let go of its own Serial, and of another waiting in the same walk.
TEST_F(SerialPorts, HandlersReleasingSerials) {
  Pty first, second;
  RuntimeObject* a = RuntimeNewObject(SerialClass());
  RuntimeObject* b = RuntimeNewObject(SerialClass());
  for (auto [serial, pty] : {std::pair{a, &first}, std::pair{b, &second}}) {
    RuntimeObject* port = getSerialPortByPath(nullptr, string(pty->path.c_str()).Storage());
    objSetter(serial, offsetof(SerialObject, serialPort), port);
    RuntimeUnlockObject(port);
    ASSERT_TRUE(serialOpen(serial));
  }
  int released = 0;
  gAction = [&](RuntimeObject*, const std::string& event) {
    if (event != "data" || released++) return;
    RuntimeUnlockObject(a);
    RuntimeUnlockObject(b);
  };
  ASSERT_EQ(write(first.master, "x", 1), 1);
  ASSERT_EQ(write(second.master, "y", 1), 1);
  usleep(20000);
  SerialPollAll();
  EXPECT_EQ(released, 1);
  EXPECT_EQ(LiveObjectCount(), mLive);
}

// Port numbers name devices under the prefix; a "ttyS" node counts only with a UART behind it.
TEST_F(SerialPorts, CountingAndNamingPorts) {
  qvtest::TempFolder folder("qvports");
  Pty pty;
  mkdir((folder / "sys").c_str(), 0755);
  for (int i = 0; i < 3; ++i) {
    const std::string name = "ttyS" + std::to_string(i);
    ASSERT_EQ(symlink(pty.path.c_str(), (folder / name).c_str()), 0);
    mkdir((folder / "sys/" + name).c_str(), 0755);
    std::ofstream(folder / "sys/" + name + "/type") << (i < 2 ? "4\n" : "0\n");
  }
  SetSerialDeviceLocationsForTesting((folder / "ttyS").c_str(), (folder / "sys").c_str());
  EXPECT_EQ(getSerialPortCount(nullptr, 0), 2);
  RuntimeObject* port = getSerialPort(nullptr, 1);
  ASSERT_TRUE(port);
  EXPECT_EQ(std::string(string::Adopt(stringGetter(
                port, offsetof(SerialPortObject, inputDriverName))).CString()),
            folder / "ttyS1");
  EXPECT_EQ(intGetter(port, offsetof(SerialPortObject, ratedSpeed)), 115200);
  EXPECT_EQ(intGetter(port, offsetof(SerialPortObject, maximumSpeed)), 230400);
  RuntimeUnlockObject(port);
  std::vector<std::string> raised;
  static std::vector<std::string>* sRaised = &raised;
  SetRaiseExceptionHook([](RuntimeObject* e) {
    sRaised->push_back(stringStorage::CString(e->classPtr->className));
  });
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  EXPECT_EQ(getSerialPort(nullptr, 2), nullptr);
  EXPECT_EQ(getSerialPort(nullptr, -1), nullptr);
  SetRaiseExceptionHook(nullptr);
  SetUnhandledExceptionHook(nullptr);
  EXPECT_EQ(raised, std::vector<std::string>(2, "OutOfBoundsException"));
  EXPECT_EQ(getSerialPortByPath(nullptr, nullptr), nullptr);

  RuntimeObject* serial = RuntimeNewObject(SerialClass());
  mHeld.push_back(serial);
  Set(serial, offsetof(SerialObject, port), 1);
  ASSERT_TRUE(serialOpen(serial)) << "port 1 by its number";
  Write(serial, "by number");
  EXPECT_EQ(pty.Take(9), "by number");
  serialClose(serial);
  Set(serial, offsetof(SerialObject, port), 7);
  Write(serial, "nowhere");
  EXPECT_EQ(SerialBytesLeftToSend(serial, 0), 0) << "not kept when the port cannot open";
  EXPECT_EQ(gSeen[serial], std::vector<std::string>{"error 2"});
  SetSerialDeviceLocationsForTesting("", "");
}

// An open port and a bound UDP socket with nothing to do let the loop sleep.
TEST_F(SerialPorts, AnIdlePortAndSocketLetTheLoopSleep) {
  Pty pty;
  RuntimeObject* serial = SerialFor(pty.path);
  ASSERT_TRUE(serialOpen(serial));
  RuntimeObject* udp = NewObjectFromDefinition(UDPSocketClassDefinition());
  SocketConnect(udp);
  ASSERT_TRUE(SocketIsConnected(udp, 0));
  RunUntil([] { return false; }, 100);
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  for (auto now = start; now - start < std::chrono::seconds(2);
       now = std::chrono::steady_clock::now(), ++passes) {
    RunPass(int(2001 - std::chrono::duration_cast<std::chrono::milliseconds>(now - start)
                           .count()));
  }
  EXPECT_LE(passes, 10);
  ASSERT_EQ(write(pty.master, "wake", 4), 4);
  RunPass(5000);
  EXPECT_EQ(ReadAll(serial), "wake") << "the port woke the loop";
  RuntimeUnlockObject(udp);
}

}  // namespace
