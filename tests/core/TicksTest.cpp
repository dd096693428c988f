#include "core/Ticks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/times.h>
#include <unistd.h>

#include <cmath>

#include "ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

using testing::ExitedWithCode;

// Vectors worked out exactly (Python fractions, truncated toward zero, wrapped to 32 bits).
TEST(TickConversion, ClockTicksAndMillisecondsBecomeSixtiethsOfASecond) {
  constexpr int32_t kClock[][3] = {
      {1000, 100, 600}, {1, 100, 0}, {2, 100, 1}, {-1, 100, 0}, {-1000, 100, -600},
      {2147483647, 100, 1288490188}, {-2147483647 - 1, 100, -1288490188}, {17, 1000, 1},
      {16, 1000, 0}, {123456, 1000, 7407}, {59, 60, 59}, {-61, 60, -61}, {7, 30, 14},
      {1000, 64, 937}, {2147483647, 1000, 128849018}, {33, 50, 39}};
  for (const auto& c : kClock)
    EXPECT_EQ(ClockTicksToTicks(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
  constexpr int32_t kMilliseconds[][2] = {
      {0, 0},     {16, 0},   {17, 1},     {333, 19},
      {1234, 74}, {-17, -1}, {-250, -15}, {2147483647, 128849018}};
  for (const auto& c : kMilliseconds) EXPECT_EQ(MillisecondsToTicks(c[0]), c[1]) << c[0];
}

// The process clock read just before and just after bounds the tick count, which never goes back.
TEST(TickCount, FollowsTheProcessClock) {
  const long perSecond = sysconf(_SC_CLK_TCK);
  auto inTicks = [perSecond](clock_t clock) {
    return static_cast<long long>(
        std::trunc(static_cast<long double>(static_cast<int32_t>(clock)) * 60 / perSecond));
  };
  int32_t previous = TickCount();
  for (int round = 0; round < 1000; ++round) {
    clock_t before = times(nullptr);
    int32_t ticks = TickCount();
    clock_t after = times(nullptr);
    ASSERT_GE(ticks, previous);
    previous = ticks;
    if (static_cast<int32_t>(after) < static_cast<int32_t>(before)) continue;  // wrapped
    EXPECT_LE(inTicks(before), ticks);
    EXPECT_LE(ticks, inTicks(after));
  }
}

// A fresh run of this binary, so that the value is read for the first time in the child.
int DoubleClickTicksAfterSetting(int milliseconds, int changedTo) {
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return 200;
  g_object_set(settings, "gtk-double-click-time", milliseconds, nullptr);
  int32_t first = DoubleClickTicks();
  g_object_set(settings, "gtk-double-click-time", changedTo, nullptr);
  return first == DoubleClickTicks() ? first : 201;
}

TEST(DoubleClickTicksDeathTest, ReadsTheGtkSettingOnce) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(DoubleClickTicksAfterSetting(400, 250)), ExitedWithCode(24), "");
  EXPECT_EXIT(std::_Exit(DoubleClickTicksAfterSetting(1000, 17)), ExitedWithCode(60), "");
}

TEST(DoubleClickTicksDeathTest, WithoutDisplayAnswersGtkDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;  // GTK's default of 250 ms
  EXPECT_EXIT(std::_Exit(qvtest::HaveDisplay() ? 200 : DoubleClickTicks()), ExitedWithCode(15), "");
}

}  // namespace
