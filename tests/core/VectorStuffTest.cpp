// The byte-range test object: one high byte at every position, alignment and length.
#include <gtest/gtest.h>

#include <vector>

#include "core/VectorStuff.h"

namespace {

TEST(VectorStuff, EveryPositionOfOneHighByte) {
  VectorStuffImp* v = VectorStuff();
  EXPECT_EQ(v, VectorStuff());
  EXPECT_TRUE(v->ContainsOnlyLowBytes(nullptr, -5));
  std::vector<unsigned char> buffer(80, 0x7F);
  for (int offset = 0; offset < 8; ++offset) {
    for (int length = 0; length + offset <= 64; ++length) {
      for (int high = 0; high < length; ++high) {
        buffer[offset + high] = 0x80 | static_cast<unsigned char>(high);
        ASSERT_FALSE(v->ContainsOnlyLowBytes(buffer.data() + offset, length))
            << offset << " " << high;
        buffer[offset + high] = 0x7F;
      }
      ASSERT_TRUE(v->ContainsOnlyLowBytes(buffer.data() + offset, length));
    }
  }
}

}  // namespace
