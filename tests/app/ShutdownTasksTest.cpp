#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ShutdownTasks.h"

namespace {

std::vector<std::string> gRan;

class RecordingTask : public runShutdownTask {
 public:
  explicit RecordingTask(std::string name) : mName(std::move(name)) {}
  ~RecordingTask() override { gRan.push_back(mName); }

 private:
  std::string mName;
};

// A task whose work makes another task, as closing a plug-in may schedule its file's removal.
class SpawningTask : public runShutdownTask {
 public:
  ~SpawningTask() override {
    gRan.push_back("spawner");
    new RecordingTask("spawned");
  }
};

class ShutdownTasks : public ::testing::Test {
 protected:
  void SetUp() override {
    RunShutdownTasks();
    gRan.clear();
  }
};

TEST_F(ShutdownTasks, RunNewestFirstAndEmptyTheList) {
  new RecordingTask("a");
  new RecordingTask("b");
  new RecordingTask("c");
  EXPECT_EQ(ShutdownTaskCount(), 3);
  RunShutdownTasks();
  EXPECT_EQ(gRan, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(ShutdownTaskCount(), 0);
  RunShutdownTasks();
  EXPECT_EQ(gRan.size(), 3u);
}

TEST_F(ShutdownTasks, TaskMadeWhileRunningStillRuns) {
  new RecordingTask("first");
  new SpawningTask;
  RunShutdownTasks();
  EXPECT_EQ(gRan, (std::vector<std::string>{"spawner", "spawned", "first"}));
}

// Deleting any task, front, middle or back, runs it now and leaves the others linked.
TEST_F(ShutdownTasks, DeletingATaskRunsItAndUnlinksIt) {
  for (int victim = 0; victim < 3; ++victim) {
    gRan.clear();
    std::vector<RecordingTask*> tasks;
    for (const char* name : {"x", "y", "z"}) tasks.push_back(new RecordingTask(name));
    std::string victimName = std::string(1, "xyz"[victim]);
    delete tasks[victim];
    EXPECT_EQ(gRan, std::vector<std::string>{victimName});
    EXPECT_EQ(ShutdownTaskCount(), 2);
    RunShutdownTasks();
    std::vector<std::string> expected;
    for (const char* name : {"z", "y", "x"})
      if (name != victimName) expected.push_back(name);
    expected.insert(expected.begin(), victimName);
    EXPECT_EQ(gRan, expected);
  }
}

}  // namespace
