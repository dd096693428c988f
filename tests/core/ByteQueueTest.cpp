// The byte queue against a std::deque model, and its buffer reuse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "core/ByteQueue.h"
#include "core/Memory.h"
#include "support/TestSupport.h"

namespace {

constexpr int32_t kNode = static_cast<int32_t>(MemoryManager::kNodeSize);

// Counts the buffers the queue takes from the system while alive.
class BufferAllocationCounter {
 public:
  BufferAllocationCounter() : mPrevious(SetSystemAllocFunctionForTesting(&Count)) { sCount = 0; }
  ~BufferAllocationCounter() { SetSystemAllocFunctionForTesting(mPrevious); }
  int count() const { return sCount; }

 private:
  static void* Count(size_t size) {
    if (size == MemoryManager::kNodeSize) ++sCount;
    return malloc(size);
  }
  static inline int sCount = 0;
  SystemAllocFunction mPrevious;
};

std::string Pattern(size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  std::mt19937 random(seed);
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

std::string Peek(const MemoryManager& queue) {
  int32_t count = -1;
  const char* chunk = queue.PeekFirstChunk(&count);
  return chunk ? std::string(chunk, count) : std::string();
}

std::string ReadAll(MemoryManager& queue, bool remove) {
  std::string bytes(queue.Total(), '\0');
  bytes.resize(queue.Read(bytes.data(), queue.Total(), remove));
  return bytes;
}

TEST(ByteQueue, OneByteMoreThanABufferTakesTwoBuffers) {
  BufferAllocationCounter counter;
  MemoryManager queue;
  const std::string bytes = Pattern(kNode + 1, 1);
  queue.Append(bytes.data(), kNode + 1);
  EXPECT_EQ(counter.count(), 2);
  EXPECT_EQ(queue.Total(), kNode + 1);
  EXPECT_EQ(Peek(queue), bytes.substr(0, kNode));
  queue.Consume(kNode);
  EXPECT_EQ(Peek(queue), bytes.substr(kNode));
  EXPECT_EQ(queue.Total(), 1);
}

TEST(ByteQueue, PeekAfterConsumingPartOfTheFirstBuffer) {
  MemoryManager queue;
  queue.Append("0123456789", 10);
  queue.Consume(4);
  EXPECT_EQ(Peek(queue), "456789");
  EXPECT_EQ(queue.Total(), 6);
}

TEST(ByteQueue, ReadWithoutRemoveLeavesTheQueueAlone) {
  MemoryManager queue;
  const std::string bytes = Pattern(kNode + 100, 2);
  queue.Append(bytes.data(), static_cast<int32_t>(bytes.size()));
  std::string copy(bytes.size() + 10, '\0');
  EXPECT_EQ(queue.Read(copy.data(), static_cast<int32_t>(copy.size()), false),
            static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(copy.substr(0, bytes.size()), bytes);
  EXPECT_EQ(queue.Total(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(ReadAll(queue, true), bytes);
  EXPECT_EQ(queue.Total(), 0);
  EXPECT_EQ(Peek(queue), "");
}

TEST(ByteQueue, BuffersAreReusedAfterClearAndConsume) {
  BufferAllocationCounter counter;
  MemoryManager queue;
  queue.Append("abc", 3);
  int32_t count = 0;
  const char* firstBuffer = queue.PeekFirstChunk(&count);
  queue.Clear();
  EXPECT_EQ(queue.Total(), 0);
  EXPECT_EQ(queue.PeekFirstChunk(&count), nullptr);
  EXPECT_EQ(count, 0);
  queue.Append("xy", 2);
  EXPECT_EQ(queue.PeekFirstChunk(&count), firstBuffer);
  EXPECT_EQ(Peek(queue), "xy");
  EXPECT_EQ(counter.count(), 1);

  // Three megabytes in and out, twice: the second round takes no new buffer.
  const std::string bytes = Pattern(3 * kNode, 3);
  for (int round = 0; round < 2; ++round) {
    queue.Append(bytes.data(), static_cast<int32_t>(bytes.size()));
    queue.Consume(queue.Total());
  }
  EXPECT_EQ(counter.count(), 4);
}

TEST(ByteQueue, ConsumingMoreThanQueuedEmptiesIt) {
  MemoryManager queue;
  queue.Append("abcdef", 6);
  queue.Consume(100);
  EXPECT_EQ(queue.Total(), 0);
  queue.Append("gh", 2);
  EXPECT_EQ(ReadAll(queue, false), "gh");
}

TEST(ByteQueue, BadArgumentsReportAndChangeNothing) {
  qvtest::ReportCapture capture;
  MemoryManager queue;
  queue.Append("abc", 3);
  EXPECT_EQ(queue.PeekFirstChunk(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("amountOfData"));
  queue.Append("abc", -1);
  queue.Append(nullptr, 5);
  queue.Consume(-1);
  char buffer[4];
  EXPECT_EQ(queue.Read(buffer, -1, true), 0);
  EXPECT_EQ(queue.Read(nullptr, 2, true), 0);
  EXPECT_EQ(capture.count(), 6u);
  EXPECT_EQ(ReadAll(queue, false), "abc");

  // Nothing empty is queued, and a zero-byte append needs no buffer.
  MemoryManager empty;
  empty.Append(nullptr, 0);
  int32_t count = -1;
  EXPECT_EQ(empty.PeekFirstChunk(&count), nullptr);
  EXPECT_EQ(count, 0);
}

TEST(ByteQueue, RefusesToPassTwoGigabytes) {
  qvtest::ReportCapture capture;
  MemoryManager queue;
  queue.Append("ab", 2);
  queue.Append("x", INT32_MAX - 1);  // the check comes before any byte is read
  EXPECT_EQ(capture.count(), 1u);
  EXPECT_EQ(queue.Total(), 2);
}

// Random appends, reads and consumes of sizes around the buffer size, against a deque.
class ByteQueueTraffic : public testing::Test {
 protected:
  int32_t RandomSize() {
    switch (mRandom() % 5) {
      case 0:
        return mRandom() % 16;
      case 1:
        return kNode - 8 + mRandom() % 16;
      case 2:
        return mRandom() % (2 * kNode + 3);
      default:
        return mRandom() % 70000;
    }
  }

  void AppendSome(int32_t n) {
    mSourceOffset = (mSourceOffset + 7919) % kNode;
    mQueue.Append(mSource.data() + mSourceOffset, n);
    mModel.insert(mModel.end(), mSource.begin() + mSourceOffset,
                  mSource.begin() + mSourceOffset + n);
  }

  void ReadSome(int32_t n, bool remove) {
    std::string buffer(n, '\0');
    const int32_t copied = mQueue.Read(buffer.data(), n, remove);
    ASSERT_EQ(copied, std::min<int32_t>(n, static_cast<int32_t>(mModel.size())));
    ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + copied, mModel.begin()));
    if (remove) mModel.erase(mModel.begin(), mModel.begin() + copied);
  }

  void ConsumeSome(int32_t n) {
    mQueue.Consume(n);
    mModel.erase(mModel.begin(), mModel.begin() + std::min<size_t>(n, mModel.size()));
  }

  // Steps stay out of line so that the test body's frame stays small under the sanitizers.
  [[gnu::noinline]] void Step() {
    const int32_t n = RandomSize();
    switch (mRandom() % 6) {
      case 0:
      case 1:
        return AppendSome(n);
      case 2:
      case 3:
        return ReadSome(n, mRandom() % 2);
      case 4:
        return ConsumeSome(n);
      default:
        if (mRandom() % 20 == 0) {
          mQueue.Clear();
          mModel.clear();
        }
    }
  }

  [[gnu::noinline]] void ExpectSameFront() {
    ASSERT_EQ(mQueue.Total(), static_cast<int32_t>(mModel.size()));
    const std::string chunk = Peek(mQueue);
    ASSERT_EQ(chunk.empty(), mModel.empty());
    ASSERT_LE(chunk.size(), mModel.size());
    ASSERT_TRUE(std::equal(chunk.begin(), chunk.end(), mModel.begin()));
  }

  std::minstd_rand mRandom{2024};
  const std::string mSource = Pattern(3 * kNode + 16, 4);
  size_t mSourceOffset = 0;
  MemoryManager mQueue;
  std::deque<char> mModel;
};

TEST_F(ByteQueueTraffic, MatchesADequeUnderRandomTraffic) {
  int step = 0;
  for (; step < 1500 && !HasFatalFailure(); ++step) {
    Step();
    ExpectSameFront();
  }
  ASSERT_EQ(step, 1500) << "failed at step " << step - 1;
  EXPECT_TRUE(std::equal(mModel.begin(), mModel.end(), ReadAll(mQueue, true).begin()));
}

}  // namespace
