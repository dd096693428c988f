#include "app/StandardStreams.h"

#include <string>

#include "app/ConsoleIO.h"
#include "app/StreamInterfaces.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/EndOfLine.h"
#include "strings/TextEncoding.h"
#include "strings/TextEncodingObjects.h"

namespace {

using namespace lang;

const MethodRow kStandardInputMethods[] = {
    QV_FUNCTION("ReadLine", String, RuntimeStdInputReadLine),
    QV_FUNCTION("Read", String, RuntimeStdInputRead, Param("Count", Integer),
                Param("encoding", Class<"TextEncoding">).Default(0)),
    QV_FUNCTION("EOF", Boolean, RuntimeStdInputEof),
    QV_FUNCTION("ReadError", Boolean, RuntimeStdInputError),
    QV_FUNCTION("Operator_Convert", Class<"TCPSocket">, RuntimeStdInputAsSocket),
};
const ClassGetter kReadable[] = {ReadableInterfaceDefinition};

const MethodRow kStandardOutputMethods[] = {
    QV_SUB("WriteLine", RuntimeStdOutputStreamWriteLine, Param("text", String)),
    QV_SUB("Write", RuntimeStdOutputStreamWrite, Param("text", String)),
    QV_SUB("Flush", RuntimeStdOutFlush),
    QV_FUNCTION("WriteError", Boolean, RuntimeStdOutputError),
    QV_FUNCTION("Operator_Convert", Class<"TCPSocket">, RuntimeStdOutputAsSocket),
};
const ClassGetter kWriteable[] = {WriteableInterfaceDefinition};

StandardOutputStreamObject* AsOutput(RuntimeObject* stream) {
  return reinterpret_cast<StandardOutputStreamObject*>(stream);
}

int DescriptorOf(RuntimeObject* stream) {
  return AsOutput(stream)->standardError ? kStandardError : kStandardOutput;
}

// text, and the line end when asked, as one write in the system encoding.
void WriteText(int fd, stringStorage* text, bool lineEnd) {
  std::string bytes;
  const string utf8 = ConvertToSystemEncoding(string(text));
  bytes.assign(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
  if (lineEnd) {
    const string end = string::Adopt(RuntimeEndOfLine(nullptr));
    bytes.append(reinterpret_cast<const char*>(end.Bytes()), size_t(end.Length()));
  }
  ConsoleWrite(fd, bytes.data(), bytes.size());
}

stringStorage* AsText(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), encoding).ExtractStringStorage();
}

RuntimeObject* NewOutputStream(bool consolePrinter, bool standardError) {
  RuntimeObject* stream = NewObjectFromDefinition(StandardOutputStreamClassDefinition());
  if (!stream) return nullptr;
  AsOutput(stream)->consolePrinter = consolePrinter ? 1 : 0;
  AsOutput(stream)->standardError = standardError ? 1 : 0;
  return stream;
}

constexpr uint32_t kEveryTarget = kRowEveryTarget;

}  // namespace

QV_CLASS(StandardInputStreamClassDefinition,
         .name = "StandardInputStream",
         .objectSize = sizeof(StandardInputStreamObject),
         .methods = kStandardInputMethods,
         .interfaces = kReadable,
         .flags = kEveryTarget)
QV_CLASS(StandardOutputStreamClassDefinition,
         .name = "StandardOutputStream",
         .objectSize = sizeof(StandardOutputStreamObject),
         .methods = kStandardOutputMethods,
         .interfaces = kWriteable,
         .flags = kEveryTarget)
QV_STARTUP_CLASS(kStartupStandardInputStreamClass, StandardInputStreamClassDefinition)
QV_STARTUP_CLASS(kStartupStandardOutputStreamClass, StandardOutputStreamClassDefinition)

// ---- The console's own functions ----------------------------------------------------------

extern "C" void RuntimeConsolePrint(stringStorage* text) { WriteText(kStandardOutput, text, true); }
QV_EXPORT(RuntimeConsolePrint)

extern "C" stringStorage* RuntimeConsoleInput() { return RuntimeStdInputReadLine(nullptr); }
QV_EXPORT(RuntimeConsoleInput)

extern "C" RuntimeObject* RuntimeGetStdIn() {
  return NewObjectFromDefinition(StandardInputStreamClassDefinition());
}
QV_EXPORT(RuntimeGetStdIn)

extern "C" RuntimeObject* RuntimeGetStdOut() { return NewOutputStream(true, false); }
QV_EXPORT(RuntimeGetStdOut)

extern "C" RuntimeObject* RuntimeGetStdErr() { return NewOutputStream(false, true); }
QV_EXPORT(RuntimeGetStdErr)

// ---- StandardInputStream ------------------------------------------------------------------

extern "C" stringStorage* RuntimeStdInputReadLine(RuntimeObject*) {
  std::string line;
  ConsoleReadLine(&line);
  return AsText(line, kEncodingUTF8);
}
QV_EXPORT(RuntimeStdInputReadLine)

// The bytes carry the encoding asked for, UTF-8 when none is given.
extern "C" stringStorage* RuntimeStdInputRead(RuntimeObject*, int32_t count,
                                              TextEncodingObject* encoding) {
  const std::string bytes = ConsoleRead(count);
  return AsText(bytes, encoding ? GetEncodingFromTEObject(encoding) : kEncodingUTF8);
}
QV_EXPORT(RuntimeStdInputRead)

extern "C" int32_t RuntimeStdInputEof(RuntimeObject*) { return ConsoleInputAtEnd() ? 1 : 0; }
QV_EXPORT(RuntimeStdInputEof)

extern "C" int32_t RuntimeStdInputError(RuntimeObject*) { return ConsoleReadFailed() ? 1 : 0; }
QV_EXPORT(RuntimeStdInputError)

// Standard input is no socket here: the conversion answers nil.
extern "C" RuntimeObject* RuntimeStdInputAsSocket(RuntimeObject*) { return nullptr; }
QV_EXPORT(RuntimeStdInputAsSocket)

// ---- StandardOutputStream -----------------------------------------------------------------

extern "C" void RuntimeStdOutputStreamWriteLine(RuntimeObject* stream, stringStorage* text) {
  if (!QV_CHECK_TEXT(stream, "self", nullptr)) return;
  if (AsOutput(stream)->consolePrinter) {
    RuntimeConsolePrint(text);
    return;
  }
  WriteText(DescriptorOf(stream), text, true);
}
QV_EXPORT(RuntimeStdOutputStreamWriteLine)

extern "C" void RuntimeStdOutputStreamWrite(RuntimeObject* stream, stringStorage* text) {
  if (!QV_CHECK_TEXT(stream, "self", nullptr)) return;
  WriteText(DescriptorOf(stream), text, false);
}
QV_EXPORT(RuntimeStdOutputStreamWrite)

// Every write has gone out whole before it returned: nothing waits to be flushed.
extern "C" void RuntimeStdOutFlush(RuntimeObject*) {}
QV_EXPORT(RuntimeStdOutFlush)

extern "C" int32_t RuntimeStdOutputError(RuntimeObject* stream) {
  if (!QV_CHECK_TEXT(stream, "self", nullptr)) return 0;
  return ConsoleWriteFailed(DescriptorOf(stream)) ? 1 : 0;
}
QV_EXPORT(RuntimeStdOutputError)

// Nor is standard output.
extern "C" RuntimeObject* RuntimeStdOutputAsSocket(RuntimeObject*) { return nullptr; }
QV_EXPORT(RuntimeStdOutputAsSocket)
