// Element stores that compiled code and the framework make without an array expression of
// their own, through the array's operation table.
#pragma once

#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

extern "C" {
// Stores value at index of a one-dimensional array whose elements are at most a word wide
// (integers, Single, String, Object), through the set operation that tests the index (position
// 1): an index outside the array raises OutOfBoundsException. A String or Object value gets the
// array's own reference. A nil array raises NilObjectException; any other array shape is a
// failed check, and nothing is stored.
void ArraySetElement(RuntimeArray* array, int32_t index, uintptr_t value);
// Inserts value after the last element through the Insert operation (position 5), on the same
// terms as ArraySetElement.
void ArrayAppend(RuntimeArray* array, uintptr_t value);

// Direct reads of element index of a one-dimensional array through its get operation (position
// 0), each for its own element type (Int: the integer types up to 32 bits; String and Object
// with a reference for the caller). An index outside the array raises OutOfBoundsException;
// that, a nil array and an array of another type or shape answer 0 or nil (the last after a
// failed check).
int32_t RuntimeDirectReadIntArray(RuntimeArray* array, int32_t index);
stringStorage* RuntimeDirectReadStringArray(RuntimeArray* array, int32_t index);
RuntimeObject* RuntimeDirectReadObjectArray(RuntimeArray* array, int32_t index);
// Copies the element's bytes (its element size, position 15) into destination, which must not
// be nil; nothing is copied when there is no element to read.
void RuntimeDirectReadStructureArray(RuntimeArray* array, int32_t index, void* destination);
}
