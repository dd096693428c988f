#include "files/GrowingBytes.h"

#include <cstdlib>
#include <cstring>

namespace {

// The smallest block worth growing to.
constexpr int64_t kFirstCapacity = 4096;

}  // namespace

GrowingBytes::~GrowingBytes() { std::free(mBytes); }

// The record that takes the bytes at the end is asked for first, and given back once the block
// has grown: so the result can still be made when the block has taken what memory there was.
bool GrowingBytes::Resize(int64_t capacity) {
  void* record = std::malloc(size_t(capacity) + kStringHeaderSize + 2);
  void* grown = record ? std::realloc(mBytes, size_t(capacity)) : nullptr;
  std::free(record);
  if (!grown) return false;
  mBytes = static_cast<uint8_t*>(grown);
  mCapacity = capacity;
  return true;
}

// Doubling keeps the copies linear; when the doubled block cannot be had, memory is short.
bool GrowingBytes::Reserve(int64_t count) {
  if (count <= mCapacity - mSize) return true;
  const int64_t needed = mSize + count;
  if (count < 0 || needed > int64_t{kMaxStringLength}) return false;
  int64_t capacity = mCapacity < kFirstCapacity ? kFirstCapacity : 2 * mCapacity;
  if (capacity < needed) capacity = needed;
  if (capacity > int64_t{kMaxStringLength}) capacity = kMaxStringLength;
  if (Resize(capacity)) return true;
  mOutOfMemory = true;
  return false;
}

bool GrowingBytes::Append(const void* bytes, int64_t count) {
  if (count <= 0) return true;
  if (!Reserve(count)) return false;
  std::memcpy(End(), bytes, size_t(count));
  Grew(count);
  return true;
}

string GrowingBytes::ToString(TextEncoding encoding) const {
  return string::FromBytes(mBytes, mSize, encoding);
}
