#include "arrays/ArrayOperations.h"

#include <algorithm>
#include <cstring>

#include "core/ByteUtilities.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

constexpr int64_t kLargestLength = 0x7FFFFFFF;

unsigned char* Bytes(const ArrayFields& fields) {
  return static_cast<unsigned char*>(*fields.data);
}

void ReleaseElement(const ArrayFields& fields, const unsigned char* buffer, int32_t position) {
  fields.unlock(*reinterpret_cast<void* const*>(buffer + position * fields.width));
}

// Copies count elements from position from of source to position to of destination.
void MoveElements(const ArrayFields& fields, unsigned char* destination, int32_t to,
                  const unsigned char* source, int32_t from, int32_t count) {
  if (count <= 0) return;
  umemcpy(destination + to * fields.width, source + from * fields.width,
          static_cast<uint32_t>(count * fields.width));
}

unsigned char* AllocateBytes(int32_t length) {
  return static_cast<unsigned char*>(OSalloc(static_cast<uint32_t>(length), kMemFullQuit));
}

void ReplaceBuffer(const ArrayFields& fields, unsigned char* buffer, int32_t length) {
  OSfree(*fields.data);
  *fields.data = buffer;
  *fields.bufferLength = length;
}

// Flat position of the counter tuple under bounds (first index fastest).
int32_t FlatPosition(const SimpleVector<int>& tuple, const int32_t* bounds, int32_t dimensions) {
  int32_t position = 0;
  int32_t stride = 1;
  for (int32_t k = 0; k < dimensions; ++k) {
    position += tuple[k] * stride;
    stride *= bounds[k] + 1;
  }
  return position;
}

bool TupleInside(const SimpleVector<int>& tuple, const int32_t* bounds, int32_t dimensions) {
  for (int32_t k = 0; k < dimensions; ++k) {
    if (tuple[k] > bounds[k]) return false;
  }
  return true;
}

void AdvanceTuple(SimpleVector<int>& tuple, const int32_t* bounds, int32_t dimensions) {
  for (int32_t k = 0; k < dimensions; ++k) {
    if (++tuple[k] <= bounds[k]) return;
    tuple[k] = 0;
  }
}

// Carries every old element whose tuple lies inside the new bounds to its new place and
// releases the others.
void CarryElements(const ArrayFields& fields, const SimpleVector<int>& newBounds,
                   unsigned char* newData) {
  const int32_t n = fields.dimensions;
  const unsigned char* oldData = Bytes(fields);
  SimpleVector<int> tuple;
  tuple.resize(static_cast<uint32_t>(n));
  const int32_t oldCount = ArrayElementCount(fields.bounds, n);
  for (int32_t oldPosition = 0; oldPosition < oldCount; ++oldPosition) {
    if (TupleInside(tuple, newBounds.data(), n)) {
      MoveElements(fields, newData, FlatPosition(tuple, newBounds.data(), n), oldData, oldPosition,
                   1);
    } else if (fields.unlock) {
      ReleaseElement(fields, oldData, oldPosition);
    }
    AdvanceTuple(tuple, fields.bounds, n);
  }
}

}  // namespace

ArrayFields TypedArrayFields(RuntimeArray* array, int32_t width) {
  return {&array->data,
          &array->bufferLength,
          &array->growthStep,
          array->bounds(),
          array->dimensions,
          width,
          array->table->unlockElement};
}

bool CheckOneDimension(int32_t dimensions) {
  return QV_CHECK_TEXT(dimensions == 1, "1 == array->dimensions", nullptr);
}

void RedimOneDimension(const ArrayFields& fields, int32_t newBound) {
  if (!CheckOneDimension(fields.dimensions)) return;
  const int32_t oldBound = fields.bounds[0];
  if (newBound == oldBound) return;
  int32_t length = 0;
  if (!ArrayBufferLength(&newBound, 1, fields.width, &length)) {
    RaiseOutOfBoundsException();
    return;
  }
  unsigned char* oldData = Bytes(fields);
  if (fields.unlock) {
    for (int32_t k = newBound + 1; k <= oldBound; ++k) ReleaseElement(fields, oldData, k);
  }
  unsigned char* buffer = AllocateBytes(length);
  if (oldData) {
    std::memcpy(buffer, oldData, static_cast<size_t>(std::min(*fields.bufferLength, length)));
  }
  if (newBound > oldBound) {
    const int32_t kept = (oldBound + 1) * fields.width;
    std::memset(buffer + kept, 0, static_cast<size_t>(length - kept));
  }
  ReplaceBuffer(fields, buffer, length);
  *fields.growthStep = kArrayInitialGrowthStep;
  fields.bounds[0] = newBound;
}

void RedimDimensions(const ArrayFields& fields, va_list newBoundList) {
  const int32_t n = fields.dimensions;
  SimpleVector<int> newBounds;
  for (int32_t k = 0; k < n; ++k) newBounds.Append(va_arg(newBoundList, int32_t));
  int32_t length = 0;
  if (!ArrayBufferLength(newBounds.data(), n, fields.width, &length)) {
    RaiseOutOfBoundsException();
    return;
  }
  unsigned char* buffer = nullptr;
  if (length > 0) {
    buffer = AllocateBytes(length);
    std::memset(buffer, 0, static_cast<size_t>(length));
  }
  if (*fields.data) CarryElements(fields, newBounds, buffer);
  ReplaceBuffer(fields, buffer, length);
  *fields.growthStep = kArrayInitialGrowthStep;
  for (int32_t k = 0; k < n; ++k) fields.bounds[k] = newBounds[k];
}

unsigned char* OpenArrayPlace(const ArrayFields& fields, int32_t index) {
  if (!CheckOneDimension(fields.dimensions)) return nullptr;
  const int32_t upper = fields.bounds[0];
  const int64_t needed = (static_cast<int64_t>(upper) + 2) * fields.width;
  if (index < 0 || index > upper + 1 || needed > kLargestLength) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  unsigned char* data = Bytes(fields);
  if (needed > *fields.bufferLength) {
    int64_t enlarged =
        *fields.bufferLength + static_cast<int64_t>(*fields.growthStep) * fields.width;
    if (enlarged > kLargestLength) enlarged = needed;
    if (!QV_CHECK_TEXT(enlarged >= needed, "array->bufferLength >= minimumBufferSize", nullptr)) {
      return nullptr;
    }
    unsigned char* buffer = AllocateBytes(static_cast<int32_t>(enlarged));
    MoveElements(fields, buffer, 0, data, 0, index);
    MoveElements(fields, buffer, index + 1, data, index, upper + 1 - index);
    ReplaceBuffer(fields, buffer, static_cast<int32_t>(enlarged));
    if (*fields.growthStep < kArrayGrowthStepLimit) *fields.growthStep *= 2;
    data = buffer;
  } else {
    MoveElements(fields, data, index + 1, data, index, upper + 1 - index);
  }
  fields.bounds[0] = upper + 1;
  return data + index * fields.width;
}

void RemoveArrayElement(const ArrayFields& fields, int32_t index) {
  if (!CheckOneDimension(fields.dimensions)) return;
  const int32_t upper = fields.bounds[0];
  if (index < 0 || index > upper) {
    RaiseOutOfBoundsException();
    return;
  }
  const unsigned char* data = Bytes(fields);
  if (fields.unlock) ReleaseElement(fields, data, index);
  const int32_t length = upper * fields.width;
  unsigned char* buffer = AllocateBytes(length);
  MoveElements(fields, buffer, 0, data, 0, index);
  MoveElements(fields, buffer, index, data, index + 1, upper - index);
  ReplaceBuffer(fields, buffer, length);
  *fields.growthStep = kArrayInitialGrowthStep;
  fields.bounds[0] = upper - 1;
}

namespace {
ArrayShuffler gArrayShuffler = nullptr;
}

void InstallArrayShuffler(ArrayShuffler shuffler) { gArrayShuffler = shuffler; }

void ShuffleArrayElements(const ArrayFields& fields) {
  if (QV_CHECK(gArrayShuffler)) gArrayShuffler(fields);
}
