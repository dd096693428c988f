#include "support/LeftoverChildren.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/ProcFiles.h"
#include "support/Watchdog.h"

namespace qvtest {

namespace {

// The children that each thread of this process forked, as the kernel lists them; false where
// it keeps no such list.
bool ListedChildren(std::vector<int>* children) {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return false;
  bool listed = true;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string path = std::string("/proc/self/task/") + entry->d_name + "/children";
    if (access(path.c_str(), R_OK) != 0) {
      listed = false;
      break;
    }
    const std::string text = ReadProcFile(path, 65536);
    for (const char* at = text.c_str(); *at;) {
      char* end = nullptr;
      const long pid = std::strtol(at, &end, 10);
      if (end == at) break;
      children->push_back(int(pid));
      at = end;
    }
  }
  closedir(tasks);
  return listed;
}

// The same by a walk over every process, for kernels without the lists.
std::vector<int> ChildrenByParent() {
  std::vector<int> children;
  DIR* processes = opendir("/proc");
  if (!processes) return children;
  while (dirent* entry = readdir(processes)) {
    const int pid = std::atoi(entry->d_name);
    int parent = 0;
    if (pid > 0 && ProcessState(pid, &parent) && parent == getpid()) children.push_back(pid);
  }
  closedir(processes);
  return children;
}

// How long a killed child may take to be reaped, in milliseconds before the slow-run factor.
constexpr int kReapMs = 2000;

// Waits for the killed child a bounded time: one in uninterruptible sleep ends only when its
// I/O does, and the watchdog's report, which calls this, must not stall on it.
std::string EndChild(int pid) {
  const std::string line = std::to_string(pid) + " (" + CommandLine(pid) + ")";
  if (getpgid(pid) == pid) kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
  const int limit = TimeLimit(kReapMs);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
  for (;;) {
    const pid_t reaped = waitpid(pid, nullptr, WNOHANG);
    if (reaped < 0 && errno == EINTR) continue;
    if (reaped != 0) return line + "\n";
    if (std::chrono::steady_clock::now() >= until)
      return line + ", not reaped within " + std::to_string(limit) + " ms\n";
    usleep(2000);
  }
}

// Each case's and each suite's children are those that were not running when it started.
class LeftoverChildrenListener : public testing::EmptyTestEventListener {
  void OnTestSuiteStart(const testing::TestSuite&) override { mBeforeSuite = RunningChildren(); }
  void OnTestStart(const testing::TestInfo&) override { mBeforeCase = RunningChildren(); }
  void OnTestEnd(const testing::TestInfo&) override { Fail("the test", mBeforeCase); }
  void OnTestSuiteEnd(const testing::TestSuite&) override { Fail("the suite", mBeforeSuite); }
  static void Fail(const char* who, const std::vector<int>& kept) {
    const std::string ended = EndChildrenBut(kept);
    if (!ended.empty())
      ADD_FAILURE() << who << " left child processes running, killed now:\n" << ended;
  }
  std::vector<int> mBeforeSuite;
  std::vector<int> mBeforeCase;
};

}  // namespace

std::vector<int> RunningChildren() {
  std::vector<int> children;
  if (!ListedChildren(&children)) children = ChildrenByParent();
  std::sort(children.begin(), children.end());
  children.erase(std::unique(children.begin(), children.end()), children.end());
  std::erase_if(children, [](int pid) {
    const char state = ProcessState(pid);
    return state == 0 || state == 'Z' || state == 'X';
  });
  return children;
}

std::string CommandLine(int pid) {
  std::string words = ReadProcFile("/proc/" + std::to_string(pid) + "/cmdline", 256);
  while (!words.empty() && words.back() == '\0') words.pop_back();
  std::replace(words.begin(), words.end(), '\0', ' ');
  return words;
}

std::string EndChildrenBut(const std::vector<int>& kept) {
  std::string ended;
  for (const int pid : RunningChildren()) {
    if (std::find(kept.begin(), kept.end(), pid) == kept.end()) ended += EndChild(pid);
  }
  return ended;
}

void EndLeftoverChildren() {
  testing::UnitTest::GetInstance()->listeners().Append(new LeftoverChildrenListener);
}

}  // namespace qvtest
