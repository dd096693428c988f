// Field accessors: fields outside the object, reference-counted array fields, extension and
// unaligned fields; the text handlers of Single, Boolean and Integer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <utility>

#include "arrays/RuntimeArray.h"
#include "core/FieldAccessors.h"
#include "core/IntrinsicTypes.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

// A nil object or a field reaching outside the object is reported and writes nothing; the
// array setter locks the new array before it releases the old, so storing the array a field
// already holds keeps it alive.
TEST(FieldAccessors, StrayFieldsWriteNothingAndArrayFieldsKeepOneReferenceEach) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->instanceSize = int32_t(sizeof(RuntimeObject) + 16);
  RuntimeObject* holder = RuntimeNewObject(cls);
  int64Setter(holder, 32, 0x0102030405060708);  // the last eight bytes
  const uint8_t* bytes = reinterpret_cast<uint8_t*>(holder);
  const std::vector<uint8_t> before(bytes, bytes + 40);
  qvtest::ReportCapture capture;
  qvtest::RaisedExceptions raised;
  intSetter(nullptr, 24, 5);
  int64Setter(holder, 36, -1);             // would run 4 bytes past the end
  intSetter(holder, 8, 0);                 // inside the header
  doubleSetter(holder, 0xFFFFFFF0u, 1.0);  // wraps in 32 bits
  EXPECT_EQ(intGetter(nullptr, 24), 0);
  EXPECT_EQ(doubleGetter(holder, 0xFFFFFFF0u), 0.0);
  EXPECT_EQ(capture.count(), 4u);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(2, "NilObjectException"));
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 40), before);
  EXPECT_EQ(int64Getter(holder, 32), 0x0102030405060708);
  RuntimeArray* a = CreateArray(1, kArrayInt32, 3);
  RuntimeArray* b = CreateArray(1, kArrayInt32, 3);
  arraySetter(holder, 24, a);
  arraySetter(holder, 24, a);
  EXPECT_EQ(a->refCount, 2);
  arraySetter(holder, 24, b);
  EXPECT_EQ(a->refCount, 1);
  RuntimeArray* held = arrayGetter(holder, 24);
  EXPECT_EQ(held, b);
  EXPECT_EQ(b->refCount, 3);
  RuntimeUnlockArray(held);
  arraySetter(holder, 24, nullptr);
  EXPECT_EQ(b->refCount, 1);
  RuntimeUnlockArray(a);
  RuntimeUnlockArray(b);
  RuntimeUnlockObject(holder);
}

// Single travels as its bits: 7 significant digits out, Val back in.
TEST(IntrinsicTypes, SingleConvertsWithSevenDigits) {
  const IntrinsicTypeRecord& single = IntrinsicTypeTable()[kIntrinsicSingle];
  const struct { float value; const char* text; } cases[] = {
      {2.5f, "2.5"}, {-1234567.0f, "-1.234567e+6"}, {1.0f / 3, "0.3333333"}, {0.0f, "0"}};
  for (const auto& c : cases) {
    stringStorage* text = nullptr;
    single.toText(&text, std::bit_cast<uint32_t>(c.value));
    EXPECT_STREQ(string::Adopt(text).CString(), c.text);
    uint32_t bits = 0;
    EXPECT_EQ(single.fromText(string(c.text).Storage(), &bits), 1);
    EXPECT_NEAR(std::bit_cast<float>(bits), c.value, std::fabs(c.value) * 1e-6f);
  }
}

// Byte fields read zero-extended, Boolean and Short fields sign-extended; setters keep the low
// bits; every width works at an odd position; a Boolean byte with zeros behind it reads 0 or 1
// through intGetter.
TEST(FieldAccessors, ExtensionAndUnalignedFields) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->instanceSize = int32_t(sizeof(RuntimeObject) + 32);
  RuntimeObject* holder = RuntimeNewObject(cls);
  byteSetter(holder, 25, 0x1FE);
  EXPECT_EQ(byteGetter(holder, 25), 0xFEu);
  boolSetter(holder, 26, 0xFF);
  EXPECT_EQ(boolGetter(holder, 26), -1);
  shortSetter(holder, 27, 0x18000);
  EXPECT_EQ(shortGetter(holder, 27), -32768);
  intSetter(holder, 29, -123456789);
  EXPECT_EQ(intGetter(holder, 29), -123456789);
  int64Setter(holder, 33, -0x123456789ALL);
  EXPECT_EQ(int64Getter(holder, 33), -0x123456789ALL);
  doubleSetter(holder, 41, -2.5);
  EXPECT_EQ(doubleGetter(holder, 41), -2.5);
  singleSetter(holder, 49, 0.75f);
  EXPECT_EQ(singleGetter(holder, 49), 0.75f);
  intSetter(holder, 52, 0);
  boolSetter(holder, 52, 1);
  EXPECT_EQ(intGetter(holder, 52), 1);
  RuntimeUnlockObject(holder);
}

// Boolean text is True in any letter case and nothing else; Integer text takes leading blanks,
// a sign and the digits before anything else; Integer text out is signed decimal.
TEST(IntrinsicTypes, BooleanAndIntegerText) {
  const IntrinsicTypeRecord& boolean = IntrinsicTypeTable()[kIntrinsicBoolean];
  const IntrinsicTypeRecord& integer = IntrinsicTypeTable()[kIntrinsicInteger];
  const struct { const char* text; uint32_t value; } booleans[] = {
      {"TRUE", 1}, {"true", 1}, {"tRuE", 1}, {"False", 0}, {"1", 0}, {" True", 0}, {"", 0}};
  for (const auto& c : booleans) {
    uint32_t value = 7;
    EXPECT_EQ(boolean.fromText(string(c.text).Storage(), &value), 1) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  const struct { const char* text; int32_t value; } integers[] = {
      {"  -12abc", -12}, {"+7", 7}, {"0x10", 0}, {"", 0}, {"2147483647", 2147483647}};
  for (const auto& c : integers) {
    uint32_t value = 7;
    EXPECT_EQ(integer.fromText(string(c.text).Storage(), &value), 1) << c.text;
    EXPECT_EQ(int32_t(value), c.value) << c.text;
  }
  // toText releases what the destination held: a text taken from it leaves nil behind.
  stringStorage* text = nullptr;
  integer.toText(&text, uint32_t(-42));
  EXPECT_STREQ(string::Adopt(std::exchange(text, nullptr)).CString(), "-42");
  boolean.toText(&text, 1);
  EXPECT_STREQ(string::Adopt(std::exchange(text, nullptr)).CString(), "True");
}

}  // namespace
