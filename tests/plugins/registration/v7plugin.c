/* A plug-in of interface version 7: the superclass of the version-4 plug-in's class, with
 * 16-byte method entries, and a class that declares one event twice. */
#include "qvplugin.h"

static int32_t Base(void* base) { (void)base; return 7; }

static const QVMethodEntry16 kBaseMethods[] = {{(void*)Base, 0, "Base() As Integer", 0},
                                               {(void*)Base, 0, "Again() As Integer", 0}};
static const QVClassDefinition kBase = {.version = 7, .name = "V7Base", .dataSize = 4,
                                        .methods = kBaseMethods, .methodCount = 2};

static QVEventEntry gEvents[] = {{"Rang(times As Integer)", 0}, {"RANG()", 0}};
static const QVClassDefinition kBell = {.version = 7, .name = "V7Bell", .events = gEvents,
                                        .eventCount = 2};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v7");
  RegisterPluginVersion(7);
  PluginRegisterClass(&kBase);
  PluginRegisterClass(&kBell);
}
