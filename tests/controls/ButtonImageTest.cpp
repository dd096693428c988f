// The packed push-button application (tests/images/controls/buttonapp.c) run as a program of
// its own and worked with xdotool: a click reaches the compiled Action handler, which prints
// and quits; Return and Escape press the default and cancel buttons, passing over a disabled
// default button and a hidden cancel button that come first in the window.
#include <gtest/gtest.h>

#include <memory>

#include "ImageAppTest.h"

namespace {

class ButtonImage : public qvtest::ImageAppTest {
 protected:
  void SetUp() override { Start({.program = BUTTONAPP_EXE}, "Buttons", "Activate\n"); }

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
