/* A plug-in of interface version 2: everything it registers is ignored, and so is a control
 * record of version 2. */
#include "qvplugin.h"

static int32_t Double(int32_t x) { return 2 * x; }

static const QVMethodEntry kMethods[] = {{(void*)Double, 0, "Twice(x As Integer) As Integer"}};
static const QVClassDefinition kClass = {.version = 3, .name = "V2Class"};
static const QVInterfaceDefinition kFace = {4, "V2Face", kMethods, 1};
static const QVModuleDefinition kModule = {4, "V2Module", kMethods, 1};
static const QVMethodDefinition kMethod = {(void*)Double, 0, "V2Double(x As Integer) As Integer"};
static const QVExtensionDefinition kExtension = {
    .version = 3, .className = "Object", .methods = kMethods, .methodCount = 1};
static const QVControlDefinition kKnob = {.version = 2, .name = "V2Knob"};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v2");
  RegisterPluginVersion(2);
  PluginRegisterClass(&kClass);
  PluginRegisterInterface(&kFace);
  PluginRegisterModule(&kModule);
  PluginRegisterMethod(&kMethod);
  PluginRegisterClassExtension(&kExtension);
  PluginRegisterControl(&kKnob);
}
