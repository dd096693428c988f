// The message dialog: a modal alert with a stock icon, a message, an explanation and up to
// three push buttons (action, cancel, alternate action). The language class "MessageDialog"
// is this record; its three button objects ("_ActionButton", "_CancelButton",
// "_AlternateActionButton", subclasses of "MessageDialogButton") read and write it. Framework
// code (the message boxes, the unhandled-exception report) builds the same record in its own
// storage with MessageDialogInitObject, fills the fields, runs it and destroys it.
//
// A run builds a native window (MessageDialogImp.h) from the current fields, runs a nested
// main loop until a button or the close box ends it, closes the window and answers a button
// code. Each run keeps its answer with its own window, so a dialog shown from a timer during
// another run never changes the other's answer. Without a display the texts go to standard
// error and the default button answers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class Window;

// Button codes: the answer of a run, the default and cancel roles, MDButtonGetter's parameter.
constexpr int32_t kMessageDialogNoButton = -1;
constexpr int32_t kMessageDialogCancelButton = 0;
constexpr int32_t kMessageDialogActionButton = 1;
constexpr int32_t kMessageDialogAlternateButton = 2;

// Values of the icon field.
constexpr int32_t kMessageDialogNoIcon = -1;
constexpr int32_t kMessageDialogInformationIcon = 0;
constexpr int32_t kMessageDialogWarningIcon = 1;
constexpr int32_t kMessageDialogErrorIcon = 2;
constexpr int32_t kMessageDialogQuestionIcon = 3;

struct MessageDialogRecord {
  RuntimeObject header;
  RuntimeObject* actionButton;     // one reference each, made by the initialisation
  RuntimeObject* cancelButton;
  RuntimeObject* alternateButton;
  int32_t icon;
  stringStorage* title;
  stringStorage* message;
  stringStorage* explanation;
  uint8_t cancelVisible;
  uint8_t alternateVisible;
  stringStorage* actionCaption;  // empty: "OK", filled in when a window is built
  stringStorage* cancelCaption;  // "Cancel"
  stringStorage* alternateCaption;  // "Alternate Action"
  int32_t defaultCode;  // a button code
  int32_t cancelCode;
  Window* parentWindow;  // not counted; set for the length of a run within a window
  uint8_t reserved[704 - 80];
};
static_assert(sizeof(MessageDialogRecord) == 704, "MessageDialog instance size");
static_assert(offsetof(MessageDialogRecord, actionButton) == 24 &&
                  offsetof(MessageDialogRecord, icon) == 36 &&
                  offsetof(MessageDialogRecord, title) == 40 &&
                  offsetof(MessageDialogRecord, cancelVisible) == 52 &&
                  offsetof(MessageDialogRecord, actionCaption) == 56 &&
                  offsetof(MessageDialogRecord, defaultCode) == 68 &&
                  offsetof(MessageDialogRecord, cancelCode) == 72 &&
                  offsetof(MessageDialogRecord, parentWindow) == 76,
              "MessageDialog layout");

struct MessageDialogButtonRecord {
  RuntimeObject header;
  MessageDialogRecord* dialog;  // not counted; nil once the dialog is gone
  uint8_t reserved[4];
};
static_assert(sizeof(MessageDialogButtonRecord) == 32 &&
                  offsetof(MessageDialogButtonRecord, dialog) == 24,
              "MessageDialogButton layout");

// Stores value in a string field of the record (its own reference; the old one released).
void SetMessageDialogText(stringStorage*& field, const string& value);

// ---- for framework code: a record in the caller's storage ----
void MessageDialogInitObject(MessageDialogRecord* record);
// The answering button code, or -1 when the window ended without one (quitting).
int32_t MessageDialogRunModal(MessageDialogRecord* record);
int32_t MessageDialogRunModalWithin(MessageDialogRecord* record, Window* parent);
void MessageDialogDestroyObject(MessageDialogRecord* record);

// A record built in place for the length of a scope.
class ScopedMessageDialog {
 public:
  ScopedMessageDialog() { MessageDialogInitObject(&mRecord); }
  ~ScopedMessageDialog() { MessageDialogDestroyObject(&mRecord); }
  ScopedMessageDialog(const ScopedMessageDialog&) = delete;
  ScopedMessageDialog& operator=(const ScopedMessageDialog&) = delete;
  MessageDialogRecord* Get() { return &mRecord; }

 private:
  MessageDialogRecord mRecord;
};

// ---- the language classes ----
ObjectDefinition* MessageDialogButtonClassDefinition();
ObjectDefinition* ActionButtonClassDefinition();
ObjectDefinition* CancelButtonClassDefinition();
ObjectDefinition* AlternateActionButtonClassDefinition();
ObjectDefinition* MessageDialogClassDefinition();
// Registers the five classes, buttons first.
void RegisterMessageDialogClasses();

extern "C" {
int32_t MDBBooleanGetter(RuntimeObject* button, uint32_t parameter);
void MDBBooleanSetter(RuntimeObject* button, uint32_t parameter, int32_t value);
stringStorage* MDBCaptionGetter(RuntimeObject* button, uint32_t parameter);
void MDBCaptionSetter(RuntimeObject* button, uint32_t parameter, stringStorage* value);
void MDIconSetter(RuntimeObject* dialog, uint32_t parameter, int32_t value);
RuntimeObject* MDButtonGetter(RuntimeObject* dialog, uint32_t code);
RuntimeObject* MessageDialogShowModal(RuntimeObject* dialog);
RuntimeObject* MessageDialogShowModalWithin(RuntimeObject* dialog, RuntimeObject* parent);
void MessageDialogInitializer(RuntimeObject* dialog);
void MessageDialogFinalizer(RuntimeObject* dialog);
}
