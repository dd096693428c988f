#include "app/RuntimeMain.h"

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/ApplicationQuit.h"
#include "app/ExecutablePath.h"
#include "app/ImageEntry.h"
#include "app/TerminationSignals.h"
#include "app/ThreadScheduler.h"
#include "core/Exceptions.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

int32_t gRuntimeArgc = 0;
char** gRuntimeArgv = nullptr;

namespace {

// What the stack check allows the main thread below start-up.
constexpr int32_t kMainThreadStackSize = 262144;

std::vector<const char*>& ArgumentsAsReceived() {
  static std::vector<const char*> arguments;
  return arguments;
}

std::string& ExecutablePathStorage() {
  static std::string path;
  return path;
}

// argv[0] becomes the resolved path when it named no folder, as ExecutableFile reads it.
void StoreExecutablePath(int argc, char** argv) {
  const char* argv0 = argc > 0 ? argv[0] : nullptr;
  if (argv0 && std::strchr(argv0, '/')) return;  // used as given
  ExecutablePathStorage() = ResolveExecutablePath(argv0);
  if (!QV_CHECK_TEXT(!ExecutablePathStorage().empty(), "exeFilePath", nullptr)) return;
  if (argc > 0) argv[0] = ExecutablePathStorage().data();
}

}  // namespace

void StoreCommandLine(int argc, char** argv) {
  gRuntimeArgc = argc;
  gRuntimeArgv = argv;
  ArgumentsAsReceived().assign(argv, argv + (argc > 0 ? argc : 0));
}

int32_t CommandLineCount() { return int32_t(ArgumentsAsReceived().size()); }

const char* CommandLineArgument(int32_t index) {
  const std::vector<const char*>& arguments = ArgumentsAsReceived();
  return index >= 0 && size_t(index) < arguments.size() ? arguments[size_t(index)] : nullptr;
}

int RuntimeMain(int argc, char** argv) {
  initializeMemoryCriticalSection();
  InstallOutOfMemoryNewHandler();
  InitStrings();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  StoreCommandLine(argc, argv);
  // GTK rewrites main's own count and vector; the stored count stays as received.
  int toolkitArgc = argc;
  char** toolkitArgv = argv;
  // The movie player's xine draws from its own threads: Xlib's locking must be on before the
  // first display opens.
  XInitThreads();
  gtk_init_check(&toolkitArgc, &toolkitArgv);
  RunStartupSteps(kStartupToolkitBegin, kStartupToolkitEnd);
  InitDefaultFontSpec(true);
  SetUnhandledExceptionHook(UnhandledExceptionHook);
  QUORInitStackChecker(kMainThreadStackSize, 0);
  StoreExecutablePath(argc, argv);
  ArmTerminationSignals();
  return RunApplicationImage(RunningFilePath().c_str()) ? 0 : 1;
}
