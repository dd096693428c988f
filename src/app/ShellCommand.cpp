#include "app/ShellCommand.h"

#include <fcntl.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <vector>

#include "app/BackgroundTask.h"
#include "app/TerminationSignals.h"
#include "core/ShellRunner.h"
#include "core/SimpleVector.h"

namespace {

constexpr const char* kShellPath = "/bin/bash";
constexpr int32_t kReapPeriodTicks = 60;
constexpr size_t kFirstPieceSize = 4096;
constexpr size_t kLargestPieceSize = size_t(1) << 20;

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

// Output as it arrives, in pieces that never move (each as large as all before it, up to 1 MB),
// so that every byte is copied once more only, into the string made at the end: a buffer that
// grew would copy it again at each growth.
class CollectedOutput {
 public:
  // One read from fd into the free room; the count, as read answers it (-1 with ENOMEM when no
  // room can be had: the output ends there).
  ssize_t ReadFrom(int fd) {
    if (mPieces.empty() || mPieces.back().used == mPieces.back().size) {
      const size_t size = std::clamp(mTotal, kFirstPieceSize, kLargestPieceSize);
      std::unique_ptr<char[]> bytes(new (std::nothrow) char[size]);
      if (!bytes) {
        errno = ENOMEM;
        return -1;
      }
      mPieces.push_back({std::move(bytes), size, 0});
    }
    Piece& piece = mPieces.back();
    const ssize_t count = read(fd, piece.bytes.get() + piece.used, piece.size - piece.used);
    if (count > 0) {
      piece.used += size_t(count);
      mTotal += size_t(count);
    }
    return count;
  }

  // The bytes as one string of no text encoding.
  string ToString() const {
    string text;
    if (!text.AllocateBuffer(int64_t(mTotal))) return string();
    char* at = static_cast<char*>(text);
    for (const Piece& piece : mPieces) at = std::copy_n(piece.bytes.get(), piece.used, at);
    return text;
  }

 private:
  struct Piece {
    std::unique_ptr<char[]> bytes;
    size_t size;
    size_t used;
  };
  std::vector<Piece> mPieces;
  size_t mTotal = 0;
};

// Everything until the end of the pipe, read without blocking: a wait comes only when the pipe
// is empty (a wait before every read made the reader wake for each small write and took half
// as long again as the reading), and wakes for a termination signal too, whose end then runs
// (and does not return); one that comes while output flows runs before the next read.
void ReadAll(int fd, CollectedOutput* output) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return;
  for (;;) {
    RunPendingTermination();
    const ssize_t count = output->ReadFrom(fd);
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
  CollectedOutput output;
  ReadAll(child.output, &output);
  close(child.output);
  // A child that closed its output may run on: the task reaps it later.
  if (waitpid(child.id, nullptr, WNOHANG) == 0) ListChild(child.id);
  return output.ToString();
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
