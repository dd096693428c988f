#include "image/DataSources.h"
#include "core/Export.h"

namespace {

struct DataSourceEntry {
  DataSourceEntry* next;  // older registrations
  string typeName;        // ASCII
  DataSourceOpener open;
};

// Entries are never freed: plug-ins may register until the last moment.
DataSourceEntry* gNewestDataSource = nullptr;

}  // namespace

void RegisterDataSource(const char* typeName, DataSourceOpener open) {
  gNewestDataSource = new DataSourceEntry{gNewestDataSource, string(typeName), open};
}
QV_EXPORT(RegisterDataSource)

RuntimeObject* OpenRegisteredDataSource(const string& typeName, uint32_t first, uint32_t second) {
  for (DataSourceEntry* entry = gNewestDataSource; entry; entry = entry->next) {
    if (entry->typeName.Compare(typeName) == 0)
      return entry->open ? entry->open(first, second) : nullptr;
  }
  return nullptr;
}
