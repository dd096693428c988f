// The periodic call of compiled loops: 49 of 50 calls only count, the 50th looks at the clock
// and runs the due untimed tasks once per tick; under the remote debugger it also polls.
#include <gtest/gtest.h>

#include "app/BackgroundTask.h"
#include "core/DebugMode.h"
#include "image/PollableList.h"
#include "support/TestSupport.h"

namespace {

int32_t gTick = 1000;
int32_t TestClock() { return gTick; }

struct CountingTask : BackgroundTask {
  CountingTask() : BackgroundTask(0) { StopTimer(); }
  void Run() override { ++runs; }
  int runs = 0;
};

struct CountingPollable : Pollable {
  void Poll() override { ++polls; }
  int polls = 0;
};

void Call(int times) {
  for (int i = 0; i < times; ++i) RuntimeBackgroundTask();
}

class RuntimeBackgroundTaskTest : public ::testing::Test {
 protected:
  void SetUp() override { SetBackgroundTaskClockForTesting(&TestClock); }
  void TearDown() override { SetBackgroundTaskClockForTesting(nullptr); }
};

TEST_F(RuntimeBackgroundTaskTest, FortyNineCallsRunNothingThenTasksRunOnceATick) {
  CountingTask task;
  gTick = 1000;
  Call(49);
  EXPECT_EQ(task.runs, 0);
  Call(1);
  EXPECT_EQ(task.runs, 1);
  Call(500);
  EXPECT_EQ(task.runs, 1) << "the same tick";
  gTick = 1001;
  Call(49);
  EXPECT_EQ(task.runs, 1);
  Call(1);
  EXPECT_EQ(task.runs, 2);
  gTick = 999;  // the clock went back: another tick all the same
  Call(50);
  EXPECT_EQ(task.runs, 3);
}

// Outside the debugger the main loop polls; under it (the loop may be stopped) these calls do.
TEST_F(RuntimeBackgroundTaskTest, PollsOnlyUnderTheRemoteDebugger) {
  const int status = qvtest::RunInChild([] {
    CountingPollable pollable;
    PollableListAdd(&pollable);
    gTick = 5;
    Call(50);
    EXPECT_EQ(pollable.polls, 0);
    SetDebugMode();
    gTick = 6;
    Call(50);
    EXPECT_EQ(pollable.polls, 1);
    Call(50);
    EXPECT_EQ(pollable.polls, 1);
    PollableListRemove(&pollable);
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
