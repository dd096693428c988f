// Encoding conversion: the common-encoding rules, relabelling, the cache, and conversions of
// random text checked against Python's codecs.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "strings/RuntimeString.h"
#include "strings/TextEncoding.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

// Runs python3 -c script args... and returns its standard output.
std::string RunPython(const std::string& script, const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return "";
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv = {const_cast<char*>("python3"), const_cast<char*>("-c"),
                               const_cast<char*>(script.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp("python3", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  std::string out;
  std::vector<char> buffer(65536);
  ssize_t n;
  while ((n = read(pipeFds[0], buffer.data(), buffer.size())) > 0) out.append(buffer.data(), n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "python3 failed";
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// ---- rules ----

TEST(CommonEncoding, Rules) {
  EXPECT_EQ(CommonEncoding(1280, 1280, false), 1280u);
  EXPECT_EQ(CommonEncoding(kEncodingASCII, kEncodingUTF8, false), kEncodingUTF8);
  EXPECT_EQ(CommonEncoding(kEncodingUTF8, kEncodingASCII, false), kEncodingUTF8);
  EXPECT_EQ(CommonEncoding(kEncodingASCII, 1280, false), 1280u);
  EXPECT_EQ(CommonEncoding(kEncodingASCII, 1280, true), 1280u);
  EXPECT_EQ(CommonEncoding(513, kEncodingASCII, false), 513u);
  EXPECT_EQ(CommonEncoding(kEncodingASCII, kEncodingUnicode16, false), kEncodingNone);
  EXPECT_EQ(CommonEncoding(kEncodingASCII, kEncodingUnicode16, true), kEncodingUnicode16);
  EXPECT_EQ(CommonEncoding(kEncodingUTF8, kEncodingUnicode16, true), kEncodingUTF8);
  EXPECT_EQ(CommonEncoding(1280, 513, true), kEncodingUTF8);
  EXPECT_EQ(CommonEncoding(1280, 513, false), kEncodingNone);
}

TEST(EncodingAttributes, UTF8IsFormat2OfUnicode) {
  uint32_t base = 9, variant = 9, format = 9;
  GetEncodingAttributes(kEncodingUTF8, base, variant, format);
  EXPECT_EQ(base, 0x100u);
  EXPECT_EQ(variant, 0u);
  EXPECT_EQ(format, 2u);
  GetEncodingAttributes(1280, base, variant, format);
  EXPECT_EQ(base, 1280u);
  EXPECT_EQ(format, 0u);
}

TEST(EncodingNames, EveryConverterOpens) {
  // The i386 gconv modules must be installed for any of this to work.
  const TextEncoding codes[] = {0,    7,    29,   256,  513,  514,  515,  516,  517,  518,
                                519,  520,  521,  527,  1024, 1029, 1030, 1040, 1041, 1042,
                                1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052,
                                1053, 1056, 1057, 1058, 1059, 1280, 1281, 1282, 1283, 1284,
                                1285, 1286, 1287, 1288, 1296, 1536, 1585, 2080, 2336, 2561,
                                3073, 3074, kEncodingUTF8, kEncodingUTF32, kEncodingNone};
  for (TextEncoding code : codes) {
    const char* name = EncodingToIconvName(code);
    ASSERT_NE(name, nullptr) << code;
    iconv_t cd = iconv_open(name, "UTF8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  EXPECT_STREQ(EncodingToIconvName(0), "MAC");
  EXPECT_STREQ(EncodingToIconvName(kEncodingNone), "UTF8");
  EXPECT_EQ(EncodingToIconvName(40), nullptr);
  EXPECT_EQ(EncodingToIconvName(0x0500 + 99), nullptr);
}

TEST(SystemEncoding, IsUTF8) {
  EXPECT_EQ(GetSystemEncoding(), kEncodingUTF8);
  EXPECT_EQ(GetEncodingFromFont(string("Helvetica")), kEncodingUTF8);
  EXPECT_EQ(GetEncodingFromFont(string()), kEncodingUTF8) << "the last answer";
  string s = ConvertToSystemEncoding(Make("caf\xE9", 1280));
  EXPECT_EQ(Bytes(s), "caf\xC3\xA9");
  EXPECT_EQ(s.Encoding(), kEncodingUTF8);
}

// ---- ConvertEncoding ----

TEST(ConvertEncoding, RelabelsSevenBitText) {
  string ascii = Make("plain", kEncodingUTF8);
  string latin = ConvertEncoding(ascii, 1280);
  EXPECT_EQ(Bytes(latin), "plain");
  EXPECT_EQ(latin.Encoding(), 1280u);
  EXPECT_EQ(ascii.Encoding(), kEncodingUTF8) << "the source keeps its label";
}

TEST(ConvertEncoding, NeverRelabelsIntoOrOutOfWideOrEBCDIC) {
  string ascii = Make("Hi", kEncodingASCII);
  string wide = ConvertEncoding(ascii, kEncodingUnicode16);
  EXPECT_EQ(Bytes(wide), std::string("H\0i\0", 4));
  string wide32 = ConvertEncoding(ascii, kEncodingUTF32);
  EXPECT_EQ(Bytes(wide32), std::string("\xFF\xFE\0\0H\0\0\0i\0\0\0", 12));
  string ebcdic = ConvertEncoding(ascii, 3074);
  EXPECT_EQ(Bytes(ebcdic), "\xC8\x89");
  string back = ConvertEncoding(Make("\xC8\x89", 3074), kEncodingUTF8);
  EXPECT_EQ(Bytes(back), "Hi");
  string fromWide = ConvertEncoding(Make(std::string("H\0i\0", 4), kEncodingUnicode16), 1280);
  EXPECT_EQ(Bytes(fromWide), "Hi");
  string jis = Make("\x1B$B$\"\x1B(B", 2080);  // one hiragana letter, all bytes 7-bit
  EXPECT_EQ(Bytes(ConvertEncoding(jis, kEncodingUTF8)), "\xE3\x81\x82");
}

TEST(ConvertEncoding, ConvertsThroughIconv) {
  string latin = Make("caf\xE9", 1280);
  string utf8 = ConvertEncoding(latin, kEncodingUTF8);
  EXPECT_EQ(Bytes(utf8), "caf\xC3\xA9");
  EXPECT_EQ(utf8.Encoding(), kEncodingUTF8);
}

TEST(ConvertEncoding, CutOffLeadByteBecomesQuestionMark) {
  string s = Make("ab\xE2", kEncodingUTF8);
  EXPECT_EQ(Bytes(ConvertEncoding(s, 1280)), "ab?");
  EXPECT_EQ(Bytes(ConvertEncoding(s, kEncodingUnicode16)), std::string("a\0b\0?\0", 6))
      << "the substitute is written in the target encoding";
}

TEST(ConvertEncoding, NothingToDo) {
  string none = Make("\xE9", kEncodingNone);
  EXPECT_EQ(ConvertEncoding(none, kEncodingUTF8).Storage(), none.Storage());
  string latin = Make("\xE9", 1280);
  EXPECT_EQ(ConvertEncoding(latin, kEncodingNone).Storage(), latin.Storage());
  EXPECT_EQ(ConvertEncoding(latin, 1280).Storage(), latin.Storage());
  EXPECT_TRUE(ConvertEncoding(string(), kEncodingUTF8).IsEmpty());
  string unknown = ConvertEncoding(latin, 40);
  EXPECT_EQ(unknown.Encoding(), 1280u);
  EXPECT_EQ(Bytes(unknown), "\xE9");
}

TEST(ConvertEncoding, CacheServesTheSameRecord) {
  string latin = Make("na\xEFve", 1280);
  string first = ConvertEncoding(latin, kEncodingUTF8);
  string second = ConvertEncoding(latin, kEncodingUTF8);
  EXPECT_EQ(first.Storage(), second.Storage());
  string other = ConvertEncoding(latin, kEncodingUnicode16);
  EXPECT_NE(other.Storage(), first.Storage()) << "another target converts again";
  EXPECT_EQ(Bytes(other), std::string("n\0a\0\xEF\0v\0e\0", 10));
  string equalText = Make("na\xEFve", 1280);
  string third = ConvertEncoding(equalText, kEncodingUTF8);
  EXPECT_EQ(Bytes(third), Bytes(first));
  // The cache holds a reference, so a cached source is shared and written only after a copy.
  EXPECT_GE(equalText.Storage()->refCount, 2u);
  *equalText.MutableChar(0) = 'N';
  EXPECT_EQ(Bytes(ConvertEncoding(equalText, kEncodingUTF8)), "Na\xC3\xAFve");
}

TEST(ConvertToSameEncoding, Rules) {
  {
    string wide = Make(std::string("a\0", 2), kEncodingUnicode16), latin = Make("\xE9", 1280);
    EXPECT_EQ(ConvertToSameEncoding(&wide, &latin), kEncodingUnicode16);
    EXPECT_EQ(Bytes(latin), std::string("\xE9\0", 2));
    EXPECT_EQ(Bytes(wide), std::string("a\0", 2));
  }
  {
    string wide = Make(std::string("a\0", 2), kEncodingUnicode16), utf8 = Make("x", kEncodingUTF8);
    EXPECT_EQ(ConvertToSameEncoding(&wide, &utf8), kEncodingUTF8);
    EXPECT_EQ(Bytes(wide), "a");
    EXPECT_EQ(wide.Encoding(), kEncodingUTF8);
  }
  {
    string nil, latin = Make("\xE9", 1280), nil2;
    EXPECT_EQ(ConvertToSameEncoding(&nil, &latin), 1280u);
    EXPECT_EQ(ConvertToSameEncoding(&latin, &nil), 1280u);
    EXPECT_EQ(ConvertToSameEncoding(&nil, &nil2), kEncodingASCII);
  }
  {
    string none = Make("\xE9", kEncodingNone), latin = Make("\xE9", 1280);
    EXPECT_EQ(ConvertToSameEncoding(&none, &latin), kEncodingNone);
    EXPECT_EQ(latin.Encoding(), 1280u);
  }
  {
    qvtest::ReportCapture capture;
    string s("x");
    EXPECT_EQ(ConvertToSameEncoding(&s, nullptr), kEncodingNone);
    EXPECT_TRUE(capture.HasCondition("s1 and s2"));
  }
}

// ---- random text against Python's codecs ----

// Prints lines "code sourcehex expectedhex" for conversions to and from UTF-8 of random text
// drawn from each codec's repertoire, and of UTF-8 with invalid bytes, each of which Python
// replaces by one "?" (skipping one byte, as the converter does).
const char* kReferenceScript = R"PY(
import codecs, random, sys
rng = random.Random(int(sys.argv[1]))
def skip_one(err):
    return ('?', err.start + 1)
codecs.register_error('skipone', skip_one)

def single_byte(codec, exclude=()):
    out = []
    for b in range(0x20, 0x100):
        if b in exclude: continue
        try: out.append(bytes([b]).decode(codec))
        except UnicodeDecodeError: pass
    return out
ascii = [chr(c) for c in range(0x20, 0x7F)]
kana = [chr(c) for c in range(0x3041, 0x3094)] + [chr(c) for c in range(0x30A1, 0x30F7)]
kanji = []
for lead in range(0xB0, 0xD0):
    for trail in range(0xA1, 0xFF):
        try: kanji.append(bytes([lead, trail]).decode('euc_jp'))
        except UnicodeDecodeError: pass
japanese = ascii + kana + kanji
def unicode_chars(n):
    out = []
    while len(out) < n:
        c = rng.choice([rng.randint(0x20, 0x7E), rng.randint(0xA0, 0x7FF),
                        rng.randint(0x800, 0xFFFD), rng.randint(0x10000, 0x10FFFF)])
        if not 0xD800 <= c <= 0xDFFF: out.append(chr(c))
    return out
unicode = unicode_chars(3000)

codes = [(0, 'mac_roman', single_byte('mac_roman', (0xC6, 0xF0))),
         (1280, 'cp1252', single_byte('cp1252')),
         (513, 'latin-1', single_byte('latin-1')),
         (256, 'utf-16-le', unicode),
         (0x0C000100, 'utf-32', unicode),
         (2561, 'cp932', japanese),
         (2336, 'euc_jp', japanese),
         (2080, 'iso2022_jp', japanese)]
for code, codec, rep in codes:
    for i in range(25):
        text = ''.join(rng.choice(rep) for _ in range(rng.randint(1, 120)))
        encoded = text.encode(codec)
        print(0x08000100, code, text.encode('utf-8').hex(), encoded.hex())
        print(code, 0x08000100, encoded.hex(), text.encode('utf-8').hex())
    for i in range(10):
        pieces = [rng.choice(rep).encode('utf-8') for _ in range(rng.randint(1, 40))]
        for _ in range(rng.randint(1, 4)):  # invalid bytes between characters
            pieces.insert(rng.randint(0, len(pieces)), bytes([rng.choice([0x80, 0xBF, 0xFF, 0xC0])]))
        if rng.random() < 0.5: pieces.append(b'\xE3')  # a lead byte cut off at the end
        raw = b''.join(pieces)
        expected = bytes(raw).decode('utf-8', 'skipone').encode(codec)
        print(0x08000100, code, bytes(raw).hex(), expected.hex())
)PY";

TEST(ConvertEncoding, RandomTextAgainstPython) {
  std::istringstream lines(RunPython(kReferenceScript, {"4242"}));
  int cases = 0;
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    unsigned long from = 0, to = 0;
    std::string sourceHex, expectedHex;
    fields >> from >> to >> sourceHex >> expectedHex;
    string source = Make(FromHex(sourceHex), static_cast<TextEncoding>(from));
    string converted = ConvertEncoding(source, static_cast<TextEncoding>(to));
    EXPECT_EQ(Bytes(converted), FromHex(expectedHex)) << from << " -> " << to << " " << sourceHex;
    EXPECT_EQ(converted.Encoding(), to);
    ++cases;
  }
  EXPECT_EQ(cases, 8 * 60);
}

}  // namespace

namespace {

TEST(ConvertEncoding, UTF32ByteOrder) {
  std::string little("\xFF\xFE\0\0A\0\0\0", 8), big("\0\0\xFE\xFF\0\0\0A", 8), bare("A\0\0\0", 4);
  for (const std::string& bytes : {little, big, bare}) {
    string s = ConvertEncoding(Make(bytes, kEncodingUTF32), kEncodingUTF8);
    EXPECT_EQ(Bytes(s), "A") << "the mark is read, little-endian assumed without one";
  }
  string invalidFirst = ConvertEncoding(Make("\xFF" "B", kEncodingUTF8), kEncodingUTF32);
  EXPECT_EQ(Bytes(invalidFirst), std::string("\xFF\xFE\0\0?\0\0\0B\0\0\0", 12))
      << "one mark, first, even when the first byte is replaced";
}

TEST(ConvertEncoding, StatefulOutputEndsInInitialState) {
  string kana = Make("\xE3\x81\x82", kEncodingUTF8);  // one hiragana letter
  EXPECT_EQ(Bytes(ConvertEncoding(kana, 2080)), "\x1B$B$\"\x1B(B");
  string withBad = Make("\xE3\x81\x82\xFF\xE3\x81\x82", kEncodingUTF8);
  EXPECT_EQ(Bytes(ConvertEncoding(withBad, 2080)), "\x1B$B$\"\x1B(B?\x1B$B$\"\x1B(B")
      << "the substitute is written in the ASCII state";
}

}  // namespace

namespace {

TEST(StringViews, UTF8AndUTF16Forms) {
  string utf8 = Make("\xC3\xA9", kEncodingUTF8);
  EXPECT_EQ(utf8.GetUTF8String().Storage(), utf8.Storage()) << "shared";
  EXPECT_TRUE(string().GetUTF8String().IsEmpty());
  string latin = Make("\xE9", 1280);
  EXPECT_EQ(Bytes(latin.GetUTF8String()), "\xC3\xA9");

  string wide = utf8.GetUTF16String();
  EXPECT_EQ(Bytes(wide), std::string("\xE9\0", 2));
  EXPECT_EQ(wide.GetUTF16String().Storage(), wide.Storage()) << "shared";
  EXPECT_TRUE(string().GetUTF16String().IsEmpty());
  // Bytes of no encoding are read as the system encoding (UTF-8); the source keeps its label.
  string unlabelled = Make("\xC3\xA9", kEncodingNone);
  string unlabelledWide = unlabelled.GetUTF16String();
  EXPECT_EQ(Bytes(unlabelledWide), std::string("\xE9\0", 2));
  EXPECT_EQ(unlabelledWide.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(unlabelled.Encoding(), kEncodingNone);
}

TEST(ConvertTextUnix, WithoutConverterReturnsSourceWithReference) {
  string latin = Make("\xE9", 1280);
  stringStorage* same = ConvertTextUnix(latin.Storage(), 1280, 40);
  EXPECT_EQ(same, latin.Storage());
  EXPECT_EQ(latin.Storage()->refCount, 2u);
  stringStorage::RemoveReference(same);
  EXPECT_EQ(ConvertTextUnix(nullptr, 1280, kEncodingUTF8), nullptr);
  string converted = string::Adopt(ConvertTextUnix(latin.Storage(), 1280, kEncodingUTF8));
  EXPECT_EQ(Bytes(converted), "\xC3\xA9");
  EXPECT_EQ(converted.Storage()->refCount, 1u);
}

}  // namespace
