#include "core/SystemBeep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

using testing::ExitedWithCode;

// GDK complains on standard error when asked to beep with no display; nothing may be written.
TEST(SystemBeepDeathTest, WithoutDisplayDoesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        if (qvtest::HaveDisplay()) std::_Exit(2);
        SystemBeep();
        std::_Exit(3);
      },
      ExitedWithCode(3), testing::IsEmpty());
}

TEST(SystemBeepDeathTest, WithDisplayRingsQuietly) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SystemBeep();
        std::_Exit(3);
      },
      ExitedWithCode(3), testing::IsEmpty());
}

}  // namespace
