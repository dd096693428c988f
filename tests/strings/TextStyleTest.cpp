// FontSpec's assignment and style bits, the default font and colour tables, and the font list
// against fontconfig's families.
#include <gtest/gtest.h>
#include <strings.h>

#include <set>

#include "StringFunctionsTestSupport.h"
#include "strings/TextStyle.h"
#include "support/TestSupport.h"

using namespace strtest;

namespace {

TEST(TextStyleTest, FontSpecAndDefaults) {
  FontSpec same;
  same.name = "Helvetica";
  same.SetStyleBits(kStyleItalic);  // sets, never clears
  same.SetStyleBits(kStyleBold);
  EXPECT_EQ(same.GetStyleBits(), kStyleBold | kStyleItalic);
  // Equal bytes keep the target's own record; each field on its own counts as a change, and
  // names compare byte for byte (case too).
  FontSpec target = same, variants[5] = {same, same, same, same, same};
  target.name = Make("Helvetica", kEncodingASCII);
  stringStorage* before = target.name.Storage();
  EXPECT_EQ(target.AssignIfChanged(same), 0);
  EXPECT_EQ(target.name.Storage(), before);
  variants[0].name = "helvetica", variants[1].size = 13, variants[2].bold = 0;
  variants[3].italic = 0, variants[4].underline = 1;
  for (FontSpec& v : variants) {
    EXPECT_EQ(target.AssignIfChanged(v), 1);
    EXPECT_EQ(target.AssignIfChanged(v), 0);  // all of it was taken
    EXPECT_EQ(target.AssignIfChanged(same), 1);
  }
  InitDefaultFontSpec(false);
  EXPECT_EQ(Bytes(DefaultFontSpec().name) + std::to_string(DefaultFontSpec().size), "System10");
  for (int i = 0; i < kDefaultColorCount; ++i) {  // the grey filling has no tint
    EXPECT_EQ(DefaultColorTable()[i].red, DefaultColorTable()[i].blue);
  }
  InitDefaultFontSpec(true);
  EXPECT_EQ(DefaultColorsFollowPlatform(), 1);
  for (int i = 1; i < kDefaultColorCount; ++i) {  // the platform filling leans blue
    EXPECT_GT(DefaultColorTable()[i].blue, DefaultColorTable()[i].red);
  }
}

TEST(TextStyleTest, FontListAgainstFontconfig) {
  std::set<std::string> known = {"Monospace", "Sans", "Serif", "System-ui", "Cursive", "Fantasy"};
  FILE* pipe = popen("fc-list : family 2>/dev/null", "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  while (fgets(line, sizeof line, pipe)) {  // each alias of a comma-separated line on its own
    for (char* name = strtok(line, ",\n"); name; name = strtok(nullptr, ",\n")) known.insert(name);
  }
  pclose(pipe);
  const int32_t count = getFontCount();
  ASSERT_GE(count, 1);
  EXPECT_EQ(Take(getFontName(0)), "System");
  std::string previous;
  for (int32_t i = 1; i < count; ++i) {
    TextEncoding encoding;
    std::string text = Take(getFontName(i), &encoding);
    EXPECT_EQ(encoding, kEncodingUTF8);
    EXPECT_TRUE(known.count(text)) << text;
    EXPECT_LE(strcasecmp(previous.c_str(), text.c_str()), 0);
    previous = text;
  }
  qvtest::ReportCapture capture;
  EXPECT_EQ(getFontName(count), nullptr);
  EXPECT_EQ(getFontName(-1), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("OutOfBoundsException"));
}

}  // namespace
