// The cache of large blocks (above the small-block sizes) behind OSalloclen and OSfreelen.
//
// The C library maps every block above its mmap threshold (at most 512 KB on this platform)
// afresh and unmaps it when freed, so a loop that makes and frees records of growing size
// faults in every page of every record, and spends most of its time in the kernel. Freed large
// blocks are kept instead, per size class (eight classes to each doubling), and handed out
// again for any request of their class, the most recently freed first. A large block is always
// obtained at its class's largest size, so any block of a class serves any request of it.
//
// What is kept stays bounded: blocks above kLargestCachedBlock are never kept; the cache holds
// at most kLargeBlockCacheBound bytes and gives back the least recently freed first; a block
// that kStaleAfterFrees later frees have not reused goes back (the sizes a program uses have
// moved on); and everything goes back when the program is idle or an allocation fails
// (ReleaseLargeBlockCache). Only the thread holding the run baton allocates, so there is no
// lock.
#pragma once

#include <cstdint>

constexpr uint32_t kLargestCachedBlock = 16u << 20;
constexpr uint32_t kLargeBlockCacheBound = 32u << 20;
constexpr uint32_t kStaleAfterFrees = 256;

// The block size that serves a large request of size bytes (253 and more): its class's largest
// size; 0 when requests of that size are not cached.
uint32_t LargeBlockClassSize(uint32_t size);

// A kept block of the class of blockSize (a class size), or nil when none is kept.
void* TakeCachedLargeBlock(uint32_t blockSize);

// Keeps a block that OSalloclen handed out for size bytes; false when it is not kept (too
// large), and the caller frees it.
bool CacheLargeBlock(void* block, uint32_t size);

// Bytes the cache holds now.
uint32_t LargeBlockCacheBytes();
