// Canvases on a real display: Paint drawing through its Graphics, backdrops cut to the canvas,
// Scroll moving pixels and child controls, keys, clicks the canvas passes on and drags it
// keeps, and handlers that close the window under the canvas or keep its Graphics (the
// sanitizer build runs these too).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "ControlFixtures.h"
#include "controls/Canvas.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::ControlKind;
using qvtest::ControlPlan;
using Log = std::vector<std::string>;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;

const ControlPlan kBoard{.name = "Board", .bounds = {20, 20, 100, 140},
                         .kind = ControlKind::kCanvas};
const ControlPlan kInner{.name = "Inner", .bounds = {60, 90, 90, 130}, .caption = "In"};

// Paint fills (0, 0, 10, 10) of the canvas red.
void FillCorner(const std::string& event, RuntimeObject*) {
  RuntimeObject* g = qvtest::Kit().paintGraphics;
  if (event != "Board.Paint" || !g) return;
  graphicsForeColorSetter(g, 0, kRed);
  RuntimeGraphicsFillRect(g, 0, 0, 10, 10);
}

RuntimeObject* SolidPicture(int width, int height, uint32_t rgb) {
  GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  gdk_pixbuf_fill(image, rgb << 8 | 0xFF);
  return NewPictureWithImage(image);
}

class CanvasTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  RuntimeObject* Open(const std::vector<ControlPlan>& plans) {
    window = kit.OpenAndFocus(gui, "Canvas " + std::to_string(++opened), plans, &xid);
    return kit.Control(window, "Board");
  }
  // The log but the Paints, which exposes bring whenever they come.
  Log Events() {
    Log events;
    for (const std::string& entry : kit.Take()) {
      if (entry != "Board.Paint") events.push_back(entry);
    }
    return events;
  }
  size_t EventCount() {
    return size_t(std::count_if(kit.log.begin(), kit.log.end(),
                                [](const std::string& e) { return e != "Board.Paint"; }));
  }
  RuntimeCanvas* Pane(RuntimeObject* board) {
    return board ? static_cast<RuntimeCanvas*>(AsControl(board)->pane) : nullptr;
  }
  // The canvas and margin pixels around it, once a Paint has run since the last Take.
  qvtest::Screenshot PaintedCanvas(RuntimeObject* board, int margin) {
    kit.Take();
    Pane(board)->Refresh(true);
    EXPECT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
    gui.Settle();
    const qvtest::ScreenArea area = gui.Area(Pane(board)->GetWidget());
    return gui.Capture({area.x - margin, area.y - margin, area.width + 2 * margin,
                        area.height + 2 * margin});
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  int opened = 0;
};

TEST_F(CanvasTest, PaintDrawsInCanvasCoordinatesAndAHiddenCanvasPaintsNothing) {
  kit.script = FillCorner;
  RuntimeObject* board = Open({kBoard});
  const qvtest::Screenshot shot = PaintedCanvas(board, 0);
  EXPECT_EQ(shot.Region({0, 0, 10, 10}).CountPixels(kRed), 100);
  EXPECT_EQ(shot.CountPixels(kRed), 100);

  ControlPlan hidden = kBoard;
  hidden.visible = false;
  RuntimeCloseWindow(window);
  board = Open({hidden});
  kit.Take();
  Pane(board)->Refresh(true);
  formRefresh(window, 1);
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{}));
}

TEST_F(CanvasTest, ABackdropIsCutToTheCanvasAndNotScaled) {
  kit.script = [](const std::string&, RuntimeObject*) {};
  RuntimeObject* board = Open({kBoard});
  RuntimeObject* small = SolidPicture(30, 20, kGreen);
  canvasBackdropSetter(board, 0, small);
  qvtest::Screenshot shot = PaintedCanvas(board, 4);
  EXPECT_EQ(shot.CountPixels(kGreen), 30 * 20);
  EXPECT_EQ(shot.Region({4, 4, 30, 20}).CountPixels(kGreen), 30 * 20);
  RuntimeObject* large = SolidPicture(400, 300, kGreen);
  canvasBackdropSetter(board, 0, large);
  shot = PaintedCanvas(board, 4);
  EXPECT_EQ(shot.CountPixels(kGreen), 120 * 80);
  EXPECT_EQ(shot.Region({4, 4, 120, 80}).CountPixels(kGreen), 120 * 80);
  RuntimeUnlockObject(small);
  RuntimeUnlockObject(large);
}

TEST_F(CanvasTest, GraphicsIsNilWithoutAPaneAndTheSameObjectAfterwards) {
  RuntimeObject* loose = RuntimeNewObject(kit.canvasClass);
  EXPECT_EQ(canvasGraphicsGetter(loose, 0), nullptr);
  RuntimeUnlockObject(loose);
  RuntimeObject* board = Open({kBoard});
  RuntimeObject* first = canvasGraphicsGetter(board, 0);
  RuntimeObject* second = canvasGraphicsGetter(board, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  int32_t left = 0;
  int32_t top = 0;
  GraphicsPaneOrigin(first, &left, &top);
  EXPECT_EQ(left, 20);
  EXPECT_EQ(top, 20);
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
}

TEST_F(CanvasTest, ScrollMovesPixelsAndChildrenAndLimitsItsRectangle) {
  kit.script = FillCorner;
  RuntimeObject* board = Open({kBoard, kInner});
  RuntimeCanvas* pane = Pane(board);
  SubPane* inner = AsControl(kit.Control(window, "Inner"))->pane;
  ASSERT_TRUE(pane && inner);
  ASSERT_EQ(inner->GetOwner(), pane);
  PaintedCanvas(board, 0);
  canvasScroll(board, 0, 0, 0, 0, -10000, -10000, 1);
  EXPECT_EQ(inner->GetBounds().left, 90);
  // The pixels move; the strip they leave is not repainted.
  canvasScroll(board, 5, 0, 0, 0, -10000, -10000, 0);
  EXPECT_EQ(inner->GetBounds().left, 90);
  gdk_flush();
  const qvtest::ScreenArea area = gui.Area(pane->GetWidget());
  const qvtest::Screenshot shot = gui.Capture({area.x, area.y, 20, 10});
  EXPECT_EQ(shot.CountPixels(kRed), 150);
  EXPECT_EQ(shot.Region({0, 0, 15, 10}).CountPixels(kRed), 150);
  canvasScroll(board, 5, 0, 0, 0, -10000, -10000, 1);
  EXPECT_EQ(inner->GetBounds().left, 95);
  EXPECT_EQ(inner->GetBounds().right, 135);
  // Arguments far outside the pane neither wrap nor reach beyond it.
  canvasScroll(board, 1, 0, INT_MIN + 5, INT_MAX - 5, INT_MAX, INT_MAX, 0);
  canvasScroll(board, INT_MAX, INT_MIN, 0, 0, -10000, -10000, 1);
  EXPECT_EQ(inner->GetBounds().left, INT16_MAX);
}

TEST_F(CanvasTest, TabNeedsAcceptTabsAndKeysAbove127ArriveAsUtf8) {
  ControlPlan tabs = kBoard;
  RuntimeObject* board = Open({tabs});
  RuntimeCanvas* pane = Pane(board);
  kit.keyDownTakes = true;
  EXPECT_FALSE(pane->KeyDown('\t', 0, 0));
  EXPECT_EQ(Events(), (Log{}));
  AsCanvas(board)->acceptTabs = 1;
  EXPECT_TRUE(pane->KeyDown('\t', 0, 0));
  EXPECT_EQ(kit.lastKey, "\t");
  EXPECT_TRUE(pane->KeyDown(0xE9, 0, 0));
  EXPECT_EQ(kit.lastKey, "\xC3\xA9");
  kit.keyDownTakes = false;
  EXPECT_FALSE(pane->KeyDown('a', 0, 0));
  EXPECT_EQ(Events(), (Log{"Board.KeyDown", "Board.KeyDown", "Board.KeyDown"}));
}

TEST_F(CanvasTest, AMouseDownAnsweringFalsePassesTheClickToTheControlBehind) {
  const ControlPlan under{.name = "Under", .bounds = {40, 40, 70, 120}, .caption = "Under"};
  RuntimeObject* board = Open({under, kBoard});
  kit.Take();
  GtkWidget* button = AsControl(kit.Control(window, "Under"))->pane->GetWidget();
  gui.Click(button);
  ASSERT_TRUE(gui.PumpUntil([&] { return EventCount() >= 3; }));
  EXPECT_EQ(Events(), (Log{"Board.MouseDown", "Under.MouseDown", "Under.Action"}));

  kit.mouseDownTakes = true;
  const qvtest::ScreenArea area = gui.Area(Pane(board)->GetWidget());
  gui.Drag(area.x + 10, area.y + 10, area.x + 50, area.y + 30);
  ASSERT_TRUE(gui.PumpUntil([&] {
    return std::count(kit.log.begin(), kit.log.end(), "Board.MouseUp") == 1;
  })) << testing::PrintToString(kit.log);
  const Log log = Events();
  EXPECT_EQ(log.front(), "Board.MouseDown");
  EXPECT_EQ(log.back(), "Board.MouseUp");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Under.Action"), 0);
  EXPECT_EQ(kit.lastX, 50);
  EXPECT_EQ(kit.lastY, 30);
}

TEST_F(CanvasTest, APaintThatClosesTheWindowAndAKeptGraphicsLeaveNothingDangling) {
  RuntimeObject* kept = nullptr;
  kit.script = [&](const std::string& event, RuntimeObject*) {
    if (event != "Board.Paint") return;
    kept = qvtest::Kit().paintGraphics;
    RuntimeLockObject(kept);
    RuntimeCloseWindow(window);
  };
  window = kit.OpenWindow("Closing canvas", {kBoard});
  RuntimeObject* board = kit.Control(window, "Board");
  ASSERT_NE(board, nullptr);
  RuntimeLockObject(board);  // the window gives its controls up as it closes
  RuntimeShowWindow(window);
  ASSERT_TRUE(gui.PumpUntil([&] { return kept != nullptr; }));
  gui.Settle();
  EXPECT_EQ(AsControl(board)->pane, nullptr);
  qvtest::ReportCapture reports;
  RuntimeGraphicsFillRect(kept, 0, 0, 5, 5);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.reports()[0].condition, "thePane");
  RuntimeUnlockObject(kept);
  RuntimeUnlockObject(board);
}

// The Graphics property's object outlives the pane too.
TEST_F(CanvasTest, TheGraphicsPropertyLosesItsTargetWithThePane) {
  RuntimeObject* board = Open({kBoard});
  RuntimeObject* g = canvasGraphicsGetter(board, 0);
  ASSERT_NE(g, nullptr);
  RuntimeCloseWindow(window);
  gui.Settle();
  qvtest::ReportCapture reports;
  RuntimeGraphicsDrawLine(g, 0, 0, 10, 10);
  EXPECT_EQ(reports.count(), 1u);
  RuntimeUnlockObject(g);
}

}  // namespace
