#include "controls/OLEObject.h"

#include <cstddef>

#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"
#include "values/VariantOperators.h"
#include "values/VariantTypes.h"

namespace {

using namespace lang;

constexpr const TypeDescriptor* kVariant = Class<"Variant">;
constexpr const TypeDescriptor* kVariants = ArrayOf<Class<"Variant">>;

ObjectHook* gEventTriggered = nullptr;

const MethodRow kOLEObjectMethods[] = {
    QV_SUB("Constructor", OLEObjectProgramIDConstructor, Param("programID", String)),
    QV_SUB("Constructor", OLEObjectNewInstanceConstructor, Param("programID", String),
           Param("newInstance", Boolean)),
    QV_FUNCTION("Invoke", kVariant, OLEObjectInvoke, Param("name", String)),
    QV_SUB("Invoke", OLEObjectInvokeNoReturnValue, Param("name", String)),
    QV_FUNCTION("Invoke", kVariant, OLEObjectInvokeWithParams, Param("nameOfFunction", String),
                Param("parameters", kVariants)),
    QV_SUB("Invoke", OLEObjectInvokeWithParamsNoReturnValue, Param("nameOfFunction", String),
           Param("parameters", kVariants)),
    QV_FUNCTION_ASSIGNS("Value", kVariant, OLEObjectPropertyGetter, OLEObjectPropertySetter,
                        Param("name", String)),
    QV_ASSIGNS_ONLY("Value", kVariant, OLEObjectPropertySetterWithValue, Param("name", String),
                    Param("byvalue", Boolean)),
    QV_ASSIGNS_ONLY("Value", kVariant, OLEObjectPropertySetterWithParameters,
                    Param("name", String), Param("parameters", kVariants)),
    QV_FUNCTION("ValueArray", ArrayOf<Class<"Object">>, OLEObjectPropertyArrayGetter,
                Param("name", String)),
    QV_FUNCTION("ValueArray", ArrayOf<Class<"Object">>,
                OLEObjectPropertyArrayWithParametersGetter, Param("name", String),
                Param("parameters", kVariants)),
    QV_SUB("Operator_Lookup", OLEObjectNoReturnOperatorLookup, Param("memberName", String),
           Param("params", kVariants).ParamArray()),
    QV_FUNCTION("Operator_Lookup", kVariant, OLEObjectOperatorLookup,
                Param("memberName", String), Param("params", kVariants).ParamArray()),
    QV_ASSIGNS_ONLY("Operator_Lookup", kVariant, OLEObjectOperatorLookupSetterWithParameters,
                    Param("memberName", String), Param("params", kVariants)),
    QV_FUNCTION("Operator_Convert", kVariant, OLEObjectOperatorConvert),
    QV_FUNCTION("Operator_Compare", Integer, OLEObjectOperatorCompare, Param("other", kVariant)),
    QV_FUNCTION("Operator_Add", kVariant, OLEObjectOperatorAdd, Param("other", kVariant)),
    QV_FUNCTION("Operator_Subtract", kVariant, OLEObjectOperatorSubtract,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_Multiply", kVariant, OLEObjectOperatorMultiply,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_Divide", kVariant, OLEObjectOperatorDivide, Param("other", kVariant)),
    QV_FUNCTION("Operator_IntegerDivide", kVariant, OLEObjectOperatorIntegerDivide,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_Modulo", kVariant, OLEObjectOperatorModulo, Param("other", kVariant)),
    QV_FUNCTION("Operator_AddRight", kVariant, OLEObjectOperatorAddRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_SubtractRight", kVariant, OLEObjectOperatorSubtractRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_MultiplyRight", kVariant, OLEObjectOperatorMultiplyRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_DivideRight", kVariant, OLEObjectOperatorDivideRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_IntegerDivideRight", kVariant, OLEObjectOperatorIntegerDivideRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_ModuloRight", kVariant, OLEObjectOperatorModuloRight,
                Param("other", kVariant)),
    QV_FUNCTION("Operator_Negate", kVariant, OLEObjectOperatorNegate),
    QV_FUNCTION("Operator_Not", kVariant, OLEObjectOperatorNot),
    QV_FUNCTION("Operator_And", kVariant, OLEObjectOperatorAnd, Param("other", kVariant)),
    QV_FUNCTION("Operator_AndRight", kVariant, OLEObjectOperatorAnd, Param("other", kVariant)),
    QV_FUNCTION("Operator_Or", kVariant, OLEObjectOperatorOr, Param("other", kVariant)),
    QV_FUNCTION("Operator_OrRight", kVariant, OLEObjectOperatorOr, Param("other", kVariant)),
    QV_FUNCTION("TypeName", String, OLEObjectTypeName),
};

const EventRow kOLEObjectEvents[] = {
    QV_EVENT("EventTriggered", &gEventTriggered,
             "eventName as string, parameters() as variant", "variant"),
};

constexpr uint32_t kParameterRowFlags = 0x4;

const PropertyRow kOLEParameterProperties[] = {
    QV_PROPERTY("PassByref", Boolean, boolGetter, boolSetter,
                offsetof(OLEParameterRecord, passByRef))
        .Flags(kParameterRowFlags),
    QV_PROPERTY("Position", Integer, intGetter, intSetter, offsetof(OLEParameterRecord, position))
        .Flags(kParameterRowFlags),
    QV_PROPERTY("Type", Integer, intGetter, intSetter, offsetof(OLEParameterRecord, type))
        .Flags(kParameterRowFlags),
};

const MethodRow kOLEParameterMethods[] = {
    QV_FUNCTION_ASSIGNS("Value", kVariant, OLEParameterValueGetter, OLEParameterValueSetter),
    QV_ASSIGNS_ONLY("ValueArray", kVariants, OLEParameterValueArraySetter),
    QV_ASSIGNS_ONLY("ValueArray", ArrayOf<Class<"Object">>, OLEParameterValueArraySetter),
};

OLEObjectRecord* AsOLEObject(RuntimeObject* object) {
  return reinterpret_cast<OLEObjectRecord*>(object);
}

OLEParameterRecord* AsOLEParameter(RuntimeObject* object) {
  return reinterpret_cast<OLEParameterRecord*>(object);
}

// The held value, or nil.
RuntimeObject* HeldValue(RuntimeObject* object) {
  const OLEObjectRecord* record = object ? AsOLEObject(object) : nullptr;
  return record && record->hasValue ? record->value : nullptr;
}

RuntimeArray* EmptyObjectArray() { return CreateArray(1, kArrayObject, -1); }

}  // namespace

void RaiseOLENotSupported() {
  string message(kOLENotSupported);
  RaiseNewExceptionWithMessage(OLEExceptionDefinition(), message.Storage(), kOLEErrorNumber);
}

RuntimeObject* RuntimeOLEObjectDelegate::EventTriggered(stringStorage* eventName,
                                                        RuntimeArray* parameters) {
  return RaiseObjectEvent<RuntimeObject*>(mOwner, gEventTriggered, eventName, parameters);
}

QV_CLASS(OLEObjectClassDefinition,
         .name = "OLEObject",
         .objectSize = sizeof(OLEObjectRecord),
         .methods = kOLEObjectMethods,
         .events = kOLEObjectEvents,
         .initializer = QV_CODE(OLEObjectConstructor),
         .finalizer = QV_CODE(OLEObjectDestructor))
QV_STARTUP_CLASS(kStartupOLEObjectClass, OLEObjectClassDefinition)

QV_CLASS(OLEParameterClassDefinition,
         .name = "OLEParameter",
         .objectSize = sizeof(OLEParameterRecord),
         .properties = kOLEParameterProperties,
         .methods = kOLEParameterMethods,
         .finalizer = QV_CODE(OLEParameterDestructor))
QV_STARTUP_CLASS(kStartupOLEParameterClass, OLEParameterClassDefinition)

// ---- OLEObject: construction, and the calls that would reach a server ----

extern "C" void OLEObjectConstructor(RuntimeObject*) {}
QV_EXPORT(OLEObjectConstructor)

extern "C" void OLEObjectDestructor(RuntimeObject*) {}
QV_EXPORT(OLEObjectDestructor)

extern "C" void OLEObjectProgramIDConstructor(RuntimeObject*, stringStorage*) {}
QV_EXPORT(OLEObjectProgramIDConstructor)

extern "C" void OLEObjectNewInstanceConstructor(RuntimeObject*, stringStorage*, int32_t) {}
QV_EXPORT(OLEObjectNewInstanceConstructor)

extern "C" RuntimeObject* OLEObjectInvoke(RuntimeObject*, stringStorage*) {
  RaiseOLENotSupported();
  return nullptr;
}
QV_EXPORT(OLEObjectInvoke)

extern "C" void OLEObjectInvokeNoReturnValue(RuntimeObject*, stringStorage*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectInvokeNoReturnValue)

extern "C" RuntimeObject* OLEObjectInvokeWithParams(RuntimeObject*, stringStorage*,
                                                    RuntimeArray*) {
  RaiseOLENotSupported();
  return nullptr;
}
QV_EXPORT(OLEObjectInvokeWithParams)

extern "C" void OLEObjectInvokeWithParamsNoReturnValue(RuntimeObject*, stringStorage*,
                                                       RuntimeArray*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectInvokeWithParamsNoReturnValue)

extern "C" RuntimeObject* OLEObjectPropertyGetter(RuntimeObject*, stringStorage*) {
  RaiseOLENotSupported();
  return nullptr;
}
QV_EXPORT(OLEObjectPropertyGetter)

extern "C" void OLEObjectPropertySetter(RuntimeObject*, stringStorage*, RuntimeObject*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectPropertySetter)

extern "C" void OLEObjectPropertySetterWithValue(RuntimeObject*, stringStorage*, int32_t,
                                                 RuntimeObject*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectPropertySetterWithValue)

extern "C" void OLEObjectPropertySetterWithParameters(RuntimeObject*, stringStorage*,
                                                      RuntimeArray*, RuntimeObject*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectPropertySetterWithParameters)

extern "C" RuntimeArray* OLEObjectPropertyArrayGetter(RuntimeObject*, stringStorage*) {
  RaiseOLENotSupported();
  return EmptyObjectArray();
}
QV_EXPORT(OLEObjectPropertyArrayGetter)

extern "C" RuntimeArray* OLEObjectPropertyArrayWithParametersGetter(RuntimeObject*,
                                                                    stringStorage*,
                                                                    RuntimeArray*) {
  RaiseOLENotSupported();
  return EmptyObjectArray();
}
QV_EXPORT(OLEObjectPropertyArrayWithParametersGetter)

// The lookups would name the member without one trailing "_" (which keeps names that are
// keywords usable); with no server to ask, they raise.
extern "C" void OLEObjectNoReturnOperatorLookup(RuntimeObject*, stringStorage*, RuntimeArray*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectNoReturnOperatorLookup)

extern "C" RuntimeObject* OLEObjectOperatorLookup(RuntimeObject*, stringStorage*,
                                                  RuntimeArray*) {
  RaiseOLENotSupported();
  return nullptr;
}
QV_EXPORT(OLEObjectOperatorLookup)

extern "C" void OLEObjectOperatorLookupSetterWithParameters(RuntimeObject*, stringStorage*,
                                                            RuntimeArray*, RuntimeObject*) {
  RaiseOLENotSupported();
}
QV_EXPORT(OLEObjectOperatorLookupSetterWithParameters)

// ---- OLEObject: operators on the held value ----

extern "C" RuntimeObject* OLEObjectOperatorConvert(RuntimeObject* object) {
  if (!object) return nullptr;
  if (!AsOLEObject(object)->hasValue) return ObjectToVariant(object);
  RuntimeObject* value = AsOLEObject(object)->value;
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(OLEObjectOperatorConvert)

extern "C" int32_t OLEObjectOperatorCompare(RuntimeObject* object, RuntimeObject* other) {
  if (object && AsOLEObject(object)->hasValue) {
    return VariantCompare(AsOLEObject(object)->value, other);
  }
  RuntimeObject* boxed = object ? ObjectToVariant(object) : nullptr;
  const int32_t order = VariantCompare(boxed, other);
  RuntimeUnlockObject(boxed);
  return order;
}
QV_EXPORT(OLEObjectOperatorCompare)

#define QV_OLE_BINARY_OPERATOR(exportName, operation, swapped)                           \
  extern "C" RuntimeObject* exportName(RuntimeObject* object, RuntimeObject* other) {     \
    RuntimeObject* value = HeldValue(object);                                             \
    return swapped ? operation(other, value) : operation(value, other);                   \
  }                                                                                        \
  QV_EXPORT(exportName)

QV_OLE_BINARY_OPERATOR(OLEObjectOperatorAdd, VariantAdd, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorSubtract, VariantSubtract, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorMultiply, VariantMultiply, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorDivide, VariantDivide, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorIntegerDivide, VariantIntegerDivide, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorModulo, VariantModulo, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorAddRight, VariantAdd, true)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorSubtractRight, VariantSubtract, true)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorMultiplyRight, VariantMultiply, true)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorDivideRight, VariantDivide, true)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorIntegerDivideRight, VariantIntegerDivide, true)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorModuloRight, VariantModulo, true)
// And and Or are symmetric: their Right forms share these.
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorAnd, VariantAnd, false)
QV_OLE_BINARY_OPERATOR(OLEObjectOperatorOr, VariantOr, false)

extern "C" RuntimeObject* OLEObjectOperatorNegate(RuntimeObject* object) {
  return VariantNegate(HeldValue(object));
}
QV_EXPORT(OLEObjectOperatorNegate)

extern "C" RuntimeObject* OLEObjectOperatorNot(RuntimeObject* object) {
  return VariantNot(HeldValue(object));
}
QV_EXPORT(OLEObjectOperatorNot)

extern "C" stringStorage* OLEObjectTypeName(RuntimeObject*) { return nullptr; }
QV_EXPORT(OLEObjectTypeName)

// ---- OLEParameter ----

extern "C" RuntimeObject* OLEParameterValueGetter(RuntimeObject* parameter) {
  if (!parameter) return nullptr;
  RuntimeObject* value = AsOLEParameter(parameter)->value;
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(OLEParameterValueGetter)

// The new value is locked before the old is released: a parameter given its own value keeps it.
extern "C" void OLEParameterValueSetter(RuntimeObject* parameter, RuntimeObject* value) {
  if (!parameter) return;
  OLEParameterRecord* record = AsOLEParameter(parameter);
  record->holdsArray = 0;
  RuntimeLockObject(value);
  RuntimeObject* old = record->value;
  record->value = value;
  RuntimeUnlockObject(old);
}
QV_EXPORT(OLEParameterValueSetter)

extern "C" void OLEParameterValueArraySetter(RuntimeObject* parameter, RuntimeArray* values) {
  if (!parameter) return;
  OLEParameterRecord* record = AsOLEParameter(parameter);
  record->holdsArray = 1;
  RuntimeLockUnlockArrays(values, record->valueArray);
  record->valueArray = values;
}
QV_EXPORT(OLEParameterValueArraySetter)

extern "C" void OLEParameterDestructor(RuntimeObject* parameter) {
  if (!parameter) return;
  OLEParameterRecord* record = AsOLEParameter(parameter);
  RuntimeUnlockObject(record->value);
  RuntimeUnlockArray(record->valueArray);
  record->value = nullptr;
  record->valueArray = nullptr;
}
QV_EXPORT(OLEParameterDestructor)
