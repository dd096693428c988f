// The packed menus application (tests/images/menus/menuapp.c) run as a program of its own and
// worked as a person would: its menu bar built by compiled code, items chosen with clicks and
// shortcut keys, a disabled item that runs nothing, an item that only the window's
// EnableMenuItems enables, a right click that opens the rows a handler appended, and Quit.
#include <gtest/gtest.h>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != text.npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class MenuImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{.program = MENUAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Activate\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Menu App");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
    area = gui.Area(xid);
  }
  // Opens the File menu with a click on its title, at the left end of the menu bar.
  qvtest::XWindow OpenFile() {
    gui.Click(area.x + 16, area.y + 10);
    return gui.WaitForOpenMenu();
  }
  // Output is read as it comes; the program writes a line at a time.
  bool Says(const std::string& text) { return app->WaitForOutput(text); }
  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
  qvtest::ScreenArea area;
};

TEST_F(MenuImage, ItemsRunByClickAndShortcutAndQuitEndsTheProgram) {
  qvtest::XWindow file = OpenFile();
  ASSERT_NE(file, 0u);
  EXPECT_TRUE(Says("EnableMenuItems\n")) << "the pass runs before the menu opens";
  // A starved program may pause between painting one row and the next.
  ASSERT_TRUE(gui.PumpUntil([&] { return gui.MenuRows(file).size() == 5u; }, 5000))
      << gui.MenuRows(file).size() << " rows, not New, Save, Revert, the separator, Quit";
  gui.ClickMenuRow(file, 0);
  ASSERT_TRUE(Says("New.Action\n")) << app->Output();
  ASSERT_TRUE(gui.WaitForMenuClosed(file));

  ASSERT_TRUE(gui.WaitForFocus(xid));
  gui.Key("ctrl+s");
  ASSERT_TRUE(Says("Save.Action\n"));
  gui.Key("ctrl+r");
  file = OpenFile();
  ASSERT_NE(file, 0u);
  gui.ClickMenuRow(file, 2);  // Revert: disabled, the menu stays
  gui.Key("Escape");
  ASSERT_TRUE(gui.WaitForMenuClosed(file));

  // The Edit menu, one to the right: Paste is enabled only by the window's EnableMenuItems.
  file = OpenFile();
  ASSERT_NE(file, 0u);
  gui.Key("Right");
  const qvtest::XWindow edit = gui.WaitForOpenMenu(file);
  ASSERT_NE(edit, 0u);
  gui.ClickMenuRow(edit, 0);
  ASSERT_TRUE(Says("Paste.Action\n")) << app->Output();
  ASSERT_TRUE(gui.WaitForMenuClosed(edit));

  file = OpenFile();
  ASSERT_NE(file, 0u);
  gui.ClickMenuRow(file, 4);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  const std::string& output = app->Output();
  EXPECT_EQ(Count(output, "Save.Action"), 1) << "not again through GTK's accelerator";
  EXPECT_EQ(Count(output, "Revert"), 0) << output;
  EXPECT_EQ(output.find("Quit"), output.npos) << "QuitMenuItem's own Action quits";
  EXPECT_LT(output.find("EnableMenuItems"), output.find("Paste.Action"));
  EXPECT_NE(output.find("RuntimeRun returned"), output.npos) << output;
}

TEST_F(MenuImage, ARightClickOpensTheRowsTheControlsHandlerAppended) {
  // The button lies at (20, 20) to (120, 50) below the menu bar, which is 20 to 30 high.
  gui.Click(area.x + 70, area.y + 60, 3);
  const qvtest::XWindow menu = gui.WaitForOpenMenu();
  ASSERT_NE(menu, 0u);
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.MenuRows(menu).size() == 2u; }, 5000))
      << gui.MenuRows(menu).size() << " rows, not Alpha and Beta";
  gui.ClickMenuRow(menu, 1);
  ASSERT_TRUE(Says("ContextualMenuAction Beta\n")) << app->Output();
  ASSERT_TRUE(gui.WaitForFocus(xid)) << "the menu is gone";
  gui.Close(xid);
  EXPECT_TRUE(qvtest::ExitedWith(app->Finish(), 0)) << app->Errors();
}

}  // namespace
