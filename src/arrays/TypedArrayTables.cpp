// The 36 operation tables of the typed arrays: for each of the twelve element types a
// one-dimensional, a two-dimensional and a many-dimensional table. Every member is a template
// over the element type; the shapes differ in their element accessors (TypedArrayAccess.h) and
// in the Redim they take.

#include <cstdarg>
#include <cstring>

#include "arrays/ArrayElementTypes.h"
#include "arrays/ArrayOperations.h"
#include "arrays/RuntimeArray.h"
#include "arrays/TypedArrayAccess.h"
#include "arrays/TypedArraySort.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

enum ArrayShape { kOneDimension, kTwoDimensions, kManyDimensions, kShapeCount };

template <typename E>
struct TypedArray {
  using S = typename E::Stored;
  using V = typename E::Value;

  static S* Elements(RuntimeArray* array) { return static_cast<S*>(array->data); }
  static ArrayFields Fields(RuntimeArray* array) {
    return TypedArrayFields(array, static_cast<int32_t>(sizeof(S)));
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
    using Access = TypedArrayAccess<E>;
    if (shape == kOneDimension) {
      return SetAccessors(table, &Access::Get1, &Access::Set1, &Access::FastGet1,
                          &Access::FastSet1, &Redim1);
    }
    if (shape == kTwoDimensions) {
      return SetAccessors(table, &Access::Get2, &Access::Set2, &Access::FastGet2,
                          &Access::FastSet2, &RedimN);
    }
    SetAccessors(table, &Access::GetN, &Access::SetN, &Access::FastGetN, &Access::FastSetN,
                 &RedimN);
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
