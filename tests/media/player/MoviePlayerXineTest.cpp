// A MoviePlayer over the installed libxine: a short raw movie (YUV4MPEG2, which the installed
// plugins demultiplex and decode) plays through xine's shared-memory X11 driver into the drawing
// area, and its end raises Stop. HOME is a folder of the test whose .xine/config picks that
// driver and whose .asoundrc sends any sound to a file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "../SoundTestSupport.h"
#include "SimpleControlFixtures.h"
#include "controls/MoviePlayer.h"
#include "controls/RuntimeMedia.h"
#include "core/FieldAccessors.h"
#include "core/LibraryFinder.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/MovieClass.h"
#include "support/TempFolder.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

// From Xlib.h, whose names clash with the framework's Window class.
extern "C" int XInitThreads(void);

namespace {

// xine draws from its own threads on a display of the player's: Xlib's locking must be on
// before GTK opens the first display, as the framework's main does.
[[maybe_unused]] const int gXlibThreads = XInitThreads();

// A movie of frames frames at 10 a second, every pixel of one YUV colour.
std::string Y4M(int width, int height, int frames, uint8_t y, uint8_t u, uint8_t v) {
  std::string movie = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) +
                      " F10:1 Ip A1:1 C420jpeg\n";
  const size_t luma = size_t(width) * height;
  for (int i = 0; i < frames; ++i) {
    movie += "FRAME\n";
    movie.append(luma, char(y));
    movie.append(luma / 4, char(u));
    movie.append(luma / 4, char(v));
  }
  return movie;
}

extern "C" void OnXineMovieStop(RuntimeObject*) { qvtest::Kit().log.push_back("Movie.Stop"); }

class MoviePlayerXine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    mediatest::WriteFile(home / ".asoundrc",
                         "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" +
                             (home / "pcm.raw") + "\"\n format \"raw\"\n}\n");
    mkdir((home / ".xine").c_str(), 0700);
    mediatest::WriteFile(home / ".xine/config",
                         "video.driver:xshm\naudio.driver:alsa\n"
                         "audio.device.alsa_default_device:default\n");
    const char* old = getenv("HOME");
    oldHome = old ? old : "";
    setenv("HOME", home.path().c_str(), 1);
    ForgetMediaLibrariesForTesting();
    SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libxine"});
    if (!LoadXine()) GTEST_SKIP() << "libxine is not installed";
    window = kit.OpenAndFocus(gui, "Xine movies", {}, &xid);
    movieClass = qvtest::Subclass("MoviePlayer", "KitXineMovie");
    qvtest::SetHandler(movieClass, "Stop", reinterpret_cast<void*>(&OnXineMovieStop));
  }
  void TearDown() override {
    // The players go with their window, while the library they play through is still bound.
    if (window && AsWindow(window)->mImp) RuntimeCloseWindow(window);
    setenv("HOME", oldHome.c_str(), 1);
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* movieClass = nullptr;
  qvtest::TempFolder home{"qvxinemovie"};
  std::string oldHome;
};

// AutoPlay asks to play before the area is placed: the player waits for it, then the frames
// show in the area (pure red from Y 76, U 85, V 255) and the end raises Stop.
TEST_F(MoviePlayerXine, FramesShowInTheAreaAndTheEndRaisesStop) {
  mediatest::WriteFile(home / "red clip #1.y4m", Y4M(64, 48, 15, 76, 85, 255));
  RuntimeObject* movie =
      NewMovieWithFile(new FolderItemImpUnix(string((home / "red clip #1.y4m").c_str())));
  RuntimeObject* player =
      qvtest::AddControl(window, movieClass, "Player", {20, 20, 100, 140}, [&](RuntimeObject* o) {
        boolSetter(o, offsetof(MoviePlayerObject, autoPlay), 1);
        mediaMovieSetter(o, 0, movie);
      });
  RuntimeUnlockObject(movie);
  ASSERT_NE(player, nullptr);
  auto* xine = dynamic_cast<XineMediaPlayer*>(
      static_cast<RuntimeMedia*>(AsControl(player)->pane)->Player());
  ASSERT_NE(xine, nullptr);
  qvtest::ContentPixels pixels(window);
  const QV::Rect centre = {40, 50, 80, 110};
  EXPECT_TRUE(mediatest::PumpUntil([&] {
    return pixels.Read(centre).CountPixels(0xff0000, 40) == 40 * 60;
  }));
  EXPECT_TRUE(mediatest::PumpUntil([&] {
    for (const std::string& line : kit.log)
      if (line == "Movie.Stop") return true;
    return false;
  }));
  MediaVolumeSetter(player, 0, 128);
  EXPECT_EQ(MediaVolumeGetter(player, 0), 128);  // amplification 100 and back
}

// A player that is not asked to play makes no engine and opens no audio output (with no sound
// server, probing the outputs once took seconds); the first Play makes them and plays.
TEST_F(MoviePlayerXine, TheEngineAndItsAudioOutputWaitForTheFirstPlay) {
  mediatest::WriteFile(home / "red.y4m", Y4M(64, 48, 10, 76, 85, 255));
  RuntimeObject* movie = NewMovieWithFile(new FolderItemImpUnix(string((home / "red.y4m").c_str())));
  RuntimeObject* player =
      qvtest::AddControl(window, movieClass, "Quiet", {20, 20, 100, 140},
                         [&](RuntimeObject* o) { mediaMovieSetter(o, 0, movie); });
  RuntimeUnlockObject(movie);
  ASSERT_NE(player, nullptr);
  auto* xine = dynamic_cast<XineMediaPlayer*>(
      static_cast<RuntimeMedia*>(AsControl(player)->pane)->Player());
  ASSERT_NE(xine, nullptr);
  gui.Settle();
  EXPECT_FALSE(xine->HasEngine());
  RuntimeMediaPlay(player);
  EXPECT_TRUE(xine->HasEngine());
  EXPECT_TRUE(mediatest::PumpUntil([&] {
    for (const std::string& line : kit.log)
      if (line == "Movie.Stop") return true;
    return false;
  }));
}

}  // namespace
