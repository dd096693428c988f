/* A plug-in of interface version 9: a class whose record also lists a second set of
 * properties and methods. */
#include "qvplugin.h"

typedef struct WideData {
  int32_t first, second;
} WideData;

static void WideConstruct(void* wide) {
  QV_CLASS_DATA(wide, WideData)->first = 1;
  QV_CLASS_DATA(wide, WideData)->second = 2;
}
static int32_t First(void* wide) { return QV_CLASS_DATA(wide, WideData)->first; }
static int32_t Second(void* wide) { return QV_CLASS_DATA(wide, WideData)->second; }

static const QVPropertyRow kRows[] = {
    {0, "A", "Integer", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 0, {0}}};
static const QVPropertyRow kMoreRows[] = {
    {0, "B", "Integer", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 4, {0}}};
static const QVMethodEntry16 kMethods[] = {{(void*)First, 0, "First() As Integer", 0}};
static const QVMethodEntry16 kMoreMethods[] = {{(void*)Second, 0, "Second() As Integer", 0}};
static const QVClassDefinition kWide = {
    .version = 9, .name = "V9Wide", .dataSize = sizeof(WideData),
    .constructor = (void*)WideConstruct, .properties = kRows, .propertyCount = 1,
    .methods = kMethods, .methodCount = 1, .moreProperties = kMoreRows, .morePropertyCount = 1,
    .moreMethods = kMoreMethods, .moreMethodCount = 1};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  QV_SAY_ENTRY("v9");
  RegisterPluginVersion(9);
  PluginRegisterClass(&kWide);
}
