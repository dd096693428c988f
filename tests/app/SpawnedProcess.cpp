#include "SpawnedProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "support/Emulator.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

extern char** environ;

namespace qvtest {

namespace {


int64_t Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Named(const std::string& entry, const std::vector<std::string>& names) {
  for (std::string name : names) {
    name = name.substr(0, name.find('=')) + "=";
    if (entry.rfind(name, 0) == 0) return true;
  }
  return false;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

void CloseOnce(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

SpawnedProcess::SpawnedProcess(const SpawnOptions& options) {
  std::vector<std::string> argv = options.argv.empty() ? std::vector{options.program} : options.argv;
  std::string program = options.program;
  const std::vector<std::string> run = ThroughEmulator({program});
  if (run.size() > 1) {  // the emulator, then the program
    program = run[0];
    argv.erase(argv.begin());
    argv.insert(argv.begin(), run.begin(), run.end());
  }
  std::vector<std::string> environment = options.environment;
  for (char** entry = environ; *entry; ++entry) {
    if (!Named(*entry, options.environment) && !Named(*entry, options.unset))
      environment.push_back(*entry);
  }
  std::vector<char*> argvPointers = Pointers(argv), environmentPointers = Pointers(environment);
  int input[2], output[2], errors[2];
  if (pipe2(input, O_CLOEXEC) || pipe2(output, O_CLOEXEC) || pipe2(errors, O_CLOEXEC)) return;
  // vfork: the test may run other threads, and the child only sets its streams and execs; but
  // not in the moment one ends (support/TestSupport.h says why).
  SettleBeforeVfork();
  mPid = vfork();
  if (mPid == 0) {
    dup2(input[0], 0);
    dup2(output[1], 1);
    dup2(errors[1], 2);
    if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
    execve(program.c_str(), argvPointers.data(), environmentPointers.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  close(errors[1]);
  mInput = input[1];
  mEnds[0] = output[0];
  mEnds[1] = errors[0];
}

SpawnedProcess::~SpawnedProcess() {
  if (mPid > 0) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
  CloseInput();
  for (int& fd : mEnds) CloseOnce(&fd);
}

void SpawnedProcess::Write(const std::string& bytes) {
  for (size_t done = 0; mInput >= 0 && done < bytes.size();) {
    const ssize_t wrote = write(mInput, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) break;
    done += size_t(wrote);
  }
}

void SpawnedProcess::CloseInput() { CloseOnce(&mInput); }
void SpawnedProcess::CloseOutput() { CloseOnce(&mEnds[0]); }

bool SpawnedProcess::ReadSome(int timeoutMs) {
  pollfd fds[2] = {{mEnds[0], POLLIN, 0}, {mEnds[1], POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) > 0) {
    for (int i = 0; i < 2; ++i) {
      char buffer[4096];
      const ssize_t got = fds[i].revents ? read(mEnds[i], buffer, sizeof buffer) : -1;
      if (got > 0) mTexts[i].append(buffer, size_t(got));
      if (fds[i].revents && got <= 0) CloseOnce(&mEnds[i]);
    }
  }
  return mEnds[0] >= 0 || mEnds[1] >= 0;
}

namespace {

// A wait on the child is bounded by its own patience, which the test watchdog's budget covers
// (both stretched where code runs slower); the run's deadline, when nearer, still has the
// watchdog report a wait that never ends.
void CoverTheWaitWithTheWatchdog() { SetWatchdogBudget(kChildPatienceMs / 1000 + 30); }
int64_t PatienceEnds() { return Now() + TimeLimit(kChildPatienceMs); }

}  // namespace

bool SpawnedProcess::WaitForOutput(const std::string& text) {
  CoverTheWaitWithTheWatchdog();
  const int64_t deadline = PatienceEnds();
  while (Output().find(text) == std::string::npos) {
    if (Now() >= deadline || !ReadSome(int(deadline - Now()))) return false;
  }
  return true;
}

void SpawnedProcess::Signal(int signalNumber) {
  if (mPid > 0) kill(mPid, signalNumber);
}

int SpawnedProcess::Finish() {
  CoverTheWaitWithTheWatchdog();
  const int64_t deadline = PatienceEnds();
  while (Now() < deadline && ReadSome(int(deadline - Now()))) {
  }
  int status = -1;
  // The outputs end a moment before the child can be reaped.
  while (mPid > 0 && waitpid(mPid, &status, WNOHANG) == 0) {
    if (Now() >= deadline) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
      status = -1;
      break;
    }
    usleep(5000);
  }
  mPid = -1;
  return status;
}

bool ExitedWith(int status, int code) {
  return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

}  // namespace qvtest
