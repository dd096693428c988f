#include "controls/RuntimeMedia.h"

#include "controls/MoviePlayer.h"
#include "controls/RuntimeControl.h"
#include "core/EventHandlers.h"
#include "graphics/Graphics.h"
#include "graphics/MediaStubs.h"
#include "graphics/MovieClass.h"
#include "windows/DrawFocus.h"
#include "windows/GtkPlacement.h"
#include "windows/WindowControls.h"

namespace {

// Raises hook on control when the application handles it; the control, its window and its
// pane are held for the call, since the handler may close any of them.
void RaiseWhenHandled(RuntimeObject* control, const ObjectHook* hook) {
  if (!control || !LookupEventHandler(control, hook)) return;
  RaiseControlEvent<void>(control, hook, nullptr);
}

}  // namespace

void RuntimeMediaPlayerDelegate::PlayingStarted() {
  RaiseWhenHandled(mControl, MoviePlayerEvents().play);
}

void RuntimeMediaPlayerDelegate::PlayingStopped() {
  RaiseWhenHandled(mControl, MoviePlayerEvents().stop);
}

RuntimeMedia::RuntimeMedia(RuntimeObject* control, SubPane* owner, int32_t panelIndex,
                           const QV::Rect& bounds)
    : SubPane(owner, panelIndex, bounds, true),
      mShown(AsControl(control)->visible != 0),
      mControl(control) {
  SetWidget(gtk_drawing_area_new());
  PutPaneInFixed(this, true);
}

// The player goes first: its handlers are connected to the drawing area.
RuntimeMedia::~RuntimeMedia() {
  delete mPlayer;
  delete mDelegate;
}

void RuntimeMedia::ForgetControl() {
  mControl = nullptr;
  if (mDelegate) mDelegate->ForgetControl();
}

void RuntimeMedia::AttachPlayer() {
  if (!mControl || IsClosing()) return;
  MoviePlayerObject* record = AsMoviePlayer(mControl);
  if (!mPlayer) {
    mDelegate = new RuntimeMediaPlayerDelegate(mControl);
    mPlayer = CreateMediaPlayer(mDelegate, GetWidget());
    if (record->controller >= 0 && record->controller <= 2)
      mPlayer->SetController(record->controller);
  }
  if (!record->movie) return;
  const string path = MoviePath(record->movie);
  if (path.Length() > 0) mPlayer->SetMovie(path, record->autoPlay != 0);
}

bool RuntimeMedia::MouseDown(int32_t, int32_t, int32_t) {
  SetKeyboardFocus();
  SetDrawFocus(this);
  return true;
}

bool RuntimeMedia::CanTakeFocus() { return mShown && IsShown(); }

bool RuntimeMedia::ApplyStateCode(int32_t code) {
  if (code == kControlShow || code == kControlHide) {
    mShown = code == kControlShow;
    Refresh(true);
  }
  return SubPane::ApplyStateCode(code);
}

bool RuntimeMedia::GetRefreshBounds(QV::Rect& rect) {
  if (mControl && AsMoviePlayer(mControl)->border) RectInset(rect, -1, -1);
  return true;
}

void RuntimeMedia::DrawInto(Graphics& g) {
  if (mPlayer && mPlayer->DrawInto(g)) return;
  const RGBColor16 found = g.ForeColor();
  g.SetForeColor({kMediaBoxRed, kMediaBoxGreen, kMediaBoxBlue});
  g.FillRect(GetBounds());
  g.SetForeColor({0, 0, 0});
  g.DrawRect(GetBounds());
  g.SetForeColor(found);
}
