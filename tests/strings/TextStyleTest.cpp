// The default font, and the font list's bounds and lifetime.
#include <gtest/gtest.h>
#include <pango/pango.h>

#include <cstdlib>
#include <thread>

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

// The list may first be made on a language thread, whose default font map goes when the
// thread ends; its families stay usable afterwards. In a process of its own, where no list was
// made before.
TEST(TextStyleTest, TheFontListOutlivesTheThreadThatMadeIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::thread([] { FontFamilies(); }).join();
        int faces = 0;
        for (uint32_t i = 0; i < FontFamilies().size(); ++i) {
          PangoFontFace** list = nullptr;
          int count = 0;
          pango_font_family_list_faces(FontFamilies()[int32_t(i)].family, &list, &count);
          faces += count;
          g_free(list);
        }
        std::exit(FontFamilies().size() > 0 && faces > 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
