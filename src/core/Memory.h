// Memory management: the system heap with a choice of what exhaustion means, the small-block
// allocator that string and handle records come from, and the purge list.
//
// Small blocks (1 to 252 bytes) come from 63 size classes of 4-byte steps carved from 8 KB
// chunks that are never returned; a freed block goes on its class's free list, so the next
// request of that class gets it back. Larger blocks are kept for reuse by a bounded cache
// (MemoryLargeBlocks.h). The caller frees with the size it allocated with (the sanitizer build
// checks it).
#pragma once

#include <cstddef>
#include <cstdint>

// What an exhausted heap means to OSalloc and OSalloclen.
enum MemFullHandling : int32_t {
  kMemFullQuit = 0,       // end the process (what nearly every caller wants)
  kMemFullReturnNil = 1,  // give the caller nil
};

extern "C" {
void* OSalloc(uint32_t size, int32_t handling);
void OSfree(void* block);
void* OSalloclen(uint32_t size, int32_t handling);
void OSfreelen(void* block, uint32_t size);
void initializeMemoryCriticalSection();
void deleteMemoryCriticalSection();
bool PurgeMemory();
}

// Bytes handed out by OSalloclen and not yet freed (requested sizes, small blocks only).
int32_t SmallBlockBytesInUse();

// The blocks of language objects: heap blocks, zero-filled, of which a freed one of at most
// kSmallBlockLargest bytes is kept (up to kKeptObjectBlocks a size class, the most recently
// freed first) for the next object of its size. An object made and dropped in a loop (the
// result of each Variant operation) then takes no trip through the C library's allocator. Kept
// blocks are not bytes in use; in the sanitizer build and under valgrind none is kept. The
// caller frees with the size it allocated with. Nil when memory is short.
void* AllocateObjectBlock(uint32_t size);
void FreeObjectBlock(void* block, uint32_t size);
constexpr uint32_t kKeptObjectBlocks = 64;

// True when every small block is a heap block of its own instead of a piece of a chunk: in
// the sanitizer build and under valgrind. A pool hides its blocks from them: a block freed
// twice, used after its free or never freed looks like live pool memory.
bool SmallBlocksFromHeap();

// Gives every kept large block back to the system (see MemoryLargeBlocks.h); the main loop
// calls it before it waits for events. Answers the bytes given back.
uint32_t ReleaseLargeBlockCache();

constexpr uint32_t kSmallBlockLargest = 252;
constexpr uint32_t kSmallBlockChunkSize = 8192;

// Objects that can give memory back on demand (page caches, off-screen surfaces). The list's
// head is the most recently added or touched; PurgeMemory asks from the tail.
class purgableObject {
 public:
  purgableObject() = default;
  virtual ~purgableObject();
  virtual bool Purge() = 0;  // true when it freed memory

  void AddToPurgeList();
  void RemoveFromPurgeList();
  void MoveToFront();
  bool InPurgeList() const { return mInList; }

  purgableObject(const purgableObject&) = delete;
  purgableObject& operator=(const purgableObject&) = delete;

 private:
  friend bool PurgeMemory();
  bool mInList = false;
  purgableObject* mPrevious = nullptr;
  purgableObject* mNext = nullptr;
};

// Makes a failed operator new (a std::string, vector or map that cannot grow) take the
// out-of-memory exit below instead of throwing std::bad_alloc, which would end the process
// with an abort from whatever compiled frames it unwound into. The executable installs it at
// start; test programs, which exhaust the heap on purpose, go without.
void InstallOutOfMemoryNewHandler();

// Runs first when the process must end for want of memory: the windows layer detaches the
// drawing focus through it. Returns the previous hook; nil installs none.
using OutOfMemoryHook = void (*)();
OutOfMemoryHook SetOutOfMemoryHook(OutOfMemoryHook hook);

// Test seam: the function that obtains memory from the system (malloc by default), so that
// tests can force exhaustion. Returns the previous one; the large blocks kept from the one
// before are given back first, so that none is handed out under the new one.
using SystemAllocFunction = void* (*)(size_t);
SystemAllocFunction SetSystemAllocFunctionForTesting(SystemAllocFunction function);
