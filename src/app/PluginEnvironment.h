// What a plug-in asks of its surroundings: that it runs in a built application, whether the
// remote debugger is attached, a turn for the background tasks, the stack checker's limit, and
// the encoding words of strings (set and read without converting the text).
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
// Always 1: plug-in code here runs in a built application, never a design environment.
int32_t QUORinRuntime();
int32_t QUORInDebugMode();
// Runs the background tasks that are due, once. A task that calls it from its own Run is not
// run again inside: the nested call runs nothing.
void QUORYieldToQV();
// Menu accelerators are the menus' own on this platform: accepted and ignored.
void QUORSetAccelerator();
uintptr_t QUORGetStackLimit();
void QUORSetStackLimit(uintptr_t limit);
// The string's encoding word; nil reads as ASCII (0x600).
uint32_t QUORGetStringEncoding(stringStorage* s);
// Stores the word without touching the text; nil is ignored.
void QUORSetStringEncoding(stringStorage* s, uint32_t encoding);
// The encoding text drawn in any font uses: UTF-8.
uint32_t QUORGetFontEncoding(stringStorage* fontName);
// A new string (one reference for the caller) with the text converted; s is untouched.
stringStorage* QUORConvertString(stringStorage* s, uint32_t encoding);
// Replaces *handle by a copy without mnemonic markers ("&&" keeps one "&"); the old string
// loses the handle's reference. Nil handle or nil string: nothing.
void QUORStripAmpersands(stringStorage** handle);
}
