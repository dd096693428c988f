#include "controls/ControlClasses.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"
#include "core/IntrinsicTypes.h"

// The window class belongs to the window layer, which may not be linked in yet; until it is,
// _PaneChild's Window-typed members carry no type.
ObjectDefinition* WindowClassDefinition() __attribute__((weak));

namespace {

const TypeDescriptor* WindowType() {
  return WindowClassDefinition ? WindowClassDefinition()->AsType() : nullptr;
}

ParameterRow gSetWindowParameters[] = {
    {"w", nullptr, 0, 0, 0, 0, {}},
};
ParameterRow gSetIndexParameters[] = {
    {"index", nullptr, 0, 0, 0, 0, {}},
};

MethodRow gPaneChildMethods[] = {
    {"_SetWindow", nullptr, gSetWindowParameters, 1, {}, {}, kMethodPlain, 0, 0},
    {"Window", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
    {"_Index", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
    {"_SetIndex", nullptr, gSetIndexParameters, 1, {}, {}, kMethodPlain, 0, 0},
};

// Types that are other classes or intrinsic records are known only at run time.
void FillPaneChildRows() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  gSetWindowParameters[0].parameterType = WindowType();
  gPaneChildMethods[1].returnType = WindowType();
  gPaneChildMethods[2].returnType = IntrinsicType(kIntrinsicInteger);
  gSetIndexParameters[0].parameterType = IntrinsicType(kIntrinsicInteger);
}

}  // namespace

ObjectDefinition* ObjectClassDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "Object";
  definition.objectSize = 24;
  definition.isRoot = 1;
  definition.isStatic = 1;
  return &definition;
}

ObjectDefinition* PaneChildClassDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "_PaneChild";
  definition.isInterface = 1;
  FillPaneChildRows();
  AddClassMethods(&definition, gPaneChildMethods, 4);
  definition.isStatic = 1;
  return &definition;
}

QV_STARTUP_CLASS(kStartupObjectClass, ObjectClassDefinition)
QV_STARTUP_CLASS(kStartupPaneChildInterface, PaneChildClassDefinition)
