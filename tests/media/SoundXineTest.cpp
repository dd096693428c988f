// Sounds through the installed libxine, whose ALSA output goes to a file: HOME is a folder of
// the test whose .asoundrc makes the default PCM a file PCM over null, and whose .xine/config
// picks the ALSA driver and that PCM.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "SoundTestSupport.h"
#include "core/LibraryFinder.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/SoundImp.h"
#include "support/TempFolder.h"

namespace {

std::vector<int16_t> Tone(size_t frames) {
  std::vector<int16_t> samples(2 * frames);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = int16_t((i * 977) % 20000 - 10000);
    if (samples[i] == 0) samples[i] = 1;
  }
  return samples;
}

// A WAV of the tone followed by a quiet tail: over the untimed null PCM the output's last
// buffers are dropped when the stream closes, so the tail carries that loss, not the tone.
std::string WavWithTail(const std::vector<int16_t>& tone) {
  std::vector<int16_t> samples = tone;
  samples.resize(tone.size() + 2 * 22050, 1);
  return mediatest::Wav16(samples, 2, 44100);
}

class SoundXine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home = new qvtest::TempFolder("qvxine");
    mediatest::WriteFile(*home / ".asoundrc",
                         "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" +
                             (*home / "pcm.raw") + "\"\n format \"raw\"\n}\n");
    mkdir((*home / ".xine").c_str(), 0700);
    mediatest::WriteFile(*home / ".xine/config",
                         "audio.driver:alsa\n"
                         "audio.device.alsa_default_device:default\n"
                         "audio.device.alsa_front_device:default\n");
    const char* old = getenv("HOME");
    oldHome = old ? old : "";
    setenv("HOME", home->path().c_str(), 1);
  }
  static void TearDownTestSuite() {
    setenv("HOME", oldHome.c_str(), 1);
    delete home;
    home = nullptr;
  }
  void SetUp() override {
    ForgetMediaLibrariesForTesting();
    SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libxine"});
    if (!LoadXine()) GTEST_SKIP() << "libxine is not installed";
  }
  void TearDown() override {
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
  }
  // Plays the sound at path to its end; what reached the PCM.
  std::string PlayToEnd(SoundImpXine& sound) {
    sound.Play();
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_TRUE(mediatest::PumpUntil([&] { return !sound.IsPlaying(); }));
    return mediatest::AudibleSamples(*home / "pcm.raw");
  }

  static qvtest::TempFolder* home;
  static std::string oldHome;
};
qvtest::TempFolder* SoundXine::home = nullptr;
std::string SoundXine::oldHome;

FolderItemImp* Item(const std::string& path) { return new FolderItemImpUnix(string(path.c_str())); }

// The WAV's frames reach the PCM; after Stop the sound plays again with a stream made anew.
TEST_F(SoundXine, FramesReachThePcmAndPlayAgainAfterStop) {
  const std::vector<int16_t> samples = Tone(8000);
  const std::string bytes = mediatest::SampleBytes(samples);
  mediatest::WriteFile(*home / "t.wav", WavWithTail(samples));
  SoundImpXine sound;
  sound.SetData(Item(*home / "t.wav"), 0);
  EXPECT_NE(PlayToEnd(sound).find(bytes), std::string::npos);
  sound.Play();
  sound.Stop();
  EXPECT_FALSE(sound.IsPlaying());
  unlink((*home / "pcm.raw").c_str());
  EXPECT_NE(PlayToEnd(sound).find(bytes), std::string::npos);
}

// Names holding blanks, "#" and "%" reach the file they name.
TEST_F(SoundXine, NamesWithBlanksHashAndPercentPlay) {
  const std::vector<int16_t> samples = Tone(4000);
  const std::string bytes = mediatest::SampleBytes(samples);
  for (const std::string name : {"a b.wav", "c#1.wav", "d%41.wav"}) {
    mediatest::WriteFile(*home / name, WavWithTail(samples));
    SoundImpXine sound;
    sound.SetData(Item(*home / name), 0);
    unlink((*home / "pcm.raw").c_str());
    EXPECT_NE(PlayToEnd(sound).find(bytes), std::string::npos) << name;
  }
}

}  // namespace
