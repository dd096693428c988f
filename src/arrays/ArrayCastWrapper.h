// Cast wrappers: a one-dimensional array presented under an element class. Every table
// position passes the call on to the inner array's table; stores first test that the object
// belongs to the class (nil always does). The wrapper owns one reference to the inner array;
// its data word is a snapshot taken when it was made and is never read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/RuntimeObject.h"

struct ArrayCastWrapper {
  int32_t refCount;
  const ArrayOperationTable* table;
  void* data;  // the inner array's data when the wrapper was made; stale after that
  RuntimeArray* inner;
  RuntimeClass* elementClass;
};
static_assert(sizeof(ArrayCastWrapper) == 20, "wrapper record is read by compiled code");
static_assert(offsetof(ArrayCastWrapper, table) == 4, "ArrayCastWrapper layout");
static_assert(offsetof(ArrayCastWrapper, data) == 8, "ArrayCastWrapper layout");
static_assert(offsetof(ArrayCastWrapper, inner) == 12, "ArrayCastWrapper layout");
static_assert(offsetof(ArrayCastWrapper, elementClass) == 16, "ArrayCastWrapper layout");

extern "C" {
// One reference for the caller: nil for nil; the array itself when the class is nil or the
// array already is a wrapper (whose own class stays in force); else a new wrapper over a
// one-dimensional Object array (any other array is a failed check and gives nil).
RuntimeArray* RuntimeCreateArrayCastWrapper(RuntimeArray* array, RuntimeClass* elementClass);
}

bool IsArrayCastWrapper(const RuntimeArray* array);
// The array whose buffer holds the elements: a wrapper's inner array, else the array itself.
RuntimeArray* UnwrapArrayCastWrapper(RuntimeArray* array);
