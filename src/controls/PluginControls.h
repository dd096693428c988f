// The class library's part of plug-in controls: the hooks every plug-in control class gets
// (installed with the control classes at start-up), the setters of control properties whose
// rows ask for a redraw, and what the plug-in interface reads of any control.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
// Finds the plug-in control of the object's class chain, remembers it in the object and calls
// the behaviour table's constructor entry, when present. No plug-in control: a failed check.
void CustomControlConstructor(RuntimeObject* object);
// Closes the object's pane when it is still open, then calls the destructor entry.
void CustomControlDestructor(RuntimeObject* object);
// Makes the control's plug-in pane in its owner pane, with its bounds.
void CustomControlCreatePane(RuntimeObject* object);
// The generic setters, then a redraw of the control's pane when it has an open one.
void intInvalidateSetter(RuntimeObject* object, uint32_t offset, int32_t value);
void boolInvalidateSetter(RuntimeObject* object, uint32_t offset, int32_t value);
void stringInvalidateSetter(RuntimeObject* object, uint32_t offset, stringStorage* value);
void objInvalidateSetter(RuntimeObject* object, uint32_t offset, RuntimeObject* value);
// The control's Name, one reference for the caller; nil for nil and for an object that is no
// control.
stringStorage* QUORGetControlName(RuntimeObject* control);
}
