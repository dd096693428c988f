// The characters of text in an encoding whose bytes cannot be searched as they stand (32-bit
// Unicode, EBCDIC, the two-byte code pages, ISO-2022-JP; see SearchEncoding), read one at a
// time from any byte offset, so that a search costs what it reads and converts nothing.
//
// 32-bit text is read by aligned units after its byte-order mark. The others are read through a
// table of byte sequences per encoding, each entry filled from the encoding's converter the
// first time a text holds it, so that a character reads as the converter reads it. ISO-2022-JP
// is read in the shift state that its last escape before the offset set.
//
// A unit that is no character of its encoding (a stray byte, a 32-bit unit beyond Unicode)
// reads as a value outside Unicode standing for its bytes: it equals only the same unit, never
// a character, so that it is matched as its bytes and never as a substitute.
#pragma once

#include <cstdint>
#include <string_view>

#include "strings/RuntimeString.h"

class DecodeTable;

// One unit of text: a character's code point or a stand-in for a unit that is none, and the
// byte offset where its own bytes start (after any escape that set the shift state).
struct EncodedUnit {
  uint32_t value;
  int32_t start;
};

// True for a value that stands for a unit that is no character.
inline bool IsStandInUnit(uint32_t value) { return value >= 0x110000; }

class EncodedTextReader {
 public:
  // True when text of this encoding is read here.
  static bool Reads(TextEncoding encoding);

  // A reader at the first character of text, which must stay alive while it is used; text's
  // encoding must be one that Reads.
  explicit EncodedTextReader(const string& text);

  // Moves to the first whole character that starts at or after byte offset from; a character
  // that from cuts is passed.
  void Seek(int32_t from);
  // The unit at the reader, which then moves past it; false at the end of the text.
  bool Next(EncodedUnit* unit);

 private:
  bool NextUnit32(EncodedUnit* unit);
  bool NextInTable(EncodedUnit* unit);
  void SeekInTable(int32_t from);

  const unsigned char* mText;
  int32_t mLength;
  int32_t mPosition = 0;
  const DecodeTable* mTable = nullptr;  // nullptr for 32-bit text
  uint32_t mRoot = 0;                   // the table's node for the shift state
  int32_t mMark = 0;                    // 32-bit text: bytes of its byte-order mark
  bool mBigEndian = false;
};

// For a text of a stateful encoding (ISO-2022-JP): the escape that sets the shift state in
// force at byte offset, or an empty view in the initial state or for other encodings.
std::string_view ShiftEscapeAt(const string& text, int32_t offset);
// The escape that brings a stateful encoding back to its initial state; empty for others.
std::string_view InitialShiftEscape(TextEncoding encoding);
