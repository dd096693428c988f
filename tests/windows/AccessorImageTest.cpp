// The window-accessor milestone: the packed application tests/images/windows/accessapp.c runs
// as a program of its own; each click on its window's empty area takes one step, and the X
// server shows each: the title in _NET_WM_NAME, the back colour in a screenshot, full screen
// in _NET_WM_STATE and in xwininfo's size, the focus through the buttons' events and a space
// key, the maximized state, and a Minimize event whose handler closes the window.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "SpawnedProcess.h"
#include "WindowFixtures.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

class AccessorImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{.program = ACCESSAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Open\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Accessors");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  // Clicks the empty area and waits for the step's line.
  bool Step(const std::string& line) {
    const qvtest::ScreenArea area = gui.Area(xid);
    gui.Click(area.x + area.width - 40, area.y + area.height - 30);
    return app->WaitForOutput("\n" + line + "\n");
  }
  bool Eventually(const std::function<bool()>& condition) {
    return gui.PumpUntil(condition);
  }
  bool InState(const char* state) {
    return qvtest::XProperty(xid, "_NET_WM_STATE").find(state) != std::string::npos;
  }
  uint32_t Pixel() {
    const qvtest::ScreenArea area = gui.Area(xid);
    return gui.Capture({area.x + 200, area.y + 100, 1, 1}).Pixel(0, 0);
  }
  std::string XSize() {
    const std::string info = qvtest::ProgramOutput({"xwininfo", "-id", std::to_string(xid)});
    const auto field = [&](const std::string& name) {
      const size_t at = info.find(name);
      return at == std::string::npos ? "?" : info.substr(at + name.size(),
                                                         info.find('\n', at) - at - name.size());
    };
    return field("Width: ") + " x " + field("Height: ");
  }

  // The program's output without the window's activations: a window manager may take the
  // focus from the window and give it back at any time (a loaded one did, after a click into
  // the active window), and each time the focused control loses the focus and gets it again
  // ("Second.LostFocus", "Window.Deactivate", "Second.GotFocus", "Window.Activate").
  std::string OwnSteps() {
    std::string steps;
    std::string previous;
    std::istringstream lines(app->Output());
    for (std::string line; std::getline(lines, line);) {
      if (line == "Window.Activate" || line == "Window.Deactivate") {
        if (previous.ends_with(".LostFocus") || previous.ends_with(".GotFocus"))
          steps.resize(steps.size() - previous.size() - 1);
        previous.clear();
        continue;
      }
      steps += line + "\n";
      previous = line;
    }
    return steps;
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(AccessorImage, EachStepShowsOnTheXServer) {
  const uint32_t theme = Pixel();
  ASSERT_TRUE(Step("Title")) << app->Output() << app->Errors();
  EXPECT_TRUE(Eventually([&] { return gui.Title(xid) == "Grüße 標題"; })) << gui.Title(xid);

  ASSERT_TRUE(Step("BackColor"));
  EXPECT_TRUE(Eventually([&] { return Pixel() == 0xFF8000; })) << std::hex << Pixel();
  ASSERT_TRUE(Step("NewBackColor"));
  EXPECT_TRUE(Eventually([&] { return Pixel() == 0x0080FF; })) << std::hex << Pixel();
  ASSERT_TRUE(Step("ThemeBack"));
  EXPECT_TRUE(Eventually([&] { return Pixel() == theme; })) << std::hex << Pixel();

  const std::string screen =
      std::to_string(gdk_screen_get_width(gdk_screen_get_default())) + " x " +
      std::to_string(gdk_screen_get_height(gdk_screen_get_default()));
  ASSERT_TRUE(Step("FullScreen"));
  EXPECT_TRUE(Eventually([&] {
    return InState("_NET_WM_STATE_FULLSCREEN") && XSize() == screen;
  })) << XSize();
  ASSERT_TRUE(Step("Windowed"));
  EXPECT_TRUE(Eventually([&] {
    return !InState("_NET_WM_STATE_FULLSCREEN") && XSize() == "300 x 200";
  })) << XSize();

  // The focus moves from the first button (which has it since the window became active).
  ASSERT_TRUE(Step("FocusSet"));
  gui.Key("space");
  ASSERT_TRUE(app->WaitForOutput("\nSecond.Action\n")) << app->Output();
  ASSERT_TRUE(Step("Focus Second")) << app->Output();
  ASSERT_TRUE(Step("FocusNil")) << app->Output();
  ASSERT_TRUE(Step("Focus Nil")) << app->Output();
  const std::string output = OwnSteps();
  EXPECT_NE(output.find("Windowed\nFirst.LostFocus\nSecond.GotFocus\nFocusSet\nSecond.Action\n"
                        "Focus Second\nSecond.LostFocus\nFocusNil\nFocus Nil\n"),
            std::string::npos)
      << output;

  // The state property can change before the window manager gives the new size, and the next
  // step clicks near the bottom right corner: each waits for the size too.
  ASSERT_TRUE(Step("Maximize"));
  EXPECT_TRUE(Eventually([&] {
    return InState("_NET_WM_STATE_MAXIMIZED_VERT") && XSize() != "300 x 200";
  })) << XSize();
  ASSERT_TRUE(Step("Restore"));
  EXPECT_TRUE(Eventually([&] {
    return !InState("_NET_WM_STATE_MAXIMIZED") && XSize() == "300 x 200";
  })) << XSize();
  ASSERT_TRUE(Step("Minimize"));
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  const std::string tail = "Minimize\nMinimized\nRuntimeRun returned\n";
  const std::string steps = OwnSteps();
  ASSERT_GE(steps.size(), tail.size()) << app->Output();
  EXPECT_EQ(steps.substr(steps.size() - tail.size()), tail) << app->Output();
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
