#include "files/BinaryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "values/MemoryBlock.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "files/BoundedRead.h"
#include "files/FilePtr.h"
#include "files/MemoryBlockMechanism.h"
#include "files/StreamMechanism.h"
#include "strings/TextEncodingObjects.h"

namespace {

using namespace lang;

constexpr auto kEncodingParameter = Param("encoding", Class<"TextEncoding">).Default(0);

const PropertyRow kBinaryStreamProperties[] = {
    QV_PROPERTY("LittleEndian", Boolean, boolGetter, boolSetter,
                offsetof(BinaryStreamObject, littleEndian)),
    QV_PROPERTY("Length", UInt64, BinaryStreamGetLength, BinaryStreamSetLength),
    QV_PROPERTY("Position", UInt64, BinaryStreamGetPosition, BinaryStreamSetPosition),
    QV_READONLY("LastErrorCode", Integer, BinaryStreamLastErrorGetter),
};

const MethodRow kBinaryStreamMethods[] = {
    QV_FUNCTION("ReadByte", Integer, BinaryStreamReadByte),
    QV_FUNCTION("ReadShort", Integer, BinaryStreamReadShort),
    QV_FUNCTION("ReadInt16", Int16, BinaryStreamReadInt16),
    QV_FUNCTION("ReadLong", Integer, BinaryStreamReadLong),
    QV_FUNCTION("ReadInt32", Integer, BinaryStreamReadLong),
    QV_FUNCTION("ReadInt8", Int8, BinaryStreamReadInt8),
    QV_FUNCTION("ReadInt64", Int64, BinaryStreamReadInt64),
    QV_FUNCTION("ReadUInt8", UInt8, BinaryStreamReadUInt8),
    QV_FUNCTION("ReadUInt16", UInt16, BinaryStreamReadUInt16),
    QV_FUNCTION("ReadUInt32", UInt32, BinaryStreamReadUInt32),
    QV_FUNCTION("ReadUInt64", UInt64, BinaryStreamReadUInt64),
    QV_FUNCTION("ReadSingle", Single, BinaryStreamReadFloat),
    QV_FUNCTION("ReadDouble", Double, BinaryStreamReadDouble),
    QV_FUNCTION("ReadBoolean", Boolean, BinaryStreamReadBoolean),
    QV_FUNCTION("ReadPString", String, BinaryStreamReadPString, kEncodingParameter),
    QV_FUNCTION("Read", String, BinaryStreamRead, Param("Count", Integer), kEncodingParameter),
    QV_SUB("WriteByte", BinaryStreamWriteByte, Param("value", Integer)),
    QV_SUB("WriteShort", BinaryStreamWriteShort, Param("value", Integer)),
    QV_SUB("WriteLong", BinaryStreamWriteLong, Param("value", Integer)),
    QV_SUB("WriteInt8", BinaryStreamWriteInt8, Param("value", Int8)),
    QV_SUB("WriteInt16", BinaryStreamWriteInt16, Param("value", Int16)),
    QV_SUB("WriteInt32", BinaryStreamWriteLong, Param("value", Integer)),
    QV_SUB("WriteInt64", BinaryStreamWriteInt64, Param("value", Int64)),
    QV_SUB("WriteUInt8", BinaryStreamWriteUInt8, Param("value", UInt8)),
    QV_SUB("WriteUInt16", BinaryStreamWriteUInt16, Param("value", UInt16)),
    QV_SUB("WriteUInt32", BinaryStreamWriteUInt32, Param("value", UInt32)),
    QV_SUB("WriteUInt64", BinaryStreamWriteUInt64, Param("value", UInt64)),
    QV_SUB("WriteSingle", BinaryStreamWriteFloat, Param("value", Double)),
    QV_SUB("WriteDouble", BinaryStreamWriteDouble, Param("value", Double)),
    QV_SUB("WriteBoolean", BinaryStreamWriteBoolean, Param("value", Boolean)),
    QV_SUB("WritePString", BinaryStreamWritePString, Param("value", String)),
    QV_SUB("Write", BinaryStreamWrite, Param("value", String)),
    QV_SUB("Close", BinaryStreamClose),
    QV_SUB("Flush", BinaryStreamFlush),
    QV_FUNCTION("EOF", Boolean, BinaryStreamEOF),
    QV_FUNCTION("ReadError", Boolean, BinaryStreamLastErrorGetter),
    QV_FUNCTION("WriteError", Boolean, BinaryStreamLastErrorGetter),
    QV_SUB("Constructor", BinaryStringStringCtor, Param("aString", String)),
    QV_SUB("Constructor", BinaryStringMemoryBlockCtor,
           Param("aMemoryBlock", Class<"MemoryBlock">)),
    QV_SUB("Constructor", BinaryStreamHandleCtor, Param("handle", Integer),
           Param("type", Integer)),
    QV_FUNCTION("Handle", Integer, BinaryStreamHandleGetter, Param("type", Integer)),
};

StreamObjectFields* Fields(BinaryStreamObject* stream) {
  return reinterpret_cast<StreamObjectFields*>(stream);
}

// The stream's mechanism; nil for a closed stream, or after a report for a nil object.
RandomAccessMechanism* OpenMechanism(BinaryStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return nullptr;
  return stream->mechanism;
}

// The value of type T read from the next sizeof(T) bytes; 0 unless all of them came.
template <typename T>
T ReadValue(BinaryStreamObject* stream) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism) return 0;
  unsigned char bytes[sizeof(T)] = {};
  int32_t got = 0;
  mechanism->Read(bytes, sizeof(T), &got);
  if (got != int32_t{sizeof(T)}) return 0;
  if (!stream->littleEndian) std::reverse(bytes, bytes + sizeof(T));
  T value;
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

template <typename T>
void WriteValue(BinaryStreamObject* stream, T value) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism) return;
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (!stream->littleEndian) std::reverse(bytes, bytes + sizeof(T));
  mechanism->Write(bytes, sizeof(T));
}

// Gives the stream its new mechanism; false after the report when none could be made.
bool Install(BinaryStreamObject* stream, RandomAccessMechanism* mechanism) {
  if (!QV_CHECK_TEXT(mechanism, "obj->mechanism", nullptr)) return false;
  ReplaceStreamMechanism(Fields(stream), &stream->savedError, mechanism);
  return true;
}

}  // namespace

QV_CLASS(BinaryStreamClassDefinition,
         .name = "BinaryStream",
         .objectSize = sizeof(BinaryStreamObject),
         .properties = kBinaryStreamProperties,
         .methods = kBinaryStreamMethods,
         .initializer = QV_CODE(BinaryStreamInitializer),
         .finalizer = QV_CODE(BinaryStreamDestructor))
QV_STARTUP_CLASS(kStartupBinaryStreamClass, BinaryStreamClassDefinition)

RuntimeObject* NewBinaryStream(RandomAccessMechanism* mechanism) {
  return NewStreamObject(BinaryStreamClassDefinition(), mechanism);
}

extern "C" {

// A new stream is big-endian, with no mechanism and no error: every field zero.
void BinaryStreamInitializer(BinaryStreamObject*) {}
QV_EXPORT(BinaryStreamInitializer)

void BinaryStreamDestructor(BinaryStreamObject* stream) {
  if (stream) CloseStreamMechanism(Fields(stream), &stream->savedError);
}
QV_EXPORT(BinaryStreamDestructor)

// ---- Making and ending --------------------------------------------------------------------

void BinaryStringStringCtor(BinaryStreamObject* stream, stringStorage* text) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return;
  auto* mechanism = new (std::nothrow) StringStorageMechanism;
  if (!Install(stream, mechanism)) return;
  mechanism->Attach(text);
}
QV_EXPORT(BinaryStringStringCtor)

void BinaryStringMemoryBlockCtor(BinaryStreamObject* stream, MemoryBlockObject* block) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return;
  if (!block) {
    RaiseNilObjectException();
    return;
  }
  auto* mechanism = new (std::nothrow) MemoryBlockMechanism;
  if (!Install(stream, mechanism)) return;
  mechanism->AttachBlock(block);
  stream->littleEndian = block->littleEndian ? 1 : 0;
}
QV_EXPORT(BinaryStringMemoryBlockCtor)

void BinaryStreamHandleCtor(BinaryStreamObject* stream, int32_t handle, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return;
  RandomAccessMechanism* mechanism = OpenHandleMechanism(handle, type);
  if (mechanism) Install(stream, mechanism);
}
QV_EXPORT(BinaryStreamHandleCtor)

int32_t BinaryStreamHandleGetter(BinaryStreamObject* stream, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return -1;
  return StreamHandle(Fields(stream), type);
}
QV_EXPORT(BinaryStreamHandleGetter)

void BinaryStreamClose(BinaryStreamObject* stream) {
  if (QV_CHECK_TEXT(stream, "stream", nullptr)) {
    CloseStreamMechanism(Fields(stream), &stream->savedError);
  }
}
QV_EXPORT(BinaryStreamClose)

void BinaryStreamFlush(BinaryStreamObject* stream) {
  if (RandomAccessMechanism* mechanism = OpenMechanism(stream)) mechanism->Flush();
}
QV_EXPORT(BinaryStreamFlush)

int32_t BinaryStreamLastErrorGetter(BinaryStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "stream", nullptr)) return 0;
  return StreamLastError(Fields(stream), stream->savedError);
}
QV_EXPORT(BinaryStreamLastErrorGetter)

int32_t BinaryStreamEOF(BinaryStreamObject* stream) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  return !mechanism || mechanism->IsEOF() ? 1 : 0;
}
QV_EXPORT(BinaryStreamEOF)

// ---- Positioning --------------------------------------------------------------------------

uint64_t BinaryStreamGetLength(BinaryStreamObject* stream, uint32_t) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  return mechanism ? KnownLength(*mechanism) : 0;
}
QV_EXPORT(BinaryStreamGetLength)

void BinaryStreamSetLength(BinaryStreamObject* stream, uint32_t, uint64_t length) {
  if (RandomAccessMechanism* mechanism = OpenMechanism(stream)) SetStreamLength(*mechanism, length);
}
QV_EXPORT(BinaryStreamSetLength)

uint64_t BinaryStreamGetPosition(BinaryStreamObject* stream, uint32_t) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  return mechanism ? KnownPosition(*mechanism) : 0;
}
QV_EXPORT(BinaryStreamGetPosition)

void BinaryStreamSetPosition(BinaryStreamObject* stream, uint32_t, uint64_t position) {
  if (RandomAccessMechanism* mechanism = OpenMechanism(stream))
    SetStreamPosition(*mechanism, position);
}
QV_EXPORT(BinaryStreamSetPosition)

// ---- Reading ------------------------------------------------------------------------------

// Defines and exports name, which reads a T and answers it widened to Result.
#define QV_BINARY_READ(name, Result, T)                                   \
  Result name(BinaryStreamObject* stream) { return ReadValue<T>(stream); } \
  QV_EXPORT(name)

QV_BINARY_READ(BinaryStreamReadByte, int32_t, uint8_t)
QV_BINARY_READ(BinaryStreamReadShort, int32_t, int16_t)
QV_BINARY_READ(BinaryStreamReadInt16, int32_t, int16_t)
QV_BINARY_READ(BinaryStreamReadLong, int32_t, int32_t)
QV_BINARY_READ(BinaryStreamReadInt8, int32_t, int8_t)
QV_BINARY_READ(BinaryStreamReadInt64, int64_t, int64_t)
QV_BINARY_READ(BinaryStreamReadUInt8, uint32_t, uint8_t)
QV_BINARY_READ(BinaryStreamReadUInt16, uint32_t, uint16_t)
QV_BINARY_READ(BinaryStreamReadUInt32, uint32_t, uint32_t)
QV_BINARY_READ(BinaryStreamReadUInt64, uint64_t, uint64_t)
QV_BINARY_READ(BinaryStreamReadFloat, double, float)
QV_BINARY_READ(BinaryStreamReadDouble, double, double)

int32_t BinaryStreamReadBoolean(BinaryStreamObject* stream) {
  return ReadValue<uint8_t>(stream) != 0 ? 1 : 0;
}
QV_EXPORT(BinaryStreamReadBoolean)

stringStorage* BinaryStreamReadPString(BinaryStreamObject* stream, TextEncodingObject* encoding) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  uint8_t length = 0;
  if (!mechanism || !mechanism->ReadByte(&length)) return nullptr;
  unsigned char bytes[255];
  int32_t got = 0;
  mechanism->Read(bytes, length, &got);
  return string::FromBytes(bytes, got, GetEncodingFromTEObject(encoding)).ExtractStringStorage();
}
QV_EXPORT(BinaryStreamReadPString)

// Of a mechanism whose length is unknown (a pipe), up to count bytes, as many as come.
stringStorage* BinaryStreamRead(BinaryStreamObject* stream, int32_t count,
                                TextEncodingObject* encoding) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism || count < 1) return nullptr;
  const TextEncoding code = GetEncodingFromTEObject(encoding);
  return ReadAtMost(*mechanism, nullptr, 0, count, code).ExtractStringStorage();
}
QV_EXPORT(BinaryStreamRead)

// ---- Writing ------------------------------------------------------------------------------

// Defines and exports name, which writes its Argument cut to a T.
#define QV_BINARY_WRITE(name, Argument, T)                            \
  void name(BinaryStreamObject* stream, Argument value) {             \
    WriteValue<T>(stream, static_cast<T>(value));                     \
  }                                                                   \
  QV_EXPORT(name)

QV_BINARY_WRITE(BinaryStreamWriteByte, int32_t, uint8_t)
QV_BINARY_WRITE(BinaryStreamWriteShort, int32_t, uint16_t)
QV_BINARY_WRITE(BinaryStreamWriteLong, int32_t, int32_t)
QV_BINARY_WRITE(BinaryStreamWriteInt8, int32_t, uint8_t)
QV_BINARY_WRITE(BinaryStreamWriteInt16, int32_t, uint16_t)
QV_BINARY_WRITE(BinaryStreamWriteInt64, int64_t, int64_t)
QV_BINARY_WRITE(BinaryStreamWriteUInt8, uint32_t, uint8_t)
QV_BINARY_WRITE(BinaryStreamWriteUInt16, uint32_t, uint16_t)
QV_BINARY_WRITE(BinaryStreamWriteUInt32, uint32_t, uint32_t)
QV_BINARY_WRITE(BinaryStreamWriteUInt64, uint64_t, uint64_t)
// A Single: the Double argument rounded to float.
QV_BINARY_WRITE(BinaryStreamWriteFloat, double, float)
QV_BINARY_WRITE(BinaryStreamWriteDouble, double, double)

void BinaryStreamWriteBoolean(BinaryStreamObject* stream, int32_t value) {
  WriteValue<uint8_t>(stream, value ? 1 : 0);
}
QV_EXPORT(BinaryStreamWriteBoolean)

void BinaryStreamWritePString(BinaryStreamObject* stream, stringStorage* text) {
  if (RandomAccessMechanism* mechanism = OpenMechanism(stream)) {
    mechanism->WritePString(string(text));
  }
}
QV_EXPORT(BinaryStreamWritePString)

void BinaryStreamWrite(BinaryStreamObject* stream, stringStorage* text) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (mechanism && text) mechanism->Write(stringStorage::PString(text) + 1, text->length);
}
QV_EXPORT(BinaryStreamWrite)

}  // extern "C"
