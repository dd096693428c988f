// Encoding conversion: the common-encoding rules, relabelling, the cache, the kept converters,
// and conversions of random text checked against Python's codecs.
#include <gtest/gtest.h>
#include <iconv.h>

#include "StringFunctionsTestSupport.h"
#include "UTF8TestSupport.h"
#include "strings/Encodings.h"
#include "strings/TextEncoding.h"
#include "strings/TextEncodingObjects.h"
#include "support/ChildLimits.h"

using namespace strtest;

namespace {

// Conversion needs glibc's i386 gconv modules: every converter the framework names must open.
TEST(ConvertEncoding, EveryNamedConverterOpens) {
  for (TextEncoding code : {0, 29, 256, 513, 514, 1024, 1040, 1280, 1536, 2080, 2336, 2561,
                            3073, 0x08000100, 0x0C000100}) {
    const char* name = EncodingToIconvName(code);
    ASSERT_NE(name, nullptr) << code;
    iconv_t converter = iconv_open(name, "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << name;
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
  }
}

// Seven-bit text is relabelled, except into or out of wide, EBCDIC and stateful encodings;
// a substitute is written in the target encoding and leaves a stateful one in its initial state.
TEST(ConvertEncoding, RelabellingAndSubstitutes) {
  const struct {
    std::string bytes;
    TextEncoding from, to;
    std::string expected;
  } cases[] = {
      {"plain", kEncodingUTF8, 1280, "plain"},
      {"Hi", kEncodingASCII, 3074, "\xC8\x89"},
      {"\x1B$B$\"\x1B(B", 2080, kEncodingUTF8, "\xE3\x81\x82"},
      {"ab\xE2", kEncodingUTF8, kEncodingUnicode16, std::string("a\0b\0?\0", 6)},
      {"\xE3\x81\x82\xFF", kEncodingUTF8, 2080, "\x1B$B$\"\x1B(B?"},
  };
  for (const auto& c : cases) {
    string converted = ConvertEncoding(Make(c.bytes, c.from), c.to);
    EXPECT_EQ(Bytes(converted), c.expected) << c.from << " -> " << c.to;
    EXPECT_EQ(converted.Encoding(), c.to);
  }
}

// Without an encoding or a converter the source comes back; a converted text is cached, and the
// cache's reference makes a later write to the source copy first.
TEST(ConvertEncoding, NothingToDoAndTheCache) {
  string none = Make("\xE9", kEncodingNone), latin = Make("na\xEFve", 1280);
  EXPECT_EQ(ConvertEncoding(none, kEncodingUTF8).Storage(), none.Storage());
  EXPECT_EQ(ConvertEncoding(latin, 40).Storage(), latin.Storage());
  string first = ConvertEncoding(latin, kEncodingUTF8);
  EXPECT_EQ(ConvertEncoding(latin, kEncodingUTF8).Storage(), first.Storage());
  *latin.MutableChar(0) = 'N';
  EXPECT_EQ(Bytes(ConvertEncoding(latin, kEncodingUTF8)), "Na\xC3\xAFve");
}

// Through the converter alone, past the one-entry cache.
string Convert(const std::string& bytes, TextEncoding from, TextEncoding to) {
  string source = Make(bytes, from);
  return string::Adopt(ConvertTextUnix(source.Storage(), from, to));
}

// What a freshly opened converter makes of bytes that convert without error.
std::string FreshIconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "(no converter)";
  std::string out(4 * in.size() + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return "(failed)";
  out.resize(out.size() - dstLeft);
  return out;
}

// Converters are kept between conversions: round after round over more pairs than are kept,
// each conversion gives what a freshly opened converter gives, in both directions.
TEST(ConvertTextUnix, KeptConvertersServeTheirOwnPair) {
  const TextEncoding codes[] = {0,    7,    29,   256,  513,  514,  517,  519,  1024, 1029,
                                1040, 1051, 1053, 1056, 1058, 1280, 1282, 2080, 2336, 3073};
  const std::string text = "Hi, 7 ~";
  for (int round = 0; round < 3; ++round) {
    for (TextEncoding code : codes) {
      const char* name = EncodingToIconvName(code);
      string there = Convert(text, kEncodingUTF8, code);
      ASSERT_EQ(Bytes(there), FreshIconv(name, "UTF8", text)) << name << " round " << round;
      EXPECT_EQ(Bytes(Convert(Bytes(there), code, kEncodingUTF8)), text) << name << " " << round;
    }
  }
}

// A kept stateful converter starts each conversion in its initial state: text that ends inside
// a shift, or cut off in the middle of a character, does not change how the next text reads.
TEST(ConvertTextUnix, KeptStatefulConverterStartsAfresh) {
  auto convert = [](const std::string& bytes, TextEncoding from, TextEncoding to) {
    return Bytes(Convert(bytes, from, to));
  };
  for (const char* ending : {"\x1B$B$\"", "\x1B$B$\"$", "\x1B$B"}) {
    convert(ending, 2080, kEncodingUTF8);
    EXPECT_EQ(convert("$\"B", 2080, kEncodingUTF8), "$\"B") << ending;
  }
  EXPECT_EQ(convert("\xE3\x81\x82", kEncodingUTF8, 2080), "\x1B$B$\"\x1B(B");
  EXPECT_EQ(convert("$\"B", kEncodingUTF8, 2080), "$\"B");
}

// Two texts meet in their common encoding: wide beats single-byte, UTF-8 beats wide; without
// one both stay as they were; a nil pointer is reported.
TEST(ConvertToSameEncoding, Rules) {
  string wide = Make(std::string("a\0", 2), kEncodingUnicode16), latin = Make("\xE9", 1280);
  EXPECT_EQ(ConvertToSameEncoding(&wide, &latin), kEncodingUnicode16);
  EXPECT_EQ(Bytes(latin), std::string("\xE9\0", 2));
  string utf8 = Make("x", kEncodingUTF8), none = Make("\xE9", kEncodingNone);
  EXPECT_EQ(ConvertToSameEncoding(&wide, &utf8), kEncodingUTF8);
  EXPECT_EQ(Bytes(wide), "a");
  EXPECT_EQ(ConvertToSameEncoding(&none, &utf8), kEncodingNone);
  qvtest::ReportCapture capture;
  EXPECT_EQ(ConvertToSameEncoding(&utf8, nullptr), kEncodingNone);
  EXPECT_TRUE(capture.HasCondition("s1 and s2"));
}

// Prints lines "from to sourcehex expectedhex" for conversions to and from UTF-8 of random
// text drawn from each codec's repertoire, and of UTF-8 with invalid bytes, each of which
// Python replaces by one "?" (skipping one byte, as the converter does).
const char* kReferenceScript = R"PY(
import codecs, random
rng = random.Random(4242)
codecs.register_error('skipone', lambda err: ('?', err.start + 1))
def decodable(pairs, codec):
    out = []
    for b in pairs:
        try: out.append(bytes(b).decode(codec))
        except UnicodeDecodeError: pass
    return out
single = lambda codec, skip=(): decodable([[b] for b in range(0x20, 0x100) if b not in skip], codec)
japanese = ([chr(c) for c in range(0x20, 0x7F)] + [chr(c) for c in range(0x3041, 0x3094)] +
            [chr(c) for c in range(0x30A1, 0x30F7)] +
            decodable([[l, t] for l in range(0xB0, 0xD0) for t in range(0xA1, 0xFF)], 'euc_jp'))
unicode = [chr(c) for c in (rng.choice([rng.randint(0x20, 0x7E), rng.randint(0xA0, 0x7FF),
           rng.randint(0x800, 0xFFFD), rng.randint(0x10000, 0x10FFFF)]) for _ in range(3000))
           if not 0xD800 <= c <= 0xDFFF]
codes = [(0, 'mac_roman', single('mac_roman', (0xC6, 0xF0))), (1280, 'cp1252', single('cp1252')),
         (513, 'latin-1', single('latin-1')), (256, 'utf-16-le', unicode),
         (0x0C000100, 'utf-32', unicode), (2561, 'cp932', japanese), (2336, 'euc_jp', japanese),
         (2080, 'iso2022_jp', japanese)]
for code, codec, rep in codes:
    for i in range(25):
        text = ''.join(rng.choice(rep) for _ in range(rng.randint(1, 120)))
        print(0x08000100, code, text.encode('utf-8').hex(), text.encode(codec).hex())
        print(code, 0x08000100, text.encode(codec).hex(), text.encode('utf-8').hex())
    for i in range(10):  # invalid bytes between characters, and perhaps a lead byte cut off
        pieces = [rng.choice(rep).encode('utf-8') for _ in range(rng.randint(1, 40))]
        for _ in range(rng.randint(1, 4)):
            pieces.insert(rng.randint(0, len(pieces)), bytes([rng.choice([0x80, 0xBF, 0xFF, 0xC0])]))
        raw = b''.join(pieces) + (b'\xE3' if rng.random() < 0.5 else b'')
        print(0x08000100, code, raw.hex(), raw.decode('utf-8', 'skipone').encode(codec).hex())
)PY";

TEST(ConvertEncoding, RandomTextAgainstPython) {
  const auto rows = utf8test::PythonRows(kReferenceScript);
  ASSERT_EQ(rows.size(), 8u * 60);
  for (const auto& f : rows) {
    ASSERT_EQ(f.size(), 4u);
    const TextEncoding from = std::stoul(f[0]), to = std::stoul(f[1]);
    string converted = ConvertEncoding(Make(utf8test::Unhex(f[2]), from), to);
    EXPECT_EQ(Bytes(converted), utf8test::Unhex(f[3])) << f[0] << " -> " << f[1] << " " << f[2];
    EXPECT_EQ(converted.Encoding(), to);
  }
}

// Characters the target cannot hold, among characters it can, from UTF-8, 16-bit and 32-bit
// sources: each becomes one "?" (Python's errors='replace'), written by the target's own
// converter, so that a stateful target shifts back to ASCII for it. Some texts run to thousands
// of characters, so that refusals repeat across the converter's passes.
const char* kLossyScript = R"PY(
import random
rng = random.Random(8686)
def single(codec, skip=()):
    out = []
    for b in range(0x20, 0x100):
        try:
            if b not in skip: out.append(bytes([b]).decode(codec))
        except UnicodeDecodeError: pass
    return out
japanese = ([chr(c) for c in range(0x20, 0x7F)] + [chr(c) for c in range(0x3041, 0x3094)] +
            [chr(c) for c in range(0x30A1, 0x30F7)])
foreign = [chr(c) for r in ((0xAC00, 0xAC40), (0x0E01, 0x0E2F), (0x0531, 0x0557), (0x0905, 0x093A),
                            (0x1F600, 0x1F650)) for c in range(*r)]
codes = [(1536, 'ascii', [chr(c) for c in range(0x20, 0x7F)], [chr(c) for c in range(0xC0, 0x100)]),
         (1280, 'cp1252', single('cp1252'), []), (513, 'latin-1', single('latin-1'), []),
         (0, 'mac_roman', single('mac_roman', (0xC6, 0xF0)), []), (2561, 'cp932', japanese, []),
         (2336, 'euc_jp', japanese, []), (2080, 'iso2022_jp', japanese, [])]
sources = [(0x08000100, 'utf-8'), (256, 'utf-16-le'), (0x0C000100, 'utf-32')]
for code, codec, held, lacked in codes:
    for i in range(12):
        refused = rng.sample(foreign + lacked, rng.randint(1, 6))
        n = rng.randint(4000, 9000) if i < 2 else rng.randint(1, 60)
        text = ''.join(rng.choice(refused) if rng.random() < 0.3 else rng.choice(held) for _ in range(n))
        for source, name in sources:
            print(source, code, text.encode(name).hex(), text.encode(codec, 'replace').hex())
)PY";

TEST(ConvertEncoding, CharactersTheTargetLacksBecomeOneSubstituteEach) {
  const auto rows = utf8test::PythonRows(kLossyScript);
  ASSERT_EQ(rows.size(), 7u * 12 * 3);
  for (const auto& f : rows) {
    ASSERT_EQ(f.size(), 4u);
    const TextEncoding from = std::stoul(f[0]), to = std::stoul(f[1]);
    string converted = ConvertEncoding(Make(utf8test::Unhex(f[2]), from), to);
    ASSERT_EQ(Bytes(converted), utf8test::Unhex(f[3]))
        << f[0] << " -> " << f[1] << " " << f[2].substr(0, 200);
    EXPECT_EQ(converted.Encoding(), to);
  }
}

// An invalid unit of a 16-bit or 32-bit text (a lone surrogate, a cut-off last unit) becomes
// one "?" and the text after it keeps its alignment.
TEST(ConvertEncoding, InvalidWideUnitsKeepTheTextAfterThemAligned) {
  const struct {
    std::string bytes;
    TextEncoding from;
    std::string expected;
  } cases[] = {
      {std::string("\x00\xD8" "A\0" "B\0", 6), kEncodingUnicode16, "?AB"},
      {std::string("A\0\x00\xDC" "\xE9\0", 6), kEncodingUnicode16, "A?\xC3\xA9"},
      {std::string("A\0B", 3), kEncodingUnicode16, "A?"},
      {std::string("\x00\xD8\0\0" "A\0\0\0", 8), kEncodingUTF32, "?A"},
      {std::string("A\0\0\0" "\x00\x00\x11\x00" "B\0\0\0", 12), kEncodingUTF32, "A?B"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Bytes(Convert(c.bytes, c.from, kEncodingUTF8)), c.expected) << c.expected;
  }
}

// The Vietnamese and Hebrew code pages' decoders hold a letter back until they see whether a
// combining mark follows: the last letter of a text must still come out, alone or composed.
TEST(ConvertEncoding, ALetterHeldBackForACombiningMarkIsGivenAtTheEnd) {
  const struct {
    std::string bytes;
    TextEncoding from, to;
    std::string expected;
  } cases[] = {
      {"D", 1288, kEncodingUnicode16, std::string("D\0", 2)},
      {"Ca", 1288, kEncodingUTF8, "Ca"},
      {"Ca\xEC", 1288, kEncodingUTF8, "C\xC3\xA1"},
      {"Vi\xD2t Nam", 1288, kEncodingUTF8, "V\xE1\xBB\x89t Nam"},
      {"D\xE0", 1285, kEncodingUTF8, "D\xD7\x90"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Bytes(Convert(c.bytes, c.from, c.to)), c.expected) << c.bytes;
    EXPECT_EQ(Bytes(ConvertEncoding(Make(c.bytes, c.from), c.to)), c.expected) << c.bytes;
  }
}

// The same for every encoding the Encodings module offers that keeps ASCII's bytes and has a
// converter: a text's last letters survive the trip to 16-bit Unicode and back.
TEST(ConvertEncoding, EveryModuleEncodingGivesUpItsLastLetters) {
  RuntimeObject* module = GetEncodingsObject();
  for (uint32_t i = 1; i <= kEncodingsPropertyCount; ++i) {
    TextEncodingObject* object = EncodingsGetter(module, i);
    const TextEncoding code = GetEncodingFromTEObject(object);
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(object));
    // Some Mac scripts have no converter here; their text stays as it is.
    if (!IsASCIITransparentEncoding(code) || !EncodingToIconvName(code)) continue;
    const string wide = Convert("Da", code, kEncodingUnicode16);
    EXPECT_EQ(Bytes(wide), std::string("D\0a\0", 4)) << code;
    EXPECT_EQ(Bytes(Convert(Bytes(wide), kEncodingUnicode16, code)), "Da") << code;
  }
  RuntimeUnlockObject(module);
}

// A conversion whose result finds no memory takes the framework's out-of-memory exit, through
// ConvertEncoding and a TextConverter alike; it never answers its source, still labelled ASCII,
// as if converted. With room the same conversion is made.
TEST(ConvertEncoding, AConversionWithoutMemoryTakesTheOutOfMemoryExit) {
  constexpr int32_t kLength = 16 << 20;  // its 16-bit form takes 32 MB
  for (bool converter : {false, true}) {
    // Blocks freed under the cap stay mapped for a while under the sanitizer; the room that
    // must fail frees nothing before the conversion asks.
    for (size_t room : {(size_t{96} << 20) + qvtest::kFreedBlocksKeptMapped, size_t{8} << 20}) {
      SCOPED_TRACE(std::string(converter ? "TextConverter" : "ConvertEncoding") + " with " +
                   std::to_string(room >> 20) + " MB");
      std::string output;
      const int status = qvtest::RunInChild(
          [&] {
            const string source(std::string(kLength, 'a').c_str());
            TextConverterObject* toWide = getTextConverter(
                GetTextEncodingObject(kEncodingASCII), GetTextEncodingObject(kEncodingUnicode16));
            if (!qvtest::LimitAddressSpace(room)) return;
            const string wide =
                converter ? string::Adopt(textConverterConvert(toWide, source.Storage()))
                          : ConvertEncoding(source, kEncodingUnicode16);
            std::fprintf(stderr, "%x %d\n", wide.Encoding(), wide.Length());
          },
          &output);
      ASSERT_TRUE(WIFEXITED(status)) << output;
      if (room > size_t{8} << 20) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(output, "100 " + std::to_string(2 * kLength) + "\n");
      } else {
        EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
        EXPECT_EQ(output, "This application has run out of memory and must quit now.\n");
      }
    }
  }
}

}  // namespace
