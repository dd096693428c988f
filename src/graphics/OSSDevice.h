// The OSS devices the plain sound back end writes to: one shared audio device ("/dev/dsp",
// else "/dev/sound/dsp"), opened for 16-bit little-endian samples and kept open while any sound
// uses it, and the mixer ("/dev/mixer"), whose master level carries volume and pan. Mixer levels
// are OSS stereo values: left in bits 0-7, right in bits 8-15.
#pragma once

#include <cstdint>

// OSS requests.
inline constexpr unsigned long kDspStereo = 0xC0045003;
inline constexpr unsigned long kDspReset = 0x5000;
inline constexpr unsigned long kDspSetFormat = 0xC0045005;
inline constexpr unsigned long kDspChannels = 0xC0045006;
inline constexpr unsigned long kDspSpeed = 0xC0045002;
inline constexpr unsigned long kDspSync = 0x5001;
inline constexpr unsigned long kMixerWriteVolume = 0xC0044D00;
inline constexpr unsigned long kMixerReadVolume = 0x80044D00;
inline constexpr int32_t kDspFormatS16LE = 16;

// The audio device's descriptor for one more user, set up for channels and rate, or -1.
int OpenDSP(int32_t channels, int32_t rate);
// One user less; the last one closes the device.
void ReleaseDSP();
// Users of the device now (0: closed).
int32_t DSPUserCount();

// One back end's mixer: opened on demand, closed after each write.
class Mixer {
 public:
  Mixer() = default;
  ~Mixer() { Close(); }
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  bool Open();
  bool IsOpen() const { return mDescriptor >= 0; }
  // The master level (left + (right << 8)), or -1 when it cannot be read.
  int32_t ReadLevels();
  // Writes left + (right << 8) to the master level and closes the mixer.
  void WriteLevels(int32_t left, int32_t right);
  void Close();

 private:
  int mDescriptor = -1;
};

// Volume 0..100 as the 8-bit level of both channels.
int32_t MixerLevelOfVolume(int32_t volume);
// The mixer levels of volume 0..100 panned by pan -100..100: full volume is 2 * volume on the
// side the sound is panned to, the other side lessened in proportion.
void PannedLevels(int32_t volume, int32_t pan, int32_t* left, int32_t* right);
int32_t ClampPan(int32_t pan);
int32_t ClampVolume(int32_t volume);

// Tests point the devices at other paths (nil keeps the path) and answer the requests
// themselves: control(descriptor, request, argument) as ioctl; nil restores ioctl.
struct OSSDevicePaths {
  const char* dsp = nullptr;
  const char* alternateDsp = nullptr;
  const char* mixer = nullptr;
};
void SetOSSDevicesForTesting(const OSSDevicePaths& paths,
                             int (*control)(int descriptor, unsigned long request, int* argument));
