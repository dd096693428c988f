// The packed popup application (tests/images/controls/popupapp.c) run as a program of its own
// and worked with xdotool: clicks open the popup menu's list and choose rows, the keyboard
// chooses one too; the combo box's button and list, Down in its entry and typing reach the
// compiled Change, TextChanged and KeyDown handlers; then 10,000 rows are added to each list
// and read back.
#include <gtest/gtest.h>

#include <memory>

#include "ImageAppTest.h"

namespace {

class PopupImage : public qvtest::ImageAppTest {
 protected:
  void SetUp() override { Start({.program = POPUPAPP_EXE}, "Popups", "Activate\n"); }
  // Waits for a list window of the program to open; a menu's five rows are told apart.
  qvtest::XWindow WaitForList(bool menu = true) {
    const qvtest::XWindow list = gui.WaitForOpenMenu();
    EXPECT_NE(list, 0u) << app->Output() << app->Errors();
    if (!list || !menu) return list;
    EXPECT_TRUE(gui.PumpUntil([&] { return gui.MenuRows(list).size() >= 5; }))
        << "the open list shows its rows";
    return list;
  }
  // A click on row of the combo's drop-down list: five rows of one height inside a frame.
  void ClickComboRow(qvtest::XWindow list, int row) {
    const qvtest::ScreenArea area = gui.Area(list);
    const int rowHeight = (area.height - 4) / 5;
    gui.Click(area.x + area.width / 2, area.y + 2 + row * rowHeight + rowHeight / 2);
  }
  // Appends lines to the output expected so far and waits for all of it.
  void Expect(const std::string& lines) {
    expected += lines;
    ASSERT_TRUE(app->WaitForOutput(expected)) << app->Output();
  }
  std::string expected = "Activate\n";
};

TEST_F(PopupImage, ClicksKeysAndTypingReachTheCompiledHandlers) {
  // The popup menu: a click opens its list; Down and Return choose the next row.
  ClickAt(95, 32);
  qvtest::XWindow list = WaitForList();
  ASSERT_NE(list, 0u);
  XDoTool({"key", "Down", "Return"});
  Expect("Popup.Change 1 Pear\n");
  ASSERT_TRUE(gui.WaitForMenuClosed(list));
  // Opened again, a click chooses row 3.
  ClickAt(95, 32);
  list = WaitForList();
  ASSERT_NE(list, 0u);
  gui.ClickMenuRow(list, 3);
  Expect("Popup.Change 3 Fig\n");
  ASSERT_TRUE(gui.WaitForMenuClosed(list));

  // The combo box: its button opens the list, a click on a row chooses it.
  ClickAt(160, 83);
  list = WaitForList(false);
  ASSERT_NE(list, 0u);
  ClickComboRow(list, 2);
  Expect("Combo.Change 2 Plum\nCombo.TextChanged Plum\n");
  ASSERT_TRUE(gui.WaitForMenuClosed(list));
  // Down in the entry takes the next row (KeyDown hears the key first: code 31).
  ClickAt(60, 83);
  XDoTool({"key", "Down"});
  Expect("Combo.KeyDown 31\nCombo.Change 3 Fig\nCombo.TextChanged Fig\n");
  // Emptied, then "pear" typed: four TextChanged and one Change, for row 1.
  XDoTool({"key", "End", "BackSpace", "BackSpace", "BackSpace"});
  Expect("Combo.KeyDown 4\nCombo.KeyDown 8\nCombo.TextChanged Fi\nCombo.KeyDown 8\n"
         "Combo.TextChanged F\nCombo.KeyDown 8\nCombo.TextChanged \n");
  XDoTool({"type", "pear"});
  Expect("Combo.KeyDown 112\nCombo.TextChanged p\nCombo.KeyDown 101\nCombo.TextChanged pe\n"
         "Combo.KeyDown 97\nCombo.TextChanged pea\nCombo.KeyDown 114\nCombo.Change 1 pear\n"
         "Combo.TextChanged pear\n");

  // Done: 10,000 rows more in each list, every one read back as added.
  ClickAt(240, 165);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), expected +
                               "Popup.ListCount 10005\nPopup.Differing 0\n"
                               "Combo.ListCount 10005\nCombo.Differing 0\nRuntimeRun returned\n");
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
