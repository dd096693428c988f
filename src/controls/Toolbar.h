// The language class "Toolbar": a RectControl showing a row of tool buttons under its window's
// menu bar. The object keeps the ordered list of its ToolItems (each locked while listed); its
// native pane (ToolbarImpGTK) gets the ToolButtons among them, in the same order, and raises
// Action with the button clicked. Items may be listed before the pane exists.
#pragma once

#include <cstddef>

#include "core/ObjectDefinition.h"
#include "core/SimpleVector.h"
#include "windows/ControlRecord.h"

struct ToolbarObject {
  ControlObject control;
  SimpleVector<RuntimeObject*>* items;  // made by the initializer
};
static_assert(sizeof(ToolbarObject) == 128 && offsetof(ToolbarObject, items) == 124,
              "Toolbar instances are 128 bytes");

ObjectDefinition* ToolbarClassDefinition();

// Every toolbar listing item rebuilds its widget at the item's place.
void RefreshToolItem(RuntimeObject* item);
// Every toolbar listing button sets its toggle to the button's Pushed.
void PushToolItem(RuntimeObject* button);
// The toolbars that have a native pane, oldest first.
const SimpleVector<RuntimeObject*>& AllToolbars();

extern "C" {
void ToolbarInitializer(RuntimeObject* toolbar);
void ToolbarFinalizer(RuntimeObject* toolbar);
void ToolbarCreatePane(RuntimeObject* toolbar);
void ToolbarAppendItem(RuntimeObject* toolbar, RuntimeObject* item);
int32_t ToolbarItemCount(RuntimeObject* toolbar);
void ToolbarInsertItem(RuntimeObject* toolbar, int32_t index, RuntimeObject* item);
// A locked reference, or nil outside 0 .. Count - 1.
RuntimeObject* ToolbarGetItem(RuntimeObject* toolbar, int32_t index);
void ToolbarRemoveItem(RuntimeObject* toolbar, int32_t index);
}
