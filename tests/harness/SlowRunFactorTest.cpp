// The slow-run factor that every time limit of the tests is stretched by: the same figure as
// CTest's timeouts take (the table below is checked on CTest's side too), handed on to the
// programs the tests start.
#include <gtest/gtest.h>
#include <valgrind/valgrind.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Emulator.h"
#include "support/Watchdog.h"

namespace {

TEST(SlowRunFactor, TakesTheLoadAndTheSlowdownAsCTestDoes) {
  std::ifstream table(QV_LOAD_FACTOR_TABLE);
  int rows = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string load;
    int slowdown = 0, factor = 0;
    fields >> load >> slowdown >> factor;
    EXPECT_EQ(qvtest::SlowRunFactorFor(load.c_str(), slowdown), factor) << line;
    ++rows;
  }
  EXPECT_GE(rows, 10);
}

// Measured once for the run and handed on, so that a program a test starts (a subject, a
// peer, a script) stretches its limits alike.
TEST(SlowRunFactor, IsTheRunsAndIsHandedOn) {
  const char* load = std::getenv("QV_LOAD_FACTOR");
  ASSERT_NE(load, nullptr);
  const int slowdown = RUNNING_ON_VALGRIND || qvtest::RunsUnderEmulator() ? 5 : 1;
  EXPECT_EQ(qvtest::SlowRunFactor(), qvtest::SlowRunFactorFor(load, slowdown)) << load;
  EXPECT_GE(qvtest::SlowRunFactor(), slowdown);
  const char* handedOn = std::getenv("QV_TIME_FACTOR");
  EXPECT_EQ(handedOn ? handedOn : "", std::to_string(qvtest::SlowRunFactor()));
  EXPECT_EQ(qvtest::TimeLimit(7), 7 * qvtest::SlowRunFactor());
}

}  // namespace
