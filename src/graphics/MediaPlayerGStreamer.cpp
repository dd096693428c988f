// The GStreamer movie player: a "playbin" whose audio goes to an "alsasink" and whose video an
// "ximagesink" draws into the drawing area's X window. Stop pauses and keeps the position, so
// the next Play resumes there; the end of the movie forgets it.
#include <gdk/gdkx.h>

#include "graphics/MediaPlayer.h"

namespace {

void SetStateAndWait(GstElementRef element, int32_t state) {
  const GStreamerFunctions& gst = GStreamer();
  gst.gst_element_set_state(element, state);
  int32_t current = 0;
  int32_t pending = 0;
  gst.gst_element_get_state(element, &current, &pending, kGstClockTimeNone);
}

// A sink made, given the playbin's bus and brought to READY; nil when the factory has none.
GstElementRef MakeSink(const char* factory, const char* name, GstBusRef bus) {
  const GStreamerFunctions& gst = GStreamer();
  GstElementRef sink = gst.gst_element_factory_make(factory, name);
  if (!sink) return nullptr;
  gst.gst_element_set_bus(sink, bus);
  gst.gst_element_set_state(sink, kGstStateReady);
  return sink;
}

}  // namespace

GStreamerMediaPlayer::GStreamerMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area)
    : mDelegate(delegate), mArea(GTK_WIDGET(g_object_ref(area))) {
  if (!LoadGStreamer()) return;
  const GStreamerFunctions& gst = GStreamer();
  gst.gst_init(nullptr, nullptr);
  mPlaybin = gst.gst_element_factory_make("playbin", "play");
  if (!mPlaybin) return;
  mBus = gst.gst_element_get_bus(mPlaybin);
  if (mBus) {
    gst.gst_bus_add_signal_watch(mBus);
    mMessageHandler = g_signal_connect(mBus, "message", G_CALLBACK(OnMessage), this);
    gst.gst_bus_set_sync_handler(mBus, reinterpret_cast<void*>(gst.gst_bus_sync_signal_handler),
                                 this);
    mSyncHandler =
        g_signal_connect(mBus, "sync-message::element", G_CALLBACK(OnSyncElement), this);
  }
  mAudioSink = MakeSink("alsasink", "audio-sink", mBus);
  mVideoSink = MakeSink("ximagesink", "video-sink", mBus);
  if (mVideoSink) g_object_set(mPlaybin, "video-sink", mVideoSink, nullptr);
  if (mAudioSink) g_object_set(mPlaybin, "audio-sink", mAudioSink, nullptr);
  mExposeHandler = g_signal_connect(mArea, "expose-event", G_CALLBACK(OnExpose), this);
  gst.gst_element_set_state(mPlaybin, kGstStateReady);
}

// Every handler goes before the player: the bus and the area outlive it.
GStreamerMediaPlayer::~GStreamerMediaPlayer() {
  if (mExposeHandler) g_signal_handler_disconnect(mArea, mExposeHandler);
  if (mBus) {
    if (mMessageHandler) g_signal_handler_disconnect(mBus, mMessageHandler);
    if (mSyncHandler) g_signal_handler_disconnect(mBus, mSyncHandler);
    GStreamer().gst_bus_set_sync_handler(mBus, nullptr, nullptr);
    GStreamer().gst_object_unref(mBus);
  }
  if (mPlaybin) {
    Close();
    GStreamer().gst_object_unref(mPlaybin);
  }
  g_object_unref(mArea);
}

void GStreamerMediaPlayer::OnMessage(GstBusRef, void* message, gpointer self) {
  if (!message || static_cast<GstMessageHead*>(message)->type != kGstMessageEOS) return;
  GStreamerMediaPlayer* player = static_cast<GStreamerMediaPlayer*>(self);
  player->mSavedPosition = 0;
  player->mDelegate->PlayingStopped();
}

void GStreamerMediaPlayer::OnSyncElement(GstBusRef, void*, gpointer self) {
  static_cast<GStreamerMediaPlayer*>(self)->BindWindow();
}

gboolean GStreamerMediaPlayer::OnExpose(GtkWidget*, GdkEventExpose*, gpointer self) {
  GStreamerMediaPlayer* player = static_cast<GStreamerMediaPlayer*>(self);
  player->BindWindow();
  if (player->mVideoSink) GStreamer().gst_x_overlay_expose(player->mVideoSink);
  return FALSE;
}

void GStreamerMediaPlayer::BindWindow() {
  if (!mVideoSink || !mArea->window) return;
  GStreamer().gst_x_overlay_set_xwindow_id(mVideoSink,
                                           gdk_x11_drawable_get_xid(mArea->window));
}

// A file URI, so that blanks, "#" and "%" in the name reach the file unchanged. A movie to
// play at once (AutoPlay) starts here, as with xine.
bool GStreamerMediaPlayer::SetMovie(const string& path, bool playNow) {
  if (!mPlaybin || !IsPlayableFile(path)) return false;
  gchar* uri = g_filename_to_uri(path.CString(), nullptr, nullptr);
  if (!uri) return false;
  g_object_set(mPlaybin, "uri", uri, nullptr);
  g_free(uri);
  mSavedPosition = 0;
  if (playNow) Play();
  return true;
}

void GStreamerMediaPlayer::Play() {
  if (!mPlaybin) return;
  const GStreamerFunctions& gst = GStreamer();
  if (mSavedPosition) {
    gst.gst_element_seek(mPlaybin, 1.0, kGstFormatTime, kGstSeekFlagFlushKeyUnit,
                         kGstSeekTypeSet, mSavedPosition, kGstSeekTypeNone, -1);
  } else {
    gst.gst_element_set_state(mPlaybin, kGstStateReady);  // from the beginning
  }
  gst.gst_element_set_state(mPlaybin, kGstStatePlaying);
}

void GStreamerMediaPlayer::Stop() {
  if (!mPlaybin) return;
  SetStateAndWait(mPlaybin, kGstStatePaused);
  int32_t format = kGstFormatTime;
  int64_t position = 0;
  if (GStreamer().gst_element_query_position(mPlaybin, &format, &position) && position > 0)
    mSavedPosition = position;
}

int32_t GStreamerMediaPlayer::GetVolume() {
  if (!mPlaybin) return 0;
  double volume = 0;
  g_object_get(mPlaybin, "volume", &volume, nullptr);
  return int32_t(volume * 256 + 0.5);
}

void GStreamerMediaPlayer::SetVolume(int32_t volume) {
  if (mPlaybin) g_object_set(mPlaybin, "volume", volume / 256.0, nullptr);
}

void GStreamerMediaPlayer::Close() {
  if (!mPlaybin) return;
  SetStateAndWait(mPlaybin, kGstStateNull);
  mSavedPosition = 0;
}

MediaPlayer* CreateMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area) {
  if (LoadGStreamer()) return new GStreamerMediaPlayer(delegate, area);
  return new XineMediaPlayer(delegate, area);
}
