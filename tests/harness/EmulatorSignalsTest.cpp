// A thread keeps its own thread-local data when a signal handler returns while a newer thread
// runs (under qemu-i386 the test binaries' sigaction sees to it: support/EmulatorSignals.cpp),
// and the handler reads back as it was given.
#include <glib-unix.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include <future>
#include <thread>

#include "support/Emulator.h"

namespace {

thread_local int tOwn = 0;
volatile sig_atomic_t gHandled = 0;

void Count(int) { gHandled = gHandled + 1; }
void CountWithInfo(int, siginfo_t*, void*) { gHandled = gHandled + 1; }

TEST(EmulatorSignals, AThreadKeepsItsOwnDataWhenAHandlerReturns) {
  for (const bool withInfo : {false, true}) {
    SCOPED_TRACE(withInfo ? "SA_SIGINFO" : "plain handler");
    struct sigaction action = {};
    if (withInfo) {
      action.sa_sigaction = CountWithInfo;
      action.sa_flags = SA_SIGINFO;
    } else {
      action.sa_handler = Count;
    }
    struct sigaction before = {};
    ASSERT_EQ(sigaction(SIGUSR2, &action, &before), 0);
    struct sigaction now = {};
    ASSERT_EQ(sigaction(SIGUSR2, nullptr, &now), 0);
    if (withInfo)
      EXPECT_EQ(now.sa_sigaction, &CountWithInfo);
    else
      EXPECT_EQ(now.sa_handler, &Count);

    std::promise<void> started;
    std::promise<void> finish;
    std::thread newer([&] {
      tOwn = 2;
      started.set_value();
      finish.get_future().wait();
    });
    started.get_future().wait();
    tOwn = 1;
    const int handled = gHandled;
    raise(SIGUSR2);
    EXPECT_EQ(gHandled, handled + 1);
    EXPECT_EQ(tOwn, 1);
    finish.set_value();
    newer.join();
    EXPECT_EQ(sigaction(SIGUSR2, &before, nullptr), 0);
  }
}

// GLib installs its handlers (a Unix signal source's) through the binaries' sigaction: the
// handler the kernel holds is another than the one GLib gave exactly where it runs under the
// emulator (the trampoline). Checked in a child started by exec: the source starts GLib's worker
// thread, which would stay in this process and refuse the later cases' forks.
void ExitWithGLibsHandlerCheck() {
  GSource* watch = g_unix_signal_source_new(SIGUSR1);
  struct sigaction given = {};
  struct {
    void* handler;
    unsigned long flags;
    void* restorer;
    uint32_t mask[2];
  } held = {};
  if (sigaction(SIGUSR1, nullptr, &given) != 0 ||
      syscall(SYS_rt_sigaction, SIGUSR1, nullptr, &held, sizeof held.mask) != 0) {
    std::fprintf(stderr, "cannot read the handlers\n");
    _exit(2);
  }
  const auto glibs = reinterpret_cast<void*>(given.sa_handler);
  if (glibs == reinterpret_cast<void*>(SIG_DFL)) {
    std::fprintf(stderr, "GLib installed no handler\n");
    _exit(3);
  }
  if ((held.handler != glibs) != qvtest::RunsUnderEmulator()) {
    std::fprintf(stderr, "the kernel holds %p, GLib gave %p\n", held.handler, glibs);
    _exit(4);
  }
  g_source_unref(watch);
  _exit(0);
}

TEST(EmulatorSignalsDeathTest, GLibsHandlersGoThroughTheSameWay) {
  EXPECT_EXIT(ExitWithGLibsHandlerCheck(), testing::ExitedWithCode(0), "");
}

}  // namespace
