#include "strings/CharTables.h"

namespace {

uint8_t AsciiUpper(int c) { return static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c); }
uint8_t AsciiLower(int c) { return static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c); }

CharTables BuildCharTables() {
  CharTables t{};
  for (int c = 0; c < 256; ++c) {
    t.upper[c] = AsciiUpper(c);
    t.lower[c] = AsciiLower(c);
    t.order[c] = static_cast<uint8_t>(c);
    t.inverseOrder[c] = static_cast<uint8_t>(c);
  }
  t.charClass[' '] = kCharClassBlank;
  t.charClass['\t'] = kCharClassBlank;
  return t;
}

}  // namespace

const CharTables& GetCharTables() {
  static const CharTables tables = BuildCharTables();
  return tables;
}

bool IsDBCSLeadByte(uint8_t byte) {
  const CharTables& t = GetCharTables();
  return t.multiByte && t.leadByte[byte] != 0;
}
