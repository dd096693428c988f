#include "controls/RadioButton.h"

#include "controls/ToggleControls.h"
#include "controls/ControlClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/WindowControls.h"

QV_RADIO_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

struct RadioButtonHooks {
  ObjectHook* action = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
RadioButtonHooks gHooks;

RadioButton* PaneOf(RuntimeObject* radio) {
  return radio ? static_cast<RadioButton*>(AsControl(radio)->pane) : nullptr;
}

const PropertyRow kRadioProperties[] = {
    QV_PROPERTY("Caption", String, radioTitleGetter, radioTitleSetter),
    QV_PROPERTY("Value", Boolean, radioValueGetter, radioValueSetter),
    QV_PROPERTY("TextFont", String, radioTextFontGetter, radioTextFontSetter),
    QV_PROPERTY("TextSize", Integer, radioTextSizeGetter, radioTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, radioBoldGetter, radioBoldSetter),
    QV_PROPERTY("Italic", Boolean, radioItalicGetter, radioItalicSetter),
    QV_PROPERTY("Underline", Boolean, radioUnderlineGetter, radioUnderlineSetter),
};

const MethodRow kRadioMethods[] = {
    QV_FUNCTION("getBoundPart", Class<"Object">, radioGetBoundPart, Param("v", String)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kRadioEvents[] = {
    QV_EVENT("Action", &gHooks.action),
    QV_EVENT("MouseDown", &gHooks.mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseUp", &gHooks.mouseUp, kXY, "Boolean"),
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
};

const EventImplementationRow kRadioImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", RadioCreatePane),
};

const ClassGetter kRadioInterfaces[] = {BindingPartInterfaceDefinition};

const MethodRow kRadioActionMethods[] = {
    QV_SUB("addActionNotificationReceiver", rbaAddActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("removeActionNotificationReceiver", rbaRemoveActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
};

const ClassGetter kRadioActionInterfaces[] = {ActionSourceInterfaceDefinition};

}  // namespace

QV_CLASS(RadioButtonClassDefinition,
         .name = "RadioButton",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(RadioButtonObject),
         .properties = kRadioProperties,
         .methods = kRadioMethods,
         .events = kRadioEvents,
         .eventImplementations = kRadioImplementations,
         .finalizer = QV_CODE(radioDestructor),
         .interfaces = kRadioInterfaces)
QV_STARTUP_CLASS(kStartupRadioButtonClass, RadioButtonClassDefinition)

// Hidden: built when getBoundPart first asks for it.
QV_CLASS(RadioButtonActionClassDefinition,
         .name = "Sys$RadioButtonAction",
         .objectSize = sizeof(BoundActionObject),
         .methods = kRadioActionMethods,
         .finalizer = QV_CODE(radioButtonActionDestructor),
         .interfaces = kRadioActionInterfaces)

// ---- RuntimeRadioRouter ----

bool RuntimeRadioRouter::StillActing(SubPane* pane) const {
  return ActionMayGoOn(mOwner, pane, AsRadioButton(mOwner)->router == this);
}

// The owner and the pane chain are held for the handler and the receivers, which may close the
// window or the button, or drop it.
void RuntimeRadioRouter::Action(SubPane* pane) {
  RuntimeObject* owner = mOwner;
  RadioButtonObject* record = AsRadioButton(owner);
  record->value = static_cast<RadioButton*>(pane)->GetValue();
  if (record->actionInProgress) return;
  RuntimeLockObject(owner);
  if (pane->RetainChain()) {
    record->actionInProgress = 1;
    RaiseControlEvent<void>(owner, gHooks.action, nullptr);
    if (StillActing(pane)) NotifyPerformAction(&record->checkedReceivers);
    record->actionInProgress = 0;
    pane->ReleaseChain();
  }
  RuntimeUnlockObject(owner);  // may end the owner and this router
}

void RuntimeRadioRouter::Unchecked(SubPane* pane) {
  RuntimeObject* owner = mOwner;
  RadioButtonObject* record = AsRadioButton(owner);
  record->value = static_cast<RadioButton*>(pane)->GetValue();
  if (record->actionInProgress) return;
  RuntimeLockObject(owner);
  if (pane->RetainChain()) {
    NotifyPerformAction(&record->uncheckedReceivers);
    pane->ReleaseChain();
  }
  RuntimeUnlockObject(owner);
}

bool RuntimeRadioRouter::MouseDown(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseDown, nullptr, x, y);
}

bool RuntimeRadioRouter::MouseUp(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseUp, nullptr, x, y);
}

void RuntimeRadioRouter::GotFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr);
}

void RuntimeRadioRouter::LostFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

// ---- construction and destruction ----

extern "C" void RadioCreatePane(RuntimeObject* radio) {
  if (!QV_CHECK_TEXT(radio, "self", nullptr)) return;
  RadioButtonObject* record = AsRadioButton(radio);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  if (!record->router) record->router = new RuntimeRadioRouter(radio);
  RadioButton* pane = CreateRadioButton(record->router, MakeControlFontDescription(record->font),
                                        control.ownerPane, control.tabPanelIndex,
                                        control.bounds, string(record->caption),
                                        record->value != 0);
  AdoptControlPane(radio, pane);
}
QV_EXPORT(RadioCreatePane)

extern "C" void radioDestructor(RuntimeObject* radio) {
  if (!radio) return;
  RadioButtonObject* record = AsRadioButton(radio);
  ReceiverListClear(&record->checkedReceivers);
  ReceiverListClear(&record->uncheckedReceivers);
  stringStorage::RemoveReference(record->caption);
  stringStorage::RemoveReference(record->font.name);
  record->caption = record->font.name = nullptr;
  // The pane may outlive the object (a handler holds its chain): it must not call the router.
  if (RadioButton* pane = PaneOf(radio)) pane->ForgetDelegate();
  delete record->router;
  record->router = nullptr;
}
QV_EXPORT(radioDestructor)

// ---- accessors ----

extern "C" int32_t radioValueGetter(RuntimeObject* radio, uint32_t) {
  if (!radio) return 0;
  if (RadioButton* pane = PaneOf(radio)) return pane->GetValue() ? 1 : 0;
  return AsRadioButton(radio)->value ? 1 : 0;
}
QV_EXPORT(radioValueGetter)

// True from code raises Action through the pane; the handler may drop the button.
extern "C" void radioValueSetter(RuntimeObject* radio, uint32_t, int32_t value) {
  if (!radio) return;
  RuntimeLockObject(radio);
  if (RadioButton* pane = PaneOf(radio)) pane->SetValue(value != 0);
  AsRadioButton(radio)->value = value != 0;
  RuntimeUnlockObject(radio);
}
QV_EXPORT(radioValueSetter)

extern "C" void radioTitleSetter(RuntimeObject* radio, uint32_t, stringStorage* caption) {
  if (!radio) return;
  field_accessors::Write(AsRadioButton(radio)->caption, caption);
  if (RadioButton* pane = PaneOf(radio)) pane->SetCaption(string(caption));
}
QV_EXPORT(radioTitleSetter)

void RadioButtonFontChanged(RuntimeObject* radio) {
  if (RadioButton* pane = PaneOf(radio)) {
    pane->SetFont(MakeControlFontDescription(AsRadioButton(radio)->font));
  }
}

// ---- Sys$RadioButtonAction ----

extern "C" RuntimeObject* radioGetBoundPart(RuntimeObject* radio, stringStorage* name) {
  return NewBoundAction(RadioButtonActionClassDefinition(), radio, name);
}
QV_EXPORT(radioGetBoundPart)

namespace {

ReceiverNode** ActionReceivers(RuntimeObject* action) {
  RuntimeObject* radio = action ? AsBoundAction(action)->control : nullptr;
  if (!radio) return nullptr;
  RadioButtonObject* record = AsRadioButton(radio);
  return AsBoundAction(action)->checked ? &record->checkedReceivers
                                        : &record->uncheckedReceivers;
}

}  // namespace

extern "C" void rbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver) {
  if (ReceiverNode** list = ActionReceivers(action)) ReceiverListAdd(list, receiver);
}
QV_EXPORT(rbaAddActionNotificationReceiver)

extern "C" void rbaRemoveActionNotificationReceiver(RuntimeObject* action,
                                                    RuntimeObject* receiver) {
  if (ReceiverNode** list = ActionReceivers(action)) ReceiverListRemove(list, receiver);
}
QV_EXPORT(rbaRemoveActionNotificationReceiver)

extern "C" void radioButtonActionDestructor(RuntimeObject* action) {
  ReleaseBoundAction(action);
}
QV_EXPORT(radioButtonActionDestructor)
