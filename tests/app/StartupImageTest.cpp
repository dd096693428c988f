// The framework executable started with the packed start-up application (tests/images/
// lifecycle/startapp.c) as a child process: the path it stores for its own file however it was
// started, the start-up events, the main loop's end, and the termination signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "SpawnedProcess.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Runs the application to its end: its transcript, the first line (the ExecutableFile path)
// kept apart.
struct Transcript {
  std::string executableFile, events;
  int status;
};
Transcript RunToEnd(const qvtest::SpawnOptions& options) {
  qvtest::SpawnedProcess app(options);
  Transcript transcript;
  transcript.status = app.Finish();
  const std::string& output = app.Output();
  const std::string label = "ExecutableFile ";
  const size_t end = output.find('\n');
  if (output.rfind(label, 0) == 0 && end != std::string::npos) {
    transcript.executableFile = output.substr(label.size(), end - label.size());
    transcript.events = output.substr(end + 1);
  }
  transcript.events += app.Errors();
  return transcript;
}

class StartupImage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "a windowed application needs a display";
  }
  qvtest::TempFolder mFolder{"qvstart"};
};

// ./app is kept as it is; a bare name is found on PATH without a shell (nothing in the name
// runs) and its links are followed: bin1/qvstart -> ../bin2/hop -> real/app.
TEST_F(StartupImage, TheStoredPathOfItsOwnFile) {
  const std::string odd = "qv app;touch pwned$(touch pwned2)'\"`touch pwned3`";
  for (const char* folder : {"bin1", "bin2", "real"}) fs::create_directory(mFolder / folder);
  fs::copy_file(STARTAPP_EXE, mFolder / "real/app");
  fs::copy_file(STARTAPP_EXE, mFolder / "bin2/" + odd);
  fs::create_symlink(mFolder / "real/app", mFolder / "bin2/hop");
  fs::create_symlink("../bin2/hop", mFolder / "bin1/qvstart");
  const std::string path = "PATH=/nonexistent:" + mFolder / "bin1" + ":" + mFolder / "bin2";
  const struct {
    std::string program, argv0, expected;
  } cases[] = {
      {mFolder / "real/app", "./app", mFolder / "real/app"},
      {mFolder / "bin1/qvstart", "qvstart", mFolder / "real/app"},
      {mFolder / "bin2/" + odd, odd, mFolder / "bin2/" + odd},
  };
  for (const auto& c : cases) {
    const Transcript run = RunToEnd({.program = c.program,
                                     .argv = {c.argv0},
                                     .folder = mFolder / "real",
                                     .environment = {path}});
    EXPECT_TRUE(qvtest::ExitedWith(run.status, 0)) << run.events;
    EXPECT_EQ(fs::canonical(run.executableFile), fs::canonical(c.expected)) << c.argv0;
  }
  for (const char* trace : {"pwned", "pwned2", "pwned3"})
    EXPECT_FALSE(fs::exists(mFolder / "real/" + trace));
}

// After the start-up events the loop auto-quits at once (no window): CancelClose, in which a
// second RuntimeRun returns at once, then Close, and the entry goes on after RuntimeRun.
TEST_F(StartupImage, StartupEventsInOrderWithAndWithoutDocuments) {
  const std::string quit =
      "running\nCancelClose\nsecond RuntimeRun returned\nClose\nRuntimeRun returned\n";
  const std::string documents =
      "OpenDocument " + mFolder / "a.txt" + "\nOpenDocument " + mFolder / "sub/b c.txt" + "\n";
  const struct {
    bool withArguments;
    std::string mode, events;
  } cases[] = {{false, "", "Open\nNewDocument\n"},
               {true, "", "Open\n" + documents},
               {true, "nodoc", "Open\n"}};
  for (const auto& c : cases) {
    std::vector<std::string> argv = {STARTAPP_EXE};
    if (c.withArguments) argv.insert(argv.end(), {"a.txt", "sub/b c.txt"});
    const Transcript run = RunToEnd({.program = STARTAPP_EXE,
                                     .argv = argv,
                                     .folder = mFolder.path(),
                                     .environment = {"QVTEST_MODE=" + c.mode}});
    EXPECT_TRUE(qvtest::ExitedWith(run.status, 0));
    EXPECT_EQ(run.events, c.events + quit) << c.mode;
  }
}

// TERM asks CancelClose, whose veto cannot keep the process; HUP does not ask. Both exit 0.
TEST_F(StartupImage, TerminationSignalsEndTheWaitingLoopWithStatusZero) {
  for (int signalNumber : {SIGTERM, SIGHUP}) {
    qvtest::SpawnedProcess app({.program = STARTAPP_EXE, .environment = {"QVTEST_MODE=wait"}});
    ASSERT_TRUE(app.WaitForOutput("running\n")) << app.Errors();
    usleep(200 * 1000);  // into the loop's wait
    app.Signal(signalNumber);
    EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << signalNumber << app.Errors();
    const bool asked = app.Output().find("CancelClose") != std::string::npos;
    EXPECT_EQ(asked, signalNumber == SIGTERM) << app.Output();
    EXPECT_EQ(app.Output().find("RuntimeRun returned"), std::string::npos);
  }
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The temporary files in /tmp that hold the bytes of file.
std::set<fs::path> TemporaryCopiesOf(const std::string& file) {
  std::set<fs::path> copies;
  for (const fs::directory_entry& entry : fs::directory_iterator("/tmp")) {
    std::error_code error;
    if (entry.is_regular_file(error) && entry.file_size(error) == fs::file_size(file) &&
        FileBytes(entry.path()) == FileBytes(file))
      copies.insert(entry.path());
  }
  return copies;
}

// Without a display the windowed application cannot register: the report says why, and the
// process ends the framework's way, status 1, its shutdown tasks run: the temporary copy of
// the movie the image extracted before is gone.
TEST(StartupImageWithoutDisplay, AWindowedApplicationEndsThroughTheFrameworksWayOut) {
  const std::set<fs::path> before = TemporaryCopiesOf(STARTAPP_MOVIE);
  const Transcript run = RunToEnd(
      {.program = STARTAPP_EXE, .environment = {"QVTEST_MODE=movie"}, .unset = {"DISPLAY"}});
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.events;
  EXPECT_NE(run.events.find("movie extracted\n"), std::string::npos) << run.events;
  EXPECT_NE(run.events.find("A windowed application needs a display"), std::string::npos)
      << run.events;
  EXPECT_EQ(run.events.find("Open\n"), std::string::npos) << run.events;
  EXPECT_EQ(TemporaryCopiesOf(STARTAPP_MOVIE), before) << "the extracted movie stays behind";
}

}  // namespace
