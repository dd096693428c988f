// The executable path for a bare name (the image tests run the others): PATH searched without a
// shell, files without the execute bit passed over, an empty entry as the current folder, and
// the running file when the name is nowhere or its links loop.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempFolder.h"
#include "app/ExecutablePath.h"

namespace fs = std::filesystem;

namespace {

void MakeFile(const std::string& path, bool executable) {
  std::ofstream(path) << "#!/bin/false\n";
  fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
}

TEST(ExecutablePath, SearchedOnThePathWithoutAShell) {
  qvtest::TempFolder temp("qvpath");
  for (const char* folder : {"one", "two", "three", "loop"}) fs::create_directory(temp / folder);
  MakeFile(temp / "one/tool", false);
  fs::create_directory(temp / "two/tool");
  MakeFile(temp / "three/tool", true);
  MakeFile(temp / "here", true);
  fs::create_symlink(temp / "loop/b", temp / "loop/a");
  fs::create_symlink(temp / "loop/a", temp / "loop/b");
  const std::string saved = getenv("PATH");
  const fs::path folder = fs::current_path();
  fs::current_path(temp.path());
  setenv("PATH", (temp / "one:" + temp / "two:" + temp / "three::/nonexistent").c_str(), 1);
  EXPECT_EQ(ResolveExecutablePath("tool"), temp / "three/tool");
  EXPECT_EQ(fs::canonical(ResolveExecutablePath("here")), fs::canonical(temp / "here"));
  const std::string running = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(ResolveExecutablePath("no-such-tool"), running);
  EXPECT_EQ(ResolveExecutablePath(nullptr), running);
  std::string loop = temp / "loop/a";
  EXPECT_FALSE(FollowLinks(&loop));
  setenv("PATH", saved.c_str(), 1);
  fs::current_path(folder);
}

}  // namespace
