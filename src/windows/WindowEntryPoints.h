// The small entry points through which compiled code shows, hides, closes and runs its windows
// modally; each does nothing for a nil window object.
#pragma once

#include "core/RuntimeObject.h"

// Whether controls choose the alternate pane styles; they always do on this platform.
bool UseAlternateAppearance();

extern "C" {
// Visible, and the native window built when there is none yet.
void RuntimeShowAsWindow(RuntimeObject* window);
// Visible; the native window is shown and revealed.
void RuntimeShowWindow(RuntimeObject* window);
void RuntimeHideWindow(RuntimeObject* window);
// Closes the window, asking its CancelClose (not as part of quitting).
void RuntimeCloseWindow(RuntimeObject* window);
// Shows the window (building it when needed) and runs main-loop passes until it is hidden or
// closed.
void RuntimeShowModal(RuntimeObject* window);
}
