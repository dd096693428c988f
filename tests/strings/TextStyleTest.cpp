// The default font, and the font list's bounds.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "strings/TextStyle.h"
#include "support/TestSupport.h"

using namespace strtest;

namespace {

TEST(TextStyleTest, DefaultFontAndFontListBounds) {
  InitDefaultFontSpec(true);
  EXPECT_EQ(Bytes(DefaultFontSpec().name) + std::to_string(DefaultFontSpec().size), "System10");
  EXPECT_EQ(Take(getFontName(0)), "System");
  qvtest::ReportCapture capture;
  EXPECT_EQ(getFontName(getFontCount()), nullptr);
  EXPECT_EQ(getFontName(-1), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("OutOfBoundsException"));
}

}  // namespace
