// RuntimeViewWindow: the native window of every Window language object. It overrides the
// native window's notices (mouse, keys, activation, geometry, background, drags, the close box)
// to raise the events of the window object and of its controls, and it is on the process-wide
// runtime window list (newest first) from construction to destruction; the main loop quits
// automatically once that list is empty.
//
// A handler may close or release anything. Every path that runs compiled code holds this window
// (a pane retain) and the objects it touches (CompiledCall) for the call, and looks afterwards
// whether the window was destroyed or began closing; then it stops and touches nothing more.
//
// Close runs once: the controls' Close events, the window's Close, then the window gives up its
// window object, its controls' references and its GtkWindow.
#pragma once

#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"
#include "windows/Window.h"

// Objects held (one reference each) while a walk calls out; released when the list goes.
class LockedObjects {
 public:
  LockedObjects() = default;
  ~LockedObjects();
  LockedObjects(const LockedObjects&) = delete;
  LockedObjects& operator=(const LockedObjects&) = delete;

  void Add(RuntimeObject* object);
  uint32_t size() const { return mObjects.size(); }
  RuntimeObject* operator[](uint32_t index) const { return mObjects[int32_t(index)]; }

 private:
  SimpleVector<RuntimeObject*> mObjects;
};

// A native window that belongs to the language layer.
class RuntimeWindow : public Window {
 public:
  explicit RuntimeWindow(const WindowSpec& request) : Window(request) {}
  bool IsRuntimeWindow() override { return true; }
};

class RuntimeViewWindow : public RuntimeWindow {
 public:
  // Joins the runtime window list and becomes the native window of windowObject (a reference is
  // held until Close). BuildContent does the rest.
  RuntimeViewWindow(RuntimeObject* windowObject, const WindowSpec& request);
  ~RuntimeViewWindow() override;

  // The construction steps that run compiled code: CreateControls (once per window object),
  // AddMenuHandlers, the control panes, the stored background and help, SetupBindings. The
  // caller holds the window; a handler may close it, which ends the steps.
  void BuildContent();

  RuntimeObject* WindowObjectOf() const { return mWindowObject; }
  RuntimeViewWindow* NextRuntimeWindow() const { return mNextRuntimeWindow; }
  static RuntimeViewWindow* FirstRuntimeWindow();

  // ---- the native window's notices ----
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  // Right clicks: MouseDown with the in-click flag set, then ContextualClick.
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  // The contextual-menu pass on the control of the frontmost pane under the point (the
  // nearest enclosing one with a control), else on the window object.
  bool ContextualClick(int32_t x, int32_t y) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  // The controls' MouseExit, MouseEnter and MouseMove, then the window's MouseMove.
  void MouseMove(int32_t x, int32_t y) override;
  void MouseEnter() override;
  void MouseExit() override;
  // The controls under the point first, then the window.
  bool MouseWheel(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override;
  // KeyDown of the window (and the windows embedded in it, innermost first).
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) override;
  void Activate() override;
  void Deactivate() override;
  void Moved() override;
  void Resizing() override;
  void Resized() override;
  void Minimized() override;
  void Maximized() override;
  void Restored() override;
  // The window object's MinWidth, MinHeight, MaxWidth and MaxHeight, where not 0.
  void GetSizeLimits(QV::Rect& limits) override;
  // Paint, with a Graphics object lent g for the call.
  void DrawBackground(Graphics& g) override;
  // CancelClose may keep the window.
  bool CloseBoxClicked() override;
  bool DragEnter(RuntimeObject* dragItem, int32_t action) override;
  void DragExit(RuntimeObject* dragItem, int32_t action) override;
  bool DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) override;
  void DropObject(RuntimeObject* dragItem, int32_t action) override;
  // Once; a window already closing is left alone.
  void Close() override;

  // Raises hook's event on the window object (first argument) with args. The handler's answer,
  // or R() without a handler or object; *open (when given) tells whether this window is still
  // there and not closing afterwards; when it is false, this window must not be touched. A
  // closing window gets no event but its Close.
  template <typename R = void, typename... Args>
  R Raise(const ObjectHook* hook, bool* open, Args... args);
  // The same for a handler looked up beforehand; the one way into compiled code for the
  // window's events. It holds this window, the window object and every object among args.
  template <typename R = void, typename... Args>
  R CallHandler(const void* handler, bool* open, Args... args);

 private:
  // A closing window takes no event but its Close.
  bool RefusesEvent(const ObjectHook* hook);
  // Rebuilding the window of a closed object takes back the references its controls lost.
  void TakeBackControls();
  void MakeControlPanes();
  // The window object's controls lose the map's references (see WindowControls.h).
  void GiveUpControls();
  void UpdateObjectBounds();
  // Exits of the controls the pointer left, then enters and moves of those under it; false
  // when the window closed meanwhile.
  bool TrackControlsUnderPointer(int32_t x, int32_t y);
  bool RaiseKeyDown(const string& key);

  RuntimeViewWindow* mNextRuntimeWindow = nullptr;
  RuntimeObject* mWindowObject = nullptr;
  void* mMinimizeHandler = nullptr;
  void* mMaximizeHandler = nullptr;
  void* mRestoreHandler = nullptr;
};

// ---- the runtime window list ----

bool HasRuntimeWindows();
// Closes the windows of the list, newest first, without asking; stops when a window that was
// asked to close stays open.
void CloseAllNativeWindows();
// For Window::ForEachWindow while quitting: closes window when it is a language window, asking
// its CancelClose; false (the walk stops) when it refused.
bool CloseWindowForQuit(Window* window, void* unused);
// The native window of a window object, or nil.
RuntimeViewWindow* WindowObjectNativePane(RuntimeObject* window);
// True while a right click's MouseDown runs.
bool IsInContextualClick();

// ---- the window's windows and controls, for the walks that call out ----

// The window when its Visible is set (and the windows embedded in it that take its key events).
void CollectEventWindows(RuntimeObject* window, LockedObjects& windows);
// The window (and every window embedded in it).
void CollectAllWindows(RuntimeObject* window, LockedObjects& windows);
// The Controls of those windows' control maps, the innermost window's first, each window's in
// insertion order.
void CollectWindowControls(RuntimeObject* window, LockedObjects& controls);

// ---- template definitions ----

template <typename R, typename... Args>
R RuntimeViewWindow::Raise(const ObjectHook* hook, bool* open, Args... args) {
  RuntimeObject* object = mWindowObject;
  const bool refused = !object || RefusesEvent(hook);
  return CallHandler<R>(refused ? nullptr : LookupEventHandler(object, hook), open, args...);
}

template <typename R, typename... Args>
R RuntimeViewWindow::CallHandler(const void* handler, bool* open, Args... args) {
  RuntimeObject* object = mWindowObject;
  if (!handler || !object) {
    if (open) *open = !IsClosing();
    return R();
  }
  Retain();
  CompiledCall call;
  call.Protect(object).ProtectObjects(args...);
  if constexpr (std::is_void_v<R>) {
    call.Invoke<void>(handler, object, args...);
    const bool closing = IsClosing();
    const bool destroyed = Release();
    if (open) *open = !closing && !destroyed;
  } else {
    const R result = call.Invoke<R>(handler, object, args...);
    const bool closing = IsClosing();
    const bool destroyed = Release();
    if (open) *open = !closing && !destroyed;
    return result;
  }
}
