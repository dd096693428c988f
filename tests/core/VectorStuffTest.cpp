// The byte-range test object against a byte-by-byte model, at every alignment and length.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/VectorStuff.h"

namespace {

bool ModelLowBytes(const unsigned char* bytes, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    if (bytes[i] >= 0x80) return false;
  }
  return true;
}

TEST(VectorStuff, OneInstance) {
  EXPECT_NE(VectorStuff(), nullptr);
  EXPECT_EQ(VectorStuff(), VectorStuff());
}

TEST(VectorStuff, EdgeCases) {
  const unsigned char bytes[] = {0x00, 0x7F, 0x41, 0x80};
  VectorStuffImp* v = VectorStuff();
  EXPECT_TRUE(v->ContainsOnlyLowBytes(bytes, 0));
  EXPECT_TRUE(v->ContainsOnlyLowBytes(bytes, -5));
  EXPECT_TRUE(v->ContainsOnlyLowBytes(bytes, 3));
  EXPECT_FALSE(v->ContainsOnlyLowBytes(bytes, 4)) << "last byte 0x80";
}

TEST(VectorStuff, EveryPositionOfOneHighByte) {
  std::vector<unsigned char> buffer(80, 'a');
  VectorStuffImp* v = VectorStuff();
  for (int offset = 0; offset < 8; ++offset) {
    for (int length = 0; length + offset <= 64; ++length) {
      for (int high = 0; high < length; ++high) {
        buffer[offset + high] = 0x80 | static_cast<unsigned char>(high);
        EXPECT_FALSE(v->ContainsOnlyLowBytes(buffer.data() + offset, length));
        buffer[offset + high] = 'a';
      }
      EXPECT_TRUE(v->ContainsOnlyLowBytes(buffer.data() + offset, length));
    }
  }
}

TEST(VectorStuff, RandomAgainstModel) {
  std::mt19937 rng(99);
  std::vector<unsigned char> buffer(300);
  for (int round = 0; round < 2000; ++round) {
    for (unsigned char& b : buffer) b = static_cast<unsigned char>(rng() % 0x80);
    int length = static_cast<int>(rng() % buffer.size());
    if (rng() % 2 && length > 0) buffer[rng() % length] |= 0x80;
    int offset = length ? static_cast<int>(rng() % (length + 1)) : 0;
    EXPECT_EQ(VectorStuff()->ContainsOnlyLowBytes(buffer.data() + offset, length - offset),
              ModelLowBytes(buffer.data() + offset, length - offset));
  }
}

}  // namespace
