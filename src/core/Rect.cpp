#include "core/Rect.h"

#include <algorithm>

namespace {

int16_t Narrow(int32_t value) { return static_cast<int16_t>(value); }

}  // namespace

void RectSet(QV::Rect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  rect = {Narrow(top), Narrow(left), Narrow(bottom), Narrow(right)};
}

void RectOffset(QV::Rect& rect, int32_t dh, int32_t dv) {
  rect = {Narrow(rect.top + dv), Narrow(rect.left + dh), Narrow(rect.bottom + dv),
          Narrow(rect.right + dh)};
}

void RectInset(QV::Rect& rect, int32_t dh, int32_t dv) {
  QV::Rect inset = {Narrow(rect.top + dv), Narrow(rect.left + dh), Narrow(rect.bottom - dv),
                    Narrow(rect.right - dh)};
  bool insideOut = inset.left > inset.right || inset.top > inset.bottom;
  rect = insideOut ? QV::Rect{0, 0, 0, 0} : inset;
}

bool RectEqual(const QV::Rect& a, const QV::Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool RectContainsPoint(QV::Point point, const QV::Rect& rect) {
  return rect.top <= point.v && point.v < rect.bottom && rect.left <= point.h &&
         point.h < rect.right;
}

// Overlap means a common area: a rectangle with no width or height meets nothing, so that
// touching, empty or inside-out rectangles all answer false and a zero rectangle.
bool RectIntersect(const QV::Rect& a, const QV::Rect& b, QV::Rect& out) {
  QV::Rect common = {std::max(a.top, b.top), std::max(a.left, b.left),
                     std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
  bool overlap = common.top < common.bottom && common.left < common.right;
  out = overlap ? common : QV::Rect{0, 0, 0, 0};
  return overlap;
}

bool InRect(const QV::Rect& a, const QV::Rect& b) {
  return a.left >= b.left && a.right <= b.right && a.top >= b.top && a.bottom <= b.bottom;
}

bool SmallerRect(const QV::Rect& a, const QV::Rect& b) {
  return a.right - a.left < b.right - b.left && a.bottom - a.top < b.bottom - b.top;
}
