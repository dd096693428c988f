// MemoryBlock: the class as its table, making and sizing blocks, conversions, arithmetic,
// comparison and byte slices. The typed accessors live in MemoryBlockValues.cpp and
// MemoryBlockStrings.cpp.
#include "values/MemoryBlock.h"

#include <cstring>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"

namespace {

using namespace lang;

constexpr auto kOffset = Param("offset", Integer);

const PropertyRow kMemoryBlockProperties[] = {
    QV_PROPERTY("LittleEndian", Boolean, boolGetter, boolSetter,
                offsetof(MemoryBlockObject, littleEndian)),
    QV_PROPERTY("Size", Integer, memoryBlockGetSize, memoryBlockSetSize),
};

const MethodRow kMemoryBlockMethods[] = {
    QV_SUB("MemoryBlock", memoryBlockNewConstructor, Param("size", Integer)),
    QV_FUNCTION_ASSIGNS("Long", Integer, memoryGetLong, memorySetLong, kOffset),
    QV_FUNCTION_ASSIGNS("Int32Value", Integer, memoryGetLong, memorySetLong, kOffset),
    QV_FUNCTION_ASSIGNS("UInt32Value", UInt32, memoryGetUInt32, memorySetUInt32, kOffset),
    QV_FUNCTION_ASSIGNS("Short", Int16, memoryGetShort, memorySetShort, kOffset),
    QV_FUNCTION_ASSIGNS("Int16Value", Int16, memoryGetInt16, memorySetInt16, kOffset),
    QV_FUNCTION_ASSIGNS("UShort", UInt16, memoryGetUShort, memorySetShort, kOffset),
    QV_FUNCTION_ASSIGNS("UInt16Value", UInt16, memoryGetUInt16, memorySetUInt16, kOffset),
    QV_FUNCTION_ASSIGNS("Byte", UInt8, memoryGetByte, memorySetByte, kOffset),
    QV_FUNCTION_ASSIGNS("UInt8Value", UInt8, memoryGetUInt8, memorySetUInt8, kOffset),
    QV_FUNCTION_ASSIGNS("Int8Value", Int8, memoryGetInt8, memorySetInt8, kOffset),
    QV_FUNCTION_ASSIGNS("Int64Value", Int64, memoryGetInt64, memorySetInt64, kOffset),
    QV_FUNCTION_ASSIGNS("UInt64Value", UInt64, memoryGetUInt64, memorySetUInt64, kOffset),
    QV_FUNCTION_ASSIGNS("SingleValue", Single, memoryGetSingle, memorySetSingle, kOffset),
    QV_FUNCTION_ASSIGNS("DoubleValue", Double, memoryGetDouble, memorySetDouble, kOffset),
    QV_FUNCTION_ASSIGNS("BooleanValue", Boolean, memoryGetBoolean, memorySetBoolean, kOffset),
    QV_FUNCTION_ASSIGNS("Ptr", Class<"MemoryBlock">, memoryGetPtr, memorySetPtr, kOffset),
    QV_FUNCTION_ASSIGNS("ColorValue", Color, memoryGetColor, memorySetColor, kOffset,
                        Param("bits", Integer)),
    QV_FUNCTION_ASSIGNS("PString", String, memoryGetPString, memorySetPString, kOffset),
    QV_FUNCTION_ASSIGNS("CString", String, memoryGetCString, memorySetCString, kOffset),
    QV_FUNCTION_ASSIGNS("WString", String, memoryGetWString, memorySetWString, kOffset),
    QV_FUNCTION("StringValue", String, memoryGetString, kOffset, Param("length", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_SUB("StringValue", memorySetString, kOffset, Param("length", Integer),
           Param("value", String)).Kind(kMethodAssigns),
    QV_FUNCTION("Operator_Convert", String, MemoryBlockToStringOperator),
    QV_SUB("Operator_Convert", MemoryBlockFromStringOperator, Param("value", String)),
    QV_FUNCTION("Operator_Convert", Ptr, memoryBlockGetPtr),
    QV_SUB("Operator_Convert", ConvertPtrToMemoryBlock, Param("value", Ptr)),
    QV_FUNCTION("Operator_Add", Class<"MemoryBlock">, MemoryBlockAddOperator,
                Param("other", Class<"MemoryBlock">)),
    QV_FUNCTION("Operator_Compare", Integer, MemoryBlockCompareOperator,
                Param("other", Class<"MemoryBlock">)),
    QV_FUNCTION("LeftB", Class<"MemoryBlock">, MemoryBlockLeftB, Param("length", Integer)),
    QV_FUNCTION("MidB", Class<"MemoryBlock">, MemoryBlockMidB2, Param("start", Integer)),
    QV_FUNCTION("MidB", Class<"MemoryBlock">, MemoryBlockMidB3, Param("start", Integer),
                Param("length", Integer)),
    QV_FUNCTION("RightB", Class<"MemoryBlock">, MemoryBlockRightB, Param("length", Integer)),
};

void RaiseOutOfMemory() { RaiseNewException(OutOfMemoryExceptionDefinition()); }

// size zero-filled bytes, or nil when memory is short (size > 0).
uint8_t* AllocateZeroed(int32_t size) {
  auto* bytes = static_cast<uint8_t*>(OSalloc(static_cast<uint32_t>(size), kMemFullReturnNil));
  if (bytes) std::memset(bytes, 0, static_cast<size_t>(size));
  return bytes;
}

void FreeOwnedBytes(MemoryBlockObject* block) {
  if (block->owned && block->data) OSfree(block->data);
  block->data = nullptr;
  block->size = 0;
}

// Replaces the block's bytes by size bytes copied from bytes (zero-filled when bytes is nil);
// false, leaving the block unchanged, when memory is short.
bool TakeCopy(MemoryBlockObject* block, const void* bytes, int32_t size) {
  uint8_t* copy = nullptr;
  if (size > 0) {
    copy = AllocateZeroed(size);
    if (!copy) return false;
    if (bytes) std::memcpy(copy, bytes, static_cast<size_t>(size));
  }
  FreeOwnedBytes(block);
  block->data = copy;
  block->size = size;
  block->owned = 1;
  return true;
}

MemoryBlockObject* NewBlockObject() {
  return reinterpret_cast<MemoryBlockObject*>(
      NewObjectFromDefinition(MemoryBlockClassDefinition()));
}

// A new owned block holding a copy of size bytes (zero-filled when bytes is nil), or nil.
MemoryBlockObject* NewOwnedBlock(const void* bytes, int32_t size) {
  MemoryBlockObject* block = NewBlockObject();
  if (!block) return nullptr;
  if (!TakeCopy(block, bytes, size)) {
    RuntimeUnlockObject(&block->header);
    return nullptr;
  }
  return block;
}

int32_t Sign(int64_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// The rows of the language's compare table where one side is nil. A foreign block with bytes
// sorts below nil on either side; an empty block equals nil.
int32_t CompareNilWith(const MemoryBlockObject* b) {
  if (!b->owned && b->data) return -1;
  return b->size > 0 ? -1 : 0;
}
int32_t CompareWithNil(const MemoryBlockObject* a) {
  if (!a->owned && a->data) return -1;
  return a->size > 0 ? 1 : 0;
}

// count bytes from start, both in 64 bits so that no sum of 32-bit arguments wraps: a negative
// start shortens count by as much; nothing left gives nil.
MemoryBlockObject* Slice(MemoryBlockObject* block, int64_t start, int64_t count) {
  if (!block) return nullptr;
  if (start < 0) {
    count += start;
    start = 0;
  }
  if (start >= block->size) return nullptr;
  if (count > block->size - start) count = block->size - start;
  if (count < 1) return nullptr;
  MemoryBlockObject* slice = NewOwnedBlock(block->data + start, static_cast<int32_t>(count));
  if (!slice) {
    RaiseOutOfMemory();
    return nullptr;
  }
  slice->littleEndian = block->littleEndian;
  return slice;
}

}  // namespace

QV_CLASS(MemoryBlockClassDefinition,
         .name = "MemoryBlock",
         .objectSize = sizeof(MemoryBlockObject),
         .properties = kMemoryBlockProperties,
         .methods = kMemoryBlockMethods,
         .initializer = QV_CODE(MemoryBlockInitializer),
         .finalizer = QV_CODE(MemoryBlockFinalizer))
QV_STARTUP_CLASS(kStartupMemoryBlockClass, MemoryBlockClassDefinition)

uint8_t* MemoryBlockRefusedAccess(const MemoryBlockObject* block) {
  if (block) {
    RaiseOutOfBoundsException();
  } else {
    RaiseNilObjectException();
  }
  return nullptr;
}

bool ResizeMemoryBlock(MemoryBlockObject* block, int32_t size) {
  if (!block || size < 0) return false;
  if (size == block->size) return true;
  if (size == 0) return TakeCopy(block, nullptr, 0);
  uint8_t* bytes = AllocateZeroed(size);
  if (!bytes) return false;
  const int32_t kept = block->size < size ? block->size : size;
  if (kept > 0) std::memcpy(bytes, block->data, static_cast<size_t>(kept));
  FreeOwnedBytes(block);
  block->data = bytes;
  block->size = size;
  block->owned = 1;
  return true;
}

extern "C" {

// Every new block is an empty owned one until a constructor or conversion fills it.
void MemoryBlockInitializer(MemoryBlockObject* block) {
  if (!block) return;
  block->owned = 1;
  block->littleEndian = 1;
}
QV_EXPORT(MemoryBlockInitializer)

void MemoryBlockFinalizer(MemoryBlockObject* block) {
  if (block) FreeOwnedBytes(block);
}
QV_EXPORT(MemoryBlockFinalizer)

MemoryBlockObject* newMemoryBlock(int32_t size) {
  if (size < 0) return nullptr;
  return NewOwnedBlock(nullptr, size);
}
QV_EXPORT(newMemoryBlock)

MemoryBlockObject* PtrToMemoryBlock(void* pointer) {
  MemoryBlockObject* block = NewBlockObject();
  ConvertPtrToMemoryBlock(block, pointer);
  return block;
}
QV_EXPORT(PtrToMemoryBlock)

void* memoryBlockGetPtr(MemoryBlockObject* block) { return block ? block->data : nullptr; }
QV_EXPORT(memoryBlockGetPtr)

int32_t memoryBlockGetSize(MemoryBlockObject* block, uint32_t) {
  if (!block) return 0;
  return block->owned ? block->size : -1;
}
QV_EXPORT(memoryBlockGetSize)

void memoryBlockSetSize(MemoryBlockObject* block, uint32_t, int32_t size) {
  if (!block) {
    RaiseNilObjectException();
    return;
  }
  if (size == block->size) return;
  if (size < 0) {
    RaiseOutOfBoundsException();
    return;
  }
  if (!ResizeMemoryBlock(block, size)) RaiseOutOfMemory();
}
QV_EXPORT(memoryBlockSetSize)

void memoryBlockNewConstructor(MemoryBlockObject* block, int32_t size) {
  if (!block) return;
  if (!TakeCopy(block, nullptr, size < 0 ? 0 : size)) RaiseOutOfMemory();
}
QV_EXPORT(memoryBlockNewConstructor)

stringStorage* MemoryBlockToStringOperator(MemoryBlockObject* block) {
  if (!block || !block->data) return nullptr;
  return string::FromBytes(block->data, block->size, kEncodingNone).ExtractStringStorage();
}
QV_EXPORT(MemoryBlockToStringOperator)

void MemoryBlockFromStringOperator(MemoryBlockObject* block, stringStorage* text) {
  if (!block) return;
  if (!TakeCopy(block, stringStorage::CString(text), stringStorage::Length(text))) {
    RaiseOutOfMemory();
  }
}
QV_EXPORT(MemoryBlockFromStringOperator)

void ConvertPtrToMemoryBlock(MemoryBlockObject* block, void* pointer) {
  if (!block) return;
  FreeOwnedBytes(block);
  block->data = static_cast<uint8_t*>(pointer);
  block->owned = 0;
}
QV_EXPORT(ConvertPtrToMemoryBlock)

MemoryBlockObject* MemoryBlockAddOperator(MemoryBlockObject* a, MemoryBlockObject* b) {
  const int64_t sizeA = a ? a->size : 0;
  const int64_t sizeB = b ? b->size : 0;
  if (sizeA + sizeB > kMaxMemoryBlockSize) {
    RaiseOutOfMemory();
    return nullptr;
  }
  MemoryBlockObject* sum = NewOwnedBlock(nullptr, static_cast<int32_t>(sizeA + sizeB));
  if (!sum) {
    RaiseOutOfMemory();
    return nullptr;
  }
  if (sizeA > 0) std::memcpy(sum->data, a->data, static_cast<size_t>(sizeA));
  if (sizeB > 0) std::memcpy(sum->data + sizeA, b->data, static_cast<size_t>(sizeB));
  return sum;
}
QV_EXPORT(MemoryBlockAddOperator)

int32_t MemoryBlockCompareOperator(MemoryBlockObject* a, MemoryBlockObject* b) {
  if (a == b) return 0;
  if (!a) return CompareNilWith(b);
  if (!b) return CompareWithNil(a);
  if (a->data == b->data) return 0;
  if (a->size == 0 || b->size == 0) return Sign(int64_t{a->size} - b->size);
  const int32_t common = a->size < b->size ? a->size : b->size;
  for (int32_t i = 0; i < common; ++i) {
    if (a->data[i] != b->data[i]) return int32_t{a->data[i]} - int32_t{b->data[i]};
  }
  return Sign(int64_t{a->size} - b->size);
}
QV_EXPORT(MemoryBlockCompareOperator)

MemoryBlockObject* MemoryBlockMidB3(MemoryBlockObject* block, int32_t start, int32_t count) {
  return Slice(block, start, count);
}
QV_EXPORT(MemoryBlockMidB3)

MemoryBlockObject* MemoryBlockLeftB(MemoryBlockObject* block, int32_t count) {
  return Slice(block, 0, count);
}
QV_EXPORT(MemoryBlockLeftB)

MemoryBlockObject* MemoryBlockMidB2(MemoryBlockObject* block, int32_t start) {
  if (!block) return nullptr;
  return Slice(block, start, int64_t{memoryBlockGetSize(block, 0)} - start);
}
QV_EXPORT(MemoryBlockMidB2)

MemoryBlockObject* MemoryBlockRightB(MemoryBlockObject* block, int32_t count) {
  if (!block) return nullptr;
  return Slice(block, int64_t{memoryBlockGetSize(block, 0)} - count, count);
}
QV_EXPORT(MemoryBlockRightB)

}  // extern "C"
