// The language's length, slicing, character-code and one-character functions, each in a byte
// form and a character form. Characters are code points in UTF-8 text, 16-bit units in 16-bit
// Unicode text and bytes in any other encoding. Positions and counts are 1-based, as the
// language counts; out-of-range positions and counts give nil or 0, never a failure. Every
// string result carries one reference for the caller.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
int32_t StringLen(stringStorage* s);
int32_t StringDBCSLen(stringStorage* s);
stringStorage* StringLeft(stringStorage* s, int32_t n);
stringStorage* StringDBCSLeft(stringStorage* s, int32_t n);
stringStorage* StringRight(stringStorage* s, int32_t n);
stringStorage* StringDBCSRight(stringStorage* s, int32_t n);
stringStorage* StringMid2(stringStorage* s, int32_t start);
stringStorage* StringDBCSMid2(stringStorage* s, int32_t start);
stringStorage* StringMid3(stringStorage* s, int32_t start, int32_t count);
stringStorage* StringDBCSMid3(stringStorage* s, int32_t start, int32_t count);
int32_t StringAsc(stringStorage* s);
int32_t StringDBCSAsc(stringStorage* s);
stringStorage* StringChr(int32_t n);
stringStorage* StringDBCSChr(int32_t n);
}
