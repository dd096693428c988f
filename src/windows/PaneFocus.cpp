#include "windows/PaneFocus.h"

#include "windows/SubPane.h"
#include "windows/WindowOrder.h"
#include "windows/Window.h"

namespace {

SubPane* gFocusPane = nullptr;
SubPane* gMouseCapturePane = nullptr;

}  // namespace

SubPane* GetFocusPane() { return gFocusPane; }

void SetFocusPane(SubPane* pane) {
  SubPane* target = pane ? pane->GetFocusProxy() : nullptr;
  if (target == gFocusPane) return;
  SubPane* old = gFocusPane;
  gFocusPane = nullptr;
  if (old) old->FocusLost();
  if (gFocusPane || !target) return;
  gFocusPane = target;
  target->FocusGained();
}

void ClearKeyboardFocus() {
  SetFocusPane(nullptr);
  Window* front = FrontNativeWindow();
  if (front && front->GetGtkWindow()) gtk_window_set_focus(front->GetGtkWindow(), nullptr);
}

SubPane* GetMouseCapturePane() { return gMouseCapturePane; }

void SetMouseCapturePane(SubPane* pane) { gMouseCapturePane = pane; }

void ClearMouseCapturePane() { gMouseCapturePane = nullptr; }
