// The control record's lifetime: construction, destruction, closing a control with the
// controls inside it (renumbering its control array), and state passed to contained controls.
#include "controls/RuntimeControl.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

using ControlMap = StringMap<RuntimeObject*>;

// How many owners lie between pane and container (1 for a direct child); 0 when pane is not
// below container.
int32_t DepthBelow(SubPane* pane, SubPane* container) {
  int32_t depth = 1;
  for (SubPane* owner = pane->GetOwner(); owner; owner = owner->GetOwner(), ++depth) {
    if (owner == container) return depth;
  }
  return 0;
}

// Every Control of map (not control) whose pane clears keep.
template <typename Keep>
void CollectControls(ControlMap* map, RuntimeObject* control, Keep keep, LockedObjects& out) {
  if (!map) return;
  auto walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (object != control && IsControlObject(object) && keep(object)) out.Add(object);
  }
}

// The other controls of control's map stop referring to it.
void ClearLinksTo(ControlMap* map, RuntimeObject* control) {
  LockedObjects linked;
  CollectControls(map, control, [&](RuntimeObject* o) {
    return AsControl(o)->linkedControl == control;
  }, linked);
  for (uint32_t i = 0; i < linked.size(); ++i) AsControl(linked[i])->linkedControl = nullptr;
}

// The members after index of the control array name move down by one: key and Index.
void RenumberFollowingMembers(ControlMap* map, const string& name, int32_t index) {
  for (int32_t k = index + 1; k > 0; ++k) {
    RuntimeObject* member = nullptr;
    const string key = ControlMapKey(name, k);
    if (!map->GetEntry(key, &member)) return;
    map->RemoveEntry(key);
    map->AddEntry(ControlMapKey(name, k - 1), member);
    if (IsControlObject(member)) AsControl(member)->index = k - 1;
  }
}

// Takes control out of its window: its map entry (renumbering an array after it), the other
// controls' links to it, its window field, and the map's reference when the map held one.
void TakeOutOfWindow(RuntimeObject* control) {
  RuntimeObject* window = AsControl(control)->window;
  ControlMap* map = window ? AsWindow(window)->mControls : nullptr;
  if (!map) {
    AsControl(control)->window = nullptr;
    return;
  }
  const bool mapHolds = !AsWindow(window)->controlsReleased;
  bool listed = false;
  {
    auto walk = WalkControlMap(map);
    RuntimeObject* object = nullptr;
    while (walk->Next() && walk->GetValue(&object)) listed = listed || object == control;
  }
  RemoveControlFromWindow(control);
  const int32_t index = AsControl(control)->index;
  if (listed && index != kNoControlIndex && index >= 0) {
    RenumberFollowingMembers(map, string(AsControl(control)->name), index);
  }
  ClearLinksTo(map, control);
  if (listed && mapHolds) RuntimeUnlockObject(control);
}

void ClosePaneOf(RuntimeObject* control) {
  SubPane* pane = AsControl(control)->pane;
  if (!pane) return;
  if (GetFocusPane() == pane) ClearKeyboardFocus();
  AsControl(control)->pane = nullptr;
  if (pane->IsClosing()) return;
  pane->ReparentChildren();
  pane->SetVisible(false);
  pane->Close();
}

}  // namespace

FontSpec MakeControlFontDescription(const ControlFontRecord& font) {
  FontSpec request;
  request.name = string(font.name);
  request.size = font.size;
  request.bold = font.bold != 0;
  request.italic = font.italic != 0;
  request.underline = font.underline != 0;
  return request;
}

ControlMap* ControlWindowMap(RuntimeObject* control) {
  RuntimeObject* window = control ? AsControl(control)->window : nullptr;
  return window ? AsWindow(window)->mControls : nullptr;
}

// Sorted by depth, so that a container always comes before what it holds.
void CollectContainedControls(RuntimeObject* control, LockedObjects& inside) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  if (!pane) return;
  LockedObjects found;
  CollectControls(ControlWindowMap(control), control, [&](RuntimeObject* o) {
    SubPane* child = AsControl(o)->pane;
    return child && child != pane && DepthBelow(child, pane) > 0;
  }, found);
  std::vector<std::pair<int32_t, RuntimeObject*>> byDepth;
  for (uint32_t i = 0; i < found.size(); ++i) {
    byDepth.emplace_back(DepthBelow(AsControl(found[i])->pane, pane), found[i]);
  }
  std::stable_sort(byDepth.begin(), byDepth.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& entry : byDepth) inside.Add(entry.second);
}

void CollectControlTree(RuntimeObject* control, LockedObjects& tree) {
  tree.Add(control);
  CollectContainedControls(control, tree);
}

void PropagateControlState(RuntimeObject* control, int32_t code) {
  if (!control || !AsControl(control)->pane) return;
  const bool enabling = code == kControlEnable || code == kControlDisable;
  if (!enabling && code != kControlShow && code != kControlHide) {
    const std::string extra = "Not prepared to deal with this action " + std::to_string(code);
    QV_FAIL_TEXT("code", extra.c_str());
    return;
  }
  LockedObjects inside;
  CollectContainedControls(control, inside);
  for (uint32_t i = 0; i < inside.size(); ++i) {
    ControlObject* child = AsControl(inside[i]);
    if (!child->pane) continue;
    int32_t childCode = code;
    if (enabling && !child->enabled) childCode = kControlDisable;
    if (!enabling && !child->visible) childCode = kControlHide;
    child->pane->ApplyStateCode(childCode);
  }
}

extern "C" void RuntimeControlInitializer(RuntimeObject* control) {
  if (control) AsControl(control)->index = kNoControlIndex;
}
QV_EXPORT(RuntimeControlInitializer)

extern "C" void RuntimeControlFinalizer(RuntimeObject* control) {
  if (!control) return;
  ControlObject* record = AsControl(control);
  if (ControlMap* map = ControlWindowMap(control)) ClearLinksTo(map, control);
  RemoveControlFromWindow(control);
  stringStorage::RemoveReference(record->name);
  stringStorage::RemoveReference(record->balloonHelp);
  stringStorage::RemoveReference(record->disabledBalloonHelp);
  stringStorage::RemoveReference(record->helpTag);
  RuntimeUnlockObject(record->mouseCursor);
  delete record->menuHandlers;
  record->name = record->balloonHelp = record->disabledBalloonHelp = record->helpTag = nullptr;
  record->mouseCursor = nullptr;
  record->menuHandlers = nullptr;
  record->pane = nullptr;
  record->ownerPane = nullptr;
  record->linkedControl = nullptr;
}
QV_EXPORT(RuntimeControlFinalizer)

// Every control of the pass stays held until the pass ends, so a Close handler that closes or
// releases another control of the list leaves nothing dangling.
extern "C" void ControlClose(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "ctl", nullptr)) return;
  SubPane* pane = AsControl(control)->pane;
  if (pane && GetFocusPane() == pane) ClearKeyboardFocus();
  LockedObjects tree;
  CollectControlTree(control, tree);
  for (uint32_t i = tree.size(); i-- > 0;) {
    RuntimeObject* member = tree[i];
    // A handler earlier in the pass may have closed this one already.
    if (member != control && !AsControl(member)->window) continue;
    SubPane* memberPane = AsControl(member)->pane;
    if (memberPane && GetFocusPane() == memberPane) ClearKeyboardFocus();
    RaiseControlClose(member);
    ClosePaneOf(member);
    TakeOutOfWindow(member);
  }
}
QV_EXPORT(ControlClose)

void AdoptControlPane(RuntimeObject* control, SubPane* pane) {
  ControlObject& record = *AsControl(control);
  record.pane = pane;
  RuntimeObject* initialParent = record.initialParent;
  if (initialParent && AsControl(initialParent)->pane) {
    pane->SetParent(AsControl(initialParent)->pane);
  }
  if (!record.visible) pane->ApplyStateCode(kControlHide);
}

extern "C" void NilCreatePane(RuntimeObject*) {}
QV_EXPORT(NilCreatePane)
