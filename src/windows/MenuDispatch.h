// The menu command: who handles a chosen menu item. In this order, until one answers that it
// handled it: the focused control's menu handler of the item's name, the focus pane's
// HandleMenuCommand, the menu handlers of the window and of the windows embedded in it
// (innermost first), the Application's menu handler, and last the item's own Action event.
// A handled command runs the enabling pass.
//
// Handlers may close the window or remove the item: the dispatch holds the item, the native
// window, the focus pane and every window object it collected until it returns.
#pragma once

#include "core/RuntimeObject.h"

class Window;
class RuntimeViewWindow;

// window nil: the front window. A nil item raises NilObjectException (false).
bool DispatchMenuCommand(RuntimeObject* item, Window* window);

// The language window behind a native window, or nil.
RuntimeViewWindow* LanguageWindowOf(Window* window);
