// ASCII text beside text in an encoding whose 7-bit bytes are not ASCII characters (16-bit and
// 32-bit Unicode, EBCDIC), and every pair of 8-, 16- and 32-bit encodings: every string
// function that brings the two together gives the characters Python's codecs give, in either
// order, and matches whole characters only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <random>

#include "StringFunctionsTestSupport.h"
#include "UTF8TestSupport.h"
#include "arrays/RuntimeArray.h"
#include "strings/EncodedCharacters.h"
#include "strings/StringCase.h"
#include "strings/StringCharacters.h"
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

// The bytes of a result as they stand, as hex ("-" when there are none).
std::string TakenBytes(stringStorage* record) {
  const std::string hex = utf8test::Hex(Bytes(string::Adopt(record)));
  return hex.empty() ? "-" : hex;
}

std::string PiecesOf(RuntimeArray* array, std::string (*taken)(stringStorage*) = Taken) {
  std::string out;
  auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(array->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(array); ++i) out += (i ? "," : "") + taken(get(array, i));
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
  if (op.rfind("instrfrom:", 0) == 0) {
    const int32_t start = std::stoi(op.substr(op.find(':') + 1));
    return std::to_string(StringInStr(start, a.Storage(), b.Storage()));
  }
  if (op == "replaceb") return TakenBytes(StringReplaceB(a.Storage(), b.Storage(), c.Storage()));
  if (op == "replaceallb")
    return TakenBytes(StringReplaceAllB(a.Storage(), b.Storage(), c.Storage()));
  if (op == "countb") return std::to_string(StringCountFieldsB(a.Storage(), b.Storage()));
  if (op == "nthb") return TakenBytes(StringNthFieldB(a.Storage(), b.Storage(), 2));
  if (op == "splitb") return PiecesOf(StringSplitB(a.Storage(), b.Storage()), TakenBytes);
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
// without a byte-order mark, and the two-byte and stateful Japanese ones: a match holds whole
// characters of both texts, whatever bytes they share. Rows: the operation, the text, the
// pattern and the replacement (code and hex each), and what Python's codecs give; InStr counts
// in the pair's common encoding (bytes of 32-bit text, of the Japanese encodings and of other
// 8-bit text, after a mark; the own bytes of an ISO-2022-JP character, after its escape), and
// instrfrom:N starts at N, inside a character or an escape too. Matching that ignores case
// folds letters by Unicode in Unicode text and in text read by its characters (32-bit and the
// Japanese encodings), ASCII letters alone in other 8-bit text. The byte forms find the
// pattern's bytes in the text's, whatever either holds.
const char* kPairsScript = R"PY(
import codecs, random
rng = random.Random(92)
UTF8, UTF16, UTF32 = 0x08000100, 0x100, 0x0C000100
encodings = [(0x600, b'', 'ascii'), (513, b'', 'latin-1'), (2561, b'', 'cp932'),
             (UTF8, b'', 'utf-8'), (UTF16, b'', 'utf-16-le'), (UTF32, b'', 'utf-32-le'),
             (UTF32, b'\xff\xfe\0\0', 'utf-32-le'), (UTF32, b'\0\0\xfe\xff', 'utf-32-be'),
             (2336, b'', 'euc_jp'), (0x820, b'', 'iso2022_jp')]
codec_of = {0x600: 'ascii', 513: 'latin-1', 2561: 'cp932', UTF8: 'utf-8', UTF16: 'utf-16-le',
            2336: 'euc_jp', 0x820: 'iso2022_jp'}
by_character = (UTF8, UTF16, UTF32, 2561, 2336, 0x820)
# Characters whose bytes in one encoding hold another's: U+4100 is 00 41 in 16-bit units,
# U+0141 is 41 01, U+0100 00 01; cp932's ソ is 83 5C, whose second byte is "\"; EUC-JP writes
# é and ł in three bytes.
pool = 'aAbBx\\ ,éÉłŁšŠĀā\u4100\u0141\u0100アソ日ｱ'
def holds(codec, c):
    try: return bool(c.encode(codec))
    except UnicodeEncodeError: return False
def common(e1, e2):
    if e1 == e2: return e1
    if {e1, e2} <= {0x600, UTF8}: return UTF8
    if e1 == 0x600 and e2 not in (UTF16, UTF32, 0x820): return e2
    if e2 == 0x600 and e1 not in (UTF16, UTF32, 0x820): return e1
    return UTF16 if UTF16 in (e1, e2) and UTF8 not in (e1, e2) else UTF8
def fold(s, code):
    if code in by_character: return s.upper()
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
def offsets(s, code, mark):
    # Where each character of s stands, as InStr counts in text of that encoding.
    if code in (UTF8, UTF16): return list(range(len(s)))
    if code == UTF32: return [len(mark) + 4 * i for i in range(len(s))]
    out, done = [], 0
    encoder = codecs.getincrementalencoder(codec_of[code])()
    for c in s:
        b = encoder.encode(c)
        escape = 3 if b[:1] == b'\x1b' else 0
        out.append(done + escape); done += len(b)
    return out
def instr(t, p, code, mark, start=1):
    places = offsets(t, code, mark)
    for i, at in enumerate(places):
        if at >= start - 1 and fold(t[i:i + len(p)], code) == fold(p, code): return at + 1
    return 0
def hexof(t): return t.encode('utf-8').hex() or '-'
def bytes_hex(b): return b.hex() or '-'
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
            mark = te[1] if c == te[0] else b''
            start = rng.randint(1, offsets(t, c, mark)[-1] + 2)
            rows = [('instr', P, instr(t, p, c, mark)),
                    ('instrfrom:%d' % start, P, instr(t, p, c, mark, start)),
                    ('replaceall', P, hexof(r.join(split(t, p, own)))),
                    ('replace', P, hexof(replace_first(t, p, r, own))),
                    ('count', P, len(split(t, p, own))),
                    ('nth', P, hexof((split(t, p, own) + [''])[1])),
                    ('split', P, ','.join(hexof(x) for x in split(t, p, own))),
                    ('strcomp', P, sign(codes(t), codes(p))),
                    ('compare', P, sign(codes(fold(t, c)), codes(fold(p, c))))]
            B = enc(pe, exact)[1]
            pieces = T[1].split(B)
            rows += [('instrb', (pe[0], B), T[1].find(B) + 1),
                     ('replaceb', (pe[0], B), bytes_hex(T[1].replace(B, R[1], 1))),
                     ('replaceallb', (pe[0], B), bytes_hex(T[1].replace(B, R[1]))),
                     ('countb', (pe[0], B), len(pieces)),
                     ('nthb', (pe[0], B), bytes_hex((pieces + [b''])[1])),
                     ('splitb', (pe[0], B), ','.join(bytes_hex(x) for x in pieces))]
            for op, (cb, bb), want in rows:
                print(op, T[0], T[1].hex() or '-', cb, bb.hex() or '-', R[0], R[1].hex() or '-',
                      want)
)PY";

TEST(MixedEncodings, EveryPairOfEncodingsMatchesWholeCharactersAsPythonDoes) {
  const auto rows = utf8test::PythonRows(kPairsScript);
  ASSERT_GE(rows.size(), 100u * 10 * 15);
  ExpectRowsAgree(rows, 1);
  // U+4100 U+0100 holds the bytes of "A" across its two characters, which InStr passes and
  // InStrB finds at byte 2, in 32-bit and in 16-bit text alike; positions in 32-bit text are
  // bytes, as Mid reads them.
  const string wide = Make(std::string("\0A\0\0\0\x01\0\0", 8), kEncodingUTF32);
  const string letter = Make(std::string("A\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, wide.Storage(), letter.Storage()), 0);
  EXPECT_EQ(StringInStrB(1, wide.Storage(), letter.Storage()), 2);
  const string wide16 = Make(std::string("\0A\0\x01", 4), kEncodingUnicode16);
  const string letter16 = Make(std::string("A\0", 2), kEncodingUnicode16);
  EXPECT_EQ(StringInStr(1, wide16.Storage(), letter16.Storage()), 0);
  EXPECT_EQ(StringInStrB(1, wide16.Storage(), letter16.Storage()), 2);
  const string xab = Make(std::string("x\0\0\0a\0\0\0b\0\0\0", 12), kEncodingUTF32);
  const string b = Make(std::string("b\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, xab.Storage(), b.Storage()), 9);
  EXPECT_EQ(StringInStr(6, xab.Storage(), b.Storage()), 9) << "a start inside a character";
  EXPECT_EQ(StringInStrB(1, xab.Storage(), b.Storage()), 9);
}

// In ISO-2022-JP text a character stands where its own bytes start, after the escape that
// shifted to its set; the character forms' slices from there hold the character, in the shift
// state it was written in, while the byte forms keep the bytes as they stand.
TEST(MixedEncodings, PositionsAndSlicesInISO2022JPText) {
  constexpr TextEncoding kISO2022JP = 0x0820;
  const string nihongo = Make("\x1B$BF|K\\8l\x1B(B", kISO2022JP);
  auto japanese = [&](const char* utf8) {
    return ConvertEncoding(Make(utf8, kEncodingUTF8), kISO2022JP);
  };
  const string ni = japanese("\xE6\x97\xA5"), hon = japanese("\xE6\x9C\xAC"),
               go = japanese("\xE8\xAA\x9E");
  EXPECT_EQ(StringInStr(1, nihongo.Storage(), hon.Storage()), 6);
  EXPECT_EQ(StringInStr(1, nihongo.Storage(), go.Storage()), 8);
  EXPECT_EQ(StringInStr(1, nihongo.Storage(), ni.Storage()), 4);
  EXPECT_EQ(StringInStr(2, nihongo.Storage(), ni.Storage()), 4) << "a start inside the escape";
  EXPECT_EQ(StringInStr(5, nihongo.Storage(), ni.Storage()), 0) << "a start inside the character";
  EXPECT_EQ(StringInStr(7, nihongo.Storage(), go.Storage()), 8);
  EXPECT_EQ(StringInStr(1, nihongo.Storage(), Make("K", kISO2022JP).Storage()), 0);
  EXPECT_EQ(Taken(StringDBCSMid3(nihongo.Storage(), 6, 2)), "e69cac");
  EXPECT_EQ(Taken(StringDBCSMid2(nihongo.Storage(), 8)), "e8aa9e");
  EXPECT_EQ(Taken(StringDBCSLeft(nihongo.Storage(), 5)), "e697a5");
  EXPECT_EQ(Taken(StringDBCSRight(nihongo.Storage(), 5)), "e8aa9e");
  const string joined = string::Adopt(StringDBCSLeft(nihongo.Storage(), 5)) + Make("K", kISO2022JP);
  EXPECT_EQ(CharactersOf(joined), "e697a54b") << "a slice ends in the initial state";
  EXPECT_EQ(TakenBytes(StringMid3(nihongo.Storage(), 6, 2)), "4b5c");
  // A slice cut inside an escape or a character holds only whole characters of the text.
  EXPECT_EQ(Taken(StringDBCSMid2(nihongo.Storage(), 2)), "e697a5e69cace8aa9e");
  EXPECT_EQ(TakenBytes(StringDBCSMid2(nihongo.Storage(), 3)), "1b2442467c4b5c386c1b2842");
  EXPECT_EQ(Taken(StringDBCSMid3(nihongo.Storage(), 3, 3)), "e697a5");
  EXPECT_EQ(Taken(StringDBCSRight(nihongo.Storage(), 10)), "e697a5e69cace8aa9e");
  EXPECT_EQ(TakenBytes(StringDBCSLeft(nihongo.Storage(), 11)), "1b2442467c4b5c386c1b2842");
  EXPECT_EQ(Taken(StringDBCSMid3(nihongo.Storage(), 5, 2)), "-") << "halves of two characters";
  EXPECT_EQ(Taken(StringDBCSLeft(nihongo.Storage(), 2)), "-") << "part of an escape";
}

// Read from any byte offset, text of an encoding that is read by its characters meets the
// characters a read from its start meets, stray bytes and cut-off characters included.
TEST(MixedEncodings, ReadingFromAnyOffsetMeetsTheCharactersOfAReadFromTheStart) {
  const std::string pieces[] = {"\x1B$B", "\x1B(B", "\x1B(J", "\x1B", "\x8F", "\x8E", "\\",
                                std::string(1, '\0')};
  std::mt19937 rng(98);
  for (TextEncoding encoding : {kEncodingUTF32, 3073u, 1056u, 1057u, 1058u, 1059u, 1296u,
                                1585u, 2336u, 2561u, 0x0820u}) {
    ASSERT_TRUE(EncodedTextReader::Reads(encoding)) << encoding;
    for (int round = 0; round < 40; ++round) {
      std::string bytes;
      while (bytes.size() < 24) {
        if (rng() % 4)
          bytes += static_cast<char>(rng() % 3 ? 0x21 + rng() % 0x5E : rng() % 256);
        else
          bytes += pieces[rng() % 8];
      }
      const string text = Make(bytes, encoding);
      std::vector<int32_t> starts;
      EncodedTextReader whole(text);
      for (EncodedUnit unit; whole.Next(&unit);) starts.push_back(unit.start);
      for (int32_t from = 0; from <= text.Length(); ++from) {
        EncodedTextReader reader(text);
        reader.Seek(from);
        EncodedUnit unit{0, -1};
        const auto expected = std::lower_bound(starts.begin(), starts.end(), from);
        const int32_t want = expected == starts.end() ? -1 : *expected;
        EXPECT_EQ(reader.Next(&unit) ? unit.start : -1, want) << encoding << " from " << from;
      }
    }
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
  // The characters beside such a unit are still matched whole: the "\\" of katakana so.
  const string soCut = Make("\x83\x5Cx\x81", 2561);
  EXPECT_EQ(StringInStr(1, soCut.Storage(), Make("\\", 2561).Storage()), 0);
  EXPECT_EQ(StringInStr(1, soCut.Storage(), Make("X", 2561).Storage()), 3);
  const string replaced = ReplaceText(Make("ax\x81", 2561), Make("a", 2561), Make("b", 2561),
                                      true, false);
  EXPECT_EQ(std::string(replaced.CString(), size_t(replaced.Length())), "bx\x81");
  // A 32-bit unit beyond Unicode.
  const string wide = Make(std::string("a\0\0\0\0\0\0\x7F", 8), kEncodingUTF32);
  const string question = Make(std::string("?\0\0\0", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, wide.Storage(), question.Storage()), 0);
  EXPECT_NE(RuntimeStringCompare(wide.Storage(), (Make(std::string("a\0\0\0", 4), kEncodingUTF32) +
                                                  question).Storage()), 0);
  EXPECT_EQ(StringInStr(1, wide.Storage(), Make("?", kEncodingASCII).Storage()), 0);
  // Nor does a surrogate meet the unit beyond Unicode with its low bits, or a cut-off unit a
  // whole one that holds its bytes.
  const string surrogate = Make(std::string("\0\xD8\0\0", 4), kEncodingUTF32);
  const string beyond = Make(std::string("\0\xD8\0\x80", 4), kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, beyond.Storage(), surrogate.Storage()), 0);
  EXPECT_EQ(StringInStr(1, surrogate.Storage(), beyond.Storage()), 0);
  EXPECT_EQ(StringInStr(1, surrogate.Storage(), surrogate.Storage()), 1);
  const string cutOff = Make("AB", kEncodingUTF32);
  EXPECT_EQ(StringInStr(1, Make(std::string("BA\0\xFF" "AB", 6), kEncodingUTF32).Storage(),
                        cutOff.Storage()), 5);
  EXPECT_EQ(StringInStr(1, Make(std::string("BA\0\xFF", 4), kEncodingUTF32).Storage(),
                        cutOff.Storage()), 0);
}

// A pattern that decodes to no character (a byte-order mark, an escape) is found at the start,
// but like any other never at or past the end; a slice of big-endian 32-bit text keeps the
// text's mark.
TEST(MixedEncodings, MarksAndEscapesInPatternsAndSlices) {
  const string ab = Make(std::string("\xFF\xFE\0\0" "a\0\0\0b\0\0\0", 12), kEncodingUTF32);
  const string mark = Make(std::string("\xFF\xFE\0\0", 4), kEncodingUTF32);
  const string nihongo = Make("\x1B$BF|K\\8l\x1B(B", kEncodingISO2022JP);
  const string reset = Make("\x1B(B", kEncodingISO2022JP);
  const struct {
    const string& text;
    const string& pattern;
    int32_t start, expected;
  } rows[] = {{ab, mark, 5, 5},     {ab, mark, 12, 12},     {ab, mark, 13, 0},
              {ab, mark, 0, 1},     {nihongo, reset, 4, 4}, {nihongo, reset, 12, 12},
              {nihongo, reset, 13, 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(StringInStr(row.start, row.text.Storage(), row.pattern.Storage()), row.expected)
        << row.text.Encoding() << " from " << row.start;
  }
  const string big = Make(std::string("\0\0\xFE\xFF\0\0\0a\0\0\0b", 12), kEncodingUTF32);
  EXPECT_EQ(Taken(StringDBCSMid2(big.Storage(), 9)), "62");
  EXPECT_EQ(Taken(StringDBCSMid3(big.Storage(), 5, 4)), "61");
  EXPECT_EQ(Taken(StringDBCSRight(big.Storage(), 8)), "6162");
  EXPECT_EQ(TakenBytes(StringDBCSLeft(big.Storage(), 8)), "0000feff00000061");
  EXPECT_EQ(TakenBytes(StringDBCSMid3(big.Storage(), 2, 3)), "0000feff00feff");
  EXPECT_EQ(TakenBytes(StringMid3(big.Storage(), 9, 4)), "00000062") << "bytes stay bytes";
}

// A search goes on from where the last search of the same text found its match, and a slice
// from where it ended: whatever order the starts come in, the answers are those of a fresh copy
// of the text, for which nothing is kept.
TEST(MixedEncodings, SearchesFromKeptPlacesAnswerAsFreshOnes) {
  const char* pool[] = {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE3\x80\x82", "a", "B", ",", " "};
  const struct {
    bool own;  // in the text's encoding, else in this one
    TextEncoding encoding;
    const char* utf8;
  } patterns[] = {{true, 0, "\xE6\x97\xA5"},
                  {false, kEncodingASCII, ","},
                  {false, kEncodingUTF8, "\xE6\x9C\xAC\xE3\x80\x82"},
                  {false, kEncodingUnicode16, "b"},
                  {false, kEncodingUTF8, "A\xE6\x97\xA5"}};
  std::mt19937 rng(103);
  for (TextEncoding encoding : {2336u, 1585u, 1058u, 2080u, 2561u, kEncodingUTF32, kEncodingUTF8,
                                kEncodingUnicode16}) {
    for (int round = 0; round < 12; ++round) {
      std::string utf8;
      for (int i = 0; i < 200; ++i) utf8 += pool[rng() % 7];
      const string text = ConvertEncoding(Make(utf8, kEncodingUTF8), encoding);
      ASSERT_EQ(text.Encoding(), encoding);
      for (int call = 0; call < 40; ++call) {
        const auto& p = patterns[rng() % 5];
        const string utf8Pattern = Make(p.utf8, kEncodingUTF8);
        const string pattern = ConvertEncoding(utf8Pattern, p.own ? encoding : p.encoding);
        const int32_t start = int32_t(rng() % 700) - 2;
        const string fresh = Make(Bytes(text), encoding);
        const int32_t found = StringInStr(start, text.Storage(), pattern.Storage());
        ASSERT_EQ(found, StringInStr(start, fresh.Storage(), pattern.Storage()))
            << encoding << " from " << start << " " << Bytes(utf8Pattern);
        ASSERT_EQ(Taken(StringDBCSMid3(text.Storage(), found, 3)),
                  Taken(StringDBCSMid3(fresh.Storage(), found, 3)));
      }
    }
  }
  // A label changed in place (as a plug-in may) keeps nothing of what was kept under the old:
  // a place counted in ISO-2022-JP characters is no place in the same bytes read as EUC-JP.
  std::string utf8;
  for (int i = 0; i < 300; ++i) utf8 += pool[i % 4];
  string text = ConvertEncoding(Make(utf8, kEncodingUTF8), 2080);
  const string hon = Make(pool[1], kEncodingUTF8), a = Make("a", kEncodingUTF8);
  ASSERT_GT(StringInStr(150, text.Storage(), hon.Storage()), 0);
  for (TextEncoding label : {2336u, 2561u}) {
    text.Storage()->encoding = label;
    const string relabelled = Make(Bytes(text), label);
    for (int32_t start : {250, 160}) {
      EXPECT_EQ(StringInStr(start, text.Storage(), a.Storage()),
                StringInStr(start, relabelled.Storage(), a.Storage())) << label;
      EXPECT_EQ(Taken(StringDBCSMid3(text.Storage(), start, 2)),
                Taken(StringDBCSMid3(relabelled.Storage(), start, 2))) << label;
    }
  }
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
