// The window entry points of the runtime: show, hide, close and run a window modally; count and
// find the open windows; give a window the keyboard focus.
#include "windows/WindowEntryPoints.h"

#include <gtk/gtk.h>

#include "core/Export.h"
#include "windows/ControlRecord.h"
#include "windows/EmbeddedWindows.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"
#include "windows/WindowOrder.h"

namespace {

bool IsOnRuntimeWindowList(const Window* window) {
  for (RuntimeViewWindow* listed = RuntimeViewWindow::FirstRuntimeWindow(); listed;
       listed = listed->NextRuntimeWindow()) {
    if (listed == window) return true;
  }
  return false;
}

// The open windows of the language, front to back: the native windows in the window order
// that are on the runtime window list and not closing. The index-th one (nil past the end);
// *count gets how many there are when the walk reaches the end.
RuntimeViewWindow* OpenWindowAt(int32_t index, int32_t* count) {
  int32_t seen = 0;
  for (uint32_t i = 0; Window* window = WindowOrderAt(i); ++i) {
    if (window->IsClosing() || !IsOnRuntimeWindowList(window)) continue;
    if (seen++ == index) return static_cast<RuntimeViewWindow*>(window);
  }
  if (count) *count = seen;
  return nullptr;
}

}  // namespace

bool UseAlternateAppearance() { return true; }

extern "C" void RuntimeShowAsWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 1;
  if (!AsWindow(window)->mImp) BuildRuntimeViewWindow(window);
}
QV_EXPORT(RuntimeShowAsWindow)

extern "C" void RuntimeShowWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 1;
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) {
    native->Show();
    native->Reveal();
  } else {
    ShowEmbeddedWindow(window, true);
  }
}
QV_EXPORT(RuntimeShowWindow)

extern "C" void RuntimeHideWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 0;
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) {
    native->Hide();
  } else {
    ShowEmbeddedWindow(window, false);
  }
}
QV_EXPORT(RuntimeHideWindow)

extern "C" void RuntimeCloseWindow(RuntimeObject* window) {
  if (window) CloseWindowObject(window, false);
}
QV_EXPORT(RuntimeCloseWindow)

extern "C" void RuntimeShowModal(RuntimeObject* window) {
  if (!window) return;
  if (!AsWindow(window)->mImp && !BuildRuntimeViewWindow(window)) return;
  AsWindow(window)->visible = 1;
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  native->Show();
  native->Reveal();
  RunWindowModally(window);
}
QV_EXPORT(RuntimeShowModal)

extern "C" int32_t getWindowCount() {
  int32_t count = 0;
  OpenWindowAt(-1, &count);
  return count;
}
QV_EXPORT(getWindowCount)

extern "C" RuntimeObject* getWindow(int32_t index) {
  RuntimeViewWindow* native = index >= 0 ? OpenWindowAt(index, nullptr) : nullptr;
  RuntimeObject* object = native ? native->WindowObjectOf() : nullptr;
  RuntimeLockObject(object);
  return object;
}
QV_EXPORT(getWindow)

extern "C" void* WindowToWindowPtr(RuntimeObject* window) {
  RuntimeViewWindow* native = window ? AsWindow(window)->mImp : nullptr;
  return native ? native->GetGtkWindow() : nullptr;
}
QV_EXPORT(WindowToWindowPtr)

// A window of its own takes the focus itself, with no widget focused in it; an embedded one
// gives it to the control that holds it.
extern "C" void formSetFocus(RuntimeObject* window) {
  if (!window) return;
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) {
    SetFocusPane(native);
    if (GtkWindow* gtkWindow = native->GetGtkWindow()) gtk_window_set_focus(gtkWindow, nullptr);
  } else if (RuntimeObject* control = AsWindow(window)->mEmbeddedWindowControl) {
    if (SubPane* pane = AsControl(control)->pane) pane->SetKeyboardFocus();
  }
}
QV_EXPORT(formSetFocus)

extern "C" void clearFocus() { ClearKeyboardFocus(); }
QV_EXPORT(clearFocus)
