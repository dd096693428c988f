// The enabling pass: before a menu shows, every leaf item of the menu bar is disabled, the
// items some handler exists for are enabled (the focused control's, the window's, the
// Application's, the item's own Action), and the compiled code adjusts them through the items'
// EnableMenu events and the EnableMenuItems events of the focused control, the windows and the
// Application.
//
// Handlers may add and remove items and close windows: the walks hold every item they visit
// and read an item's children only after its handler ran.
#pragma once

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class Window;

// skip leaves out the automatic part, the items' EnableMenu events and the Application's
// EnableMenuItems. window nil: the front window when it is a language window.
void EnableMenuItemsForWindow(bool skip, Window* window);

extern "C" {
// The pass for the front window.
void enableMenuItems();
// The menu item of that name in the front window's menu bar, with a reference for the caller;
// nil without such a window, menu bar or item.
RuntimeObject* RuntimeMenuReference(stringStorage* name);
}
