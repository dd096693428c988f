// The single-byte character tables of the string functions: lead bytes of a multi-byte code
// page, upper and lower case, collation order and blank class, built once on first use.
//
// On this platform no multi-byte code page is in use: the lead-byte table is all zero and the
// multi-byte flag clear, so text in a single-byte encoding is one character per byte. Case is
// the C library's mapping in the C locale (ASCII letters only), whatever locale the toolkit
// installed, so that results never depend on the user's settings.
#pragma once

#include <cstdint>

struct CharTables {
  uint8_t leadByte[256];      // extra bytes of a character led by the index
  uint8_t upper[256];
  uint8_t lower[256];
  uint8_t order[256];         // collation order (the identity)
  uint8_t inverseOrder[256];
  uint8_t charClass[256];     // kCharClassBlank for space and tab
  uint8_t multiByte;          // set when a multi-byte code page is in use
};
static_assert(sizeof(CharTables) == 1537, "six 256-byte tables and the flag");

constexpr uint8_t kCharClassBlank = 1;

// The tables, built on the first call.
const CharTables& GetCharTables();

// True when byte leads a two-byte character of the multi-byte code page in use.
bool IsDBCSLeadByte(uint8_t byte);
