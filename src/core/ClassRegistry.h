// The class registry: every class definition of the class library (and of plug-ins) filed
// under its class name, compared ignoring case. The registry does not own the definitions.
#pragma once

#include "core/ObjectDefinition.h"
#include "strings/RuntimeString.h"

// Files the definition under its className; a later registration of the same name replaces
// the earlier one. A nil definition is a failed check.
void RegisterClassDefinition(ObjectDefinition* definition);
// The definition registered under name, or nil.
ObjectDefinition* LookupClassDefinition(const string& name);
