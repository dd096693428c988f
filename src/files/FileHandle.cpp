#include "files/FileHandle.h"

#include <cstring>

#include "files/MemoryRange.h"

namespace {

constexpr int64_t kWriteSlack = 2048;

uint8_t* DataOf(Handle handle) { return static_cast<uint8_t*>(handle->data); }

}  // namespace

FileHandle::~FileHandle() { ReleaseHandle(); }

void FileHandle::ReleaseHandle() {
  if (ownsHandle) HandleDispose(handle);
  handle = nullptr;
}

bool FileHandle::Read(void* buffer, int32_t count, int32_t* bytesRead) {
  int32_t got = 0;
  const uint8_t* data = handle ? DataOf(handle) : nullptr;  // without a handle the length is 0
  const bool read = ReadMemoryRange(data, length, &position, buffer, count, &got);
  if (bytesRead) *bytesRead = got;
  UnscrambleRead(static_cast<uint8_t*>(buffer), got);
  return read;
}

// Geometric growth keeps a long run of writes to a logarithmic number of resizes; the first
// steps (2,051, then 4,100 for a write past that) are the write's end plus the slack.
bool FileHandle::Reserve(int64_t end) {
  if (!handle) {
    handle = HandleNew(0);
    ownsHandle = 1;
    capacity = 0;
    if (!handle) {
      failed = 1;
      return false;
    }
  }
  if (end <= capacity) return true;
  int64_t grown = end + kWriteSlack;
  if (grown < capacity + capacity / 2) grown = capacity + capacity / 2;
  if (grown > kMaxMemoryMechanismLength) grown = kMaxMemoryMechanismLength;
  if (!HandleSetSize(handle, static_cast<int32_t>(grown))) {
    failed = 1;
    return false;
  }
  capacity = static_cast<int32_t>(grown);
  return true;
}

bool FileHandle::Write(const void* buffer, int32_t count) {
  if (failed || count < 0) return false;
  if (count == 0) return true;
  const int64_t end = int64_t{position} + count;
  if (end > kMaxMemoryMechanismLength || !buffer) return false;
  if (!Reserve(end)) return false;
  uint8_t* stored = DataOf(handle) + position;
  std::memmove(stored, buffer, static_cast<size_t>(count));
  ScrambleStored(stored, count);
  position = static_cast<int32_t>(end);
  if (position > length) length = position;
  return true;
}

bool FileHandle::SetPosition(uint64_t newPosition) {
  position = PositionInRange(newPosition, length);
  return true;
}

// The storage grows to exactly the new length and never shrinks here. Bytes that come into the
// file are zeroed: a file shortened and lengthened again does not show what it held before.
bool FileHandle::SetLength(uint64_t newLength) {
  if (newLength > static_cast<uint64_t>(kMaxMemoryMechanismLength)) return false;
  const int32_t n = static_cast<int32_t>(newLength);
  if (!Reserve(0)) return false;  // a handle first
  if (n > capacity) {
    if (!HandleSetSize(handle, n)) {
      failed = 1;
      return false;
    }
    capacity = n;
  }
  if (n > length) std::memset(DataOf(handle) + length, 0, static_cast<size_t>(n - length));
  length = n;
  if (position > length) position = length;
  return true;
}

void FileHandle::Clear() {
  ReleaseHandle();
  handle = HandleNew(0);
  ownsHandle = 1;
  capacity = position = length = 0;
  failed = handle ? 0 : 1;
}

void FileHandle::Attach(Handle newHandle) {
  ReleaseHandle();
  handle = newHandle;
  ownsHandle = 0;
  position = 0;
  length = capacity = HandleGetSize(newHandle);
}

Handle FileHandle::DetachHandle() {
  if (failed) return nullptr;
  if (handle && capacity != length && !HandleSetSize(handle, length)) return nullptr;
  Handle detached = handle;
  handle = nullptr;
  ownsHandle = 1;
  capacity = position = length = 0;
  return detached;
}
