// Passes of the main loop: background tasks with and without their timeout, tasks made and
// deleted while the walk goes on, and language objects on the poll list.
#include <gtest/gtest.h>
#include <time.h>

#include <functional>

#include "app/ApplicationClass.h"
#include "app/ApplicationPollables.h"
#include "app/BackgroundTask.h"
#include "app/MainLoop.h"
#include "app/StreamInterfaces.h"
#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/Watchdog.h"

namespace {

int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct CountingTask : BackgroundTask {
  explicit CountingTask(int32_t period, bool untimed = false, std::function<void()> also = {})
      : BackgroundTask(period), mAlso(std::move(also)) {
    if (untimed) StopTimer();
  }
  void Run() override {
    ++runs;
    if (mAlso) mAlso();
  }
  int runs = 0;
  std::function<void()> mAlso;
};

TEST(BackgroundTasks, APeriodOfSixtyTicksRunsAboutOnceASecond) {
  CountingTask task(60);
  EXPECT_FALSE(HasUntimedBackgroundTask());
  const int64_t start = NowMs();
  while (NowMs() - start < 3000) MainLoopDoEvents(true);  // waits for the timeout
  EXPECT_GE(task.runs, 2);
  EXPECT_LE(task.runs, 4);
  EXPECT_EQ(task.LastRun(), 0) << "a timeout run leaves the loop's last-run tick alone";
}

TEST(BackgroundTasks, AnUntimedTaskOfPeriodZeroRunsOncePerPassAndKeepsTheLoopAwake) {
  {
    CountingTask task(0, true);
    EXPECT_TRUE(HasUntimedBackgroundTask());
    const int64_t start = NowMs();
    for (int i = 0; i < 5; ++i) MainLoopDoEvents(true);  // would block without the task
    EXPECT_EQ(task.runs, 5);
    EXPECT_LT(NowMs() - start, qvtest::TimeLimit(1000));
  }
  EXPECT_FALSE(HasBackgroundTasks());
}

// The walk runs the newest task first: B deletes A, which is then not run, and makes C, which
// waits for the next walk.
TEST(BackgroundTasks, TasksDeletedOrMadeDuringTheWalk) {
  auto* a = new CountingTask(0, true);
  CountingTask* c = nullptr;
  CountingTask b(0, true, [&] {
    delete a;
    a = nullptr;
    if (!c) c = new CountingTask(0, true);
  });
  RunDueBackgroundTasks(true);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b.runs, 1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->runs, 0);
  RunDueBackgroundTasks(true);
  EXPECT_EQ(c->runs, 1);
  delete c;
}

// ---- The poll list ----

int gPolls = 0;
void CountPoll(RuntimeObject*) { ++gPolls; }

using namespace lang;
const MethodRow kPollMethods[] = {QV_SUB("_Poll", CountPoll)};
const ClassGetter kPollInterfaces[] = {PollableInterfaceDefinition};
QV_CLASS(CountingPollableDefinition,
         .name = "CountingPollable",
         .methods = kPollMethods,
         .interfaces = kPollInterfaces)
QV_CLASS(NotPollableDefinition, .name = "NotPollable")

// Added twice, an object is polled twice a pass; one remove takes both and their references.
TEST(PollList, AnObjectAddedTwiceIsPolledTwiceAndOneRemoveTakesBoth) {
  RuntimeObject* object = NewObjectFromDefinition(CountingPollableDefinition());
  RuntimeObject* other = NewObjectFromDefinition(NotPollableDefinition());
  gPolls = 0;
  ApplicationAddPollableObject(nullptr, object);
  ApplicationAddPollableObject(nullptr, other);  // no _Poll: kept, never called
  ApplicationAddPollableObject(nullptr, object);
  EXPECT_EQ(object->refCount, 3);
  MainLoopDoEvents(false);
  EXPECT_EQ(gPolls, 2);
  ApplicationRemovePollableObject(nullptr, object);
  EXPECT_EQ(object->refCount, 1);
  MainLoopDoEvents(false);
  EXPECT_EQ(gPolls, 2);
  RemoveAllPollableObjects();
  EXPECT_EQ(other->refCount, 1);
  RuntimeUnlockObject(object);
  RuntimeUnlockObject(other);
}

}  // namespace
