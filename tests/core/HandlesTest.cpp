#include "core/Handles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "core/Memory.h"
#include "support/ChildLimits.h"
#include "support/TestSupport.h"

namespace {

std::vector<unsigned char> Contents(Handle handle) {
  auto* bytes = static_cast<const unsigned char*>(handle->data);
  return std::vector<unsigned char>(bytes, bytes + HandleGetSize(handle));
}

// Copies between random, often overlapping, ranges agree with a copy through a separate buffer;
// bad arguments report and copy nothing.
TEST(BlockMove, OverlappingRangesCopyAsThroughATemporary) {
  std::mt19937 random(77);
  std::vector<unsigned char> buffer(64);
  for (int round = 0; round < 2000; ++round) {
    int count = static_cast<int>(random() % 33);
    int from = static_cast<int>(random() % (65 - count)),
        to = static_cast<int>(random() % (65 - count));
    for (auto& b : buffer) b = static_cast<unsigned char>(random());
    std::vector<unsigned char> expected = buffer;
    std::copy(buffer.begin() + from, buffer.begin() + from + count, expected.begin() + to);
    BlockMove(buffer.data() + from, buffer.data() + to, count);
    ASSERT_EQ(buffer, expected) << "from " << from << " to " << to << " count " << count;
  }
  qvtest::ReportCapture capture;
  char source[] = "abc", destination[] = "xyz";
  BlockMove(source, destination, -1);
  BlockMove(nullptr, destination, 3);
  EXPECT_STREQ(destination, "xyz");
  EXPECT_EQ(capture.count(), 2u);
}

// A cleared handle is zero even where a dirtied block of the same size is reused; negative
// sizes report and give nil.
TEST(Handles, ClearedBlocksAndNegativeSizes) {
  Handle dirtyHandle = HandleNew(5000);
  std::memset(dirtyHandle->data, 0xCD, 5000);
  HandleDispose(dirtyHandle);
  Handle clearHandle = HandleNewClear(5000);
  EXPECT_EQ(Contents(clearHandle), std::vector<unsigned char>(5000, 0));
  qvtest::ReportCapture capture;
  EXPECT_EQ(NewPtr(-1), nullptr);
  EXPECT_EQ(HandleNewClear(-2147483647 - 1), nullptr);
  EXPECT_EQ(HandleSetSize(clearHandle, -4), nullptr);
  EXPECT_EQ(capture.count(), 3u);
  EXPECT_TRUE(capture.HasCondition("size >= 0"));
  EXPECT_EQ(HandleGetSize(clearHandle), 5000);
  HandleDispose(clearHandle);
}

// Random resizes and duplicates against a byte-vector model: resizing keeps the common bytes
// and answers the handle's data; a duplicate is an independent copy.
TEST(Handles, ResizingAndDuplicatingMatchAByteModel) {
  std::mt19937 random(4242);
  Handle handle = HandleNew(0);
  std::vector<unsigned char> model;
  for (int round = 0; round < 400; ++round) {
    auto size = static_cast<int32_t>(random() % (round % 10 == 0 ? 70000 : 300));
    void* data = HandleSetSize(handle, size);
    ASSERT_EQ(data, handle->data);
    auto* bytes = static_cast<unsigned char*>(handle->data);
    const size_t kept = std::min(model.size(), static_cast<size_t>(size));
    ASSERT_TRUE(std::equal(model.begin(), model.begin() + kept, bytes)) << round;
    model.resize(static_cast<size_t>(size));
    for (size_t i = 0; i < model.size(); ++i)
      bytes[i] = model[i] = static_cast<unsigned char>(random());
    if (round % 50 != 0) continue;
    Handle copy = handle;
    ASSERT_TRUE(HandleDuplicate(&copy));
    ASSERT_NE(copy, handle);
    EXPECT_EQ(Contents(copy), model);
    if (size > 0) static_cast<unsigned char*>(copy->data)[0] ^= 1;
    HandleDispose(copy);
    EXPECT_EQ(Contents(handle), model);
  }
  HandleDispose(handle);
  Handle variable = nullptr;
  EXPECT_FALSE(HandleDuplicate(&variable));
}

// With the address space capped, blocks that cannot be had give nil and the handle keeps its
// block, size and bytes. Runs in a child, whose limit dies with it.
TEST(Handles, AllocationFailureGivesNilAndLosesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator reserves more than any address-space cap allows";
#else
  std::string output;
  int status = qvtest::RunInChild(
      [] {
        Handle handle = HandleNewClear(64);
        void* data = handle->data;
        // Well under what the requests below need.
        if (!qvtest::LimitAddressSpace(size_t{768} << 20)) _exit(10);
        constexpr int32_t kHuge = 1536 * 1024 * 1024;
        if (HandleSetSize(handle, kHuge) != nullptr) _exit(11);
        if (handle->data != data || Contents(handle) != std::vector<unsigned char>(64)) _exit(12);
        if (HandleNewClear(kHuge)) _exit(14);
        Handle big = HandleNew(600 * 1024 * 1024);
        if (!big) _exit(16);
        Handle variable = big;
        if (HandleDuplicate(&variable) || variable != big) _exit(17);
        _exit(0);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
#endif
}

}  // namespace
