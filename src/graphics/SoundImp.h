// Sound playback: the back end behind every Sound object, chosen once when the object is made
// from the libraries found at run time: GStreamer 0.10 first, then libxine, else the OSS device
// fed by libsndfile. A back end with no library stays silent and never plays.
//
// Each back end owns its sound file (a folder item and the byte offset of the sound inside it)
// and keeps volume 0..100 and pan -100..100. Pan and the plain back end's volume act on the
// mixer's master level. A sound still playing when its back end is destroyed finishes and frees
// what played it; a Play while a sound plays ends the one it replaces.
#pragma once

#include <cstdint>

#include "app/BackgroundTask.h"
#include "app/FolderItemImp.h"
#include "graphics/MediaLibraries.h"
#include "graphics/OSSDevice.h"

class SoundImp {
 public:
  SoundImp() = default;
  virtual ~SoundImp();
  SoundImp(const SoundImp&) = delete;
  SoundImp& operator=(const SoundImp&) = delete;

  // A new back end of the same kind with a copy of the file, offset, pan and volume.
  virtual SoundImp* Clone() const = 0;
  virtual void Play() = 0;
  virtual void PlayLooping() = 0;
  virtual bool IsPlaying() = 0;
  virtual void Stop() = 0;
  // Volume clamped to 0..100 by the caller.
  virtual void SetVolume(int32_t volume) { mVolume = volume; }
  // Pan clamped to -100..100, applied to the mixer with the volume.
  virtual void SetPan(int32_t pan);
  virtual int32_t GetVolume() { return mVolume; }
  virtual int32_t GetPan() { return mPan; }
  // Takes file over (the one held before is deleted).
  virtual void SetData(FolderItemImp* file, uint32_t offset);

  const FolderItemImp* File() const { return mFile; }
  uint32_t Offset() const { return mOffset; }

 protected:
  // Gives copy this back end's file (cloned), offset, pan and volume; returns copy.
  SoundImp* CopySettingsTo(SoundImp* copy) const;
  // The file's path, or an empty string without a file.
  string Path() const;

  FolderItemImp* mFile = nullptr;
  uint32_t mOffset = 0;
  int32_t mPan = 0;
  int32_t mVolume = 100;
  Mixer mMixer;
};

// The back end for a new Sound.
SoundImp* CreateSoundImp();

// --- GStreamer --------------------------------------------------------------------------------

struct GstPlayingRecord;

class SoundImpGStreamer : public SoundImp {
 public:
  SoundImpGStreamer();
  ~SoundImpGStreamer() override;
  SoundImp* Clone() const override;
  void Play() override { PlayOnce(false); }
  void PlayLooping() override { PlayOnce(true); }
  bool IsPlaying() override;
  void Stop() override;
  void SetVolume(int32_t volume) override;

 private:
  void PlayOnce(bool loop);

  GstPlayingRecord* mRecord = nullptr;
  GstElementRef mSink = nullptr;
  GstElementRef mPlaybin = nullptr;
  bool mWatching = false;  // the bus's signal watch is added
};

// --- libxine ----------------------------------------------------------------------------------

// What one xine sound plays through; made anew for each Play, since the task that plays it
// disposes of it.
struct XineSession {
  XineRef engine = nullptr;
  XinePortRef port = nullptr;
  XineStreamRef stream = nullptr;
  XineQueueRef queue = nullptr;

  // Engine, audio port, stream and queue; false (everything made disposed) when one fails.
  bool Open();
  void Dispose();
};

class XineSoundBackgroundTask;

class SoundImpXine : public SoundImp {
 public:
  SoundImpXine();
  ~SoundImpXine() override;
  SoundImp* Clone() const override;
  void Play() override { PlayOnce(false); }
  void PlayLooping() override { PlayOnce(true); }
  bool IsPlaying() override;
  void Stop() override;
  void SetVolume(int32_t volume) override;
  // True while the sound holds an audio output: from a Play that opened one until Stop, the
  // next Play or the end of the object.
  bool HasOutput() const { return mSession.port || mTask; }

 private:
  void PlayOnce(bool loop);
  void EndTask();
  XineStreamRef Stream() const;

  XineSession mSession;  // not yet handed to a task
  XineSoundBackgroundTask* mTask = nullptr;
};

// --- OSS with libsndfile ----------------------------------------------------------------------

class SoundBackgroundTask;

class SoundImpUnix : public SoundImp {
 public:
  SoundImpUnix();
  ~SoundImpUnix() override;
  SoundImp* Clone() const override;
  void Play() override { PlayOnce(false); }
  void PlayLooping() override { PlayOnce(true); }
  bool IsPlaying() override;
  void Stop() override;
  void SetVolume(int32_t volume) override;

 private:
  void PlayOnce(bool loop);
  void EndTask();

  SoundBackgroundTask* mTask = nullptr;
};

// A back end's task that plays one sound and, once its owner let go of it, frees itself at
// the end.
class SoundTask : public BackgroundTask {
 public:
  using BackgroundTask::BackgroundTask;
  bool IsPlaying() const { return mPlaying; }
  // The owner is gone: a playing task deletes itself at the end, another one at once.
  void Abandon();

 protected:
  // The sound ended (not looping): release what played it, then delete an abandoned task.
  // Returns true when the task was deleted.
  bool Ended();
  virtual void Release() = 0;

  bool mPlaying = false;
  bool mAbandoned = false;
};
