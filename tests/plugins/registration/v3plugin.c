/* A plug-in of interface version 3: a class with 12-byte method entries, a property and an
 * event, extended by a second method; a global method; a control on Control; an interface and
 * a module, which need version 4. Its background task is registered and unregistered twice. */
#include "qvplugin.h"

typedef struct GadgetData {
  int32_t size;
} GadgetData;

static void GadgetConstruct(void* gadget) { QV_CLASS_DATA(gadget, GadgetData)->size = 10; }
static int32_t GadgetFold(void* gadget, int32_t times) {
  return QV_CLASS_DATA(gadget, GadgetData)->size * times;
}
static int32_t GadgetUnfold(void* gadget) { return -QV_CLASS_DATA(gadget, GadgetData)->size; }
static int32_t Quadruple(int32_t x) { return 4 * x; }

static const QVPropertyRow kGadgetRows[] = {
    {0, "Size", "Integer", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 0, {0}}};
static const QVMethodEntry kGadgetMethods[] = {
    {(void*)GadgetFold, 0, "Fold(times As Integer) As Integer"}};
static QVEventEntry gGadgetEvents[] = {{"Folded(times As Integer)", 0}};
static const QVClassDefinition kGadget = {
    .version = 3, .name = "V3Gadget", .dataSize = sizeof(GadgetData),
    .constructor = (void*)GadgetConstruct, .properties = kGadgetRows, .propertyCount = 1,
    .methods = kGadgetMethods, .methodCount = 1, .events = gGadgetEvents, .eventCount = 1};

static const QVMethodEntry kUnfold[] = {{(void*)GadgetUnfold, 0, "Unfold() As Integer"}};
static const QVExtensionDefinition kExtension = {
    .version = 3, .className = "V3Gadget", .methods = kUnfold, .methodCount = 1};

static const QVMethodDefinition kQuadruple = {(void*)Quadruple, 0,
                                              "V3Quadruple(x As Integer) As Integer"};

static const QVPropertyRow kDialRows[] = {
    {0, "Angle", "Integer", 1, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 0, {0}}};
static const QVControlDefinition kDial = {.version = 3, .name = "V3Dial", .dataSize = 4,
                                          .flags = 4, .properties = kDialRows,
                                          .propertyCount = 1};

static const QVInterfaceDefinition kFace = {3, "V3Face", kUnfold, 1};
static const QVModuleDefinition kModule = {3, "V3Module", kUnfold, 1};

static void Tick(void* data) { (void)data; }

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v3");
  RegisterPluginVersion(3);
  PluginRegisterClass(&kGadget);
  PluginRegisterClassExtension(&kExtension);
  PluginRegisterMethod(&kQuadruple);
  PluginRegisterControl(&kDial);
  PluginRegisterInterface(&kFace);
  PluginRegisterModule(&kModule);
  const int32_t first = PluginRegisterBackgroundTask(Tick, 60, 0);
  PluginUnregisterBackgroundTask(first);
  PluginUnregisterBackgroundTask(first);
  const int32_t second = PluginRegisterBackgroundTask(Tick, 60, 0);
  dprintf(1, "v3 tasks %d %d\n", (int)first, (int)second);
  PluginUnregisterBackgroundTask(second);
}
