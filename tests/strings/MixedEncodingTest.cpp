// ASCII text beside text in an encoding whose 7-bit bytes are not ASCII characters (16-bit and
// 32-bit Unicode, EBCDIC): every string function that brings the two together gives the
// characters Python's codecs give, in either order.
#include <gtest/gtest.h>

#include <cstdarg>

#include "StringFunctionsTestSupport.h"
#include "UTF8TestSupport.h"
#include "arrays/RuntimeArray.h"
#include "strings/StringCase.h"
#include "strings/StringFields.h"
#include "strings/StringFoundation.h"
#include "strings/StringReplace.h"
#include "strings/StringSearch.h"
#include "strings/StringSplitJoin.h"
#include "strings/TextEncoding.h"

using namespace strtest;

namespace {

// Prints "op partner a-code a-hex b-code b-hex c-code c-hex expected" rows: random texts, one
// side ASCII and the other in the partner encoding, and what the operation gives on their
// characters. Texts hold lower-case and caseless characters only, so that matching that ignores
// case agrees with Python's exact matching. 32-bit texts come with and without a byte-order mark.
// InStr counts 16-bit units beside 16-bit text and characters otherwise.
const char* kMixedScript = R"PY(
import random
rng = random.Random(1786)
ascii_chars = 'abcdefxyz019 ,;.-/'
partners = [(256, 'utf-16-le', 'é中一ā\U0001F600'), (0x0C000100, 'utf-32', 'é中一ā¢\U0001F600'),
            (0x0C000100, 'utf-32-le', 'é中一ā¬'), (3073, 'cp037', 'éüñ¢¬þ')]
def text(chars, n): return ''.join(rng.choice(chars) for _ in range(n))
def enc(code, codec, t): return (code, t.encode(codec))
def hexof(t): return t.encode('utf-8').hex() or '-'
for code, codec, extra in partners:
    wide = ascii_chars + extra * 3
    def position(s, f):
        at = s.find(f)
        if at < 0 or code != 256: return at + 1
        return len(s[:at].encode('utf-16-le')) // 2 + 1
    for i in range(60):
        a, x = text(ascii_chars, rng.randint(1, 30)), text(wide, rng.randint(1, 30))
        cut = rng.randint(0, len(x) - 1)
        xf = x[cut:cut + rng.randint(1, 3)] if i % 3 else text(wide, 1)
        acut = rng.randint(0, len(a) - 1)
        af = a[acut:acut + rng.randint(1, 2)]
        xa = text(ascii_chars, rng.randint(1, 8))  # partner text of ASCII characters only
        r = text(wide, rng.randint(0, 3))
        A, X = (1536, a.encode()), enc(code, codec, x)
        rows = [('add', A, X, A, a + x), ('add', X, A, A, x + a),
                ('instr', A, enc(code, codec, xa), A, position(a, xa)),
                ('instr', X, (1536, af.encode()), A, position(x, af) if af in x else 0),
                ('replaceall', A, enc(code, codec, af), enc(code, codec, r), a.replace(af, r)),
                ('replaceall', X, (1536, af.encode()), (1536, b'#'), x.replace(af, '#')),
                ('count', X, (1536, af.encode()), A, len(x.split(af))),
                ('count', A, enc(code, codec, af), A, len(a.split(af))),
                ('nth', X, (1536, af.encode()), A, (x.split(af) + [''])[1]),
                ('nth', A, enc(code, codec, af), A, (a.split(af) + [''])[1]),
                ('split', X, (1536, af.encode()), A, x.split(af)),
                ('split', A, enc(code, codec, af), A, a.split(af)),
                ('join', A, (1536, b'+'), X, a + '+' + x), ('join', X, enc(code, codec, r), A, x + r + a),
                ('compare', (1536, xa.upper().encode()), enc(code, codec, xa), A, 0)]
        if xf in x: rows.append(('replaceall', X, enc(code, codec, xf), (1536, b'#'), x.replace(xf, '#')))
        for op, (ca, ba), (cb, bb), (cc, bc), want in rows:
            if isinstance(want, list): want = ','.join(hexof(p) for p in want)
            elif isinstance(want, str): want = hexof(want)
            print(op, code, ca, ba.hex() or '-', cb, bb.hex() or '-', cc, bc.hex() or '-', want)
)PY";

string Field(const std::string& code, const std::string& hex) {
  return Make(hex == "-" ? std::string() : utf8test::Unhex(hex), std::stoul(code));
}

// The characters of s, as UTF-8 hex ("-" when there are none).
std::string CharactersOf(const string& s) {
  const std::string hex = utf8test::Hex(Bytes(ConvertEncoding(s, kEncodingUTF8)));
  return hex.empty() ? "-" : hex;
}

std::string Taken(stringStorage* record) { return CharactersOf(string::Adopt(record)); }

std::string PiecesOf(RuntimeArray* array) {
  std::string out;
  auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(array->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(array); ++i) out += (i ? "," : "") + Taken(get(array, i));
  RuntimeUnlockArray(array);
  return out;
}

std::string JoinedPair(const string& first, const string& delimiter, const string& second) {
  RuntimeArray* array = CreateArray(1, kArrayString, 1);
  auto set = reinterpret_cast<void (*)(RuntimeArray*, stringStorage*, ...)>(array->table->set);
  set(array, first.Storage(), 0);
  set(array, second.Storage(), 1);
  std::string joined = Taken(StringJoin(array, delimiter.Storage()));
  RuntimeUnlockArray(array);
  return joined;
}

std::string Perform(const std::string& op, const string& a, const string& b, const string& c) {
  if (op == "add") return CharactersOf(a + b);
  if (op == "instr") return std::to_string(StringInStr(1, a.Storage(), b.Storage()));
  if (op == "replaceall") return Taken(StringReplaceAll(a.Storage(), b.Storage(), c.Storage()));
  if (op == "count") return std::to_string(StringCountFields(a.Storage(), b.Storage()));
  if (op == "nth") return Taken(StringNthField(a.Storage(), b.Storage(), 2));
  if (op == "split") return PiecesOf(StringSplit(a.Storage(), b.Storage()));
  if (op == "join") return JoinedPair(a, b, c);
  if (op == "compare") return std::to_string(RuntimeStringCompare(a.Storage(), b.Storage()));
  return "unknown operation " + op;
}

TEST(MixedEncodings, ASCIIBesideWideAndEBCDICTextMatchesPython) {
  const auto rows = utf8test::PythonRows(kMixedScript);
  ASSERT_GE(rows.size(), 4u * 60 * 15);
  int failures = 0;
  for (const auto& f : rows) {
    ASSERT_EQ(f.size(), 9u);
    const string a = Field(f[2], f[3]), b = Field(f[4], f[5]), c = Field(f[6], f[7]);
    std::string got = Perform(f[0], a, b, c);
    EXPECT_EQ(got, f[8]) << f[0] << " partner " << f[1] << ": " << f[2] << " " << f[3] << " / "
                         << f[4] << " " << f[5] << " / " << f[6] << " " << f[7];
    if (got != f[8] && ++failures == 20) FAIL() << "and more";
  }
}

// A character or C text added to text whose bytes it cannot simply follow is converted with it.
TEST(MixedEncodings, CharactersAndCTextAddedToWideText) {
  const string texts[] = {Make(std::string("\xFF\xFE\0\0" "a\0\0\0", 8), kEncodingUTF32),
                          Make(std::string("a\0", 2), kEncodingUnicode16), Make("\x81", 3073)};
  for (const string& text : texts) {
    EXPECT_EQ(CharactersOf(text + '!'), "6121") << text.Encoding();
    string appended = text;
    appended += "!?";
    EXPECT_EQ(CharactersOf(appended), "61213f") << text.Encoding();
  }
  string latin = Make("a", 1280);
  latin += "!";
  EXPECT_EQ((latin + '?').Encoding(), 1280u) << "ASCII joins Windows Latin-1 as it is";
}

// The common-encoding rule relabels ASCII only into encodings that keep its bytes; the others
// meet it in Unicode.
TEST(MixedEncodings, CommonEncodingOfASCII) {
  for (TextEncoding keeps : {0u, 513u, 1280u, 2561u, kEncodingUTF8})
    EXPECT_EQ(CommonEncoding(kEncodingASCII, keeps, false), keeps);
  for (TextEncoding wide : {kEncodingUTF32, 3073u, 3074u, 2080u}) {
    EXPECT_EQ(CommonEncoding(kEncodingASCII, wide, false), kEncodingNone) << wide;
    EXPECT_EQ(CommonEncoding(wide, kEncodingASCII, true), kEncodingUTF8) << wide;
  }
  EXPECT_EQ(CommonEncoding(kEncodingASCII, kEncodingUnicode16, true), kEncodingUnicode16);
}

}  // namespace
