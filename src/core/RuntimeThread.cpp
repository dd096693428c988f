#include "core/RuntimeThread.h"

#include <pthread.h>

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
