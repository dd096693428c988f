// TextInputStream: text read through a byte I/O mechanism (normally a data file), cut into
// lines at CR, LF or CR LF. Input goes through a 1,024-byte read-ahead buffer kept in the
// object. No byte is converted: results are labelled with the encoding asked for, else the
// stream's Encoding (UTF-8 for a new stream).
//
// After Close every read gives the empty string, EOF is true, PositionB is 0, and the
// mechanism's last error stays readable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "files/RandomAccessMechanism.h"
#include "strings/RuntimeString.h"

struct TextEncodingObject;

constexpr int32_t kTextInputBufferSize = 1024;

struct TextInputStreamObject {
  RuntimeObject header;
  RandomAccessMechanism* mechanism;  // owned; nil once closed
  TextEncodingObject* encoding;      // counted
  int32_t readPosition;              // next unread byte of the buffer
  int32_t fillCount;                 // bytes held in the buffer
  uint8_t buffer[kTextInputBufferSize];
  int32_t savedError;  // the mechanism's last error, kept at Close
};
static_assert(sizeof(TextInputStreamObject) == 1068, "TextInputStream instances");
static_assert(offsetof(TextInputStreamObject, mechanism) == 24, "TextInputStream layout");
static_assert(offsetof(TextInputStreamObject, encoding) == 28, "TextInputStream layout");
static_assert(offsetof(TextInputStreamObject, readPosition) == 32, "TextInputStream layout");
static_assert(offsetof(TextInputStreamObject, fillCount) == 36, "TextInputStream layout");
static_assert(offsetof(TextInputStreamObject, buffer) == 40, "TextInputStream layout");
static_assert(offsetof(TextInputStreamObject, savedError) == 1064, "TextInputStream layout");

ObjectDefinition* TextInputStreamClassDefinition();

// A new TextInputStream (one reference for the caller) that owns mechanism from now on; nil,
// with the mechanism deleted, when the object cannot be made.
RuntimeObject* NewTextInputStream(RandomAccessMechanism* mechanism);

extern "C" {
void TextInputStreamInitializer(TextInputStreamObject* stream);
void TextInputStreamDestructor(TextInputStreamObject* stream);

// Count <= 0 gives the empty string.
stringStorage* TextInputStreamRead(TextInputStreamObject* stream, int32_t count,
                                   TextEncodingObject* encoding);
stringStorage* TextInputStreamReadLine(TextInputStreamObject* stream,
                                       TextEncodingObject* encoding);
// Everything from PositionB to the end (of a pipe: until it ends).
stringStorage* TextInputStreamReadAll(TextInputStreamObject* stream,
                                      TextEncodingObject* encoding);
void TextInputStreamClose(TextInputStreamObject* stream);
int32_t TextInputStreamEOF(TextInputStreamObject* stream);
// LastErrorCode and ReadError (the code taken as a Boolean).
int32_t TextInputStreamLastErrorGetter(TextInputStreamObject* stream);
int64_t TextInputStreamGetPosition(TextInputStreamObject* stream, uint32_t parameter);
void TextInputStreamSetPosition(TextInputStreamObject* stream, uint32_t parameter,
                                int64_t position);
// A stdio stream pointer (type 2) or a descriptor (type 3) that the stream takes over;
// UnsupportedFormatException when it cannot be opened.
void TextInputStreamHandleCtor(TextInputStreamObject* stream, int32_t handle, int32_t type);
int32_t TextInputStreamHandleGetter(TextInputStreamObject* stream, int32_t type);
}
