// The Line control: its rectangle from its end points, the hit distance (the worked numbers
// clicked for real, and the distance function's edge cases), and its drawing, read back
// beside plain GDK lines and rectangles over the window's own background.
#include <gtest/gtest.h>

#include <climits>

#include "SimpleControlFixtures.h"
#include "controls/EditLine.h"
#include "controls/LineControl.h"
#include "controls/ShapeControls.h"
#include "core/FieldAccessors.h"
#include "core/Rect.h"
#include "support/TestSupport.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::ContentPixels;

TEST(PointToLineDistance, IsTheSquaredDistanceToTheLineThroughBothEnds) {
  EXPECT_EQ(PointToLineDistanceSquared(0, 0, 40, 40, 30, 22), 32);  // 320^2 / 3200
  EXPECT_EQ(PointToLineDistanceSquared(0, 0, 40, 40, 30, 21), 40);  // 360^2 / 3200, cut
  EXPECT_EQ(PointToLineDistanceSquared(0, 0, 40, 40, 90, 90), 0);   // beyond an end: on it
  EXPECT_EQ(PointToLineDistanceSquared(40, 40, 0, 0, 30, 22), 32);  // either direction
}

TEST(PointToLineDistance, CoincidentEndsMeasureToThatPoint) {
  EXPECT_EQ(PointToLineDistanceSquared(5, 5, 5, 5, 8, 9), 3 * 3 + 4 * 4);
  EXPECT_EQ(PointToLineDistanceSquared(5, 5, 5, 5, 5, 5), 0);
}

TEST(PointToLineDistance, FarCoordinatesNeitherWrapNorOverflow) {
  // Differences beyond 32 bits: a horizontal line across nearly all Integers.
  EXPECT_EQ(PointToLineDistanceSquared(-2000000000, 0, 2000000000, 0, 7, 3), 9);
  EXPECT_EQ(PointToLineDistanceSquared(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX, INT_MAX),
            INT_MAX);
  EXPECT_EQ(PointToLineDistanceSquared(0, 0, 1, 0, 0, INT_MAX), INT_MAX);
}

class LineControlTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Lines", {}, &xid);
    lineClass = qvtest::MouseLoggingSubclass("Line", "KitLine");
    rectClass = qvtest::MouseLoggingSubclass("Rectangle", "KitRect");
    pixels = std::make_unique<ContentPixels>(window);
  }

  RuntimeObject* AddLine(const std::string& name, int x1, int y1, int x2, int y2,
                         int16_t width = 1, uint32_t color = 0xC00000) {
    return qvtest::AddControl(window, lineClass, name, {}, [&](RuntimeObject* o) {
      auto* line = reinterpret_cast<LineObject*>(o);
      line->x1 = x1;
      line->y1 = y1;
      line->x2 = x2;
      line->y2 = y2;
      line->borderWidth = width;
      line->lineColor = color;
    });
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* lineClass = nullptr;
  RuntimeClass* rectClass = nullptr;
  std::unique_ptr<ContentPixels> pixels;
};

TEST_F(LineControlTest, ItsRectangleRunsFromTheSmallerEndsToOnePastTheLarger) {
  RuntimeObject* line = AddLine("Flat", 10, 20, 50, 20);
  ASSERT_NE(line, nullptr);
  const QV::Rect expected = {20, 10, 21, 51};
  EXPECT_TRUE(RectEqual(AsControl(line)->bounds, expected));
  EXPECT_TRUE(RectEqual(AsControl(line)->pane->GetBounds(), expected));
}

// Line (50, 50)-(90, 90) is line (0, 0)-(40, 40) moved: the worked numbers hold there too.
TEST_F(LineControlTest, OnlyClicksNearTheLineAreItsAndTheOthersPassBehind) {
  ASSERT_NE(qvtest::AddControl(window, rectClass, "Behind", {40, 40, 120, 120}), nullptr);
  ASSERT_NE(AddLine("Line", 50, 50, 90, 90), nullptr);
  kit.Take();
  const qvtest::ScreenPoint near = qvtest::ContentToScreen(gui, xid, window, 80, 72);
  gui.Click(near.x, near.y);  // squared distance 32
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Line.MouseDown(30,22)", "Behind.MouseDown(40,32)"}));
  const qvtest::ScreenPoint far = qvtest::ContentToScreen(gui, xid, window, 80, 71);
  gui.Click(far.x, far.y);  // squared distance 40
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Behind.MouseDown(40,31)"}));
  kit.mouseDownTakes = true;
  gui.Click(near.x, near.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Line.MouseDown(30,22)", "Line.MouseUp(30,22)"}));
}

TEST_F(LineControlTest, AThinLineRunsFromItsLowerLeftEndUpToOnePastTheOther) {
  const QV::Rect area = {10, 10, 42, 52};  // the pane's bounds and one pixel more
  GdkPixmap* ref = pixels->CopyArea(area);
  RuntimeObject* line = AddLine("Slope", 50, 10, 10, 40);
  ASSERT_NE(line, nullptr);
  gdk_draw_line(ref, pixels->Gc(ref, 0xC00000), 10 - 10, 40 - 10, 51 - 10, 9 - 10);
  EXPECT_TRUE(pixels->WaitUntilShows(gui, area, ref));
  g_object_unref(ref);
  // Drawing put the pane's ends in order; the object keeps what the program set.
  EXPECT_EQ(reinterpret_cast<LineObject*>(line)->x1, 50);
  EXPECT_EQ(static_cast<EditLine*>(AsControl(line)->pane)->x1, 10);
}

// Each square is centred on its point, so the line stays within the control's rectangle.
TEST_F(LineControlTest, AWideVerticalLineIsARunOfSquaresOfItsWidth) {
  const QV::Rect area = {20, 90, 90, 110};
  GdkPixmap* ref = pixels->CopyArea(area);
  RuntimeObject* line = AddLine("Thick", 100, 30, 100, 80, 4, 0x0000C0);
  ASSERT_NE(line, nullptr);
  const QV::Rect expected = {28, 98, 82, 102};
  EXPECT_TRUE(RectEqual(AsControl(line)->bounds, expected));
  gdk_draw_rectangle(ref, pixels->Gc(ref, 0x0000C0), TRUE, 98 - 90, 28 - 20, 4, 80 - 30 + 4);
  EXPECT_TRUE(pixels->WaitUntilShows(gui, area, ref));
  g_object_unref(ref);
}

TEST_F(LineControlTest, MovingAnEndMovesTheRectangleAndRedrawsBothPlaces) {
  const QV::Rect row = {20, 0, 21, 60};
  const QV::Rect below = {25, 0, 26, 60};
  const qvtest::Screenshot background = pixels->Read(below);
  RuntimeObject* line = AddLine("Flat", 10, 20, 50, 20);
  ASSERT_NE(line, nullptr);
  ASSERT_TRUE(gui.PumpUntil([&] { return pixels->Read(row).Pixel(12, 0) == 0xC00000u; }));
  linePosSetter(line, offsetof(LineObject, x1), 30);
  const QV::Rect expected = {20, 30, 21, 51};
  EXPECT_TRUE(RectEqual(AsControl(line)->bounds, expected));
  EXPECT_TRUE(RectEqual(AsControl(line)->pane->GetBounds(), expected));
  EXPECT_TRUE(gui.PumpUntil([&] {
    const qvtest::Screenshot shot = pixels->Read(row);
    return shot.Pixel(12, 0) == background.Pixel(12, 0) && shot.Pixel(29, 0) != 0xC00000u &&
           shot.Pixel(30, 0) == 0xC00000u && shot.Pixel(50, 0) == 0xC00000u;
  }));
  EXPECT_EQ(intGetter(line, offsetof(LineObject, x1)), 30);
}

}  // namespace
