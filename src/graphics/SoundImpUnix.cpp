// The plain back end: libsndfile decodes the sound file and a task writes its samples, as
// signed 16-bit, to the shared OSS audio device one buffer a tick. The file is opened through
// the framework's opener (a regular file only) and libsndfile is given the descriptor.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "core/NamedFile.h"
#include "graphics/SoundImp.h"

namespace {

constexpr int32_t kSamplesPerRun = 4096;
// One task runs at a time on the main thread, so the buffers are shared.
int16_t gShortSamples[kSamplesPerRun];
float gFloatSamples[kSamplesPerRun];

// Float samples are scaled so that the sound's peak comes close to full scale.
constexpr double kFloatPeakTarget = 32700.0;

bool WriteAll(int descriptor, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written <= 0) return false;
    bytes += written;
    size -= size_t(written);
  }
  return true;
}

int16_t ScaledSample(float sample, double factor) {
  const double scaled = double(sample) * factor;
  if (scaled >= 32767.0) return 32767;
  if (scaled <= -32768.0) return -32768;
  return int16_t(scaled);
}

}  // namespace

class SoundBackgroundTask : public SoundTask {
 public:
  SoundBackgroundTask(const string& path, uint32_t offset, bool loop);
  ~SoundBackgroundTask() override { Release(); }
  void Run() override;

 protected:
  void Release() override;

 private:
  // Reads and writes one buffer; false when the sound gave nothing more.
  bool PlayBuffer();

  bool mLoop;
  NamedFile mFile;
  SndFileRef mSound = nullptr;
  int mDsp = -1;
  int32_t mSubtype = 0;
  double mFactor = 1.0;
};

SoundBackgroundTask::SoundBackgroundTask(const string& path, uint32_t offset, bool loop)
    : SoundTask(1), mLoop(loop) {
  if (!mFile.Open(path.CString(), O_RDONLY, NamedFileUse::kContents)) return;
  if (lseek(mFile.Descriptor(), off_t(offset), SEEK_SET) < 0) return;
  SndFileInfo info{};
  mSound = SndFile().sf_open_fd(mFile.Descriptor(), kSndFileRead, &info, 0);
  if (!mSound) return;
  mDsp = OpenDSP(info.channels, info.samplerate);
  mSubtype = info.format & kSndFileSubtypeMask;
  if (mSubtype == kSndFileFloat || mSubtype == kSndFileDouble) {
    double peak = 0.0;
    SndFile().sf_command(mSound, kSndFileCalcSignalMax, &peak, sizeof(peak));
    mFactor = peak > 1e-10 ? kFloatPeakTarget / peak : 1.0;
  }
  mPlaying = mDsp >= 0;
}

void SoundBackgroundTask::Release() {
  if (mDsp >= 0) ReleaseDSP();
  mDsp = -1;
  if (mSound) SndFile().sf_close(mSound);
  mSound = nullptr;
  mFile.Close();
}

bool SoundBackgroundTask::PlayBuffer() {
  if (mSubtype != kSndFileFloat && mSubtype != kSndFileDouble) {
    const int64_t count = SndFile().sf_read_short(mSound, gShortSamples, kSamplesPerRun);
    if (count <= 0) return false;
    WriteAll(mDsp, gShortSamples, size_t(count) * sizeof(int16_t));
    return true;
  }
  const int64_t count = SndFile().sf_read_float(mSound, gFloatSamples, kSamplesPerRun);
  if (count <= 0) return false;
  for (int64_t i = 0; i < count; ++i) gShortSamples[i] = ScaledSample(gFloatSamples[i], mFactor);
  WriteAll(mDsp, gShortSamples, size_t(count) * sizeof(int16_t));
  return true;
}

void SoundBackgroundTask::Run() {
  if (!mPlaying || PlayBuffer()) return;
  if (mLoop && SndFile().sf_seek(mSound, 0, SEEK_SET) == 0) return;
  Ended();
}

SoundImpUnix::SoundImpUnix() {
  if (!mMixer.Open()) return;
  const int32_t levels = mMixer.ReadLevels();
  if (levels < 0) return;
  const int32_t left = levels & 0xFF;
  const int32_t right = (levels >> 8) & 0xFF;
  mVolume = (left > right ? left : right) * 100 / 255;
}

SoundImpUnix::~SoundImpUnix() {
  if (mTask) mTask->Abandon();
}

SoundImp* SoundImpUnix::Clone() const { return CopySettingsTo(new SoundImpUnix); }

void SoundImpUnix::EndTask() {
  delete mTask;
  mTask = nullptr;
}

void SoundImpUnix::PlayOnce(bool loop) {
  if (!LoadSndFile() || !mFile) return;
  EndTask();
  mTask = new SoundBackgroundTask(Path(), mOffset, loop);
}

bool SoundImpUnix::IsPlaying() { return mTask && mTask->IsPlaying(); }

void SoundImpUnix::Stop() { EndTask(); }

void SoundImpUnix::SetVolume(int32_t volume) {
  mVolume = volume;
  if (!mMixer.Open()) return;
  const int32_t level = MixerLevelOfVolume(volume);
  mMixer.WriteLevels(level, level);
}
