// Language threads as the runtime sees them. Each running thread has a record; one thread at a
// time holds the run baton (a process-wide mutex) and is named by the current record, and only
// that thread runs framework and compiled code. The main thread's record is made before main
// runs, and the main thread holds the baton from then on; the thread scheduler (app layer)
// passes it on at its yields.
//
// A record's first virtual operation answers the highest address of its thread's stack that
// compiled code may use, so every walk over saved frame pointers stops there and never leaves
// the thread's own stack. The record also keeps the thread's call barriers: one for each call
// from the framework into compiled code that has not returned yet, innermost first. A walk
// never goes past the innermost barrier either; what lies above it (GTK, a plug-in, an outer
// compiled call) is not its to unwind.
//
// Every field is read and written only by the thread that holds the baton.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "core/RuntimeObject.h"

// One call from the framework into compiled code, recorded on the calling frame's stack.
struct CallBarrier {
  uintptr_t frame;         // the framework frame that made the call; the callee's link
  CallBarrier* outer;      // the barrier of the enclosing call, or nil
  int32_t unhandledCount;  // exceptions that took the unhandled path during the call
};

// Bits of RuntimeThreadImp::mState; 0 is running or ready.
constexpr uint32_t kThreadSuspended = 1;
constexpr uint32_t kThreadSleeping = 2;
constexpr uint32_t kThreadWaiting = 4;  // on a Semaphore, CriticalSection or Mutex
constexpr uint32_t kThreadFinished = 8;

class RuntimeThreadImp {
 public:
  // The record of the calling thread, whose stack ends at stackTop.
  explicit RuntimeThreadImp(uintptr_t stackTop);
  virtual uintptr_t GetStackTop() const { return mStackTop; }
  virtual ~RuntimeThreadImp();
  RuntimeThreadImp(const RuntimeThreadImp&) = delete;
  RuntimeThreadImp& operator=(const RuntimeThreadImp&) = delete;

  // The barrier of the innermost call into compiled code still running, or nil.
  CallBarrier* InnermostBarrier() const { return mInnermostBarrier; }
  // Barriers nest with the calls: the one pushed last is popped first. Inline, since every
  // call into compiled code (each comparison of a sort through a handler) pushes and pops one.
  void PushBarrier(CallBarrier* barrier) {
    barrier->outer = mInnermostBarrier;
    mInnermostBarrier = barrier;
  }
  void PopBarrier(CallBarrier* barrier) {
    if (barrier == mInnermostBarrier) {
      mInnermostBarrier = barrier->outer;
      return;
    }
    PopBarrierOutOfOrder(barrier);
  }

  // Blocks the calling thread, which holds the baton, until this record is made current
  // (pthread_cond_wait gives the baton up meanwhile). Its thread must be the calling one.
  void WaitForTurn();
  // Wakes this record's thread after the record was made current.
  void SignalTurn();

  pthread_t mThreadID;
  uintptr_t mStackLimit = 0;  // lowest stack address the stack check allows
  uintptr_t mStackTop;
  RuntimeObject* mObject = nullptr;  // the Thread object; nil for the main thread
  RuntimeThreadImp* mNext = nullptr;  // the thread list, then the dead list
  // A sleep lasts from mSleepStart until the clock is mWakeTime - mSleepStart later (unsigned
  // milliseconds, so a sleep across the clock's wrap lasts its full time).
  uint32_t mWakeTime = 0;
  uint32_t mSleepStart = 0;
  int32_t mSuspendCount = 0;  // > 0 while suspended or waiting on a lock
  int32_t mPriority = 0;      // the scheduler slots the record holds
  uint8_t mWakeEarly = 0;
  uint8_t mFinished = 0;
  uint8_t mKilled = 0;
  uint32_t mState = 0;

  // Set and cleared by the remote debugger while it holds the program stopped: the main loop's
  // passes then switch to no other thread.
  static inline uint8_t sSwitchingPaused = 0;

 private:
  void PopBarrierOutOfOrder(CallBarrier* barrier);

  CallBarrier* mInnermostBarrier = nullptr;
  pthread_cond_t mTurn;
};

// The run baton.
pthread_mutex_t* RunBaton();
// The record of the thread that holds the run baton.
RuntimeThreadImp* GetCurrentThreadRecord();
// Names the thread that may take the baton next.
void SetCurrentThreadRecord(RuntimeThreadImp* record);
// The main thread's record, made before main.
RuntimeThreadImp* MainThreadRecord();
