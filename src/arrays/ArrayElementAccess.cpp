#include "arrays/ArrayElementAccess.h"

#include "arrays/ArrayAppend.h"
#include "arrays/ArrayOperations.h"
#include "arrays/StructureArray.h"
#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

// A one-dimensional array whose elements travel as one stack word (integers, Single, String,
// Object), with the operation at position; any other shape is a failed check. A nil array
// raises NilObjectException.
bool IsWordArray(RuntimeArray* array, void* ArrayOperationTable::*position) {
  if (!array) {
    RaiseNilObjectException();
    return false;
  }
  const ArrayOperationTable* table = array->table;
  return QV_CHECK_TEXT(table && table->*position && table->ubound && table->elementSize, "fp",
                       nullptr) &&
         QV_CHECK_TEXT(table->ubound(array, -1) == 1, "one dimension", nullptr) &&
         QV_CHECK_TEXT(table->elementSize(array) <= int32_t(sizeof(uintptr_t)), "word elements",
                       nullptr);
}

bool HasTable(const RuntimeArray* array, int32_t elementType) {
  return array->table == SelectArrayOperationTable(1, elementType);
}

bool IsIntegerWordArray(const RuntimeArray* array) {
  for (int32_t type : {kArrayInt32, kArrayUInt32, kArrayInt16, kArrayUInt16, kArrayInt8,
                       kArrayUInt8}) {
    if (HasTable(array, type)) return true;
  }
  return false;
}

// The element at index through position 0 (which raises OutOfBoundsException outside the
// array and then answers nothing), when the array is one-dimensional and accepted; a nil array
// answers nothing and raises nothing.
template <typename Element>
Element DirectRead(RuntimeArray* array, int32_t index, bool accepted) {
  if (!array) return Element();
  if (!QV_CHECK_TEXT(accepted && array->table->ubound(array, -1) == 1,
                     "one-dimensional array of the type", nullptr)) {
    return Element();
  }
  using Get = Element (*)(RuntimeArray*, int32_t);
  return reinterpret_cast<Get>(array->table->get)(array, index);
}

}  // namespace

// Position 1 takes the value before the index. A value narrower than a word travels in a whole
// stack word all the same, so one call serves every element type up to a word.
extern "C" void ArraySetElement(RuntimeArray* array, int32_t index, uintptr_t value) {
  if (!IsWordArray(array, &ArrayOperationTable::set)) return;
  using WordSet = void (*)(RuntimeArray*, uintptr_t, int32_t);
  reinterpret_cast<WordSet>(array->table->set)(array, value, index);
}
QV_EXPORT(ArraySetElement)

// ArrayAppend's way for every array its quick way does not take: checks the array, remembers a
// typed table that passes for the next append on this thread, and stores by that table's
// Insert unless there is room at the end for an element without references.
void ArrayAppendByTheFullRule(RuntimeArray* array, uintptr_t value) {
  using namespace array_append;
  if (!IsWordArray(array, &ArrayOperationTable::insert)) return;
  const ArrayOperationTable* table = array->table;
  // The one table of structure arrays serves every element size and is never kept.
  if (!IsStructureArray(array)) {
    tStoreTable = table->lockElement ? nullptr : table;
    tStoreWidth = table->elementSize(array);
    if (tStoreTable && StoreAtEnd(array, value)) return;
  }
  using WordInsert = void (*)(RuntimeArray*, int32_t, uintptr_t);
  reinterpret_cast<WordInsert>(table->insert)(array, table->ubound(array, 1) + 1, value);
}

extern "C" int32_t RuntimeDirectReadIntArray(RuntimeArray* array, int32_t index) {
  return DirectRead<int32_t>(array, index, array && IsIntegerWordArray(array));
}
QV_EXPORT(RuntimeDirectReadIntArray)

extern "C" stringStorage* RuntimeDirectReadStringArray(RuntimeArray* array, int32_t index) {
  return DirectRead<stringStorage*>(array, index, array && HasTable(array, kArrayString));
}
QV_EXPORT(RuntimeDirectReadStringArray)

extern "C" RuntimeObject* RuntimeDirectReadObjectArray(RuntimeArray* array, int32_t index) {
  return DirectRead<RuntimeObject*>(array, index, array && HasTable(array, kArrayObject));
}
QV_EXPORT(RuntimeDirectReadObjectArray)

// A get that raised answered no element: nothing is copied.
extern "C" void RuntimeDirectReadStructureArray(RuntimeArray* array, int32_t index,
                                                void* destination) {
  if (!QV_CHECK_TEXT(destination, "structure", nullptr)) return;
  const void* element = DirectRead<void*>(array, index, array && IsStructureArray(array));
  if (!element) return;
  umemcpy(destination, element, uint32_t(array->table->elementSize(array)));
}
QV_EXPORT(RuntimeDirectReadStructureArray)
