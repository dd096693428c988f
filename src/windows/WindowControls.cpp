// The controls of a window: the control map and its keys, adding and counting controls, the
// objects a window makes, its menu handlers, control panes and their delegate.
#include "windows/WindowControls.h"

#include <string>

#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeError.h"
#include "windows/EmbeddedWindows.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

constexpr uint32_t kMapBuckets = 256;
constexpr int32_t kStateDisable = 6;
constexpr int32_t kStateHide = 8;

bool gCreatingAtRunTime = false;

// The interface belongs to the control classes, above this layer: it is found by name.
ObjectDefinition* PaneChildInterface() { return LookupClassDefinition(string("_PaneChild")); }

using ControlMap = StringMap<RuntimeObject*>;

// The first index from first whose key is free.
int32_t FreeIndex(ControlMap* map, const string& name, int32_t first = 0) {
  int32_t index = first;
  while (map->Contains(ControlMapKey(name, index))) ++index;
  return index;
}

// The control standing for an embedded window is listed under its name, or, when a window of
// the same class is embedded already, under the first free name$i from 1: a second one never
// takes the first one's entry.
string StandingControlKey(ControlMap* map, const string& name) {
  if (!map->Contains(name)) return name;
  return ControlMapKey(name, FreeIndex(map, name, 1));
}

// Finds the index-th Control of the map, in insertion order; -1 counts them all.
RuntimeObject* NthControl(ControlMap* map, int32_t index, int32_t* count) {
  *count = 0;
  if (!map) return nullptr;
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (!IsControlObject(object)) continue;
    if (*count == index) return object;
    ++*count;
  }
  return nullptr;
}

// Every other Control of the window whose pane holds pane (at any depth) passes on its
// disabled and hidden state. The panes that hold it are its owners, so they are walked up from
// it: asking every control of the window instead made opening a window's controls quadratic.
void ApplyContainerStates(RuntimeObject* window, RuntimeObject* control, SubPane* pane) {
  for (SubPane* container = pane->GetOwner(); container; container = container->GetOwner()) {
    RuntimeObject* object = container->GetRunControl();
    if (!object || object == control || !IsControlObject(object)) continue;
    if (AsControl(object)->pane != container || AsControl(object)->window != window) continue;
    if (!container->IsEnabled() && pane->IsEnabled()) pane->ApplyStateCode(kStateDisable);
    if (!container->IsVisible() && pane->IsVisible()) pane->ApplyStateCode(kStateHide);
  }
}

// A clone made while its template has the new pane inside it moves out to the template's own
// owner.
void MoveOutOfTemplates(ControlMap* map, RuntimeObject* control, SubPane* pane) {
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (object == control || !IsControlObject(object)) continue;
    if (object->classPtr != control->classPtr) continue;
    SubPane* owner = pane->GetOwner();
    if (!owner || AsControl(object)->pane != owner || !owner->GetOwner()) continue;
    SubPane* outer = owner->GetOwner();
    owner->RemoveChild(pane);
    outer->AddChild(pane);
  }
}

// A control added while the window runs: its pane now, then its Open.
void OpenControlAtRunTime(RuntimeObject* window, RuntimeObject* control) {
  WindowObject* w = AsWindow(window);
  gCreatingAtRunTime = true;
  // A control of an embedded window lies inside the control standing for it.
  SubPane* pane = StandingControlOf(window) ? CreateEmbeddedControlPane(window, control)
                                            : CreateControlPane(control);
  gCreatingAtRunTime = false;
  if (!pane || !w->mControls) return;
  MoveOutOfTemplates(w->mControls, control, pane);
  if (SubPane* owner = pane->GetOwner()) pane->SetShownFromOwner(owner->IsShown());
  AllocatePaneNow(pane);
  bool open = true;
  RaiseControlEvent<void>(control, ControlClasses().open, &open);
  if (open && AsControl(control)->pane == pane) pane->Refresh(true);
}

}  // namespace

// ---- the control classes' part ----

ControlClassLink& ControlClasses() {
  static ControlClassLink link;
  return link;
}

bool IsControlObject(RuntimeObject* object) {
  ObjectDefinition* (*controlClass)() = ControlClasses().controlClass;
  return object && controlClass && ObjectIsaDefinition(object, controlClass());
}

ControlMapWalk WalkControlMap(StringMap<RuntimeObject*>* map) {
  return ControlMapWalk(new StringMapIterator<RuntimeObject*>(map));
}

string ControlMapKey(const string& name, int32_t index) {
  if (index < 0) return name;
  string key = name;
  key += "$";
  key += std::to_string(index).c_str();
  return key;
}

bool IsPaneChild(RuntimeObject* object) {
  ObjectDefinition* paneChild = PaneChildInterface();
  return object && paneChild && ObjectIsaDefinition(object, paneChild);
}

void* PaneChildMethod(RuntimeObject* object, const char* name) {
  ObjectDefinition* paneChild = PaneChildInterface();
  void* method = paneChild ? LookupInterfaceMethod(object, paneChild, name) : nullptr;
  return method == reinterpret_cast<void*>(&UnimplementedInterfaceMethod) ? nullptr : method;
}

// ---- the control map ----

extern "C" void WindowAddControl(RuntimeObject* window, stringStorage* name,
                                 RuntimeObject* object) {
  if (!QV_CHECK_TEXT(window, "self", nullptr) || !object) return;
  WindowObject* w = AsWindow(window);
  if (w->controlsReleased) return;  // closed: nothing new is listed until it is built again
  if (!w->mControls) w->mControls = new ControlMap(kMapBuckets);
  const bool isControl = IsControlObject(object);
  const bool isPaneChild = !isControl && IsPaneChild(object);
  const bool standing = WindowStoodFor(object) != nullptr;
  const string controlName(name);
  int32_t index = kNoControlIndex;
  if (standing) {
    // no array index: see StandingControlKey
  } else if (w->mInitialControlsCreated) {
    index = FreeIndex(w->mControls, controlName);
    if (isControl) {
      AsControl(object)->index = index;
    } else if (isPaneChild) {
      void* setIndex = PaneChildMethod(object, "_SetIndex");
      if (QV_CHECK_TEXT(setIndex, "fp2", nullptr)) {
        CompiledCall call;
        call.Protect(object).Invoke<void>(setIndex, object, index);
      }
    }
  } else if (isControl) {
    index = AsControl(object)->index;
  } else if (isPaneChild) {
    void* getIndex = PaneChildMethod(object, "_Index");
    if (QV_CHECK_TEXT(getIndex, "fp", nullptr)) {
      CompiledCall call;
      index = call.Protect(object).Invoke<int32_t>(getIndex, object);
    }
  }
  if (isControl) {
    ControlObject* control = AsControl(object);
    control->window = window;
    control->ownerPane = WindowObjectNativePane(window);
    if (!control->name) {
      control->name = controlName.Storage();
      stringStorage::AddReference(control->name);
    }
  }
  const string key =
      standing ? StandingControlKey(w->mControls, controlName) : ControlMapKey(controlName, index);
  RuntimeObject* previous = nullptr;
  if (w->mControls->GetEntry(key, &previous) && previous == object) return;
  RuntimeLockObject(object);
  w->mControls->AddEntry(key, object);
  // A control put out of the map no longer names the window, which may go before it does.
  if (IsControlObject(previous) && AsControl(previous)->window == window) {
    AsControl(previous)->window = nullptr;
  }
  RuntimeUnlockObject(previous);
  if (w->mInitialControlsCreated && isControl && !standing && AsControl(object)->ownerPane) {
    OpenControlAtRunTime(window, object);
  }
}
QV_EXPORT(WindowAddControl)

void RemoveControlFromWindow(RuntimeObject* control) {
  if (!control) return;
  RuntimeObject* window = AsControl(control)->window;
  AsControl(control)->window = nullptr;
  ControlMap* map = window ? AsWindow(window)->mControls : nullptr;
  if (!map) return;
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (object == control) walk->RemoveCurrent();
  }
}

extern "C" int32_t windowControlCountGetter(RuntimeObject* window, uint32_t) {
  if (!QV_CHECK_TEXT(window, "self", nullptr)) return 0;
  int32_t count = 0;
  NthControl(AsWindow(window)->mControls, -1, &count);
  return count;
}
QV_EXPORT(windowControlCountGetter)

extern "C" RuntimeObject* windowControl(RuntimeObject* window, int32_t index) {
  if (!QV_CHECK_TEXT(window, "self", nullptr)) return nullptr;
  int32_t count = 0;
  RuntimeObject* control = index >= 0 ? NthControl(AsWindow(window)->mControls, index, &count)
                                      : nullptr;
  if (!control) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  RuntimeLockObject(control);
  return control;
}
QV_EXPORT(windowControl)

// The object registered under key in the window's control map; nil without a window, a map or
// the key.
RuntimeObject* ControlUnderKey(RuntimeObject* window, const string& key) {
  ControlMap* map = window ? AsWindow(window)->mControls : nullptr;
  RuntimeObject* control = nullptr;
  if (!map || !map->GetEntry(key, &control)) return nullptr;
  return control;
}

extern "C" RuntimeObject* RuntimeControlFetch(RuntimeObject* window, stringStorage* name) {
  return ControlUnderKey(window, string(name));
}
QV_EXPORT(RuntimeControlFetch)

extern "C" RuntimeObject* RuntimeControlReference(RuntimeObject* window, stringStorage* name) {
  RuntimeObject* control = ControlUnderKey(window, string(name));
  RuntimeLockObject(control);
  return control;
}
QV_EXPORT(RuntimeControlReference)

extern "C" RuntimeObject* RuntimeControlArrayItemReference(RuntimeObject* window,
                                                           stringStorage* name, int32_t index) {
  if (index < 0) return nullptr;  // no member of an array: its key would be the plain name
  RuntimeObject* control = ControlUnderKey(window, ControlMapKey(string(name), index));
  RuntimeLockObject(control);
  return control;
}
QV_EXPORT(RuntimeControlArrayItemReference)

extern "C" RuntimeObject* WindowAllocateObject(RuntimeObject* window, RuntimeClass* cls) {
  RuntimeObject* object = RuntimeNewObject(cls);
  if (!object) return nullptr;
  if (IsControlObject(object)) {
    AsControl(object)->window = window;
    AsControl(object)->createdAtRunTime = 1;
  } else if (IsPaneChild(object)) {
    if (void* setWindow = PaneChildMethod(object, "_SetWindow")) {
      CompiledCall call;
      call.Protect(object).Invoke<void>(setWindow, object, window);
    }
    (void)QV_CHECK_TEXT(PaneChildMethod(object, "_SetIndex"), "fp2", nullptr);
  }
  return object;
}
QV_EXPORT(WindowAllocateObject)

extern "C" void WindowAddMenuHandler(RuntimeObject* window, stringStorage* name, void* handler) {
  if (!QV_CHECK_TEXT(window, "self", nullptr) || !QV_CHECK_TEXT(name, "name", nullptr)) return;
  if (!handler) return;
  WindowObject* w = AsWindow(window);
  if (!w->mMenuHandlers) w->mMenuHandlers = new StringMap<void*>(kMapBuckets);
  w->mMenuHandlers->AddEntry(string(name), handler);
}
QV_EXPORT(WindowAddMenuHandler)

// ---- control panes ----

bool IsCreatingControlAtRunTime() { return gCreatingAtRunTime; }

// The control is held throughout: a handler that CreatePane raises (HeaderPressed while a
// list's sorted column is set, say) may close it and drop every other reference.
SubPane* CreateControlPane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "We weren't passed in a control, we got nil.", nullptr)) {
    return nullptr;
  }
  ControlObject* record = AsControl(control);
  record->closed = 0;  // a new pane: the control is open again
  RuntimeLockObject(control);
  RaiseControlEvent<void>(control, ControlClasses().createPane, nullptr);
  SubPane* pane = record->pane;
  if (record->closed || control->refCount <= 1 || !pane || pane->IsClosing()) {
    RuntimeUnlockObject(control);
    return nullptr;
  }
  pane->SetRunControl(control);
  pane->SetPanelIndex(record->tabPanelIndex);
  if (!record->visible) pane->ApplyStateCode(kStateHide);
  if (!record->enabled) pane->ApplyStateCode(kStateDisable);
  if (record->window) ApplyContainerStates(record->window, control, pane);
  pane->SetBalloonHelp(string(record->balloonHelp));
  pane->SetDisabledBalloonHelp(string(record->disabledBalloonHelp));
  pane->SetHelpTag(string(record->helpTag));
  pane->SetAutoDeactivate(record->autoDeactivate != 0);
  pane->SetDelegate(new RuntimePaneDelegate(control));
  RuntimeUnlockObject(control);  // the delegate holds it now
  return pane;
}

// ---- the events of controls ----

namespace {

struct ClosedControlState final : ObjectCloseState {
  bool IsClosing(const RuntimeObject* control) const override {
    return reinterpret_cast<const ControlObject*>(control)->closed != 0;
  }
};

}  // namespace

const ObjectCloseState& control_events::ControlCloseState() {
  static const ClosedControlState state;
  return state;
}

bool IsControlClosed(RuntimeObject* control) {
  if (!control || AsControl(control)->closed) return true;
  SubPane* pane = AsControl(control)->pane;
  return pane && pane->IsClosing();
}

void RaiseControlClose(RuntimeObject* control) {
  if (!control || AsControl(control)->closed) return;
  AsControl(control)->closed = 1;
  control_events::CallHeld<void>(control, control,
                                 LookupEventHandler(control, ControlClasses().close), nullptr);
}

// ---- holding what a control event may close ----

ControlEventHold::ControlEventHold(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  if (pane && pane->RetainChain()) {
    mHeld = pane;
    mChain = true;
    return;
  }
  mHeld = control ? WindowObjectNativePane(AsControl(control)->window) : nullptr;
  if (mHeld) mHeld->Retain();
}

ControlEventHold::~ControlEventHold() { Finish(); }

bool ControlEventHold::Finish() {
  if (mFinished) return false;
  mFinished = true;
  if (!mHeld) return false;
  if (!mChain) {
    const bool closing = mHeld->IsClosing();
    return !mHeld->Release() && !closing;
  }
  Window* window = mHeld->GetWindow();
  const bool closing = window && window->IsClosing();
  return !mHeld->ReleaseChain() && !closing;
}

// ---- RuntimePaneDelegate ----

RuntimePaneDelegate::RuntimePaneDelegate(RuntimeObject* control) : mControl(control) {
  RuntimeLockObject(control);
}

RuntimePaneDelegate::~RuntimePaneDelegate() { RuntimeUnlockObject(mControl); }

// The control no longer points at its pane once the pane has closed.
void RuntimePaneDelegate::PaneClosing(Pane* pane) {
  if (!QV_CHECK_TEXT(pane->GetDelegate() == this, "ctl->mDelegate == this", nullptr)) return;
  if (AsControl(mControl)->pane == pane) AsControl(mControl)->pane = nullptr;
  pane->ClearDelegate();
  delete this;
}

void RuntimePaneDelegate::DropObject(Pane*, RuntimeObject* dragItem, int32_t action) {
  if (!dragItem) return;
  RaiseControlEvent<void>(mControl, ControlClasses().dropObject, nullptr, dragItem, action);
}

bool RuntimePaneDelegate::DragEnter(RuntimeObject* dragItem, int32_t action) {
  return RaiseControlEvent<bool>(mControl, ControlClasses().dragEnter, nullptr, dragItem, action);
}

void RuntimePaneDelegate::DragExit(RuntimeObject* dragItem, int32_t action) {
  RaiseControlEvent<void>(mControl, ControlClasses().dragExit, nullptr, dragItem, action);
}

bool RuntimePaneDelegate::DragOver(int32_t x, int32_t y, RuntimeObject* dragItem,
                                   int32_t action) {
  return RaiseControlEvent<bool>(mControl, ControlClasses().dragOver, nullptr, x, y, dragItem,
                                 action);
}

bool RuntimePaneDelegate::DrawFocusGained() {
  SubPane* pane = AsControl(mControl)->pane;
  SubPane* owner = pane ? pane->GetOwner() : nullptr;
  if (owner) owner->DrawFocusGained();
  return owner != nullptr;
}

bool RuntimePaneDelegate::DrawFocusLost() {
  SubPane* pane = AsControl(mControl)->pane;
  SubPane* owner = pane ? pane->GetOwner() : nullptr;
  if (owner) owner->DrawFocusLost();
  return owner != nullptr;
}

void RuntimePaneDelegate::ClipRect(Pane* pane, QV::Rect& rect) {
  if (!pane->IsSubPane()) return;
  SubPane* owner = static_cast<SubPane*>(pane)->GetOwner();
  if (owner) RectIntersect(rect, owner->GetBounds(), rect);
}
