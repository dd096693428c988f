// TextOutputStream: text written through a byte I/O mechanism. Each string goes out as its bytes,
// unconverted; WriteLine adds the Delimiter (the platform's line end when it is empty) in the
// encoding of the line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "files/RandomAccessMechanism.h"
#include "strings/RuntimeString.h"

struct TextOutputStreamObject {
  RuntimeObject header;
  RandomAccessMechanism* mechanism;  // owned; nil once closed
  stringStorage* delimiter;          // counted; nil (empty) for a new stream
  int32_t savedError;                // the mechanism's last error, kept at Close
};
static_assert(sizeof(TextOutputStreamObject) == 36, "TextOutputStream instances");
static_assert(offsetof(TextOutputStreamObject, mechanism) == 24, "TextOutputStream layout");
static_assert(offsetof(TextOutputStreamObject, delimiter) == 28, "TextOutputStream layout");
static_assert(offsetof(TextOutputStreamObject, savedError) == 32, "TextOutputStream layout");

ObjectDefinition* TextOutputStreamClassDefinition();

// A new TextOutputStream (one reference for the caller) that owns mechanism from now on; nil,
// with the mechanism deleted, when the object cannot be made.
RuntimeObject* NewTextOutputStream(RandomAccessMechanism* mechanism);

extern "C" {
void TextOutputStreamInitializer(TextOutputStreamObject* stream);
void TextOutputStreamDestructor(TextOutputStreamObject* stream);

void TextOutputStreamWriteLine(TextOutputStreamObject* stream, stringStorage* line);
void TextOutputStreamWrite(TextOutputStreamObject* stream, stringStorage* text);
void TextOutputStreamClose(TextOutputStreamObject* stream);
void TextOutputStreamFlush(TextOutputStreamObject* stream);
// LastErrorCode and WriteError (the code taken as a Boolean).
int32_t TextOutputStreamLastErrorGetter(TextOutputStreamObject* stream);
// As TextInputStreamHandleCtor.
void TextOutputStreamHandleCtor(TextOutputStreamObject* stream, int32_t handle, int32_t type);
int32_t TextOutputStreamHandleGetter(TextOutputStreamObject* stream, int32_t type);
}
