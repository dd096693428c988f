// A forked child has the forking thread alone, and finds taken for ever every lock that another
// thread held at the fork: a test child that then runs framework code hangs now and then. So no
// test forks by itself: a child that runs code of this process comes from qvtest::ForkTestChild
// (or RunInChild, which uses it), which forks only while no other thread runs; one that execs
// at once is vforked or spawned, and a death test's child is exec'd (the test main's style).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SourceTree.h"

namespace {

// Where files call fork() themselves, the test support aside.
std::vector<std::string> OwnForks(const std::vector<SourceFile>& files) {
  std::vector<std::string> found;
  for (const SourceCall& call : CallsOf(files, "fork")) {
    if (call.where.rfind("support/", 0) != 0) found.push_back(call.where);
  }
  return found;
}

TEST(TestForks, NoTestForksButThroughItsSupport) {
  std::string found;
  for (const std::string& where : OwnForks(ReadSourceTree(QV_TESTS_DIR))) found += where + "\n";
  EXPECT_EQ(found, "");
  const std::vector<SourceFile> sample = {
      {"app/A.cpp",
       "pid_t a = qvtest::ForkTestChild();\n// fork() here\nif (fork () == 0) {}\n"
       "const char* text = \"fork()\";\npid_t b = vfork();\nb = ::fork();\n"},
      {"support/TestSupport.cpp", "const pid_t pid = fork();\n"}};
  EXPECT_EQ(OwnForks(sample), (std::vector<std::string>{"app/A.cpp:3", "app/A.cpp:6"}));
}

}  // namespace
