#include "app/RuntimeInit.h"

#include <gtk/gtk.h>

#include <cstring>

#include "app/ApplicationClass.h"
#include "app/FolderItemImp.h"
#include "app/MainLoop.h"
#include "app/RuntimeMain.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"

namespace {

bool gRunGuard = false;

string& ApplicationPath() {
  static string path;
  return path;
}

// A windowed application cannot run without a display: GTK says so and ends the process.
void RequireDisplay() {
  if (gdk_display_get_default()) return;
  int argc = CommandLineCount() > 0 ? 1 : 0;
  char* first = argc ? const_cast<char*>(CommandLineArgument(0)) : nullptr;
  char* vector[] = {first, nullptr};
  char** argv = vector;
  gtk_init(&argc, &argv);
}

// Command-line text is the system's: UTF-8, whatever bytes it holds.
string ArgumentText(const char* argument) {
  return argument ? string::FromBytes(argument, int64_t(std::strlen(argument)), kEncodingUTF8)
                  : string();
}

void RaiseOpenDocuments(RuntimeObject* application) {
  for (int32_t i = 1; i < CommandLineCount(); ++i) {
    RuntimeObject* item = NewFolderItemObject(ArgumentText(CommandLineArgument(i)));
    ApplicationOpenDocument(application, item);
    RuntimeUnlockObject(item);
  }
}

}  // namespace

// Nothing to prepare before the classes are registered; kept as the application's first call.
extern "C" void RuntimeInit() {}
QV_EXPORT(RuntimeInit)

extern "C" int32_t RuntimeExit() { return 0; }
QV_EXPORT(RuntimeExit)

extern "C" void RuntimeRegisterAppObject(RuntimeObject* object) {
  RequireDisplay();
  if (object) {
    SetApplicationObject(object);
  } else {
    RuntimeObject* made = NewObjectFromDefinition(ApplicationClassDefinition());
    SetApplicationObject(made);
    RuntimeUnlockObject(made);  // the registration's reference keeps it
  }
  RaiseStartupEvents();
}
QV_EXPORT(RuntimeRegisterAppObject)

void RaiseStartupEvents() {
  RuntimeObject* application = ApplicationObject();
  if (!application) return;
  RuntimeLockObject(application);  // an event handler may drop the others
  RaiseApplicationOpen(application);
  if (CommandLineCount() >= 2) {
    if (ApplicationHasOpenDocumentHandler(application)) RaiseOpenDocuments(application);
  } else {
    ApplicationNewDocument(application);
  }
  RuntimeUnlockObject(application);
}

extern "C" void RuntimeRun() {
  if (gRunGuard) return;
  gRunGuard = true;
  SetMainLoopRunning(true);
  RunMainLoopUntilQuit();
  SetMainLoopRunning(false);
}
QV_EXPORT(RuntimeRun)

extern "C" void RuntimeSetApplicationPath(stringStorage* path) { ApplicationPath() = string(path); }
QV_EXPORT(RuntimeSetApplicationPath)

string ApplicationPathSetting() { return ApplicationPath(); }

string ExecutableFilePath() {
  if (!ApplicationPath().IsEmpty()) return ApplicationPath();
  return ArgumentText(gRuntimeArgc > 0 && gRuntimeArgv ? gRuntimeArgv[0] : nullptr);
}
