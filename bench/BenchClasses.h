// For benchmarks that stand in for compiled code: a subclass of a framework class, made as an
// image makes its classes, and a C function put into its event table as a handler.
#pragma once

#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"

namespace qvbench {

inline RuntimeClass* Subclass(ObjectDefinition* definition, const char* name) {
  RuntimeClass* base = RuntimeClassForDefinition(definition);
  RuntimeClass* cls = RuntimeNewClass(base, base->methodCount, base->interfaceCount,
                                      base->eventCount, base->namedMethodCount,
                                      base->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  return cls;
}

inline void SetEvent(RuntimeClass* cls, const char* event, void* handler) {
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string(event)) == 0) {
      cls->eventTable[i].vector = handler;
    }
  }
}

}  // namespace qvbench
