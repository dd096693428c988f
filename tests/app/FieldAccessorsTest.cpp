// Generic field accessors against a byte model of the object, and the intrinsic type table.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "app/FieldAccessors.h"
#include "app/IntrinsicTypes.h"
#include "arrays/RuntimeArray.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

constexpr uint32_t kFieldBytes = 64;  // after the 24-byte header

RuntimeObject* NewObject(uint32_t fieldBytes = kFieldBytes) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->instanceSize = int32_t(sizeof(RuntimeObject) + fieldBytes);
  return RuntimeNewObject(cls);
}

// Through st(0) a NaN may come back quieted; any NaN stands for a NaN.
bool Same(double got, double expected) { return std::isnan(expected) ? std::isnan(got) : got == expected; }

// Random writes of every width; after each the object's bytes equal the model's, and every
// getter at a random offset reads what the model holds there. Then nil objects and fields
// outside the object are reported and write nothing, and reference counts stay right.
TEST(FieldAccessors, AccessMatchesAByteModelStrayAccessWritesNothingAndCountsStayRight) {
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
      default: kind == 5 ? singleSetter(object, offset, f) : doubleSetter(object, offset, d);
    }
    std::memcpy(&model[offset], &value, width[kind]);
    ASSERT_EQ(0, std::memcmp(model.data(), bytes, model.size())) << "step " << step;
    const uint32_t at = 24 + random() % (kFieldBytes - 7);
    int64_t s64;  // the model's bytes at at, read little-endian and sign-extended from each width
    std::memcpy(&s64, &model[at], 8), std::memcpy(&f, &model[at], 4), std::memcpy(&d, &model[at], 8);
    ASSERT_TRUE(byteGetter(object, at) == uint8_t(s64) && boolGetter(object, at) == int8_t(s64) &&
                shortGetter(object, at) == int16_t(s64) && intGetter(object, at) == int32_t(s64) &&
                int64Getter(object, at) == s64) << "step " << step;
    ASSERT_TRUE(Same(singleGetter(object, at), f) && Same(doubleGetter(object, at), d)) << "step " << step;
  }
  qvtest::ReportCapture capture;
  intSetter(nullptr, 24, 5);
  int64Setter(object, 24 + kFieldBytes - 4, -1);  // would run 4 bytes past the end
  intSetter(object, 8, 0);                         // inside the header
  doubleSetter(object, 0xFFFFFFF0u, 1.0);          // wraps in 32 bits
  EXPECT_EQ(intGetter(nullptr, 24) + doubleGetter(object, 0xFFFFFFF0u), 0.0);
  EXPECT_TRUE(capture.count() == 6 && capture.HasCondition("NilObjectException"));
  EXPECT_EQ(0, std::memcmp(model.data(), bytes, model.size())) << "nothing written";
  // String and object setters lock the new value and unlock the old; getters hand out a reference.
  RuntimeObject *holder = NewObject(), *a = NewObject(0), *b = NewObject(0);
  const string text("field text");
  stringSetter(holder, 32, text.Storage()), stringSetter(holder, 32, text.Storage());  // the second: the value it holds
  EXPECT_TRUE(string::Adopt(stringGetter(holder, 32)).Storage() == text.Storage() && text.Storage()->refCount == 3u);
  objSetter(holder, 40, a), objSetter(holder, 40, a), objSetter(holder, 40, b);
  RuntimeObject* held = objGetter(holder, 40);
  EXPECT_TRUE(held == b && a->refCount == 1 && b->refCount == 3);
  RuntimeUnlockObject(held);
  stringSetter(holder, 32, nullptr), objSetter(holder, 40, nullptr);
  EXPECT_TRUE(text.Storage()->refCount == 1u && b->refCount == 1);
  for (RuntimeObject* o : {object, holder, a, b}) RuntimeUnlockObject(o);
}

// The array setter locks the new array before it releases the old, so storing the array a
// field already holds keeps it alive.
TEST(FieldAccessors, ArrayFieldsKeepOneReferenceEach) {
  RuntimeObject* holder = NewObject();
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

// Each integer type's text is printf's, and reads back.
TEST(IntrinsicTypes, IntegerFamilyConvertsLikePrintf) {
  std::mt19937 random(7);
  for (int i = 0; i < 500; ++i) {
    const uint32_t value = random();
    const std::string expected = std::to_string(int32_t(value));
    for (IntrinsicTypeIndex type : {kIntrinsicInteger, kIntrinsicUInt32, kIntrinsicInt16, kIntrinsicUInt16,
                                    kIntrinsicInt8, kIntrinsicUInt8, kIntrinsicColor}) {
      stringStorage* text = nullptr;
      uint32_t parsed = 0;
      IntrinsicTypeTable()[type].toText(&text, value);
      ASSERT_EQ(string::Adopt(text).CString(), expected);
      ASSERT_TRUE(IntrinsicTypeTable()[type].fromText(string(expected.c_str()).Storage(), &parsed) && parsed == value);
    }
  }
}

}  // namespace
