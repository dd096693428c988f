// Property access by name for plug-ins: QUORGetPropValueInt (object, "Width", &value) reads
// any property of an object's class with a value of the plug-in's choosing, converting
// between that type and the property's own; the setters write the same way.
//
// Finding the property: the class's property table is scanned once per (class, name) pair,
// names compared ignoring case, and what the scan found, or that it found nothing, is kept for
// the life of the process (classes never change once made). A later ask in any letter case is
// one integer-map and one string-map probe.
//
// Fallbacks: a name that is no readable (writable) property of the class is tried as a method
// of the object, "Name() As Integer" (the setters "Name(Assigns v As Integer)"), found through
// QUORLoadObjectMethod; the getters then accept a few conversion names ("Value",
// "IntegerValue", ...) that read a variant-like object through its conversions. A property
// found with a type the accessor does not take fails at once, without fallback.
//
// Conversions: integers are extended by their own signedness, then cut to the target's width;
// integers become the nearest floating value; floating values are truncated toward zero
// through the intermediate each target names, then cut; a Currency travels as its stored
// 64-bit integer, never rescaled. An array property, and a Ptr one, are read and written by
// no accessor.
//
// Every accessor answers a full 0 or 1. A getter given a nil value address, or a nil name,
// answers 0 at once; the value of a getter that answers 0 is left as it was. Strings and
// objects read are new references for the plug-in; those passed to setters stay its own.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The property types as the accessors group them.
enum class PropertyGroup : uint8_t {
  kNone,   // arrays, Ptr, a type without a name: no accessor takes it
  kInt32,  // Integer, Color, Int32
  kUInt32,
  kInt64,  // Int64, Currency
  kUInt64,
  kInt16,
  kShort,  // read as Int16, never written
  kUInt16,
  kUInt8,
  kByte,  // read as UInt8, never written
  kInt8,
  kSingle,
  kDouble,
  kBoolean,  // read and written by the UInt8 accessors alone
  kString,
  kObject,  // any class
};

// What a scan found for one property of one class.
struct PropertyInfo {
  string type;  // the declared type's name; an array's element type name
  void* getter;
  void* setter;
  uint32_t parameter;
  PropertyGroup group;
};

// The object's property of that name, when its class has one whose wanted accessors exist: a
// getter when wantGetter, a setter when wantSetter. A nil object or name finds nothing.
const PropertyInfo* LookupObjectProperty(RuntimeObject* object, const char* name, bool wantGetter,
                                         bool wantSetter);
// How often a class's property table has been scanned (for tests of the cache).
uint32_t PropertyTableScanCount();

extern "C" {
int32_t QUORGetPropValueInt(RuntimeObject* object, const char* name, int32_t* value);
int32_t QUORGetPropValueInt64(RuntimeObject* object, const char* name, int64_t* value);
int32_t QUORGetPropValueUInt64(RuntimeObject* object, const char* name, uint64_t* value);
int32_t QUORGetPropValueUInt32(RuntimeObject* object, const char* name, uint32_t* value);
int32_t QUORGetPropValueUInt16(RuntimeObject* object, const char* name, uint16_t* value);
int32_t QUORGetPropValueInt16(RuntimeObject* object, const char* name, int16_t* value);
int32_t QUORGetPropValueUInt8(RuntimeObject* object, const char* name, uint8_t* value);
int32_t QUORGetPropValueInt8(RuntimeObject* object, const char* name, int8_t* value);
int32_t QUORGetPropValueDouble(RuntimeObject* object, const char* name, double* value);
int32_t QUORGetPropValueSingle(RuntimeObject* object, const char* name, float* value);
int32_t QUORGetPropValueString(RuntimeObject* object, const char* name, stringStorage** value);
int32_t QUORGetPropValueObject(RuntimeObject* object, const char* name, RuntimeObject** value);

int32_t QUORSetPropValueInt(RuntimeObject* object, const char* name, int32_t value);
int32_t QUORSetPropValueUInt32(RuntimeObject* object, const char* name, uint32_t value);
int32_t QUORSetPropValueUInt64(RuntimeObject* object, const char* name, uint64_t value);
int32_t QUORSetPropValueInt64(RuntimeObject* object, const char* name, int64_t value);
int32_t QUORSetPropValueUInt16(RuntimeObject* object, const char* name, uint16_t value);
int32_t QUORSetPropValueInt16(RuntimeObject* object, const char* name, int16_t value);
int32_t QUORSetPropValueUInt8(RuntimeObject* object, const char* name, uint8_t value);
int32_t QUORSetPropValueInt8(RuntimeObject* object, const char* name, int8_t value);
int32_t QUORSetPropValueSingle(RuntimeObject* object, const char* name, float value);
int32_t QUORSetPropValueDouble(RuntimeObject* object, const char* name, double value);
int32_t QUORSetPropValueString(RuntimeObject* object, const char* name, stringStorage* value);
int32_t QUORSetPropValueObject(RuntimeObject* object, const char* name, RuntimeObject* value);
}
