#include "controls/ToggleControls.h"

#include <utility>

#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"
#include "windows/ControlRecord.h"
#include "windows/Window.h"

bool ActionMayGoOn(RuntimeObject* owner, SubPane* pane, bool sameRouter) {
  const ControlObject* control = AsControl(owner);
  if (!sameRouter || !control->window || control->pane != pane || pane->IsClosing()) {
    return false;
  }
  Window* window = pane->GetWindow();
  return window && !window->IsClosing();
}

RuntimeObject* NewBoundAction(ObjectDefinition* definition, RuntimeObject* control,
                              stringStorage* name) {
  if (!control) return nullptr;
  const string part(name);
  int32_t checked = -1;
  if (part.Compare(string("getCheckedAction")) == 0) checked = 1;
  if (part.Compare(string("getUncheckedAction")) == 0) checked = 0;
  if (checked < 0) return nullptr;
  RuntimeObject* action = NewObjectFromDefinition(definition);
  if (!action) return nullptr;
  RuntimeLockObject(control);
  AsBoundAction(action)->control = control;
  AsBoundAction(action)->checked = checked;
  return action;
}

void ReleaseBoundAction(RuntimeObject* action) {
  if (action) RuntimeUnlockObject(std::exchange(AsBoundAction(action)->control, nullptr));
}
