// What a character loop of compiled code calls every turn: Mid(s, i, 1) and the unlock of the
// character it took. Built as a leaf accessor (QV_LEAF_ACCESSOR_SOURCES): the common way reaches
// its answer without a call, so it neither realigns the stack nor keeps a frame, and the rare
// ways go on to framework functions by a jump. Nothing here may call outside the framework.
#include "core/Export.h"
#include "strings/SharedShortText.h"
#include "strings/StringCharacters.h"
#include "strings/StringFoundation.h"
#include "strings/UTF8Positions.h"

namespace {

// Whether byte starts a character rather than continuing one (10xxxxxx). Read as signed, the
// continuation bytes are the values below -64: one compare with the byte where it lies, with
// no register to mask it in, which the common turn below has none to spare for.
inline bool StartsUTF8Character(unsigned char byte) { return int8_t(byte) >= -64; }

// The record of character first (0-based) of UTF-8 record s, with a reference for the caller,
// when it is the one after the character the last call on s took and its record is kept
// already; else nil. A character not kept has moved the position on all the same, and the
// general walk steps back to it.
stringStorage* NextKeptCharacter(const stringStorage* s, uint32_t first) {
  int32_t length;
  const unsigned char* bytes = UTF8NextCharacter(s, first, length);
  if (!bytes) return nullptr;
  if (length != 1)
    return length <= kSharedTextLongest ? KeptShortText(bytes, length, kEncodingUTF8) : nullptr;
  stringStorage* record = shared_short_text::gUTF8Bytes[*bytes];
  if (record) ++record->refCount;
  return record;
}

// Every turn but the commonest. StringDBCSMid3 goes on here by a jump, its arguments where
// they came (noipa keeps the stack convention), so that it needs no frame of its own.
[[gnu::noipa]] stringStorage* MidAfterFirstTry(stringStorage* s, int32_t start, int32_t count) {
  if (s && s->encoding == kEncodingUTF8 && count == 1) {
    if (stringStorage* character = NextKeptCharacter(s, uint32_t(start) - 1)) return character;
  }
  return StringMidCharacters(s, start, count);
}

}  // namespace

// Mid(s, start, 1) of UTF-8 text in a character loop: the commonest turn of a loop over text
// that is mostly ASCII, a character of one byte after the one the last call took, whose record
// is kept already. A character is a byte and the continuation bytes after it, so one that no
// continuation byte follows is that byte's record, whatever its value. The caller's reference
// keeps s for the call.
extern "C" stringStorage* StringDBCSMid3(stringStorage* s, int32_t start, int32_t count) {
  using namespace utf8_positions;
  if (!s || s->encoding != kEncodingUTF8 || count != 1) return MidAfterFirstTry(s, start, count);
  Position* const kept = KeptPositionAt(s, uint32_t(start) - 1);
  if (!kept) return MidAfterFirstTry(s, start, count);
  // Where the character after this one starts, when this one is a single byte; inside the
  // text for the last character too, which is the general walk's to decide.
  const uint32_t next = uint32_t(start) + uint32_t(kept->continuations);
  if (next >= s->length) return MidAfterFirstTry(s, start, count);
  const unsigned char* const character = s->data + next;  // the text starts at data + 1
  if (!StartsUTF8Character(character[1])) return MidAfterFirstTry(s, start, count);
  // Moved before the record is known: a character not kept yet is the general walk's, which
  // steps back to it, and the position needs no register from here on.
  kept->characters = start;
  stringStorage* const record = shared_short_text::gUTF8Bytes[*character];
  if (!record) return MidAfterFirstTry(s, start, count);
  ++record->refCount;
  return record;
}
QV_EXPORT(StringDBCSMid3)

// A loop unlocks what it takes every turn; the last reference goes through the framework's free.
extern "C" void RuntimeUnlockString(stringStorage* s) {
  if (s && s->refCount > 1) {
    --s->refCount;
    return;
  }
  if (s) ReleaseStringRecord(s);
}
QV_EXPORT(RuntimeUnlockString)
