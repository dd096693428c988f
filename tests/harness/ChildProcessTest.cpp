// The shared child-process helpers fail the test when the child cannot run, fails inside, or
// cannot be waited for, instead of passing it.
#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>

#include "support/TestSupport.h"

namespace {

using testing::HasSubstr;

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

}  // namespace
