// Text fitting and measuring: the longest prefix narrower than a width, in ASCII, UTF-8 and
// UTF-16, beside a brute-force search over prefixes measured with raw Pango; word breaks;
// widths of 0 and less; a Graphics without a target; the layout kept while the font stays.
#include <pango/pango.h>

#include "GraphicsFixtures.h"

namespace {

using qvtest::Surface;

class TextFit : public qvtest::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    if (IsSkipped()) return;
    context = qvtest::RawPangoContext();
    layout = pango_layout_new(context);
    PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 10");
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
  }
  void TearDown() override {
    if (layout) g_object_unref(layout);
    if (context) g_object_unref(context);
  }
  int Width(const std::string& utf8) {
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    return width;
  }
  // The longest prefix (in bytes of utf8, at a character start) narrower than width.
  size_t LongestFit(const std::string& utf8, int width) {
    size_t best = 0;
    for (size_t n = 1; n <= utf8.size(); ++n) {
      if (n < utf8.size() && (uint8_t(utf8[n]) & 0xC0) == 0x80) continue;
      if (Width(utf8.substr(0, n)) < width) best = n;
    }
    return best;
  }
  PangoContext* context = nullptr;
  PangoLayout* layout = nullptr;
};

string Utf8(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

TEST_F(TextFit, TheLongestPrefixThatFitsWhateverTheFirstGuess) {
  Surface surface(10, 10);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  // Narrow letters and blanks fit far more than the width of "a" suggests; W far fewer.
  const std::string texts[] = {"iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii",
                               "WWWWWWWWWWWWWWWWWWWW", "Mixed words, of every width: Wim lit",
                               "                                        x"};
  for (const std::string& text : texts) {
    for (int width : {1, 7, 30, 61, 100, 160}) {
      SCOPED_TRACE(text + " in " + std::to_string(width));
      EXPECT_EQ(size_t(g.TextFitLength(string(text.c_str()), width, false)),
                LongestFit(text, width));
    }
  }
  EXPECT_EQ(g.TextFitLength(string("short"), 500, false), 5) << "a text that fits is whole";
}

TEST_F(TextFit, UTF8AndUTF16CountBytesAndNeverEndInsideACharacter) {
  Surface surface(10, 10);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  const std::string utf8 = "\xC3\x9C" "ber \xE2\x82\xAC" "uro \xE2\x98\x85\xE2\x98\x85 na\xC3\xAF"
                           "ve \xF0\x9F\x98\x80 caf\xC3\xA9";
  glong units = 0;
  gunichar2* utf16 = g_utf8_to_utf16(utf8.c_str(), -1, nullptr, &units, nullptr);
  string wide;
  wide.ConstructFromUTF16String(reinterpret_cast<const uint16_t*>(utf16), units);
  for (int width = 5; width < Width(utf8) + 10; width += 3) {
    SCOPED_TRACE(width);
    const size_t expected = LongestFit(utf8, width);
    EXPECT_EQ(size_t(g.TextFitLength(Utf8(utf8), width, false)), expected);
    // The same characters in 16-bit units.
    const int32_t fitted = g.TextFitLength(wide, width, false);
    ASSERT_EQ(fitted % 2, 0);
    gchar* back = g_utf16_to_utf8(utf16, fitted / 2, nullptr, nullptr, nullptr);
    ASSERT_NE(back, nullptr) << "cut inside a surrogate pair";
    EXPECT_EQ(strlen(back), expected);
    g_free(back);
  }
  g_free(utf16);
}

TEST_F(TextFit, WordBreaksCutAfterABlankAndWidthsOfZeroOrLessFitNothing) {
  Surface surface(10, 10);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  const std::string text = "one two\tthree  four";
  for (int width = 10; width < Width(text); width += 4) {
    SCOPED_TRACE(width);
    const size_t plain = LongestFit(text, width);
    size_t expected = plain;
    for (size_t n = plain; n >= 1; --n) {
      if (text[n] == ' ' || text[n] == '\t') {
        expected = n;
        break;
      }
    }
    while (expected < text.size() && (text[expected] == ' ' || text[expected] == '\t')) {
      ++expected;
    }
    EXPECT_EQ(size_t(g.TextFitLength(string(text.c_str()), width, true)), expected);
  }
  for (int width : {0, -5}) {
    EXPECT_EQ(g.TextFitLength(string(text.c_str()), width, false), 0);
    EXPECT_EQ(g.TextFitLength(string(text.c_str()), width, true), 0);
    EXPECT_EQ(g.TextFitLength(Utf8("\xC3\xA9t\xC3\xA9"), width, false), 0);
  }
}

// Without a target (or a font) "a" measures 0: the first guess must not divide by it.
TEST_F(TextFit, AGraphicsWithoutTargetDrawsNothingAndMeasuresNothing) {
  Graphics* g = Graphics::Create(nullptr);
  EXPECT_EQ(g->StringWidth(string("abc")), 0);
  EXPECT_EQ(g->TextAscent(), -1);
  EXPECT_EQ(g->TextHeight(), -1);
  EXPECT_EQ(g->TextFitLength(string("abc"), 10, false), 3);
  EXPECT_EQ(g->TextFitLength(string("abc"), 0, false), 0);
  g->FillRect(qvtest::MakeRect(0, 0, 5, 5));
  g->DrawString(string("abc"), 1, 1);
  g->DrawStringCondensed(string("abc"), 1, 1, 2, string("..."));
  g->MoveTo(1, 2);
  g->LineTo(5, 6);
  EXPECT_EQ(g->PenX(), 1) << "nothing drawn, the pen stays";
  EXPECT_EQ(g->GetPixel(1, 1), (RGBColor16{0, 0, 0}));
  EXPECT_EQ(g->GetHandle(kHandleGdkDrawable), 0u);
  Graphics::Destroy(g);
  Graphics plain(nullptr);
  EXPECT_EQ(plain.StringWidth(string("abc")), -1);
  EXPECT_EQ(plain.StringDirection(string("abc")), -1);
  EXPECT_EQ(plain.StringDirection(string()), -1);
}

TEST_F(TextFit, TheLayoutIsKeptWhileTheFontStaysAndRebuiltWhenItChanges) {
  Surface surface(10, 10);
  GraphicsGTK& g = surface.g();
  PangoLayout* layout = g.Layout();
  ASSERT_NE(layout, nullptr);
  g_object_set_data(G_OBJECT(layout), "mark", layout);
  g.SetTextSize(12);
  g.SetTextSize(12);
  g.SetTextFont(string("System"));
  EXPECT_EQ(g_object_get_data(G_OBJECT(g.Layout()), "mark"), layout);
  const int32_t ascent = g.TextAscent();
  g.SetTextSize(30);
  EXPECT_EQ(g_object_get_data(G_OBJECT(g.Layout()), "mark"), nullptr);
  EXPECT_GT(g.TextAscent(), ascent);
}

TEST_F(TextFit, AnEllipsisWiderThanTheWidthDrawsNothingAndKeepsTheStyle) {
  Surface surface(60, 20);
  GraphicsGTK& g = surface.g();
  g.SetTextStyle(kStyleBold | kStyleUnderline);
  g.DrawStringCondensed(string("Too long for it"), 0, 15, 8, string("......"));
  EXPECT_EQ(g.TextStyle(), kStyleBold | kStyleUnderline);
  EXPECT_EQ(surface.Pixels().CountPixels(0xFFFFFF), 60 * 20);
}

}  // namespace
