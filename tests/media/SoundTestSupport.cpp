#include "SoundTestSupport.h"

#include <glib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "graphics/OSSDevice.h"
#include "support/Watchdog.h"

namespace mediatest {
namespace {

void Put32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(char(value >> (8 * i)));
}
void Put16(std::string& out, uint16_t value) {
  out.push_back(char(value));
  out.push_back(char(value >> 8));
}

std::string Wav(const std::string& data, int format, int bits, int channels, int rate) {
  std::string out = "RIFF";
  Put32(out, uint32_t(36 + data.size()));
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, uint16_t(format));
  Put16(out, uint16_t(channels));
  Put32(out, uint32_t(rate));
  Put32(out, uint32_t(rate * channels * bits / 8));
  Put16(out, uint16_t(channels * bits / 8));
  Put16(out, uint16_t(bits));
  out += "data";
  Put32(out, uint32_t(data.size()));
  return out + data;
}

int32_t gMixerLevels = 0;
int32_t gMixerWrites = 0;
std::vector<std::pair<unsigned long, int>> gDspRequests;

bool IsMixerRequest(unsigned long request) {
  return request == kMixerReadVolume || request == kMixerWriteVolume;
}

int Control(int, unsigned long request, int* argument) {
  if (IsMixerRequest(request)) {
    if (request == kMixerReadVolume) *argument = gMixerLevels;
    if (request == kMixerWriteVolume) {
      gMixerLevels = *argument;
      ++gMixerWrites;
    }
    return 0;
  }
  gDspRequests.push_back({request, argument ? *argument : 0});
  return 0;
}

}  // namespace

std::string SampleBytes(const std::vector<int16_t>& samples) {
  std::string out;
  for (int16_t sample : samples) Put16(out, uint16_t(sample));
  return out;
}

std::string Wav16(const std::vector<int16_t>& samples, int channels, int rate) {
  return Wav(SampleBytes(samples), 1, 16, channels, rate);
}

std::string WavFloat(const std::vector<float>& samples, int channels, int rate) {
  std::string data(samples.size() * 4, '\0');
  memcpy(data.data(), samples.data(), data.size());
  return Wav(data, 3, 32, channels, rate);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A stream inserter would swallow a failed allocation and hand back part of the file; this
// throws, so a test reading a file too large for the process fails as such.
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string AudibleSamples(const std::string& path) {
  std::string out;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return out;
  std::vector<char> chunk(1 << 20);
  size_t count = 0;
  while ((count = fread(chunk.data(), 1, chunk.size(), file)) > 1) {
    for (size_t i = 0; i + 1 < count; i += 2) {
      if (chunk[i] != 0 || chunk[i + 1] != 0) out.append(&chunk[i], 2);
    }
  }
  fclose(file);
  return out;
}

bool PumpUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10 * qvtest::SlowRunFactor());
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

FakeOSS::FakeOSS(const std::string& folder, int32_t startLevels)
    : mDsp(folder + "/dsp"), mMixer(folder + "/mixer") {
  WriteFile(mDsp, "");
  WriteFile(mMixer, "");
  gMixerLevels = startLevels;
  gMixerWrites = 0;
  gDspRequests.clear();
  SetOSSDevicesForTesting({.dsp = mDsp.c_str(), .alternateDsp = mDsp.c_str(),
                           .mixer = mMixer.c_str()},
                          Control);
}

FakeOSS::~FakeOSS() { SetOSSDevicesForTesting({}, nullptr); }

int32_t FakeOSS::MixerLevels() { return gMixerLevels; }
int32_t FakeOSS::MixerWrites() { return gMixerWrites; }
std::vector<std::pair<unsigned long, int>> FakeOSS::DspRequests() { return gDspRequests; }

}  // namespace mediatest
