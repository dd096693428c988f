// Mouse and focus forwarding that check boxes and radio buttons share: the delegate hears points
// within the pane, with the pane chain held around the call, since its handler may close the
// pane (then nothing of the pane is touched after it).
#pragma once

#include <cstdint>

#include "windows/PaneFocus.h"
#include "windows/SubPane.h"

// Not handled when disabled or without delegate; else the delegate's answer, and the pane takes
// the mouse capture until the release when it claimed the press.
template <typename Delegate>
bool ForwardMouseDown(SubPane* pane, Delegate* delegate, int32_t x, int32_t y) {
  if (!pane->IsEnabled() || !delegate || !pane->RetainChain()) return false;
  const QV::Rect bounds = pane->GetBounds();
  const bool claimed = delegate->MouseDown(pane, x - bounds.left, y - bounds.top);
  if (pane->ReleaseChain()) return true;
  if (!claimed) return false;
  SetMouseCapturePane(pane);
  return true;
}

template <typename Delegate>
void ForwardMouseUp(SubPane* pane, Delegate* delegate, int32_t x, int32_t y) {
  if (!delegate || !pane->RetainChain()) return;
  const QV::Rect bounds = pane->GetBounds();
  delegate->MouseUp(pane, x - bounds.left, y - bounds.top);
  pane->ReleaseChain();
}

template <typename Delegate>
void ForwardFocus(SubPane* pane, Delegate* delegate, bool gained) {
  if (!delegate || !pane->RetainChain()) return;
  if (gained) {
    delegate->GotFocus(pane);
  } else {
    delegate->LostFocus(pane);
  }
  pane->ReleaseChain();
}
