#include "core/SystemBeep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

// GDK complains on standard error when asked to beep with no display; nothing may be written
// (a fresh run of this binary without DISPLAY).
TEST(SystemBeepDeathTest, WithoutDisplayDoesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        SystemBeep();
        std::_Exit(qvtest::HaveDisplay() ? 2 : 3);
      },
      testing::ExitedWithCode(3), testing::IsEmpty());
}

}  // namespace
