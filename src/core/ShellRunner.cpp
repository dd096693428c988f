#include "core/ShellRunner.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int64_t kReadPiece = 64 * 1024;

// A child the caller waits for at once, one it reaps later, or one it never sees again.
enum class ChildKind { kWaitedFor, kStarted, kDetached };

// In the vfork child: nothing but system calls, then exec or _exit. Every descriptor past the
// standard three goes but keep, the pipe that carries a failed exec's errno.
// Where close_range is refused (kernels before 5.9, seccomp profiles, emulators), each
// descriptor below the limit is closed one by one. The bounds are compared unsigned: ~0u is -1
// as a long on a 32-bit machine, and a loop bounded by it closed nothing.
void CloseDescriptorsBut(int keep) {
  const auto closeRange = [](unsigned first, unsigned last) {
    if (first > last || close_range(first, last, 0) == 0) return;
    const long limit = sysconf(_SC_OPEN_MAX);  // -1 where unlimited
    const unsigned long count = limit > 0 ? static_cast<unsigned long>(limit) : 65536;
    const unsigned end = count - 1 < last ? static_cast<unsigned>(count - 1) : last;
    for (unsigned fd = first; fd <= end; ++fd) close(static_cast<int>(fd));
  };
  closeRange(STDERR_FILENO + 1, unsigned(keep) - 1);
  closeRange(unsigned(keep) + 1, ~0u);
}

// In a vfork child, before its exec: handlers the framework installed would run in the
// parent's memory, and signals it ignores stay ignored across exec (SIGPIPE: "yes | head" would
// complain of a broken pipe), so both go back to their defaults; then nothing is blocked.
void ResetSignalsInChild() {
  for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
    struct sigaction current;
    if (sigaction(signalNumber, nullptr, &current) != 0) continue;
    const bool handled = current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
    if (handled || signalNumber == SIGPIPE) signal(signalNumber, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In a child: why the program did not start, for SpawnAndHearStart. A pipe that refuses it
// leaves nothing more to do.
void TellStartError(int errorPipe, int error) {
  [[maybe_unused]] const ssize_t written = write(errorPipe, &error, sizeof error);
}

// In a vfork child: a failed exec writes its errno into errorPipe, which the exec closes
// unwritten when it succeeds. (What a vfork child writes into the parent's memory is undefined,
// and never arrives where vfork is a fork, as under an emulator.) outputFd -1 sends standard
// output and error to /dev/null; nullInput reads standard input from there too.
[[noreturn]] void ExecInChild(const char* path, const char* const* argv, int unusedEnd,
                              int outputFd, bool nullInput, int errorPipe) {
  if (unusedEnd >= 0) close(unusedEnd);
  // The system's /dev/null, past the opener: a vfork child may call nothing but async-signal-safe
  // functions, and /dev/null never waits.
  const int devNull = outputFd < 0 || nullInput ? open("/dev/null", O_RDWR) : -1;
  if (nullInput && devNull >= 0) dup2(devNull, STDIN_FILENO);
  const int output = outputFd >= 0 ? outputFd : devNull;
  if (output == STDOUT_FILENO) fcntl(output, F_SETFD, 0);  // dup2 onto itself keeps close-on-exec
  if (output >= 0) {
    dup2(output, STDOUT_FILENO);
    dup2(STDOUT_FILENO, STDERR_FILENO);
  }
  CloseDescriptorsBut(errorPipe);
  ResetSignalsInChild();
  execvp(path, const_cast<char* const*>(argv));
  TellStartError(errorPipe, errno);
  _exit(-1);
}

// In a vfork child whose parent waits for it: a child that nobody waits for any more (the
// parent was killed, or ended) is killed too, instead of running on alone, perhaps waiting on a
// peer forever. parent is the waiting process, which may have ended before the request.
void DieWithParent(pid_t parent) {
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(-1);
}

// Starts the child and answers its id (or -1) in the parent; the child never returns. A detached
// program is the child's own child: when the child ends at once, the program is handed to the
// system's reaper, so this process never waits for it. That child is forked, not vforked: a
// vfork from within a vfork child is undefined, and where vfork is wrapped (the sanitizers keep
// the caller's return address aside) the parent resumed at the inner vfork and ended there.
// Every signal stays blocked from before the fork until the program's process has reset its
// handlers, so none runs in a child on the parent's memory.
pid_t SpawnChild(const char* path, const char* const* argv, int unusedEnd, int outputFd,
                 ChildKind kind, int errorPipe) {
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  const bool detached = kind == ChildKind::kDetached;
  const pid_t parent = getpid();
  const pid_t child = detached ? fork() : vfork();
  if (child != 0) {
    const int savedErrno = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = savedErrno;
    return child;
  }
  if (kind == ChildKind::kWaitedFor) DieWithParent(parent);
  if (!detached) ExecInChild(path, argv, unusedEnd, outputFd, false, errorPipe);
  const pid_t program = vfork();
  if (program == 0) {
    setsid();
    ExecInChild(path, argv, -1, -1, true, errorPipe);
  }
  if (program < 0) TellStartError(errorPipe, errno);
  _exit(0);
}

// The pipe a failed exec writes its errno into, close-on-exec, past the standard descriptors
// (which the child replaces); false with errno when it cannot be made.
bool MakeErrorPipe(int ends[2]) {
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  if (ends[1] > STDERR_FILENO) return true;
  const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  const int error = errno;
  close(ends[1]);
  ends[1] = moved;
  if (moved >= 0) return true;
  close(ends[0]);
  errno = error;
  return false;
}

// Starts the child through SpawnChild and answers its id, or -1 with errno; *execError is the
// errno of its failed exec (or of the detached program's failed vfork), or 0 once it ran. The
// pipe ends at the exec or the child's end, which with vfork has come already.
pid_t SpawnAndHearStart(const char* path, const char* const* argv, int unusedEnd, int outputFd,
                        ChildKind kind, int* execError) {
  *execError = 0;
  int errorPipe[2];
  if (!MakeErrorPipe(errorPipe)) return -1;
  const pid_t child = SpawnChild(path, argv, unusedEnd, outputFd, kind, errorPipe[1]);
  const int spawnError = errno;
  close(errorPipe[1]);
  if (child >= 0) {
    int error = 0;
    ssize_t got;
    while ((got = read(errorPipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == ssize_t(sizeof error)) *execError = error;
  }
  close(errorPipe[0]);
  errno = spawnError;
  return child;
}

// Until the pipe ends or output can take no more.
void ReadUntilEnd(int fd, GrowingBytes* output) {
  for (;;) {
    const ssize_t count = output->ReadFrom(fd, kReadPiece);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
  }
}

int WaitForChild(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StartChild(const char* path, const char* const* argv, bool captureOutput, ChildKind kind,
                StartedProgram* started) {
  *started = StartedProgram{};
  started->startError = EINVAL;
  if (!path || !argv || !argv[0]) return false;
  int fds[2] = {-1, -1};
  if (captureOutput && pipe2(fds, O_CLOEXEC) != 0) {
    started->startError = errno;
    return false;
  }
  int execError = 0;
  const pid_t child = SpawnAndHearStart(path, argv, fds[0], fds[1], kind, &execError);
  started->startError = child < 0 ? errno : execError;
  if (fds[1] >= 0) close(fds[1]);
  if (child < 0) {
    if (fds[0] >= 0) close(fds[0]);
    return false;
  }
  started->id = child;
  started->output = fds[0];
  return true;
}

}  // namespace

bool StartProgram(const char* path, const char* const* argv, bool captureOutput,
                  StartedProgram* started) {
  return StartChild(path, argv, captureOutput, ChildKind::kStarted, started);
}

bool RunProgram(const char* path, const char* const* argv, GrowingBytes* output,
                int* exitStatus, int* startError) {
  StartedProgram started;
  const bool ran = StartChild(path, argv, output != nullptr, ChildKind::kWaitedFor, &started);
  if (startError) *startError = started.startError;
  if (!ran) return false;
  if (started.output >= 0) {
    ReadUntilEnd(started.output, output);
    close(started.output);
  }
  const int status = WaitForChild(started.id);
  if (exitStatus) *exitStatus = status;
  return true;
}

bool StartDetachedProgram(const char* path, const char* const* argv, int* startError) {
  *startError = EINVAL;
  if (!path || !argv || !argv[0]) return false;
  int execError = 0;
  const pid_t middle = SpawnAndHearStart(path, argv, -1, -1, ChildKind::kDetached, &execError);
  if (middle < 0) {
    *startError = errno;
    return false;
  }
  const int status = WaitForChild(middle);
  *startError = execError != 0 ? execError : status != 0 ? ECHILD : 0;
  return *startError == 0;
}

namespace UnixHelper {

string ExecuteShell(const string& command, bool capture) {
  GrowingBytes output;
  const char* const argv[] = {"bash", "-c", command.CString(), nullptr};
  RunProgram("/bin/bash", argv, capture ? &output : nullptr);
  return output.ToString(kEncodingUTF8);
}

}  // namespace UnixHelper
