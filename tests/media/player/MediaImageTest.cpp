// The packed media application run as a program: its 'WAVE' resource plays, then its movie
// plays in a MoviePlayer, whose compiled Stop handler prints a line and quits. Once through
// the installed libxine (the sound lands in a file PCM, the movie's red frames on the screen)
// and once through the stand-in GStreamer (the sound in its sink file, its green on the screen).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "../SoundTestSupport.h"
#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

// The sample data of the WAV the application carries.
std::string WavData() {
  const std::string wav = mediatest::ReadFile(std::string(MEDIA_FILES_DIR) + "/tone.wav");
  return wav.size() > 44 ? wav.substr(44) : std::string();
}

// The tone alone: the sound's first two seconds' worth of stereo frames, before its quiet tail.
std::string Tone() { return WavData().substr(0, 2 * 8000 * 2); }

class MediaImage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  // Runs program with environment until its Stop handler quits it; the movie's window must
  // show colour while it plays.
  void RunUntilStop(const std::string& program, const std::vector<std::string>& environment,
                    uint32_t colour) {
    qvtest::SpawnedProcess app({.program = program, .environment = environment});
    const qvtest::XWindow window = gui.WaitForWindow("Movies");
    ASSERT_TRUE(window) << app.Errors();
    bool shown = false;
    const gint64 deadline =
        g_get_monotonic_time() + 20 * qvtest::SlowRunFactor() * G_USEC_PER_SEC;
    while (!shown && g_get_monotonic_time() < deadline) {
      const qvtest::ScreenArea frame = gui.Area(window);
      const qvtest::Screenshot shot =
          gui.Capture({frame.x + 60, frame.y + 50, 80, 60});  // inside the player
      shown = shot.CountPixels(colour, 40) == 80 * 60;
      if (!shown) g_usleep(20000);
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(app.WaitForOutput("Movie.Stop\n")) << app.Output() << app.Errors();
    EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
    EXPECT_NE(app.Output().find("Sound.Play\n"), std::string::npos) << app.Output();
  }

  qvtest::GuiDriver gui;
  qvtest::TempFolder home{"qvmediaapp"};
};

TEST_F(MediaImage, PlaysItsSoundAndMovieThroughXine) {
  mediatest::WriteFile(home / ".asoundrc",
                       "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" +
                           (home / "pcm.raw") + "\"\n format \"raw\"\n}\n");
  mkdir((home / ".xine").c_str(), 0700);
  mediatest::WriteFile(home / ".xine/config",
                       "video.driver:xshm\naudio.driver:alsa\n"
                       "audio.device.alsa_default_device:default\n");
  RunUntilStop(MEDIA_XINEAPP_EXE, {"HOME=" + home.path()}, 0xff0000);
  EXPECT_NE(mediatest::AudibleSamples(home / "pcm.raw").find(Tone()), std::string::npos);
}

TEST_F(MediaImage, PlaysItsSoundAndMovieThroughTheStandInGStreamer) {
  const std::string core = GST_CORE;
  const std::string interfaces = GST_INTERFACES;
  const std::string path = core.substr(0, core.rfind('/')) + ":" +
                           interfaces.substr(0, interfaces.rfind('/'));
  RunUntilStop(MEDIA_GSTAPP_EXE,
               {"LD_LIBRARY_PATH=" + path, "QV_GST_SINK=" + (home / "sink"),
                "QV_GST_LOG=" + (home / "log"), "HOME=" + home.path()},
               0x20c040);
  EXPECT_EQ(mediatest::ReadFile(home / "sink"), WavData());
}

}  // namespace
