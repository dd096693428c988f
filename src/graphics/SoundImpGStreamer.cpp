// The GStreamer back end: a "playbin" whose audio goes to an "alsasink". The end of a sound
// reaches its playing record through the bus's signal watch on the main loop.
#include <glib-object.h>

#include "graphics/SoundImp.h"

// What one Play started: the end of the stream loops it or brings the playbin to rest. A
// record whose back end is gone owns the playbin and frees both at the end.
struct GstPlayingRecord {
  bool loop = false;
  bool deleteWhenDone = false;
  GstElementRef playbin = nullptr;
  GstBusRef bus = nullptr;
  gulong handler = 0;
};

namespace {

void SetStateAndWait(GstElementRef element, int32_t state) {
  const GStreamerFunctions& gst = GStreamer();
  gst.gst_element_set_state(element, state);
  int32_t current = 0;
  int32_t pending = 0;
  gst.gst_element_get_state(element, &current, &pending, kGstClockTimeNone);
}

// Disconnects the record from the bus and frees it; with ownsPlaybin the playbin too.
void DestroyRecord(GstPlayingRecord* record, bool ownsPlaybin) {
  if (record->handler) g_signal_handler_disconnect(record->bus, record->handler);
  if (record->bus) GStreamer().gst_object_unref(record->bus);
  if (ownsPlaybin) {
    SetStateAndWait(record->playbin, kGstStateNull);
    GStreamer().gst_object_unref(record->playbin);
  }
  delete record;
}

void EndOfStream(GstBusRef, void*, gpointer data) {
  GstPlayingRecord* record = static_cast<GstPlayingRecord*>(data);
  const GStreamerFunctions& gst = GStreamer();
  gst.gst_element_set_state(record->playbin, kGstStateReady);
  if (record->loop) {
    gst.gst_element_set_state(record->playbin, kGstStatePlaying);
    return;
  }
  SetStateAndWait(record->playbin, kGstStateNull);
  if (record->deleteWhenDone) DestroyRecord(record, true);
}

}  // namespace

SoundImpGStreamer::SoundImpGStreamer() {
  if (!LoadGStreamer()) return;
  const GStreamerFunctions& gst = GStreamer();
  gst.gst_init(nullptr, nullptr);
  mPlaybin = gst.gst_element_factory_make("playbin", "play");
  if (!mPlaybin) return;
  mSink = gst.gst_element_factory_make("alsasink", "audio-sink");
  if (mSink) {
    GstBusRef bus = gst.gst_element_get_bus(mPlaybin);
    gst.gst_element_set_bus(mSink, bus);
    if (bus) gst.gst_object_unref(bus);
    gst.gst_element_set_state(mSink, kGstStateReady);
    g_object_set(mPlaybin, "audio-sink", mSink, nullptr);
  }
  gst.gst_element_set_state(mPlaybin, kGstStateReady);
}

SoundImpGStreamer::~SoundImpGStreamer() {
  if (!mRecord) {
    if (mPlaybin) GStreamer().gst_object_unref(mPlaybin);
    return;
  }
  if (IsPlaying()) {
    mRecord->deleteWhenDone = true;  // the end of the stream frees it and the playbin
    return;
  }
  DestroyRecord(mRecord, true);
}

SoundImp* SoundImpGStreamer::Clone() const { return CopySettingsTo(new SoundImpGStreamer); }

void SoundImpGStreamer::PlayOnce(bool loop) {
  if (!mPlaybin || !mFile || !IsPlayableFile(Path())) return;
  const GStreamerFunctions& gst = GStreamer();
  gchar* uri = g_filename_to_uri(Path().CString(), nullptr, nullptr);
  if (!uri) return;
  // The record of a sound still playing gives way: one stream, one end handler.
  if (mRecord) {
    gst.gst_element_set_state(mPlaybin, kGstStateNull);
    DestroyRecord(mRecord, false);
    mRecord = nullptr;
  }
  g_object_set(mPlaybin, "uri", uri, nullptr);
  g_free(uri);
  GstPlayingRecord* record = new GstPlayingRecord{.loop = loop, .playbin = mPlaybin};
  record->bus = gst.gst_element_get_bus(mPlaybin);
  if (record->bus) {
    if (!mWatching) gst.gst_bus_add_signal_watch(record->bus);
    mWatching = true;
    record->handler =
        g_signal_connect(record->bus, "message::eos", G_CALLBACK(EndOfStream), record);
  }
  mRecord = record;
  gst.gst_element_set_state(mPlaybin, kGstStateReady);
  gst.gst_element_set_state(mPlaybin, kGstStatePlaying);
}

bool SoundImpGStreamer::IsPlaying() {
  if (!mRecord) return false;
  int32_t state = 0;
  int32_t pending = 0;
  GStreamer().gst_element_get_state(mPlaybin, &state, &pending, kGstClockTimeNone);
  return state == kGstStatePaused || state == kGstStatePlaying;
}

void SoundImpGStreamer::Stop() {
  if (mPlaybin) SetStateAndWait(mPlaybin, kGstStateNull);
}

// The playbin's volume runs from 0.0 (silent) through 1.0 (as recorded): 0..100 maps onto it.
void SoundImpGStreamer::SetVolume(int32_t volume) {
  mVolume = volume;
  if (mPlaybin) g_object_set(mPlaybin, "volume", double(volume) / 100.0, nullptr);
}
