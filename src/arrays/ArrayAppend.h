// Append's quick way: an element without references stored into room at the end of an array
// whose typed table the last append on this thread checked. Everything else goes by
// ArrayAppendByTheFullRule.
#pragma once

#include <cstdint>
#include <cstring>

#include "arrays/ArrayOperations.h"
#include "arrays/RuntimeArray.h"

void ArrayAppendByTheFullRule(RuntimeArray* array, uintptr_t value);

namespace array_append {

// A typed table serves one element type and one shape, so an array with the table last checked
// passes again and an append loop checks once. Per thread, so that the table and its element
// width are always read as one pair. Nil when the last table checked locks its elements.
[[gnu::visibility("hidden"), gnu::tls_model("local-exec")]] extern __thread const
    ArrayOperationTable* tStoreTable;
[[gnu::visibility("hidden"), gnu::tls_model("local-exec")]] extern __thread int32_t tStoreWidth;

// Stores value's low bytes (as Insert would) as a new last element of array, whose table is
// tStoreTable, when its buffer has room; false, with nothing changed, otherwise.
inline bool StoreAtEnd(RuntimeArray* array, uintptr_t value) {
  const int32_t width = tStoreWidth;
  unsigned char* const place = OpenPlaceAtEnd(array, array->bounds()[0] + 1, width);
  if (!place) return false;
  switch (width) {  // fixed sizes: copies the compiler turns into one store
    case 1: std::memcpy(place, &value, 1); break;
    case 2: std::memcpy(place, &value, 2); break;
    default: std::memcpy(place, &value, 4); break;
  }
  return true;
}

}  // namespace array_append
