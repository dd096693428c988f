// The accessors and methods of Control and RectControl: each keeps the control's own copy of
// its state and hands the change to the pane when there is one, so properties set before the
// pane exists take effect when it is made (windows/WindowControls.cpp, CreateControlPane).
//
// Positions are in the content coordinates of the control's window.
#include <cstddef>

#include "controls/ControlAccessors.h"
#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "core/ClassFieldAccessors.h"
#include "core/Export.h"
#include "core/ExceptionClasses.h"
#include "core/FieldAccessors.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "windows/MouseCursorClass.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

QV_RECTCONTROL_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

enum PositionSelector : uint32_t { kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3 };

SubPane* PaneOf(RuntimeObject* control) { return control ? AsControl(control)->pane : nullptr; }

// The pane, when it is there, shown and open, and the control visible.
SubPane* ShownPaneOf(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  if (!pane || !AsControl(control)->visible || pane->IsClosing() || !pane->IsVisibleAndShown()) {
    return nullptr;
  }
  return pane;
}

// A new rectangle: the pane moves when only the place changed and is laid out anew when the
// size did; an unchanged rectangle changes nothing.
void ApplyBounds(RuntimeObject* control, const QV::Rect& bounds) {
  ControlObject* record = AsControl(control);
  const QV::Rect old = record->bounds;
  if (RectEqual(old, bounds)) return;
  record->bounds = bounds;
  SubPane* pane = record->pane;
  if (!pane) return;
  const bool sameSize = bounds.right - bounds.left == old.right - old.left &&
                        bounds.bottom - bounds.top == old.bottom - old.top;
  if (sameSize) {
    pane->SetBounds(bounds, true);
  } else {
    pane->SetBoundsAndLayout(bounds, false);
  }
}

// The Control of the window whose pane holds pane as a direct child.
RuntimeObject* ParentControlOf(RuntimeObject* control) {
  SubPane* pane = PaneOf(control);
  StringMap<RuntimeObject*>* map = ControlWindowMap(control);
  if (!pane || !map) return nullptr;
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (object == control || !IsControlObject(object)) continue;
    SubPane* container = AsControl(object)->pane;
    if (container && container->ContainsPane(pane, false)) return object;
  }
  return nullptr;
}

// After a move to another container the pane takes on the state the new one passes down.
void ReapplyState(RuntimeObject* control, bool enabledAbove, bool visibleAbove) {
  ControlObject* record = AsControl(control);
  SubPane* pane = record->pane;
  if (record->enabled) pane->ApplyStateCode(enabledAbove ? kControlEnable : kControlDisable);
  if (record->visible) pane->ApplyStateCode(visibleAbove ? kControlShow : kControlHide);
}

void SetStateFlag(RuntimeObject* control, uint8_t ControlObject::*flag, int32_t on,
                  ControlStateCode onCode, ControlStateCode offCode) {
  if (!control) {
    RaiseNilObjectException();
    return;
  }
  AsControl(control)->*flag = on != 0;
  const ControlStateCode code = on ? onCode : offCode;
  if (SubPane* pane = PaneOf(control)) pane->ApplyStateCode(code);
  PropagateControlState(control, code);
}

int32_t MouseCoordinate(RuntimeObject* control, bool vertical) {
  SubPane* pane = PaneOf(control);
  if (!pane) return 0;
  int32_t x = 0;
  int32_t y = 0;
  pane->GetMousePosition(&x, &y);
  return vertical ? y : x;
}

uint32_t LockFlags(RuntimeObject* control) {
  const ControlObject* record = AsControl(control);
  uint32_t locks = 0;
  if (record->lockLeft) locks |= kLockLeft;
  if (record->lockTop) locks |= kLockTop;
  if (record->lockRight) locks |= kLockRight;
  if (record->lockBottom) locks |= kLockBottom;
  return locks;
}

void StoreBounds(RuntimeObject* control, const QV::Rect& bounds) {
  AsControl(control)->bounds = bounds;
}

}  // namespace

void InstallControlLayoutAccess() { SetRunControlAccess({&LockFlags, &StoreBounds}); }

// ---- Control ----

extern "C" void ControlTabPanelIndexSetter(RuntimeObject* control, uint32_t, int32_t index) {
  if (!control) {
    RaiseNilObjectException();
    return;
  }
  AsControl(control)->tabPanelIndex = index;
  LockedObjects inside;
  CollectContainedControls(control, inside);
  for (uint32_t i = 0; i < inside.size(); ++i) AsControl(inside[i])->tabPanelIndex = index;
  if (SubPane* pane = PaneOf(control)) pane->SetPanelIndex(index);
}
QV_EXPORT(ControlTabPanelIndexSetter)

extern "C" int32_t ControlPanelIndexGetter(RuntimeObject* control, uint32_t) {
  return control ? AsControl(control)->tabPanelIndex - 1 : 0;
}
QV_EXPORT(ControlPanelIndexGetter)

extern "C" void ControlPanelIndexSetter(RuntimeObject* control, uint32_t parameter,
                                        int32_t index) {
  ControlTabPanelIndexSetter(control, parameter, index + 1);
}
QV_EXPORT(ControlPanelIndexSetter)

extern "C" int32_t controlMouseXGetter(RuntimeObject* control, uint32_t) {
  return MouseCoordinate(control, false);
}
QV_EXPORT(controlMouseXGetter)

extern "C" int32_t controlMouseYGetter(RuntimeObject* control, uint32_t) {
  return MouseCoordinate(control, true);
}
QV_EXPORT(controlMouseYGetter)

extern "C" RuntimeObject* controlWindowGetter(RuntimeObject* control, uint32_t) {
  RuntimeObject* window = control ? AsControl(control)->window : nullptr;
  RuntimeLockObject(window);
  return window;
}
QV_EXPORT(controlWindowGetter)

extern "C" int32_t controlMacControlHandleGetter(RuntimeObject* control, uint32_t) {
  SubPane* pane = PaneOf(control);
  return pane ? int32_t(reinterpret_cast<uintptr_t>(pane->GetWidget())) : 0;
}
QV_EXPORT(controlMacControlHandleGetter)

// ---- RectControl: help, cursor, state ----

extern "C" void controlHelpTagSetter(RuntimeObject* control, uint32_t, stringStorage* text) {
  stringSetter(control, offsetof(ControlObject, helpTag), text);
  if (SubPane* pane = PaneOf(control)) pane->SetHelpTag(string(text));
}
QV_EXPORT(controlHelpTagSetter)

extern "C" void controlBalloonHelpSetter(RuntimeObject* control, uint32_t, stringStorage* text) {
  stringSetter(control, offsetof(ControlObject, balloonHelp), text);
  if (SubPane* pane = PaneOf(control)) pane->SetBalloonHelp(string(text));
}
QV_EXPORT(controlBalloonHelpSetter)

extern "C" void controlDisabledBalloonHelpSetter(RuntimeObject* control, uint32_t,
                                                 stringStorage* text) {
  stringSetter(control, offsetof(ControlObject, disabledBalloonHelp), text);
  if (SubPane* pane = PaneOf(control)) pane->SetDisabledBalloonHelp(string(text));
}
QV_EXPORT(controlDisabledBalloonHelpSetter)

extern "C" void controlMouseCursorSetter(RuntimeObject* control, uint32_t,
                                         RuntimeObject* cursor) {
  objSetter(control, offsetof(ControlObject, mouseCursor), cursor);
  if (SubPane* pane = PaneOf(control)) pane->SetMouseCursor(MouseCursorHandle(cursor));
}
QV_EXPORT(controlMouseCursorSetter)

extern "C" void ControlVisibleSetter(RuntimeObject* control, uint32_t, int32_t visible) {
  SetStateFlag(control, &ControlObject::visible, visible, kControlShow, kControlHide);
}
QV_EXPORT(ControlVisibleSetter)

extern "C" void controlEnabledSetter(RuntimeObject* control, uint32_t, int32_t enabled) {
  SetStateFlag(control, &ControlObject::enabled, enabled, kControlEnable, kControlDisable);
}
QV_EXPORT(controlEnabledSetter)

extern "C" int32_t controlActiveGetter(RuntimeObject* control, uint32_t) {
  SubPane* pane = PaneOf(control);
  return pane && pane->IsActive() ? 1 : 0;
}
QV_EXPORT(controlActiveGetter)

extern "C" int32_t controlAutoDeactivateGetter(RuntimeObject* control, uint32_t) {
  return control && AsControl(control)->autoDeactivate ? 1 : 0;
}
QV_EXPORT(controlAutoDeactivateGetter)

extern "C" void controlAutoDeactivateSetter(RuntimeObject* control, uint32_t, int32_t on) {
  if (!control) return;
  AsControl(control)->autoDeactivate = on != 0;
  if (SubPane* pane = PaneOf(control)) pane->SetAutoDeactivate(on != 0);
}
QV_EXPORT(controlAutoDeactivateSetter)

// ---- RectControl: position ----

extern "C" int32_t ctlPosGetter(RuntimeObject* control, uint32_t selector) {
  if (!control) {
    RaiseNilObjectException();
    return 0;
  }
  const QV::Rect& r = AsControl(control)->bounds;
  switch (selector) {
    case kLeft: return r.left;
    case kTop: return r.top;
    case kWidth: return r.right - r.left;
    case kHeight: return r.bottom - r.top;
    default: return 0;
  }
}
QV_EXPORT(ctlPosGetter)

extern "C" void ctlPosSetter(RuntimeObject* control, uint32_t selector, int32_t value) {
  if (!control) {
    RaiseNilObjectException();
    return;
  }
  QV::Rect r = AsControl(control)->bounds;
  switch (selector) {
    case kLeft: RectOffset(r, value - r.left, 0); break;
    case kTop: RectOffset(r, 0, value - r.top); break;
    case kWidth: r.right = int16_t(r.left + value); break;
    case kHeight: r.bottom = int16_t(r.top + value); break;
    default: return;
  }
  ApplyBounds(control, r);
}
QV_EXPORT(ctlPosSetter)

extern "C" void RuntimeControlMove(RuntimeObject* control, int32_t left, int32_t top,
                                   int32_t width, int32_t height) {
  if (!QV_CHECK_TEXT(control, "ctl", nullptr)) return;
  QV::Rect r;
  RectSet(r, left, top, left + width, top + height);
  ApplyBounds(control, r);
}
QV_EXPORT(RuntimeControlMove)

extern "C" int32_t RuntimeControlDefaultHeight(RuntimeObject* control) {
  if (!control) return 0;
  SubPane* pane = PaneOf(control);
  GtkWidget* widget = pane ? pane->GetWidget() : nullptr;
  if (!widget) return AsControl(control)->bounds.bottom - AsControl(control)->bounds.top;
  if (!widget->window) gtk_widget_realize(widget);
  GtkRequisition requisition = {0, 0};
  gtk_widget_size_request(widget, &requisition);
  if (requisition.height != 0) return requisition.height;
  return 2 * widget->style->ythickness + 22;
}
QV_EXPORT(RuntimeControlDefaultHeight)

// ---- RectControl: parent ----

extern "C" RuntimeObject* ControlParentGetter(RuntimeObject* control, uint32_t) {
  RuntimeObject* parent = ParentControlOf(control);
  RuntimeLockObject(parent);
  return parent;
}
QV_EXPORT(ControlParentGetter)

extern "C" void ControlParentSetter(RuntimeObject* control, uint32_t, RuntimeObject* parent) {
  SubPane* pane = PaneOf(control);
  if (!pane) return;
  SubPane* parentPane = IsControlObject(parent) ? PaneOf(parent) : nullptr;
  if (!parentPane) {
    SubPane* root = WindowObjectNativePane(AsControl(control)->window);
    if (!root || pane->GetOwner() == root) return;
    pane->SetParent(root);
    ReapplyState(control, true, true);
    return;
  }
  if (parentPane->GetWindow() != pane->GetWindow()) {
    RaiseNewException(InvalidParentExceptionDefinition());
    return;
  }
  pane->SetParent(parentPane);
  ReapplyState(control, AsControl(parent)->enabled, AsControl(parent)->visible);
}
QV_EXPORT(ControlParentSetter)

extern "C" void ControlInitialParentSetter(RuntimeObject* control, uint32_t,
                                           stringStorage* name) {
  StringMap<RuntimeObject*>* map = ControlWindowMap(control);
  if (!name || !map) return;
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (!IsControlObject(object) || string(AsControl(object)->name).Compare(string(name)) != 0) {
      continue;
    }
    AsControl(control)->initialParent = object;
    return;
  }
}
QV_EXPORT(ControlInitialParentSetter)

// ---- RectControl: drawing and focus ----

extern "C" void RuntimeControlRefresh(RuntimeObject* control, int32_t erase) {
  SubPane* pane = ShownPaneOf(control);
  if (!pane) return;
  pane->Refresh(erase != 0);
  pane->ProcessUpdates();
}
QV_EXPORT(RuntimeControlRefresh)

extern "C" void RuntimeControlInvalidate(RuntimeObject* control, int32_t erase) {
  if (SubPane* pane = ShownPaneOf(control)) pane->Refresh(erase != 0);
}
QV_EXPORT(RuntimeControlInvalidate)

extern "C" void RuntimeControlInvalidateRect(RuntimeObject* control, int32_t x, int32_t y,
                                             int32_t width, int32_t height, int32_t) {
  SubPane* pane = ShownPaneOf(control);
  if (!pane) return;
  const QV::Rect& bounds = pane->GetBounds();
  pane->InvalidateRectCoords(bounds.left + x, bounds.top + y, bounds.left + x + width,
                             bounds.top + y + height);
}
QV_EXPORT(RuntimeControlInvalidateRect)

extern "C" void RuntimeControlRefreshRect(RuntimeObject* control, int32_t x, int32_t y,
                                          int32_t width, int32_t height, int32_t erase) {
  RuntimeControlInvalidateRect(control, x, y, width, height, erase);
  if (SubPane* pane = ShownPaneOf(control)) pane->ProcessUpdates();
}
QV_EXPORT(RuntimeControlRefreshRect)

extern "C" void RuntimeSetFocus(RuntimeObject* control) {
  if (SubPane* pane = PaneOf(control)) pane->SetKeyboardFocus();
}
QV_EXPORT(RuntimeSetFocus)

extern "C" void RuntimeControlDrawInto(RuntimeObject* control, RuntimeObject* graphics,
                                       int32_t x, int32_t y) {
  SubPane* pane = PaneOf(control);
  Graphics* g = graphics ? NativeGraphicsOf(graphics) : nullptr;
  if (!pane || !g || !g->TargetGdkDrawable()) return;
  pane->DrawIntoAt(*g, x + g->OriginX(), y + g->OriginY());
}
QV_EXPORT(RuntimeControlDrawInto)

// ---- RectControl: menu handlers and construction ----

extern "C" void ControlAddMenuHandler(RuntimeObject* control, stringStorage* name,
                                      void* handler) {
  if (!QV_CHECK_TEXT(control, "self", nullptr) || !QV_CHECK_TEXT(name, "name", nullptr)) return;
  if (!handler) return;
  ControlObject* record = AsControl(control);
  if (!record->menuHandlers) record->menuHandlers = new StringMap<void*>(256);
  if (!QV_CHECK_TEXT(record->menuHandlers, "self->mMenuHandlers", nullptr)) return;
  record->menuHandlers->AddEntry(string(name), handler);
}
QV_EXPORT(ControlAddMenuHandler)

extern "C" void RectControlDefaultConstructor(RuntimeObject*) {}
QV_EXPORT(RectControlDefaultConstructor)
