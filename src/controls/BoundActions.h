// The hidden action sources that check boxes and radio buttons hand out through getBoundPart
// ("Sys$CheckBoxAction", "Sys$RadioButtonAction"): each holds its control and says which of
// the control's two actions it stands for.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

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
