#include "app/EndOfLineClass.h"

#include <initializer_list>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "strings/EndOfLine.h"

namespace {

// The header and one word, as compiled code has always sized the object.
constexpr int32_t kEndOfLineObjectSize = 28;

ParameterRow gAddParameters[] = {{"value", nullptr, 0, 0, 0, 0, {}}};
ParameterRow gAddRightParameters[] = {{"value", nullptr, 0, 0, 0, 0, {}}};
ParameterRow gCompareParameters[] = {{"value", nullptr, 0, 0, 0, 0, {}}};

MethodRow gEndOfLineMethods[] = {
    {"Operator_Convert", nullptr, nullptr, 0,
     {reinterpret_cast<void*>(RuntimeEndOfLine), "RuntimeEndOfLine", 0, {}}, {}, kMethodPlain,
     0, 0},
    {"Operator_Add", nullptr, gAddParameters, 1,
     {reinterpret_cast<void*>(RuntimeEndOfLineAdd), "RuntimeEndOfLineAdd", 0, {}}, {},
     kMethodPlain, 0, 0},
    {"Operator_AddRight", nullptr, gAddRightParameters, 1,
     {reinterpret_cast<void*>(RuntimeEndOfLineAddRight), "RuntimeEndOfLineAddRight", 0, {}}, {},
     kMethodPlain, 0, 0},
    {"Operator_Compare", nullptr, gCompareParameters, 1,
     {reinterpret_cast<void*>(RuntimeEndOfLineCompare), "RuntimeEndOfLineCompare", 0, {}}, {},
     kMethodPlain, 0, 0},
};

PropertyRow gEndOfLineProperties[] = {
    {0, "Macintosh", nullptr, reinterpret_cast<void*>(getMacEndOfLine), "getMacEndOfLine",
     nullptr, nullptr, 0, 0},
    {0, "Windows", nullptr, reinterpret_cast<void*>(getWin32EndOfLine), "getWin32EndOfLine",
     nullptr, nullptr, 0, 0},
    {0, "UNIX", nullptr, reinterpret_cast<void*>(getUNIXEndOfLine), "getUNIXEndOfLine", nullptr,
     nullptr, 0, 0},
};

// The intrinsic type records are known only at run time.
void FillEndOfLineRows() {
  const TypeDescriptor* text = IntrinsicType(kIntrinsicString);
  for (ParameterRow* row : {gAddParameters, gAddRightParameters, gCompareParameters}) {
    row->parameterType = text;
  }
  gEndOfLineMethods[0].returnType = text;
  gEndOfLineMethods[1].returnType = text;
  gEndOfLineMethods[2].returnType = text;
  gEndOfLineMethods[3].returnType = IntrinsicType(kIntrinsicInteger);
  for (PropertyRow& row : gEndOfLineProperties) row.type = text;
}

}  // namespace

ObjectDefinition* EndOfLineClassDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "EndOfLine";
  definition.objectSize = kEndOfLineObjectSize;
  FillEndOfLineRows();
  definition.SetItems(AddClassProperties(gEndOfLineProperties, 3));
  AddClassMethods(&definition, gEndOfLineMethods, 4);
  definition.isStatic = 1;
  return &definition;
}
QV_STARTUP_CLASS(kStartupEndOfLineClass, EndOfLineClassDefinition)

extern "C" RuntimeObject* RuntimeGetEndOfLineObject() {
  return NewObjectFromDefinition(EndOfLineClassDefinition());
}
QV_EXPORT(RuntimeGetEndOfLineObject)
