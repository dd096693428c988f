// ArraySetElement: the tested store of word-wide element types, and what it refuses.
#include "arrays/ArrayElementAccess.h"

#include "ArrayTestSupport.h"

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

}  // namespace
