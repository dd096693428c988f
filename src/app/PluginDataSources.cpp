#include "app/PluginDataSources.h"

#include "app/PluginRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"

namespace {

struct DataSourceEntry {
  DataSourceEntry* next;  // older registrations
  PluginRecord* plugin;   // being registered when the entry was made, or nil
  string typeName;        // ASCII
  DataSourceOpener open;
};

// Entries are never freed: plug-ins may register until the last moment.
DataSourceEntry* gPluginDataSourceList = nullptr;

}  // namespace

extern "C" void RegisterDataSource(const char* typeName, DataSourceOpener open) {
  gPluginDataSourceList =
      new DataSourceEntry{gPluginDataSourceList, CurrentPlugin(), string(typeName), open};
}
QV_EXPORT(RegisterDataSource)

extern "C" RuntimeObject* OpenRegisteredDataSource(stringStorage* typeName, uint32_t first,
                                                   uint32_t second) {
  const string name(typeName);
  for (DataSourceEntry* entry = gPluginDataSourceList; entry; entry = entry->next) {
    if (entry->typeName.Compare(name) != 0) continue;
    CompiledCall call;
    return call.Invoke<RuntimeObject*>(reinterpret_cast<const void*>(entry->open), first, second);
  }
  return nullptr;
}
QV_EXPORT(OpenRegisteredDataSource)

extern "C" void RegisterDataSourceInterface() {}
QV_EXPORT(RegisterDataSourceInterface)

extern "C" void DesignAddDataSource() {}
QV_EXPORT(DesignAddDataSource)
