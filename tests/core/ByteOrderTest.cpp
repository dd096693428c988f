#include "core/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

template <typename T>
std::vector<uint8_t> ReversedBytes(T value) {
  std::vector<uint8_t> bytes = BytesOf(value);
  return std::vector<uint8_t>(bytes.rbegin(), bytes.rend());
}

// The x87 unit quiets signalling NaNs when a double travels through it.
bool IsSignallingNaN(uint64_t bits) {
  return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull &&
         (bits & 0x000FFFFFFFFFFFFFull) != 0 && (bits & 0x0008000000000000ull) == 0;
}

// Random values against their bytes reversed by hand; 16-bit swaps sign-extend.
TEST(ByteOrder, SwapsReverseBytesAndRoundTrip) {
  std::mt19937 rng(5);
  for (int i = 0; i < 10000; ++i) {
    const uint32_t word = rng();
    const auto half = static_cast<uint16_t>(word);
    ASSERT_EQ(BytesOf(SwapUInt32(word)), ReversedBytes(word));
    ASSERT_EQ(SwapUInt32(ByteSwap32(word)), word);
    ASSERT_EQ(BytesOf(static_cast<int16_t>(SwapInt16(half))), ReversedBytes(half));
    ASSERT_EQ(ByteSwap16(half), static_cast<int16_t>((half >> 8) | (half << 8)));
    const uint64_t bits = (uint64_t{rng()} << 32) | rng();
    if (IsSignallingNaN(bits) || IsSignallingNaN(__builtin_bswap64(bits))) continue;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    volatile double once = ByteSwapDouble(value);
    ASSERT_EQ(BytesOf(double(once)), ReversedBytes(value));
    volatile double twice = uhtond(once);
    ASSERT_EQ(BytesOf(double(twice)), BytesOf(value));
  }
  uint8_t five[] = {1, 2, 3, 4, 5};
  swapBytes(five, -3);
  swapBytes(five, 4);
  EXPECT_EQ(BytesOf(five), (std::vector<uint8_t>{4, 3, 2, 1, 5}));
}

// Big-endian loads and stores at any alignment; a short store writes two bytes only.
TEST(ByteOrder, SwappedLoadsAndStoresAtAnyAlignment) {
  std::mt19937 rng(7);
  uint8_t buffer[24];
  for (int round = 0; round < 2000; ++round) {
    for (uint8_t& b : buffer) b = static_cast<uint8_t>(rng());
    const uint8_t* at = buffer + rng() % 9;
    uint64_t big = 0;
    for (int k = 0; k < 8; ++k) big = (big << 8) | at[k];
    EXPECT_EQ(GetSwapped16(at), big >> 48);
    EXPECT_EQ(GetSwapped32(at), big >> 32);
    if (!IsSignallingNaN(big)) {
      volatile double loaded = GetSwappedDouble(at);
      EXPECT_EQ(BytesOf(double(loaded)), BytesOf(big));
    }
    uint8_t* to = buffer + 1 + rng() % 7;
    const uint32_t word = rng();
    const uint8_t after = to[4], before = to[-1];
    nstorelong(to, word);
    nstoreshort(to, static_cast<uint16_t>(word >> 8));
    EXPECT_EQ(GetSwapped32(to), (word >> 8 << 16) | (word & 0xFFFF));
    EXPECT_EQ(to[4] + 256 * to[-1], after + 256 * before);
  }
}

TEST(ByteOrder, CopyBytesReversedMatchesAReversedCopyEvenWhenOverlapping) {
  std::mt19937 rng(9);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> area(40);
    for (uint8_t& b : area) b = static_cast<uint8_t>(rng());
    const int count = static_cast<int>(rng() % 16), from = static_cast<int>(rng() % 20),
              to = static_cast<int>(rng() % 20);
    std::vector<uint8_t> expected = area;
    for (int i = 0; i < count; ++i) expected[to + i] = area[from + count - 1 - i];
    CopyBytesReversed(area.data() + to, area.data() + from, count);
    ASSERT_EQ(area, expected) << "from " << from << " to " << to << " count " << count;
  }
}

}  // namespace
