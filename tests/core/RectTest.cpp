#include "core/Rect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace {

QV::Rect Make(int top, int left, int bottom, int right) {
  return {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
          static_cast<int16_t>(right)};
}

// Reference: the set of unit cells (v, h) a rectangle covers.
using Cells = std::set<std::pair<int, int>>;
Cells CellsOf(const QV::Rect& rect) {
  Cells cells;
  for (int v = rect.top; v < rect.bottom; ++v)
    for (int h = rect.left; h < rect.right; ++h) cells.insert({v, h});
  return cells;
}

// A well-formed rectangle (possibly empty) with small coordinates.
QV::Rect RandomRect(std::mt19937& random) {
  int top = static_cast<int>(random() % 13) - 6;
  int left = static_cast<int>(random() % 13) - 6;
  return Make(top, left, top + static_cast<int>(random() % 7),
              left + static_cast<int>(random() % 7));
}

std::string Show(const QV::Rect& r) {
  return "(" + std::to_string(r.top) + ", " + std::to_string(r.left) + ", " +
         std::to_string(r.bottom) + ", " + std::to_string(r.right) + ")";
}

void ExpectRect(const QV::Rect& actual, int top, int left, int bottom, int right) {
  EXPECT_TRUE(RectEqual(actual, Make(top, left, bottom, right))) << Show(actual);
}

TEST(Rect, FieldsAreTopLeftBottomRightInMemory) {
  QV::Rect rect = Make(1, 2, 3, 4);
  int16_t words[4];
  static_assert(sizeof words == sizeof rect);
  std::memcpy(words, &rect, sizeof words);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], 2);
  EXPECT_EQ(words[2], 3);
  EXPECT_EQ(words[3], 4);
}

TEST(Rect, SetTakesLeftTopRightBottom) {
  QV::Rect rect = Make(0, 0, 0, 0);
  RectSet(rect, 10, 20, 30, 40);
  ExpectRect(rect, 20, 10, 40, 30);
  RectSet(rect, -32768, 32767, 70000, -1);
  ExpectRect(rect, 32767, -32768, -1, 70000 - 65536);
}

TEST(Rect, OffsetMovesHorizontallyThenVertically) {
  QV::Rect rect = Make(1, 2, 3, 4);
  RectOffset(rect, 10, -100);
  ExpectRect(rect, -99, 12, -97, 14);
}

TEST(Rect, InsetThatTurnsInsideOutGivesZero) {
  QV::Rect rect = Make(0, 0, 10, 10);
  RectInset(rect, 6, 0);
  ExpectRect(rect, 0, 0, 0, 0);
}

TEST(Rect, InsetToAnEmptyButUprightRectKeepsIt) {
  QV::Rect rect = Make(0, 0, 10, 10);
  RectInset(rect, 5, 5);
  ExpectRect(rect, 5, 5, 5, 5);
}

TEST(Rect, NegativeInsetGrows) {
  QV::Rect rect = Make(10, 20, 30, 40);
  RectInset(rect, -3, -4);
  ExpectRect(rect, 6, 17, 34, 43);
  RectInset(rect, 1, 9);
  ExpectRect(rect, 15, 18, 25, 42);
  RectInset(rect, 0, 6);
  ExpectRect(rect, 0, 0, 0, 0);
}

TEST(Rect, ContainsItsTopLeftButNotItsBottomRight) {
  QV::Rect rect = Make(10, 20, 30, 40);
  EXPECT_TRUE(RectContainsPoint({10, 20}, rect));
  EXPECT_FALSE(RectContainsPoint({30, 40}, rect));
  EXPECT_FALSE(RectContainsPoint({29, 40}, rect));
  EXPECT_FALSE(RectContainsPoint({30, 39}, rect));
  EXPECT_TRUE(RectContainsPoint({29, 39}, rect));
  // The point is vertical first.
  EXPECT_FALSE(RectContainsPoint({20, 10}, rect));
  EXPECT_FALSE(RectContainsPoint({100000, 25}, rect));
}

TEST(Rect, RectsTouchingAlongAnEdgeDoNotIntersect) {
  QV::Rect out = Make(1, 1, 1, 1);
  EXPECT_FALSE(RectIntersect(Make(0, 0, 10, 10), Make(0, 10, 10, 20), out));
  ExpectRect(out, 0, 0, 0, 0);
  out = Make(1, 1, 1, 1);
  EXPECT_FALSE(RectIntersect(Make(0, 0, 10, 10), Make(10, 0, 20, 10), out));
  ExpectRect(out, 0, 0, 0, 0);
}

// A rectangle without area meets nothing, even where it lies inside another.
TEST(Rect, EmptyRectIntersectsNothing) {
  QV::Rect out = Make(1, 1, 1, 1);
  EXPECT_FALSE(RectIntersect(Make(0, 0, 10, 10), Make(2, 5, 8, 5), out));
  ExpectRect(out, 0, 0, 0, 0);
  EXPECT_FALSE(RectIntersect(Make(4, 4, 4, 9), Make(0, 0, 10, 10), out));
  EXPECT_FALSE(RectIntersect(Make(5, 9, 2, 1), Make(0, 0, 10, 10), out));
  ExpectRect(out, 0, 0, 0, 0);
}

TEST(Rect, IntersectionMayBeWrittenOverAnArgument) {
  QV::Rect a = Make(0, 0, 10, 10);
  QV::Rect b = Make(5, 3, 20, 8);
  EXPECT_TRUE(RectIntersect(a, b, a));
  ExpectRect(a, 5, 3, 10, 8);
  QV::Rect c = Make(0, 0, 10, 10);
  EXPECT_TRUE(RectIntersect(c, b, b));
  ExpectRect(b, 5, 3, 10, 8);
}

TEST(Rect, SmallerMeansBothNarrowerAndShorter) {
  QV::Rect big = Make(0, 0, 10, 10);
  EXPECT_TRUE(SmallerRect(Make(50, 50, 59, 59), big));
  EXPECT_FALSE(SmallerRect(Make(0, 0, 10, 5), big));
  EXPECT_FALSE(SmallerRect(Make(0, 0, 5, 10), big));
  EXPECT_FALSE(SmallerRect(big, big));
  EXPECT_FALSE(SmallerRect(big, Make(0, 0, 5, 5)));
}

// Random rectangles against the cell sets they cover.
TEST(Rect, OperationsAgreeWithCellSets) {
  std::mt19937 random(1125);
  for (int round = 0; round < 5000; ++round) {
    QV::Rect a = RandomRect(random);
    QV::Rect b = RandomRect(random);
    Cells cellsA = CellsOf(a), cellsB = CellsOf(b);
    Cells common;
    for (const auto& cell : cellsA)
      if (cellsB.count(cell)) common.insert(cell);

    QV::Rect out;
    bool overlap = RectIntersect(a, b, out);
    ASSERT_EQ(overlap, !common.empty()) << Show(a) << " " << Show(b);
    if (overlap) {
      ASSERT_EQ(CellsOf(out), common) << Show(a) << " " << Show(b);
    } else {
      ASSERT_TRUE(RectEqual(out, QV::Rect{0, 0, 0, 0})) << Show(out);
    }

    if (!cellsA.empty()) {
      bool subset = common.size() == cellsA.size();
      ASSERT_EQ(InRect(a, b), subset) << Show(a) << " in " << Show(b);
    }

    QV::Point point{static_cast<int32_t>(random() % 17) - 8, static_cast<int32_t>(random() % 17) - 8};
    ASSERT_EQ(RectContainsPoint(point, a), cellsA.count({point.v, point.h}) == 1) << Show(a);

    QV::Rect moved = a;
    int dh = static_cast<int>(random() % 9) - 4, dv = static_cast<int>(random() % 9) - 4;
    RectOffset(moved, dh, dv);
    Cells shifted;
    for (const auto& [v, h] : cellsA) shifted.insert({v + dv, h + dh});
    ASSERT_EQ(CellsOf(moved), shifted);
  }
}

}  // namespace
