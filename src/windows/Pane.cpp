#include "windows/Pane.h"

#include "core/SimpleVector.h"
#include "windows/DrawFocus.h"
#include "windows/GtkPlacement.h"

namespace {

SimpleVector<PaneDeathNotificationReceiver*>& DeathReceivers() {
  static SimpleVector<PaneDeathNotificationReceiver*> receivers;
  return receivers;
}

}  // namespace

Pane::Pane(const QV::Rect& bounds) : mBounds(bounds), mLayoutBounds(bounds) { StoreBounds(bounds); }

Pane::~Pane() {
  if (GetDrawFocusPane() == this) ClearDrawFocus();
  NotifyPaneDeath(this);
}

void Pane::StoreBounds(const QV::Rect& bounds) {
  mBounds = bounds;
  mWidth = bounds.right - bounds.left;
  mHeight = bounds.bottom - bounds.top;
}

void Pane::SetDelegate(PaneDelegate* delegate) {
  if (!QV_CHECK_TEXT(!mDelegate, "not mDelegate", nullptr)) return;
  mDelegate = delegate;
}

Graphics* Pane::NewGraphics() {
  Graphics* g = Graphics::Create(this);
  if (!g) return nullptr;
  g->SetTextFont(mTextFont);
  g->SetTextSize(mTextSize);
  g->SetTextStyle(mBold ? kStyleBold : 0);
  g->SetClipRect(mBounds);
  return g;
}

void Pane::DrawNow() {
  Graphics* g = NewGraphics();
  if (!g) return;
  Draw(*g);
  Graphics::Destroy(g);
}

void Pane::EraseBackground() {
  Graphics* g = NewGraphics();
  if (!g) return;
  g->ClearRect(mBounds);
  Graphics::Destroy(g);
}

QV::Rect Pane::RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) {
  return PaneRectToDrawable(g, this, rect, clip);
}

PaneDeathNotificationReceiver::~PaneDeathNotificationReceiver() {
  UnregisterPaneDeathReceiver(this, true);
}

void RegisterPaneDeathReceiver(PaneDeathNotificationReceiver* receiver) {
  DeathReceivers().Append(receiver);
}

void UnregisterPaneDeathReceiver(PaneDeathNotificationReceiver* receiver, bool all) {
  if (all) {
    DeathReceivers().RemoveAll(receiver);
  } else {
    DeathReceivers().RemoveLast(receiver);
  }
}

// A receiver may unregister itself (or others) while it is told; the walk goes on from the
// entry that took its place.
void NotifyPaneDeath(Pane* pane) {
  SimpleVector<PaneDeathNotificationReceiver*>& receivers = DeathReceivers();
  for (uint32_t i = 0; i < receivers.size();) {
    PaneDeathNotificationReceiver* receiver = receivers[int32_t(i)];
    receiver->PaneDied(pane);
    if (i < receivers.size() && receivers[int32_t(i)] == receiver) ++i;
  }
}
