// MemoryBlockMechanism: a MemoryBlock read and written like a file, so that streams work on
// memory. Writing past the end of an owned block grows it in steps (at least 32 bytes, at most
// 1 MB, or the block's own size between those), and Close trims it to the highest position
// written. A foreign block (one made from a pointer) has no known size: nothing is checked,
// nothing grows, and Close leaves its memory alone.
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

struct MemoryBlockObject;

class MemoryBlockMechanism : public RandomAccessMechanism {
 public:
  MemoryBlockMechanism() = default;
  ~MemoryBlockMechanism() override;

  // Closes, then works on block (one reference held) from position 0; nil raises
  // NilObjectException.
  void AttachBlock(MemoryBlockObject* block);

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  bool Close() override;
  bool IsEOF() override;
  bool SetPosition(uint64_t position) override;
  int64_t GetLength() override;
  bool SetLength(uint64_t length) override;
  int64_t GetPosition() override;
  void Flush() override {}

  MemoryBlockObject* Block() const { return mBlock; }

 private:
  // Grows an owned block so that count bytes fit at the position; false changes nothing.
  bool MakeRoom(int32_t count);

  MemoryBlockObject* mBlock = nullptr;
  int32_t mPosition = 0;
  int32_t mLength = 0;  // the highest position written (the block's size when attached)
};
