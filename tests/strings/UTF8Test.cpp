// UTF-8 encoding, decoding and walking, against Python's UTF-8 codec where one applies.
#include <gtest/gtest.h>

#include <climits>

#include "UTF8TestSupport.h"
#include "strings/UTF8.h"

namespace {

using utf8test::ExactBuffer;
using utf8test::Hex;

std::string Encoded(int32_t code) {
  char buffer[kUTF8EncodeBufferSize];
  return std::string(buffer, UTF8Encode(code, buffer));
}

TEST(UTF8Encode, MatchesPythonAndEndsInANul) {
  const std::pair<int32_t, int32_t> lengths[] = {{0x7F, 1}, {0x80, 2}, {0xFFFF, 3}, {0x1FFFFF, 4},
                                                 {0x200000, 0}, {-1, 0}, {INT32_MIN, 0}};
  for (auto [code, length] : lengths) {
    char buffer[kUTF8EncodeBufferSize] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(UTF8Encode(code, buffer), length) << std::hex << code;
    EXPECT_EQ(buffer[length], '\0') << std::hex << code;
  }
  const auto lines = utf8test::Lines(utf8test::RunPython(R"(
import random
random.seed(7)
codes = [0, 0x7F, 0x80, 0x7FF, 0x800, 0xD800, 0xDFFF, 0xFFFF, 0x10000, 0x10FFFF]
for lo, hi in ((0, 0x7F), (0x80, 0x7FF), (0x800, 0xFFFF), (0x10000, 0x10FFFF)):
    codes += [random.randint(lo, hi) for _ in range(500)]
for c in codes: print('%x %s' % (c, chr(c).encode('utf-8', 'surrogatepass').hex()))
)"));
  ASSERT_GT(lines.size(), 2000u);
  for (const std::string& line : lines) {
    const auto f = utf8test::Fields(line);
    EXPECT_EQ(Hex(Encoded(std::stoi(f[0], nullptr, 16))), f[1]) << line;
  }
}

TEST(UTF8Decode, RoundTripsEveryEncodableCode) {
  for (int32_t code = 0; code <= 0x1FFFFF; ++code) {
    char buffer[kUTF8EncodeBufferSize];
    const char *end = buffer + UTF8Encode(code, buffer), *p = buffer;
    ASSERT_EQ(UTF8Decode(p, end), static_cast<uint32_t>(code));
    ASSERT_EQ(UTF8DecodeAndAdvance(p, end), static_cast<uint32_t>(code));
    ASSERT_EQ(p, end);
    BackupUTF8(p, buffer, 1);
    ASSERT_EQ(p, buffer) << std::hex << code;
  }
}

// Walking Python's mixed-width texts finds its characters at the same byte boundaries,
// forwards and backwards.
TEST(UTF8Decode, WalksPythonTextsCharacterByCharacter) {
  const auto lines = utf8test::Lines(utf8test::RunPython(R"(
import random
random.seed(3)
ranges = ((0x20, 0x7E), (0xA0, 0x7FF), (0x800, 0xD7FF), (0xE000, 0xFFFD), (0x10000, 0x10FFFF))
for _ in range(300):
    text = ''.join(chr(random.randint(*random.choice(ranges))) for _ in range(random.randint(1, 40)))
    print(text.encode('utf-8').hex(), ' '.join('%x' % ord(ch) for ch in text))
)"));
  ASSERT_EQ(lines.size(), 300u);
  for (const std::string& line : lines) {
    const auto f = utf8test::Fields(line);
    const ExactBuffer text(utf8test::Unhex(f[0]));
    std::vector<const char*> boundaries;
    for (const char* p = text.begin(); p < text.end();) {
      boundaries.push_back(p);
      const char *stepped = p, *next = p;
      AdvanceUTF8(stepped, text.end(), 1);
      const uint32_t character = NextUTF8Character(next, text.end());
      ASSERT_LT(boundaries.size(), f.size()) << line;
      ASSERT_EQ(UTF8DecodeAndAdvance(p, text.end()), std::stoul(f[boundaries.size()], nullptr, 16)) << line;
      ASSERT_TRUE(p == stepped && next == stepped && character == std::stoul(f[boundaries.size()], nullptr, 16));
    }
    EXPECT_EQ(boundaries.size() + 1, f.size()) << line;
    for (const char* p = text.end(); !boundaries.empty(); boundaries.pop_back()) {
      BackupUTF8(p, text.begin(), 1);
      ASSERT_EQ(p, boundaries.back()) << line;
    }
  }
}

TEST(UTF8Decode, SequencesCutShortAtTheEndOfTheBufferNeverReadPastIt) {
  for (int32_t code : {0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x1FFFFF}) {
    for (size_t kept = 1; kept < Encoded(code).size(); ++kept) {
      const ExactBuffer text(Encoded(code).substr(0, kept));
      const char* p = text.begin();
      EXPECT_EQ(UTF8Decode(p, text.end()), kUnicodeReplacementCharacter);
      EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), kUnicodeReplacementCharacter);
      EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), 0u) << "nothing left: 0, no move";
      EXPECT_EQ(p, text.end()) << std::hex << code << " cut to " << kept;
      p = text.begin();
      AdvanceUTF8(p, text.end(), 3);
      EXPECT_EQ(p, text.end());
    }
  }
}

// Whole-text work reads every byte that does not start a complete sequence as one stray byte;
// a structurally complete sequence decodes by the lax rule.
TEST(UTF8NextCharacter, StrayBytesStandAloneOneByOne) {
  const uint32_t s = kUTF8StrayByteBase;
  const std::pair<std::string, std::vector<uint32_t>> cases[] = {
      {"\xC3" "A", {s + 0xC3, 'A'}}, {"\xE2\x82", {s + 0xE2, s + 0x82}},
      {"\xF0\x90\x80" "b", {s + 0xF0, s + 0x90, s + 0x80, 'b'}}, {"\xC3\xA9\xA9", {0xE9, s + 0xA9}},
      {"\xF8\x80\x80\x80", {0}}, {"\xE0\x81\xA1", {0x61}}, {"\xFF\xBF\xBF\xBF", {0x1FFFFF}}};
  for (const auto& [bytes, expected] : cases) {
    const ExactBuffer text(bytes);
    std::vector<uint32_t> characters;
    for (const char* p = text.begin(); p < text.end() && characters.size() < 9;)
      characters.push_back(NextUTF8Character(p, text.end()));
    EXPECT_EQ(characters, expected) << Hex(bytes);
  }
}

// A step forward takes a lead and every continuation byte after it; a step back stops at the
// start; neither goes past the ends however far it is asked to go.
TEST(UTF8Walk, StepsJoinStrayContinuationBytesAndStopAtTheEnds) {
  const ExactBuffer text("\x80\x80x\x80\x80\x80\x80\x80" "B\x80");
  const std::pair<int32_t, long> steps[] = {{-4, 0}, {1, 2}, {1, 8}, {5, 10}, {-1, 8}, {-1, 2}, {-1, 0}};
  const char* p = text.begin();
  for (auto [count, at] : steps) {
    if (count > 0) AdvanceUTF8(p, text.end(), count);
    else BackupUTF8(p, text.begin(), -count);
    EXPECT_EQ(p - text.begin(), at) << count;
  }
}

}  // namespace
