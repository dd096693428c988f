#include "files/ReadAheadBuffer.h"

#include <cerrno>
#include <cstring>

#include "strings/GrowingBytes.h"

namespace {

constexpr uint16_t kCR = 13;
constexpr uint16_t kLF = 10;

uint16_t UnitAt(const uint8_t* bytes, int32_t unit) {
  return unit == 1 ? bytes[0] : static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

int64_t ReadAheadBuffer::LeftInData() {
  const int64_t length = mMechanism->GetLength();
  if (length < 0) return -1;
  const int64_t position = mMechanism->GetPosition() - Buffered();
  const int64_t left = length > position ? length - position : 0;
  if (left < Buffered()) {
    mFillCount = mReadPosition + static_cast<int32_t>(left);
    mMechanism->SetPosition(static_cast<uint64_t>(position + left));
  }
  return left;
}

bool ReadAheadBuffer::Refill() {
  LeftInData();
  const int32_t kept = Buffered();
  if (kept > 0 && mReadPosition > 0) std::memmove(mBytes, Unread(), static_cast<size_t>(kept));
  mReadPosition = 0;
  mFillCount = kept;
  int32_t got = 0;
  if (kept < mCapacity) mMechanism->Read(mBytes + kept, mCapacity - kept, &got);
  if (got < 0) got = 0;
  mFillCount += got;
  return got > 0;
}

bool ReadAheadBuffer::Holds(int32_t count) {
  while (Buffered() < count) {
    if (!Refill()) return false;
  }
  return true;
}

int32_t ReadAheadBuffer::FindLineEnd(int32_t unit, int32_t from, int32_t* whole) const {
  const uint8_t* start = Unread();
  const int32_t available = Buffered();
  if (unit == 1) {
    *whole = available;
    const uint8_t* lf = static_cast<const uint8_t*>(
        std::memchr(start + from, kLF, static_cast<size_t>(available - from)));
    const int32_t limit = lf ? static_cast<int32_t>(lf - start) : available;
    const uint8_t* cr = static_cast<const uint8_t*>(
        std::memchr(start + from, kCR, static_cast<size_t>(limit - from)));
    if (cr) return static_cast<int32_t>(cr - start);
    return lf ? limit : -1;
  }
  *whole = available & ~1;
  for (int32_t at = from; at < *whole; at += 2) {
    const uint16_t value = UnitAt(start + at, 2);
    if (value == kCR || value == kLF) return at;
  }
  return -1;
}

// The line end at the read position, CR or LF; an LF after a CR (perhaps still to come with a
// refill) belongs to the same line end.
void ReadAheadBuffer::SkipLineEnd(int32_t unit) {
  const bool cr = UnitAt(Unread(), unit) == kCR;
  Consume(unit);
  if (cr && Holds(unit) && UnitAt(Unread(), unit) == kLF) Consume(unit);
}

// A line that runs past the buffer's end is kept in the buffer, which is refilled behind it;
// only a line longer than the whole buffer is gathered elsewhere.
string ReadAheadBuffer::ReadLine(TextEncoding encoding) {
  const int32_t unit = IsUnicode16Encoding(encoding) ? 2 : 1;
  int32_t scanned = 0;  // bytes from the read position known to hold no line end
  for (;;) {
    int32_t whole = 0;
    const int32_t end = FindLineEnd(unit, scanned, &whole);
    if (end >= 0) {
      string line = string::FromBytes(Unread(), end, encoding);
      Consume(end);
      SkipLineEnd(unit);
      return line;
    }
    if (Buffered() == mCapacity) return ReadLongLine(unit, encoding);
    scanned = whole;
    if (Refill()) continue;
    // The end of the data: an odd byte left over ends the line.
    string line = string::FromBytes(Unread(), Buffered(), encoding);
    Empty();
    return line;
  }
}

// Buffer after buffer of a line without end joins the line, until its end comes or memory
// cannot take more: the line is cut there (ENOMEM; at the longest string, no error), and what
// was not taken stays buffered for the next line.
string ReadAheadBuffer::ReadLongLine(int32_t unit, TextEncoding encoding) {
  GrowingBytes line;
  int32_t scanned = 0;  // bytes from the read position known to hold no line end
  for (;;) {
    int32_t whole = 0;
    const int32_t end = FindLineEnd(unit, scanned, &whole);
    const bool atEnd = end < 0 && Buffered() < mCapacity && !Refill();
    // What joins the line now: the text before its end; at the end of the data all that is
    // left, an odd byte too; the whole units of a full buffer; else nothing until more comes.
    int32_t taken = 0;
    if (end >= 0) {
      taken = end;
    } else if (atEnd) {
      taken = Buffered();
    } else if (Buffered() == mCapacity) {
      taken = whole;
    }
    if (!line.Append(Unread(), taken)) {
      if (line.OutOfMemory()) mMechanism->lastError = ENOMEM;
      return line.ToString(encoding);
    }
    Consume(taken);
    if (end >= 0) SkipLineEnd(unit);
    if (end >= 0 || atEnd) {
      if (atEnd) Empty();
      return line.ToString(encoding);
    }
    scanned = taken > 0 ? 0 : whole;
  }
}
