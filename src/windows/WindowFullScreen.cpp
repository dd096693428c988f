// The Window class's FullScreen. With GTK's gtk_window_fullscreen (looked up by name, as newer
// GTK functions are) the window manager makes the window cover the screen; without it the
// window is moved and sized over screen 0 itself and gets its bounds back when it leaves.
//
// A window that is not resizable takes size hints from 0 x 0 to 32000 x 32000 before it asks
// for full screen (a window manager will not enlarge a window of fixed size) and gets its
// fixed-size hints back, at the size it had, when it leaves. The main-loop passes between the
// two let the window manager take the new hints; the handlers they run may close the window or
// set FullScreen back to False, which ends the entering.
#include "app/MainLoop.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/GtkSymbols.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/ScreenClass.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowObject.h"

namespace {

using GtkWindowFunction = void (*)(GtkWindow*);

OptionalGtkFunction gFullscreen("gtk_window_fullscreen");
OptionalGtkFunction gUnfullscreen("gtk_window_unfullscreen");

constexpr int kPassesBeforeFullScreen = 5;
constexpr int32_t kNoSizeLimit = 32000;

int32_t RectWidth(const QV::Rect& rect) { return rect.right - rect.left; }
int32_t RectHeight(const QV::Rect& rect) { return rect.bottom - rect.top; }

// The window may still go full screen: open, this object's, and FullScreen still asked for.
bool StillEntering(RuntimeObject* window, RuntimeViewWindow* native) {
  const WindowObject* w = AsWindow(window);
  return !native->IsClosing() && w->mImp == native && w->fullScreen;
}

void LiftSizeLimits(RuntimeViewWindow* native) {
  native->SetResizable(true);
  GdkGeometry geometry = {};
  geometry.max_width = kNoSizeLimit;
  geometry.max_height = kNoSizeLimit;
  gtk_window_set_geometry_hints(native->GetGtkWindow(), nullptr, &geometry,
                                GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void EnterThroughGtk(RuntimeObject* window, RuntimeViewWindow* native,
                     GtkWindowFunction fullscreen) {
  if (!AsWindow(window)->resizeable) LiftSizeLimits(native);
  RuntimeLockObject(window);
  native->Retain();
  for (int pass = 0; pass < kPassesBeforeFullScreen && StillEntering(window, native); ++pass) {
    MainLoopDoEvents(false);
  }
  if (StillEntering(window, native)) fullscreen(native->GetGtkWindow());
  native->Release();
  RuntimeUnlockObject(window);
}

// Only screen 0 exists, so it is the screen that holds the window.
void CoverScreen(RuntimeViewWindow* native) {
  RuntimeObject* screen = getScreen(0);
  if (!screen) return;
  const ScreenObject* s = reinterpret_cast<const ScreenObject*>(screen);
  native->ResizeTo(s->width, s->height, true);
  native->MoveTo(s->left, s->top, true);
  RuntimeUnlockObject(screen);
}

void Enter(RuntimeObject* window, RuntimeViewWindow* native) {
  WindowObject* w = AsWindow(window);
  w->savedBounds = w->bounds;
  if (auto fullscreen = gFullscreen.As<GtkWindowFunction>()) {
    EnterThroughGtk(window, native, fullscreen);
  } else {
    CoverScreen(native);
  }
}

void Leave(RuntimeObject* window, RuntimeViewWindow* native) {
  WindowObject* w = AsWindow(window);
  const QV::Rect saved = w->savedBounds;
  if (auto unfullscreen = gUnfullscreen.As<GtkWindowFunction>()) {
    native->SetResizable(w->resizeable != 0);
    unfullscreen(native->GetGtkWindow());
    if (!w->resizeable) native->ResizeTo(RectWidth(saved), RectHeight(saved), true);
    return;
  }
  w->bounds = saved;
  native->ResizeTo(RectWidth(saved), RectHeight(saved), true);
  native->MoveTo(saved.left, saved.top, true);
}

}  // namespace

// Without a native window the value waits for it (FullScreen reads what waits).
extern "C" int32_t windowFullScreenGetter(RuntimeObject* window, uint32_t) {
  if (!QV_CHECK_TEXT(window, "window", nullptr)) return 0;
  const WindowObject* w = AsWindow(window);
  return (w->mImp ? w->fullScreen : w->fullScreenPending) ? 1 : 0;
}
QV_EXPORT(windowFullScreenGetter)

extern "C" void windowFullScreenSetter(RuntimeObject* window, uint32_t, int32_t fullScreen) {
  if (!QV_CHECK_TEXT(window, "window", nullptr)) return;
  WindowObject* w = AsWindow(window);
  const uint8_t value = fullScreen ? 1 : 0;
  RuntimeViewWindow* native = w->mImp;
  if (!native || native->IsClosing()) {
    w->fullScreenPending = value;
    return;
  }
  if (w->fullScreen == value) return;
  w->fullScreen = value;
  if (value) {
    Enter(window, native);
  } else {
    Leave(window, native);
  }
}
QV_EXPORT(windowFullScreenSetter)
