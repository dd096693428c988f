#include "app/ThreadLocks.h"

#include "app/ThreadScheduler.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const MethodRow kSemaphoreMethods[] = {
    QV_SUB("Constructor", Semaphore_Constructor, Param("initialCount", Integer).Default(1)),
    QV_SUB("Signal", Semaphore_Signal),
    QV_FUNCTION("TrySignal", Boolean, Semaphore_TrySignal),
    QV_SUB("Release", semaphore_release),
};
const MethodRow kCriticalSectionMethods[] = {
    QV_SUB("Enter", criticalsection_enter),
    QV_FUNCTION("TryEnter", Boolean, CriticalSection_TryEnter),
    QV_SUB("Leave", criticalsection_leave),
};

// The locks some thread owns, with what each does when it becomes free.
struct OwnedLock {
  OwnedLockObject* lock;
  LockFreedFunction whenFree;
  bool operator==(const OwnedLock& other) const { return lock == other.lock; }
};

SimpleVector<OwnedLock>& OwnedLocks() {
  static SimpleVector<OwnedLock> locks(0);
  return locks;
}

bool Queued(const WaitQueue* queue, const RuntimeThreadImp* record) {
  for (uint32_t i = 0; i < queue->size(); ++i) {
    if ((*queue)[int32_t(i)] == record) return true;
  }
  return false;
}

SemaphoreObject* AsSemaphore(RuntimeObject* object) {
  return reinterpret_cast<SemaphoreObject*>(object);
}
OwnedLockObject* AsOwnedLock(RuntimeObject* object) {
  return reinterpret_cast<OwnedLockObject*>(object);
}

// A unit comes back: a waiter, if any, gets it at once.
RuntimeThreadImp* ReturnUnit(SemaphoreObject* semaphore) {
  ++semaphore->count;
  return semaphore->count <= semaphore->initialCount ? WakeFirstWaiter(semaphore->queue)
                                                      : nullptr;
}

}  // namespace

QV_CLASS(SemaphoreClassDefinition,
         .name = "Semaphore",
         .objectSize = sizeof(SemaphoreObject),
         .methods = kSemaphoreMethods,
         .initializer = QV_CODE(SemaphoreInitializer),
         .finalizer = QV_CODE(SemaphoreFinalizer))
QV_CLASS(CriticalSectionClassDefinition,
         .name = "CriticalSection",
         .objectSize = sizeof(OwnedLockObject),
         .methods = kCriticalSectionMethods,
         .initializer = QV_CODE(CriticalSectionInitializer),
         .finalizer = QV_CODE(CriticalSectionFinalizer))
QV_STARTUP_CLASS(kStartupSemaphoreClass, SemaphoreClassDefinition)
QV_STARTUP_CLASS(kStartupCriticalSectionClass, CriticalSectionClassDefinition)

// ---- The shared mechanism -----------------------------------------------------------------

bool WaitOnQueue(WaitQueue* queue) {
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  queue->Append(self);
  self->mState |= kThreadWaiting;
  ++self->mSuspendCount;
  ThreadYield();
  self->mState &= ~kThreadWaiting;
  if (!Queued(queue, self)) return true;
  queue->RemoveLast(self);  // only a kill lets a queued record run
  return false;
}

RuntimeThreadImp* WakeFirstWaiter(WaitQueue* queue) {
  if (!queue || queue->empty()) return nullptr;
  RuntimeThreadImp* first = (*queue)[0];
  queue->RemoveAt(0);
  ReleaseWaitingRecord(first);
  return first;
}

void TakeOwnership(OwnedLockObject* lock, LockFreedFunction whenFree) {
  lock->owner = GetCurrentThreadRecord();
  lock->lockCount = 1;
  OwnedLocks().Append(OwnedLock{lock, whenFree});
}

RuntimeThreadImp* GiveUpOwnership(OwnedLockObject* lock) {
  if (RuntimeThreadImp* next = WakeFirstWaiter(lock->queue)) {
    lock->owner = next;
    lock->lockCount = 1;
    return next;
  }
  lock->owner = nullptr;
  lock->lockCount = 0;
  SimpleVector<OwnedLock>& owned = OwnedLocks();
  for (uint32_t i = owned.size(); i-- > 0;) {
    if (owned[int32_t(i)].lock != lock) continue;
    const LockFreedFunction whenFree = owned[int32_t(i)].whenFree;
    owned.RemoveAt(int32_t(i));
    if (whenFree) whenFree(lock);
  }
  return nullptr;
}

bool WaitForOwnership(OwnedLockObject* lock) {
  const bool handedOver = WaitOnQueue(lock->queue);
  if (!GetCurrentThreadRecord()->mKilled) return true;
  if (handedOver) GiveUpOwnership(lock);
  return false;
}

void InitOwnedLock(OwnedLockObject* lock) {
  lock->lockCount = 0;
  lock->owner = nullptr;
  lock->queue = new WaitQueue(0);
}

void FinishOwnedLock(OwnedLockObject* lock) {
  OwnedLocks().RemoveAll(OwnedLock{lock, nullptr});
  lock->owner = nullptr;
  lock->lockCount = 0;
  delete lock->queue;
  lock->queue = nullptr;
}

void ReleaseLocksOwnedBy(RuntimeThreadImp* record) {
  const SimpleVector<OwnedLock> owned = OwnedLocks();  // giving up changes the list
  for (uint32_t i = 0; i < owned.size(); ++i) {
    OwnedLockObject* lock = owned[int32_t(i)].lock;
    if (lock->owner == record) GiveUpOwnership(lock);
  }
}

void RaiseIllegalLocking(const char* message, int32_t errorNumber) {
  RaiseNewExceptionWithMessage(IllegalLockingExceptionDefinition(), string(message).Storage(),
                               errorNumber);
}

// ---- Semaphore ------------------------------------------------------------------------------

extern "C" void SemaphoreInitializer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return;
  SemaphoreObject* semaphore = AsSemaphore(object);
  semaphore->initialCount = semaphore->count = 1;
  semaphore->queue = new WaitQueue(0);
}
QV_EXPORT(SemaphoreInitializer)

extern "C" void SemaphoreFinalizer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return;
  delete AsSemaphore(object)->queue;
  AsSemaphore(object)->queue = nullptr;
}
QV_EXPORT(SemaphoreFinalizer)

extern "C" void Semaphore_Constructor(RuntimeObject* object, int32_t initialCount) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return;
  if (initialCount < 1) {
    RaiseIllegalLocking("Illegal initialCount for the Semaphore.", 1);
    return;
  }
  AsSemaphore(object)->initialCount = AsSemaphore(object)->count = initialCount;
}
QV_EXPORT(Semaphore_Constructor)

extern "C" void Semaphore_Signal(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return;
  SemaphoreObject* semaphore = AsSemaphore(object);
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  RuntimeLockObject(object);
  if (--semaphore->count >= 0) {
    self->mState &= ~kThreadWaiting;
  } else if (!WaitOnQueue(semaphore->queue)) {
    ++semaphore->count;  // killed while owed a unit: the debt goes
  } else if (self->mKilled) {
    ReturnUnit(semaphore);  // killed right after getting one
  }
  RuntimeUnlockObject(object);
}
QV_EXPORT(Semaphore_Signal)

extern "C" int32_t Semaphore_TrySignal(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return 0;
  SemaphoreObject* semaphore = AsSemaphore(object);
  if (semaphore->count - 1 < 0) return 0;
  --semaphore->count;
  return 1;
}
QV_EXPORT(Semaphore_TrySignal)

extern "C" void semaphore_release(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "semaphore", nullptr)) return;
  SemaphoreObject* semaphore = AsSemaphore(object);
  if (semaphore->count + 1 > semaphore->initialCount) {
    semaphore->count = semaphore->initialCount;
    RaiseIllegalLocking("Called Semaphore.Release too many times.", 0);
    return;
  }
  if (ReturnUnit(semaphore)) ThreadYield();
}
QV_EXPORT(semaphore_release)

// ---- CriticalSection --------------------------------------------------------------------------

extern "C" void CriticalSectionInitializer(RuntimeObject* object) {
  if (QV_CHECK_TEXT(object, "section", nullptr)) InitOwnedLock(AsOwnedLock(object));
}
QV_EXPORT(CriticalSectionInitializer)

extern "C" void CriticalSectionFinalizer(RuntimeObject* object) {
  if (QV_CHECK_TEXT(object, "section", nullptr)) FinishOwnedLock(AsOwnedLock(object));
}
QV_EXPORT(CriticalSectionFinalizer)

extern "C" void criticalsection_enter(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "section", nullptr)) return;
  OwnedLockObject* section = AsOwnedLock(object);
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  RuntimeLockObject(object);
  if (section->lockCount == 0) {
    TakeOwnership(section, nullptr);
  } else if (section->owner == self) {
    ++section->lockCount;
  } else {
    WaitForOwnership(section);
  }
  RuntimeUnlockObject(object);
}
QV_EXPORT(criticalsection_enter)

extern "C" int32_t CriticalSection_TryEnter(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "section", nullptr)) return 0;
  OwnedLockObject* section = AsOwnedLock(object);
  if (section->lockCount == 0) {
    TakeOwnership(section, nullptr);
    return 1;
  }
  if (section->owner != GetCurrentThreadRecord()) return 0;
  ++section->lockCount;
  return 1;
}
QV_EXPORT(CriticalSection_TryEnter)

extern "C" void criticalsection_leave(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "section", nullptr)) return;
  OwnedLockObject* section = AsOwnedLock(object);
  if (section->owner != GetCurrentThreadRecord()) {
    RaiseIllegalLocking(
        "The thread which Entered the CriticalSection must be the thread to Leave the "
        "CriticalSection",
        2);
    return;
  }
  if (section->lockCount > 1) {
    --section->lockCount;
    return;
  }
  if (!QV_CHECK_TEXT(section->lockCount == 1, "0", nullptr)) return;
  if (GiveUpOwnership(section)) ThreadYield();
}
QV_EXPORT(criticalsection_leave)
