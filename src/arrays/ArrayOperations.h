// Redim, Insert, Remove and Shuffle on the bytes of an array, shared by the typed arrays and the
// structure arrays: the members differ only in element width and in whether elements hold
// references (released through the table's unlock position), so one routine serves each.
//
// Every routine works on the record in place, through ArrayFields: it replaces the buffer, the
// bounds, the buffer length and the growth step; the record's address, dimension count and
// table never change. A size that would not fit a signed 32-bit byte length, or a bound below
// -1, raises OutOfBoundsException and leaves the array as it was.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdint>

#include "arrays/RuntimeArray.h"

// Where a record keeps the fields these operations replace.
struct ArrayFields {
  void** data;
  int32_t* bufferLength;
  int32_t* growthStep;
  int32_t* bounds;
  int32_t dimensions;
  int32_t width;
  ArrayElementFunction unlock;  // releases one element (a reference), or nil
};

ArrayFields TypedArrayFields(RuntimeArray* array, int32_t width);

// The failed check of an operation that serves one-dimensional arrays only.
bool CheckOneDimension(int32_t dimensions);

// Position 4 of one-dimensional tables: elements 0 .. min(old, new) keep their values; the
// buffer becomes exactly (newBound + 1) x width bytes (a zero-length buffer, not nil, for -1).
void RedimOneDimension(const ArrayFields& fields, int32_t newBound);
// Position 4 of the other tables: one new bound per dimension from newBounds. An element keeps
// its index tuple when that lies inside both the old and the new bounds; the others go.
void RedimDimensions(const ArrayFields& fields, va_list newBounds);
// Opens a place at index (0 .. U + 1) of a one-dimensional array and raises the upper bound;
// returns the place for the caller to store into, or nil when refused (after raising or a
// failed check; nothing changed).
unsigned char* OpenArrayPlace(const ArrayFields& fields, int32_t index);
// OpenArrayPlace's commonest case without its set-up: an append (index U + 1) to a
// one-dimensional array whose buffer has room. Nil in every other case, nothing changed.
inline unsigned char* OpenPlaceAtEnd(RuntimeArray* array, int32_t index, int32_t width) {
  int32_t* upper = array->bounds();
  // The end as an unsigned product that must not overflow: a negative index never fits.
  uint32_t end;
  if (array->dimensions != 1 || index != *upper + 1 || !array->data ||
      __builtin_mul_overflow(uint32_t(index) + 1u, uint32_t(width), &end) ||
      end > uint32_t(std::max(array->bufferLength, 0)))
    return nullptr;
  *upper = index;
  return static_cast<unsigned char*>(array->data) + index * width;
}
// Releases element index (0 .. U) and closes the gap into a buffer of exactly the new size.
void RemoveArrayElement(const ArrayFields& fields, int32_t index);
// Shuffle draws from the language's random generator, which lives above this layer: the
// shuffler is installed from there when the process starts (ArrayShuffle.cpp).
using ArrayShuffler = void (*)(const ArrayFields& fields);
void InstallArrayShuffler(ArrayShuffler shuffler);
void ShuffleArrayElements(const ArrayFields& fields);
