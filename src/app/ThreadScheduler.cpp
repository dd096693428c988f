#include "app/ThreadScheduler.h"

#include <cstdlib>

#include "app/BackgroundTask.h"
#include "app/ShutdownTasks.h"
#include "app/TerminationSignals.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "core/Startup.h"
#include "core/Ticks.h"
#include "core/ToolkitContext.h"

namespace {

constexpr int32_t kMainThreadPriority = 5;
constexpr uintptr_t kStackCheckMargin = 8192;
// With every other thread suspended or waiting, the main loop still looks again this often.
constexpr uint32_t kIdleRecheckMs = 1000;

struct SchedulerSlot {
  RuntimeThreadImp* record;
  uint8_t ran;  // had its turn in this cycle
};

class ThreadBackgroundTask;

struct SchedulerState {
  // The main thread takes part from the start, with the priority start-up gives it.
  SchedulerState() {
    RuntimeThreadImp* main = MainThreadRecord();
    for (int32_t i = 0; i < kMainThreadPriority; ++i) slots.Append(SchedulerSlot{main, 0});
    main->mPriority = kMainThreadPriority;
  }

  SimpleVector<SchedulerSlot> slots{0};
  RuntimeThreadImp* threads = MainThreadRecord();  // newest first
  RuntimeThreadImp* dead = nullptr;
  ThreadBackgroundTask* task = nullptr;
  uint32_t clockOffset = 0;
  bool deadlockReported = false;
};

SchedulerState& State() {
  static SchedulerState state;
  return state;
}

// The unsigned length of a record's sleep still to come; 0 once it has ended.
uint32_t RemainingSleep(const RuntimeThreadImp* record, uint32_t now) {
  const uint32_t length = record->mWakeTime - record->mSleepStart;
  const uint32_t elapsed = now - record->mSleepStart;
  return elapsed >= length ? 0 : length - elapsed;
}

bool CanRunSometime(const RuntimeThreadImp* record) {
  return !record->mFinished && record->mSuspendCount == 0;
}

// Nobody can ever run again. The report once; the end does not return.
[[noreturn]] void EndDeadlockedProgram() {
  SchedulerState& state = State();
  if (!state.deadlockReported) {
    state.deadlockReported = true;
    QV_FAIL_TEXT("false",
                 "Infinite loop detected in the thread scheduler.  This is likely caused by "
                 "incorrectly locking resources with semaphores or critical sections.");
  }
  RunShutdownTasks();
  std::exit(1);
}

// The scan of the slot table: the first ready slot not yet run in this cycle, unless a
// wake-early sleeper not yet run comes before it; -1 for neither. readyRan receives the first
// ready slot that has run.
int32_t ScanSlots(uint32_t now, int32_t* readyRan) {
  const SimpleVector<SchedulerSlot>& slots = State().slots;
  int32_t wakeEarly = -1;
  for (uint32_t i = 0; i < slots.size(); ++i) {
    const SchedulerSlot& slot = slots[int32_t(i)];
    const RuntimeThreadImp* record = slot.record;
    if (record->mSuspendCount != 0) continue;
    const bool ready = RemainingSleep(record, now) == 0;
    if (ready && !slot.ran) return wakeEarly >= 0 ? wakeEarly : int32_t(i);
    if (ready && *readyRan < 0) *readyRan = int32_t(i);
    if (!ready && record->mWakeEarly && !slot.ran && wakeEarly < 0) wakeEarly = int32_t(i);
  }
  return wakeEarly;
}

void StartNewCycle() {
  SimpleVector<SchedulerSlot>& slots = State().slots;
  for (uint32_t i = 0; i < slots.size(); ++i) slots[int32_t(i)].ran = 0;
}

void PassBatonTo(RuntimeThreadImp* next) {
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  SetCurrentThreadRecord(next);
  if (next != self) next->SignalTurn();
}

void FreeDeadRecords() {
  SchedulerState& state = State();
  while (RuntimeThreadImp* record = state.dead) {
    state.dead = record->mNext;
    if (!QV_CHECK_TEXT(record != GetCurrentThreadRecord(), "sDeadThreadList != sCurrentThread",
                       nullptr))
      continue;
    SchedulerRemoveSlots(record, int32_t(state.slots.size()));
    delete record;
  }
}

// Runs on every pass of the main loop while language threads exist, and yields to them. Back
// on the main thread it decides whether the loop may block: only while no other thread is
// ready, and then until the earliest wake time.
class ThreadBackgroundTask final : public BackgroundTask {
 public:
  ThreadBackgroundTask() : BackgroundTask(0) { StopTimer(); }

  void Run() override {
    if (mDiscarded || RuntimeThreadImp::sSwitchingPaused) return;
    ++mRunning;
    ThreadYield();
    --mRunning;
    if (mDiscarded) {
      if (mRunning == 0) delete this;
      return;
    }
    if (IsMainThread()) PaceMainLoop();
  }

  void KeepLoopAwake() {
    if (TimerId() != 0) StopTimer();
  }

  // Deleted now, or by the last Run still waiting for its turn (a thread may end while the
  // main thread is parked inside Run).
  void Discard() {
    mDiscarded = true;
    StopTimer();
    if (mRunning == 0) delete this;
  }

 private:
  void PaceMainLoop() {
    const uint32_t now = ThreadClockNow();
    uint32_t earliest = kIdleRecheckMs;
    for (RuntimeThreadImp* r = State().threads; r; r = r->mNext) {
      if (r == MainThreadRecord() || !CanRunSometime(r)) continue;
      const uint32_t remaining = RemainingSleep(r, now);
      if (remaining == 0) {
        KeepLoopAwake();
        return;
      }
      if (remaining < earliest) earliest = remaining;
    }
    StartTimer(earliest);
  }

  int32_t mRunning = 0;
  bool mDiscarded = false;
};

void DiscardThreadBackgroundTask() {
  SchedulerState& state = State();
  if (!state.task) return;
  state.task->Discard();
  state.task = nullptr;
}

}  // namespace

uint32_t ThreadClockNow() {
  const int64_t milliseconds = int64_t(TickCount()) * 50 / 3;
  return uint32_t(milliseconds + 0x80000000LL) + State().clockOffset;
}

void SetThreadClockOffsetForTesting(uint32_t offset) { State().clockOffset = offset; }

void AddThreadRecord(RuntimeThreadImp* record) {
  record->mNext = State().threads;
  State().threads = record;
}

void RetireThreadRecord(RuntimeThreadImp* record) {
  SchedulerState& state = State();
  for (RuntimeThreadImp** link = &state.threads; *link; link = &(*link)->mNext) {
    if (*link != record) continue;
    *link = record->mNext;
    break;
  }
  record->mFinished = 1;
  record->mState = kThreadFinished;
  record->mNext = state.dead;
  state.dead = record;
  if (ThreadRecordCount() == 1) DiscardThreadBackgroundTask();
}

int32_t ThreadRecordCount() {
  int32_t count = 0;
  for (RuntimeThreadImp* r = State().threads; r; r = r->mNext) ++count;
  return count;
}

RuntimeThreadImp* FirstThreadRecord() { return State().threads; }

void SchedulerAddSlots(RuntimeThreadImp* record, int32_t n) {
  for (int32_t i = 0; i < n; ++i) State().slots.InsertAt(0, SchedulerSlot{record, 0});
  if (n > 0) NoteThreadReady();
}

void SchedulerRemoveSlots(RuntimeThreadImp* record, int32_t n) {
  SimpleVector<SchedulerSlot>& slots = State().slots;
  for (uint32_t i = slots.size(); n > 0 && i-- > 0;) {
    if (slots[int32_t(i)].record != record) continue;
    slots.RemoveAt(int32_t(i));
    --n;
  }
}

void SetThreadRecordPriority(RuntimeThreadImp* record, int32_t priority) {
  if (priority > record->mPriority) SchedulerAddSlots(record, priority - record->mPriority);
  if (priority < record->mPriority) SchedulerRemoveSlots(record, record->mPriority - priority);
  record->mPriority = priority;
}

uint32_t MillisecondsUntilNextWake() {
  const uint32_t now = ThreadClockNow();
  uint32_t earliest = 0;
  for (RuntimeThreadImp* r = State().threads; r; r = r->mNext) {
    if (!CanRunSometime(r)) continue;
    if (r->mState == 0) return 0;
    if (!(r->mState & kThreadSleeping)) continue;
    const uint32_t remaining = RemainingSleep(r, now);
    if (remaining == 0) return 0;
    if (earliest == 0 || remaining < earliest) earliest = remaining;
  }
  return earliest;
}

RuntimeThreadImp* ThreadScheduleNext() {
  SchedulerState& state = State();
  for (;;) {
    if (ThreadRecordCount() < 2) {
      RuntimeThreadImp* main = MainThreadRecord();
      // The main thread waiting on a lock alone: no one is left to release it.
      if (main->mSuspendCount != 0) EndDeadlockedProgram();
      SleepUnlessTerminated(int32_t(RemainingSleep(main, ThreadClockNow())));
      main->mState = 0;
      return main;
    }
    bool someoneCanRun = false;
    for (RuntimeThreadImp* r = state.threads; r && !someoneCanRun; r = r->mNext) {
      someoneCanRun = CanRunSometime(r);
    }
    if (!someoneCanRun) EndDeadlockedProgram();
    int32_t readyRan = -1;
    int32_t chosen = ScanSlots(ThreadClockNow(), &readyRan);
    if (chosen < 0) {
      StartNewCycle();
      chosen = readyRan;
    }
    if (chosen >= 0) {
      SchedulerSlot& slot = state.slots[chosen];
      slot.ran = 1;
      slot.record->mState = 0;
      return slot.record;
    }
    const uint32_t wait = MillisecondsUntilNextWake();
    SleepUnlessTerminated(wait > 0 ? int32_t(wait) : 1);
  }
}

void ThreadYield() {
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  if (!QV_CHECK_TEXT(self, "sCurrentThread", nullptr) ||
      !QV_CHECK_TEXT(pthread_equal(pthread_self(), self->mThreadID),
                     "pthread_equal( current, sCurrentThread->mThreadID )", nullptr))
    return;
  PassBatonTo(ThreadScheduleNext());
  self->WaitForTurn();
  if (self->mKilled) RaiseNewException(ThreadEndExceptionDefinition());
  FreeDeadRecords();
}

void HandBatonOnFromEndingThread() { PassBatonTo(ThreadScheduleNext()); }

void WakeThreadRecord(RuntimeThreadImp* record) {
  const uint32_t justBehind = ThreadClockNow() - 1;
  record->mWakeTime = record->mSleepStart = justBehind;
  NoteThreadReady();
}

void SleepThreadRecord(RuntimeThreadImp* record, int32_t milliseconds, bool wakeEarly) {
  const uint32_t now = ThreadClockNow();
  record->mSleepStart = now;
  record->mWakeTime = now + uint32_t(milliseconds > 0 ? milliseconds : 0);
  record->mWakeEarly = wakeEarly ? 1 : 0;
  record->mState |= kThreadSleeping;
  if (record == GetCurrentThreadRecord()) ThreadYield();
}

void SuspendThreadRecord(RuntimeThreadImp* record) {
  ++record->mSuspendCount;
  record->mState |= kThreadSuspended;
  if (record == GetCurrentThreadRecord()) ThreadYield();
}

// A record waiting on a lock holds one suspension for the wait; only the lock ends it.
void ResumeThreadRecord(RuntimeThreadImp* record) {
  const int32_t forTheWait = (record->mState & kThreadWaiting) ? 1 : 0;
  if (record->mSuspendCount > forTheWait) --record->mSuspendCount;
  if (record->mSuspendCount <= forTheWait) record->mState &= ~kThreadSuspended;
  record->mState &= ~kThreadSleeping;
  WakeThreadRecord(record);
}

void ReleaseWaitingRecord(RuntimeThreadImp* record) {
  record->mState &= ~kThreadWaiting;
  if (record->mSuspendCount > 0) --record->mSuspendCount;
  NoteThreadReady();
}

void NoteThreadReady() {
  if (ThreadBackgroundTask* task = State().task) task->KeepLoopAwake();
}

bool IsMainThread() { return GetCurrentThreadRecord() == MainThreadRecord(); }

void EnsureThreadBackgroundTask() {
  if (!State().task) State().task = new ThreadBackgroundTask;
}

extern "C" void YieldToNextThread(RuntimeObject*) { ThreadYield(); }
QV_EXPORT(YieldToNextThread)

extern "C" uintptr_t StackCheckerGetLimit() { return GetCurrentThreadRecord()->mStackLimit; }
QV_EXPORT(StackCheckerGetLimit)

extern "C" void StackCheckerSetLimit(uintptr_t limit) {
  GetCurrentThreadRecord()->mStackLimit = limit;
}
QV_EXPORT(StackCheckerSetLimit)

extern "C" void RuntimeStackCheck() {
  const uintptr_t position = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (uint64_t(position) >= uint64_t(StackCheckerGetLimit()) + kStackCheckMargin) return;
  RaiseNewException(StackOverflowExceptionDefinition());
}
QV_EXPORT(RuntimeStackCheck)

// The main thread keeps the top of its whole stack: frames of start-up lie above the point
// where start-up calls this.
extern "C" void QUORInitStackChecker(int32_t size, uintptr_t top) {
  if (!top) top = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  RuntimeThreadImp* current = GetCurrentThreadRecord();
  const int64_t limit = int64_t(top) - int64_t(size > 0 ? size : 0);
  current->mStackLimit = limit > 0 ? uintptr_t(limit) : 0;
  if (current == MainThreadRecord()) {
    SetThreadRecordPriority(current, kMainThreadPriority);
  } else {
    current->mStackTop = top;
  }
}
QV_EXPORT(QUORInitStackChecker)

namespace {

// A thread that cannot take the toolkit's context yet sleeps briefly, so that the thread that
// holds it can finish its handler.
constexpr int32_t kToolkitContextRetryMs = 10;

void InstallToolkitContextWait() {
  SetToolkitContextWait(
      [] { SleepThreadRecord(GetCurrentThreadRecord(), kToolkitContextRetryMs, false); });
}

}  // namespace

QV_STARTUP(kStartupToolkitContextWait, InstallToolkitContextWait)
