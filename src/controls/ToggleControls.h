// What check boxes and radio buttons share beyond their panes: the guard of their Action
// steps, and the hidden action sources they hand out through getBoundPart
// ("Sys$CheckBoxAction", "Sys$RadioButtonAction"), each holding its control and saying which
// of the control's two actions it stands for.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

class SubPane;

// Whether the steps of owner's Action may go on after a handler or receiver ran: the owner
// still has its window and its pane, which is not closing, nor is its window, and the owner's
// router is still the one running (sameRouter). The caller holds owner and the pane's chain.
bool ActionMayGoOn(RuntimeObject* owner, SubPane* pane, bool sameRouter);

struct BoundActionObject {
  RuntimeObject header;
  RuntimeObject* control;  // held
  int32_t checked;         // 1: the checked action, 0: the unchecked one
};
static_assert(sizeof(BoundActionObject) == 32, "bound action instances are 32 bytes");

inline BoundActionObject* AsBoundAction(RuntimeObject* object) {
  return reinterpret_cast<BoundActionObject*>(object);
}

// For "getCheckedAction" and "getUncheckedAction" (letter case ignored), a new object of
// definition's class holding control; nil for any other name.
RuntimeObject* NewBoundAction(ObjectDefinition* definition, RuntimeObject* control,
                              stringStorage* name);
// The finalizer's work: lets go of the control.
void ReleaseBoundAction(RuntimeObject* action);
