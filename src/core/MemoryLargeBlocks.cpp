#include "core/MemoryLargeBlocks.h"

#include <cstdlib>

#include "core/Memory.h"

// A kept block is out of bounds for the sanitizer and valgrind alike, so that both see a use
// of a block after its free; handed out again, it is as fresh as one from malloc.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QV_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define QV_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#include <valgrind/memcheck.h>
#define QV_POISON(address, size) (void)VALGRIND_MAKE_MEM_NOACCESS(address, size)
#define QV_UNPOISON(address, size) (void)VALGRIND_MAKE_MEM_UNDEFINED(address, size)
#endif

namespace {

constexpr uint32_t kClassesPerDoubling = 8;
constexpr uint32_t kClassShiftBits = 3;  // log2 of kClassesPerDoubling
constexpr uint32_t kFirstExponent = 7;   // 253 .. 256 lie in the doubling above 128
constexpr uint32_t kClassCount = (23 - kFirstExponent + 1) * kClassesPerDoubling;  // to 16 MB

// A kept block's first bytes: its place in its class's list and in the list of all kept blocks
// by the time they were freed. The rest of the block is not touched while it is kept.
struct CachedBlock {
  CachedBlock* classNext;
  CachedBlock* classPrevious;
  CachedBlock* newer;
  CachedBlock* older;
  uint32_t sizeClass;
  uint32_t freedAt;  // the free count when it was kept
};
static_assert(sizeof(CachedBlock) <= kSmallBlockLargest, "every large block holds the links");

struct LargeBlockState {
  CachedBlock* classes[kClassCount];  // most recently kept first
  CachedBlock* newest;
  CachedBlock* oldest;
  uint32_t bytes;
  uint32_t frees;  // wraps; only differences are read
};
LargeBlockState gLarge;

// Class of a large size: the doubling that holds size - 1 and which eighth of it.
uint32_t ClassOf(uint32_t size) {
  uint32_t v = size - 1;
  uint32_t exponent = 31 - static_cast<uint32_t>(__builtin_clz(v));
  uint32_t eighth = (v >> (exponent - kClassShiftBits)) & (kClassesPerDoubling - 1);
  return (exponent - kFirstExponent) * kClassesPerDoubling + eighth;
}

uint32_t SizeOfClass(uint32_t sizeClass) {
  uint32_t exponent = sizeClass / kClassesPerDoubling + kFirstExponent;
  uint32_t eighth = sizeClass % kClassesPerDoubling;
  return (kClassesPerDoubling + eighth + 1) << (exponent - kClassShiftBits);
}

void Unlink(CachedBlock* block) {
  CachedBlock*& head = gLarge.classes[block->sizeClass];
  (block->classPrevious ? block->classPrevious->classNext : head) = block->classNext;
  if (block->classNext) block->classNext->classPrevious = block->classPrevious;
  (block->newer ? block->newer->older : gLarge.newest) = block->older;
  (block->older ? block->older->newer : gLarge.oldest) = block->newer;
  gLarge.bytes -= SizeOfClass(block->sizeClass);
}

void Link(CachedBlock* block, uint32_t sizeClass) {
  CachedBlock*& head = gLarge.classes[sizeClass];
  *block = {head, nullptr, nullptr, gLarge.newest, sizeClass, gLarge.frees};
  if (head) head->classPrevious = block;
  head = block;
  (gLarge.newest ? gLarge.newest->newer : gLarge.oldest) = block;
  gLarge.newest = block;
  gLarge.bytes += SizeOfClass(sizeClass);
}

void GiveBack(CachedBlock* block) {
  Unlink(block);
  QV_UNPOISON(block, SizeOfClass(block->sizeClass));
  std::free(block);
}

// Over the bound, or kept too long without being reused: the oldest go back first.
void Trim() {
  while (gLarge.oldest && (gLarge.bytes > kLargeBlockCacheBound ||
                           gLarge.frees - gLarge.oldest->freedAt > kStaleAfterFrees)) {
    GiveBack(gLarge.oldest);
  }
}

}  // namespace

uint32_t LargeBlockClassSize(uint32_t size) {
  if (size <= kSmallBlockLargest || size > kLargestCachedBlock) return 0;
  return SizeOfClass(ClassOf(size));
}

void* TakeCachedLargeBlock(uint32_t blockSize) {
  CachedBlock* block = gLarge.classes[ClassOf(blockSize)];
  if (!block) return nullptr;
  Unlink(block);
  QV_UNPOISON(block, blockSize);
  return block;
}

bool CacheLargeBlock(void* block, uint32_t size) {
  if (!LargeBlockClassSize(size)) return false;
  uint32_t sizeClass = ClassOf(size);
  ++gLarge.frees;
  auto* kept = static_cast<CachedBlock*>(block);
  Link(kept, sizeClass);
  QV_POISON(kept + 1, SizeOfClass(sizeClass) - sizeof(CachedBlock));
  Trim();
  return true;
}

uint32_t LargeBlockCacheBytes() { return gLarge.bytes; }

uint32_t ReleaseLargeBlockCache() {
  uint32_t released = gLarge.bytes;
  while (gLarge.oldest) GiveBack(gLarge.oldest);
  return released;
}
