// The framework executable with the packed console application (tests/images/lifecycle/
// echoapp.c), run without a display and fed through pipes: its standard streams really read and
// write, and a termination signal loses nothing it wrote.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "SpawnedProcess.h"

namespace {

qvtest::SpawnOptions Console(const std::string& mode = "", int lines = 0) {
  return {.program = ECHOAPP_EXE,
          .environment = {"QVTEST_MODE=" + mode, "QVTEST_LINES=" + std::to_string(lines)},
          .unset = {"DISPLAY"}};
}

TEST(ConsoleImage, EchoesLinesByteForByteThenReportsTheEndOnBothStreams) {
  qvtest::SpawnedProcess app(Console());
  // UTF-8 of two and three bytes, a blank line, "\r\n" (a line end too), a last line without
  // its end.
  app.Write("hello\nw\xC3\xB6rld \xE2\x9C\x93\n\n\ttab\r\nlast line without end");
  app.CloseInput();
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(),
            "hello\nw\xC3\xB6rld \xE2\x9C\x93\n\n\ttab\nlast line without end\nEOF\n");
  EXPECT_EQ(app.Errors(), "end of input after 5\n");
}

// The reader of standard output goes away: the writes fail with EPIPE (SIGPIPE is ignored),
// and standard error still works.
TEST(ConsoleImage, AClosedOutputPipeIsAWriteErrorNotADeath) {
  qvtest::SpawnedProcess app(Console());
  app.CloseOutput();
  app.Write("one\ntwo\n");
  app.CloseInput();
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Errors(), "end of input after 2\n");
}

TEST(ConsoleImage, TermWhileWaitingForInputEndsWithStatusZero) {
  qvtest::SpawnedProcess app(Console("flood", 1));
  ASSERT_TRUE(app.WaitForOutput("line 1\n")) << app.Errors();
  usleep(100 * 1000);  // into the read
  app.Signal(SIGTERM);
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), "line 1\n");
}

// Far more than a pipe holds: unread, the pipe fills and the application waits in a write when
// TERM arrives; every line still comes out whole before the process ends.
TEST(ConsoleImage, TermRightAfterWritingLosesNoOutput) {
  constexpr int kLines = 40000;
  qvtest::SpawnedProcess app(Console("flood", kLines));
  ASSERT_TRUE(app.WaitForOutput("line 1\n")) << app.Errors();
  usleep(300 * 1000);
  app.Signal(SIGTERM);
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  std::string expected;
  for (int i = 1; i <= kLines; ++i) expected += "line " + std::to_string(i) + "\n";
  EXPECT_TRUE(app.Output() == expected) << app.Output().size() << " bytes of " << expected.size();
}

}  // namespace
