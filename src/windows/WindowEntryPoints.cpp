// The window entry points of the runtime: show, hide, close and run a window modally.
#include "windows/WindowEntryPoints.h"

#include "core/Export.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

bool UseAlternateAppearance() { return true; }

extern "C" void RuntimeShowAsWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 1;
  if (!AsWindow(window)->mImp) BuildRuntimeViewWindow(window);
}
QV_EXPORT(RuntimeShowAsWindow)

extern "C" void RuntimeShowWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 1;
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) {
    native->Show();
    native->Reveal();
  }
}
QV_EXPORT(RuntimeShowWindow)

extern "C" void RuntimeHideWindow(RuntimeObject* window) {
  if (!window) return;
  AsWindow(window)->visible = 0;
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) native->Hide();
}
QV_EXPORT(RuntimeHideWindow)

extern "C" void RuntimeCloseWindow(RuntimeObject* window) {
  if (window) CloseWindowObject(window, false);
}
QV_EXPORT(RuntimeCloseWindow)

extern "C" void RuntimeShowModal(RuntimeObject* window) {
  if (!window) return;
  if (!AsWindow(window)->mImp && !BuildRuntimeViewWindow(window)) return;
  AsWindow(window)->visible = 1;
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  native->Show();
  native->Reveal();
  RunWindowModally(window);
}
QV_EXPORT(RuntimeShowModal)
