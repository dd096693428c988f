// FontSpec's assignment and style bits, the default font and colour tables, and the font list
// against fontconfig's families.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstdio>
#include <set>
#include <string>

#include "strings/TextStyle.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

// Every family name fontconfig knows, each alias of a comma-separated line on its own.
std::set<std::string> FontconfigFamilies() {
  std::set<std::string> families;
  FILE* pipe = popen("fc-list : family 2>/dev/null", "r");
  if (!pipe) return families;
  char line[1024];
  while (fgets(line, sizeof line, pipe)) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
      families.insert(text.substr(start, comma - start));
    }
    families.insert(text.substr(start));
  }
  pclose(pipe);
  return families;
}

TEST(TextStyleTest, FontSpecAndDefaults) {
  FontSpec font;
  EXPECT_TRUE(font.name.IsEmpty());
  font.bold = 1;
  font.SetStyleBits(kStyleItalic);  // sets, never clears
  EXPECT_EQ(font.GetStyleBits(), kStyleBold | kStyleItalic);

  FontSpec same;
  same.name = "Helvetica";
  same.size = 12;
  FontSpec target = same;
  target.name = string::FromBytes("Helvetica", 9, kEncodingASCII);  // equal bytes, own record
  stringStorage* before = target.name.Storage();
  EXPECT_EQ(target.AssignIfChanged(same), 0);
  EXPECT_EQ(target.name.Storage(), before);
  // Each field on its own counts as a change; names compare byte for byte (case too).
  FontSpec variants[5] = {same, same, same, same, same};
  variants[0].name = "helvetica";
  variants[1].size = 13;
  variants[2].bold = 1;
  variants[3].italic = 1;
  variants[4].underline = 1;
  for (FontSpec& v : variants) {
    FontSpec copy = same;
    EXPECT_EQ(copy.AssignIfChanged(v), 1);
    EXPECT_EQ(Bytes(copy.name), Bytes(v.name));
    EXPECT_EQ(copy.size, v.size);
    EXPECT_EQ(copy.GetStyleBits(), v.GetStyleBits());
  }

  InitDefaultFontSpec(false);
  EXPECT_EQ(Bytes(DefaultFontSpec().name), "System");
  EXPECT_EQ(DefaultFontSpec().size, 10);
  EXPECT_EQ(DefaultColorsFollowPlatform(), 0);
  for (int i = 0; i < kDefaultColorCount; ++i) {  // the grey filling has no tint
    EXPECT_EQ(DefaultColorTable()[i].red, DefaultColorTable()[i].blue);
  }
  InitDefaultFontSpec(true);
  EXPECT_EQ(DefaultColorsFollowPlatform(), 1);
  EXPECT_EQ(DefaultColorTable()[4].green, 45000);
  for (int i = 1; i < kDefaultColorCount; ++i) {  // the platform filling leans blue
    EXPECT_GT(DefaultColorTable()[i].blue, DefaultColorTable()[i].red);
  }
}

TEST(TextStyleTest, FontListAgainstFontconfig) {
  int32_t count = getFontCount();
  ASSERT_GE(count, 1);
  EXPECT_EQ(Bytes(string::Adopt(getFontName(0))), "System");
  std::set<std::string> known = FontconfigFamilies();
  const std::set<std::string> generic = {"Monospace", "Sans", "Serif", "System-ui", "Cursive",
                                         "Fantasy"};
  std::string previous;
  for (int32_t i = 1; i < count; ++i) {
    string name = string::Adopt(getFontName(i));
    ASSERT_FALSE(name.IsEmpty());
    EXPECT_EQ(name.Encoding(), kEncodingUTF8);
    std::string text = Bytes(name);
    EXPECT_TRUE(known.count(text) || generic.count(text)) << text;
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
