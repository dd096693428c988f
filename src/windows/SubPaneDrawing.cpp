// SubPane: bounds and the lock layout of the children, invalidation and drawing.
#include "windows/SubPane.h"
#include "windows/PaneDrawHold.h"

#include <gtk/gtk.h>

#include "windows/DrawFocus.h"
#include "windows/GtkPlacement.h"
#include "windows/Window.h"

namespace {

QV::Rect Moved(QV::Rect rect, int32_t dh, int32_t dv) {
  RectOffset(rect, dh, dv);
  return rect;
}

}  // namespace

void SubPane::DrawFocusGained() {
  PaneDelegate* delegate = GetDelegate();
  if (delegate && delegate->DrawFocusGained()) return;
  if (SubPane* owner = GetOwner()) owner->DrawFocusGained();
}

void SubPane::DrawFocusLost() {
  PaneDelegate* delegate = GetDelegate();
  if (delegate && delegate->DrawFocusLost()) return;
  if (SubPane* owner = GetOwner()) owner->DrawFocusLost();
}

void SubPane::SetBounds(const QV::Rect& bounds, bool redraw) {
  const QV::Rect old = GetBounds();
  if (RectEqual(bounds, old)) return;
  SetDrawFocus(this);
  if (IsVisibleAndShown() && redraw) Refresh(false);
  StoreBounds(bounds);
  if (mRunControl && CurrentRunControlAccess().storeBounds) {
    CurrentRunControlAccess().storeBounds(mRunControl, bounds);
  }
  MovePaneInFixed(this);
  const int32_t dh = bounds.left - old.left;
  const int32_t dv = bounds.top - old.top;
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (child->GetOwner() == this) child->SetBounds(Moved(child->GetBounds(), dh, dv), redraw);
  }
  BoundsChanged();
}

void SubPane::SetBoundsAndLayout(const QV::Rect& bounds, bool redraw) {
  SetBounds(bounds, true);
  LayoutChildren(redraw);
}

// Children locked right move (or, locked left too, stretch) with the right edge; locked bottom
// likewise with the bottom edge. The others were moved with the pane's top left corner already.
void SubPane::LayoutChildren(bool redraw) {
  const QV::Rect& bounds = GetBounds();
  const QV::Rect& laidOut = GetLayoutBounds();
  const int32_t dw = (bounds.right - bounds.left) - (laidOut.right - laidOut.left);
  const int32_t dh = (bounds.bottom - bounds.top) - (laidOut.bottom - laidOut.top);
  const RunControlAccess& access = CurrentRunControlAccess();
  for (int32_t i = 0; access.lockFlags && i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    RuntimeObject* control = child->GetRunControl();
    if (child->GetOwner() != this || !control) continue;
    const uint32_t locks = access.lockFlags(control);
    if (!(locks & (kLockRight | kLockBottom))) continue;
    QV::Rect r = child->GetBounds();
    if (locks & kLockRight) {
      r.right = int16_t(r.right + dw);
      if (!(locks & kLockLeft)) r.left = int16_t(r.left + dw);
    }
    if (locks & kLockBottom) {
      r.bottom = int16_t(r.bottom + dh);
      if (!(locks & kLockTop)) r.top = int16_t(r.top + dh);
    }
    if (access.storeBounds) access.storeBounds(control, r);
    child->SetBoundsAndLayout(r, redraw);
  }
  StoreLayoutBounds(bounds);
}

bool SubPane::GetBoundsInWindow(QV::Rect& rect) {
  rect = GetBounds();
  GetRefreshBounds(rect);
  for (SubPane* owner = GetOwner(); owner; owner = owner->GetOwner()) {
    if (!RectIntersect(rect, owner->GetBounds(), rect)) return false;
  }
  return rect.left < rect.right && rect.top < rect.bottom;
}

void SubPane::Refresh(bool /*erase*/) {
  QV::Rect rect = GetBounds();
  GetRefreshBounds(rect);
  InvalidateRect(rect);
}

void SubPane::RefreshBounds() {
  if (!mClosing) InvalidateRect(GetBounds());
}

void SubPane::InvalidateRectCoords(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  QV::Rect rect;
  RectSet(rect, left, top, right, bottom);
  InvalidateRect(rect);
}

void SubPane::InvalidateRect(const QV::Rect& area) {
  AreaInvalidated(area);
  QV::Rect rect = area;
  if (PaneDelegate* delegate = GetDelegate()) delegate->ClipRect(this, rect);
  if (!mWidget || !mWidget->window) return;
  Window* window = GetWindow();
  const int32_t offset = window ? WindowContentTopOffset(window) : 0;
  GdkRectangle gdkRect = {rect.left, rect.top + offset, rect.right - rect.left,
                          rect.bottom - rect.top + offset};
  GdkWindow* target = WindowGdkWindow(window);
  if (!DrawsInWindowGdkWindow(this)) {
    const QV::Rect& bounds = GetBounds();
    gdkRect.x = rect.left - bounds.left;
    gdkRect.y = rect.top - bounds.top;
    target = mWidget->window;
  }
  gdk_window_invalidate_rect(target, &gdkRect, TRUE);
}

void SubPane::ProcessUpdates() {
  Window* window = GetWindow();
  if (window == this) {
    if (GdkWindow* windowGdk = WindowGdkWindow(window)) gdk_window_process_updates(windowGdk, TRUE);
    return;
  }
  if (!mWidget || !mWidget->window) return;
  gdk_window_process_updates(DrawsInWindowGdkWindow(this) ? WindowGdkWindow(window)
                                                          : mWidget->window,
                             FALSE);
}

void SubPane::ValidateAll() { ValidateRect(GetBounds()); }

void SubPane::ValidateRect(const QV::Rect& /*rect*/) {
  if (!mWidget || !mWidget->window) return;
  if (GdkRegion* pending = gdk_window_get_update_area(mWidget->window)) {
    gdk_region_destroy(pending);
  }
}

GdkGC* SubPane::GetGC() {
  if (!mGC && mWidget && mWidget->window) mGC = gdk_gc_new(mWidget->window);
  return mGC;
}

void SubPane::ReleaseGC() {
  if (mGC) g_object_unref(mGC);
  mGC = nullptr;
  NoteGCForegroundSetter(nullptr);
}

GdkWindow* SubPane::GetGdkWindow() { return mWidget ? mWidget->window : nullptr; }

bool SubPane::OwnBackgroundColor(uint32_t* rgb) {
  Window* window = GetWindow();
  if (!window || !window->HasBackColor()) return false;
  *rgb = window->BackColor();
  return true;
}

void SubPane::DrawNow() {
  Graphics* g = NewGraphics();
  if (!g) return;
  if (IsVisibleAndShown()) DrawContent(*g, true);
  Graphics::Destroy(g);
}

void SubPane::DrawIfOpen() {
  if (!mClosing) DrawNow();
}

// An event that closed the pane or its window while drawing ran inside GTK's expose of the
// window: the pane and the window (whose GdkWindow GTK is still painting, and whose children it
// is still walking) go once that expose is over.
void DrawIfOpenHeld(SubPane* pane) {
  HoldForSignal(pane, [pane] { pane->SubPane::DrawIfOpen(); });
}

void SubPane::DrawContent(Graphics& g, bool draw) {
  if (draw) Draw(g);
}

void SubPane::DrawInto(Graphics& g) {
  GraphicsClipSaver saver(g);
  Draw(g);
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (!child->IsVisibleAndShown()) continue;
    g.SetClipRect(child->GetBounds());
    child->DrawInto(g);
  }
}

void SubPane::DrawIntoAt(Graphics& g, int32_t x, int32_t y) {
  if (!IsVisibleAndShown()) return;
  const int32_t dh = x - GetBounds().left;
  const int32_t dv = y - GetBounds().top;
  if (dh || dv) OffsetTreeBounds(dh, dv);
  GetEventTarget()->DrawInto(g);
  if (dh || dv) OffsetTreeBounds(-dh, -dv);
}

void SubPane::OffsetTreeBounds(int32_t dh, int32_t dv) {
  StoreBounds(Moved(GetBounds(), dh, dv));
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->OffsetTreeBounds(dh, dv);
}

void SubPane::CopyFromDrawable(GdkDrawable* source, const QV::Rect& rect, int32_t dx,
                               int32_t dy) {
  GdkWindow* drawable = GetGdkWindow();
  GdkGC* gc = GetGC();
  if (!source || !drawable || !gc) return;
  QV::Rect destination = Moved(rect, dx, dy);
  if (!RectIntersect(destination, GetBounds(), destination)) return;
  int32_t offsetH = 0;
  int32_t offsetV = 0;
  if (DrawsInWindowGdkWindow(this)) {
    offsetV = WindowContentTopOffset(GetWindow());
  } else {
    offsetH = -GetBounds().left;
    offsetV = -GetBounds().top;
  }
  gdk_draw_drawable(drawable, gc, source, destination.left - dx + offsetH,
                    destination.top - dy + offsetV, destination.left + offsetH,
                    destination.top + offsetV, destination.right - destination.left,
                    destination.bottom - destination.top);
  if (GdkRegion* pending = gdk_window_get_update_area(drawable)) gdk_region_destroy(pending);
}

bool SubPane::IsMouseButtonDown() {
  GdkWindow* windowGdk = WindowGdkWindow(GetWindow());
  if (!windowGdk) return false;
  GdkModifierType mask = GdkModifierType(0);
  gdk_window_get_pointer(windowGdk, nullptr, nullptr, &mask);
  return (mask & GDK_BUTTON1_MASK) != 0;
}

void SubPane::GetMousePosition(int32_t* x, int32_t* y) {
  const QV::Point point = GetPointerInWindow(GetWindow());
  *x = point.h;
  *y = point.v;
}
