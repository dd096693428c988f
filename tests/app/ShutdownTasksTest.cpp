#include <gtest/gtest.h>

#include "app/ShutdownTasks.h"

namespace {

std::vector<std::string> gRan;

struct RecordingTask : runShutdownTask {
  explicit RecordingTask(std::string name) : mName(std::move(name)) {}
  // A task whose work makes another, as closing a plug-in may schedule its file's removal.
  ~RecordingTask() override {
    gRan.push_back(mName);
    if (mName == "spawner") new RecordingTask("spawned");
  }
  std::string mName;
};

TEST(ShutdownTasks, RunNewestFirstOnceIncludingTasksMadeWhileRunning) {
  RunShutdownTasks();
  gRan.clear();
  for (const char* name : {"first", "spawner", "last"}) new RecordingTask(name);
  EXPECT_EQ(ShutdownTaskCount(), 3);
  RunShutdownTasks();
  RunShutdownTasks();
  EXPECT_EQ(gRan, (std::vector<std::string>{"last", "spawner", "spawned", "first"}));
  EXPECT_EQ(ShutdownTaskCount(), 0);
}

// Deleting any task, front, middle or back, runs it now and leaves the others linked.
TEST(ShutdownTasks, DeletingATaskRunsItAndUnlinksIt) {
  RunShutdownTasks();
  for (int victim = 0; victim < 3; ++victim) {
    gRan.clear();
    std::vector<RecordingTask*> tasks;
    for (const char* name : {"x", "y", "z"}) tasks.push_back(new RecordingTask(name));
    delete tasks[victim];
    EXPECT_EQ(ShutdownTaskCount(), 2);
    RunShutdownTasks();
    std::vector<std::string> expected = {"z", "y", "x"};
    expected.erase(expected.begin() + 2 - victim);
    expected.insert(expected.begin(), std::string(1, "xyz"[victim]));
    EXPECT_EQ(gRan, expected) << victim;
  }
}

}  // namespace
