// Variants: a scalar stored in a Variant is boxed in an object of a hidden class, one class per
// scalar type, holding the value in one field after the object header; any other object (a
// Date included) is stored as itself. Boxed values never change: every operator makes a new
// object.
//
// VarType answers a variant's type code from its class, through a per-class cache filled by
// one chain of instance tests. String variants released by compiled code go to a pool of at
// most 256 objects that StringToVariant takes back before it makes a new one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/Currency.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Type codes of VarType. Codes 1 and 17 belong to no object but keep their places in the
// result-type table and in IsNumeric.
enum VariantTypeCode : int32_t {
  kVarTypeNil = 0,
  kVarTypeReserved = 1,
  kVarTypeInt32 = 2,  // Int32 and UInt32
  kVarTypeInt64 = 3,  // Int64 and UInt64
  kVarTypeSingle = 4,
  kVarTypeDouble = 5,
  kVarTypeCurrency = 6,
  kVarTypeDate = 7,
  kVarTypeString = 8,
  kVarTypeObject = 9,
  kVarTypeBoolean = 11,
  kVarTypeColor = 16,
  kVarTypeReservedLast = 17,
};
constexpr int32_t kVarTypeLargest = 17;

// A hidden class's instance: the header and the boxed value.
template <typename T>
struct BoxedValue {
  RuntimeObject header;
  T value;
};
static_assert(offsetof(BoxedValue<int32_t>, value) == 24, "boxed values follow the header");
static_assert(offsetof(BoxedValue<int64_t>, value) == 24, "boxed values follow the header");
static_assert(offsetof(BoxedValue<double>, value) == 24, "boxed values follow the header");
static_assert(offsetof(BoxedValue<stringStorage*>, value) == 24, "boxed values follow the header");
static_assert(offsetof(BoxedValue<uint8_t>, value) == 24, "boxed values follow the header");

// The value field of a hidden-class object (T{} for nil).
template <typename T>
inline T BoxedValueOf(RuntimeObject* object) {
  return object ? reinterpret_cast<BoxedValue<T>*>(object)->value : T{};
}

// The ten hidden classes.
ObjectDefinition* VariantInt32ClassDefinition();
ObjectDefinition* VariantUInt32ClassDefinition();
ObjectDefinition* VariantInt64ClassDefinition();
ObjectDefinition* VariantUInt64ClassDefinition();
ObjectDefinition* VariantSingleClassDefinition();
ObjectDefinition* VariantDoubleClassDefinition();
ObjectDefinition* VariantCurrencyClassDefinition();
ObjectDefinition* VariantStringClassDefinition();
ObjectDefinition* VariantBooleanClassDefinition();
ObjectDefinition* VariantColorClassDefinition();
// The class "Variant": the variant operations as its properties and methods.
ObjectDefinition* VariantClassDefinition();

// The run-time classes of the Int32, Double and String boxes, made on first use.
RuntimeClass* VariantInt32Class();
RuntimeClass* VariantDoubleClass();
RuntimeClass* VariantStringClass();

// Objects in the string-variant pool (at most kStringVariantPoolLimit).
constexpr uint32_t kStringVariantPoolLimit = 256;
uint32_t StringVariantPoolSize();

// Word hash of a value's bytes taken as 32-bit words: the first word rotated left by 16 bits,
// each further word XORed in.
inline uint32_t WordHash(uint32_t word) { return (word << 16) | (word >> 16); }
inline uint32_t WordHash(uint64_t value) {
  return WordHash(static_cast<uint32_t>(value)) ^ static_cast<uint32_t>(value >> 32);
}

extern "C" {
// Boxing: a new object with count 1. DateToVariant and ObjectToVariant retain the object and
// return it.
RuntimeObject* Int32ToVariant(int32_t value);
RuntimeObject* UInt32ToVariant(uint32_t value);
RuntimeObject* Int64ToVariant(int64_t value);
RuntimeObject* UInt64ToVariant(uint64_t value);
RuntimeObject* SingleToVariant(float value);
RuntimeObject* DoubleToVariant(double value);
RuntimeObject* CurrencyToVariant(Currency value);
RuntimeObject* BooleanToVariant(int32_t value);
RuntimeObject* ColorToVariant(uint32_t value);
RuntimeObject* StringToVariant(stringStorage* value);  // retains the string
RuntimeObject* DateToVariant(RuntimeObject* date);
RuntimeObject* ObjectToVariant(RuntimeObject* object);

// The type code; nil is 0, an object of no hidden class 9.
int32_t VarType(RuntimeObject* variant);
// True for nil only.
int32_t IsNull(RuntimeObject* variant);
// Numbers are numeric; so is a String that Val reads without a parse error, or "NaN" and "Inf"
// (any case, alone or followed by three digits in parentheses).
int32_t RuntimeIsNumeric(RuntimeObject* variant);

// The string variant's pool at work: a released one goes to the pool, and leaves it when
// StringToVariant takes it back. The finalizer releases the string.
void StringObjectDestructor(RuntimeObject* object);
void StringObjectFinalizer(RuntimeObject* object);
}
