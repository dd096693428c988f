// The xine movie player: a stream with the engine's audio port and an X11 video port drawing
// into the drawing area's X window over a display of the player's own, which xine uses from its
// threads. The video port needs the window placed, so a Play before that retries until it is.
// Stop ends the movie; the next Play starts it from the beginning on a new stream. The engine
// and its audio output are made by the first Play, not with the player: a window with a
// movie that is never played never waits for an audio output, and a movie on a machine
// without one plays without sound.
//
// xine's listener thread only sets a flag at the end of a movie; the listener task turns it
// into the delegate's call on the main thread. The queue is disposed (which ends that thread)
// before the task it points at is deleted.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <cstddef>
#include <cstdio>

#include "core/RuntimeError.h"
#include "graphics/MediaPlayer.h"

namespace {

// xine_event_t as libxine2 lays it out: the type follows the stream and the event's data.
struct XineEventHead {
  void* stream;
  void* data;
  int32_t dataLength;
  int32_t type;
};
static_assert(offsetof(XineEventHead, type) == 12);

void DestinationSize(void* data, int, int, double, int* width, int* height, double* aspect) {
  const XineAreaGeometry* area = static_cast<const XineAreaGeometry*>(data);
  *width = area->width.load();
  *height = area->height.load();
  *aspect = 1.0;
}

void FrameOutput(void* data, int, int, double, int* x, int* y, int* width, int* height,
                 double* aspect, int* windowX, int* windowY) {
  const XineAreaGeometry* area = static_cast<const XineAreaGeometry*>(data);
  *x = 0;
  *y = 0;
  *width = area->width.load();
  *height = area->height.load();
  *aspect = 1.0;
  *windowX = area->x.load();
  *windowY = area->y.load();
}

}  // namespace

void XineMediaListenerTask::Run() {
  if (mFinished.exchange(false)) mDelegate->PlayingStopped();
}

void XineMediaBackgroundTask::Run() { mPlayer->Play(); }

XineMediaPlayer::XineMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area)
    : mDelegate(delegate), mArea(GTK_WIDGET(g_object_ref(area))) {
  mSizeHandler = g_signal_connect(mArea, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
  UpdateGeometry();
  if (LoadXine()) return;
  printf("Cannot find libxine\n");
  fflush(stdout);
}

// The engine and its audio port, once; a port that does not open leaves the movie silent.
bool XineMediaPlayer::OpenEngine() {
  if (mEngine) return true;
  const XineFunctions& xine = Xine();
  mEngine = xine.xine_new();
  if (!mEngine) return false;
  char config[1024];
  if (XineConfigPath(config, sizeof(config))) xine.xine_config_load(mEngine, config);
  xine.xine_init(mEngine);
  mAudioPort = xine.xine_open_audio_driver(mEngine, "auto", nullptr);
  return true;
}

XineMediaPlayer::~XineMediaPlayer() {
  g_signal_handler_disconnect(mArea, mSizeHandler);
  delete mRetry;
  DisposeStream();  // ends the listener thread first
  delete mListener;
  if (mEngine) {
    const XineFunctions& xine = Xine();
    if (mAudioPort) xine.xine_close_audio_driver(mEngine, mAudioPort);
    if (mVideoPort) xine.xine_close_video_driver(mEngine, mVideoPort);
    xine.xine_exit(mEngine);
  }
  if (mVisual.display) XCloseDisplay(static_cast<Display*>(mVisual.display));
  g_object_unref(mArea);
}

void XineMediaPlayer::OnSizeAllocate(GtkWidget*, GtkAllocation*, gpointer self) {
  static_cast<XineMediaPlayer*>(self)->UpdateGeometry();
}

void XineMediaPlayer::UpdateGeometry() {
  const GtkAllocation& allocation = mArea->allocation;
  mGeometry.x.store(allocation.x);
  mGeometry.y.store(allocation.y);
  mGeometry.width.store(allocation.width);
  mGeometry.height.store(allocation.height);
}

void XineMediaPlayer::OnEvent(void* task, const void* event) {
  if (static_cast<const XineEventHead*>(event)->type == kXineEventUIPlaybackFinished)
    static_cast<XineMediaListenerTask*>(task)->SetFinished();
}

bool XineMediaPlayer::SetMovie(const string& path, bool playNow) {
  mPath = path;
  if (playNow) Play();
  return true;
}

bool XineMediaPlayer::AreaIsPlaced() const {
  GtkWidget* top = gtk_widget_get_toplevel(mArea);
  return top && GTK_WIDGET_VISIBLE(top) && mArea->window &&
         (mArea->allocation.x != -1 || mArea->allocation.y != -1);
}

// The video port over a display of the player's own, and a stream over both ports.
bool XineMediaPlayer::OpenVideo() {
  Display* display = XOpenDisplay(nullptr);
  if (!QV_CHECK_MSG(nullptr != display, "No display")) return false;
  UpdateGeometry();
  XLockDisplay(display);
  mVisual.display = display;
  mVisual.screen = DefaultScreen(display);
  mVisual.drawable = gdk_x11_drawable_get_xid(mArea->window);
  mVisual.userData = &mGeometry;
  mVisual.destSize = DestinationSize;
  mVisual.frameOutput = FrameOutput;
  XUnlockDisplay(display);
  const XineFunctions& xine = Xine();
  if (xine.xine_open_video_driver)
    mVideoPort = xine.xine_open_video_driver(mEngine, "auto", kXineVisualTypeX11, &mVisual);
  if (!QV_CHECK_MSG(nullptr != mVideoPort, "No video port")) return false;
  mStream = xine.xine_stream_new(mEngine, mAudioPort, mVideoPort);
  return QV_CHECK_MSG(nullptr != mStream, "Bad stream");
}

// The queue goes first: disposing it ends the listener thread that reads it.
void XineMediaPlayer::DisposeStream() {
  const XineFunctions& xine = Xine();
  if (mQueue) xine.xine_event_dispose_queue(mQueue);
  mQueue = nullptr;
  if (mStream) {
    xine.xine_close(mStream);
    xine.xine_dispose(mStream);
  }
  mStream = nullptr;
}

void XineMediaPlayer::OpenAndPlay() {
  const XineFunctions& xine = Xine();
  mQueue = xine.xine_event_new_queue(mStream);
  if (mQueue) xine.xine_event_create_listener_thread(mQueue, OnEvent, mListener);
  gchar* uri = IsPlayableFile(mPath) ? g_filename_to_uri(mPath.CString(), nullptr, nullptr)
                                     : nullptr;
  if (uri && xine.xine_open(mStream, uri)) {
    xine.xine_play(mStream, 0, 0);
  } else {
    printf("xine_open returned an error %d for %s\n", xine.xine_get_error(mStream),
           mPath.CString());
    fflush(stdout);
  }
  g_free(uri);
}

void XineMediaPlayer::Play() {
  if (!LoadXine() || mPath.Length() == 0 || !OpenEngine()) return;
  if (!mListener) mListener = new XineMediaListenerTask(mDelegate);
  if (!mVideoPort) {
    if (!AreaIsPlaced()) {
      if (!mRetry) mRetry = new XineMediaBackgroundTask(this);
      return;
    }
    delete mRetry;  // this may be its Run: nothing of it is touched afterwards
    mRetry = nullptr;
    if (mVisual.display || !OpenVideo()) return;  // a failed port is not tried again
  } else {
    // Each play has a stream of its own, whose threads end with the old one.
    DisposeStream();
    mStream = Xine().xine_stream_new(mEngine, mAudioPort, mVideoPort);
    if (!QV_CHECK_MSG(nullptr != mStream, "Bad stream")) return;
  }
  OpenAndPlay();
}

void XineMediaPlayer::Stop() {
  if (mStream) Xine().xine_stop(mStream);
}

void XineMediaPlayer::Close() {
  if (mStream) Xine().xine_close(mStream);
}

int32_t XineMediaPlayer::GetVolume() {
  if (!mStream) return 0;
  return Xine().xine_get_param(mStream, kXineParamAmpLevel) * 256 / 200;
}

void XineMediaPlayer::SetVolume(int32_t volume) {
  if (mStream) Xine().xine_set_param(mStream, kXineParamAmpLevel, volume * 200 / 256);
}
