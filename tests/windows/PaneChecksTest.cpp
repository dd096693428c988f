// A failed check in the pane tree returns without acting: a pane's second delegate or run
// control is reported and refused, and the first stays.
#include <gtest/gtest.h>

#include "PaneFixtures.h"
#include "support/TestSupport.h"

namespace {

TEST(PaneChecks, ASecondDelegateOrRunControlIsRefusedAndTheFirstStays) {
  qvtest::TestPane& pane = *new qvtest::TestPane(nullptr, qvtest::MakeRect(0, 0, 10, 10));
  qvtest::CountingDelegate first, second;
  RuntimeObject control{}, other{};
  qvtest::ReportCapture reports;
  pane.SetDelegate(&first);
  pane.SetDelegate(&second);
  EXPECT_EQ(pane.GetDelegate(), &first);
  pane.SetRunControl(&control);
  pane.SetRunControl(&other);
  EXPECT_EQ(pane.GetRunControl(), &control);
  EXPECT_TRUE(reports.HasCondition("not mDelegate"));
  EXPECT_TRUE(reports.HasCondition("mRunControl == nil"));
  pane.Release();
}

}  // namespace
