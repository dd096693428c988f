// Sounds on a machine without an audio device or a sound server, through the installed libxine:
// ALSA's configuration is empty, the PulseAudio server named does not exist and neither does
// the JACK server. Making a sound opens no output, and playing it finds none at once and stays
// silent: no client library is let start a server of its own (JACK's would run jackd and wait
// for it), and no process at all is started. Each case runs in a child, whose environment and
// library answers are its own.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/wait.h>

#include <cstdlib>
#include <memory>

#include "SoundTestSupport.h"
#include "core/LibraryFinder.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/SoundImp.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

int gForks = 0;
void CountFork() { ++gForks; }

// The child's surroundings: no device, no server, no xine configuration (every output is
// probed), and only libxine among the media libraries.
void WithoutAudio(const qvtest::TempFolder& home) {
  setenv("HOME", home.path().c_str(), 1);
  setenv("ALSA_CONFIG_PATH", (home / "asound.conf").c_str(), 1);
  setenv("PULSE_SERVER", ("unix:" + (home / "no-pulse")).c_str(), 1);
  setenv("JACK_DEFAULT_SERVER", "qv-no-server", 1);
  ForgetMediaLibrariesForTesting();
  SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libxine"});
}

bool ChildPassed(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

TEST(SoundWithoutServer, MakingAndPlayingStartNothingAndStaySilent) {
  qvtest::TempFolder home("qvnoserver");
  mediatest::WriteFile(home / "asound.conf", "");
  mediatest::WriteFile(home / "t.wav", mediatest::Wav16(std::vector<int16_t>(800, 100), 2, 8000));
  const int status = qvtest::RunInChild([&] {
    WithoutAudio(home);
    unsetenv("JACK_NO_START_SERVER");
    if (!LoadXine()) return;  // nothing to play through
    EXPECT_STREQ(getenv("JACK_NO_START_SERVER"), "1");
    pthread_atfork(&CountFork, nullptr, nullptr);
    std::unique_ptr<SoundImp> sound(CreateSoundImp());
    auto* xine = dynamic_cast<SoundImpXine*>(sound.get());
    ASSERT_NE(xine, nullptr);
    EXPECT_FALSE(xine->HasOutput());
    sound->SetData(new FolderItemImpUnix(string((home / "t.wav").c_str())), 0);
    sound->Play();
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_FALSE(xine->HasOutput());
    sound->PlayLooping();
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(gForks, 0) << "a process was started";
  });
  EXPECT_TRUE(ChildPassed(status));
}

TEST(SoundWithoutServer, AServerSettingOfTheUsersOwnStays) {
  qvtest::TempFolder home("qvnoserver");
  const int status = qvtest::RunInChild([&] {
    WithoutAudio(home);
    setenv("JACK_NO_START_SERVER", "yes", 1);
    LoadXine();
    EXPECT_STREQ(getenv("JACK_NO_START_SERVER"), "yes");
  });
  EXPECT_TRUE(ChildPassed(status));
}

}  // namespace
