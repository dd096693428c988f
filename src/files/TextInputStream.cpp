#include "files/TextInputStream.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "files/BoundedRead.h"
#include "files/ReadAheadBuffer.h"
#include "files/StreamMechanism.h"
#include "strings/TextEncodingObjects.h"

namespace {

using namespace lang;

constexpr auto kEncodingParameter = Param("encoding", Class<"TextEncoding">).Default(0);

const PropertyRow kTextInputStreamProperties[] = {
    QV_PROPERTY("Encoding", Class<"TextEncoding">, objGetter, objSetter,
                offsetof(TextInputStreamObject, encoding)),
    QV_PROPERTY("PositionB", Int64, TextInputStreamGetPosition, TextInputStreamSetPosition),
    QV_READONLY("LastErrorCode", Integer, TextInputStreamLastErrorGetter),
};

const MethodRow kTextInputStreamMethods[] = {
    QV_FUNCTION("Read", String, TextInputStreamRead, Param("Count", Integer),
                kEncodingParameter),
    QV_FUNCTION("ReadLine", String, TextInputStreamReadLine, kEncodingParameter),
    QV_FUNCTION("ReadAll", String, TextInputStreamReadAll, kEncodingParameter),
    QV_SUB("Close", TextInputStreamClose),
    QV_FUNCTION("EOF", Boolean, TextInputStreamEOF),
    QV_FUNCTION("ReadError", Boolean, TextInputStreamLastErrorGetter),
    QV_SUB("Constructor", TextInputStreamHandleCtor, Param("handle", Integer),
           Param("type", Integer)),
    QV_FUNCTION("Handle", Integer, TextInputStreamHandleGetter, Param("type", Integer)),
};

StreamObjectFields* Fields(TextInputStreamObject* stream) {
  return reinterpret_cast<StreamObjectFields*>(stream);
}

ReadAheadBuffer BufferOf(TextInputStreamObject* stream) {
  return ReadAheadBuffer(stream->mechanism, stream->buffer, kTextInputBufferSize,
                         &stream->readPosition, &stream->fillCount);
}

// The code a result is labelled with: the argument's, else the stream's Encoding.
TextEncoding ResultEncoding(TextInputStreamObject* stream, TextEncodingObject* encoding) {
  return GetEncodingFromTEObject(encoding ? encoding : stream->encoding);
}

// The stream when it is open; nil (after a report for a nil object) when not.
RandomAccessMechanism* OpenMechanism(TextInputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return nullptr;
  return stream->mechanism;
}

// The buffered bytes, then up to count more from the mechanism.
string ReadBufferedThenMore(TextInputStreamObject* stream, int64_t count, TextEncoding encoding) {
  ReadAheadBuffer buffer = BufferOf(stream);
  const int32_t buffered = buffer.Buffered();
  if (count <= buffered) {
    string text = string::FromBytes(buffer.Unread(), count, encoding);
    buffer.Consume(static_cast<int32_t>(count));
    return text;
  }
  // The buffered bytes go first, straight from the buffer; then the rest from the mechanism.
  const uint8_t* unread = buffer.Unread();
  buffer.Empty();
  return ReadAtMost(*stream->mechanism, unread, buffered, count - buffered, encoding);
}

// Read(Count): what is buffered serves it without asking the file; a count that needs the file
// first drops what it no longer holds.
string ReadCount(TextInputStreamObject* stream, int64_t count, TextEncoding encoding) {
  ReadAheadBuffer buffer = BufferOf(stream);
  if (count > buffer.Buffered()) buffer.LeftInData();
  return ReadBufferedThenMore(stream, count, encoding);
}

}  // namespace

QV_CLASS(TextInputStreamClassDefinition,
         .name = "TextInputStream",
         .objectSize = sizeof(TextInputStreamObject),
         .properties = kTextInputStreamProperties,
         .methods = kTextInputStreamMethods,
         .initializer = QV_CODE(TextInputStreamInitializer),
         .finalizer = QV_CODE(TextInputStreamDestructor))
QV_STARTUP_CLASS(kStartupTextInputStreamClass, TextInputStreamClassDefinition)

RuntimeObject* NewTextInputStream(RandomAccessMechanism* mechanism) {
  return NewStreamObject(TextInputStreamClassDefinition(), mechanism);
}

extern "C" {

void TextInputStreamInitializer(TextInputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  stream->encoding = GetTextEncodingObject(kEncodingUTF8);
}
QV_EXPORT(TextInputStreamInitializer)

void TextInputStreamDestructor(TextInputStreamObject* stream) {
  if (!stream) return;
  CloseStreamMechanism(Fields(stream), &stream->savedError);
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(stream->encoding));
  stream->encoding = nullptr;
}
QV_EXPORT(TextInputStreamDestructor)

stringStorage* TextInputStreamRead(TextInputStreamObject* stream, int32_t count,
                                   TextEncodingObject* encoding) {
  if (!OpenMechanism(stream) || count <= 0) return nullptr;
  return ReadCount(stream, count, ResultEncoding(stream, encoding)).ExtractStringStorage();
}
QV_EXPORT(TextInputStreamRead)

stringStorage* TextInputStreamReadLine(TextInputStreamObject* stream,
                                       TextEncodingObject* encoding) {
  if (!OpenMechanism(stream)) return nullptr;
  return BufferOf(stream).ReadLine(ResultEncoding(stream, encoding)).ExtractStringStorage();
}
QV_EXPORT(TextInputStreamReadLine)

// A length the mechanism does not know (a pipe) reads to the end of the data.
stringStorage* TextInputStreamReadAll(TextInputStreamObject* stream,
                                      TextEncodingObject* encoding) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism) return nullptr;
  const int64_t left = BufferOf(stream).LeftInData();
  const int64_t count = left < 0 ? int64_t{kMaxStringLength} : left;
  return ReadBufferedThenMore(stream, count, ResultEncoding(stream, encoding))
      .ExtractStringStorage();
}
QV_EXPORT(TextInputStreamReadAll)

void TextInputStreamClose(TextInputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  CloseStreamMechanism(Fields(stream), &stream->savedError);
  stream->readPosition = stream->fillCount = 0;
}
QV_EXPORT(TextInputStreamClose)

// A closed stream is at its end: the usual "While Not EOF" loop must stop.
int32_t TextInputStreamEOF(TextInputStreamObject* stream) {
  if (!OpenMechanism(stream)) return 1;
  return BufferOf(stream).AtEnd() ? 1 : 0;
}
QV_EXPORT(TextInputStreamEOF)

int32_t TextInputStreamLastErrorGetter(TextInputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return 0;
  return StreamLastError(Fields(stream), stream->savedError);
}
QV_EXPORT(TextInputStreamLastErrorGetter)

int64_t TextInputStreamGetPosition(TextInputStreamObject* stream, uint32_t) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism) return 0;
  // A position the mechanism cannot tell counts as 0.
  const int64_t position = int64_t(KnownPosition(*mechanism)) - BufferOf(stream).Buffered();
  return position > 0 ? position : 0;
}
QV_EXPORT(TextInputStreamGetPosition)

// The buffer is refilled at once from the new position; a refused move keeps what it holds.
void TextInputStreamSetPosition(TextInputStreamObject* stream, uint32_t, int64_t position) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism || !SetStreamPosition(*mechanism, static_cast<uint64_t>(position))) return;
  ReadAheadBuffer buffer = BufferOf(stream);
  buffer.Empty();
  buffer.Refill();
}
QV_EXPORT(TextInputStreamSetPosition)

void TextInputStreamHandleCtor(TextInputStreamObject* stream, int32_t handle, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  RandomAccessMechanism* mechanism = OpenHandleMechanism(handle, type);
  if (!mechanism) return;
  ReplaceStreamMechanism(Fields(stream), &stream->savedError, mechanism);
  stream->readPosition = stream->fillCount = 0;
}
QV_EXPORT(TextInputStreamHandleCtor)

int32_t TextInputStreamHandleGetter(TextInputStreamObject* stream, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return -1;
  return StreamHandle(Fields(stream), type);
}
QV_EXPORT(TextInputStreamHandleGetter)

}  // extern "C"
