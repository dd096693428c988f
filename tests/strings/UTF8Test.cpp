// UTF-8 encoding, decoding and walking, against Python's UTF-8 codec where one applies.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "UTF8TestSupport.h"
#include "strings/UTF8.h"

namespace {

using utf8test::ExactBuffer;
using utf8test::Hex;
using utf8test::Lines;
using utf8test::RunPython;
using utf8test::Unhex;

std::string Encoded(int32_t code) {
  char buffer[kUTF8EncodeBufferSize];
  const int32_t count = UTF8Encode(code, buffer);
  return std::string(buffer, count);
}

// An independent model of the four-byte-capable encoding: the payload split into six-bit
// groups behind a lead that carries as many high bits as the sequence length allows.
std::string ModelEncode(uint32_t code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  const int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  std::string bytes(length, '\0');
  for (int i = length - 1; i > 0; --i) {
    bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
    code >>= 6;
  }
  const unsigned leadMarker = (0xFF00u >> length) & 0xFF;
  bytes[0] = static_cast<char>(leadMarker | code);
  return bytes;
}

TEST(UTF8Encode, LengthsAtEveryBoundary) {
  const struct {
    int32_t code;
    int32_t length;
  } cases[] = {{0, 1},          {0x7F, 1},     {0x80, 2},     {0x7FF, 2},
               {0x800, 3},      {0xFFFF, 3},   {0x10000, 4},  {0x10FFFF, 4},
               {0x110000, 4},   {0x1FFFFF, 4}, {0x200000, 0}, {-1, 0},
               {INT32_MIN, 0},  {INT32_MAX, 0}};
  for (const auto& c : cases) {
    char buffer[kUTF8EncodeBufferSize];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(UTF8Encode(c.code, buffer), c.length) << std::hex << c.code;
    EXPECT_EQ(buffer[c.length], '\0') << "NUL after the bytes of " << std::hex << c.code;
  }
}

TEST(UTF8Encode, MatchesPythonCodecAcrossTheUnicodeRange) {
  const std::string output = RunPython(R"(
import random
random.seed(7)
codes = [0, 1, 0x7F, 0x80, 0x81, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF,
         0x10000, 0x10FFFF]
for lo, hi in ((0, 0x7F), (0x80, 0x7FF), (0x800, 0xFFFF), (0x10000, 0x10FFFF)):
    codes += [random.randint(lo, hi) for _ in range(500)]
for c in codes:
    print('%x %s' % (c, chr(c).encode('utf-8', 'surrogatepass').hex()))
)");
  const std::vector<std::string> lines = Lines(output);
  ASSERT_GT(lines.size(), 2000u);
  for (const std::string& line : lines) {
    std::istringstream fields(line);
    std::string codeHex, bytesHex;
    fields >> codeHex >> bytesHex;
    const int32_t code = std::stoi(codeHex, nullptr, 16);
    EXPECT_EQ(Hex(Encoded(code)), bytesHex) << line;
  }
}

TEST(UTF8Encode, BeyondUnicodeFollowsTheSixBitPattern) {
  std::minstd_rand random(11);
  std::uniform_int_distribution<int32_t> beyond(0x110000, 0x1FFFFF);
  for (int i = 0; i < 2000; ++i) {
    const int32_t code = beyond(random);
    EXPECT_EQ(Hex(Encoded(code)), Hex(ModelEncode(code))) << std::hex << code;
  }
}

TEST(UTF8Decode, RoundTripsEveryEncodableCode) {
  for (int32_t code = 0; code <= 0x1FFFFF; ++code) {
    char buffer[kUTF8EncodeBufferSize];
    const int32_t count = UTF8Encode(code, buffer);
    const char* p = buffer;
    const char* end = buffer + count;
    ASSERT_EQ(UTF8Decode(p, end), static_cast<uint32_t>(code));
    ASSERT_EQ(UTF8DecodeAndAdvance(p, end), static_cast<uint32_t>(code));
    ASSERT_EQ(p, end);
    p = buffer;
    AdvanceUTF8(p, end, 1);
    ASSERT_EQ(p, end) << std::hex << code;
    BackupUTF8(p, buffer, 1);
    ASSERT_EQ(p, buffer) << std::hex << code;
  }
}

// Python decodes random mixed-width texts; walking them here must find the same characters
// at the same byte boundaries, forwards and backwards.
TEST(UTF8Decode, WalksPythonTextsCharacterByCharacter) {
  const std::string output = RunPython(R"(
import random
random.seed(3)
ranges = ((0x20, 0x7E), (0xA0, 0x7FF), (0x800, 0xD7FF), (0xE000, 0xFFFD), (0x10000, 0x10FFFF))
for _ in range(300):
    text = ''.join(chr(random.randint(*random.choice(ranges)))
                   for _ in range(random.randint(0, 40)))
    print(text.encode('utf-8').hex(), ' '.join('%x' % ord(ch) for ch in text))
)");
  const std::vector<std::string> lines = Lines(output);
  ASSERT_EQ(lines.size(), 300u);
  for (const std::string& line : lines) {
    std::istringstream fields(line);
    std::string bytesHex;
    fields >> bytesHex;
    std::vector<uint32_t> expected;
    for (std::string code; fields >> code;) expected.push_back(std::stoul(code, nullptr, 16));

    const ExactBuffer text(Unhex(bytesHex));
    std::vector<const char*> boundaries;
    std::vector<uint32_t> decoded;
    for (const char* p = text.begin(); p < text.end();) {
      boundaries.push_back(p);
      const char* stepped = p;
      AdvanceUTF8(stepped, text.end(), 1);
      const char* next = p;
      const uint32_t character = NextUTF8Character(next, text.end());
      decoded.push_back(UTF8DecodeAndAdvance(p, text.end()));
      ASSERT_EQ(p, stepped) << line;
      ASSERT_EQ(next, stepped) << line;
      ASSERT_EQ(character, decoded.back()) << line;
    }
    EXPECT_EQ(decoded, expected) << line;

    const char* p = text.end();
    for (size_t i = boundaries.size(); i-- > 0;) {
      BackupUTF8(p, text.begin(), 1);
      ASSERT_EQ(p, boundaries[i]) << line;
    }
    const char* whole = text.begin();
    AdvanceUTF8(whole, text.end(), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(whole, text.end());
  }
}

TEST(UTF8Decode, InvalidLeadsReadAsFourByteSequences) {
  const struct {
    std::string bytes;
    uint32_t code;
  } cases[] = {
      {"\x80\x80\x80\x80", 0},                       // stray continuation byte as a lead
      {"\xBF\x41\x42\x43", (7u << 18) | (1u << 12) | (2u << 6) | 3u},
      {"\xF8\x80\x80\x80", 0},                       // 0xF8 keeps only its low three bits
      {"\xFF\xBF\xBF\xBF", 0x1FFFFF},
      {"\xC0\x80", 0},                               // overlong forms decode to their value
      {"\xE0\x81\xA1", 0x61},
  };
  for (const auto& c : cases) {
    const ExactBuffer text(c.bytes);
    const char* p = text.begin();
    EXPECT_EQ(UTF8Decode(p, text.end()), c.code) << Hex(c.bytes);
    EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), c.code);
    EXPECT_EQ(p, text.end());
  }
}

TEST(UTF8Decode, SequencesCutShortAtTheEndOfTheBufferNeverReadPastIt) {
  for (int32_t code : {0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF, 0x1FFFFF}) {
    const std::string whole = Encoded(code);
    for (size_t kept = 1; kept < whole.size(); ++kept) {
      const ExactBuffer text(whole.substr(0, kept));
      const char* p = text.begin();
      EXPECT_EQ(UTF8Decode(p, text.end()), kUnicodeReplacementCharacter);
      EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), kUnicodeReplacementCharacter);
      EXPECT_EQ(p, text.end()) << std::hex << code << " cut to " << kept;
      p = text.begin();
      AdvanceUTF8(p, text.end(), 3);
      EXPECT_EQ(p, text.end());
    }
  }
  for (int lead = 0xC0; lead <= 0xFF; ++lead) {
    const ExactBuffer text(std::string("ab") + static_cast<char>(lead));
    const char* p = text.begin();
    AdvanceUTF8(p, text.end(), 2);
    EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), kUnicodeReplacementCharacter) << lead;
    EXPECT_EQ(p, text.end());
    EXPECT_EQ(UTF8DecodeAndAdvance(p, text.end()), 0u) << "nothing left: 0, no move";
    EXPECT_EQ(p, text.end());
  }
}

// Whole-text work reads every byte that does not start a complete sequence as one stray byte.
TEST(UTF8NextCharacter, StrayBytesStandAloneOneByOne) {
  const struct {
    std::string bytes;
    std::vector<uint32_t> characters;
  } cases[] = {
      {"\x80", {kUTF8StrayByteBase + 0x80}},
      {"\xC3", {kUTF8StrayByteBase + 0xC3}},
      {"\xC3" "A", {kUTF8StrayByteBase + 0xC3, 'A'}},
      {"\xE2\x82", {kUTF8StrayByteBase + 0xE2, kUTF8StrayByteBase + 0x82}},
      {"\xF0\x90\x80" "b", {kUTF8StrayByteBase + 0xF0, kUTF8StrayByteBase + 0x90,
                            kUTF8StrayByteBase + 0x80, 'b'}},
      {"\xC3\xA9\xA9", {0xE9, kUTF8StrayByteBase + 0xA9}},
      {"\xE9t\xE9", {kUTF8StrayByteBase + 0xE9, 't', kUTF8StrayByteBase + 0xE9}},
      {"\xF8\x80\x80\x80", {0}},  // structurally complete: decoded by the lax rule
      {"\xC0\x80", {0}},
  };
  for (const auto& c : cases) {
    const ExactBuffer text(c.bytes);
    std::vector<uint32_t> characters;
    for (const char* p = text.begin(); p < text.end();) {
      const char* before = p;
      characters.push_back(NextUTF8Character(p, text.end()));
      ASSERT_GT(p, before);
      ASSERT_LE(p, text.end());
    }
    EXPECT_EQ(characters, c.characters) << Hex(c.bytes);
  }
  const ExactBuffer empty("");
  const char* p = empty.begin();
  EXPECT_EQ(NextUTF8Character(p, empty.end()), 0u);
  EXPECT_EQ(p, empty.begin());
}

TEST(UTF8Walk, StepsStopAtTheEndsOfTheText) {
  const ExactBuffer text("a\xC3\xA9\xE2\x82\xAC");  // a, e acute, euro sign
  const char* p = text.begin();
  AdvanceUTF8(p, text.end(), 0);
  AdvanceUTF8(p, text.end(), -4);
  EXPECT_EQ(p, text.begin());
  AdvanceUTF8(p, text.end(), 2);
  EXPECT_EQ(p, text.begin() + 3);
  AdvanceUTF8(p, text.end(), 100);
  EXPECT_EQ(p, text.end());
  BackupUTF8(p, text.begin(), 0);
  EXPECT_EQ(p, text.end());
  BackupUTF8(p, text.begin(), 100);
  EXPECT_EQ(p, text.begin());
  BackupUTF8(p, text.begin(), 1);
  EXPECT_EQ(p, text.begin());
}

// Walking and decoding read stray continuation bytes differently: a step forward takes the
// lead and every continuation byte after it; a step back stops at the start.
TEST(UTF8Walk, StrayContinuationBytesJoinTheCharacterBeforeThem) {
  const ExactBuffer text("\x80\x80x\x80\x80\x80\x80\x80" "B\x80");
  const char* p = text.begin();
  AdvanceUTF8(p, text.end(), 1);
  EXPECT_EQ(p, text.begin() + 2);
  AdvanceUTF8(p, text.end(), 1);
  EXPECT_EQ(p, text.begin() + 8);
  AdvanceUTF8(p, text.end(), 1);
  EXPECT_EQ(p, text.end());
  BackupUTF8(p, text.begin(), 1);
  EXPECT_EQ(p, text.begin() + 8);
  BackupUTF8(p, text.begin(), 1);
  EXPECT_EQ(p, text.begin() + 2);
  BackupUTF8(p, text.begin(), 1);  // only continuation bytes before: stop at the start
  EXPECT_EQ(p, text.begin());
}

}  // namespace
