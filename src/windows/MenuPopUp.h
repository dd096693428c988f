// Pop-up menus: a menu's GtkMenu shown at a point or at the pointer, with a nested GTK loop that
// runs until the menu is hidden again. The activation handler only records the choice; the
// command runs after the menu has closed.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "core/RuntimeObject.h"

class XMenuGTK;

// Pops node's menu up (at (x, y) on the screen when atPoint, else where GTK puts it) for the
// press of button (0: none) at time, then serves events until it is hidden.
void RunPopUpMenu(XMenuGTK* node, bool atPoint, int32_t x, int32_t y, guint button,
                  guint32 time);

extern "C" {
// Shows item's menu with its top left corner at (x, y) on the screen and runs the chosen item's
// menu command; answers the chosen item (a reference for the caller) when nobody handled it,
// else nil, and nil without a choice. The focus pane is given back afterwards when it is still
// there.
RuntimeObject* RuntimeMenuItemPopUp(RuntimeObject* item, int32_t x, int32_t y);
// The same at the pointer.
RuntimeObject* RuntimeMenuItemPopUpByCursor(RuntimeObject* item);
}
