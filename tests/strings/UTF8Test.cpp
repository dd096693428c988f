// UTF-8 encoding, decoding and walking at the edges: cut sequences, stray bytes, the buffer's
// ends. Whole texts are checked against Python's codec by the case-mapping tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "UTF8TestSupport.h"
#include "strings/StringSearch.h"
#include "strings/UTF8.h"

namespace {

using utf8test::ExactBuffer;

std::string Encoded(int32_t code) {
  char buffer[kUTF8EncodeBufferSize];
  return std::string(buffer, UTF8Encode(code, buffer));
}

// Encoded lengths at the width boundaries, each text ending in a NUL and decoding back to its
// code; codes past 21 bits have none.
TEST(UTF8Encode, LengthsEndInANulAndDecodeBack) {
  for (auto [code, length] : {std::pair{0x7F, 1}, {0x80, 2}, {0x7FF, 2}, {0x800, 3}, {0xFFFF, 3},
                              {0x10000, 4}, {0x1FFFFF, 4}, {0x200000, 0}, {-1, 0}, {INT32_MIN, 0}}) {
    char buffer[kUTF8EncodeBufferSize] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(UTF8Encode(code, buffer), length) << std::hex << code;
    EXPECT_EQ(buffer[length], '\0') << std::hex << code;
    const char* p = buffer;
    EXPECT_TRUE(!length || UTF8DecodeAndAdvance(p, buffer + length) == uint32_t(code));
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
    EXPECT_EQ(characters, expected) << testing::PrintToString(bytes);
  }
}

// A step forward takes a lead and every continuation byte after it; a step back stops at the
// start; neither goes past the ends however far it is asked to go.
TEST(UTF8Walk, StepsJoinStrayContinuationBytesAndStopAtTheEnds) {
  const ExactBuffer text("\x80\x80x\x80\x80\x80\x80\x80" "B\x80");
  const char* p = text.begin();
  for (auto [count, at] : {std::pair{-4, 0}, {1, 2}, {1, 8}, {5, 10}, {-1, 8}, {-1, 2}, {-1, 0}}) {
    if (count > 0) AdvanceUTF8(p, text.end(), count);
    else BackupUTF8(p, text.begin(), -count);
    EXPECT_EQ(p - text.begin(), at) << count;
  }
}

// Every counter the processor runs against a plain count, on texts of only continuation bytes
// (each byte lane of a vector counter gains 2 a round), of alternate ones and of random bytes,
// at lengths around the block sizes and far past the 127 rounds a lane may sum.
TEST(UTF8Count, EveryContinuationCounterAgreesWithAPlainCount) {
  using Counter = int32_t (*)(const unsigned char*, int32_t);
  std::vector<std::pair<const char*, Counter>> counters = {
      {"chosen", &UTF8ContinuationBytes}, {"portable", &CountContinuationsPortable}};
  if (__builtin_cpu_supports("sse2")) counters.push_back({"SSE2", &CountContinuationsSSE2});
  if (__builtin_cpu_supports("avx2")) counters.push_back({"AVX2", &CountContinuationsAVX2});
  std::mt19937 rng(7);
  std::vector<std::vector<unsigned char>> texts(3, std::vector<unsigned char>(70001));
  for (size_t k = 0; k < texts[0].size(); ++k) {
    texts[0][k] = uint8_t(0x80 + rng() % 64);
    texts[1][k] = k % 2 ? 0xA9 : 0xC3;
    texts[2][k] = uint8_t(rng());
  }
  for (const auto& text : texts) {
    for (int32_t n : {0, 3, 63, 64, 127, 128, 129, 8127, 8128, 8192, 16255, 16256, 16384, 32768,
                      32895, 70001}) {
      const auto plain = int32_t(std::count_if(text.begin(), text.begin() + n,
                                               [](unsigned char b) { return (b & 0xC0) == 0x80; }));
      for (auto [name, counter] : counters) EXPECT_EQ(counter(text.data(), n), plain) << name << " " << n;
    }
  }
}

}  // namespace
