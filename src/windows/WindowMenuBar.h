// A window's menu bar: the Window class's MenuBar and MenuBarVisible accessors, and the menu
// bar's place in the native window.
//
// The window shows its own copy of the menu bar it is given: a MenuItem made for the window,
// whose node is a copy of the given bar's node, becomes its MenuBar ("owns menu bar"), its
// widget is packed at the top of the native window, and its tree is the window's for the
// shortcut table. The copy holds the given bar, so the window keeps it alive while it shows
// it. The MenuBar field always holds one reference.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

class RuntimeViewWindow;

// MenuBar becomes menuBar; with an open native window its copy is shown there (nil removes
// the one shown). No application object is needed.
void InstallWindowMenuBar(RuntimeObject* window, RuntimeObject* menuBar);
// The native window closes: the copy it shows leaves it and stops following its master.
void DetachWindowMenuBar(RuntimeViewWindow* native);

extern "C" {
// MenuBar, with a reference for the caller.
RuntimeObject* WindowMenuBarGetter(RuntimeObject* window, uint32_t parameter);
// As InstallWindowMenuBar; a missing window or application object is a failed check.
void WindowMenuBarSetter(RuntimeObject* window, uint32_t parameter, RuntimeObject* menuBar);
int32_t windowMenusVisibleGetter(RuntimeObject* window, uint32_t parameter);
// A change hides or shows the menu bars when the window is in front.
void windowMenusVisibleSetter(RuntimeObject* window, uint32_t parameter, int32_t visible);
}
