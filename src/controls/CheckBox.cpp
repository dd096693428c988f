#include "controls/CheckBox.h"

#include "controls/ToggleControls.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "controls/ControlClasses.h"
#include "windows/WindowControls.h"

QV_CHECKBOX_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

struct CheckBoxHooks {
  ObjectHook* action = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
CheckBoxHooks gHooks;

CheckBox* PaneOf(RuntimeObject* box) {
  return box ? static_cast<CheckBox*>(AsControl(box)->pane) : nullptr;
}

const PropertyRow kCheckBoxProperties[] = {
    QV_PROPERTY("Caption", String, checkBoxTitleGetter, checkBoxTitleSetter),
    QV_PROPERTY("Value", Boolean, checkBoxValueGetter, checkBoxValueSetter),
    QV_PROPERTY("State", Boolean, checkBoxValueGetter, checkBoxValueSetter),
    QV_PROPERTY("TextFont", String, checkBoxTextFontGetter, checkBoxTextFontSetter),
    QV_PROPERTY("TextSize", Integer, checkBoxTextSizeGetter, checkBoxTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, checkBoxBoldGetter, checkBoxBoldSetter),
    QV_PROPERTY("Italic", Boolean, checkBoxItalicGetter, checkBoxItalicSetter),
    QV_PROPERTY("Underline", Boolean, checkBoxUnderlineGetter, checkBoxUnderlineSetter),
    QV_PROPERTY("DataSource", String, CheckBoxDataSourceGetter, CheckBoxDataSourceSetter),
    QV_PROPERTY("DataField", String, stringGetter, CheckBoxDataFieldSetter,
                offsetof(CheckBoxObject, dataField)),
};

const MethodRow kCheckBoxMethods[] = {
    QV_FUNCTION("getBoolean", Boolean, checkBoxGetBoolean),
    QV_SUB("setBoolean", checkBoxSetBoolean, Param("value", Boolean)),
    QV_SUB("addDataNotificationReceiver", checkBoxAddDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("removeDataNotificationReceiver", checkBoxRemoveDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_FUNCTION("getBoundPart", Class<"Object">, checkBoxGetBoundPart, Param("v", String)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kCheckBoxEvents[] = {
    QV_EVENT("Action", &gHooks.action),
    QV_EVENT("MouseDown", &gHooks.mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseUp", &gHooks.mouseUp, kXY, "Boolean"),
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
};

const EventImplementationRow kCheckBoxImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", CheckBoxCreatePane),
};

const ClassGetter kCheckBoxInterfaces[] = {BooleanProviderInterfaceDefinition,
                                           DataNotifierInterfaceDefinition,
                                           BindingPartInterfaceDefinition};

const MethodRow kCheckBoxActionMethods[] = {
    QV_SUB("addActionNotificationReceiver", cbaAddActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("removeActionNotificationReceiver", cbaRemoveActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
};

const ClassGetter kCheckBoxActionInterfaces[] = {ActionSourceInterfaceDefinition};

}  // namespace

QV_CLASS(CheckBoxClassDefinition,
         .name = "CheckBox",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(CheckBoxObject),
         .properties = kCheckBoxProperties,
         .methods = kCheckBoxMethods,
         .events = kCheckBoxEvents,
         .eventImplementations = kCheckBoxImplementations,
         .finalizer = QV_CODE(checkBoxDestructor),
         .interfaces = kCheckBoxInterfaces)
QV_STARTUP_CLASS(kStartupCheckBoxClass, CheckBoxClassDefinition)

// Hidden: built when getBoundPart first asks for it.
QV_CLASS(CheckBoxActionClassDefinition,
         .name = "Sys$CheckBoxAction",
         .objectSize = sizeof(BoundActionObject),
         .methods = kCheckBoxActionMethods,
         .finalizer = QV_CODE(checkBoxActionDestructor),
         .interfaces = kCheckBoxActionInterfaces)

// ---- RuntimeCheckBoxRouter ----

// The handlers and receivers of one Action may close the window, close the box, or drop it.
bool RuntimeCheckBoxRouter::StillActing(SubPane* pane) const {
  return ActionMayGoOn(mOwner, pane, AsCheckBox(mOwner)->router == this);
}

void RuntimeCheckBoxRouter::Action(SubPane* pane) {
  RuntimeObject* owner = mOwner;
  CheckBoxObject* record = AsCheckBox(owner);
  record->value = static_cast<CheckBox*>(pane)->GetValue();
  if (record->inAction) return;  // a toggle made by this box's own Action or receivers
  RuntimeLockObject(owner);
  if (pane->RetainChain()) {
    record->inAction = 1;
    RunAction(pane);
    record->inAction = 0;  // the held owner is still there, whatever happened to its pane
    pane->ReleaseChain();
  }
  RuntimeUnlockObject(owner);  // may end the owner and this router
}

void RuntimeCheckBoxRouter::RunAction(SubPane* pane) {
  CheckBoxObject* record = AsCheckBox(mOwner);
  if (!StillActing(pane)) return;
  NotifyDataChanged(&record->dataReceivers);
  if (!StillActing(pane)) return;
  RaiseControlEvent<void>(mOwner, gHooks.action, nullptr);
  if (!StillActing(pane)) return;
  NotifyPerformAction(record->value ? &record->checkedReceivers : &record->uncheckedReceivers);
}

bool RuntimeCheckBoxRouter::MouseDown(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseDown, nullptr, x, y);
}

bool RuntimeCheckBoxRouter::MouseUp(SubPane*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseUp, nullptr, x, y);
}

void RuntimeCheckBoxRouter::GotFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr);
}

void RuntimeCheckBoxRouter::LostFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

// ---- construction and destruction ----

extern "C" void CheckBoxCreatePane(RuntimeObject* box) {
  if (!QV_CHECK_TEXT(box, "self", nullptr)) return;
  CheckBoxObject* record = AsCheckBox(box);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  if (!record->router) record->router = new RuntimeCheckBoxRouter(box);
  CheckBox* pane = CreateCheckBox(record->router, MakeControlFontDescription(record->font),
                                  control.ownerPane, control.tabPanelIndex, control.bounds,
                                  string(record->caption), record->value != 0);
  AdoptControlPane(box, pane);
  pane->SetOwnerObject(box);
  pane->SetDataSource(string(record->dataSource));
  pane->Bind();
}
QV_EXPORT(CheckBoxCreatePane)

extern "C" void checkBoxDestructor(RuntimeObject* box) {
  if (!box) return;
  CheckBoxObject* record = AsCheckBox(box);
  ReceiverListClear(&record->dataReceivers);
  ReceiverListClear(&record->checkedReceivers);
  ReceiverListClear(&record->uncheckedReceivers);
  for (stringStorage** text :
       {&record->font.name, &record->caption, &record->dataSource, &record->dataField}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  // The pane may outlive the object (a handler holds its chain): it must not call the router.
  if (CheckBox* pane = PaneOf(box)) pane->ForgetDelegate();
  delete record->router;
  record->router = nullptr;
}
QV_EXPORT(checkBoxDestructor)

// ---- Value ----

extern "C" int32_t checkBoxValueGetter(RuntimeObject* box, uint32_t) {
  return box && AsCheckBox(box)->value ? 1 : 0;
}
QV_EXPORT(checkBoxValueGetter)

// A change of state runs Action inside SetValue; its handler may set Value again (the box
// then changes without a second Action), so the Value is read back from the box afterwards.
extern "C" void checkBoxValueSetter(RuntimeObject* box, uint32_t, int32_t value) {
  if (!box) return;
  CheckBoxObject* record = AsCheckBox(box);
  CheckBox* pane = PaneOf(box);
  if (!pane) {
    record->value = value != 0;
    return;
  }
  RuntimeLockObject(box);
  pane->SetValue(value != 0);
  pane = PaneOf(box);
  record->value = pane && !pane->IsClosing() ? pane->GetValue() : value != 0;
  RuntimeUnlockObject(box);
}
QV_EXPORT(checkBoxValueSetter)

extern "C" int32_t checkBoxGetBoolean(RuntimeObject* box) { return checkBoxValueGetter(box, 0); }
QV_EXPORT(checkBoxGetBoolean)

extern "C" void checkBoxSetBoolean(RuntimeObject* box, int32_t value) {
  checkBoxValueSetter(box, 0, value);
}
QV_EXPORT(checkBoxSetBoolean)

// ---- Caption and font ----

extern "C" void checkBoxTitleSetter(RuntimeObject* box, uint32_t, stringStorage* caption) {
  if (!box) return;
  field_accessors::Write(AsCheckBox(box)->caption, caption);
  if (CheckBox* pane = PaneOf(box)) pane->SetCaption(string(caption));
}
QV_EXPORT(checkBoxTitleSetter)

void CheckBoxFontChanged(RuntimeObject* box) {
  if (CheckBox* pane = PaneOf(box)) {
    pane->SetFont(MakeControlFontDescription(AsCheckBox(box)->font));
  }
}

// ---- data binding ----

extern "C" stringStorage* CheckBoxDataSourceGetter(RuntimeObject* box, uint32_t) {
  if (!box) return nullptr;
  return field_accessors::Read<stringStorage*>(AsCheckBox(box)->dataSource);
}
QV_EXPORT(CheckBoxDataSourceGetter)

extern "C" void CheckBoxDataSourceSetter(RuntimeObject* box, uint32_t, stringStorage* name) {
  if (!box) return;
  field_accessors::Write(AsCheckBox(box)->dataSource, name);
  CheckBox* pane = PaneOf(box);
  if (!pane) return;
  pane->Unbind();
  pane->SetDataSource(string(name));
  pane->Bind();
}
QV_EXPORT(CheckBoxDataSourceSetter)

extern "C" void CheckBoxDataFieldSetter(RuntimeObject* box, uint32_t, stringStorage* name) {
  if (!box) return;
  field_accessors::Write(AsCheckBox(box)->dataField, name);
  if (CheckBox* pane = PaneOf(box)) pane->Bind();
}
QV_EXPORT(CheckBoxDataFieldSetter)

extern "C" void checkBoxAddDataNotificationReceiver(RuntimeObject* box,
                                                    RuntimeObject* receiver) {
  if (box) ReceiverListAdd(&AsCheckBox(box)->dataReceivers, receiver);
}
QV_EXPORT(checkBoxAddDataNotificationReceiver)

extern "C" void checkBoxRemoveDataNotificationReceiver(RuntimeObject* box,
                                                       RuntimeObject* receiver) {
  if (box) ReceiverListRemove(&AsCheckBox(box)->dataReceivers, receiver);
}
QV_EXPORT(checkBoxRemoveDataNotificationReceiver)

// ---- Sys$CheckBoxAction ----

extern "C" RuntimeObject* checkBoxGetBoundPart(RuntimeObject* box, stringStorage* name) {
  return NewBoundAction(CheckBoxActionClassDefinition(), box, name);
}
QV_EXPORT(checkBoxGetBoundPart)

namespace {

ReceiverNode** ActionReceivers(RuntimeObject* action) {
  RuntimeObject* box = action ? AsBoundAction(action)->control : nullptr;
  if (!box) return nullptr;
  CheckBoxObject* record = AsCheckBox(box);
  return AsBoundAction(action)->checked ? &record->checkedReceivers : &record->uncheckedReceivers;
}

}  // namespace

extern "C" void cbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver) {
  if (ReceiverNode** list = ActionReceivers(action)) ReceiverListAdd(list, receiver);
}
QV_EXPORT(cbaAddActionNotificationReceiver)

extern "C" void cbaRemoveActionNotificationReceiver(RuntimeObject* action,
                                                    RuntimeObject* receiver) {
  if (ReceiverNode** list = ActionReceivers(action)) ReceiverListRemove(list, receiver);
}
QV_EXPORT(cbaRemoveActionNotificationReceiver)

extern "C" void checkBoxActionDestructor(RuntimeObject* action) { ReleaseBoundAction(action); }
QV_EXPORT(checkBoxActionDestructor)
