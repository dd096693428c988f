// The main of every test binary: GoogleTest plus GTK when a display is there, watched from the
// start for a hang (support/Watchdog.h).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "core/Memory.h"
#include "core/Startup.h"
#include "support/TestSupport.h"
#include "support/ToolkitWarnings.h"
#include "support/Watchdog.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qvtest::StartWatchdog();
  initializeMemoryCriticalSection();
  // The hooks the upper layers install, as the executable's start has them.
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  gtk_init_check(&argc, &argv);
  RunStartupSteps(kStartupToolkitBegin, kStartupToolkitEnd);
  qvtest::FailOnUnexpectedReports();
  qvtest::FailOnToolkitWarnings();
  return RUN_ALL_TESTS();
}
