// Unicode case mapping against a model written in Python over its own Unicode data: simple
// lower case (or, for characters that only fold, their fold) of every covered Unicode 3.2
// character; upper case is the first capital in code order whose lower case is the character.
#include <gtest/gtest.h>

#include "UTF8TestSupport.h"
#include "core/Memory.h"
#include "strings/CaseMapping.h"
#include "strings/UTF8.h"

namespace {

using utf8test::ExactBuffer;

// The reference model. Texts are printed as hex behind an "x" so that an empty text is still
// a field.
const char kModel[] = R"(
import random, unicodedata
OLD = unicodedata.ucd_3_2_0
BLOCKS = [(0x0000, 0x024F), (0x0345, 0x0345), (0x0370, 0x03FF), (0x0400, 0x052F), (0x0530, 0x058F),
          (0x1E00, 0x1EFF), (0x1F00, 0x1FFF), (0x2100, 0x218F), (0x2460, 0x24FF), (0xFF00, 0xFFEF)]
WHITE = set(range(0x09, 0x0E)) | set(range(0x2000, 0x200B)) | {
    0x20, 0x85, 0xA0, 0x1680, 0x180E, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000}
assigned = lambda c: OLD.category(chr(c)) != 'Cn'
covered = lambda c: assigned(c) and any(lo <= c <= hi for lo, hi in BLOCKS)
single = lambda s: ord(s) if len(s) == 1 else None
def fold(c):
    for f in (single(chr(c).lower()), single(chr(c).casefold())) if covered(c) else ():
        if f is not None and f != c and assigned(f): return f
    return c
LOWER = {c: fold(c) for c in range(0x10000) if fold(c) != c}
FOLDS = set(LOWER.values())
UPPER = {}
for c in (c for c in sorted(LOWER) if single(chr(c).lower()) == LOWER[c]): UPPER.setdefault(LOWER[c], c)
lower = lambda c: LOWER.get(c, c)
upper = lambda c: UPPER.get(c, c)
cased = lambda c: c in LOWER or c in FOLDS
def title(codes):  # upper case after white space and at the start, lower case elsewhere
    out = []
    for c in codes: out.append(upper(c) if not out or out[-1] in WHITE else lower(c))
    return out
utf8 = lambda codes: 'x' + ''.join(map(chr, codes)).encode('utf-8').hex()
units = lambda codes: list(memoryview(''.join(map(chr, codes)).encode('utf-16-le', 'surrogatepass')).cast('H'))
ucs2 = lambda us: 'x' + b''.join(u.to_bytes(2, 'little') for u in us).hex()
random.seed(1234)
CASED = sorted(set(LOWER) | FOLDS)
POOLS = [lambda: random.randint(0x20, 0x7E), lambda: random.choice(sorted(WHITE) + [0x200B, 0x2060]),
         lambda: random.choice(CASED), lambda: random.choice(CASED), lambda: random.randint(0x4E00, 0x9FFF),
         lambda: random.choice([0x10400, 0x10428, 0x10041, 0x1F600, 0x1D400, 0x10FFFF])]
text = lambda n: [random.choice(POOLS)() for _ in range(n)]
)";
std::vector<std::vector<std::string>> ModelRows(const char* section, size_t fields) {
  auto rows = utf8test::PythonRows(std::string(kModel) + section);
  for (auto& row : rows) row.resize(fields);
  return rows;
}

// Texts behind their "x".
std::string TextField(const std::string& field) { return utf8test::Unhex(field.substr(1)); }

// The mapped text; UTF-8 results must end in a NUL.
std::string Mapped(void (*convert)(const char*, int32_t, char**, int32_t*), const std::string& input) {
  const ExactBuffer text(input);
  char* out = nullptr;
  int32_t length = -1;
  convert(text.begin(), text.size(), &out, &length);
  const std::string result = out && out[length] == '\0' ? std::string(out, length) : "<no NUL-terminated buffer>";
  OSfree(out);
  return result;
}

std::string Mapped(char* (*convert)(const char*, int32_t), const std::string& input) {
  const ExactBuffer text(input);
  char* out = convert(text.begin(), text.size());
  const std::string result = out ? std::string(out, input.size()) : "<no buffer>";
  OSfree(out);
  return result;
}

// Mapped texts, and comparisons of each text with a variant of it (cases changed, perhaps cut,
// perhaps lengthened), in UTF-8 and in UCS-2 units.
TEST(CaseMapping, TextsAndComparisonsMatchTheModel) {
  const auto rows = ModelRows(R"(
def compare(a, b, fold, size):
    for x, y in zip(map(upper, a), map(upper, b)) if fold else zip(a, b):
        if x != y: return -1 if x < y else 1
    return (size(a) > size(b)) - (size(a) < size(b))
size8 = lambda t: len(''.join(map(chr, t)).encode('utf-8'))
for _ in range(600):
    t = text(random.randint(0, 30))
    v = [random.choice((upper, lower, int))(c) for c in t][:random.randint(0, 31)] + text(random.choice((0, 0, 1)))
    u, w = units(t), units(v)
    print(utf8(t), utf8(map(upper, t)), utf8(map(lower, t)), utf8(title(t)), int(not any(map(cased, t))),
          ucs2(u), ucs2(map(upper, u)), ucs2(map(lower, u)), ucs2(title(u)), utf8(v), ucs2(w),
          compare(t, v, 0, size8), compare(t, v, 1, size8), compare(u, w, 0, len), compare(u, w, 1, len))
)", 15);
  ASSERT_EQ(rows.size(), 600u);
  for (const auto& f : rows) {
    const ExactBuffer a(TextField(f[0])), wide(TextField(f[5])), b(TextField(f[9])), wb(TextField(f[10]));
    const std::string in8 = TextField(f[0]), in16 = TextField(f[5]);
    EXPECT_EQ((std::vector<std::string>{Mapped(UTF8ToUpper, in8), Mapped(UTF8ToLower, in8), Mapped(UTF8Capitalize, in8),
                                        Mapped(UCS2ToUpper, in16), Mapped(UCS2ToLower, in16), Mapped(UCS2Capitalize, in16)}),
              (std::vector<std::string>{TextField(f[1]), TextField(f[2]), TextField(f[3]), TextField(f[6]),
                                        TextField(f[7]), TextField(f[8])})) << f[0];
    EXPECT_EQ(UTF8IsCaseless(a.begin(), a.size()), f[4] == "1") << f[0];
    for (bool fold : {false, true}) {
      EXPECT_EQ(UTF8StringCompare(a.begin(), a.size(), b.begin(), b.size(), fold), std::stoi(f[11 + fold]))
          << f[0] << " " << f[9];
      EXPECT_EQ(UCS2StringCompare(wide.begin(), wide.size() / 2, wb.begin(), wb.size() / 2, fold),
                std::stoi(f[13 + fold])) << f[5] << " " << f[10];
    }
  }
  // Stray bytes compare by their value instead of all looking alike.
  EXPECT_LT(UTF8StringCompare("\x80", 1, "\x81", 1, true), 0);
  EXPECT_GT(UTF8StringCompare("\xE9", 1, "\xC3\xA9", 2, true), 0);
}

// A mapping whose characters need more bytes than the input's (four for one here): the output
// grows and keeps every character.
TEST(CaseMapping, LongerMappedTextsAreNeverCut) {
  auto map = [](uint32_t code, void*) { return code == 'a' ? 0x1F600u : code; };
  for (int n : {1, 2, 7, 5000}) {
    const ExactBuffer text(std::string(n, 'a') + "z");
    std::string expected;
    for (int i = 0; i < n; ++i) expected += "\xF0\x9F\x98\x80";
    char* out = nullptr;
    int32_t length = 0, lengthOnly = 0;
    MapUTF8Characters(text.begin(), text.size(), map, nullptr, &out, &length);
    MapUTF8Characters(text.begin(), text.size(), map, nullptr, nullptr, &lengthOnly);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out, length + 1), expected + "z" + '\0') << n;
    EXPECT_EQ(lengthOnly, length);
    OSfree(out);
  }
}

// Bytes that are not UTF-8 (Latin-1 text labelled UTF-8, cut sequences) and odd UCS-2 bytes
// pass through unchanged while the letters around them are mapped; bad arguments are reported
// and write nothing.
TEST(CaseMapping, StrayBytesPassThroughAndBadInputWritesNothing) {
  EXPECT_EQ(Mapped(UTF8ToUpper, "caf\xE9 cr\xE8me") + Mapped(UTF8ToLower, "X\xE2\x84") +
                Mapped(UTF8Capitalize, "\x80word next"),
            "CAF\xE9 CR\xE8ME" "x\xE2\x84" "\x80word Next");
  EXPECT_TRUE(UTF8IsCaseless("\x80\xC3\xFF", 3));
  EXPECT_EQ(Mapped(UCS2ToUpper, std::string("a\0b\0c", 5)), std::string("A\0B\0c", 5));
  qvtest::ReportCapture capture;
  char *untouched = reinterpret_cast<char*>(&capture), *out = untouched;
  int32_t length = 77;
  UTF8ToUpper("abc", -1, &out, &length);
  UTF8ToUpper(nullptr, 4, &out, &length);
  EXPECT_TRUE(out == untouched && length == 77);
  EXPECT_TRUE(!UCS2ToUpper("ab", -2) && !UCS2ToLower(nullptr, 2) && !UTF8IsCaseless(nullptr, 3));
  EXPECT_EQ(UTF8StringCompare("a", -1, "b", 1, false) | UCS2StringCompare("a", 1, nullptr, 1, false), 0);
  EXPECT_EQ(capture.count(), 7u);
}

}  // namespace
