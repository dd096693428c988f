// Keeps a thread's own thread pointer across the return from a signal handler under qemu-i386.
//
// The emulator (7.2) keeps one descriptor table for all threads of a process; every new thread
// writes its thread-local-storage descriptor into the same entry, and the return from a handler
// reloads %gs from it. A thread that handled a signal then runs on the newest thread's
// thread-local data: errno, the allocator's caches, GLib's thread-private data, the owner of a
// recursive lock. Every test process has threads (the watchdog at least), and the framework's
// termination handlers and GLib's Unix signal sources return from theirs.
//
// The test binaries define sigaction, so that every library that calls it (GLib among them)
// installs its handlers through here. Under the emulator a handler is wrapped in a trampoline
// that, after the handler, writes the running thread's own descriptor back into that entry, so
// the reload finds it. Natively, and in the sanitizer build (whose runtime defines sigaction
// itself: this file is not built there), nothing changes.
#include <asm/ldt.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "Emulator.h"

namespace {

// What the program asked for, per signal; the kernel holds the trampoline instead.
struct sigaction gInstalled[NSIG];

using SigactionFunction = int (*)(int, const struct sigaction*, struct sigaction*);

SigactionFunction RealSigaction() {
  static const auto real = reinterpret_cast<SigactionFunction>(dlsym(RTLD_NEXT, "sigaction"));
  return real;
}

// Writes this thread's descriptor (base: the thread control block, which %gs:0 points to) into
// the entry its %gs selects, as the C library made it when the thread started.
void RewriteOwnDescriptor() {
  uint16_t selector = 0;
  uintptr_t self = 0;
  __asm__ volatile("mov %%gs, %0" : "=r"(selector));
  __asm__ volatile("mov %%gs:0, %0" : "=r"(self));
  user_desc descriptor{};
  descriptor.entry_number = selector >> 3;
  descriptor.base_addr = self;
  descriptor.limit = 0xfffff;
  descriptor.seg_32bit = 1;
  descriptor.limit_in_pages = 1;
  descriptor.useable = 1;
  const int saved = errno;
  syscall(SYS_set_thread_area, &descriptor);
  errno = saved;
}

// Whether the action names a function of the program (not SIG_DFL or SIG_IGN).
bool IsHandler(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) != 0
             ? action.sa_sigaction != nullptr
             : action.sa_handler != SIG_IGN && action.sa_handler != SIG_DFL;
}

// Calls what the program installed (which another thread may have changed as the signal came).
void Forward(int signalNumber, siginfo_t* info, void* context) {
  const struct sigaction& action = gInstalled[signalNumber];
  if (IsHandler(action)) {
    if ((action.sa_flags & SA_SIGINFO) != 0)
      action.sa_sigaction(signalNumber, info, context);
    else
      action.sa_handler(signalNumber);
  }
  RewriteOwnDescriptor();
}

// Two trampolines, so that the kernel builds the frame the handler asked for (the unwinder of a
// backtrace taken in a handler reads it).
void Trampoline(int signalNumber, siginfo_t* info, void* context) {
  Forward(signalNumber, info, context);
}

void PlainTrampoline(int signalNumber) { Forward(signalNumber, nullptr, nullptr); }

bool IsTrampoline(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) != 0 ? action.sa_sigaction == Trampoline
                                             : action.sa_handler == PlainTrampoline;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int sigaction(int signalNumber,
                                                                const struct sigaction* action,
                                                                struct sigaction* previous) {
  const SigactionFunction real = RealSigaction();
  if (signalNumber <= 0 || signalNumber >= NSIG) return real(signalNumber, action, previous);
  const struct sigaction before = gInstalled[signalNumber];
  const struct sigaction asked = action != nullptr ? *action : before;
  struct sigaction given;
  const struct sigaction* toKernel = action;
  if (action != nullptr && IsHandler(asked) && qvtest::RunsUnderEmulator()) {
    given = asked;
    if ((asked.sa_flags & SA_SIGINFO) != 0)
      given.sa_sigaction = Trampoline;
    else
      given.sa_handler = PlainTrampoline;
    toKernel = &given;
    // Recorded first: a signal that comes as the kernel takes the trampoline finds it.
    gInstalled[signalNumber] = asked;
  }
  struct sigaction held;
  if (real(signalNumber, toKernel, &held) != 0) {
    gInstalled[signalNumber] = before;
    return -1;
  }
  gInstalled[signalNumber] = asked;
  if (previous != nullptr) *previous = IsTrampoline(held) ? before : held;
  return 0;
}
