// The end on a termination signal, in a fresh process of this binary whose loop waits: the
// shutdown tasks run and the status is 0 although CancelClose vetoes; a second signal while
// the end is held up ends the process at once, before the tasks.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/ApplicationClass.h"
#include "app/RuntimeInit.h"
#include "app/ShutdownTasks.h"
#include "app/TerminationSignals.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"

namespace {

// The file the test and its re-run child share: the child finds its name in the environment.
std::string Transcript() {
  if (const char* path = getenv("QVTEST_TERMINATION_TRANSCRIPT")) return path;
  char pattern[] = "/tmp/qvtermXXXXXX";
  const std::string path = mkdtemp(pattern) ? std::string(pattern) + "/transcript" : "";
  setenv("QVTEST_TERMINATION_TRANSCRIPT", path.c_str(), 1);
  return path;
}

void Note(const char* text) { std::ofstream(Transcript(), std::ios::app) << text; }

struct MarkerTask : runShutdownTask {
  ~MarkerTask() override { Note("shutdown task\n"); }
};

int gHoldMilliseconds = 0;

// A compiled CancelClose: notes that it was asked, may take its time, and vetoes.
int32_t CancelCloseHandler(RuntimeObject*) {
  Note("CancelClose\n");
  usleep(useconds_t(gHoldMilliseconds) * 1000);
  return 1;
}

[[noreturn]] void RunWaitingApplicationSignalledAt(std::initializer_list<int> milliseconds,
                                                   bool autoQuit = false) {
  for (int at : milliseconds) {
    std::thread([=] {
      usleep(useconds_t(at) * 1000);
      kill(getpid(), SIGTERM);
    }).detach();
  }
  new MarkerTask;
  RuntimeObject* app = NewObjectFromDefinition(ApplicationClassDefinition());
  AppAutoCloseSetter(app, 0, autoQuit);
  RuntimeInstallInstanceEventHandler(app, string("CancelClose").Storage(),
                                     reinterpret_cast<void*>(&CancelCloseHandler));
  SetApplicationObject(app);
  RuntimeUnlockObject(app);
  ArmTerminationSignals();
  RuntimeRun();
  _exit(3);  // the loop never ends by itself
}

class TerminationSignalDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(Transcript());
  }
  // The folder goes with the suite; a repeated run makes a new one.
  static void TearDownTestSuite() {
    std::filesystem::remove_all(std::filesystem::path(Transcript()).parent_path());
    unsetenv("QVTEST_TERMINATION_TRANSCRIPT");
  }
  std::string Written() {
    std::ostringstream text;
    text << std::ifstream(Transcript()).rdbuf();
    return text.str();
  }
};

TEST_F(TerminationSignalDeathTest, TermAsksCancelCloseRunsTheShutdownTasksAndExitsZero) {
  EXPECT_EXIT(RunWaitingApplicationSignalledAt({300}), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Written(), "CancelClose\nshutdown task\n");
}

// With AutoQuit on and no window, CancelClose declines the auto-quit: the loop then waits for
// events rather than asking again and again.
TEST_F(TerminationSignalDeathTest, ADeclinedAutoQuitIsNotAskedAgainAtOnce) {
  EXPECT_EXIT(RunWaitingApplicationSignalledAt({500}, true), ::testing::ExitedWithCode(0), "");
  const std::string written = Written();
  EXPECT_TRUE(written.starts_with("CancelClose\n") && written.ends_with("shutdown task\n"));
  EXPECT_LT(written.size(), 6 * sizeof("CancelClose")) << "asked without end";
}

TEST_F(TerminationSignalDeathTest, ASecondSignalEndsAtOnce) {
  gHoldMilliseconds = 5000;
  EXPECT_EXIT(RunWaitingApplicationSignalledAt({300, 900}), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Written(), "CancelClose\n");
}

}  // namespace
