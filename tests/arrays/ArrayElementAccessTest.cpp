// ArraySetElement: the tested store of word-wide element types, and what it refuses; ArrayAppend
// and how its buffer grows;
// the direct reads of each element type, in and out of range, and what they refuse.
#include "arrays/ArrayElementAccess.h"

#include "arrays/StructureArray.h"

#include "ArrayTestSupport.h"
#include "core/RuntimeObject.h"
#include "strings/StringFoundation.h"

namespace {

TEST(ArraySetElement, StoresThroughTheTestedSetOfItsTable) {
  qvtest::ReportCapture reports;  // raisers report here while no exception class exists
  RuntimeArray* ints = CreateArray(1, kArrayInt32, 2);
  ArraySetElement(ints, 2, uintptr_t(-7));
  ArraySetElement(ints, 3, 1);
  ArraySetElement(ints, -1, 1);
  EXPECT_EQ(static_cast<int32_t*>(ints->data)[2], -7);
  EXPECT_EQ(arraytest::OutOfBounds(reports), 2);
  RuntimeArray* objects = CreateArray(1, kArrayObject, 0);
  RuntimeObject* element = RuntimeNewObject(arraytest::TestClass("Stored"));
  ArraySetElement(objects, 0, reinterpret_cast<uintptr_t>(element));
  EXPECT_EQ(element->refCount, 2) << "the array holds its own reference";
  ArraySetElement(nullptr, 0, 0);
  EXPECT_EQ(arraytest::CountRaised(reports, "NilObjectException"), 1);
  RuntimeArray* doubles = CreateArray(1, kArrayDouble, 0);
  RuntimeArray* grid = CreateArray(2, kArrayInt32, 1, 1);
  ArraySetElement(doubles, 0, 1);
  ArraySetElement(grid, 0, 1);
  EXPECT_TRUE(reports.HasCondition("word elements") && reports.HasCondition("one dimension"));
  EXPECT_EQ(static_cast<double*>(doubles->data)[0], 0.0);
  for (RuntimeArray* a : {ints, objects, doubles, grid}) RuntimeUnlockArray(a);
  EXPECT_EQ(element->refCount, 1);
  RuntimeUnlockObject(element);
}

// Append goes after the last element through Insert, so the array grows by one each time and
// a String or Object gets the array's own reference.
TEST(ArrayAppend, InsertsAfterTheLastElement) {
  qvtest::ReportCapture reports;
  RuntimeArray* ints = CreateArray(1, kArrayInt32, -1);
  for (int32_t value : {5, -6, 7}) ArrayAppend(ints, uintptr_t(value));
  ASSERT_EQ(RuntimeUBound(ints), 2);
  const int32_t* elements = static_cast<int32_t*>(ints->data);
  EXPECT_EQ(std::vector<int32_t>(elements, elements + 3), (std::vector<int32_t>{5, -6, 7}));
  RuntimeArray* strings = CreateArray(1, kArrayString, 0);
  string text("appended");
  ArrayAppend(strings, reinterpret_cast<uintptr_t>(text.Storage()));
  EXPECT_EQ(RuntimeUBound(strings), 1);
  EXPECT_EQ(static_cast<stringStorage**>(strings->data)[1], text.Storage());
  EXPECT_EQ(text.Storage()->refCount, 2);
  ArrayAppend(nullptr, 1);
  EXPECT_EQ(arraytest::CountRaised(reports, "NilObjectException"), 1);
  RuntimeArray* grid = CreateArray(2, kArrayInt32, 1, 1);
  reports.clear();
  ArrayAppend(grid, 1);
  EXPECT_EQ(reports.count(), 1u) << "only one-dimensional arrays take an append";
  for (RuntimeArray* a : {ints, strings, grid}) RuntimeUnlockArray(a);
  EXPECT_EQ(text.Storage()->refCount, 1);
}

// A run of appends enlarges the buffer geometrically: 4 million one-byte elements take a few
// dozen enlargements at most (a step capped at 131,072 elements took over forty), and every
// element stays in place.
TEST(ArrayAppend, LongRunsEnlargeTheBufferGeometrically) {
  constexpr int32_t kCount = 4 << 20;
  RuntimeArray* bytes = CreateArray(1, kArrayInt8, -1);
  int32_t enlargements = 0;
  for (int32_t k = 0; k < kCount; ++k) {
    const void* before = bytes->data;
    ArrayAppend(bytes, uintptr_t(k & 0x7F));
    enlargements += bytes->data != before;
  }
  ASSERT_EQ(RuntimeUBound(bytes), kCount - 1);
  EXPECT_LE(enlargements, 24);
  EXPECT_LE(int64_t{bytes->bufferLength}, 2 * int64_t{kCount} + 16);
  const int8_t* elements = static_cast<int8_t*>(bytes->data);
  int32_t misplaced = 0;
  for (int32_t k = 0; k < kCount; ++k) misplaced += elements[k] != (k & 0x7F);
  EXPECT_EQ(misplaced, 0);
  // Appends taking turns between arrays of other widths store each value in its own type.
  RuntimeArray* shorts = CreateArray(1, kArrayInt16, -1);
  RuntimeArray* singles = CreateArray(1, kArraySingle, -1);
  for (int32_t k = 0; k < 100; ++k) {
    ArrayAppend(shorts, uintptr_t(-k * 300));
    const float value = float(k) / 4;
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    ArrayAppend(singles, bits);
  }
  ASSERT_EQ(RuntimeUBound(shorts), 99);
  ASSERT_EQ(RuntimeUBound(singles), 99);
  EXPECT_EQ(static_cast<int16_t*>(shorts->data)[99], int16_t(-99 * 300));
  EXPECT_EQ(static_cast<float*>(singles->data)[99], 99.0f / 4);
  for (RuntimeArray* a : {bytes, shorts, singles}) RuntimeUnlockArray(a);
}

// Appends taking turns between an array whose elements hold references and arrays of plain
// values, each of them run long enough to grow: every String gets the array's reference
// through Insert, every plain value lands in its own place.
TEST(ArrayAppend, TurnsBetweenStringsAndPlainValuesKeepEachArraysRule) {
  RuntimeArray* strings = CreateArray(1, kArrayString, -1);
  RuntimeArray* ints = CreateArray(1, kArrayInt32, -1);
  RuntimeArray* bytes = CreateArray(1, kArrayUInt8, -1);
  string text("shared");
  for (int32_t k = 0; k < 300; ++k) {
    ArrayAppend(strings, reinterpret_cast<uintptr_t>(text.Storage()));
    ArrayAppend(ints, uintptr_t(k * 7));
    ArrayAppend(strings, reinterpret_cast<uintptr_t>(text.Storage()));
    ArrayAppend(bytes, uintptr_t(0x100 + k));  // only the low byte is an element's
  }
  ASSERT_EQ(RuntimeUBound(strings), 599);
  EXPECT_EQ(text.Storage()->refCount, 601);
  int32_t wrong = 0;
  for (int32_t k = 0; k < 300; ++k) {
    wrong += static_cast<int32_t*>(ints->data)[k] != k * 7;
    wrong += static_cast<uint8_t*>(bytes->data)[k] != uint8_t(k);
  }
  EXPECT_EQ(wrong, 0);
  for (RuntimeArray* a : {strings, ints, bytes}) RuntimeUnlockArray(a);
  EXPECT_EQ(text.Storage()->refCount, 1);
}

// Each direct read through the array's own get: the element, with a reference for a String or
// an Object; outside the array the get raises and the read answers nothing.
TEST(DirectRead, ReadsInRangeAndAnswersNothingOutside) {
  qvtest::ReportCapture reports;
  RuntimeArray* ints = CreateArray(1, kArrayInt32, 2);
  ArraySetElement(ints, 1, uintptr_t(-42));
  EXPECT_EQ(RuntimeDirectReadIntArray(ints, 1), -42);
  RuntimeArray* small = CreateArray(1, kArrayInt8, 0);
  ArraySetElement(small, 0, uintptr_t(-3));
  EXPECT_EQ(RuntimeDirectReadIntArray(small, 0), -3) << "widened by its own sign";
  EXPECT_EQ(RuntimeDirectReadIntArray(ints, 3), 0);
  EXPECT_EQ(RuntimeDirectReadIntArray(ints, -1), 0);
  EXPECT_EQ(arraytest::OutOfBounds(reports), 2);

  RuntimeArray* strings = CreateArray(1, kArrayString, 1);
  string text("element");
  ArraySetElement(strings, 0, reinterpret_cast<uintptr_t>(text.Storage()));
  stringStorage* read = RuntimeDirectReadStringArray(strings, 0);
  EXPECT_EQ(read, text.Storage());
  EXPECT_EQ(text.Storage()->refCount, 3) << "ours, the array's and the reader's";
  RuntimeUnlockString(read);
  EXPECT_EQ(RuntimeDirectReadStringArray(strings, 2), nullptr);

  RuntimeArray* objects = CreateArray(1, kArrayObject, 0);
  RuntimeObject* element = RuntimeNewObject(arraytest::TestClass("Read"));
  ArraySetElement(objects, 0, reinterpret_cast<uintptr_t>(element));
  RuntimeObject* object = RuntimeDirectReadObjectArray(objects, 0);
  EXPECT_EQ(object, element);
  EXPECT_EQ(element->refCount, 3);
  RuntimeUnlockObject(object);
  EXPECT_EQ(RuntimeDirectReadObjectArray(objects, 1), nullptr);
  EXPECT_EQ(arraytest::OutOfBounds(reports), 4);
  for (RuntimeArray* a : {ints, small, strings, objects}) RuntimeUnlockArray(a);
  RuntimeUnlockObject(element);
}

// A structure read copies the element's bytes; with no element (outside, or a nil array) it
// copies nothing, and a nil destination is a failed check.
TEST(DirectRead, StructureReadsCopyTheElementOrNothing) {
  qvtest::ReportCapture reports;
  RuntimeArray* records = RuntimeCreateStructureArray(1, 6, 1);
  std::memcpy(static_cast<char*>(records->data) + 6, "abcdef", 6);
  char destination[8] = "-------";
  RuntimeDirectReadStructureArray(records, 1, destination);
  EXPECT_EQ(std::string(destination), "abcdef-");
  std::memcpy(destination, "-------", 8);
  RuntimeDirectReadStructureArray(records, 2, destination);
  RuntimeDirectReadStructureArray(records, -1, destination);
  RuntimeDirectReadStructureArray(nullptr, 0, destination);
  EXPECT_EQ(std::string(destination), "-------");
  EXPECT_EQ(arraytest::OutOfBounds(reports), 2);
  RuntimeDirectReadStructureArray(records, 0, nullptr);
  EXPECT_TRUE(reports.HasCondition("structure"));
  RuntimeUnlockArray(records);
}

// Nil arrays answer nothing and raise nothing; an array of another type or shape is a failed
// check, never read as the wrong kind of value.
TEST(DirectRead, NilArraysAndOtherTypesOrShapesAnswerNothing) {
  qvtest::ReportCapture reports;
  EXPECT_EQ(RuntimeDirectReadIntArray(nullptr, 0), 0);
  EXPECT_EQ(RuntimeDirectReadStringArray(nullptr, 0), nullptr);
  EXPECT_EQ(RuntimeDirectReadObjectArray(nullptr, 0), nullptr);
  EXPECT_TRUE(reports.empty());
  RuntimeArray* singles = CreateArray(1, kArraySingle, 0);
  RuntimeArray* strings = CreateArray(1, kArrayString, 0);
  RuntimeArray* ints = CreateArray(1, kArrayInt32, 0);
  RuntimeArray* grid = CreateArray(2, kArrayInt32, 1, 1);
  EXPECT_EQ(RuntimeDirectReadIntArray(singles, 0), 0);
  EXPECT_EQ(RuntimeDirectReadIntArray(strings, 0), 0);
  EXPECT_EQ(RuntimeDirectReadStringArray(ints, 0), nullptr);
  EXPECT_EQ(RuntimeDirectReadObjectArray(strings, 0), nullptr);
  EXPECT_EQ(RuntimeDirectReadIntArray(grid, 0), 0);
  char destination[4] = "---";
  RuntimeDirectReadStructureArray(ints, 0, destination);
  EXPECT_EQ(std::string(destination), "---");
  EXPECT_EQ(reports.count(), 6u);
  EXPECT_TRUE(reports.HasCondition("one-dimensional array of the type"));
  for (RuntimeArray* a : {singles, strings, ints, grid}) RuntimeUnlockArray(a);
}

}  // namespace
