// The class and module registries: every class definition of the class library (and of
// plug-ins) filed under its class name, and the modules (shared members, no instances) in a
// map of their own; names compare ignoring case. The registries do not own the definitions.
//
// Registering also enters the export names of the definition's functions into the export
// registry, so that images and plug-ins link to them by name.
#pragma once

#include "core/ObjectDefinition.h"
#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

// Files the definition under its className; a later registration of the same name replaces
// the earlier one. A nil definition is a failed check.
void RegisterClassDefinition(ObjectDefinition* definition);
// The definition registered under name, or nil (also before the first registration).
ObjectDefinition* LookupClassDefinition(const string& name);
// Tests watch registrations: observer hears of each definition as it is registered. Nil stops
// it. Returns the previous observer.
using ClassRegistrationObserver = void (*)(const ObjectDefinition* definition);
ClassRegistrationObserver SetClassRegistrationObserver(ClassRegistrationObserver observer);
// Counts class registrations, so that a reader can tell whether names it could not resolve
// may resolve now.
uint32_t ClassRegistrationCount();
// Every registered class definition, in no particular order.
SimpleVector<ObjectDefinition*> RegisteredClassDefinitions();
// Reports every way the definition is not a module, then registers it all the same, unless a
// module of its name is registered already: that one stays and this one is refused.
void RegisterModuleDefinition(ObjectDefinition* definition);
ObjectDefinition* LookupModuleDefinition(const string& name);
// Every registered module definition, in no particular order.
SimpleVector<ObjectDefinition*> RegisteredModuleDefinitions();
void DestroyClassRegistry();
void DestroyModuleRegistry();

// A class named by name (kTypeKindClassName) as the definition registered under that name; any
// other type, or a name not registered (yet), unchanged.
const TypeDescriptor* ResolvedType(const TypeDescriptor* type);
inline bool IsClassNameType(const TypeDescriptor* type) {
  return type && type->kind == kTypeKindClassName;
}
// Resolves the parameters' types in place; true when no class name is left unresolved.
bool ResolveParameterTypes(ParameterRecord* parameters, int32_t count);

// Registers the export names of a method row's code record; nil is a failed check ("meth").
void RegisterCodeRecordExport(const CodeRecord* record);
// The definition's methods (records A then B), its items' getters and setters, then its
// initializer and finalizer.
void RegisterDefinitionExports(const ObjectDefinition* definition);
