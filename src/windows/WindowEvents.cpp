// Window: the GTK signal handlers every window connects, and the window-level routing they
// start: clicks and wheel turns offered to the panes under the pointer, the cursor that
// follows the pointer, activation and the keyboard-focus order, the close box and the window
// states. The keys are in WindowKeys.cpp.
//
// Each handler holds the window (an extra reference) while it calls out, since the language's
// handlers behind the notices may close it; the last release of a window closed so destroys it
// once GTK is done delivering the signal (its widgets are never destroyed inside it).
#include <algorithm>
#include <utility>

#include "app/ApplicationClass.h"
#include "windows/DragAndDropGTK.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/MenuEnabling.h"
#include "windows/MouseCursorClass.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"
#include "windows/WindowOrder.h"

namespace {

constexpr int32_t kWheelLines = 3;

// An extra reference on a window for the length of a handler, in a signal scope.
class WindowHold {
 public:
  explicit WindowHold(Window* window) : mWindow(window) { mWindow->Retain(); }
  ~WindowHold() { mWindow->Release(); }
  WindowHold(const WindowHold&) = delete;
  WindowHold& operator=(const WindowHold&) = delete;
  bool Closed() const { return mWindow->IsClosing(); }

 private:
  SignalScope mScope;  // made first, ended last
  Window* mWindow;
};

// The cursor last set on a window's GDK window, so that an unchanged one is not set again.
// GDK gives every bitmap cursor the same type; the source tells them apart.
struct ShownCursor {
  GdkWindow* window = nullptr;
  int32_t type = -1;  // -1: the parent's (no cursor)
  const void* source = nullptr;
  bool operator==(const ShownCursor&) const = default;
};
ShownCursor gShownCursor;

const CursorHandle* ApplicationCursor() {
  RuntimeObject* application = ApplicationObject();
  return application ? MouseCursorHandle(AsApplication(application)->mouseCursor) : nullptr;
}

// The Application's cursor, else that of the front pane under the pointer that has one, else
// the current cursor, else the window's own.
const CursorHandle* CursorAt(Window* window, int32_t x, int32_t y) {
  if (const CursorHandle* cursor = ApplicationCursor()) return cursor;
  for (int32_t i = window->PaneCount() - 1; i >= 0; --i) {
    SubPane* pane = window->PaneAt(i);
    if (pane->IsVisibleAndShown() && pane->HitRectHolds(x, y) && pane->MouseCursor()) {
      return pane->MouseCursor();
    }
  }
  if (const CursorHandle* current = GetCurrentCursor()) return current;
  return window->MouseCursor();
}

void ShowCursor(Window* window, const CursorHandle* handle) {
  GdkWindow* gdkWindow = GTK_WIDGET(window->ContentFixed())->window;
  if (!gdkWindow) return;
  GdkCursor* cursor = handle ? handle->cursor : nullptr;
  const ShownCursor shown = {gdkWindow, cursor ? int32_t(gdk_cursor_get_cursor_type(cursor)) : -1,
                             handle ? handle->source : nullptr};
  if (shown == gShownCursor) return;
  gShownCursor = shown;
  gdk_window_set_cursor(gdkWindow, cursor);
}

}  // namespace

// One notch turns three lines; the point goes in the window's content coordinates.
void DeliverWheelToWindow(Window* window, const GdkEventScroll* event) {
  if (event->type != GDK_SCROLL) return;
  int32_t deltaX = 0;
  int32_t deltaY = 0;
  switch (event->direction) {
    case GDK_SCROLL_UP:
      deltaY = -kWheelLines;
      break;
    case GDK_SCROLL_DOWN:
      deltaY = kWheelLines;
      break;
    case GDK_SCROLL_LEFT:
      deltaX = -kWheelLines;
      break;
    case GDK_SCROLL_RIGHT:
      deltaX = kWheelLines;
      break;
  }
  const QV::Point point = GetEventPointInWindow(window, event);
  WindowHold hold(window);
  window->MouseWheel(point.h, point.v, deltaX, deltaY);
}

// Sends a part of a window's expose on to one child of container, as GTK's containers do.
void ExposeChild(GtkWidget* child, gpointer data) {
  const auto* on = static_cast<const std::pair<GtkContainer*, GdkEventExpose*>*>(data);
  gtk_container_propagate_expose(on->first, child, on->second);
}

struct WindowSignals {
  // The whole window's expose, painted in GTK's order (the theme's background as the GtkWindow
  // paints it, the bar box, then the content: the window's own drawing and Paint, then its
  // controls), but without sending the expose through the outer box and the content area on
  // the way: each of those two is three signal emissions (event, expose-event, event-after) for
  // every paint, more than all of a small RefreshRect's own work. TRUE: GTK's default, which
  // would paint all of it again, does not run.
  static gboolean Expose(GtkWidget* widget, GdkEventExpose* event, Window* window) {
    if (!gtk_widget_get_app_paintable(widget)) {
      gtk_paint_flat_box(widget->style, widget->window, GTK_STATE_NORMAL, GTK_SHADOW_NONE,
                         &event->area, widget, "base", 0, 0, -1, -1);
    }
    WindowHold hold(window);  // the language's Paint may close the window
    GtkWidget* outer = window->mOuterBox;
    GtkWidget* content = GTK_WIDGET(window->mFixed);
    if (!outer || !GTK_WIDGET_DRAWABLE(outer)) return TRUE;
    gtk_container_propagate_expose(GTK_CONTAINER(outer), GTK_WIDGET(window->mBarBox), event);
    if (!GTK_WIDGET_DRAWABLE(content)) return TRUE;
    // The content's part of the expose, as the outer box would hand it on.
    GdkRegion* region = gdk_region_rectangle(&content->allocation);
    gdk_region_intersect(region, event->region);
    if (!gdk_region_empty(region)) {
      GdkEventExpose part = *event;
      part.region = region;
      gdk_region_get_clipbox(region, &part.area);
      window->DrawIfOpen();
      std::pair<GtkContainer*, GdkEventExpose*> on = {GTK_CONTAINER(content), &part};
      gtk_container_forall(GTK_CONTAINER(content), ExposeChild, &on);
    }
    gdk_region_destroy(region);
    return TRUE;
  }

  static gboolean Motion(GtkWidget*, GdkEventMotion*, Window* window) {
    if (IsInternalDragActive()) {
      InternalDragMotion();
      return FALSE;
    }
    const QV::Point point = GetPointerInWindow(window);
    ShowCursor(window, CursorAt(window, point.h, point.v));
    if (GetMouseCapturePane()) return FALSE;
    WindowHold hold(window);
    window->MouseMove(point.h, point.v);
    return FALSE;
  }

  static void Show(GtkWidget*, Window* window) {
    WindowHold hold(window);
    if (window->MenuBarWidget()) {
      EnableMenuItemsForWindow(false, window);
      if (hold.Closed()) return;
    }
    window->ResizeTo(window->Width(), window->Height(), false);
    const QV::Rect bounds = window->ScreenBounds();
    if (bounds.left != 0 && bounds.top != 0) {
      window->MoveTo(bounds.left, bounds.top, false);
      gtk_window_present(window->GetGtkWindow());
    }
    if (GetFocusPane()) return;
    if (SubPane* first = window->FirstFocusable(0, window->PaneCount())) first->SetKeyboardFocus();
  }

  static gboolean Configure(GtkWidget*, GdkEventConfigure* event, Window* window) {
    if (event->type == GDK_CONFIGURE) window->ApplySizeLimits();
    return FALSE;
  }

  // Always TRUE: the GtkWindow belongs to the window, which destroys it when it goes away. A
  // close the window does not refuse closes it; a plain window refuses nothing.
  static gboolean Delete(GtkWidget*, GdkEvent*, Window* window) {
    WindowHold hold(window);
    const bool keep = window->CloseBoxClicked();
    if (!keep && !window->IsClosing()) window->Close();
    return TRUE;
  }

  static gboolean KeyPress(GtkWidget*, GdkEventKey* event, Window* window) {
    WindowHold hold(window);
    const bool handled = window->HandleKeyPress(event);
    return handled || hold.Closed();
  }

  static gboolean ButtonRelease(GtkWidget* widget, GdkEventButton* event, Window*) {
    if (IsInternalDragActive()) {
      EndInternalDrag();
      return TRUE;
    }
    if (SubPane* capture = GetMouseCapturePane()) DeliverMouseUp(widget, event, capture);
    return TRUE;
  }

  // Crossings into and back out of a child widget's own GDK window leave the pointer inside.
  static bool StaysInside(const GdkEventCrossing* event) {
    return event->mode == GDK_CROSSING_UNGRAB || event->detail == GDK_NOTIFY_INFERIOR;
  }

  static gboolean Enter(GtkWidget*, GdkEventCrossing* event, Window* window) {
    if (StaysInside(event)) return FALSE;
    WindowHold hold(window);
    window->MouseEnter();
    return FALSE;
  }

  static gboolean Leave(GtkWidget*, GdkEventCrossing* event, Window* window) {
    if (StaysInside(event)) return FALSE;
    WindowHold hold(window);
    window->MouseExit();
    return FALSE;
  }

  static gboolean FocusIn(GtkWidget*, GdkEventFocus*, Window* window) {
    UpdateWindowOrder(window, kWindowOrderBringToFront);
    WindowHold hold(window);
    window->Activate();
    return FALSE;
  }

  static gboolean FocusOut(GtkWidget*, GdkEventFocus*, Window* window) {
    WindowHold hold(window);
    window->Deactivate();
    return FALSE;
  }

  static gboolean Scroll(GtkWidget*, GdkEventScroll* event, Window* window) {
    DeliverWheelToWindow(window, event);
    return FALSE;
  }

  static gboolean WindowState(GtkWidget*, GdkEventWindowState* event, Window* window) {
    WindowHold hold(window);
    const GdkWindowState now = event->new_window_state;
    if (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) {
      if (now & GDK_WINDOW_STATE_ICONIFIED) {
        window->Minimized();
      } else {
        window->Restored();
      }
    }
    if (hold.Closed()) return FALSE;
    if (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED) {
      if (now & GDK_WINDOW_STATE_MAXIMIZED) {
        window->Maximized();
      } else {
        window->Restored();
      }
    }
    return FALSE;
  }
};

void Window::ConnectSignals() {
  const struct {
    const char* name;
    GCallback handler;
  } signals[] = {
      {"expose-event", G_CALLBACK(WindowSignals::Expose)},
      {"motion-notify-event", G_CALLBACK(WindowSignals::Motion)},
      {"show", G_CALLBACK(WindowSignals::Show)},
      {"configure-event", G_CALLBACK(WindowSignals::Configure)},
      {"delete-event", G_CALLBACK(WindowSignals::Delete)},
      {"key-press-event", G_CALLBACK(WindowSignals::KeyPress)},
      {"button-release-event", G_CALLBACK(WindowSignals::ButtonRelease)},
      {"enter-notify-event", G_CALLBACK(WindowSignals::Enter)},
      {"leave-notify-event", G_CALLBACK(WindowSignals::Leave)},
      {"focus-in-event", G_CALLBACK(WindowSignals::FocusIn)},
      {"focus-out-event", G_CALLBACK(WindowSignals::FocusOut)},
      {"scroll-event", G_CALLBACK(WindowSignals::Scroll)},
      {"window-state-event", G_CALLBACK(WindowSignals::WindowState)},
  };
  for (const auto& signal : signals) {
    g_signal_connect(mGtkWindow, signal.name, signal.handler, this);
  }
  g_signal_connect(mGtkWindow, "button-press-event", G_CALLBACK(OnPaneButtonPress),
                   static_cast<SubPane*>(this));
}

void Window::DisconnectSignals() {
  const gpointer asWindow = this;
  const gpointer asPane = static_cast<SubPane*>(this);
  for (gpointer data : {asWindow, asPane}) {
    g_signal_handlers_disconnect_matched(mGtkWindow, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         data);
    g_signal_handlers_disconnect_matched(mFixed, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         data);
  }
  if (gShownCursor.window == GTK_WIDGET(mGtkWindow)->window) gShownCursor = {};
}

// ---- mouse ----

// A pane that does not take the click stops it all the same unless it passes clicks through;
// it is remembered, so that GTK gives the press to its widget.
bool Window::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  mClickedPane = nullptr;
  if (IsClosing()) return false;
  for (int32_t i = PaneCount() - 1; i >= 0 && !IsClosing(); --i) {
    if (i >= PaneCount()) continue;
    SubPane* pane = PaneAt(i);
    if (!pane->IsVisibleAndShown() || !pane->HitRectHolds(x, y)) continue;
    if (pane->MouseDown(x, y, modifiers)) return true;
    if (IsClosing()) return true;
    if (!pane->PassesClickThrough()) {
      mClickedPane = pane;
      return true;
    }
  }
  return false;
}

bool Window::MouseWheel(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) {
  for (int32_t i = PaneCount() - 1; i >= 0 && !IsClosing(); --i) {
    if (i >= PaneCount()) continue;
    SubPane* pane = PaneAt(i);
    if (!pane->IsVisibleAndShown() || !pane->HitRectHolds(x, y)) continue;
    if (pane->ForwardToEventTarget(x, y, deltaX, deltaY)) return true;
  }
  return false;
}

// ---- activation and focus order ----

void Window::Activate() {
  ContainerPane::Activate();
  if (mKind == kWindowKindFloating || mKind == kWindowKindDropDown || IsClosing()) return;
  if (SubPane* candidate = GetFocusCandidate()) candidate->SetKeyboardFocus();
}

void Window::Deactivate() {
  SubPane* focus = GetFocusPane();
  if (focus && focus->GetWindow() == this) ClearKeyboardFocus();
  ContainerPane::Deactivate();
}

SubPane* Window::GetFocusCandidate() {
  if (mFocusControl) {
    if (mFocusControl->IsVisibleAndShown()) return mFocusControl;
    mFocusControl = nullptr;
  }
  if (SubPane* first = FirstFocusable(0, PaneCount())) return first;
  return this;
}

SubPane* Window::FirstFocusable(int32_t from, int32_t to) {
  for (int32_t i = std::max(from, 0); i < to && i < PaneCount(); ++i) {
    if (PaneAt(i)->CanTakeFocus()) return PaneAt(i);
  }
  return nullptr;
}

SubPane* Window::LastFocusable(int32_t from, int32_t to) {
  for (int32_t i = std::min(to, PaneCount()) - 1; i >= std::max(from, 0); --i) {
    if (PaneAt(i)->CanTakeFocus()) return PaneAt(i);
  }
  return nullptr;
}

// The window (or a pane not in the list) stands before the first pane.
int32_t Window::FocusOrderIndex(SubPane* pane) {
  return pane && pane != this ? IndexOfPane(pane->GetLink()) : -1;
}

SubPane* Window::PrevFocusPane(SubPane* pane) {
  const int32_t index = FocusOrderIndex(pane);
  if (SubPane* before = LastFocusable(0, index)) return before;
  return LastFocusable(index + 1, PaneCount());
}

SubPane* Window::NextFocusPane(SubPane* pane) {
  const int32_t index = FocusOrderIndex(pane);
  if (SubPane* after = FirstFocusable(index + 1, PaneCount())) return after;
  return FirstFocusable(0, index + 1);
}
