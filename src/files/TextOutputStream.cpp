#include "files/TextOutputStream.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "files/StreamMechanism.h"
#include "strings/EndOfLine.h"
#include "strings/TextEncoding.h"

namespace {

using namespace lang;

const PropertyRow kTextOutputStreamProperties[] = {
    QV_PROPERTY("Delimiter", String, stringGetter, stringSetter,
                offsetof(TextOutputStreamObject, delimiter)),
    QV_READONLY("LastErrorCode", Integer, TextOutputStreamLastErrorGetter),
};

const MethodRow kTextOutputStreamMethods[] = {
    QV_SUB("WriteLine", TextOutputStreamWriteLine, Param("Line", String)),
    QV_SUB("Write", TextOutputStreamWrite, Param("Line", String)),
    QV_SUB("Close", TextOutputStreamClose),
    QV_SUB("Flush", TextOutputStreamFlush),
    QV_FUNCTION("WriteError", Boolean, TextOutputStreamLastErrorGetter),
    QV_SUB("Constructor", TextOutputStreamHandleCtor, Param("handle", Integer),
           Param("type", Integer)),
    QV_FUNCTION("Handle", Integer, TextOutputStreamHandleGetter, Param("type", Integer)),
};

StreamObjectFields* Fields(TextOutputStreamObject* stream) {
  return reinterpret_cast<StreamObjectFields*>(stream);
}

RandomAccessMechanism* OpenMechanism(TextOutputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return nullptr;
  return stream->mechanism;
}

void WriteBytes(RandomAccessMechanism* mechanism, const string& text) {
  if (!text.IsEmpty()) mechanism->Write(text.Bytes(), text.Length());
}

// The delimiter in the line's encoding (ASCII for an empty line). A Delimiter of no encoding,
// or already in the line's, goes out as it is.
string DelimiterFor(TextOutputStreamObject* stream, const string& line) {
  const TextEncoding target = line.IsEmpty() ? kEncodingASCII : line.Encoding();
  const string delimiter(stream->delimiter);
  if (delimiter.IsEmpty()) return ConvertEncoding(string::Adopt(RuntimeEndOfLine(nullptr)), target);
  const TextEncoding own = delimiter.Encoding();
  if (own == kEncodingNone || own == target) return delimiter;
  return ConvertEncoding(delimiter, target);
}

}  // namespace

QV_CLASS(TextOutputStreamClassDefinition,
         .name = "TextOutputStream",
         .objectSize = sizeof(TextOutputStreamObject),
         .properties = kTextOutputStreamProperties,
         .methods = kTextOutputStreamMethods,
         .initializer = QV_CODE(TextOutputStreamInitializer),
         .finalizer = QV_CODE(TextOutputStreamDestructor))
QV_STARTUP_CLASS(kStartupTextOutputStreamClass, TextOutputStreamClassDefinition)

RuntimeObject* NewTextOutputStream(RandomAccessMechanism* mechanism) {
  return NewStreamObject(TextOutputStreamClassDefinition(), mechanism);
}

extern "C" {

// Every field of a new stream starts at zero: no mechanism, an empty Delimiter, no error.
void TextOutputStreamInitializer(TextOutputStreamObject*) {}
QV_EXPORT(TextOutputStreamInitializer)

void TextOutputStreamDestructor(TextOutputStreamObject* stream) {
  if (!stream) return;
  CloseStreamMechanism(Fields(stream), &stream->savedError);
  stringStorage::RemoveReference(stream->delimiter);
  stream->delimiter = nullptr;
}
QV_EXPORT(TextOutputStreamDestructor)

void TextOutputStreamWriteLine(TextOutputStreamObject* stream, stringStorage* line) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (!mechanism) return;
  const string text(line);
  WriteBytes(mechanism, text);
  WriteBytes(mechanism, DelimiterFor(stream, text));
}
QV_EXPORT(TextOutputStreamWriteLine)

void TextOutputStreamWrite(TextOutputStreamObject* stream, stringStorage* text) {
  RandomAccessMechanism* mechanism = OpenMechanism(stream);
  if (mechanism) WriteBytes(mechanism, string(text));
}
QV_EXPORT(TextOutputStreamWrite)

void TextOutputStreamClose(TextOutputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  CloseStreamMechanism(Fields(stream), &stream->savedError);
}
QV_EXPORT(TextOutputStreamClose)

void TextOutputStreamFlush(TextOutputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  if (QV_CHECK_TEXT(stream->mechanism, "obj->mechanism", nullptr)) stream->mechanism->Flush();
}
QV_EXPORT(TextOutputStreamFlush)

int32_t TextOutputStreamLastErrorGetter(TextOutputStreamObject* stream) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return 0;
  return StreamLastError(Fields(stream), stream->savedError);
}
QV_EXPORT(TextOutputStreamLastErrorGetter)

void TextOutputStreamHandleCtor(TextOutputStreamObject* stream, int32_t handle, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return;
  RandomAccessMechanism* mechanism = OpenHandleMechanism(handle, type);
  if (mechanism) ReplaceStreamMechanism(Fields(stream), &stream->savedError, mechanism);
}
QV_EXPORT(TextOutputStreamHandleCtor)

int32_t TextOutputStreamHandleGetter(TextOutputStreamObject* stream, int32_t type) {
  if (!QV_CHECK_TEXT(stream, "obj", nullptr)) return -1;
  return StreamHandle(Fields(stream), type);
}
QV_EXPORT(TextOutputStreamHandleGetter)

}  // extern "C"
