#include "arrays/ArrayElementAccess.h"

#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

// Position 1 takes the value before the index. A value narrower than a word travels in a whole
// stack word all the same, so one call serves every element type up to a word.
extern "C" void ArraySetElement(RuntimeArray* array, int32_t index, uintptr_t value) {
  if (!array) {
    RaiseNilObjectException();
    return;
  }
  const ArrayOperationTable* table = array->table;
  if (!QV_CHECK_TEXT(table && table->set && table->ubound && table->elementSize, "fp", nullptr) ||
      !QV_CHECK_TEXT(table->ubound(array, -1) == 1, "one dimension", nullptr) ||
      !QV_CHECK_TEXT(table->elementSize(array) <= int32_t(sizeof(uintptr_t)), "word elements",
                     nullptr)) {
    return;
  }
  using WordSet = void (*)(RuntimeArray*, uintptr_t, int32_t);
  reinterpret_cast<WordSet>(table->set)(array, value, index);
}
QV_EXPORT(ArraySetElement)

// Through the get operation (position 0), which tests the index: an index outside the array
// raises OutOfBoundsException and reads 0.
extern "C" int32_t RuntimeDirectReadIntArray(RuntimeArray* array, int32_t index) {
  if (!array) {
    RaiseNilObjectException();
    return 0;
  }
  const ArrayOperationTable* table = array->table;
  if (!QV_CHECK_TEXT(table == SelectArrayOperationTable(1, kArrayInt32) ||
                         table == SelectArrayOperationTable(1, kArrayUInt32),
                     "one-dimensional integer array", nullptr)) {
    return 0;
  }
  using IntGet = int32_t (*)(RuntimeArray*, int32_t);
  return reinterpret_cast<IntGet>(table->get)(array, index);
}
QV_EXPORT(RuntimeDirectReadIntArray)
