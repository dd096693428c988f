// The root class "Object", the interface _PaneChild, and the start-up registration of the
// control classes (and of the other framework classes registered with them).
#pragma once

#include "core/ObjectDefinition.h"

ObjectDefinition* ObjectClassDefinition();
ObjectDefinition* PaneChildClassDefinition();

// Registers every class definition of the list below with the class registry, in order; each
// getter builds its definition (supers first) on the way.
void RegisterControlClasses();
