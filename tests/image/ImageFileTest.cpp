// The image file's bounded reads on a sparse file of 5 GB: measured whole, read past 4 GB,
// refused past its end.
#include "image/ImageFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace {

TEST(ImageFile, ASparseFileOverFourGigabytesIsMeasuredAndReadAtItsEnd) {
  char pattern[] = "/tmp/qvlargeXXXXXX";
  const int fd = mkstemp(pattern);
  ASSERT_GE(fd, 0);
  const uint64_t size = 5ull << 30, marked = (4ull << 30) + 12345;
  const bool written = ftruncate(fd, off_t(size)) == 0 &&
                       pwrite(fd, "past4GB!", 8, off_t(marked)) == 8 &&
                       pwrite(fd, "end", 3, off_t(size - 3)) == 3;
  close(fd);
  ImageFile file;
  if (written) {
    ASSERT_TRUE(file.Open(pattern));
    EXPECT_EQ(file.Size(), size);
    char text[9] = {};
    EXPECT_TRUE(file.ReadAt(marked, text, 8));
    EXPECT_STREQ(text, "past4GB!");
    uint32_t word = 0;
    EXPECT_TRUE(file.ReadAt(marked - 2, &word, 4));
    EXPECT_EQ(std::memcmp(&word, "\0\0pa", 4), 0);
    EXPECT_TRUE(file.ReadAt(size - 3, text, 3));
    EXPECT_EQ(std::memcmp(text, "end", 3), 0);
    EXPECT_FALSE(file.ReadAt(size - 2, text, 3));
    EXPECT_FALSE(file.Contains(uint64_t(UINT32_MAX) * 4, 1));
  }
  std::filesystem::remove(pattern);
  ASSERT_TRUE(written) << "the file system holds no sparse 5 GB file";
}

}  // namespace
