// The packed window application (tests/images/windows/winapp.c) run as a program of its own:
// the events of opening in their order, CancelClose through the window manager's close and
// through quitting, AutoQuit on and off, and the windows a termination signal closes.
#include <gtest/gtest.h>
#include <signal.h>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "WindowFixtures.h"

namespace {

const char* const kOpening =
    "Layout\nCreateControls\nAddMenuHandlers\nSetupBindings\nButton1.Open\nButton2.Open\nOpen\n"
    "Activate\n";
const char* const kClosing = "Button1.Close\nButton2.Close\nClose\n";

class WindowImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  // Starts the application and waits for its window to be active.
  void Start(const std::string& mode, const std::string& title) {
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{
        .program = WINAPP_EXE, .environment = {"QVTEST_MODE=" + mode}});
    ASSERT_TRUE(app->WaitForOutput("Activate\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow(title);
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(WindowImage, TheCloseBoxAsksCancelCloseAndTheLastWindowEndsTheProgram) {
  Start("", "Window App");
  qvtest::RunXTool(gui, {"wmctrl", "-c", "Window App"});
  ASSERT_TRUE(app->WaitForOutput("CancelClose\n"));
  gui.Settle();
  EXPECT_NE(gui.FindWindow("Window App"), 0u);  // the first close was refused
  qvtest::RunXTool(gui, {"wmctrl", "-c", "Window App"});
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), std::string(kOpening) + "CancelClose\nCancelClose\n" + kClosing +
                               "RuntimeRun returned\n");
}

TEST_F(WindowImage, QuittingAsksCancelCloseToo) {
  Start("", "Window App");
  gui.Key("q");
  ASSERT_TRUE(app->WaitForOutput("quit returned\n"));
  ASSERT_TRUE(gui.WaitForFocus(xid));
  gui.Key("q");
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), std::string(kOpening) +
                               "KeyDown q\nCancelClose quitting\nquit returned\n"
                               "KeyDown q\nCancelClose quitting\n" +
                               kClosing + "quit returned\nRuntimeRun returned\n");
}

TEST_F(WindowImage, ATerminationSignalClosesTheWindowsThatARefusalKept) {
  Start("", "Window App");
  app->Signal(SIGTERM);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), std::string(kOpening) + "CancelClose quitting\n" + kClosing);
}

TEST_F(WindowImage, WithoutAutoQuitTheProgramOutlivesItsLastWindow) {
  Start("stay", "Window Stays");
  qvtest::RunXTool(gui, {"wmctrl", "-c", "Window Stays"});
  ASSERT_TRUE(app->WaitForOutput("Close\n"));
  ASSERT_TRUE(gui.WaitUntilClosed(xid));
  gui.PumpUntil([] { return false; }, 700);  // time for passes that must not quit
  app->Signal(SIGTERM);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), std::string(kOpening) + "CancelClose\n" + kClosing);
}

}  // namespace
