// FileHandle: a growable memory file in a handle (core/Handles.h). Writes past the end grow the
// storage geometrically, with at least 2,048 bytes of slack past the last write, so that a run
// of small writes resizes rarely; the storage never shrinks until DetachHandle trims it.
//
// The handle is owned (disposed with the FileHandle) unless it came through Attach. Storage that
// cannot be had latches `failed`: from then on writes and DetachHandle fail and Close answers
// false, until Clear. Nothing passes 2^31 - 1 bytes: such a write or SetLength is refused and
// changes nothing.
#pragma once

#include <cstdint>

#include "core/Handles.h"
#include "files/RandomAccessMechanism.h"

class FileHandle : public RandomAccessMechanism {
 public:
  FileHandle() = default;
  ~FileHandle() override;

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  bool Close() override { return !failed; }
  bool IsEOF() override { return position >= length; }
  bool SetPosition(uint64_t newPosition) override;
  int64_t GetLength() override { return length; }
  // Bytes past the old length read as zeros.
  bool SetLength(uint64_t newLength) override;
  int64_t GetPosition() override { return position; }

  // Empties the file into a new owned handle of its own.
  void Clear();
  // Works on handle from position 0, without owning it.
  void Attach(Handle handle);
  // The handle trimmed to the length, now the caller's; the file is left empty, without one.
  // Nil, changing nothing, after a failure.
  Handle DetachHandle();

  int32_t Capacity() const { return capacity; }
  bool Failed() const { return failed != 0; }

 private:
  // Makes room for end bytes (end <= the limit); false, latching failed, when it cannot.
  bool Reserve(int64_t end);
  void ReleaseHandle();

  int32_t capacity = 0;  // bytes allocated in the handle
  int32_t position = 0;
  int32_t length = 0;
  uint8_t failed = 0;
  uint8_t ownsHandle = 1;
  Handle handle = nullptr;
};
