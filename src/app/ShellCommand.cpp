#include "app/ShellCommand.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/BackgroundTask.h"
#include "app/TerminationSignals.h"
#include "core/ShellRunner.h"
#include "core/SimpleVector.h"

namespace {

constexpr const char* kShellPath = "/bin/bash";
constexpr int32_t kReapPeriodTicks = 60;
// Read straight into the growing result: a pipe hands over at most this much at a time.
constexpr size_t kReadPiece = 65536;

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

// Everything until the end of the pipe, in one buffer. The wait wakes for a termination
// signal, whose end then runs (and does not return).
void ReadAll(int fd, std::string* output) {
  for (;;) {
    const int ready = WaitForDescriptor(fd, POLLIN, -1);
    if (ready < 0) return;
    const size_t used = output->size();
    output->resize(used + kReadPiece);
    const ssize_t count = read(fd, output->data() + used, kReadPiece);
    const int readError = errno;
    output->resize(used + (count > 0 ? size_t(count) : 0));
    if (count < 0 && (readError == EINTR || readError == EAGAIN)) continue;
    if (count <= 0) return;
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
  std::string output;
  ReadAll(child.output, &output);
  close(child.output);
  // A child that closed its output may run on: the task reaps it later.
  if (waitpid(child.id, nullptr, WNOHANG) == 0) ListChild(child.id);
  return string::FromBytes(output.data(), int64_t(output.size()), kEncodingNone);
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
