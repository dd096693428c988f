// The byte queue of linked buffers (see ByteQueue.h).
#include "core/ByteQueue.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "core/Memory.h"
#include "core/RuntimeError.h"

// One buffer: this header and its data in one block.
struct MemoryManager::Node {
  uint32_t capacity;
  uint32_t readOffset;
  uint32_t writeOffset;
  Node* next;

  char* Data() { return reinterpret_cast<char*>(this + 1); }
  uint32_t Unread() const { return writeOffset - readOffset; }
};

namespace {

using Node = MemoryManager::Node;

// Buffer sizes are powers of two from the first size to the largest: one class each.
constexpr int kSizeClasses = 9;
static_assert((MemoryManager::kFirstNodeSize << (kSizeClasses - 1)) == MemoryManager::kNodeSize);
// Enough spares for a few busy queues to cycle without the heap; bounded whatever the number
// of queues.
constexpr uint32_t kSpareLimit = 8 * MemoryManager::kNodeSize;

int SizeClass(uint32_t capacity) {
  int index = 0;
  while ((MemoryManager::kFirstNodeSize << index) < capacity) ++index;
  return index;
}

// The process-wide store of drained buffers. Queues may live on any thread, so it is locked.
class SpareNodes {
 public:
  Node* Take(uint32_t capacity) {
    std::lock_guard<std::mutex> lock(mMutex);
    Node*& head = mHeads[SizeClass(capacity)];
    Node* node = head;
    if (!node) return nullptr;
    head = node->next;
    mBytes -= capacity;
    return node;
  }
  // False when the store is full: the caller frees the buffer.
  bool Keep(Node* node) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBytes + node->capacity > kSpareLimit) return false;
    Node*& head = mHeads[SizeClass(node->capacity)];
    node->next = head;
    head = node;
    mBytes += node->capacity;
    return true;
  }
  Node* TakeAll() {
    std::lock_guard<std::mutex> lock(mMutex);
    Node* all = nullptr;
    for (Node*& head : mHeads) {
      while (Node* node = head) {
        head = node->next;
        node->next = all;
        all = node;
      }
    }
    mBytes = 0;
    return all;
  }
  uint32_t Bytes() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mBytes;
  }

 private:
  std::mutex mMutex;
  Node* mHeads[kSizeClasses] = {};
  uint32_t mBytes = 0;
};

SpareNodes& Spares() {
  static SpareNodes* spares = new SpareNodes;  // lives to the end, for queues destroyed at exit
  return *spares;
}

Node* NewNode(uint32_t capacity) {
  Node* node = Spares().Take(capacity);
  if (!node) {
    node = static_cast<Node*>(OSalloc(uint32_t(sizeof(Node)) + capacity, kMemFullQuit));
    node->capacity = capacity;
  }
  node->readOffset = 0;
  node->writeOffset = 0;
  node->next = nullptr;
  return node;
}

void GiveBack(Node* node) {
  if (!Spares().Keep(node)) OSfree(node);
}

}  // namespace

MemoryManager::~MemoryManager() { Clear(); }

uint32_t MemoryManager::SpareBytes() { return Spares().Bytes(); }

void MemoryManager::ReleaseSpares() {
  for (Node* node = Spares().TakeAll(); node;) {
    Node* next = node->next;
    OSfree(node);
    node = next;
  }
}

MemoryManager::Node* MemoryManager::AddNode(uint32_t wanted) {
  uint32_t capacity = mNextNodeSize;
  while (capacity < wanted && capacity < kNodeSize) capacity *= 2;
  mNextNodeSize = std::min(capacity * 2, kNodeSize);
  Node* node = NewNode(capacity);
  if (mTail) {
    mTail->next = node;
  } else {
    mHead = node;
  }
  mTail = node;
  ++mNodeCount;
  return node;
}

void MemoryManager::DropFirstNode() {
  Node* node = mHead;
  mHead = node->next;
  if (!mHead) mTail = nullptr;
  --mNodeCount;
  GiveBack(node);
}

uint32_t MemoryManager::FillTail(const char* bytes, uint32_t n) {
  const uint32_t count = std::min(n, mTail->capacity - mTail->writeOffset);
  memcpy(mTail->Data() + mTail->writeOffset, bytes, count);
  mTail->writeOffset += count;
  return count;
}

void MemoryManager::Append(const void* bytes, int32_t n) {
  if (!QV_CHECK(n >= 0)) return;
  if (!QV_CHECK(bytes || n == 0)) return;
  if (!QV_CHECK_MSG(static_cast<int64_t>(mTotal) + n <= INT32_MAX, "byte queue full")) return;
  if (n == 0) return;
  const char* source = static_cast<const char*>(bytes);
  uint32_t remaining = static_cast<uint32_t>(n);
  if (mTail) {
    const uint32_t copied = FillTail(source, remaining);
    source += copied;
    remaining -= copied;
  }
  while (remaining > 0) {
    AddNode(remaining);
    const uint32_t copied = FillTail(source, remaining);
    source += copied;
    remaining -= copied;
  }
  mTotal += n;
}

char* MemoryManager::TailSpace(int32_t* room) {
  if (!QV_CHECK_TEXT(room, "room", nullptr)) return nullptr;
  *room = 0;
  if (!QV_CHECK_MSG(mTotal < INT32_MAX, "byte queue full")) return nullptr;
  if (!mTail || mTail->writeOffset == mTail->capacity) AddNode(0);
  const uint32_t free = mTail->capacity - mTail->writeOffset;
  *room = int32_t(std::min<uint32_t>(free, uint32_t(INT32_MAX - mTotal)));
  return mTail->Data() + mTail->writeOffset;
}

void MemoryManager::CommitTail(int32_t n) {
  if (n != 0 && QV_CHECK(n > 0 && mTail) &&
      QV_CHECK(uint32_t(n) <= mTail->capacity - mTail->writeOffset &&
               int64_t(mTotal) + n <= INT32_MAX)) {
    mTail->writeOffset += uint32_t(n);
    mTotal += n;
  }
  // Nothing written into the buffer of an empty queue: it goes back.
  if (mTotal == 0) Clear();
}

const char* MemoryManager::PeekFirstChunk(int32_t* amountOfData) const {
  if (!QV_CHECK_TEXT(amountOfData, "amountOfData", nullptr)) return nullptr;
  // A tail that TailSpace took and nothing was committed to may lead an otherwise empty queue.
  if (!mHead || mTotal == 0) {
    *amountOfData = 0;
    return nullptr;
  }
  *amountOfData = static_cast<int32_t>(mHead->Unread());
  return mHead->Data() + mHead->readOffset;
}

int32_t MemoryManager::Read(void* buffer, int32_t n, bool remove) {
  if (!QV_CHECK(n >= 0)) return 0;
  if (!QV_CHECK(buffer || n == 0)) return 0;
  char* out = static_cast<char*>(buffer);
  uint32_t copied = 0;
  const uint32_t wanted = static_cast<uint32_t>(n);
  for (Node* node = mHead; node && copied < wanted; node = node->next) {
    const uint32_t count = std::min(wanted - copied, node->Unread());
    memcpy(out + copied, node->Data() + node->readOffset, count);
    copied += count;
  }
  if (remove) Consume(static_cast<int32_t>(copied));
  return static_cast<int32_t>(copied);
}

void MemoryManager::Consume(int32_t n) {
  if (!QV_CHECK(n >= 0)) return;
  const int32_t count = std::min(n, mTotal);
  uint32_t left = static_cast<uint32_t>(count);
  while (left > 0 && mHead) {
    const uint32_t unread = mHead->Unread();
    if (left < unread) {
      mHead->readOffset += left;
      break;
    }
    left -= unread;
    DropFirstNode();
  }
  mTotal -= count;
  // Drained: the buffers still held (a tail that was read to its write mark) go back too.
  if (mTotal == 0) {
    while (mHead) DropFirstNode();
  }
}

void MemoryManager::Clear() {
  while (mHead) DropFirstNode();
  mTotal = 0;
}
