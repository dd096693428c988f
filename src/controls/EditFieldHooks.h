// What the EditField class's files share: the hooks of its events and its pane.
#pragma once

#include "controls/EditControl.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct EditFieldHooks {
  ObjectHook* keyDown = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* selChange = nullptr;
  ObjectHook* textChange = nullptr;
  ObjectHook* enableMenuItems = nullptr;
  ObjectHook* validationError = nullptr;
};
EditFieldHooks& EditFieldEvents();

// The field's pane, or nil.
EditControl* EditPaneOf(RuntimeObject* field);
