#include "core/Handles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "core/Memory.h"
#include "support/TestSupport.h"

namespace {

std::vector<unsigned char> Bytes(const void* data, size_t count) {
  auto* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + count);
}

std::vector<unsigned char> Contents(Handle handle) {
  return Bytes(handle->data, static_cast<size_t>(HandleGetSize(handle)));
}

void Fill(Handle handle, unsigned char seed) {
  auto* bytes = static_cast<unsigned char*>(handle->data);
  for (int32_t i = 0; i < handle->size; ++i) bytes[i] = static_cast<unsigned char>(seed + i * 31);
}

// ---------------------------------------------------------------------------------------------
// Pointers

TEST(Pointers, NewPtrClearIsZeroFilled) {
  // Dirty a block of the same size first, so that a reused block would show it.
  void* dirty = NewPtr(4096);
  std::memset(dirty, 0xAB, 4096);
  DisposePtr(dirty);
  auto* clear = static_cast<unsigned char*>(NewPtrClear(4096));
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(Bytes(clear, 4096), std::vector<unsigned char>(4096, 0));
  DisposePtr(clear);
  DisposePtr(nullptr);
}

TEST(Pointers, NegativeSizeFailsACheckAndGivesNil) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(NewPtr(-1), nullptr);
  EXPECT_EQ(NewPtrClear(-2147483647 - 1), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("size >= 0"));
}

// Copies between random, often overlapping, ranges of one buffer agree with a copy made
// through a separate buffer.
TEST(BlockMove, OverlappingRangesCopyAsThroughATemporary) {
  std::mt19937 random(77);
  std::vector<unsigned char> buffer(64);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i);
  for (int round = 0; round < 2000; ++round) {
    int count = static_cast<int>(random() % 33);
    int from = static_cast<int>(random() % (65 - count));
    int to = static_cast<int>(random() % (65 - count));
    std::vector<unsigned char> expected = buffer;
    std::vector<unsigned char> moved(buffer.begin() + from, buffer.begin() + from + count);
    for (int i = 0; i < count; ++i) expected[to + i] = moved[i];
    BlockMove(buffer.data() + from, buffer.data() + to, count);
    ASSERT_EQ(buffer, expected) << "from " << from << " to " << to << " count " << count;
  }
}

TEST(BlockMove, SourceComesFirst) {
  char source[] = "abc";
  char destination[] = "xyz";
  BlockMove(source, destination, 3);
  EXPECT_STREQ(destination, "abc");
  EXPECT_STREQ(source, "abc");
}

TEST(BlockMove, NegativeCountOrNilPointerCopiesNothing) {
  qvtest::ReportCapture capture;
  char source[] = "abc";
  char destination[] = "xyz";
  BlockMove(source, destination, -1);
  BlockMove(nullptr, destination, 3);
  BlockMove(source, nullptr, 3);
  EXPECT_STREQ(destination, "xyz");
  EXPECT_EQ(capture.count(), 3u);
  BlockMove(nullptr, nullptr, 0);
  EXPECT_EQ(capture.count(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Handles

TEST(Handles, NewHandleHasItsSizeAndAWritableBlock) {
  for (int32_t size : {0, 1, 7, 8, 4096, 100000}) {
    Handle handle = HandleNew(size);
    ASSERT_NE(handle, nullptr) << size;
    EXPECT_EQ(HandleGetSize(handle), size);
    EXPECT_NE(handle->data, nullptr);
    Fill(handle, 3);
    HandleDispose(handle);
  }
}

// The record is an 8-byte small block: it shows in the small-block allocator's counter.
TEST(Handles, RecordComesFromTheSmallBlockAllocator) {
  int32_t inUse = SmallBlockBytesInUse();
  Handle first = HandleNew(1000);
  Handle second = HandleNewClear(0);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse + 16);
  HandleDispose(first);
  HandleDispose(second);
  EXPECT_EQ(SmallBlockBytesInUse(), inUse);
  // The freed record is the next 8-byte block handed out.
  void* next = OSalloclen(8, kMemFullQuit);
  EXPECT_EQ(next, static_cast<void*>(second));
  OSfreelen(next, 8);
}

TEST(Handles, NewHandleClearIsZeroFilled) {
  Handle dirty = HandleNew(5000);
  std::memset(dirty->data, 0xCD, 5000);
  HandleDispose(dirty);
  Handle clear = HandleNewClear(5000);
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(Contents(clear), std::vector<unsigned char>(5000, 0));
  HandleDispose(clear);
}

TEST(Handles, NilHandleIsEmpty) {
  EXPECT_EQ(HandleGetSize(nullptr), 0);
  EXPECT_EQ(HandleSetSize(nullptr, 10), nullptr);
  HandleDispose(nullptr);
  HandleLock(nullptr);
  HandleUnlock(nullptr);
}

TEST(Handles, NegativeSizesFailACheckAndChangeNothing) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(HandleNew(-1), nullptr);
  EXPECT_EQ(HandleNewClear(-5), nullptr);
  Handle handle = HandleNew(4);
  Fill(handle, 9);
  std::vector<unsigned char> before = Contents(handle);
  EXPECT_EQ(HandleSetSize(handle, -4), nullptr);
  EXPECT_EQ(Contents(handle), before);
  EXPECT_EQ(capture.count(), 3u);
  EXPECT_TRUE(capture.HasCondition("size >= 0"));
  HandleDispose(handle);
}

TEST(Handles, SettingTheSameSizeChangesNothing) {
  Handle handle = HandleNew(32);
  Fill(handle, 1);
  void* data = handle->data;
  std::vector<unsigned char> before = Contents(handle);
  EXPECT_EQ(HandleSetSize(handle, 32), data);
  EXPECT_EQ(handle->data, data);
  EXPECT_EQ(Contents(handle), before);
  HandleDispose(handle);
}

// Random resizes against a byte-vector model: growing keeps every old byte, shrinking keeps
// the first ones, and the returned pointer is the handle's data.
TEST(Handles, ResizingKeepsTheCommonBytes) {
  std::mt19937 random(4242);
  Handle handle = HandleNew(0);
  std::vector<unsigned char> model;
  for (int round = 0; round < 400; ++round) {
    auto size = static_cast<int32_t>(random() % (round % 10 == 0 ? 70000 : 300));
    void* data = HandleSetSize(handle, size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data, handle->data);
    ASSERT_EQ(HandleGetSize(handle), size);
    size_t kept = std::min(model.size(), static_cast<size_t>(size));
    ASSERT_EQ(Bytes(handle->data, kept), std::vector<unsigned char>(model.begin(), model.begin() + kept));
    // New bytes get fresh values in both.
    model.resize(static_cast<size_t>(size));
    auto* bytes = static_cast<unsigned char*>(handle->data);
    for (size_t i = kept; i < model.size(); ++i) bytes[i] = model[i] = static_cast<unsigned char>(random());
  }
  HandleDispose(handle);
}

TEST(Handles, LockingNeverMovesTheData) {
  Handle handle = HandleNew(16);
  void* data = handle->data;
  HandleLock(handle);
  EXPECT_EQ(handle->data, data);
  HandleUnlock(handle);
  EXPECT_EQ(handle->data, data);
  HandleDispose(handle);
}

TEST(Handles, DuplicateReplacesTheVariableWithACopy) {
  Handle original = HandleNew(300);
  Fill(original, 17);
  std::vector<unsigned char> contents = Contents(original);
  Handle variable = original;
  ASSERT_TRUE(HandleDuplicate(&variable));
  ASSERT_NE(variable, original);
  EXPECT_NE(variable->data, original->data);
  EXPECT_EQ(Contents(variable), contents);
  // The two are independent.
  Fill(variable, 99);
  EXPECT_EQ(Contents(original), contents);
  HandleDispose(variable);
  EXPECT_EQ(Contents(original), contents);
  HandleDispose(original);
}

TEST(Handles, DuplicateOfAZeroSizeHandleIsAZeroSizeHandle) {
  Handle original = HandleNew(0);
  Handle variable = original;
  ASSERT_TRUE(HandleDuplicate(&variable));
  EXPECT_NE(variable, original);
  EXPECT_EQ(HandleGetSize(variable), 0);
  HandleDispose(variable);
  HandleDispose(original);
}

TEST(Handles, DuplicateOfAnEmptyHandleIsFalse) {
  Handle variable = nullptr;
  EXPECT_FALSE(HandleDuplicate(&variable));
  EXPECT_EQ(variable, nullptr);
  qvtest::ReportCapture capture;
  EXPECT_FALSE(HandleDuplicate(nullptr));
  EXPECT_EQ(capture.count(), 1u);
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
        Handle handle = HandleNew(64);
        Fill(handle, 5);
        std::vector<unsigned char> before = Contents(handle);
        void* data = handle->data;
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = 1024u * 1024u * 1024u;  // well under what the requests below need
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
        constexpr int32_t kHuge = 1536 * 1024 * 1024;
        if (HandleSetSize(handle, kHuge) != nullptr) _exit(11);
        if (handle->data != data || HandleGetSize(handle) != 64) _exit(12);
        if (Contents(handle) != before) _exit(13);
        if (HandleNew(kHuge) != nullptr || HandleNewClear(kHuge) != nullptr) _exit(14);
        if (NewPtr(kHuge) != nullptr) _exit(15);
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
