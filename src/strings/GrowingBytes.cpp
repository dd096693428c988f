#include "strings/GrowingBytes.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/Memory.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __sanitizer_purge_allocator();
#endif

namespace {

// The smallest block worth growing to.
constexpr int64_t kFirstCapacity = 4096;

// Under the address sanitizer a freed block waits in a quarantine before its memory can be had
// again, which would take away the room just measured; it is let go at once.
void ReleaseFreedBlocks() {
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_purge_allocator();
#endif
}

}  // namespace

GrowingBytes::~GrowingBytes() { std::free(mBytes); }

// The record that takes the bytes at the end is asked for first, the way a string asks for it,
// and given back once the block has grown: so the result can still be made when the block has
// taken what memory there was (a record of a few megabytes even waits among the blocks kept for
// reuse, where the string takes it back).
bool GrowingBytes::Resize(int64_t capacity) {
  const auto recordSize = uint32_t(capacity + kStringHeaderSize + 2);
  void* record = OSalloclen(recordSize, kMemFullReturnNil);
  void* grown = record ? std::realloc(mBytes, size_t(capacity)) : nullptr;
  OSfreelen(record, recordSize);
  ReleaseFreedBlocks();
  if (!grown) return false;
  mBytes = static_cast<uint8_t*>(grown);
  mCapacity = capacity;
  return true;
}

// Doubling keeps the copies linear; when the doubled block cannot be had, memory is short.
bool GrowingBytes::Reserve(int64_t count) {
  if (count <= mCapacity - mSize) return true;
  const int64_t needed = mSize + count;
  if (count < 0 || needed > mLimit) return false;
  int64_t capacity = mCapacity < kFirstCapacity ? kFirstCapacity : 2 * mCapacity;
  if (capacity < needed) capacity = needed;
  if (capacity > mLimit) capacity = mLimit;
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

ssize_t GrowingBytes::ReadFrom(int fd, int64_t piece) {
  const int64_t wanted = piece < Room() ? piece : Room();
  if (wanted <= 0 || !Reserve(wanted)) {
    errno = ENOBUFS;
    return -1;
  }
  const ssize_t count = read(fd, End(), size_t(wanted));
  if (count > 0) Grew(count);
  return count;
}

string GrowingBytes::ToString(TextEncoding encoding) const {
  return string::FromBytes(mBytes, mSize, encoding);
}
