// Window: its rectangle on the screen, moving and sizing, GTK's size limits, the notices of a
// changed place or size, and where a new window goes on the screen.
#include <gtk/gtk.h>

#include <algorithm>

#include "core/RuntimeError.h"
#include "windows/GtkPlacement.h"
#include "windows/ScreenClass.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kNoSizeLimit = 32000;
constexpr int32_t kScreenMargin = 2;
constexpr int32_t kTitleBarRoom = 25;
constexpr int32_t kStaggerStep = 20;

int32_t RectWidth(const QV::Rect& rect) { return rect.right - rect.left; }
int32_t RectHeight(const QV::Rect& rect) { return rect.bottom - rect.top; }

// The first window of the window order whose kind stacks in layer.
struct LayerSearch {
  int32_t layer;
  Window* found;
};

bool FindFrontOfLayer(Window* window, void* value) {
  auto* search = static_cast<LayerSearch*>(value);
  if (WindowLayer(window->Kind()) != search->layer) return true;
  search->found = window;
  return false;
}

// Each test measures the rectangle as the moves before it left it.
void MoveInside(QV::Rect& rect, bool rightFirst, const QV::Rect& area) {
  const auto right = [&] {
    if (rect.right > area.right) RectOffset(rect, -(rect.right - area.right + kScreenMargin), 0);
  };
  const auto bottom = [&] {
    if (rect.bottom > area.bottom) {
      RectOffset(rect, 0, -(rect.bottom - area.bottom + kScreenMargin));
    }
  };
  const auto left = [&] {
    if (rect.left < area.left) RectOffset(rect, area.left + kScreenMargin - rect.left, 0);
  };
  if (rightFirst) {
    right();
    bottom();
    left();
  } else {
    left();
    bottom();
    right();
  }
  if (rect.top < area.top + kTitleBarRoom) RectOffset(rect, 0, area.top + kTitleBarRoom - rect.top);
}

}  // namespace

int32_t WindowLayer(int32_t kind) {
  switch (kind) {
    case kWindowKindFloating:
    case kWindowKindDropDown:
    case kWindowKindGlobalFloating:
      return 0;
    case kWindowKindModal:
    case kWindowKindMovableModal:
    case kWindowKindPlainBox:
    case kWindowKindShadowedBox:
    case kWindowKindSheet:
      return 1;
    case kWindowKindDrawer:
      return 3;
    default:
      return 2;
  }
}

bool ReadScreenGeometry(ScreenGeometry* screen) {
  if (!gdk_screen_get_default()) return false;
  RuntimeObject* object = getScreen(0);
  if (!object) return false;
  const ScreenObject* s = reinterpret_cast<const ScreenObject*>(object);
  RectSet(screen->bounds, s->left, s->top, s->left + s->width, s->top + s->height);
  RectSet(screen->available, s->availableLeft, s->availableTop,
          s->availableLeft + s->availableWidth, s->availableTop + s->availableHeight);
  RuntimeUnlockObject(object);
  return true;
}

void ConstrainRectToScreen(QV::Rect& rect, int32_t mode, const ScreenGeometry& screen) {
  const QV::Rect& area = screen.available;
  switch (mode) {
    case kConstrainInside:
    case kConstrainInsideClipped:
      MoveInside(rect, mode == kConstrainInsideClipped, area);
      if (mode == kConstrainInsideClipped) {
        rect.right = int16_t(std::min<int32_t>(rect.right, area.right - kScreenMargin));
        rect.bottom = int16_t(std::min<int32_t>(rect.bottom, area.bottom - kScreenMargin));
      }
      break;
    case kConstrainBottom:
      rect.bottom = int16_t(std::min<int32_t>(rect.bottom, area.bottom - kScreenMargin));
      break;
    case kConstrainLeft:
      if (rect.left < area.left) rect.left = int16_t(area.left + kScreenMargin);
      break;
    default:
      break;
  }
}

void PlaceRectOnScreen(QV::Rect& rect, int32_t mode, const QV::Rect* reference,
                       const ScreenGeometry& screen) {
  const int32_t width = RectWidth(rect);
  const int32_t height = RectHeight(rect);
  const QV::Rect& whole = screen.bounds;
  if (mode == kPlaceParentWindow && !reference) mode = kPlaceMainScreen;
  switch (mode) {
    case kPlaceDefault:
      RectOffset(rect, 4, 100);
      break;
    case kPlaceParentWindow:
      RectOffset(rect, reference->left + (RectWidth(*reference) - width) / 2, reference->top + 30);
      break;
    case kPlaceMainScreen:
    case kPlaceParentWindowScreen:
    case kPlaceScreenCentre: {
      const int32_t parts = mode == kPlaceScreenCentre ? 2 : 3;
      RectOffset(rect, whole.left + (RectWidth(whole) - width) / 2,
                 whole.top + (RectHeight(whole) - height) / parts);
      break;
    }
    case kPlaceStaggered:
      if (reference && reference->right + kStaggerStep <= screen.available.right &&
          reference->bottom + kStaggerStep <= screen.available.bottom) {
        RectOffset(rect, reference->left + kStaggerStep, reference->top + kStaggerStep);
      } else {
        RectOffset(rect, 10, 50);
      }
      break;
    default:
      break;
  }
  ConstrainRectToScreen(rect, kConstrainInside, screen);
}

void PlaceWindowRect(QV::Rect* rect, int32_t mode, int32_t kind) {
  if (!QV_CHECK_TEXT(rect, "rBounds", nullptr)) return;
  ScreenGeometry screen;
  if (!ReadScreenGeometry(&screen)) return;
  LayerSearch search = {WindowLayer(kind), nullptr};
  Window::ForEachWindow(&FindFrontOfLayer, &search);
  QV::Rect reference;
  if (search.found) search.found->GetGlobalBounds(reference);
  PlaceRectOnScreen(*rect, mode, search.found ? &reference : nullptr, screen);
}

void ConstrainToScreen(QV::Rect* rect, int32_t mode) {
  if (!QV_CHECK_TEXT(rect, "rBounds", nullptr)) return;
  ScreenGeometry screen;
  if (ReadScreenGeometry(&screen)) ConstrainRectToScreen(*rect, mode, screen);
}

// ---- Window ----

void Window::GetGlobalBounds(QV::Rect& bounds) {
  GtkWidget* widget = GTK_WIDGET(mGtkWindow);
  if (!GTK_WIDGET_VISIBLE(widget) || !widget->window) {
    bounds = mScreenBounds;
    return;
  }
  gint x = 0, y = 0;
  gdk_window_get_origin(widget->window, &x, &y);
  bounds = BoundsAtOrigin(x, y);
}

QV::Rect Window::BoundsAtOrigin(int32_t x, int32_t y) {
  const GtkWidget* widget = GTK_WIDGET(mGtkWindow);
  QV::Rect bounds;
  RectSet(bounds, x, y + WindowContentTopOffset(this), x + widget->allocation.width,
          y + widget->allocation.height);
  return bounds;
}

// The pane bounds change before the children are laid out, so that they follow this resize
// rather than the one before.
void Window::ResizeTo(int32_t width, int32_t height, bool report) {
  const int32_t barsHeight = WindowContentTopOffset(this);
  mScreenBounds.right = int16_t(mScreenBounds.left + width);
  mScreenBounds.bottom = int16_t(mScreenBounds.top + height);
  if (!mResizable) {
    GdkGeometry geometry = {};
    geometry.min_width = geometry.max_width = width;
    geometry.min_height = geometry.max_height = height + barsHeight;
    gtk_window_set_geometry_hints(mGtkWindow, nullptr, &geometry,
                                  GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  }
  const int32_t nativeWidth = std::max(width, 1);
  const int32_t nativeHeight = std::max(height + barsHeight, 1);
  gtk_window_resize(mGtkWindow, nativeWidth, nativeHeight);
  // GTK sends no resize for the size it last allocated, and that allocation can be stale: the
  // window manager's answer to an immediate move comes first and is taken as the answer to a
  // pending resize. Sized back before the real answer arrived, the window would keep the other
  // size, so a shown window is also asked directly, before any move that follows.
  GtkWidget* widget = GTK_WIDGET(mGtkWindow);
  if (widget->window && GTK_WIDGET_MAPPED(widget)) {
    gdk_window_resize(widget->window, nativeWidth, nativeHeight);
  }
  QV::Rect bounds;
  RectSet(bounds, 0, 0, width, height);
  StoreBounds(bounds);
  LayoutChildren(false);
  if (report) mResizedPending = true;
}

void Window::MoveTo(int32_t left, int32_t top, bool report) {
  const bool realized = GTK_WIDGET(mGtkWindow)->window != nullptr;
  gtk_window_move(mGtkWindow, left, top - (realized ? WindowContentTopOffset(this) : 0));
  // The bounds are put at (left, top) below, so only their extent is measured: asking the
  // server where the window stands (a round trip) would tell nothing that is kept.
  if (!GTK_WIDGET_VISIBLE(mGtkWindow)) {
    RectSet(mScreenBounds, 0, 0, Width(), Height());
  } else if (realized) {
    mScreenBounds = BoundsAtOrigin(0, 0);
  }
  RectOffset(mScreenBounds, left - mScreenBounds.left, top - mScreenBounds.top);
  if (report) mMovedPending = true;
}

// A maximum of 0 is no limit, as the language has it.
void Window::ApplySizeLimits() {
  QV::Rect limits = {};
  GetSizeLimits(limits);
  if (limits.top == 0 && limits.left == 0 && limits.bottom == 0 && limits.right == 0) return;
  const int32_t maxWidth = limits.right ? limits.right : kNoSizeLimit;
  const int32_t maxHeight = limits.bottom ? limits.bottom : kNoSizeLimit;
  GdkGeometry geometry = {};
  int hints = GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE;
  if (mResizable) {
    geometry.min_width = limits.left;
    geometry.min_height = limits.top;
    geometry.max_width = maxWidth;
    geometry.max_height = maxHeight;
    if (maxWidth == kNoSizeLimit && maxHeight == kNoSizeLimit) hints = GDK_HINT_MIN_SIZE;
  } else {
    geometry.min_width = geometry.max_width = Width();
    geometry.min_height = geometry.max_height = Height();
  }
  const int32_t barsHeight = WindowContentTopOffset(this);
  geometry.min_height += barsHeight;
  geometry.max_height += barsHeight;
  gtk_window_set_geometry_hints(mGtkWindow, mOuterBox, &geometry, GdkWindowHints(hints));
}

void Window::CheckMovedOrResized() {
  QV::Rect now;
  GetGlobalBounds(now);
  const bool moved = now.left != mScreenBounds.left || now.top != mScreenBounds.top;
  const bool resized = RectWidth(now) != RectWidth(mScreenBounds) ||
                       RectHeight(now) != RectHeight(mScreenBounds);
  if (moved || resized) mScreenBounds = now;
  const bool raiseMoved = moved || mMovedPending;
  const bool raiseResized = resized || mResizedPending;
  mMovedPending = mResizedPending = false;
  if (raiseMoved) Moved();
  if (raiseResized && !IsClosing()) Resized();
}
