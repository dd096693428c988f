// Turning class definitions into run-time classes, on first use, and the lookups built on it.
//
// The converter makes the class record (RuntimeNewClass), names it after the definition,
// numbers the events after the parent's, and fills the event, named-method, property and
// interface tables. Each definition is converted once; the pair is cached until exit.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

extern "C" {
RuntimeClass* RuntimeLookupClass(stringStorage* name);
}

// The run-time class of definition, converting it (and its supers first) on first use. A class
// already registered under the definition's name (by the image) stands in for it.
RuntimeClass* RuntimeClassForDefinition(ObjectDefinition* definition);
// A new object of the definition's class with count 1, or nil.
RuntimeObject* NewObjectFromDefinition(ObjectDefinition* definition);
// True when object is an instance of the definition's class, a subclass, or implements it.
bool ObjectIsaDefinition(RuntimeObject* object, ObjectDefinition* definition);
// Exported as ObjectIsaDefinition: 1 or 0.
extern "C" int32_t ObjectIsaDefinitionExport(RuntimeObject* object, ObjectDefinition* definition);
// The same test answering one byte, for callers that keep the answer in a byte field.
uint8_t ObjectIsaDefinitionByte(RuntimeObject* object, ObjectDefinition* definition);
// The function object's class binds to the method name (case ignored) of the interface that
// definition describes, or nil. Names in the table are compared after their first '.' and
// before their first '%' (the compact signature); the class's last entry for the interface
// counts.
void* LookupInterfaceMethod(RuntimeObject* object, ObjectDefinition* definition,
                            const char* name);

// A record whose second word points to the definition to start from.
struct HookHolder {
  uint32_t word;
  ObjectDefinition* definition;
};
// The event implementation that holder's definition chain installs for hook's event, or nil.
// *ownedByStart tells whether it belongs to the starting definition.
ObjectHookInstance* FindHookInstance(const HookHolder* holder, const ObjectHook* hook,
                                     bool* ownedByStart);

// Called through an interface slot whose method no class of the chain implements.
extern "C" void UnimplementedInterfaceMethod();
