// What the sound tests share: WAV files written from known samples, a main-loop pump with a
// deadline, and the OSS devices pointed at files whose requests a test reads back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mediatest {

// A RIFF WAVE file of 16-bit PCM samples (interleaved) or of 32-bit float samples.
std::string Wav16(const std::vector<int16_t>& samples, int channels, int rate);
std::string WavFloat(const std::vector<float>& samples, int channels, int rate);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// The 16-bit samples of a raw PCM file without its zero ones. The null PCM takes samples faster
// than real time and xine fills the gaps it sees with silence, hundreds of megabytes of it: the
// file is read a piece at a time, and what is left is the sound that was played.
std::string AudibleSamples(const std::string& path);
// Samples as the device receives them: 16-bit little-endian.
std::string SampleBytes(const std::vector<int16_t>& samples);

// Runs the main loop until condition holds or 10 s pass; the condition's last answer.
bool PumpUntil(const std::function<bool()>& condition);

// The OSS devices as files in folder: "dsp" collects the samples, "mixer" exists; the requests
// are logged and the mixer's level is kept in memory, starting at startLevels.
class FakeOSS {
 public:
  FakeOSS(const std::string& folder, int32_t startLevels);
  ~FakeOSS();
  std::string Written() const { return ReadFile(mDsp); }
  static int32_t MixerLevels();
  static int32_t MixerWrites();
  // The requests made of the audio device, in order, with their arguments.
  static std::vector<std::pair<unsigned long, int>> DspRequests();

 private:
  std::string mDsp;
  std::string mMixer;
};

}  // namespace mediatest
