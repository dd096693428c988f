// The typed arrays' element accessors, one template over the element type, instantiated here
// for the twelve types. Built as a leaf accessor: nothing here may call outside the framework.

#include "arrays/TypedArrayAccess.h"

#include <bit>
#include <cstdarg>

#include "arrays/ArrayElementTypes.h"
#include "core/RaiseException.h"

namespace {

bool InBounds(int32_t index, int32_t bound) { return index >= 0 && index <= bound; }

// Flat position of the array's index list; -1 (after raising) when tested and outside.
int32_t FlatPositionOf(RuntimeArray* array, va_list indexes, bool tested) {
  int32_t position = 0;
  int32_t stride = 1;
  for (int32_t k = 0; k < array->dimensions; ++k) {
    const int32_t index = va_arg(indexes, int32_t);
    const int32_t bound = array->bounds()[k];
    if (tested && !InBounds(index, bound)) {
      RaiseOutOfBoundsException();
      return -1;
    }
    position += index * stride;
    stride *= bound + 1;
  }
  return position;
}

template <typename E>
struct Elements {
  using S = typename E::Stored;
  using V = typename E::Value;

  // The element in its type; a reference comes with one added for the caller.
  static V Read(RuntimeArray* array, int32_t position) {
    S element = static_cast<S*>(array->data)[position];
    if constexpr (E::kCounted) E::Lock(element);
    return element;
  }
  // The new value is locked before the old one goes, so storing an element into its own place
  // leaves it intact.
  static void Write(RuntimeArray* array, int32_t position, V value) {
    S* slot = static_cast<S*>(array->data) + position;
    const auto stored = static_cast<S>(value);
    if constexpr (E::kCounted) {
      E::Lock(stored);
      E::Unlock(*slot);
    }
    *slot = stored;
  }
  static V OutOfBounds() {
    RaiseOutOfBoundsException();
    return V();
  }
  static bool InBounds2(RuntimeArray* array, int32_t i, int32_t j) {
    return InBounds(i, array->bounds()[0]) && InBounds(j, array->bounds()[1]);
  }
  static int32_t Position2(RuntimeArray* array, int32_t i, int32_t j) {
    return i + j * (array->bounds()[0] + 1);
  }
  static V GetAt(RuntimeArray* array, bool tested, va_list indexes) {
    const int32_t position = FlatPositionOf(array, indexes, tested);
    return position < 0 ? V() : Read(array, position);
  }
  static void SetAt(RuntimeArray* array, V value, bool tested, va_list indexes) {
    const int32_t position = FlatPositionOf(array, indexes, tested);
    if (position >= 0) Write(array, position, value);
  }
  static V FromNamed(typename TypedArrayAccess<E>::NamedValue value) {
    if constexpr (std::is_same_v<V, float>) return std::bit_cast<float>(value);
    else return value;
  }
};

}  // namespace

template <typename E>
auto TypedArrayAccess<E>::Get1(RuntimeArray* array, int32_t i) -> V {
  if (!InBounds(i, array->bounds()[0])) [[unlikely]] return Elements<E>::OutOfBounds();
  return Elements<E>::Read(array, i);
}

template <typename E>
void TypedArrayAccess<E>::Set1(RuntimeArray* array, V value, int32_t i) {
  if (!InBounds(i, array->bounds()[0])) [[unlikely]] {
    Elements<E>::OutOfBounds();
    return;
  }
  Elements<E>::Write(array, i, value);
}

template <typename E>
auto TypedArrayAccess<E>::FastGet1(RuntimeArray* array, int32_t i) -> V {
  return Elements<E>::Read(array, i);
}

template <typename E>
void TypedArrayAccess<E>::FastSet1(RuntimeArray* array, V value, int32_t i) {
  Elements<E>::Write(array, i, value);
}

template <typename E>
auto TypedArrayAccess<E>::Get2(RuntimeArray* array, int32_t i, int32_t j) -> V {
  if (!Elements<E>::InBounds2(array, i, j)) return Elements<E>::OutOfBounds();
  return Elements<E>::Read(array, Elements<E>::Position2(array, i, j));
}

template <typename E>
void TypedArrayAccess<E>::Set2(RuntimeArray* array, V value, int32_t i, int32_t j) {
  if (!Elements<E>::InBounds2(array, i, j)) {
    Elements<E>::OutOfBounds();
    return;
  }
  Elements<E>::Write(array, Elements<E>::Position2(array, i, j), value);
}

template <typename E>
auto TypedArrayAccess<E>::FastGet2(RuntimeArray* array, int32_t i, int32_t j) -> V {
  return Elements<E>::Read(array, Elements<E>::Position2(array, i, j));
}

template <typename E>
void TypedArrayAccess<E>::FastSet2(RuntimeArray* array, V value, int32_t i, int32_t j) {
  Elements<E>::Write(array, Elements<E>::Position2(array, i, j), value);
}

template <typename E>
auto TypedArrayAccess<E>::GetN(RuntimeArray* array, ...) -> V {
  va_list indexes;
  va_start(indexes, array);
  V value = Elements<E>::GetAt(array, true, indexes);
  va_end(indexes);
  return value;
}

template <typename E>
auto TypedArrayAccess<E>::FastGetN(RuntimeArray* array, ...) -> V {
  va_list indexes;
  va_start(indexes, array);
  V value = Elements<E>::GetAt(array, false, indexes);
  va_end(indexes);
  return value;
}

template <typename E>
void TypedArrayAccess<E>::SetN(RuntimeArray* array, NamedValue value, ...) {
  va_list indexes;
  va_start(indexes, value);
  Elements<E>::SetAt(array, Elements<E>::FromNamed(value), true, indexes);
  va_end(indexes);
}

template <typename E>
void TypedArrayAccess<E>::FastSetN(RuntimeArray* array, NamedValue value, ...) {
  va_list indexes;
  va_start(indexes, value);
  Elements<E>::SetAt(array, Elements<E>::FromNamed(value), false, indexes);
  va_end(indexes);
}

template struct TypedArrayAccess<Int32Element>;
template struct TypedArrayAccess<SingleElement>;
template struct TypedArrayAccess<DoubleElement>;
template struct TypedArrayAccess<StringElement>;
template struct TypedArrayAccess<ObjectElement>;
template struct TypedArrayAccess<UInt8Element>;
template struct TypedArrayAccess<Int8Element>;
template struct TypedArrayAccess<UInt16Element>;
template struct TypedArrayAccess<Int16Element>;
template struct TypedArrayAccess<UInt32Element>;
template struct TypedArrayAccess<UInt64Element>;
template struct TypedArrayAccess<Int64Element>;
