// Shell command lines run by real bash children: the waiting mode's output whole and in order,
// the child list and its reaping task (no zombie left, however a child ends), arguments that
// reach the command byte for byte, a termination signal during a wait, and what cannot start.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <string_view>
#include <thread>

#include "app/BackgroundTask.h"
#include "app/ShellCommand.h"
#include "app/TerminationSignals.h"
#include "support/ChildLimits.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

std::string Shell(const std::string& command, bool wait = true, std::vector<string> args = {}) {
  const string text = RunShellCommand(string(command.c_str()), wait, args);
  return std::string(text.CString(), text.Length());
}

// A zombie still exists; a reaped child does not.
bool Exists(pid_t id) { return kill(id, 0) == 0; }

// Waits (10 s at most, times the slow-run factor) until done() holds, running step() meanwhile.
bool Eventually(const std::function<bool()>& done, const std::function<void()>& step = [] {}) {
  for (int i = 0; i < qvtest::TimeLimit(1000) && !done(); ++i) {
    step();
    usleep(10 * 1000);
  }
  return done();
}

bool NoneListed() { return ListedShellChildren().empty(); }
bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class ShellCommand : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
    EXPECT_FALSE(HasShellBackgroundTask());
  }
};

// Output and errors share one pipe: they arrive in the order written, however long; 64 MB
// arrive whole, compared with the same numbers written here.
TEST_F(ShellCommand, WaitingCollectsOutputAndErrorsWholeInTheOrderWritten) {
  std::string expected;
  for (int i = 1; i <= 300; ++i) {
    expected += "o" + std::to_string(i) + "\ne" + std::to_string(i) + "\n";
  }
  EXPECT_EQ(Shell("for i in $(seq 1 300); do echo o$i; echo e$i >&2; done"), expected);
  EXPECT_EQ(Shell("printf 'a\\0b'; exit 7"), std::string("a\0b", 3));
  EXPECT_EQ(RunShellCommand(string("echo"), true).Encoding(), kEncodingNone);
  constexpr size_t kSize = size_t(64) << 20;
  expected.clear();
  for (int i = 1; expected.size() < kSize; ++i) expected += std::to_string(i) + "\n";
  expected.resize(kSize);
  const std::string output = Shell("seq 1 20000000 | head -c " + std::to_string(kSize));
  EXPECT_EQ(output.size(), kSize);
  EXPECT_TRUE(output == expected);
}

// A waited-for child that closed its output and runs on is listed once the call returns, and
// the task reaps it when it ends.
TEST_F(ShellCommand, AChildThatClosesItsOutputIsReapedLater) {
  const qvtest::TempFolder folder("qvshell");
  const std::string ended = folder / "ended";
  // The child runs natively while this test may be slowed (the emulator, valgrind): it gives
  // the call time to return first.
  const std::string sleep = qvtest::SlowRunFactor() > 1 ? "sleep 5" : "sleep 0.5";
  EXPECT_EQ(Shell("echo early; exec >&- 2>&-; " + sleep + "; : > \"$1\"", true, {ended.c_str()}),
            "early\n");
  const std::vector<pid_t> listed = ListedShellChildren();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_FALSE(FileExists(ended)) << "still running when the call returned";
  EXPECT_TRUE(HasShellBackgroundTask());
  ASSERT_TRUE(Eventually([&] { return FileExists(ended); }));
  EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
  EXPECT_FALSE(Exists(listed[0])) << "no zombie";
  EXPECT_FALSE(HasShellBackgroundTask());
}

// One task, run by the main loop's pass over untimed tasks, for any number of children: it
// goes with the last, and the next background command makes a new one. Background output goes
// to /dev/null, so a child that writes a megabyte lives on to its end.
TEST_F(ShellCommand, BackgroundChildrenShareOneTaskThatGoesWithTheLast) {
  const qvtest::TempFolder folder("qvshell");
  const std::string done = folder / "done";
  EXPECT_EQ(Shell("sleep 0.2", false), "");
  EXPECT_EQ(Shell("head -c 1048576 /dev/zero; echo done > " + done, false), "");
  const std::vector<pid_t> listed = ListedShellChildren();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_TRUE(HasShellBackgroundTask() && HasUntimedBackgroundTask());
  EXPECT_TRUE(Eventually([] { return !HasShellBackgroundTask(); },
                         [] { RunDueBackgroundTasks(true); }));
  EXPECT_TRUE(NoneListed());
  for (pid_t child : listed) EXPECT_FALSE(Exists(child)) << child;
  std::string written;
  std::getline(std::ifstream(done), written);
  EXPECT_EQ(written, "done");
  EXPECT_EQ(Shell("true", false), "");
  EXPECT_TRUE(HasShellBackgroundTask());
}

// A child ended by a signal is reaped and unlisted like any other; so is one that something
// else reaped first (its id may be another child's by then).
TEST_F(ShellCommand, KilledAndForeignReapedChildrenLeaveTheList) {
  Shell("exec sleep 100", false);
  Shell("exec sleep 100", false);
  const std::vector<pid_t> listed = ListedShellChildren();
  ASSERT_EQ(listed.size(), 2u);
  for (pid_t child : listed) ASSERT_EQ(kill(child, SIGKILL), 0);
  ASSERT_EQ(waitpid(listed[1], nullptr, 0), listed[1]);
  EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
  EXPECT_FALSE(Exists(listed[0]));
}

// Arguments are "$1" onward, never shell text: substitutions, separators, quotes, newlines and
// leading dashes arrive as they were, and nothing they hold runs.
TEST_F(ShellCommand, HostileArgumentsArriveByteForByte) {
  const qvtest::TempFolder folder("qvshell");
  const std::vector<std::string> hostile = {
      "$(touch " + folder / "a" + ")", "`touch " + folder / "b" + "`", "x; touch " + folder / "c",
      "'single' \"double\" \\", "two\nlines", "-n", "--", "-c", "", "*", "w\xC3\xB6rd"};
  std::vector<string> arguments;
  std::string expected;
  for (const std::string& argument : hostile) {
    arguments.push_back(argument.c_str());
    expected += argument + '\0';
  }
  EXPECT_EQ(Shell("printf '%s\\0' \"$@\"", true, arguments), expected);
  EXPECT_EQ(Shell("echo $#", true, arguments), std::to_string(hostile.size()) + "\n");
  for (const char* name : {"a", "b", "c"}) EXPECT_FALSE(FileExists(folder / name));
}

// A shell that cannot start gives an empty result in both modes and leaves no zombie; without
// descriptors for the pipe, no child is made at all.
TEST_F(ShellCommand, AShellThatCannotStartOrAFailedPipeGivesNothing) {
  const int status = qvtest::RunInChild([] {
    const rlimit limit = {32, 32};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::vector<int> taken;
    for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) taken.push_back(fd);
    const std::string output = Shell("echo hi");
    const pid_t waited = waitpid(-1, nullptr, WNOHANG);
    for (int fd : taken) close(fd);  // the checks' own reports may need descriptors
    EXPECT_EQ(output, "");
    EXPECT_EQ(waited, -1) << "no child";
    EXPECT_TRUE(NoneListed());
  });
  EXPECT_EQ(status, 0);
  SetShellPathForTesting("/nonexistent/qv-bash");
  EXPECT_EQ(Shell("echo hi"), "");
  EXPECT_EQ(Shell("echo hi", false), "");
  SetShellPathForTesting(nullptr);
  EXPECT_EQ(Shell("echo hi"), "hi\n");
}

// Output without end is cut where memory ends: the caller gets what could be held rather than
// nothing, and the command meets a broken pipe.
TEST_F(ShellCommand, EndlessOutputIsCutWhereMemoryEnds) {
  EXPECT_TRUE(qvtest::RunsWithinMemory(96 << 20, [] {
    const string text = RunShellCommand(string("cat /dev/zero"), true);
    const std::string_view zeros(text.CString(), size_t(text.Length()));
    EXPECT_GT(zeros.size(), size_t{8} << 20);
    EXPECT_EQ(zeros.find_first_not_of('\0'), std::string_view::npos);
    EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
  }));
}

// The sleeping grandchild is named in its argv[0] by a marker the re-run child shares through
// the environment, so that the test can end it afterwards.
std::string SleeperName() {
  if (const char* name = getenv("QVTEST_SHELL_SLEEPER")) return name;
  setenv("QVTEST_SHELL_SLEEPER", ("qv-shell-sleeper-" + std::to_string(getpid())).c_str(), 1);
  return getenv("QVTEST_SHELL_SLEEPER");
}

// Runs command (its argv[0] named by "$1") waiting for its output, with a TERM sent to this
// process after delayMs (0: the command sends it itself); the end the signal runs exits with
// status 0, a return with 3.
[[noreturn]] void RunUntilTerminated(const char* command, const std::string& name,
                                     useconds_t delayMs) {
  ArmTerminationSignals();
  if (delayMs > 0) {
    std::thread([delayMs] {
      usleep(delayMs * 1000);
      kill(getpid(), SIGTERM);
    }).detach();
  }
  Shell(command, true, {name.c_str()});
  _exit(3);
}

// A command that never ends cannot keep the process alive: TERM ends it as always.
TEST(ShellCommandDeathTest, TermDuringAWaitingCommandEndsWithStatusZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string sleeper = SleeperName();
  EXPECT_EXIT(RunUntilTerminated("exec -a \"$1\" sleep 1000", sleeper, 300),
              ::testing::ExitedWithCode(0), "");
  int found = 0;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    std::string argv0;
    std::getline(std::ifstream(std::string("/proc/") + entry->d_name + "/cmdline"), argv0, '\0');
    if (argv0 == sleeper && ++found) kill(atoi(entry->d_name), SIGKILL);
  }
  if (proc) closedir(proc);
  EXPECT_EQ(found, 1) << "the command was running when the signal came";
}

// Output that keeps coming: TERM ends the process while the command still writes, not once
// its output is done. The command sends it after its first megabyte, so that on a busy machine
// a timer's thread, late, cannot let the whole output through first.
TEST(ShellCommandDeathTest, TermWhileOutputStreamsEndsBeforeTheOutputDoes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RunUntilTerminated("exec -a \"$1\" sh -c 'head -c 1000000 /dev/zero; "
                                 "kill -TERM $PPID; exec head -c 300000000 /dev/zero'",
                                 SleeperName(), 0),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
