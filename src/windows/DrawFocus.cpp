#include "windows/DrawFocus.h"

#include "core/Memory.h"
#include "core/Startup.h"
#include "windows/GtkDefaults.h"
#include "windows/Pane.h"

namespace {

Pane* gDrawFocusPane = nullptr;

}  // namespace

void SetDrawFocus(Pane* pane) {
  if (pane == gDrawFocusPane) return;
  if (!pane) {
    ClearDrawFocus();
    return;
  }
  if (Pane* old = gDrawFocusPane) {
    gDrawFocusPane = nullptr;
    old->DrawFocusLost();
  }
  pane->DrawFocusGained();
  pane->DrawFocusSetUp();
  gDrawFocusPane = pane;
}

// The focus is gone before the old pane hears of it, so that the notice may set a new one.
void ClearDrawFocus() {
  Pane* old = gDrawFocusPane;
  if (!old) return;
  gDrawFocusPane = nullptr;
  old->DrawFocusLost();
}

Pane* GetDrawFocusPane() { return gDrawFocusPane; }

// A process that ends for want of memory leaves no pane drawing; off-screen drawing detaches
// the drawing focus too.
QV_STARTUP(kStartupDrawFocusHook, +[] {
  SetOutOfMemoryHook(&ClearDrawFocus);
  SetPaneLayerHooks({.clearDrawFocus = &ClearDrawFocus, .mainScreenDepth = &GetMainScreenDepth});
})
