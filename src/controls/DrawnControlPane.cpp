#include "controls/DrawnControlPane.h"

#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"

DrawnControlPane::DrawnControlPane(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                                   const MouseEventHooks& hooks)
    : SubPane(owner, panelIndex, bounds, true), mHooks(hooks) {
  SetWidget(gtk_fixed_new());
  PutPaneInFixed(this, true);
  g_signal_connect(GetWidget(), "expose-event", G_CALLBACK(&OnPaneExpose),
                   static_cast<SubPane*>(this));
}

void DrawnControlPane::Draw(Graphics& g) {
  if (IsVisibleAndShown()) DrawShape(g);
}

bool DrawnControlPane::MouseDown(int32_t x, int32_t y, int32_t) {
  return RaiseMouseDownEvent(this, mHooks, x, y);
}

void DrawnControlPane::MouseDrag(int32_t x, int32_t y) { RaiseMouseDragEvent(this, mHooks, x, y); }

void DrawnControlPane::MouseUp(int32_t x, int32_t y) { RaiseMouseUpEvent(this, mHooks, x, y); }

void SetGraphicsColor(Graphics& g, uint32_t rgb) { g.SetForeColor(ColorFromRGB(rgb)); }
