// MemoryManager: a first-in, first-out queue of bytes in a chain of buffers.
//
// Appending never moves queued data and reading from the front frees whole buffers. A queue's
// buffers start small and double up to 1 MB as it grows, so a queue that only ever holds a few
// bytes never takes a large buffer. A buffer that drains is given back at once: an idle queue
// holds no memory at all, and a thousand idle sockets cost nothing. Drained buffers wait in
// one small process-wide store of spares (a few megabytes at most), from which the next buffer
// of the same size is taken, so a queue that fills and drains over and over (a socket's
// receive queue) does not go back to the system heap each time.
//
// A producer may also write straight into the tail: TailSpace gives the free room of the last
// buffer (a new one when it is full) and CommitTail appends what was written there.
#pragma once

#include <cstdint>

class MemoryManager {
 public:
  static constexpr uint32_t kNodeSize = 1048576;    // the largest buffer
  static constexpr uint32_t kFirstNodeSize = 4096;  // a new queue's first buffer

  MemoryManager() = default;
  ~MemoryManager();
  MemoryManager(const MemoryManager&) = delete;
  MemoryManager& operator=(const MemoryManager&) = delete;

  // Queues n bytes at the end. Refused, with a report, when the queue would pass 2 GB.
  void Append(const void* bytes, int32_t n);
  // The free room at the end of the last buffer, taking a new buffer when there is none or it
  // is full; its size in *room. Nil, after a report, when the queue is at 2 GB.
  char* TailSpace(int32_t* room);
  // Queues the first n bytes written at TailSpace (n up to the room it gave). Call it after
  // every TailSpace, with 0 when nothing was written, so that an empty queue holds no buffer.
  void CommitTail(int32_t n);
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
  // Buffers the queue holds (drained ones are given back at once).
  int32_t NodeCount() const { return mNodeCount; }

  // Bytes held in the process-wide store of drained buffers.
  static uint32_t SpareBytes();
  // Frees every spare buffer (tests, and memory pressure).
  static void ReleaseSpares();

  struct Node;

 private:
  // A new last buffer with room for at least wanted bytes (as far as the largest size goes).
  Node* AddNode(uint32_t wanted);
  void DropFirstNode();
  // Copies what fits into the tail buffer; returns the count copied.
  uint32_t FillTail(const char* bytes, uint32_t n);

  Node* mHead = nullptr;
  Node* mTail = nullptr;
  uint32_t mNextNodeSize = kFirstNodeSize;
  int32_t mTotal = 0;
  int32_t mNodeCount = 0;
};
