#include "controls/EditLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "windows/GtkPlacement.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kHitDistanceSquared = 35;

QV::Rect Square(int32_t left, int32_t top, int32_t size) {
  QV::Rect r;
  RectSet(r, left, top, left + size, top + size);
  return r;
}

}  // namespace

int32_t PointToLineDistanceSquared(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t px,
                                   int32_t py) {
  const int64_t dx = int64_t(x2) - x1;
  const int64_t dy = int64_t(y2) - y1;
  const int64_t ex = int64_t(px) - x1;
  const int64_t ey = int64_t(py) - y1;
  long double d;
  if (dx == 0 && dy == 0) {
    d = (long double)ex * ex + (long double)ey * ey;
  } else {
    const long double cross = (long double)ey * dx - (long double)ex * dy;
    d = cross * cross / ((long double)dx * dx + (long double)dy * dy);
  }
  const long double limit = std::numeric_limits<int32_t>::max();
  return d >= limit ? std::numeric_limits<int32_t>::max() : int32_t(d);
}

bool EditLine::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (PointToLineDistanceSquared(x1, y1, x2, y2, x, y) > kHitDistanceSquared) return false;
  return DrawnControlPane::MouseDown(x, y, modifiers);
}

QV::Rect EditLine::DrawArea() {
  const int32_t width = std::max<int32_t>(lineWidth, 1);
  const QV::Rect& b = GetBounds();
  QV::Rect area;
  RectSet(area, b.left - width / 2, b.top - width / 2, b.right + width, b.bottom + width);
  return area;
}

void EditLine::Refresh(bool) {
  PlaceWidget();
  const int32_t width = std::max<int32_t>(lineWidth, 1);
  InvalidateRectCoords(std::min(x1, x2) - width, std::min(y1, y2) - width,
                       std::max(x1, x2) + width, std::max(y1, y2) + width);
}

bool EditLine::GetRefreshBounds(QV::Rect& rect) {
  rect = DrawArea();
  return true;
}

Graphics* EditLine::NewGraphics() {
  Graphics* g = DrawnControlPane::NewGraphics();
  if (g) g->SetClipRect(DrawArea());
  return g;
}

// Ordinary redraws find the widget in place and leave the GTK layout alone.
void EditLine::PlaceWidget() {
  GtkWidget* widget = GetWidget();
  Window* window = GetWindow();
  if (!widget || !window || !window->ContentFixed() ||
      gtk_widget_get_parent(widget) != GTK_WIDGET(window->ContentFixed())) {
    return;
  }
  const QV::Rect area = DrawArea();
  gint x = 0, y = 0, width = 0, height = 0;
  gtk_container_child_get(GTK_CONTAINER(window->ContentFixed()), widget, "x", &x, "y", &y,
                          nullptr);
  gtk_widget_get_size_request(widget, &width, &height);
  if (x == area.left && y == area.top && width == area.right - area.left &&
      height == area.bottom - area.top) {
    return;
  }
  gtk_fixed_move(window->ContentFixed(), widget, area.left, area.top);
  gtk_widget_set_size_request(widget, area.right - area.left, area.bottom - area.top);
}

void EditLine::DrawShape(Graphics& g) {
  const int32_t width = lineWidth;
  if (!mDrawingInto) PlaceWidget();
  GraphicsState state(g);
  state.Save();
  g.SetPenSize(width, width);
  SetGraphicsColor(g, lineColor);
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (width < 2) {
    DrawThin(g);
  } else {
    DrawThick(g, width);
  }
  state.Restore();
  g.PenNormal();
}

// The last pixel of the line included.
void EditLine::DrawThin(Graphics& g) {
  if (x1 == x2) {
    g.MoveTo(x1, std::min(y1, y2));
    g.LineTo(x2, std::max(y1, y2) + 1);
    return;
  }
  g.MoveTo(x1, y1);
  const int32_t endY = y2 == y1 ? y2 : y2 < y1 ? y2 - 1 : y2 + 1;
  g.LineTo(x2 + 1, endY);
}

// Squares the width's size stepping along the line, each centred on its point (its corner half
// the width above and to the left), so that the line stays within the control's rectangle.
void EditLine::DrawThick(Graphics& g, int32_t width) {
  const int32_t half = width / 2;
  if (x1 == x2) {
    for (int32_t y = std::min(y1, y2); y <= std::max(y1, y2); ++y) {
      g.FillRect(Square(x1 - half, y - half, width));
    }
    return;
  }
  if (y1 == y2) {
    for (int32_t x = x1; x <= x2; ++x) g.FillRect(Square(x - half, y1 - half, width));
    return;
  }
  const int32_t stepY = y2 > y1 ? 1 : -1;
  const double stepX = double(int64_t(x2) - x1) / double(std::llabs(int64_t(y2) - y1));
  double x = x1;
  int64_t y = y1;
  while (x <= x2) {
    g.FillRect(Square(int32_t(std::lround(x)) - half, int32_t(y) - half, width));
    x += stepX;
    y += stepY;
  }
}

void EditLine::DrawIntoAt(Graphics& g, int32_t x, int32_t y) {
  if (!IsVisibleAndShown()) return;
  const int32_t dx = x - std::min(x1, x2);
  const int32_t dy = y - std::min(y1, y2);
  x1 += dx;
  x2 += dx;
  y1 += dy;
  y2 += dy;
  mDrawingInto = true;
  SubPane::DrawInto(g);
  mDrawingInto = false;
  x1 -= dx;
  x2 -= dx;
  y1 -= dy;
  y2 -= dy;
}
