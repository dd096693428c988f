// Where the last character walk over a UTF-8 record ended, so that a loop that takes one
// character after another (Mid(s, i, 1) for i = 1 to Len(s), or back down) walks each byte
// once instead of from the start of the text on every call.
//
// A remembered position says "character n of this record starts at byte offset b", found by
// the walking rule of AdvanceUTF8, with b inside the text. It holds while the record keeps its
// bytes: a record is written only while private, through the handle's writable views, and
// those views and the freeing of a record forget its position first; the data pointer and the
// length are compared as well. Each thread keeps its own positions and looks them up without a
// lock; forgetting moves a stamp that every thread compares, so that a record freed on one
// thread is forgotten for all of them.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

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

// Forgets what is remembered about record, whose bytes are about to change or to go.
void ForgetUTF8Position(const stringStorage* record);
