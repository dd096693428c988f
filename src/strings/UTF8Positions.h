// Where the last character walk over a UTF-8 record ended, so that a loop that takes one
// character after another (Mid(s, i, 1) for i = 1 to Len(s), or back down) walks each byte
// once instead of from the start of the text on every call.
//
// A remembered position says "character n of this record starts at byte offset b", found by
// the walking rule of AdvanceUTF8, with b inside the text. It is kept as n and b - n (the
// continuation bytes before it), so that a step over a one-byte character, the common turn of
// a loop, writes n alone and the next turn does not wait for an offset the last one wrote. It
// holds while the record keeps its bytes: a record is written only while private, through the
// handle's writable views, and those views and the freeing of a record forget its position
// first; the general walk compares the data pointer and the length as well, and the
// next-character step never reads past the record's length. Each thread keeps its own
// positions and looks them up without a lock; forgetting moves a stamp that every thread
// compares, so that a record freed on one thread is forgotten for all of them.
#pragma once

#include <atomic>
#include <cstdint>

#include "strings/RuntimeString.h"
#include "strings/UTF8.h"

// Where count characters from character first (both >= 0) of record's text, read as UTF-8,
// lie: the offsets AdvanceUTF8 reaches from the first byte in first steps and in first + count
// steps (the length where the text has fewer characters). Walks from the remembered position
// when that is nearer than the first byte, and remembers where the span ends (or, at the end
// of the text, where it starts).
struct UTF8Span {
  int32_t offset;
  int32_t length;
};
UTF8Span UTF8SpanInRecord(const stringStorage* record, int32_t first, int32_t count);

// Remembers that character characters (>= 0) of record's text starts at byte offset, a place
// that the walk reaches and that lies inside the text (else nothing is remembered): a search
// that found a match there tells the next one where to start.
void KeepUTF8Position(const stringStorage* record, int32_t characters, int32_t offset);

// Forgets what is remembered about record, whose bytes are about to change or to go. Inline:
// every freeing of a record asks it.
inline void ForgetUTF8Position(const stringStorage* record);

namespace utf8_positions {

// What is shared is one stamp per group of records (chosen by address): freeing or writing a
// record moves its group's stamp on, and a position remembered under an older stamp is not
// used. A stamp only moves forward and has 64 bits, so it never comes back to a value once
// seen; it is kept as two words, which this machine reads and writes without a lock or a round
// trip through the floating-point unit.
struct Stamp {
  std::atomic<uint32_t> low{0};
  std::atomic<uint32_t> high{0};
};
constexpr uint32_t kStampGroups = 1024;
[[gnu::visibility("hidden")]] extern Stamp gStamps[kStampGroups];

struct alignas(32) Position {
  const stringStorage* record;
  const unsigned char* data;
  uint32_t length;
  int32_t characters;
  int32_t continuations;  // the offset less characters
  uint32_t stampLow;
  uint32_t stampHigh;
  const Stamp* stamp;  // StampOf(record): a check needs nothing more of the record's address
};

// A few per thread, so that a loop over two texts at once keeps both. A plain thread-local
// array: no initialiser to run, so no wrapper call on the way to it; local-exec, as the
// framework is linked into executables only, so that it lies at a fixed offset from the thread
// pointer and a character loop needs no register for that offset.
constexpr uint32_t kPositions = 4;
[[gnu::visibility("hidden"), gnu::tls_model("local-exec")]] extern __thread Position
    tPositions[kPositions];

inline uintptr_t AddressKey(const stringStorage* record) {
  return reinterpret_cast<uintptr_t>(record) >> 4;
}
inline Stamp& StampOf(const stringStorage* record) {
  return gStamps[AddressKey(record) % kStampGroups];
}
inline Position& PositionOf(const stringStorage* record) {
  return tPositions[AddressKey(record) % kPositions];
}

// The position kept is about record as it is now.
inline bool Holds(const Position& kept, const stringStorage* record, uint32_t stampLow,
                  uint32_t stampHigh) {
  return kept.record == record && kept.data == record->data && kept.length == record->length &&
         kept.stampLow == stampLow && kept.stampHigh == stampHigh;
}

}  // namespace utf8_positions

// Records are freed and written only by the thread that holds the run baton (the allocator
// takes no lock), so no two moves of a stamp meet and a plain increment is enough. A thread
// that looks the record's block up later was handed it after this, and sees this stamp or a
// later one.
inline void ForgetUTF8Position(const stringStorage* record) {
  utf8_positions::Stamp& stamp = utf8_positions::StampOf(record);
  const uint32_t low = stamp.low.load(std::memory_order_relaxed) + 1;
  if (low == 0) {
    stamp.high.store(stamp.high.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }
  stamp.low.store(low, std::memory_order_relaxed);
}

namespace utf8_positions {

// The position this thread keeps for record, when it stands at character first and is
// current; else nil.
inline Position* KeptPositionAt(const stringStorage* record, uint32_t first) {
  Position& kept = PositionOf(record);
  if (kept.record != record || uint32_t(kept.characters) != first) return nullptr;
  const Stamp& stamp = *kept.stamp;
  if (kept.stampLow != stamp.low.load(std::memory_order_relaxed) ||
      kept.stampHigh != stamp.high.load(std::memory_order_relaxed))
    return nullptr;
  return &kept;
}

// Where character first of record's text starts, and its length in bytes, as
// UTF8SpanInRecord(record, first, 1) finds them, when kept, the position KeptPositionAt(record,
// first) found, stands there and the character is not the last, as in a character loop: inline,
// for such a loop, and kept moves past it. Nil, with nothing moved, otherwise.
inline const unsigned char* CharacterAt(Position& kept, const stringStorage* record,
                                        uint32_t first, int32_t& length) {
  // Bounded by the record's own length, so that even a position gone stale never reads
  // outside the text. The last character is the general walk's to decide.
  const unsigned char* const begin = record->data + 1;
  const unsigned char* const end = begin + record->length;
  const unsigned char* const at = begin + first + uint32_t(kept.continuations);
  const unsigned char* next = at + 1;
  while (next < end && IsUTF8Continuation(*next)) ++next;
  if (next >= end) return nullptr;
  length = int32_t(next - at);
  kept.characters = int32_t(first + 1);
  kept.continuations += length - 1;
  return at;
}

}  // namespace utf8_positions
