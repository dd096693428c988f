// The small entry points through which compiled code shows, hides, closes and runs its windows
// modally, counts and finds the open ones and gives them the keyboard focus; each does nothing
// for a nil window object.
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

// The open windows of the language: those with a native window that is not closing, counted
// front to back; the index-th one (0-based) with a reference for the caller, nil outside.
int32_t getWindowCount();
RuntimeObject* getWindow(int32_t index);
// The native window's GtkWindow; nil without one.
void* WindowToWindowPtr(RuntimeObject* window);
// The window's SetFocus: a window with its native window becomes the focus pane, with no GTK
// focus widget; an embedded one gives the focus to the control that holds it.
void formSetFocus(RuntimeObject* window);
// No focus pane, and no GTK focus widget in the front window.
void clearFocus();
}
