// RuntimeViewWindow: the native window's notices turned into the events of the window object
// and of its controls: mouse, wheel, keys, activation, geometry, size limits, background,
// drags and the close box.
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "strings/UTF8.h"
#include "windows/ControlRecord.h"
#include "windows/MenuBarHiding.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

const WindowEventHooks& Hooks() { return WindowHooks(); }
const ControlClassLink& Controls() { return ControlClasses(); }

// A control's pane when it is there to be pointed at: open, visible and shown.
SubPane* ShownPane(RuntimeObject* control) {
  SubPane* pane = AsControl(control)->pane;
  return pane && !pane->IsClosing() && pane->IsVisibleAndShown() ? pane : nullptr;
}

bool Holds(const QV::Rect& rect, int32_t x, int32_t y) {
  return y >= rect.top && y < rect.bottom && x >= rect.left && x < rect.right;
}

// The pane of control, when it is still the one the walk started with and open.
SubPane* SamePane(RuntimeObject* control, SubPane* pane) {
  return AsControl(control)->pane == pane && !pane->IsClosing() ? pane : nullptr;
}

string CharacterString(int32_t character) {
  char bytes[8];
  const int32_t length = UTF8Encode(character, bytes);
  return string::FromBytes(bytes, length > 0 ? length : 0, kEncodingUTF8);
}

}  // namespace

// ---- mouse ----

bool RuntimeViewWindow::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (Window::MouseDown(x, y, modifiers)) return true;
  bool open = true;
  const bool handled = Raise<bool>(Hooks().mouseDown, &open, x, y);
  if (!open) return true;
  if (handled) SetMouseCapturePane(this);
  return handled;
}

void RuntimeViewWindow::MouseDrag(int32_t x, int32_t y) {
  Raise<void>(Hooks().mouseDrag, nullptr, x, y);
}

void RuntimeViewWindow::MouseUp(int32_t x, int32_t y) {
  Raise<void>(Hooks().mouseUp, nullptr, x, y);
}

void RuntimeViewWindow::MouseMove(int32_t x, int32_t y) {
  if (IsClosing()) return;
  Retain();
  const bool open = TrackControlsUnderPointer(x, y);
  const bool closing = IsClosing();
  if (Release() || closing || !open) return;
  Raise<void>(Hooks().mouseMove, nullptr, x, y);
}

// Every exit before any enter, so that a pointer moving from one control onto an overlapping
// one leaves the first before it enters the second.
bool RuntimeViewWindow::TrackControlsUnderPointer(int32_t x, int32_t y) {
  LockedObjects controls;
  CollectWindowControls(mWindowObject, controls);
  const ControlClassLink& events = Controls();
  bool open = true;
  for (uint32_t i = 0; i < controls.size() && open; ++i) {
    RuntimeObject* control = controls[i];
    if (!AsControl(control)->mouseInside) continue;
    SubPane* pane = ShownPane(control);
    if (pane && Holds(pane->GetBounds(), x, y)) continue;
    AsControl(control)->mouseInside = 0;
    if (pane) pane->MouseExit();
    RaiseControlEvent<void>(control, events.mouseExit, nullptr);
    open = !IsClosing();
  }
  for (uint32_t i = 0; i < controls.size() && open; ++i) {
    RuntimeObject* control = controls[i];
    SubPane* pane = ShownPane(control);
    if (!pane || !Holds(pane->GetBounds(), x, y)) continue;
    const QV::Rect bounds = pane->GetBounds();
    if (!AsControl(control)->mouseInside) {
      AsControl(control)->mouseInside = 1;
      pane->MouseEnter();
      RaiseControlEvent<void>(control, events.mouseEnter, nullptr);
      open = !IsClosing();
      pane = SamePane(control, pane);
    }
    if (!open || !pane) continue;
    pane->MouseMove(x - bounds.left, y - bounds.top);
    RaiseControlEvent<void>(control, events.mouseMove, nullptr, x - bounds.left, y - bounds.top);
    open = !IsClosing();
  }
  return open;
}

void RuntimeViewWindow::MouseEnter() { Raise<void>(Hooks().mouseEnter, nullptr); }

void RuntimeViewWindow::MouseExit() {
  Retain();
  {
    LockedObjects controls;
    CollectWindowControls(mWindowObject, controls);
    for (uint32_t i = 0; i < controls.size() && !IsClosing(); ++i) {
      RuntimeObject* control = controls[i];
      if (!AsControl(control)->mouseInside) continue;
      AsControl(control)->mouseInside = 0;
      if (SubPane* pane = AsControl(control)->pane; pane && !pane->IsClosing()) pane->MouseExit();
      RaiseControlEvent<void>(control, Controls().mouseExit, nullptr);
    }
  }
  const bool closing = IsClosing();
  if (Release() || closing) return;
  Raise<void>(Hooks().mouseExit, nullptr);
}

// The panes of the pane list, front to back; a pane's control hears of the wheel before the
// pane does.
bool RuntimeViewWindow::MouseWheel(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) {
  Retain();
  bool handled = false;
  for (int32_t i = PaneCount() - 1; i >= 0 && !handled && !IsClosing(); --i) {
    if (i >= PaneCount()) continue;
    SubPane* pane = PaneAt(i);
    const QV::Rect bounds = pane->GetBounds();
    if (!pane->IsVisibleAndShown() || !Holds(bounds, x, y)) continue;
    RuntimeObject* control = pane->GetRunControl();
    if (control) {
      bool open = true;
      handled = RaiseControlEvent<bool>(control, Controls().mouseWheel, &open, x - bounds.left,
                                        y - bounds.top, deltaX, deltaY);
      if (handled || IsClosing() || !open) break;
    }
    handled = pane->ForwardToEventTarget(x, y, deltaX, deltaY);
  }
  const bool closing = IsClosing();
  if (Release() || closing) return true;
  if (handled) return true;
  return Raise<bool>(Hooks().mouseWheel, nullptr, x, y, deltaX, deltaY);
}

// ---- keys ----

bool RuntimeViewWindow::RaiseKeyDown(const string& key) {
  LockedObjects windows;
  CollectEventWindows(mWindowObject, windows);
  Retain();
  bool handled = false;
  for (uint32_t i = windows.size(); i-- > 0 && !handled && !IsClosing();) {
    RuntimeObject* window = windows[i];
    if (!AsWindow(window)->windowEvents) continue;
    if (window == mWindowObject) {
      handled = Raise<bool>(Hooks().keyDown, nullptr, key.Storage());
    } else {
      handled = RaiseObjectEvent<bool>(window, Hooks().keyDown, key.Storage());
    }
  }
  const bool closing = IsClosing();
  return Release() || closing || handled;
}

bool RuntimeViewWindow::HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (RaiseKeyDown(CharacterString(character))) return true;
  return RuntimeWindow::HandleChar(character, keyCode, modifiers);
}

bool RuntimeViewWindow::KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (character < 128) return HandleChar(character, keyCode, modifiers);
  bool open = true;
  const bool handled =
      Raise<bool>(Hooks().keyDown, &open, CharacterString(character).Storage());
  return handled || !open;
}

// ---- activation and window state ----

// The menu bars follow the MenuBarVisible of the window in front.
void RuntimeViewWindow::Activate() {
  RuntimeWindow::Activate();
  if (IsClosing()) return;
  if (mWindowObject && AsWindow(mWindowObject)->menuBarVisible) {
    ShowMenuBar();
  } else if (mWindowObject) {
    HideMenuBar();
  }
  Raise<void>(Hooks().activate, nullptr);
}

void RuntimeViewWindow::Deactivate() {
  RuntimeWindow::Deactivate();
  if (!IsClosing()) Raise<void>(Hooks().deactivate, nullptr);
}

// The window object's bounds follow the window as the person moves and sizes it.
void RuntimeViewWindow::UpdateObjectBounds() {
  if (mWindowObject) AsWindow(mWindowObject)->bounds = ScreenBounds();
}

void RuntimeViewWindow::Moved() {
  UpdateObjectBounds();
  Raise<void>(Hooks().moved, nullptr);
}

void RuntimeViewWindow::Resizing() {
  UpdateObjectBounds();
  bool open = true;
  Raise<void>(Hooks().resizing, &open);
  if (open) RuntimeWindow::Resizing();
}

void RuntimeViewWindow::Resized() {
  UpdateObjectBounds();
  Raise<void>(Hooks().resized, nullptr);
}

void RuntimeViewWindow::Minimized() {
  RuntimeWindow::Minimized();
  if (!IsClosing()) CallHandler<void>(mMinimizeHandler, nullptr);
}

void RuntimeViewWindow::Maximized() {
  RuntimeWindow::Maximized();
  if (!IsClosing()) CallHandler<void>(mMaximizeHandler, nullptr);
}

void RuntimeViewWindow::Restored() {
  RuntimeWindow::Restored();
  if (!IsClosing()) CallHandler<void>(mRestoreHandler, nullptr);
}

void RuntimeViewWindow::GetSizeLimits(QV::Rect& limits) {
  RuntimeWindow::GetSizeLimits(limits);
  if (!mWindowObject) return;
  const WindowObject* w = AsWindow(mWindowObject);
  if (w->minWidth) limits.left = w->minWidth;
  if (w->minHeight) limits.top = w->minHeight;
  if (w->maxWidth) limits.right = w->maxWidth;
  if (w->maxHeight) limits.bottom = w->maxHeight;
}

// The Backdrop is drawn from the picture's pixels until pictures have drawables.
void RuntimeViewWindow::DrawBackground(Graphics& g) {
  if (!QV_CHECK_TEXT(g.Target(), "thePane", nullptr)) return;
  if (!mWindowObject) return;
  if (GdkPixbuf* backdrop = PictureImage(AsWindow(mWindowObject)->backdrop)) {
    g.DrawPixbuf(backdrop, GetBounds().left, GetBounds().top);
  }
  if (!LookupEventHandler(mWindowObject, Hooks().paint)) return;
  RuntimeObject* graphics = NewGraphicsObject(nullptr);
  if (!graphics) return;
  SetNativeGraphics(graphics, &g);
  Retain();
  Raise<void>(Hooks().paint, nullptr, graphics);
  SetNativeGraphics(graphics, nullptr);
  RuntimeUnlockObject(graphics);
  Release();
}

bool RuntimeViewWindow::CloseBoxClicked() {
  return mWindowObject && CloseWindowObject(mWindowObject, false);
}

// ---- drags: true rejects, as everywhere ----

bool RuntimeViewWindow::DragEnter(RuntimeObject* dragItem, int32_t action) {
  return Raise<bool>(Hooks().dragEnter, nullptr, dragItem, action);
}

void RuntimeViewWindow::DragExit(RuntimeObject* dragItem, int32_t action) {
  Raise<void>(Hooks().dragExit, nullptr, dragItem, action);
}

bool RuntimeViewWindow::DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) {
  return Raise<bool>(Hooks().dragOver, nullptr, x, y, dragItem, action);
}

void RuntimeViewWindow::DropObject(RuntimeObject* dragItem, int32_t action) {
  if (!dragItem) return;
  Raise<void>(Hooks().dropObject, nullptr, dragItem, action);
}
