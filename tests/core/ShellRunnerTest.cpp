// The shell runner: captured output, commands that run to the end, children waited for.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "core/LibraryFinder.h"
#include "core/ShellRunner.h"
#include "support/ChildLimits.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

// RunProgram with what the program writes gathered into *output.
bool RunCapturing(const char* path, const char* const* argv, std::string* output,
                  int* status = nullptr) {
  GrowingBytes bytes;
  const bool ran = RunProgram(path, argv, &bytes, status);
  output->assign(reinterpret_cast<const char*>(bytes.Data()), size_t(bytes.Size()));
  return ran;
}

std::string Shell(const std::string& command, bool capture = true) {
  const string result = UnixHelper::ExecuteShell(string(command.c_str()), capture);
  return std::string(result.CString(), result.Length());
}

// Output and errors in order, large and with NUL bytes, whole; the shell's words for what
// cannot run; no descriptor beyond the standard three leaks into the child.
TEST(ShellRunner, CaptureCollectsEverythingTheCommandWrites) {
  EXPECT_EQ(Shell("echo out; echo err >&2; echo again"), "out\nerr\nagain\n");
  EXPECT_EQ(Shell("head -c 200000 /dev/zero | tr '\\0' a"), std::string(200000, 'a'));
  EXPECT_EQ(Shell("printf 'a\\0b'"), std::string("a\0b", 3));
  EXPECT_NE(Shell("qv_no_such_command_here").find("not found"), std::string::npos);
  EXPECT_EQ(Shell(""), "");
  // Where the run refuses close_range (ShellRunner.WithoutCloseRange), the one-by-one closing
  // is what is tested here.
  if (std::getenv("QV_CLOSE_RANGE_REFUSED")) {
    EXPECT_EQ(close_range(1000, 1000, 0), -1);
    EXPECT_EQ(errno, ENOSYS);
  }
  for (int fd : {10, 57, 251}) ASSERT_EQ(dup2(STDIN_FILENO, fd), fd);
  const std::string listing = Shell("ls /proc/self/fd");
  for (int fd : {10, 57, 251}) close(fd);
  EXPECT_EQ(listing, "0\n1\n2\n3\n");  // ls's own listing of the folder is 3
  std::string output;
  const char* const shell[] = {"shell", "-c", "echo hi", nullptr};
  EXPECT_TRUE(RunCapturing("/nonexistent/shell", shell, &output));
  EXPECT_EQ(output, "");
}

// Output without end is cut where it can be held: as far as memory goes, or at the limit
// asked for. The program meets a broken pipe and is waited for; nothing is thrown.
TEST(ShellRunner, EndlessOutputIsCutWhereItCanBeHeld) {
  EXPECT_TRUE(qvtest::RunsWithinMemory(96 << 20, [] {
    const string zeros = UnixHelper::ExecuteShell(string("cat /dev/zero"), true);
    EXPECT_GT(zeros.Length(), 8 << 20);
    EXPECT_EQ(std::string_view(zeros.CString(), zeros.Length()).find_first_not_of('\0'),
              std::string_view::npos);
    GrowingBytes few(1000);
    int status = 0;
    const char* const yes[] = {"yes", nullptr};
    EXPECT_TRUE(RunProgram("yes", yes, &few, &status));
    EXPECT_EQ(few.Size(), 1000);
    EXPECT_FALSE(few.OutOfMemory());
    EXPECT_EQ(status, -1) << "ended by the broken pipe";
  }));
}

// A listing without end, and a linker script that is an endless device, are read as far as
// they can be held; the search goes on past them and ends without a library.
TEST(LibraryFinder, EndlessListingsAndScriptsAreReadAsFarAsTheyCanBeHeld) {
  EXPECT_TRUE(qvtest::RunsWithinMemory(96 << 20, [] {
    SetLibraryListingProgramForTesting({"/bin/cat", "/dev/zero"});
    EXPECT_EQ(UnixHelper::LoadLibrary(string("/dev/zero")), nullptr);
    EXPECT_EQ(UnixHelper::LoadLibrary(string("libqv-no-such-library")), nullptr);
  }));
}

// The framework ignores SIGPIPE and installs handlers; a child starts with every signal at its
// default and none blocked, whatever this process has, so a pipeline ends quietly.
TEST(ShellRunner, ChildrenStartWithDefaultSignalsAndNoneBlocked) {
  struct sigaction ignore = {}, previousPipe, previousUser;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previousPipe);
  struct sigaction handled = {};
  handled.sa_handler = [](int) {};
  sigaction(SIGUSR1, &handled, &previousUser);
  sigset_t blocked, previousMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
  EXPECT_EQ(Shell("yes | head -c 4"), "y\ny\n");
  const std::string status = Shell("grep -E '^Sig(Blk|Ign)' /proc/self/status");
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  sigaction(SIGUSR1, &previousUser, nullptr);
  sigaction(SIGPIPE, &previousPipe, nullptr);
  EXPECT_NE(status.find("SigBlk:\t0000000000000000"), std::string::npos) << status;
  // SIGPIPE is bit 13 (0x1000): not ignored in the child.
  const size_t ignored = status.find("SigIgn:\t");
  ASSERT_NE(ignored, std::string::npos) << status;
  const uint64_t mask = std::stoull(status.substr(ignored + 8, 16), nullptr, 16);
  EXPECT_EQ(mask & (1u << (SIGPIPE - 1)), 0u) << status;
}

// A program run from an argument vector sees each word as given: no shell reads them.
TEST(ShellRunner, ProgramsGetTheirArgumentsWordForWord) {
  std::string output;
  const char* const argv[] = {"printf", "[%s]", "a;b", "$HOME", "'q' \"r\"", "*", nullptr};
  EXPECT_TRUE(RunCapturing("/usr/bin/printf", argv, &output));
  EXPECT_EQ(output, "[a;b][$HOME]['q' \"r\"][*]");
  output.clear();
  const char* const missing[] = {"qv-no-such-program", nullptr};
  EXPECT_TRUE(RunCapturing("/nonexistent/qv-no-such-program", missing, &output));
  EXPECT_EQ(output, "");
  EXPECT_FALSE(RunCapturing("/usr/bin/printf", nullptr, &output));
  // A name without a slash is looked for along PATH; the exit status comes back.
  const char* const failing[] = {"sh", "-c", "echo found; exit 3", nullptr};
  int status = 0;
  output.clear();
  EXPECT_TRUE(RunCapturing("sh", failing, &output, &status));
  EXPECT_EQ(output + std::to_string(status), "found\n3");
  EXPECT_TRUE(RunCapturing("qv-no-such-program", missing, &output, &status));
  EXPECT_EQ(status, 255);
}

// Output before the last step: a closed pipe would stop the command there. Every child is
// waited for.
TEST(ShellRunner, WithoutCaptureTheCommandRunsToTheEnd) {
  const qvtest::TempFolder folder("qvshell");
  const std::string marker = folder / "done";
  EXPECT_EQ(Shell("for i in $(seq 1 2000); do echo noise; done; echo ok > " + marker, false), "");
  std::string line;
  std::getline(std::ifstream(marker), line);
  EXPECT_EQ(line, "ok");
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// True once process is gone or a zombie, within about ten seconds (times the slow-run factor).
bool EndsSoon(pid_t process) {
  for (int i = 0; i < qvtest::TimeLimit(1000); ++i) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string fields;
    if (!std::getline(stat, fields)) return true;
    const size_t close = fields.rfind(')');
    if (close != std::string::npos && fields.compare(close + 2, 1, "Z") == 0) return true;
    usleep(10 * 1000);
  }
  return false;
}

// A program run to its end goes with the process waiting for it: killed while it waits, that
// process leaves no program running on alone.
TEST(ShellRunner, AProgramEndsWithTheProcessWaitingForIt) {
  const qvtest::TempFolder folder("qvorphan");
  const std::string record = folder / "pid";
  const pid_t waiter = qvtest::ForkTestChild();
  ASSERT_GE(waiter, 0);
  if (waiter == 0) {
    const char* const argv[] = {"sh", "-c", "echo $$ > \"$0.part\"; mv \"$0.part\" \"$0\"; "
                                "exec sleep 60", record.c_str(), nullptr};
    RunProgram("/bin/sh", argv, nullptr);
    _exit(0);
  }
  for (int i = 0; i < qvtest::TimeLimit(1000) && access(record.c_str(), F_OK) != 0; ++i)
    usleep(10 * 1000);
  pid_t program = 0;
  std::ifstream(record) >> program;
  kill(waiter, SIGKILL);
  waitpid(waiter, nullptr, 0);
  ASSERT_GT(program, 0) << "the program never started";
  EXPECT_TRUE(EndsSoon(program));
  kill(program, SIGKILL);
}

// A program that cannot start says why, waited for or detached. A detached one is no child of
// this process (nothing to wait for, no zombie left), runs in a session of its own, reads and
// writes /dev/null, and gets its arguments word for word.
TEST(ShellRunner, StartErrorsAndDetachedPrograms) {
  int status = 0, error = 0;
  const char* const missing[] = {"qv-no-such-program", nullptr};
  EXPECT_TRUE(RunProgram("/nonexistent/qv-no-such-program", missing, nullptr, &status, &error));
  EXPECT_EQ(status, 255);
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(StartDetachedProgram("/nonexistent/qv-no-such-program", missing, &error));
  EXPECT_EQ(error, ENOENT);
  const qvtest::TempFolder folder("qvdetach");
  std::ofstream(folder / "plain") << "not a program";
  const char* const plain[] = {"plain", nullptr};
  EXPECT_FALSE(StartDetachedProgram((folder / "plain").c_str(), plain, &error));
  EXPECT_EQ(error, EACCES);

  const std::string report = folder / "report";
  const char* const script[] = {
      "sh", "-c",
      "i=$(readlink /proc/$$/fd/0); o=$(readlink /proc/$$/fd/1); echo noise; "
      "{ echo \"$1\"; echo $PPID; echo $i; echo $o; cut -d' ' -f6 /proc/$$/stat; "
      "echo $(ls /proc/self/fd); } "
      "> \"$0.part\"; mv \"$0.part\" \"$0\"",
      report.c_str(), "one word; $HOME", nullptr};
  for (int fd : {10, 57, 251}) ASSERT_EQ(dup2(STDIN_FILENO, fd), fd);
  const bool started = StartDetachedProgram("/bin/sh", script, &error);
  for (int fd : {10, 57, 251}) close(fd);
  ASSERT_TRUE(started);
  EXPECT_EQ(error, 0);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  for (int i = 0; i < qvtest::TimeLimit(500) && access(report.c_str(), F_OK) != 0; ++i)
    usleep(10 * 1000);
  std::ifstream in(report);
  std::string word, parent, input, output, session;
  std::getline(in, word);
  std::getline(in, parent);
  std::getline(in, input);
  std::getline(in, output);
  std::getline(in, session);
  std::string descriptors;
  std::getline(in, descriptors);
  EXPECT_EQ(word, "one word; $HOME");
  EXPECT_EQ(descriptors, "0 1 2 3");  // ls's own listing of the folder is 3
  EXPECT_NE(parent, std::to_string(getpid()));
  EXPECT_EQ(input, "/dev/null");
  EXPECT_EQ(output, "/dev/null");
  EXPECT_NE(session, std::to_string(getsid(0)));
  EXPECT_FALSE(session.empty());
}

}  // namespace
