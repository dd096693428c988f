// Movie playback into a drawing area: the back end behind a MoviePlayer control. One player
// lives as long as the control's pane and plays whichever movie it was last given into the
// pane's GTK drawing area. GStreamer 0.10 plays when it is found, else libxine; without either
// the player stays silent. The end of a movie reaches the control through its delegate, always
// on the main thread.
//
// Volume runs from 0 to 256 (full volume).
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <cstdint>

#include "app/BackgroundTask.h"
#include "graphics/MediaLibraries.h"
#include "strings/RuntimeString.h"

class Graphics;

class MediaPlayerDelegate {
 public:
  virtual void PlayingStarted() = 0;
  virtual void PlayingStopped() = 0;

 protected:
  ~MediaPlayerDelegate() = default;
};

class MediaPlayer {
 public:
  MediaPlayer() = default;
  virtual ~MediaPlayer() = default;
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  virtual int32_t GetVolume() { return 0; }
  // True when the player drew the frame into g itself.
  virtual bool DrawInto(Graphics& g) = 0;
  virtual bool SetMovie(const string& path, bool playNow) = 0;
  virtual void Stop() = 0;
  virtual void Play() = 0;
  // Controller kinds 0..2; neither back end shows a controller.
  virtual void SetController(int32_t kind) = 0;
  virtual void SetVolume(int32_t /*volume*/) {}
  virtual void Close() = 0;
};

// The player for a new pane: GStreamer when it loads, else xine. The area must outlive it.
MediaPlayer* CreateMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area);

// --- GStreamer --------------------------------------------------------------------------------

class GStreamerMediaPlayer : public MediaPlayer {
 public:
  GStreamerMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area);
  ~GStreamerMediaPlayer() override;

  int32_t GetVolume() override;
  bool DrawInto(Graphics&) override { return false; }
  bool SetMovie(const string& path, bool playNow) override;
  void Stop() override;
  void Play() override;
  void SetController(int32_t) override {}
  void SetVolume(int32_t volume) override;
  void Close() override;

  // Where the next Play resumes, in nanoseconds; 0 for the beginning.
  int64_t SavedPosition() const { return mSavedPosition; }

 private:
  static void OnMessage(GstBusRef bus, void* message, gpointer self);
  static void OnSyncElement(GstBusRef bus, void* message, gpointer self);
  static gboolean OnExpose(GtkWidget* area, GdkEventExpose* event, gpointer self);
  void BindWindow();

  GstElementRef mAudioSink = nullptr;
  GstElementRef mVideoSink = nullptr;
  GstElementRef mPlaybin = nullptr;
  GstBusRef mBus = nullptr;  // held while the handlers are connected
  gulong mMessageHandler = 0;
  gulong mSyncHandler = 0;
  gulong mExposeHandler = 0;
  MediaPlayerDelegate* mDelegate;
  GtkWidget* mArea;  // held
  int64_t mSavedPosition = 0;
};

// --- libxine ----------------------------------------------------------------------------------

// The X11 visual record as libxine2 reads it (x11_visual_t): no display lock callbacks, since
// the display is the player's own.
struct XineX11Visual {
  void* display;
  int32_t screen;
  unsigned long drawable;
  void* userData;
  void (*destSize)(void* data, int videoWidth, int videoHeight, double videoAspect,
                   int* destWidth, int* destHeight, double* destAspect);
  void (*frameOutput)(void* data, int videoWidth, int videoHeight, double videoAspect,
                      int* destX, int* destY, int* destWidth, int* destHeight,
                      double* destAspect, int* windowX, int* windowY);
  void (*lockDisplay)(void* data);
  void (*unlockDisplay)(void* data);
};
static_assert(sizeof(XineX11Visual) == 32);

// The drawing area's allocation as xine's threads read it: written on the main thread.
struct XineAreaGeometry {
  std::atomic<int32_t> x{0};
  std::atomic<int32_t> y{0};
  std::atomic<int32_t> width{0};
  std::atomic<int32_t> height{0};
};

class XineMediaPlayer;

// Turns the flag that xine's listener thread sets at the end of a movie into the delegate's
// call on the main thread.
class XineMediaListenerTask : public BackgroundTask {
 public:
  explicit XineMediaListenerTask(MediaPlayerDelegate* delegate)
      : BackgroundTask(60), mDelegate(delegate) {}
  void Run() override;
  void SetFinished() { mFinished.store(true); }

 private:
  MediaPlayerDelegate* mDelegate;
  std::atomic<bool> mFinished{false};
};

// Plays again once the drawing area is shown and placed.
class XineMediaBackgroundTask : public BackgroundTask {
 public:
  explicit XineMediaBackgroundTask(XineMediaPlayer* player)
      : BackgroundTask(50), mPlayer(player) {}
  void Run() override;

 private:
  XineMediaPlayer* mPlayer;
};

class XineMediaPlayer : public MediaPlayer {
 public:
  XineMediaPlayer(MediaPlayerDelegate* delegate, GtkWidget* area);
  ~XineMediaPlayer() override;

  int32_t GetVolume() override;
  bool DrawInto(Graphics&) override { return false; }
  bool SetMovie(const string& path, bool playNow) override;
  void Stop() override;
  void Play() override;
  void SetController(int32_t) override {}
  void SetVolume(int32_t volume) override;
  void Close() override;

  bool IsWaitingForPlacement() const { return mRetry != nullptr; }
  // True once a Play has made the engine and asked for its audio output.
  bool HasEngine() const { return mEngine != nullptr; }

 private:
  bool AreaIsPlaced() const;
  bool OpenEngine();
  bool OpenVideo();
  void DisposeStream();
  void OpenAndPlay();
  void UpdateGeometry();
  static void OnSizeAllocate(GtkWidget* area, GtkAllocation* allocation, gpointer self);
  static void OnEvent(void* task, const void* event);

  XineRef mEngine = nullptr;
  XinePortRef mAudioPort = nullptr;
  XinePortRef mVideoPort = nullptr;
  XineStreamRef mStream = nullptr;
  XineQueueRef mQueue = nullptr;
  XineMediaBackgroundTask* mRetry = nullptr;
  XineMediaListenerTask* mListener = nullptr;
  MediaPlayerDelegate* mDelegate;
  GtkWidget* mArea;  // held
  gulong mSizeHandler = 0;
  string mPath;
  XineX11Visual mVisual{};
  XineAreaGeometry mGeometry;
};
