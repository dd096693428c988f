// The byte-range test object: one high byte at every position, alignment and length.
#include <gtest/gtest.h>

#include <vector>

#include "core/VectorStuff.h"

namespace {

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

}  // namespace
