#include "windows/UnhandledExceptionDialog.h"

#include "app/ApplicationQuit.h"
#include "core/Startup.h"
#include "windows/MessageDialog.h"

void ShowUnhandledExceptionDialog(const string& message, const string& explanation) {
  ScopedMessageDialog scoped;
  MessageDialogRecord& dialog = *scoped.Get();
  SetMessageDialogText(dialog.message, message);
  SetMessageDialogText(dialog.explanation, explanation);
  dialog.icon = kMessageDialogErrorIcon;
  MessageDialogRunModal(&dialog);
}

QV_STARTUP(kStartupUnhandledExceptionDialog,
           +[] { SetExceptionReportDialog(ShowUnhandledExceptionDialog); })
