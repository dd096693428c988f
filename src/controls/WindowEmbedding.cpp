// Embedding a window in another: the standing control is listed in the holder's control map,
// made a pane in the topmost native window (inside the pane of the control it was embedded
// within, or of the holder's own standing control), and the embedded window's controls get
// their panes inside it. Rectangles of panes are in the content coordinates of the topmost
// window; the embedded window's own bounds stay its place inside its holder.
#include <string>

#include "controls/Canvas.h"
#include "controls/ContainerControl.h"
#include "controls/ControlAccessors.h"
#include "controls/PagePanel.h"
#include "controls/RuntimeControl.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/ExceptionClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "windows/EmbeddedWindows.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

constexpr int32_t kDesignedSize = -1;

RuntimeObject* StandingControlFor(RuntimeObject* window) {
  RuntimeObject* control = NewObjectFromDefinition(EmbeddedWindowControlClassDefinition());
  if (control) reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow = window;
  return control;
}

RuntimeObject* WindowOfStandingControl(RuntimeObject* control) {
  if (!IsEmbeddedWindowControl(control)) return nullptr;
  return reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow;
}

// True when holder is window or lies inside it: the walk up from holder would meet window.
bool HolderInside(RuntimeObject* holder, RuntimeObject* window) {
  for (RuntimeObject* w = holder; w; w = HolderOf(w)) {
    if (w == window) return true;
  }
  return false;
}

string ClassNameKey(RuntimeObject* window) {
  string key("_");
  key += string(window->classPtr->className);
  return key;
}

// The pane takes the shown state its owner passes down; a panel's owner shows the current
// page's panes only.
void ApplyOwnerShown(SubPane* pane) {
  SubPane* owner = pane ? pane->GetOwner() : nullptr;
  if (!owner) return;
  if (owner->IsPagePanel()) {
    RefreshPageVisibility(owner);
  } else {
    pane->SetShownFromOwner(owner->IsShown());
  }
}

int32_t Width(const QV::Rect& r) { return r.right - r.left; }
int32_t Height(const QV::Rect& r) { return r.bottom - r.top; }

// The control's pane in the topmost window, inside its parent control's pane.
void MakeStandingPane(RuntimeObject* control, RuntimeObject* holder, RuntimeObject* top,
                      RuntimeObject* window) {
  ControlObject* record = AsControl(control);
  ControlInitialParentSetter(control, 0, AsWindow(window)->containingControlName);
  RuntimeObject* holderControl = StandingControlOf(holder);
  if (!record->initialParent && holderControl) {
    record->initialParent = holderControl;
    record->tabPanelIndex = AsControl(holderControl)->tabPanelIndex;
  }
  record->window = top;
  record->ownerPane = AsWindow(top)->mImp;
  record->visible = AsWindow(window)->visible;
  SubPane* pane = CreateControlPane(control);
  if (pane && !record->initialParent) ControlParentSetter(control, 0, nullptr);
  pane = record->pane;
  if (pane) {
    ApplyOwnerShown(pane);
    if (pane->IsVisibleAndShown()) pane->Refresh(true);
  }
  record->window = holder;
}

// The AddMenuHandlers event: a window taking its holder's events adds its handlers to the
// holder; any other adds them to itself, and they go on to its standing control.
void AddEmbeddedMenuHandlers(RuntimeObject* window, RuntimeObject* holder, RuntimeObject* control) {
  WindowObject* w = AsWindow(window);
  if (!LookupEventHandler(window, WindowHooks().addMenuHandlers)) return;
  if (w->windowEvents) {
    RaiseObjectEvent<void>(window, WindowHooks().addMenuHandlers, holder);
    return;
  }
  RaiseObjectEvent<void>(window, WindowHooks().addMenuHandlers, window);
  if (!w->mMenuHandlers) return;
  StringMapIterator<void*> walk(w->mMenuHandlers);
  void* handler = nullptr;
  while (walk.Next() && walk.GetValue(&handler)) {
    ControlAddMenuHandler(control, walk.GetKey().Storage(), handler);
  }
}

// The panes of the window's controls, inside the standing control's pane; windows placed on
// it at design time are embedded in it, and the walk starts again.
void MakeEmbeddedControlPanes(RuntimeObject* window, RuntimeObject* top) {
  StringMap<RuntimeObject*>* map = AsWindow(window)->mControls;
  if (!map) return;
  ControlMapWalk walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (!AsWindow(top)->mImp || AsWindow(top)->mImp->IsClosing()) return;
    if (IsContainerControl(object)) {
      if (AsWindow(object)->embeddedWithin) continue;
      EmbedWindow(object, window, 0, 0, kDesignedSize, kDesignedSize, true);
      if (AsWindow(object)->embeddedWithin) walk = WalkControlMap(map);
      continue;
    }
    if (!IsControlObject(object) || AsControl(object)->pane) continue;
    CreateEmbeddedControlPane(window, object);
  }
}

}  // namespace

void EmbedWindow(RuntimeObject* window, RuntimeObject* holder, int32_t left, int32_t top,
                 int32_t width, int32_t height, bool deferOpen) {
  if (!QV_CHECK_TEXT(window, "templateWindow", nullptr)) return;
  if (!holder) {
    RaiseNilObjectException();
    return;
  }
  WindowObject* w = AsWindow(window);
  RuntimeObject* control = w->mEmbeddedWindowControl;
  if (!QV_CHECK_TEXT(control, "templateWindow->mEmbeddedWindowControl", nullptr)) return;
  // Inside itself the walk up to the top window would never end.
  if (HolderInside(holder, window)) {
    RaiseNewException(InvalidParentExceptionDefinition());
    return;
  }
  RuntimeObject* topWindow = TopWindowOf(holder);
  RuntimeViewWindow* native = AsWindow(topWindow)->mImp;
  // Embedded once only, and only in a window that is shown somewhere.
  if (AsControl(control)->pane || AsControl(control)->window || !native || native->IsClosing()) {
    return;
  }
  LockedObjects held;
  held.Add(window);
  held.Add(control);
  held.Add(holder);
  w->embeddedWithin = holder;
  QV::Rect& bounds = w->bounds;
  RectOffset(bounds, left, top);
  if (width != kDesignedSize) bounds.right = int16_t(bounds.left + width);
  if (height != kDesignedSize) bounds.bottom = int16_t(bounds.top + height);
  const QV::Point origin = ContentOriginOf(holder);
  QV::Rect& placed = AsControl(control)->bounds;
  RectSet(placed, bounds.left + origin.h, bounds.top + origin.v,
          bounds.left + origin.h + Width(bounds), bounds.top + origin.v + Height(bounds));
  WindowAddControl(holder, ClassNameKey(window).Storage(), control);
  MakeStandingPane(control, holder, topWindow, window);
  // The holder's map holds the control now, and the control the window.
  RuntimeLockObject(window);
  RuntimeUnlockObject(control);
  if (!AsCanvas(control)->acceptFocus) w->windowEvents = 1;
  AddEmbeddedMenuHandlers(window, holder, control);
  if (!AsControl(control)->pane || native->IsClosing()) return;
  MakeEmbeddedControlPanes(window, topWindow);
  placed.right = int16_t(placed.left + (width != kDesignedSize ? width : Width(bounds)));
  placed.bottom = int16_t(placed.top + (height != kDesignedSize ? height : Height(bounds)));
  SubPane* pane = AsControl(control)->pane;
  if (!pane || pane->IsClosing()) return;
  ApplyOwnerShown(pane);
  if (deferOpen) {
    pane->SetBoundsAndLayout(placed, false);
    return;
  }
  OpenWindowAndControls(window);
  pane = AsControl(control)->pane;
  if (!pane || pane->IsClosing()) return;
  pane->Activate();
  pane->SetBoundsAndLayout(AsControl(control)->bounds, false);
}

// Innermost windows' controls first, each window's in insertion order; the standing control
// last, which raises the window's own Close.
void CloseEmbeddedWindow(RuntimeObject* window) {
  RuntimeObject* control = StandingControlOf(window);
  if (!control) return;
  LockedObjects held;
  held.Add(control);
  LockedObjects controls;
  CollectWindowControls(window, controls);
  for (uint32_t i = 0; i < controls.size(); ++i) {
    RuntimeObject* member = controls[i];
    if (!AsControl(member)->window && !AsControl(member)->pane) continue;
    ControlClose(member);
  }
  if (AsControl(control)->window || AsControl(control)->pane) ControlClose(control);
}

void LinkWindowEmbedding() {
  WindowEmbeddingLink& link = WindowEmbedding();
  link.containerControlClass = ContainerControlClassDefinition;
  link.newStandingControl = &StandingControlFor;
  link.windowStoodFor = &WindowOfStandingControl;
  link.embedAsDesigned = +[](RuntimeObject* window, RuntimeObject* holder) {
    EmbedWindow(window, holder, 0, 0, kDesignedSize, kDesignedSize, true);
  };
  link.dropStandingControl = +[](RuntimeObject* window) {
    RuntimeObject* control = AsWindow(window)->mEmbeddedWindowControl;
    if (WindowOfStandingControl(control) != window) return;
    reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow = nullptr;
    AsWindow(window)->mEmbeddedWindowControl = nullptr;
    RuntimeUnlockObject(control);
  };
  link.closeEmbedded = &CloseEmbeddedWindow;
  link.setVisible = &ControlVisibleSetter;
  link.position = &ctlPosGetter;
  link.setPosition = &ctlPosSetter;
}

// ---- the methods ----

// The window keeps its designed bounds; only the standing control moves.
extern "C" void EmbedWithin(RuntimeObject* window, RuntimeObject* containingWindow, int32_t left,
                            int32_t top, int32_t width, int32_t height) {
  if (!QV_CHECK_TEXT(window, "templateWindow", nullptr)) return;
  WindowObject* w = AsWindow(window);
  const QV::Rect designed = w->bounds;
  RectOffset(w->bounds, -w->bounds.left, -w->bounds.top);
  RuntimeObject* control = w->mEmbeddedWindowControl;
  QV::Rect controlBefore{};
  if (control) {
    controlBefore = AsControl(control)->bounds;
    RectOffset(AsControl(control)->bounds, -controlBefore.left, -controlBefore.top);
  }
  LockedObjects held;
  held.Add(window);
  EmbedWindow(window, containingWindow, left, top, width, height, false);
  w->bounds = designed;
  if (control && left == 0 && top == 0 && !AsControl(control)->pane) {
    AsControl(control)->bounds = controlBefore;
  }
}
QV_EXPORT(EmbedWithin)

extern "C" void EmbedWithinControl(RuntimeObject* window, RuntimeObject* containingControl,
                                   int32_t left, int32_t top, int32_t width, int32_t height) {
  if (!QV_CHECK_TEXT(window, "templateWindow", nullptr)) return;
  if (!containingControl) {
    RaiseNilObjectException();
    return;
  }
  RuntimeObject* control = AsWindow(window)->mEmbeddedWindowControl;
  if (control && AsControl(control)->tabPanelIndex == 0 &&
      ObjectIsaDefinition(containingControl, PagePanelClassDefinition())) {
    AsControl(control)->tabPanelIndex = PagePanelValueGetter(containingControl, 0) + 1;
  }
  RuntimeObject* holder = AsControl(containingControl)->window;
  if (!holder) {
    RaiseNewException(InvalidParentExceptionDefinition());
    return;
  }
  eWindowInitialParentSetter(window, 0, AsControl(containingControl)->name);
  // The control's rectangle is in the top window's coordinates; the holder's place is not.
  const QV::Point origin = ContentOriginOf(holder);
  const QV::Rect& at = AsControl(containingControl)->bounds;
  EmbedWithin(window, holder, left + at.left - origin.h, top + at.top - origin.v, width, height);
}
QV_EXPORT(EmbedWithinControl)

extern "C" void EmbedWithinPanel(RuntimeObject* window, RuntimeObject* containingPanel,
                                 int32_t page, int32_t left, int32_t top, int32_t width,
                                 int32_t height) {
  RuntimeObject* control = window ? AsWindow(window)->mEmbeddedWindowControl : nullptr;
  if (!QV_CHECK_TEXT(control, "templateWindow and templateWindow->mEmbeddedWindowControl",
                     nullptr)) {
    return;
  }
  AsControl(control)->tabPanelIndex = page + 1;
  EmbedWithinControl(window, containingPanel, left, top, width, height);
}
QV_EXPORT(EmbedWithinPanel)
