// A packed image shows a SaveAsDialog from compiled code; a name is typed and Return pressed
// as a person would, and the image prints the chosen path and ends normally.
#include <gtest/gtest.h>

#include <filesystem>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"

namespace {

TEST(SaveImage, TheTypedNameComesBackAsThePathTheImagePrints) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::TempFolder folder("qvsaveapp");
  const std::string name = "Milestone \xC3\xA9t\xC3\xA9.txt";
  qvtest::SpawnedProcess app(
      {.program = SAVEAPP_EXE, .environment = {"SAVEAPP_FOLDER=" + folder.path()}});
  const qvtest::XWindow dialog = gui.WaitForWindow("Save the milestone");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui.WaitForFocus(dialog));
  gui.Type(name);
  gui.Key("Return");
  ASSERT_TRUE(app.WaitForOutput("\n")) << app.Errors();
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), folder / name + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder / name));  // chosen, not written
}

}  // namespace
