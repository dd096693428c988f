// Text encoding objects: the Encodings module's 92 properties, shared and new objects and their
// attributes, Chr at the width boundaries, converters, relabelling and conversion of strings,
// internet names, and the Japanese guesser on known byte patterns and on random bytes.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/Encodings.h"
#include "strings/JapaneseEncodingGuess.h"
#include "strings/TextEncoding.h"
#include "strings/TextEncodingObjects.h"

using namespace strtest;

namespace {

// Takes over the caller's reference on an object an entry point answered.
struct Held {
  explicit Held(void* object) : object(static_cast<RuntimeObject*>(object)) {}
  ~Held() { RuntimeUnlockObject(object); }
  TextEncodingObject* encoding() const { return reinterpret_cast<TextEncodingObject*>(object); }
  RuntimeObject* object;
};

uint32_t CodeOf(void* object) {
  Held held(object);
  return GetEncodingFromTEObject(held.encoding());
}

// The module has 92 properties numbered in order; each answers its encoding, new every time
// except the Unicode and ASCII ones, which are shared.
TEST(TextEncodingObjectsTest, EncodingsModuleProperties) {
  Held module(GetEncodingsObject());
  ASSERT_NE(module.object, nullptr);
  InstanceVariable* item = EncodingsClassDefinition()->FirstItem();
  for (uint32_t index = 1; index <= 92; ++index, item = item->next) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->propertyWord, index);
    Held encoding(EncodingsGetter(module.object, index));
    Held again(EncodingsGetter(module.object, index));
    ASSERT_TRUE(ObjectIsaDefinition(encoding.object, TextEncodingClassDefinition())) << index;
    const uint32_t code = GetEncodingFromTEObject(encoding.encoding());
    EXPECT_EQ(again.object == encoding.object, code == 0x600 || index <= 2) << index;
  }
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(EncodingsGetter(module.object, 93), nullptr);
  const std::pair<uint32_t, uint32_t> spots[] = {{1, 0x08000100}, {12, 9}, {78, 1280}, {89, 2561}};
  for (auto [index, code] : spots) EXPECT_EQ(CodeOf(EncodingsGetter(module.object, index)), code);
  EXPECT_EQ(CodeOf(EncodingsGetFromCode(module.object, 0x600)), 0x600u);
}

TEST(TextEncodingObjectsTest, ChrAndConverters) {
  // The shared UCS-4 object must carry the format the Encodings module's has, or Chr would
  // not give four bytes.
  Held utf8(GetTextEncodingObject(kEncodingUTF8)), ucs4(GetTextEncodingObject(kEncodingUTF32));
  TextEncoding encoding = kEncodingNone;
  EXPECT_EQ(Take(TextEncodingChr(utf8.encoding(), 0x10FFFF), &encoding), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(encoding, kEncodingUTF8);
  EXPECT_EQ(Take(TextEncodingChr(ucs4.encoding(), 0x10FFFF)), std::string("\xFF\xFF\x10\0", 4));
  Held shiftJIS(getTextEncoding(2561, 0, 0)), latin1(getTextEncoding(1280, 0, 0));
  EXPECT_EQ(Take(TextEncodingChr(shiftJIS.encoding(), 0x8140), &encoding), "\x81\x40");
  EXPECT_EQ(encoding, 2561u);
  // The converter reads the bytes as its source, whatever the string's own label.
  auto* toUTF8 = getTextConverter(latin1.encoding(), utf8.encoding());
  auto* same = getTextConverter(utf8.encoding(), utf8.encoding());
  string in = Make("\xE9\x80", kEncodingNone);
  string out = string::Adopt(textConverterConvert(toUTF8, in.Storage()));
  EXPECT_EQ(Bytes(out), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(out.Encoding(), kEncodingUTF8);
  // Equal codes: the text itself when labelled so, else a relabelled copy.
  string kanji = Make("\xE6\x97\xA5", kEncodingUTF8), ascii("abc");
  EXPECT_EQ(string::Adopt(textConverterConvert(same, kanji.Storage())).Storage(), kanji.Storage());
  string relabelled = string::Adopt(textConverterConvert(same, ascii.Storage()));
  EXPECT_NE(relabelled.Storage(), ascii.Storage());
  EXPECT_EQ(relabelled.Encoding(), kEncodingUTF8);
  Held first(toUTF8), second(same);
}

TEST(TextEncodingObjectsTest, StringEncodingMethodsAndNames) {
  Held ascii(StringGetEncoding(nullptr)), shared(GetTextEncodingObject(kEncodingASCII));
  EXPECT_EQ(ascii.object, shared.object);
  EXPECT_EQ(StringGetEncoding(Make("x", kEncodingNone).Storage()), nullptr);
  string cafe = Make("caf\xC3\xA9", kEncodingUTF8);
  Held utf8(StringGetEncoding(cafe.Storage())), latin1(getTextEncoding(513, 0, 0));
  Held other(getTextEncoding(0x100, 0, 2));
  EXPECT_TRUE(TextEncodingEquals(utf8.encoding(), other.encoding()));
  TextEncoding relabelled = kEncodingNone;
  EXPECT_EQ(Take(StringSetEncoding(cafe.Storage(), latin1.encoding()), &relabelled), Bytes(cafe));
  EXPECT_EQ(relabelled, 513u);
  EXPECT_EQ(Take(StringConvertEncoding(cafe.Storage(), latin1.encoding())), "caf\xE9");
  EXPECT_EQ(Take(textEncodingInternetName(other.encoding(), 0)), "UTF-8");
  EXPECT_EQ(Take(textEncodingInternetName(latin1.encoding(), 0)), "") << "Latin-1 has none";
}

// Escapes mean JIS; bytes only one family allows decide; undecided or cut text is no guess;
// labelled text answers its label. Random bytes ending anywhere give one of the four answers
// (under the sanitizer, any read past them shows).
TEST(TextEncodingObjectsTest, JapaneseGuess) {
  const std::pair<std::string, TextEncoding> cases[] = {
      {"ab\x1B\x24\x40", 0x820}, {"\x82\xA0", 0xA01}, {"\xF0\xA1", 0x920},
      {"\x1B\x24", kEncodingNone}};
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(CodeOf(guessJapaneseEncoding(Make(bytes, kEncodingNone).Storage())), expected);
  }
  EXPECT_EQ(CodeOf(guessJapaneseEncoding(Make("\x82\xA0", 2561).Storage())), 2561u);
  std::mt19937 rng(932);
  for (int i = 0; i < 20000; ++i) {
    std::vector<unsigned char> bytes(rng() % 6);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(0x80 + rng() % 0x80);
    const TextEncoding guess = GuessJapaneseEncoding(bytes.data(), int32_t(bytes.size()));
    ASSERT_TRUE(guess == kEncodingNone || guess == 0x820 || guess == 0x920 || guess == 0xA01);
  }
}

}  // namespace
