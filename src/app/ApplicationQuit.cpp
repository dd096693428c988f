#include "app/ApplicationQuit.h"

#include <cstdio>
#include <string>

#include "app/ApplicationClass.h"
#include "app/ClassLibraryHooks.h"
#include "app/MainLoop.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "strings/StringReplace.h"

namespace {

bool gHandlingUnhandledException = false;

void ReportOnStandardError(const string& message, const string& explanation) {
  std::fprintf(stderr, "%s\n%s\n", message.CString(), explanation.CString());
  std::fflush(stderr);
}

ExceptionReportDialog gReportDialog = ReportOnStandardError;

class InHandlerScope {
 public:
  InHandlerScope() { gHandlingUnhandledException = true; }
  ~InHandlerScope() { gHandlingUnhandledException = false; }
  InHandlerScope(const InHandlerScope&) = delete;
  InHandlerScope& operator=(const InHandlerScope&) = delete;
};

bool IsEndException(RuntimeObject* exception) {
  return ObjectIsaDefinition(exception, EndExceptionDefinition());
}

}  // namespace

bool ApplicationPrepareQuit() {
  RuntimeObject* application = ApplicationObject();
  if (!application) return true;
  ApplicationFields* app = AsApplication(application);
  if (app->quitting) return false;
  app->quitting = 1;
  // The object may go away during the events; keep it until the byte is cleared.
  RuntimeLockObject(application);
  bool quit = !RaiseApplicationCancelClose(application) && WindowSystem().closeWindowsForQuit();
  if (quit) {
    WindowSystem().removeTrayItems();
    RaiseApplicationClose(application);
  }
  app->quitting = 0;
  RuntimeUnlockObject(application);
  return quit;
}

// The raise returns either way: when no compiled handler took the exception, its report has
// set the quit flag; when one did, the caller must do no further work.
bool ApplicationQuit(RuntimeObject*, bool raiseEnd) {
  if (!ApplicationPrepareQuit()) return false;
  if (raiseEnd && !gHandlingUnhandledException) {
    ThreadScheduler().killAllThreads();
    RaiseNewException(EndExceptionDefinition());
    return true;
  }
  MainLoopSetQuit();
  return false;
}

extern "C" void QV_ApplicationQuit(int32_t) { ApplicationQuit(ApplicationObject(), true); }
QV_EXPORT(QV_ApplicationQuit)

extern "C" void ApplicationQuitRaising(RuntimeObject* application, int32_t raiseEnd) {
  ApplicationQuit(application, raiseEnd != 0);
}
QV_EXPORT_AS("ApplicationQuit", ApplicationQuitRaising)

bool ApplicationHandleUnhandledException(RuntimeObject* exception) {
  InHandlerScope scope;
  if (ObjectIsaDefinition(exception, ThreadEndExceptionDefinition())) return true;
  if (IsEndException(exception)) return false;
  return RaiseApplicationUnhandledException(ApplicationObject(), exception);
}

void UnhandledExceptionHook(RuntimeObject* exception) {
  if (ApplicationHandleUnhandledException(exception) || MainLoopQuitRequested()) return;
  ShowUnhandledExceptionReport(exception);
}

string UnhandledExceptionMessage(RuntimeObject* exception) {
  const string className =
      exception && exception->classPtr ? string(exception->classPtr->className) : string();
  return ReplaceText("An exception of class %1 was not handled.  The application must shut down.",
                     "%1", className, true, true);
}

string UnhandledExceptionExplanation(RuntimeObject* exception) {
  if (!IsExceptionObject(exception)) return string();
  const RuntimeExceptionObject* fields = AsException(exception);
  string explanation;
  if (stringStorage::Length(fields->message) > 0) {
    explanation = string("Exception Message: ") + string(fields->message) + string("\r");
  }
  if (fields->errorNumber != 0) {
    explanation += ("Exception Error Number: " + std::to_string(fields->errorNumber)).c_str();
  }
  return explanation;
}

// The program ends after the report: the dialog's own passes must not auto-quit, which would
// raise CancelClose and Close.
void ShowUnhandledExceptionReport(RuntimeObject* exception) {
  if (IsEndException(exception)) {
    WindowSystem().closeAllWindows();
  } else {
    AutoQuitHold hold;
    gReportDialog(UnhandledExceptionMessage(exception), UnhandledExceptionExplanation(exception));
  }
  MainLoopSetQuit();
}

ExceptionReportDialog SetExceptionReportDialog(ExceptionReportDialog dialog) {
  ExceptionReportDialog previous = gReportDialog;
  gReportDialog = dialog ? dialog : ReportOnStandardError;
  return previous;
}
