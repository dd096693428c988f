// How plug-ins read a run-time class: its methods (the method table, then the named-method
// table, numbered on from it) with the declaration each signature stands for, and its
// properties with their accessors, a "default" accessor word resolved to the generic field
// accessor of the property's type. The method lookup and the property access by name read
// classes the same way.
//
// A declaration handed out is a new string reference, which the plug-in releases.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "core/TypeNames.h"

// Accessor words of a property entry: none, or the generic accessor of the type.
constexpr uintptr_t kNoAccessor = 0;
constexpr uintptr_t kDefaultAccessor = 1;

struct ClassMethodEntry {
  void* function;
  const char* signature;
};
// The entry at index of the two method tables; false (and nothing written) past their end.
bool ClassMethodAt(const RuntimeClass* cls, int32_t index, ClassMethodEntry* out);

struct ClassPropertyEntry {
  const char* key;  // "Name%code%"
  void* getter;     // resolved: nil when there is none
  void* setter;
  uint32_t parameter;
};
// The entry at index of the property table with its accessors resolved; false past its end.
bool ClassPropertyAt(const RuntimeClass* cls, int32_t index, ClassPropertyEntry* out);

// The generic getter and setter of a type code, for an accessor word of kDefaultAccessor: by
// the code's first letter "b" Boolean, "c" Color and "i" integers (8 and 16 bits, 32 and 64
// bits each the accessors of their width), "f4" Single, "f8" Double, "o" objects, "s"
// strings, "a" arrays; nil for anything else.
void* DefaultPropertyGetter(const char* code);
void* DefaultPropertySetter(const char* code);

extern "C" {
int32_t QUORCountClassMethods(RuntimeClass* cls);
// 1 with the entry's function and declaration (each out-argument may be nil), 0 when the entry
// has no function or signature, or there is no such entry.
int32_t QUORGetClassMethod(RuntimeClass* cls, int32_t index, void** function,
                           stringStorage** declaration);
int32_t QUORCountClassProperties(RuntimeClass* cls);
int32_t QUORGetClassProperty(RuntimeClass* cls, int32_t index, void** getter, void** setter,
                             uint32_t* parameter, stringStorage** declaration);
}
