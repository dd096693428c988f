/* A stand-in for GStreamer 0.10, built by the media tests as libgstreamer.so and
   libgstinterfaces.so: elements "playbin", "alsasink" and "ximagesink" as GObjects with the
   properties the framework sets, a bus with the "message" and "sync-message" signals, and
   states. A playbin that goes to PLAYING copies its WAV file's sample data to the file named by
   QV_GST_SINK and posts the end of the stream from the main loop. Every call is logged, one
   line each, to the file named by QV_GST_LOG.
   A movie is the tests' own form, one line "QVMOVIE rrggbb milliseconds": its playbin asks for
   a window with the "sync-message::element" signal, paints the colour into the window bound
   to its video sink while it plays or pauses, keeps its position on a clock (paused, seeked and
   reset to READY as GStreamer does) and posts the end of the stream when the time has run.
   Built with QV_STANDIN_LACKS_ONE, the interfaces library has no gst_x_overlay_expose. */
#include <gdk/gdk.h>
#include <glib-object.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>

static void Log(const char* format, ...) G_GNUC_PRINTF(1, 2);
static void Log(const char* format, ...) {
  const char* path = g_getenv("QV_GST_LOG");
  FILE* file = path ? fopen(path, "a") : NULL;
  if (!file) return;
  va_list args;
  va_start(args, format);
  vfprintf(file, format, args);
  va_end(args);
  fputc('\n', file);
  fclose(file);
}

#ifndef QV_INTERFACES

/* --- the bus ---------------------------------------------------------------------------- */

typedef struct { GObject parent; } StandinBus;
typedef struct { GObjectClass parent; } StandinBusClass;
static guint gMessageSignal;
G_DEFINE_TYPE(StandinBus, standin_bus, G_TYPE_OBJECT)
static void standin_bus_init(StandinBus* bus) { (void)bus; }
static void standin_bus_class_init(StandinBusClass* klass) {
  gMessageSignal = g_signal_new("message", G_TYPE_FROM_CLASS(klass),
                                G_SIGNAL_RUN_LAST | G_SIGNAL_DETAILED, 0, NULL, NULL, NULL,
                                G_TYPE_NONE, 1, G_TYPE_POINTER);
  g_signal_new("sync-message", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST | G_SIGNAL_DETAILED,
               0, NULL, NULL, NULL, G_TYPE_NONE, 1, G_TYPE_POINTER);
}

/* The message record as GStreamer 0.10 lays it out, as far as readers look. */
typedef struct {
  void* typeClass;
  int refCount;
  unsigned flags;
  void* reserved;
  void* lock;
  void* cond;
  int type;
} StandinMessage;

/* --- elements --------------------------------------------------------------------------- */

typedef struct {
  GObject parent;
  char* factory;
  char* name;
  char* uri;
  double volume;
  GObject* audioSink;
  GObject* videoSink;
  StandinBus* bus;
  int state;
  unsigned generation; /* of the current PLAYING, so a stale end is dropped */
  /* a video sink: the window bound to it and the playbin it serves (not held) */
  unsigned long xwindow;
  void* owner;
  void (*paintOwner)(void* owner); /* for the interfaces library's expose */
  /* a playbin playing a movie: its colour, length and clock in nanoseconds */
  int isMovie;
  unsigned colour;
  gint64 length;
  gint64 position; /* when the clock last stopped, or PLAYING last began */
  gint64 startedAt; /* monotonic time of that PLAYING, in nanoseconds */
} StandinElement;
typedef struct { GObjectClass parent; } StandinElementClass;
G_DEFINE_TYPE(StandinElement, standin_element, G_TYPE_OBJECT)

enum { PROP_0, PROP_URI, PROP_VOLUME, PROP_AUDIO_SINK, PROP_VIDEO_SINK };

static void standin_element_init(StandinElement* element) { element->volume = 1.0; }

static void PaintOwner(void* owner);

static void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
  StandinElement* element = (StandinElement*)object;
  switch (id) {
    case PROP_URI:
      g_free(element->uri);
      element->uri = g_value_dup_string(value);
      Log("set %s uri %s", element->name, element->uri);
      break;
    case PROP_VOLUME:
      element->volume = g_value_get_double(value);
      Log("set %s volume %g", element->name, element->volume);
      break;
    case PROP_AUDIO_SINK:
    case PROP_VIDEO_SINK: {
      GObject** slot = id == PROP_AUDIO_SINK ? &element->audioSink : &element->videoSink;
      if (*slot) g_object_unref(*slot);
      *slot = g_value_dup_object(value);
      if (*slot && id == PROP_VIDEO_SINK) {
        ((StandinElement*)*slot)->owner = element;
        ((StandinElement*)*slot)->paintOwner = PaintOwner;
      }
      Log("set %s %s %s", element->name, pspec->name,
          *slot ? ((StandinElement*)*slot)->name : "nil");
      break;
    }
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
}

static void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  StandinElement* element = (StandinElement*)object;
  switch (id) {
    case PROP_URI: g_value_set_string(value, element->uri); break;
    case PROP_VOLUME: g_value_set_double(value, element->volume); break;
    case PROP_AUDIO_SINK: g_value_set_object(value, element->audioSink); break;
    case PROP_VIDEO_SINK: g_value_set_object(value, element->videoSink); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
}

static void Finalize(GObject* object) {
  StandinElement* element = (StandinElement*)object;
  Log("finalize %s", element->name);
  if (element->videoSink) ((StandinElement*)element->videoSink)->owner = NULL;
  if (element->audioSink) g_object_unref(element->audioSink);
  if (element->videoSink) g_object_unref(element->videoSink);
  if (element->bus) g_object_unref(element->bus);
  g_free(element->uri);
  g_free(element->name);
  g_free(element->factory);
  G_OBJECT_CLASS(standin_element_parent_class)->finalize(object);
}

static void standin_element_class_init(StandinElementClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->set_property = SetProperty;
  object->get_property = GetProperty;
  object->finalize = Finalize;
  g_object_class_install_property(
      object, PROP_URI, g_param_spec_string("uri", "", "", NULL, G_PARAM_READWRITE));
  g_object_class_install_property(
      object, PROP_VOLUME,
      g_param_spec_double("volume", "", "", 0.0, 10.0, 1.0, G_PARAM_READWRITE));
  g_object_class_install_property(
      object, PROP_AUDIO_SINK,
      g_param_spec_object("audio-sink", "", "", G_TYPE_OBJECT, G_PARAM_READWRITE));
  g_object_class_install_property(
      object, PROP_VIDEO_SINK,
      g_param_spec_object("video-sink", "", "", G_TYPE_OBJECT, G_PARAM_READWRITE));
}

/* --- playing ---------------------------------------------------------------------------- */

/* Copies the data chunk of the WAV file at uri to the sink file. */
static void CopyToSink(const char* uri) {
  const char* sinkPath = g_getenv("QV_GST_SINK");
  char* path = uri ? g_filename_from_uri(uri, NULL, NULL) : NULL;
  gchar* bytes = NULL;
  gsize size = 0;
  if (!sinkPath || !path || !g_file_get_contents(path, &bytes, &size, NULL)) {
    Log("cannot read %s", uri ? uri : "(nil)");
    g_free(path);
    return;
  }
  gsize at = 12;
  while (at + 8 <= size) {
    const guint32 length = GUINT32_FROM_LE(*(const guint32*)(bytes + at + 4));
    if (memcmp(bytes + at, "data", 4) == 0) {
      FILE* sink = fopen(sinkPath, "ab");
      if (sink) {
        fwrite(bytes + at + 8, 1, MIN(length, size - at - 8), sink);
        fclose(sink);
      }
      break;
    }
    at += 8 + length;
  }
  g_free(bytes);
  g_free(path);
}

/* Reads the movie line of the file at uri; false for anything else (a sound). */
static int ReadMovie(StandinElement* element) {
  char* path = element->uri ? g_filename_from_uri(element->uri, NULL, NULL) : NULL;
  gchar* text = NULL;
  int movie = 0;
  if (path && g_file_get_contents(path, &text, NULL, NULL) && !strncmp(text, "QVMOVIE ", 8)) {
    char* end = NULL;
    element->colour = (unsigned)strtoul(text + 8, &end, 16);
    element->length = (gint64)strtoll(end, NULL, 10) * 1000000;
    movie = 1;
  }
  g_free(text);
  g_free(path);
  return movie;
}

static gint64 Now(void) { return g_get_monotonic_time() * 1000; }

static gint64 Position(StandinElement* element) {
  gint64 at = element->position;
  if (element->state == 4) at += Now() - element->startedAt;
  return MIN(at, element->length);
}

/* Fills the window bound to the playbin's video sink with the movie's colour. */
static void Paint(StandinElement* element) {
  StandinElement* sink = (StandinElement*)element->videoSink;
  if (!element->isMovie || element->state < 3 || !sink || !sink->xwindow) return;
  GdkWindow* window = gdk_window_foreign_new((GdkNativeWindow)sink->xwindow);
  if (!window) return;
  GdkGC* gc = gdk_gc_new(window);
  GdkColor colour = {0, (guint16)(((element->colour >> 16) & 255) * 257),
                     (guint16)(((element->colour >> 8) & 255) * 257),
                     (guint16)((element->colour & 255) * 257)};
  gdk_gc_set_rgb_fg_color(gc, &colour);
  gint width = 0, height = 0;
  gdk_drawable_get_size(window, &width, &height);
  gdk_draw_rectangle(window, gc, TRUE, 0, 0, width, height);
  gdk_flush();
  g_object_unref(gc);
  g_object_unref(window);
  Log("paint %06x %dx%d", element->colour, width, height);
}

static void PaintOwner(void* owner) { Paint(owner); }

typedef struct {
  StandinElement* element;
  unsigned generation;
} PendingEnd;

static gboolean PostEnd(gpointer data) {
  PendingEnd* end = data;
  StandinElement* element = end->element;
  if (element->state == 4 && element->generation == end->generation && element->bus) {
    StandinMessage message = {0};
    message.type = 1;
    Log("eos %s", element->name);
    g_signal_emit(element->bus, gMessageSignal, g_quark_from_static_string("eos"), &message);
  }
  g_object_unref(element);
  g_free(end);
  return FALSE;
}

/* --- the core library's functions --------------------------------------------------------- */

void gst_init(int* argc, char*** argv) {
  (void)argc;
  (void)argv;
  Log("gst_init");
}

void* gst_element_factory_make(const char* factory, const char* name) {
  Log("make %s %s", factory, name);
  if (strcmp(factory, "playbin") && strcmp(factory, "alsasink") && strcmp(factory, "ximagesink"))
    return NULL;
  StandinElement* element = g_object_new(standin_element_get_type(), NULL);
  element->factory = g_strdup(factory);
  element->name = g_strdup(name);
  element->state = 1;
  if (!strcmp(factory, "playbin")) element->bus = g_object_new(standin_bus_get_type(), NULL);
  return element;
}

int gst_element_set_state(void* object, int state) {
  StandinElement* element = object;
  Log("state %s %d", element->name, state);
  const int was = element->state;
  if (element->isMovie && was == 4 && state != 4) element->position = Position(element);
  if (state <= 2) element->position = 0;
  element->state = state;
  if (state == 4 && was != 4 && element->bus) {
    ++element->generation;
    PendingEnd* end = g_new(PendingEnd, 1);
    end->element = g_object_ref(element);
    end->generation = element->generation;
    element->isMovie = ReadMovie(element);
    if (!element->isMovie) {
      CopyToSink(element->uri);
      g_idle_add(PostEnd, end);
      return 1;
    }
    element->startedAt = Now();
    StandinMessage message = {0};
    message.type = 1 << 14; /* GST_MESSAGE_ELEMENT: "prepare-xwindow-id" */
    g_signal_emit(element->bus, g_signal_lookup("sync-message", G_OBJECT_TYPE(element->bus)),
                  g_quark_from_static_string("element"), &message);
    Paint(element);
    const gint64 left = MAX(element->length - element->position, 0);
    g_timeout_add((guint)(left / 1000000), PostEnd, end);
  }
  return 1;
}

int gst_element_get_state(void* object, int* state, int* pending, guint64 timeout) {
  (void)timeout;
  StandinElement* element = object;
  if (state) *state = element->state;
  if (pending) *pending = 0;
  return 1;
}

void* gst_element_get_bus(void* object) {
  StandinElement* element = object;
  Log("get_bus %s", element->name);
  return element->bus ? g_object_ref(element->bus) : NULL;
}

void gst_element_set_bus(void* object, void* bus) {
  StandinElement* element = object;
  Log("set_bus %s", element->name);
  if (element->bus) g_object_unref(element->bus);
  element->bus = bus ? g_object_ref(bus) : NULL;
}

void gst_bus_set_sync_handler(void* bus, void* handler, void* data) {
  (void)bus;
  (void)handler;
  (void)data;
  Log("set_sync_handler");
}

int gst_bus_sync_signal_handler(void* bus, void* message, void* data) {
  (void)bus;
  (void)message;
  (void)data;
  return 1;
}

void gst_bus_add_signal_watch(void* bus) {
  (void)bus;
  Log("add_signal_watch");
}

void* gst_bus_poll(void* bus, int events, gint64 timeout) {
  (void)bus;
  (void)events;
  (void)timeout;
  return NULL;
}

int gst_element_query_duration(void* element, int* format, gint64* duration) {
  (void)element;
  (void)format;
  *duration = 0;
  return 0;
}

int gst_element_query_position(void* object, int* format, gint64* position) {
  (void)format;
  StandinElement* element = object;
  *position = element->isMovie && element->state >= 3 ? Position(element) : 0;
  Log("position %s %lld", element->name, (long long)*position);
  return element->isMovie;
}

int gst_element_seek(void* object, double rate, int format, int flags, int startType,
                     gint64 start, int stopType, gint64 stop) {
  StandinElement* element = object;
  Log("seek %s %g %d %d %d %lld %d %lld", element->name, rate, format, flags, startType,
      (long long)start, stopType, (long long)stop);
  element->position = start;
  element->startedAt = Now();
  return 1;
}

void gst_object_unref(void* object) { g_object_unref(object); }

#else

/* --- the interfaces library --------------------------------------------------------------- */

/* The element's head as the core library lays it out, as far as the overlay reads it. */
typedef struct {
  GObject parent;
  char* factory;
  char* name;
  char* uri;
  double volume;
  GObject* audioSink;
  GObject* videoSink;
  void* bus;
  int state;
  unsigned generation;
  unsigned long xwindow;
  void* owner;
  void (*paintOwner)(void* owner);
} StandinOverlay;

void gst_x_overlay_set_xwindow_id(void* overlay, unsigned long window) {
  ((StandinOverlay*)overlay)->xwindow = window;
  Log("xwindow %lu", window);
}

#ifndef QV_STANDIN_LACKS_ONE
void gst_x_overlay_expose(void* overlay) {
  Log("expose");
  StandinOverlay* sink = overlay;
  if (sink->owner && sink->paintOwner) sink->paintOwner(sink->owner);
}
#endif

#endif
