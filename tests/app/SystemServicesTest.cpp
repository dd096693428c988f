// The System module's members without a display: environment variables as libc sees them,
// names and values that cannot be set, the command line built once, Log read by a datagram
// listener at /dev/log (Python's socket module), DebugLog on standard error, and Gestalt.
#include "app/SystemServices.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "SpawnedProcess.h"
#include "app/RuntimeMain.h"
#include "strings/StringFoundation.h"
#include "strings/TextEncoding.h"
#include "support/TestSupport.h"

namespace {

string Bytes(const std::string& bytes, TextEncoding encoding = kEncodingUTF8) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), encoding);
}

// The variable's text and its encoding tag, as "text|tag".
std::string Get(const std::string& name) {
  const string value = string::Adopt(SystemGetEnvVariable(nullptr, Bytes(name).Storage()));
  return std::string(value.CString(), value.Length()) + "|" + std::to_string(value.Encoding());
}

void Set(const std::string& name, const string& value) {
  SystemSetEnvVariable(nullptr, Bytes(name).Storage(), value.Storage());
}

std::string Env(const char* name) { return getenv(name) ? getenv(name) : "(unset)"; }

// Values are tagged ASCII only when every byte is; text of any encoding is set as UTF-8; the
// empty text (or nil) sets the variable to nothing rather than removing it.
TEST(SystemEnvironment, VariablesRoundTripThroughLibc) {
  const std::string ascii = std::to_string(kEncodingASCII), utf8 = std::to_string(kEncodingUTF8);
  unsetenv("QVTEST_A");
  EXPECT_EQ(Get("QVTEST_A"), "|" + ascii);
  Set("QVTEST_A", Bytes("plain value"));
  EXPECT_EQ(Env("QVTEST_A") + " " + Get("QVTEST_A"), "plain value plain value|" + ascii);
  Set("QVTEST_A", Bytes("w\xC3\xB6rd"));
  EXPECT_EQ(Get("QVTEST_A"), "w\xC3\xB6rd|" + utf8);
  Set("QVTEST_A", string::FromBytes("caf\xE9", 4, kEncodingWindowsLatin1));
  EXPECT_EQ(Env("QVTEST_A"), "caf\xC3\xA9");
  Set("QVTEST_A", Bytes(""));
  EXPECT_EQ(Env("QVTEST_A"), "");
  Set("QVTEST_A", string("x"));
  Set("QVTEST_A", string());
  EXPECT_EQ(Env("QVTEST_A"), "");
  unsetenv("QVTEST_A");
}

// A name that is empty or holds "=" or a NUL, or a value holding a NUL, would be cut or
// misread by the C text ("QVTEST_B" NUL "x" would set QVTEST_B): nothing changes, and such a
// name reads nothing.
TEST(SystemEnvironment, NamesAndValuesTheCTextWouldCutChangeNothing) {
  setenv("QVTEST_B", "kept", 1);
  const std::string cutName("QVTEST_B\0x", 10);
  for (const std::string& name : {cutName, std::string("QVTEST_B=x"), std::string()}) {
    Set(name, Bytes("changed"));
    EXPECT_EQ(Get(name), "|" + std::to_string(kEncodingASCII));
  }
  Set("QVTEST_B", Bytes(std::string("a\0b", 3)));
  SystemSetEnvVariable(nullptr, nullptr, string("changed").Storage());
  EXPECT_EQ(Env("QVTEST_B") + Env("QVTEST_B=x"), "kept(unset)");
  unsetenv("QVTEST_B");
}

// Built once from the stored arguments, the program path first: the same string afterwards,
// whatever changes in the environment or the stored vector.
TEST(SystemCommandLine, IsBuiltOnceFromTheStoredArguments) {
  const int status = qvtest::RunInChild([] {
    const char* argv[] = {"/opt/qv/app", "two words", "quote\"d", "w\xC3\xB6rd", nullptr};
    StoreCommandLine(4, const_cast<char**>(argv));
    stringStorage* first = SystemGetCommandLine(nullptr);
    EXPECT_STREQ(stringStorage::CString(first), "/opt/qv/app two words quote\"d w\xC3\xB6rd");
    EXPECT_EQ(first->encoding, kEncodingUTF8);
    setenv("QVTEST_D", "x", 1);
    StoreCommandLine(1, const_cast<char**>(argv + 1));
    stringStorage* second = SystemGetCommandLine(nullptr);
    EXPECT_EQ(second, first);
    RuntimeUnlockString(first);
    RuntimeUnlockString(second);
  });
  EXPECT_EQ(status, 0);
}

TEST(SystemLog, DebugLogWritesALineToStandardErrorAndNothingForNil) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        SystemDebugLogger(nullptr, string("first line").Storage());
        SystemDebugLogger(nullptr, nullptr);
        const string wide = ConvertEncoding(Bytes("w\xC3\xB6rd"), kEncodingUnicode16);
        SystemDebugLogger(nullptr, wide.Storage());
      },
      &output);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "first line\nw\xC3\xB6rd\n");
}

// Syslog's socket, /dev/log, taken by a Python datagram listener: free and writable only where
// no syslog daemon runs and the tests run as root (as in CI). Each message arrives as
// "<facility * 8 + priority>", the time, "identity[pid]: " and the text.
TEST(SystemLog, LogSendsEachLevelsPriorityToSyslog) {
  struct stat info;
  if (stat("/dev/log", &info) == 0) GTEST_SKIP() << "/dev/log is taken (a syslog daemon runs)";
  if (access("/dev", W_OK) != 0) GTEST_SKIP() << "/dev/log cannot be made: not root";
  // Another run of this test (a whole binary beside the case alone) may take it meanwhile.
  const char* listener =
      "import socket, os\n"
      "s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)\n"
      "try:\n"
      "    s.bind('/dev/log')\n"
      "except OSError:\n"
      "    print('taken', flush=True)\n"
      "    raise SystemExit(0)\n"
      "s.settimeout(20 * int(os.environ.get('QV_TIME_FACTOR', '1')))\n"
      "print('ready', flush=True)\n"
      "try:\n"
      "    for _ in range(3):\n"
      "        print(s.recv(4096).decode('utf-8', 'replace'), flush=True)\n"
      "finally:\n"
      "    os.unlink('/dev/log')\n";
  qvtest::SpawnedProcess python(
      {.program = "/usr/bin/env", .argv = {"env", "python3", "-c", listener}});
  ASSERT_TRUE(python.WaitForOutput("\n")) << python.Errors();
  if (python.Output() == "taken\n") GTEST_SKIP() << "/dev/log was taken meanwhile";
  ASSERT_EQ(python.Output(), "ready\n") << python.Errors();
  SystemLogger(nullptr, 1003, string("an error").Storage());
  SystemLogger(nullptr, 1003, nullptr);
  SystemLogger(nullptr, 1008, string("a success").Storage());
  SystemLogger(nullptr, 42, string("other").Storage());
  EXPECT_TRUE(qvtest::ExitedWith(python.Finish(), 0)) << python.Errors();
  std::istringstream lines(python.Output().substr(6));
  const std::string pid = "[" + std::to_string(getpid()) + "]: ";
  for (const char* expected : {"<11> an error", "<14> a success", "<14> other"}) {
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with(std::string(expected, 4))) << line;
    EXPECT_TRUE(line.ends_with(pid + (expected + 5))) << line;
  }
}

// Gestalt writes its ByRef result (0) even though it answers False; a nil one is left alone.
TEST(SystemInertMembers, GestaltClearsItsResult) {
  int32_t result = 77;
  EXPECT_EQ(systemGestalt(nullptr, string("sysv").Storage(), &result), 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(systemGestalt(nullptr, nullptr, nullptr), 0);
}

}  // namespace
