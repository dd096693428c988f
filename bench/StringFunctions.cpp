// The string functions beside the best plain alternatives: InStr of a 20-byte pattern in 1 MB
// of ASCII and of UTF-8 text against memmem and std::string::find, ReplaceAll of a word over
// 1 MB against a hand-written std::string loop and of one byte against a memchr loop, Split of
// a 1 MB comma-separated line against cutting a std::string_view, a Mid(s, i, 1) loop over
// 1 MB of UTF-8 against decoding it once, and loops of InStr(pos + 1, s, p) that find every
// match in each encoding, over mixed and CJK or Latin prose texts, with literals of each kind,
// against the same loop over the same characters in 16-bit Unicode.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "BenchRatio.h"
#include "arrays/RuntimeArray.h"
#include "strings/StringCharacters.h"
#include "strings/StringFoundation.h"
#include "strings/StringReplace.h"
#include "strings/StringSearch.h"
#include "strings/StringSplitJoin.h"
#include "strings/TextEncoding.h"

namespace {

constexpr size_t kTextBytes = 1 << 20;

// Words of a small vocabulary (with accented and CJK words for UTF-8), then the pattern at the end.
std::string MakeText(bool utf8, const std::string& pattern) {
  static const char* kAscii[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog",
                                 "string", "search", "of", "text"};
  static const char* kWide[] = {"caf\xC3\xA9", "\xE4\xB8\xAD\xE6\x96\x87", "na\xC3\xAFve",
                                "\xC3\xBC" "ber", "stra\xC3\x9F" "e"};
  std::mt19937 rng(1);
  std::string text;
  while (text.size() < kTextBytes - pattern.size()) {
    text += utf8 && rng() % 3 == 0 ? kWide[rng() % 5] : kAscii[rng() % 12];
    text += ' ';
  }
  text.resize(kTextBytes - pattern.size());
  return text + pattern;
}

const std::string kPattern = "needle in a haystack";  // 20 bytes
const std::string kWidePattern = "n\xC3\xA9" "edle in a haysta";   // 20 bytes, a cased é

struct Texts {
  std::string ascii = MakeText(false, kPattern), utf8 = MakeText(true, kPattern);
  std::string utf8Wide = MakeText(true, kWidePattern);
};
const Texts& GetTexts() {
  static const Texts texts;
  return texts;
}

string Framework(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

void InStrFramework(benchmark::State& state, const std::string& text, const std::string& pattern,
                    bool bytes) {
  string s = Framework(text, kEncodingUTF8), p = Framework(pattern, kEncodingUTF8);
  for (auto _ : state) {
    int32_t at = bytes ? StringInStrB(1, s.Storage(), p.Storage())
                       : StringInStr(1, s.Storage(), p.Storage());
    benchmark::DoNotOptimize(at);
  }
}

void InStrMemmem(benchmark::State& state, const std::string& text, const std::string& pattern) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(text.data(), text.size(), pattern.data(), pattern.size()));
    benchmark::ClobberMemory();
  }
}

void InStrStdFind(benchmark::State& state, const std::string& text, const std::string& pattern) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.find(pattern));
    benchmark::ClobberMemory();
  }
}

void BM_InStrASCII(benchmark::State& s) { InStrFramework(s, GetTexts().ascii, kPattern, false); }
void BM_InStrBASCII(benchmark::State& s) { InStrFramework(s, GetTexts().ascii, kPattern, true); }
void BM_MemmemASCII(benchmark::State& s) { InStrMemmem(s, GetTexts().ascii, kPattern); }
void BM_FindASCII(benchmark::State& s) { InStrStdFind(s, GetTexts().ascii, kPattern); }
void BM_InStrUTF8(benchmark::State& s) { InStrFramework(s, GetTexts().utf8, kPattern, false); }
void BM_InStrBUTF8(benchmark::State& s) { InStrFramework(s, GetTexts().utf8, kPattern, true); }
void BM_MemmemUTF8(benchmark::State& s) { InStrMemmem(s, GetTexts().utf8, kPattern); }
void BM_InStrUTF8CasedAccent(benchmark::State& s) {
  InStrFramework(s, GetTexts().utf8Wide, kWidePattern, false);
}
void BM_MemmemUTF8CasedAccent(benchmark::State& s) {
  InStrMemmem(s, GetTexts().utf8Wide, kWidePattern);
}
BENCHMARK(BM_InStrASCII);
BENCHMARK(BM_InStrBASCII);
BENCHMARK(BM_MemmemASCII);
BENCHMARK(BM_FindASCII);
BENCHMARK(BM_InStrUTF8);
BENCHMARK(BM_InStrBUTF8);
BENCHMARK(BM_MemmemUTF8);
BENCHMARK(BM_InStrUTF8CasedAccent);
BENCHMARK(BM_MemmemUTF8CasedAccent);

std::string StdReplaceAll(const std::string& text, const std::string& find,
                          const std::string& with) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at; (at = text.find(find, from)) != std::string::npos; from = at + find.size()) {
    out.append(text, from, at - from);
    out += with;
  }
  out.append(text, from, std::string::npos);
  return out;
}

void BM_ReplaceAllB(benchmark::State& state) {
  string s = Framework(GetTexts().ascii, kEncodingASCII), f("fox"), w("cat");
  for (auto _ : state) {
    string r = ReplaceText(s, f, w, true, true);
    benchmark::DoNotOptimize(r.Storage());
  }
}
void BM_ReplaceAll(benchmark::State& state) {
  string s = Framework(GetTexts().ascii, kEncodingASCII), f("FOX"), w("cat");
  for (auto _ : state) {
    string r = ReplaceText(s, f, w, true, false);
    benchmark::DoNotOptimize(r.Storage());
  }
}
void BM_ReplaceAllStd(benchmark::State& state) {
  for (auto _ : state) {
    std::string r = StdReplaceAll(GetTexts().ascii, "fox", "cat");
    benchmark::DoNotOptimize(r.data());
  }
}
BENCHMARK(BM_ReplaceAllB);
BENCHMARK(BM_ReplaceAll);
BENCHMARK(BM_ReplaceAllStd);

// One byte by two over 1 MB of that byte: a million matches, where the cost is per match.
const std::string& AllA() {
  static const std::string text(kTextBytes, 'a');
  return text;
}

void ReplaceOneByte(benchmark::State& state, bool exactBytes) {
  string s = Framework(AllA(), kEncodingASCII), f("a"), w("bb");
  for (auto _ : state) {
    stringStorage* r = exactBytes ? StringReplaceAllB(s.Storage(), f.Storage(), w.Storage())
                                  : StringReplaceAll(s.Storage(), f.Storage(), w.Storage());
    benchmark::DoNotOptimize(r);
    RuntimeUnlockString(r);
  }
}
void BM_ReplaceAllOneByte(benchmark::State& state) { ReplaceOneByte(state, false); }
void BM_ReplaceAllBOneByte(benchmark::State& state) { ReplaceOneByte(state, true); }

// The matches counted with memchr, then the result built in one buffer of its exact size.
void BM_ReplaceOneByteMemchr(benchmark::State& state) {
  const std::string& text = AllA();
  const char find = 'a', with[] = "bb";
  const size_t withLength = sizeof with - 1;
  for (auto _ : state) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto next = [end, find](const char* p) {
      return static_cast<const char*>(std::memchr(p, find, size_t(end - p)));
    };
    size_t matches = 0;
    for (const char* p = begin; (p = next(p)); ++p) ++matches;
    char* out = static_cast<char*>(std::malloc(text.size() + matches * (withLength - 1) + 1));
    char* o = out;
    const char* copied = begin;
    for (const char* p = begin; (p = next(p)); copied = ++p) {
      std::memcpy(o, copied, size_t(p - copied));
      o += p - copied;
      std::memcpy(o, with, withLength);
      o += withLength;
    }
    std::memcpy(o, copied, size_t(end - copied));
    o[end - copied] = 0;
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
}
BENCHMARK(BM_ReplaceAllOneByte);
BENCHMARK(BM_ReplaceAllBOneByte);
BENCHMARK(BM_ReplaceOneByteMemchr);

const std::string& CommaLine() {
  static const std::string line = [] {
    std::string text = GetTexts().ascii;
    for (char& c : text) c = c == ' ' ? ',' : c;
    return text;
  }();
  return line;
}

void BM_Split(benchmark::State& state) {
  string s = Framework(CommaLine(), kEncodingASCII), comma(",");
  for (auto _ : state) {
    RuntimeArray* array = StringSplit(s.Storage(), comma.Storage());
    benchmark::DoNotOptimize(array);
    RuntimeUnlockArray(array);
  }
}
void BM_SplitStringView(benchmark::State& state) {
  std::string_view text = CommaLine();
  for (auto _ : state) {
    std::vector<std::string_view> pieces;
    size_t from = 0;
    for (size_t at; (at = text.find(',', from)) != std::string_view::npos; from = at + 1)
      pieces.push_back(text.substr(from, at - from));
    pieces.push_back(text.substr(from));
    benchmark::DoNotOptimize(pieces.data());
  }
}
void BM_SplitStdStrings(benchmark::State& state) {
  std::string_view text = CommaLine();
  for (auto _ : state) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t at; (at = text.find(',', from)) != std::string_view::npos; from = at + 1)
      pieces.emplace_back(text.substr(from, at - from));
    pieces.emplace_back(text.substr(from));
    benchmark::DoNotOptimize(pieces.data());
  }
}
BENCHMARK(BM_Split);
BENCHMARK(BM_SplitStringView);
BENCHMARK(BM_SplitStdStrings);

// Mid(s, i, 1) for every character of 1 MB of UTF-8, as a character loop of compiled code
// does, beside a loop that decodes the same bytes once and makes each character a string.
void BM_MidCharacterLoop(benchmark::State& state) {
  string s = Framework(GetTexts().utf8, kEncodingUTF8);
  const int32_t characters = StringDBCSLen(s.Storage());
  for (auto _ : state) {
    for (int32_t i = 1; i <= characters; ++i) {
      stringStorage* character = StringDBCSMid3(s.Storage(), i, 1);
      benchmark::DoNotOptimize(character);
      RuntimeUnlockString(character);
    }
  }
  state.counters["characters"] = characters;
}
BENCHMARK(BM_MidCharacterLoop)->Unit(benchmark::kMillisecond);

void BM_DecodeCharacterLoop(benchmark::State& state) {
  const std::string& text = GetTexts().utf8;
  for (auto _ : state) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
      const size_t length = std::min<size_t>(*p < 0x80 ? 1 : *p < 0xE0 ? 2 : *p < 0xF0 ? 3 : 4,
                                             size_t(end - p));
      uint32_t code = length == 1 ? *p : *p & (0x7F >> length);
      for (size_t k = 1; k < length; ++k) code = code << 6 | (p[k] & 0x3F);
      std::string character(reinterpret_cast<const char*>(p), length);
      benchmark::DoNotOptimize(code);
      benchmark::DoNotOptimize(character.data());
      p += length;
    }
  }
}
BENCHMARK(BM_DecodeCharacterLoop)->Unit(benchmark::kMillisecond);

// The loop a compiled program runs to visit every match, InStr(pos + 1, s, "ab"), over some
// 250 KB holding 2,000 matches: each call reads from the last match to the next, so the loop
// costs what the text holds in every encoding. UTF-8 positions count characters, which each
// call counts on from the last match.
constexpr int32_t kLoopMatches = 2000;

// Words and Han characters that every East Asian code page holds, or Latin letters that the
// single-byte ones hold; none of them is an "a" or a "b" in either case.
std::string LoopTextUTF8(bool han) {
  static const char* kHan[] = {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE4\xB8\xAD", "\xE6\x96\x87",
                               "\xE5\xAD\x97", "\xE4\xBA\xBA", "\xE5\xA4\xA7", "\xE5\xA4\xA9",
                               "\xE5\xB1\xB1", "\xE5\xB7\x9D"};
  static const char* kLatin[] = {"\xC3\x80", "\xC3\x89", "\xC3\x8E", "\xC3\x95", "\xC3\x9C",
                                 "\xC3\xA7", "\xC3\xB1", "\xC3\xB8", "\xC3\x9F"};
  static const char* kWords[] = {"the ", "quick ", "fox ", "jumps ", "over ", "dog "};
  std::mt19937 rng(7);
  std::string text;
  for (int32_t match = 0; match < kLoopMatches; ++match) {
    for (int32_t k = 0; k < 48; ++k)
      text += rng() % 4 ? (han ? kHan[rng() % 10] : kLatin[rng() % 9]) : kWords[rng() % 6];
    text += "ab";
  }
  return text;
}

// The loop's text and pattern in an encoding, made once.
const std::pair<string, string>& LoopTextAndPattern(TextEncoding encoding, bool han) {
  static std::map<std::pair<TextEncoding, bool>, std::pair<string, string>> made;
  auto [it, inserted] = made.try_emplace({encoding, han});
  if (inserted) {
    it->second.first = ConvertEncoding(Framework(LoopTextUTF8(han), kEncodingUTF8), encoding);
    it->second.second = ConvertEncoding(Framework("ab", kEncodingUTF8), encoding);
  }
  return it->second;
}

// han: the text of Han characters, else of Latin letters.
void InStrLoop(benchmark::State& state, TextEncoding encoding, bool han, bool bytes) {
  const auto& [text, pattern] = LoopTextAndPattern(encoding, han);
  int32_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (int32_t pos = 0;; ++found) {
      pos = bytes ? StringInStrB(pos + 1, text.Storage(), pattern.Storage())
                  : StringInStr(pos + 1, text.Storage(), pattern.Storage());
      if (pos == 0) break;
    }
    benchmark::DoNotOptimize(found);
  }
  if (found != kLoopMatches) state.SkipWithError("the loop missed matches");
  state.counters["bytes"] = text.Length();
}
constexpr auto kMs = benchmark::kMillisecond;
BENCHMARK_CAPTURE(InStrLoop, UTF16, kEncodingUnicode16, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, UTF8, kEncodingUTF8, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, UTF32, kEncodingUTF32, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, ShiftJIS, 2561, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, EUCJP, 2336, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, ISO2022JP, 2080, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, GBK, 1585, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, Big5, 1059, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, Korean, 1058, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, Johab, 1296, true, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, LatinUTF16, kEncodingUnicode16, false, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, EBCDIC, 3073, false, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, WindowsLatin1, 1280, false, false)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, BytesShiftJIS, 2561, true, true)->Unit(kMs);
BENCHMARK_CAPTURE(InStrLoop, BytesUTF16, kEncodingUnicode16, true, true)->Unit(kMs);

// The same loop over some 256 KB holding 256 matches, a row per encoding, text and kind of
// literal, each beside the loop over the same characters in 16-bit Unicode with a 16-bit
// literal. Texts of CJK or Latin prose without ASCII hold a mark of their script where the
// matches are; mixed texts (a quarter ASCII words) hold ",". The literal is in the text's
// encoding, labelled ASCII (as programs' literals mostly are), or UTF-8. Each loop starts as a
// program's does, with no conversion of the text at hand.
constexpr int32_t kLiteralLoopMatches = 256;
constexpr int32_t kCharactersPerMatch = 340;

enum class Script { kHan, kHangul, kLatin };
enum class Literal { kOwn, kASCII, kUTF8 };

struct LoopText {
  const char* name;
  Script script;
  bool mixed;
};
constexpr LoopText kLoopTexts[] = {{"HanProse", Script::kHan, false},
                                   {"HanMixed", Script::kHan, true},
                                   {"HangulProse", Script::kHangul, false},
                                   {"LatinProse", Script::kLatin, false},
                                   {"LatinMixed", Script::kLatin, true}};

const char* MarkOf(const LoopText& text) {
  if (text.mixed) return ",";
  return text.script == Script::kLatin ? "\xC2\xB6" : "\xE3\x80\x82";  // pilcrow, ideographic stop
}

std::string LiteralLoopUTF8(const LoopText& kind) {
  static const char* kHan[] = {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE4\xB8\xAD", "\xE6\x96\x87",
                               "\xE5\xAD\x97", "\xE4\xBA\xBA", "\xE5\xA4\xA7", "\xE5\xA4\xA9",
                               "\xE5\xB1\xB1", "\xE5\xB7\x9D"};
  static const char* kHangul[] = {"\xED\x95\x9C", "\xEA\xB5\xAD", "\xEC\x96\xB4",
                                  "\xEA\xB8\x80", "\xEB\xA7\x90", "\xEC\x82\xAC",
                                  "\xEB\x9E\x8C", "\xEB\x82\x98", "\xEB\x9D\xBC",
                                  "\xEC\x84\x9C"};
  static const char* kLatin[] = {"\xC3\x80", "\xC3\x89", "\xC3\x8E", "\xC3\x95", "\xC3\x9C",
                                 "\xC3\xA7", "\xC3\xB1", "\xC3\xB8", "\xC3\x9F", "\xC3\xA9"};
  static const char* kWords[] = {"the ", "quick ", "fox ", "jumps ", "over ", "dog "};
  const char* const* letters = kind.script == Script::kHan      ? kHan
                               : kind.script == Script::kHangul ? kHangul
                                                                : kLatin;
  std::mt19937 rng(11);
  std::string text;
  for (int32_t match = 0; match < kLiteralLoopMatches; ++match) {
    for (int32_t k = 0; k < kCharactersPerMatch; ++k)
      text += kind.mixed && rng() % 4 == 0 ? kWords[rng() % 6] : letters[rng() % 10];
    text += MarkOf(kind);
  }
  return text;
}

void LiteralLoop(benchmark::State& state, TextEncoding encoding, const LoopText& kind,
                 Literal literal) {
  const string text = ConvertEncoding(Framework(LiteralLoopUTF8(kind), kEncodingUTF8), encoding);
  const std::string mark = MarkOf(kind);
  const string pattern = literal == Literal::kOwn
                             ? ConvertEncoding(Framework(mark, kEncodingUTF8), encoding)
                             : Framework(mark, literal == Literal::kASCII ? kEncodingASCII
                                                                           : kEncodingUTF8);
  const string other = Framework("\xC3\xA9", kEncodingUTF8);
  int32_t found = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertEncoding(other, kEncodingUnicode16).Storage());
    found = 0;
    for (int32_t pos = 0;; ++found) {
      pos = StringInStr(pos + 1, text.Storage(), pattern.Storage());
      if (pos == 0) break;
    }
    benchmark::DoNotOptimize(found);
  }
  if (found != kLiteralLoopMatches) state.SkipWithError("the loop missed matches");
  state.counters["bytes"] = text.Length();
}

struct LoopEncoding {
  const char* name;
  TextEncoding encoding;
  std::vector<Script> scripts;
};

const std::vector<LoopEncoding>& LoopEncodings() {
  static const std::vector<LoopEncoding> encodings = {
      {"UTF16", kEncodingUnicode16, {Script::kHan, Script::kHangul, Script::kLatin}},
      {"UTF8", kEncodingUTF8, {Script::kHan, Script::kHangul, Script::kLatin}},
      {"UTF32", kEncodingUTF32, {Script::kHan, Script::kHangul, Script::kLatin}},
      {"ShiftJIS", 2561, {Script::kHan}},
      {"EUCJP", 2336, {Script::kHan}},
      {"ISO2022JP", 2080, {Script::kHan}},
      {"GBK", 1585, {Script::kHan}},
      {"Big5", 1059, {Script::kHan}},
      {"Korean", 1058, {Script::kHan, Script::kHangul}},
      {"Johab", 1296, {Script::kHangul}},
      {"EBCDIC", 3073, {Script::kLatin}},
      {"WindowsLatin1", 1280, {Script::kLatin}}};
  return encodings;
}

std::string LiteralLoopName(const char* encoding, const LoopText& text, Literal literal) {
  static const char* kLiterals[] = {"own", "ascii", "utf8"};
  return std::string("LiteralLoop/") + encoding + "/" + text.name + "/" +
         kLiterals[static_cast<int>(literal)];
}

// Registers every row and gives the ratios to print: each row beside the 16-bit loop.
std::vector<qvbench::RatioPair> RegisterLiteralLoops() {
  std::vector<qvbench::RatioPair> ratios;
  for (const LoopEncoding& e : LoopEncodings()) {
    for (const LoopText& text : kLoopTexts) {
      if (std::find(e.scripts.begin(), e.scripts.end(), text.script) == e.scripts.end()) continue;
      for (Literal literal : {Literal::kOwn, Literal::kASCII, Literal::kUTF8}) {
        if (literal == Literal::kASCII && !text.mixed) continue;  // nothing ASCII to find
        const std::string name = LiteralLoopName(e.name, text, literal);
        benchmark::RegisterBenchmark(name.c_str(), LiteralLoop, e.encoding, text, literal)
            ->Unit(kMs);
        const std::string plain = LiteralLoopName("UTF16", text, Literal::kOwn);
        if (name != plain) ratios.push_back({name, plain, 3.0});
      }
    }
  }
  return ratios;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<qvbench::RatioPair> ratios = RegisterLiteralLoops();
  ratios.insert(ratios.begin(), {
      {"BM_InStrASCII", "BM_MemmemASCII", 1.2},
      {"BM_InStrBASCII", "BM_MemmemASCII", 1.2},
      {"BM_InStrASCII", "BM_FindASCII", 1.2},
      {"BM_InStrUTF8", "BM_MemmemUTF8", 1.2},
      {"BM_InStrBUTF8", "BM_MemmemUTF8", 1.2},
      {"BM_InStrUTF8CasedAccent", "BM_MemmemUTF8CasedAccent", 1.3},
      {"BM_ReplaceAllB", "BM_ReplaceAllStd", 1.3},
      {"BM_ReplaceAll", "BM_ReplaceAllStd", 1.3},
      {"BM_ReplaceAllOneByte", "BM_ReplaceOneByteMemchr", 1.5},
      {"BM_ReplaceAllBOneByte", "BM_ReplaceOneByteMemchr", 1.5},
      {"BM_Split", "BM_SplitStringView", 2.0},
      {"BM_Split", "BM_SplitStdStrings", 2.0},
      {"BM_MidCharacterLoop", "BM_DecodeCharacterLoop", 3.0},
      {"InStrLoop/UTF8", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/UTF32", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/ShiftJIS", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/EUCJP", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/ISO2022JP", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/GBK", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/Big5", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/Korean", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/Johab", "InStrLoop/UTF16", 3.0},
      {"InStrLoop/EBCDIC", "InStrLoop/LatinUTF16", 3.0},
      {"InStrLoop/WindowsLatin1", "InStrLoop/LatinUTF16", 3.0},
      {"InStrLoop/BytesShiftJIS", "InStrLoop/BytesUTF16", 3.0}});
  return qvbench::RunWithRatios(argc, argv, ratios);
}
