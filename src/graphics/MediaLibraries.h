// The media libraries the sound and movie back ends play through: GStreamer 0.10, libxine and
// libsndfile. None is linked; each is opened once per process through the library finder and
// its functions bound by name. A library counts as present only when every name it must give
// was found, so a partial or foreign build (GStreamer 1.0 under the same base name) is absent.
// The answer is kept for the process: a missing library is never searched for again. Before
// the first search, client libraries are told not to start a sound server of their own
// (JACK_NO_START_SERVER, unless the environment sets it already): with none running, an output
// that cannot open fails at once.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// GStreamer and libxine take a file by name and open it themselves, waiting on a FIFO without
// a writer for ever: the framework's opener looks at what the name stands for just before
// either is given it. True when it is a regular file that opens for reading.
bool IsPlayableFile(const string& path);

// --- GStreamer 0.10 ---------------------------------------------------------------------------

using GstElementRef = void*;  // GstElement*
using GstBusRef = void*;      // GstBus*

// GstState and the few other values the back ends pass.
enum : int32_t {
  kGstStateVoidPending = 0,
  kGstStateNull = 1,
  kGstStateReady = 2,
  kGstStatePaused = 3,
  kGstStatePlaying = 4,
};
inline constexpr int32_t kGstFormatTime = 3;
inline constexpr int32_t kGstSeekFlagFlushKeyUnit = 1 | 4;
inline constexpr int32_t kGstSeekTypeNone = 0;
inline constexpr int32_t kGstSeekTypeSet = 2;
inline constexpr uint64_t kGstClockTimeNone = ~uint64_t(0);
inline constexpr int32_t kGstMessageEOS = 1;

struct GStreamerFunctions {
  void (*gst_init)(int* argc, char*** argv);
  GstElementRef (*gst_element_factory_make)(const char* factory, const char* name);
  int32_t (*gst_element_get_state)(GstElementRef, int32_t* state, int32_t* pending,
                                   uint64_t timeout);
  int32_t (*gst_element_set_state)(GstElementRef, int32_t state);
  void (*gst_x_overlay_set_xwindow_id)(GstElementRef overlay, unsigned long window);
  void (*gst_x_overlay_expose)(GstElementRef overlay);
  GstBusRef (*gst_element_get_bus)(GstElementRef);
  void (*gst_element_set_bus)(GstElementRef, GstBusRef);
  void (*gst_bus_set_sync_handler)(GstBusRef, void* handler, void* data);
  int32_t (*gst_bus_sync_signal_handler)(GstBusRef, void* message, void* data);
  void (*gst_bus_add_signal_watch)(GstBusRef);
  void* (*gst_bus_poll)(GstBusRef, int32_t events, int64_t timeout);
  int32_t (*gst_element_query_duration)(GstElementRef, int32_t* format, int64_t* duration);
  int32_t (*gst_element_query_position)(GstElementRef, int32_t* format, int64_t* position);
  int32_t (*gst_element_seek)(GstElementRef, double rate, int32_t format, int32_t flags,
                              int32_t startType, int64_t start, int32_t stopType, int64_t stop);
  void (*gst_object_unref)(void* object);
};
static_assert(sizeof(GStreamerFunctions) == 16 * sizeof(void*));

// True when "libgstreamer" and "libgstinterfaces" gave all 16 functions. Searched on the first
// call only.
bool LoadGStreamer();
const GStreamerFunctions& GStreamer();

// GStreamer 0.10's message record as far as the back ends read it: the type after the mini
// object's header and the message's lock and condition.
struct GstMessageHead {
  void* typeClass;
  int32_t refCount;
  uint32_t flags;
  void* reserved;
  void* lock;
  void* cond;
  int32_t type;
};
static_assert(sizeof(GstMessageHead) == 28);

// --- libxine ----------------------------------------------------------------------------------

using XineRef = void*;        // xine_t*
using XinePortRef = void*;    // xine_audio_port_t* / xine_video_port_t*
using XineStreamRef = void*;  // xine_stream_t*
using XineQueueRef = void*;   // xine_event_queue_t*

inline constexpr int32_t kXineStatusStop = 1;
inline constexpr int32_t kXineParamAmpLevel = 9;  // amplification 0..200, 100 unchanged
inline constexpr int32_t kXineEventUIPlaybackFinished = 1;
inline constexpr int32_t kXineVisualTypeX11 = 1;

struct XineFunctions {
  void (*xine_close)(XineStreamRef);
  void (*xine_dispose)(XineStreamRef);
  void (*xine_config_load)(XineRef, const char* path);
  void (*xine_event_create_listener_thread)(XineQueueRef, void (*callback)(void*, const void*),
                                            void* data);
  XineQueueRef (*xine_event_new_queue)(XineStreamRef);
  void (*xine_event_dispose_queue)(XineQueueRef);
  void (*xine_init)(XineRef);
  XineRef (*xine_new)();
  int32_t (*xine_open)(XineStreamRef, const char* mrl);
  int32_t (*xine_play)(XineStreamRef, int32_t startPosition, int32_t startTime);
  void (*xine_stop)(XineStreamRef);
  XinePortRef (*xine_open_audio_driver)(XineRef, const char* id, void* data);
  XinePortRef (*xine_open_video_driver)(XineRef, const char* id, int32_t visual, void* data);
  XineStreamRef (*xine_stream_new)(XineRef, XinePortRef audio, XinePortRef video);
  void (*xine_exit)(XineRef);
  void (*xine_close_audio_driver)(XineRef, XinePortRef);
  void (*xine_close_video_driver)(XineRef, XinePortRef);
  int32_t (*xine_get_error)(XineStreamRef);
  int32_t (*xine_get_status)(XineStreamRef);
  void* (*xine_event_get)(XineQueueRef);
  void* (*xine_event_wait)(XineQueueRef);
  void (*xine_event_free)(void* event);
  int32_t (*xine_get_pos_length)(XineStreamRef, int32_t* position, int32_t* time,
                                 int32_t* length);
  int32_t (*xine_get_param)(XineStreamRef, int32_t parameter);
  void (*xine_set_param)(XineStreamRef, int32_t parameter, int32_t value);
};
static_assert(sizeof(XineFunctions) == 25 * sizeof(void*));

// True when "libxine" gave every function but the video driver's opener (sound needs none).
// Searched on the first call only.
bool LoadXine();
const XineFunctions& Xine();

// The configuration file xine reads: $HOME/.xine/config, or nil when HOME is unset or empty
// (xine then keeps its defaults).
bool XineConfigPath(char* path, uint32_t size);

// --- libsndfile -------------------------------------------------------------------------------

using SndFileRef = void*;  // SNDFILE*

struct SndFileInfo {  // SF_INFO
  int64_t frames;
  int32_t samplerate;
  int32_t channels;
  int32_t format;
  int32_t sections;
  int32_t seekable;
};

inline constexpr int32_t kSndFileRead = 0x10;
inline constexpr int32_t kSndFileSubtypeMask = 0xFFFF;
inline constexpr int32_t kSndFileFloat = 6;
inline constexpr int32_t kSndFileDouble = 7;
inline constexpr int32_t kSndFileCalcSignalMax = 0x1040;

struct SndFileFunctions {
  SndFileRef (*sf_open_fd)(int fd, int32_t mode, SndFileInfo* info, int32_t closeDescriptor);
  int32_t (*sf_close)(SndFileRef);
  int32_t (*sf_command)(SndFileRef, int32_t command, void* data, int32_t size);
  int64_t (*sf_seek)(SndFileRef, int64_t frames, int32_t whence);
  int64_t (*sf_read_float)(SndFileRef, float* samples, int64_t count);
  int64_t (*sf_read_short)(SndFileRef, int16_t* samples, int64_t count);
};
static_assert(sizeof(SndFileFunctions) == 6 * sizeof(void*));

// True when "libsndfile" opened and gave all six functions. Searched on the first call only.
bool LoadSndFile();
const SndFileFunctions& SndFile();

// Tests forget every answer so that the next Load searches again (the finder's own answers
// are forgotten with its listing, SetLibraryListingProgramForTesting).
void ForgetMediaLibrariesForTesting();
