// Semaphore, CriticalSection and Mutex: language threads waiting for each other. No POSIX
// thread ever blocks on them: a thread that has to wait puts its record at the end of the
// object's wait queue, counts as suspended and yields; a release takes the first record off
// the queue and lets it go on, having already made room for it (a Semaphore unit, or the
// ownership of a CriticalSection or Mutex, handed straight to it), so a woken thread never
// competes again and no third thread can slip in between.
//
// A thread killed while it waits leaves the queue (a Semaphore waiter gives its unit back, an
// owner-to-be passes the ownership on). A thread whose Run ends, returned or killed, while it
// owns a CriticalSection or Mutex gives it up as Leaves down to count 0 would. So no queue or
// owner ever names a freed record.
//
// Everything runs under the run baton; the objects need no lock of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/ObjectDefinition.h"
#include "core/RuntimeThread.h"
#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

class FolderItemImp;

// Thread records waiting on one object, first in, first out.
using WaitQueue = SimpleVector<RuntimeThreadImp*>;

struct SemaphoreObject {
  RuntimeObject header;
  int32_t initialCount;
  int32_t count;  // negative: one unit owed to each waiter
  WaitQueue* queue;
};
static_assert(sizeof(SemaphoreObject) == 36 && offsetof(SemaphoreObject, count) == 28,
              "Semaphore objects are read by compiled code");

// The fields CriticalSection and Mutex share: a lock that one thread owns, re-entrantly.
struct OwnedLockObject {
  RuntimeObject header;
  int32_t lockCount;  // nested acquisitions; 0 exactly when there is no owner
  RuntimeThreadImp* owner;
  WaitQueue* queue;
};
static_assert(sizeof(OwnedLockObject) == 36 && offsetof(OwnedLockObject, owner) == 28,
              "CriticalSection objects are read by compiled code");

struct MutexObject {
  OwnedLockObject lock;
  FolderItemImp* lockFile;  // in the temporary folder; nil when it could not be made
  int32_t lockDescriptor;   // holds the file's flock while lockCount > 0; -1 otherwise
};
static_assert(sizeof(MutexObject) == 44, "Mutex objects are read by compiled code");

ObjectDefinition* SemaphoreClassDefinition();
ObjectDefinition* CriticalSectionClassDefinition();
ObjectDefinition* MutexClassDefinition();

// ---- The mechanism the three classes share ---------------------------------------------------

// Puts the current record at the end of queue and yields until a release or a kill lets it go
// on. True when a release took it off the queue; false when a kill ended the wait (the record
// has then left the queue).
bool WaitOnQueue(WaitQueue* queue);
// Takes the first record off queue and lets it go on; nil when the queue is empty.
RuntimeThreadImp* WakeFirstWaiter(WaitQueue* queue);

// Called when an owned lock becomes free (the Mutex drops its file lock).
using LockFreedFunction = void (*)(OwnedLockObject* lock);
// The current record owns the free lock, with count 1.
void TakeOwnership(OwnedLockObject* lock, LockFreedFunction whenFree);
// At count 0: the first waiter becomes the owner (count 1) and may go on; without one the lock
// is free. Answers the new owner, or nil.
RuntimeThreadImp* GiveUpOwnership(OwnedLockObject* lock);
// Enter's wait for a lock another thread owns: true when it was handed to the current thread,
// false after a kill (the current thread then owns nothing of it).
bool WaitForOwnership(OwnedLockObject* lock);
// An owned lock's initializer: free, with an empty queue. Its finalizer: owned by no one any
// more, the queue freed.
void InitOwnedLock(OwnedLockObject* lock);
void FinishOwnedLock(OwnedLockObject* lock);
// The end of a thread's Run: every lock the record still owns is given up.
void ReleaseLocksOwnedBy(RuntimeThreadImp* record);

// Raises IllegalLockingException with message and errorNumber.
void RaiseIllegalLocking(const char* message, int32_t errorNumber);

extern "C" {
void SemaphoreInitializer(RuntimeObject* semaphore);
void SemaphoreFinalizer(RuntimeObject* semaphore);
void Semaphore_Constructor(RuntimeObject* semaphore, int32_t initialCount);
void Semaphore_Signal(RuntimeObject* semaphore);
int32_t Semaphore_TrySignal(RuntimeObject* semaphore);
void semaphore_release(RuntimeObject* semaphore);

void CriticalSectionInitializer(RuntimeObject* section);
void CriticalSectionFinalizer(RuntimeObject* section);
void criticalsection_enter(RuntimeObject* section);
int32_t CriticalSection_TryEnter(RuntimeObject* section);
void criticalsection_leave(RuntimeObject* section);

void MutexInitializer(RuntimeObject* mutex);
void MutexFinalizer(RuntimeObject* mutex);
void MutexContructor(RuntimeObject* mutex, stringStorage* name);
void MutexLock(RuntimeObject* mutex);
int32_t MutexTryLock(RuntimeObject* mutex);
void MutexUnlock(RuntimeObject* mutex);
}

// The name of a Mutex's lock file: "/" becomes "%2F", and the names "." and ".." become
// "%2E" and "%2E%2E", so the file always lies inside the folder where lock files are met.
std::string MutexLockFileName(const std::string& name);
// Called with the lock file's path between opening it and locking it (tests race the file's
// replacement there); nil for none.
void SetMutexLockSeamForTesting(void (*seam)(const char* path));
