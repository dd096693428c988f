// RuntimeViewWindow: the runtime window list, construction, Close and the window-list walks of
// the main loop and of quitting. Its event routing is in RuntimeViewWindowEvents.cpp.
#include "windows/RuntimeViewWindow.h"

#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "net/IPCSocketClass.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/ServerSocketClass.h"
#include "net/SocketClasses.h"
#include "windows/ControlRecord.h"
#include "windows/EmbeddedWindows.h"
#include "windows/PaneFocus.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowControls.h"
#include "windows/WindowMenuBar.h"
#include "windows/WindowObject.h"

namespace {

RuntimeViewWindow* gFirstRuntimeWindow = nullptr;  // newest first
bool gInContextualClick = false;

using ControlMap = StringMap<RuntimeObject*>;

void CloseSocket(RuntimeObject* object) {
  if (ObjectIsaDefinition(object, ServerSocketClassDefinition())) {
    ServerSocketClose(object);
  } else if (IsSocketCoreObject(object)) {
    socketClose(object);
  } else if (ObjectIsaDefinition(object, IPCSocketClassDefinition())) {
    IPCSocketClose(object);
  }
}

}  // namespace

// ---- LockedObjects ----

LockedObjects::~LockedObjects() {
  for (uint32_t i = mObjects.size(); i-- > 0;) RuntimeUnlockObject(mObjects[int32_t(i)]);
}

void LockedObjects::Add(RuntimeObject* object) {
  RuntimeLockObject(object);
  mObjects.Append(object);
}

// ---- construction and destruction ----

RuntimeViewWindow::RuntimeViewWindow(RuntimeObject* windowObject, const WindowSpec& request)
    : RuntimeWindow(request), mWindowObject(windowObject) {
  gtk_widget_set_name(GTK_WIDGET(GetGtkWindow()), "RuntimeViewWindow");
  mNextRuntimeWindow = gFirstRuntimeWindow;
  gFirstRuntimeWindow = this;
  RuntimeLockObject(windowObject);
  const WindowEventHooks& hooks = WindowHooks();
  mMinimizeHandler = LookupEventHandler(windowObject, hooks.minimize);
  mMaximizeHandler = LookupEventHandler(windowObject, hooks.maximize);
  mRestoreHandler = LookupEventHandler(windowObject, hooks.restore);
  AsWindow(windowObject)->mImp = this;
  if (RuntimeObject* menuBar = AsWindow(windowObject)->menuBar) {
    InstallWindowMenuBar(windowObject, menuBar);
  }
}

RuntimeViewWindow::~RuntimeViewWindow() {
  for (RuntimeViewWindow** link = &gFirstRuntimeWindow; *link;
       link = &(*link)->mNextRuntimeWindow) {
    if (*link != this) continue;
    *link = mNextRuntimeWindow;
    break;
  }
  if (RuntimeObject* object = mWindowObject) {
    DetachWindowMenuBar(this);
    mWindowObject = nullptr;
    if (AsWindow(object)->mImp == this) {
      AsWindow(object)->mImp = nullptr;
      ForgetWindowGraphics(object);
    }
    RuntimeUnlockObject(object);
  }
}

RuntimeViewWindow* RuntimeViewWindow::FirstRuntimeWindow() { return gFirstRuntimeWindow; }

void RuntimeViewWindow::BuildContent() {
  WindowObject* w = AsWindow(mWindowObject);
  const WindowEventHooks& hooks = WindowHooks();
  if (!w->visible) Hide();
  TakeBackControls();
  bool open = true;
  if (!w->mInitialControlsCreated) {
    Raise<void>(hooks.createControls, &open);
    w->mInitialControlsCreated = 1;
    if (!open) return;
  }
  Raise<void>(hooks.addMenuHandlers, &open, mWindowObject);
  if (!open) return;
  MakeControlPanes();
  if (IsClosing()) return;
  if (ControlClasses().refreshPanelVisibility) {
    ControlClasses().refreshPanelVisibility(mWindowObject);
  }
  if (w->hasBackColor) SetBackColor(w->backColor);
  SetHelpTag(string(w->balloonHelp));
  if (w->fullScreenPending) {
    w->fullScreenPending = 0;
    windowFullScreenSetter(mWindowObject, 0, 1);
    if (IsClosing()) return;
  }
  Raise<void>(hooks.setupBindings, &open);
}

// A control's CreatePane may add controls; the walk reaches them too. Embedding a window
// placed here at design time adds the control standing for it: the walk starts again.
void RuntimeViewWindow::MakeControlPanes() {
  ControlMap* controls = AsWindow(mWindowObject)->mControls;
  if (!controls) return;
  auto walk = WalkControlMap(controls);
  RuntimeObject* object = nullptr;
  while (!IsClosing() && walk->Next() && walk->GetValue(&object)) {
    if (IsContainerControl(object) && !AsWindow(object)->embeddedWithin &&
        WindowEmbedding().embedAsDesigned) {
      WindowEmbedding().embedAsDesigned(object, mWindowObject);
      if (AsWindow(object)->embeddedWithin) walk = WalkControlMap(controls);
      continue;
    }
    if (!IsControlObject(object) || AsControl(object)->pane) continue;
    AsControl(object)->ownerPane = this;
    CreateControlPane(object);
  }
}

void RuntimeViewWindow::TakeBackControls() {
  WindowObject* w = AsWindow(mWindowObject);
  if (!w->controlsReleased || !w->mControls) return;
  w->controlsReleased = 0;
  auto walk = WalkControlMap(w->mControls);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) RuntimeLockObject(object);
}

// ---- Close ----

void RuntimeViewWindow::Close() {
  if (IsClosing()) return;
  MarkClosing();
  Retain();
  RuntimeObject* object = mWindowObject;
  if (object) {
    LockedObjects controls;
    CollectWindowControls(object, controls);
    for (uint32_t i = 0; i < controls.size(); ++i) {
      RuntimeObject* control = controls[i];
      SubPane* pane = AsControl(control)->pane;
      if (pane && GetFocusPane() == pane) ClearKeyboardFocus();
      RaiseControlClose(control);
    }
    Raise<void>(WindowHooks().close, nullptr);
    LockedObjects windows;
    CollectAllWindows(object, windows);
    for (uint32_t i = 0; i < windows.size(); ++i) {
      ControlMap* map = AsWindow(windows[i])->mControls;
      if (!map) continue;
      auto walk = WalkControlMap(map);
      RuntimeObject* entry = nullptr;
      while (walk->Next() && walk->GetValue(&entry)) CloseSocket(entry);
    }
  }
  if (Release()) return;
  object = mWindowObject;
  if (!object) {
    Window::Close();
    return;
  }
  ForgetImplicitWindow(object);
  GiveUpControls();
  WindowObject* w = AsWindow(object);
  delete w->mMenuHandlers;
  w->mMenuHandlers = nullptr;
  DetachWindowMenuBar(this);
  w->mImp = nullptr;
  ForgetWindowGraphics(object);
  mWindowObject = nullptr;
  RuntimeUnlockObject(object);
  Window::Close();
}

// An entry whose Control something else still holds stays listed, without the map's reference,
// until that control's finalizer takes it out (RemoveControlFromWindow); every other entry goes.
void RuntimeViewWindow::GiveUpControls() {
  WindowObject* w = AsWindow(mWindowObject);
  if (w->controlsReleased || !w->mControls) return;
  w->controlsReleased = 1;
  auto walk = WalkControlMap(w->mControls);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    const bool stays = IsControlObject(object) && object->refCount > 1;
    if (!stays) walk->RemoveCurrent();
    RuntimeUnlockObject(object);
  }
}

// ---- the runtime window list ----

bool HasRuntimeWindows() { return gFirstRuntimeWindow != nullptr; }

// Windows already closing are on their way out (something still holds them); those a handler
// closed inside a GTK signal go first, as no main-loop pass may come to let them go.
void CloseAllNativeWindows() {
  ReleaseDeferredPanes();
  for (;;) {
    RuntimeViewWindow* window = gFirstRuntimeWindow;
    while (window && window->IsClosing()) window = window->NextRuntimeWindow();
    if (!window) return;
    window->Retain();
    window->Close();
    const bool refused = !window->IsClosing();
    window->Release();
    if (refused) return;
  }
}

// A closing window no longer has its language object and is passed over.
bool CloseWindowForQuit(Window* window, void*) {
  if (!window->IsRuntimeWindow()) return true;
  RuntimeObject* object = static_cast<RuntimeViewWindow*>(window)->WindowObjectOf();
  if (!object) return window->IsClosing();
  return !CloseWindowObject(object, true);
}

RuntimeViewWindow* WindowObjectNativePane(RuntimeObject* window) {
  if (!window) return nullptr;
  return AsWindow(window)->mImp ? AsWindow(window)->mImp : TopNativeWindowOf(window);
}

bool IsInContextualClick() { return gInContextualClick; }

bool RuntimeViewWindow::RefusesEvent(const ObjectHook* hook) {
  return IsClosing() && hook != WindowHooks().close;
}

bool RuntimeViewWindow::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  Retain();
  gInContextualClick = true;
  bool handled = MouseDown(x, y, modifiers);
  gInContextualClick = false;
  if (!IsClosing()) handled = ContextualClick(x, y) || handled;
  const bool closed = IsClosing();
  return Release() || closed || handled;
}

namespace {

// The frontmost visible pane under the point, at the deepest level; nil when none.
SubPane* FrontPaneAt(SubPane* pane, int32_t x, int32_t y) {
  for (int32_t i = pane->ChildCount(); i-- > 0;) {
    SubPane* child = pane->ChildAt(i);
    if (!child->IsVisibleAndShown() || !child->HitRectHolds(x, y)) continue;
    SubPane* inner = FrontPaneAt(child, x, y);
    return inner ? inner : child;
  }
  return nullptr;
}

}  // namespace

bool RuntimeViewWindow::ContextualClick(int32_t x, int32_t y) {
  const auto dispatch = ControlClasses().dispatchContextualMenu;
  if (!mWindowObject || !dispatch) return false;
  RuntimeObject* target = mWindowObject;
  for (SubPane* pane = FrontPaneAt(this, x, y); pane && pane != this; pane = pane->GetOwner()) {
    if (RuntimeObject* control = pane->GetRunControl()) {
      target = control;
      break;
    }
  }
  Retain();
  const bool handled = dispatch(target, x, y);
  const bool closing = IsClosing();
  return Release() || closing || handled;
}

// ---- the walks ----

void CollectEventWindows(RuntimeObject* window, LockedObjects& windows) {
  if (!window) return;
  if (AsWindow(window)->visible) windows.Add(window);
  ForEachEmbeddedWindow(window, [&](RuntimeObject* inner) {
    if (AsWindow(inner)->windowEvents) CollectEventWindows(inner, windows);
  });
}

void CollectAllWindows(RuntimeObject* window, LockedObjects& windows) {
  if (!window) return;
  windows.Add(window);
  ForEachEmbeddedWindow(window, [&](RuntimeObject* inner) { CollectAllWindows(inner, windows); });
}

void CollectWindowControls(RuntimeObject* window, LockedObjects& controls) {
  LockedObjects windows;
  CollectAllWindows(window, windows);
  for (uint32_t i = windows.size(); i-- > 0;) {
    ControlMap* map = AsWindow(windows[i])->mControls;
    if (!map) continue;
    auto walk = WalkControlMap(map);
    RuntimeObject* object = nullptr;
    while (walk->Next() && walk->GetValue(&object)) {
      if (IsControlObject(object)) controls.Add(object);
    }
  }
}
