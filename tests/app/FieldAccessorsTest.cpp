// Generic field accessors against a byte model of the object, and the intrinsic type table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "app/FieldAccessors.h"
#include "app/IntrinsicTypes.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

constexpr uint32_t kFieldBytes = 64;  // after the 24-byte header

RuntimeObject* NewObject(uint32_t fieldBytes = kFieldBytes) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->className = string("Fields").ExtractStringStorage();
  cls->instanceSize = int32_t(sizeof(RuntimeObject) + fieldBytes);
  return RuntimeNewObject(cls);
}

// Random writes of every width; after each the object's bytes equal the model's, and every
// getter at a random offset reads what the model holds there.
TEST(FieldAccessors, RandomWritesAndReadsMatchAByteModel) {
  RuntimeObject* object = NewObject();
  uint8_t* bytes = reinterpret_cast<uint8_t*>(object);
  std::vector<uint8_t> model(bytes, bytes + 24 + kFieldBytes);
  std::mt19937 random(99);
  for (int step = 0; step < 20000; ++step) {
    const uint32_t width[] = {1, 1, 2, 4, 8, 4, 8}, kind = random() % 7;
    const uint32_t offset = 24 + random() % (kFieldBytes - width[kind] + 1);
    uint64_t value = uint64_t(random()) << 32 | random();
    if (kind >= 5) value &= kind == 5 ? 0x3FFFFFFF : 0x3FFFFFFFFFFFFFFFull;  // finite numbers
    float f;
    double d;
    std::memcpy(&f, &value, 4), std::memcpy(&d, &value, 8);
    switch (kind) {
      case 0: byteSetter(object, offset, uint32_t(value)); break;
      case 1: boolSetter(object, offset, int32_t(value)); break;
      case 2: shortSetter(object, offset, int32_t(value)); break;
      case 3: intSetter(object, offset, int32_t(value)); break;
      case 4: int64Setter(object, offset, int64_t(value)); break;
      case 5: singleSetter(object, offset, f); break;
      case 6: doubleSetter(object, offset, d); break;
    }
    std::memcpy(&model[offset], &value, width[kind]);
    ASSERT_EQ(0, std::memcmp(model.data(), bytes, model.size())) << "step " << step;
    const uint32_t at = 24 + random() % (kFieldBytes - 7);
    int64_t s64;  // the model's bytes at at, read little-endian and sign-extended from each width
    std::memcpy(&s64, &model[at], 8), std::memcpy(&f, &model[at], 4), std::memcpy(&d, &model[at], 8);
    ASSERT_TRUE(byteGetter(object, at) == uint8_t(s64) && boolGetter(object, at) == int8_t(s64) &&
                shortGetter(object, at) == int16_t(s64) && intGetter(object, at) == int32_t(s64) &&
                int64Getter(object, at) == s64) << "step " << step;
    // Through st(0) a NaN may come back quieted; any NaN stands for a NaN.
    const float single = singleGetter(object, at);
    const double dbl = doubleGetter(object, at);
    ASSERT_TRUE((std::isnan(f) ? std::isnan(single) : single == f) && (std::isnan(d) ? std::isnan(dbl) : dbl == d));
  }
  RuntimeUnlockObject(object);
}

// Setters lock the new value and unlock the old; getters hand out a reference.
TEST(FieldAccessors, StringAndObjectFieldsKeepReferenceCountsRight) {
  RuntimeObject *object = NewObject(), *a = NewObject(0), *b = NewObject(0);
  string text("field text");
  stringStorage* record = text.Storage();
  stringSetter(object, 32, record);
  stringSetter(object, 32, record);  // the value it already holds
  stringStorage* got = stringGetter(object, 32);
  EXPECT_TRUE(got == record && record->refCount == 3u);
  stringStorage::RemoveReference(got);
  stringSetter(object, 32, nullptr);
  EXPECT_EQ(record->refCount, 1u);
  objSetter(object, 40, a);
  objSetter(object, 40, a);
  objSetter(object, 40, b);
  RuntimeObject* held = objGetter(object, 40);
  EXPECT_TRUE(held == b && a->refCount == 1 && b->refCount == 3);
  RuntimeUnlockObject(held);
  for (RuntimeObject* o : {object, a, b}) RuntimeUnlockObject(o);
}

TEST(FieldAccessors, NilObjectsAndFieldsOutsideTheObjectAreReportedAndWriteNothing) {
  RuntimeObject* object = NewObject();
  const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(object), reinterpret_cast<uint8_t*>(object) + 88);
  qvtest::ReportCapture capture;
  intSetter(nullptr, 24, 5);
  int64Setter(object, 24 + kFieldBytes - 4, -1);  // would run 4 bytes past the end
  intSetter(object, 8, 0);                         // inside the header
  doubleSetter(object, 0xFFFFFFF0u, 1.0);          // wraps in 32 bits
  EXPECT_EQ(intGetter(nullptr, 24) + doubleGetter(object, 0xFFFFFFF0u), 0.0);
  EXPECT_TRUE(capture.count() == 6 && capture.HasCondition("NilObjectException"));
  EXPECT_EQ(0, std::memcmp(before.data(), object, before.size()));
  RuntimeUnlockObject(object);
}

TEST(IntrinsicTypes, IntegerFamilyConvertsLikePrintfAndBooleansByName) {
  auto text = [](IntrinsicTypeIndex type, uint32_t value) {
    stringStorage* out = nullptr;
    IntrinsicTypeTable()[type].toText(&out, value);
    return std::string(string::Adopt(out).CString());
  };
  auto parse = [](IntrinsicTypeIndex type, const char* text) {
    uint32_t value = 0xDEADBEEF;
    return IntrinsicTypeTable()[type].fromText(string(text).Storage(), &value) == 1 ? value : 0xBAD;
  };
  std::mt19937 random(7);
  for (int i = 0; i < 500; ++i) {
    const uint32_t value = random();
    const std::string expected = std::to_string(int32_t(value));
    for (IntrinsicTypeIndex type : {kIntrinsicInteger, kIntrinsicUInt32, kIntrinsicInt16, kIntrinsicUInt16,
                                    kIntrinsicInt8, kIntrinsicUInt8, kIntrinsicColor})
      ASSERT_TRUE(text(type, value) == expected && parse(type, expected.c_str()) == value) << expected;
  }
  EXPECT_EQ(parse(kIntrinsicInteger, "  -12abc"), uint32_t(-12));
  EXPECT_EQ(text(kIntrinsicBoolean, 1) + text(kIntrinsicBoolean, 0), "TrueFalse");
  EXPECT_EQ(parse(kIntrinsicBoolean, "tRuE") * 100 + parse(kIntrinsicBoolean, "yes") * 10 + parse(kIntrinsicBoolean, "True "), 100u);
}

}  // namespace
