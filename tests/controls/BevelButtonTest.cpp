// The bevel button pane in a real window: the sort triangle and its flip, the caption cut with
// "..." (both read through a Graphics that records what the pane draws), real clicks, a press
// dragged out and released outside, the pressed look set by an owner, a disabled button, and
// delegates that delete the button from Clicked while its mouse handling is still on the stack
// (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "controls/BevelButton.h"
#include "graphics/Graphics.h"
#include "support/GuiDriver.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;

// Measures every character 7 pixels wide and keeps what is drawn.
class RecordingGraphics : public Graphics {
 public:
  using Graphics::Graphics;
  int32_t StringWidth(const string& text) override { return 7 * text.Length(); }
  int32_t TextHeight() override { return 14; }
  int32_t TextAscent() override { return 11; }
  void DrawString(const string& text, int32_t, int32_t) override {
    strings.push_back(text.CString());
  }
  void DrawPolygon(const GdkPoint* points, int32_t count, PolygonStyle style) override {
    EXPECT_EQ(style, kPolygonFilled);
    polygon.assign(points, points + count);
  }
  std::vector<std::string> strings;
  std::vector<GdkPoint> polygon;
};

class Delegate : public BevelButtonDelegate {
 public:
  void Clicked(BevelButton* pane) override {
    log.push_back("Clicked");
    if (closeOnClick) pane->Close();
  }
  void Pressed(BevelButton*) override { log.push_back("Pressed"); }
  void Tracked(BevelButton* pane, int32_t x, int32_t y) override {
    log.push_back("Tracked(" + std::to_string(x) + "," + std::to_string(y) + ")" +
                  (pane->IsPressed() ? " down" : " up"));
  }
  Log log;
  bool closeOnClick = false;
};

class CountedBevel : public BevelButton {
 public:
  using BevelButton::BevelButton;
  ~CountedBevel() override { ++deleted; }
  static int deleted;
};
int CountedBevel::deleted = 0;

class BevelButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Bevels", {}, &xid);
    native = AsWindow(window)->mImp;
    CountedBevel::deleted = 0;
  }
  CountedBevel* Make(const QV::Rect& bounds, const char* caption) {
    auto* button = new CountedBevel(&delegate, FontSpec{}, native, 0, bounds, string(caption), 7);
    gui.Settle();
    return button;
  }
  qvtest::ScreenArea Area(BevelButton* button) { return gui.Area(button->GetWidget()); }
  // What DrawInto draws of button.
  struct Drawn {
    std::vector<std::string> strings;
    std::vector<GdkPoint> polygon;
  };
  Drawn Record(BevelButton* button) {
    RecordingGraphics g(button);
    button->DrawInto(g);
    return {g.strings, g.polygon};
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeViewWindow* native = nullptr;
  Delegate delegate;
};

TEST_F(BevelButtonTest, ValueOneShowsATriangleThatSettingOneAgainFlips) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");  // 24 high, 120 wide
  EXPECT_EQ(button->Extra(), 7u);
  EXPECT_TRUE(Record(button).polygon.empty());
  button->SetValue(1);
  // Right corner 5 inside the right edge, 10 wide, 5 high, at (24 - 5) / 2 from the top;
  // points relative to the pane.
  std::vector<GdkPoint> up = Record(button).polygon;
  ASSERT_EQ(up.size(), 4u);
  EXPECT_EQ((std::vector<int>{up[0].x, up[0].y, up[1].x, up[1].y, up[2].x, up[2].y}),
            (std::vector<int>{105, 14, 110, 9, 115, 14}));
  EXPECT_EQ(button->SortDirection(), 1);
  button->SetValue(1);
  EXPECT_EQ(button->SortDirection(), -1);
  std::vector<GdkPoint> down = Record(button).polygon;
  ASSERT_EQ(down.size(), 4u);
  EXPECT_EQ((std::vector<int>{down[0].y, down[1].y, down[2].y}), (std::vector<int>{9, 14, 9}));
  button->SetValue(2);  // another value is stored; the direction stays
  EXPECT_EQ(button->GetValue(), 2);
  EXPECT_EQ(button->SortDirection(), -1);
  button->SetValue(0);
  EXPECT_TRUE(Record(button).polygon.empty());
}

TEST_F(BevelButtonTest, TheTriangleOnScreenPointsTheWayOfTheDirection) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");
  button->SetValue(1);
  const qvtest::ScreenArea area = Area(button);
  const qvtest::ScreenArea box = {area.x + 105, area.y + 9, 11, 6};
  auto rows = [&](int top, int bottom) {
    const qvtest::Screenshot shot = gui.Capture(box);
    const uint32_t ink = shot.Pixel(5, 2);  // inside the triangle whichever way it points
    return std::pair{shot.Region({0, top, 11, 1}).CountPixels(ink, 16),
                     shot.Region({0, bottom, 11, 1}).CountPixels(ink, 16)};
  };
  ASSERT_TRUE(gui.PumpUntil([&] {
    const auto [apex, base] = rows(0, 5);
    return base >= 9 && apex <= 3;
  })) << "pointing up: the base below";
  button->SetValue(1);
  EXPECT_TRUE(gui.PumpUntil([&] {
    const auto [base, apex] = rows(0, 5);
    return base >= 9 && apex <= 3;
  })) << "pointing down: the base above";
}

TEST_F(BevelButtonTest, ALongCaptionIsCutWithAnEllipsisAndHidesTheTriangle) {
  BevelButton* button = Make({20, 20, 44, 140}, "A long column caption");  // 147 pixels
  button->SetValue(1);
  Drawn g = Record(button);
  // 110 pixels for the caption: 12 characters and the ellipsis.
  EXPECT_EQ(g.strings, (std::vector<std::string>{"A long colum", "..."}));
  EXPECT_TRUE(g.polygon.empty());
  button->SetCaption(string("Fifteen chars!!"));  // 105: fits, but too wide for the triangle
  g = Record(button);
  EXPECT_EQ(g.strings, (std::vector<std::string>{"Fifteen chars!!"}));
  EXPECT_TRUE(g.polygon.empty());
  button->SetCaption(string("Twelve chars"));  // 84: the triangle shows
  EXPECT_EQ(Record(button).polygon.size(), 4u);
}

TEST_F(BevelButtonTest, AClickReportsPressedThenClickedAndAReleaseOutsideNothing) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");
  const qvtest::ScreenArea area = Area(button);
  gui.Click(area.CenterX(), area.CenterY());
  ASSERT_TRUE(gui.PumpUntil([&] { return delegate.log.size() >= 2; }));
  EXPECT_EQ(delegate.log, (Log{"Pressed", "Clicked"}));
  delegate.log.clear();
  gui.QuickDrag(area.CenterX(), area.CenterY(), area.x + area.width + 30, area.CenterY());
  ASSERT_TRUE(gui.PumpUntil([&] { return !delegate.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(delegate.log, (Log{"Pressed"}));
  EXPECT_FALSE(button->IsPressed());
}

TEST_F(BevelButtonTest, DraggingOutPopsTheFaceUpAndBackInPressesItAgain) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");
  ASSERT_TRUE(button->MouseDown(30, 30, 0));
  EXPECT_TRUE(button->IsPressed());
  button->MouseDrag(200, 30);
  EXPECT_FALSE(button->IsPressed());
  button->MouseDrag(60, 25);
  button->MouseDrag(200, 25);
  button->MouseUp(200, 25);
  EXPECT_EQ(delegate.log,
            (Log{"Pressed", "Tracked(200,30) up", "Tracked(60,25) down", "Tracked(200,25) up"}));
  EXPECT_FALSE(button->MouseDown(30, 200, 0)) << "outside the button";
}

TEST_F(BevelButtonTest, AnOwnerShowsItPressedWithoutTellingTheDelegate) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");
  const qvtest::ScreenArea area = Area(button);
  const qvtest::Screenshot up = gui.Capture(area);
  button->SetPressed(true);
  EXPECT_TRUE(button->IsPressed());
  qvtest::Screenshot down;
  EXPECT_TRUE(gui.PumpUntil([&] {
    down = gui.Capture(area);
    return down.DifferingPixels(up, 16) > 20;
  })) << "the pressed face, white caption";
  button->SetPressed(false);
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.Capture(area).DifferingPixels(up, 16) == 0; }));
  EXPECT_TRUE(delegate.log.empty());
  // A release after it was shown pressed is a click, as after a press of its own.
  button->SetPressed(true);
  button->MouseUp(30, 30);
  EXPECT_EQ(delegate.log, (Log{"Clicked"}));
  EXPECT_FALSE(button->IsPressed());
}

TEST_F(BevelButtonTest, ADisabledButtonIgnoresPressesAndHovering) {
  BevelButton* button = Make({20, 20, 44, 140}, "Name");
  button->SetEnabled(false, true);
  const qvtest::ScreenArea area = Area(button);
  gui.Click(area.CenterX(), area.CenterY());
  gui.Settle();
  EXPECT_TRUE(delegate.log.empty());
  EXPECT_FALSE(button->MouseDown(30, 30, 0));
  button->MouseEnter();
  EXPECT_FALSE(button->IsHovered());
  button->SetEnabled(true, true);
  button->MouseEnter();
  EXPECT_TRUE(button->IsHovered());
  button->MouseExit();
  EXPECT_FALSE(button->IsHovered());
}

TEST_F(BevelButtonTest, AClickedThatDeletesTheButtonLeavesNothingDangling) {
  delegate.closeOnClick = true;
  BevelButton* clicked = Make({20, 20, 44, 140}, "Clicked");
  const qvtest::ScreenArea area = Area(clicked);
  gui.Click(area.CenterX(), area.CenterY());
  ASSERT_TRUE(gui.PumpUntil([&] { return CountedBevel::deleted == 1; }));
  EXPECT_EQ(delegate.log, (Log{"Pressed", "Clicked"}));
  BevelButton* pushed = Make({60, 20, 84, 140}, "Pushed");
  EXPECT_TRUE(pushed->ApplyStateCode(kBevelStateClick));  // a click from code
  EXPECT_EQ(CountedBevel::deleted, 2);
  gui.Click(area.CenterX(), area.CenterY());  // where the first one was: nothing there now
  gui.Settle();
  EXPECT_EQ(delegate.log.size(), 3u);
}

}  // namespace
