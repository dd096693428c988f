#include "controls/ShapePanes.h"

#include <cstdlib>

namespace {

// Fills with one call, then frames with a pen |width| square; the colour and pen are put back.
template <typename Fill, typename Frame>
void FillAndFrame(Graphics& g, uint32_t fillColor, uint32_t borderColor, int32_t width,
                  Fill fill, Frame frame) {
  GraphicsState state(g);
  state.Save();
  SetGraphicsColor(g, fillColor);
  fill();
  const int32_t w = std::abs(width);
  if (w != 0) {
    SetGraphicsColor(g, borderColor);
    g.SetPenSize(w, w);
    frame();
    g.PenNormal();
  }
  state.Restore();
}

void Line(Graphics& g, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  g.MoveTo(x1, y1);
  g.LineTo(x2, y2);
  g.LineTo(x3, y3);
}

}  // namespace

bool ShapePane::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  return IsEnabled() && DrawnControlPane::MouseDown(x, y, modifiers);
}

void EditOval::DrawShape(Graphics& g) {
  const QV::Rect& r = GetBounds();
  FillAndFrame(g, fillColor, borderColor, borderWidth, [&] { g.FillOval(r); },
               [&] { g.DrawOval(r); });
}

void EditRoundRect::DrawShape(Graphics& g) {
  const QV::Rect& r = GetBounds();
  FillAndFrame(g, fillColor, borderColor, borderWidth,
               [&] { g.FillRoundRect(r, ovalWidth, ovalHeight); },
               [&] { g.DrawRoundRect(r, ovalWidth, ovalHeight); });
}

// A border wider than half the rectangle leaves no fill; the bevel lines then cross.
void EditRect::DrawShape(Graphics& g) {
  const QV::Rect& r = GetBounds();
  const int32_t w = std::abs(int32_t(borderWidth));
  GraphicsState state(g);
  state.Save();
  g.PenNormal();
  SetGraphicsColor(g, fillColor);
  QV::Rect inside;
  RectSet(inside, r.left + w, r.top + w, r.right - w, r.bottom - w);
  if (inside.left < inside.right && inside.top < inside.bottom) g.FillRect(inside);
  if (w != 0) {
    SetGraphicsColor(g, topLeftColor);
    for (int32_t i = 0; i < w; ++i) {
      Line(g, r.left + i, r.bottom - i - 1, r.left + i, r.top + i, r.right - i - 1, r.top + i);
    }
    SetGraphicsColor(g, bottomRightColor);
    for (int32_t i = 0; i < w; ++i) {
      Line(g, r.left + i + 1, r.bottom - i - 1, r.right - i - 1, r.bottom - i - 1,
           r.right - i - 1, r.top + i + 1);
    }
  }
  state.Restore();
}
