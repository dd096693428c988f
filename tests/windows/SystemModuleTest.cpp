// The System module's members that read the screen, against the real X server: the pointer after
// xdotool moves it and presses its button, the screen's pixels after xsetroot paints the root
// window and off the screen, zeros without a display; the module objects each read makes; and
// the window-frame theme's seam.
#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "app/SystemServices.h"
#include "graphics/PictureClass.h"
#include "net/NetworkClasses.h"
#include "support/ScopedNoDisplay.h"
#include "support/TestSupport.h"
#include "windows/CursorsModule.h"
#include "windows/SystemModule.h"

namespace {

class SystemModule : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    system = getSystemObject();
    ASSERT_NE(system, nullptr);
  }
  void TearDown() override { RuntimeUnlockObject(system); }
  void XTool(const std::vector<std::string>& argv) { qvtest::RunXTool(gui, argv); }
  qvtest::GuiDriver gui;
  RuntimeObject* system = nullptr;
};

TEST_F(SystemModule, ThePointerIsWhereXdotoolPutItAndItsButtonIsSeen) {
  XTool({"xdotool", "mousemove", "123", "234"});
  EXPECT_EQ(getMouseX(system, 0), 123);
  EXPECT_EQ(getMouseY(system, 0), 234);
  EXPECT_EQ(getMouseDown(system, 0), 0);
  XTool({"xdotool", "mousedown", "1"});
  EXPECT_EQ(getMouseDown(system, 0), 1);
  XTool({"xdotool", "mouseup", "1"});
  EXPECT_EQ(getMouseDown(system, 0), 0);
  XTool({"xdotool", "mousedown", "3"});
  EXPECT_EQ(getMouseDown(system, 0), 0) << "the first button only";
  XTool({"xdotool", "mouseup", "3"});
  // The third button on the desktop opened the window manager's menu, whose grab would keep
  // every later window of the process from the focus. The key is for that menu, not for a
  // window whose focus the driver could confirm.
  std::string output;
  EXPECT_EQ(qvtest::RunProgram({"xdotool", "key", "Escape"}, &output), 0) << output;
}

TEST_F(SystemModule, PixelReadsTheScreenAndNothingOffIt) {
  std::string output;
  ASSERT_EQ(qvtest::RunProgram({"xsetroot", "-solid", "#1a2b3c"}, &output), 0)
      << "xsetroot (x11-xserver-utils): " << output;
  gui.Settle();
  EXPECT_EQ(systemPixel(system, 3, 3), 0x1A2B3Cu);
  EXPECT_EQ(systemPixel(system, 1279, 1023), 0x1A2B3Cu);
  ASSERT_EQ(qvtest::RunProgram({"xsetroot", "-solid", "#fedcba"}, &output), 0) << output;
  gui.Settle();
  EXPECT_EQ(systemPixel(system, 3, 3), 0xFEDCBAu);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {1280, 0}, {0, 1024}, {100000, 100000}}) {
    EXPECT_EQ(systemPixel(system, x, y), 0u) << x << "," << y;
  }
}

// Network and Quicktime make a new object on every read; Cursors is one shared object.
TEST_F(SystemModule, ModuleReadsMakeNewObjectsExceptTheSharedCursors) {
  RuntimeObject* network[2] = {SystemGetNetwork(system, 0), SystemGetNetwork(system, 0)};
  RuntimeObject* quicktime[2] = {systemGetQTInstallStatus(system, 0),
                                 systemGetQTInstallStatus(system, 0)};
  RuntimeObject* cursors[2] = {GetCursorsClass(system, 0), GetCursorsClass(system, 0)};
  RuntimeObject* systems[2] = {getSystemObject(), getSystemObject()};
  EXPECT_NE(network[0], network[1]);
  EXPECT_NE(quicktime[0], quicktime[1]);
  EXPECT_EQ(cursors[0], cursors[1]);
  EXPECT_NE(systems[0], systems[1]);
  EXPECT_EQ(QTInstalledGetter(quicktime[0], 0), 0);
  for (auto pair : {network, quicktime, cursors, systems}) {
    RuntimeUnlockObject(pair[0]);
    RuntimeUnlockObject(pair[1]);
  }
}

// Without a display (a console application) the pointer and Pixel answer zeros and never call
// GDK, which would abort without one.
TEST(SystemModuleDeathTest, WithoutADisplayThePointerAndPixelAnswerZeros) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  auto run = [] {
    if (qvtest::HaveDisplay()) std::_Exit(2);
    RuntimeObject* system = getSystemObject();
    const bool zeros = getMouseX(system, 0) == 0 && getMouseY(system, 0) == 0 &&
                       getMouseDown(system, 0) == 0 && systemPixel(system, 0, 0) == 0;
    std::_Exit(zeros ? 0 : 1);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// The theme sees the frame type it knows (3 for both floating kinds, 0 for the others) and the
// request as given; its frame comes back as a new Picture, its borders through the ByRef
// parameters. Without a theme: nil and zeros.
std::vector<std::string> gThemeCalls;

GdkPixbuf* DrawFrame(const WindowFrameRequest& request) {
  gThemeCalls.push_back(std::string(request.title.CString()) + " " +
                        std::to_string(request.frameType));
  return request.width > 0 ? gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, request.width, 9)
                           : nullptr;
}

bool FrameBorders(int32_t frameType, WindowFrameBorders* borders) {
  gThemeCalls.push_back("borders " + std::to_string(frameType));
  *borders = {22 + frameType, 4, 6, 5};
  return true;
}

TEST_F(SystemModule, WindowFramesComeFromTheThemeThroughItsSeam) {
  auto draw = [&](int32_t width, int32_t frameType) {
    return SystemDrawWindow(system, string("T").Storage(), width, 30, frameType, 1, 0, 1, 0,
                            nullptr, 0, 0xFF0000);
  };
  auto metrics = [&](int32_t frameType) {
    int32_t caption = 7, width = 7, height = 7;
    SystemGetWindowMetrics(system, frameType, &caption, &width, &height);
    return std::vector<int32_t>{caption, width, height};
  };
  EXPECT_EQ(draw(40, 0), nullptr);
  EXPECT_EQ(metrics(0), std::vector<int32_t>({0, 0, 0}));
  SetWindowFrameTheme({.drawFrame = &DrawFrame, .frameBorders = &FrameBorders});
  for (int32_t frameType : {0, 3, 7, 5}) {
    RuntimeObject* picture = draw(40, frameType);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(PictureImage(picture)), 40);
    RuntimeUnlockObject(picture);
  }
  EXPECT_EQ(draw(0, 7), nullptr) << "a frame the theme cannot draw";
  EXPECT_EQ(metrics(7), std::vector<int32_t>({25, 4, 6}));
  SetWindowFrameTheme({});
  EXPECT_EQ(gThemeCalls, (std::vector<std::string>{"T 0", "T 3", "T 3", "T 0", "T 3",
                                                   "borders 3"}));
}

}  // namespace
