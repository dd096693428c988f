#include "strings/UTF8Positions.h"

#include <atomic>
#include <cstdint>

#include "strings/UTF8.h"

using namespace utf8_positions;

Stamp utf8_positions::gStamps[kStampGroups];
__thread Position utf8_positions::tPositions[kPositions];

namespace {

// AdvanceUTF8, inline: a character loop steps one character at a time.
const char* Forward(const char* p, const char* end, int32_t n) {
  for (; n > 0 && p < end; --n) {
    ++p;
    while (p < end && IsUTF8Continuation(static_cast<unsigned char>(*p))) ++p;
  }
  return p;
}

}  // namespace

// Walks from where this thread last was on the record, when that is still good and nearer
// than the first byte.
UTF8Span UTF8SpanInRecord(const stringStorage* record, int32_t first, int32_t count) {
  if (!record) return {0, 0};
  const char* const begin = reinterpret_cast<const char*>(record->data + 1);
  const char* const end = begin + record->length;
  Position& kept = PositionOf(record);
  const Stamp& stamp = StampOf(record);
  const uint32_t stampLow = stamp.low.load(std::memory_order_relaxed);
  const uint32_t stampHigh = stamp.high.load(std::memory_order_relaxed);
  int32_t characters = 0;
  const char* p = begin;
  if (Holds(kept, record, stampLow, stampHigh)) {
    characters = kept.characters;
    p = begin + characters + kept.continuations;
  }
  if (characters <= first) {
    p = Forward(p, end, first - characters);
  } else if (characters - first < first) {
    BackupUTF8(p, begin, characters - first);
  } else {
    p = Forward(begin, end, first);
  }
  const char* const spanEnd = Forward(p, end, count);
  // A walk that reached the end may have stopped early: its count is not known.
  if (spanEnd < end && int64_t{first} + count <= INT32_MAX) {
    kept = {record, record->data, record->length, first + count,
            int32_t(spanEnd - begin) - (first + count), stampLow, stampHigh, &stamp};
  } else if (p < end) {
    kept = {record, record->data, record->length, first, int32_t(p - begin) - first, stampLow,
            stampHigh, &stamp};
  }
  return {int32_t(p - begin), int32_t(spanEnd - p)};
}

void KeepUTF8Position(const stringStorage* record, int32_t characters, int32_t offset) {
  if (!record || characters < 0 || offset < 0 || uint32_t(offset) >= record->length) return;
  const Stamp& stamp = StampOf(record);
  PositionOf(record) = {record,
                        record->data,
                        record->length,
                        characters,
                        offset - characters,
                        stamp.low.load(std::memory_order_relaxed),
                        stamp.high.load(std::memory_order_relaxed),
                        &stamp};
}
