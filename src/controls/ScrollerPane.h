// The native pane of scroll bars and sliders: a GtkScrollbar or a GtkScale with its
// GtkAdjustment, holding integer bounds, value, line and page steps. It reports value and focus
// changes to a ScrollerDelegate, raises its event target's MouseDown, MouseDrag and MouseUp,
// scrolls by the wheel (line step x delta), and paints a picture of itself into a Graphics.
//
// Promises:
// - A value change is reported once per distinct integer value, whatever moved it (the user,
//   code, a bound that clamps it).
// - GTK only ever holds a range whose lower bound lies below its upper one. A bound that would
//   break that waits (GetMinimum and GetMaximum answer it) and keeps the bar insensitive until
//   the other bound makes it valid; the Enabled asked for in the meantime applies then. A bar
//   disabled by its owner or its control stays disabled when the bounds become valid.
// - GTK's own wheel scrolling never runs: turns go to the window's wheel routing, which gives
//   the control its MouseWheel event first and then the pane (ForwardToEventTarget).
// - The pane holds its owner chain across every delegate call and touches nothing afterwards
//   once a handler closed it.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "controls/ControlMouseEvents.h"
#include "windows/ContainerPane.h"

class Scroller;

class ScrollerDelegate {
 public:
  virtual ~ScrollerDelegate() = default;
  virtual void ValueChanged(Scroller* /*scroller*/, int32_t /*oldValue*/, int32_t /*newValue*/) {}
  virtual void GotFocus(Scroller* /*scroller*/) {}
  virtual void LostFocus(Scroller* /*scroller*/) {}
  virtual bool MouseWheel(Scroller* /*scroller*/, int32_t /*x*/, int32_t /*y*/,
                          int32_t /*deltaX*/, int32_t /*deltaY*/) {
    return false;
  }
};

class Scroller : public ContainerPane {
 public:
  Scroller(bool vertical, ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
           const QV::Rect& bounds, bool liveScroll, bool slider);

  virtual int32_t GetValue();
  virtual void SetValue(int32_t value);
  virtual void SetMinimum(int32_t minimum);
  virtual void SetMaximum(int32_t maximum);
  int32_t GetMinimum();
  int32_t GetMaximum();
  int32_t GetLineStep();
  int32_t GetPageStep();
  void SetLineStep(int32_t step);
  void SetPageStep(int32_t step);

  bool IsSlider() const { return mSlider; }
  bool IsVertical() const { return mVertical; }
  // Whether a bound waits for the other to make the range valid.
  bool IsBoundPending() const { return mMaximumPending || mMinimumPending; }
  // The wheel's step in units per line; 0 leaves the value where it is.
  int32_t WheelStep() const { return mWheelStep; }
  void SetWheelStep(int32_t step) { mWheelStep = step; }
  int32_t PageStepField() const { return mPageStepField; }
  void SetPageStepField(int32_t step) { mPageStepField = step; }
  bool AcceptsFocus() const { return mAcceptFocus; }
  void SetAcceptFocus(bool accept) { mAcceptFocus = accept; }
  bool LiveScroll() const { return mLiveScroll; }
  void SetLiveScroll(bool live) { mLiveScroll = live; }
  // The object whose mouse events hooks name; nil raises none.
  void SetEventTarget(RuntimeObject* target, const MouseEventHooks* hooks);
  // The delegate is going away: nobody is told from now on.
  void ForgetDelegate() { mDelegate = nullptr; }

  // Scrolls by the wheel's step x the delta along the bar; false when disabled or the delta
  // across the bar is 0.
  bool MouseWheel(int32_t deltaX, int32_t deltaY);

  // ---- SubPane ----
  // With an event target that handles MouseDown, its answer (true keeps the press from GTK and
  // brings the drags and the release here); else GTK takes the press.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override;
  // The enabling asked for is kept; it shows only while no bound is pending.
  void SetEnabled(bool enabled, bool redraw) override;
  void FocusGained() override;
  void FocusLost() override;
  bool GetRefreshBounds(QV::Rect& rect) override { return SubPane::GetRefreshBounds(rect); }
  void DrawInto(Graphics& g) override;

 private:
  static void OnValueChanged(GtkRange* range, Scroller* scroller);
  static gboolean OnScroll(GtkWidget* widget, GdkEventScroll* event, Scroller* scroller);
  GtkRange* Range() { return GTK_RANGE(GetWidget()); }
  GtkAdjustment* Adjustment();
  // Both pending flags cleared, the range applied and the asked-for enabling restored.
  void ApplyRange(int32_t minimum, int32_t maximum);
  void DisableForBound();

  bool mSlider;
  bool mVertical;
  int32_t mLastValue = 0;
  ScrollerDelegate* mDelegate;
  int32_t mWheelStep = 0;
  int32_t mPageStepField = 0;
  bool mAcceptFocus = false;
  bool mLiveScroll;
  RuntimeObject* mEventTarget = nullptr;
  const MouseEventHooks* mMouseHooks = nullptr;
  bool mMaximumPending = false;
  bool mMinimumPending = false;
  int32_t mPendingMaximum = 0;
  int32_t mPendingMinimum = 0;
  bool mEnabledAskedFor = true;
  bool mReporting = false;  // inside the delegate's ValueChanged
};

// Factories: a scroll bar or slider in owner's window at bounds.
Scroller* NewHorizontalScroller(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                                const QV::Rect& bounds, bool liveScroll, bool slider);
Scroller* NewVerticalScroller(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                              const QV::Rect& bounds, bool liveScroll, bool slider);
// Horizontal when the bounds are at least as wide as high, else vertical.
Scroller* NewScrollBarByShape(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                              const QV::Rect& bounds, bool liveScroll);
Scroller* NewSliderByShape(ScrollerDelegate* delegate, SubPane* owner, int32_t panelIndex,
                           const QV::Rect& bounds, bool liveScroll);

// Where the thumb starts within travel pixels: travel x (value - minimum) / (maximum -
// minimum), formed in 64 bits and limited to 0 .. travel; 0 when the range is empty.
int32_t ScrollerThumbOffset(int32_t travel, int32_t value, int32_t minimum, int32_t maximum);

// A picture of a scroll bar of range minimum .. maximum at value, in r of drawable, with the
// style of widget: the trough, the two steppers with their arrows and the thumb, each a square
// of the bar's breadth (the thumb never longer than the space between the steppers).
void PaintScrollBar(GtkWidget* widget, GdkWindow* drawable, const QV::Rect& r,
                    GtkStateType state, bool vertical, int32_t value, int32_t minimum,
                    int32_t maximum);
