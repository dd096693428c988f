// ASCII text beside text in an encoding whose 7-bit bytes are not ASCII characters (16-bit and
// 32-bit Unicode, EBCDIC), and every pair of 8-, 16- and 32-bit encodings: every string
// function that brings the two together gives the characters Python's codecs give, in either
// order, and matches whole characters only.
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
  if (op == "instrb") return std::to_string(StringInStrB(1, a.Storage(), b.Storage()));
  if (op == "replace") return Taken(StringReplace(a.Storage(), b.Storage(), c.Storage()));
  if (op == "strcomp") return std::to_string(StringStrCompare(a.Storage(), b.Storage(), 1));
  if (op == "replaceall") return Taken(StringReplaceAll(a.Storage(), b.Storage(), c.Storage()));
  if (op == "count") return std::to_string(StringCountFields(a.Storage(), b.Storage()));
  if (op == "nth") return Taken(StringNthField(a.Storage(), b.Storage(), 2));
  if (op == "split") return PiecesOf(StringSplit(a.Storage(), b.Storage()));
  if (op == "join") return JoinedPair(a, b, c);
  if (op == "compare") return std::to_string(RuntimeStringCompare(a.Storage(), b.Storage()));
  return "unknown operation " + op;
}

// Each row's operation (its first field) on the three strings whose codes and hex follow from
// field first on gives the row's last field; the first 20 disagreements are told.
void ExpectRowsAgree(const std::vector<std::vector<std::string>>& rows, size_t first) {
  int failures = 0;
  for (const auto& f : rows) {
    ASSERT_EQ(f.size(), first + 7);
    const string a = Field(f[first], f[first + 1]), b = Field(f[first + 2], f[first + 3]),
                 c = Field(f[first + 4], f[first + 5]);
    const std::string got = Perform(f[0], a, b, c);
    std::string row;
    for (size_t i = 0; i + 1 < f.size(); ++i) row += f[i] + " ";
    EXPECT_EQ(got, f.back()) << row;
    if (got != f.back() && ++failures == 20) FAIL() << "and more";
  }
}

TEST(MixedEncodings, ASCIIBesideWideAndEBCDICTextMatchesPython) {
  const auto rows = utf8test::PythonRows(kMixedScript);
  ASSERT_GE(rows.size(), 4u * 60 * 15);
  ExpectRowsAgree(rows, 2);
}

// Every pair of 8-, 16- and 32-bit encodings, the 32-bit ones in both byte orders, with and
// without a byte-order mark: a match holds whole characters of both texts, whatever bytes they
// share. Rows: the operation, the text, the pattern and the replacement (code and hex each), and
// what Python's codecs give; InStr counts in the pair's common encoding (bytes
// of 32-bit text and of a two-byte code page, after a mark), InStrB of a pair of one encoding
// in bytes of the text. Matching that ignores case folds letters by Unicode in Unicode text and
// in text matched through UTF-8 (32-bit, Shift-JIS), ASCII letters alone in other 8-bit text.
const char* kPairsScript = R"PY(
import random
rng = random.Random(92)
UTF8, UTF16, UTF32 = 0x08000100, 0x100, 0x0C000100
encodings = [(0x600, b'', 'ascii'), (513, b'', 'latin-1'), (2561, b'', 'cp932'),
             (UTF8, b'', 'utf-8'), (UTF16, b'', 'utf-16-le'), (UTF32, b'', 'utf-32-le'),
             (UTF32, b'\xff\xfe\0\0', 'utf-32-le'), (UTF32, b'\0\0\xfe\xff', 'utf-32-be')]
# Characters whose bytes in one encoding hold another's: U+4100 is 00 41 in 16-bit units,
# U+0141 is 41 01, U+0100 00 01; cp932's ソ is 83 5C, whose second byte is "\".
pool = 'aAbBx\\ ,éÉłŁšŠĀā\u4100\u0141\u0100アソ日ｱ'
def holds(codec, c):
    try: return bool(c.encode(codec))
    except UnicodeEncodeError: return False
def common(e1, e2):
    if e1 == e2: return e1
    if {e1, e2} <= {0x600, UTF8}: return UTF8
    if e1 == 0x600 and e2 not in (UTF16, UTF32): return e2
    if e2 == 0x600 and e1 not in (UTF16, UTF32): return e1
    return UTF16 if UTF16 in (e1, e2) and UTF8 not in (e1, e2) else UTF8
def fold(s, code):
    if code in (UTF8, UTF16, UTF32, 2561): return s.upper()
    return ''.join(c.upper() if c < '\x80' else c for c in s)
def find(s, p, code, start=0): return fold(s, code).find(fold(p, code), start)
def split(s, p, code):
    out, at = [], 0
    while find(s, p, code, at) >= 0:
        i = find(s, p, code, at)
        out.append(s[at:i]); at = i + len(p)
    return out + [s[at:]]
def replace_first(s, p, r, code):
    i = find(s, p, code)
    return s if i < 0 else s[:i] + r + s[i + len(p):]
def sign(a, b): return (a > b) - (a < b)
def codes(s): return [ord(c) for c in s]
def position(s, at, code, mark):
    if at < 0: return 0
    if code == UTF32: return len(mark) + 4 * at + 1
    return len(s[:at].encode('cp932')) + 1 if code == 2561 else at + 1
def hexof(t): return t.encode('utf-8').hex() or '-'
for te in encodings:
    for pe in encodings:
        chars = [c for c in pool if holds(te[2], c) and holds(pe[2], c)]
        for case in range(10):
            t = ''.join(rng.choice(chars) for _ in range(rng.randint(1, 12)))
            if case % 2:
                i = rng.randrange(len(t)); p = t[i:i + rng.randint(1, 3)]
            else:
                p = ''.join(rng.choice(chars) for _ in range(rng.randint(1, 2)))
            exact, p = p, (p.swapcase() if case % 4 == 1 else p)
            r = ''.join(rng.choice(chars) for _ in range(rng.randint(0, 2)))
            def enc(e, s): return (e[0], e[1] + s.encode(e[2]) if s else b'')
            T, P, R = enc(te, t), enc(pe, p), enc(pe, r)
            c, own = common(te[0], pe[0]), te[0]
            rows = [('instr', P, position(t, find(t, p, c), c, te[1])),
                    ('replaceall', P, hexof(r.join(split(t, p, own)))),
                    ('replace', P, hexof(replace_first(t, p, r, own))),
                    ('count', P, len(split(t, p, own))),
                    ('nth', P, hexof((split(t, p, own) + [''])[1])),
                    ('split', P, ','.join(hexof(x) for x in split(t, p, own))),
                    ('strcomp', P, sign(codes(t), codes(p))),
                    ('compare', P, sign(codes(fold(t, c)), codes(fold(p, c))))]
            if te[0] == pe[0]:
                at = t.find(exact)
                rows.append(('instrb', enc(pe, exact),
                             len(te[1]) + len(t[:at].encode(te[2])) + 1 if at >= 0 else 0))
            for op, (cb, bb), want in rows:
                print(op, T[0], T[1].hex() or '-', cb, bb.hex() or '-', R[0], R[1].hex() or '-',
                      want)
)PY";

TEST(MixedEncodings, EveryPairOfEncodingsMatchesWholeCharactersAsPythonDoes) {
  const auto rows = utf8test::PythonRows(kPairsScript);
  ASSERT_GE(rows.size(), 64u * 10 * 8);
  ExpectRowsAgree(rows, 1);
  // U+4100 U+0100 holds the bytes of "A" across its two characters; positions in 32-bit text
  // are bytes, as Mid reads them.
  const string wide = Make(std::string("\0A\0\0\0\x01\0\0", 8), kEncodingUTF32);
  const string letter = Make(std::string("A\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, wide.Storage(), letter.Storage()), 0);
  EXPECT_EQ(StringInStrB(1, wide.Storage(), letter.Storage()), 0);
  const string xab = Make(std::string("x\0\0\0a\0\0\0b\0\0\0", 12), kEncodingUTF32);
  const string b = Make(std::string("b\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, xab.Storage(), b.Storage()), 9);
  EXPECT_EQ(StringInStr(6, xab.Storage(), b.Storage()), 9) << "a start inside a character";
  EXPECT_EQ(StringInStrB(1, xab.Storage(), b.Storage()), 9);
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

// A unit that is no character of its encoding is compared and matched as its bytes: as a
// substitute it equalled "?" and every other such unit, and a replacement anywhere in the text
// turned it into one.
TEST(MixedEncodings, UnitsThatAreNoCharactersKeepTheirBytes) {
  const string cut1 = Make("x\x81", 2561), cut2 = Make("x\x82", 2561);  // lead bytes alone
  EXPECT_NE(RuntimeStringCompare(cut1.Storage(), cut2.Storage()), 0);
  EXPECT_NE(RuntimeStringCompare(cut1.Storage(), Make("x?", 2561).Storage()), 0);
  EXPECT_NE(StringStrCompare(cut1.Storage(), cut2.Storage(), 1), 0);
  EXPECT_EQ(StringInStr(1, cut1.Storage(), Make("?", 2561).Storage()), 0);
  EXPECT_EQ(StringInStr(1, cut1.Storage(), Make("x", 2561).Storage()), 1);
  const string replaced = ReplaceText(Make("ax\x81", 2561), Make("a", 2561), Make("b", 2561),
                                      true, false);
  EXPECT_EQ(std::string(replaced.CString(), size_t(replaced.Length())), "bx\x81");
  // A 32-bit unit beyond Unicode.
  const string wide = Make(std::string("a\0\0\0\0\0\0\x7F", 8), kEncodingUTF32);
  const string question = Make(std::string("?\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, wide.Storage(), question.Storage()), 0);
  EXPECT_NE(RuntimeStringCompare(wide.Storage(), (Make(std::string("a\0\0\0", 4), kEncodingUTF32) +
                                                  question).Storage()), 0);
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
