// The root class "Object", the interface _PaneChild, and "Control" with its subclass
// "RectControl", the classes every control builds on; each registers itself at start-up
// (StartupOrder.h holds their places).
//
// Control and RectControl stand here with the control record (windows/ControlRecord.h), which
// plug-in controls build on, and the events windows raise on controls; their properties and
// methods come with the controls that need them.
#pragma once

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

ObjectDefinition* ObjectClassDefinition();
ObjectDefinition* PaneChildClassDefinition();
ObjectDefinition* ControlClassDefinition();
ObjectDefinition* RectControlClassDefinition();
