#include "core/ShellRunner.h"

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

[[noreturn]] void RunInChild(int readEnd, int writeEnd, const char* path,
                             const char* const* argv) {
  if (readEnd != writeEnd) close(readEnd);
  dup2(writeEnd, STDOUT_FILENO);
  dup2(STDOUT_FILENO, STDERR_FILENO);
  if (writeEnd > STDERR_FILENO) close(writeEnd);
  CloseDescriptorsFrom(STDERR_FILENO + 1);
  execvp(path, const_cast<char* const*>(argv));
  _exit(-1);
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
                int* exitStatus) {
  if (!path || !argv || !argv[0]) return false;
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = vfork();
  if (child == 0) RunInChild(fds[0], fds[1], path, argv);
  close(fds[1]);
  if (child < 0) {
    close(fds[0]);
    return false;
  }
  ReadUntilEnd(fds[0], output);
  close(fds[0]);
  const int status = WaitForChild(child);
  if (exitStatus) *exitStatus = status;
  return true;
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
