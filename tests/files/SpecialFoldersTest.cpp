// Special folders over a HOME of the test's own (and none at all), and temporary items: fresh
// names in one private folder where nothing exists until the application makes it, all gone
// after the shutdown tasks except a file that another process (flock(1)) holds locked. Each
// case runs in a child of its own, since it changes HOME or runs the shutdown tasks.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "FolderItemTestSupport.h"
#include "app/ShutdownTasks.h"
#include "files/FolderItemClass.h"
#include "files/SpecialFolders.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

// The path of a special folder (released), or "(nil)".
std::string Named(RuntimeObject* (*special)()) {
  RuntimeObject* folder = special();
  const std::string path = folder ? PathOf(FolderItemImpOf(folder)) : "(nil)";
  RuntimeUnlockObject(folder);
  return path;
}

void InChild(const std::function<void()>& body) {
  const int status = qvtest::RunInChild(body);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(SpecialFolders, BelowHomeWithTheirFallBacks) {
  InChild([] {
    qvtest::TempFolder home("qvhome");
    setenv("HOME", home.path().c_str(), 1);
    const std::string h = home.path() + "/";
    EXPECT_EQ(Named(getDesktopFolder), h);
    EXPECT_EQ(Named(GetDocumentsFolder), h);
    EXPECT_EQ(Named(getTrashFolder), "(nil)");
    fs::create_directory(home / ".gnome-desktop");
    WriteFile(home / "Documents", "a file, not a folder");
    EXPECT_EQ(Named(getDesktopFolder), home / ".gnome-desktop/");
    EXPECT_EQ(Named(GetDocumentsFolder), h);
    fs::create_directory(home / "Desktop");
    fs::create_directory(home / ".Trash");
    EXPECT_EQ(Named(getDesktopFolder), home / "Desktop/");
    EXPECT_EQ(Named(getTrashFolder), home / ".Trash/");
    EXPECT_EQ(Named(getPreferencesFolder), h);
    EXPECT_EQ(Named(getApplicationSupportFolder), h);
    unsetenv("HOME");
    for (auto special : {getDesktopFolder, GetDocumentsFolder, getTrashFolder,
                         getPreferencesFolder, getApplicationSupportFolder}) {
      EXPECT_EQ(Named(special), "(nil)");
    }
  });
}

TEST(SpecialFolders, FixedAndAbsentFolders) {
  EXPECT_EQ(Named(getSystemFolder), "/usr/");
  EXPECT_EQ(Named(getTemporaryItemsFolder), "/tmp/");
  EXPECT_EQ(getVolumeCount(), 1);
  RuntimeObject* root = getVolume(0);
  EXPECT_EQ(PathOf(FolderItemImpOf(root)), "/");
  RuntimeUnlockObject(root);
  EXPECT_EQ(getVolume(1), nullptr);
  for (auto special : {getAppleMenuFolder, getControlPanelsFolder, getExtensionsFolder,
                       getStartupItemsFolder, getShutdownItemsFolder, getFontsFolder}) {
    EXPECT_EQ(Named(special), "(nil)");
  }
}

TEST(SpecialFolders, TemporaryItemsLiveInOnePrivateFolderUntilQuit) {
  InChild([] {
    std::vector<std::string> items;
    for (int i = 0; i < 4; ++i) items.push_back(Named(getTemporaryFolderItem));
    const std::string folder = fs::path(items[0]).parent_path().string();
    struct stat info;
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(folder.rfind("/tmp/", 0), 0u);
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(fs::path(items[i]).parent_path().string(), folder);
      EXPECT_FALSE(PathExists(items[i]));
      for (size_t j = 0; j < i; ++j) EXPECT_NE(items[i], items[j]);
    }
    // What the application makes there: a file, a folder with a file, a file held locked.
    WriteFile(items[0], "file");
    fs::create_directory(items[1]);
    WriteFile(items[1] + "/inner", "");
    WriteFile(items[2], "held");
    // The holder and its sleep in a group of their own, ended together, writing nowhere.
    pid_t holder = 0;
    const char* const argv[] = {"flock", items[2].c_str(), "sleep", "30", nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(posix_spawnp(&holder, "flock", &actions, &attributes, const_cast<char**>(argv),
                           environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (int i = 0; i < qvtest::TimeLimit(500); ++i) {
      const int probe = open(items[2].c_str(), O_RDONLY);
      const bool locked = flock(probe, LOCK_EX | LOCK_NB) != 0;
      if (!locked) flock(probe, LOCK_UN);
      close(probe);
      if (locked) break;
      usleep(10 * 1000);
    }
    RunShutdownTasks();
    EXPECT_FALSE(PathExists(items[0]));
    EXPECT_FALSE(PathExists(items[1]));
    EXPECT_EQ(ReadFile(items[2]), "held");
    kill(-holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    fs::remove_all(folder);
    // Asked again after quitting: a new private folder.
    const std::string later = Named(getTemporaryFolderItem);
    EXPECT_NE(fs::path(later).parent_path().string(), folder);
    fs::remove_all(fs::path(later).parent_path());
  });
}

}  // namespace
