// QV::Rect, the 16-bit rectangle of panes and drawing, and its operations.
//
// A rectangle covers the points with top <= v < bottom and left <= h < right: its bottom and
// right edges are outside it. Results are stored in 16 bits; arithmetic that leaves that range
// wraps, as the fields do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace QV {

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};
static_assert(sizeof(Rect) == 8, "Rect is four 16-bit values");
static_assert(offsetof(Rect, left) == 2 && offsetof(Rect, bottom) == 4 &&
                  offsetof(Rect, right) == 6,
              "Rect order is top, left, bottom, right");

// A point as the containment test takes it: vertical first.
struct Point {
  int32_t v;
  int32_t h;
};
static_assert(sizeof(Point) == 8 && offsetof(Point, h) == 4, "Point is v, h");

}  // namespace QV

// Note the argument order: left, top, right, bottom.
void RectSet(QV::Rect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom);
void RectOffset(QV::Rect& rect, int32_t dh, int32_t dv);
// Shrinks by dh and dv on each side (negative values grow); a rectangle left inside out
// becomes all zero.
void RectInset(QV::Rect& rect, int32_t dh, int32_t dv);
bool RectEqual(const QV::Rect& a, const QV::Rect& b);
bool RectContainsPoint(QV::Point point, const QV::Rect& rect);
// out may be a or b.
bool RectIntersect(const QV::Rect& a, const QV::Rect& b, QV::Rect& out);
// True when a lies wholly inside b.
bool InRect(const QV::Rect& a, const QV::Rect& b);
// True when a is both narrower and shorter than b.
bool SmallerRect(const QV::Rect& a, const QV::Rect& b);
