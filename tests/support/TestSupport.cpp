#include "support/TestSupport.h"

#include <dirent.h>
#include <dlfcn.h>
#include <gdk/gdk.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "support/Emulator.h"
#include "support/ProcFiles.h"
#include "support/Watchdog.h"

extern char** environ;

namespace qvtest {

ReportCapture::ReportCapture() { mPrevious = SetRuntimeErrorReportHook(&Hook, this); }

ReportCapture::~ReportCapture() { SetRuntimeErrorReportHook(mPrevious.hook, mPrevious.context); }

void ReportCapture::Hook(const RuntimeErrorReportInfo& info, void* context) {
  auto* self = static_cast<ReportCapture*>(context);
  self->mReports.push_back({info.code, info.sourcePath ? info.sourcePath : "", info.line,
                            info.condition ? info.condition : "",
                            info.extra ? info.extra : "", info.extra == nullptr});
}

namespace {

void UnexpectedReport(const RuntimeErrorReportInfo& info, void*) {
  std::fprintf(stderr, "Runtime Error %d: %s: %d\nFailure Condition: %s\n%s\n", info.code,
               info.sourcePath ? info.sourcePath : "", int(info.line),
               info.condition ? info.condition : "", info.extra ? info.extra : "");
  ADD_FAILURE() << "unexpected runtime error report: " << (info.sourcePath ? info.sourcePath : "")
                << ": " << info.line << ": " << (info.condition ? info.condition : "");
}

}  // namespace

void FailOnUnexpectedReports() { SetRuntimeErrorReportHook(&UnexpectedReport, nullptr); }

RealReports::RealReports() { mPrevious = SetRuntimeErrorReportHook(nullptr, nullptr); }

RealReports::~RealReports() { SetRuntimeErrorReportHook(mPrevious.hook, mPrevious.context); }

bool ReportCapture::HasCondition(const std::string& text) const {
  for (const CapturedReport& report : mReports)
    if (report.condition == text) return true;
  return false;
}

namespace {

void ReadAll(int fd, std::string* output) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      output->append(buffer, size_t(n));
    } else if (n == 0 || errno != EINTR) {
      return;
    }
  }
}

// The child's status; -1 when there is no child to wait for (reaped elsewhere, or SIGCHLD
// ignored), which must not look like any exit.
int WaitForChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno == EINTR) continue;
    ADD_FAILURE() << "waitpid for child " << pid << ": " << std::strerror(errno);
    return -1;
  }
  return status;
}

}  // namespace

std::vector<int> OtherThreads() {
  std::vector<int> threads;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return threads;
  const int self = int(syscall(SYS_gettid));
  while (dirent* entry = readdir(tasks)) {
    const int thread = std::atoi(entry->d_name);
    if (thread > 0 && thread != self) threads.push_back(thread);
  }
  closedir(tasks);
  return threads;
}

// Read without streams: the watchdog's stack report calls this while a hung thread may hold
// their locks.
std::string ThreadName(int thread) {
  const std::string name = ReadProcFile("/proc/self/task/" + std::to_string(thread) + "/comm", 64);
  return name.substr(0, name.find('\n'));
}

namespace {

// How long a fork waits for threads that are ending (a language thread that has handed on the
// baton still runs its exit), in milliseconds before the slow-run factor.
constexpr int kThreadsEndingMs = 500;
// The status of a child whose parent was gone before it could ask to go with it.
constexpr int kChildOrphaned = 122;

// The threads that a fork now would leave holding their locks: all but the caller, the
// watchdog (which steps aside for forks) and the emulator's own, which are told apart from
// the program's only by their number.
std::vector<int> ThreadsInTheWay() {
  std::vector<int> others;
  for (const int thread : OtherThreads()) {
    if (thread != WatchdogThread()) others.push_back(thread);
  }
  if (others.size() <= size_t(EmulatorThreads())) others.clear();
  return others;
}

std::string DescribeThreads(const std::vector<int>& threads) {
  std::string text;
  for (const int thread : threads) {
    const char state = ProcStatState("/proc/self/task/" + std::to_string(thread) + "/stat");
    text += " " + std::to_string(thread) + " (" + ThreadName(thread) + ", state " +
            (state ? std::string(1, state) : "?") + ")";
  }
  return text;
}

}  // namespace

bool WaitForOtherThreadsToEnd() {
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeLimit(kThreadsEndingMs));
  while (!ThreadsInTheWay().empty()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    usleep(5000);
  }
  return true;
}

void SettleBeforeVfork() {
  if (RunsUnderEmulator()) WaitForOtherThreadsToEnd();
}

int ForkTestChild() {
  if (!WaitForOtherThreadsToEnd()) {
    const std::vector<int> others = ThreadsInTheWay();
    ADD_FAILURE() << "no fork while other threads run, whose locks the child would find taken "
                     "for ever; start such a child by exec. Threads besides this one:"
                  << DescribeThreads(others)
                  << (EmulatorThreads() > 0
                          ? " (" + std::to_string(EmulatorThreads()) + " of them the emulator's)"
                          : "");
    return -1;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return -1;
  }
  if (pid == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kChildOrphaned);  // the parent ended before the line above
    return 0;
  }
  setpgid(pid, pid);  // here too: whichever side comes first, the group is there for a kill
  return pid;
}

int RunInChild(const std::function<void()>& body, std::string* output) {
  int pipeFds[2] = {-1, -1};
  if (output && pipe(pipeFds) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return -1;
  }
  const pid_t pid = ForkTestChild();
  if (pid < 0) {
    if (output) {
      close(pipeFds[0]);
      close(pipeFds[1]);
    }
    return -1;
  }
  if (pid == 0) {
    if (output) {
      close(pipeFds[0]);
      dup2(pipeFds[1], STDOUT_FILENO);
      dup2(pipeFds[1], STDERR_FILENO);
      close(pipeFds[1]);
    }
    // The child's own failures, whatever the parent's test has recorded or intercepts.
    testing::TestPartResultArray failures;
    {
      testing::ScopedFakeTestPartResultReporter reporter(
          testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
      body();
    }
    bool failed = false;
    for (int k = 0; k < failures.size(); ++k) {
      const testing::TestPartResult& failure = failures.GetTestPartResult(k);
      if (!failure.failed()) continue;
      failed = true;
      std::fprintf(stderr, "%s:%d: %s\n", failure.file_name() ? failure.file_name() : "?",
                   failure.line_number(), failure.message());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(failed ? kChildExpectationFailed : 0);
  }
  if (output) {
    close(pipeFds[1]);
    ReadAll(pipeFds[0], output);
    close(pipeFds[0]);
  }
  const int status = WaitForChild(pid);
  if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == kChildExpectationFailed)
    ADD_FAILURE() << "an expectation failed in the child" << (output ? ":\n" + *output : "");
  return status;
}

int Spawn(const std::vector<std::string>& argv, char* const* environment, int in, int out,
          int err, int* error) {
  SettleBeforeVfork();
  return SpawnAtOnce(argv, environment, in, out, err, error);
}

// vfork, so that nothing of this process (its X connection, the sanitizer's shadow) is copied.
// The exec's errno comes back through a close-on-exec pipe, which a successful exec closes
// unwritten: what a vfork child writes into this process's memory is undefined, and never
// arrives where vfork is a fork, as under an emulator (where posix_spawn reports no failure).
int SpawnAtOnce(const std::vector<std::string>& argv, char* const* environment, int in, int out,
                int err, int* error) {
  const std::vector<std::string> run = ThroughEmulator(argv);
  std::vector<char*> words;
  for (const std::string& word : run) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  int report[2];
  if (run.empty() || pipe2(report, O_CLOEXEC) != 0) {
    *error = run.empty() ? EINVAL : errno;
    return -1;
  }
  const pid_t child = vfork();
  if (child == 0) {
    const int streams[] = {in, out, err};
    for (int target = 0; target < 3; ++target) {
      if (streams[target] >= 0) dup2(streams[target], target);
    }
    execvpe(words[0], words.data(), environment);
    const int failed = errno;
    if (write(report[1], &failed, sizeof failed) < 0) _exit(127);
    _exit(127);
  }
  *error = child < 0 ? errno : 0;
  close(report[1]);
  int failed = 0;
  ssize_t got;
  while (child > 0 && (got = read(report[0], &failed, sizeof failed)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (child < 0 || failed == 0) return child;
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  *error = failed;
  return -1;
}

namespace {

// Runs argv with stdout, and stderr too when errorsToo, going to *output when given.
int SpawnProgram(const std::vector<std::string>& argv, std::string* output, bool errorsToo) {
  if (argv.empty()) {
    ADD_FAILURE() << "no program to run";
    return -1;
  }
  int ends[2] = {-1, -1};
  if (output && pipe2(ends, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return -1;
  }
  int error = 0;
  const pid_t child =
      Spawn(argv, environ, -1, ends[1], output && errorsToo ? ends[1] : -1, &error);
  if (output) close(ends[1]);
  if (child < 0) {
    const std::string reason = "cannot run " + argv[0] + ": " + std::strerror(error) + "\n";
    if (output && errorsToo) {
      output->append(reason);
    } else {
      std::fputs(reason.c_str(), stderr);
    }
  } else if (output) {
    ReadAll(ends[0], output);
  }
  if (output) close(ends[0]);
  if (child < 0) return 127;
  const int status = WaitForChild(child);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv, std::string* output) {
  return SpawnProgram(argv, output, true);
}

std::string ProgramOutput(const std::vector<std::string>& argv) {
  std::string output;
  return SpawnProgram(argv, &output, false) == 0 ? output : "";
}

bool HaveDisplay() { return gdk_display_get_default() != nullptr; }

void* FunctionInLibrary(const char* library, const char* function) {
  void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) return nullptr;
  void* address = dlsym(handle, function);
  dlclose(handle);  // NOLOAD added a reference
  return address;
}

std::string LibraryFileOf(const void* address) {
  Dl_info info;
  return address && dladdr(address, &info) && info.dli_fname ? info.dli_fname : "";
}

long ProcessStatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  const std::string prefix = field + ":";
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const char* name, const char* value)
    : mName(name) {
  const char* old = std::getenv(name);
  mHad = old != nullptr;
  if (old) mOld = old;
  setenv(name, value, 1);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  if (mHad)
    setenv(mName.c_str(), mOld.c_str(), 1);
  else
    unsetenv(mName.c_str());
}

}  // namespace qvtest
