#include "database/DatabaseOpener.h"

#include "app/PluginDataSources.h"
#include "app/ResourceManager.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "database/DatabaseClasses.h"

namespace {

BuiltInDatabaseOpener gBuiltInOpener = nullptr;

void InstallDatabaseMaker() { SetResourceObjectMakers({.database = OpenDatabaseOfType}); }

}  // namespace

QV_STARTUP(kStartupDatabaseResourceMaker, InstallDatabaseMaker)

void SetBuiltInDatabaseOpener(BuiltInDatabaseOpener opener) { gBuiltInOpener = opener; }

// A data source's two words are the data's address and its length.
RuntimeObject* OpenDatabaseOfType(const string& engineType, const uint8_t* data, uint32_t length) {
  RuntimeObject* opened = nullptr;
  if (engineType.Compare(string("quordb")) == 0) {
    opened = gBuiltInOpener ? gBuiltInOpener(data, length) : nullptr;
  } else {
    opened = OpenRegisteredDataSource(engineType.Storage(),
                                      uint32_t(reinterpret_cast<uintptr_t>(data)), length);
  }
  if (!opened) return nullptr;
  DatabaseObject* database = AsDatabase(opened);
  if (!QV_CHECK_TEXT(database, "the engine opened a Database", nullptr)) {
    RuntimeUnlockObject(opened);
    return nullptr;
  }
  database->opened = 1;
  return opened;
}

extern "C" RuntimeObject* RuntimeGetDatabaseFromResource(int32_t id) {
  return TheResourceManager().GetDatabase(uint16_t(id));
}
QV_EXPORT(RuntimeGetDatabaseFromResource)
