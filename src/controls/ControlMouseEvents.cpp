#include "controls/ControlMouseEvents.h"

#include "core/EventHandlers.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"

namespace {

// The pane's control when the pane is open and the control handles the event.
RuntimeObject* HandlingControl(SubPane* pane, const ObjectHook* hook) {
  RuntimeObject* control = pane->GetRunControl();
  if (!control || pane->IsClosing() || AsControl(control)->pane != pane) return nullptr;
  return LookupEventHandler(control, hook) ? control : nullptr;
}

void RaiseMoveEvent(SubPane* pane, const ObjectHook* hook, int32_t x, int32_t y) {
  RuntimeObject* control = HandlingControl(pane, hook);
  if (!control) return;
  const QV::Rect& bounds = pane->GetBounds();
  RaiseControlEvent<void>(control, hook, nullptr, x - bounds.left, y - bounds.top);
}

}  // namespace

bool RaiseMouseDownEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y) {
  RuntimeObject* control = HandlingControl(pane, hooks.mouseDown);
  if (!control) return false;
  const QV::Rect& bounds = pane->GetBounds();
  bool open = false;
  const bool taken = RaiseControlEvent<bool>(control, hooks.mouseDown, &open, x - bounds.left,
                                             y - bounds.top);
  if (!open) return true;
  if (!taken) return false;
  SetMouseCapturePane(pane);
  return true;
}

void RaiseMouseDragEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y) {
  RaiseMoveEvent(pane, hooks.mouseDrag, x, y);
}

void RaiseMouseUpEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y) {
  RaiseMoveEvent(pane, hooks.mouseUp, x, y);
}
