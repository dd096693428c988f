#include "app/RuntimeMain.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "core/Memory.h"

int32_t gRuntimeArgc = 0;
char** gRuntimeArgv = nullptr;

int RuntimeMain(int argc, char** argv) {
  gRuntimeArgc = argc;
  gRuntimeArgv = argv;
  initializeMemoryCriticalSection();
  // Without a display the framework still runs: console applications and reports on stderr.
  gtk_init_check(&gRuntimeArgc, &gRuntimeArgv);
  std::fprintf(stderr, "qvruntime: no application image loader in this build yet.\n");
  return 0;
}
