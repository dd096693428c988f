// The element accessors of the typed arrays: positions 0 to 3 (Get, Set, fast Get, fast Set) of
// the 36 operation tables, for the three shapes. Compiled code calls them for every element it
// touches, so they live in a file of their own that is built as a leaf accessor (see
// CMakeLists.txt): no stack realignment and no frame on the way that finds the element. Every
// call they make goes to framework functions, which accept the 4-byte-aligned stack.
//
// An index outside the array raises OutOfBoundsException; Get then answers zero of its type and
// Set stores nothing. String and Object elements come from Get with a reference for the caller,
// and Set locks the new value before it unlocks the old one.
#pragma once

#include <cstdint>
#include <type_traits>

#include "arrays/RuntimeArray.h"

template <typename E>
struct TypedArrayAccess {
  using V = typename E::Value;
  // va_start after a parameter that default promotion would widen (a Single) is undefined: the
  // value arrives as the 32-bit word it is on the stack, the same call either way.
  using NamedValue = std::conditional_t<std::is_same_v<V, float>, uint32_t, V>;

  // One dimension.
  static V Get1(RuntimeArray* array, int32_t i);
  static void Set1(RuntimeArray* array, V value, int32_t i);
  static V FastGet1(RuntimeArray* array, int32_t i);
  static void FastSet1(RuntimeArray* array, V value, int32_t i);
  // Two dimensions: element i + j x (u1 + 1).
  static V Get2(RuntimeArray* array, int32_t i, int32_t j);
  static void Set2(RuntimeArray* array, V value, int32_t i, int32_t j);
  static V FastGet2(RuntimeArray* array, int32_t i, int32_t j);
  static void FastSet2(RuntimeArray* array, V value, int32_t i, int32_t j);
  // Any number of dimensions: as many indexes as the array has dimensions, first fastest.
  static V GetN(RuntimeArray* array, ...);
  static V FastGetN(RuntimeArray* array, ...);
  static void SetN(RuntimeArray* array, NamedValue value, ...);
  static void FastSetN(RuntimeArray* array, NamedValue value, ...);
};
