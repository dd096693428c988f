// Generic field accessors against a byte model of the object, and the intrinsic type table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/FieldAccessors.h"
#include "app/IntrinsicTypes.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

constexpr int32_t kFields = 16;  // 64 bytes of fields after the header

RuntimeClass* MakeClass(const char* name, int32_t fields) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = static_cast<int32_t>(sizeof(RuntimeObject)) + 4 * fields;
  return cls;
}

class FieldAccessorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static RuntimeClass* cls = MakeClass("Fields", kFields);
    object = RuntimeNewObject(cls);
  }
  void TearDown() override { RuntimeUnlockObject(object); }
  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(object); }
  RuntimeObject* object = nullptr;
};

TEST_F(FieldAccessorsTest, RandomWritesMatchAByteModel) {
  std::vector<unsigned char> model(24 + 4 * kFields, 0);
  std::memcpy(model.data(), object, 24);
  std::mt19937 random(99);
  for (int step = 0; step < 20000; ++step) {
    const uint32_t width[] = {1, 1, 2, 4, 8, 4, 8};
    const int kind = random() % 7;
    const uint32_t offset = 24 + random() % (4 * kFields - width[kind] + 1);
    const uint64_t value = (uint64_t(random()) << 32) | random();
    switch (kind) {
      case 0: byteSetter(object, offset, uint32_t(value)); break;
      case 1: boolSetter(object, offset, int32_t(value)); break;
      case 2: shortSetter(object, offset, int32_t(value)); break;
      case 3: intSetter(object, offset, int32_t(value)); break;
      case 4: int64Setter(object, offset, int64_t(value)); break;
      case 5: {
        float f;
        uint32_t bits = uint32_t(value) & 0x3FFFFFFF;  // finite
        std::memcpy(&f, &bits, 4);
        singleSetter(object, offset, f);
        break;
      }
      case 6: {
        double d;
        uint64_t bits = value & 0x3FFFFFFFFFFFFFFFull;
        std::memcpy(&d, &bits, 8);
        doubleSetter(object, offset, d);
        break;
      }
    }
    // Floating values were written with their top bits cleared (finite numbers only).
    const uint64_t written = kind == 5 ? (value & 0x3FFFFFFF)
                             : kind == 6 ? (value & 0x3FFFFFFFFFFFFFFFull)
                                         : value;
    std::memcpy(model.data() + offset, &written, width[kind]);
    ASSERT_EQ(0, std::memcmp(model.data(), Bytes(), model.size())) << "step " << step;

    const uint32_t at = 24 + random() % (4 * kFields - 7);
    int8_t s8; int16_t s16; int32_t s32; int64_t s64; float f32; double f64;
    std::memcpy(&s8, model.data() + at, 1);
    std::memcpy(&s16, model.data() + at, 2);
    std::memcpy(&s32, model.data() + at, 4);
    std::memcpy(&s64, model.data() + at, 8);
    std::memcpy(&f32, model.data() + at, 4);
    std::memcpy(&f64, model.data() + at, 8);
    ASSERT_EQ(byteGetter(object, at), uint32_t(uint8_t(s8)));
    ASSERT_EQ(boolGetter(object, at), int32_t(s8));
    ASSERT_EQ(shortGetter(object, at), int32_t(s16));
    ASSERT_EQ(intGetter(object, at), s32);
    ASSERT_EQ(int64Getter(object, at), s64);
    // Through st(0) a NaN may come back quieted; any NaN stands for a NaN.
    const float gotSingle = singleGetter(object, at);
    const double gotDouble = doubleGetter(object, at);
    ASSERT_TRUE(std::isnan(f32) ? std::isnan(gotSingle) : gotSingle == f32);
    ASSERT_TRUE(std::isnan(f64) ? std::isnan(gotDouble) : gotDouble == f64);
  }
}

TEST_F(FieldAccessorsTest, IntGetterOnABooleanByteAnswersZeroOrOne) {
  boolSetter(object, 28, 1);
  EXPECT_EQ(intGetter(object, 28), 1);
  boolSetter(object, 28, 0);
  EXPECT_EQ(intGetter(object, 28), 0);
  boolSetter(object, 28, -1);
  EXPECT_EQ(boolGetter(object, 28), -1);
  EXPECT_EQ(byteGetter(object, 28), 255u);
}

TEST_F(FieldAccessorsTest, StringFieldsKeepReferenceCountsRight) {
  string text = string::FromBytes("field text", 10, kEncodingUTF8);
  stringStorage* record = text.Storage();
  ASSERT_EQ(record->refCount, 1u);
  stringSetter(object, 32, record);
  EXPECT_EQ(record->refCount, 2u);
  stringSetter(object, 32, record);  // the value it already holds
  EXPECT_EQ(record->refCount, 2u);
  stringStorage* got = stringGetter(object, 32);
  EXPECT_EQ(got, record);
  EXPECT_EQ(record->refCount, 3u);
  stringStorage::RemoveReference(got);
  stringSetter(object, 32, nullptr);
  EXPECT_EQ(record->refCount, 1u);
  EXPECT_EQ(stringGetter(object, 32), nullptr);

  // The SS forms work on any address and read nil at address 0.
  stringStorage* slot = nullptr;
  SSToStringSetter(nullptr, reinterpret_cast<uintptr_t>(&slot), record);
  EXPECT_EQ(slot, record);
  EXPECT_EQ(record->refCount, 2u);
  stringStorage* back = StringToSSGetter(nullptr, reinterpret_cast<uintptr_t>(&slot));
  EXPECT_EQ(back, record);
  stringStorage::RemoveReference(back);
  SSToStringSetter(nullptr, reinterpret_cast<uintptr_t>(&slot), nullptr);
  EXPECT_EQ(record->refCount, 1u);
  EXPECT_EQ(StringToSSGetter(nullptr, 0), nullptr);
  SSToStringSetter(nullptr, 0, record);
  EXPECT_EQ(record->refCount, 1u);
}

TEST_F(FieldAccessorsTest, ObjectFieldsLockNewAndUnlockOld) {
  RuntimeClass* cls = MakeClass("Held", 0);
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  objSetter(object, 40, a);
  EXPECT_EQ(a->refCount, 2);
  objSetter(object, 40, a);
  EXPECT_EQ(a->refCount, 2);
  objSetter(object, 40, b);
  EXPECT_EQ(a->refCount, 1);
  EXPECT_EQ(b->refCount, 2);
  RuntimeObject* got = objGetter(object, 40);
  EXPECT_EQ(got, b);
  EXPECT_EQ(b->refCount, 3);
  RuntimeUnlockObject(got);
  objSetter(object, 40, nullptr);
  EXPECT_EQ(b->refCount, 1);
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
}

TEST_F(FieldAccessorsTest, NilObjectsAndFieldsOutsideTheObjectWriteNothing) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(intGetter(nullptr, 24), 0);
  intSetter(nullptr, 24, 5);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("NilObjectException"));
  capture.clear();
  const std::vector<unsigned char> before(Bytes(), Bytes() + 24 + 4 * kFields);
  int64Setter(object, 24 + 4 * kFields - 4, -1);  // would run 4 bytes past the end
  intSetter(object, 8, 0);                         // inside the header
  doubleSetter(object, 0xFFFFFFF0u, 1.0);          // wraps in 32 bits
  EXPECT_EQ(doubleGetter(object, 0xFFFFFFF0u), 0.0);
  EXPECT_EQ(capture.count(), 4u);
  EXPECT_EQ(0, std::memcmp(before.data(), Bytes(), before.size()));
}

// --- The intrinsic type table -------------------------------------------------------------

TEST(IntrinsicTypesTest, TwentyTwoRecordsInOrder) {
  const char* names[] = {"String", "Integer", "UInt32", "Int64", "UInt64", "Int16",
                         "UInt16", "Int8", "UInt8", "Boolean", "Single", "Double",
                         "Currency", "Form", "Color", "Ptr", "WindowPtr", "OSType",
                         "CString", "PString", "Short", "Class"};
  ASSERT_EQ(kIntrinsicTypeCount, 22);
  for (int i = 0; i < kIntrinsicTypeCount; ++i) {
    EXPECT_EQ(IntrinsicTypeTable()[i].kind, kTypeKindIntrinsic);
    EXPECT_STREQ(IntrinsicTypeTable()[i].name, names[i]);
    EXPECT_EQ(IntrinsicType(static_cast<IntrinsicTypeIndex>(i)),
              AsTypeDescriptor(&IntrinsicTypeTable()[i]));
  }
}

std::string ToText(IntrinsicTypeIndex type, uint32_t value) {
  stringStorage* text = nullptr;
  IntrinsicTypeTable()[type].toText(&text, value);
  std::string out = stringStorage::CString(text);
  stringStorage::RemoveReference(text);
  return out;
}

uint32_t FromText(IntrinsicTypeIndex type, const char* text) {
  string s(text);
  uint32_t value = 0xDEADBEEF;
  EXPECT_EQ(IntrinsicTypeTable()[type].fromText(s.Storage(), &value), 1);
  return value;
}

TEST(IntrinsicTypesTest, IntegerFamilyConvertsLikePrintfAndDecimalParse) {
  std::mt19937 random(7);
  for (int i = 0; i < 500; ++i) {
    const uint32_t value = random();
    char expected[16];
    std::snprintf(expected, sizeof expected, "%ld", static_cast<long>(static_cast<int32_t>(value)));
    for (IntrinsicTypeIndex type : {kIntrinsicInteger, kIntrinsicUInt32, kIntrinsicInt16,
                                    kIntrinsicUInt16, kIntrinsicInt8, kIntrinsicUInt8,
                                    kIntrinsicColor}) {
      ASSERT_EQ(ToText(type, value), expected);
      ASSERT_EQ(FromText(type, expected), value);
    }
  }
  EXPECT_EQ(FromText(kIntrinsicInteger, "  -12abc"), static_cast<uint32_t>(-12));
  EXPECT_EQ(FromText(kIntrinsicInteger, "none"), 0u);
}

TEST(IntrinsicTypesTest, BooleanAndString) {
  EXPECT_EQ(ToText(kIntrinsicBoolean, 1), "True");
  EXPECT_EQ(ToText(kIntrinsicBoolean, 0), "False");
  EXPECT_EQ(FromText(kIntrinsicBoolean, "tRuE"), 1u);
  EXPECT_EQ(FromText(kIntrinsicBoolean, "yes"), 0u);
  EXPECT_EQ(FromText(kIntrinsicBoolean, "True "), 0u);

  string text("shared");
  stringStorage* record = text.Storage();
  const IntrinsicTypeRecord& type = IntrinsicTypeTable()[kIntrinsicString];
  uint32_t value = 0;
  EXPECT_EQ(type.fromText(record, &value), 1);
  EXPECT_EQ(value, reinterpret_cast<uintptr_t>(record));
  EXPECT_EQ(record->refCount, 2u);
  type.addReference(value);
  EXPECT_EQ(record->refCount, 3u);
  type.release(value);
  type.release(value);
  EXPECT_EQ(record->refCount, 1u);
  EXPECT_EQ(ToText(kIntrinsicString, reinterpret_cast<uintptr_t>(record)), "shared");
  EXPECT_EQ(record->refCount, 1u);
  for (IntrinsicTypeIndex none : {kIntrinsicInt64, kIntrinsicDouble, kIntrinsicForm,
                                  kIntrinsicClass}) {
    EXPECT_EQ(IntrinsicTypeTable()[none].toText, nullptr);
  }
}

}  // namespace
