// The Window class's FullScreen as the window manager and the X server see it: the state
// property, the size xwininfo gives, the size hints of a window that is not resizable, the
// window without GTK's full screen (in a process of its own, as the lookup is kept), and
// handlers that close the window or take full screen back while it is being entered.
#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "windows/GtkSymbols.h"
#include "support/TestSupport.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"

namespace {

constexpr const char kFullScreenState[] = "_NET_WM_STATE_FULLSCREEN";

class WindowFullScreen : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    screenWidth = gdk_screen_get_width(gdk_screen_get_default());
    screenHeight = gdk_screen_get_height(gdk_screen_get_default());
  }
  void TearDown() override {
    for (RuntimeObject* window : held) RuntimeUnlockObject(window);
  }
  RuntimeObject* Open(const std::string& title) {
    kit.script.title = title;
    RuntimeObject* window = kit.NewWindow();
    held.push_back(window);
    EXPECT_TRUE(kit.ShowAndFocus(gui, window));
    xid = gui.WaitForWindow(title);
    return window;
  }
  bool InState() {
    return qvtest::XProperty(xid, "_NET_WM_STATE").find(kFullScreenState) != std::string::npos;
  }
  // "W x H" as the X server has the window.
  std::string XSize() {
    const std::string info = qvtest::ProgramOutput({"xwininfo", "-id", std::to_string(xid)});
    const auto field = [&](const char* name) {
      const size_t at = info.find(name);
      return at == std::string::npos ? std::string("?")
                                      : info.substr(at + strlen(name),
                                                    info.find('\n', at) - at - strlen(name));
    };
    return field("Width: ") + " x " + field("Height: ");
  }
  std::string Size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
  }
  std::string ScreenSize() { return Size(screenWidth, screenHeight); }

  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  std::vector<RuntimeObject*> held;
  qvtest::XWindow xid = 0;
  int screenWidth = 0;
  int screenHeight = 0;
};

TEST_F(WindowFullScreen, SetDuringLayoutTheWindowOpensFullScreenAndLeavesOnFalse) {
  kit.script.action = [](const std::string& event, RuntimeObject* window) {
    if (event == "Layout") windowFullScreenSetter(window, 0, 1);
  };
  RuntimeObject* window = Open("Whole screen");
  EXPECT_EQ(windowFullScreenGetter(window, 0), 1);
  EXPECT_TRUE(gui.PumpUntil([&] { return InState() && XSize() == ScreenSize(); })) << XSize();
  // Meanwhile the window's place and size are not the program's to set.
  const QV::Rect bounds = AsWindow(window)->bounds;
  windowPosSetter(window, 2, 120);
  windowPosSetter(window, 0, 40);
  EXPECT_EQ(AsWindow(window)->bounds.right, bounds.right);
  EXPECT_EQ(AsWindow(window)->bounds.left, bounds.left);
  windowFullScreenSetter(window, 0, 1);  // the same value again: nothing
  EXPECT_TRUE(InState());

  windowFullScreenSetter(window, 0, 0);
  EXPECT_EQ(windowFullScreenGetter(window, 0), 0);
  EXPECT_TRUE(gui.PumpUntil([&] { return !InState() && XSize() == Size(300, 200); }))
      << XSize();
}

TEST_F(WindowFullScreen, AWindowOfFixedSizeGetsItsFixedHintsBackWhenItLeaves) {
  kit.script.resizeable = false;
  kit.script.width = 260;
  kit.script.height = 180;
  RuntimeObject* window = Open("Fixed");
  windowFullScreenSetter(window, 0, 1);
  EXPECT_TRUE(gui.PumpUntil([&] { return InState() && XSize() == ScreenSize(); })) << XSize();
  windowFullScreenSetter(window, 0, 0);
  EXPECT_TRUE(gui.PumpUntil([&] { return !InState() && XSize() == Size(260, 180); }))
      << XSize();
  std::string hints;
  EXPECT_TRUE(gui.PumpUntil([&] {
    hints = qvtest::XProperty(xid, "WM_NORMAL_HINTS");
    return hints.find("minimum size: 260 by 180") != std::string::npos &&
           hints.find("maximum size: 260 by 180") != std::string::npos;
  })) << hints;
  EXPECT_FALSE(AsWindow(window)->mImp->IsResizable());
}

TEST_F(WindowFullScreen, AHandlerThatClosesTheWindowDuringThePassesEndsTheEntering) {
  RuntimeObject* window = Open("Closed meanwhile");
  gui.Meanwhile([window] { RuntimeCloseWindow(window); }, G_PRIORITY_HIGH);
  windowFullScreenSetter(window, 0, 1);
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  windowFullScreenSetter(window, 0, 0);  // stored for a later native window
  EXPECT_EQ(windowFullScreenGetter(window, 0), 0);
}

TEST_F(WindowFullScreen, AHandlerThatTakesFullScreenBackDuringThePassesEndsTheEntering) {
  RuntimeObject* window = Open("Taken back");
  gui.Meanwhile([window] { windowFullScreenSetter(window, 0, 0); }, G_PRIORITY_HIGH);
  windowFullScreenSetter(window, 0, 1);
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_EQ(windowFullScreenGetter(window, 0), 0);
  gui.Settle();
  EXPECT_FALSE(gui.PumpUntil([&] { return InState(); }, 500));
  EXPECT_EQ(XSize(), Size(300, 200));
}

// Without gtk_window_fullscreen the window takes screen 0's size itself, then gets its bounds
// back.
TEST_F(WindowFullScreen, WithoutGtkFullScreenTheWindowCoversTheScreenAndComesBack) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a process whose lookup finds nothing
  const auto coverAndReturn = [this] {
    RuntimeObject* window = Open("Covering");
    const qvtest::ScreenArea before = gui.Area(xid);
    // One name hides at a time; each is looked up once, at its first use.
    HideGtkSymbolForTesting("gtk_window_fullscreen");
    windowFullScreenSetter(window, 0, 1);
    HideGtkSymbolForTesting("gtk_window_unfullscreen");
    // The screen's size; where the window manager lets the frame go decides the place.
    const bool covered = gui.PumpUntil([&] {
      const qvtest::ScreenArea area = gui.Area(xid);
      return area.width == screenWidth && area.height == screenHeight;
    });
    windowFullScreenSetter(window, 0, 0);
    const qvtest::ScreenArea full = gui.Area(xid);
    const bool back = gui.PumpUntil([&] { return gui.Area(xid) == before; });
    const QV::Rect bounds = AsWindow(window)->bounds;
    fprintf(stderr, "covered %d (%d,%d %dx%d) back %d at %d,%d\n", covered, full.x, full.y,
            full.width, full.height, back, bounds.left, bounds.top);
    std::exit(covered && back && !InState() && bounds.left == before.x &&
                      bounds.top == before.y
                  ? 0
                  : 1);
  };
  EXPECT_EXIT(coverAndReturn(), testing::ExitedWithCode(0), "");
}

}  // namespace
