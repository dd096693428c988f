#include "graphics/OSSDevice.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "core/NamedFile.h"

namespace {

struct Devices {
  const char* dsp = "/dev/dsp";
  const char* alternateDsp = "/dev/sound/dsp";
  const char* mixer = "/dev/mixer";
};
Devices gDevices;

int SystemControl(int descriptor, unsigned long request, int* argument) {
  return ioctl(descriptor, request, argument);
}
int (*gControl)(int, unsigned long, int*) = SystemControl;

// Through the opener, which never waits: OSS makes a second open of a busy device wait until the
// first is closed.
int OpenDevice(const char* path, int flags) {
  NamedFile device;
  return device.Open(path, flags, NamedFileUse::kStream) ? device.Release() : -1;
}

int gDsp = -1;
int32_t gDspUsers = 0;

// The setup requests in order; the first failure gives up. Stereo fails only with -1 (drivers
// answer it with the mode they took).
bool SetUpDSP(int dsp, int32_t channels, int32_t rate) {
  int stereo = 0;
  if (gControl(dsp, kDspStereo, &stereo) == -1) return false;
  if (gControl(dsp, kDspReset, nullptr) != 0) return false;
  int format = kDspFormatS16LE;
  if (gControl(dsp, kDspSetFormat, &format) != 0) return false;
  int count = channels;
  if (gControl(dsp, kDspChannels, &count) != 0) return false;
  int speed = rate;
  if (gControl(dsp, kDspSpeed, &speed) != 0) return false;
  return gControl(dsp, kDspSync, nullptr) == 0;
}

}  // namespace

int OpenDSP(int32_t channels, int32_t rate) {
  if (gDsp >= 0) {
    ++gDspUsers;
    return gDsp;
  }
  int dsp = OpenDevice(gDevices.dsp, O_WRONLY);
  if (dsp < 0) dsp = OpenDevice(gDevices.alternateDsp, O_WRONLY);
  if (dsp < 0) return -1;
  if (!SetUpDSP(dsp, channels, rate)) {
    close(dsp);
    return -1;
  }
  gDsp = dsp;
  gDspUsers = 1;
  return dsp;
}

void ReleaseDSP() {
  if (gDspUsers <= 0) return;
  if (--gDspUsers == 0) {
    close(gDsp);
    gDsp = -1;
  }
}

int32_t DSPUserCount() { return gDspUsers; }

bool Mixer::Open() {
  if (mDescriptor < 0) mDescriptor = OpenDevice(gDevices.mixer, O_RDWR);
  return mDescriptor >= 0;
}

int32_t Mixer::ReadLevels() {
  int levels = 0;
  if (!IsOpen() || gControl(mDescriptor, kMixerReadVolume, &levels) != 0) return -1;
  return levels;
}

void Mixer::WriteLevels(int32_t left, int32_t right) {
  if (!IsOpen()) return;
  int levels = left + (right << 8);
  gControl(mDescriptor, kMixerWriteVolume, &levels);
  Close();
}

void Mixer::Close() {
  if (mDescriptor < 0) return;
  close(mDescriptor);
  mDescriptor = -1;
}

int32_t MixerLevelOfVolume(int32_t volume) { return ClampVolume(volume) * 255 / 100; }

void PannedLevels(int32_t volume, int32_t pan, int32_t* left, int32_t* right) {
  *left = *right = 2 * volume;
  if (pan < 0)
    *right = (pan + 100) * 2 * volume / 100;
  else
    *left = 2 * volume * (100 - pan) / 100;
}

int32_t ClampPan(int32_t pan) { return std::clamp(pan, -100, 100); }
int32_t ClampVolume(int32_t volume) { return std::clamp(volume, 0, 100); }

void SetOSSDevicesForTesting(const OSSDevicePaths& paths,
                             int (*control)(int descriptor, unsigned long request,
                                            int* argument)) {
  const Devices defaults;
  gDevices.dsp = paths.dsp ? paths.dsp : defaults.dsp;
  gDevices.alternateDsp = paths.alternateDsp ? paths.alternateDsp : defaults.alternateDsp;
  gDevices.mixer = paths.mixer ? paths.mixer : defaults.mixer;
  gControl = control ? control : SystemControl;
}
