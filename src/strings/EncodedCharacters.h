// The characters of text in an encoding whose bytes cannot be searched as they stand (32-bit
// Unicode, EBCDIC, the two-byte code pages, ISO-2022-JP; see SearchEncoding), read one at a
// time from any byte offset, so that a search costs what it reads and converts nothing.
//
// 32-bit text is read by aligned units after its byte-order mark. The others are read through a
// table of byte sequences per encoding, each entry filled from the encoding's converter the
// first time a text holds it, so that a character reads as the converter reads it. ISO-2022-JP
// is read in the shift state that its last escape before the offset set.
//
// A unit that is no character of its encoding (a stray byte, a 32-bit unit beyond Unicode, a
// surrogate or a cut-off one) reads as a value outside Unicode standing for its bytes: it
// equals only the same unit, never a character and never a unit of other bytes, so that it is
// matched as its bytes and never as a substitute.
//
// A search remembers where it found a match (per record and thread, forgotten when the record
// is written or freed), so that the next search of the same text reads on from there: a loop
// of searches from one match to the next reads the text once, even where a character's start
// cannot be told from the bytes around it (CJK prose in EUC-JP or GBK, where every byte may
// lead, and ISO-2022-JP, whose state only its last escape tells).
#pragma once

#include <cstdint>
#include <string_view>

#include "strings/RuntimeString.h"

class DecodeTable;

// One unit of text: a character's code point or a stand-in for a unit that is none, and the
// byte offset where its own bytes start (after any escape that set the shift state).
struct EncodedUnit {
  uint64_t value;
  int32_t start;
};

// True for a value that stands for a unit that is no character.
inline bool IsStandInUnit(uint64_t value) { return value >= 0x110000; }

// How a place in a text's Unicode form is counted: in characters (UTF-8's positions, where a
// unit that is no character converts to one "?") or in 16-bit units (two for a character
// beyond the Basic Multilingual Plane).
enum class UnicodeCount { kCharacters, kUnits16 };

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
  // Moves to the first unit that stands at or after place from of the text's Unicode form.
  void SeekCounted(int32_t from, UnicodeCount count);
  // The unit at the reader, which then moves past it; false at the end of the text.
  bool Next(EncodedUnit* unit);
  // The byte offset after the last unit read (or where a seek left the reader).
  int32_t Offset() const { return mPosition; }
  // Where unit, the last one Next gave, stands in the text's Unicode form; -1 when not known
  // (after a Seek by bytes).
  int32_t CountedBefore(const EncodedUnit& unit, UnicodeCount count) const;
  // Remembers where unit, the last one Next gave, starts, so that the next reader of the same
  // record on this thread seeks from there instead of from the text's start: a loop of searches
  // over a long text then reads it once.
  void KeepPlaceOf(const EncodedUnit& unit) const;

 private:
  // Where reading may resume: the byte offset, the shift state there, and what is counted
  // before it (-1 when not known).
  struct Place {
    int32_t offset;
    uint32_t root;
    int32_t characters;
    int32_t units16;
  };
  // The place kept for this reader's record, when it is still about the record's bytes; else
  // the place of the first unit.
  Place KeptOrFirstPlace() const;
  Place FirstPlace() const { return {mMark, 0, 0, 0}; }
  void MoveTo(const Place& place);
  bool NextUnit32(EncodedUnit* unit);
  bool NextInTable(EncodedUnit* unit);
  void SeekInTable(int32_t from);
  void Count(uint64_t value);

  const stringStorage* mRecord;
  const unsigned char* mText;
  int32_t mLength;
  int32_t mPosition = 0;
  const DecodeTable* mTable = nullptr;  // nullptr for 32-bit text
  uint32_t mRoot = 0;                   // the table's node for the shift state
  int32_t mMark = 0;                    // 32-bit text: bytes of its byte-order mark
  bool mBigEndian = false;
  int32_t mCharacters = 0;              // units before mPosition, -1 when not known
  int32_t mUnits16 = 0;                 // 16-bit units of their Unicode form, -1 likewise
};

// For a text of a stateful encoding (ISO-2022-JP): the escape that sets the shift state in
// force at byte offset, or an empty view in the initial state or for other encodings.
std::string_view ShiftEscapeAt(const string& text, int32_t offset);
// The escape that brings a stateful encoding back to its initial state; empty for others.
std::string_view InitialShiftEscape(TextEncoding encoding);

// The bytes from first to end of a text that EncodedTextReader reads, narrowed to the whole
// units among them: a character cut at either end, and the bytes of an escape, are no unit.
// An empty span (start == end) when none lies there.
struct ByteSpan {
  int32_t start;
  int32_t end;
};
ByteSpan WholeUnitsWithin(const string& text, int32_t first, int32_t end);
