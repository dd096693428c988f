// The main of every test binary: GoogleTest plus GTK when a display is there.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "core/Memory.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  initializeMemoryCriticalSection();
  gtk_init_check(&argc, &argv);
  return RUN_ALL_TESTS();
}
