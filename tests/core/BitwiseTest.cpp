// The Bitwise module: shifts within a width against a Python model of masked shifts, the
// width refusal and its message, and AND, OR, XOR over any number of values.
#include "core/Bitwise.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "arrays/RuntimeArray.h"
#include "support/RaiseCapture.h"
#include "support/TestSupport.h"

namespace {

TEST(Bitwise, ShiftsAgreeWithAModelOfMaskedShifts) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "bitwise_model.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "11", "3000"}));
  qvtest::RaiseCapture raises;
  std::string value, left, right;
  int32_t shift, bits, checked = 0;
  while (lines >> value >> shift >> bits >> left >> right) {
    const uint64_t v = std::stoull(value, nullptr, 16);
    const uint64_t l = RuntimeBitwiseShiftLeft(v, shift, bits);
    const uint64_t r = RuntimeBitwiseShiftRight(v, shift, bits);
    const std::string where = value + " " + std::to_string(shift) + " " + std::to_string(bits);
    if (left == "raise") {
      EXPECT_EQ(l, 0u) << where;
      EXPECT_EQ(r, 0u) << where;
      ASSERT_EQ(raises.Count("UnsupportedFormatException"), 2) << where;
      EXPECT_EQ(raises.raised()[0].message,
                "Specifying " + std::to_string(bits) + " as the number of bits is not supported");
    } else {
      EXPECT_EQ(l, std::stoull(left, nullptr, 16)) << where;
      EXPECT_EQ(r, std::stoull(right, nullptr, 16)) << where;
      EXPECT_EQ(raises.count(), 0u) << where;
    }
    raises.Take();
    ++checked;
  }
  EXPECT_EQ(checked, 3000) << "python3 bitwise_model.py printed too little";
}

TEST(Bitwise, EdgeValuesAndOperationsOverManyValues) {
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 31, 32), 0x80000000u);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 32, 32), 0u);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(0x100000001, 1, 32), 0x100000002u);
  EXPECT_EQ(RuntimeBitwiseShiftRight(~uint64_t{0}, 4, 8), 0xFFFFFFFFFFFFFF0Fu);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 0, 64), 1u);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 63, 64), 0x8000000000000000u);
  EXPECT_EQ(RuntimeBitwiseShiftRight(5, 1, 0), 0u);
  EXPECT_EQ(RuntimeOnesCompliment(0x00FF00FF00FF00FF), 0xFF00FF00FF00FF00u);
  EXPECT_EQ(BitwiseAnd(0xF0F0, 0xFF00), 0xF000u);
  EXPECT_EQ(BitwiseOr(0xF0F0, 0xFF00), 0xFFF0u);
  EXPECT_EQ(BitwiseXor(0xF0F0, 0xFF00), 0x0FF0u);
  RuntimeArray* more = CreateArray(1, kArrayUInt64, 1);
  const uint64_t values[] = {4, 8 | (uint64_t{1} << 40)};
  std::memcpy(more->data, values, sizeof values);
  EXPECT_EQ(RuntimeBitwiseOr(1, 2, more), 15u | (uint64_t{1} << 40));
  EXPECT_EQ(RuntimeBitwiseAnd(~uint64_t{0}, 12, more), 0u);
  EXPECT_EQ(RuntimeBitwiseXor(4, 4, more), 12u | (uint64_t{1} << 40));
  EXPECT_EQ(RuntimeBitwiseOr(1, 2, nullptr), 3u);
  RuntimeUnlockArray(more);
}

}  // namespace
