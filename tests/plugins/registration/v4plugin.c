/* A plug-in of interface version 4: two interfaces, a module, and a class that implements both
 * interfaces and derives from a class that a later plug-in (version 7) registers. */
#include "qvplugin.h"

static int32_t Spin(void* child) { (void)child; return 360; }
static int32_t Twice(int32_t x) { return 2 * x; }

static const QVMethodEntry kSpin[] = {{0, 0, "Spin() As Integer"}};
static const QVMethodEntry kWobble[] = {{0, 0, "Wobble() As Integer"}};
static const QVInterfaceDefinition kSpinner = {4, "V4Spinner", kSpin, 1};
static const QVInterfaceDefinition kWobbler = {4, "V4Wobbler", kWobble, 1};

static const QVMethodEntry kModuleMethods[] = {{(void*)Twice, 0, "Twice(x As Integer) As Integer"}};
static const QVModuleDefinition kModule = {4, "V4Module", kModuleMethods, 1};

static const QVMethodEntry kChildMethods[] = {{(void*)Spin, 0, "Spin() As Integer"},
                                              {(void*)Spin, 0, "Wobble() As Integer"}};
static const QVClassDefinition kChild = {.version = 4, .name = "V4Child", .superName = "V7Base",
                                         .methods = kChildMethods, .methodCount = 2,
                                         .interfaces = "V4Spinner,V4Wobbler"};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v4");
  RegisterPluginVersion(4);
  PluginRegisterClass(&kChild);
  PluginRegisterInterface(&kSpinner);
  PluginRegisterInterface(&kWobbler);
  PluginRegisterModule(&kModule);
}
