#include "app/ThreadClass.h"

#include <unistd.h>

#include <vector>

#include "app/ClassLibraryHooks.h"
#include "app/ThreadLocks.h"
#include "app/ThreadScheduler.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

constexpr int32_t kDefaultStackSize = 65536;
constexpr int32_t kDefaultPriority = 5;

ObjectHook* gRunHook;

const PropertyRow kThreadProperties[] = {
    QV_PROPERTY("StackSize", Integer, ThreadGetStackSize, ThreadSetStackSize),
    QV_READONLY("ThreadID", Integer, ThreadGetID),
    QV_PROPERTY("Priority", Integer, ThreadGetPriority, ThreadSetPriority),
    QV_READONLY("State", Integer, ThreadGetState),
};
const MethodRow kThreadMethods[] = {
    QV_SUB("Run", threadRun),
    QV_SUB("Suspend", ThreadSuspend),
    QV_SUB("Resume", ThreadResume),
    QV_SUB("Sleep", ThreadSleep, Param("milliseconds", Integer),
           Param("wakeEarly", Boolean).Default(0)),
    QV_SUB("Kill", ThreadKill),
};
const EventRow kThreadEvents[] = {QV_EVENT("Run", &gRunHook)};

ThreadObject* AsThread(RuntimeObject* object) { return reinterpret_cast<ThreadObject*>(object); }

int32_t StackSizeOf(const ThreadObject* thread) {
  return thread->stackSize < 1 ? kDefaultStackSize : thread->stackSize;
}

// The record of a running thread, or nil (a nil object is a failed check).
RuntimeThreadImp* RunningRecord(RuntimeObject* thread) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr)) return nullptr;
  return AsThread(thread)->imp;
}

// Raises Run on the thread's own POSIX thread, which holds the baton, then takes the thread
// apart: nothing it owned or queued for outlives it.
void RunThreadRecord(RuntimeThreadImp* record) {
  RuntimeObject* object = record->mObject;
  ThreadObject* thread = AsThread(object);
  const auto top = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  QUORInitStackChecker(StackSizeOf(thread), top);
  void* handler = LookupEventHandler(object, gRunHook);
  if (handler && !record->mKilled) {
    EnsureThreadBackgroundTask();
    CompiledCall call;
    call.Protect(object);
    call.Invoke(handler, object);
  }
  ReleaseLocksOwnedBy(record);
  SchedulerRemoveSlots(record, record->mPriority);
  record->mPriority = 0;
  thread->imp = nullptr;
  record->mObject = nullptr;
  RetireThreadRecord(record);
  RuntimeUnlockObject(object);
}

void* ThreadEntry(void* argument) {
  auto* record = static_cast<RuntimeThreadImp*>(argument);
  pthread_mutex_lock(RunBaton());
  record->WaitForTurn();
  RunThreadRecord(record);
  HandBatonOnFromEndingThread();
  pthread_mutex_unlock(RunBaton());
  return nullptr;
}

// Detached, so that nothing of the thread is left once it ends; its stack is StackSize plus
// the reserve, so the stack check fires well before the real end.
int StartPosixThread(RuntimeThreadImp* record, int32_t stackSize) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  const long page = sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096;
  const uint64_t wanted = uint64_t(stackSize) + kThreadStackReserve;
  pthread_attr_setstacksize(&attributes, size_t((wanted + page - 1) / page * page));
  const int err = pthread_create(&record->mThreadID, &attributes, ThreadEntry, record);
  pthread_attr_destroy(&attributes);
  return err;
}

// A record that never got its POSIX thread leaves no trace.
void AbandonRecord(ThreadObject* thread, RuntimeThreadImp* record) {
  SchedulerRemoveSlots(record, record->mPriority);
  record->mPriority = 0;
  thread->imp = nullptr;
  record->mObject = nullptr;
  RetireThreadRecord(record);
  RuntimeUnlockObject(&thread->header);
}

void SleepCurrentThread(int32_t milliseconds) {
  SleepThreadRecord(GetCurrentThreadRecord(), milliseconds, false);
}

void InstallThreadSchedulerHooks() {
  SetThreadSchedulerHooks({.onMainThread = IsMainThread,
                           .yieldToNextThread = ThreadYield,
                           .killAllThreads = KillAllThreads,
                           .sleepCurrentThread = SleepCurrentThread});
}

}  // namespace

QV_CLASS(ThreadClassDefinition,
         .name = "Thread",
         .objectSize = sizeof(ThreadObject),
         .properties = kThreadProperties,
         .methods = kThreadMethods,
         .events = kThreadEvents,
         .initializer = QV_CODE(ThreadInitializer))
QV_STARTUP_CLASS(kStartupThreadClass, ThreadClassDefinition)
QV_STARTUP(kStartupThreadSchedulerHooks, InstallThreadSchedulerHooks)

extern "C" void ThreadInitializer(RuntimeObject* thread) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr)) return;
  AsThread(thread)->priority = kDefaultPriority;
}
QV_EXPORT(ThreadInitializer)

extern "C" void threadRun(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "thread", nullptr)) return;
  ThreadObject* thread = AsThread(object);
  if (thread->imp) {
    RaiseNewExceptionWithMessage(ThreadAlreadyRunningExceptionDefinition(),
                                 string("You cannot call Run on a thread that is already running.")
                                     .Storage(),
                                 0);
    return;
  }
  WakeThreadRecord(GetCurrentThreadRecord());
  auto* record = new RuntimeThreadImp(0);
  AddThreadRecord(record);
  thread->imp = record;
  record->mObject = object;
  SetThreadRecordPriority(record, thread->priority < 1 ? 1 : thread->priority);
  RuntimeLockObject(object);
  const int err = StartPosixThread(record, StackSizeOf(thread));
  if (!QV_CHECK_TEXT(err == 0, "0 == err", nullptr)) {
    AbandonRecord(thread, record);
    return;
  }
  ThreadYield();
}
QV_EXPORT(threadRun)

extern "C" void ThreadSuspend(RuntimeObject* thread) {
  if (RuntimeThreadImp* record = RunningRecord(thread)) SuspendThreadRecord(record);
}
QV_EXPORT(ThreadSuspend)

extern "C" void ThreadResume(RuntimeObject* thread) {
  if (RuntimeThreadImp* record = RunningRecord(thread)) ResumeThreadRecord(record);
}
QV_EXPORT(ThreadResume)

extern "C" void ThreadSleep(RuntimeObject* thread, int32_t milliseconds, int32_t wakeEarly) {
  if (RuntimeThreadImp* record = RunningRecord(thread)) {
    SleepThreadRecord(record, milliseconds, wakeEarly != 0);
  }
}
QV_EXPORT(ThreadSleep)

// Another thread ends at its next turn, when its yield raises ThreadEndException; the caller
// yields until it has ended (or the caller is killed itself).
extern "C" void ThreadKill(RuntimeObject* object) {
  RuntimeThreadImp* record = RunningRecord(object);
  if (!record) return;
  record->mSuspendCount = 0;
  WakeThreadRecord(record);
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  if (record == self) {
    RaiseNewException(ThreadEndExceptionDefinition());
    return;
  }
  record->mKilled = 1;
  ResumeThreadRecord(record);
  RuntimeLockObject(object);
  while (AsThread(object)->imp == record && !self->mKilled) ThreadYield();
  RuntimeUnlockObject(object);
}
QV_EXPORT(ThreadKill)

extern "C" int32_t ThreadGetStackSize(RuntimeObject* thread, uint32_t) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr)) return 0;
  return StackSizeOf(AsThread(thread));
}
QV_EXPORT(ThreadGetStackSize)

extern "C" void ThreadSetStackSize(RuntimeObject* thread, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr)) return;
  if (AsThread(thread)->imp) {
    RaiseNewException(ThreadAlreadyRunningExceptionDefinition());
    return;
  }
  AsThread(thread)->stackSize = value < 1 ? kDefaultStackSize : value;
}
QV_EXPORT(ThreadSetStackSize)

extern "C" int32_t ThreadGetID(RuntimeObject* thread, uint32_t) {
  return int32_t(reinterpret_cast<uintptr_t>(RunningRecord(thread)));
}
QV_EXPORT(ThreadGetID)

extern "C" int32_t ThreadGetPriority(RuntimeObject* thread, uint32_t) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr)) return 0;
  return AsThread(thread)->priority;
}
QV_EXPORT(ThreadGetPriority)

extern "C" void ThreadSetPriority(RuntimeObject* thread, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(thread, "thread", nullptr) || value < 1) return;
  AsThread(thread)->priority = value;
  if (RuntimeThreadImp* record = AsThread(thread)->imp) SetThreadRecordPriority(record, value);
}
QV_EXPORT(ThreadSetPriority)

extern "C" int32_t ThreadGetState(RuntimeObject* thread, uint32_t) {
  const RuntimeThreadImp* record = RunningRecord(thread);
  if (!record) return 4;
  const uint32_t state = record->mState;
  if (state == 0) return 0;
  if (state & kThreadWaiting) return 1;
  if (state & kThreadSuspended) return 2;
  if (state & kThreadSleeping) return 3;
  return 4;
}
QV_EXPORT(ThreadGetState)

extern "C" RuntimeObject* QUORGetCurrentThread(RuntimeObject*) {
  RuntimeObject* object = GetCurrentThreadRecord()->mObject;
  RuntimeLockObject(object);
  return object;
}
QV_EXPORT(QUORGetCurrentThread)

void KillAllThreads() {
  const RuntimeThreadImp* self = GetCurrentThreadRecord();
  std::vector<RuntimeObject*> others;
  for (RuntimeThreadImp* r = FirstThreadRecord(); r; r = r->mNext) {
    if (r == self || !r->mObject) continue;
    RuntimeLockObject(r->mObject);
    others.push_back(r->mObject);
  }
  for (RuntimeObject* object : others) {
    if (!self->mKilled) ThreadKill(object);
    RuntimeUnlockObject(object);
  }
}

namespace {

// The debugger's view: threads with a Thread object whose Run has not ended.
RuntimeThreadImp* DebuggerVisibleRecord(int32_t index) {
  for (RuntimeThreadImp* r = FirstThreadRecord(); r; r = r->mNext) {
    if (r->mFinished || !r->mObject) continue;
    if (index-- == 0) return r;
  }
  return nullptr;
}

}  // namespace

extern "C" int32_t DebuggerThreadCount() {
  int32_t count = 0;
  while (DebuggerVisibleRecord(count)) ++count;
  return count;
}
QV_EXPORT(DebuggerThreadCount)

extern "C" RuntimeObject* DebuggerThreadLookup(int32_t index) {
  const RuntimeThreadImp* record = index >= 0 ? DebuggerVisibleRecord(index) : nullptr;
  if (!record) return nullptr;
  RuntimeLockObject(record->mObject);
  return record->mObject;
}
QV_EXPORT(DebuggerThreadLookup)
