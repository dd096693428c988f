// The message dialog behind the language's message boxes: a message, an explanation, a title
// and up to three buttons (action, cancel, alternate), one of which may be the default, shown
// modally over a GtkMessageDialog. The windows subsystem's full MessageDialog class takes these
// three entry points over later; callers only use them and the fields below.
//
// Without a display (a console application, or GTK not initialised) the dialog writes its
// message and explanation to standard error and answers as if its default button were pressed.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

struct MessageDialog;

struct MessageDialogButton {
  MessageDialog* dialog;  // the dialog that owns the button
  string caption;
  bool visible;
};

// Indices of MessageDialog::defaultButton.
constexpr int32_t kNoDefaultButton = -1;
constexpr int32_t kDefaultActionButton = 0;
constexpr int32_t kDefaultCancelButton = 1;
constexpr int32_t kDefaultAlternateButton = 2;

// Values of MessageDialog::icon: the stock icon beside the message.
constexpr int32_t kMessageDialogNoIcon = -1;
constexpr int32_t kMessageDialogInformationIcon = 0;
constexpr int32_t kMessageDialogWarningIcon = 1;
constexpr int32_t kMessageDialogErrorIcon = 2;
constexpr int32_t kMessageDialogQuestionIcon = 3;

// What MessageDialogRunModal answers.
constexpr int32_t kPressedCancelButton = 0;
constexpr int32_t kPressedActionButton = 1;
constexpr int32_t kPressedAlternateButton = 2;

struct MessageDialog {
  string message;
  string explanation;
  string title;
  MessageDialogButton actionButton;     // "OK", shown
  MessageDialogButton cancelButton;     // "Cancel", hidden
  MessageDialogButton alternateButton;  // "Don't Save", hidden
  int32_t defaultButton;                // kNoDefaultButton or a kDefault... index
  int32_t icon;                         // a kMessageDialog...Icon, information at first

  // The button of a kDefault... index.
  MessageDialogButton& Button(int32_t index) {
    if (index == kDefaultCancelButton) return cancelButton;
    if (index == kDefaultAlternateButton) return alternateButton;
    return actionButton;
  }
};

// Builds a dialog in the caller's storage; MessageDialogDestroyObject undoes it.
void MessageDialogInitObject(void* storage);
// Shows the dialog modally without a parent window and answers which button closed it (a
// kPressed... code). Closing the window counts as the cancel button when it is shown, else as
// the default button.
int32_t MessageDialogRunModal(MessageDialog* dialog);
void MessageDialogDestroyObject(MessageDialog* dialog);

// A dialog built in place for the length of a scope, as the message-box functions use one.
class ScopedMessageDialog {
 public:
  ScopedMessageDialog() { MessageDialogInitObject(&mStorage); }
  ~ScopedMessageDialog() { MessageDialogDestroyObject(Get()); }
  ScopedMessageDialog(const ScopedMessageDialog&) = delete;
  ScopedMessageDialog& operator=(const ScopedMessageDialog&) = delete;
  MessageDialog* Get() { return reinterpret_cast<MessageDialog*>(&mStorage); }

 private:
  alignas(MessageDialog) unsigned char mStorage[sizeof(MessageDialog)];
};
