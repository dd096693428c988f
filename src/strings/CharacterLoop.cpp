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

// The record of character first (0-based) of UTF-8 record s, with a reference for the caller,
// when it is the one after the character the last call on s took and its record is kept
// already; else nil. A character not kept has moved the position on all the same, and the
// general walk steps back to it.
[[gnu::noinline]] stringStorage* NextKeptCharacter(const stringStorage* s, uint32_t first) {
  int32_t length;
  const unsigned char* bytes = UTF8NextCharacter(s, first, length);
  if (!bytes) return nullptr;
  if (length != 1)
    return length <= kSharedTextLongest ? KeptShortText(bytes, length, kEncodingUTF8) : nullptr;
  stringStorage* record = shared_short_text::gUTF8Bytes[*bytes];
  if (record) ++record->refCount;
  return record;
}

// The commonest turn of a loop over text that is mostly ASCII: an ASCII character followed by
// the start of another, a step of one byte with no continuation byte to walk. Apart from the
// general step, so that it needs few registers; it leaves the position as that step would.
inline stringStorage* NextKeptASCII(utf8_positions::Position& kept, const stringStorage* s,
                                    uint32_t first) {
  const unsigned char* const bytes = s->data + 1;
  const uint32_t at = uint32_t(kept.offset);
  if (at + 1 >= s->length) return nullptr;  // the last character, or an offset past the text
  const unsigned char lead = bytes[at];
  if (lead >= 0x80 || (bytes[at + 1] & 0xC0) == 0x80) return nullptr;
  stringStorage* const record = shared_short_text::gUTF8Bytes[lead];
  if (!record) return nullptr;
  ++record->refCount;
  kept.characters = int32_t(first + 1);
  kept.offset = int32_t(at + 1);
  return record;
}

}  // namespace

// Mid(s, start, 1) of UTF-8 text in a character loop: the next character, its record kept
// already; the rest is StringMidCharacters'. The caller's reference keeps s for the call.
extern "C" stringStorage* StringDBCSMid3(stringStorage* s, int32_t start, int32_t count) {
  if (s && s->encoding == kEncodingUTF8 && count == 1) {
    const uint32_t first = uint32_t(start) - 1;
    if (utf8_positions::Position* kept = utf8_positions::KeptPositionAt(s, first)) {
      if (stringStorage* character = NextKeptASCII(*kept, s, first)) return character;
      if (stringStorage* character = NextKeptCharacter(s, first)) return character;
    }
  }
  return StringMidCharacters(s, start, count);
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
