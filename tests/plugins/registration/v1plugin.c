/* A plug-in of interface version 1 (it sets none): a global method in the old form, named by
 * its row of the export table; a control in the old record layout; a class, which version 1
 * cannot register. */
#include "qvplugin.h"

static int32_t Triple(int32_t x) { return 3 * x; }

static const QVExportRow kExports[] = {{"Unused", 0, 0}, {"Triple", (void*)Triple, 0}};
static const QVMethodDefinition kTriple = {(void*)1, 0, "V1Triple(x As Integer) As Integer"};

typedef struct KnobData {
  int32_t turns;
  int32_t tint;
} KnobData;

static void KnobConstruct(void* knob) { QV_CONTROL_DATA(knob, KnobData)->turns = 7; }
static void KnobDestruct(void* knob) { (void)knob; }
static int32_t KnobTurns(void* knob) { return QV_CONTROL_DATA(knob, KnobData)->turns; }

static void* const kKnobBehaviour[] = {(void*)KnobConstruct, (void*)KnobDestruct};
static const QVPropertyRowV1 kKnobRows[] = {{0, "Turns", "Integer", 1, 0},
                                            {0, "Tint", "Color", 0, 4}};
static const QVMethodEntry kKnobMethods[] = {{(void*)KnobTurns, 0, "CurrentTurns() As Integer"}};
static const QVControlDefinitionV1 kKnob = {
    .version = 1, .name = "V1Knob", .dataSize = sizeof(KnobData), .properties = kKnobRows,
    .propertyCount = 2, .methods = kKnobMethods, .methodCount = 1, .behaviour = kKnobBehaviour};

static const QVClassDefinition kTooEarly = {.version = 3, .name = "V1Class"};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v1");
  RegisterPluginExports(kExports);
  PluginRegisterMethod(&kTriple);
  PluginRegisterControl(&kKnob);
  PluginRegisterClass(&kTooEarly);
}
