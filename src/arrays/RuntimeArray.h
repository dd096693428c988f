// Arrays: the typed array record, the 16-position operation table through which compiled code
// reaches every array operation, creation, reference counting and destruction.
//
// Compiled code loads the table from a record's second word and calls its positions directly,
// so the record layouts and the table order never change. The table is chosen once, when the
// array is made, from the element type and the dimension count; no operation tests the element
// type at run time. Structure arrays and cast wrappers (StructureArray.h, ArrayCastWrapper.h)
// share the first two words and the table layout, and are otherwise reached only through their
// table: nothing outside their own files reads their other words.
//
// Invariants of a typed array: buffer length >= element count x width (equal after creation,
// Redim and Remove); every byte length fits a signed 32-bit word; String and Object elements
// are references owned by the array; new elements are all-zero bytes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "core/RuntimeError.h"

// Element type codes (the second argument of CreateArray).
enum ArrayElementType : int32_t {
  kArrayInt32 = 0,
  kArraySingle = 1,
  kArrayDouble = 2,
  kArrayString = 3,
  kArrayObject = 4,
  kArrayUInt8 = 5,
  kArrayInt8 = 6,
  kArrayUInt16 = 7,
  kArrayInt16 = 8,
  kArrayUInt32 = 9,
  kArrayUInt64 = 10,
  kArrayInt64 = 11,
};
constexpr int32_t kArrayElementTypeCount = 12;

// Insert enlarges a full buffer by the growth step, and the step doubles after each
// enlargement, so the buffer grows geometrically and a run of n appends copies O(n) bytes in
// all. The limit only keeps the doubling inside 32 bits: no buffer reaches it.
constexpr int32_t kArrayInitialGrowthStep = 16;
constexpr int32_t kArrayGrowthStepLimit = 0x10000000;

struct ArrayOperationTable;

// The typed array record; one upper bound per dimension follows the six words.
struct RuntimeArray {
  int32_t refCount;
  const ArrayOperationTable* table;
  void* data;
  int32_t dimensions;
  int32_t bufferLength;
  int32_t growthStep;

  int32_t* bounds() { return reinterpret_cast<int32_t*>(this + 1); }
  const int32_t* bounds() const { return reinterpret_cast<const int32_t*>(this + 1); }
};
static_assert(sizeof(RuntimeArray) == 24, "array record is read by compiled code");
static_assert(offsetof(RuntimeArray, refCount) == 0, "RuntimeArray layout");
static_assert(offsetof(RuntimeArray, table) == 4, "RuntimeArray layout");
static_assert(offsetof(RuntimeArray, data) == 8, "RuntimeArray layout");
static_assert(offsetof(RuntimeArray, dimensions) == 12, "RuntimeArray layout");
static_assert(offsetof(RuntimeArray, bufferLength) == 16, "RuntimeArray layout");
static_assert(offsetof(RuntimeArray, growthStep) == 20, "RuntimeArray layout");

// Positions whose signature is the same for every element type are typed; the others take
// values of the element's own type (or index lists as varargs) and are cast by their callers.
// Every kind of record is passed as RuntimeArray*, the handle compiled code holds.
using ArrayUBoundFunction = int32_t (*)(RuntimeArray* array, int32_t dimension);
using ArrayFunction = void (*)(RuntimeArray* array);
using ArrayIndexFunction = void (*)(RuntimeArray* array, int32_t index);
using ArrayElementSizeFunction = int32_t (*)(RuntimeArray* array);
using ArrayElementFunction = void (*)(void* element);  // a String or Object reference

struct ArrayOperationTable {
  void* get;                             // 0  (array, index...) -> element
  void* set;                             // 1  (array, value, index...)
  void* fastGet;                         // 2  as get, no index test
  void* fastSet;                         // 3  as set, no index test
  void* redim;                           // 4  (array, bound...)
  void* insert;                          // 5  (array, index, value)
  ArrayIndexFunction remove;             // 6
  ArrayFunction sort;                    // 7
  void* sortWith;                        // 8  (array, companion..., nil)
  void* indexOf;                         // 9  (array, value, start) -> index or -1
  ArrayFunction shuffle;                 // 10
  ArrayUBoundFunction ubound;            // 11 dimension -1 gives the dimension count
  ArrayElementFunction lockElement;      // 12 String and Object only
  ArrayElementFunction unlockElement;    // 13 String and Object only
  ArrayFunction freeStorage;             // 14
  ArrayElementSizeFunction elementSize;  // 15
};
static_assert(sizeof(ArrayOperationTable) == 64, "the table has 16 positions");
static_assert(offsetof(ArrayOperationTable, ubound) == 44, "ArrayOperationTable layout");
static_assert(offsetof(ArrayOperationTable, elementSize) == 60, "ArrayOperationTable layout");

extern "C" {
// Exported to compiled code.
RuntimeArray* CreateArray(int32_t dimensions, int32_t elementType, ...);
void RuntimeLockArray(RuntimeArray* array);
void RuntimeUnlockArray(RuntimeArray* array);
void RuntimeLockUnlockArrays(RuntimeArray* newArray, RuntimeArray* oldArray);
int32_t RuntimeUBound(RuntimeArray* array);
int32_t RuntimeUBound2Param(RuntimeArray* array, int32_t dimension);
}

using ArrayDisposeHook = void (*)(void* formerRecord);
// The single hook told of every destroyed array (nil: none); it may use the address only as
// an identity, the record being gone. Returns the previous hook.
ArrayDisposeHook SetArrayDisposeHook(ArrayDisposeHook hook);

// Width in bytes of an element type; another code is a failed check yielding 0.
int32_t ArrayElementSize(int32_t elementType);
// The table for the shape and type; nil (after a failed check) for an unknown type.
const ArrayOperationTable* SelectArrayOperationTable(int32_t dimensions, int32_t elementType);

// Byte length width x element count of the bounds, or false when a bound is below -1 or the
// length does not fit a signed 32-bit word.
bool ArrayBufferLength(const int32_t* bounds, int32_t dimensions, int32_t width, int32_t* length);
// Element count of bounds that ArrayBufferLength accepted.
int32_t ArrayElementCount(const int32_t* bounds, int32_t dimensions);
// Stores the length and a zero-filled buffer of it (nil for 0); false, storing nothing, when
// ArrayBufferLength refuses the bounds.
bool AllocateArrayBuffer(void** data, int32_t* bufferLength, int32_t dimensions,
                         const int32_t* bounds, int32_t width);

// A record of headerBytes plus one word per dimension, or nil after a failed check.
void* AllocateArrayRecord(uint32_t headerBytes, int32_t dimensions);
// Frees a record whose buffer could not be had and raises OutOfBoundsException.
void RefuseArrayRecord(void* record);

// A new record of Record's layout (typed or structure arrays) with one reference, the table,
// the upper bounds read from bounds and a zeroed buffer of elementSize elements; nil, after
// raising OutOfBoundsException, when the bounds do not fit.
template <typename Record>
Record* NewArrayRecord(const ArrayOperationTable* table, int32_t dimensions, int32_t elementSize,
                       va_list bounds) {
  auto* array = static_cast<Record*>(AllocateArrayRecord(sizeof(Record), dimensions));
  if (!array) return nullptr;
  array->refCount = 1;
  array->table = table;
  array->dimensions = dimensions;
  array->growthStep = kArrayInitialGrowthStep;
  for (int32_t k = 0; k < dimensions; ++k) array->bounds()[k] = va_arg(bounds, int32_t);
  if (!AllocateArrayBuffer(&array->data, &array->bufferLength, dimensions, array->bounds(),
                           elementSize)) {
    RefuseArrayRecord(array);
    return nullptr;
  }
  return array;
}
void DestroyArray(RuntimeArray* array);
// Position 14 of the typed tables and the structure-array table: releases the elements
// (through position 13, when filled) and the buffer; bounds and buffer length stay.
void FreeArrayStorage(RuntimeArray* array);
// Position 11 of the typed tables.
int32_t ArrayUBound(RuntimeArray* array, int32_t dimension);

// Calls visit(element) for each element of a one-dimensional array of elementType, whose C++
// type is Element, in index order, through the array's get operation. A nil array has none;
// one of another shape or type is a failed check and visits none.
template <typename Element, typename Visit>
void ForEachArrayElement(RuntimeArray* array, int32_t elementType, Visit visit) {
  if (!array) return;
  if (!QV_CHECK_TEXT(array->table == SelectArrayOperationTable(1, elementType),
                     "one-dimensional array of the type", nullptr)) {
    return;
  }
  using Get = Element (*)(RuntimeArray* array, int32_t index);
  auto get = reinterpret_cast<Get>(array->table->get);
  const int32_t last = array->table->ubound(array, 1);
  for (int32_t i = 0; i <= last; ++i) visit(get(array, i));
}
