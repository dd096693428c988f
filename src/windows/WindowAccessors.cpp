// The Window class's accessors of title, background, help tag, cursor, mouse position, handles,
// the cached Graphics, focus, the window states and drop registration (WindowAccessors.h).
// Full screen is in WindowFullScreen.cpp, refresh and drawing in WindowDrawing.cpp.
#include "windows/WindowAccessors.h"

#include <cstddef>

#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "windows/ControlRecord.h"
#include "windows/MouseCursorClass.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

EmbeddedControlAccess gEmbeddedAccess;

const EmbeddedControlAccess& Access() { return gEmbeddedAccess; }

// The embedded control when there is one and the control classes installed the accessor.
template <typename Accessor>
RuntimeObject* EmbeddedWith(RuntimeObject* window, Accessor accessor) {
  RuntimeObject* control = EmbeddedControlOf(window);
  return control && accessor ? control : nullptr;
}

int32_t MouseCoordinate(RuntimeObject* window, bool vertical) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return 0;
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    int32_t x = 0;
    int32_t y = 0;
    native->GetMousePosition(&x, &y);
    return vertical ? y : x;
  }
  auto getter = vertical ? Access().mouseY : Access().mouseX;
  RuntimeObject* control = EmbeddedWith(window, getter);
  return control ? getter(control, 0) : 0;
}

void AcceptDragType(RuntimeObject* window, const char* type) {
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) {
    native->AddAcceptedDragType(string(type));
  }
}

}  // namespace

WindowObject* CheckedWindow(RuntimeObject* window) {
  return QV_CHECK_TEXT(window, "window", nullptr) ? AsWindow(window) : nullptr;
}

RuntimeViewWindow* OpenNativeWindow(const WindowObject* w) {
  return w->mImp && !w->mImp->IsClosing() ? w->mImp : nullptr;
}

EmbeddedControlAccess SetEmbeddedControlAccess(const EmbeddedControlAccess& access) {
  const EmbeddedControlAccess previous = gEmbeddedAccess;
  gEmbeddedAccess = access;
  return previous;
}

const EmbeddedControlAccess& CurrentEmbeddedControlAccess() { return gEmbeddedAccess; }

RuntimeObject* EmbeddedControlOf(RuntimeObject* window) {
  if (!window || AsWindow(window)->mImp) return nullptr;
  return AsWindow(window)->mEmbeddedWindowControl;
}

// The kept Graphics object stays valid for whoever holds it; only its target goes.
void ForgetWindowGraphics(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  RuntimeObject* graphics = w->graphics;
  if (!graphics) return;
  w->graphics = nullptr;
  if (Graphics* native = NativeGraphicsOf(graphics)) native->DetachTarget();
  RuntimeUnlockObject(graphics);
}

// ---- title and background ----

extern "C" void windowTitleSetter(RuntimeObject* window, uint32_t, stringStorage* title) {
  if (!QV_CHECK_TEXT(window, "window",
                     "Trying to set the window's title, but there was no window")) {
    return;
  }
  stringSetter(window, offsetof(WindowObject, title), title);
  if (RuntimeViewWindow* native = OpenNativeWindow(AsWindow(window))) {
    native->SetTitle(string(title));
  }
}
QV_EXPORT(windowTitleSetter)

extern "C" void windowHasBackColorSetter(RuntimeObject* window, uint32_t, int32_t has) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  w->hasBackColor = has ? 1 : 0;
  RuntimeViewWindow* native = OpenNativeWindow(w);
  if (!native) return;
  if (has) {
    native->SetBackColor(w->backColor);
  } else {
    native->RemoveBackColor();
  }
}
QV_EXPORT(windowHasBackColorSetter)

extern "C" void windowBackColorSetter(RuntimeObject* window, uint32_t, uint32_t color) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  w->backColor = color;
  RuntimeViewWindow* native = OpenNativeWindow(w);
  if (native && w->hasBackColor) native->SetBackColor(color);
}
QV_EXPORT(windowBackColorSetter)

extern "C" void windowBackdropSetter(RuntimeObject* window, uint32_t, RuntimeObject* picture) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  if (RuntimeObject* control = EmbeddedWith(window, Access().setBackdrop)) {
    Access().setBackdrop(control, 0, picture);
    return;
  }
  objSetter(window, offsetof(WindowObject, backdrop), picture);
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) native->Refresh(true);
}
QV_EXPORT(windowBackdropSetter)

// ---- help, cursor, mouse, handles ----

extern "C" void windowBalloonHelpSetter(RuntimeObject* window, uint32_t, stringStorage* text) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  stringSetter(window, offsetof(WindowObject, balloonHelp), text);
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    native->SetHelpTag(string(text));
  } else if (RuntimeObject* control = EmbeddedWith(window, Access().setBalloonHelp)) {
    Access().setBalloonHelp(control, 0, text);
  }
}
QV_EXPORT(windowBalloonHelpSetter)

extern "C" void formMouseCursorSetter(RuntimeObject* window, uint32_t, RuntimeObject* cursor) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  objSetter(window, offsetof(WindowObject, mouseCursor), cursor);
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    native->SetMouseCursor(MouseCursorHandle(cursor));
  } else if (RuntimeObject* control = EmbeddedWith(window, Access().setMouseCursor)) {
    Access().setMouseCursor(control, 0, cursor);
  }
}
QV_EXPORT(formMouseCursorSetter)

extern "C" int32_t windowMouseXGetter(RuntimeObject* window, uint32_t) {
  return MouseCoordinate(window, false);
}
QV_EXPORT(windowMouseXGetter)

extern "C" int32_t windowMouseYGetter(RuntimeObject* window, uint32_t) {
  return MouseCoordinate(window, true);
}
QV_EXPORT(windowMouseYGetter)

extern "C" int32_t WindowHandleGetter(RuntimeObject* window, uint32_t) {
  WindowObject* w = CheckedWindow(window);
  RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr;
  return native ? int32_t(reinterpret_cast<uintptr_t>(native->GetGtkWindow())) : 0;
}
QV_EXPORT(WindowHandleGetter)

extern "C" int32_t windowWindowPtrGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(windowWindowPtrGetter)

extern "C" int32_t windowHWNDGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(windowHWNDGetter)
QV_EXPORT_AS("getterWinHWND", windowHWNDGetter)

extern "C" RuntimeObject* WindowDockItemGetter(RuntimeObject* window, uint32_t) {
  CheckedWindow(window);
  return nullptr;
}
QV_EXPORT(WindowDockItemGetter)

extern "C" RuntimeObject* windowGraphicsGetter(RuntimeObject* window, uint32_t) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return nullptr;
  if (RuntimeObject* control = EmbeddedWith(window, Access().graphics)) {
    return Access().graphics(control, 0);
  }
  RuntimeViewWindow* native = OpenNativeWindow(w);
  if (!native) return nullptr;
  if (!w->graphics) {
    Graphics* g = native->NewGraphics();
    if (!g) return nullptr;
    w->graphics = NewGraphicsObject(g);
    if (!w->graphics) {
      Graphics::Destroy(g);
      return nullptr;
    }
  }
  RuntimeLockObject(w->graphics);
  return w->graphics;
}
QV_EXPORT(windowGraphicsGetter)

// ---- focus ----

// Only a control of this window answers: the window itself (after SetFocus), a pane of another
// window and a pane without a control are nil, so that what compiled code gets is a
// RectControl, as its type says.
extern "C" RuntimeObject* WindowFocusGetter(RuntimeObject* window, uint32_t) {
  if (!CheckedWindow(window)) return nullptr;
  SubPane* focus = GetFocusPane();
  RuntimeObject* control = focus ? focus->GetRunControl() : nullptr;
  if (!IsControlObject(control) || AsControl(control)->window != window) return nullptr;
  RuntimeLockObject(control);
  return control;
}
QV_EXPORT(WindowFocusGetter)

// Nil is the window's SetFocus. A control without a pane (or an object that is no control)
// leaves the focus where it is.
extern "C" void WindowFocusSetter(RuntimeObject* window, uint32_t, RuntimeObject* control) {
  if (!CheckedWindow(window)) return;
  if (!control) {
    formSetFocus(window);
    return;
  }
  if (!IsControlObject(control)) return;
  if (SubPane* pane = AsControl(control)->pane) pane->SetKeyboardFocus();
}
QV_EXPORT(WindowFocusSetter)

// ---- window states ----

extern "C" void WindowMaximize(RuntimeObject* window) {
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) native->Maximize();
}
QV_EXPORT(WindowMaximize)

extern "C" void WindowMinimize(RuntimeObject* window) {
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) native->Minimize();
}
QV_EXPORT(WindowMinimize)

extern "C" void WindowRestore(RuntimeObject* window) {
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) native->Restore();
}
QV_EXPORT(WindowRestore)

// ---- drops ----

extern "C" void formAcceptTextDrop(RuntimeObject* window) {
  if (RuntimeObject* control = EmbeddedWith(window, Access().acceptTextDrop)) {
    Access().acceptTextDrop(control);
    return;
  }
  AcceptDragType(window, "utxt");
  AcceptDragType(window, "TEXT");
}
QV_EXPORT(formAcceptTextDrop)

extern "C" void formAcceptPictureDrop(RuntimeObject* window) {
  if (RuntimeObject* control = EmbeddedWith(window, Access().acceptPictureDrop)) {
    Access().acceptPictureDrop(control);
    return;
  }
  AcceptDragType(window, "PICT");
}
QV_EXPORT(formAcceptPictureDrop)

extern "C" void formAcceptFileDrop(RuntimeObject* window, stringStorage* type) {
  if (RuntimeObject* control = EmbeddedWith(window, Access().acceptFileDrop)) {
    Access().acceptFileDrop(control, type);
    return;
  }
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) {
    native->AddAcceptedFileType(string(type));
  }
}
QV_EXPORT(formAcceptFileDrop)

extern "C" void formAcceptMacDataDrop(RuntimeObject* window, stringStorage* type) {
  if (RuntimeObject* control = EmbeddedWith(window, Access().acceptRawDataDrop)) {
    Access().acceptRawDataDrop(control, type);
    return;
  }
  WindowObject* w = CheckedWindow(window);
  if (RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr) {
    native->AddAcceptedDragType(string(type));
  }
}
QV_EXPORT(formAcceptMacDataDrop)
