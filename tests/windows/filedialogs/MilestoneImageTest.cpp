// A packed image shows a MessageDialog with three buttons, then a SaveAsDialog, from compiled
// code. The alternate button is clicked, a name typed and Return pressed as a person would; the
// image prints the answer's caption and the chosen path and ends normally.
#include <gtest/gtest.h>

#include <filesystem>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"

namespace {

TEST(MilestoneImage, TheAlternateAnswerAndTheTypedNameComeBackThroughTheConsole) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::TempFolder folder("qvmilestone");
  const std::string name = "Milestone \xC3\xA9t\xC3\xA9.txt";
  qvtest::SpawnedProcess app(
      {.program = MILESTONEAPP_EXE, .environment = {"SAVEAPP_FOLDER=" + folder.path()}});
  const qvtest::XWindow question = gui.WaitForWindow("Milestone question");
  ASSERT_TRUE(question);
  ASSERT_TRUE(gui.WaitForFocus(question));
  // Three buttons of the least width, 8 apart and centred: the alternate one, in the middle,
  // sits on the window's centre line, in the row 41 to 12 pixels above the bottom.
  const qvtest::ScreenArea area = gui.Area(question);
  gui.Click(area.x + area.width / 2, area.y + area.height - 26);
  ASSERT_TRUE(app.WaitForOutput("\n")) << app.Errors();
  EXPECT_EQ(app.Output(), "Skip\n");
  const qvtest::XWindow dialog = gui.WaitForWindow("Save the milestone");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui.WaitForFocus(dialog));
  gui.Type(name);
  gui.Key("Return");
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), "Skip\n" + (folder / name) + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder / name));  // chosen, not written
}

}  // namespace
