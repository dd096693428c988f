// Character slices of long UTF-8 texts, which start walking where the last slice of the same
// record ended: loops forward, backward and at random against a model; records whose bytes
// change or whose block is handed out again; threads that share the remembered positions.
#include "strings/UTF8Positions.h"

#include <gtest/gtest.h>

#include <thread>

#include "StringFunctionsTestSupport.h"
#include "strings/StringCharacters.h"

using namespace strtest;

namespace {

std::string Character(const CodePoints& text, size_t i) { return EncodeUTF8({text[i]}); }

// Byte offset where each character starts, and the length at the end.
std::vector<int32_t> Offsets(const CodePoints& text) {
  std::vector<int32_t> offsets{0};
  for (uint32_t c : text) offsets.push_back(offsets.back() + int32_t(EncodeUTF8({c}).size()));
  return offsets;
}

// A forward loop of Mid(s, i, 1) over s takes these UTF-8 characters, each the caller's.
void ExpectLoopTakes(const string& s, const std::vector<std::string>& characters, int pass) {
  for (int32_t i = 1; i <= int32_t(characters.size()); ++i) {
    TextEncoding encoding = 0;
    ASSERT_EQ(Take(StringDBCSMid3(s.Storage(), i, 1), &encoding), characters[size_t(i - 1)])
        << pass << " " << i;
    ASSERT_EQ(encoding, kEncodingUTF8);
  }
}

TEST(UTF8Positions, CharacterLoopsMatchTheModelInEveryOrder) {
  std::mt19937 rng(11);
  const CodePoints a = RandomText(rng, 3000, Form::kUTF8), b = RandomText(rng, 700, Form::kUTF8);
  string sa = Make(a, Form::kUTF8), sb = Make(b, Form::kUTF8);
  for (int32_t i = 1; i <= int32_t(a.size()); ++i) {
    ASSERT_EQ(Take(StringDBCSMid3(sa.Storage(), i, 1)), Character(a, size_t(i - 1))) << i;
  }
  for (int32_t i = int32_t(a.size()); i >= 1; --i) {  // two texts in turn, one of them backward
    ASSERT_EQ(Take(StringDBCSMid3(sa.Storage(), i, 1)), Character(a, size_t(i - 1))) << i;
    const size_t j = size_t(i) % b.size();
    ASSERT_EQ(Take(StringDBCSMid2(sb.Storage(), int32_t(j) + 1)),
              EncodeUTF8(CodePoints(b.begin() + long(j), b.end())));
  }
  for (int round = 0; round < 2000; ++round) {
    const int32_t first = int32_t(rng() % (a.size() + 3)) - 1, count = int32_t(rng() % 9);
    const int64_t from = std::max(first, 1) - 1, n = count - (first < 1 ? 1 - first : 0);
    const std::string expected =
        n < 1 || from >= int64_t(a.size())
            ? ""
            : EncodeUTF8(CodePoints(a.begin() + from, a.begin() + std::min<int64_t>(
                                                                        from + n, a.size())));
    ASSERT_EQ(Take(StringDBCSMid3(sa.Storage(), first, count)), expected) << first << " " << count;
  }
}

// A character loop over characters the shared records do not hold yet: more distinct
// characters than their table has slots, and runs of continuation bytes that the walking rule
// makes characters longer than any shared record. Each comes from the general walk, right
// whatever the position was moved to, and every result is the caller's to unlock.
TEST(UTF8Positions, CharactersNotSharedYetAreRightInALoop) {
  std::string bytes;
  std::vector<std::string> characters;
  for (uint32_t k = 0; k < 700; ++k) {
    characters.push_back(k % 50 == 7 ? std::string("\xC3\xA9\xA9\xA9\xA9\xA9", 6)
                                     : EncodeUTF8({0x4E00 + k * 7}));
    bytes += characters.back();
  }
  string s = Make(bytes, kEncodingUTF8);
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_NO_FATAL_FAILURE(ExpectLoopTakes(s, characters, pass));
    // Past either end, and a start that only wraps to a character number.
    for (int32_t start : {INT32_MIN, INT32_MIN + 1, 0, int32_t(characters.size()) + 1})
      EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), start, 1)), "") << start;
  }
  EXPECT_EQ(s.Storage()->refCount, 1u);
}

// A loop over bytes that are not all well-formed: ASCII followed by stray continuation bytes,
// lone lead bytes, continuation bytes at the start. A character is a byte and the continuation
// bytes after it, whichever way of the loop takes it.
TEST(UTF8Positions, ASCIIFollowedByStrayContinuationBytesStaysOneCharacter) {
  std::mt19937 rng(5);
  const char kPieces[] = {'a', 'b', ' ', '\x80', '\xBF', '\xC3', '\xA9', '\xE4', '\x7F'};
  std::string bytes = "\x80\x81";
  while (bytes.size() < 4000) bytes += kPieces[rng() % sizeof kPieces];
  std::vector<std::string> characters;
  for (unsigned char c : bytes) {
    if (characters.empty() || (c & 0xC0) != 0x80) characters.emplace_back();
    characters.back() += char(c);
  }
  string s = Make(bytes, kEncodingUTF8);
  for (int32_t i = 1; i <= int32_t(characters.size()); ++i)
    ASSERT_EQ(Take(StringDBCSMid3(s.Storage(), i, 1)), characters[size_t(i - 1)]) << i;
  for (int32_t i = int32_t(characters.size()); i >= 1; --i)
    ASSERT_EQ(Take(StringDBCSMid3(s.Storage(), i, 1)), characters[size_t(i - 1)]) << i;
  EXPECT_EQ(s.Storage()->refCount, 1u);
}

// Lone lead bytes between ASCII letters are characters of one byte; the first loop meets each
// before its shared record exists, the second finds them kept. The step that takes one moves
// the position before it knows, so the general walk must step back to the right character.
TEST(UTF8Positions, OneByteCharactersNotSharedYetAreRightInALoop) {
  std::string bytes;
  std::vector<std::string> characters;
  for (int c = 0xC0; c <= 0xFF; ++c) {
    characters.push_back(std::string(1, char(c)));
    characters.push_back(std::string(1, char('a' + c % 26)));
    bytes += characters[characters.size() - 2] + characters.back();
  }
  string s = Make(bytes, kEncodingUTF8);
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_NO_FATAL_FAILURE(ExpectLoopTakes(s, characters, pass));
  }
  EXPECT_EQ(s.Storage()->refCount, 1u);
}

// Characters of every width a shared record holds, each also cut short by a byte (so that a
// step that misjudged where one ends would find a record kept for the shorter text), and a run
// of continuation bytes one byte too long for a shared record, in every order and up to the
// last bytes of the text: the second loop finds the records kept where the position stands.
TEST(UTF8Positions, KeptCharactersOfEveryWidthAreRightInALoop) {
  const std::string kPieces[] = {
      "a",        "\xC3\xA9",         "\xC3",         "\xE4\xB8\xAD",
      "\xE4\xB8", "\xF0\x9F\x98\x80", "\xF0\x9F\x98", "\xF0\x9F\x98\x80\x80",
      " "};
  std::mt19937 rng(7);
  std::string bytes;
  std::vector<std::string> characters;
  while (bytes.size() < 3000) {
    characters.push_back(kPieces[rng() % std::size(kPieces)]);
    bytes += characters.back();
  }
  string s = Make(bytes, kEncodingUTF8);
  for (int pass = 0; pass < 2; ++pass)
    ASSERT_NO_FATAL_FAILURE(ExpectLoopTakes(s, characters, pass));
  EXPECT_EQ(s.Storage()->refCount, 1u);
}

// A private record written after a walk over it: the positions found before the write would
// now cut characters or miss by one (two digits become one accented letter, and back).
TEST(UTF8Positions, WritesToAPrivateRecordAreSeen) {
  std::string digits;
  while (digits.size() < 100) digits += "0123456789";
  string s = Make(digits, kEncodingUTF8);
  EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), 60, 1)), "9");
  *s.MutableChar(10) = '\xC3';
  *s.MutableChar(11) = '\xA9';
  EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), 60, 1)), "0");
  EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), 11, 2)), "\xC3\xA9" "2");
  EXPECT_EQ(Take(StringDBCSMid2(s.Storage(), 98)), "89");
  char* bytes = static_cast<char*>(s);
  bytes[10] = bytes[11] = 'b';
  EXPECT_EQ(Take(StringDBCSMid2(s.Storage(), 98)), "789");
  EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), 11, 2)), "bb");
  EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), 60, 1)), "9");
}

// A record freed after a walk and its block handed to a text of the same length whose
// characters are narrower: the new text is read from its own start.
TEST(UTF8Positions, AFreedRecordsBlockHandedOutAgainStartsAfresh) {
  std::string wide;
  for (int k = 0; k < 100; ++k) wide += "\xC3\xA9";
  string first = Make(wide, kEncodingUTF8);
  const stringStorage* block = first.Storage();
  EXPECT_EQ(Take(StringDBCSMid3(first.Storage(), 80, 1)), "\xC3\xA9");
  first.Release();
  std::string narrow(200, 'x');
  narrow[80] = 'z';  // where character 81 starts; the freed text's walk ended at byte 160
  narrow[170] = 'y';
  string second = Make(narrow, kEncodingUTF8);
  // The small-block allocator hands the block out again at once; a sanitizer build's heap
  // keeps it back, and then the case does not arise.
  if (second.Storage() == block) RecordProperty("reused", "yes");
  EXPECT_EQ(Take(StringDBCSMid3(second.Storage(), 81, 1)), "z");
  EXPECT_EQ(Take(StringDBCSMid3(second.Storage(), 171, 1)), "y");
}

// Threads walking the same records and records of their own at random keep the table whole:
// every answer is the offset the model gives.
TEST(UTF8Positions, ThreadsSharingRecordsGetTheirOwnAnswers) {
  std::mt19937 rng(5);
  std::vector<CodePoints> texts;
  std::vector<string> records;
  for (int k = 0; k < 6; ++k) {
    texts.push_back(RandomText(rng, 2000 + 300 * k, Form::kUTF8));
    records.push_back(Make(texts.back(), Form::kUTF8));
  }
  std::vector<std::vector<int32_t>> offsets;
  for (const CodePoints& text : texts) offsets.push_back(Offsets(text));
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 own{uint32_t(t)};
      for (int call = 0; call < 20000; ++call) {
        const size_t k = call % 2 ? size_t(t) + 2 : size_t(own() % 2);  // two shared by all
        const int32_t size = int32_t(texts[k].size());
        const int32_t n = call % 5 ? (call / 2) % (size + 1) : int32_t(own() % (size + 1));
        const int32_t count = int32_t(own() % 3);
        const UTF8Span span = UTF8SpanInRecord(records[k].Storage(), n, count);
        const size_t last = std::min(size_t(n + count), size_t(size));
        wrong[size_t(t)] += span.offset != offsets[k][size_t(n)] ||
                            span.length != offsets[k][last] - offsets[k][size_t(n)];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
