#include "files/MemoryBlockMechanism.h"

#include <cstring>

#include "values/MemoryBlock.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

constexpr int64_t kSmallestGrowth = 32;
constexpr int64_t kLargestGrowth = 1048576;

}  // namespace

MemoryBlockMechanism::~MemoryBlockMechanism() { Close(); }

void MemoryBlockMechanism::AttachBlock(MemoryBlockObject* block) {
  if (!block) {
    RaiseNilObjectException();
    return;
  }
  Close();
  RuntimeLockObject(&block->header);
  mBlock = block;
  mPosition = 0;
  mLength = block->size;
}

bool MemoryBlockMechanism::Read(void* buffer, int32_t count, int32_t* bytesRead) {
  if (!QV_CHECK_TEXT(buffer, "data", nullptr)) return false;
  if (bytesRead) *bytesRead = 0;
  if (count == 0) return true;
  if (!mBlock || count < 0) return false;
  if (!mBlock->owned && !mBlock->data) return false;
  if (mBlock->owned) {
    // The block may have been resized under the stream: never read past its bytes.
    const int32_t end = mLength < mBlock->size ? mLength : mBlock->size;
    const int32_t left = end - mPosition;
    if (left <= 0) return false;
    if (count > left) count = left;
  }
  std::memcpy(buffer, mBlock->data + mPosition, static_cast<size_t>(count));
  mPosition += count;
  if (bytesRead) *bytesRead = count;
  return true;
}

// The step is the block's size clamped to 32 .. 1 MB; when a step is not enough the write's
// own count is added. The block never grows past 2^31 - 1 bytes.
bool MemoryBlockMechanism::MakeRoom(int32_t count) {
  const int64_t end = int64_t{mPosition} + count;
  const int64_t size = mBlock->size;
  if (end < size) return true;
  const int64_t step = size < kSmallestGrowth ? kSmallestGrowth
                       : size > kLargestGrowth ? kLargestGrowth
                                               : size;
  int64_t grown = size + step;
  if (grown < end) grown = size + step + count;
  if (grown < end) grown = end + step;  // a position beyond the end (after SetLength)
  if (grown > kMaxMemoryBlockSize) grown = end;
  if (grown > kMaxMemoryBlockSize) return false;
  return ResizeMemoryBlock(mBlock, static_cast<int32_t>(grown));
}

bool MemoryBlockMechanism::Write(const void* buffer, int32_t count) {
  if (!buffer || count == 0) return true;
  if (!mBlock || count < 0) return false;
  if (mBlock->owned ? !MakeRoom(count) : !mBlock->data) return false;
  std::memcpy(mBlock->data + mPosition, buffer, static_cast<size_t>(count));
  mPosition += count;
  if (mPosition > mLength) mLength = mPosition;
  return true;
}

// Only an owned block is trimmed: a foreign block's memory is someone else's.
bool MemoryBlockMechanism::Close() {
  if (!mBlock) return true;
  if (mBlock->owned && mLength > 0) ResizeMemoryBlock(mBlock, mLength);
  RuntimeUnlockObject(&mBlock->header);
  mBlock = nullptr;
  mPosition = 0;
  mLength = 0;
  return true;
}

bool MemoryBlockMechanism::IsEOF() {
  if (!mBlock) return true;
  return mBlock->owned && mPosition >= mLength;
}

bool MemoryBlockMechanism::SetPosition(uint64_t position) {
  if (!mBlock) return true;
  if (mBlock->owned && position > static_cast<uint64_t>(mBlock->size)) position = mBlock->size;
  if (position > static_cast<uint64_t>(kMaxMemoryBlockSize)) return false;
  mPosition = static_cast<int32_t>(position);
  return true;
}

int64_t MemoryBlockMechanism::GetLength() {
  if (!mBlock) return 0;
  return mBlock->owned ? mLength : -1;
}

bool MemoryBlockMechanism::SetLength(uint64_t length) {
  if (!mBlock) return true;
  if (length > static_cast<uint64_t>(kMaxMemoryBlockSize)) return false;
  if (!ResizeMemoryBlock(mBlock, static_cast<int32_t>(length))) return false;
  mLength = static_cast<int32_t>(length);
  return true;
}

int64_t MemoryBlockMechanism::GetPosition() { return mPosition; }
