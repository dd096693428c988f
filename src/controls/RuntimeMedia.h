// The MoviePlayer's native pane: a GTK drawing area that its MediaPlayer plays into, and the
// delegate that turns the player's notices into the control's Play and Stop events. The pane
// draws nothing of its own on the screen (the video is the player's); drawn into another
// Graphics it shows a blue box outlined in black.
#pragma once

#include "graphics/MediaPlayer.h"
#include "windows/SubPane.h"

class RuntimeMedia;

// Raises Play and Stop on the control, which may close the window or the control.
class RuntimeMediaPlayerDelegate final : public MediaPlayerDelegate {
 public:
  explicit RuntimeMediaPlayerDelegate(RuntimeObject* control) : mControl(control) {}
  void PlayingStarted() override;
  void PlayingStopped() override;
  void ForgetControl() { mControl = nullptr; }

 private:
  RuntimeObject* mControl;  // nil once the control is gone
};

class RuntimeMedia : public SubPane {
 public:
  RuntimeMedia(RuntimeObject* control, SubPane* owner, int32_t panelIndex,
               const QV::Rect& bounds);
  ~RuntimeMedia() override;

  // Makes the player (once) and gives it the control's Movie.
  void AttachPlayer();
  MediaPlayer* Player() const { return mPlayer; }
  // The control object is being destroyed: no event may reach it.
  void ForgetControl();

  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  bool CanTakeFocus() override;
  bool ApplyStateCode(int32_t code) override;
  // Grown by a pixel on each side when Border is set.
  bool GetRefreshBounds(QV::Rect& rect) override;
  void DrawInto(Graphics& g) override;

 private:
  bool mShown;
  RuntimeObject* mControl;  // not held: the control owns the pane
  RuntimeMediaPlayerDelegate* mDelegate = nullptr;
  MediaPlayer* mPlayer = nullptr;
};

// The colour the pane fills its bounds with when drawn into a Graphics.
inline constexpr uint16_t kMediaBoxRed = 0x2323;
inline constexpr uint16_t kMediaBoxGreen = 0x2323;
inline constexpr uint16_t kMediaBoxBlue = 0xFFFF;
