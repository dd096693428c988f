#include "core/ByteUtilities.h"

#include <locale.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "core/CLocale.h"
#include "core/RuntimeError.h"
#include "strings/CaseMapping.h"

// ASCII a-z and the accented lower-case letters of Mac OS Roman to their capitals.
const uint8_t kCaseFoldTable[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0xE7, 0xCB, 0xE5, 0x80, 0xCC, 0x81, 0x82, 0x83, 0xE9,
    0xE6, 0xE8, 0xEA, 0xED, 0xEB, 0xEC, 0x84, 0xEE, 0xF1, 0xEF, 0x85, 0xCD, 0xF2, 0xF4, 0xF3, 0x86,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xAE, 0xAF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCE,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD9, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0x49, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

namespace {

char LowerASCII(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Nil equals nil and sorts first; answers true (with the order in *result) when either is nil.
bool OrderNil(const void* a, const void* b, int32_t* result) {
  if (a && b) return false;
  *result = (a ? 1 : 0) - (b ? 1 : 0);
  return true;
}

int32_t LengthOrder(int32_t lengthA, int32_t lengthB) {
  return (lengthA > lengthB) - (lengthA < lengthB);
}

// The counted comparisons: every byte up to the lengths counts, NULs included, so that text
// with embedded NULs orders by its content and equal-length and unequal-length texts order
// consistently.
template <typename Fold>
int32_t CompareCounted(const char* a, int32_t lengthA, const char* b, int32_t lengthB, Fold fold) {
  if (!QV_CHECK(lengthA >= 0 && lengthB >= 0)) return 0;
  if (!QV_CHECK((a || lengthA == 0) && (b || lengthB == 0))) return 0;
  const auto* bytesA = reinterpret_cast<const uint8_t*>(a);
  const auto* bytesB = reinterpret_cast<const uint8_t*>(b);
  int32_t common = lengthA < lengthB ? lengthA : lengthB;
  for (int32_t i = 0; i < common; ++i) {
    int32_t difference = fold(bytesA[i]) - fold(bytesB[i]);
    if (difference != 0) return difference;
  }
  return LengthOrder(lengthA, lengthB);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

char* OSstrdup(const char* text) { return text ? strdup(text) : nullptr; }

uint32_t ustrlen(const char* text) { return text ? std::strlen(text) : 0; }

char* ustrcpy(char* destination, const char* source) {
  if (!QV_CHECK(destination && source)) return destination;
  return std::strcpy(destination, source);
}

void ustrcat(char** text, const char* tail) {
  if (!QV_CHECK(text && *text && tail)) return;
  std::strcat(*text, tail);
}

int32_t ustrcmp(const char* a, const char* b) {
  int32_t order;
  if (OrderNil(a, b, &order)) return order;
  return std::strcmp(a, b);
}

int32_t ustrcmp(const char* a, int32_t lengthA, const char* b, int32_t lengthB) {
  return CompareCounted(a, lengthA, b, lengthB, [](uint8_t c) { return int32_t{c}; });
}

int32_t ustrcmpi(const char* a, const char* b) {
  int32_t order;
  if (OrderNil(a, b, &order)) return order;
  return strcasecmp_l(a, b, CLocale());
}

int32_t ustrcmpi(const char* a, int32_t lengthA, const char* b, int32_t lengthB) {
  return CompareCounted(a, lengthA, b, lengthB,
                        [](uint8_t c) { return int32_t{kCaseFoldTable[c]}; });
}

bool EqualIgnoringASCIICase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && LowerASCII(a[i]) != LowerASCII(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringASCIICase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualIgnoringASCIICase(text.substr(0, prefix.size()), prefix);
}

void umemzero(void* buffer, uint32_t count) { umemset(buffer, 0, count); }

void umemset(void* buffer, uint8_t value, uint32_t count) {
  if (count == 0) return;
  if (!QV_CHECK(buffer)) return;
  std::memset(buffer, value, count);
}

void umemcpy(void* destination, const void* source, uint32_t count) {
  umemmove(destination, source, count);
}

void umemmove(void* destination, const void* source, uint32_t count) {
  if (count == 0) return;
  if (!QV_CHECK(destination && source)) return;
  std::memmove(destination, source, count);
}

int32_t umemcmp(const void* buffer, const void* pattern, uint32_t patternLength,
                uint32_t bufferLength) {
  if (bufferLength == 0 || patternLength > bufferLength) return -1;
  if (!QV_CHECK(buffer && (pattern || patternLength == 0))) return -1;
  // memmem finds the same first occurrence as a byte-by-byte scan, overlapping starts included.
  const void* found = memmem(buffer, bufferLength, pattern, patternLength);
  if (!found) return -1;
  return static_cast<int32_t>(static_cast<const char*>(found) - static_cast<const char*>(buffer));
}

void PStringCopy(unsigned char* destination, const unsigned char* source) {
  if (!QV_CHECK(destination && source)) return;
  std::memmove(destination, source, size_t{source[0]} + 1);
}

int32_t UnicodeCharCompare(uint32_t a, uint32_t b, bool fold) {
  if (a == b) return 0;
  if (fold) {
    a = UnicodeToUpper(a);
    b = UnicodeToUpper(b);
  }
  return (a > b) - (a < b);
}

int32_t uatol(const char* text) {
  // The NUL is neither blank, sign nor digit, so the scan stops there without a length.
  return uatol(text, INT32_MAX);
}

int32_t uatol(const char* text, int32_t length) {
  if (!text || length <= 0) return 0;
  int32_t i = 0;
  while (i < length && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Unsigned accumulation wraps modulo 2^32 where a signed one would be undefined.
  uint32_t value = 0;
  for (; i < length && IsDigit(text[i]); ++i) value = value * 10 + uint32_t(text[i] - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

double uatod(const char* text) {
  if (!text) return 0.0;
  return strtod_l(text, nullptr, CLocale());
}
