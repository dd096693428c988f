// The shared child-process helpers fail the test when the child cannot run, fails inside, or
// cannot be waited for, instead of passing it; no fork leaves a child another thread's locks;
// nothing a test starts outlives it, nor holds the output that CTest reads.
#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <mutex>
#include <thread>

#include "support/LeftoverChildren.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using testing::HasSubstr;

// True once process pid has ended (gone, or a zombie its new parent has yet to reap), waiting
// for it a few seconds.
bool EndsSoon(pid_t pid) {
  for (int i = 0; i < 500 * qvtest::SlowRunFactor(); ++i) {
    std::string stat;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
    const size_t name = stat.rfind(')');
    if (name == std::string::npos || stat.compare(name + 2, 1, "Z") == 0) return true;
    usleep(10 * 1000);
  }
  return false;
}

// A number that the child wrote into ends[1], read from ends[0].
int ReadNumber(const int ends[2]) {
  close(ends[1]);
  char text[32] = "";
  const ssize_t n = read(ends[0], text, sizeof text - 1);
  close(ends[0]);
  return n > 0 ? std::atoi(text) : -1;
}

TEST(RunProgram, AProgramThatCannotStartExitsWith127AndSaysWhy) {
  std::string output;
  EXPECT_EQ(qvtest::RunProgram({"/nonexistent/qv-program", "x"}, &output), 127);
  EXPECT_THAT(output, HasSubstr("cannot run /nonexistent/qv-program"));
  EXPECT_EQ(qvtest::RunProgram({"sh", "-c", "echo out; exit 3"}, &output), 3);
  EXPECT_THAT(output, HasSubstr("out\n"));
  EXPECT_EQ(qvtest::RunProgram({"sh", "-c", "kill -9 $$"}), -1) << "killed, not exited";
}

TEST(RunInChild, AFailedExpectationInTheChildFailsTheTest) {
  int status = 0;
  std::string output;
  EXPECT_NONFATAL_FAILURE((status = qvtest::RunInChild([] { ADD_FAILURE() << "inside"; }, &output)),
                          "an expectation failed in the child");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), qvtest::kChildExpectationFailed);
  EXPECT_THAT(output, HasSubstr("inside"));
  status = qvtest::RunInChild([] { EXPECT_TRUE(true); });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// With SIGCHLD ignored the child is reaped by the kernel: waitpid answers ECHILD for ever.
TEST(RunInChild, AChildThatCannotBeWaitedForFailsInsteadOfSpinning) {
  const auto previous = std::signal(SIGCHLD, SIG_IGN);
  int status = 0;
  EXPECT_NONFATAL_FAILURE((status = qvtest::RunInChild([] {})), "waitpid");
  std::signal(SIGCHLD, previous);
  EXPECT_EQ(status, -1);
  EXPECT_FALSE(WIFEXITED(status));
}

// A fork beside a running thread would leave the child taken locks: it is refused, naming the
// thread. A thread that is ending is waited for; the child leads a process group of its own.
TEST(ForkTestChild, RefusesBesideARunningThreadAndWaitsForOneThatEnds) {
  std::mutex gate;
  gate.lock();
  std::thread blocker([&gate] { const std::lock_guard<std::mutex> hold(gate); });
  pthread_setname_np(blocker.native_handle(), "qv-blocker");
  pid_t child = 0;
  EXPECT_NONFATAL_FAILURE(child = qvtest::ForkTestChild(), "qv-blocker");
  EXPECT_EQ(child, -1);
  gate.unlock();
  blocker.join();
  std::thread([] { usleep(100 * 1000); }).detach();
  child = qvtest::ForkTestChild();
  if (child == 0) _exit(getpgrp() == getpid() ? 0 : 1);
  ASSERT_GT(child, 0);
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A forked child goes with the process that forked it: a hung one cannot outlive the test.
TEST(ForkTestChild, AChildEndsWithItsParent) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const int status = qvtest::RunInChild([&ends] {
    EXPECT_EQ(getpgrp(), getpid());
    const pid_t grandchild = qvtest::ForkTestChild();
    if (grandchild == 0) {
      for (;;) pause();
    }
    const std::string text = std::to_string(grandchild);
    EXPECT_EQ(write(ends[1], text.data(), text.size()), ssize_t(text.size()));
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const pid_t grandchild = ReadNumber(ends);
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(EndsSoon(grandchild));
  kill(grandchild, SIGKILL);
}

// What a test leaves running is ended with the process group it leads, and named.
TEST(LeftoverChildren, AreEndedWithTheirGroupAndNamed) {
  const std::vector<int> before = qvtest::RunningChildren();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const pid_t child = qvtest::ForkTestChild();
  if (child == 0) {
    dup2(ends[1], STDOUT_FILENO);
    execlp("sh", "sh", "-c", "sleep 1000 & echo $!; wait", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(child, 0);
  const pid_t sleeper = ReadNumber(ends);
  ASSERT_GT(sleeper, 0);
  const std::string ended = qvtest::EndChildrenBut(before);
  EXPECT_EQ(ended, std::to_string(child) + " (sh -c sleep 1000 & echo $!; wait)\n");
  EXPECT_TRUE(EndsSoon(sleeper)) << "the child's own child, in its group";
  kill(sleeper, SIGKILL);
  EXPECT_EQ(qvtest::RunningChildren(), before);
}

// A process that the test left running cannot hold the output that CTest reads: run-test ends
// with the binary, passing on all it wrote, and names, kills and fails what held the output.
TEST(RunTestScript, EndsWithTheBinaryAndEndsWhatHeldItsOutput) {
  const std::string finished = "rm \"$TEST_PREMATURE_EXIT_FILE\"; echo out; echo err >&2; ";
  std::string output;
  EXPECT_EQ(qvtest::RunProgram({QV_RUN_TEST, "sh", "-c", finished + "exit 3"}, &output), 3);
  EXPECT_EQ(output, "out\nerr\n");
  EXPECT_EQ(qvtest::RunProgram({QV_RUN_TEST, "sh", "-c",
                                finished + "setsid sleep 1000 & echo \"left $!\""},
                               &output),
            1);
  const size_t left = output.find("left ");
  ASSERT_NE(left, std::string::npos) << output;
  const pid_t sleeper = std::atoi(output.c_str() + left + 5);
  EXPECT_THAT(output, HasSubstr("run-test: sh left processes running that held its output; "
                                "killed:\n  " + std::to_string(sleeper) + " sleep 1000"));
  EXPECT_THAT(output, HasSubstr("out\n"));
  EXPECT_THAT(output, HasSubstr("err\n"));
  EXPECT_TRUE(EndsSoon(sleeper));
  kill(sleeper, SIGKILL);
}

}  // namespace
