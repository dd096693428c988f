// Builds run-time classes the way compiled code does (RuntimeNewClass, then filling name, size,
// functions and tables), with constructors, destructors and finalizers that record their calls.
#pragma once

#include <string>
#include <vector>

#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

namespace qvtest {

// Every recording function appends "<kind><level>" (for example "ctor0", "dtor2", "fin1").
std::vector<std::string>& CallLog();

template <int Level>
void RecordConstructor(RuntimeObject*) {
  CallLog().push_back("ctor" + std::to_string(Level));
}
template <int Level>
void RecordDestructor(RuntimeObject*) {
  CallLog().push_back("dtor" + std::to_string(Level));
}
template <int Level>
void RecordFinalizer(RuntimeObject*) {
  CallLog().push_back("fin" + std::to_string(Level));
}

struct ClassShape {
  int32_t methods = 0;
  int32_t interfaces = 0;
  int32_t events = 0;
  int32_t namedMethods = 0;
  int32_t properties = 0;
};

// A class named name under parent, sized to hold extraFields 32-bit words after the header.
RuntimeClass* MakeClass(RuntimeClass* parent, const char* name, int32_t extraFields = 0,
                        ClassShape shape = {});
// An interface class (no objects) with methodCount slots in its vtables.
RuntimeClass* MakeInterface(const char* name);
// Adds interface to cls's first free interface entry, with a vtable of functions.
void ImplementInterface(RuntimeClass* cls, int32_t entry, RuntimeClass* interface,
                        const std::vector<void*>& functions);
// A string record (one reference, owned by the caller) for names in tables.
stringStorage* NewName(const char* text);

// The instance word after the header, 0-based.
inline uint32_t& Field(RuntimeObject* object, int32_t index) {
  return reinterpret_cast<uint32_t*>(object + 1)[index];
}

}  // namespace qvtest
