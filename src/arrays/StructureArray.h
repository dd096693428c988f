// Structure arrays: elements of a size in bytes chosen by compiled code (the language's
// structures), copied as blocks of bytes. One table serves every element size and dimension
// count; its accessors and Redim take index and bound lists as long as the dimension count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arrays/RuntimeArray.h"

// The element size takes the fourth word, where a typed array keeps its dimension count; the
// later fields sit one word further on. One upper bound per dimension follows.
struct StructureArray {
  int32_t refCount;
  const ArrayOperationTable* table;
  void* data;
  int32_t elementSize;
  int32_t dimensions;
  int32_t bufferLength;
  int32_t growthStep;

  int32_t* bounds() { return reinterpret_cast<int32_t*>(this + 1); }
};
static_assert(sizeof(StructureArray) == 28, "structure-array record is read by compiled code");
static_assert(offsetof(StructureArray, data) == 8, "StructureArray layout");
static_assert(offsetof(StructureArray, elementSize) == 12, "StructureArray layout");
static_assert(offsetof(StructureArray, dimensions) == 16, "StructureArray layout");
static_assert(offsetof(StructureArray, bufferLength) == 20, "StructureArray layout");
static_assert(offsetof(StructureArray, growthStep) == 24, "StructureArray layout");

// True for a record made by RuntimeCreateStructureArray.
bool IsStructureArray(const RuntimeArray* array);

extern "C" {
// A new structure array (one reference) of zero-filled elements of elementSize bytes.
RuntimeArray* RuntimeCreateStructureArray(int32_t dimensions, int32_t elementSize, ...);
}
