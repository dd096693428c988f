#include "core/ByteOrder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Reference: the value's bytes as the machine stores them, reversed by hand.
template <typename T>
std::vector<uint8_t> ReversedBytes(T value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return std::vector<uint8_t>(bytes.rbegin(), bytes.rend());
}

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

// The x87 unit quiets signalling NaNs when a double travels through it.
bool IsSignallingNaN(uint64_t bits) {
  return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull &&
         (bits & 0x000FFFFFFFFFFFFFull) != 0 && (bits & 0x0008000000000000ull) == 0;
}

TEST(SwapBytes, ReversesInPlace) {
  uint8_t five[] = {1, 2, 3, 4, 5};
  swapBytes(five, 5);
  EXPECT_EQ(BytesOf(five), (std::vector<uint8_t>{5, 4, 3, 2, 1}));
  swapBytes(five, 1);
  EXPECT_EQ(BytesOf(five), (std::vector<uint8_t>{5, 4, 3, 2, 1}));
  swapBytes(five, 0);
  swapBytes(five, -3);
  EXPECT_EQ(BytesOf(five), (std::vector<uint8_t>{5, 4, 3, 2, 1}));
  swapBytes(five, 4);
  EXPECT_EQ(BytesOf(five), (std::vector<uint8_t>{2, 3, 4, 5, 1}));
}

TEST(IntegerSwaps, ReverseBytesAndRoundTrip) {
  EXPECT_EQ(ByteSwap16(0x0080), -32768);
  EXPECT_EQ(SwapInt16(0x3412), 0x1234);
  EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
  std::mt19937 rng(5);
  for (int i = 0; i < 10000; ++i) {
    uint32_t word = rng();
    uint16_t half = static_cast<uint16_t>(word);
    ASSERT_EQ(BytesOf(SwapUInt32(word)), ReversedBytes(word));
    ASSERT_EQ(SwapUInt32(ByteSwap32(word)), word);
    ASSERT_EQ(BytesOf(static_cast<int16_t>(SwapInt16(half))), ReversedBytes(half));
    // Sign extension: the 32-bit result equals the reversed 16 bits read as signed.
    ASSERT_EQ(ByteSwap16(half), static_cast<int16_t>((half >> 8) | (half << 8)));
    ASSERT_EQ(static_cast<uint16_t>(ByteSwap16(static_cast<uint16_t>(ByteSwap16(half)))), half);
  }
}

TEST(DoubleSwaps, ReverseBytesAndRoundTrip) {
  std::mt19937 rng(6);
  int checked = 0;
  for (int i = 0; i < 10000; ++i) {
    uint64_t bits = (uint64_t{rng()} << 32) | rng();
    uint64_t swapped = __builtin_bswap64(bits);
    if (IsSignallingNaN(bits) || IsSignallingNaN(swapped)) continue;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    volatile double once = ByteSwapDouble(value);
    ASSERT_EQ(BytesOf(double(once)), ReversedBytes(value));
    volatile double twice = uhtond(once);
    ASSERT_EQ(BytesOf(double(twice)), BytesOf(value));
    ++checked;
  }
  EXPECT_GT(checked, 9000);
}

TEST(SwappedLoads, ReadAtAnyAlignment) {
  std::mt19937 rng(7);
  uint8_t buffer[24];
  for (int round = 0; round < 2000; ++round) {
    for (uint8_t& b : buffer) b = static_cast<uint8_t>(rng());
    int offset = static_cast<int>(rng() % 9);
    const uint8_t* at = buffer + offset;
    EXPECT_EQ(GetSwapped16(at), (at[0] << 8) | at[1]);
    EXPECT_EQ(GetSwapped32(at),
              (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3]);
    uint64_t big = 0;
    for (int k = 0; k < 8; ++k) big = (big << 8) | at[k];
    if (IsSignallingNaN(big)) continue;
    volatile double loaded = GetSwappedDouble(at);
    double expected;
    std::memcpy(&expected, &big, sizeof expected);
    EXPECT_EQ(BytesOf(double(loaded)), BytesOf(expected));
  }
}

TEST(SwappedStores, RoundTripThroughLoads) {
  std::mt19937 rng(8);
  uint8_t buffer[12];
  for (int round = 0; round < 2000; ++round) {
    std::memset(buffer, 0xEE, sizeof buffer);
    int offset = static_cast<int>(rng() % 7);
    uint32_t word = rng();
    nstorelong(buffer + offset, word);
    EXPECT_EQ(GetSwapped32(buffer + offset), word);
    EXPECT_EQ(buffer[offset], word >> 24);  // big-endian: most significant first
    uint16_t half = static_cast<uint16_t>(rng());
    nstoreshort(buffer + offset, half);
    EXPECT_EQ(GetSwapped16(buffer + offset), half);
    EXPECT_EQ(buffer[offset + 3], word & 0xFF);  // the short store wrote two bytes only
    EXPECT_EQ(buffer[offset + 4], 0xEE);
    EXPECT_EQ(buffer[offset ? offset - 1 : 11], 0xEE);
  }
}

TEST(CopyBytesReversed, MatchesAReversedCopyEvenWhenOverlapping) {
  std::mt19937 rng(9);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> area(40);
    for (uint8_t& b : area) b = static_cast<uint8_t>(rng());
    int count = static_cast<int>(rng() % 16);
    int from = static_cast<int>(rng() % 20), to = static_cast<int>(rng() % 20);
    std::vector<uint8_t> expected = area;
    for (int i = 0; i < count; ++i) expected[to + i] = area[from + count - 1 - i];
    CopyBytesReversed(area.data() + to, area.data() + from, count);
    ASSERT_EQ(area, expected) << "from " << from << " to " << to << " count " << count;
  }
}

TEST(StoreDoubleValue, StoresLowWordFirst) {
  double value = 0;
  StoreDoubleValue(&value, 0x00000000u, 0x3FF80000u);
  EXPECT_EQ(value, 1.5);
  uint8_t odd[9] = {};
  StoreDoubleValue(odd + 1, 0x04030201u, 0x08070605u);
  EXPECT_EQ(BytesOf(odd), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
