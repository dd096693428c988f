// Reading a scalar out of a variant. Conversion is not a switch on the variant's type: the
// object's class is asked for its method "Operator_Convert" whose result is the target type,
// so any language class can take part; the hidden variant classes are only the common case.
// Each class's method (or its absence) is found once per target type and cached. A Date
// without such a method converts through its TotalSeconds (to text: its SQLDateTime; it has
// no Currency value).
//
// Entry points answer 0 (false, the empty string, nil) for nil without raising, and raise
// TypeMismatchException and answer 0 for an object that has no conversion. The Try workers do
// the same work without raising: true when they stored a value.
#pragma once

#include <cstdint>

#include "core/Currency.h"
#include "core/IntMap.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The function of the first method of a class whose signature key contains a text (case
// ignored): the method table first, then the named-method table. Each class is searched once;
// what it finds, nil included, is kept.
class ClassMethodCache {
 public:
  explicit ClassMethodCache(const char* signatureText) : mSignature(signatureText) {}
  void* Find(RuntimeClass* cls);

 private:
  string mSignature;
  IntMap<void*> mFunctions;
  RuntimeClass* mLastClass = nullptr;  // the last class asked about, ahead of the map
  void* mLastFunction = nullptr;
};

// The search itself, uncached.
void* FindMethodWithSignature(const RuntimeClass* cls, const string& signatureText);

// A method found in a class's tables applied to object: the framework's own functions are
// called directly, compiled code through a CompiledCall (which answers 0 when an exception
// the method does not handle took the unhandled path). A Boolean is read from the low byte.
// The object is held until the method returns: it may drop the caller's last reference.
template <typename T>
T CallClassMethod(void* function, RuntimeObject* object);

bool TryVariantToInt32(RuntimeObject* variant, int32_t* out);
bool TryVariantToUInt32(RuntimeObject* variant, uint32_t* out);
bool TryVariantToInt64(RuntimeObject* variant, int64_t* out);
bool TryVariantToUInt64(RuntimeObject* variant, uint64_t* out);
bool TryVariantToColor(RuntimeObject* variant, uint32_t* out);
bool TryVariantToBoolean(RuntimeObject* variant, bool* out);
bool TryVariantToSingle(RuntimeObject* variant, float* out);
bool TryVariantToDouble(RuntimeObject* variant, double* out);
bool TryVariantToString(RuntimeObject* variant, string* out);
bool TryVariantToCurrency(RuntimeObject* variant, Currency* out);
// By type: a Date is itself (retained); an Int32, UInt32, Boolean or Color is the moment of
// that many seconds (a negative value plus 2^32), a Double that moment, a String its
// SQLDateTime, each a new Date. False for nil, any other type, and what no Date can hold.
bool TryVariantToDate(RuntimeObject* variant, RuntimeObject** out);

extern "C" {
int32_t VariantToInt32(RuntimeObject* variant);
uint32_t VariantToUInt32(RuntimeObject* variant);
int64_t VariantToInt64(RuntimeObject* variant);
uint64_t VariantToUInt64(RuntimeObject* variant);
uint32_t VariantToColor(RuntimeObject* variant);
int32_t VariantToBoolean(RuntimeObject* variant);
float VariantToSingle(RuntimeObject* variant);
double VariantToDouble(RuntimeObject* variant);
stringStorage* VariantToString(RuntimeObject* variant);  // one reference for the caller
Currency VariantToCurrency(RuntimeObject* variant);
RuntimeObject* VariantToObject(RuntimeObject* variant);  // retained
// Nil raises NilObjectException; a Double or String that no Date can hold
// UnsupportedFormatException; any type TryVariantToDate does not take TypeMismatchException.
RuntimeObject* VariantToDate(RuntimeObject* variant);  // one reference for the caller
}
