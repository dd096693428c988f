// Unicode case mapping against a model written in Python over its own Unicode data: simple
// lower case (or, for characters that only fold, their fold) of every covered Unicode 3.2
// character; upper case is the first capital in code order whose lower case is the character.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "UTF8TestSupport.h"
#include "core/Memory.h"
#include "strings/CaseMapping.h"
#include "strings/UTF8.h"
#include "support/TestSupport.h"

namespace {

using utf8test::ExactBuffer;
using utf8test::Fields;
using utf8test::Hex;
using utf8test::Lines;
using utf8test::RunPython;
using utf8test::Unhex;

// The reference model. Texts are printed as hex behind an "x" so that an empty text is still
// a field.
const char kModel[] = R"(
import random, unicodedata
OLD = unicodedata.ucd_3_2_0
BLOCKS = [(0x0000, 0x024F), (0x0345, 0x0345), (0x0370, 0x03FF), (0x0400, 0x052F),
          (0x0530, 0x058F), (0x1E00, 0x1EFF), (0x1F00, 0x1FFF), (0x2100, 0x218F),
          (0x2460, 0x24FF), (0xFF00, 0xFFEF)]
WHITE = set(range(0x09, 0x0E)) | set(range(0x2000, 0x200B)) | {
    0x20, 0x85, 0xA0, 0x1680, 0x180E, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000}

def assigned(c):
    return OLD.category(chr(c)) != 'Cn'

def covered(c):
    return assigned(c) and any(lo <= c <= hi for lo, hi in BLOCKS)

def single(s):
    return ord(s) if len(s) == 1 else None

def fold(c):
    if not covered(c):
        return c
    for f in (single(chr(c).lower()), single(chr(c).casefold())):
        if f is not None and f != c and assigned(f):
            return f
    return c

LOWER = {c: fold(c) for c in range(0x10000) if fold(c) != c}
FOLDS = set(LOWER.values())
UPPER = {}
for c in sorted(LOWER):
    if single(chr(c).lower()) == LOWER[c]:
        UPPER.setdefault(LOWER[c], c)

def lower(c): return LOWER.get(c, c)
def upper(c): return UPPER.get(c, c)
def cased(c): return c in LOWER or c in FOLDS

def title(codes):
    out, after = [], True
    for c in codes:
        m = upper(c) if after else lower(c)
        out.append(m)
        after = m in WHITE
    return out

def utf8(codes): return 'x' + ''.join(map(chr, codes)).encode('utf-8').hex()
def units(codes): return list(memoryview(''.join(map(chr, codes)).encode('utf-16-le', 'surrogatepass')).cast('H'))
def ucs2(us): return 'x' + b''.join(u.to_bytes(2, 'little') for u in us).hex()

random.seed(1234)
CASED = sorted(set(LOWER) | FOLDS)
POOLS = [lambda: random.randint(0x20, 0x7E),
         lambda: random.choice(sorted(WHITE) + [0x200B, 0x2060]),
         lambda: random.choice(CASED),
         lambda: random.choice(CASED),
         lambda: random.randint(0x4E00, 0x9FFF),
         lambda: random.choice([0x10400, 0x10428, 0x10041, 0x1F600, 0x1D400, 0x10FFFF])]

def text(n):
    return [random.choice(POOLS)() for _ in range(n)]
)";

std::string Python(const char* section) { return RunPython((std::string(kModel) + section).c_str()); }

// Texts behind their "x".
std::string TextField(const std::string& field) { return Unhex(field.substr(1)); }

std::string UTF8Mapped(void (*convert)(const char*, int32_t, char**, int32_t*),
                       const std::string& input) {
  const ExactBuffer text(input);
  char* out = nullptr;
  int32_t length = -1;
  convert(text.begin(), text.size(), &out, &length);
  if (!out) return "<no buffer>";
  std::string result(out, length);
  EXPECT_EQ(out[length], '\0') << "output is NUL-terminated";
  OSfree(out);
  return result;
}

std::string UCS2Mapped(char* (*convert)(const char*, int32_t), const std::string& input) {
  const ExactBuffer text(input);
  char* out = convert(text.begin(), text.size());
  if (!out) return "<no buffer>";
  std::string result(out, input.size());
  OSfree(out);
  return result;
}

TEST(CaseMapping, EveryCodePointMatchesTheModel) {
  struct Expected {
    uint32_t lower, upper;
  };
  std::map<uint32_t, Expected> cased;
  for (const std::string& line : Lines(Python(R"(
for c in sorted(set(LOWER) | FOLDS):
    print('%x %x %x' % (c, lower(c), upper(c)))
)"))) {
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 3u) << line;
    cased[std::stoul(f[0], nullptr, 16)] = {static_cast<uint32_t>(std::stoul(f[1], nullptr, 16)),
                                           static_cast<uint32_t>(std::stoul(f[2], nullptr, 16))};
  }
  ASSERT_GT(cased.size(), 1000u);
  for (uint32_t code = 0; code <= 0x1FFFFF; ++code) {
    const auto it = cased.find(code);
    const Expected expected = it == cased.end() ? Expected{code, code} : it->second;
    ASSERT_EQ(UnicodeToLower(code), expected.lower) << std::hex << code;
    ASSERT_EQ(UnicodeToUpper(code), expected.upper) << std::hex << code;
    if (code > 0xFFFF) continue;
    char bytes[kUTF8EncodeBufferSize];
    const int32_t count = UTF8Encode(static_cast<int32_t>(code), bytes);
    ASSERT_EQ(UTF8IsCaseless(bytes, count), it == cased.end()) << std::hex << code;
  }
}

TEST(CaseMapping, EdgesOfTheTable) {
  EXPECT_EQ(UnicodeToUpper(0x00DF), 0x00DFu);  // sharp s has no one-character capital
  EXPECT_EQ(UnicodeToUpper(0x017F), 0x017Fu);  // long s only folds
  EXPECT_EQ(UnicodeToLower(0x017F), 0x0073u);
  EXPECT_EQ(UnicodeToLower(0x212A), 0x006Bu);  // Kelvin sign
  EXPECT_EQ(UnicodeToUpper(0x006B), 0x004Bu);  // the first capital wins, not the Kelvin sign
  EXPECT_EQ(UnicodeToLower(0x0130), 0x0130u);  // no row for capital I with dot
  EXPECT_EQ(UnicodeToUpper(0x03BC), 0x039Cu);  // mu, not the micro sign
  EXPECT_EQ(UnicodeToUpper(0x03B9), 0x0399u);  // iota, not the combining ypogegrammeni
  EXPECT_EQ(UnicodeToLower(0x10400), 0x10400u);  // beyond U+FFFF: never its low 16 bits
  EXPECT_EQ(UnicodeToUpper(0x10041), 0x10041u);
}

TEST(CaseMapping, UTF8TextsMatchTheModel) {
  const std::vector<std::string> lines = Lines(Python(R"(
for _ in range(400):
    t = text(random.randint(0, 30))
    print(utf8(t), utf8(map(upper, t)), utf8(map(lower, t)), utf8(title(t)),
          int(not any(map(cased, t))))
)"));
  ASSERT_EQ(lines.size(), 400u);
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 5u) << line;
    const std::string input = TextField(f[0]);
    EXPECT_EQ(Hex(UTF8Mapped(UTF8ToUpper, input)), Hex(TextField(f[1]))) << line;
    EXPECT_EQ(Hex(UTF8Mapped(UTF8ToLower, input)), Hex(TextField(f[2]))) << line;
    EXPECT_EQ(Hex(UTF8Mapped(UTF8Capitalize, input)), Hex(TextField(f[3]))) << line;
    const ExactBuffer text(input);
    EXPECT_EQ(UTF8IsCaseless(text.begin(), text.size()), f[4] == "1") << line;
  }
}

TEST(CaseMapping, UCS2TextsMatchTheModelUnitByUnit) {
  const std::vector<std::string> lines = Lines(Python(R"(
for _ in range(400):
    u = units(text(random.randint(0, 30)))
    print(ucs2(u), ucs2(map(upper, u)), ucs2(map(lower, u)), ucs2(title(u)))
)"));
  ASSERT_EQ(lines.size(), 400u);
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 4u) << line;
    const std::string input = TextField(f[0]);
    EXPECT_EQ(Hex(UCS2Mapped(UCS2ToUpper, input)), Hex(TextField(f[1]))) << line;
    EXPECT_EQ(Hex(UCS2Mapped(UCS2ToLower, input)), Hex(TextField(f[2]))) << line;
    EXPECT_EQ(Hex(UCS2Mapped(UCS2Capitalize, input)), Hex(TextField(f[3]))) << line;
  }
}

TEST(CaseMapping, ComparisonsMatchTheModel) {
  const std::vector<std::string> lines = Lines(Python(R"(
def variant(a):
    b = [random.choice((upper, lower, lambda c: c))(c) for c in a]
    roll = random.random()
    if roll < 0.2 and b: b = b[:random.randrange(len(b))]
    elif roll < 0.4: b += text(random.randint(1, 3))
    elif roll < 0.6 and b: b[random.randrange(len(b))] = random.choice(POOLS)()
    return b

def compare(a, b, fold, size):
    for x, y in zip(a, b):
        if fold: x, y = upper(x), upper(y)
        if x != y: return -1 if x < y else 1
    return (size(a) > size(b)) - (size(a) < size(b))

def utf8size(t): return len(''.join(map(chr, t)).encode('utf-8'))

for _ in range(600):
    a = text(random.randint(0, 12))
    b = variant(a)
    ua, ub = units(a), units(b)
    print(utf8(a), utf8(b), compare(a, b, False, utf8size), compare(a, b, True, utf8size),
          ucs2(ua), ucs2(ub), compare(ua, ub, False, len), compare(ua, ub, True, len))
)"));
  ASSERT_EQ(lines.size(), 600u);
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 8u) << line;
    const ExactBuffer a(TextField(f[0])), b(TextField(f[1]));
    EXPECT_EQ(UTF8StringCompare(a.begin(), a.size(), b.begin(), b.size(), false), std::stoi(f[2]))
        << line;
    EXPECT_EQ(UTF8StringCompare(a.begin(), a.size(), b.begin(), b.size(), true), std::stoi(f[3]))
        << line;
    const ExactBuffer ua(TextField(f[4])), ub(TextField(f[5]));
    const int32_t aUnits = ua.size() / 2, bUnits = ub.size() / 2;
    EXPECT_EQ(UCS2StringCompare(ua.begin(), aUnits, ub.begin(), bUnits, false), std::stoi(f[6]))
        << line;
    EXPECT_EQ(UCS2StringCompare(ua.begin(), aUnits, ub.begin(), bUnits, true), std::stoi(f[7]))
        << line;
  }
}

TEST(CaseMapping, TitleCase) {
  EXPECT_EQ(UTF8Mapped(UTF8Capitalize, "hello wORLD"), "Hello World");
  EXPECT_EQ(UTF8Mapped(UTF8Capitalize, "a\tb"), "A\tB");
  EXPECT_EQ(UTF8Mapped(UTF8Capitalize, "\xCE\xBC\xCE\x99\xE3\x80\x80\xCE\xB9"),  // mu IOTA ideographic-space iota
            "\xCE\x9C\xCE\xB9\xE3\x80\x80\xCE\x99");
  const char16_t units[] = u"hello wORLD";
  const std::string input(reinterpret_cast<const char*>(units), 22);
  const char16_t expected[] = u"Hello World";
  EXPECT_EQ(UCS2Mapped(UCS2Capitalize, input),
            std::string(reinterpret_cast<const char*>(expected), 22));
}

TEST(CaseMapping, ComparisonEdges) {
  EXPECT_LT(UTF8StringCompare("abc", 3, "ABD", 3, true), 0);
  EXPECT_EQ(UTF8StringCompare("abc", 3, "ABC", 3, true), 0);
  EXPECT_GT(UTF8StringCompare("abc", 3, "ABC", 3, false), 0);
  EXPECT_LT(UTF8StringCompare("abc", 3, "abcdef", 6, false), 0);
  EXPECT_EQ(UTF8StringCompare("", 0, "", 0, false), 0);
  EXPECT_EQ(UTF8StringCompare(nullptr, 0, "", 0, true), 0);
  // Stray bytes compare by their value instead of all looking alike.
  EXPECT_LT(UTF8StringCompare("\x80", 1, "\x81", 1, true), 0);
  EXPECT_GT(UTF8StringCompare("\xE9", 1, "\xC3\xA9", 2, true), 0);
  const char16_t a[] = u"abc", b[] = u"ABD";
  EXPECT_LT(UCS2StringCompare(reinterpret_cast<const char*>(a), 3,
                              reinterpret_cast<const char*>(b), 3, true), 0);
}

// Bytes that are not UTF-8 (Latin-1 text labelled UTF-8, cut sequences) pass through unchanged
// while the letters around them are mapped.
TEST(CaseMapping, StrayBytesPassThroughUnchanged) {
  EXPECT_EQ(UTF8Mapped(UTF8ToUpper, "caf\xE9 cr\xE8me"), "CAF\xE9 CR\xE8ME");
  EXPECT_EQ(UTF8Mapped(UTF8ToUpper, "a\x80" "b\xC3"), "A\x80" "B\xC3");
  EXPECT_EQ(UTF8Mapped(UTF8ToLower, "\xC3\x89\xC3"), "\xC3\xA9\xC3");
  EXPECT_EQ(UTF8Mapped(UTF8ToLower, "X\xE2\x84"), "x\xE2\x84");
  EXPECT_EQ(UTF8Mapped(UTF8Capitalize, "\x80word next"), "\x80word Next");
  EXPECT_EQ(UTF8Mapped(UTF8ToUpper, "\xF0\x90\x81\x81"), "\xF0\x90\x81\x81");  // U+10041
  EXPECT_FALSE(UTF8IsCaseless("\xC3" "a", 2));
  EXPECT_TRUE(UTF8IsCaseless("\x80\xC3\xFF", 3));
  EXPECT_TRUE(UTF8IsCaseless("", 0));
}

// A mapping whose characters need more bytes than the input's: the output grows and keeps
// every character.
struct Widening {
  int calls = 0;
  uint32_t to;
  static uint32_t Map(uint32_t code, void* context) {
    auto* self = static_cast<Widening*>(context);
    ++self->calls;
    return code == 'a' ? self->to : code;
  }
};

TEST(CaseMapping, LongerMappedTextsAreNeverCut) {
  for (uint32_t to : {0xE9u, 0x20ACu, 0x1F600u}) {
    for (int n : {1, 2, 5, 6, 7, 100, 5000}) {
      std::string input, expected;
      char encoded[kUTF8EncodeBufferSize];
      const int32_t count = UTF8Encode(static_cast<int32_t>(to), encoded);
      for (int i = 0; i < n; ++i) {
        input += i % 3 == 2 ? "z" : "a";
        expected += i % 3 == 2 ? std::string("z") : std::string(encoded, count);
      }
      const ExactBuffer text(input);
      Widening widening{0, to};
      char* out = nullptr;
      int32_t length = 0;
      MapUTF8Characters(text.begin(), text.size(), Widening::Map, &widening, &out, &length);
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(std::string(out, length), expected) << n << " to " << std::hex << to;
      EXPECT_EQ(out[length], '\0');
      EXPECT_EQ(widening.calls, n);
      OSfree(out);

      int32_t lengthOnly = 0;
      MapUTF8Characters(text.begin(), text.size(), Widening::Map, &widening, nullptr,
                        &lengthOnly);
      EXPECT_EQ(lengthOnly, static_cast<int32_t>(expected.size()));
    }
  }
}

TEST(CaseMapping, OutputArgumentsAndBadInput) {
  Widening widening{0, 'b'};
  MapUTF8Characters("aaa", 3, Widening::Map, &widening, nullptr, nullptr);
  EXPECT_EQ(widening.calls, 0) << "nothing is done when no output is wanted";

  char* out = nullptr;
  UTF8ToUpper("abc", 3, &out, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_STREQ(out, "ABC");
  OSfree(out);

  UTF8ToLower(nullptr, 0, &out, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_STREQ(out, "");
  OSfree(out);

  qvtest::ReportCapture capture;
  char* untouched = reinterpret_cast<char*>(&capture);
  int32_t length = 77;
  out = untouched;
  UTF8ToUpper("abc", -1, &out, &length);
  UTF8ToUpper(nullptr, 4, &out, &length);
  EXPECT_EQ(out, untouched);
  EXPECT_EQ(length, 77);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(UCS2ToUpper("ab", -2), nullptr);
  EXPECT_EQ(UCS2ToLower(nullptr, 2), nullptr);
  EXPECT_FALSE(UTF8IsCaseless(nullptr, 3));
  EXPECT_EQ(UTF8StringCompare("a", -1, "b", 1, false), 0);
  EXPECT_EQ(UCS2StringCompare("a", 1, nullptr, 1, false), 0);
  EXPECT_EQ(capture.count(), 7u);
}

TEST(CaseMapping, UCS2KeepsOddBytesAndShortBuffers) {
  const char odd[] = {'a', 0, 'b', 0, 'c'};
  EXPECT_EQ(UCS2Mapped(UCS2ToUpper, std::string(odd, 5)), std::string("A\0B\0c", 5));
  EXPECT_EQ(UCS2Mapped(UCS2ToUpper, std::string("q", 1)), "q");
  EXPECT_EQ(UCS2Mapped(UCS2ToUpper, std::string()), "");
}

}  // namespace
