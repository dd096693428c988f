// Element stores and reads that compiled code and the framework make without an array
// expression of their own, through the array's operation table.
#pragma once

#include <cstdint>

#include "arrays/RuntimeArray.h"

extern "C" {
// Stores value at index of a one-dimensional array whose elements are at most a word wide
// (integers, Single, String, Object), through the set operation that tests the index (position
// 1): an index outside the array raises OutOfBoundsException. A String or Object value gets the
// array's own reference. A nil array raises NilObjectException; any other array shape is a
// failed check, and nothing is stored.
void ArraySetElement(RuntimeArray* array, int32_t index, uintptr_t value);
// The element at index of a one-dimensional Int32 or UInt32 array, read through the get
// operation (position 0): an index outside the array raises OutOfBoundsException. A nil array
// raises NilObjectException; any other array is a failed check. Either reads 0.
int32_t RuntimeDirectReadIntArray(RuntimeArray* array, int32_t index);
}
