// The Window class's accessors and methods that act on a window as it is: title, background,
// help tag, cursor, mouse position, handles, the cached Graphics, refresh and drawing, drop
// registration, the focus control, full screen, Maximize, Minimize and Restore.
//
// Each one works on the native window when there is one. A window embedded in another (a
// ContainerControl: an embedded control and no native window) passes the call to that control,
// through the accessors the control classes install here (EmbeddedControlAccess); otherwise
// the stored field alone changes, and the native window applies it when it is built.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The control accessors an embedded window passes its calls to. The control classes install
// those they have at start-up; a call whose accessor is missing does nothing.
struct EmbeddedControlAccess {
  void (*setBalloonHelp)(RuntimeObject* control, uint32_t parameter, stringStorage* text) =
      nullptr;
  void (*setMouseCursor)(RuntimeObject* control, uint32_t parameter, RuntimeObject* cursor) =
      nullptr;
  int32_t (*mouseX)(RuntimeObject* control, uint32_t parameter) = nullptr;
  int32_t (*mouseY)(RuntimeObject* control, uint32_t parameter) = nullptr;
  void (*refresh)(RuntimeObject* control, int32_t erase) = nullptr;
  void (*refreshRect)(RuntimeObject* control, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t erase) = nullptr;
  void (*drawInto)(RuntimeObject* control, RuntimeObject* graphics, int32_t x, int32_t y) =
      nullptr;
  void (*setBackdrop)(RuntimeObject* control, uint32_t parameter, RuntimeObject* picture) =
      nullptr;
  // The control's Graphics, with a reference for the caller.
  RuntimeObject* (*graphics)(RuntimeObject* control, uint32_t parameter) = nullptr;
  void (*acceptTextDrop)(RuntimeObject* control) = nullptr;
  void (*acceptPictureDrop)(RuntimeObject* control) = nullptr;
  void (*acceptFileDrop)(RuntimeObject* control, stringStorage* type) = nullptr;
  void (*acceptRawDataDrop)(RuntimeObject* control, stringStorage* type) = nullptr;
};
// Installs access; returns what was installed before.
EmbeddedControlAccess SetEmbeddedControlAccess(const EmbeddedControlAccess& access);
const EmbeddedControlAccess& CurrentEmbeddedControlAccess();

struct WindowObject;
class RuntimeViewWindow;

// The window's record; nil, after the failed check "window", for a nil window.
WindowObject* CheckedWindow(RuntimeObject* window);
// The native window while it is open (not closing), else nil.
RuntimeViewWindow* OpenNativeWindow(const WindowObject* w);

// The control that stands for window when window is embedded (it has no native window), else
// nil.
RuntimeObject* EmbeddedControlOf(RuntimeObject* window);

// The native window's death: the window's cached Graphics loses its target (drawing through a
// kept one meets the Graphics' pane check) and the window lets it go, so that a later native
// window makes a new one.
void ForgetWindowGraphics(RuntimeObject* window);

extern "C" {
// ---- title and background ----
void windowTitleSetter(RuntimeObject* window, uint32_t parameter, stringStorage* title);
void windowHasBackColorSetter(RuntimeObject* window, uint32_t parameter, int32_t has);
void windowBackColorSetter(RuntimeObject* window, uint32_t parameter, uint32_t color);
void windowBackdropSetter(RuntimeObject* window, uint32_t parameter, RuntimeObject* picture);

// ---- help, cursor, mouse, handles ----
void windowBalloonHelpSetter(RuntimeObject* window, uint32_t parameter, stringStorage* text);
void formMouseCursorSetter(RuntimeObject* window, uint32_t parameter, RuntimeObject* cursor);
// The pointer in the window's content coordinates; 0 without a native window or control.
int32_t windowMouseXGetter(RuntimeObject* window, uint32_t parameter);
int32_t windowMouseYGetter(RuntimeObject* window, uint32_t parameter);
// The GtkWindow; 0 without a native window.
int32_t WindowHandleGetter(RuntimeObject* window, uint32_t parameter);
// Other platforms' handles: always 0.
int32_t windowWindowPtrGetter(RuntimeObject* window, uint32_t parameter);
int32_t windowHWNDGetter(RuntimeObject* window, uint32_t parameter);
// There are no dock items on this platform: nil.
RuntimeObject* WindowDockItemGetter(RuntimeObject* window, uint32_t parameter);
// The cached Graphics (made on first request), with a reference for the caller.
RuntimeObject* windowGraphicsGetter(RuntimeObject* window, uint32_t parameter);

// ---- focus ----
// The control of this window whose pane holds the keyboard focus (locked), else nil.
RuntimeObject* WindowFocusGetter(RuntimeObject* window, uint32_t parameter);
// Nil: the window's SetFocus; a control: its pane takes the keyboard focus.
void WindowFocusSetter(RuntimeObject* window, uint32_t parameter, RuntimeObject* control);

// ---- full screen ----
int32_t windowFullScreenGetter(RuntimeObject* window, uint32_t parameter);
void windowFullScreenSetter(RuntimeObject* window, uint32_t parameter, int32_t fullScreen);

// ---- refresh and drawing ----
void formRefresh(RuntimeObject* window, int32_t eraseBackground);
void formRefreshRect(RuntimeObject* window, int32_t x, int32_t y, int32_t width, int32_t height,
                     int32_t eraseBackground);
// UpdateNow: what is pending is painted now.
void WindowForceUpdateFrontBuffer(RuntimeObject* window);
// The window's content drawn into g with its top left corner at (x, y); asActive is not used.
void formDrawInto(RuntimeObject* window, RuntimeObject* g, int32_t x, int32_t y,
                  int32_t asActive);
// The window's background (its Paint) drawn into g, the content's (srcLeft, srcTop) at g's
// (0, 0).
void formDrawBackground(RuntimeObject* window, RuntimeObject* g, int32_t x, int32_t y,
                        int32_t width, int32_t height, int32_t srcLeft, int32_t srcTop);

// ---- window states ----
void WindowMaximize(RuntimeObject* window);
void WindowMinimize(RuntimeObject* window);
void WindowRestore(RuntimeObject* window);

// ---- drops ----
// The drag types "utxt" and "TEXT".
void formAcceptTextDrop(RuntimeObject* window);
// The drag type "PICT".
void formAcceptPictureDrop(RuntimeObject* window);
void formAcceptFileDrop(RuntimeObject* window, stringStorage* type);
// AcceptMacDataDrop and AcceptRawDataDrop: the drag type given.
void formAcceptMacDataDrop(RuntimeObject* window, stringStorage* type);
}
