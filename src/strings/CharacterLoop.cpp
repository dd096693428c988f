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

// Mid(s, start, 1) of a character of more than one byte, where StringDBCSMid3 found the
// position current at character start - 1 and a continuation byte after its lead. It goes on
// here by a jump, its arguments where they came (noipa keeps the stack convention), so that
// neither needs a frame and the common turn keeps its registers for itself.
[[gnu::noipa]] stringStorage* MidOfWideCharacter(stringStorage* s, int32_t start, int32_t count) {
  utf8_positions::Position& kept = utf8_positions::PositionOf(s);
  int32_t length;
  const unsigned char* bytes = utf8_positions::CharacterAt(kept, s, uint32_t(start) - 1, length);
  if (bytes && length <= kSharedTextLongest) {
    if (stringStorage* record = KeptShortText(bytes, length, kEncodingUTF8)) return record;
  }
  // A character not kept yet has moved the position on all the same: the general walk steps
  // back to it.
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
  if (!s || s->encoding != kEncodingUTF8 || count != 1) return StringMidCharacters(s, start, count);
  Position* const kept = KeptPositionAt(s, uint32_t(start) - 1);
  if (!kept) return StringMidCharacters(s, start, count);
  // Where the character after this one starts, when this one is a single byte; inside the
  // text for the last character too, which is the general walk's to decide.
  const uint32_t next = uint32_t(start) + uint32_t(kept->continuations);
  if (next >= s->length) return StringMidCharacters(s, start, count);
  const unsigned char* const character = s->data + next;  // the text starts at data + 1
  if (!StartsUTF8Character(character[1])) return MidOfWideCharacter(s, start, count);
  // Moved before the record is known: a character not kept yet is the general walk's, which
  // steps back to it, and the position needs no register from here on.
  kept->characters = start;
  stringStorage* const record = shared_short_text::gUTF8Bytes[*character];
  if (!record) return StringMidCharacters(s, start, count);
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
