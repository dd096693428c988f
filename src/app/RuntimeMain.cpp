#include "app/RuntimeMain.h"

#include <gtk/gtk.h>
#include <limits.h>
#include <unistd.h>

#include <string>

#include "app/ImageEntry.h"
#include "core/Memory.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"

int32_t gRuntimeArgc = 0;
char** gRuntimeArgv = nullptr;

namespace {

// The running executable's path, so that the loader reads the file that is running even when
// argv[0] is a bare name found through PATH or a relative path.
std::string OwnExecutablePath(const char* argv0) {
  std::string path(PATH_MAX, '\0');
  ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length > 0 && size_t(length) < path.size()) return path.substr(0, size_t(length));
  return argv0 ? argv0 : "";
}

}  // namespace

int RuntimeMain(int argc, char** argv) {
  gRuntimeArgc = argc;
  gRuntimeArgv = argv;
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  InitStrings();
  std::string executable = OwnExecutablePath(argc > 0 ? argv[0] : nullptr);
  // Without a display the framework still runs: console applications and reports on stderr.
  gtk_init_check(&gRuntimeArgc, &gRuntimeArgv);
  return RunApplicationImage(executable.c_str()) ? 0 : 1;
}
