// The xine back end: a stream with an audio port and no video, watched by a task that sees the
// end of the sound. The task owns what it plays and disposes of it when it is deleted, so each
// Play opens a new engine, port, stream and queue. Nothing is opened before the first Play: a
// program that makes a Sound and never plays it never waits for an audio output, and one that
// plays it on a machine without any finds so at Play and stays silent.
#include <glib.h>

#include <cstdio>

#include "core/RuntimeError.h"
#include "graphics/SoundImp.h"

bool XineSession::Open() {
  const XineFunctions& xine = Xine();
  engine = xine.xine_new();
  if (!engine) return false;
  char config[1024];
  if (XineConfigPath(config, sizeof(config))) xine.xine_config_load(engine, config);
  xine.xine_init(engine);
  port = xine.xine_open_audio_driver(engine, "auto", nullptr);
  if (port) {
    stream = xine.xine_stream_new(engine, port, nullptr);
    if (QV_CHECK_MSG(nullptr != stream, "Bad stream")) {
      queue = xine.xine_event_new_queue(stream);
      if (QV_CHECK_MSG(nullptr != queue, "Bad event queue")) return true;
    }
  }
  Dispose();
  return false;
}

void XineSession::Dispose() {
  const XineFunctions& xine = Xine();
  if (queue) xine.xine_event_dispose_queue(queue);
  if (stream) xine.xine_dispose(stream);
  if (port) xine.xine_close_audio_driver(engine, port);
  if (engine) xine.xine_exit(engine);
  *this = {};
}

class XineSoundBackgroundTask : public SoundTask {
 public:
  XineSoundBackgroundTask(const XineSession& session, bool loop)
      : SoundTask(loop ? 100 : 500), mSession(session), mLoop(loop) {
    mPlaying = true;
  }
  ~XineSoundBackgroundTask() override { mSession.Dispose(); }
  void Run() override;
  XineStreamRef Stream() const { return mSession.stream; }

 protected:
  void Release() override { Xine().xine_close(mSession.stream); }

 private:
  XineSession mSession;
  bool mLoop;
};

void XineSoundBackgroundTask::Run() {
  if (!mPlaying || Xine().xine_get_status(mSession.stream) != kXineStatusStop) return;
  if (mLoop) {
    Xine().xine_play(mSession.stream, 0, 0);
    return;
  }
  Ended();
}

SoundImpXine::SoundImpXine() {
  if (LoadXine()) return;
  printf("Cannot find libxine\n");
  fflush(stdout);
}

SoundImpXine::~SoundImpXine() {
  if (mTask) mTask->Abandon();
  mSession.Dispose();
}

SoundImp* SoundImpXine::Clone() const { return CopySettingsTo(new SoundImpXine); }

XineStreamRef SoundImpXine::Stream() const {
  return mTask ? mTask->Stream() : mSession.stream;
}

void SoundImpXine::EndTask() {
  delete mTask;
  mTask = nullptr;
}

void SoundImpXine::PlayOnce(bool loop) {
  if (!LoadXine() || !mFile) return;
  EndTask();
  if (!IsPlayableFile(Path())) return;
  if (!mSession.stream && !mSession.Open()) return;
  const XineFunctions& xine = Xine();
  // A file URI, so that blanks, "#" and "%" in the name reach the file unchanged.
  gchar* uri = g_filename_to_uri(Path().CString(), nullptr, nullptr);
  const bool opened = uri && xine.xine_open(mSession.stream, uri);
  if (!opened) {
    printf("xine_open returned an error %d for %s\n", xine.xine_get_error(mSession.stream),
           Path().CString());
    fflush(stdout);
    g_free(uri);
    return;
  }
  g_free(uri);
  xine.xine_set_param(mSession.stream, kXineParamAmpLevel, mVolume);
  xine.xine_play(mSession.stream, 0, 0);
  mTask = new XineSoundBackgroundTask(mSession, loop);
  mSession = {};  // the task owns it now
}

bool SoundImpXine::IsPlaying() { return mTask && mTask->IsPlaying(); }

void SoundImpXine::Stop() { EndTask(); }

// Amplification 100 plays the sound as recorded (200 would double it and clip): full volume
// is 100.
void SoundImpXine::SetVolume(int32_t volume) {
  mVolume = volume;
  if (XineStreamRef stream = Stream()) Xine().xine_set_param(stream, kXineParamAmpLevel, volume);
}
