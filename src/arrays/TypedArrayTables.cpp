// The 36 operation tables of the typed arrays: for each of the twelve element types a
// one-dimensional, a two-dimensional and a many-dimensional table. Every member is a template
// over the element type; the shapes differ only in how an index list becomes a flat position
// (first index fastest).

#include <bit>
#include <cstdarg>
#include <cstring>
#include <type_traits>

#include "arrays/ArrayElementTypes.h"
#include "arrays/ArrayOperations.h"
#include "arrays/RuntimeArray.h"
#include "arrays/TypedArraySort.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

enum ArrayShape { kOneDimension, kTwoDimensions, kManyDimensions, kShapeCount };

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
struct TypedArray {
  using S = typename E::Stored;
  using V = typename E::Value;

  static S* Elements(RuntimeArray* array) { return static_cast<S*>(array->data); }
  static ArrayFields Fields(RuntimeArray* array) {
    return TypedArrayFields(array, static_cast<int32_t>(sizeof(S)));
  }

  // The element in its type; a reference comes with one added for the caller.
  static V Read(RuntimeArray* array, int32_t position) {
    S element = Elements(array)[position];
    if constexpr (E::kCounted) E::Lock(element);
    return element;
  }
  // The new value is locked before the old one goes, so storing an element into its own place
  // leaves it intact.
  static void Write(RuntimeArray* array, int32_t position, V value) {
    S* slot = Elements(array) + position;
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

  // ---- one dimension ----
  static V Get1(RuntimeArray* array, int32_t i) {
    if (!InBounds(i, array->bounds()[0])) return OutOfBounds();
    return Read(array, i);
  }
  static void Set1(RuntimeArray* array, V value, int32_t i) {
    if (!InBounds(i, array->bounds()[0])) {
      OutOfBounds();
      return;
    }
    Write(array, i, value);
  }
  static V FastGet1(RuntimeArray* array, int32_t i) { return Read(array, i); }
  static void FastSet1(RuntimeArray* array, V value, int32_t i) { Write(array, i, value); }

  // ---- two dimensions ----
  static bool InBounds2(RuntimeArray* array, int32_t i, int32_t j) {
    return InBounds(i, array->bounds()[0]) && InBounds(j, array->bounds()[1]);
  }
  static int32_t Position2(RuntimeArray* array, int32_t i, int32_t j) {
    return i + j * (array->bounds()[0] + 1);
  }
  static V Get2(RuntimeArray* array, int32_t i, int32_t j) {
    if (!InBounds2(array, i, j)) return OutOfBounds();
    return Read(array, Position2(array, i, j));
  }
  static void Set2(RuntimeArray* array, V value, int32_t i, int32_t j) {
    if (!InBounds2(array, i, j)) {
      OutOfBounds();
      return;
    }
    Write(array, Position2(array, i, j), value);
  }
  static V FastGet2(RuntimeArray* array, int32_t i, int32_t j) {
    return Read(array, Position2(array, i, j));
  }
  static void FastSet2(RuntimeArray* array, V value, int32_t i, int32_t j) {
    Write(array, Position2(array, i, j), value);
  }

  // ---- any number of dimensions: the index list is as long as the dimension count ----
  static V GetAt(RuntimeArray* array, bool tested, va_list indexes) {
    const int32_t position = FlatPositionOf(array, indexes, tested);
    return position < 0 ? V() : Read(array, position);
  }
  static void SetAt(RuntimeArray* array, V value, bool tested, va_list indexes) {
    const int32_t position = FlatPositionOf(array, indexes, tested);
    if (position >= 0) Write(array, position, value);
  }
  static V GetN(RuntimeArray* array, ...) {
    va_list indexes;
    va_start(indexes, array);
    V value = GetAt(array, true, indexes);
    va_end(indexes);
    return value;
  }
  static V FastGetN(RuntimeArray* array, ...) {
    va_list indexes;
    va_start(indexes, array);
    V value = GetAt(array, false, indexes);
    va_end(indexes);
    return value;
  }
  // va_start after a parameter that default promotion would widen (a Single) is undefined: the
  // value arrives as the 32-bit word it is on the stack, the same call either way.
  using NamedValue = std::conditional_t<std::is_same_v<V, float>, uint32_t, V>;
  static V FromNamed(NamedValue value) {
    if constexpr (std::is_same_v<V, float>) return std::bit_cast<float>(value);
    else return value;
  }
  static void SetN(RuntimeArray* array, NamedValue value, ...) {
    va_list indexes;
    va_start(indexes, value);
    SetAt(array, FromNamed(value), true, indexes);
    va_end(indexes);
  }
  static void FastSetN(RuntimeArray* array, NamedValue value, ...) {
    va_list indexes;
    va_start(indexes, value);
    SetAt(array, FromNamed(value), false, indexes);
    va_end(indexes);
  }
  // ---- Redim, Insert, Remove, IndexOf, Shuffle ----
  static void Redim1(RuntimeArray* array, int32_t bound) {
    if (!QV_CHECK(array)) return;
    RedimOneDimension(Fields(array), bound);
  }
  static void RedimN(RuntimeArray* array, ...) {
    if (!QV_CHECK(array)) return;
    va_list bounds;
    va_start(bounds, array);
    RedimDimensions(Fields(array), bounds);
    va_end(bounds);
  }
  // The array takes its own reference after the value is stored.
  static void Insert(RuntimeArray* array, int32_t index, V value) {
    if (!array) {
      RaiseNilObjectException();
      return;
    }
    unsigned char* place = OpenPlaceAtEnd(array, index, int32_t(sizeof(S)));
    if (!place) place = OpenArrayPlace(Fields(array), index);
    if (!place) return;
    const auto stored = static_cast<S>(value);
    std::memcpy(place, &stored, sizeof(S));
    if constexpr (E::kCounted) E::Lock(stored);
  }
  static void Remove(RuntimeArray* array, int32_t index) {
    if (!array) {
      RaiseOutOfBoundsException();
      return;
    }
    RemoveArrayElement(Fields(array), index);
  }
  static int32_t IndexOf(RuntimeArray* array, V value, int32_t start) {
    if (!array || !array->data) return -1;
    const int32_t upper = array->bounds()[0];
    if (upper < 0) return -1;
    if (start < -1 || start > upper) {
      RaiseOutOfBoundsException();
      return -1;
    }
    const S* elements = Elements(array);
    for (int32_t k = start < 0 ? 0 : start; k <= upper; ++k) {
      if (E::Equal(value, elements[k])) return k;
    }
    return -1;
  }
  static void Shuffle(RuntimeArray* array) {
    if (!array) return;
    ShuffleArrayElements(Fields(array));
  }
  static int32_t ElementSize(RuntimeArray*) { return static_cast<int32_t>(sizeof(S)); }

  // ---- element references (positions 12 and 13 of String and Object tables) ----
  static void LockElement(void* element) { E::Lock(static_cast<S>(element)); }
  static void UnlockElement(void* element) { E::Unlock(static_cast<S>(element)); }

  static ArrayOperationTable Table(ArrayShape shape) {
    ArrayOperationTable table{};
    SetAccessors(&table, shape);
    if (shape == kOneDimension) SetOneDimensionOperations(&table);
    table.shuffle = &Shuffle;
    table.ubound = &ArrayUBound;
    if constexpr (E::kCounted) {
      table.lockElement = &LockElement;
      table.unlockElement = &UnlockElement;
    }
    table.freeStorage = &FreeArrayStorage;
    table.elementSize = &ElementSize;
    return table;
  }
  template <typename Get, typename Set, typename Redim>
  static void SetAccessors(ArrayOperationTable* table, Get get, Set set, Get fastGet, Set fastSet,
                           Redim redim) {
    table->get = reinterpret_cast<void*>(get);
    table->set = reinterpret_cast<void*>(set);
    table->fastGet = reinterpret_cast<void*>(fastGet);
    table->fastSet = reinterpret_cast<void*>(fastSet);
    table->redim = reinterpret_cast<void*>(redim);
  }
  static void SetAccessors(ArrayOperationTable* table, ArrayShape shape) {
    if (shape == kOneDimension)
      return SetAccessors(table, &Get1, &Set1, &FastGet1, &FastSet1, &Redim1);
    if (shape == kTwoDimensions)
      return SetAccessors(table, &Get2, &Set2, &FastGet2, &FastSet2, &RedimN);
    SetAccessors(table, &GetN, &SetN, &FastGetN, &FastSetN, &RedimN);
  }
  static void SetOneDimensionOperations(ArrayOperationTable* table) {
    table->insert = reinterpret_cast<void*>(&Insert);
    table->remove = &Remove;
    table->indexOf = reinterpret_cast<void*>(&IndexOf);
    if constexpr (E::kSortable) {
      table->sort = &SortTypedArray<E>;
      table->sortWith = reinterpret_cast<void*>(&SortTypedArrayWith<E>);
    }
  }
};

struct TypedTables {
  ArrayOperationTable tables[kArrayElementTypeCount][kShapeCount];
};

template <typename E>
void AddTables(TypedTables* all) {
  for (int shape = 0; shape < kShapeCount; ++shape) {
    all->tables[E::kCode][shape] = TypedArray<E>::Table(static_cast<ArrayShape>(shape));
  }
}

// Built on first use, so that arrays made during static initialisation find them.
const TypedTables& AllTypedTables() {
  static const TypedTables all = [] {
    TypedTables built{};
    AddTables<Int32Element>(&built);
    AddTables<SingleElement>(&built);
    AddTables<DoubleElement>(&built);
    AddTables<StringElement>(&built);
    AddTables<ObjectElement>(&built);
    AddTables<UInt8Element>(&built);
    AddTables<Int8Element>(&built);
    AddTables<UInt16Element>(&built);
    AddTables<Int16Element>(&built);
    AddTables<UInt32Element>(&built);
    AddTables<UInt64Element>(&built);
    AddTables<Int64Element>(&built);
    return built;
  }();
  return all;
}

}  // namespace

const ArrayOperationTable* SelectArrayOperationTable(int32_t dimensions, int32_t elementType) {
  if (elementType < 0 || elementType >= kArrayElementTypeCount) {
    QV_FAIL(nullptr);
    return nullptr;
  }
  const ArrayShape shape = dimensions == 1   ? kOneDimension
                           : dimensions == 2 ? kTwoDimensions
                                             : kManyDimensions;
  return &AllTypedTables().tables[elementType][shape];
}
