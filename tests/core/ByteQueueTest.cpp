// The byte queue against a std::deque model, and its buffer reuse.
#include <gtest/gtest.h>

#include <cstdlib>
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
  if (size == MemoryManager::kNodeSize) ++gBuffersTaken;
  return malloc(size);
}

std::string Peek(const MemoryManager& queue) {
  int32_t count = -1;
  const char* chunk = queue.PeekFirstChunk(&count);
  return chunk ? std::string(chunk, count) : std::string();
}

// One byte more than a buffer takes two; cleared and consumed buffers are reused.
TEST(ByteQueue, BuffersAreTakenAtTheBoundaryAndReused) {
  const SystemAllocFunction previous = SetSystemAllocFunctionForTesting(CountingAlloc);
  gBuffersTaken = 0;
  {
    MemoryManager queue;
    const std::string bytes(3 * kNode, 'q');
    queue.Append(bytes.data(), kNode + 1);
    EXPECT_EQ(gBuffersTaken, 2);
    EXPECT_EQ(Peek(queue).size(), size_t(kNode));
    queue.Clear();
    EXPECT_EQ(Peek(queue), "");
    for (int round = 0; round < 2; ++round) {
      queue.Append(bytes.data(), static_cast<int32_t>(bytes.size()));
      queue.Consume(queue.Total() + 100);
    }
    EXPECT_EQ(gBuffersTaken, 3) << "the second round takes no new buffer";
  }
  SetSystemAllocFunctionForTesting(previous);
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
