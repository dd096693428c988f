// The native progress bar: a GtkProgressBar showing Value / Maximum. With a Maximum below 1 it
// is indeterminate: a pulse task moves its block by a tenth every 10 ticks while the bar is
// shown, and values are only stored until Maximum becomes positive again.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "app/BackgroundTask.h"
#include "controls/ControlMouseEvents.h"
#include "windows/SubPane.h"

class ProgressBar;

// Pulses its bar every 10 ticks; the bar owns it.
class ProgressBackgroundTask : public BackgroundTask {
 public:
  static constexpr int32_t kPeriod = 10;
  explicit ProgressBackgroundTask(ProgressBar* bar) : BackgroundTask(kPeriod), mBar(bar) {}
  void Run() override;

 private:
  ProgressBar* mBar;
};

class ProgressBar : public SubPane {
 public:
  ProgressBar(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds, int32_t value,
              int32_t maximum, const MouseEventHooks& hooks);
  ~ProgressBar() override;

  // The fraction value / maximum, limited to 0 .. 1, when the maximum is positive.
  void SetValue(int32_t value);
  // Below 1 the bar becomes indeterminate; else determinate again, showing the stored value.
  void SetMaximum(int32_t maximum);
  int32_t Value() const { return mValue; }
  int32_t Maximum() const { return mMaximum; }
  bool IsPulsing() const { return mPulse != nullptr; }
  // One pulse, when the bar is shown and has its GDK window.
  void Pulse();

  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  // The trough and the bar as the theme paints them, then the children.
  void DrawInto(Graphics& g) override;

 private:
  void StartPulsing();

  int32_t mValue = 0;
  int32_t mMaximum = 0;
  ProgressBackgroundTask* mPulse = nullptr;  // owned; only while indeterminate
  const MouseEventHooks& mHooks;
};

// The bar's width in a trough of troughWidth pixels: 0 for a maximum below 1, else
// troughWidth x value / maximum formed in 64 bits and limited to 0 .. troughWidth.
int32_t ProgressBarWidth(int32_t troughWidth, int32_t value, int32_t maximum);
