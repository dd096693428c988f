#include "core/Ticks.h"

#include <gtest/gtest.h>

#include "support/ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

// Vectors worked out exactly (Python fractions, truncated toward zero, wrapped to 32 bits).
TEST(TickConversion, ClockTicksAndMillisecondsBecomeSixtiethsOfASecond) {
  constexpr int32_t kClock[][3] = {
      {1000, 100, 600},   {2, 100, 1},       {-1000, 100, -600},   {2147483647, 100, 1288490188},
      {-2147483647 - 1, 100, -1288490188}, {123456, 1000, 7407}, {-61, 60, -61}, {1000, 64, 937}};
  for (const auto& c : kClock)
    EXPECT_EQ(ClockTicksToTicks(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
  constexpr int32_t kMilliseconds[][2] = {{16, 0}, {17, 1}, {-250, -15}, {2147483647, 128849018}};
  for (const auto& c : kMilliseconds) EXPECT_EQ(MillisecondsToTicks(c[0]), c[1]) << c[0];
}

TEST(DoubleClickTicksDeathTest, WithoutDisplayAnswersGtkDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;  // GTK's default of 250 ms
  EXPECT_EXIT(std::_Exit(qvtest::HaveDisplay() ? 200 : DoubleClickTicks()),
              testing::ExitedWithCode(15), "");
}

}  // namespace
