// Builds run-time classes the way compiled code does: RuntimeNewClass, then name and size.
#pragma once

#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

namespace qvtest {

struct ClassShape {
  int32_t methods = 0, interfaces = 0, events = 0, namedMethods = 0, properties = 0;
};

// A string record (one reference, owned by the caller) for names in tables.
stringStorage* NewName(const char* text);
// A class named name under parent, sized to hold extraFields 32-bit words after the header.
RuntimeClass* MakeClass(RuntimeClass* parent, const char* name, int32_t extraFields = 0,
                        ClassShape shape = {});
// An interface class (no objects).
RuntimeClass* MakeInterface(const char* name);

// The instance word after the header, 0-based.
inline uint32_t& Field(RuntimeObject* object, int32_t index) {
  return reinterpret_cast<uint32_t*>(object + 1)[index];
}

}  // namespace qvtest
