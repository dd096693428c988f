// The style-data codec without a field: records written and read back as ranges, unsigned
// length and size bytes, long names cut on a character boundary, records cut short, and random
// styled texts that read back unchanged.
#include <gtest/gtest.h>

#include <random>

#include "StyleSpans.h"
#include "controls/StyleData.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(char(v));
  return out;
}

StyleDataReading Parse(const std::string& data, int32_t textLength) {
  return ParseStyleData(reinterpret_cast<const unsigned char*>(data.data()),
                        int64_t(data.size()), textLength);
}

// The per-character styles the spans of a reading give a text of n characters, starting from
// the plain style in "System".
std::vector<CharacterStyle> Apply(const StyleDataReading& reading, int32_t n) {
  for (const StyleSpan& s : reading.spans) {
    EXPECT_LE(0, s.start);
    EXPECT_LT(s.start, s.end);
    EXPECT_LE(s.end, n);
  }
  return ApplyStyleSpans(reading, n);
}

TEST(StyleData, ThreePlainCharactersInSystemTwelve) {
  std::vector<CharacterStyle> text(3);
  for (CharacterStyle& c : text) c = {false, false, false, "System", 0, 12};
  EXPECT_EQ(EncodeStyleData(text), Bytes({0, 12, 0, 12, 0, 12}));
  const StyleDataReading reading = Parse(Bytes({0, 12, 0, 12, 0, 12}), 3);
  EXPECT_FALSE(reading.cutShort);
  EXPECT_EQ(reading.records, 3);
  ASSERT_EQ(reading.spans.size(), 1u);
  EXPECT_EQ(reading.spans[0].attribute, StyleAttribute::kSize);
  EXPECT_EQ(reading.spans[0].end, 3);
}

TEST(StyleData, FontsAndColoursAreWrittenWhereTheyChange) {
  std::vector<CharacterStyle> text = {{true, false, false, "System", 0, 12},
                                      {true, true, false, "Serif", 0xFF0080, 12},
                                      {false, false, true, "Serif", 0, 14}};
  const std::string data = EncodeStyleData(text);
  EXPECT_EQ(data, Bytes({0x01, 12, 0x1B, 5, 'S', 'e', 'r', 'i', 'f', 0xFF, 0x00, 0x80, 12,
                         0x04, 14}));
  EXPECT_EQ(Apply(Parse(data, 3), 3), text);
}

// Sizes and name lengths of 128 to 255 read unsigned; longer names stop at 255 bytes without
// splitting a character, larger sizes are written as 255.
TEST(StyleData, LongNamesAndLargeSizesRoundTrip) {
  std::string name200(200, 'n');
  std::string name300;
  while (name300.size() < 300) name300 += "\xC3\xA9";  // two bytes each: 254 is the cut
  std::vector<CharacterStyle> text = {{false, false, false, name200, 0, 200},
                                      {false, false, false, name300, 0, 300}};
  const std::vector<CharacterStyle> got = Apply(Parse(EncodeStyleData(text), 2), 2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].font, name200);
  EXPECT_EQ(got[0].size, 200);
  EXPECT_EQ(got[1].font, name300.substr(0, 254));
  EXPECT_EQ(got[1].size, 255);
}

// A record cut short stops the reading where it began; the complete records stay.
TEST(StyleData, ARecordCutShortKeepsTheRecordsBeforeIt) {
  const std::string whole = EncodeStyleData({{true, false, false, "System", 0, 12},
                                             {true, false, false, "Mono", 0x00FF00, 12},
                                             {false, false, false, "Mono", 0, 12}});
  for (size_t cut : {size_t(3), size_t(5), size_t(9), size_t(11)}) {
    SCOPED_TRACE(cut);
    const StyleDataReading reading = Parse(whole.substr(0, cut), 3);
    EXPECT_TRUE(reading.cutShort);
    EXPECT_EQ(reading.cutOffset, 2);
    EXPECT_EQ(reading.records, 1);
    const std::vector<CharacterStyle> got = Apply(reading, 3);
    EXPECT_TRUE(got[0].bold);
    EXPECT_FALSE(got[1].bold);
    EXPECT_EQ(got[1].font, "System");
  }
  // More records than characters: the rest is not read.
  EXPECT_EQ(Parse(whole, 2).records, 2);
  EXPECT_FALSE(Parse(whole, 2).cutShort);
}

TEST(StyleData, RandomStyledTextsReadBackUnchanged) {
  std::mt19937 random(51);
  const std::vector<std::string> fonts = {"System", "Serif", "Sans", std::string(200, 'f'),
                                          "Mono"};
  for (int round = 0; round < 200; ++round) {
    const int32_t n = int32_t(random() % 40);
    std::vector<CharacterStyle> text(static_cast<size_t>(n));
    for (CharacterStyle& c : text) {
      c.bold = random() & 1;
      c.italic = random() & 1;
      c.underline = random() & 1;
      c.font = fonts[random() % fonts.size()];
      c.color = random() % 3 == 0 ? random() & 0xFFFFFF : 0;
      c.size = int32_t(random() % 256);
    }
    const StyleDataReading reading = Parse(EncodeStyleData(text), n);
    EXPECT_FALSE(reading.cutShort);
    ASSERT_TRUE(Apply(reading, n) == text) << "round " << round;
  }
}

TEST(StyleData, NoDataAndGarbageStayInsideTheText) {
  EXPECT_TRUE(Parse("", 5).spans.empty());
  EXPECT_TRUE(ParseStyleData(nullptr, 10, 5).spans.empty());
  std::mt19937 random(7);
  for (int round = 0; round < 500; ++round) {
    std::string data(random() % 64, '\0');
    for (char& b : data) b = char(random());
    const int32_t n = int32_t(random() % 20);
    const StyleDataReading reading = Parse(data, n);
    Apply(reading, n);  // checks every span lies inside the text
    EXPECT_LE(reading.cutOffset, int64_t(data.size()));
  }
}

}  // namespace
