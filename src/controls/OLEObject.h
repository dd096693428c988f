// The automation classes "OLEObject" and "OLEParameter", present so that compiled code using
// them links and runs. This platform has no automation servers: every call that would reach
// one raises OLEException "OLE not supported on this platform." (error number 1) and answers
// its neutral value. OLEObject's operators work on the value an OLEObject holds (nil for every
// OLEObject made here); OLEParameter is a plain record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct RuntimeArray;

struct OLEObjectRecord {
  RuntimeObject header;
  uint32_t reserved;
  uint8_t hasValue;
  uint8_t unused[3];
  RuntimeObject* value;  // locked while hasValue
};
static_assert(sizeof(OLEObjectRecord) == 36 && offsetof(OLEObjectRecord, value) == 32,
              "OLEObject instances are 36 bytes");

struct OLEParameterRecord {
  RuntimeObject header;
  uint8_t passByRef;
  uint8_t holdsArray;  // set while the parameter holds an array
  uint8_t unused[2];
  int32_t position;
  int32_t type;
  RuntimeObject* value;      // locked
  RuntimeArray* valueArray;  // locked
};
static_assert(sizeof(OLEParameterRecord) == 44 && offsetof(OLEParameterRecord, position) == 28 &&
                  offsetof(OLEParameterRecord, value) == 36,
              "OLEParameter instances are 44 bytes");

inline constexpr const char* kOLENotSupported = "OLE not supported on this platform.";
inline constexpr int32_t kOLEErrorNumber = 1;

// Raises the OLEException every automation call ends in.
void RaiseOLENotSupported();

// Receives an OLEObject's events from its server; none arrive on this platform.
class OLEObjectDelegate {
 public:
  virtual ~OLEObjectDelegate() = default;
  virtual RuntimeObject* EventTriggered(stringStorage* eventName, RuntimeArray* parameters) = 0;
};

// Raises the object's "EventTriggered" with the event's name and parameters; the handler's
// variant, or nil without one.
class RuntimeOLEObjectDelegate : public OLEObjectDelegate {
 public:
  explicit RuntimeOLEObjectDelegate(RuntimeObject* owner) : mOwner(owner) {}
  RuntimeObject* EventTriggered(stringStorage* eventName, RuntimeArray* parameters) override;

 private:
  RuntimeObject* mOwner;
};

ObjectDefinition* OLEObjectClassDefinition();
ObjectDefinition* OLEParameterClassDefinition();

extern "C" {
void OLEObjectConstructor(RuntimeObject* object);
void OLEObjectDestructor(RuntimeObject* object);
void OLEObjectProgramIDConstructor(RuntimeObject* object, stringStorage* programID);
void OLEObjectNewInstanceConstructor(RuntimeObject* object, stringStorage* programID,
                                     int32_t newInstance);
RuntimeObject* OLEObjectInvoke(RuntimeObject* object, stringStorage* name);
void OLEObjectInvokeNoReturnValue(RuntimeObject* object, stringStorage* name);
RuntimeObject* OLEObjectInvokeWithParams(RuntimeObject* object, stringStorage* name,
                                         RuntimeArray* parameters);
void OLEObjectInvokeWithParamsNoReturnValue(RuntimeObject* object, stringStorage* name,
                                            RuntimeArray* parameters);
RuntimeObject* OLEObjectPropertyGetter(RuntimeObject* object, stringStorage* name);
void OLEObjectPropertySetter(RuntimeObject* object, stringStorage* name, RuntimeObject* value);
void OLEObjectPropertySetterWithValue(RuntimeObject* object, stringStorage* name,
                                      int32_t byValue, RuntimeObject* value);
void OLEObjectPropertySetterWithParameters(RuntimeObject* object, stringStorage* name,
                                           RuntimeArray* parameters, RuntimeObject* value);
RuntimeArray* OLEObjectPropertyArrayGetter(RuntimeObject* object, stringStorage* name);
RuntimeArray* OLEObjectPropertyArrayWithParametersGetter(RuntimeObject* object,
                                                         stringStorage* name,
                                                         RuntimeArray* parameters);
void OLEObjectNoReturnOperatorLookup(RuntimeObject* object, stringStorage* memberName,
                                     RuntimeArray* parameters);
RuntimeObject* OLEObjectOperatorLookup(RuntimeObject* object, stringStorage* memberName,
                                       RuntimeArray* parameters);
void OLEObjectOperatorLookupSetterWithParameters(RuntimeObject* object,
                                                 stringStorage* memberName,
                                                 RuntimeArray* parameters, RuntimeObject* value);
RuntimeObject* OLEObjectOperatorConvert(RuntimeObject* object);
int32_t OLEObjectOperatorCompare(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorAdd(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorSubtract(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorMultiply(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorDivide(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorIntegerDivide(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorModulo(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorAddRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorSubtractRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorMultiplyRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorDivideRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorIntegerDivideRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorModuloRight(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorNegate(RuntimeObject* object);
RuntimeObject* OLEObjectOperatorNot(RuntimeObject* object);
RuntimeObject* OLEObjectOperatorAnd(RuntimeObject* object, RuntimeObject* other);
RuntimeObject* OLEObjectOperatorOr(RuntimeObject* object, RuntimeObject* other);
stringStorage* OLEObjectTypeName(RuntimeObject* object);

RuntimeObject* OLEParameterValueGetter(RuntimeObject* parameter);
void OLEParameterValueSetter(RuntimeObject* parameter, RuntimeObject* value);
void OLEParameterValueArraySetter(RuntimeObject* parameter, RuntimeArray* values);
void OLEParameterDestructor(RuntimeObject* parameter);
}
