// Sounds through the stand-in GStreamer (tests/plugins/gstreamer), found through the library
// finder's listing; its log tells what the framework asked of it and its sink file what played.
#include <gtest/gtest.h>

#include <glib.h>

#include <cstdlib>

#include "SoundTestSupport.h"
#include "core/LibraryFinder.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/SoundClass.h"
#include "graphics/SoundImp.h"
#include "support/TempFolder.h"

namespace {

// A listing program that names the two libraries at the given paths.
std::vector<std::string> Listing(const std::string& core, const std::string& interfaces) {
  return {"/bin/sh", "-c",
          "printf '\\tlibgstreamer.so (libc6) => %s\\n\\tlibgstinterfaces.so (libc6) => %s\\n' "
          "\"$0\" \"$1\"",
          core, interfaces};
}

int Count(const std::string& text, const std::string& line) {
  int count = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
    ++count;
  return count;
}

class SoundGStreamer : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QV_GST_LOG", (folder / "log").c_str(), 1);
    setenv("QV_GST_SINK", (folder / "sink").c_str(), 1);
    SetLibraryListingProgramForTesting(Listing(GST_CORE, GST_INTERFACES));
    ForgetMediaLibrariesForTesting();
  }
  void TearDown() override {
    // Ends that the stand-in still has queued for this test's elements land in its own log.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
    unsetenv("QV_GST_LOG");
    unsetenv("QV_GST_SINK");
  }
  std::string Log() const { return mediatest::ReadFile(folder / "log"); }
  std::string Sink() const { return mediatest::ReadFile(folder / "sink"); }
  RuntimeObject* NewSound(const std::string& name, const std::vector<int16_t>& samples) {
    mediatest::WriteFile(folder / name, mediatest::Wav16(samples, 1, 8000));
    return NewSoundWithData(new FolderItemImpUnix(string((folder / name).c_str())), 0);
  }

  qvtest::TempFolder folder{"qvgst"};
};

// A library that lacks one of the names counts as absent.
TEST_F(SoundGStreamer, AStandInLackingOneNameIsAbsent) {
  SetLibraryListingProgramForTesting(Listing(GST_CORE, GST_INTERFACES_SHORT));
  ForgetMediaLibrariesForTesting();
  EXPECT_FALSE(LoadGStreamer());
}

// The playbin is made with its ALSA sink; the file's URI is escaped; volume 0..100 maps onto
// 0.0..1.0; the end of the stream brings the playbin to rest.
TEST_F(SoundGStreamer, PlaysTheEscapedUriAtItsVolume) {
  ASSERT_TRUE(LoadGStreamer());
  const std::vector<int16_t> samples = {1, -2, 300, -4000, 5};
  RuntimeObject* sound = NewSound("a #%b.wav", samples);
  ASSERT_NE(sound, nullptr);
  ASSERT_NE(dynamic_cast<SoundImpGStreamer*>(SoundBackEnd(sound)), nullptr);
  SoundVolumeSetter(sound, 0, 50);
  soundPlay(sound);
  EXPECT_EQ(soundIsPlaying(sound), 1);
  ASSERT_TRUE(mediatest::PumpUntil([&] { return soundIsPlaying(sound) == 0; }));
  const std::string log = Log();
  EXPECT_NE(log.find("make playbin play\nmake alsasink audio-sink\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set play audio-sink audio-sink\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set play volume 0.5\n"), std::string::npos) << log;
  EXPECT_NE(log.find("set play uri file://" + folder.path() + "/a%20%23%25b.wav\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("eos play\nstate play 2\nstate play 1\n"), std::string::npos) << log;
  EXPECT_EQ(Sink(), mediatest::SampleBytes(samples));
  RuntimeUnlockObject(sound);
}

// A looping sound starts again at the end of the stream until Stop brings it to NULL.
TEST_F(SoundGStreamer, LoopingRestartsAtTheEndAndStopReachesNull) {
  ASSERT_TRUE(LoadGStreamer());
  const std::vector<int16_t> samples = {7, 8, 9};
  RuntimeObject* sound = NewSound("l.wav", samples);
  ASSERT_NE(sound, nullptr);
  soundPlayLooping(sound);
  const std::string once = mediatest::SampleBytes(samples);
  ASSERT_TRUE(mediatest::PumpUntil([&] { return Sink().size() >= 3 * once.size(); }));
  EXPECT_EQ(soundIsPlaying(sound), 1);
  soundStop(sound);
  EXPECT_EQ(soundIsPlaying(sound), 0);
  const std::string log = Log();
  EXPECT_NE(log.find("eos play\nstate play 2\nstate play 4\n"), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - std::string("state play 1\n").size()), "state play 1\n");
  EXPECT_EQ(Sink().substr(0, 3 * once.size()), once + once + once);
  RuntimeUnlockObject(sound);
}

// A Play that replaces a playing sound leaves one record: the end of the stream is handled
// once. A Sound released while it plays finishes, then its playbin is freed.
TEST_F(SoundGStreamer, ReplacedAndReleasedSoundsEndOnce) {
  ASSERT_TRUE(LoadGStreamer());
  RuntimeObject* sound = NewSound("r.wav", {1, 2, 3, 4});
  ASSERT_NE(sound, nullptr);
  soundPlay(sound);
  soundPlay(sound);
  EXPECT_EQ(Count(Log(), "add_signal_watch\n"), 1);
  RuntimeUnlockObject(sound);
  EXPECT_EQ(Count(Log(), "finalize play\n"), 0);
  ASSERT_TRUE(mediatest::PumpUntil([&] { return Count(Log(), "finalize play\n") == 1; }))
      << Log();
  const std::string log = Log();
  const std::string end = log.substr(log.rfind("eos play\n"));
  EXPECT_EQ(Count(end, "state play 1\n"), 2) << log;  // the end, then the freeing
  EXPECT_EQ(Count(log, "eos play\n"), 1) << log;
}

}  // namespace
