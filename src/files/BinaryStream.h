// BinaryStream: typed binary values read and written at a movable position of a byte I/O
// mechanism: a data file, a stdio stream or descriptor the application holds, the bytes of a
// string (read-only) or a MemoryBlock. Multi-byte values are big-endian unless LittleEndian is
// set; the stream reverses bytes itself and leaves the mechanism's own byte-swap flag alone.
//
// A read that gets fewer bytes than its value needs gives 0 (false, the empty string), having
// advanced past what came. A closed stream reads 0, writes nothing and is at its end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "files/RandomAccessMechanism.h"
#include "strings/RuntimeString.h"

struct MemoryBlockObject;
struct TextEncodingObject;

struct BinaryStreamObject {
  RuntimeObject header;
  RandomAccessMechanism* mechanism;  // owned; nil once closed
  uint8_t littleEndian;
  int32_t savedError;  // the mechanism's last error, kept at Close
};
static_assert(sizeof(BinaryStreamObject) == 36, "BinaryStream instances");
static_assert(offsetof(BinaryStreamObject, mechanism) == 24, "BinaryStream layout");
static_assert(offsetof(BinaryStreamObject, littleEndian) == 28, "BinaryStream layout");
static_assert(offsetof(BinaryStreamObject, savedError) == 32, "BinaryStream layout");

ObjectDefinition* BinaryStreamClassDefinition();

// A new BinaryStream (one reference for the caller) that owns mechanism from now on; nil, with
// the mechanism deleted, when the object cannot be made.
RuntimeObject* NewBinaryStream(RandomAccessMechanism* mechanism);

extern "C" {
void BinaryStreamInitializer(BinaryStreamObject* stream);
void BinaryStreamDestructor(BinaryStreamObject* stream);

// Constructors: over a string (read-only; writes fail with 100), over a MemoryBlock (taking over
// its LittleEndian), over a stdio stream pointer (type 2) or descriptor (type 3).
void BinaryStringStringCtor(BinaryStreamObject* stream, stringStorage* text);
void BinaryStringMemoryBlockCtor(BinaryStreamObject* stream, MemoryBlockObject* block);
void BinaryStreamHandleCtor(BinaryStreamObject* stream, int32_t handle, int32_t type);
int32_t BinaryStreamHandleGetter(BinaryStreamObject* stream, int32_t type);

uint64_t BinaryStreamGetLength(BinaryStreamObject* stream, uint32_t parameter);
void BinaryStreamSetLength(BinaryStreamObject* stream, uint32_t parameter, uint64_t length);
uint64_t BinaryStreamGetPosition(BinaryStreamObject* stream, uint32_t parameter);
void BinaryStreamSetPosition(BinaryStreamObject* stream, uint32_t parameter, uint64_t position);
// LastErrorCode, and ReadError and WriteError (the code taken as a Boolean).
int32_t BinaryStreamLastErrorGetter(BinaryStreamObject* stream);
int32_t BinaryStreamEOF(BinaryStreamObject* stream);
void BinaryStreamClose(BinaryStreamObject* stream);
void BinaryStreamFlush(BinaryStreamObject* stream);

// Reads; narrow values come widened to a word (with sign for the signed ones).
int32_t BinaryStreamReadByte(BinaryStreamObject* stream);
int32_t BinaryStreamReadShort(BinaryStreamObject* stream);
int32_t BinaryStreamReadInt16(BinaryStreamObject* stream);
int32_t BinaryStreamReadLong(BinaryStreamObject* stream);
int32_t BinaryStreamReadInt8(BinaryStreamObject* stream);
int64_t BinaryStreamReadInt64(BinaryStreamObject* stream);
uint32_t BinaryStreamReadUInt8(BinaryStreamObject* stream);
uint32_t BinaryStreamReadUInt16(BinaryStreamObject* stream);
uint32_t BinaryStreamReadUInt32(BinaryStreamObject* stream);
uint64_t BinaryStreamReadUInt64(BinaryStreamObject* stream);
double BinaryStreamReadFloat(BinaryStreamObject* stream);
double BinaryStreamReadDouble(BinaryStreamObject* stream);
int32_t BinaryStreamReadBoolean(BinaryStreamObject* stream);
// A length byte, then as many of the bytes it announces as came.
stringStorage* BinaryStreamReadPString(BinaryStreamObject* stream, TextEncodingObject* encoding);
// Up to count bytes (fewer at the end); nil encoding gives text of no encoding.
stringStorage* BinaryStreamRead(BinaryStreamObject* stream, int32_t count,
                                TextEncodingObject* encoding);

// Writes; each value is cut to its width.
void BinaryStreamWriteByte(BinaryStreamObject* stream, int32_t value);
void BinaryStreamWriteShort(BinaryStreamObject* stream, int32_t value);
void BinaryStreamWriteLong(BinaryStreamObject* stream, int32_t value);
void BinaryStreamWriteInt8(BinaryStreamObject* stream, int32_t value);
void BinaryStreamWriteInt16(BinaryStreamObject* stream, int32_t value);
void BinaryStreamWriteInt64(BinaryStreamObject* stream, int64_t value);
void BinaryStreamWriteUInt8(BinaryStreamObject* stream, uint32_t value);
void BinaryStreamWriteUInt16(BinaryStreamObject* stream, uint32_t value);
void BinaryStreamWriteUInt32(BinaryStreamObject* stream, uint32_t value);
void BinaryStreamWriteUInt64(BinaryStreamObject* stream, uint64_t value);
void BinaryStreamWriteFloat(BinaryStreamObject* stream, double value);
void BinaryStreamWriteDouble(BinaryStreamObject* stream, double value);
void BinaryStreamWriteBoolean(BinaryStreamObject* stream, int32_t value);
// A length byte min(length, 255) and that many bytes; one 0 byte for the empty string.
void BinaryStreamWritePString(BinaryStreamObject* stream, stringStorage* text);
void BinaryStreamWrite(BinaryStreamObject* stream, stringStorage* text);
}
