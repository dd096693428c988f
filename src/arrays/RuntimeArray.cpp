#include "arrays/RuntimeArray.h"

#include <cstdarg>
#include <cstring>

#include "core/Export.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"

namespace {

constexpr int64_t kLargestLength = 0x7FFFFFFF;

ArrayDisposeHook gDisposeHook = nullptr;

}  // namespace

ArrayDisposeHook SetArrayDisposeHook(ArrayDisposeHook hook) {
  ArrayDisposeHook previous = gDisposeHook;
  gDisposeHook = hook;
  return previous;
}

int32_t ArrayElementSize(int32_t elementType) {
  static const int32_t kWidths[kArrayElementTypeCount] = {4, 4, 8, 4, 4, 1, 1, 2, 2, 4, 8, 8};
  if (elementType < 0 || elementType >= kArrayElementTypeCount) {
    QV_FAIL(nullptr);
    return 0;
  }
  return kWidths[elementType];
}

bool ArrayBufferLength(const int32_t* bounds, int32_t dimensions, int32_t width, int32_t* length) {
  // An empty dimension empties the array whatever the others hold, so look for one first.
  for (int32_t k = 0; k < dimensions; ++k) {
    if (bounds[k] < -1) return false;
  }
  for (int32_t k = 0; k < dimensions; ++k) {
    if (bounds[k] == -1) {
      *length = 0;
      return true;
    }
  }
  int64_t bytes = width;
  for (int32_t k = 0; k < dimensions; ++k) {
    bytes *= static_cast<int64_t>(bounds[k]) + 1;
    if (bytes > kLargestLength) return false;
  }
  *length = static_cast<int32_t>(bytes);
  return true;
}

int32_t ArrayElementCount(const int32_t* bounds, int32_t dimensions) {
  int32_t count = 1;
  for (int32_t k = 0; k < dimensions; ++k) count *= bounds[k] + 1;
  return count;
}

bool AllocateArrayBuffer(void** data, int32_t* bufferLength, int32_t dimensions,
                         const int32_t* bounds, int32_t width) {
  int32_t length = 0;
  if (!ArrayBufferLength(bounds, dimensions, width, &length)) return false;
  *bufferLength = length;
  *data = nullptr;
  if (length < 1) return true;
  *data = OSalloc(static_cast<uint32_t>(length), kMemFullQuit);
  std::memset(*data, 0, static_cast<size_t>(length));
  return true;
}

void* AllocateArrayRecord(uint32_t headerBytes, int32_t dimensions) {
  if (!QV_CHECK(dimensions >= 1)) return nullptr;
  const int64_t size = headerBytes + 4 * static_cast<int64_t>(dimensions);
  if (!QV_CHECK(size <= kLargestLength)) return nullptr;
  void* record = OSalloc(static_cast<uint32_t>(size), kMemFullReturnNil);
  if (!QV_CHECK_TEXT(record, "out", nullptr)) return nullptr;
  return record;
}

extern "C" RuntimeArray* CreateArray(int32_t dimensions, int32_t elementType, ...) {
  const ArrayOperationTable* table = SelectArrayOperationTable(dimensions, elementType);
  if (!table) return nullptr;
  va_list bounds;
  va_start(bounds, elementType);
  RuntimeArray* array =
      NewArrayRecord<RuntimeArray>(table, dimensions, ArrayElementSize(elementType), bounds);
  va_end(bounds);
  return array;
}
QV_EXPORT(CreateArray)

void RefuseArrayRecord(void* record) {
  OSfree(record);
  RaiseOutOfBoundsException();
}

extern "C" void RuntimeLockArray(RuntimeArray* array) {
  if (!array || array->refCount <= 0) return;
  ++array->refCount;
}
QV_EXPORT(RuntimeLockArray)

extern "C" void RuntimeUnlockArray(RuntimeArray* array) {
  if (!array || array->refCount <= 0) return;
  if (--array->refCount == 0) DestroyArray(array);
}
QV_EXPORT(RuntimeUnlockArray)

extern "C" void RuntimeLockUnlockArrays(RuntimeArray* newArray, RuntimeArray* oldArray) {
  if (newArray == oldArray) return;
  RuntimeLockArray(newArray);
  RuntimeUnlockArray(oldArray);
}
QV_EXPORT(RuntimeLockUnlockArrays)

extern "C" int32_t RuntimeUBound(RuntimeArray* array) {
  if (!array) {
    RaiseNilObjectException();
    return 0;
  }
  ArrayUBoundFunction ubound = array->table->ubound;
  if (!QV_CHECK_TEXT(ubound, "fp", nullptr)) return 0;
  return ubound(array, 1);
}
QV_EXPORT(RuntimeUBound)

extern "C" int32_t RuntimeUBound2Param(RuntimeArray* array, int32_t dimension) {
  if (!array) {
    RaiseNilObjectException();
    return -1;
  }
  ArrayUBoundFunction ubound = array->table->ubound;
  if (!QV_CHECK_TEXT(ubound, "fp", nullptr)) return -1;
  return ubound(array, dimension);
}
QV_EXPORT(RuntimeUBound2Param)

void DestroyArray(RuntimeArray* array) {
  if (!QV_CHECK(array)) return;
  if (ArrayFunction freeStorage = array->table->freeStorage) freeStorage(array);
  void* formerRecord = array;
  OSfree(array);
  if (gDisposeHook) gDisposeHook(formerRecord);
}

// The element count comes through position 11, since structure arrays keep their bounds
// elsewhere; only arrays whose elements hold references need it.
void FreeArrayStorage(RuntimeArray* array) {
  if (!QV_CHECK(array)) return;
  if (!array->data) return;
  if (ArrayElementFunction unlock = array->table->unlockElement) {
    ArrayUBoundFunction ubound = array->table->ubound;
    int32_t count = 1;
    for (int32_t d = ubound(array, -1); d >= 1; --d) count *= ubound(array, d) + 1;
    void** elements = static_cast<void**>(array->data);
    for (int32_t k = 0; k < count; ++k) unlock(elements[k]);
  }
  OSfree(array->data);
  array->data = nullptr;
}

int32_t ArrayUBound(RuntimeArray* array, int32_t dimension) {
  if (dimension == -1) return array->dimensions;
  if (dimension < 1 || dimension > array->dimensions) {
    RaiseOutOfBoundsException();
    return -1;
  }
  return array->bounds()[dimension - 1];
}
