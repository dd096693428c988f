#include "files/ReadAheadBuffer.h"

#include <cstring>
#include <string>

namespace {

constexpr uint16_t kCR = 13;
constexpr uint16_t kLF = 10;

uint16_t UnitAt(const uint8_t* bytes, int32_t unit) {
  return unit == 1 ? bytes[0] : static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// The line: what was gathered of it before, then count bytes of text.
string JoinLine(std::string* gathered, const uint8_t* text, int32_t count, TextEncoding encoding) {
  if (gathered->empty()) return string::FromBytes(text, count, encoding);
  gathered->append(reinterpret_cast<const char*>(text), static_cast<size_t>(count));
  return string::FromBytes(gathered->data(), int64_t(gathered->size()), encoding);
}

}  // namespace

bool ReadAheadBuffer::Refill() {
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

// A line that runs past the buffer's end is kept in the buffer, which is refilled behind it;
// only a line longer than the whole buffer is gathered elsewhere.
string ReadAheadBuffer::ReadLine(TextEncoding encoding) {
  const int32_t unit = IsUnicode16Encoding(encoding) ? 2 : 1;
  std::string longLine;  // the start of a line longer than the buffer
  int32_t scanned = 0;   // bytes from the read position known to hold no line end
  for (;;) {
    int32_t whole = 0;
    const int32_t end = FindLineEnd(unit, scanned, &whole);
    if (end >= 0) {
      const uint8_t* text = Unread();
      const bool cr = UnitAt(text + end, unit) == kCR;
      Consume(end + unit);
      // A CR that ends the buffer: its LF may come with the refill, which moves the bytes.
      if (cr && Buffered() < unit) {
        string line = JoinLine(&longLine, text, end, encoding);
        if (Holds(unit) && UnitAt(Unread(), unit) == kLF) Consume(unit);
        return line;
      }
      if (cr && UnitAt(Unread(), unit) == kLF) Consume(unit);
      return JoinLine(&longLine, text, end, encoding);
    }
    scanned = whole;
    if (Buffered() == mCapacity) {
      longLine.append(reinterpret_cast<const char*>(Unread()), static_cast<size_t>(whole));
      Consume(whole);
      scanned = 0;
    }
    if (Refill()) continue;
    // The end of the data: an odd byte left over ends the line.
    const int32_t left = Buffered();
    Empty();
    return JoinLine(&longLine, mBytes, left, encoding);
  }
}
