#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "ImageTestFiles.h"
#include "image/ImageBlocks.h"
#include "image/ImageFile.h"

namespace {

using imagetest::Bytes;

TEST(ImageBlockFile, MissingEmptyAndWholeFiles) {
  imagetest::TempFolder folder;
  uint32_t size = 99;
  EXPECT_EQ(ReadImageBlockFile(folder.File("absent.dat").c_str(), &size), nullptr);
  EXPECT_EQ(size, 0u);
  imagetest::WriteFile(folder.File("empty.dat"), {});
  size = 99;
  EXPECT_EQ(ReadImageBlockFile(folder.File("empty.dat").c_str(), &size), nullptr);
  EXPECT_EQ(size, 0u);
  Bytes content;
  for (int i = 0; i < 10000; ++i) content.push_back(uint8_t(i * 37));
  imagetest::WriteFile(folder.File("full.dat"), content);
  uint8_t* bytes = ReadImageBlockFile(folder.File("full.dat").c_str(), &size);
  ASSERT_NE(bytes, nullptr);
  ASSERT_EQ(size, content.size());
  EXPECT_EQ(std::memcmp(bytes, content.data(), size), 0);
  std::free(bytes);
}

TEST(ImageFile, ReadsOnlyInsideTheFile) {
  imagetest::TempFolder folder;
  imagetest::WriteFile(folder.File("f"), {1, 2, 3, 4, 5, 6});
  ImageFile file;
  ASSERT_TRUE(file.Open(folder.File("f").c_str()));
  uint32_t word = 0;
  EXPECT_TRUE(file.ReadU32(2, &word));
  EXPECT_EQ(word, 0x06050403u);
  EXPECT_FALSE(file.ReadU32(3, &word));
  EXPECT_FALSE(file.ReadU32(UINT64_MAX - 1, &word));  // the end would wrap in 64 bits
  EXPECT_TRUE(file.Contains(6, 0));
  EXPECT_FALSE(file.Contains(7, 0));
  EXPECT_FALSE(file.Open(folder.File("missing").c_str()));
  EXPECT_FALSE(file.ReadU32(0, &word));
}

TEST(ImageSection, FoundOnlyInAnElfFileThatHasIt) {
  imagetest::TempFolder folder;
  imagetest::WriteFile(folder.File("text"), Bytes(4096, 'x'));
  ImageFile file;
  ImageSectionLocation location;
  ASSERT_TRUE(file.Open(folder.File("text").c_str()));
  EXPECT_FALSE(FindImageSection(file, &location));
  ASSERT_TRUE(file.Open("/proc/self/exe"));
  EXPECT_FALSE(FindImageSection(file, &location));  // this binary has no .qv section
  Bytes content = {1, 2, 3, 4, 5, 6, 7};
  std::string exe = imagetest::ExecutableWithSection(folder, content);
  ASSERT_TRUE(file.Open(exe.c_str()));
  ASSERT_TRUE(FindImageSection(file, &location));
  EXPECT_EQ(location.size, content.size());
  Bytes read(content.size());
  ASSERT_TRUE(file.ReadAt(location.offset, read.data(), uint32_t(read.size())));
  EXPECT_EQ(read, content);
}

}  // namespace
