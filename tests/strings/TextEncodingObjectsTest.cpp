// Text encoding objects: the Encodings module's 92 properties, shared and new objects, Chr and
// converters against iconv, relabelling and conversion of strings, internet names, and the
// Japanese guesser on known byte patterns and on random bytes ending anywhere.
#include <gtest/gtest.h>
#include <iconv.h>

#include <sstream>

#include "StringFunctionsTestSupport.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/Encodings.h"
#include "strings/JapaneseEncodingGuess.h"
#include "strings/TextEncodingObjects.h"

using namespace strtest;

namespace {

std::string Iconv(const char* to, const char* from, const std::string& input) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
  std::string out(input.size() * 4 + 16, '\0');
  char *in = const_cast<char*>(input.data()), *o = out.data();
  size_t inLeft = input.size(), outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// Takes over the caller's reference on an object an entry point answered.
struct Held {
  explicit Held(void* object) : object(static_cast<RuntimeObject*>(object)) {}
  ~Held() { RuntimeUnlockObject(object); }
  TextEncodingObject* encoding() const { return reinterpret_cast<TextEncodingObject*>(object); }
  RuntimeObject* object;
};

// The module's properties in index order, and the codes they yield.
const char kModuleNames[] =
    "UTF8 UTF16 UCS4 MacRoman MacJapanese MacChineseTrad MacKorean MacArabic MacHebrew "
    "MacGreek MacCyrillic MacDevanagari MacGurmukhi MacGujarati MacOriya MacBengali "
    "MacTamil MacTelugu MacKannada MacMalayalam MacSinhalese MacBurmese MacKhmer MacThai "
    "MacLaotian MacGeorgian MacArmenian MacChineseSimp MacTibetan MacMongolian MacEthiopic "
    "MacCentralEurRoman MacVietnamese MacExtArabic MacSymbol MacDingbats MacTurkish "
    "MacCroatian MacIcelandic MacRomanian MacCeltic MacGaelic ISOLatin1 ISOLatin2 ISOLatin3 "
    "ISOLatin4 ISOLatinCyrillic ISOLatinArabic ISOLatinGreek ISOLatinHebrew ISOLatin5 "
    "ISOLatin6 ISOLatin7 ISOLatin8 ISOLatin9 DOSLatinUS DOSGreek DOSBalticRim DOSLatin1 "
    "DOSGreek1 DOSLatin2 DOSCyrillic DOSTurkish DOSPortuguese DOSIcelandic DOSHebrew "
    "DOSCanadianFrench DOSArabic DOSNordic DOSRussian DOSGreek2 DOSThai DOSJapanese "
    "DOSChineseSimplif DOSKorean DOSChineseTrad WindowsLatin1 WindowsANSI WindowsLatin2 "
    "WindowsCyrillic WindowsGreek WindowsLatin5 WindowsHebrew WindowsArabic "
    "WindowsBalticRim WindowsVietnamese WindowsKoreanJohab ASCII ShiftJIS KOI8_R "
    "MacRomanLatin1 SystemDefault";
const uint32_t kModuleCodes[] = {
    0x08000100, 0x100, 0x0C000100, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17,
    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 33, 34, 35, 36, 37, 38, 39, 40,
    513, 514, 515, 516, 517, 518, 519, 520, 521, 522, 525, 526, 527, 1024, 1029, 1030, 1040,
    1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1056, 1057,
    1058, 1059, 1280, 1280, 1281, 1282, 1283, 1284, 1285, 1286, 1287, 1288, 1296, 0x600, 2561,
    2562, 2564, 0x08000100};

TEST(TextEncodingObjectsTest, EncodingsModuleProperties) {
  std::istringstream names(kModuleNames);
  Held module(GetEncodingsObject());
  ASSERT_NE(module.object, nullptr);
  EXPECT_EQ(Bytes(string(module.object->classPtr->className)), "_Encodings");
  InstanceVariable* item = EncodingsClassDefinition()->FirstItem();
  for (uint32_t index = 1; index <= 92; ++index, item = item->next) {
    std::string name;
    names >> name;
    const uint32_t code = kModuleCodes[index - 1];
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Bytes(item->name), name);
    EXPECT_EQ(item->propertyWord, index);
    Held encoding(EncodingsGetter(module.object, index));
    ASSERT_NE(encoding.object, nullptr) << name;
    EXPECT_EQ(GetEncodingFromTEObject(encoding.encoding()), code) << name;
    EXPECT_TRUE(ObjectIsaDefinition(encoding.object, TextEncodingClassDefinition()));
    Held again(EncodingsGetter(module.object, index));
    EXPECT_EQ(again.object == encoding.object, code == 0x600 || index <= 2) << name;
  }
  EXPECT_EQ(item, nullptr);
  EXPECT_TRUE((names >> std::ws).eof());
  EXPECT_EQ(EncodingsGetter(module.object, 93), nullptr);
  Held ucs4(EncodingsGetter(module.object, 3));
  EXPECT_EQ(textEncodingFormatGetter(ucs4.encoding(), 0), 3);
  Held fromCode(EncodingsGetFromCode(module.object, 0x600)),
      ascii(EncodingsGetter(module.object, 88));
  EXPECT_EQ(fromCode.object, ascii.object);
}

TEST(TextEncodingObjectsTest, ChrAndConvertersAgainstIconv) {
  Held utf8(GetTextEncodingObject(kEncodingUTF8)), utf16(GetTextEncodingObject(kEncodingUnicode16));
  Held ucs4(getTextEncoding(0x100, 0, 3)), shiftJIS(getTextEncoding(2561, 0, 0));
  Held latin1(getTextEncoding(1280, 0, 0));
  std::mt19937 rng(2105);
  for (int i = 0; i < 2000; ++i) {
    uint32_t code = rng() % 0x110000;
    if (code >= 0xD800 && code < 0xE000) continue;
    std::string utf32(reinterpret_cast<const char*>(&code), 4);
    string a = string::Adopt(TextEncodingChr(utf8.encoding(), int32_t(code)));
    EXPECT_EQ(Bytes(a), Iconv("UTF-8", "UTF-32LE", utf32));
    EXPECT_EQ(a.Encoding(), kEncodingUTF8);
    EXPECT_EQ(Take(TextEncodingChr(ucs4.encoding(), int32_t(code))), utf32);
    if (code < 0x10000) {
      EXPECT_EQ(Take(TextEncodingChr(utf16.encoding(), int32_t(code))),
                Iconv("UTF-16LE", "UTF-32LE", utf32));
    }
  }
  string sjis = string::Adopt(TextEncodingChr(shiftJIS.encoding(), 0x8140));
  EXPECT_EQ(Bytes(sjis), "\x81\x40");
  EXPECT_EQ(sjis.Encoding(), 2561u);
  auto converter = [](const Held& from, const Held& to) {
    return reinterpret_cast<TextConverterObject*>(getTextConverter(from.encoding(), to.encoding()));
  };
  TextConverterObject *toUTF8 = converter(latin1, utf8), *toUCS4 = converter(utf8, ucs4);
  std::string defined;  // Windows Latin 1 leaves five bytes undefined
  for (int b = 0x20; b < 0x100; ++b)
    defined += strchr("\x81\x8D\x8F\x90\x9D", b) ? "" : std::string(1, char(b));
  for (int i = 0; i < 200; ++i) {
    std::string text;
    for (int j = int(rng() % 20) + 1; j > 0; --j) text += defined[rng() % defined.size()];
    // The converter reads the bytes as its source, whatever the string's own label.
    string out = string::Adopt(textConverterConvert(toUTF8, Make(text, kEncodingNone).Storage()));
    std::string expected = Iconv("UTF-8", "CP1252", text);
    EXPECT_EQ(Bytes(out), expected);
    EXPECT_EQ(out.Encoding(), kEncodingUTF8);
    EXPECT_EQ(Take(textConverterConvert(toUCS4, out.Storage())),
              std::string("\xFF\xFE\0\0", 4) + Iconv("UTF-32LE", "UTF-8", expected));
  }
  string kanji = Make("\xE6\x97\xA5\xE6\x9C\xAC", kEncodingUTF8);
  TextConverterObject *toSJIS = converter(utf8, shiftJIS), *same = converter(utf8, utf8);
  EXPECT_EQ(Take(textConverterConvert(toSJIS, kanji.Storage())),
            Iconv("CP932", "UTF-8", Bytes(kanji)));
  // Equal codes: the text itself when labelled so, else a relabelled copy.
  EXPECT_EQ(string::Adopt(textConverterConvert(same, kanji.Storage())).Storage(), kanji.Storage());
  string ascii("abc"), relabelled = string::Adopt(textConverterConvert(same, ascii.Storage()));
  EXPECT_NE(relabelled.Storage(), ascii.Storage());
  EXPECT_EQ(relabelled.Encoding(), kEncodingUTF8);
  for (auto* c : {toUTF8, toUCS4, toSJIS, same})
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(c));
}

TEST(TextEncodingObjectsTest, StringEncodingMethodsAndNames) {
  Held ascii(StringGetEncoding(nullptr)), shared(GetTextEncodingObject(kEncodingASCII));
  EXPECT_EQ(ascii.object, shared.object);
  EXPECT_EQ(StringGetEncoding(Make("x", kEncodingNone).Storage()), nullptr);
  string cafe = Make("caf\xC3\xA9", kEncodingUTF8);
  Held utf8(StringGetEncoding(cafe.Storage())), latin1(getTextEncoding(513, 0, 0));
  Held other(getTextEncoding(0x100, 0, 2));
  EXPECT_TRUE(TextEncodingEquals(utf8.encoding(), other.encoding()));
  EXPECT_FALSE(TextEncodingEquals(utf8.encoding(), latin1.encoding()));
  string relabelled = string::Adopt(StringSetEncoding(cafe.Storage(), latin1.encoding()));
  EXPECT_EQ(Bytes(relabelled), Bytes(cafe));
  EXPECT_EQ(relabelled.Encoding(), 513u);
  EXPECT_EQ(Take(StringConvertEncoding(cafe.Storage(), latin1.encoding())), "caf\xE9");
  const std::tuple<uint32_t, uint32_t, const char*> names[] = {
      {0x100, 1, "UTF-7"}, {0x100, 2, "UTF-8"}, {1280, 0, "windows-1252"}, {0x600, 0, "US-ASCII"},
      {0, 0, "macintosh"}, {2561, 0, "Shift_JIS"}, {0x100, 4, ""}, {513, 0, ""}};
  for (const auto& [base, format, name] : names) {
    Held encoding(getTextEncoding(base, 0, format));
    EXPECT_EQ(Take(textEncodingInternetName(encoding.encoding(), 0)), name) << base;
  }
}

TEST(TextEncodingObjectsTest, JapaneseGuess) {
  const std::pair<std::string, TextEncoding> cases[] = {
      {"\x1B\x24\x42", 0x820},     {"ab\x1B\x24\x40", 0x820}, {"\x1B\x4B", 0x820},
      {"\xA4\xA2", kEncodingNone}, {"\x82\xA0", 0xA01},       {"\xA4\xF0", 0x920},
      {"\xF0\xA1", 0x920},         {"\x8E\x41", 0xA01},       {"\x8E\xB1", kEncodingNone},
      {"\xE0\x41", 0xA01},         {"\xE0\xFD", 0x920},       {"\xB0\xE0\x41\x85", 0xA01},
      {"\xB0\xE0\xFE", 0x920},     {"\xB0\x41", 0xA01},       {"\xB0", kEncodingNone},
      {"\x1B\x24", kEncodingNone}, {"\x1B", kEncodingNone},   {"plain", kEncodingNone},
      {"\xB0\xA0\x82", 0xA01},     {"\xE0", kEncodingNone},
  };
  for (const auto& [bytes, expected] : cases) {
    string s = Make(bytes, kEncodingNone);
    EXPECT_EQ(GuessJapaneseEncoding(s.Bytes(), s.Length()), expected);
    TextEncodingObject* guess = guessJapaneseEncoding(s.Storage());
    EXPECT_EQ(GetEncodingFromTEObject(guess), expected);
    if (guess) RuntimeUnlockObject(&guess->header);
  }
  // Labelled text answers its label; every guess stops at the end of its bytes (run under the
  // sanitizer, an exact-size heap copy shows any read past it).
  Held labelled(guessJapaneseEncoding(Make("\x82\xA0", 2561).Storage()));
  EXPECT_EQ(GetEncodingFromTEObject(labelled.encoding()), 2561u);
  std::mt19937 rng(932);
  for (int i = 0; i < 20000; ++i) {
    std::vector<unsigned char> bytes(rng() % 6);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(0x80 + rng() % 0x80);
    const TextEncoding guess = GuessJapaneseEncoding(bytes.data(), int32_t(bytes.size()));
    ASSERT_TRUE(guess == kEncodingNone || guess == 0x820 || guess == 0x920 || guess == 0xA01);
  }
}

}  // namespace
