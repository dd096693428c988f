// Append as an append loop of compiled code calls it. Built as a leaf accessor
// (QV_LEAF_ACCESSOR_SOURCES): the quick way stores without a call, so it neither realigns the
// stack nor keeps a frame, and every other way goes on to the framework by a jump.
#include "arrays/ArrayAppend.h"

#include "arrays/ArrayElementAccess.h"
#include "core/Export.h"

__thread const ArrayOperationTable* array_append::tStoreTable = nullptr;
__thread int32_t array_append::tStoreWidth = 0;

extern "C" void ArrayAppend(RuntimeArray* array, uintptr_t value) {
  using namespace array_append;
  if (array && array->table == tStoreTable && StoreAtEnd(array, value)) return;
  ArrayAppendByTheFullRule(array, value);
}
QV_EXPORT(ArrayAppend)
