#include <algorithm>

#include "controls/ScrollerPane.h"
#include "core/RuntimeError.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/Window.h"

namespace {

constexpr double kInitialLower = 0;
constexpr double kInitialUpper = 100;
constexpr double kInitialLineStep = 1;
constexpr double kInitialPageStep = 20;

bool IsWide(const QV::Rect& bounds) {
  return bounds.right - bounds.left >= bounds.bottom - bounds.top;
}

}  // namespace

int32_t ScrollerThumbOffset(int32_t travel, int32_t value, int32_t minimum, int32_t maximum) {
  const int64_t range = int64_t(maximum) - minimum;
  if (travel <= 0 || range <= 0) return 0;
  const int64_t offset = int64_t(travel) * (int64_t(value) - minimum) / range;
  return int32_t(std::clamp<int64_t>(offset, 0, travel));
}

Scroller* NewHorizontalScroller(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                                const QV::Rect& bounds, bool liveScroll, bool slider) {
  return new Scroller(false, delegate, owner, panelIndex, bounds, liveScroll, slider);
}

Scroller* NewVerticalScroller(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                              const QV::Rect& bounds, bool liveScroll, bool slider) {
  return new Scroller(true, delegate, owner, panelIndex, bounds, liveScroll, slider);
}

Scroller* NewScrollBarByShape(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                              const QV::Rect& bounds, bool liveScroll) {
  return new Scroller(!IsWide(bounds), delegate, owner, panelIndex, bounds, liveScroll, false);
}

Scroller* NewSliderByShape(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                           const QV::Rect& bounds, bool liveScroll) {
  return new Scroller(!IsWide(bounds), delegate, owner, panelIndex, bounds, liveScroll, true);
}

Scroller::Scroller(bool vertical, ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                   const QV::Rect& bounds, bool liveScroll, bool slider)
    : ContainerPane(owner, panelIndex, bounds),
      mSlider(slider),
      mVertical(vertical),
      mDelegate(delegate),
      mLiveScroll(liveScroll) {
  GtkWidget* widget = nullptr;
  if (slider) {
    widget = vertical ? gtk_vscale_new(nullptr) : gtk_hscale_new(nullptr);
    gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
  } else {
    widget = vertical ? gtk_vscrollbar_new(nullptr) : gtk_hscrollbar_new(nullptr);
  }
  SetWidget(widget);
  gtk_range_set_update_policy(GTK_RANGE(widget),
                              liveScroll ? GTK_UPDATE_CONTINUOUS : GTK_UPDATE_DISCONTINUOUS);
  PutPaneInFixed(this, true);
  gtk_range_set_range(GTK_RANGE(widget), kInitialLower, kInitialUpper);
  gtk_range_set_increments(GTK_RANGE(widget), kInitialLineStep, kInitialPageStep);
  g_signal_connect(widget, "value-changed", G_CALLBACK(&Scroller::OnValueChanged), this);
  g_signal_connect(widget, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(&OnPaneButtonPress), this);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(&DeliverMouseUp), this);
  g_signal_connect(widget, "scroll-event", G_CALLBACK(&Scroller::OnScroll), this);
}

GtkAdjustment* Scroller::Adjustment() {
  GtkAdjustment* adjustment = GetWidget() ? gtk_range_get_adjustment(Range()) : nullptr;
  if (!QV_CHECK_TEXT(adjustment, "adjustment", nullptr)) return nullptr;
  return adjustment;
}

// ---- value and bounds ----

int32_t Scroller::GetValue() { return GetWidget() ? int32_t(gtk_range_get_value(Range())) : 0; }

// GTK defers a change made while the adjustment reports another until that report ends; one
// made by the delegate's own ValueChanged is taken as reported now, so that it is not reported
// again once the deferred signal comes.
void Scroller::SetValue(int32_t value) {
  if (!GetWidget()) return;
  gtk_range_set_value(Range(), value);
  if (mReporting) mLastValue = GetValue();
}

int32_t Scroller::GetMinimum() {
  if (mMinimumPending) return mPendingMinimum;
  GtkAdjustment* adjustment = Adjustment();
  return adjustment ? int32_t(adjustment->lower) : 0;
}

int32_t Scroller::GetMaximum() {
  if (mMaximumPending) return mPendingMaximum;
  GtkAdjustment* adjustment = Adjustment();
  return adjustment ? int32_t(adjustment->upper) : 0;
}

int32_t Scroller::GetLineStep() {
  GtkAdjustment* adjustment = Adjustment();
  return adjustment ? int32_t(adjustment->step_increment) : 0;
}

int32_t Scroller::GetPageStep() {
  GtkAdjustment* adjustment = Adjustment();
  return adjustment ? int32_t(adjustment->page_increment) : 0;
}

void Scroller::SetLineStep(int32_t step) {
  if (GtkAdjustment* adjustment = Adjustment()) {
    gtk_range_set_increments(Range(), step, adjustment->page_increment);
  }
}

void Scroller::SetPageStep(int32_t step) {
  if (GtkAdjustment* adjustment = Adjustment()) {
    gtk_range_set_increments(Range(), adjustment->step_increment, step);
  }
}

void Scroller::SetMaximum(int32_t maximum) {
  GtkAdjustment* adjustment = Adjustment();
  if (!adjustment) return;
  const int32_t minimum = mMinimumPending ? mPendingMinimum : int32_t(adjustment->lower);
  if (maximum <= minimum) {
    mMaximumPending = true;
    mPendingMaximum = maximum;
    DisableForBound();
  } else {
    ApplyRange(minimum, maximum);
  }
  if (GetValue() > maximum) SetValue(maximum);
}

void Scroller::SetMinimum(int32_t minimum) {
  GtkAdjustment* adjustment = Adjustment();
  if (!adjustment) return;
  const int32_t maximum = mMaximumPending ? mPendingMaximum : int32_t(adjustment->upper);
  if (maximum <= minimum) {
    mMinimumPending = true;
    mPendingMinimum = minimum;
    DisableForBound();
  } else {
    ApplyRange(minimum, maximum);
  }
}

void Scroller::DisableForBound() { SubPane::SetEnabled(false, true); }

void Scroller::ApplyRange(int32_t minimum, int32_t maximum) {
  const bool waited = IsBoundPending();
  mMaximumPending = mMinimumPending = false;
  gtk_range_set_range(Range(), minimum, maximum);
  // Only the disabling the bounds did is undone: the application's and the owner's stay.
  if (waited) SubPane::SetEnabled(mEnabledAskedFor, true);
}

void Scroller::SetEnabled(bool enabled, bool redraw) {
  mEnabledAskedFor = enabled;
  SubPane::SetEnabled(enabled && !IsBoundPending(), redraw);
}

// A handler may close the window while GTK is still inside the range's own handling of the
// click, key or drag, which must not see the range or its adjustment go (HoldForSignal).
void Scroller::OnValueChanged(GtkRange*, Scroller* scroller) {
  const int32_t current = scroller->GetValue();
  if (current == scroller->mLastValue) return;
  const int32_t previous = scroller->mLastValue;
  scroller->mLastValue = current;
  if (!scroller->mDelegate) return;
  HoldForSignal(scroller, [&] {
    const bool outer = !scroller->mReporting;
    scroller->mReporting = true;
    scroller->mDelegate->ValueChanged(scroller, previous, current);
    if (outer) scroller->mReporting = false;
  });
}

// ---- wheel ----

gboolean Scroller::OnScroll(GtkWidget*, GdkEventScroll* event, Scroller* scroller) {
  if (Window* window = scroller->GetWindow()) DeliverWheelToWindow(window, event);
  return TRUE;  // GTK's own range scrolling would move the bar a second time
}

bool Scroller::ForwardToEventTarget(int32_t, int32_t, int32_t deltaX, int32_t deltaY) {
  return MouseWheel(deltaX, deltaY);
}

bool Scroller::MouseWheel(int32_t deltaX, int32_t deltaY) {
  const int32_t delta = mVertical ? deltaY : deltaX;
  if (delta == 0 || !IsEnabled()) return false;
  const int64_t target = int64_t(GetValue()) + int64_t(mWheelStep) * delta;
  if (GetWidget()) gtk_range_set_value(Range(), double(target));  // GTK clamps to the range
  return true;
}

// ---- mouse and focus ----

void Scroller::SetEventTarget(RuntimeObject* target, const MouseEventHooks* hooks) {
  mEventTarget = target;
  mMouseHooks = hooks;
}

bool Scroller::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (mEventTarget && mMouseHooks && IsEnabled()) {
    if (RaiseMouseDownEvent(this, *mMouseHooks, x, y)) return true;
  }
  return SubPane::MouseDown(x, y, modifiers);
}

void Scroller::MouseDrag(int32_t x, int32_t y) {
  if (mEventTarget && mMouseHooks) RaiseMouseDragEvent(this, *mMouseHooks, x, y);
}

void Scroller::MouseUp(int32_t x, int32_t y) {
  if (mEventTarget && mMouseHooks) RaiseMouseUpEvent(this, *mMouseHooks, x, y);
}

void Scroller::FocusGained() {
  if (!mDelegate || IsClosing() || !RetainChain()) return;
  mDelegate->GotFocus(this);
  ReleaseChain();
}

void Scroller::FocusLost() {
  if (!mDelegate || IsClosing() || !RetainChain()) return;
  mDelegate->LostFocus(this);
  ReleaseChain();
}

// ---- drawing ----

void PaintScrollBar(GtkWidget* widget, GdkWindow* drawable, const QV::Rect& r,
                    GtkStateType state, bool vertical, int32_t value, int32_t minimum,
                    int32_t maximum) {
  const int32_t width = r.right - r.left;
  const int32_t height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  GtkStyle* style = widget->style;
  gtk_paint_box(style, drawable, state, GTK_SHADOW_IN, nullptr, widget, "trough", r.left, r.top,
                width, height);
  const int32_t length = vertical ? height : width;
  const int32_t breadth = vertical ? width : height;
  const char* detail = vertical ? "vscrollbar" : "hscrollbar";
  const int32_t stepper = std::min(breadth, length / 2);
  auto box = [&](int32_t along, int32_t size) -> GdkRectangle {
    return vertical ? GdkRectangle{r.left, r.top + along, width, size}
                    : GdkRectangle{r.left + along, r.top, size, height};
  };
  const GdkRectangle steppers[2] = {box(0, stepper), box(length - stepper, stepper)};
  const GtkArrowType arrows[2] = {vertical ? GTK_ARROW_UP : GTK_ARROW_LEFT,
                                  vertical ? GTK_ARROW_DOWN : GTK_ARROW_RIGHT};
  for (int i = 0; i < 2; ++i) {
    const GdkRectangle& s = steppers[i];
    gtk_paint_box(style, drawable, state, GTK_SHADOW_OUT, nullptr, widget, detail, s.x, s.y,
                  s.width, s.height);
    gtk_paint_arrow(style, drawable, state, GTK_SHADOW_OUT, nullptr, widget, detail, arrows[i],
                    TRUE, s.x + s.width / 4, s.y + s.height / 4, s.width / 2, s.height / 2);
  }
  const int32_t space = length - 2 * stepper;
  const int32_t thumb = std::min(breadth, space);
  if (thumb <= 0) return;
  const int32_t offset = ScrollerThumbOffset(space - thumb, value, minimum, maximum);
  const GdkRectangle t = box(stepper + offset, thumb);
  gtk_paint_slider(style, drawable, state, GTK_SHADOW_OUT, nullptr, widget, "slider", t.x, t.y,
                   t.width, t.height,
                   vertical ? GTK_ORIENTATION_VERTICAL : GTK_ORIENTATION_HORIZONTAL);
}

void Scroller::DrawInto(Graphics& g) {
  GtkWidget* widget = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (widget && drawable) {
    if (!widget->window) gtk_widget_realize(widget);
    const QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    const GtkStateType state = IsEnabled() ? GTK_STATE_NORMAL : GTK_STATE_INSENSITIVE;
    if (width > 0 && height > 0) {
      if (mSlider) {
        gtk_paint_box(widget->style, drawable, state, GTK_SHADOW_IN, nullptr, widget, "trough",
                      r.left, r.top, width, height);
        const int32_t length = mVertical ? height : width;
        const int32_t breadth = mVertical ? width : height;
        const int32_t thumb = std::min(breadth, length);
        const int32_t offset =
            ScrollerThumbOffset(length - thumb, GetValue(), GetMinimum(), GetMaximum());
        const GdkRectangle t = mVertical ? GdkRectangle{r.left, r.top + offset, width, thumb}
                                         : GdkRectangle{r.left + offset, r.top, thumb, height};
        gtk_paint_slider(widget->style, drawable, state, GTK_SHADOW_OUT, nullptr, widget,
                         "slider", t.x, t.y, t.width, t.height,
                         mVertical ? GTK_ORIENTATION_VERTICAL : GTK_ORIENTATION_HORIZONTAL);
      } else {
        PaintScrollBar(widget, drawable, r, state, mVertical, GetValue(), GetMinimum(),
                       GetMaximum());
      }
    }
  }
  SubPane::DrawInto(g);
}
