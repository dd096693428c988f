// The thread scheduler with real POSIX threads: turns by priority, sleeps (wake early, across
// the clock's wrap), Kill, Run on a running thread, the deadlock's end, the stack check, what a
// sleeping thread costs and what ten thousand threads leave behind.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "ThreadTestSupport.h"
#include "app/ClassLibraryHooks.h"
#include "app/MainLoop.h"
#include "app/ThreadLocks.h"
#include "core/RaiseException.h"
#include "support/ChildLimits.h"
#include "support/Watchdog.h"

namespace {

using qvtest::MainWaitsForThreads;
using qvtest::NowMs;
using qvtest::ThreadRaises;

std::string gLog;
int gTurns = 0;

class ThreadScheduler : public qvtest::LanguageThreadTest {
 protected:
  void SetUp() override {
    LanguageThreadTest::SetUp();
    gLog.clear();
    gTurns = 0;
  }
  void TearDown() override {
    LanguageThreadTest::TearDown();
    SetThreadClockOffsetForTesting(0);
  }
};

// Each turn logs the thread's letter, then yields.
void TakeTurns(char letter, int turns) {
  for (int i = 0; i < turns; ++i) {
    gLog += letter;
    ThreadYield();
  }
}
void RunFiveTimesMore(RuntimeObject*) { TakeTurns('A', 60); }
void RunOnce(RuntimeObject*) { TakeTurns('B', 12); }

// The main thread takes its five turns a cycle too (M). Once both threads run, every cycle holds
// one B, five A and five M.
TEST_F(ThreadScheduler, PrioritiesFiveAndOneGiveFiveTurnsToOnePerCycle) {
  RuntimeObject* five = qvtest::NewThread(RunFiveTimesMore, 5);
  RuntimeObject* one = qvtest::NewThread(RunOnce, 1);
  threadRun(five);
  threadRun(one);
  while (ThreadRecordCount() > 1) {
    gLog += 'M';
    ThreadYield();
  }
  // From the second B (the first cycle is under way when B starts) to the eleventh.
  std::vector<size_t> bs;
  for (size_t at = gLog.find('B'); at != std::string::npos; at = gLog.find('B', at + 1)) {
    bs.push_back(at);
  }
  ASSERT_GE(bs.size(), 11u) << gLog;
  const std::string cycles = gLog.substr(bs[1] + 1, bs[10] - bs[1]);  // nine whole cycles
  EXPECT_EQ(std::count(cycles.begin(), cycles.end(), 'A'), 45) << gLog;
  EXPECT_EQ(std::count(cycles.begin(), cycles.end(), 'M'), 45) << gLog;
  RuntimeUnlockObject(five);
  RuntimeUnlockObject(one);
}

// Long enough that no loaded machine reaches its end before the next cycle wakes it early.
constexpr uint32_t kEarlySleepMs = 10000;
uint32_t gSleptMs = 0;
void SleepWakingEarly(RuntimeObject* self) {
  const uint32_t start = ThreadClockNow();
  ThreadSleep(self, kEarlySleepMs, 1);
  gSleptMs = ThreadClockNow() - start;
  gLog += "W";
}
void KeepsBusy(RuntimeObject*) { TakeTurns('R', 20); }

// The sleeper's slots come first (the newest thread's); at the next cycle its wake-early slot
// beats the ready thread's.
TEST_F(ThreadScheduler, AWakeEarlySleeperAheadOfAReadyThreadIsChosenBeforeItsTime) {
  RuntimeObject* busy = qvtest::NewThread(KeepsBusy, 1);
  RuntimeObject* sleeper = qvtest::NewThread(SleepWakingEarly, 1);
  threadRun(busy);
  threadRun(sleeper);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_LT(gSleptMs, kEarlySleepMs);
  EXPECT_LT(gLog.find('W'), gLog.rfind('R')) << gLog;
  RuntimeUnlockObject(busy);
  RuntimeUnlockObject(sleeper);
}

// Far longer than the kill may take, whatever the slow-run factor.
void SleepLong(RuntimeObject* self) {
  ThreadSleep(self, qvtest::TimeLimit(60000), 0);
  gLog += ThreadRaises::OnCurrentThread();
}

TEST_F(ThreadScheduler, KillOfASleepingThreadEndsItAtOnce) {
  RuntimeObject* sleeper = qvtest::NewThread(SleepLong);
  threadRun(sleeper);
  EXPECT_EQ(ThreadGetState(sleeper, 0), 3);
  const int64_t start = NowMs();
  ThreadKill(sleeper);
  EXPECT_LT(NowMs() - start, qvtest::TimeLimit(5000));
  EXPECT_EQ(gLog, "ThreadEndException");
  EXPECT_EQ(ThreadGetState(sleeper, 0), 4);
  EXPECT_EQ(sleeper->refCount, 1) << "the ended thread dropped its reference";
  RuntimeUnlockObject(sleeper);
}

// The remote debugger's two entries list the running Thread objects, newest first.
TEST_F(ThreadScheduler, TheDebuggerSeesTheRunningThreadsNewestFirst) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(QUORGetCurrentThread(nullptr), nullptr);
  EXPECT_EQ(DebuggerThreadCount(), 0);
  RuntimeObject* older = qvtest::NewThread(SleepLong);
  RuntimeObject* newer = qvtest::NewThread(SleepLong);
  threadRun(older);
  threadRun(newer);
  EXPECT_EQ(DebuggerThreadCount(), 2);
  RuntimeObject* seen[] = {DebuggerThreadLookup(0), DebuggerThreadLookup(1)};
  EXPECT_EQ(seen[0], newer);
  EXPECT_EQ(seen[1], older);
  EXPECT_EQ(newer->refCount, 4) << "the test's, the thread's, its Run call's and the lookup's";
  for (RuntimeObject* object : seen) RuntimeUnlockObject(object);
  EXPECT_EQ(DebuggerThreadLookup(2), nullptr);
  EXPECT_EQ(DebuggerThreadLookup(-1), nullptr);
  ThreadKill(older);
  EXPECT_EQ(DebuggerThreadCount(), 1);
  ThreadKill(newer);
  EXPECT_EQ(DebuggerThreadCount(), 0);
  RuntimeUnlockObject(older);
  RuntimeUnlockObject(newer);
}

int32_t gStateInside = -1;
void RunItselfAgain(RuntimeObject* self) {
  threadRun(self);
  gLog += ThreadRaises::OnCurrentThread();
  gStateInside = ThreadGetState(self, 0);
}

TEST_F(ThreadScheduler, RunOnARunningThreadRaisesAndLeavesItRunning) {
  RuntimeObject* thread = qvtest::NewThread(RunItselfAgain);
  threadRun(thread);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog,
            "ThreadAlreadyRunningException: You cannot call Run on a thread that is already "
            "running.");
  EXPECT_EQ(gStateInside, 0);
  RuntimeUnlockObject(thread);
}

TEST_F(ThreadScheduler, PriorityBelowOneIsIgnoredAndStackSizeKeptWhileRunning) {
  RuntimeObject* thread = qvtest::NewThread(SleepLong);
  for (int32_t ignored : {0, -3}) {
    ThreadSetPriority(thread, 0, ignored);
    EXPECT_EQ(ThreadGetPriority(thread, 0), 5);
  }
  EXPECT_EQ(ThreadGetStackSize(thread, 0), 65536);
  ThreadSetStackSize(thread, 0, 0);
  EXPECT_EQ(ThreadGetStackSize(thread, 0), 65536);
  ThreadSetStackSize(thread, 0, 200000);
  threadRun(thread);
  ThreadSetPriority(thread, 0, 2);
  EXPECT_EQ(ThreadGetPriority(thread, 0), 2);
  EXPECT_EQ(mRaises.All().size(), 0u);
  ThreadSetStackSize(thread, 0, 100000);
  EXPECT_EQ(mRaises.All(), std::vector<std::string>{"ThreadAlreadyRunningException"});
  EXPECT_EQ(ThreadGetStackSize(thread, 0), 200000);
  EXPECT_NE(ThreadGetID(thread, 0), 0);
  ThreadKill(thread);
  EXPECT_EQ(ThreadGetID(thread, 0), 0);
  RuntimeUnlockObject(thread);
}

int64_t gSleepRealMs = -1;
void SleepAcrossTheWrap(RuntimeObject* self) {
  const int64_t start = NowMs();
  ThreadSleep(self, 150, 0);
  gSleepRealMs = NowMs() - start;
}

// The clock stands 50 ms before its wrap: a sleep of 150 ms started there lasts its full time.
// The scheduler's clock counts 1/60 s ticks taken from times()'s 1/100 s, so a sleep may end up
// to 27 ms early (and the test reads its own clock in whole milliseconds); a wrap mishandled
// ends it at once or after 49 days.
TEST_F(ThreadScheduler, ASleepAcrossTheClocksWrapLastsItsFullTime) {
  SetThreadClockOffsetForTesting(0);
  SetThreadClockOffsetForTesting(uint32_t(0) - ThreadClockNow() - 50);
  ASSERT_GT(ThreadClockNow(), 0xFFFFFF00u);
  RuntimeObject* thread = qvtest::NewThread(SleepAcrossTheWrap);
  threadRun(thread);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_GE(gSleepRealMs, 150 - 30);
  EXPECT_LT(gSleepRealMs, qvtest::TimeLimit(2000));
  EXPECT_LT(ThreadClockNow(), 0x10000u) << "the clock wrapped meanwhile";
  RuntimeUnlockObject(thread);
}

double ProcessorSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// How long the thread sleeps in its loop: the span over which its cost is measured.
constexpr int kSleepingMs = 2000;

void SleepInALoop(RuntimeObject* self) {
  const int64_t end = NowMs() + kSleepingMs;
  while (NowMs() < end && !ThreadRaises::Raised()) ThreadSleep(self, 10, 0);
}

// While the thread sleeps, the main loop blocks until its wake time instead of passing round.
TEST_F(ThreadScheduler, AThreadSleepingInALoopCostsUnderFivePercentOfAProcessor) {
  RuntimeObject* thread = qvtest::NewThread(SleepInALoop);
  const double before = ProcessorSeconds();
  const int64_t start = NowMs();
  threadRun(thread);
  while (ThreadRecordCount() > 1) MainLoopDoEvents(true);
  const double used = ProcessorSeconds() - before;
  const double elapsed = double(NowMs() - start) / 1000;
  EXPECT_GE(elapsed, 2.0);
  EXPECT_LT(used, 0.05 * qvtest::SlowRunFactor() * elapsed) << used << " s of processor time in " << elapsed << " s";
  RuntimeUnlockObject(thread);
}

void CountTurn(RuntimeObject*) { ++gTurns; }

// The address sanitizer holds freed blocks back (64 MB on i386) before it reuses them.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kFreedBlocksHeldBackKb = 64 * 1024;
#else
constexpr long kFreedBlocksHeldBackKb = 0;
#endif

// Each thread is run by one Thread object in turn, after the last one ended: neither the POSIX
// threads (with their stacks) nor the records stay behind.
TEST_F(ThreadScheduler, TenThousandThreadsInTurnLeaveTheAddressSpaceBounded) {
  RuntimeObject* thread = qvtest::NewThread(CountTurn);
  threadRun(thread);
  EXPECT_TRUE(MainWaitsForThreads());
  const long before = qvtest::AddressSpaceInUseKb();
  for (int i = 1; i < 10000; ++i) {
    threadRun(thread);
    while (ThreadGetState(thread, 0) != 4) ThreadYield();
  }
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gTurns, 10000);
  EXPECT_LT(qvtest::AddressSpaceInUseKb() - before, 64 * 1024 + kFreedBlocksHeldBackKb)
      << "KB more address space";
  RuntimeUnlockObject(thread);
}

int gDepth = 0;
[[gnu::noinline]] void Recurse(int depth) {
  volatile char frame[512];
  frame[0] = char(depth);
  RuntimeStackCheck();
  if (ThreadRaises::Raised()) {
    gDepth = depth;
    return;
  }
  Recurse(depth + 1);
  (void)frame[0];
}
void RecurseDeeply(RuntimeObject*) {
  Recurse(1);
  gLog = ThreadRaises::OnCurrentThread();
}

// The check fires within the thread's StackSize, well before the stack's real end.
TEST_F(ThreadScheduler, DeepRecursionOnAThreadRaisesStackOverflowException) {
  RuntimeObject* thread = qvtest::NewThread(RecurseDeeply);
  ThreadSetStackSize(thread, 0, 65536);
  threadRun(thread);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "StackOverflowException");
  EXPECT_GT(gDepth, 10);
  EXPECT_LT(gDepth, 65536 / 512);
  RuntimeUnlockObject(thread);
}

RuntimeObject* gSemaphore = nullptr;
void SignalTheSemaphore(RuntimeObject*) { Semaphore_Signal(gSemaphore); }
void SleepThenSignal(RuntimeObject* self) {
  ThreadSleep(self, 50, 0);
  Semaphore_Signal(gSemaphore);
}

// In a fresh process (a fork of this one could inherit a lock held by a language thread of an
// earlier test that was still ending, GLib's slice allocator's among them): a report hook that
// prints to standard error, a semaphore whose one unit the main thread takes, then waiters that
// no one will release: threads of the count given, then the main thread, or, with threadLast,
// the main thread before a thread that sleeps first (the end then comes on that thread, while
// the main thread still waits for its turn). A hang ends the process by its alarm.
void RunDeadlock(int threads, bool threadLast) {
  alarm(qvtest::TimeLimit(20));
  RuntimeInitExternalClasses();
  SetRuntimeErrorReportHook(
      [](const RuntimeErrorReportInfo& info, void*) {
        std::fprintf(stderr, "report: %s | %s\n", info.condition, info.extra);
      },
      nullptr);
  gSemaphore = NewObjectFromDefinition(SemaphoreClassDefinition());
  Semaphore_Signal(gSemaphore);
  for (int i = 0; i < threads; ++i) threadRun(qvtest::NewThread(SignalTheSemaphore));
  if (threadLast) threadRun(qvtest::NewThread(SleepThenSignal));
  Semaphore_Signal(gSemaphore);
  std::fprintf(stderr, "not reached\n");
}

// Every thread waits on a semaphore nobody releases, the main thread too, or alone: the report
// says so once (and nothing else is written), the shutdown tasks run and the process ends with
// status 1, also when the last to wait is a language thread.
TEST(ThreadDeadlock, IsReportedOnceThenTheProgramEndsWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* onlyTheReport =
      "^report: false [|] Infinite loop detected in the thread scheduler[.]  This is likely "
      "caused by incorrectly locking resources with semaphores or critical sections[.]\n$";
  for (const auto& [threads, threadLast] : {std::pair{2, false}, {0, false}, {1, true}}) {
    EXPECT_EXIT(RunDeadlock(threads, threadLast), testing::ExitedWithCode(1), onlyTheReport)
        << threads << threadLast;
  }
}

}  // namespace
