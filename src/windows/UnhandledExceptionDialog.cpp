#include "windows/UnhandledExceptionDialog.h"

#include "app/ApplicationQuit.h"
#include "core/Startup.h"
#include "windows/MessageBoxDialog.h"

void ShowUnhandledExceptionDialog(const string& message, const string& explanation) {
  ScopedMessageDialog scoped;
  MessageDialog& dialog = *scoped.Get();
  dialog.message = message;
  dialog.explanation = explanation;
  dialog.defaultButton = kDefaultActionButton;
  dialog.icon = kMessageDialogErrorIcon;
  MessageDialogRunModal(&dialog);
}

QV_STARTUP(kStartupUnhandledExceptionDialog,
           +[] { SetExceptionReportDialog(ShowUnhandledExceptionDialog); })
