#include "ControlFixtures.h"

#include <gtest/gtest.h>

#include "app/ExternalClasses.h"
#include "database/DataBinding.h"
#include "controls/PushButton.h"
#include "controls/RuntimeControl.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/ContainerPane.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace qvtest {

namespace {

ControlKit* gKit = nullptr;
std::vector<ControlPlan> gPlans;
std::string gTitle;

std::string NameOf(RuntimeObject* control) {
  return stringStorage::CString(AsControl(control)->name);
}

void Hear(RuntimeObject* object, const std::string& event) {
  const std::string entry = IsControlObject(object) ? NameOf(object) + "." + event : event;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, object);
}

void SetHandler(RuntimeClass* cls, const char* event, void* handler) {
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string(event)) == 0) {
      cls->eventTable[i].vector = handler;
    }
  }
}

RuntimeClass* Subclass(const char* parentName, const char* name, int32_t interfaces = 0) {
  RuntimeClass* parent = RuntimeLookupClass(string(parentName).Storage());
  RuntimeClass* cls = RuntimeNewClass(parent, parent->methodCount,
                                      parent->interfaceCount + interfaces, parent->eventCount,
                                      parent->namedMethodCount, parent->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = parent->instanceSize;
  return cls;
}

void OnLayout(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  RectSet(w->bounds, 0, 0, 300, 200);
  w->title = string(gTitle.c_str()).ExtractStringStorage();
  w->visible = 1;
}

void OnCreateControls(RuntimeObject* window) {
  for (const ControlPlan& plan : gPlans) {
    RuntimeClass* cls = plan.container ? Kit().containerClass : Kit().buttonClass;
    RuntimeObject* control = RuntimeNewObject(cls);
    ControlObject* record = AsControl(control);
    record->bounds = plan.bounds;
    record->index = plan.index;
    record->visible = plan.visible;
    record->enabled = plan.enabled;
    if (!plan.container) {
      PushButtonObject* button = AsPushButton(control);
      button->caption = string(plan.caption.c_str()).ExtractStringStorage();
      button->isDefault = plan.isDefault;
      button->isCancel = plan.cancel;
    }
    WindowAddControl(window, string(plan.name.c_str()).Storage(), control);
    RuntimeUnlockObject(control);
  }
}

void OnContainerCreatePane(RuntimeObject* control) {
  ControlObject* record = AsControl(control);
  record->pane = new ContainerPane(record->ownerPane, record->tabPanelIndex, record->bounds);
}

void OnAction(RuntimeObject* button) { Hear(button, "Action"); }
int32_t OnMouseDown(RuntimeObject* button, int32_t, int32_t) {
  Hear(button, "MouseDown");
  return Kit().mouseDownTakes;
}
int32_t OnMouseUp(RuntimeObject* button, int32_t, int32_t) {
  Hear(button, "MouseUp");
  return 0;
}
void OnClose(RuntimeObject* control) { Hear(control, "Close"); }
void OnPerformAction(RuntimeObject* receiver) { Hear(receiver, "Receiver"); }

}  // namespace

ControlKit& Kit() { return *gKit; }

ControlKit::ControlKit() {
  gKit = this;
  RuntimeInitExternalClasses();
  windowClass = Subclass("Window", "KitWindow");
  SetHandler(windowClass, "Layout", reinterpret_cast<void*>(&OnLayout));
  SetHandler(windowClass, "CreateControls", reinterpret_cast<void*>(&OnCreateControls));
  buttonClass = Subclass("PushButton", "KitButton");
  SetHandler(buttonClass, "Action", reinterpret_cast<void*>(&OnAction));
  SetHandler(buttonClass, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
  SetHandler(buttonClass, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
  SetHandler(buttonClass, "Close", reinterpret_cast<void*>(&OnClose));
  containerClass = Subclass("RectControl", "KitContainer");
  SetHandler(containerClass, "CreatePane", reinterpret_cast<void*>(&OnContainerCreatePane));
  SetHandler(containerClass, "Close", reinterpret_cast<void*>(&OnClose));
  receiverClass = Subclass("Object", "KitReceiver", 1);
  InterfaceTableEntry& entry = InterfaceEntries(receiverClass)[receiverClass->interfaceCount - 1];
  entry.interfaceClass = RuntimeClassForDefinition(ActionNotificationReceiverInterfaceDefinition());
  entry.methodCount = 1;
  entry.methods = RuntimeNewVtable(1);
  entry.methods[0] = {reinterpret_cast<void*>(&OnPerformAction),
                      string("PerformAction%%").ExtractStringStorage()};
}

ControlKit::~ControlKit() {
  for (RuntimeObject* window : mWindows) {
    if (AsWindow(window)->mImp) RuntimeCloseWindow(window);
    RuntimeUnlockObject(window);
  }
  gKit = nullptr;
}

RuntimeObject* ControlKit::OpenWindow(const std::string& title,
                                      const std::vector<ControlPlan>& plans) {
  gTitle = title;
  gPlans = plans;
  RuntimeObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeLockObject(window);
  mWindows.push_back(window);
  return window;
}

RuntimeObject* ControlKit::OpenAndFocus(GuiDriver& gui, const std::string& title,
                                        const std::vector<ControlPlan>& plans, XWindow* xid) {
  RuntimeObject* window = OpenWindow(title, plans);
  RuntimeShowWindow(window);
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  *xid = native ? gui.WaitForWindow(title) : 0;
  EXPECT_NE(*xid, 0u);
  if (!*xid) return window;
  gtk_window_present(native->GetGtkWindow());
  EXPECT_TRUE(gui.WaitForFocus(*xid));
  EXPECT_TRUE(gui.PumpUntil([&] {
    return AsWindow(window)->mImp && AsWindow(window)->mImp->IsActive();
  }));
  gui.Settle();
  return window;
}

RuntimeObject* ControlKit::Control(RuntimeObject* window, const std::string& key) {
  RuntimeObject* control = nullptr;
  StringMap<RuntimeObject*>* map = AsWindow(window)->mControls;
  if (!map || !map->GetEntry(string(key.c_str()), &control)) return nullptr;
  return control;
}

RuntimeObject* ControlKit::NewReceiver() { return RuntimeNewObject(receiverClass); }

std::vector<std::string> ControlKit::Take() {
  std::vector<std::string> taken;
  taken.swap(log);
  return taken;
}

std::string ControlKit::TakeLast() {
  std::vector<std::string> taken = Take();
  return taken.empty() ? std::string() : taken.back();
}

}  // namespace qvtest
