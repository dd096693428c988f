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

// Tasks run newest first and once, a task made while they run too; deleting any task (front,
// middle or back) runs it at once and leaves the others linked.
TEST(ShutdownTasks, RunNewestFirstOnceAndDeletedTasksRunAtOnce) {
  // None deleted, the oldest, the spawner (whose new task is linked), the newest.
  const std::pair<int, std::vector<std::string>> cases[] = {
      {3, {"z", "spawner", "spawned", "x"}}, {2, {"x", "z", "spawner", "spawned"}},
      {3, {"spawner", "spawned", "z", "x"}}, {2, {"z", "spawner", "spawned", "x"}}};
  for (int victim = -1; victim < 3; ++victim) {
    RunShutdownTasks(), gRan.clear();
    RecordingTask* tasks[] = {new RecordingTask("x"), new RecordingTask("spawner"), new RecordingTask("z")};
    if (victim >= 0) delete tasks[victim];
    EXPECT_EQ(ShutdownTaskCount(), cases[victim + 1].first) << victim;
    RunShutdownTasks(), RunShutdownTasks();
    EXPECT_EQ(gRan, cases[victim + 1].second) << victim;
  }
}

}  // namespace
