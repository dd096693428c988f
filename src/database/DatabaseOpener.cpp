#include "database/DatabaseOpener.h"

#include "app/PluginDataSources.h"
#include "app/ResourceManager.h"
#include "core/Startup.h"

namespace {

void InstallDatabaseMaker() { SetResourceObjectMakers({.database = OpenDatabaseOfType}); }

}  // namespace

QV_STARTUP(kStartupDatabaseResourceMaker, InstallDatabaseMaker)

// The data source's two words are the data's address and its length.
RuntimeObject* OpenDatabaseOfType(const string& engineType, const uint8_t* data, uint32_t length) {
  return OpenRegisteredDataSource(engineType.Storage(),
                                  uint32_t(reinterpret_cast<uintptr_t>(data)), length);
}
