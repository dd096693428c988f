// A shared TextEncoding object made from a code carries the attributes that, handed back to
// getTextEncoding, make an equal object: the code survives (code -> attributes -> code), and
// the UCS-4 object of the shared map reads as the one the Encodings module builds.
#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncoding.h"
#include "strings/TextEncodingObjects.h"

namespace {

std::string InternetName(TextEncodingObject* object) {
  string name = string::Adopt(textEncodingInternetName(object, 0));
  return std::string(name.Bytes(), name.Bytes() + name.Length());
}

TEST(EncodingAttributesTest, AttributesRebuildTheSameCode) {
  for (TextEncoding code : {kEncodingMacRoman, kEncodingUnicode16, kEncodingWindowsLatin1,
                            kEncodingASCII, kEncodingUTF8, kEncodingUTF32, TextEncoding(2561)}) {
    SCOPED_TRACE(code);
    uint32_t base = 0, variant = 1, format = 9;
    GetEncodingAttributes(code, base, variant, format);
    EXPECT_EQ(variant, 0u);
    TextEncodingObject* rebuilt = getTextEncoding(base, variant, format);
    TextEncodingObject* shared = GetTextEncodingObject(code);
    ASSERT_NE(rebuilt, nullptr);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(rebuilt->code, code);
    EXPECT_EQ(GetEncodingFromTEObject(shared), code);
    EXPECT_TRUE(TextEncodingEquals(rebuilt, shared));
    EXPECT_EQ(textEncodingBaseGetter(shared, 0), textEncodingBaseGetter(rebuilt, 0));
    EXPECT_EQ(textEncodingFormatGetter(shared, 0), textEncodingFormatGetter(rebuilt, 0));
    EXPECT_EQ(InternetName(shared), InternetName(rebuilt));
    RuntimeUnlockObject(&rebuilt->header);
    RuntimeUnlockObject(&shared->header);
  }
}

TEST(EncodingAttributesTest, SharedUCS4ObjectIsBase0x100Format3) {
  TextEncodingObject* shared = GetTextEncodingObject(kEncodingUTF32);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(textEncodingBaseGetter(shared, 0), 0x100);
  EXPECT_EQ(textEncodingVariantGetter(shared, 0), 0);
  EXPECT_EQ(textEncodingFormatGetter(shared, 0), 3);
  EXPECT_EQ(InternetName(shared), "UCS-4");
  // Chr gives the four bytes of the code point, least significant first.
  string chr = string::Adopt(TextEncodingChr(shared, 0x1F600));
  const std::string bytes(chr.Bytes(), chr.Bytes() + chr.Length());
  EXPECT_EQ(bytes, std::string("\x00\xF6\x01\x00", 4));
  RuntimeUnlockObject(&shared->header);
}

}  // namespace
