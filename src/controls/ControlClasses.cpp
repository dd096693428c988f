#include "controls/ControlClasses.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

// Compiled window code implements these; the class has no functions of its own.
const MethodRow kPaneChildMethods[] = {
    QV_ABSTRACT("_SetWindow", nullptr, Param("w", Class<"Window">)),
    QV_ABSTRACT("Window", Class<"Window">),
    QV_ABSTRACT("_Index", Integer),
    QV_ABSTRACT("_SetIndex", nullptr, Param("index", Integer)),
};

constexpr const char* kDrag = "obj As DragItem, action As Integer";

const EventRow kControlEvents[] = {
    QV_EVENT("CreatePane", &ControlClasses().createPane),
    QV_EVENT("Open", &ControlClasses().open),
    QV_EVENT("Close", &ControlClasses().close),
};

const EventRow kRectControlEvents[] = {
    QV_EVENT("MouseMove", &ControlClasses().mouseMove, "X As Integer, Y As Integer"),
    QV_EVENT("MouseEnter", &ControlClasses().mouseEnter),
    QV_EVENT("MouseExit", &ControlClasses().mouseExit),
    QV_EVENT("DropObject", &ControlClasses().dropObject, kDrag),
    QV_EVENT("MouseWheel", &ControlClasses().mouseWheel,
             "X As Integer, Y As Integer, deltaX as Integer, deltaY as Integer", "Boolean"),
    QV_EVENT("ConstructContextualMenu", &ControlClasses().constructContextualMenu,
             "base as MenuItem, x as Integer, y as Integer", "Boolean"),
    QV_EVENT("ContextualMenuAction", &ControlClasses().contextualMenuAction,
             "hitItem as MenuItem", "Boolean"),
    QV_EVENT("DragEnter", &ControlClasses().dragEnter, kDrag, "Boolean"),
    QV_EVENT("DragExit", &ControlClasses().dragExit, kDrag),
    QV_EVENT("DragOver", &ControlClasses().dragOver,
             "x As Integer, y As Integer, obj As DragItem, action As Integer", "Boolean"),
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
         .objectSize = sizeof(ControlObject),
         .events = kControlEvents)

QV_CLASS(RectControlClassDefinition,
         .name = "RectControl",
         .super = ControlClassDefinition,
         .objectSize = sizeof(ControlObject),
         .events = kRectControlEvents)

// Windows tell controls apart by this class (windows/ControlRecord.h).
QV_STARTUP(kStartupControlClassLink,
           +[] { ControlClasses().controlClass = ControlClassDefinition; })

QV_STARTUP_CLASS(kStartupObjectClass, ObjectClassDefinition)
QV_STARTUP_CLASS(kStartupControlClass, ControlClassDefinition)
QV_STARTUP_CLASS(kStartupRectControlClass, RectControlClassDefinition)
QV_STARTUP_CLASS(kStartupWindowClass, WindowClassDefinition)
QV_STARTUP_CLASS(kStartupPaneChildInterface, PaneChildClassDefinition)
