// The main of every test binary: GoogleTest plus GTK when a display is there.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "core/Memory.h"
#include "core/Startup.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  initializeMemoryCriticalSection();
  // The hooks the upper layers install, as the executable's start has them.
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  gtk_init_check(&argc, &argv);
  qvtest::FailOnUnexpectedReports();
  return RUN_ALL_TESTS();
}
