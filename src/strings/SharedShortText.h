// Shared records of texts of at most four bytes (one character of any encoding). A character
// loop (Mid(s, i, 1) for every i) hands out the same few characters again and again; a record
// kept for them costs the caller a reference instead of an allocation and a free.
//
// Sharing is invisible to the program: a kept record always has a reference of its own here,
// so its count is above 1 and nothing writes it (a shared record is copied before any write).
// Like every record, the tables belong to the thread that holds the run baton.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

constexpr int32_t kSharedTextLongest = 4;

namespace shared_short_text {

// One byte of UTF-8 text, the commonest character, by its value: a record each, once made.
[[gnu::visibility("hidden")]] extern stringStorage* gUTF8Bytes[256];

// Any other text: a small table indexed by a hash of the bytes, where a new text takes its
// slot over.
struct Kept {
  uint32_t bytes = 0;  // the text, first byte lowest, unused bytes 0
  int32_t length = 0;  // 0: no record
  TextEncoding encoding = 0;
  stringStorage* record = nullptr;  // one reference owned here
};
constexpr uint32_t kSlots = 256;
[[gnu::visibility("hidden")]] extern Kept gKept[kSlots];

inline Kept& SlotOf(uint32_t bytes, TextEncoding encoding) {
  return gKept[((bytes ^ encoding) * 2654435761u) >> 24];
}

}  // namespace shared_short_text

// A record of the n bytes (1 .. kSharedTextLongest) with the given encoding, with one
// reference for the caller; the record may be shared.
stringStorage* SharedShortText(const unsigned char* bytes, int32_t n, TextEncoding encoding);

// SharedShortText when the text is kept already, else nil: inline, and calls nothing, for a
// character loop, which finds its characters kept.
inline stringStorage* KeptShortText(const unsigned char* bytes, int32_t n,
                                    TextEncoding encoding) {
  using namespace shared_short_text;
  uint32_t packed = bytes[0];
  stringStorage* record;
  if (n == 1 && encoding == kEncodingUTF8) {
    record = gUTF8Bytes[packed];
  } else {
    if (n > 1) {
      packed |= uint32_t{bytes[1]} << 8;
      if (n > 2) {
        packed |= uint32_t{bytes[2]} << 16;
        if (n > 3) packed |= uint32_t{bytes[3]} << 24;
      }
    }
    const Kept& slot = SlotOf(packed, encoding);
    record = slot.bytes == packed && slot.length == n && slot.encoding == encoding ? slot.record
                                                                                   : nullptr;
  }
  if (record) ++record->refCount;
  return record;
}
