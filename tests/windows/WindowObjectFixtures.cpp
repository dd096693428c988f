#include "WindowObjectFixtures.h"

#include <gtest/gtest.h>

#include "app/ExternalClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"

namespace qvtest {

RuntimeClass* Subclass(const char* parentName, const char* name, int32_t extraSize) {
  RuntimeClass* parent = RuntimeLookupClass(string(parentName).Storage());
  if (!parent) {
    ADD_FAILURE() << "no class " << parentName;
    return nullptr;
  }
  RuntimeClass* cls =
      RuntimeNewClass(parent, parent->methodCount, parent->interfaceCount, parent->eventCount,
                      parent->namedMethodCount, parent->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = parent->instanceSize + extraSize;
  return cls;
}

void SetHandler(RuntimeClass* cls, const char* event, void* handler) {
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(event) != 0) continue;
    cls->eventTable[i].vector = handler;
    return;
  }
  ADD_FAILURE() << "no event " << event;
}

namespace {

WindowObjectKit* gKit = nullptr;

// The test control's own field, after the control record: whether its CreatePane makes a pane.
struct TestControlObject {
  ControlObject control;
  uint8_t withPane;
};

std::string Text(const stringStorage* text) { return stringStorage::CString(text); }

std::string Point(int32_t x, int32_t y) { return std::to_string(x) + "," + std::to_string(y); }

std::vector<std::string> gLog;

// Logs "Owner.Event[ detail]" and runs the script's action for the event.
void Log(RuntimeObject* object, bool isWindow, const char* event, const std::string& detail = "") {
  if (!gKit) return;
  const std::string owner = isWindow ? TitleOf(object) : NameOf(object);
  gLog.push_back(owner + "." + event + (detail.empty() ? "" : " " + detail));
  if (gKit->script.action) gKit->script.action(isWindow ? event : owner + "." + event, object);
}

// ---- window handlers ----

void OnLayout(RuntimeObject* window) {
  if (!gKit) return;
  const WindowScript& script = gKit->script;
  WindowObject* w = AsWindow(window);
  stringStorage::RemoveReference(w->title);
  w->title = NewStringRecord(script.title);
  RectSet(w->bounds, 0, 0, script.width, script.height);
  w->frame = script.frame;
  w->placement = script.placement;
  w->visible = script.visible;
  w->resizeable = script.resizeable;
  w->closeButton = 1;
  Log(window, true, "Layout");
}

void OnCreateControls(RuntimeObject* window) {
  Log(window, true, "CreateControls");
  if (!gKit) return;
  for (const ControlPlan& plan : gKit->script.controls) {
    RuntimeObject* control = gKit->NewControl(plan);
    WindowAddControl(window, string(plan.name.c_str()).Storage(), control);
    RuntimeUnlockObject(control);
  }
}

void OnAddMenuHandlers(RuntimeObject* window, RuntimeObject* source) {
  Log(window, true, "AddMenuHandlers", source == window ? "self" : "other");
}

bool OnCancelClose(RuntimeObject* window, int32_t quitting) {
  Log(window, true, "CancelClose", quitting ? "quitting" : "");
  return gKit && gKit->script.cancelClose;
}

bool OnKeyDown(RuntimeObject* window, stringStorage* key) {
  Log(window, true, "KeyDown", Text(key));
  return gKit && gKit->script.keyDownTakes;
}

bool OnMouseDown(RuntimeObject* window, int32_t x, int32_t y) {
  Log(window, true, "MouseDown", Point(x, y));
  return gKit && gKit->script.mouseDownTakes;
}

bool OnMouseWheel(RuntimeObject* window, int32_t x, int32_t y, int32_t dx, int32_t dy) {
  Log(window, true, "MouseWheel", Point(x, y) + " " + Point(dx, dy));
  return gKit && gKit->script.wheelTakes;
}

template <const char* Event>
void OnWindowEvent(RuntimeObject* window) {
  Log(window, true, Event);
}

template <const char* Event>
void OnWindowPoint(RuntimeObject* window, int32_t x, int32_t y) {
  Log(window, true, Event, Point(x, y));
}

void OnPaint(RuntimeObject* window, RuntimeObject* graphics) {
  Log(window, true, "Paint", graphics ? "g" : "nil");
  if (gKit && gKit->script.paint) gKit->script.paint(window, graphics);
}

// Drag handlers, the same for windows and controls.
std::string DragDetail(RuntimeObject* item, int32_t action) {
  return (item ? "item " : "nil ") + std::to_string(action);
}

template <bool IsWindow>
bool OnDragEnter(RuntimeObject* object, RuntimeObject* item, int32_t action) {
  Log(object, IsWindow, "DragEnter", DragDetail(item, action));
  return gKit && gKit->script.dragRejects;
}

template <bool IsWindow>
bool OnDragOver(RuntimeObject* object, int32_t x, int32_t y, RuntimeObject* item,
                int32_t action) {
  Log(object, IsWindow, "DragOver", Point(x, y) + " " + DragDetail(item, action));
  return gKit && gKit->script.dragRejects;
}

template <bool IsWindow>
void OnDropObject(RuntimeObject* object, RuntimeObject* item, int32_t action) {
  Log(object, IsWindow, "DropObject", DragDetail(item, action));
}

void WindowFinalizer(RuntimeObject*) {
  if (gKit) ++gKit->windowsFreed;
}

// ---- control handlers ----

void OnCreatePane(RuntimeObject* control) {
  Log(control, false, "CreatePane");
  ControlObject* record = AsControl(control);
  if (!reinterpret_cast<TestControlObject*>(control)->withPane || !record->ownerPane) return;
  record->pane = new TestPane(record->ownerPane, record->bounds, PaneWidget::kOwnWindow,
                              record->tabPanelIndex, "pane");
}

bool OnControlWheel(RuntimeObject* control, int32_t x, int32_t y, int32_t dx, int32_t dy) {
  Log(control, false, "MouseWheel", Point(x, y) + " " + Point(dx, dy));
  return gKit && gKit->script.controlWheelTakes;
}

template <const char* Event>
void OnControlEvent(RuntimeObject* control) {
  Log(control, false, Event);
}

void OnControlMove(RuntimeObject* control, int32_t x, int32_t y) {
  Log(control, false, "MouseMove", Point(x, y));
}

void ControlFinalizer(RuntimeObject* control) {
  RemoveControlFromWindow(control);
  if (gKit) ++gKit->controlsFreed;
}

constexpr char kOpen[] = "Open";
constexpr char kClose[] = "Close";
constexpr char kSetupBindings[] = "SetupBindings";
constexpr char kActivate[] = "Activate";
constexpr char kDeactivate[] = "Deactivate";
constexpr char kMoved[] = "Moved";
constexpr char kResized[] = "Resized";
constexpr char kMouseEnter[] = "MouseEnter";
constexpr char kMouseExit[] = "MouseExit";
constexpr char kMouseMove[] = "MouseMove";
constexpr char kMouseDrag[] = "MouseDrag";
constexpr char kMouseUp[] = "MouseUp";
constexpr char kMinimize[] = "Minimize";
constexpr char kMaximize[] = "Maximize";
constexpr char kRestore[] = "Restore";

RuntimeClass* MakeWindowClass() {
  RuntimeClass* cls = Subclass("Window", "TestWindow", 0);
  if (!cls) return nullptr;
  const struct {
    const char* event;
    void* handler;
  } handlers[] = {
      {"Layout", reinterpret_cast<void*>(&OnLayout)},
      {"CreateControls", reinterpret_cast<void*>(&OnCreateControls)},
      {"AddMenuHandlers", reinterpret_cast<void*>(&OnAddMenuHandlers)},
      {"SetupBindings", reinterpret_cast<void*>(&OnWindowEvent<kSetupBindings>)},
      {"Open", reinterpret_cast<void*>(&OnWindowEvent<kOpen>)},
      {"Close", reinterpret_cast<void*>(&OnWindowEvent<kClose>)},
      {"CancelClose", reinterpret_cast<void*>(&OnCancelClose)},
      {"KeyDown", reinterpret_cast<void*>(&OnKeyDown)},
      {"MouseMove", reinterpret_cast<void*>(&OnWindowPoint<kMouseMove>)},
      {"MouseEnter", reinterpret_cast<void*>(&OnWindowEvent<kMouseEnter>)},
      {"MouseExit", reinterpret_cast<void*>(&OnWindowEvent<kMouseExit>)},
      {"Paint", reinterpret_cast<void*>(&OnPaint)},
      {"MouseDown", reinterpret_cast<void*>(&OnMouseDown)},
      {"MouseDrag", reinterpret_cast<void*>(&OnWindowPoint<kMouseDrag>)},
      {"MouseUp", reinterpret_cast<void*>(&OnWindowPoint<kMouseUp>)},
      {"Resized", reinterpret_cast<void*>(&OnWindowEvent<kResized>)},
      {"Moved", reinterpret_cast<void*>(&OnWindowEvent<kMoved>)},
      {"Activate", reinterpret_cast<void*>(&OnWindowEvent<kActivate>)},
      {"Deactivate", reinterpret_cast<void*>(&OnWindowEvent<kDeactivate>)},
      {"Minimize", reinterpret_cast<void*>(&OnWindowEvent<kMinimize>)},
      {"Maximize", reinterpret_cast<void*>(&OnWindowEvent<kMaximize>)},
      {"Restore", reinterpret_cast<void*>(&OnWindowEvent<kRestore>)},
      {"MouseWheel", reinterpret_cast<void*>(&OnMouseWheel)},
      {"DragEnter", reinterpret_cast<void*>(&OnDragEnter<true>)},
      {"DragOver", reinterpret_cast<void*>(&OnDragOver<true>)},
      {"DropObject", reinterpret_cast<void*>(&OnDropObject<true>)},
  };
  for (const auto& h : handlers) SetHandler(cls, h.event, h.handler);
  cls->finalizer = &WindowFinalizer;
  return cls;
}

RuntimeClass* MakeControlClass() {
  RuntimeClass* cls = Subclass("RectControl", "TestControl", 4);
  if (!cls) return nullptr;
  SetHandler(cls, "CreatePane", reinterpret_cast<void*>(&OnCreatePane));
  SetHandler(cls, "Open", reinterpret_cast<void*>(&OnControlEvent<kOpen>));
  SetHandler(cls, "Close", reinterpret_cast<void*>(&OnControlEvent<kClose>));
  SetHandler(cls, "MouseEnter", reinterpret_cast<void*>(&OnControlEvent<kMouseEnter>));
  SetHandler(cls, "MouseExit", reinterpret_cast<void*>(&OnControlEvent<kMouseExit>));
  SetHandler(cls, "MouseMove", reinterpret_cast<void*>(&OnControlMove));
  SetHandler(cls, "MouseWheel", reinterpret_cast<void*>(&OnControlWheel));
  SetHandler(cls, "DragEnter", reinterpret_cast<void*>(&OnDragEnter<false>));
  SetHandler(cls, "DragOver", reinterpret_cast<void*>(&OnDragOver<false>));
  SetHandler(cls, "DropObject", reinterpret_cast<void*>(&OnDropObject<false>));
  cls->finalizer = &ControlFinalizer;
  return cls;
}

}  // namespace

WindowObjectKit& Kit() { return *gKit; }

WindowObjectKit::WindowObjectKit() {
  RuntimeInitExternalClasses();
  static RuntimeClass* windows = MakeWindowClass();
  static RuntimeClass* controls = MakeControlClass();
  static RuntimeClass* plain = Subclass("Object", "TestPlain", 0);
  windowClass = windows;
  controlClass = controls;
  plainClass = plain;
  gLog.clear();
  gKit = this;
}

WindowObjectKit::~WindowObjectKit() {
  script = WindowScript();
  CloseAllNativeWindows();
  gKit = nullptr;
  gLog.clear();
}

RuntimeObject* WindowObjectKit::NewWindow() {
  RuntimeObject* window = RuntimeNewObject(windowClass);
  if (window) WindowDefaultConstructor(window);
  return window;
}

RuntimeObject* WindowObjectKit::NewControl(const ControlPlan& plan) {
  RuntimeObject* control = RuntimeNewObject(controlClass);
  ControlObject* record = AsControl(control);
  record->name = NewStringRecord(plan.name);
  record->index = plan.index;
  record->bounds = plan.bounds;
  record->visible = plan.visible;
  record->enabled = plan.enabled;
  reinterpret_cast<TestControlObject*>(control)->withPane = plan.withPane;
  return control;
}

bool WindowObjectKit::ShowAndFocus(GuiDriver& gui, RuntimeObject* window) {
  RuntimeShowWindow(window);
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  if (!native) return false;
  const XWindow id = gui.WaitForWindow(TitleOf(window));
  if (!id) return false;
  gtk_window_present(native->GetGtkWindow());
  return gui.WaitForFocus(id) && gui.PumpUntil([&] {
           return AsWindow(window)->mImp && AsWindow(window)->mImp->IsActive();
         });
}

std::vector<std::string> WindowObjectKit::Take() { return std::exchange(gLog, {}); }

std::vector<std::string> WindowObjectKit::TakeOnly(const std::vector<std::string>& events) {
  std::vector<std::string> kept;
  for (const std::string& entry : Take()) {
    const size_t dot = entry.find('.');
    const std::string event = entry.substr(dot + 1, entry.find(' ', dot) - dot - 1);
    for (const std::string& wanted : events) {
      if (event == wanted) kept.push_back(entry);
    }
  }
  return kept;
}

std::string TitleOf(RuntimeObject* window) { return Text(AsWindow(window)->title); }
std::string NameOf(RuntimeObject* control) { return Text(AsControl(control)->name); }

stringStorage* NewStringRecord(const std::string& text) {
  return string(text.c_str()).ExtractStringStorage();
}

RuntimeObject* ControlAt(RuntimeObject* window, const std::string& key) {
  RuntimeObject* object = nullptr;
  StringMap<RuntimeObject*>* map = AsWindow(window)->mControls;
  return map && map->GetEntry(string(key.c_str()), &object) ? object : nullptr;
}

std::vector<std::string> ControlKeys(RuntimeObject* window) {
  std::vector<std::string> keys;
  StringMap<RuntimeObject*>* map = AsWindow(window)->mControls;
  if (!map) return keys;
  StringMapIterator<RuntimeObject*> walk(map);
  while (walk.Next()) keys.push_back(walk.GetKey().CString());
  return keys;
}

}  // namespace qvtest
