#include "ToggleFixtures.h"

#include <map>

#include "SimpleControlFixtures.h"
#include "controls/CheckBox.h"
#include "controls/RadioButton.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataBinding.h"
#include "windows/ControlRecord.h"
#include "windows/SubPane.h"

namespace qvtest {

namespace {

RecordingBinder* gBinder = nullptr;
std::map<RuntimeObject*, std::string>& Labels() {
  static std::map<RuntimeObject*, std::string> labels;
  return labels;
}

void Hear(RuntimeObject* control, const std::string& event) {
  const std::string entry = ControlName(control) + "." + event;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, control);
}

void OnAction(RuntimeObject* control) { Hear(control, "Action"); }
int32_t OnMouseDown(RuntimeObject* control, int32_t, int32_t) {
  Hear(control, "MouseDown");
  return Kit().mouseDownTakes ? 1 : 0;
}
int32_t OnMouseUp(RuntimeObject* control, int32_t, int32_t) {
  Hear(control, "MouseUp");
  return 0;
}
void OnGotFocus(RuntimeObject* control) { Hear(control, "GotFocus"); }
void OnLostFocus(RuntimeObject* control) { Hear(control, "LostFocus"); }
void OnClose(RuntimeObject* control) { Hear(control, "Close"); }

RuntimeClass* LoggingClass(const char* parent, const char* name) {
  RuntimeClass* cls = Subclass(parent, name);
  SetHandler(cls, "Action", reinterpret_cast<void*>(&OnAction));
  SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
  SetHandler(cls, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
  SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
  SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
  SetHandler(cls, "Close", reinterpret_cast<void*>(&OnClose));
  return cls;
}

void HearReceiver(RuntimeObject* receiver, const std::string& suffix) {
  const std::string entry = Labels()[receiver] + suffix;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, receiver);
}
void OnPerformAction(RuntimeObject* receiver) { HearReceiver(receiver, ""); }
void OnDataChanged(RuntimeObject* receiver) { HearReceiver(receiver, ".DataChanged"); }
void OnReceiverGone(RuntimeObject* receiver) { Labels().erase(receiver); }

void Implement(RuntimeClass* cls, int32_t slot, ObjectDefinition* interface, const char* method,
               void* function) {
  InterfaceTableEntry& entry = InterfaceEntries(cls)[slot];
  entry.interfaceClass = RuntimeClassForDefinition(interface);
  entry.methodCount = 1;
  entry.methods = RuntimeNewVtable(1);
  entry.methods[0] = {function, string(method).ExtractStringStorage()};
}

RuntimeClass* ReceiverClass() {
  static RuntimeClass* cls = nullptr;
  if (cls) return cls;
  cls = Subclass("Object", "ToggleReceiver", 2);
  Implement(cls, cls->interfaceCount - 2, ActionNotificationReceiverInterfaceDefinition(),
            "PerformAction%%", reinterpret_cast<void*>(&OnPerformAction));
  Implement(cls, cls->interfaceCount - 1, DataNotificationReceiverInterfaceDefinition(),
            "DataChanged%%", reinterpret_cast<void*>(&OnDataChanged));
  cls->finalizer = &OnReceiverGone;
  return cls;
}

RuntimeObject* Bind(RuntimeObject*, stringStorage* name, int32_t kind) {
  gBinder->calls.push_back("bind " + std::string(stringStorage::CString(name)) + " kind " +
                           std::to_string(kind));
  return gBinder->dataControl;
}

void Unbind(RuntimeObject* dataControl, RuntimeObject*, int32_t kind) {
  gBinder->calls.push_back(std::string("unbind kind ") + std::to_string(kind) +
                           (dataControl == gBinder->dataControl ? "" : " (a stranger)"));
}

}  // namespace

RuntimeClass* CheckBoxKitClass() {
  static RuntimeClass* cls = nullptr;
  if (!cls) cls = LoggingClass("CheckBox", "KitCheckBox");
  return cls;
}

RuntimeClass* RadioKitClass() {
  static RuntimeClass* cls = nullptr;
  if (!cls) cls = LoggingClass("RadioButton", "KitRadio");
  return cls;
}

RuntimeObject* AddCheckBox(RuntimeObject* window, const std::string& name,
                           const QV::Rect& bounds, const std::string& caption, bool value) {
  return AddControl(window, CheckBoxKitClass(), name, bounds, [&](RuntimeObject* box) {
    AsCheckBox(box)->caption = string(caption.c_str()).ExtractStringStorage();
    AsCheckBox(box)->value = value;
  });
}

RuntimeObject* AddRadio(RuntimeObject* window, const std::string& name, const QV::Rect& bounds,
                        const std::string& caption, bool value, int32_t page) {
  return AddControl(window, RadioKitClass(), name, bounds, [&](RuntimeObject* radio) {
    AsRadioButton(radio)->caption = string(caption.c_str()).ExtractStringStorage();
    AsRadioButton(radio)->value = value;
    AsControl(radio)->tabPanelIndex = page;
  });
}

RuntimeObject* NewLabelledReceiver(const std::string& label) {
  RuntimeObject* receiver = RuntimeNewObject(ReceiverClass());
  Labels()[receiver] = label;
  return receiver;
}

RecordingBinder::RecordingBinder(RuntimeObject* bound) : dataControl(bound) {
  gBinder = this;
  mPrevious = SetDataSourceBinder({&Bind, &Unbind});
}

RecordingBinder::~RecordingBinder() {
  SetDataSourceBinder(mPrevious);
  gBinder = nullptr;
}

GtkWidget* WidgetOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane ? pane->GetWidget() : nullptr;
}

std::string ControlName(RuntimeObject* control) {
  return stringStorage::CString(AsControl(control)->name);
}

}  // namespace qvtest
