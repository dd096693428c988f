// Byte-level text and memory helpers: the comparisons the string class orders by, the upper-case
// fold table behind the case-insensitive ones, thin wrappers of the C library's text and memory
// functions, and decimal parsing that never depends on the user's locale.
//
// Counted comparisons look at every byte up to the given lengths (text may hold NUL bytes, as
// 16-bit Unicode text does): the first differing byte decides and on a common prefix the shorter
// text sorts first. Nil texts are accepted (with length 0 in the counted forms): nil equals nil
// and sorts before any text.
#pragma once

#include <cstdint>
#include <string_view>

// Maps each byte to its upper-case form in the Mac OS Roman character set.
extern const uint8_t kCaseFoldTable[256];

char* OSstrdup(const char* text);  // free() the result; nil gives nil
uint32_t ustrlen(const char* text);
char* ustrcpy(char* destination, const char* source);
// Appends tail and a NUL at the end of *text; the caller provides the room.
void ustrcat(char** text, const char* tail);

int32_t ustrcmp(const char* a, const char* b);
int32_t ustrcmp(const char* a, int32_t lengthA, const char* b, int32_t lengthB);
// Names, keywords, type names and schemes ignore ASCII letter case alone, whatever the user's
// locale: a Turkish one pairs "I" with a dotless "i", so the C library's case functions keep "I"
// and "i" apart there. ustrcmpi orders so (in the C locale); its counted form folds through
// kCaseFoldTable.
int32_t ustrcmpi(const char* a, const char* b);
int32_t ustrcmpi(const char* a, int32_t lengthA, const char* b, int32_t lengthB);
bool EqualIgnoringASCIICase(std::string_view a, std::string_view b);
bool StartsWithIgnoringASCIICase(std::string_view text, std::string_view prefix);

void umemzero(void* buffer, uint32_t count);
void umemset(void* buffer, uint8_t value, uint32_t count);
void umemcpy(void* destination, const void* source, uint32_t count);  // overlap allowed
void umemmove(void* destination, const void* source, uint32_t count);
// Offset of the first occurrence of pattern in buffer, -1 when there is none.
int32_t umemcmp(const void* buffer, const void* pattern, uint32_t patternLength,
                uint32_t bufferLength);
// Copies a length-prefixed text: its length byte and that many bytes.
void PStringCopy(unsigned char* destination, const unsigned char* source);

// -1, 0 or 1 comparing two character codes as unsigned numbers; with fold set, both are first
// mapped to upper case through the Unicode case tables.
int32_t UnicodeCharCompare(uint32_t a, uint32_t b, bool fold);

// Leading blanks (space, tab), an optional sign, then decimal digits up to the first other byte.
// No digits gives 0; the value wraps modulo 2^32 rather than overflowing.
int32_t uatol(const char* text);
int32_t uatol(const char* text, int32_t length);  // looks at no more than length bytes
// strtod in the C locale, whatever locale the toolkit installed.
double uatod(const char* text);
