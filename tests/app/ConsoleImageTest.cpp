// The framework executable with the packed console application (tests/images/lifecycle/
// echoapp.c), run without a display and fed through pipes: its standard streams really read and
// write, a termination signal loses nothing it wrote, and with its address space limited a
// long line is read in pieces and a container that cannot grow takes the out-of-memory exit.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "SpawnedProcess.h"
#include "support/ChildLimits.h"

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

// The application with its address space limited to 200 MB (its start takes about 30).
qvtest::SpawnOptions Limited(const std::string& mode, int lines = 0) {
  qvtest::SpawnOptions options = Console(mode, lines);
  options.argv = qvtest::CapAddressSpace(200 << 20, {ECHOAPP_EXE}, &options.environment);
  options.program = options.argv[0];
  return options;
}

// The sanitizer reserves its shadow memory at start, beyond any such limit, and its own
// operator new ends the process itself when the heap runs out.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitsApply = false;
#else
constexpr bool kLimitsApply = true;
#endif

// 120 MB without a line end: read in pieces of the line limit, a read error, no death. Under
// the sanitizer the pieces are checked without the limit.
TEST(ConsoleImage, ALineLongerThanMemoryAllowsIsReadInPieces) {
  signal(SIGPIPE, SIG_IGN);  // a dying child must fail the test, not end it
  qvtest::SpawnedProcess app(kLimitsApply ? Limited("lengths") : Console("lengths"));
  const std::string chunk(1 << 20, 'x');
  for (int i = 0; i < 120; ++i) app.Write(chunk);
  app.CloseInput();
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  const std::string piece = std::to_string(16 << 20) + "\n";
  std::string expected;
  for (int i = 0; i < 7; ++i) expected += piece;
  EXPECT_EQ(app.Output(), expected + std::to_string(8 << 20) + "\nread error\n");
}

// The list of matches of a two-byte pattern in a 32 MB text grows to 128 MB, beside the half
// as large list it is copied from: std::bad_alloc would end the process with an abort from
// inside the compiled code; it takes the out-of-memory exit. (A one-byte pattern makes no list.)
TEST(ConsoleImage, AContainerThatCannotGrowTakesTheOutOfMemoryExit) {
  if (!kLimitsApply) GTEST_SKIP() << "no address-space limit under the sanitizer";
  qvtest::SpawnedProcess app(Limited("grow", 25));
  app.CloseInput();
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 1)) << app.Errors();
  EXPECT_EQ(app.Errors(), "This application has run out of memory and must quit now.\n");
  EXPECT_EQ(app.Output(), "");
}

}  // namespace
