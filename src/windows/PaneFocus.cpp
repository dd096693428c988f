#include "windows/PaneFocus.h"

#include "windows/SubPane.h"
#include "windows/WindowOrder.h"
#include "windows/Window.h"

namespace {

SubPane* gFocusPane = nullptr;
SubPane* gMouseCapturePane = nullptr;

}  // namespace

SubPane* GetFocusPane() { return gFocusPane; }

// The target is held while the old pane's FocusLost runs: its handler may close the target or
// the target's window, which then gets no FocusGained.
void SetFocusPane(SubPane* pane) {
  SubPane* target = pane ? pane->GetFocusProxy() : nullptr;
  if (target == gFocusPane) return;
  const bool held = target && target->RetainChain();
  SubPane* old = gFocusPane;
  gFocusPane = nullptr;
  if (old) old->FocusLost();
  if (held && !gFocusPane && !target->IsChainClosing()) {
    gFocusPane = target;
    target->FocusGained();
  }
  if (held) target->ReleaseChain();
}

void ClearKeyboardFocus() {
  SetFocusPane(nullptr);
  Window* front = FrontNativeWindow();
  if (front && front->GetGtkWindow()) gtk_window_set_focus(front->GetGtkWindow(), nullptr);
}

SubPane* GetMouseCapturePane() { return gMouseCapturePane; }

void SetMouseCapturePane(SubPane* pane) { gMouseCapturePane = pane; }

void ClearMouseCapturePane() { gMouseCapturePane = nullptr; }
