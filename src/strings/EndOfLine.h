// Line endings: the platform's ending (a line feed), the endings of the three platform
// families as EndOfLine's properties, its operators, and ReplaceLineEndings, which normalises
// every CR LF, CR and LF of a text to one given ending.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// text with every line ending replaced by replacement, in their common encoding; nil for nil.
string ReplaceLineEndings(const string& text, const string& replacement);

extern "C" {
stringStorage* RuntimeReplaceLineEndings(stringStorage* text, stringStorage* replacement);

// EndOfLine's members; self is the EndOfLine object and is not used.
stringStorage* RuntimeEndOfLine(void* self);
stringStorage* RuntimeEndOfLineAdd(void* self, stringStorage* value);
stringStorage* RuntimeEndOfLineAddRight(void* self, stringStorage* value);
int32_t RuntimeEndOfLineCompare(void* self, stringStorage* value);
stringStorage* getMacEndOfLine(void* self, uint32_t parameter);
stringStorage* getWin32EndOfLine(void* self, uint32_t parameter);
stringStorage* getUNIXEndOfLine(void* self, uint32_t parameter);
}
