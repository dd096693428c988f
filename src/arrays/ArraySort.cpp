// Sort and SortWith of the typed arrays over the sorting routine of ArraySort.h.

#include "arrays/ArraySort.h"

#include <cstdarg>

#include "arrays/ArrayCastWrapper.h"
#include "arrays/ArrayElementTypes.h"
#include "arrays/ArrayOperations.h"
#include "arrays/TypedArraySort.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

// The element type's order as a function object, so that the sort inlines it.
template <typename E>
struct ElementAfter {
  bool operator()(typename E::Stored a, typename E::Stored b) const { return E::After(a, b); }
};

bool HasElements(const RuntimeArray* array) {
  return array && array->data && array->bounds()[0] >= 0;
}

// Takes the companions up to the first nil; each must be one-dimensional with the key's upper
// bound. False (after raising or a failed check) when one is not: then nothing may move.
bool GatherCompanions(va_list list, int32_t upper, SimpleVector<RuntimeArray*>* companions) {
  while (RuntimeArray* companion = va_arg(list, RuntimeArray*)) {
    ArrayUBoundFunction ubound = companion->table->ubound;
    if (!QV_CHECK_TEXT(ubound, "fp", nullptr)) return false;
    if (ubound(companion, -1) != 1 || ubound(companion, 1) != upper) {
      RaiseOutOfBoundsException();
      return false;
    }
    companions->Append(companion);
  }
  return true;
}

void PermuteBuffer(void* data, int32_t width, const int32_t* p, int32_t n) {
  switch (width) {
    case 1:
      return ApplyPermutation(static_cast<uint8_t*>(data), p, n);
    case 2:
      return ApplyPermutation(static_cast<uint16_t*>(data), p, n);
    case 4:
      return ApplyPermutation(static_cast<uint32_t*>(data), p, n);
    case 8:
      return ApplyPermutation(static_cast<uint64_t*>(data), p, n);
    default:
      QV_FAIL(nullptr);
  }
}

// Moves each companion's elements (their bytes, references untouched) by p. A wrapper's own
// data word may be stale, so its inner array is the one reordered; an array already reordered
// (the key, or a companion given twice) is not reordered again.
void PermuteCompanions(const SimpleVector<RuntimeArray*>& companions, RuntimeArray* key,
                       const int32_t* p, int32_t n) {
  SimpleVector<RuntimeArray*> done;
  done.Append(key);
  for (uint32_t c = 0; c < companions.size(); ++c) {
    RuntimeArray* target = UnwrapArrayCastWrapper(companions[static_cast<int32_t>(c)]);
    bool seen = false;
    for (uint32_t d = 0; d < done.size(); ++d) seen |= done[static_cast<int32_t>(d)] == target;
    if (seen) continue;
    done.Append(target);
    ArrayElementSizeFunction elementSize = target->table->elementSize;
    if (!QV_CHECK_TEXT(elementSize, "fp", nullptr)) continue;
    PermuteBuffer(target->data, elementSize(target), p, n);
  }
}

// Nil, after a report, when the block's size does not fit the allocator's 32-bit request: a
// byte array of more than 2^30 elements would otherwise get a wrapped, far too small block.
int32_t* IdentityPermutation(int32_t n) {
  const uint64_t bytes = uint64_t(uint32_t(n)) * sizeof(int32_t);
  if (!QV_CHECK_TEXT(bytes <= UINT32_MAX, "n * 4 fits", nullptr)) return nullptr;
  auto* p = static_cast<int32_t*>(OSalloc(uint32_t(bytes), kMemFullQuit));
  for (int32_t k = 0; k < n; ++k) p[k] = k;
  return p;
}

}  // namespace

template <typename E>
void SortTypedArray(RuntimeArray* array) {
  if (!HasElements(array) || !CheckOneDimension(array->dimensions)) return;
  SortArrayRange(static_cast<typename E::Stored*>(array->data), 0, array->bounds()[0],
                 ElementAfter<E>());
}

template <typename E>
void SortTypedArrayWith(RuntimeArray* array, ...) {
  if (!HasElements(array) || !CheckOneDimension(array->dimensions)) return;
  const int32_t upper = array->bounds()[0];
  SimpleVector<RuntimeArray*> companions;
  va_list list;
  va_start(list, array);
  const bool accepted = GatherCompanions(list, upper, &companions);
  va_end(list);
  if (!accepted) return;
  const int32_t n = upper + 1;
  int32_t* p = IdentityPermutation(n);
  if (!p) return;
  auto* elements = static_cast<typename E::Stored*>(array->data);
  SortArrayPermutation(elements, p, 0, upper, ElementAfter<E>());
  ApplyPermutation(elements, p, n);
  PermuteCompanions(companions, array, p, n);
  OSfree(p);
}

#define QV_INSTANTIATE_SORT(Element)                    \
  template void SortTypedArray<Element>(RuntimeArray*); \
  template void SortTypedArrayWith<Element>(RuntimeArray*, ...);
QV_INSTANTIATE_SORT(Int32Element)
QV_INSTANTIATE_SORT(SingleElement)
QV_INSTANTIATE_SORT(DoubleElement)
QV_INSTANTIATE_SORT(StringElement)
QV_INSTANTIATE_SORT(UInt8Element)
QV_INSTANTIATE_SORT(Int8Element)
QV_INSTANTIATE_SORT(UInt16Element)
QV_INSTANTIATE_SORT(Int16Element)
QV_INSTANTIATE_SORT(UInt32Element)
QV_INSTANTIATE_SORT(UInt64Element)
QV_INSTANTIATE_SORT(Int64Element)
#undef QV_INSTANTIATE_SORT
