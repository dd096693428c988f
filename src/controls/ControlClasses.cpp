#include "controls/ControlClasses.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

namespace {

using namespace lang;

// Compiled window code implements these; the class has no functions of its own.
const MethodRow kPaneChildMethods[] = {
    QV_ABSTRACT("_SetWindow", nullptr, Param("w", Class<"Window">)),
    QV_ABSTRACT("Window", Class<"Window">),
    QV_ABSTRACT("_Index", Integer),
    QV_ABSTRACT("_SetIndex", nullptr, Param("index", Integer)),
};

}  // namespace

QV_CLASS(ObjectClassDefinition, .name = "Object")

QV_CLASS(PaneChildClassDefinition,
         .name = "_PaneChild",
         .methods = kPaneChildMethods,
         .isInterface = true)

QV_CLASS(ControlClassDefinition,
         .name = "Control",
         .super = ObjectClassDefinition,
         .objectSize = sizeof(ControlObject))

QV_CLASS(RectControlClassDefinition,
         .name = "RectControl",
         .super = ControlClassDefinition,
         .objectSize = sizeof(ControlObject))

QV_STARTUP_CLASS(kStartupObjectClass, ObjectClassDefinition)
QV_STARTUP_CLASS(kStartupControlClass, ControlClassDefinition)
QV_STARTUP_CLASS(kStartupRectControlClass, RectControlClassDefinition)
QV_STARTUP_CLASS(kStartupPaneChildInterface, PaneChildClassDefinition)
