#include "app/RuntimeInit.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ApplicationClass.h"
#include "app/FolderItemImp.h"
#include "app/MainLoop.h"
#include "app/RuntimeMain.h"
#include "app/ShutdownTasks.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"

namespace {

bool gRunGuard = false;

string& ApplicationPath() {
  static string path;
  return path;
}

// A windowed application cannot run without a display. The process ends the framework's way,
// not inside GTK: the report says why, the shutdown tasks run (temporary files the image made
// go), and the exit status is 1.
void RequireDisplay() {
  if (gdk_display_get_default()) return;
  const char* name = gdk_get_display_arg_name();  // --display, else DISPLAY
  if (!name) name = std::getenv("DISPLAY");
  const std::string why = std::string("A windowed application needs a display: cannot open ") +
                          "display \"" + (name ? name : "") + "\"";
  QV_FAIL(why.c_str());
  RunShutdownTasks();
  std::exit(1);
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
