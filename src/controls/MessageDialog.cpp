#include "controls/MessageDialog.h"

#include <gdk/gdk.h>

#include <cstdio>
#include <cstring>

#include "controls/MessageDialogImp.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "strings/StringFoundation.h"
#include "strings/TextEncoding.h"
#include "windows/DrawFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

enum ButtonProperty : uint32_t { kVisibleProperty = 0, kDefaultProperty = 1, kCancelProperty = 2 };

const PropertyRow kButtonProperties[] = {
    QV_PROPERTY("Visible", Boolean, MDBBooleanGetter, MDBBooleanSetter, kVisibleProperty),
    QV_PROPERTY("Default", Boolean, MDBBooleanGetter, MDBBooleanSetter, kDefaultProperty),
    QV_PROPERTY("Cancel", Boolean, MDBBooleanGetter, MDBBooleanSetter, kCancelProperty),
    QV_PROPERTY("Caption", String, MDBCaptionGetter, MDBCaptionSetter, 0),
    QV_VARIABLE("__qvf_mImp", Integer),
};

const PropertyRow kDialogProperties[] = {
    QV_PROPERTY("Message", String, StringToSSGetter, SSToStringSetter,
                offsetof(MessageDialogRecord, message)),
    QV_PROPERTY("Explanation", String, StringToSSGetter, SSToStringSetter,
                offsetof(MessageDialogRecord, explanation)),
    QV_PROPERTY("Title", String, StringToSSGetter, SSToStringSetter,
                offsetof(MessageDialogRecord, title)),
    QV_PROPERTY("Icon", Integer, intGetter, MDIconSetter, offsetof(MessageDialogRecord, icon)),
    QV_READONLY("ActionButton", Class<"_ActionButton">, MDButtonGetter,
                kMessageDialogActionButton),
    QV_READONLY("CancelButton", Class<"_CancelButton">, MDButtonGetter,
                kMessageDialogCancelButton),
    QV_READONLY("AlternateActionButton", Class<"_AlternateActionButton">, MDButtonGetter,
                kMessageDialogAlternateButton),
    QV_VARIABLE("__qvf_mImp", Integer),
};

const MethodRow kDialogMethods[] = {
    QV_FUNCTION("ShowModal", Class<"MessageDialogButton">, MessageDialogShowModal),
    QV_FUNCTION("ShowModalWithin", Class<"MessageDialogButton">, MessageDialogShowModalWithin,
                Param("Parent", Class<"Window">)),
};

MessageDialogRecord* AsDialog(RuntimeObject* object) {
  return reinterpret_cast<MessageDialogRecord*>(object);
}

// The dialog a button object stands for, and which of its buttons (a button code); nil and
// -1 for a nil button, a button whose dialog is gone, or an object of none of the three kinds.
MessageDialogRecord* DialogOfButton(RuntimeObject* button, int32_t* code) {
  *code = kMessageDialogNoButton;
  if (!button) return nullptr;
  MessageDialogRecord* dialog = reinterpret_cast<MessageDialogButtonRecord*>(button)->dialog;
  if (!dialog) return nullptr;
  if (ObjectIsaDefinition(button, ActionButtonClassDefinition())) {
    *code = kMessageDialogActionButton;
  } else if (ObjectIsaDefinition(button, CancelButtonClassDefinition())) {
    *code = kMessageDialogCancelButton;
  } else if (ObjectIsaDefinition(button, AlternateActionButtonClassDefinition())) {
    *code = kMessageDialogAlternateButton;
  }
  return dialog;
}

stringStorage*& CaptionOf(MessageDialogRecord* dialog, int32_t code) {
  if (code == kMessageDialogCancelButton) return dialog->cancelCaption;
  if (code == kMessageDialogAlternateButton) return dialog->alternateCaption;
  return dialog->actionCaption;
}

RuntimeObject* NewButton(ObjectDefinition* definition, MessageDialogRecord* dialog) {
  RuntimeObject* button = NewObjectFromDefinition(definition);
  if (button) reinterpret_cast<MessageDialogButtonRecord*>(button)->dialog = dialog;
  return button;
}

void InitializeRecord(MessageDialogRecord* dialog) {
  dialog->actionButton = NewButton(ActionButtonClassDefinition(), dialog);
  dialog->cancelButton = NewButton(CancelButtonClassDefinition(), dialog);
  dialog->alternateButton = NewButton(AlternateActionButtonClassDefinition(), dialog);
  dialog->icon = kMessageDialogInformationIcon;
  dialog->cancelVisible = 0;
  dialog->alternateVisible = 0;
  dialog->defaultCode = kMessageDialogActionButton;
  dialog->cancelCode = kMessageDialogCancelButton;
}

// A button object may outlive its dialog in compiled code's hands: it then acts as a button
// without dialog instead of reaching the freed record.
void ReleaseButton(RuntimeObject*& button) {
  RuntimeObject* object = button;
  button = nullptr;
  if (!object) return;
  reinterpret_cast<MessageDialogButtonRecord*>(object)->dialog = nullptr;
  RuntimeUnlockObject(object);
}

void ReleaseRecord(MessageDialogRecord* dialog) {
  ReleaseButton(dialog->actionButton);
  ReleaseButton(dialog->cancelButton);
  ReleaseButton(dialog->alternateButton);
  for (stringStorage** field :
       {&dialog->title, &dialog->message, &dialog->explanation, &dialog->actionCaption,
        &dialog->cancelCaption, &dialog->alternateCaption}) {
    RuntimeUnlockString(*field);
    *field = nullptr;
  }
}

// Without a display: the texts on standard error, and the default button's answer (the
// action button's when the default is none or not shown).
int32_t AnswerOnConsole(const MessageDialogRecord* dialog) {
  for (stringStorage* text : {dialog->message, dialog->explanation}) {
    const string utf8 = ConvertToSystemEncoding(string(text));
    if (utf8.IsEmpty()) continue;
    std::fwrite(utf8.CString(), 1, size_t(utf8.Length()), stderr);
    std::fputc('\n', stderr);
  }
  switch (dialog->defaultCode) {
    case kMessageDialogCancelButton:
      return dialog->cancelVisible ? kMessageDialogCancelButton : kMessageDialogActionButton;
    case kMessageDialogAlternateButton:
      return dialog->alternateVisible ? kMessageDialogAlternateButton
                                      : kMessageDialogActionButton;
    default:
      return kMessageDialogActionButton;
  }
}

// One showing: a new window from the current fields, run until it is hidden or quitting is
// asked for, then closed. The answer is the window's own, and the parent window stays alive
// for the length of the run.
int32_t RunDialog(MessageDialogRecord* dialog, Window* parent) {
  ClearDrawFocus();
  dialog->parentWindow = parent;
  if (!gdk_display_get_default()) {
    dialog->parentWindow = nullptr;
    return AnswerOnConsole(dialog);
  }
  if (parent) parent->Retain();
  auto* window = new MessageDialog::Imp(dialog);
  window->Retain();
  window->RunModal();
  const int32_t result = window->Result();
  if (!window->IsClosing()) window->Close();
  window->Release();
  dialog->parentWindow = nullptr;  // not counted: it must not outlive the run
  if (parent) parent->Release();
  return result;
}

// The run keeps the dialog object (which its button objects and window read) alive until it
// returns, and the parent window object with it.
RuntimeObject* ShowDialog(RuntimeObject* object, RuntimeObject* parentObject) {
  if (!object) return nullptr;
  // A parent whose native window is gone leaves the dialog on its own.
  Window* parent = parentObject ? AsWindow(parentObject)->mImp : nullptr;
  RuntimeLockObject(object);
  if (parentObject) RuntimeLockObject(parentObject);
  const int32_t code = RunDialog(AsDialog(object), parent);
  RuntimeObject* button = MDButtonGetter(object, uint32_t(code));
  if (parentObject) RuntimeUnlockObject(parentObject);
  RuntimeUnlockObject(object);
  return button;
}

}  // namespace

void SetMessageDialogText(stringStorage*& field, const string& value) {
  stringStorage* old = field;
  field = value.ExtractStringStorage();
  RuntimeUnlockString(old);
}

// ---- the classes ----

QV_CLASS(MessageDialogButtonClassDefinition,
         .name = "MessageDialogButton",
         .objectSize = sizeof(MessageDialogButtonRecord),
         .properties = kButtonProperties)

QV_CLASS(ActionButtonClassDefinition,
         .name = "_ActionButton",
         .super = MessageDialogButtonClassDefinition,
         .objectSize = sizeof(MessageDialogButtonRecord))

QV_CLASS(CancelButtonClassDefinition,
         .name = "_CancelButton",
         .super = MessageDialogButtonClassDefinition,
         .objectSize = sizeof(MessageDialogButtonRecord))

QV_CLASS(AlternateActionButtonClassDefinition,
         .name = "_AlternateActionButton",
         .super = MessageDialogButtonClassDefinition,
         .objectSize = sizeof(MessageDialogButtonRecord))

QV_CLASS(MessageDialogClassDefinition,
         .name = "MessageDialog",
         .objectSize = sizeof(MessageDialogRecord),
         .properties = kDialogProperties,
         .methods = kDialogMethods,
         .initializer = QV_CODE(MessageDialogInitializer),
         .finalizer = QV_CODE(MessageDialogFinalizer))

void RegisterMessageDialogClasses() {
  RegisterClassDefinition(MessageDialogButtonClassDefinition());
  RegisterClassDefinition(ActionButtonClassDefinition());
  RegisterClassDefinition(CancelButtonClassDefinition());
  RegisterClassDefinition(AlternateActionButtonClassDefinition());
  RegisterClassDefinition(MessageDialogClassDefinition());
}
QV_STARTUP(kStartupMessageDialogClasses, RegisterMessageDialogClasses)

// ---- button properties ----

extern "C" int32_t MDBBooleanGetter(RuntimeObject* button, uint32_t parameter) {
  int32_t code;
  MessageDialogRecord* dialog = DialogOfButton(button, &code);
  if (!dialog || code == kMessageDialogNoButton) return 0;
  switch (parameter) {
    case kVisibleProperty:
      if (code == kMessageDialogCancelButton) return dialog->cancelVisible ? 1 : 0;
      if (code == kMessageDialogAlternateButton) return dialog->alternateVisible ? 1 : 0;
      return 1;
    case kDefaultProperty:
      return dialog->defaultCode == code ? 1 : 0;
    case kCancelProperty:
      return dialog->cancelCode == code ? 1 : 0;
    default:
      return 0;
  }
}
QV_EXPORT(MDBBooleanGetter)

// Clearing Default or Cancel leaves the dialog without one, whichever button had it.
extern "C" void MDBBooleanSetter(RuntimeObject* button, uint32_t parameter, int32_t value) {
  int32_t code;
  MessageDialogRecord* dialog = DialogOfButton(button, &code);
  if (!dialog || code == kMessageDialogNoButton) return;
  switch (parameter) {
    case kVisibleProperty:
      if (code == kMessageDialogCancelButton) dialog->cancelVisible = value ? 1 : 0;
      if (code == kMessageDialogAlternateButton) dialog->alternateVisible = value ? 1 : 0;
      break;
    case kDefaultProperty:
      dialog->defaultCode = value ? code : kMessageDialogNoButton;
      break;
    case kCancelProperty:
      dialog->cancelCode = value ? code : kMessageDialogNoButton;
      break;
    default:
      break;
  }
}
QV_EXPORT(MDBBooleanSetter)

extern "C" stringStorage* MDBCaptionGetter(RuntimeObject* button, uint32_t) {
  int32_t code;
  MessageDialogRecord* dialog = DialogOfButton(button, &code);
  if (!dialog || code == kMessageDialogNoButton) return nullptr;
  return RuntimeLockString(CaptionOf(dialog, code));
}
QV_EXPORT(MDBCaptionGetter)

extern "C" void MDBCaptionSetter(RuntimeObject* button, uint32_t, stringStorage* value) {
  int32_t code;
  MessageDialogRecord* dialog = DialogOfButton(button, &code);
  if (!dialog || code == kMessageDialogNoButton) return;
  SetMessageDialogText(CaptionOf(dialog, code), string(value));
}
QV_EXPORT(MDBCaptionSetter)

// ---- dialog properties and methods ----

extern "C" void MDIconSetter(RuntimeObject* dialog, uint32_t, int32_t value) {
  if (!dialog) return;
  if (value < kMessageDialogNoIcon || value > kMessageDialogQuestionIcon) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "The integer value %d is not in the range of enumerated icons for the "
                  "MessageDialog class.",
                  value);
    RaiseNewExceptionWithMessage(OutOfBoundsExceptionDefinition(), string(text).Storage(), 0);
    return;
  }
  AsDialog(dialog)->icon = value;
}
QV_EXPORT(MDIconSetter)

extern "C" RuntimeObject* MDButtonGetter(RuntimeObject* dialog, uint32_t code) {
  if (!dialog) return nullptr;
  RuntimeObject* button = nullptr;
  switch (int32_t(code)) {
    case kMessageDialogActionButton:
      button = AsDialog(dialog)->actionButton;
      break;
    case kMessageDialogCancelButton:
      button = AsDialog(dialog)->cancelButton;
      break;
    case kMessageDialogAlternateButton:
      button = AsDialog(dialog)->alternateButton;
      break;
    default:
      return nullptr;
  }
  RuntimeLockObject(button);
  return button;
}
QV_EXPORT(MDButtonGetter)

extern "C" RuntimeObject* MessageDialogShowModal(RuntimeObject* dialog) {
  return ShowDialog(dialog, nullptr);
}
QV_EXPORT(MessageDialogShowModal)

extern "C" RuntimeObject* MessageDialogShowModalWithin(RuntimeObject* dialog,
                                                        RuntimeObject* parent) {
  return ShowDialog(dialog, parent);
}
QV_EXPORT(MessageDialogShowModalWithin)

extern "C" void MessageDialogInitializer(RuntimeObject* dialog) {
  if (dialog) InitializeRecord(AsDialog(dialog));
}
QV_EXPORT(MessageDialogInitializer)

extern "C" void MessageDialogFinalizer(RuntimeObject* dialog) {
  if (dialog) ReleaseRecord(AsDialog(dialog));
}
QV_EXPORT(MessageDialogFinalizer)

// ---- for framework code ----

void MessageDialogInitObject(MessageDialogRecord* record) {
  std::memset(static_cast<void*>(record), 0, sizeof *record);
  InitializeRecord(record);
}

int32_t MessageDialogRunModal(MessageDialogRecord* record) { return RunDialog(record, nullptr); }

int32_t MessageDialogRunModalWithin(MessageDialogRecord* record, Window* parent) {
  return RunDialog(record, parent);
}

void MessageDialogDestroyObject(MessageDialogRecord* record) { ReleaseRecord(record); }
