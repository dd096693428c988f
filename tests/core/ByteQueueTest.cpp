// The byte queue against a std::deque model, and its buffer reuse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>

#include "core/ByteQueue.h"
#include "core/Memory.h"
#include "support/TestSupport.h"

namespace {

constexpr int32_t kNode = static_cast<int32_t>(MemoryManager::kNodeSize);

int gBuffersTaken = 0;
void* CountingAlloc(size_t size) {
  if (size > MemoryManager::kFirstNodeSize) ++gBuffersTaken;
  return malloc(size);
}

std::string Peek(const MemoryManager& queue) {
  int32_t count = -1;
  const char* chunk = queue.PeekFirstChunk(&count);
  return chunk ? std::string(chunk, count) : std::string();
}

// Buffers double from the first size to the largest; a drained queue holds none; a drained
// buffer waits among the spares and is taken again, so a queue that fills and drains in a
// loop takes buffers from the heap only while its sizes grow.
TEST(ByteQueue, BuffersGrowAreGivenBackWhenDrainedAndReused) {
  MemoryManager::ReleaseSpares();
  const SystemAllocFunction previous = SetSystemAllocFunctionForTesting(CountingAlloc);
  gBuffersTaken = 0;
  {
    MemoryManager queue;
    queue.Append("abc", 3);
    EXPECT_EQ(queue.NodeCount(), 1);
    queue.Append(std::string(kNode, 'x').data(), kNode);
    // The first buffer is 4 KB; a large append takes one buffer up to 1 MB at once.
    EXPECT_EQ(queue.NodeCount(), 2);
    EXPECT_EQ(queue.Total(), kNode + 3);
    queue.Consume(queue.Total());
    EXPECT_EQ(queue.NodeCount(), 0);
    EXPECT_EQ(Peek(queue), "");
    const int32_t taken = gBuffersTaken;
    for (int round = 0; round < 50; ++round) {
      int32_t room = 0;
      char* tail = queue.TailSpace(&room);
      ASSERT_TRUE(tail);
      ASSERT_GE(room, 1);
      std::memset(tail, 'r', room);
      queue.CommitTail(room);
      EXPECT_EQ(queue.Read(std::string(room, '\0').data(), room, true), room);
      EXPECT_EQ(queue.NodeCount(), 0);
    }
    EXPECT_EQ(gBuffersTaken, taken) << "drained buffers come back from the spares";
  }
  EXPECT_LE(MemoryManager::SpareBytes(), 8 * uint32_t(kNode));
  MemoryManager::ReleaseSpares();
  EXPECT_EQ(MemoryManager::SpareBytes(), 0u);
  SetSystemAllocFunctionForTesting(previous);
}

// Writing straight into the tail: what is committed is queued in order; a buffer taken for
// an empty queue and left unused goes back.
TEST(ByteQueue, TailSpaceAppendsWhatIsCommitted) {
  MemoryManager queue;
  int32_t room = 0;
  char* tail = queue.TailSpace(&room);
  ASSERT_EQ(room, int32_t(MemoryManager::kFirstNodeSize));
  queue.CommitTail(0);
  EXPECT_EQ(queue.NodeCount(), 0);
  queue.Append("head", 4);  // the next buffer is twice as large
  tail = queue.TailSpace(&room);
  ASSERT_EQ(room, 2 * int32_t(MemoryManager::kFirstNodeSize) - 4);
  std::memcpy(tail, "tail", 4);
  queue.CommitTail(4);
  tail = queue.TailSpace(&room);
  queue.CommitTail(room);  // fills the first buffer: the next TailSpace takes a new one
  queue.TailSpace(&room);
  EXPECT_EQ(queue.NodeCount(), 2);
  queue.CommitTail(0);
  std::string all(queue.Total(), '\0');
  queue.Read(all.data(), queue.Total(), false);
  EXPECT_EQ(all.substr(0, 8), "headtail");
  qvtest::ReportCapture capture;
  queue.TailSpace(nullptr);
  queue.CommitTail(room + 1);
  EXPECT_EQ(capture.count(), 2u);
}

TEST(ByteQueue, BadArgumentsReportAndChangeNothing) {
  qvtest::ReportCapture capture;
  MemoryManager queue;
  queue.Append("abc", 3);
  EXPECT_EQ(queue.PeekFirstChunk(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("amountOfData"));
  queue.Append("abc", -1);
  queue.Consume(-1);
  EXPECT_EQ(queue.Read(nullptr, 2, true), 0);
  queue.Append("x", INT32_MAX - 1);  // refused before any byte is read
  EXPECT_EQ(capture.count(), 5u);
  EXPECT_EQ(Peek(queue), "abc");
}

// Random appends, reads (with and without removal), consumes and clears of sizes around the
// buffer size, against a deque; the first chunk is always a prefix of the model.
TEST(ByteQueue, MatchesADequeUnderRandomTraffic) {
  std::minstd_rand random(2024);
  std::string source(3 * kNode + 16, '\0');
  for (char& byte : source) byte = static_cast<char>(random());
  MemoryManager queue;
  std::deque<char> model;
  std::string buffer;
  for (int step = 0; step < 1500; ++step) {
    const int32_t sizes[] = {int32_t(random() % 16), kNode - 8 + int32_t(random() % 16),
                             int32_t(random() % (2 * kNode + 3)), int32_t(random() % 70000)};
    const int32_t n = sizes[random() % 4];
    const uint32_t action = random() % 6;
    if (action < 2) {
      const size_t offset = random() % kNode;
      queue.Append(source.data() + offset, n);
      model.insert(model.end(), source.begin() + offset, source.begin() + offset + n);
    } else if (action < 4) {
      const bool remove = random() % 2;
      buffer.assign(n, '\0');
      const int32_t copied = queue.Read(buffer.data(), n, remove);
      ASSERT_EQ(copied, std::min<int32_t>(n, static_cast<int32_t>(model.size())));
      ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + copied, model.begin()));
      if (remove) model.erase(model.begin(), model.begin() + copied);
    } else if (action == 4) {
      queue.Consume(n);
      model.erase(model.begin(), model.begin() + std::min<size_t>(n, model.size()));
    } else if (random() % 20 == 0) {
      queue.Clear();
      model.clear();
    }
    ASSERT_EQ(queue.Total(), static_cast<int32_t>(model.size()));
    const std::string chunk = Peek(queue);
    ASSERT_EQ(chunk.empty(), model.empty());
    ASSERT_LE(chunk.size(), model.size());
    ASSERT_TRUE(std::equal(chunk.begin(), chunk.end(), model.begin()));
  }
}

}  // namespace
