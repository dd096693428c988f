#include "support/Watchdog.h"

#include <dirent.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <valgrind/valgrind.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "support/Emulator.h"
#include "support/LeftoverChildren.h"
#include "support/ProcFiles.h"
#include "support/TestSupport.h"

extern char** environ;

namespace qvtest {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::seconds;

// The report's own time, each a base of TimeLimit: the debugger on this process, the window
// manager's list, then the debugger on each child. Past kReportBound the kernel kills the
// process (a debugger may have left it stopped).
constexpr int kDebuggerSeconds = 45;
constexpr int kChildDebuggerSeconds = 20;
constexpr int kQuerySeconds = 5;
constexpr int kReportSeconds = 90;
constexpr int kReportBound = kReportSeconds + 15;
// How long a fork waits at most for the watch's thread to leave the process, in milliseconds.
constexpr int kGoneMs = 2000;
// After the report, with-display's tear-down takes up to 5 s for each of two processes.
static_assert(kDeadlineMarginSeconds >= kReportBound + 10);

// Writes text to standard error without stdio, whose lock a hung thread may hold.
void Say(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n > 0) {
      done += size_t(n);
    } else if (n < 0 && errno != EINTR) {
      return;
    }
  }
}

// ---- programs run for the report ----

struct ProgramRun {
  bool started = false;
  bool ended = false;  // on its own, before the deadline
  int status = -1;     // its exit status when it ended
  std::string output;  // standard output and error, at most kOutputCap bytes
};
constexpr size_t kOutputCap = 512 * 1024;

// Runs argv (found through PATH) with environment, gathering its output, for at most seconds;
// one still running then is killed. The output goes to an anonymous file, never a pipe: a
// debugger attached to this very process stops the thread that would empty a pipe, and would
// then wait on a full one for ever.
ProgramRun RunBounded(const std::vector<std::string>& argv, int seconds,
                      char* const* environment = environ) {
  ProgramRun run;
  const int output = memfd_create("watchdog-report", MFD_CLOEXEC);
  if (output < 0) return run;
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int error = 0;
  const pid_t pid = SpawnAtOnce(argv, environment, input, output, output, &error);
  if (input >= 0) close(input);
  run.started = pid > 0;
  if (!run.started) {
    close(output);
    return run;
  }
  const Clock::time_point deadline = Clock::now() + Seconds(seconds);
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) {
      run.ended = WIFEXITED(status);
      break;
    }
    if (ended < 0 && errno != EINTR) break;
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    const timespec pause = {0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  if (run.ended) run.status = WEXITSTATUS(status);
  run.output.resize(kOutputCap);
  const ssize_t got = pread(output, run.output.data(), kOutputCap, 0);
  run.output.resize(got > 0 ? size_t(got) : 0);
  close(output);
  return run;
}

}  // namespace

// ---- stacks through a debugger ----

std::string ProcessStacks(int pid, int seconds, std::string* why) {
  const char* chosen = std::getenv("QV_WATCHDOG_DEBUGGER");
  const std::string debugger = chosen && *chosen ? chosen : "gdb";
  // It would attach to the emulator and show the emulator's frames.
  if (ProcessRunsUnderEmulator(pid)) {
    *why = debugger + " cannot follow a program that runs under an emulator";
    return "";
  }
  // Where Yama restricts ptrace to ancestors, the debugger (a child) needs leave to attach.
  prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
  // Nothing is fetched over the network for symbols.
  std::vector<std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    if (std::strncmp(*entry, "DEBUGINFOD_URLS=", 16) != 0) variables.push_back(*entry);
  }
  std::vector<char*> environment;
  for (std::string& variable : variables) environment.push_back(variable.data());
  environment.push_back(nullptr);
  const ProgramRun run = RunBounded(
      {debugger, "-p", std::to_string(pid), "-batch", "-nx", "-iex",
       "set debuginfod enabled off", "-ex", "set pagination off", "-ex", "set width 0", "-ex",
       "thread apply all bt"},
      seconds, environment.data());
  if (!run.started) {
    *why = debugger + " could not be run";
  } else if (!run.ended) {
    *why = debugger + " gave no stacks within " + std::to_string(seconds) + " s";
  } else if (run.output.find("\n#0 ") == std::string::npos &&
             run.output.rfind("#0 ", 0) == std::string::npos) {
    *why = debugger + " gave no stacks (status " + std::to_string(run.status) + "): " + run.output;
  } else {
    return run.output;
  }
  return "";
}

namespace {

// ---- stacks taken by each thread in a signal handler ----

constexpr int kMaxFrames = 64;
struct StackCapture {
  std::atomic<pid_t> thread{0};  // the thread asked; another's late answer is ignored
  void* frames[kMaxFrames];
  int depth = 0;
  sem_t taken;
};
StackCapture gCapture;

// A signal the framework and the toolkit leave alone.
int StackSignal() { return SIGRTMAX - 3; }

void CaptureStack(int) {
  const int saved = errno;
  if (pid_t(syscall(SYS_gettid)) == gCapture.thread.load()) {
    gCapture.depth = backtrace(gCapture.frames, kMaxFrames);
    sem_post(&gCapture.taken);
  }
  errno = saved;
}

void InstallStackHandler() {
  sem_init(&gCapture.taken, 0, 0);
  // backtrace loads the unwinder on first use, which a signal handler must not be the one to do.
  void* frame[1];
  backtrace(frame, 1);
  struct sigaction action {};
  action.sa_handler = &CaptureStack;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(StackSignal(), &action, nullptr);
}

// True when the ELF file at path is position-dependent: its addresses are absolute.
bool IsFixedExecutable(const std::string& path) {
  Elf32_Ehdr header{};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool read = ::read(fd, &header, sizeof header) == ssize_t(sizeof header);
  close(fd);
  return read && header.e_type == ET_EXEC;
}

struct Frame {
  uintptr_t address;
  std::string object;
  uintptr_t lookup;    // what addr2line is given for it within object
  std::string symbol;  // the dynamic symbol dladdr found, or ""
  std::string where;   // "function at file:line" once addr2line has said
};

// Names the frames' functions and lines through addr2line, one run per object file.
void Symbolize(std::vector<Frame>* frames, const Clock::time_point& deadline) {
  std::map<std::string, std::vector<Frame*>> byObject;
  for (Frame& frame : *frames) {
    if (!frame.object.empty()) byObject[frame.object].push_back(&frame);
  }
  for (auto& [object, members] : byObject) {
    const int left = int(std::chrono::duration_cast<Seconds>(deadline - Clock::now()).count());
    if (left <= 0) return;
    std::vector<std::string> argv = {"addr2line", "-f", "-C", "-e", object};
    for (const Frame* frame : members) {
      char hex[24];
      std::snprintf(hex, sizeof hex, "%#lx", static_cast<unsigned long>(frame->lookup));
      argv.push_back(hex);
    }
    // addr2line reads a test binary's line tables, which takes its time on a loaded machine.
    const ProgramRun run = RunBounded(argv, std::min(left, TimeLimit(kQuerySeconds)));
    if (!run.ended || run.status != 0) continue;
    size_t at = 0;
    for (Frame* frame : members) {
      const size_t functionEnd = run.output.find('\n', at);
      if (functionEnd == std::string::npos) break;
      const size_t lineEnd = run.output.find('\n', functionEnd + 1);
      if (lineEnd == std::string::npos) break;
      const std::string function = run.output.substr(at, functionEnd - at);
      const std::string line = run.output.substr(functionEnd + 1, lineEnd - functionEnd - 1);
      at = lineEnd + 1;
      if (function == "??") continue;
      frame->where = line.compare(0, 2, "??") == 0 ? function : function + " at " + line;
    }
  }
}

// Each thread's stack as its own backtrace, taken in a signal handler sent to it.
std::string SignalStacks(const Clock::time_point& deadline) {
  Dl_info own{};
  dladdr(reinterpret_cast<void*>(&StartWatchdog), &own);
  const void* programBase = own.dli_fbase;
  char programPath[4096];
  const ssize_t length = readlink("/proc/self/exe", programPath, sizeof programPath - 1);
  const std::string program(programPath, size_t(length > 0 ? length : 0));
  const bool fixedProgram = IsFixedExecutable(program);
  std::string text;
  for (const int thread : OtherThreads()) {
    gCapture.depth = 0;
    gCapture.thread = thread;
    text += "Thread " + std::to_string(thread) + " (" + ThreadName(thread) + "):\n";
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += 2;
    const bool answered = syscall(SYS_tgkill, getpid(), thread, StackSignal()) == 0 &&
                           sem_timedwait(&gCapture.taken, &until) == 0;
    gCapture.thread = 0;
    if (!answered) {
      text += "  (no answer: the thread blocks the signal, or has ended)\n";
      continue;
    }
    std::vector<Frame> frames;
    for (int k = 0; k < gCapture.depth; ++k) {
      const auto address = reinterpret_cast<uintptr_t>(gCapture.frames[k]);
      Frame frame{address, "", 0, "", ""};
      Dl_info info{};
      // A return address: the call it returns from ends just before it.
      const uintptr_t call = k == 0 ? address : address - 1;
      if (dladdr(reinterpret_cast<void*>(call), &info) && info.dli_fbase) {
        const bool inProgram = info.dli_fbase == programBase;
        frame.object = inProgram ? program : info.dli_fname ? info.dli_fname : "";
        frame.lookup = inProgram && fixedProgram
                           ? call
                           : call - reinterpret_cast<uintptr_t>(info.dli_fbase);
        frame.symbol = info.dli_sname ? info.dli_sname : "";
      }
      frames.push_back(frame);
    }
    Symbolize(&frames, deadline);
    for (size_t k = 0; k < frames.size(); ++k) {
      char head[48];
      std::snprintf(head, sizeof head, "#%-2zu 0x%08lx in ", k,
                    static_cast<unsigned long>(frames[k].address));
      const std::string& name = !frames[k].where.empty()    ? frames[k].where
                                : !frames[k].symbol.empty() ? frames[k].symbol
                                                            : std::string("??");
      text += head + name + " (" + frames[k].object + ")\n";
    }
  }
  return text;
}

// ---- child processes ----

// The stacks of the child processes, as long as the report has time for them.
std::string ChildStacks(const Clock::time_point& deadline) {
  std::string text;
  for (const int child : RunningChildren()) {
    const int left = int(std::chrono::duration_cast<Seconds>(deadline - Clock::now()).count());
    if (left < TimeLimit(kQuerySeconds)) break;
    std::string why;
    const std::string stacks = ProcessStacks(
        int(child), std::min(left - TimeLimit(kQuerySeconds), TimeLimit(kChildDebuggerSeconds)),
        &why);
    text += "[ WATCHDOG ] child process " + std::to_string(child) + " (" + CommandLine(child) +
            "):\n" + (stacks.empty() ? why + "\n" : stacks);
  }
  return text;
}

// ---- the window manager ----

std::string WindowManagerReport(const Clock::time_point& deadline) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return "no display\n";
  std::string text;
  const std::string state = WindowManagerProcessState();
  if (!state.empty()) text += state + "\n";
  for (const char* option : {"-m", "-lpG"}) {
    const int left = int(std::chrono::duration_cast<Seconds>(deadline - Clock::now()).count());
    if (left <= 0) break;
    const ProgramRun run = RunBounded({"wmctrl", option}, std::min(left, TimeLimit(kQuerySeconds)));
    text += std::string("$ wmctrl ") + option + "\n";
    text += !run.started ? "(wmctrl could not be run)\n"
            : run.ended  ? (run.output.empty() ? "(nothing)\n" : run.output)
                         : "(no answer: is the X server stuck?)\n";
  }
  return text;
}

// ---- the watch ----

// The watch waits on an eventfd that every change of budget rings, not on a condition
// variable: valgrind's race detector does not follow the 64-bit-time timed wait of a 32-bit
// build, and would take the state shared under the mutex for a race.
// The thread steps aside for every fork: a forked child has no copy of it, and the address
// sanitizer, finding it still listed there, would say at the child's exit that it could not be
// stopped for the leak check. The parent gets it back at once.
class Watch {
 public:
  void Start(int budgetSeconds, Clock::time_point runDeadline) {
    mWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    mBudget = budgetSeconds;
    if (mWake < 0) {  // a watch that cannot be woken would hold every fork for its budget
      std::fprintf(stderr, "[watchdog] no eventfd (%s): this run is not watched\n",
                   std::strerror(errno));
      return;
    }
    mRunDeadline = runDeadline;
    Arm("the start-up, before the first test", budgetSeconds);
    Launch();
    pthread_atfork(&Watch::BeforeFork, &Watch::AfterForkInParent, &Watch::AfterForkInChild);
  }
  void Arm(const std::string& what, int seconds = 0) {
    pthread_mutex_lock(&mMutex);
    mWhat = what;
    mStarted = Clock::now();
    mSeconds = seconds > 0 ? seconds : mBudget;
    pthread_mutex_unlock(&mMutex);
    Ring();
  }
  int ThreadId() const { return mThreadId; }
  bool Running() const { return mRunning; }
  void Rearm(int seconds) {
    pthread_mutex_lock(&mMutex);
    const std::string what = mWhat;
    pthread_mutex_unlock(&mMutex);
    Arm(what, seconds);
  }

 private:
  void Launch() {
    mStopping = false;
    mRunning = pthread_create(&mThread, nullptr, &Watch::Body, this) == 0;
  }
  void Ring() {
    const uint64_t ring = 1;
    if (write(mWake, &ring, sizeof ring) < 0) return;  // full: the watch wakes all the same
  }
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();
  static void* Body(void* self) {
    auto* watch = static_cast<Watch*>(self);
    watch->mThreadId = int(syscall(SYS_gettid));
    watch->Run();
    return nullptr;
  }
  void Run() {
    for (;;) {
      pthread_mutex_lock(&mMutex);
      if (mStopping) {
        pthread_mutex_unlock(&mMutex);
        return;
      }
      const Clock::time_point due = std::min(mStarted + Seconds(mSeconds), mRunDeadline);
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
      if (left.count() <= 0) break;  // with the lock held, what it reports cannot change
      pthread_mutex_unlock(&mMutex);
      pollfd wake = {mWake, POLLIN, 0};
      if (poll(&wake, 1, int(std::min<int64_t>(left.count() + 1, 3600000))) > 0) {
        uint64_t rings = 0;
        if (read(mWake, &rings, sizeof rings) < 0) continue;
      }
    }
    mFiring = true;  // from now on it stays, fork or not
    const std::string what = mWhat;
    const long ran = long(std::chrono::duration_cast<Seconds>(Clock::now() - mStarted).count());
    const bool runDeadline = mRunDeadline < mStarted + Seconds(mSeconds);
    const int budget = mSeconds;
    pthread_mutex_unlock(&mMutex);
    Report(what, ran, runDeadline ? "the run's timeout is near"
                                  : "past its budget of " + std::to_string(budget) + " s");
  }

  [[noreturn]] static void Report(const std::string& what, long ran, const std::string& reason) {
    // The last resort, should the report itself hang: the kernel's timer needs no thread.
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGKILL;
    timer_t killer;
    if (timer_create(CLOCK_MONOTONIC, &event, &killer) == 0) {
      const itimerspec when = {{0, 0}, {TimeLimit(kReportBound), 0}};
      timer_settime(killer, 0, &when, nullptr);
    }
    const Clock::time_point deadline = Clock::now() + Seconds(TimeLimit(kReportSeconds));
    Say("\n[ WATCHDOG ] " + what + " has run for " + std::to_string(ran) + " s, " + reason +
        ": the stacks of every thread follow (process " + std::to_string(getpid()) + ")\n");
    std::string why;
    std::string stacks = ProcessStacks(getpid(), TimeLimit(kDebuggerSeconds), &why);
    if (stacks.empty()) {
      Say("[ WATCHDOG ] " + why + "; each thread's own backtrace instead:\n");
      stacks = SignalStacks(deadline);
    }
    Say(stacks);
    // The window manager first: it is quick, and the children's debugger may not be.
    Say("[ WATCHDOG ] the window manager:\n" + WindowManagerReport(deadline));
    Say(ChildStacks(deadline));
    const std::string ended = EndChildrenBut({});
    if (!ended.empty()) Say("[ WATCHDOG ] the child processes, ended now:\n" + ended);
    Say("[  FAILED  ] " + what + " (hung: ended by the watchdog after " + std::to_string(ran) +
        " s)\n");
    _exit(kWatchdogStatus);
  }

  pthread_mutex_t mMutex = PTHREAD_MUTEX_INITIALIZER;
  std::atomic<int> mThreadId{0};  // the thread's kernel id (of the last one, once it ended)
  int mWake = -1;
  pthread_t mThread{};
  bool mRunning = false;   // the thread is there (the forking thread's alone to change)
  bool mStopping = false;  // asked to end, for a fork
  bool mFiring = false;    // reporting: no longer steps aside
  bool mForked = false;    // a forked child's copy: never runs
  std::string mWhat;
  Clock::time_point mStarted;
  int mSeconds = 0;
  int mBudget = 0;
  Clock::time_point mRunDeadline;
};

Watch* gWatch = nullptr;

// Under an emulator a joined thread has not quite ended: qemu ends the join (it clears the
// thread's id) while it still holds its own lock for making threads, and a child forked in
// that moment finds the lock taken for ever at its first thread. So a fork waits until the
// thread has left the process.
void WaitUntilGone(int thread) {
  const std::string task = "/proc/self/task/" + std::to_string(thread);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(TimeLimit(kGoneMs));
  while (thread > 0 && access(task.c_str(), F_OK) == 0 && Clock::now() < until) usleep(50);
}

// The lock is held across the fork, so that a child never inherits it taken by another thread
// (an Arm of the parent's) and waits on it for ever.
void Watch::BeforeFork() {
  Watch* self = gWatch;
  pthread_mutex_lock(&self->mMutex);
  if (!self->mRunning || self->mFiring) return;
  self->mStopping = true;
  pthread_mutex_unlock(&self->mMutex);
  self->Ring();
  pthread_join(self->mThread, nullptr);
  WaitUntilGone(self->mThreadId);
  self->mRunning = false;
  pthread_mutex_lock(&self->mMutex);
}

void Watch::AfterForkInParent() {
  pthread_mutex_unlock(&gWatch->mMutex);
  if (!gWatch->mRunning && !gWatch->mForked) gWatch->Launch();  // stopped before the fork
}

// A forked child keeps no watch of its own: its parent's watch reports the stacks of its
// children. Nor does it keep the parent's wake-up: the eventfd is shared across the fork, and a
// watch of the child reading it took the parent's rings, so that the parent's watch slept
// through the stop of its next fork and held that fork for the rest of the budget.
void Watch::AfterForkInChild() {
  Watch* self = gWatch;
  pthread_mutex_unlock(&self->mMutex);
  if (self->mWake >= 0) close(self->mWake);
  self->mWake = -1;
  self->mRunning = false;
  self->mForked = true;
}

class WatchListener : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& test) override { gWatch->Arm(Name(test)); }
  void OnTestEnd(const testing::TestInfo& test) override {
    gWatch->Arm("the time after " + Name(test));
  }
  void OnTestProgramEnd(const testing::UnitTest&) override {
    gWatch->Arm("the end of the run, after the last test");
  }
  static std::string Name(const testing::TestInfo& test) {
    return std::string(test.test_suite_name()) + "." + test.name();
  }
};

// The run's deadline less the report's time, or the far future when the run has none.
Clock::time_point RunDeadline() {
  const char* deadline = std::getenv("QV_TEST_DEADLINE");
  const long long at = deadline ? std::atoll(deadline) : 0;
  if (at <= 0) return Clock::time_point::max();
  return Clock::now() +
         Seconds(at - (long long)time(nullptr) - TimeLimit(kDeadlineMarginSeconds));
}

// ---- the slow-run factor ----

// Where code runs slower than on the machine itself.
constexpr int kSlowdown = 5;

// A load written as "1.37" (at most two places) in hundredths, as much of text as is one;
// *end is where it stopped.
int Hundredths(const char* text, const char** end) {
  int value = 0;
  const char* at = text;
  for (; std::isdigit(static_cast<unsigned char>(*at)) && value < 1000000; ++at)
    value = value * 10 + (*at - '0');
  if (at == text) {
    *end = text;
    return -1;
  }
  int part = 0, places = 0;
  if (*at == '.') {
    for (++at; places < 2 && std::isdigit(static_cast<unsigned char>(*at)); ++at, ++places)
      part = part * 10 + (*at - '0');
  }
  *end = at;
  return value * 100 + (places == 1 ? part * 10 : part);
}

// The load average over the processors in hundredths, as /proc gives it now.
int MeasuredLoadHundredths() {
  const std::string text = ReadProcFile("/proc/loadavg", 63);
  const char* end = nullptr;
  const int load = !text.empty() ? Hundredths(text.c_str(), &end) : -1;
  const int processors = std::max(int(sysconf(_SC_NPROCESSORS_ONLN)), 1);
  return load < 0 ? -1 : (load + processors - 1) / processors;
}

// QV_LOAD_FACTOR's "1.37" in hundredths, or -1 when it is no such number.
int GivenLoadHundredths(const char* load) {
  const char* end = nullptr;
  const int hundredths = Hundredths(load, &end);
  return *end == '\0' ? hundredths : -1;
}

// The load, given or measured, in hundredths: at least 100.
int LoadHundredths(const char* load) {
  const int hundredths = load && *load ? GivenLoadHundredths(load) : MeasuredLoadHundredths();
  return std::max(hundredths, 100);
}

// This process's load, taken once.
int RunLoadHundredths() {
  static const int load = LoadHundredths(std::getenv("QV_LOAD_FACTOR"));
  return load;
}

int Factor(int slowdown, int loadHundredths) { return (slowdown * loadHundredths + 99) / 100; }

}  // namespace

int SlowRunFactorFor(const char* load, int slowdown) {
  return Factor(slowdown, LoadHundredths(load));
}

int SlowRunFactor() {
  static const int factor =
      Factor(RUNNING_ON_VALGRIND || RunsUnderEmulator() ? kSlowdown : 1, RunLoadHundredths());
  return factor;
}

int TimeLimit(int base) { return base * SlowRunFactor(); }

void StartWatchdog() {
  if (gWatch) return;
  // The programs the tests start use the same figures, measured once for the whole run.
  char load[32];
  std::snprintf(load, sizeof load, "%d.%02d", RunLoadHundredths() / 100, RunLoadHundredths() % 100);
  setenv("QV_LOAD_FACTOR", load, 0);
  setenv("QV_TIME_FACTOR", std::to_string(SlowRunFactor()).c_str(), 1);
  const char* chosen = std::getenv("QV_WATCHDOG_SECONDS");
  const int budget = chosen && *chosen ? std::atoi(chosen) : kDefaultBudgetSeconds;
  if (budget <= 0) return;
  InstallStackHandler();
  gWatch = new Watch;
  gWatch->Start(TimeLimit(budget), RunDeadline());
  testing::UnitTest::GetInstance()->listeners().Append(new WatchListener);
}

int WatchdogThread() { return gWatch && gWatch->Running() ? gWatch->ThreadId() : 0; }

void SetWatchdogBudget(int seconds) {
  if (gWatch) gWatch->Rearm(TimeLimit(seconds));  // as the budget itself
}

int WindowManagerPid() {
  const char* pid = std::getenv("QV_WM_PID");
  return pid ? std::atoi(pid) : 0;
}

std::string WindowManagerProcessState() {
  const int pid = WindowManagerPid();
  if (pid <= 0) return "";
  // Its state in /proc: gone, or a zombie its parent has not reaped yet, is ended.
  const char state = ProcessState(pid);
  const std::string head = "openbox (pid " + std::to_string(pid) + ") ";
  if (state == 0 || state == 'Z' || state == 'X') return head + "has ended";
  // What it waits in: a manager asleep in poll waits for events, one in a futex or a read of
  // its own is stuck.
  const std::string waiting = ReadProcFile("/proc/" + std::to_string(pid) + "/wchan", 63);
  return head + "is running (state " + state + (!waiting.empty() ? ", in " + waiting : "") +
         ")";
}

}  // namespace qvtest
