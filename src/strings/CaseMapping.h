// Unicode case mapping: the case table and its two lookup maps, whole-text upper, lower and
// title case of UTF-8 and 16-bit Unicode text, a caseless test, and character-wise comparison.
//
// The table pairs each cased character of the covered blocks (Latin, Greek, Cyrillic,
// Armenian, letter-like symbols, Roman numerals, circled and full-width letters) with its simple
// case fold. Lower case is the fold; upper case is the capital whose fold the character is,
// the first in table order when several share it (so k gives K, not the Kelvin sign). Rows that
// only fold (micro sign, long s, final sigma, ...) give no upper case, so mu stays a letter
// instead of turning into the micro sign. Characters outside the Basic Multilingual Plane are
// never cased.
//
// UTF-8 text is walked with NextUTF8Character: stray bytes pass through unchanged and a
// character that its mapping leaves alone keeps its exact bytes. Output buffers come from
// OSalloc and the caller frees them with OSfree.
#pragma once

#include <cstdint>

// The white space of title case and of trimming: 0x09-0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x180E,
// 0x2000-0x200A, 0x2028, 0x2029, 0x202F, 0x205F and 0x3000.
bool IsWhiteSpace(uint32_t code);

uint32_t UnicodeToUpper(uint32_t code);
uint32_t UnicodeToLower(uint32_t code);

// The characters whose upper case is code's (code among them): those that a case-insensitive
// comparison takes for code. Writes at most max of them to out and returns how many there are.
int32_t UnicodeCaseVariants(uint32_t code, uint32_t* out, int32_t max);

// Whole-text case conversion of UTF-8: *outBuffer receives a new NUL-terminated buffer and
// *outLength its byte count. Either may be nil; with both nil nothing is done.
void UTF8ToUpper(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength);
void UTF8ToLower(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength);
// Title case: upper case at the start and after white space, lower case elsewhere.
void UTF8Capitalize(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength);

// Maps every character of a UTF-8 text through map (called once per character, in order) and
// re-encodes the result, growing the output as mapped characters need more bytes. Outputs as
// for UTF8ToUpper.
using CharacterMapping = uint32_t (*)(uint32_t code, void* context);
void MapUTF8Characters(const char* bytes, int32_t length, CharacterMapping map, void* context,
                       char** outBuffer, int32_t* outLength);

// 16-bit Unicode (native byte order): a new buffer of byteLength bytes with every whole unit
// mapped (a trailing odd byte is copied as it is); nil for a negative length.
char* UCS2ToUpper(const char* units, int32_t byteLength);
char* UCS2ToLower(const char* units, int32_t byteLength);
char* UCS2Capitalize(const char* units, int32_t byteLength);

// True when no character of the text has a case (an empty text is caseless).
bool UTF8IsCaseless(const char* bytes, int32_t length);

// -1, 0 or 1: character by character, then the shorter text first (byte lengths for UTF-8,
// unit counts for 16-bit Unicode).
int32_t UTF8StringCompare(const char* a, int32_t aLength, const char* b, int32_t bLength,
                          bool ignoreCase);
int32_t UCS2StringCompare(const char* a, int32_t aUnits, const char* b, int32_t bUnits,
                          bool ignoreCase);
