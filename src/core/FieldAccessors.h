// Generic field accessors: the getters and setters that class definitions name for properties
// that are plain fields of the language object. Each takes the object and the field's byte
// position (the property row's parameter word); setters also take the value and copy it in
// byte-wise, so unaligned fields work.
//
// A nil object raises NilObjectException; a field that does not lie inside the object's
// instance is a failed check. Either way a getter answers 0 and a setter writes nothing.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

struct RuntimeArray;

extern "C" {
uint32_t byteGetter(RuntimeObject* object, uint32_t offset);
void byteSetter(RuntimeObject* object, uint32_t offset, uint32_t value);
int32_t boolGetter(RuntimeObject* object, uint32_t offset);
void boolSetter(RuntimeObject* object, uint32_t offset, int32_t value);
int32_t shortGetter(RuntimeObject* object, uint32_t offset);
void shortSetter(RuntimeObject* object, uint32_t offset, int32_t value);
int32_t intGetter(RuntimeObject* object, uint32_t offset);
void intSetter(RuntimeObject* object, uint32_t offset, int32_t value);
int64_t int64Getter(RuntimeObject* object, uint32_t offset);
void int64Setter(RuntimeObject* object, uint32_t offset, int64_t value);
float singleGetter(RuntimeObject* object, uint32_t offset);
void singleSetter(RuntimeObject* object, uint32_t offset, float value);
double doubleGetter(RuntimeObject* object, uint32_t offset);
void doubleSetter(RuntimeObject* object, uint32_t offset, double value);
// The string, with one reference for the caller.
stringStorage* stringGetter(RuntimeObject* object, uint32_t offset);
void stringSetter(RuntimeObject* object, uint32_t offset, stringStorage* value);
// As the string accessors, but on the address object + offset, whatever holds it; an address
// of 0 reads nil and writes nothing.
stringStorage* StringToSSGetter(RuntimeObject* object, uint32_t offset);
void SSToStringSetter(RuntimeObject* object, uint32_t offset, stringStorage* value);
// The object, with one reference for the caller.
RuntimeObject* objGetter(RuntimeObject* object, uint32_t offset);
void objSetter(RuntimeObject* object, uint32_t offset, RuntimeObject* value);
// The array, with one reference for the caller.
RuntimeArray* arrayGetter(RuntimeObject* object, uint32_t offset);
void arraySetter(RuntimeObject* object, uint32_t offset, RuntimeArray* value);
}
