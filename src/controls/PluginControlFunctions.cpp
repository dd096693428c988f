#include "controls/PluginControlFunctions.h"

#include "controls/ControlAccessors.h"
#include "controls/ControlClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "windows/ControlRecord.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/SubPane.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

ControlObject* ControlOf(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, ControlClassDefinition())) return nullptr;
  return AsControl(object);
}

SubPane* PaneOf(RuntimeObject* control) {
  ControlObject* c = ControlOf(control);
  return c ? c->pane : nullptr;
}

RuntimeViewWindow* NativeWindowOf(RuntimeObject* window) {
  return IsWindowObject(window) ? AsWindow(window)->mImp : nullptr;
}

}  // namespace

extern "C" void GetControlBounds(RuntimeObject* control, QV::Rect* rect) {
  ControlObject* c = ControlOf(control);
  if (!c || !rect) return;
  *rect = c->pane ? c->pane->GetBounds() : c->bounds;
}
QV_EXPORT(GetControlBounds)
QV_EXPORT_AS("PluginGetControlBounds", GetControlBounds)

extern "C" int32_t GetControlVisible(RuntimeObject* control) {
  ControlObject* c = ControlOf(control);
  if (!c) return 0;
  return (c->pane ? c->pane->IsVisible() : c->visible != 0) ? 1 : 0;
}
QV_EXPORT(GetControlVisible)

extern "C" void SetControlVisible(RuntimeObject* control, int32_t visible) {
  if (ControlOf(control)) ControlVisibleSetter(control, 0, visible);
}
QV_EXPORT(SetControlVisible)

extern "C" int32_t GetTabPanelVisible(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  return pane && pane->IsShown() ? 1 : 0;
}
QV_EXPORT(GetTabPanelVisible)

extern "C" int32_t QUORGetControlEnabled(RuntimeObject* control) {
  ControlObject* c = ControlOf(control);
  if (!c) return 0;
  return (c->pane ? c->pane->IsEnabled() : c->enabled != 0) ? 1 : 0;
}
QV_EXPORT(QUORGetControlEnabled)

extern "C" int32_t QUORGetControlFocus(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  return pane && GetFocusPane() == pane ? 1 : 0;
}
QV_EXPORT(QUORGetControlFocus)

extern "C" void QUORSetControlFocus(RuntimeObject* control, int32_t focus) {
  SubPane* pane = PaneOf(control);
  if (!pane) return;
  const bool focused = GetFocusPane() == pane;
  if (focus && !focused) pane->SetKeyboardFocus();
  if (!focus && focused) ClearKeyboardFocus();
}
QV_EXPORT(QUORSetControlFocus)

extern "C" RuntimeObject* QUORGetControlGraphics(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  if (!pane) return nullptr;
  Graphics* native = pane->NewGraphics();
  return native ? NewGraphicsObject(native) : nullptr;
}
QV_EXPORT(QUORGetControlGraphics)

extern "C" void QUORInvalidateControl(RuntimeObject* control) {
  if (SubPane* pane = PaneOf(control)) pane->Refresh(true);
}
QV_EXPORT(QUORInvalidateControl)

extern "C" void QUORInvalidateControlRect(RuntimeObject* control, int32_t left, int32_t top,
                                          int32_t right, int32_t bottom) {
  if (SubPane* pane = PaneOf(control)) pane->InvalidateRectCoords(left, top, right, bottom);
}
QV_EXPORT(QUORInvalidateControlRect)

extern "C" GtkWidget* QUORGetControlHandle(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  return pane ? pane->GetWidget() : nullptr;
}
QV_EXPORT(QUORGetControlHandle)

extern "C" GtkWidget* QUORGetWindowHandle(RuntimeObject* window) {
  RuntimeViewWindow* native = NativeWindowOf(window);
  return native ? GTK_WIDGET(native->GetGtkWindow()) : nullptr;
}
QV_EXPORT(QUORGetWindowHandle)

extern "C" int32_t QUORIsHIViewWindow(RuntimeObject* window) {
  return NativeWindowOf(window) ? AsWindow(window)->composite : 0;
}
QV_EXPORT(QUORIsHIViewWindow)

extern "C" RuntimeObject* getControlWindow(RuntimeObject* control) {
  ControlObject* c = ControlOf(control);
  RuntimeObject* window = c ? c->window : nullptr;
  // A window embedded in a control of another window: go on from that control's window.
  // Bounded, so that a cycle of embeddings cannot hang the caller.
  for (int32_t depth = 0; window && depth < 64; ++depth) {
    RuntimeObject* holder = EmbeddedControlOf(window);
    ControlObject* h = ControlOf(holder);
    if (!h || !h->window || h->window == window) break;
    window = h->window;
  }
  return window;
}
QV_EXPORT(getControlWindow)

extern "C" RuntimeObject* QUORGetControlParent(RuntimeObject* control) {
  ControlObject* c = ControlOf(control);
  if (!c || !c->pane || !IsWindowObject(c->window)) return nullptr;
  SubPane* owner = c->pane->GetOwner();
  if (!owner || owner->IsWindow()) return nullptr;
  StringMap<RuntimeObject*>* controls = AsWindow(c->window)->mControls;
  if (!controls) return nullptr;
  ControlMapWalk walk = WalkControlMap(controls);
  RuntimeObject* candidate = nullptr;
  while (walk->Next() && walk->GetValue(&candidate)) {
    ControlObject* other = ControlOf(candidate);
    if (other && other->pane == owner) return candidate;
  }
  return nullptr;
}
QV_EXPORT(QUORGetControlParent)
