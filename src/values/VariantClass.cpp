// The class "Variant", through which compiled code reaches the variant operations as
// properties and methods of the variant itself, and IsNumeric.
#include "core/ByteUtilities.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/Startup.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"
#include "values/VariantTypes.h"
#include "strings/StringNumbers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWithNaNOrInf(const char* text) {
  return StartsWithIgnoringASCIICase(text, "NaN") || StartsWithIgnoringASCIICase(text, "Inf");
}

// "NaN" and "Inf" in any case, those two followed by three digits in parentheses, and what Val
// reads without a parse error.
bool IsNumericText(const string& text) {
  const char* p = text.CString();
  const int32_t n = text.Length();
  if (n == 0) return false;
  if (n == 3 && StartsWithNaNOrInf(p)) return true;
  if (n == 8 && StartsWithNaNOrInf(p)) {
    return p[3] == '(' && IsDigit(p[4]) && IsDigit(p[5]) && IsDigit(p[6]) && p[7] == ')';
  }
  bool notANumber = true;
  Val(text, &notANumber);
  return !notANumber;
}

}  // namespace

int32_t RuntimeIsNumeric(RuntimeObject* variant) {
  switch (VarType(variant)) {
    case kVarTypeInt32:
    case kVarTypeInt64:
    case kVarTypeSingle:
    case kVarTypeDouble:
    case kVarTypeCurrency:
    case kVarTypeReservedLast:
      return 1;
    case kVarTypeString: {
      string text;
      if (!TryVariantToString(variant, &text)) return 0;
      return IsNumericText(AsByteText(text));
    }
    default:
      return 0;
  }
}
QV_EXPORT(RuntimeIsNumeric)

namespace {

using namespace lang;

const PropertyRow kVariantProperties[] = {
    QV_READONLY("Type", Integer, VarType),
    QV_READONLY("IsNumeric", Boolean, RuntimeIsNumeric),
    QV_READONLY("IsNull", Boolean, IsNull),
    QV_READONLY("Hash", Integer, VariantHash),
};

#define QV_OPERATOR(name, function) \
  QV_FUNCTION(name, Class<"Variant">, function, Param(Class<"Variant">))

const MethodRow kVariantMethods[] = {
    QV_FUNCTION("Equals", Boolean, VariantEqual, Param(Class<"Variant">)),
    QV_FUNCTION("Int32Value", Integer, VariantToInt32),
    QV_FUNCTION("UInt32Value", UInt32, VariantToUInt32),
    QV_FUNCTION("Int64Value", Int64, VariantToInt64),
    QV_FUNCTION("UInt64Value", UInt64, VariantToUInt64),
    QV_FUNCTION("IntegerValue", Integer, VariantToInt32),
    QV_FUNCTION("ColorValue", Color, VariantToColor),
    QV_FUNCTION("SingleValue", Single, VariantToSingle),
    QV_FUNCTION("DoubleValue", Double, VariantToDouble),
    QV_FUNCTION("ObjectValue", Class<"Object">, VariantToObject),
    QV_FUNCTION("StringValue", String, VariantToString),
    QV_FUNCTION("BooleanValue", Boolean, VariantToBoolean),
    QV_FUNCTION("DateValue", Class<"Date">, VariantToDate),
    QV_FUNCTION("Operator_Compare", Integer, VariantCompare, Param(Class<"Variant">)),
    QV_OPERATOR("Operator_Add", VariantAdd),
    QV_OPERATOR("Operator_Subtract", VariantSubtract),
    QV_OPERATOR("Operator_Multiply", VariantMultiply),
    QV_OPERATOR("Operator_Divide", VariantDivide),
    QV_OPERATOR("Operator_IntegerDivide", VariantIntegerDivide),
    QV_OPERATOR("Operator_Modulo", VariantModulo),
    QV_FUNCTION("Operator_Negate", Class<"Variant">, VariantNegate),
    QV_OPERATOR("Operator_Power", VariantPower),
    QV_OPERATOR("Operator_AddRight", VariantAddRight),
    QV_OPERATOR("Operator_SubtractRight", VariantSubtractRight),
    QV_OPERATOR("Operator_MultiplyRight", VariantMultiply),
    QV_OPERATOR("Operator_DivideRight", VariantDivideRight),
    QV_OPERATOR("Operator_IntegerDivideRight", VariantIntegerDivideRight),
    QV_OPERATOR("Operator_ModuloRight", VariantModuloRight),
    QV_OPERATOR("Operator_PowerRight", VariantPowerRight),
    QV_OPERATOR("Operator_And", VariantAnd),
    QV_OPERATOR("Operator_AndRight", VariantAnd),
    QV_OPERATOR("Operator_Or", VariantOr),
    QV_OPERATOR("Operator_OrRight", VariantOr),
    QV_FUNCTION("Operator_Not", Class<"Variant">, VariantNot),
};

#undef QV_OPERATOR

}  // namespace

QV_CLASS(VariantClassDefinition, .name = "Variant", .properties = kVariantProperties,
         .methods = kVariantMethods)
QV_STARTUP_CLASS(kStartupVariantClass, VariantClassDefinition)
