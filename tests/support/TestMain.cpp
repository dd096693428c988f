// The main of every test binary: GoogleTest plus GTK when a display is there, watched from the
// start for a hang (support/Watchdog.h), each case ending what it started
// (support/LeftoverChildren.h). A death test's child is started by exec, never a bare fork:
// a forked copy of this process would find taken for ever every lock that another thread
// (the watchdog, a language thread, the emulator's own) held at the fork.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "core/Memory.h"
#include "core/Startup.h"
#include "support/LeftoverChildren.h"
#include "support/TestSupport.h"
#include "support/ToolkitWarnings.h"
#include "support/Watchdog.h"

namespace {

// GoogleTest has made this process's marker of an unfinished run (the file run-test names) when
// the first case starts; a test binary that the cases start again (a variant run as another
// user, a child of the watchdog's tests) would otherwise make it and delete it as its own,
// hiding this run's early end or failing where it cannot write there.
class KeepTheExitMarker : public testing::EmptyTestEventListener {
  void OnTestProgramStart(const testing::UnitTest&) override {
    unsetenv("TEST_PREMATURE_EXIT_FILE");
  }
};

}  // namespace

int main(int argc, char** argv) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing::InitGoogleTest(&argc, argv);
  qvtest::StartWatchdog();
  qvtest::EndLeftoverChildren();
  initializeMemoryCriticalSection();
  // The hooks the upper layers install, as the executable's start has them.
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  gtk_init_check(&argc, &argv);
  RunStartupSteps(kStartupToolkitBegin, kStartupToolkitEnd);
  qvtest::FailOnUnexpectedReports();
  qvtest::FailOnToolkitWarnings();
  testing::UnitTest::GetInstance()->listeners().Append(new KeepTheExitMarker);
  return RUN_ALL_TESTS();
}
