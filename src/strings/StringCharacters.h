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

// The ways of StringDBCSMid3 outside a character loop (CharacterLoop.cpp).
// count bytes (>= 0) from 0-based byte offset first inside record (nil allowed when count is
// 0), with a reference for the caller. A result of a character or so may be a shared record.
stringStorage* StringRecordBytes(stringStorage* record, int32_t first, int32_t count);
// Mid(s, start, count) of a record in any encoding, at any start.
stringStorage* StringMidCharacters(stringStorage* s, int32_t start, int32_t count);
