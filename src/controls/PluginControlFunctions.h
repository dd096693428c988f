// What plug-ins read and change of controls and windows. A control without a pane (not yet
// placed, or closed) answers from its own stored fields where it keeps one; everything given
// a nil or a wrong kind of object answers nil, 0 or false and does nothing.
#pragma once

#include <cstdint>

#include <gtk/gtk.h>

#include "core/Rect.h"
#include "core/RuntimeObject.h"

extern "C" {
// The pane's bounds, else the control's stored ones. Also exported as PluginGetControlBounds.
void GetControlBounds(RuntimeObject* control, QV::Rect* rect);
int32_t GetControlVisible(RuntimeObject* control);
// The Visible property's setter.
void SetControlVisible(RuntimeObject* control, int32_t visible);
// Whether the owners show the pane (a tab panel page that is not in front hides it); false
// without a pane.
int32_t GetTabPanelVisible(RuntimeObject* control);
int32_t QUORGetControlEnabled(RuntimeObject* control);
int32_t QUORGetControlFocus(RuntimeObject* control);
void QUORSetControlFocus(RuntimeObject* control, int32_t focus);
// A new Graphics object over the pane (one reference for the caller); nil without a pane.
RuntimeObject* QUORGetControlGraphics(RuntimeObject* control);
void QUORInvalidateControl(RuntimeObject* control);
void QUORInvalidateControlRect(RuntimeObject* control, int32_t left, int32_t top, int32_t right,
                               int32_t bottom);
GtkWidget* QUORGetControlHandle(RuntimeObject* control);
// The window's GtkWindow; nil without a native window.
GtkWidget* QUORGetWindowHandle(RuntimeObject* window);
// The window's compositing flag while it has a native window; else 0.
int32_t QUORIsHIViewWindow(RuntimeObject* window);
// The outermost window holding the control (through windows embedded in other windows'
// controls); borrowed, nil without one.
RuntimeObject* getControlWindow(RuntimeObject* control);
// The first control of the window whose pane holds this control's pane; nil when the window
// itself holds it. Borrowed.
RuntimeObject* QUORGetControlParent(RuntimeObject* control);
}
