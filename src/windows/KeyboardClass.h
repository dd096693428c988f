// The language's Keyboard: which modifier keys are held and whether a key is down, and the
// names of keys. Key codes are the classic virtual key codes (0 to 127; larger values are X
// keysyms); the modifier masks are the classic event-modifier bits of GtkInput.h, with -1 for
// the menu shortcut key (Control) and -2 for the alternate one (Shift).
//
// The plain properties read the modifier word of the last key or mouse-button press, so they
// keep their answer after the keys are released until the next such event; the "Async" ones ask
// the held keys now.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Built on the first call, released at exit; usable by every kind of application.
ObjectDefinition* KeyboardClassDefinition();

extern "C" {
RuntimeObject* getKeyboardObject();  // a new object, one reference
int32_t modifierKeyGetter(RuntimeObject* keyboard, int32_t mask);
int32_t asyncModifierKeyGetter(RuntimeObject* keyboard, int32_t mask);
// A negative code raises OutOfBoundsException and answers false.
int32_t keyboardAsyncKeyDown(RuntimeObject* keyboard, int32_t code);
// The key's name, or "key" and the code as eight upper-case hexadecimal digits.
stringStorage* keyboardKeyName(RuntimeObject* keyboard, int32_t code);
}
