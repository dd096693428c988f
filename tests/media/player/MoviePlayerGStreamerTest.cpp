// MoviePlayer controls over the stand-in GStreamer (tests/plugins/gstreamer): the stand-in's
// log tells what the player asked of it, the window's pixels what it painted, and the kit's log
// which Play and Stop events reached the compiled handlers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../SoundTestSupport.h"
#include "SimpleControlFixtures.h"
#include "controls/MoviePlayer.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeMedia.h"
#include "core/FieldAccessors.h"
#include "core/LibraryFinder.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/GraphicsClass.h"
#include "graphics/MediaStubs.h"
#include "graphics/MovieClass.h"
#include "support/TempFolder.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

// From gdkx.h, whose X11 names clash with the framework's Window class.
extern "C" unsigned long gdk_x11_drawable_get_xid(GdkDrawable* drawable);

namespace {

std::vector<std::string> Listing(const std::string& core, const std::string& interfaces) {
  return {"/bin/sh", "-c",
          "printf '\\tlibgstreamer.so (libc6) => %s\\n\\tlibgstinterfaces.so (libc6) => %s\\n' "
          "\"$0\" \"$1\"",
          core, interfaces};
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

extern "C" void OnMoviePlay(RuntimeObject* control) {
  qvtest::Kit().log.push_back("Movie.Play");
  if (qvtest::Kit().script) qvtest::Kit().script("Play", control);
}

extern "C" void OnMovieStop(RuntimeObject* control) {
  qvtest::Kit().log.push_back("Movie.Stop");
  if (qvtest::Kit().script) qvtest::Kit().script("Stop", control);
}

class MoviePlayerGStreamer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    setenv("QV_GST_LOG", (folder / "log").c_str(), 1);
    setenv("QV_GST_SINK", (folder / "sink").c_str(), 1);
    SetLibraryListingProgramForTesting(Listing(GST_CORE, GST_INTERFACES));
    ForgetMediaLibrariesForTesting();
    window = kit.OpenAndFocus(gui, "Movies", {}, &xid);
    movieClass = qvtest::Subclass("MoviePlayer", "KitMovie");
    qvtest::SetHandler(movieClass, "Play", reinterpret_cast<void*>(&OnMoviePlay));
    qvtest::SetHandler(movieClass, "Stop", reinterpret_cast<void*>(&OnMovieStop));
  }
  void TearDown() override {
    // The players go with their window, while the library they play through is still bound.
    if (window && AsWindow(window)->mImp) RuntimeCloseWindow(window);
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
    unsetenv("QV_GST_LOG");
    unsetenv("QV_GST_SINK");
  }
  std::string Log() const { return mediatest::ReadFile(folder / "log"); }
  RuntimeObject* AddPlayer(const QV::Rect& bounds, RuntimeObject* movie = nullptr) {
    return qvtest::AddControl(window, movieClass, "Player", bounds, [&](RuntimeObject* o) {
      if (movie) mediaMovieSetter(o, 0, movie);
    });
  }
  // A movie of the stand-in's own form: one colour for milliseconds.
  RuntimeObject* NewMovie(const std::string& name, uint32_t rgb, int milliseconds) {
    char line[64];
    snprintf(line, sizeof(line), "QVMOVIE %06x %d\n", rgb, milliseconds);
    mediatest::WriteFile(folder / name, line);
    return NewMovieWithFile(new FolderItemImpUnix(string((folder / name).c_str())));
  }
  static RuntimeMedia* PaneOf(RuntimeObject* control) {
    return static_cast<RuntimeMedia*>(AsControl(control)->pane);
  }
  static GStreamerMediaPlayer* PlayerOf(RuntimeObject* control) {
    return dynamic_cast<GStreamerMediaPlayer*>(PaneOf(control)->Player());
  }
  bool WaitForLog(const std::string& part, int count = 1) {
    return mediatest::PumpUntil([&] { return Count(Log(), part) >= count; });
  }
  bool Heard(const std::string& entry) {
    return mediatest::PumpUntil([&] {
      for (const std::string& line : kit.log)
        if (line == entry) return true;
      return false;
    });
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* movieClass = nullptr;
  qvtest::TempFolder folder{"qvmovie"};
};

// The movie plays into the drawing area's own X window (its colour shows there), Stop pauses
// and keeps the position, Play resumes there with a seek, and the end raises Stop and forgets
// the position, so the next Play starts from the beginning without a seek.
TEST_F(MoviePlayerGStreamer, PlaysIntoItsAreaResumesAfterStopAndForgetsTheSpotAtTheEnd) {
  RuntimeObject* movie = NewMovie("green clip #1 100%.qvm", 0x20c040, 1800);
  RuntimeObject* player = AddPlayer({20, 20, 100, 140}, movie);
  RuntimeUnlockObject(movie);
  ASSERT_NE(player, nullptr);
  ASSERT_NE(PlayerOf(player), nullptr);
  gchar* uri = g_filename_to_uri((folder / "green clip #1 100%.qvm").c_str(), nullptr, nullptr);
  EXPECT_NE(Log().find(std::string("set play uri ") + uri + "\n"), std::string::npos) << Log();
  g_free(uri);
  EXPECT_EQ(Count(Log(), "state play 4"), 0);  // AutoPlay is off

  RuntimeMediaPlay(player);
  GtkWidget* area = PaneOf(player)->GetWidget();
  const unsigned long areaXid = gdk_x11_drawable_get_xid(area->window);
  ASSERT_TRUE(WaitForLog("xwindow " + std::to_string(areaXid) + "\n")) << Log();
  qvtest::ContentPixels pixels(window);
  const QV::Rect inside = {30, 30, 90, 130};
  EXPECT_TRUE(mediatest::PumpUntil([&] {
    return pixels.Read(inside).CountPixels(0x20c040, 2) == 60 * 100;
  }));

  const gint64 started = g_get_monotonic_time();
  mediatest::PumpUntil([&] { return g_get_monotonic_time() - started >= 1000000; });
  RuntimeMediaStop(player);
  const int64_t saved = PlayerOf(player)->SavedPosition();
  EXPECT_GE(saved, 1000000000);
  EXPECT_LT(saved, 1800000000);
  EXPECT_EQ(Count(Log(), "state play 3"), 1);

  RuntimeMediaPlay(player);
  EXPECT_NE(Log().find("seek play 1 3 5 2 " + std::to_string(saved) + " 0 -1\n"),
            std::string::npos)
      << Log();
  ASSERT_TRUE(Heard("Movie.Stop"));
  EXPECT_EQ(PlayerOf(player)->SavedPosition(), 0);

  const size_t before = Log().size();
  RuntimeMediaPlay(player);
  const std::string after = Log().substr(before);
  EXPECT_EQ(Count(after, "seek"), 0);
  EXPECT_NE(after.find("state play 2\nstate play 4\n"), std::string::npos) << after;
}

// Volume 0..256 maps onto the playbin's 0.0..1.0 and back; what lies beyond is limited. The
// controller kind is stored whatever it is; a movie without a path gives the player nothing;
// a second movie keeps the player.
TEST_F(MoviePlayerGStreamer, VolumeControllerAndMoviesKeepOnePlayer) {
  RuntimeObject* player = AddPlayer({20, 20, 60, 60});
  ASSERT_NE(player, nullptr);
  MediaVolumeSetter(player, 0, 128);
  EXPECT_NE(Log().find("set play volume 0.5\n"), std::string::npos);
  EXPECT_EQ(MediaVolumeGetter(player, 0), 128);
  MediaVolumeSetter(player, 0, 1000);
  EXPECT_EQ(MediaVolumeGetter(player, 0), 256);
  MediaVolumeSetter(player, 0, -4);
  EXPECT_EQ(MediaVolumeGetter(player, 0), 0);

  MediaControllerSetter(player, 0, 3);
  EXPECT_EQ(intGetter(player, offsetof(MoviePlayerObject, controller)), 3);

  MediaPlayer* first = PaneOf(player)->Player();
  RuntimeObject* empty = NewObjectFromDefinition(MovieClassDefinition());
  mediaMovieSetter(player, 0, empty);
  EXPECT_EQ(Count(Log(), " uri "), 0);
  RuntimeUnlockObject(empty);
  RuntimeObject* one = NewMovie("one.qvm", 0xff0000, 500);
  RuntimeObject* two = NewMovie("two.qvm", 0x0000ff, 500);
  mediaMovieSetter(player, 0, one);
  mediaMovieSetter(player, 0, two);
  EXPECT_EQ(PaneOf(player)->Player(), first);
  EXPECT_EQ(Count(Log(), "make playbin play"), 1);
  EXPECT_EQ(Count(Log(), " uri "), 2);
  EXPECT_EQ(objGetter(player, offsetof(MoviePlayerObject, movie)), two);
  RuntimeUnlockObject(two);  // the getter's reference
  RuntimeUnlockObject(one);
  RuntimeUnlockObject(two);
  EXPECT_EQ(mediaControllerWidthGetter(player, 0), 0);
  EXPECT_EQ(mediaMovieControllerGetter(player, 0), 0);
  EXPECT_FALSE(MediaSupportAvailable());
}

// getBoundPart hands out actions whatever the letter case; the Stop action pauses the player
// and the Play action plays it; any other part is nil.
TEST_F(MoviePlayerGStreamer, BoundPartsRunPlayAndStop) {
  RuntimeObject* movie = NewMovie("clip.qvm", 0x112233, 5000);
  RuntimeObject* player = AddPlayer({20, 20, 60, 60}, movie);
  RuntimeUnlockObject(movie);
  RuntimeObject* stop = mediaGetBoundPart(player, string("GETSTOPACTION").Storage());
  RuntimeObject* play = mediaGetBoundPart(player, string("getPlayAction").Storage());
  ASSERT_NE(stop, nullptr);
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(mediaGetBoundPart(player, string("getCheckedAction").Storage()), nullptr);
  EXPECT_EQ(reinterpret_cast<MoviePlayerActionObject*>(stop)->command, kMediaActionStop);
  mediaActionPerformAction(play);
  EXPECT_EQ(Count(Log(), "state play 4"), 1);
  mediaActionPerformAction(stop);
  EXPECT_EQ(Count(Log(), "state play 3"), 1);
  RuntimeUnlockObject(stop);
  RuntimeUnlockObject(play);
}

// Drawn into another Graphics the pane shows its box: (0x2323, 0x2323, 0xFFFF) outlined in
// black, and the Graphics keeps its own fore colour.
TEST_F(MoviePlayerGStreamer, DrawnIntoAGraphicsShowsABlueBoxOutlinedInBlack) {
  RuntimeObject* player = AddPlayer({20, 20, 60, 80});
  ASSERT_NE(player, nullptr);
  qvtest::ContentPixels pixels(window);
  Graphics* native = AsWindow(window)->mImp->NewGraphics();
  native->SetForeColor({0x1000, 0x2000, 0x3000});
  RuntimeObject* g = NewGraphicsObject(native);
  RuntimeControlDrawInto(player, g, 20, 150);
  EXPECT_EQ(native->ForeColor(), (RGBColor16{0x1000, 0x2000, 0x3000}));
  const qvtest::Screenshot shot = pixels.Read({150, 20, 190, 80});
  EXPECT_EQ(shot.CountPixels(0x2323ff, 2), 38 * 58);
  EXPECT_EQ(shot.CountPixels(0x000000, 2), 2 * 60 + 2 * 38);
  RuntimeUnlockObject(g);
}

// A Stop handler that closes the window: the player, its pane and the delegate go while the
// end of the movie is being told, and nothing touches them afterwards.
TEST_F(MoviePlayerGStreamer, AStopHandlerThatClosesTheWindowRunsClean) {
  RuntimeObject* movie = NewMovie("short.qvm", 0x445566, 200);
  RuntimeObject* player = AddPlayer({20, 20, 60, 60}, movie);
  RuntimeUnlockObject(movie);
  ASSERT_NE(player, nullptr);
  RuntimeLockObject(player);
  kit.script = [&](const std::string& event, RuntimeObject*) {
    if (event == "Stop") RuntimeCloseWindow(window);
  };
  RuntimeMediaPlay(player);
  ASSERT_TRUE(Heard("Movie.Stop"));
  EXPECT_TRUE(mediatest::PumpUntil([&] { return AsControl(player)->pane == nullptr; }));
  EXPECT_TRUE(WaitForLog("finalize play"));
  RuntimeMediaPlay(player);  // without a pane: nothing
  RuntimeUnlockObject(player);
}

}  // namespace

namespace {

// With neither GStreamer nor libxine the player is an inert xine player: it says so once,
// plays nothing and reads volume 0, and the control's members all run.
TEST(MoviePlayerWithoutLibraries, StaysSilent) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  SetLibraryListingProgramForTesting({"/bin/true"});
  ForgetMediaLibrariesForTesting();
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = kit.OpenAndFocus(gui, "No media", {}, &xid);
  qvtest::TempFolder folder("qvnomedia");
  mediatest::WriteFile(folder / "clip.qvm", "QVMOVIE ff0000 100\n");
  RuntimeObject* movie =
      NewMovieWithFile(new FolderItemImpUnix(string((folder / "clip.qvm").c_str())));
  testing::internal::CaptureStdout();
  RuntimeObject* player = qvtest::AddControl(
      window, qvtest::Subclass("MoviePlayer", "KitSilentMovie"), "Player", {20, 20, 60, 60},
      [&](RuntimeObject* o) {
        boolSetter(o, offsetof(MoviePlayerObject, autoPlay), 1);
        mediaMovieSetter(o, 0, movie);
      });
  const std::string said = testing::internal::GetCapturedStdout();
  RuntimeUnlockObject(movie);
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(said, "Cannot find libxine\n");
  auto* pane = static_cast<RuntimeMedia*>(AsControl(player)->pane);
  ASSERT_NE(dynamic_cast<XineMediaPlayer*>(pane->Player()), nullptr);
  RuntimeMediaPlay(player);
  RuntimeMediaStop(player);
  MediaVolumeSetter(player, 0, 200);
  EXPECT_EQ(MediaVolumeGetter(player, 0), 0);
  EXPECT_FALSE(dynamic_cast<XineMediaPlayer*>(pane->Player())->IsWaitingForPlacement());
  RuntimeCloseWindow(window);
  SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
  ForgetMediaLibrariesForTesting();
}

}  // namespace
