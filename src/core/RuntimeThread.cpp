#include "core/RuntimeThread.h"

#include <pthread.h>

#include "core/RuntimeError.h"

namespace {

// The end of the calling thread's stack mapping. Without it the record answers the highest
// address, which only the link checks of the walks then bound.
uintptr_t CallingThreadStackTop() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return UINTPTR_MAX;
  void* base = nullptr;
  size_t size = 0;
  const bool known = pthread_attr_getstack(&attributes, &base, &size) == 0;
  pthread_attr_destroy(&attributes);
  const uint64_t top = uint64_t(reinterpret_cast<uintptr_t>(base)) + size;
  if (!known || top > UINTPTR_MAX) return UINTPTR_MAX;
  return uintptr_t(top);
}

// Static initialisation runs on the main thread, before anything can raise.
RuntimeThreadImp gMainThreadRecord(CallingThreadStackTop());

}  // namespace

RuntimeThreadImp* GetCurrentThreadRecord() { return &gMainThreadRecord; }

void RuntimeThreadImp::PushBarrier(CallBarrier* barrier) {
  barrier->outer = mInnermostBarrier;
  mInnermostBarrier = barrier;
}

// Barriers live in their callers' frames, so none may stay linked once its frame is gone: one
// popped out of order is reported and unlinked all the same, with every barrier inside it.
void RuntimeThreadImp::PopBarrier(CallBarrier* barrier) {
  (void)QV_CHECK_TEXT(barrier == mInnermostBarrier, "barrier is the innermost", nullptr);
  for (CallBarrier* b = mInnermostBarrier; b; b = b->outer) {
    if (b != barrier) continue;
    mInnermostBarrier = barrier->outer;
    return;
  }
}
