#include "core/Ticks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/times.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

using testing::ExitedWithCode;

// Vectors worked out exactly (Python fractions, truncated toward zero, wrapped to 32 bits).
struct ClockCase {
  int32_t clockTicks;
  int32_t perSecond;
  int32_t ticks;
};
constexpr ClockCase kClockCases[] = {
    {1000, 100, 600},
    {0, 100, 0},
    {1, 100, 0},
    {2, 100, 1},
    {-1, 100, 0},
    {-1000, 100, -600},
    {2147483647, 100, 1288490188},
    {-2147483647 - 1, 100, -1288490188},
    {1, 1000, 0},
    {17, 1000, 1},
    {16, 1000, 0},
    {123456, 1000, 7407},
    {59, 60, 59},
    {60, 60, 60},
    {-61, 60, -61},
    {7, 30, 14},
    {1000, 64, 937},
    {2147483647, 1000, 128849018},
    {33, 50, 39},
};

struct MillisecondCase {
  int32_t milliseconds;
  int32_t ticks;
};
constexpr MillisecondCase kMillisecondCases[] = {
    {0, 0},      {1, 0},     {16, 0},    {17, 1},     {50, 3},
    {100, 6},    {250, 15},  {333, 19},  {400, 24},   {500, 30},
    {1000, 60},  {1234, 74}, {-17, -1},  {-250, -15}, {2147483647, 128849018},
};

TEST(TickConversion, ClockTicksBecomeSixtiethsOfASecond) {
  for (const ClockCase& c : kClockCases)
    EXPECT_EQ(ClockTicksToTicks(c.clockTicks, c.perSecond), c.ticks)
        << c.clockTicks << " at " << c.perSecond << "/s";
}

TEST(TickConversion, MillisecondsBecomeSixtiethsOfASecond) {
  for (const MillisecondCase& c : kMillisecondCases)
    EXPECT_EQ(MillisecondsToTicks(c.milliseconds), c.ticks) << c.milliseconds << " ms";
}

// The process clock read just before and just after bounds the tick count.
TEST(TickCount, FollowsTheProcessClock) {
  long perSecond = sysconf(_SC_CLK_TCK);
  ASSERT_GT(perSecond, 0);
  auto inTicks = [perSecond](clock_t clock) {
    return static_cast<long long>(std::trunc(static_cast<long double>(static_cast<int32_t>(clock)) *
                                             60 / perSecond));
  };
  for (int round = 0; round < 100; ++round) {
    clock_t before = times(nullptr);
    int32_t ticks = TickCount();
    clock_t after = times(nullptr);
    if (static_cast<int32_t>(after) < static_cast<int32_t>(before)) continue;  // wrapped
    EXPECT_LE(inTicks(before), ticks);
    EXPECT_LE(ticks, inTicks(after));
  }
}

TEST(TickCount, NeverGoesBackWithinARun) {
  int32_t previous = TickCount();
  for (int round = 0; round < 10000; ++round) {
    int32_t now = TickCount();
    ASSERT_GE(now, previous);
    previous = now;
  }
}

TEST(TickCount, AdvancesAboutSixtyASecond) {
  int32_t start = TickCount();
  usleep(200 * 1000);
  // 200 ms is 12 ticks; the clock's own granularity may hide one.
  EXPECT_GE(TickCount() - start, 11);
}

// A fresh run of this binary, so that the value is read for the first time in the child.
int DoubleClickTicksAfterSetting(int milliseconds, int changedTo) {
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) std::_Exit(200);
  g_object_set(settings, "gtk-double-click-time", milliseconds, nullptr);
  int32_t first = DoubleClickTicks();
  g_object_set(settings, "gtk-double-click-time", changedTo, nullptr);
  int32_t second = DoubleClickTicks();
  return first == second ? first : 201;
}

TEST(DoubleClickTicksDeathTest, ReadsTheGtkSettingOnce) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(DoubleClickTicksAfterSetting(400, 250)), ExitedWithCode(24), "");
  EXPECT_EXIT(std::_Exit(DoubleClickTicksAfterSetting(250, 400)), ExitedWithCode(15), "");
  EXPECT_EXIT(std::_Exit(DoubleClickTicksAfterSetting(1000, 17)), ExitedWithCode(60), "");
}

TEST(DoubleClickTicks, MatchesTheCurrentSetting) {
  if (!qvtest::HaveDisplay()) {
    EXPECT_EQ(DoubleClickTicks(), 15) << "GTK's default of 250 ms";
    return;
  }
  gint milliseconds = 0;
  g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &milliseconds, nullptr);
  EXPECT_EQ(DoubleClickTicks(), milliseconds * 6 / 100);
}

TEST(DoubleClickTicksDeathTest, WithoutDisplayAnswersGtkDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(std::_Exit(qvtest::HaveDisplay() ? 200 : DoubleClickTicks()), ExitedWithCode(15),
              "");
}

}  // namespace
