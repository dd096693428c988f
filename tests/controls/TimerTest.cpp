// Timer: Single and Multiple timers fired by the main loop, the setters' re-arming, an Action
// that disables, re-arms or drops the last reference to its own timer, and the receivers told
// before Action.
#include <glib.h>
#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "database/DataBinding.h"
#include "controls/TimerClass.h"
#include "core/ClassDefinitionRows.h"
#include "core/EventHandlers.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string gLog;
int gActions = 0;
void (*gAlso)(RuntimeObject* timer) = nullptr;  // more work for the next Actions

void OnAction(RuntimeObject* timer) {
  ++gActions;
  gLog += "Action ";
  if (gAlso) gAlso(timer);
}

// Passes of the main loop, a millisecond apart, until done() holds (true) or ms pass.
template <typename Condition>
bool PumpWithin(Condition done, int ms) {
  const int64_t end = NowMs() + ms;
  while (!done()) {
    if (NowMs() > end) return false;
    MainLoopDoEvents(false);
    g_usleep(1000);
  }
  return true;
}
// The same with a limit, timeoutMs stretched by the slow-run factor.
template <typename Condition>
bool PumpUntil(Condition done, int timeoutMs = 5000) {
  return PumpWithin(done, qvtest::TimeLimit(timeoutMs));
}
// Passes for ms exactly: the timers' own time, which no factor stretches.
void PumpFor(int ms) { PumpWithin([] { return false; }, ms); }

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeInitExternalClasses();
    gLog.clear();
    gActions = 0;
    gAlso = nullptr;
  }
  // A timer with the test's Action handler, disabled until the test arms it.
  RuntimeObject* NewTimer(int32_t period) {
    RuntimeObject* timer = NewObjectFromDefinition(TimerClassDefinition());
    RuntimeInstallInstanceEventHandler(timer, string("Action").Storage(),
                                       reinterpret_cast<void*>(&OnAction));
    timerPeriodSetter(timer, 0, period);
    return timer;
  }
  static TimerObject* Fields(RuntimeObject* timer) {
    return reinterpret_cast<TimerObject*>(timer);
  }
  static int32_t Get(RuntimeObject* timer, size_t offset) {
    return intGetter(timer, uint32_t(offset));
  }
};

TEST_F(TimerTest, ANewTimerIsEnabledOffWithPeriodOneSecondAndListedNewestFirst) {
  RuntimeObject* older = NewObjectFromDefinition(TimerClassDefinition());
  RuntimeObject* timer = NewObjectFromDefinition(TimerClassDefinition());
  EXPECT_EQ(Get(timer, offsetof(TimerObject, mode)), kTimerOff);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, period)), 1000);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, enabled)), 1) << "the word reads 0 or 1";
  EXPECT_EQ(Fields(timer)->timeoutId, 0u);
  EXPECT_EQ(FirstTimer(), Fields(timer));
  EXPECT_EQ(FirstTimer()->nextTimer, Fields(older));
  RuntimeObject* newest = NewObjectFromDefinition(TimerClassDefinition());
  RuntimeUnlockObject(timer);
  EXPECT_EQ(FirstTimer(), Fields(newest)) << "the destructor unlinks it from the middle";
  EXPECT_EQ(FirstTimer()->nextTimer, Fields(older));
  RuntimeUnlockObject(newest);
  EXPECT_EQ(FirstTimer(), Fields(older)) << "and from the front";
  RuntimeUnlockObject(older);
}

TEST_F(TimerTest, ASingleTimerFiresOnceAndTurnsItselfOff) {
  RuntimeObject* timer = NewTimer(100);
  const int64_t start = NowMs();
  timerModeSetter(timer, 0, kTimerSingle);
  ASSERT_TRUE(PumpUntil([] { return gActions == 1; }));
  EXPECT_GE(NowMs() - start, 90);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, mode)), kTimerOff);
  EXPECT_EQ(Fields(timer)->timeoutId, 0u);
  PumpFor(300);
  EXPECT_EQ(gActions, 1);
  RuntimeUnlockObject(timer);
}

TEST_F(TimerTest, AMultipleTimerDisabledInsideItsActionFiresNoMore) {
  RuntimeObject* timer = NewTimer(20);
  gAlso = [](RuntimeObject* t) {
    if (gActions == 3) TimerEnabledSetter(t, 0, 0);
  };
  timerModeSetter(timer, 0, kTimerMultiple);
  ASSERT_TRUE(PumpUntil([] { return gActions == 3; }));
  PumpFor(200);
  EXPECT_EQ(gActions, 3);
  EXPECT_EQ(Fields(timer)->timeoutId, 0u);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, mode)), kTimerMultiple);
  RuntimeUnlockObject(timer);
}

TEST_F(TimerTest, APeriodBelowOneReadsOne) {
  RuntimeObject* timer = NewTimer(0);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, period)), 1);
  timerPeriodSetter(timer, 0, -40);
  EXPECT_EQ(Get(timer, offsetof(TimerObject, period)), 1);
  RuntimeUnlockObject(timer);
}

// The timeout runs while the timer is disabled, raising nothing, until Enabled re-arms it.
TEST_F(TimerTest, ADisabledTimerArmedMultipleRaisesNothingUntilEnabled) {
  RuntimeObject* timer = NewTimer(10);
  TimerEnabledSetter(timer, 0, 0);
  timerModeSetter(timer, 0, kTimerMultiple);
  EXPECT_NE(Fields(timer)->timeoutId, 0u);
  PumpFor(100);
  EXPECT_EQ(gActions, 0);
  TimerEnabledSetter(timer, 0, 1);
  EXPECT_TRUE(PumpUntil([] { return gActions >= 2; }));
  timerModeSetter(timer, 0, kTimerOff);
  EXPECT_EQ(Fields(timer)->timeoutId, 0u);
  RuntimeUnlockObject(timer);
}

// Reset marks the time but leaves the timeout as it is: the next Action comes on time. (A
// Reset that re-armed would make it come at 1.6 s; the lateness the bound allows grows with
// the slow-run factor, and the timeout left armed shows it all the same.)
TEST_F(TimerTest, ResetDoesNotDelayTheNextAction) {
  RuntimeObject* timer = NewTimer(1000);
  const int64_t start = NowMs();
  timerModeSetter(timer, 0, kTimerSingle);
  const uint32_t armed = Fields(timer)->timeoutId;
  PumpFor(600);
  const int32_t before = Fields(timer)->lastFire;
  RuntimeTimerReset(timer);
  EXPECT_NE(Fields(timer)->lastFire, before);
  EXPECT_EQ(Fields(timer)->timeoutId, armed);
  ASSERT_TRUE(PumpUntil([] { return gActions == 1; }));
  EXPECT_LT(NowMs() - start, 1000 + qvtest::TimeLimit(400));
  RuntimeUnlockObject(timer);
}

// The Action drops the test's reference, the last but the callback's: the callback reads the
// timer only before it lets go (AddressSanitizer watches).
TEST_F(TimerTest, AnActionThatReleasesTheLastReference) {
  RuntimeObject* timer = NewTimer(10);
  gAlso = [](RuntimeObject* t) { RuntimeUnlockObject(t); };
  timerModeSetter(timer, 0, kTimerMultiple);
  ASSERT_TRUE(PumpUntil([] { return gActions == 1; }));
  PumpFor(100);
  EXPECT_EQ(gActions, 1) << "the freed timer's timeout went with it";
}

// A Single timer's Action sets Mode Multiple: the new timeout is the only one, so Mode Off
// afterwards stops the timer for good.
TEST_F(TimerTest, AnActionThatReArmsLeavesOneTimeout) {
  RuntimeObject* timer = NewTimer(15);
  gAlso = [](RuntimeObject* t) {
    if (gActions == 1) timerModeSetter(t, 0, kTimerMultiple);
  };
  timerModeSetter(timer, 0, kTimerSingle);
  ASSERT_TRUE(PumpUntil([] { return gActions >= 3; }));
  timerModeSetter(timer, 0, kTimerOff);
  const int stopped = gActions;
  PumpFor(150);
  EXPECT_EQ(gActions, stopped);
  RuntimeUnlockObject(timer);
}

// ---- Receivers ----

void PerformAction(RuntimeObject*) { gLog += "PerformAction "; }

using namespace lang;
const MethodRow kReceiverMethods[] = {QV_SUB("PerformAction", PerformAction)};
const ClassGetter kReceiverInterfaces[] = {ActionNotificationReceiverInterfaceDefinition};
QV_CLASS(TestReceiverDefinition,
         .name = "TestActionReceiver",
         .methods = kReceiverMethods,
         .interfaces = kReceiverInterfaces)

// Told before Action, once per time added; one remove takes one; the list holds references.
TEST_F(TimerTest, AReceiverAddedTwiceIsToldTwice) {
  RuntimeObject* timer = NewTimer(10);
  RuntimeObject* receiver = NewObjectFromDefinition(TestReceiverDefinition());
  TimerAddActionNotificationReceiver(timer, receiver);
  TimerAddActionNotificationReceiver(timer, receiver);
  EXPECT_EQ(receiver->refCount, 3);
  TimerFire(timer);
  EXPECT_EQ(gLog, "PerformAction PerformAction Action ");
  TimerRemoveActionNotificationReceiver(timer, receiver);
  gLog.clear();
  TimerFire(timer);
  EXPECT_EQ(gLog, "PerformAction Action ");
  RuntimeUnlockObject(timer);
  EXPECT_EQ(receiver->refCount, 1) << "the timer's list let go";
  RuntimeUnlockObject(receiver);
}

TEST_F(TimerTest, TheTimerIsAnActionSourceAndItsMethodsAreFoundByName) {
  RuntimeObject* timer = NewTimer(10);
  EXPECT_TRUE(ObjectIsaDefinition(timer, ActionSourceInterfaceDefinition()));
  EXPECT_EQ(LookupInterfaceMethod(timer, ActionSourceInterfaceDefinition(),
                                  "ADDACTIONNOTIFICATIONRECEIVER"),
            reinterpret_cast<void*>(&TimerAddActionNotificationReceiver));
  EXPECT_EQ(LookupInterfaceMethod(timer, ActionNotificationReceiverInterfaceDefinition(),
                                  "PerformAction"),
            nullptr);
  RuntimeUnlockObject(timer);
}

}  // namespace
