// Bytes whose number outside data decides (a line with no end in sight, a pipe read to its end),
// gathered in one block that grows as they come.
//
// The block comes from the C heap and nothing here throws. It grows only while memory can be had
// for it and, beside it, for a string record as large to take its bytes at the end, and never
// past its limit (the longest string, unless the caller wants fewer). When it cannot grow, the
// caller stops reading: what was gathered is the result, cut short, and what was not read stays
// in its source for the next read.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "strings/RuntimeString.h"

class GrowingBytes {
 public:
  explicit GrowingBytes(int64_t limit = kMaxStringLength)
      : mLimit(limit < kMaxStringLength ? limit : kMaxStringLength) {}
  ~GrowingBytes();
  GrowingBytes(const GrowingBytes&) = delete;
  GrowingBytes& operator=(const GrowingBytes&) = delete;

  // Room for count more bytes at End(); false, with nothing changed, when the total would pass
  // the limit or memory is short (OutOfMemory then tells which).
  bool Reserve(int64_t count);
  // Reserve, then the bytes copied in.
  bool Append(const void* bytes, int64_t count);
  // One read(2) from fd of at most piece bytes, straight into the room made for them: its
  // answer, or -1 with errno ENOBUFS when no room can be had (the limit reached, or memory short).
  ssize_t ReadFrom(int fd, int64_t piece);
  // Where the next bytes go; Grew(count) takes count bytes written there.
  uint8_t* End() { return mBytes + mSize; }
  void Grew(int64_t count) { mSize += count; }

  const uint8_t* Data() const { return mBytes; }
  int64_t Size() const { return mSize; }
  // How many more bytes the limit allows.
  int64_t Room() const { return mLimit - mSize; }
  bool OutOfMemory() const { return mOutOfMemory; }
  // The bytes as a string with encoding (nil when there are none).
  string ToString(TextEncoding encoding) const;

 private:
  // A block of capacity bytes; false when it, or a record beside it, cannot be had.
  bool Resize(int64_t capacity);

  int64_t mLimit;
  uint8_t* mBytes = nullptr;
  int64_t mSize = 0;
  int64_t mCapacity = 0;
  bool mOutOfMemory = false;
};
