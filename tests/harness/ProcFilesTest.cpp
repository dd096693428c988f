// The raw /proc reading that the watchdog's report relies on: a thread's name and state, the
// fields found past a name that holds blanks and parentheses, a zombie told from a process
// that is gone.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/ProcFiles.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

// A name whose first ')' is followed by what looks like a state and a parent.
TEST(ProcFiles, ReadAThreadsNameAndStatePastTheParenthesesOfItsName) {
  std::atomic<int> id{0};
  std::atomic<bool> done{false};
  std::thread named([&] {
    prctl(PR_SET_NAME, "a) Z 1 (b");
    id = int(syscall(SYS_gettid));
    while (!done) usleep(1000);
  });
  while (id == 0) usleep(1000);
  int parent = 0;
  const char state =
      qvtest::ProcStatState("/proc/self/task/" + std::to_string(id) + "/stat", &parent);
  const std::string name = qvtest::ThreadName(id);
  done = true;
  named.join();
  EXPECT_EQ(name, "a) Z 1 (b");
  EXPECT_TRUE(state == 'S' || state == 'R') << int(state);
  EXPECT_EQ(parent, int(getppid()));
  EXPECT_EQ(qvtest::ReadProcFile("/proc/self/no such file"), "");
}

TEST(ProcFiles, TellAnEndedChildFromOneThatIsGone) {
  const pid_t child = qvtest::ForkTestChild();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(qvtest::TimeLimit(5000));
  while (qvtest::ProcessState(child) != 'Z' && std::chrono::steady_clock::now() < until)
    usleep(1000);
  int parent = 0;
  EXPECT_EQ(qvtest::ProcessState(child, &parent), 'Z');
  EXPECT_EQ(parent, int(getpid()));
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  EXPECT_EQ(qvtest::ProcessState(child), 0);
}

}  // namespace
