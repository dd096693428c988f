#include "core/RuntimeThread.h"

#include "core/RuntimeError.h"

// The highest address of the main thread's frames: the stack pointer the process started with,
// above which lie only its arguments and environment. The C library keeps it, so the record
// is made without asking for the stack mapping (pthread_getattr_np reads all of
// /proc/self/maps for the main thread, a measurable part of start-up).
extern "C" void* __libc_stack_end;

namespace {

pthread_mutex_t gRunBaton = PTHREAD_MUTEX_INITIALIZER;

// Made by static initialisation on the main thread, which takes the baton with it, before
// anything can raise or yield. Never destroyed: the process may end on another language thread
// (a deadlock, the report's Quit, a termination signal) while the main thread still waits on
// the record's condition, and destroying a condition that is waited on blocks for good.
union MainThread {
  MainThread() : record(reinterpret_cast<uintptr_t>(__libc_stack_end)) {
    pthread_mutex_lock(&gRunBaton);
  }
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

// Barriers live in their callers' frames, so none may stay linked once its frame is gone: one
// popped out of order is reported and unlinked all the same, with every barrier inside it.
void RuntimeThreadImp::PopBarrierOutOfOrder(CallBarrier* barrier) {
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
