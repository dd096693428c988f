// The Bitwise module: shifts within a width against a Python model of masked shifts, the width
// refusal and its message, and AND, OR, XOR over any number of values.
#include "values/Bitwise.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "arrays/RuntimeArray.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

TEST(Bitwise, ShiftsAgreeWithAModelOfMaskedShifts) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "bitwise_model.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "11", "3000"}));
  qvtest::RaisedExceptions raises;
  std::string value, left, right;
  int32_t shift, bits, checked = 0;
  for (; lines >> value >> shift >> bits >> left >> right; ++checked) {
    const uint64_t v = std::stoull(value, nullptr, 16);
    const std::string where = value + " " + std::to_string(shift) + " " + std::to_string(bits);
    const bool refused = left == "raise";
    EXPECT_EQ(RuntimeBitwiseShiftLeft(v, shift, bits), refused ? 0 : std::stoull(left, nullptr, 16)) << where;
    EXPECT_EQ(RuntimeBitwiseShiftRight(v, shift, bits), refused ? 0 : std::stoull(right, nullptr, 16)) << where;
    const std::string message = "UnsupportedFormatException: Specifying " +
                                std::to_string(bits) + " as the number of bits is not supported";
    EXPECT_EQ(raises.Take(), std::vector<std::string>(refused ? 2 : 0, message)) << where;
  }
  EXPECT_EQ(checked, 3000) << "python3 bitwise_model.py printed too little";
}

TEST(Bitwise, EdgeValuesAndOperationsOverManyValues) {
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 31, 32), 0x80000000u);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 32, 32), 0u);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(0x100000001, 1, 32), 0x100000002u);
  EXPECT_EQ(RuntimeBitwiseShiftRight(~uint64_t{0}, 4, 8), 0xFFFFFFFFFFFFFF0Fu);
  EXPECT_EQ(RuntimeBitwiseShiftLeft(1, 0, 64), 1u);
  EXPECT_EQ(RuntimeOnesCompliment(0x00FF00FF00FF00FF), 0xFF00FF00FF00FF00u);
  EXPECT_EQ(BitwiseAnd(0xF0F0, 0xFF00) | BitwiseXor(0xF0F0, 0xFF00) << 16 |
                BitwiseOr(0xF0F0, 0xFF00) << 32, 0xFFF00FF0F000u);
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
