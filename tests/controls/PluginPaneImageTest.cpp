// The plug-in control milestone, as a program: an image places two controls of a real plug-in
// (tests/plugins/pane) in a window. The version-8 control draws its bounds red with raw GDK
// through the Graphics it is handed; real pointer and key input reaches its entries in control
// coordinates (moves in window coordinates), and the plug-in raises the control's compiled
// event, whose handler prints what it heard. The version-7 control without a mouse-down entry
// passes its click to the window. Closing the window closes both panes, and the plug-in's
// library is closed last, at exit.
#include <gtest/gtest.h>

#include <memory>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

constexpr int kDialLeft = 20, kDialTop = 20, kQuietLeft = 160;

class PluginPaneImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{
        .program = PANEAPP_EXE, .environment = {"HOME=" + home.path()}});
    ASSERT_TRUE(app->WaitForOutput("Ready\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Plug-in panes");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
    ASSERT_TRUE(gui.PumpUntil([&] {
      const qvtest::ScreenArea area = gui.Area(xid);
      const qvtest::Screenshot dial =
          gui.Capture({area.x + kDialLeft, area.y + kDialTop, 100, 60});
      return dial.CountPixels(0xFF0000) == 100 * 60;
    })) << "entry 2 fills the control's bounds";
  }
  void XDoTool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string output;
    EXPECT_EQ(qvtest::RunProgram(argv, &output), 0) << output;
  }
  std::vector<std::string> At(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    return {std::to_string(area.x + x), std::to_string(area.y + y)};
  }
  void MoveTo(int x, int y) {
    const std::vector<std::string> at = At(x, y);
    XDoTool({"mousemove", at[0], at[1]});
  }
  bool Heard(const std::string& line) { return app->WaitForOutput(line + "\n"); }

  qvtest::GuiDriver gui;
  qvtest::TempFolder home{"qvpanehome"};
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(PluginPaneImage, TheControlDrawsHearsInputAndIsUnloadedAfterItsWindowCloses) {
  EXPECT_NE(app->Output().find("9\n"), std::string::npos) << "entry 9 when the pane was made";
  EXPECT_TRUE(Heard("11")) << "the idle entry runs";

  MoveTo(kDialLeft + 10, kDialTop + 20);
  EXPECT_TRUE(Heard("16"));
  EXPECT_TRUE(Heard("18 30 40")) << "moves in window coordinates";
  XDoTool({"click", "1"});
  EXPECT_TRUE(Heard("3 10 20"));
  EXPECT_TRUE(Heard("5 10 20"));
  XDoTool({"click", "5"});
  EXPECT_TRUE(app->WaitForOutput("22 10 20 ")) << "the wheel, with its vertical delta";

  MoveTo(kDialLeft + 5, kDialTop + 5);
  XDoTool({"mousedown", "1"});
  EXPECT_TRUE(Heard("3 5 5"));
  MoveTo(kDialLeft + 40, kDialTop + 30);
  EXPECT_TRUE(Heard("4 40 30")) << "the main loop drags the capturing pane";
  XDoTool({"mouseup", "1"});
  EXPECT_TRUE(Heard("5 40 30"));

  // Entry 25 let the version-8 control take the focus when the window opened.
  EXPECT_TRUE(Heard("6"));
  XDoTool({"key", "k"});
  EXPECT_TRUE(Heard("8 k"));
  XDoTool({"key", "Tab"});
  EXPECT_TRUE(Heard("7")) << "entry 8 declines Tab, which moves the focus on";

  // The version-7 control has no mouse-down entry: the window hears the click.
  MoveTo(kQuietLeft + 10, kDialTop + 10);
  EXPECT_TRUE(Heard("17")) << "leaving the dial";
  XDoTool({"click", "1"});
  EXPECT_TRUE(Heard("window 170 30"));

  gui.Close(xid);
  ASSERT_TRUE(qvtest::ExitedWith(app->Finish(), 0)) << app->Errors();
  const std::string& out = app->Output();
  const size_t dialClosed = out.find("\n10\n");
  const size_t quietClosed = out.find("quiet 10\n");
  const size_t unloaded = out.find("library closed\n");
  ASSERT_NE(dialClosed, std::string::npos) << out;
  ASSERT_NE(quietClosed, std::string::npos) << out;
  ASSERT_NE(unloaded, std::string::npos) << out;
  EXPECT_LT(dialClosed, unloaded);
  EXPECT_LT(quietClosed, unloaded);
  EXPECT_EQ(out.find("\n10\n", dialClosed + 1), std::string::npos) << "entry 10 once: " << out;
  EXPECT_EQ(out.substr(unloaded), "library closed\n") << "nothing after the library closed";
}

}  // namespace
