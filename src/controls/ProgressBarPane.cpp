#include "controls/ProgressBarPane.h"

#include <algorithm>

#include "windows/GtkPlacement.h"

namespace {

constexpr double kPulseStep = 0.1;

}  // namespace

void ProgressBackgroundTask::Run() { mBar->Pulse(); }

int32_t ProgressBarWidth(int32_t troughWidth, int32_t value, int32_t maximum) {
  if (maximum < 1 || troughWidth < 1) return 0;
  const int64_t width = int64_t(troughWidth) * value / maximum;
  return int32_t(std::clamp<int64_t>(width, 0, troughWidth));
}

ProgressBar::ProgressBar(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                         int32_t value, int32_t maximum, const MouseEventHooks& hooks)
    : SubPane(owner, panelIndex, bounds, true), mValue(value), mMaximum(maximum), mHooks(hooks) {
  SetWidget(gtk_progress_bar_new());
  PutPaneInFixed(this, true);
  if (maximum < 1) {
    StartPulsing();
  } else {
    SetValue(value);
  }
}

ProgressBar::~ProgressBar() { delete mPulse; }

void ProgressBar::StartPulsing() {
  gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(GetWidget()), kPulseStep);
  if (!mPulse) mPulse = new ProgressBackgroundTask(this);
}

void ProgressBar::SetValue(int32_t value) {
  mValue = value;
  if (mMaximum <= 0) return;
  const double fraction = std::clamp(double(value) / double(mMaximum), 0.0, 1.0);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(GetWidget()), fraction);
}

void ProgressBar::SetMaximum(int32_t maximum) {
  mMaximum = maximum;
  if (maximum < 1) {
    StartPulsing();
    return;
  }
  delete mPulse;
  mPulse = nullptr;
  SetValue(mValue);
}

void ProgressBar::Pulse() {
  GtkWidget* widget = GetWidget();
  if (IsClosing() || !IsVisibleAndShown() || !widget || !widget->window) return;
  gtk_progress_bar_pulse(GTK_PROGRESS_BAR(widget));
}

bool ProgressBar::MouseDown(int32_t x, int32_t y, int32_t) {
  return RaiseMouseDownEvent(this, mHooks, x, y);
}

void ProgressBar::MouseDrag(int32_t x, int32_t y) { RaiseMouseDragEvent(this, mHooks, x, y); }

void ProgressBar::MouseUp(int32_t x, int32_t y) { RaiseMouseUpEvent(this, mHooks, x, y); }

void ProgressBar::DrawInto(Graphics& g) {
  GtkWidget* widget = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (widget && drawable) {
    if (!widget->window) gtk_widget_realize(widget);
    const QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    if (width > 0 && height > 0) {
      gtk_paint_box(widget->style, drawable, GTK_STATE_NORMAL, GTK_SHADOW_IN, nullptr, widget,
                    "trough", r.left, r.top, width, height);
      const int32_t bar = ProgressBarWidth(width - 4, mValue, mMaximum);
      if (bar > 0 && height > 4) {
        gtk_paint_box(widget->style, drawable, GTK_STATE_PRELIGHT, GTK_SHADOW_OUT, nullptr,
                      widget, "bar", r.left + 2, r.top + 2, bar, height - 4);
      }
    }
  }
  SubPane::DrawInto(g);
}
