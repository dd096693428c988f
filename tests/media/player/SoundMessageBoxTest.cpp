// After a Sound has loaded its library, a message box shown from a timer and answered from
// the keyboard leaves the application handling input: the next click reaches its button.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "ControlFixtures.h"
#include "../SoundTestSupport.h"
#include "controls/MessageBox.h"
#include "core/LibraryFinder.h"
#include "graphics/SoundClass.h"
#include "graphics/SoundImp.h"
#include "support/TempFolder.h"
#include "windows/SubPane.h"

namespace {

bool Heard(const std::string& entry) {
  return mediatest::PumpUntil([&] {
    for (const std::string& line : qvtest::Kit().log)
      if (line == entry) return true;
    return false;
  });
}

TEST(SoundThenMessageBox, TheNextClickIsStillHandled) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::TempFolder home("qvboxhome");
  mediatest::WriteFile(home / ".asoundrc",
                       "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" +
                           (home / "pcm.raw") + "\"\n format \"raw\"\n}\n");
  mkdir((home / ".xine").c_str(), 0700);
  mediatest::WriteFile(home / ".xine/config", "audio.driver:alsa\n");
  const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", home.path().c_str(), 1);
  ForgetMediaLibrariesForTesting();
  SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libxine"});
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window =
      kit.OpenAndFocus(gui, "After the sound", {{.name = "Go", .bounds = {20, 20, 50, 120}}}, &xid);
  ASSERT_NE(window, nullptr);
  SoundImp* sound = CreateSoundImp();  // loads the sound library, as a Sound does
  ASSERT_NE(sound, nullptr);

  // The timer shows the box; the step that answers it is handed to the box's modal loop.
  static bool answered;
  answered = false;
  g_timeout_add(20, [](gpointer data) -> gboolean {
    qvtest::GuiDriver& driver = *static_cast<qvtest::GuiDriver*>(data);
    driver.Meanwhile([&driver] {
      const qvtest::XWindow box = driver.WaitForWindow("Question");
      ASSERT_TRUE(box);
      ASSERT_TRUE(driver.WaitForFocus(box));
      driver.Key("Return");
    });
    VB_RuntimeMsgBox(string("Go on?").Storage(), 0, string("Question").Storage());
    answered = true;
    return FALSE;
  }, &gui);
  ASSERT_TRUE(mediatest::PumpUntil([] { return answered; }));
  EXPECT_TRUE(gui.StepsDone());

  ASSERT_TRUE(gui.WaitForFocus(xid));
  RuntimeObject* button = qvtest::ControlKit::Control(window, "Go");
  ASSERT_NE(button, nullptr);
  gui.Click(AsControl(button)->pane->GetWidget());
  EXPECT_TRUE(Heard("Go.Action"));
  delete sound;
  SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
  ForgetMediaLibrariesForTesting();
  setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
