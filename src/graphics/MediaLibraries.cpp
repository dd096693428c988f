#include "graphics/MediaLibraries.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <cstdio>
#include <cstdlib>

#include "core/LibraryFinder.h"
#include "core/NamedFile.h"

namespace {

// One library's binding: tried once, present when every required name was found.
struct Binding {
  bool tried = false;
  bool available = false;
};

Binding gGStreamerBinding;
Binding gXineBinding;
Binding gSndFileBinding;
GStreamerFunctions gGStreamer{};
XineFunctions gXine{};
SndFileFunctions gSndFile{};

// Binds each name from its library's handle into the slot of the same index; a nil handle
// binds nothing (searching the global scope instead could bind a stranger's function).
// Returns the number of names not found.
int BindNames(void* const* handles, const char* const* names, void** slots, int count) {
  int missing = 0;
  for (int i = 0; i < count; ++i) {
    slots[i] = handles[i] ? dlsym(handles[i], names[i]) : nullptr;
    if (!slots[i]) ++missing;
  }
  return missing;
}

void* Open(const char* name) { return UnixHelper::LoadLibrary(string(name)); }

// A client library may start a sound server when it finds none: JACK's runs jackd and waits
// five seconds for it, twice per output that xine probes, which held every program that made
// a Sound for many seconds on a machine without a server. A setting of the user's own stays.
void KeepSoundServersFromStarting() { setenv("JACK_NO_START_SERVER", "1", 0); }

constexpr const char* kGStreamerNames[] = {
    "gst_init", "gst_element_factory_make", "gst_element_get_state", "gst_element_set_state",
    "gst_x_overlay_set_xwindow_id", "gst_x_overlay_expose", "gst_element_get_bus",
    "gst_element_set_bus", "gst_bus_set_sync_handler", "gst_bus_sync_signal_handler",
    "gst_bus_add_signal_watch", "gst_bus_poll", "gst_element_query_duration",
    "gst_element_query_position", "gst_element_seek", "gst_object_unref"};
constexpr int kGStreamerCount = sizeof(kGStreamerNames) / sizeof(kGStreamerNames[0]);
static_assert(kGStreamerCount * sizeof(void*) == sizeof(GStreamerFunctions));
// The two overlay functions come from the interfaces library, the rest from the core.
constexpr bool kFromInterfaces[kGStreamerCount] = {false, false, false, false, true, true};

constexpr const char* kXineNames[] = {
    "xine_close", "xine_dispose", "xine_config_load", "xine_event_create_listener_thread",
    "xine_event_new_queue", "xine_event_dispose_queue", "xine_init", "xine_new", "xine_open",
    "xine_play", "xine_stop", "xine_open_audio_driver", "xine_open_video_driver",
    "xine_stream_new", "xine_exit", "xine_close_audio_driver", "xine_close_video_driver",
    "xine_get_error", "xine_get_status", "xine_event_get", "xine_event_wait", "xine_event_free",
    "xine_get_pos_length", "xine_get_param", "xine_set_param"};
constexpr int kXineCount = sizeof(kXineNames) / sizeof(kXineNames[0]);
static_assert(kXineCount * sizeof(void*) == sizeof(XineFunctions));

constexpr const char* kSndFileNames[] = {"sf_open_fd",  "sf_close",      "sf_command",
                                         "sf_seek",     "sf_read_float", "sf_read_short"};
constexpr int kSndFileCount = sizeof(kSndFileNames) / sizeof(kSndFileNames[0]);
static_assert(kSndFileCount * sizeof(void*) == sizeof(SndFileFunctions));

}  // namespace

bool IsPlayableFile(const string& path) {
  NamedFile file;
  return file.Open(path.CString(), O_RDONLY, NamedFileUse::kContents);
}

bool LoadGStreamer() {
  if (gGStreamerBinding.tried) return gGStreamerBinding.available;
  gGStreamerBinding.tried = true;
  KeepSoundServersFromStarting();
  void* core = Open("libgstreamer");
  void* interfaces = Open("libgstinterfaces");
  if (!core && !interfaces) return false;
  void* handles[kGStreamerCount];
  for (int i = 0; i < kGStreamerCount; ++i) handles[i] = kFromInterfaces[i] ? interfaces : core;
  gGStreamerBinding.available =
      BindNames(handles, kGStreamerNames, reinterpret_cast<void**>(&gGStreamer),
                kGStreamerCount) == 0;
  return gGStreamerBinding.available;
}

const GStreamerFunctions& GStreamer() { return gGStreamer; }

// GDK's thread lock is not started here: xine's threads never call GDK (its events reach the
// main thread through a task), and a lock started while the main loop runs is left held by
// the next modal run, which freezes the application at its next event.
bool LoadXine() {
  if (gXineBinding.tried) return gXineBinding.available;
  gXineBinding.tried = true;
  KeepSoundServersFromStarting();
  void* library = Open("libxine");
  if (!library) return false;
  void* handles[kXineCount];
  for (void*& handle : handles) handle = library;
  void** slots = reinterpret_cast<void**>(&gXine);
  BindNames(handles, kXineNames, slots, kXineCount);
  bool all = true;
  for (int i = 0; i < kXineCount; ++i) {
    // Sound plays without a video driver.
    if (!slots[i] && slots + i != reinterpret_cast<void**>(&gXine.xine_open_video_driver))
      all = false;
  }
  gXineBinding.available = all;
  return all;
}

const XineFunctions& Xine() { return gXine; }

bool XineConfigPath(char* path, uint32_t size) {
  const char* home = getenv("HOME");
  if (!home || !*home) return false;
  const int length = snprintf(path, size, "%s%s", home, "/.xine/config");
  return length > 0 && uint32_t(length) < size;
}

bool LoadSndFile() {
  if (gSndFileBinding.tried) return gSndFileBinding.available;
  gSndFileBinding.tried = true;
  void* library = Open("libsndfile");
  if (!library) return false;
  void* handles[kSndFileCount];
  for (void*& handle : handles) handle = library;
  gSndFileBinding.available =
      BindNames(handles, kSndFileNames, reinterpret_cast<void**>(&gSndFile), kSndFileCount) ==
      0;
  return gSndFileBinding.available;
}

const SndFileFunctions& SndFile() { return gSndFile; }

void ForgetMediaLibrariesForTesting() {
  gGStreamerBinding = {};
  gXineBinding = {};
  gSndFileBinding = {};
  gGStreamer = {};
  gXine = {};
  gSndFile = {};
}
