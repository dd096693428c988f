// Sort and SortWith of the typed arrays (positions 7 and 8 of the one-dimensional tables), one
// member per sortable element type.
#pragma once

#include "arrays/RuntimeArray.h"

// Orders the array's elements ascending; nothing for a nil or empty array.
template <typename Element>
void SortTypedArray(RuntimeArray* array);

// Orders the key array and reorders each companion (arguments up to the first nil) by the same
// permutation. Nothing for a nil or empty key array; a companion that is not one-dimensional
// with the key's upper bound raises OutOfBoundsException before anything moves.
template <typename Element>
void SortTypedArrayWith(RuntimeArray* array, ...);
