// A read-ahead buffer over a mechanism, and lines cut from it. The buffer's bytes and counters
// live with its owner (a TextInputStream keeps them in the language object, the line reader in
// itself); this class works on them in place and holds nothing of its own.
//
// A file cut short under the reader: bytes past its current end are never handed out once the
// buffer has learnt of the cut, and it learns at every refill (before the mechanism is read
// again, so stdio's own read-ahead cannot feed it either) and whenever a read asks for more
// than it holds (LeftInData). The bytes it holds are handed out without asking the file again:
// a question per read would cost a system call per line.
//
// A line ends at CR, LF or CR LF; the end is not part of the line. Text of 16-bit units is
// scanned unit by unit, so a byte 0x0A inside a character is no line end. A unit, or a CR LF,
// split across two refills is still one unit, one line end; an odd byte at the end of the data
// ends the last line. A line longer than memory can hold is cut where memory ends, with ENOMEM
// left in the mechanism, and its rest is the next line.
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

class ReadAheadBuffer {
 public:
  ReadAheadBuffer(RandomAccessMechanism* mechanism, uint8_t* bytes, int32_t capacity,
                  int32_t* readPosition, int32_t* fillCount)
      : mMechanism(mechanism),
        mBytes(bytes),
        mCapacity(capacity),
        mReadPosition(*readPosition),
        mFillCount(*fillCount) {}

  // The next line with encoding (scanned in 16-bit units for the 16-bit Unicode codes); what is
  // left, possibly nothing, at the end of the data.
  string ReadLine(TextEncoding encoding);
  // True when nothing is buffered and the mechanism says it is at its end.
  bool AtEnd() { return Buffered() <= 0 && mMechanism->IsEOF(); }
  int32_t Buffered() const { return mFillCount - mReadPosition; }
  const uint8_t* Unread() const { return mBytes + mReadPosition; }
  // Marks count buffered bytes as read.
  void Consume(int32_t count) { mReadPosition += count; }
  // Forgets what is buffered.
  void Empty() { mReadPosition = mFillCount = 0; }
  // Keeps the unread bytes (moved to the front) and reads as many more as fit; false when
  // nothing came.
  bool Refill();
  // The bytes from the read position to the end of the data by the mechanism's length, or -1
  // when the length is unknown. Buffered bytes past that end are dropped, and the mechanism is
  // put back at the end of those kept.
  int64_t LeftInData();

 private:
  // True when at least count bytes are buffered, refilling as needed.
  bool Holds(int32_t count);
  // ReadLine of a line longer than the buffer, from a full buffer on.
  string ReadLongLine(int32_t unit, TextEncoding encoding);
  // Reads the CR, LF or CR LF at the read position.
  void SkipLineEnd(int32_t unit);
  // Offset from the read position of the first CR or LF unit at or after from, or -1; *whole
  // is set to the bytes of whole units buffered.
  int32_t FindLineEnd(int32_t unit, int32_t from, int32_t* whole) const;

  RandomAccessMechanism* mMechanism;
  uint8_t* mBytes;
  int32_t mCapacity;
  int32_t& mReadPosition;
  int32_t& mFillCount;
};
