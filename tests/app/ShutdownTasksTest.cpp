// Shutdown tasks: newest first; the temporary-item task deletes what it remembered, except a
// file another process holds locked (and the folder around it), never through a link.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "SpawnedProcess.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "app/FolderItemImp.h"
#include "app/ShutdownTasks.h"
#include "app/TempFileShutDownTask.h"

namespace fs = std::filesystem;

namespace {

std::string gTranscript;

struct NamedTask : runShutdownTask {
  explicit NamedTask(std::string name) : mName(std::move(name)) {}
  ~NamedTask() override { gTranscript += mName; }
  std::string mName;
};

TEST(ShutdownTasks, RunNewestFirst) {
  gTranscript.clear();
  new NamedTask("A");
  new NamedTask("B");
  RunShutdownTasks();
  EXPECT_EQ(gTranscript, "BA");
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// True once some process holds a lock on path.
bool Locked(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return held;
}

TEST(TempFileShutDownTask, AFileHeldByAnotherProcessStaysAndEverythingElseGoes) {
  qvtest::TempFolder temp("qvtemp");
  const std::string folder = temp / "items";
  fs::create_directories(folder + "/sub/deeper");
  // Many entries, so that some come after the held one in the folder's order.
  for (int i = 0; i < 16; ++i) Touch(folder + "/f" + std::to_string(i));
  for (const char* name : {"held", "sub/e", "sub/deeper/f"}) Touch(folder + "/" + name);
  // Outside the folder, reached through links inside it: the links go, the targets stay.
  Touch(temp / "outside");
  fs::create_directory(temp / "outside-folder");
  Touch(temp / "outside-folder/kept");
  fs::create_symlink(temp / "outside", folder + "/link");
  fs::create_symlink(temp / "outside-folder", folder + "/folder-link");
  Touch(temp / "loose");

  qvtest::SpawnedProcess holder(
      {.program = "/usr/bin/flock", .argv = {"flock", folder + "/held", "sleep", "30"}});
  for (int i = 0; i < qvtest::TimeLimit(500) && !Locked(folder + "/held"); ++i) usleep(10 * 1000);
  ASSERT_TRUE(Locked(folder + "/held"));

  {
    TempFileShutDownTask task;
    for (const std::string& path : {folder, temp / "never-made", temp / "loose"}) {
      FolderItemImp* item = FolderItemForPath(string(path.c_str()));
      task.AddItem(item);
      delete item;  // the task keeps a copy
    }
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(temp.path()))
    left.push_back(entry.path().string().substr(temp.path().size() + 1));
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"items", "items/held", "outside", "outside-folder",
                                            "outside-folder/kept"}));
}

}  // namespace

namespace {

// Items added as copies: the caller's own item may go at once; at exit a folder tree and a
// plain file are deleted.
TEST(IDEPluginShutDownTask, DeletesAFolderTreeAndAFileAfterTheCallerReleasedItsItems) {
  qvtest::TempFolder temp("qvide");
  const std::string tree = temp / "tree";
  fs::create_directories(tree + "/a/b");
  Touch(tree + "/a/b/c");
  Touch(tree + "/top");
  Touch(temp / "file");
  Touch(temp / "other");
  {
    IDEPluginShutDownTask task;
    for (const std::string& path : {tree, temp / "file"}) {
      FolderItemImp* item = FolderItemForPath(string(path.c_str()));
      task.AddItem(item);
      delete item;
    }
    EXPECT_TRUE(fs::exists(tree + "/a/b/c"));
  }
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_FALSE(fs::exists(temp / "file"));
  EXPECT_TRUE(fs::exists(temp / "other"));
}

}  // namespace
