// The packed push-button application (tests/images/controls/buttonapp.c) run as a program of
// its own and worked with xdotool: a click reaches the compiled Action handler, which prints
// and quits; Return and Escape press the default and cancel buttons, passing over a disabled
// default button and a hidden cancel button that come first in the window.
#include <gtest/gtest.h>

#include <memory>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

class ButtonImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{.program = BUTTONAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Activate\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Buttons");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  void XDoTool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string output;
    EXPECT_EQ(qvtest::RunProgram(argv, &output), 0) << output;
  }
  // Clicks the window's content at (x, y).
  void ClickAt(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    XDoTool({"mousemove", std::to_string(area.x + x), std::to_string(area.y + y),
             "click", "1"});
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(ButtonImage, AClickRunsTheCompiledActionHandlerWhichQuits) {
  ClickAt(70, 35);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), "Activate\nHello.Action\nRuntimeRun returned\n");
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

TEST_F(ButtonImage, ReturnAndEscapePressTheDefaultAndCancelButtonsThatCanBePressed) {
  XDoTool({"key", "Return"});
  ASSERT_TRUE(app->WaitForOutput("OK.Action\n")) << app->Output();
  XDoTool({"key", "Escape"});
  ASSERT_TRUE(app->WaitForOutput("Cancel.Action\n")) << app->Output();
  XDoTool({"key", "KP_Enter"});
  ASSERT_TRUE(app->WaitForOutput("OK.Action\nCancel.Action\nOK.Action\n")) << app->Output();
  ClickAt(70, 35);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(),
            "Activate\nOK.Action\nCancel.Action\nOK.Action\nHello.Action\nRuntimeRun returned\n");
}

}  // namespace
