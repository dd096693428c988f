// MemoryManager: a first-in, first-out queue of bytes in a chain of fixed-size buffers.
//
// Appending never moves queued data, reading from the front frees whole buffers, and emptied
// buffers wait on a free list for reuse rather than going back to the heap: a long-lived queue
// (a socket's send or receive queue) allocates at most once per megabyte of its largest backlog.
#pragma once

#include <cstdint>

#include "core/SimpleVector.h"

class MemoryManager {
 public:
  static constexpr uint32_t kNodeSize = 1048576;

  MemoryManager() = default;
  ~MemoryManager();
  MemoryManager(const MemoryManager&) = delete;
  MemoryManager& operator=(const MemoryManager&) = delete;

  // Queues n bytes at the end. Refused, with a report, when the queue would pass 2 GB.
  void Append(const void* bytes, int32_t n);
  // The unread bytes of the first buffer and their count in *amountOfData; nil and 0 when empty.
  const char* PeekFirstChunk(int32_t* amountOfData) const;
  // Copies up to n bytes from the front into buffer, consuming them when remove is set;
  // returns the count copied.
  int32_t Read(void* buffer, int32_t n, bool remove);
  // Drops up to n bytes from the front.
  void Consume(int32_t n);
  void Clear();

  // Bytes queued.
  int32_t Total() const { return mTotal; }

 private:
  struct Node {
    char* mData;
    uint32_t mCapacity;
    uint32_t mReadOffset;
    uint32_t mWriteOffset;
    Node* mNext;
    Node* mPrev;
  };

  Node* GetNode();
  // Copies what fits into the tail buffer; returns the count copied.
  uint32_t FillTail(const char* bytes, uint32_t n);

  Node* mHead = nullptr;
  Node* mTail = nullptr;
  uint32_t mNodeSize = kNodeSize;
  int32_t mTotal = 0;
  SimpleVector<Node*> mFreeNodes;
};
