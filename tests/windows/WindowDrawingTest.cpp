// The Window class's Refresh, RefreshRect, UpdateNow, DrawInto and _DrawBackground, with a
// Paint handler that fills rectangles in a colour the test picks and counts its calls; what
// the window shows is read back from the X server, what DrawInto drew from an off-screen
// surface. Paint handlers that close their window meanwhile leave nothing dangling.
#include <gtest/gtest.h>

#include <climits>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "graphics/Drawable.h"
#include "graphics/GraphicsClass.h"
#include "support/TestSupport.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"

namespace {

using qvtest::ScreenArea;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

class WindowDrawing : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    kit.script.width = kWidth;
    kit.script.height = kHeight;
    kit.script.paint = [this](RuntimeObject* window, RuntimeObject* g) {
      ++paints;
      graphicsForeColorSetter(g, 0, colour);
      RuntimeGraphicsFillRect(g, 0, 0, kWidth, kHeight);
      graphicsForeColorSetter(g, 0, 0x0000FF);
      RuntimeGraphicsFillRect(g, 30, 20, 30, 20);
      if (closeInPaint) RuntimeCloseWindow(window);
    };
    window = kit.NewWindow();
    ASSERT_TRUE(kit.ShowAndFocus(gui, window));
    xid = gui.WaitForWindow("Window");
    ASSERT_TRUE(Shows(5, 5, colour));
  }
  void TearDown() override {
    if (window) RuntimeUnlockObject(window);
  }
  qvtest::Screenshot Content() { return gui.Capture(gui.Area(xid)); }
  bool Shows(int x, int y, uint32_t rgb) {
    return gui.PumpUntil([&] { return Content().Pixel(x, y) == rgb; });
  }

  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  RuntimeObject* window = nullptr;
  qvtest::XWindow xid = 0;
  int paints = 0;
  uint32_t colour = 0xE02020;
  bool closeInPaint = false;
};

// An off-screen surface with a Graphics object over it.
class Surface {
 public:
  Surface(int width, int height)
      : mWidth(width), mHeight(height), mPane(new DrawablePane({0, 0}, {height, width}, 32)),
        mObject(NewGraphicsObject(Graphics::Create(mPane))) {}
  ~Surface() {
    RuntimeUnlockObject(mObject);
    delete mPane;
  }
  RuntimeObject* g() const { return mObject; }
  qvtest::Screenshot Pixels() { return qvtest::PixelsOf(mPane->GetPixmap(), mWidth, mHeight); }

 private:
  int mWidth, mHeight;
  DrawablePane* mPane;
  RuntimeObject* mObject;
};

TEST_F(WindowDrawing, RefreshAndUpdateNowPaintBeforeTheyReturn) {
  paints = 0;
  colour = 0x20A020;
  formRefresh(window, 1);
  EXPECT_EQ(paints, 1);
  EXPECT_TRUE(Shows(5, 5, 0x20A020));
  AsWindow(window)->mImp->InvalidateRectCoords(0, 0, 10, 10);
  WindowForceUpdateFrontBuffer(window);
  EXPECT_EQ(paints, 2);
  WindowForceUpdateFrontBuffer(window);  // nothing pending
  EXPECT_EQ(paints, 2);
}

TEST_F(WindowDrawing, RefreshRectPaintsItsRectangleOnlyWhateverTheSizes) {
  colour = 0x20A020;
  paints = 0;
  formRefreshRect(window, 100, 60, 40, 30, 1);
  EXPECT_EQ(paints, 1);
  gui.Settle();
  qvtest::Screenshot shot = Content();
  EXPECT_EQ(shot.Region({100, 60, 40, 30}).CountPixels(0x20A020), 40 * 30);
  EXPECT_EQ(shot.CountPixels(0x20A020), 40 * 30);

  // Sizes that overflow 32 bits reach the content's edge; empty ones paint nothing.
  colour = 0xC0C020;
  formRefreshRect(window, 150, 110, INT_MAX, INT_MAX, 1);
  EXPECT_EQ(paints, 2);
  gui.Settle();
  shot = Content();
  EXPECT_EQ(shot.CountPixels(0xC0C020), (kWidth - 150) * (kHeight - 110));
  for (const ScreenArea& r : {ScreenArea{50, 50, -10, 20}, ScreenArea{50, 50, 20, -1},
                              ScreenArea{INT_MAX, 10, INT_MAX, 10}, ScreenArea{-30, 0, 30, 10},
                              ScreenArea{kWidth, 0, 10, 10}}) {
    formRefreshRect(window, r.x, r.y, r.width, r.height, 0);
  }
  EXPECT_EQ(paints, 2);
  colour = 0x8020C0;
  formRefreshRect(window, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0);  // ends at -2, -2
  formRefreshRect(window, -10, -10, 20, 20, 0);
  EXPECT_EQ(paints, 3);
  gui.Settle();
  EXPECT_EQ(Content().CountPixels(0x8020C0), 10 * 10);
}

TEST_F(WindowDrawing, DrawIntoDrawsWhatTheWindowShowsAtTheOffsetAndGivesTheOriginBack) {
  const qvtest::Screenshot shown = Content();
  Surface surface(kWidth + 20, kHeight + 30);
  formDrawInto(window, surface.g(), 20, 30, 0);
  const qvtest::Screenshot drawn = surface.Pixels();
  EXPECT_EQ(drawn.Region({20, 30, kWidth, kHeight}).DifferingPixels(shown), 0);
  EXPECT_EQ(drawn.Region({0, 0, 20, kHeight}).CountPixels(0xFFFFFF), 20 * kHeight);
  EXPECT_EQ(NativeGraphicsOf(surface.g())->OriginX(), 0);
  EXPECT_EQ(NativeGraphicsOf(surface.g())->OriginY(), 0);
  formDrawInto(window, nullptr, 0, 0, 0);  // nothing
}

TEST_F(WindowDrawing, DrawBackgroundPutsTheSourcePointAtTheGraphicsOrigin) {
  Surface surface(60, 40);
  formDrawBackground(window, surface.g(), 0, 0, 60, 40, 30, 20);
  const qvtest::Screenshot drawn = surface.Pixels();
  EXPECT_EQ(drawn.Region({0, 0, 30, 20}).CountPixels(0x0000FF), 30 * 20);
  EXPECT_EQ(drawn.Region({30, 20, 30, 20}).CountPixels(colour), 30 * 20);
  EXPECT_EQ(NativeGraphicsOf(surface.g())->OriginX(), 0);
  formDrawBackground(window, nullptr, 0, 0, 60, 40, 0, 0);
}

TEST_F(WindowDrawing, APaintHandlerThatClosesTheWindowDuringRefreshLeavesNothingDangling) {
  closeInPaint = true;
  formRefresh(window, 1);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  formRefresh(window, 1);  // only the stored fields are left
  formRefreshRect(window, 0, 0, 10, 10, 1);
  WindowForceUpdateFrontBuffer(window);
}

TEST_F(WindowDrawing, APaintHandlerThatClosesTheWindowDuringDrawIntoItsOwnGraphics) {
  RuntimeObject* own = windowGraphicsGetter(window, 0);
  ASSERT_NE(own, nullptr);
  closeInPaint = true;
  formDrawInto(window, own, 5, 5, 0);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  EXPECT_EQ(NativeGraphicsOf(own)->Target(), nullptr);
  EXPECT_EQ(NativeGraphicsOf(own)->OriginX(), 0);
  RuntimeUnlockObject(own);
}

TEST_F(WindowDrawing, APaintHandlerThatClosesTheWindowDuringDrawBackground) {
  Surface surface(40, 40);
  closeInPaint = true;
  formDrawBackground(window, surface.g(), 0, 0, 40, 40, 3, 4);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  EXPECT_EQ(NativeGraphicsOf(surface.g())->OriginX(), 0);
  EXPECT_EQ(NativeGraphicsOf(surface.g())->OriginY(), 0);
}

}  // namespace
