#include "controls/PushButton.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "controls/ControlClasses.h"
#include "windows/WindowControls.h"

QV_PUSHBUTTON_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

struct PushButtonHooks {
  ObjectHook* action = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
PushButtonHooks gHooks;

PushButton* PaneOf(RuntimeObject* button) {
  return button ? static_cast<PushButton*>(AsControl(button)->pane) : nullptr;
}

const PropertyRow kPushButtonProperties[] = {
    QV_PROPERTY("Caption", String, pushButtonTitleGetter, pushButtonTitleSetter),
    QV_PROPERTY("Default", Boolean, pushButtonDefaultGetter, pushButtonDefaultSetter),
    QV_PROPERTY("Cancel", Boolean, pushButtonCancelGetter, pushButtonCancelSetter),
    QV_PROPERTY("TextFont", String, pushButtonTextFontGetter, pushButtonTextFontSetter),
    QV_PROPERTY("TextSize", Integer, pushButtonTextSizeGetter, pushButtonTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, pushButtonBoldGetter, pushButtonBoldSetter),
    QV_PROPERTY("Italic", Boolean, pushButtonItalicGetter, pushButtonItalicSetter),
    QV_PROPERTY("Underline", Boolean, pushButtonUnderlineGetter, pushButtonUnderlineSetter),
};

const MethodRow kPushButtonMethods[] = {
    QV_SUB("addActionNotificationReceiver", pbAddActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("removeActionNotificationReceiver", pbRemoveActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("Push", pushButtonPush),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kPushButtonEvents[] = {
    QV_EVENT("Action", &gHooks.action),
    QV_EVENT("MouseDown", &gHooks.mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseUp", &gHooks.mouseUp, kXY, "Boolean"),
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
};

const EventImplementationRow kPushButtonImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", PushButtonCreatePane),
};

const ClassGetter kPushButtonInterfaces[] = {ActionSourceInterfaceDefinition};

}  // namespace

QV_CLASS(PushButtonClassDefinition,
         .name = "PushButton",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(PushButtonObject),
         .properties = kPushButtonProperties,
         .methods = kPushButtonMethods,
         .events = kPushButtonEvents,
         .eventImplementations = kPushButtonImplementations,
         .finalizer = QV_CODE(PushButtonDestructor),
         .interfaces = kPushButtonInterfaces)
QV_STARTUP_CLASS(kStartupPushButtonClass, PushButtonClassDefinition)

// ---- RuntimeButtonRouter ----

void RuntimeButtonRouter::Action(SubPane*) {
  RuntimeObject* owner = mOwner;
  RuntimeLockObject(owner);
  NotifyPerformAction(&AsPushButton(owner)->receivers);
  RaiseControlEvent<void>(owner, gHooks.action, nullptr);
  RuntimeUnlockObject(owner);  // may end the owner and this router
}

bool RuntimeButtonRouter::MouseDown(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseDown, nullptr, x, y);
}

bool RuntimeButtonRouter::MouseUp(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseUp, nullptr, x, y);
}

void RuntimeButtonRouter::GotFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr);
}

void RuntimeButtonRouter::LostFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

// ---- construction and destruction ----

extern "C" void PushButtonCreatePane(RuntimeObject* button) {
  if (!QV_CHECK_TEXT(button, "self", nullptr)) return;
  PushButtonObject* record = AsPushButton(button);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  if (!record->router) record->router = new RuntimeButtonRouter(button);
  PushButton* pane = CreatePushButton(record->router, MakeControlFontDescription(record->font),
                                      control.ownerPane, control.tabPanelIndex, control.bounds,
                                      string(record->caption));
  control.pane = pane;
  RuntimeObject* initialParent = control.initialParent;
  if (initialParent && AsControl(initialParent)->pane) {
    pane->SetParent(AsControl(initialParent)->pane);
  }
  pane->SetDefault(record->isDefault != 0);
  pane->SetCancel(record->isCancel != 0);
  if (!control.visible) pane->ApplyStateCode(kControlHide);
}
QV_EXPORT(PushButtonCreatePane)

extern "C" void PushButtonDestructor(RuntimeObject* button) {
  if (!button) return;
  PushButtonObject* record = AsPushButton(button);
  ReceiverListClear(&record->receivers);
  stringStorage::RemoveReference(record->caption);
  stringStorage::RemoveReference(record->font.name);
  record->caption = record->font.name = nullptr;
  if (PushButton* pane = PaneOf(button)) pane->ForgetDelegate();
  delete record->router;
  record->router = nullptr;
}
QV_EXPORT(PushButtonDestructor)

// ---- accessors ----

extern "C" void pushButtonTitleSetter(RuntimeObject* button, uint32_t, stringStorage* caption) {
  if (!button) return;
  field_accessors::Write(AsPushButton(button)->caption, caption);
  if (PushButton* pane = PaneOf(button)) pane->SetCaption(string(caption));
}
QV_EXPORT(pushButtonTitleSetter)

extern "C" void pushButtonDefaultSetter(RuntimeObject* button, uint32_t, int32_t isDefault) {
  if (!button) return;
  AsPushButton(button)->isDefault = isDefault != 0;
  if (PushButton* pane = PaneOf(button)) pane->SetDefault(isDefault != 0);
}
QV_EXPORT(pushButtonDefaultSetter)

extern "C" void pushButtonCancelSetter(RuntimeObject* button, uint32_t, int32_t isCancel) {
  if (!button) return;
  AsPushButton(button)->isCancel = isCancel != 0;
  if (PushButton* pane = PaneOf(button)) pane->SetCancel(isCancel != 0);
}
QV_EXPORT(pushButtonCancelSetter)

void PushButtonFontChanged(RuntimeObject* button) {
  if (PushButton* pane = PaneOf(button)) {
    pane->SetFont(MakeControlFontDescription(AsPushButton(button)->font));
  }
}

extern "C" void pushButtonPush(RuntimeObject* button) {
  if (PushButton* pane = PaneOf(button)) pane->Push();
}
QV_EXPORT(pushButtonPush)

extern "C" void pbAddActionNotificationReceiver(RuntimeObject* button, RuntimeObject* receiver) {
  if (button) ReceiverListAdd(&AsPushButton(button)->receivers, receiver);
}
QV_EXPORT(pbAddActionNotificationReceiver)

extern "C" void pbRemoveActionNotificationReceiver(RuntimeObject* button,
                                                   RuntimeObject* receiver) {
  if (button) ReceiverListRemove(&AsPushButton(button)->receivers, receiver);
}
QV_EXPORT(pbRemoveActionNotificationReceiver)
