// The shell runner: captured output, commands that run to the end, children waited for.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "core/ShellRunner.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }

TEST(ShellRunner, CaptureCollectsStandardOutputAndErrorInOrder) {
  const string result = UnixHelper::ExecuteShell("echo out; echo err >&2; echo again", true);
  EXPECT_EQ(Text(result), "out\nerr\nagain\n");
  EXPECT_EQ(result.Encoding(), kEncodingUTF8);
}

TEST(ShellRunner, WithoutCaptureTheResultIsEmptyAndTheCommandRunsToTheEnd) {
  char pattern[] = "/tmp/qvshellXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string marker = std::string(pattern) + "/done";
  // Output before the last step: a closed pipe would stop the command there.
  const std::string command = "for i in $(seq 1 2000); do echo noise; done; echo ok > " + marker;
  EXPECT_TRUE(UnixHelper::ExecuteShell(string(command.c_str()), false).IsEmpty());
  std::string line;
  std::getline(std::ifstream(marker), line);
  EXPECT_EQ(line, "ok");
  std::filesystem::remove_all(pattern);
}

TEST(ShellRunner, LargeOutputAndNulBytesArriveWhole) {
  const string big = UnixHelper::ExecuteShell("head -c 200000 /dev/zero | tr '\\0' a", true);
  EXPECT_EQ(Text(big), std::string(200000, 'a'));
  const string binary = UnixHelper::ExecuteShell("printf 'a\\0b'", true);
  EXPECT_EQ(Text(binary), std::string("a\0b", 3));
}

TEST(ShellRunner, EveryChildIsWaitedFor) {
  UnixHelper::ExecuteShell("true", true);
  UnixHelper::ExecuteShell("exit 3", false);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(ShellRunner, ChildInheritsNoDescriptorBeyondTheStandardThree) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(dup2(fds[0], 57), 57);
  const string listing = UnixHelper::ExecuteShell("ls /proc/$$/fd", true);
  close(57);
  close(fds[0]);
  close(fds[1]);
  const std::string text = " " + Text(listing);
  EXPECT_EQ(text.find("57"), std::string::npos) << text;
  EXPECT_NE(text.find("0\n1\n2\n"), std::string::npos) << text;
}

TEST(ShellRunner, CommandsThatCannotRunGiveTheShellsWordsOrNothing) {
  EXPECT_NE(Text(UnixHelper::ExecuteShell("qv_no_such_command_here", true)).find("not found"),
            std::string::npos);
  EXPECT_TRUE(UnixHelper::ExecuteShell(string(), true).IsEmpty());
  std::string output;
  EXPECT_TRUE(RunShellCommand("/nonexistent/shell", "echo hi", &output));
  EXPECT_EQ(output, "");
}

}  // namespace
