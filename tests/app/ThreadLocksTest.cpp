// Semaphore and CriticalSection between language threads: counts, re-entry, the exceptions,
// waiters and owners that are killed or end, and the hand-over that lets no third thread slip
// in between a release and the woken waiter.
#include <string>

#include "ThreadTestSupport.h"
#include "app/ThreadLocks.h"

namespace {

using qvtest::MainWaitsForThreads;
using qvtest::MainWaitsUntil;
using qvtest::ThreadRaises;

std::string gLog;
RuntimeObject* gLock = nullptr;  // the semaphore or critical section the threads use

class ThreadLocks : public qvtest::LanguageThreadTest {
 protected:
  void SetUp() override {
    LanguageThreadTest::SetUp();
    gLog.clear();
  }
  void TearDown() override {
    LanguageThreadTest::TearDown();
    RuntimeUnlockObject(gLock);
    gLock = nullptr;
  }
  static SemaphoreObject* Semaphore() { return reinterpret_cast<SemaphoreObject*>(gLock); }
  static OwnedLockObject* Section() { return reinterpret_cast<OwnedLockObject*>(gLock); }
  static void Start(RuntimeObject* thread) { qvtest::RunUntilItStops(thread); }
};

void SignalThenLog(RuntimeObject*) {
  Semaphore_Signal(gLock);
  gLog += ThreadRaises::Raised() ? ThreadRaises::OnCurrentThread() + " " : "in ";
}

// Two Signals pass, the third waits until a Release; a Release beyond the initial count raises
// and leaves the count where it was.
TEST_F(ThreadLocks, SemaphoreOfTwo) {
  gLock = NewObjectFromDefinition(SemaphoreClassDefinition());
  Semaphore_Constructor(gLock, 2);
  Semaphore_Signal(gLock);
  Semaphore_Signal(gLock);
  RuntimeObject* third = qvtest::NewThread(SignalThenLog);
  Start(third);
  EXPECT_EQ(ThreadGetState(third, 0), 1);
  EXPECT_EQ(gLog, "");
  semaphore_release(gLock);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "in ");
  semaphore_release(gLock);
  semaphore_release(gLock);
  EXPECT_EQ(mRaises.All().size(), 0u);
  semaphore_release(gLock);
  EXPECT_EQ(mRaises.All(),
            std::vector<std::string>{
                "IllegalLockingException: Called Semaphore.Release too many times."});
  EXPECT_EQ(Semaphore()->count, 2);
  EXPECT_EQ(Semaphore_TrySignal(gLock), 1);
  EXPECT_EQ(Semaphore_TrySignal(gLock), 1);
  EXPECT_EQ(Semaphore_TrySignal(gLock), 0);
  EXPECT_EQ(Semaphore()->count, 0);
  RuntimeUnlockObject(third);
}

TEST_F(ThreadLocks, SemaphoreConstructedWithZeroRaisesErrorNumberOne) {
  gLock = NewObjectFromDefinition(SemaphoreClassDefinition());
  Semaphore_Constructor(gLock, 0);
  EXPECT_EQ(mRaises.All(),
            std::vector<std::string>{
                "IllegalLockingException: Illegal initialCount for the Semaphore. [1]"});
  EXPECT_EQ(Semaphore()->count, 1);
}

// A waiter killed while it waits leaves the queue and its debt goes: the count is whole again.
TEST_F(ThreadLocks, AKilledSemaphoreWaiterGivesItsUnitBack) {
  gLock = NewObjectFromDefinition(SemaphoreClassDefinition());
  Semaphore_Signal(gLock);
  RuntimeObject* first = qvtest::NewThread(SignalThenLog);
  RuntimeObject* second = qvtest::NewThread(SignalThenLog);
  Start(first);
  Start(second);
  EXPECT_EQ(Semaphore()->count, -2);
  ThreadKill(first);
  EXPECT_EQ(gLog, "ThreadEndException ");
  EXPECT_EQ(Semaphore()->count, -1);
  EXPECT_EQ(Semaphore()->queue->size(), 1u);
  semaphore_release(gLock);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "ThreadEndException in ");
  semaphore_release(gLock);
  EXPECT_EQ(Semaphore()->count, 1);
  EXPECT_TRUE(Semaphore()->queue->empty());
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
}

void EnterThenLog(RuntimeObject*) {
  criticalsection_enter(gLock);
  if (ThreadRaises::Raised()) {
    gLog += ThreadRaises::OnCurrentThread() + " ";
    return;
  }
  gLog += "in ";
  criticalsection_leave(gLock);
}

TEST_F(ThreadLocks, ACriticalSectionEnteredTwiceNeedsTwoLeaves) {
  gLock = NewObjectFromDefinition(CriticalSectionClassDefinition());
  criticalsection_enter(gLock);
  EXPECT_EQ(CriticalSection_TryEnter(gLock), 1);
  EXPECT_EQ(Section()->lockCount, 2);
  RuntimeObject* other = qvtest::NewThread(EnterThenLog);
  Start(other);
  criticalsection_leave(gLock);
  MainWaitsUntil([] { return false; }, 50);
  EXPECT_EQ(gLog, "");
  EXPECT_EQ(ThreadGetState(other, 0), 1);
  criticalsection_leave(gLock);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "in ");
  EXPECT_EQ(Section()->owner, nullptr);
  EXPECT_EQ(Section()->lockCount, 0);
  RuntimeUnlockObject(other);
}

void EnterAndKeep(RuntimeObject* self) {
  criticalsection_enter(gLock);
  gLog += "owner in ";
  ThreadSleep(self, 60000, 0);
}

// Leave by another thread raises (error number 2) and changes nothing; the owner's Run then
// ends (killed) still owning it: the lock goes to the next waiter.
TEST_F(ThreadLocks, LeaveByAnotherThreadRaisesAndAnEndingOwnerGivesTheSectionUp) {
  gLock = NewObjectFromDefinition(CriticalSectionClassDefinition());
  RuntimeObject* owner = qvtest::NewThread(EnterAndKeep);
  RuntimeObject* waiter = qvtest::NewThread(EnterThenLog);
  Start(owner);
  Start(waiter);
  criticalsection_leave(gLock);
  EXPECT_EQ(mRaises.All(),
            std::vector<std::string>{"IllegalLockingException: The thread which Entered the "
                                     "CriticalSection must be the thread to Leave the "
                                     "CriticalSection [2]"});
  EXPECT_EQ(Section()->lockCount, 1);
  EXPECT_EQ(Section()->owner, qvtest::RecordOf(owner));
  ThreadKill(owner);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "owner in in ");
  EXPECT_EQ(Section()->owner, nullptr);
  EXPECT_TRUE(Section()->queue->empty());
  RuntimeUnlockObject(owner);
  RuntimeUnlockObject(waiter);
}

TEST_F(ThreadLocks, AKilledWaiterLeavesTheQueueAndTheNextOneGetsIn) {
  gLock = NewObjectFromDefinition(CriticalSectionClassDefinition());
  criticalsection_enter(gLock);
  RuntimeObject* first = qvtest::NewThread(EnterThenLog);
  RuntimeObject* second = qvtest::NewThread(EnterThenLog);
  Start(first);
  Start(second);
  ThreadKill(first);
  EXPECT_EQ(gLog, "ThreadEndException ");
  EXPECT_EQ(Section()->queue->size(), 1u);
  criticalsection_leave(gLock);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "ThreadEndException in ");
  EXPECT_EQ(Section()->owner, nullptr);
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
}

// Resume ends a suspension, never the wait for a lock: the waiter would go on holding nothing.
TEST_F(ThreadLocks, ResumeDoesNotEndAWaitForALock) {
  gLock = NewObjectFromDefinition(CriticalSectionClassDefinition());
  criticalsection_enter(gLock);
  RuntimeObject* waiter = qvtest::NewThread(EnterThenLog);
  Start(waiter);
  ThreadResume(waiter);
  MainWaitsUntil([] { return false; }, 50);
  EXPECT_EQ(ThreadGetState(waiter, 0), 1);
  EXPECT_EQ(gLog, "");
  criticalsection_leave(gLock);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "in ");
  RuntimeUnlockObject(waiter);
}

// The waiter is also suspended, so the Leave cannot run it at once: the section is already its
// own, and a TryEnter meanwhile fails instead of making a second owner.
TEST_F(ThreadLocks, ALeaveHandsTheSectionToTheFirstWaiter) {
  gLock = NewObjectFromDefinition(CriticalSectionClassDefinition());
  criticalsection_enter(gLock);
  RuntimeObject* waiter = qvtest::NewThread(EnterThenLog);
  Start(waiter);
  ThreadSuspend(waiter);
  criticalsection_leave(gLock);
  EXPECT_EQ(Section()->owner, qvtest::RecordOf(waiter));
  EXPECT_EQ(CriticalSection_TryEnter(gLock), 0);
  EXPECT_EQ(gLog, "");
  ThreadResume(waiter);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "in ");
  RuntimeUnlockObject(waiter);
}

}  // namespace
