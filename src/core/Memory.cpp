#include "core/Memory.h"

#include <valgrind/valgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include "core/RuntimeError.h"

// The sanitizer's run-time: the size a heap block was requested with (GCC ships no header).
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* block);
#endif

#include "core/MemoryLargeBlocks.h"

namespace {

constexpr uint32_t kSizeClasses = 64;

struct FreeBlock {
  FreeBlock* next;
};

// Only the thread holding the run baton allocates, so the allocator takes no lock; the
// critical-section flag records that start-up has set it up.
struct SmallBlockState {
  FreeBlock* freeLists[kSizeClasses];
  char* chunk;
  uint32_t chunkLeft;
  int32_t bytesInUse;
  bool criticalSection;
};
SmallBlockState gSmall;

// Freed object blocks kept for reuse, per size class (AllocateObjectBlock).
struct KeptObjectBlocks {
  FreeBlock* heads[kSizeClasses];
  uint32_t counts[kSizeClasses];
};
KeptObjectBlocks gKeptObjects;

SystemAllocFunction gSystemAlloc = std::malloc;
OutOfMemoryHook gOutOfMemoryHook = nullptr;

purgableObject* gPurgeHead = nullptr;
purgableObject* gPurgeTail = nullptr;

// Nothing is shown on this platform; the hook exists for the message's form (length-prefixed).
void FatalMessageHook(const unsigned char* /*pascalText*/) {}

[[noreturn]] void OutOfMemoryExit() {
  if (gOutOfMemoryHook) gOutOfMemoryHook();
  static const unsigned char kMessage[] =
      "\x39This application has run out of memory and must quit now.";
  FatalMessageHook(kMessage);
  // A failure must not look like success to whoever started us.
  std::fprintf(stderr, "%s\n", reinterpret_cast<const char*>(kMessage + 1));
  std::exit(EXIT_FAILURE);
}

// When the system has no memory left, the large blocks kept for reuse go back first and the
// request is tried once more.
void* SystemAlloc(size_t size) {
  void* block = gSystemAlloc(size);
  if (!block && ReleaseLargeBlockCache() > 0) block = gSystemAlloc(size);
  return block;
}

// The answer never changes during a run, so a block is always freed the way it was allocated.
// Valgrind is asked once: its question costs more than handing out a pool block. Inline into
// the allocator's paths, which ask it for every block (each piece of a Split, both ways).
[[gnu::always_inline]] inline bool BlocksFromHeap() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#else
  static const bool underValgrind = RUNNING_ON_VALGRIND;
  return underValgrind;
#endif
}

void* HeapSmallBlock(uint32_t size, int32_t handling) {
  void* block = OSalloc(size, handling);
  if (block) gSmall.bytesInUse += static_cast<int32_t>(size);
  return block;
}

// The heap knows each block's size under the sanitizer: a block freed with another size than
// it was allocated with would corrupt the pool's free lists in the plain build.
void FreeHeapSmallBlock(void* block, uint32_t size) {
#if defined(__SANITIZE_ADDRESS__)
  if (!QV_CHECK_TEXT(__sanitizer_get_allocated_size(block) == size, "size == allocated size",
                     "A small block is freed with another size than it was allocated with"))
    return;
#endif
  gSmall.bytesInUse -= static_cast<int32_t>(size);
  OSfree(block);
}

}  // namespace

void InstallOutOfMemoryNewHandler() { std::set_new_handler(OutOfMemoryExit); }

OutOfMemoryHook SetOutOfMemoryHook(OutOfMemoryHook hook) {
  const OutOfMemoryHook previous = gOutOfMemoryHook;
  gOutOfMemoryHook = hook;
  return previous;
}

extern "C" void* OSalloc(uint32_t size, int32_t handling) {
  void* block = SystemAlloc(size);
  if (block) return block;
  if (handling == kMemFullReturnNil) return nullptr;
  OutOfMemoryExit();
}

extern "C" void OSfree(void* block) { std::free(block); }

extern "C" void* OSalloclen(uint32_t size, int32_t handling) {
  if (size == 0) return nullptr;
  if (size > kSmallBlockLargest) {
    uint32_t blockSize = LargeBlockClassSize(size);
    if (blockSize == 0) return OSalloc(size, handling);
    if (void* kept = TakeCachedLargeBlock(blockSize)) return kept;
    return OSalloc(blockSize, handling);
  }
  if (BlocksFromHeap()) return HeapSmallBlock(size, handling);
  uint32_t sizeClass = (size + 3) / 4;
  uint32_t blockSize = sizeClass * 4;
  if (FreeBlock* block = gSmall.freeLists[sizeClass]) {
    gSmall.freeLists[sizeClass] = block->next;
    gSmall.bytesInUse += static_cast<int32_t>(size);
    return block;
  }
  if (gSmall.chunkLeft < blockSize) {
    // The rest of the old chunk is abandoned: chunks are never returned or trimmed.
    char* chunk = static_cast<char*>(SystemAlloc(kSmallBlockChunkSize));
    if (!chunk) {
      if (handling == kMemFullReturnNil) return nullptr;
      OutOfMemoryExit();
    }
    gSmall.chunk = chunk;
    gSmall.chunkLeft = kSmallBlockChunkSize;
  }
  void* block = gSmall.chunk;
  gSmall.chunk += blockSize;
  gSmall.chunkLeft -= blockSize;
  gSmall.bytesInUse += static_cast<int32_t>(size);
  return block;
}

extern "C" void OSfreelen(void* block, uint32_t size) {
  if (!block || size == 0) return;  // a size-0 request never handed out a block
  if (size > kSmallBlockLargest) {
    if (!CacheLargeBlock(block, size)) OSfree(block);
    return;
  }
  if (BlocksFromHeap()) return FreeHeapSmallBlock(block, size);
  uint32_t sizeClass = (size + 3) / 4;
  gSmall.bytesInUse -= static_cast<int32_t>(size);
  FreeBlock* freed = static_cast<FreeBlock*>(block);
  freed->next = gSmall.freeLists[sizeClass];
  gSmall.freeLists[sizeClass] = freed;
}

void* AllocateObjectBlock(uint32_t size) {
  if (size <= kSmallBlockLargest && !BlocksFromHeap()) {
    const uint32_t sizeClass = (size + 3) / 4;
    if (FreeBlock* kept = gKeptObjects.heads[sizeClass]) {
      gKeptObjects.heads[sizeClass] = kept->next;
      --gKeptObjects.counts[sizeClass];
      std::memset(kept, 0, sizeClass * 4);
      return kept;
    }
    size = sizeClass * 4;  // so that any block of the class serves any request of it
  }
  void* block = SystemAlloc(size);
  if (block) std::memset(block, 0, size);
  return block;
}

void FreeObjectBlock(void* block, uint32_t size) {
  if (!block) return;
  if (size <= kSmallBlockLargest && !BlocksFromHeap()) {
    const uint32_t sizeClass = (size + 3) / 4;
    if (gKeptObjects.counts[sizeClass] < kKeptObjectBlocks) {
      FreeBlock* kept = static_cast<FreeBlock*>(block);
      kept->next = gKeptObjects.heads[sizeClass];
      gKeptObjects.heads[sizeClass] = kept;
      ++gKeptObjects.counts[sizeClass];
      return;
    }
  }
  OSfree(block);
}

extern "C" void initializeMemoryCriticalSection() { gSmall.criticalSection = true; }
extern "C" void deleteMemoryCriticalSection() { gSmall.criticalSection = false; }

int32_t SmallBlockBytesInUse() { return gSmall.bytesInUse; }

bool SmallBlocksFromHeap() { return BlocksFromHeap(); }

SystemAllocFunction SetSystemAllocFunctionForTesting(SystemAllocFunction function) {
  SystemAllocFunction previous = gSystemAlloc;
  ReleaseLargeBlockCache();
  gSystemAlloc = function ? function : std::malloc;
  return previous;
}

purgableObject::~purgableObject() { RemoveFromPurgeList(); }

void purgableObject::AddToPurgeList() {
  if (mInList) return;
  mPrevious = nullptr;
  mNext = gPurgeHead;
  if (gPurgeHead) gPurgeHead->mPrevious = this;
  gPurgeHead = this;
  if (!gPurgeTail) gPurgeTail = this;
  mInList = true;
}

void purgableObject::RemoveFromPurgeList() {
  if (!mInList) return;
  if (mPrevious) mPrevious->mNext = mNext; else gPurgeHead = mNext;
  if (mNext) mNext->mPrevious = mPrevious; else gPurgeTail = mPrevious;
  mPrevious = mNext = nullptr;
  mInList = false;
}

void purgableObject::MoveToFront() {
  RemoveFromPurgeList();
  AddToPurgeList();
}

extern "C" bool PurgeMemory() {
  // The next object is taken first: a Purge may unlink its own object even when it refuses.
  for (purgableObject* object = gPurgeTail; object;) {
    purgableObject* next = object->mPrevious;
    if (object->Purge()) return true;
    object = next;
  }
  return false;
}
