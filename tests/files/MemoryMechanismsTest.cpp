// The memory back ends: FileHandle's growth and its limits, the read-only FilePtr and string
// mechanisms, reads at the end, and scrambling.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "files/FileHandle.h"
#include "files/FilePtr.h"
#include "support/TestSupport.h"

namespace {

std::string Contents(Handle handle) {
  return std::string(static_cast<const char*>(handle->data), size_t(handle->size));
}

TEST(MemoryMechanisms, ReadsAtTheEndAndPositionsPastIt) {
  FileHandle file;
  ASSERT_TRUE(file.Write("0123456789", 10));
  FilePtr range;
  range.Attach("0123456789", 10);
  StringStorageMechanism text;
  text.Attach(string("0123456789").Storage());
  for (RandomAccessMechanism* m : {static_cast<RandomAccessMechanism*>(&file),
                                   static_cast<RandomAccessMechanism*>(&range),
                                   static_cast<RandomAccessMechanism*>(&text)}) {
    char buffer[10] = {};
    int32_t got = -1;
    EXPECT_TRUE(m->SetPosition(6) && m->Read(buffer, 10, &got));
    EXPECT_EQ(std::string(buffer, size_t(got)), "6789");
    EXPECT_TRUE(m->IsEOF());
    EXPECT_FALSE(m->Read(buffer, 10, &got));
    EXPECT_EQ(got, 0);
    EXPECT_TRUE(m->Read(buffer, 0, &got));  // a count of 0 succeeds at the end too
    EXPECT_TRUE(m->SetPosition(110));
    EXPECT_EQ(m->GetPosition(), 10);
    EXPECT_TRUE(m->SetPosition(uint64_t(-1)));
    EXPECT_EQ(m->GetPosition(), 10);
    EXPECT_EQ(m->GetLength(), 10);
    EXPECT_EQ(m->lastError, 0);
  }
}

TEST(FileHandle, GrowsWithSlackThenGeometrically) {
  FileHandle file;
  const std::string block(2048, 'b');
  ASSERT_TRUE(file.Write("abc", 3));
  EXPECT_EQ(file.Capacity(), 2051);
  ASSERT_TRUE(file.Write(block.data(), 2048));
  EXPECT_EQ(file.GetLength(), 2051);
  EXPECT_EQ(file.Capacity(), 2051);
  ASSERT_TRUE(file.Write("z", 1));
  EXPECT_EQ(file.Capacity(), 4100);
  // SetLength(0) keeps the storage; bytes that come back by lengthening read as zeros.
  ASSERT_TRUE(file.SetPosition(10) && file.SetLength(0));
  EXPECT_EQ(file.GetPosition(), 0);
  EXPECT_EQ(file.Capacity(), 4100);
  ASSERT_TRUE(file.SetLength(5));
  Handle handle = file.DetachHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(Contents(handle), std::string(5, '\0'));
  EXPECT_EQ(file.GetLength(), 0);
  // A handle attached is the caller's: written in place, never disposed by the file.
  {
    FileHandle attached;
    attached.Attach(handle);
    EXPECT_EQ(attached.GetLength(), 5);
    EXPECT_TRUE(attached.SetPosition(5) && attached.Write("!", 1));
  }
  EXPECT_EQ(Contents(handle).substr(0, 6), std::string(5, '\0') + "!");
  HandleDispose(handle);
}

// 50 MB in 16-byte writes: the storage is resized a logarithmic number of times.
TEST(FileHandle, ManySmallWritesResizeRarely) {
  FileHandle file;
  const char record[16] = "0123456789abcde";
  int resizes = 0;
  for (int i = 0, last = 0; i < 50 * 1024 * 1024 / 16; ++i) {
    ASSERT_TRUE(file.Write(record, 16));
    if (file.Capacity() != last) ++resizes;
    last = file.Capacity();
  }
  EXPECT_EQ(file.GetLength(), 50 * 1024 * 1024);
  EXPECT_LE(resizes, 30);
  char back[16];
  ASSERT_TRUE(file.SetPosition(16 * 12345) && file.Read(back, 16, nullptr));
  EXPECT_EQ(std::string(back, 16), std::string(record, 16));
}

TEST(FileHandle, RefusesToPassTheLimitAndLatchesExhaustion) {
  FileHandle file;
  ASSERT_TRUE(file.Write("abc", 3));
  EXPECT_FALSE(file.SetLength(uint64_t{1} << 31));
  EXPECT_FALSE(file.Write(reinterpret_cast<const void*>(16), 0x7FFFFFFE));  // 3 + that > 2^31-1
  EXPECT_EQ(file.GetLength(), 3);
  EXPECT_FALSE(file.Failed());
  // SetLength without a handle takes one.
  FileHandle fresh;
  EXPECT_TRUE(fresh.SetLength(4));
  EXPECT_TRUE(fresh.SetPosition(4) && fresh.Write("x", 1));
  EXPECT_EQ(fresh.GetLength(), 5);
  // Storage that cannot be had: an address-space limit in a child makes the allocator answer nil.
  EXPECT_EQ(qvtest::RunInChild([] {
              FileHandle big;
              ASSERT_TRUE(big.Write("abc", 3));
              ASSERT_TRUE(qvtest::LimitAddressSpace(64 << 20));
              EXPECT_FALSE(big.SetLength(256 << 20));
              EXPECT_TRUE(big.Failed());
              EXPECT_FALSE(big.Write("d", 1));
              EXPECT_FALSE(big.Close());
              EXPECT_EQ(big.DetachHandle(), nullptr);
              EXPECT_EQ(big.GetLength(), 3);
              big.Clear();
              EXPECT_TRUE(big.Write("d", 1) && big.Close());
            }),
            0);
}

TEST(FileHandle, ScramblesWithARunningKey) {
  FileHandle file;
  EXPECT_FALSE(file.SetScrambled(true));
  ASSERT_TRUE(file.Write("abc", 3));
  EXPECT_TRUE(file.SetScrambled(false));
  char stored[3];
  ASSERT_TRUE(file.SetPosition(0) && file.Read(stored, 3, nullptr));
  EXPECT_EQ(std::string(stored, 3), "\x9E\xFC\x9F");
  FilePtr range;  // read back from the start, with the key reset by turning it on
  range.Attach(stored, 3);
  range.SetScrambled(true);
  char plain[3];
  ASSERT_TRUE(range.Read(plain, 2, nullptr) && range.Read(plain + 2, 1, nullptr));
  EXPECT_EQ(std::string(plain, 3), "abc");
}

TEST(FileHandle, VariableLengthIntegersRoundTrip) {
  std::mt19937 random(20240611);
  FileHandle file;
  std::vector<int32_t> values = {INT32_MIN, INT32_MAX, -1, 0};
  for (int i = 0; i < 10000; ++i) values.push_back(int32_t(random()));
  for (int32_t v : values) ASSERT_TRUE(file.WriteVarInt(v));
  ASSERT_TRUE(file.SetPosition(0));
  for (int32_t v : values) {
    int32_t back = 0;
    ASSERT_TRUE(file.ReadVarInt(&back));
    ASSERT_EQ(back, v);
  }
  EXPECT_TRUE(file.IsEOF());
}

TEST(ReadOnlyMechanisms, WritesAreRefused) {
  qvtest::ReportCapture reports;
  FilePtr range;
  range.Attach("abc", 3);
  EXPECT_FALSE(range.Write("x", 1));
  EXPECT_FALSE(range.SetLength(1));
  ASSERT_EQ(reports.count(), 2u);
  EXPECT_EQ(reports.reports()[0].condition, "0");
  reports.clear();
  string text = string::FromBytes("hello", 5, kEncodingUTF8);
  StringStorageMechanism mechanism;
  mechanism.Attach(text.Storage());
  EXPECT_EQ(text.Storage()->refCount, 2u);
  EXPECT_FALSE(mechanism.Write("x", 1));
  EXPECT_EQ(mechanism.lastError, kReadOnlyStreamError);
  EXPECT_FALSE(mechanism.SetLength(0));
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(mechanism.Close());
  EXPECT_EQ(text.Storage()->refCount, 1u);
  EXPECT_EQ(mechanism.GetLength(), 0);
}

}  // namespace
