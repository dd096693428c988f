// The byte queue of linked buffers (see ByteQueue.h).
#include "core/ByteQueue.h"

#include <algorithm>
#include <cstring>

#include "core/Memory.h"
#include "core/RuntimeError.h"

MemoryManager::~MemoryManager() {
  Clear();
  while (!mFreeNodes.empty()) {
    Node* node = mFreeNodes.Pop();
    OSfree(node->mData);
    delete node;
  }
}

MemoryManager::Node* MemoryManager::GetNode() {
  if (mFreeNodes.empty()) {
    return new Node{static_cast<char*>(OSalloc(mNodeSize, kMemFullQuit)), mNodeSize, 0, 0,
                    nullptr, nullptr};
  }
  Node* node = mFreeNodes.Pop();
  node->mReadOffset = 0;
  node->mWriteOffset = 0;
  node->mNext = nullptr;
  node->mPrev = nullptr;
  return node;
}

uint32_t MemoryManager::FillTail(const char* bytes, uint32_t n) {
  const uint32_t count = std::min(n, mTail->mCapacity - mTail->mWriteOffset);
  memcpy(mTail->mData + mTail->mWriteOffset, bytes, count);
  mTail->mWriteOffset += count;
  return count;
}

void MemoryManager::Append(const void* bytes, int32_t n) {
  if (!QV_CHECK(n >= 0)) return;
  if (!QV_CHECK(bytes || n == 0)) return;
  if (!QV_CHECK_MSG(static_cast<int64_t>(mTotal) + n <= INT32_MAX, "byte queue full")) return;
  if (n == 0) return;
  if (!mTail) {
    if (!QV_CHECK_TEXT(!mHead, "not mHead", nullptr)) return;
    mHead = mTail = GetNode();
  }
  const char* source = static_cast<const char*>(bytes);
  uint32_t remaining = static_cast<uint32_t>(n);
  const uint32_t first = FillTail(source, remaining);
  source += first;
  remaining -= first;
  while (remaining > 0) {
    Node* node = GetNode();
    node->mPrev = mTail;
    mTail->mNext = node;
    mTail = node;
    const uint32_t copied = FillTail(source, remaining);
    source += copied;
    remaining -= copied;
  }
  mTotal += n;
}

const char* MemoryManager::PeekFirstChunk(int32_t* amountOfData) const {
  if (!QV_CHECK_TEXT(amountOfData, "amountOfData", nullptr)) return nullptr;
  if (!mHead) {
    *amountOfData = 0;
    return nullptr;
  }
  *amountOfData = static_cast<int32_t>(mHead->mWriteOffset - mHead->mReadOffset);
  return mHead->mData + mHead->mReadOffset;
}

int32_t MemoryManager::Read(void* buffer, int32_t n, bool remove) {
  if (!QV_CHECK(n >= 0)) return 0;
  if (!QV_CHECK(buffer || n == 0)) return 0;
  char* out = static_cast<char*>(buffer);
  uint32_t copied = 0;
  const uint32_t wanted = static_cast<uint32_t>(n);
  for (const Node* node = mHead; node && copied < wanted; node = node->mNext) {
    const uint32_t count = std::min(wanted - copied, node->mWriteOffset - node->mReadOffset);
    memcpy(out + copied, node->mData + node->mReadOffset, count);
    copied += count;
  }
  if (remove) Consume(static_cast<int32_t>(copied));
  return static_cast<int32_t>(copied);
}

void MemoryManager::Consume(int32_t n) {
  if (!QV_CHECK(n >= 0)) return;
  uint32_t left = static_cast<uint32_t>(n);
  while (left > 0 && mHead) {
    Node* node = mHead;
    const uint32_t unread = node->mWriteOffset - node->mReadOffset;
    if (left < unread) {
      node->mReadOffset += left;
      left = 0;
      break;
    }
    left -= unread;
    mHead = node->mNext;
    if (mHead) {
      mHead->mPrev = nullptr;
    } else {
      mTail = nullptr;
    }
    mFreeNodes.Append(node);
  }
  mTotal -= n - static_cast<int32_t>(left);
}

void MemoryManager::Clear() {
  for (Node* node = mHead; node;) {
    Node* next = node->mNext;
    mFreeNodes.Append(node);
    node = next;
  }
  mHead = nullptr;
  mTail = nullptr;
  mTotal = 0;
}
