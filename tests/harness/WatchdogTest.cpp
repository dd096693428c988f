// The watchdog against tests that hang on purpose outside the GLib loop. Each case runs itself
// again as a process of its own (QV_WATCHDOG_SUBJECT says what that process does instead of
// checking) and reads the report that process wrote: the test named, the hanging function on a
// stack, with gdb and without it, a hanging child's stack, the window manager's windows, and
// the process ended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "support/Emulator.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr char kHungTitle[] = "Hung on purpose";

// Waits for a signal that never comes, in no loop: only a thread outside can see it.
[[gnu::noinline]] void HangOutsideTheLoop() {
  for (;;) pause();
}

// The same in a child process, which ends with its parent.
[[gnu::noinline]] void HangInTheChild() {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  for (;;) pause();
}

// Hangs kDeepFrames frames deep.
constexpr int kDeepFrames = 3000;
[[gnu::noinline]] void RecurseThenHang(int depth) {
  volatile int after = depth;  // work after the call: no tail call to fold the frames away
  if (depth > 0)
    RecurseThenHang(depth - 1);
  else
    while (after >= 0) pause();
  after = after + 1;
}

// What the process run by Subject does: hang (with a child hanging too and a short budget of
// its own, or with the default one, or with a thread hanging deep down), take three seconds,
// or leave a child running, which it names.
void ActAsSubject(const std::string& role) {
  if (role == "pace") {
    sleep(3);
    return;
  }
  if (role == "leave") {
    // Run twice: the second round tells whether the first one's child was reaped here, while
    // this process still lives (once it ends, the child's death signal would kill it anyway).
    static pid_t earlier = 0;
    if (earlier > 0) {
      const bool reaped = waitpid(earlier, nullptr, WNOHANG) < 0 && errno == ECHILD;
      std::printf("the earlier child %s\n", reaped ? "was reaped" : "is still there");
      return;
    }
    const pid_t child = earlier = qvtest::ForkTestChild();
    if (child == 0) HangInTheChild();
    std::printf("left %d\n", int(child));
    return;
  }
  if (role == "deep") {
    std::thread([] { RecurseThenHang(kDeepFrames); }).detach();
    qvtest::SetWatchdogBudget(2);
  }
  if (role == "hang") {
    if (qvtest::ForkTestChild() == 0) HangInTheChild();
    qvtest::SetWatchdogBudget(2);
    if (qvtest::HaveDisplay()) {  // a window for the report to list
      qvtest::GuiDriver gui;
      GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
      gtk_window_set_title(GTK_WINDOW(window), kHungTitle);
      gtk_widget_show(window);
      qvtest::SetWatchdogBudget(60);
      ASSERT_TRUE(gui.WaitForWindow(kHungTitle));
      qvtest::SetWatchdogBudget(2);
    }
  }
  HangOutsideTheLoop();
}

// A budget of 2 s, as the watchdog stretches it where the code runs slower.
const std::string kPastTwoSeconds =
    "past its budget of " + std::to_string(qvtest::TimeLimit(2)) + " s";

struct Outcome {
  int status;
  std::string output;
};

// Runs the running test again in a process of its own, in role, with the environment given
// and the extra arguments.
Outcome Subject(const std::string& role, const std::map<std::string, std::string>& environment,
                const std::vector<std::string>& extra = {}) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::vector<std::string> argv = {"/proc/self/exe", std::string("--gtest_filter=") +
                                                         test->test_suite_name() + "." +
                                                         test->name()};
  argv.insert(argv.end(), extra.begin(), extra.end());
  // Set for the subject alone: what the run itself has (its deadline) comes back after it.
  std::vector<std::unique_ptr<qvtest::ScopedEnvironmentVariable>> set;
  set.push_back(std::make_unique<qvtest::ScopedEnvironmentVariable>("QV_WATCHDOG_SUBJECT",
                                                                    role.c_str()));
  for (const auto& [name, value] : environment)
    set.push_back(std::make_unique<qvtest::ScopedEnvironmentVariable>(name.c_str(), value.c_str()));
  Outcome outcome;
  outcome.status = qvtest::RunProgram(argv, &outcome.output);
  return outcome;
}

class Watchdog : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* role = std::getenv("QV_WATCHDOG_SUBJECT")) {
      ActAsSubject(role);
      GTEST_SKIP() << "ran as the subject";
    }
    // The subjects' reports need their own time (and a debugger's) on a loaded machine.
    qvtest::SetWatchdogBudget(120);
  }
  // The report: the hung test named, a stack through the hanging function, its failure, the
  // process ended with the watchdog's status.
  static void ExpectAHangReport(const Outcome& outcome, const std::string& reason) {
    const std::string name = testing::UnitTest::GetInstance()->current_test_suite()->name() +
                             std::string(".") +
                             testing::UnitTest::GetInstance()->current_test_info()->name();
    EXPECT_EQ(outcome.status, qvtest::kWatchdogStatus) << outcome.output;
    const std::string& report = outcome.output;
    const size_t head = report.find("[ WATCHDOG ] " + name + " has run for ");
    ASSERT_NE(head, std::string::npos) << report;
    EXPECT_THAT(report.substr(head), HasSubstr(reason));
    const size_t stack = report.find("HangOutsideTheLoop", head);
    EXPECT_NE(stack, std::string::npos) << report;
    EXPECT_NE(report.find("[  FAILED  ] " + name + " (hung: ended by the watchdog", stack),
              std::string::npos)
        << report;
  }
};

// A report larger than a pipe holds: the debugger stops the whole process, the watch that
// gathers its output too, and must never wait for room to write.
TEST_F(Watchdog, AReportLargerThanAPipeComesWhole) {
  if (qvtest::ProgramOutput({"gdb", "--version"}).empty()) GTEST_SKIP() << "gdb is not installed";
  if (qvtest::RunsUnderEmulator()) GTEST_SKIP() << "gdb cannot follow a program under an emulator";
  const Outcome outcome = Subject("deep", {});
  ExpectAHangReport(outcome, kPastTwoSeconds);
  size_t frames = 0;
  for (size_t at = 0; (at = outcome.output.find("RecurseThenHang", at)) != std::string::npos;
       ++at)
    ++frames;
  EXPECT_GT(frames, size_t(kDeepFrames)) << outcome.output.size() << " bytes of report";
}

TEST_F(Watchdog, AHangIsReportedWithTheDebuggersStacksAndTheWindowsAndEndsTheProcess) {
  if (qvtest::ProgramOutput({"gdb", "--version"}).empty()) GTEST_SKIP() << "gdb is not installed";
  const Outcome outcome = Subject("hang", {});
  ExpectAHangReport(outcome, kPastTwoSeconds);
  const size_t child = outcome.output.find("[ WATCHDOG ] child process ");
  ASSERT_NE(child, std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("[ WATCHDOG ] the child processes, ended now:\n", child),
            std::string::npos)
      << outcome.output;
  if (qvtest::RunsUnderEmulator()) {  // gdb would show the emulator's frames
    EXPECT_THAT(outcome.output, HasSubstr("gdb cannot follow a program that runs under an "
                                          "emulator; each thread's own backtrace instead"));
    EXPECT_THAT(outcome.output.substr(child), HasSubstr("cannot follow a program that runs"));
  } else {
    // gdb's own form: a thread and its frames.
    EXPECT_THAT(outcome.output,
                testing::ContainsRegex("\n#[0-9]+ +0x[0-9a-f]+ in .*HangOutsideTheLoop"));
    EXPECT_THAT(outcome.output, Not(HasSubstr("each thread's own backtrace instead")));
    EXPECT_THAT(outcome.output.substr(child), HasSubstr("HangInTheChild"));
  }
  if (!qvtest::HaveDisplay()) return;
  const size_t manager = outcome.output.find("[ WATCHDOG ] the window manager:");
  ASSERT_NE(manager, std::string::npos) << outcome.output;
  const std::string managed = outcome.output.substr(manager);
  EXPECT_THAT(managed, HasSubstr(kHungTitle));
  EXPECT_THAT(managed, HasSubstr("Openbox"));
  if (std::getenv("QV_WM_PID")) {
    EXPECT_THAT(managed, HasSubstr(") is running (state "));
  }
}

// Without a debugger each thread takes its own stack, named through the symbol tables.
TEST_F(Watchdog, WithoutADebuggerEachThreadGivesItsOwnStack) {
  const Outcome outcome = Subject("hang", {{"QV_WATCHDOG_DEBUGGER", "/nonexistent/debugger"}});
  ExpectAHangReport(outcome, kPastTwoSeconds);
  const std::string why = qvtest::RunsUnderEmulator()
                              ? "cannot follow a program that runs under an emulator"
                              : "could not be run";
  EXPECT_THAT(outcome.output,
              HasSubstr("/nonexistent/debugger " + why + "; each thread's own backtrace instead"));
  EXPECT_THAT(outcome.output, testing::ContainsRegex("#[0-9]+ +0x[0-9a-f]+ in "
                                                     "[^\n]*HangOutsideTheLoop[^\n]* at "
                                                     "[^\n]*WatchdogTest.cpp:[0-9]+"));
}

// Fired by the run's deadline, with the report's time left before it, whatever the budget.
TEST_F(Watchdog, TheRunsDeadlineFiresBeforeTheBudget) {
  const long deadline =
      long(std::time(nullptr)) + qvtest::TimeLimit(qvtest::kDeadlineMarginSeconds + 3);
  const Outcome outcome = Subject("hang-unbudgeted",
                                  {{"QV_TEST_DEADLINE", std::to_string(deadline)},
                                   {"QV_WATCHDOG_DEBUGGER", "/nonexistent/debugger"}});
  ExpectAHangReport(outcome, "the run's timeout is near");
}

// The threads of this process, but those an emulator keeps beside them.
size_t Threads() {
  return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                              std::filesystem::directory_iterator()) -
                qvtest::EmulatorThreads());
}

// A forked child has the forking thread alone, so that the leak check at its exit (in the
// sanitizer build) finds no thread it cannot stop, and it stays alone when it forks in turn (a
// watch there shared the parent's wake-up and stalled the parent's forks); the parent has the
// watchdog back.
TEST_F(Watchdog, StepsAsideForAForkAndComesBack) {
  const size_t before = Threads();
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (Threads() != 1) std::exit(3);
        const pid_t grandchild = qvtest::ForkTestChild();
        if (grandchild == 0) _exit(0);
        waitpid(grandchild, nullptr, 0);
        std::exit(Threads() == 1 ? 0 : 4);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << output;
  EXPECT_EQ(output, "");
  EXPECT_EQ(Threads(), before);
}

// Every case has the budget anew: three of three seconds each pass under a budget of five.
TEST_F(Watchdog, EachCaseHasItsBudgetAnew) {
  const Outcome outcome =
      Subject("pace", {{"QV_WATCHDOG_SECONDS", "5"}}, {"--gtest_repeat=3"});
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, Not(HasSubstr("[ WATCHDOG ]")));
}

// A case that leaves a child running fails, naming it, and the child is ended at once.
TEST_F(Watchdog, ACaseThatLeavesAChildRunningFailsAndEndsIt) {
  const Outcome outcome = Subject("leave", {}, {"--gtest_repeat=2"});
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  const size_t left = outcome.output.find("left ");
  ASSERT_NE(left, std::string::npos) << outcome.output;
  const int child = std::atoi(outcome.output.c_str() + left + 5);
  EXPECT_THAT(outcome.output, HasSubstr("the test left child processes running, killed now:\n" +
                                        std::to_string(child) + " ("));
  EXPECT_THAT(outcome.output, HasSubstr("the earlier child was reaped\n"));
}

}  // namespace
