// Sounds through the OSS device fed by libsndfile (the installed library), with the devices
// stood in for by files (the samples that reached the device) and a request log (the setup
// and the mixer); and the probing of the three libraries when none can be found.
#include <gtest/gtest.h>

#include <cmath>

#include "SoundTestSupport.h"
#include "core/LibraryFinder.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/SoundClass.h"
#include "graphics/SoundImp.h"
#include "support/TempFolder.h"

namespace {

using mediatest::FakeOSS;

FolderItemImp* Item(const std::string& path) { return new FolderItemImpUnix(string(path.c_str())); }

std::vector<int16_t> Ramp(size_t count, int step) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = int16_t(int(i) * step % 30000 - 15000);
  return samples;
}

// Only libsndfile can be found: sounds take the OSS back end.
class SoundOSS : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libsndfile"});
    ForgetMediaLibrariesForTesting();
    ASSERT_TRUE(LoadSndFile());
  }
  void TearDown() override {
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
  }
  // Plays the sound to its end; the bytes the device received.
  std::string PlayToEnd(SoundImp& sound, const FakeOSS& oss) {
    sound.Play();
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_TRUE(mediatest::PumpUntil([&] { return !sound.IsPlaying(); }));
    return oss.Written();
  }

  qvtest::TempFolder folder{"qvsound"};
};

// The device is set up for signed 16-bit samples of the file's channels and rate, receives the
// samples unchanged and is closed at the end.
TEST_F(SoundOSS, PcmSamplesReachTheDeviceUnchanged) {
  FakeOSS oss(folder.path(), 0);
  const std::vector<int16_t> samples = Ramp(2 * 5000, 37);
  mediatest::WriteFile(folder / "a.wav", mediatest::Wav16(samples, 2, 22050));
  SoundImpUnix sound;
  sound.SetData(Item(folder / "a.wav"), 0);
  EXPECT_EQ(PlayToEnd(sound, oss), mediatest::SampleBytes(samples));
  const std::vector<std::pair<unsigned long, int>> expected = {
      {kDspStereo, 0}, {kDspReset, 0}, {kDspSetFormat, 16}, {kDspChannels, 2},
      {kDspSpeed, 22050}, {kDspSync, 0}};
  EXPECT_EQ(FakeOSS::DspRequests(), expected);
  EXPECT_EQ(DSPUserCount(), 0);
}

// Float samples are scaled so that the peak comes near full scale: 32700 / 0.5 = 65400.
TEST_F(SoundOSS, FloatSamplesAreScaledByTheirPeak) {
  FakeOSS oss(folder.path(), 0);
  std::vector<float> samples(6000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.5f * std::sin(float(i) * 0.01f);
  samples[1234] = -0.5f;
  mediatest::WriteFile(folder / "f.wav", mediatest::WavFloat(samples, 1, 8000));
  std::vector<int16_t> expected;
  for (float sample : samples) expected.push_back(int16_t(double(sample) * 65400.0));
  SoundImpUnix sound;
  sound.SetData(Item(folder / "f.wav"), 0);
  EXPECT_EQ(PlayToEnd(sound, oss), mediatest::SampleBytes(expected));
}

// A sound inside a larger file (as a packed image's resource is read in place) plays from its
// offset to the end of its own data.
TEST_F(SoundOSS, SoundAtAnOffsetInsideALargerFile) {
  FakeOSS oss(folder.path(), 0);
  const std::vector<int16_t> samples = Ramp(3000, 11);
  const std::string before(777, 'x');
  mediatest::WriteFile(folder / "image",
                       before + mediatest::Wav16(samples, 1, 11025) + std::string(500, 'y'));
  SoundImpUnix sound;
  sound.SetData(Item(folder / "image"), uint32_t(before.size()));
  EXPECT_EQ(PlayToEnd(sound, oss), mediatest::SampleBytes(samples));
}

// A looping sound starts again at its first frame until Stop, which closes the device.
TEST_F(SoundOSS, LoopingRestartsAtFrameZero) {
  FakeOSS oss(folder.path(), 0);
  const std::vector<int16_t> samples = Ramp(1500, 5);
  const std::string once = mediatest::SampleBytes(samples);
  mediatest::WriteFile(folder / "l.wav", mediatest::Wav16(samples, 1, 8000));
  SoundImpUnix sound;
  sound.SetData(Item(folder / "l.wav"), 0);
  sound.PlayLooping();
  ASSERT_TRUE(mediatest::PumpUntil([&] { return oss.Written().size() > 2 * once.size(); }));
  EXPECT_TRUE(sound.IsPlaying());
  sound.Stop();
  EXPECT_FALSE(sound.IsPlaying());
  EXPECT_EQ(DSPUserCount(), 0);
  const std::string written = oss.Written();
  EXPECT_EQ(written.substr(0, 2 * once.size()), once + once);
  EXPECT_EQ(written.size() % once.size() % 2, 0u);
}

// The device stays open while a second sound uses it; the last one to end closes it. Stop
// after the end, and a second Stop, release nothing twice.
TEST_F(SoundOSS, SharedDeviceClosesWithItsLastUser) {
  FakeOSS oss(folder.path(), 0);
  mediatest::WriteFile(folder / "long.wav", mediatest::Wav16(Ramp(400000, 3), 1, 8000));
  mediatest::WriteFile(folder / "short.wav", mediatest::Wav16(Ramp(100, 3), 1, 8000));
  SoundImpUnix longSound;
  SoundImpUnix shortSound;
  longSound.SetData(Item(folder / "long.wav"), 0);
  shortSound.SetData(Item(folder / "short.wav"), 0);
  longSound.PlayLooping();
  shortSound.Play();
  EXPECT_EQ(DSPUserCount(), 2);
  ASSERT_TRUE(mediatest::PumpUntil([&] { return !shortSound.IsPlaying(); }));
  EXPECT_EQ(DSPUserCount(), 1);
  EXPECT_TRUE(longSound.IsPlaying());
  shortSound.Stop();
  shortSound.Stop();
  EXPECT_EQ(DSPUserCount(), 1);
  longSound.Stop();
  EXPECT_EQ(DSPUserCount(), 0);
}

// A Play while the sound plays ends the task it replaces; a Sound released while it plays
// lets it finish, and its task frees itself at the end.
TEST_F(SoundOSS, ReplacedAndReleasedSoundsEndOnce) {
  FakeOSS oss(folder.path(), 0);
  const std::vector<int16_t> samples = Ramp(20000, 7);
  mediatest::WriteFile(folder / "r.wav", mediatest::Wav16(samples, 1, 8000));
  RuntimeObject* sound = NewSoundWithData(Item(folder / "r.wav"), 0);
  ASSERT_NE(sound, nullptr);
  ASSERT_NE(dynamic_cast<SoundImpUnix*>(SoundBackEnd(sound)), nullptr);
  soundPlay(sound);
  soundPlay(sound);
  EXPECT_EQ(DSPUserCount(), 1);
  EXPECT_EQ(soundIsPlaying(sound), 1);
  RuntimeUnlockObject(sound);
  ASSERT_TRUE(mediatest::PumpUntil([] { return DSPUserCount() == 0; }));
  const std::string written = oss.Written();
  const std::string all = mediatest::SampleBytes(samples);
  ASSERT_GE(written.size(), all.size());
  EXPECT_EQ(written.substr(written.size() - all.size()), all);
}

// The class clamps volume and pan; the plain back end starts at the mixer's level and writes
// volume and pan to it.
TEST_F(SoundOSS, VolumeAndPanReachTheMixer) {
  FakeOSS oss(folder.path(), 0x8040);  // left 64, right 128
  RuntimeObject* sound = NewObjectFromDefinition(SoundClassDefinition());
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(SoundVolumeGetter(sound, 0), 128 * 100 / 255);
  SoundVolumeSetter(sound, 0, 150);
  EXPECT_EQ(SoundVolumeGetter(sound, 0), 100);
  EXPECT_EQ(FakeOSS::MixerLevels(), 255 + (255 << 8));
  SoundVolumeSetter(sound, 0, -5);
  EXPECT_EQ(SoundVolumeGetter(sound, 0), 0);
  EXPECT_EQ(FakeOSS::MixerLevels(), 0);
  SoundPanSetter(sound, 0, -300);
  EXPECT_EQ(SoundPanGetter(sound, 0), -100);
  SoundVolumeSetter(sound, 0, 50);
  EXPECT_EQ(FakeOSS::MixerLevels(), 127 + (127 << 8));
  SoundPanSetter(sound, 0, -50);
  EXPECT_EQ(FakeOSS::MixerLevels(), 100 + (50 << 8));
  SoundPanSetter(sound, 0, 25);
  EXPECT_EQ(FakeOSS::MixerLevels(), 75 + (100 << 8));

  SoundSetData(sound, Item(folder / "c.wav"), 44);
  RuntimeObject* copy = SoundClone(sound);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(SoundVolumeGetter(copy, 0), 50);
  EXPECT_EQ(SoundPanGetter(copy, 0), 25);
  EXPECT_EQ(SoundDataOffset(copy), 44u);
  EXPECT_STREQ(SoundFile(copy)->GetPath().CString(), (folder / "c.wav").c_str());
  EXPECT_NE(SoundFile(copy), SoundFile(sound));
  RuntimeUnlockObject(copy);
  RuntimeUnlockObject(sound);
}

// FolderItem.OpenAsSound gives a Sound of a copy of the item at offset 0.
TEST_F(SoundOSS, OpenAsSoundPlaysTheFile) {
  FakeOSS oss(folder.path(), 0);
  const std::vector<int16_t> samples = Ramp(800, 9);
  mediatest::WriteFile(folder / "o.wav", mediatest::Wav16(samples, 1, 8000));
  FolderItemImpUnix item(string((folder / "o.wav").c_str()));
  RuntimeObject* sound = item.OpenAsSound();
  ASSERT_NE(sound, nullptr);
  EXPECT_NE(SoundFile(sound), &item);
  soundPlay(sound);
  EXPECT_TRUE(mediatest::PumpUntil([&] { return soundIsPlaying(sound) == 0; }));
  EXPECT_EQ(oss.Written(), mediatest::SampleBytes(samples));
  RuntimeUnlockObject(sound);
}

class SoundWithoutLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLibraryListingProgramForTesting({"/bin/echo", ""});
    ForgetMediaLibrariesForTesting();
  }
  void TearDown() override {
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetMediaLibrariesForTesting();
  }
  qvtest::TempFolder folder{"qvsound"};
};

// No library: every probe fails, the xine back end says so, and a Sound stays silent.
TEST_F(SoundWithoutLibraries, EveryBackEndIsSilent) {
  FakeOSS oss(folder.path(), 0);
  EXPECT_FALSE(LoadGStreamer());
  EXPECT_FALSE(LoadXine());
  EXPECT_FALSE(LoadSndFile());
  testing::internal::CaptureStdout();
  { SoundImpXine xine; }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot find libxine\n");

  mediatest::WriteFile(folder / "s.wav", mediatest::Wav16(Ramp(100, 1), 1, 8000));
  RuntimeObject* sound = NewSoundWithData(Item(folder / "s.wav"), 0);
  ASSERT_NE(sound, nullptr);
  soundPlay(sound);
  EXPECT_EQ(soundIsPlaying(sound), 0);
  soundPlayLooping(sound);
  EXPECT_EQ(soundIsPlaying(sound), 0);
  soundStop(sound);
  EXPECT_EQ(oss.Written(), "");
  EXPECT_EQ(DSPUserCount(), 0);
  RuntimeUnlockObject(sound);
}

// A probe that failed is never made again, even when the libraries could now be found.
TEST_F(SoundWithoutLibraries, AFailedProbeIsNotRepeated) {
  EXPECT_FALSE(LoadGStreamer());
  EXPECT_FALSE(LoadSndFile());
  const std::string log = folder / "runs";
  SetLibraryListingProgramForTesting(
      {"/bin/sh", "-c", "echo run >> \"$0\"; /sbin/ldconfig -p", log});
  EXPECT_FALSE(LoadGStreamer());
  EXPECT_FALSE(LoadSndFile());
  EXPECT_EQ(mediatest::ReadFile(log), "");
}

}  // namespace
