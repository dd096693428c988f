#include "arrays/ArrayCastWrapper.h"

#include "core/Export.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeError.h"

namespace {

using Element = RuntimeObject*;
using GetFunction = Element (*)(RuntimeArray* array, int32_t index);
using SetFunction = void (*)(RuntimeArray* array, Element value, int32_t index);
using RedimFunction = void (*)(RuntimeArray* array, int32_t bound);
using InsertFunction = void (*)(RuntimeArray* array, int32_t index, Element value);
using SortWithFunction = void (*)(RuntimeArray* array, ...);
using IndexOfFunction = int32_t (*)(RuntimeArray* array, Element value, int32_t start);

ArrayCastWrapper* Record(RuntimeArray* wrapper) {
  return reinterpret_cast<ArrayCastWrapper*>(wrapper);
}

RuntimeArray* Inner(RuntimeArray* wrapper) { return Record(wrapper)->inner; }

// The inner table's function at position, or nil after a failed check when it is empty (Sort
// of an object array, say), so that a call through the wrapper never jumps to nil.
template <typename Function, typename Slot>
Function InnerPosition(RuntimeArray* wrapper, Slot ArrayOperationTable::*position) {
  Slot function = Inner(wrapper)->table->*position;
  if (!QV_CHECK_TEXT(function, "fp", nullptr)) return nullptr;
  return reinterpret_cast<Function>(function);
}

// Whether value may be stored: nil always, an object only when it belongs to the class.
bool Admits(RuntimeArray* wrapper, Element value) {
  if (!value || RuntimeObjectIsa(value, Record(wrapper)->elementClass)) return true;
  RaiseIllegalCastException();
  return false;
}

Element GetThrough(RuntimeArray* wrapper, int32_t index, void* ArrayOperationTable::*position) {
  auto get = InnerPosition<GetFunction>(wrapper, position);
  return get ? get(Inner(wrapper), index) : nullptr;
}

void SetThrough(RuntimeArray* wrapper, Element value, int32_t index,
                void* ArrayOperationTable::*position) {
  if (!Admits(wrapper, value)) return;
  if (auto set = InnerPosition<SetFunction>(wrapper, position)) set(Inner(wrapper), value, index);
}

Element Get(RuntimeArray* wrapper, int32_t index) {
  return GetThrough(wrapper, index, &ArrayOperationTable::get);
}
Element FastGet(RuntimeArray* wrapper, int32_t index) {
  return GetThrough(wrapper, index, &ArrayOperationTable::fastGet);
}
void Set(RuntimeArray* wrapper, Element value, int32_t index) {
  SetThrough(wrapper, value, index, &ArrayOperationTable::set);
}
void FastSet(RuntimeArray* wrapper, Element value, int32_t index) {
  SetThrough(wrapper, value, index, &ArrayOperationTable::fastSet);
}

void Redim(RuntimeArray* wrapper, int32_t bound) {
  auto redim = InnerPosition<RedimFunction>(wrapper, &ArrayOperationTable::redim);
  if (redim) redim(Inner(wrapper), bound);
}

void Insert(RuntimeArray* wrapper, int32_t index, Element value) {
  if (!Admits(wrapper, value)) return;
  auto insert = InnerPosition<InsertFunction>(wrapper, &ArrayOperationTable::insert);
  if (insert) insert(Inner(wrapper), index, value);
}

void Remove(RuntimeArray* wrapper, int32_t index) {
  auto remove = InnerPosition<ArrayIndexFunction>(wrapper, &ArrayOperationTable::remove);
  if (remove) remove(Inner(wrapper), index);
}

void Sort(RuntimeArray* wrapper) {
  auto sort = InnerPosition<ArrayFunction>(wrapper, &ArrayOperationTable::sort);
  if (sort) sort(Inner(wrapper));
}

// Companions given to a wrapper are not passed on: the inner array is sorted alone.
void SortWith(RuntimeArray* wrapper, ...) {
  auto sortWith = InnerPosition<SortWithFunction>(wrapper, &ArrayOperationTable::sortWith);
  if (sortWith) sortWith(Inner(wrapper), nullptr);
}

int32_t IndexOf(RuntimeArray* wrapper, Element value, int32_t start) {
  auto indexOf = InnerPosition<IndexOfFunction>(wrapper, &ArrayOperationTable::indexOf);
  return indexOf ? indexOf(Inner(wrapper), value, start) : -1;
}

void Shuffle(RuntimeArray* wrapper) {
  auto shuffle = InnerPosition<ArrayFunction>(wrapper, &ArrayOperationTable::shuffle);
  if (shuffle) shuffle(Inner(wrapper));
}

int32_t UBound(RuntimeArray* wrapper, int32_t dimension) {
  auto ubound = InnerPosition<ArrayUBoundFunction>(wrapper, &ArrayOperationTable::ubound);
  return ubound ? ubound(Inner(wrapper), dimension) : -1;
}

// The wrapper's reference to its inner array goes with it.
void FreeStorage(RuntimeArray* wrapper) { RuntimeUnlockArray(Inner(wrapper)); }

int32_t ElementSize(RuntimeArray* wrapper) {
  auto size = InnerPosition<ArrayElementSizeFunction>(wrapper, &ArrayOperationTable::elementSize);
  return size ? size(Inner(wrapper)) : 0;
}

const ArrayOperationTable& CastWrapperTable() {
  static const ArrayOperationTable table = {
      .get = reinterpret_cast<void*>(&Get),
      .set = reinterpret_cast<void*>(&Set),
      .fastGet = reinterpret_cast<void*>(&FastGet),
      .fastSet = reinterpret_cast<void*>(&FastSet),
      .redim = reinterpret_cast<void*>(&Redim),
      .insert = reinterpret_cast<void*>(&Insert),
      .remove = &Remove,
      .sort = &Sort,
      .sortWith = reinterpret_cast<void*>(&SortWith),
      .indexOf = reinterpret_cast<void*>(&IndexOf),
      .shuffle = &Shuffle,
      .ubound = &UBound,
      .lockElement = nullptr,
      .unlockElement = nullptr,
      .freeStorage = &FreeStorage,
      .elementSize = &ElementSize,
  };
  return table;
}

// The wrapper passes one object per element and one index, and tests stores as objects: only
// a one-dimensional Object array fits.
bool CanWrap(RuntimeArray* array) {
  return QV_CHECK_TEXT(array->table == SelectArrayOperationTable(1, kArrayObject),
                       "one-dimensional Object array", nullptr);
}

}  // namespace

bool IsArrayCastWrapper(const RuntimeArray* array) { return array->table == &CastWrapperTable(); }

RuntimeArray* UnwrapArrayCastWrapper(RuntimeArray* array) {
  return IsArrayCastWrapper(array) ? Inner(array) : array;
}

extern "C" RuntimeArray* RuntimeCreateArrayCastWrapper(RuntimeArray* array,
                                                       RuntimeClass* elementClass) {
  if (!array) return nullptr;
  if (!elementClass || IsArrayCastWrapper(array)) {
    RuntimeLockArray(array);
    return array;
  }
  if (!CanWrap(array)) return nullptr;
  auto* wrapper =
      static_cast<ArrayCastWrapper*>(OSalloc(sizeof(ArrayCastWrapper), kMemFullReturnNil));
  if (!QV_CHECK_TEXT(wrapper, "out", nullptr)) return nullptr;
  RuntimeLockArray(array);
  *wrapper = {1, &CastWrapperTable(), array->data, array, elementClass};
  return reinterpret_cast<RuntimeArray*>(wrapper);
}
QV_EXPORT(RuntimeCreateArrayCastWrapper)
