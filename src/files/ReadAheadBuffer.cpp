#include "files/ReadAheadBuffer.h"

#include <cstring>
#include <string>

namespace {

constexpr uint16_t kCR = 13;
constexpr uint16_t kLF = 10;

uint16_t UnitAt(const uint8_t* bytes, int32_t unit) {
  return unit == 1 ? bytes[0] : static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
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

bool ReadAheadBuffer::AtEnd() { return Buffered() <= 0 && mMechanism->IsEOF(); }

int32_t ReadAheadBuffer::FindLineEnd(int32_t unit, int32_t* whole) const {
  const uint8_t* start = Unread();
  const int32_t available = Buffered();
  if (unit == 1) {
    *whole = available;
    const void* lf = std::memchr(start, kLF, static_cast<size_t>(available));
    const int32_t limit = lf ? static_cast<int32_t>(static_cast<const uint8_t*>(lf) - start)
                             : available;
    const void* cr = std::memchr(start, kCR, static_cast<size_t>(limit));
    if (cr) return static_cast<int32_t>(static_cast<const uint8_t*>(cr) - start);
    return lf ? limit : -1;
  }
  *whole = available & ~1;
  for (int32_t at = 0; at < *whole; at += 2) {
    const uint16_t value = UnitAt(start + at, 2);
    if (value == kCR || value == kLF) return at;
  }
  return -1;
}

string ReadAheadBuffer::ReadLine(TextEncoding encoding) {
  const int32_t unit = IsUnicode16Encoding(encoding) ? 2 : 1;
  std::string pending;  // the start of a line that runs past the buffer
  for (;;) {
    int32_t whole = 0;
    const int32_t end = FindLineEnd(unit, &whole);
    if (end < 0) {
      pending.append(reinterpret_cast<const char*>(Unread()), static_cast<size_t>(whole));
      Consume(whole);
      if (Refill()) continue;
      // The end of the data: an odd byte left over ends the line.
      pending.append(reinterpret_cast<const char*>(Unread()), static_cast<size_t>(Buffered()));
      Empty();
      return string::FromBytes(pending.data(), int64_t(pending.size()), encoding);
    }
    string line;
    if (pending.empty()) {
      line = string::FromBytes(Unread(), end, encoding);
    } else {
      pending.append(reinterpret_cast<const char*>(Unread()), static_cast<size_t>(end));
      line = string::FromBytes(pending.data(), int64_t(pending.size()), encoding);
    }
    const bool cr = UnitAt(Unread() + end, unit) == kCR;
    Consume(end + unit);
    if (cr && Holds(unit) && UnitAt(Unread(), unit) == kLF) Consume(unit);
    return line;
  }
}
