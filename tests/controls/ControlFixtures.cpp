#include "ControlFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/ExternalClasses.h"
#include "database/DataBinding.h"
#include "controls/Canvas.h"
#include "controls/PushButton.h"
#include "controls/TabPanel.h"
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

void OnLayout(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  RectSet(w->bounds, 0, 0, 300, 200);
  w->title = string(gTitle.c_str()).ExtractStringStorage();
  w->visible = 1;
}

RuntimeClass* ClassOf(const ControlPlan& plan) {
  if (plan.container) return Kit().containerClass;
  switch (plan.kind) {
    case ControlKind::kCanvas:
      return Kit().canvasClass;
    case ControlKind::kEmbedded:
      return Kit().embeddedClass;
    case ControlKind::kPagePanel:
      return Kit().pagePanelClass;
    case ControlKind::kTabPanel:
      return Kit().tabPanelClass;
    case ControlKind::kButton:
      break;
  }
  return Kit().buttonClass;
}

void SetUpPanelOrCanvas(RuntimeObject* control, const ControlPlan& plan) {
  if (plan.kind == ControlKind::kEmbedded) {
    RuntimeLockObject(Kit().templateWindow);
    reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow = Kit().templateWindow;
  } else if (plan.kind == ControlKind::kCanvas) {
    AsCanvas(control)->acceptTabs = plan.acceptTabs;
    AsCanvas(control)->acceptFocus = plan.acceptFocus;
  } else if (plan.kind == ControlKind::kTabPanel) {
    AsTabPanel(control)->tabDefinition = string(plan.tabs.c_str()).ExtractStringStorage();
    AsTabPanel(control)->facing = plan.facing;
  } else {
    AsPagePanel(control)->panelCount = plan.panelCount;
  }
}

void OnCreateControls(RuntimeObject* window) {
  for (const ControlPlan& plan : gPlans) {
    RuntimeClass* cls = ClassOf(plan);
    RuntimeObject* control = RuntimeNewObject(cls);
    ControlObject* record = AsControl(control);
    record->bounds = plan.bounds;
    record->index = plan.index;
    record->visible = plan.visible;
    record->enabled = plan.enabled;
    record->tabPanelIndex = plan.page;
    if (!plan.container && plan.kind != ControlKind::kButton) {
      SetUpPanelOrCanvas(control, plan);
    } else if (!plan.container) {
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
void OnChange(RuntimeObject* control) { Hear(control, "Change"); }
void OnPaint(RuntimeObject* canvas, RuntimeObject* g) {
  Kit().paintGraphics = g;
  Hear(canvas, "Paint");
  Kit().paintGraphics = nullptr;
}
void HearPoint(RuntimeObject* canvas, const char* event, int32_t x, int32_t y) {
  Kit().lastX = x;
  Kit().lastY = y;
  Hear(canvas, event);
}
int32_t OnCanvasMouseDown(RuntimeObject* canvas, int32_t x, int32_t y) {
  HearPoint(canvas, "MouseDown", x, y);
  return Kit().mouseDownTakes;
}
void OnMouseDrag(RuntimeObject* canvas, int32_t x, int32_t y) {
  HearPoint(canvas, "MouseDrag", x, y);
}
void OnCanvasMouseUp(RuntimeObject* canvas, int32_t x, int32_t y) {
  HearPoint(canvas, "MouseUp", x, y);
}
int32_t OnKeyDown(RuntimeObject* canvas, stringStorage* key) {
  Kit().lastKey = stringStorage::CString(key);
  Hear(canvas, "KeyDown");
  return Kit().keyDownTakes;
}
void OnGotFocus(RuntimeObject* control) { Hear(control, "GotFocus"); }
void OnLostFocus(RuntimeObject* control) { Hear(control, "LostFocus"); }

RuntimeClass* CanvasKitClass() {
  RuntimeClass* cls = Subclass("Canvas", "KitCanvas");
  SetHandler(cls, "Paint", reinterpret_cast<void*>(&OnPaint));
  SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnCanvasMouseDown));
  SetHandler(cls, "MouseDrag", reinterpret_cast<void*>(&OnMouseDrag));
  SetHandler(cls, "MouseUp", reinterpret_cast<void*>(&OnCanvasMouseUp));
  SetHandler(cls, "KeyDown", reinterpret_cast<void*>(&OnKeyDown));
  SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
  SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
  SetHandler(cls, "Close", reinterpret_cast<void*>(&OnClose));
  return cls;
}

RuntimeClass* PanelKitClass(const char* parent, const char* name) {
  RuntimeClass* cls = Subclass(parent, name);
  SetHandler(cls, "Change", reinterpret_cast<void*>(&OnChange));
  SetHandler(cls, "Close", reinterpret_cast<void*>(&OnClose));
  return cls;
}
void OnPerformAction(RuntimeObject* receiver) { Hear(receiver, "Receiver"); }

}  // namespace

ControlKit& Kit() { return *gKit; }

void SetHandler(RuntimeClass* cls, const char* event, void* handler) {
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string(event)) == 0) {
      cls->eventTable[i].vector = handler;
    }
  }
}

RuntimeClass* Subclass(const char* parentName, const char* name, int32_t interfaces) {
  RuntimeClass* parent = RuntimeLookupClass(string(parentName).Storage());
  RuntimeClass* cls = RuntimeNewClass(parent, parent->methodCount,
                                      parent->interfaceCount + interfaces, parent->eventCount,
                                      parent->namedMethodCount, parent->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = parent->instanceSize;
  return cls;
}

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
  canvasClass = CanvasKitClass();
  embeddedClass = Subclass("EmbeddedWindowControl", "KitEmbedded");
  pagePanelClass = PanelKitClass("PagePanel", "KitPagePanel");
  tabPanelClass = PanelKitClass("TabPanel", "KitTabPanel");
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

void ControlKit::Forget(RuntimeObject* window) {
  const auto held = std::find(mWindows.begin(), mWindows.end(), window);
  if (held == mWindows.end()) return;
  mWindows.erase(held);
  RuntimeUnlockObject(window);
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
