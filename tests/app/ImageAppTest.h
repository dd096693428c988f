// For tests that run a packed test application as a program of its own and work its window
// with xdotool: the program started and its window waited for until it has the focus, xdotool
// runs, and clicks at points of the window's content.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace qvtest {

class ImageAppTest : public testing::Test {
 protected:
  // Starts the program, waits until it printed firstOutput (unless empty), then until its
  // window titled title is there and has the focus. Call it last in SetUp: it skips without
  // a display and stops at the first failure.
  void Start(const SpawnOptions& options, const std::string& title,
             const std::string& firstOutput = "") {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<SpawnedProcess>(options);
    if (!firstOutput.empty()) {
      ASSERT_TRUE(app->WaitForOutput(firstOutput)) << app->Output() << app->Errors();
    }
    xid = gui.WaitForWindow(title);
    ASSERT_NE(xid, 0u) << app->Errors();
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  void XDoTool(const std::vector<std::string>& arguments) { gui.XDoTool(arguments); }
  // (x, y) of the window's content on the screen, as xdotool takes them.
  std::vector<std::string> At(int x, int y) {
    const ScreenArea area = gui.Area(xid);
    return {std::to_string(area.x + x), std::to_string(area.y + y)};
  }
  // Clicks the window's content at (x, y).
  void ClickAt(int x, int y) {
    const std::vector<std::string> at = At(x, y);
    XDoTool({"mousemove", at[0], at[1], "click", "1"});
  }

  GuiDriver gui;
  std::unique_ptr<SpawnedProcess> app;
  XWindow xid = 0;
};

}  // namespace qvtest
