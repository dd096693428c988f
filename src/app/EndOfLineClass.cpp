#include "app/EndOfLineClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "strings/EndOfLine.h"

namespace {

// The header and one word, as compiled code has always sized the object.
constexpr int32_t kEndOfLineObjectSize = 28;

using namespace lang;

const PropertyRow kEndOfLineProperties[] = {
    QV_READONLY("Macintosh", String, getMacEndOfLine),
    QV_READONLY("Windows", String, getWin32EndOfLine),
    QV_READONLY("UNIX", String, getUNIXEndOfLine),
};
const MethodRow kEndOfLineMethods[] = {
    QV_FUNCTION("Operator_Convert", String, RuntimeEndOfLine),
    QV_FUNCTION("Operator_Add", String, RuntimeEndOfLineAdd, Param("value", String)),
    QV_FUNCTION("Operator_AddRight", String, RuntimeEndOfLineAddRight, Param("value", String)),
    QV_FUNCTION("Operator_Compare", Integer, RuntimeEndOfLineCompare, Param("value", String)),
};

}  // namespace

QV_CLASS(EndOfLineClassDefinition,
         .name = "EndOfLine",
         .objectSize = kEndOfLineObjectSize,
         .properties = kEndOfLineProperties,
         .methods = kEndOfLineMethods)
QV_STARTUP_CLASS(kStartupEndOfLineClass, EndOfLineClassDefinition)

extern "C" RuntimeObject* RuntimeGetEndOfLineObject() {
  return NewObjectFromDefinition(EndOfLineClassDefinition());
}
QV_EXPORT(RuntimeGetEndOfLineObject)
