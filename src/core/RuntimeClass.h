// Run-time classes: making them, the process-wide class list, and the type tests and casts
// that compiled code calls on objects.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
// A zero-filled class record linked at the head of the class list, its tables in the same
// block, each starting with a copy of the parent's entries. Nil when the counts do not fit.
RuntimeClass* RuntimeNewClass(RuntimeClass* parent, int32_t methodCount, int32_t interfaceCount,
                              int32_t eventCount, int32_t namedMethodCount,
                              int32_t propertyCount);
// count uninitialised two-word entries for an interface's method table; nil for count < 1.
NamedMethodEntry* RuntimeNewVtable(int32_t count);
// Puts a class record that the caller built at the head of the class list.
void RuntimeRegisterClass(RuntimeClass* cls);
RuntimeClass* FirstRegisteredClass();
void SetFirstRegisteredClass(RuntimeClass* cls);

int32_t RuntimeObjectIsa(RuntimeObject* object, RuntimeClass* cls);
RuntimeObject* RuntimeCheckCast(RuntimeObject* object, RuntimeClass* cls);
NamedMethodEntry* RuntimeLookupInterfaceVtable(RuntimeObject* object, RuntimeClass* interface);
}

// The entry of cls's interface table that names interface, or nil.
const InterfaceTableEntry* FindInterfaceEntry(const RuntimeClass* cls,
                                              const RuntimeClass* interface);
