// Where windows go: the placement and screen-constraint rules as pure functions, and windows
// of each frame kind as the window manager sees them (xprop, xwininfo), size limits included.
#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "support/TestSupport.h"

namespace {

using qvtest::MakeRect;
using qvtest::RectText;

// A 1280 x 1024 screen whose usable area is 1000 x 800 from (0, 0).
ScreenGeometry TestScreen() {
  return {MakeRect(0, 0, 1024, 1280), MakeRect(0, 0, 800, 1000)};
}

std::string Placed(int32_t mode, const QV::Rect* reference, ScreenGeometry screen = TestScreen()) {
  QV::Rect rect = MakeRect(0, 0, 100, 200);
  PlaceRectOnScreen(rect, mode, reference, screen);
  return RectText(rect);
}

std::string Constrained(QV::Rect rect, int32_t mode) {
  ConstrainRectToScreen(rect, mode, TestScreen());
  return RectText(rect);
}

TEST(WindowPlacement, EachModePlacesAgainstTheScreenOrTheFrontWindowOfTheLayer) {
  const QV::Rect front = MakeRect(200, 300, 500, 700);
  EXPECT_EQ(Placed(kPlaceDefault, nullptr), "100,4,200,204");
  EXPECT_EQ(Placed(kPlaceParentWindow, &front), "230,400,330,600");
  // Without a front window, the middle of the screen, a third of the way down.
  EXPECT_EQ(Placed(kPlaceParentWindow, nullptr), "308,540,408,740");
  EXPECT_EQ(Placed(kPlaceMainScreen, &front), "308,540,408,740");
  EXPECT_EQ(Placed(kPlaceScreenCentre, nullptr), "462,540,562,740");
  EXPECT_EQ(Placed(kPlaceStaggered, &front), "220,320,320,520");
  const QV::Rect nearTheCorner = MakeRect(500, 700, 790, 990);
  EXPECT_EQ(Placed(kPlaceStaggered, &nearTheCorner), "50,10,150,210");
  EXPECT_EQ(Placed(kPlaceStaggered, nullptr), "50,10,150,210");
  // Every placement leaves room for a title bar below the top of the usable area.
  ScreenGeometry lowered = TestScreen();
  lowered.available.top = 90;
  EXPECT_EQ(Placed(kPlaceDefault, nullptr, lowered), "115,4,215,204");
  EXPECT_EQ(WindowLayer(kWindowKindMetal), WindowLayer(kWindowKindDocument));
  EXPECT_EQ(WindowLayer(kWindowKindDropDown), WindowLayer(kWindowKindFloating));
  EXPECT_EQ(WindowLayer(kWindowKindPlainBox), WindowLayer(kWindowKindSheet));
}

TEST(WindowPlacement, ConstrainingMeasuresEachEdgeAfterTheMovesBeforeIt) {
  // Right beyond the area: pulled in until 2 pixels inside, in both keeping modes.
  EXPECT_EQ(Constrained(MakeRect(100, 900, 200, 1100), kConstrainInside), "100,798,200,998");
  EXPECT_EQ(Constrained(MakeRect(100, 900, 200, 1100), kConstrainInsideClipped),
            "100,798,200,998");
  // Wider than the area: the clipping mode ends inside at both edges.
  EXPECT_EQ(Constrained(MakeRect(100, -10, 200, 1100), kConstrainInsideClipped),
            "100,2,200,998");
  // The left edge pulled in first pushes the right one out; the right test measures it there.
  EXPECT_EQ(Constrained(MakeRect(100, -10, 200, 1005), kConstrainInside), "100,-17,200,998");
  EXPECT_EQ(Constrained(MakeRect(750, 10, 850, 110), kConstrainInside), "698,10,798,110");
  EXPECT_EQ(Constrained(MakeRect(5, 10, 105, 110), kConstrainInside), "25,10,125,110");
  EXPECT_EQ(Constrained(MakeRect(750, -50, 850, 1100), kConstrainBottom), "750,-50,798,1100");
  EXPECT_EQ(Constrained(MakeRect(900, -50, 950, 1100), kConstrainLeft), "900,2,950,1100");
}

class WindowFrames : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    for (Window* window : windows) window->Release();
  }
  // A shown window of kind and its X window.
  qvtest::XWindow Open(int32_t kind, int32_t windowDefinition = 0) {
    WindowSpec request;
    request.bounds = MakeRect(150, 200, 350, 500);
    request.kind = kind;
    request.windowDefinition = windowDefinition;
    auto* window = new qvtest::TestWindow(request);
    windows.push_back(window);
    EXPECT_TRUE(window->ShowAndSettle(gui));
    return gui.FindWindow(window->TitleText());
  }
  qvtest::GuiDriver gui;
  std::vector<Window*> windows;
};

TEST_F(WindowFrames, EachKindReachesTheWindowManagerAsItsFrameAsks) {
  // A modal window made while no other window exists has no parent.
  const qvtest::XWindow lonelyModal = Open(kWindowKindModal);
  EXPECT_EQ(qvtest::XProperty(lonelyModal, "WM_TRANSIENT_FOR"), "");
  windows.back()->Hide();
  const qvtest::XWindow document = Open(kWindowKindDocument);
  // The content where it was asked to be, as the X server has it (xwininfo: xdotool counts
  // the offset within the window manager's frame twice) and as the framework measures it.
  const std::string info = qvtest::ProgramOutput({"xwininfo", "-id", std::to_string(document)});
  for (const char* line : {"Absolute upper-left X:  200", "Absolute upper-left Y:  150",
                           "Width: 300", "Height: 200"}) {
    EXPECT_NE(info.find(line), std::string::npos) << line << " in " << info;
  }
  QV::Rect measured;
  windows.back()->GetGlobalBounds(measured);
  EXPECT_EQ(RectText(measured), "150,200,350,500");
  EXPECT_NE(qvtest::XProperty(document, "_NET_WM_WINDOW_TYPE").find("_NORMAL"), std::string::npos);

  const qvtest::XWindow modal = Open(kWindowKindModal);
  EXPECT_NE(qvtest::XProperty(modal, "WM_TRANSIENT_FOR").find("window id #"), std::string::npos);
  EXPECT_NE(qvtest::XProperty(modal, "_NET_WM_STATE").find("_NET_WM_STATE_MODAL"),
            std::string::npos);
  const qvtest::XWindow modeless = Open(kWindowKindModelessDialog);
  EXPECT_NE(qvtest::XProperty(modeless, "WM_TRANSIENT_FOR").find("window id #"),
            std::string::npos);
  EXPECT_EQ(qvtest::XProperty(modeless, "_NET_WM_STATE").find("_MODAL"), std::string::npos);

  for (int32_t kind : {kWindowKindFloating, kWindowKindGlobalFloating, kWindowKindDrawer}) {
    EXPECT_NE(qvtest::XProperty(Open(kind), "_NET_WM_WINDOW_TYPE").find("_UTILITY"),
              std::string::npos)
        << kind;
  }
  EXPECT_EQ(windows.back()->Kind(), kWindowKindFloating);
  Open(kWindowKindMetal);
  EXPECT_EQ(windows.back()->Kind(), kWindowKindDocument);
  // Decorations off: the Motif hints' flags say so and their decorations word is 0.
  for (const qvtest::XWindow bare : {Open(kWindowKindPlainBox), Open(kWindowKindShadowedBox),
                                     Open(kWindowKindDocument, kUndecoratedWindowDefinition)}) {
    EXPECT_NE(qvtest::XProperty(bare, "_MOTIF_WM_HINTS").find("= 0x2, 0x0, 0x0"),
              std::string::npos);
  }
  EXPECT_EQ(qvtest::XProperty(document, "_MOTIF_WM_HINTS").find("= 0x2, 0x0, 0x0"),
            std::string::npos);
}

TEST_F(WindowFrames, SizeLimitsReachTheWindowManagerAsGeometryHints) {
  qvtest::PaneLog log;
  WindowSpec request;
  request.bounds = MakeRect(100, 100, 340, 420);
  auto* window = new qvtest::LoggingWindow(&log, request);
  windows.push_back(window);
  // A maximum of 32000 both ways is no maximum.
  window->sizeLimits = MakeRect(100, 150, 32000, 32000);
  ASSERT_TRUE(window->OpenAndFocus(gui));
  const auto hints = [&] {
    gui.Settle();
    return qvtest::XProperty(window->XId(), "WM_NORMAL_HINTS");
  };
  EXPECT_NE(hints().find("minimum size: 150 by 100"), std::string::npos) << hints();
  EXPECT_EQ(hints().find("maximum size"), std::string::npos) << hints();
  // Nor is a maximum of 0, which the language gives for "no limit".
  window->sizeLimits = MakeRect(110, 160, 0, 0);
  window->ResizeTo(325, 245, false);
  ASSERT_TRUE(gui.PumpUntil([&] { return hints().find("size: 160 by 110") != std::string::npos; }));
  EXPECT_EQ(hints().find("maximum size"), std::string::npos) << hints();
  window->sizeLimits = MakeRect(100, 150, 500, 32000);
  window->ResizeTo(330, 250, false);
  ASSERT_TRUE(gui.PumpUntil([&] { return hints().find("maximum size") != std::string::npos; }));
  EXPECT_NE(hints().find("maximum size: 32000 by 500"), std::string::npos) << hints();

  // Without resizing, the window is held at its size.
  request.resizable = false;
  auto* fixed = new qvtest::LoggingWindow(&log, request);
  windows.push_back(fixed);
  ASSERT_TRUE(fixed->OpenAndFocus(gui));
  const std::string fixedHints = qvtest::XProperty(fixed->XId(), "WM_NORMAL_HINTS");
  EXPECT_NE(fixedHints.find("minimum size: 320 by 240"), std::string::npos) << fixedHints;
  EXPECT_NE(fixedHints.find("maximum size: 320 by 240"), std::string::npos) << fixedHints;
}

}  // namespace
