#include "app/TerminationSignals.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "app/ApplicationClass.h"
#include "app/ApplicationQuit.h"
#include "app/ClassLibraryHooks.h"
#include "app/ShutdownTasks.h"

namespace {

volatile sig_atomic_t gPendingSignal = 0;
bool gEndRunning = false;
int gWakePipe[2] = {-1, -1};

int64_t NowMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void DrainWakePipe() {
  char bytes[64];
  while (read(gWakePipe[0], bytes, sizeof bytes) > 0) {
  }
}

gboolean OnWake(gint, GIOCondition, gpointer) {
  DrainWakePipe();
  RunPendingTermination();
  return G_SOURCE_CONTINUE;
}

[[noreturn]] void RunTermination(int signalNumber) {
  if (signalNumber != SIGHUP) ApplicationQuit(nullptr, false);
  WindowSystem().closeAllWindows();
  ReleaseApplicationObject();
  RunShutdownTasks();
  std::exit(0);
}

}  // namespace

extern "C" void TerminationSignalHandler(int signalNumber) {
  if (gPendingSignal) _exit(0);
  gPendingSignal = signalNumber;
  const int savedErrno = errno;
  if (gWakePipe[1] >= 0) {
    const char byte = 1;
    (void)!write(gWakePipe[1], &byte, 1);
  }
  errno = savedErrno;
}

void ArmTerminationSignals() {
  if (gWakePipe[0] >= 0) return;
  if (pipe2(gWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) gWakePipe[0] = gWakePipe[1] = -1;
  if (gWakePipe[0] >= 0) g_unix_fd_add(gWakePipe[0], G_IO_IN, OnWake, nullptr);
  struct sigaction action = {};
  action.sa_handler = TerminationSignalHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signalNumber : {SIGTERM, SIGQUIT, SIGHUP}) sigaction(signalNumber, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int TerminationWakeDescriptor() { return gWakePipe[0]; }

void RunPendingTermination() {
  const int signalNumber = gPendingSignal;
  if (!signalNumber || gEndRunning) return;
  gEndRunning = true;
  RunTermination(signalNumber);
}

int WaitForDescriptor(int fd, int16_t events, int32_t timeoutMs) {
  const int64_t deadline = timeoutMs < 0 ? -1 : NowMilliseconds() + timeoutMs;
  for (;;) {
    RunPendingTermination();
    pollfd fds[2] = {{fd, events, 0}, {gWakePipe[0], POLLIN, 0}};
    const int count = fd >= 0 ? 2 : 1;
    pollfd* watched = fd >= 0 ? fds : fds + 1;
    int wait = -1;
    if (deadline >= 0) {
      const int64_t left = deadline - NowMilliseconds();
      wait = left > 0 ? int(left) : 0;
    }
    const int ready = poll(watched, nfds_t(count), wait);
    if (ready < 0 && errno != EINTR) return -1;
    if (fd >= 0 && fds[0].revents) return fds[0].revents;
    if (ready == 0 && wait >= 0) return 0;
    // A wake-up or an interruption: the loop's first step ends the process when it was a
    // termination signal; otherwise the wait goes on.
    if (fds[1].revents) DrainWakePipe();
  }
}

void SleepUnlessTerminated(int32_t milliseconds) {
  if (milliseconds > 0) WaitForDescriptor(-1, 0, milliseconds);
}
