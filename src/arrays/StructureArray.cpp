#include "arrays/StructureArray.h"

#include <cstdarg>

#include "arrays/ArrayOperations.h"
#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

StructureArray* Record(RuntimeArray* array) { return reinterpret_cast<StructureArray*>(array); }

ArrayFields Fields(StructureArray* array) {
  return {&array->data,    &array->bufferLength, &array->growthStep,
          array->bounds(), array->dimensions,    array->elementSize,
          nullptr};
}

// The element the index list names, or nil after raising when an index is outside its bound.
unsigned char* ElementAt(StructureArray* array, va_list indexes) {
  int32_t position = 0;
  int32_t stride = 1;
  for (int32_t k = 0; k < array->dimensions; ++k) {
    const int32_t index = va_arg(indexes, int32_t);
    const int32_t bound = array->bounds()[k];
    if (index < 0 || index > bound) {
      RaiseOutOfBoundsException();
      return nullptr;
    }
    position += index * stride;
    stride *= bound + 1;
  }
  return static_cast<unsigned char*>(array->data) + position * array->elementSize;
}

// Positions 0 and 2: a pointer into the buffer, valid until the buffer is replaced.
void* GetElement(RuntimeArray* array, ...) {
  va_list indexes;
  va_start(indexes, array);
  unsigned char* element = ElementAt(Record(array), indexes);
  va_end(indexes);
  return element;
}

// Positions 1 and 3: copies the element's bytes from value.
void SetElement(RuntimeArray* array, const void* value, ...) {
  if (!QV_CHECK(value)) return;
  va_list indexes;
  va_start(indexes, value);
  unsigned char* element = ElementAt(Record(array), indexes);
  va_end(indexes);
  if (element) umemcpy(element, value, static_cast<uint32_t>(Record(array)->elementSize));
}

void Redim(RuntimeArray* array, ...) {
  if (!QV_CHECK(array)) return;
  va_list bounds;
  va_start(bounds, array);
  RedimDimensions(Fields(Record(array)), bounds);
  va_end(bounds);
}

void Insert(RuntimeArray* array, int32_t index, const void* value) {
  if (!array) {
    RaiseNilObjectException();
    return;
  }
  if (!QV_CHECK(value)) return;
  StructureArray* record = Record(array);
  unsigned char* place = OpenArrayPlace(Fields(record), index);
  if (place) umemcpy(place, value, static_cast<uint32_t>(record->elementSize));
}

void Remove(RuntimeArray* array, int32_t index) {
  if (!array) {
    RaiseOutOfBoundsException();
    return;
  }
  RemoveArrayElement(Fields(Record(array)), index);
}

void Shuffle(RuntimeArray* array) {
  if (!array) return;
  ShuffleArrayElements(Fields(Record(array)));
}

int32_t UBound(RuntimeArray* array, int32_t dimension) {
  StructureArray* record = Record(array);
  if (dimension == -1) return record->dimensions;
  if (dimension < 1 || dimension > record->dimensions) {
    RaiseOutOfBoundsException();
    return -1;
  }
  return record->bounds()[dimension - 1];
}

int32_t ElementSize(RuntimeArray* array) { return Record(array)->elementSize; }

// Positions 0 and 2, 1 and 3 are the same functions: the fast forms test indexes too.
const ArrayOperationTable& StructureArrayTable() {
  static const ArrayOperationTable table = {
      .get = reinterpret_cast<void*>(&GetElement),
      .set = reinterpret_cast<void*>(&SetElement),
      .fastGet = reinterpret_cast<void*>(&GetElement),
      .fastSet = reinterpret_cast<void*>(&SetElement),
      .redim = reinterpret_cast<void*>(&Redim),
      .insert = reinterpret_cast<void*>(&Insert),
      .remove = &Remove,
      .sort = nullptr,
      .sortWith = nullptr,
      .indexOf = nullptr,
      .shuffle = &Shuffle,
      .ubound = &UBound,
      .lockElement = nullptr,
      .unlockElement = nullptr,
      .freeStorage = &FreeArrayStorage,
      .elementSize = &ElementSize,
  };
  return table;
}

}  // namespace

bool IsStructureArray(const RuntimeArray* array) {
  return array && array->table == &StructureArrayTable();
}

extern "C" RuntimeArray* RuntimeCreateStructureArray(int32_t dimensions, int32_t elementSize, ...) {
  if (!QV_CHECK(elementSize >= 1)) return nullptr;
  va_list bounds;
  va_start(bounds, elementSize);
  StructureArray* array =
      NewArrayRecord<StructureArray>(&StructureArrayTable(), dimensions, elementSize, bounds);
  va_end(bounds);
  if (!array) return nullptr;
  array->elementSize = elementSize;
  return reinterpret_cast<RuntimeArray*>(array);
}
QV_EXPORT(RuntimeCreateStructureArray)
