#include "core/Memory.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <set>

#include "core/MemoryLargeBlocks.h"
#include "support/TestSupport.h"

namespace {

std::vector<size_t> gRequests;  // sizes the allocator asked of the system
void* RecordingAlloc(size_t size) {
  gRequests.push_back(size);
  return std::malloc(size);
}
void* FailingAlloc(size_t) { return nullptr; }

// While alive, the system allocator is replaced by the given one.
struct SystemAllocScope {
  explicit SystemAllocScope(SystemAllocFunction f) : previous(SetSystemAllocFunctionForTesting(f)) {
    gRequests.clear();
  }
  ~SystemAllocScope() { SetSystemAllocFunctionForTesting(previous); }
  SystemAllocFunction previous;
};

// 252 is small and 253 goes to the system. Random requests freed in random order: no two live
// blocks overlap, small sizes only ever ask for chunks (for blocks of their own where the
// sanitizers or valgrind watch), and the counter equals the live small bytes.
TEST(SmallBlockAllocator, BoundaryAndARandomSequence) {
  SystemAllocScope log(RecordingAlloc);
  struct Live { unsigned char* block; uint32_t size; unsigned char fill; };
  std::vector<Live> live;
  const int32_t baseline = SmallBlockBytesInUse();
  int64_t smallBytes = 0;
  std::mt19937 random(20261206);
  for (int step = 0; step < 6000 && !HasFailure(); ++step) {
    if (step < 2 || live.empty() || random() % 100 < 55) {
      const uint32_t size = step < 2             ? 252 + step
                            : random() % 10 == 0 ? 253 + random() % 200
                                                 : 1 + random() % 252;
      const size_t before = gRequests.size();
      auto* block = static_cast<unsigned char*>(OSalloclen(size, kMemFullQuit));
      if (gRequests.size() > before) {
        const bool ownBlock = size > 252 || SmallBlocksFromHeap();
        const size_t large = LargeBlockClassSize(size);
        EXPECT_EQ(gRequests.back(), size > 252 ? large : ownBlock ? size : kSmallBlockChunkSize);
      }
      if (step == 1) {
        ASSERT_EQ(gRequests.size(), before + 1) << "253 bytes are not a small block";
      }
      memset(block, step, size);
      live.push_back({block, size, static_cast<unsigned char>(step)});
      smallBytes += size <= kSmallBlockLargest ? size : 0;
    } else {
      const size_t index = random() % live.size();
      const Live victim = live[index];
      live.erase(live.begin() + static_cast<ptrdiff_t>(index));
      for (uint32_t i = 0; i < victim.size; ++i) ASSERT_EQ(victim.block[i], victim.fill) << i;
      OSfreelen(victim.block, victim.size);
      smallBytes -= victim.size <= kSmallBlockLargest ? victim.size : 0;
    }
    ASSERT_EQ(SmallBlockBytesInUse() - baseline, smallBytes);
  }
  for (const Live& entry : live) OSfreelen(entry.block, entry.size);
  EXPECT_EQ(OSalloclen(0, kMemFullQuit), nullptr);
}

// Freed object blocks come back zero-filled for the next object of their size class (29 to 32
// bytes share one), up to kKeptObjectBlocks of them; the ones beyond that, and blocks above the
// small sizes, go back to the heap, and none counts as bytes in use. Where the sanitizer or
// valgrind watches, every block is the heap's own.
TEST(ObjectBlocks, FreedBlocksAreKeptPerSizeClassAndComeBackZeroFilled) {
  SystemAllocScope log(RecordingAlloc);
  const int32_t used = SmallBlockBytesInUse();
  const uint32_t count = kKeptObjectBlocks + 8;
  std::vector<unsigned char*> blocks;
  for (uint32_t i = 0; i < count; ++i) {
    blocks.push_back(static_cast<unsigned char*>(AllocateObjectBlock(30)));
    std::memset(blocks.back(), 0xAB, 30);
  }
  for (unsigned char* block : blocks) FreeObjectBlock(block, 30);
  EXPECT_EQ(SmallBlockBytesInUse(), used);
  gRequests.clear();
  const std::set<unsigned char*> freed(blocks.begin(), blocks.end());
  const size_t kept = SmallBlocksFromHeap() ? 0 : kKeptObjectBlocks;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t size = 29 + i % 4;
    auto* block = static_cast<unsigned char*>(AllocateObjectBlock(size));
    EXPECT_EQ(std::count(block, block + size, 0), ptrdiff_t(size)) << i;
    if (i < kept) {
      EXPECT_EQ(freed.count(block), 1u) << i;  // the kept blocks come first
    }
    blocks[i] = block;
  }
  EXPECT_EQ(gRequests.size(), count - kept);
  for (uint32_t i = 0; i < count; ++i) FreeObjectBlock(blocks[i], 29 + i % 4);
  void* large = AllocateObjectBlock(kSmallBlockLargest + 1);
  FreeObjectBlock(large, kSmallBlockLargest + 1);
  gRequests.clear();
  FreeObjectBlock(AllocateObjectBlock(kSmallBlockLargest + 1), kSmallBlockLargest + 1);
  EXPECT_EQ(gRequests, std::vector<size_t>{kSmallBlockLargest + 1});
}

// The sanitizer watches every small block: one used after its free, or freed twice, is
// reported and ends the process (in the pool it would only go back on a free list, unseen).
TEST(SmallBlockAllocator, TheSanitizerSeesASmallBlockUsedAfterItsFreeOrFreedTwice) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a check of the sanitizer build";
#else
  for (const bool twice : {false, true}) {
    std::string output;
    const int status = qvtest::RunInChild(
        [twice] {
          auto* block = static_cast<unsigned char*>(OSalloclen(16, kMemFullQuit));
          OSfreelen(block, 16);
          if (twice) {
            OSfreelen(block, 16);
          } else {
            *static_cast<volatile unsigned char*>(block + 3) = 1;
          }
          std::fputs("carried on\n", stderr);
        },
        &output);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output.find("carried on"), std::string::npos) << output;
    EXPECT_NE(output.find(twice ? "ERROR: AddressSanitizer" : "heap-use-after-free"),
              std::string::npos)
        << output;
  }
#endif
}

// An exhausted heap answers nil when asked to, counting nothing; otherwise the process ends,
// for small blocks too once the chunk runs dry, after the out-of-memory hook has run.
TEST(SystemHeap, ExhaustionGivesNilOrEndsTheProcessWithAMessage) {
  std::vector<void*> blocks;
  {
    SystemAllocScope exhausted(FailingAlloc);
    EXPECT_EQ(OSalloc(16, kMemFullReturnNil), nullptr);
    EXPECT_EQ(OSalloclen(300, kMemFullReturnNil), nullptr);
    int32_t before = 0;
    void* block = nullptr;
    do {
      before = SmallBlockBytesInUse();
      if ((block = OSalloclen(252, kMemFullReturnNil))) blocks.push_back(block);
    } while (block && blocks.size() < 100000);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(SmallBlockBytesInUse(), before);
  }
  for (void* taken : blocks) OSfreelen(taken, 252);
  for (int32_t handling : {int32_t(kMemFullQuit), 7, -1}) {
    std::string output;
    int status = qvtest::RunInChild(
        [handling] {
          SystemAllocScope exhausted(FailingAlloc);
          SetOutOfMemoryHook(+[] { std::fputs("hook\n", stderr); });
          if (handling >= 0) OSalloc(16, handling);
          for (int i = 0; handling < 0 && i < 100000; ++i) OSalloclen(252, kMemFullQuit);
          std::fputs("carried on\n", stderr);
        },
        &output);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
    EXPECT_EQ(output, "hook\nThis application has run out of memory and must quit now.\n");
  }
}

// With the executable's new handler, a container that cannot grow takes the out-of-memory exit
// instead of throwing std::bad_alloc. Under the sanitizer, whose operator new ends the process
// itself when the heap runs out, the handler is only called.
TEST(SystemHeap, AFailedOperatorNewTakesTheOutOfMemoryExit) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr bool kExhaust = false;
#else
  constexpr bool kExhaust = true;
#endif
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        InstallOutOfMemoryNewHandler();
        SetOutOfMemoryHook(+[] { std::fputs("hook\n", stderr); });
        if (!kExhaust) std::get_new_handler()();
        if (!qvtest::LimitAddressSpace(32 << 20)) return;
        std::string grown;
        for (size_t size = 1 << 20; size < (size_t{1} << 30); size *= 2) grown.resize(size);
        std::fputs("carried on\n", stderr);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
  EXPECT_EQ(output, "hook\nThis application has run out of memory and must quit now.\n");
}

// Large blocks made and freed at random (sizes of a growing text, of every class, and some
// too large to keep), against a model of what was freed per class: each block holds its full
// size and overlaps no other live block; a request the cache serves gets the most recently
// freed block of its class, and one it cannot serve asks the system for the class's size;
// the cache never holds more than its bound.
TEST(LargeBlockCache, RandomMakeAndFreeMatchAModel) {
  SystemAllocScope log(RecordingAlloc);
  struct Live { uint32_t size; unsigned char fill; };
  std::map<unsigned char*, Live> live;
  std::map<uint32_t, std::vector<unsigned char*>> freedByClass;  // most recent last
  std::mt19937 random(7140);
  uint32_t growing = 300;
  int served = 0;
  for (int step = 0; step < 4000 && !HasFailure(); ++step) {
    if (live.empty() || random() % 100 < 52) {
      const uint32_t pick = random() % 100;
      const uint32_t size = pick < 60   ? (growing += random() % 64)
                            : pick < 90 ? 253 + random() % 4096
                            : pick < 99 ? 253 + random() % (4u << 20)
                                        : kLargestCachedBlock + 1 + random() % 4096;
      const uint32_t classSize = LargeBlockClassSize(size);
      const size_t before = gRequests.size();
      auto* block = static_cast<unsigned char*>(OSalloclen(size, kMemFullQuit));
      std::vector<unsigned char*>& freed = freedByClass[classSize];
      if (gRequests.size() == before) {
        ASSERT_NE(classSize, 0u) << "a block too large to keep came from the cache";
        ASSERT_FALSE(freed.empty()) << "a kept block of class " << classSize << " never freed";
        EXPECT_EQ(block, freed.back());
        freed.pop_back();
        ++served;
      } else {
        ASSERT_EQ(gRequests.back(), classSize ? classSize : size);
        freed.clear();  // none was kept any more: the oldest go back first
      }
      auto next = live.lower_bound(block);
      ASSERT_TRUE(next == live.end() || block + size <= next->first) << "overlaps a live block";
      if (next != live.begin()) {
        auto previous = std::prev(next);
        ASSERT_LE(previous->first + previous->second.size, block) << "overlaps a live block";
      }
      const auto fill = static_cast<unsigned char>(step);
      std::memset(block, fill, size);
      live[block] = {size, fill};
    } else {
      auto victim = std::next(live.begin(), static_cast<ptrdiff_t>(random() % live.size()));
      auto [block, entry] = *victim;
      live.erase(victim);
      ASSERT_EQ(block[0], entry.fill);
      ASSERT_EQ(block[entry.size - 1], entry.fill);
      ASSERT_EQ(block[entry.size / 2], entry.fill);
      OSfreelen(block, entry.size);
      if (uint32_t classSize = LargeBlockClassSize(entry.size))
        freedByClass[classSize].push_back(block);
    }
    ASSERT_LE(LargeBlockCacheBytes(), kLargeBlockCacheBound);
  }
  EXPECT_GT(served, 1000) << "the cache served few requests";
  for (const auto& [block, entry] : live) OSfreelen(block, entry.size);
  EXPECT_GT(LargeBlockCacheBytes(), 0u);
  EXPECT_GT(ReleaseLargeBlockCache(), 0u);
  EXPECT_EQ(LargeBlockCacheBytes(), 0u);
}

// Sizes map to classes of at most an eighth more, each class's blocks serve all of its sizes,
// and a growing text reuses its blocks: a loop like `s = s + piece` asks the system for a block
// only when its size enters a new class.
TEST(LargeBlockCache, ClassSizesAndAGrowingText) {
  for (uint32_t size = 253; size < (1u << 20); size += 1 + size / 97) {
    const uint32_t classSize = LargeBlockClassSize(size);
    ASSERT_GE(classSize, size);
    ASSERT_LE(classSize - size, size / 8 + 16) << size;
    ASSERT_EQ(LargeBlockClassSize(classSize), classSize) << size;
  }
  EXPECT_EQ(LargeBlockClassSize(252), 0u);
  EXPECT_EQ(LargeBlockClassSize(kLargestCachedBlock), kLargestCachedBlock);
  EXPECT_EQ(LargeBlockClassSize(kLargestCachedBlock + 1), 0u);

  SystemAllocScope log(RecordingAlloc);
  uint32_t length = 300;
  void* text = OSalloclen(length, kMemFullQuit);
  std::set<uint32_t> classes{LargeBlockClassSize(length)};
  for (int step = 0; step < 20000; ++step) {
    const uint32_t longer = length + 7;
    void* joined = OSalloclen(longer, kMemFullQuit);
    classes.insert(LargeBlockClassSize(longer));
    OSfreelen(text, length);
    text = joined;
    length = longer;
  }
  OSfreelen(text, length);
  // A new class takes two blocks from the system: the text and the one it is joined into.
  EXPECT_LE(gRequests.size(), 2 * classes.size());
  for (size_t request : gRequests) EXPECT_TRUE(classes.count(static_cast<uint32_t>(request)));
  EXPECT_LT(LargeBlockCacheBytes(), 4 * LargeBlockClassSize(length))
      << "blocks of the sizes left behind went back";
}

int gFailuresToCome = 0;  // requests that fail next
void* FailingSoonAlloc(size_t size) {
  gRequests.push_back(size);
  if (gFailuresToCome > 0) {
    --gFailuresToCome;
    return nullptr;
  }
  return std::malloc(size);
}

// Over its bound the cache gives back its oldest blocks; when the system has no memory left,
// every kept block goes back and the request is tried once more.
TEST(LargeBlockCache, BoundAndExhaustion) {
  SystemAllocScope log(FailingSoonAlloc);
  constexpr uint32_t kEight = 8u << 20;
  std::vector<void*> blocks;
  for (int i = 0; i < 6; ++i) blocks.push_back(OSalloclen(kEight - 1000 * i, kMemFullQuit));
  for (int i = 0; i < 6; ++i) OSfreelen(blocks[i], kEight - 1000 * i);
  EXPECT_EQ(LargeBlockCacheBytes(), kLargeBlockCacheBound);
  gRequests.clear();
  EXPECT_EQ(OSalloclen(kEight - 5000, kMemFullQuit), blocks[5]) << "the newest are kept";
  EXPECT_TRUE(gRequests.empty());
  OSfreelen(blocks[5], kEight - 5000);

  gFailuresToCome = 1;
  void* block = OSalloc(1u << 20, kMemFullReturnNil);
  EXPECT_NE(block, nullptr) << "kept blocks went back and the request succeeded";
  EXPECT_EQ(gRequests.size(), 2u);
  EXPECT_EQ(LargeBlockCacheBytes(), 0u);
  OSfree(block);

  gFailuresToCome = 1;
  EXPECT_EQ(OSalloclen(300, kMemFullReturnNil), nullptr) << "nothing kept: the failure stands";
  EXPECT_EQ(gFailuresToCome, 0);
}

struct LoggingPurgable : purgableObject {
  LoggingPurgable(int id, std::vector<int>* log) : id(id), log(log) {}
  bool Purge() override {
    log->push_back(id);
    if (leaves) RemoveFromPurgeList();
    const bool freed = frees;
    if (destroys) delete this;
    return freed;
  }
  int id;
  std::vector<int>* log;
  bool frees = false, leaves = false, destroys = false;
};

// Random adds, removals, touches, destructions and purges against a plain list (front = head):
// a purge walks from the least recently touched and stops at the first that frees memory. A
// purge may also take its object off the list, or destroy it, without upsetting the walk.
TEST(PurgeList, RandomOperationsMatchAListModel) {
  constexpr int kObjects = 8;
  std::vector<int> log;
  std::vector<std::unique_ptr<LoggingPurgable>> objects(kObjects);
  for (int id = 0; id < kObjects; ++id) objects[id] = std::make_unique<LoggingPurgable>(id, &log);
  std::list<int> model;
  auto inModel = [&model](int id) { return std::count(model.begin(), model.end(), id) > 0; };
  std::mt19937 random(1123);
  for (int step = 0; step < 3000 && !HasFailure(); ++step) {
    const int id = static_cast<int>(random() % kObjects), action = static_cast<int>(random() % 5);
    if (action == 0 && !inModel(id)) model.push_front(id);
    if (action == 0) objects[id]->AddToPurgeList();
    if (action == 1) objects[id]->RemoveFromPurgeList();
    if (action == 2) {
      objects[id]->MoveToFront();
      model.remove(id);
      model.push_front(id);
    }
    if (action == 3) objects[id] = std::make_unique<LoggingPurgable>(id, &log);
    if (action == 1 || action == 3) model.remove(id);
    if (action == 4) {
      const int freeing = static_cast<int>(random() % (kObjects + 1));  // kObjects: none frees
      for (int other = 0; other < kObjects; ++other) objects[other]->frees = other == freeing;
      std::vector<int> expected;
      for (auto it = model.rbegin();
           it != model.rend() && (expected.empty() || expected.back() != freeing); ++it)
        expected.push_back(*it);
      log.clear();
      EXPECT_EQ(PurgeMemory(), inModel(freeing));
      EXPECT_EQ(log, expected);
    }
    for (int other = 0; other < kObjects; ++other)
      ASSERT_EQ(objects[other]->InPurgeList(), inModel(other)) << other;
  }
  objects.clear();
  LoggingPurgable survivor(1, &log), leaving(2, &log);
  auto* destroying = new LoggingPurgable(3, &log);
  destroying->frees = true;
  destroying->destroys = true;
  leaving.leaves = true;
  survivor.AddToPurgeList();
  leaving.AddToPurgeList();
  destroying->AddToPurgeList();
  survivor.MoveToFront();
  log.clear();
  EXPECT_TRUE(PurgeMemory());
  EXPECT_FALSE(PurgeMemory());
  EXPECT_EQ(log, (std::vector<int>{2, 3, 1}));
}

}  // namespace
