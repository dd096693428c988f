#include "core/Rect.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <utility>

namespace {

QV::Rect Make(int top, int left, int bottom, int right) {
  return {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
          static_cast<int16_t>(right)};
}

std::string Show(const QV::Rect& r) {
  return "(" + std::to_string(r.top) + ", " + std::to_string(r.left) + ", " +
         std::to_string(r.bottom) + ", " + std::to_string(r.right) + ")";
}

#define EXPECT_RECT(actual, t, l, b, r) \
  EXPECT_TRUE(RectEqual(actual, Make(t, l, b, r))) << Show(actual)

// Argument orders (left/top, h/v), 16-bit wrap, and insets that turn inside out giving zero.
TEST(Rect, SetOffsetAndInsetTakeTheirArgumentsInOrder) {
  QV::Rect rect = Make(0, 0, 0, 0);
  RectSet(rect, -32768, 32767, 70000, -1);
  EXPECT_RECT(rect, 32767, -32768, -1, 70000 - 65536);
  RectSet(rect, 10, 20, 30, 40);
  RectInset(rect, -3, -4);
  EXPECT_RECT(rect, 16, 7, 44, 33);
  RectInset(rect, 13, 14);
  EXPECT_RECT(rect, 30, 20, 30, 20);
  RectInset(rect, 0, 1);
  EXPECT_RECT(rect, 0, 0, 0, 0);
  EXPECT_TRUE(SmallerRect(Make(50, 50, 59, 59), Make(0, 0, 10, 10)));
  EXPECT_FALSE(SmallerRect(Make(0, 0, 10, 5), Make(0, 0, 10, 10)));
}

// Random rectangles (some without area, some inside out) against the cell sets they cover;
// the intersection may be written over an argument.
TEST(Rect, OperationsAgreeWithCellSets) {
  using Cells = std::set<std::pair<int, int>>;
  auto cellsOf = [](const QV::Rect& rect) {
    Cells cells;
    for (int v = rect.top; v < rect.bottom; ++v)
      for (int h = rect.left; h < rect.right; ++h) cells.insert({v, h});
    return cells;
  };
  std::mt19937 random(1125);
  auto randomRect = [&random] {
    const int top = int(random() % 13) - 6, left = int(random() % 13) - 6;
    return Make(top, left, top + int(random() % 8) - 1, left + int(random() % 8) - 1);
  };
  for (int round = 0; round < 5000; ++round) {
    QV::Rect a = randomRect(), b = randomRect();
    Cells cellsA = cellsOf(a), cellsB = cellsOf(b), common;
    for (const auto& cell : cellsA)
      if (cellsB.count(cell)) common.insert(cell);
    QV::Rect out = Make(1, 1, 1, 1);
    bool overlap = RectIntersect(a, b, out);
    ASSERT_EQ(overlap, !common.empty()) << Show(a) << " " << Show(b);
    // No overlap writes zero.
    ASSERT_EQ(cellsOf(out), common) << Show(a) << " " << Show(b);
    ASSERT_TRUE(overlap || RectEqual(out, Make(0, 0, 0, 0))) << Show(out);
    ASSERT_TRUE(cellsA.empty() || InRect(a, b) == (common.size() == cellsA.size())) << Show(a);
    QV::Point point{int32_t(random() % 17) - 8, int32_t(random() % 17) - 8};
    ASSERT_EQ(RectContainsPoint(point, a), cellsA.count({point.v, point.h}) == 1) << Show(a);
    QV::Rect moved = a;
    const int dh = int(random() % 9) - 4, dv = int(random() % 9) - 4;
    RectOffset(moved, dh, dv);
    Cells shifted;
    for (const auto& [v, h] : cellsA) shifted.insert({v + dv, h + dh});
    ASSERT_EQ(cellsOf(moved), shifted);
  }
  QV::Rect a = Make(0, 0, 10, 10);
  EXPECT_TRUE(RectIntersect(a, Make(5, 3, 20, 8), a));
  EXPECT_RECT(a, 5, 3, 10, 8);
}

}  // namespace
