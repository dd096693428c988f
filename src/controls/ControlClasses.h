// The root class "Object" and the interface _PaneChild; both register themselves at start-up
// (StartupOrder.h holds their places).
#pragma once

#include "core/ObjectDefinition.h"

ObjectDefinition* ObjectClassDefinition();
ObjectDefinition* PaneChildClassDefinition();
