#include "app/PluginServices.h"

#include "app/PluginRegistry.h"
#include "app/RuntimeMain.h"
#include "core/Export.h"
#include "strings/StringFoundation.h"

QV_EXPORT_AS("PluginInterpretConstantValue", RuntimeLockString)

extern "C" stringStorage* PluginDefaultControlFont() {
  return string("System").ExtractStringStorage();
}
QV_EXPORT(PluginDefaultControlFont)

extern "C" stringStorage* PluginDefaultControlCaption() {
  return string("Untitled").ExtractStringStorage();
}
QV_EXPORT(PluginDefaultControlCaption)

extern "C" int32_t PluginDefaultControlFontSize() { return 12; }
QV_EXPORT(PluginDefaultControlFontSize)

extern "C" void PluginMarkSocketUsage() {
  if (PluginRecord* plugin = CurrentPlugin()) plugin->socketUsage = 1;
}
QV_EXPORT(PluginMarkSocketUsage)

extern "C" char** QUORGetCommandLineForUnix() { return gRuntimeArgv; }
QV_EXPORT(QUORGetCommandLineForUnix)
