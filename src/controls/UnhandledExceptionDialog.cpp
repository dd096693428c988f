#include "controls/UnhandledExceptionDialog.h"

#include "controls/MessageDialog.h"
#include "app/ApplicationQuit.h"
#include "core/Startup.h"

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
