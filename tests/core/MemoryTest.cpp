#include "core/Memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Seams on what the allocator asks of the system

struct SystemRequest {
  size_t size;
  void* block;
};

std::vector<SystemRequest>* gRequestLog = nullptr;

void* RecordingAlloc(size_t size) {
  void* block = std::malloc(size);
  gRequestLog->push_back({size, block});
  return block;
}

void* FailingAlloc(size_t) { return nullptr; }

// While alive, every request the allocator makes of the system is logged (and served by malloc).
class SystemRequestLog {
 public:
  SystemRequestLog() {
    gRequestLog = &mRequests;
    mPrevious = SetSystemAllocFunctionForTesting(RecordingAlloc);
  }
  ~SystemRequestLog() {
    SetSystemAllocFunctionForTesting(mPrevious);
    gRequestLog = nullptr;
  }
  SystemRequestLog(const SystemRequestLog&) = delete;
  SystemRequestLog& operator=(const SystemRequestLog&) = delete;

  size_t count() const { return mRequests.size(); }
  const SystemRequest& at(size_t index) const { return mRequests.at(index); }
  const SystemRequest& last() const { return mRequests.back(); }

 private:
  std::vector<SystemRequest> mRequests;
  SystemAllocFunction mPrevious;
};

// While alive, the system has no memory to give.
class ExhaustedSystem {
 public:
  ExhaustedSystem() : mPrevious(SetSystemAllocFunctionForTesting(FailingAlloc)) {}
  ~ExhaustedSystem() { SetSystemAllocFunctionForTesting(mPrevious); }
  ExhaustedSystem(const ExhaustedSystem&) = delete;
  ExhaustedSystem& operator=(const ExhaustedSystem&) = delete;

 private:
  SystemAllocFunction mPrevious;
};

constexpr const char* kOutOfMemoryMessage =
    "This application has run out of memory and must quit now.\n";

// ---------------------------------------------------------------------------------------------
// An independent model of the small-block allocator: one LIFO free list per block size and a
// bump region in the current chunk. Synchronise() brings the real allocator into a state the
// model knows fully (a fresh chunk, every free list empty), whatever earlier tests left.

class SmallBlockModel {
 public:
  explicit SmallBlockModel(SystemRequestLog& log) : mLog(log) {}
  ~SmallBlockModel() {
    for (const auto& [block, size] : mDrained) OSfreelen(block, size);
  }
  SmallBlockModel(const SmallBlockModel&) = delete;
  SmallBlockModel& operator=(const SmallBlockModel&) = delete;

  void Synchronise() {
    // Blocks of the largest class come off its free list, then out of the old chunk, until the
    // allocator has to ask for a new one.
    for (int i = 0; i < 100000 && !mBump; ++i) TakeDrained(kSmallBlockLargest);
    ASSERT_NE(mBump, nullptr) << "the allocator never asked for a chunk";
    // Every other class gives up its leftovers until a block comes out of the chunk.
    for (uint32_t size = 4; size < kSmallBlockLargest; size += 4) {
      int taken = 0;
      while (!TakeDrained(size)) ASSERT_LT(++taken, 100000) << "class " << size << " never empties";
    }
  }

  // OSalloclen, checking the block it returns and what it asked of the system.
  void* Allocate(uint32_t size) {
    size_t requestsBefore = mLog.count();
    void* block = OSalloclen(size, kMemFullQuit);
    if (size > kSmallBlockLargest) {
      EXPECT_EQ(mLog.count(), requestsBefore + 1) << size;
      EXPECT_EQ(mLog.last().size, size);
      EXPECT_EQ(mLog.last().block, block);
      return block;
    }
    uint32_t blockSize = BlockSize(size);
    std::vector<void*>& freeList = mFree[blockSize];
    if (!freeList.empty()) {
      EXPECT_EQ(block, freeList.back()) << "size " << size;
      EXPECT_EQ(mLog.count(), requestsBefore);
      freeList.pop_back();
      return block;
    }
    if (mLeft < blockSize) {
      EXPECT_EQ(mLog.count(), requestsBefore + 1) << "expected a new chunk for size " << size;
      if (mLog.count() == requestsBefore + 1) StartChunk(mLog.last());
    } else {
      EXPECT_EQ(mLog.count(), requestsBefore) << "unexpected chunk for size " << size;
    }
    EXPECT_EQ(block, mBump) << "size " << size;
    Advance(blockSize);
    return block;
  }

  void Free(void* block, uint32_t size) {
    OSfreelen(block, size);
    if (size <= kSmallBlockLargest) mFree[BlockSize(size)].push_back(block);
  }

  uint32_t chunkLeft() const { return mLeft; }

 private:
  static uint32_t BlockSize(uint32_t size) { return size % 4 ? size + 4 - size % 4 : size; }

  void StartChunk(const SystemRequest& request) {
    EXPECT_EQ(request.size, kSmallBlockChunkSize);
    mBump = static_cast<char*>(request.block);
    mLeft = kSmallBlockChunkSize;
  }

  void Advance(uint32_t blockSize) {
    mBump += blockSize;
    mLeft -= blockSize;
  }

  // Takes one block of the size aside; true once the block came out of the known chunk.
  bool TakeDrained(uint32_t size) {
    size_t requestsBefore = mLog.count();
    void* block = OSalloclen(size, kMemFullQuit);
    mDrained.push_back({block, size});
    if (mLog.count() > requestsBefore) {
      StartChunk(mLog.last());
      EXPECT_EQ(block, mBump);
      Advance(size);
      return true;
    }
    if (!mBump || block != mBump) return false;
    Advance(size);
    return true;
  }

  SystemRequestLog& mLog;
  char* mBump = nullptr;
  uint32_t mLeft = 0;
  std::map<uint32_t, std::vector<void*>> mFree;
  std::vector<std::pair<void*, uint32_t>> mDrained;
};

// ---------------------------------------------------------------------------------------------
// Size classes and the bytes-in-use counter

TEST(SmallBlockAllocator, OneAndFourByteRequestsShareAClass) {
  void* one = OSalloclen(1, kMemFullQuit);
  ASSERT_NE(one, nullptr);
  OSfreelen(one, 1);
  void* four = OSalloclen(4, kMemFullQuit);
  EXPECT_EQ(four, one);
  OSfreelen(four, 4);
}

TEST(SmallBlockAllocator, FreedBlockComesBackForItsClassOnly) {
  void* three = OSalloclen(3, kMemFullQuit);
  OSfreelen(three, 3);
  void* five = OSalloclen(5, kMemFullQuit);
  EXPECT_NE(five, three) << "5 bytes is the next class up";
  void* two = OSalloclen(2, kMemFullQuit);
  EXPECT_EQ(two, three);
  OSfreelen(two, 2);
  OSfreelen(five, 5);
}

TEST(SmallBlockAllocator, LargestSmallSizeStaysSmallAndOneMoreGoesToTheSystem) {
  SystemRequestLog log;
  int32_t inUse = SmallBlockBytesInUse();
  void* small = OSalloclen(252, kMemFullQuit);
  for (size_t i = 0; i < log.count(); ++i) EXPECT_EQ(log.at(i).size, kSmallBlockChunkSize);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 252);

  size_t before = log.count();
  void* large = OSalloclen(253, kMemFullQuit);
  ASSERT_EQ(log.count(), before + 1);
  EXPECT_EQ(log.last().size, 253u);
  EXPECT_EQ(log.last().block, large);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 252);

  OSfreelen(large, 253);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 252);
  OSfreelen(small, 252);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse);
}

TEST(SmallBlockAllocator, InUseCounterCountsRequestedBytes) {
  int32_t inUse = SmallBlockBytesInUse();
  void* ten = OSalloclen(10, kMemFullQuit);
  void* twenty = OSalloclen(20, kMemFullQuit);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 30);
  void* large = OSalloclen(1000, kMemFullQuit);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 30);
  OSfreelen(ten, 10);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 20);
  OSfreelen(twenty, 20);
  OSfreelen(large, 1000);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse);
}

TEST(SmallBlockAllocator, ZeroSizeAndNilChangeNothing) {
  SystemRequestLog log;
  int32_t inUse = SmallBlockBytesInUse();
  EXPECT_EQ(OSalloclen(0, kMemFullQuit), nullptr);
  OSfreelen(nullptr, 10);
  OSfreelen(nullptr, 300);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse);
  EXPECT_EQ(log.count(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Chunks, against the model

TEST(SmallBlockAllocator, RequestThatDoesNotFitStartsANewChunk) {
  SystemRequestLog log;
  SmallBlockModel model(log);
  ASSERT_NO_FATAL_FAILURE(model.Synchronise());
  // Fill the current chunk and one of our own with 100-byte blocks.
  std::vector<void*> blocks;
  for (int chunk = 0; chunk < 2; ++chunk) {
    while (model.chunkLeft() >= 100) blocks.push_back(model.Allocate(100));
    if (chunk == 0) blocks.push_back(model.Allocate(100));
  }
  ASSERT_EQ(model.chunkLeft(), 8192u % 100);
  size_t before = log.count();
  blocks.push_back(model.Allocate(100));
  ASSERT_EQ(log.count(), before + 1);
  EXPECT_EQ(log.last().size, 8192u);
  EXPECT_EQ(blocks.back(), log.last().block);
  // The 92 bytes left of the old chunk are abandoned, even for a block that would fit.
  void* small = model.Allocate(4);
  EXPECT_EQ(static_cast<char*>(small), static_cast<char*>(log.last().block) + 100);
  model.Free(small, 4);
  for (void* block : blocks) model.Free(block, 100);
}

// A block that needs exactly what is left of the chunk still comes from it.
TEST(SmallBlockAllocator, ExactFitTakesTheLastBytesOfTheChunk) {
  SystemRequestLog log;
  SmallBlockModel model(log);
  ASSERT_NO_FATAL_FAILURE(model.Synchronise());
  std::vector<void*> blocks;
  for (int chunk = 0; chunk < 2; ++chunk) {
    while (model.chunkLeft() >= 252) blocks.push_back(model.Allocate(252));
    if (chunk == 0) blocks.push_back(model.Allocate(252));
  }
  ASSERT_EQ(model.chunkLeft(), 8192u - 32 * 252);
  char* chunkStart = static_cast<char*>(log.last().block);
  size_t before = log.count();
  void* last = model.Allocate(8192 - 32 * 252);
  EXPECT_EQ(log.count(), before);
  EXPECT_EQ(static_cast<char*>(last), chunkStart + 32 * 252);
  model.Free(last, 8192 - 32 * 252);
  for (void* block : blocks) model.Free(block, 252);
}

// Random requests of every size, small and large, freed in random order: every block the
// allocator returns is the one the model predicts, no two live blocks overlap, and the counter
// always equals the requested bytes still live.
TEST(SmallBlockAllocator, RandomSequenceMatchesTheModel) {
  SystemRequestLog log;
  SmallBlockModel model(log);
  ASSERT_NO_FATAL_FAILURE(model.Synchronise());
  struct Live {
    unsigned char* block;
    uint32_t size;
    unsigned char fill;
  };
  std::vector<Live> live;
  int32_t baseline = SmallBlockBytesInUse();
  int64_t liveSmallBytes = 0;
  std::mt19937 random(20261206);
  for (int step = 0; step < 6000 && !HasFailure(); ++step) {
    bool allocate = live.empty() || random() % 100 < 55;
    if (allocate) {
      uint32_t size = random() % 10 == 0 ? 253 + random() % 200 : 1 + random() % 252;
      auto* block = static_cast<unsigned char*>(model.Allocate(size));
      unsigned char fill = static_cast<unsigned char>(step);
      std::memset(block, fill, size);
      live.push_back({block, size, fill});
      if (size <= kSmallBlockLargest) liveSmallBytes += size;
    } else {
      size_t index = random() % live.size();
      Live victim = live[index];
      live.erase(live.begin() + static_cast<ptrdiff_t>(index));
      for (uint32_t i = 0; i < victim.size; ++i)
        ASSERT_EQ(victim.block[i], victim.fill) << "block overwritten at byte " << i;
      model.Free(victim.block, victim.size);
      if (victim.size <= kSmallBlockLargest) liveSmallBytes -= victim.size;
    }
    ASSERT_EQ(SmallBlockBytesInUse() - baseline, liveSmallBytes);
  }
  for (const Live& entry : live) model.Free(entry.block, entry.size);
  EXPECT_EQ(SmallBlockBytesInUse(), baseline);
}

// ---------------------------------------------------------------------------------------------
// An exhausted heap

TEST(SystemHeap, ExhaustedHeapGivesNilWhenAskedTo) {
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's allocator aborts on such requests
  EXPECT_EQ(OSalloc(0xFFFFFFF0u, kMemFullReturnNil), nullptr);
  EXPECT_EQ(OSalloclen(0xFFFFFFFFu, kMemFullReturnNil), nullptr);
#endif
  ExhaustedSystem exhausted;
  EXPECT_EQ(OSalloc(16, kMemFullReturnNil), nullptr);
  EXPECT_EQ(OSalloclen(300, kMemFullReturnNil), nullptr);
}

// A small request that needs a chunk the system cannot give returns nil and counts nothing.
TEST(SystemHeap, FailedChunkLeavesTheCounterAlone) {
  std::vector<void*> blocks;
  void* block = nullptr;
  bool sawNil = false;
  {
    ExhaustedSystem exhausted;
    for (int i = 0; i < 100000 && !sawNil; ++i) {
      int32_t before = SmallBlockBytesInUse();
      block = OSalloclen(252, kMemFullReturnNil);
      if (block) {
        blocks.push_back(block);
        continue;
      }
      sawNil = true;
      EXPECT_EQ(SmallBlockBytesInUse(), before);
    }
  }
  EXPECT_TRUE(sawNil);
  for (void* taken : blocks) OSfreelen(taken, 252);
}

// Any handling other than 1 means the process ends.
TEST(SystemHeap, OutOfMemoryEndsTheProcessWithAMessage) {
  for (int32_t handling : {int32_t(kMemFullQuit), 7}) {
    std::string output;
    int status = qvtest::RunInChild(
        [handling] {
          ExhaustedSystem exhausted;
          OSalloc(16, handling);
          std::fputs("carried on\n", stderr);
        },
        &output);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
    EXPECT_EQ(output, kOutOfMemoryMessage);
  }
}

TEST(SystemHeap, SmallBlockOutOfMemoryEndsTheProcessWithAMessage) {
  std::string output;
  int status = qvtest::RunInChild(
      [] {
        ExhaustedSystem exhausted;
        // The current chunk and the free list run dry within a few thousand blocks.
        for (int i = 0; i < 100000; ++i) OSalloclen(252, kMemFullQuit);
        std::fputs("carried on\n", stderr);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
  EXPECT_EQ(output, kOutOfMemoryMessage);
}

// ---------------------------------------------------------------------------------------------
// The purge list

class LoggingPurgable : public purgableObject {
 public:
  LoggingPurgable(int id, std::vector<int>* log) : mId(id), mLog(log) {}
  bool Purge() override {
    mLog->push_back(mId);
    return mFrees;
  }
  void SetFrees(bool frees) { mFrees = frees; }

 private:
  int mId;
  std::vector<int>* mLog;
  bool mFrees = false;
};

TEST(PurgeList, EmptyListPurgesNothing) { EXPECT_FALSE(PurgeMemory()); }

TEST(PurgeList, PurgesFromTheLeastRecentlyTouched) {
  std::vector<int> log;
  LoggingPurgable one(1, &log), two(2, &log), three(3, &log);
  one.AddToPurgeList();
  two.AddToPurgeList();
  three.AddToPurgeList();
  one.MoveToFront();
  EXPECT_FALSE(PurgeMemory());
  EXPECT_EQ(log, (std::vector<int>{2, 3, 1}));
}

TEST(PurgeList, StopsAtTheFirstObjectThatFreesMemory) {
  std::vector<int> log;
  LoggingPurgable one(1, &log), two(2, &log), three(3, &log);
  one.AddToPurgeList();
  two.AddToPurgeList();
  three.AddToPurgeList();
  two.SetFrees(true);
  EXPECT_TRUE(PurgeMemory());
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST(PurgeList, DestroyedObjectsLeaveTheList) {
  std::vector<int> log;
  auto head = std::make_unique<LoggingPurgable>(1, &log);
  auto middle = std::make_unique<LoggingPurgable>(2, &log);
  auto tail = std::make_unique<LoggingPurgable>(3, &log);
  tail->AddToPurgeList();
  middle->AddToPurgeList();
  head->AddToPurgeList();
  middle.reset();
  EXPECT_FALSE(PurgeMemory());
  EXPECT_EQ(log, (std::vector<int>{3, 1}));
  tail.reset();
  head.reset();
  log.clear();
  EXPECT_FALSE(PurgeMemory());
  EXPECT_TRUE(log.empty());
}

// A purge that gives back its memory may destroy its own object.
class SelfDestroyingPurgable : public purgableObject {
 public:
  explicit SelfDestroyingPurgable(bool* destroyed) : mDestroyed(destroyed) {}
  ~SelfDestroyingPurgable() override { *mDestroyed = true; }
  bool Purge() override {
    delete this;
    return true;
  }

 private:
  bool* mDestroyed;
};

TEST(PurgeList, ObjectMayDestroyItselfWhilePurging) {
  std::vector<int> log;
  LoggingPurgable survivor(1, &log);
  survivor.AddToPurgeList();
  bool destroyed = false;
  (new SelfDestroyingPurgable(&destroyed))->AddToPurgeList();
  survivor.MoveToFront();
  EXPECT_TRUE(PurgeMemory());
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(PurgeMemory());
  EXPECT_EQ(log, std::vector<int>{1});
}

// A purge that refuses but leaves the list does not end the walk early.
class LeavingPurgable : public purgableObject {
 public:
  bool Purge() override {
    RemoveFromPurgeList();
    return false;
  }
};

TEST(PurgeList, ObjectLeavingTheListWhilePurgingDoesNotStopTheWalk) {
  std::vector<int> log;
  LoggingPurgable older(1, &log);
  older.AddToPurgeList();
  LeavingPurgable leaving;
  leaving.AddToPurgeList();
  older.MoveToFront();
  EXPECT_FALSE(PurgeMemory());
  EXPECT_FALSE(leaving.InPurgeList());
  EXPECT_EQ(log, std::vector<int>{1});
}

// Random adds, removals, touches and destructions against a plain list of ids (front = head).
TEST(PurgeList, RandomOperationsMatchAListModel) {
  constexpr int kObjects = 8;
  std::vector<int> log;
  std::vector<std::unique_ptr<LoggingPurgable>> objects(kObjects);
  for (int id = 0; id < kObjects; ++id) objects[id] = std::make_unique<LoggingPurgable>(id, &log);
  std::list<int> model;
  auto inModel = [&model](int id) {
    return std::find(model.begin(), model.end(), id) != model.end();
  };
  std::mt19937 random(1123);
  for (int step = 0; step < 3000 && !HasFailure(); ++step) {
    int id = static_cast<int>(random() % kObjects);
    switch (random() % 5) {
      case 0:
        objects[id]->AddToPurgeList();
        if (!inModel(id)) model.push_front(id);
        break;
      case 1:
        objects[id]->RemoveFromPurgeList();
        model.remove(id);
        break;
      case 2:
        objects[id]->MoveToFront();
        model.remove(id);
        model.push_front(id);
        break;
      case 3:
        objects[id] = std::make_unique<LoggingPurgable>(id, &log);
        model.remove(id);
        break;
      default: {
        int freeing = static_cast<int>(random() % (kObjects + 1));  // kObjects: none frees
        for (int other = 0; other < kObjects; ++other) objects[other]->SetFrees(other == freeing);
        std::vector<int> expected;
        for (auto it = model.rbegin(); it != model.rend(); ++it) {
          expected.push_back(*it);
          if (*it == freeing) break;
        }
        log.clear();
        EXPECT_EQ(PurgeMemory(), inModel(freeing));
        EXPECT_EQ(log, expected);
      }
    }
    for (int other = 0; other < kObjects; ++other)
      ASSERT_EQ(objects[other]->InPurgeList(), inModel(other)) << "object " << other;
  }
}

}  // namespace
