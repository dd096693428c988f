#include "core/ShellRunner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kReadPiece = 512;

// In the vfork child: nothing but system calls, then exec or _exit.
void CloseDescriptorsFrom(int first) {
  if (close_range(first, ~0u, 0) == 0) return;
  const long limit = sysconf(_SC_OPEN_MAX);
  for (long fd = first; fd < limit; ++fd) close(static_cast<int>(fd));
}

// In a vfork child, which shares the parent's memory until its exec: the exec's errno goes back
// through startError. outputFd -1 sends standard output and error to /dev/null; nullInput reads
// standard input from there too.
[[noreturn]] void ExecInChild(const char* path, const char* const* argv, int unusedEnd,
                              int outputFd, bool nullInput, volatile int* startError) {
  if (unusedEnd >= 0) close(unusedEnd);
  const int devNull = outputFd < 0 || nullInput ? open("/dev/null", O_RDWR) : -1;
  if (nullInput && devNull >= 0) dup2(devNull, STDIN_FILENO);
  const int output = outputFd >= 0 ? outputFd : devNull;
  if (output >= 0) {
    dup2(output, STDOUT_FILENO);
    dup2(STDOUT_FILENO, STDERR_FILENO);
  }
  CloseDescriptorsFrom(STDERR_FILENO + 1);
  execvp(path, const_cast<char* const*>(argv));
  *startError = errno;
  _exit(-1);
}

// Starts the child and answers its id (or -1) in the parent; the child never returns. A detached
// program is the child's own child: when the child ends at once, the program is handed to the
// system's reaper, so this process never waits for it.
pid_t SpawnChild(const char* path, const char* const* argv, int unusedEnd, int outputFd,
                 bool detached, volatile int* execError) {
  const pid_t child = vfork();
  if (child != 0) return child;
  if (!detached) ExecInChild(path, argv, unusedEnd, outputFd, false, execError);
  const pid_t program = vfork();
  if (program == 0) {
    setsid();
    ExecInChild(path, argv, -1, -1, true, execError);
  }
  if (program < 0) *execError = errno;
  _exit(0);
}

void ReadUntilEnd(int fd, std::string* output) {
  char piece[kReadPiece];
  for (;;) {
    const ssize_t count = read(fd, piece, sizeof piece);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    if (output) output->append(piece, static_cast<size_t>(count));
  }
}

int WaitForChild(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool RunProgram(const char* path, const char* const* argv, std::string* output,
                int* exitStatus, int* startError) {
  int ignored = 0;
  int& error = startError ? *startError : ignored;
  error = EINVAL;
  if (!path || !argv || !argv[0]) return false;
  int fds[2] = {-1, -1};
  if (output && pipe(fds) != 0) {
    error = errno;
    return false;
  }
  volatile int execError = 0;
  const pid_t child = SpawnChild(path, argv, fds[0], fds[1], false, &execError);
  error = child < 0 ? errno : 0;
  if (fds[1] >= 0) close(fds[1]);
  if (child < 0) {
    if (fds[0] >= 0) close(fds[0]);
    return false;
  }
  if (fds[0] >= 0) {
    ReadUntilEnd(fds[0], output);
    close(fds[0]);
  }
  const int status = WaitForChild(child);
  if (exitStatus) *exitStatus = status;
  error = execError;
  return true;
}

bool StartDetachedProgram(const char* path, const char* const* argv, int* startError) {
  *startError = EINVAL;
  if (!path || !argv || !argv[0]) return false;
  volatile int execError = 0;
  const pid_t middle = SpawnChild(path, argv, -1, -1, true, &execError);
  if (middle < 0) {
    *startError = errno;
    return false;
  }
  WaitForChild(middle);
  *startError = execError;
  return execError == 0;
}

bool RunShellCommand(const char* shellPath, const char* command, std::string* output) {
  const char* slash = std::strrchr(shellPath, '/');
  const char* const argv[] = {slash ? slash + 1 : shellPath, "-c", command, nullptr};
  return RunProgram(shellPath, argv, output);
}

namespace UnixHelper {

string ExecuteShell(const string& command, bool capture) {
  std::string output;
  RunShellCommand("/bin/bash", command.CString(), capture ? &output : nullptr);
  return string::FromBytes(output.data(), static_cast<int64_t>(output.size()), kEncodingUTF8);
}

}  // namespace UnixHelper
