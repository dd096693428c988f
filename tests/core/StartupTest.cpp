// Start-up steps: declared anywhere, run in the order of their constants, each order once.
#include "core/Startup.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/TestSupport.h"

namespace {

// Orders past the framework's own, declared here out of order and with one order taken twice.
constexpr StartupOrder At(uint32_t n) { return StartupOrder(kStartupClassesEnd + n); }
std::string gRan;
QV_STARTUP(At(3), +[] { gRan += "c"; })
QV_STARTUP(At(1), +[] { gRan += "a"; })
QV_STARTUP(At(2), +[] { gRan += "b"; })
QV_STARTUP(At(5), +[] { gRan += "x"; })
QV_STARTUP(At(5), +[] { gRan += "y"; })
QV_STARTUP(At(6), nullptr)

TEST(Startup, StepsRunSortedWithinTheirRangeAndASharedOrderRunsNeither) {
  qvtest::ReportCapture reports;
  RunStartupSteps(At(1), At(3));
  EXPECT_EQ(gRan, "ab");
  EXPECT_TRUE(reports.empty());
  gRan.clear();
  RunStartupSteps(At(0), At(10));
  EXPECT_EQ(gRan, "abc");
  EXPECT_EQ(reports.count(), 2u);
  EXPECT_TRUE(reports.HasCondition("one start-up step per order"));
}

// The framework's steps: one per order, every one inside a phase of the list. The plug-in
// loader's place waits for its step.
TEST(Startup, FrameworkStepsHaveOneOrderEachInsideThePhases) {
  std::multiset<uint32_t> orders;
  for (const StartupStep* step = StartupStepsBegin(); step != StartupStepsEnd(); ++step) {
    if (step->order < kStartupClassesEnd) orders.insert(step->order);
  }
  for (uint32_t order : orders) EXPECT_EQ(orders.count(order), 1u) << "order " << order;
  for (uint32_t order = kStartupClassesBegin; order < kStartupClassesEnd; ++order) {
    if (order == kStartupImagePlugins) continue;
    EXPECT_EQ(orders.count(order), 1u) << "no step declares class order " << order;
  }
  EXPECT_EQ(orders.count(kStartupDrawFocusHook), 1u);
}

}  // namespace
