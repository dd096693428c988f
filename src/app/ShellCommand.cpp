#include "app/ShellCommand.h"

#include <fcntl.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "app/BackgroundTask.h"
#include "app/TerminationSignals.h"
#include "core/ShellRunner.h"
#include "core/SimpleVector.h"
#include "strings/GrowingBytes.h"

namespace {

constexpr const char* kShellPath = "/bin/bash";
constexpr int32_t kReapPeriodTicks = 60;
constexpr int64_t kReadPiece = 64 * 1024;

const char* gShellPath = kShellPath;

SimpleVector<pid_t>& Children() {
  static SimpleVector<pid_t> children(0);
  return children;
}

// Runs from the main loop's pass over untimed tasks: its timeout is stopped at once.
class ShellBackgroundTask : public BackgroundTask {
 public:
  ShellBackgroundTask() : BackgroundTask(kReapPeriodTicks) { StopTimer(); }
  void Run() override { ReapShellChildren(); }
};

ShellBackgroundTask* gTask = nullptr;

void ListChild(pid_t child) {
  Children().Append(child);
  if (!gTask) gTask = new ShellBackgroundTask;
}

// Everything until the end of the pipe, or as much as output can take (the longest string, or
// what memory allows), read without blocking: a wait comes only when the pipe is empty (a wait
// before every read made the reader wake for each small write and took half as long again as
// the reading), and wakes for a termination signal too, whose end then runs (and does not
// return); one that comes while output flows runs before the next read.
void ReadAll(int fd, GrowingBytes* output) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return;
  for (;;) {
    RunPendingTermination();
    const ssize_t count = output->ReadFrom(fd, kReadPiece);
    if (count > 0) continue;
    if (count == 0) return;
    if (errno == EINTR) continue;
    if (errno != EAGAIN || WaitForDescriptor(fd, POLLIN, -1) < 0) return;
  }
}

// bash -c command bash arguments...: the arguments become "$1" onward, "$0" is "bash".
std::vector<const char*> ShellArguments(const string& command,
                                        const std::vector<string>& arguments) {
  std::vector<const char*> argv = {"bash", "-c", command.CString(), "bash"};
  for (const string& argument : arguments) argv.push_back(argument.CString());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

string RunShellCommand(const string& command, bool wait, const std::vector<string>& arguments) {
  const std::vector<const char*> argv = ShellArguments(command, arguments);
  StartedProgram child;
  if (!StartProgram(gShellPath, argv.data(), wait, &child)) return string();
  if (!wait) {
    ListChild(child.id);
    return string();
  }
  GrowingBytes output;
  ReadAll(child.output, &output);
  // Closed before the child ends: one whose output was cut meets a broken pipe.
  close(child.output);
  // A child that closed its output may run on: the task reaps it later.
  if (waitpid(child.id, nullptr, WNOHANG) == 0) ListChild(child.id);
  return output.ToString(kEncodingNone);
}

void ReapShellChildren() {
  SimpleVector<pid_t>& children = Children();
  for (uint32_t i = children.size(); i-- > 0;) {
    const pid_t child = children[int32_t(i)];
    const pid_t reaped = waitpid(child, nullptr, WNOHANG);
    // -1 with ECHILD: reaped elsewhere; the id must not stay listed, for it may be reused.
    if (reaped == child || (reaped < 0 && errno == ECHILD)) children.RemoveAt(int32_t(i));
  }
  if (!children.empty() || !gTask) return;
  ShellBackgroundTask* task = gTask;
  gTask = nullptr;
  delete task;
}

std::vector<pid_t> ListedShellChildren() {
  const SimpleVector<pid_t>& children = Children();
  return std::vector<pid_t>(children.data(), children.data() + children.size());
}

bool HasShellBackgroundTask() { return gTask != nullptr; }

void SetShellPathForTesting(const char* path) { gShellPath = path ? path : kShellPath; }
