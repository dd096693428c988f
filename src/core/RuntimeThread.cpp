#include "core/RuntimeThread.h"

#include "core/RuntimeError.h"

namespace {

pthread_mutex_t gRunBaton = PTHREAD_MUTEX_INITIALIZER;

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

// Made by static initialisation on the main thread, which takes the baton with it, before
// anything can raise or yield. Never destroyed: the process may end on another language thread
// (a deadlock, the report's Quit, a termination signal) while the main thread still waits on
// the record's condition, and destroying a condition that is waited on blocks for good.
union MainThread {
  MainThread() : record(CallingThreadStackTop()) { pthread_mutex_lock(&gRunBaton); }
  ~MainThread() {}
  RuntimeThreadImp record;
};
MainThread gMainThread;
RuntimeThreadImp* gCurrentThread = &gMainThread.record;

}  // namespace

RuntimeThreadImp::RuntimeThreadImp(uintptr_t stackTop)
    : mThreadID(pthread_self()), mStackTop(stackTop) {
  pthread_cond_init(&mTurn, nullptr);
}

RuntimeThreadImp::~RuntimeThreadImp() { pthread_cond_destroy(&mTurn); }

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

void RuntimeThreadImp::WaitForTurn() {
  while (gCurrentThread != this) pthread_cond_wait(&mTurn, &gRunBaton);
}

void RuntimeThreadImp::SignalTurn() { pthread_cond_signal(&mTurn); }

pthread_mutex_t* RunBaton() { return &gRunBaton; }
RuntimeThreadImp* GetCurrentThreadRecord() { return gCurrentThread; }
void SetCurrentThreadRecord(RuntimeThreadImp* record) { gCurrentThread = record; }
RuntimeThreadImp* MainThreadRecord() { return &gMainThread.record; }
