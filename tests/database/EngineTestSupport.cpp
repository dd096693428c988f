#include "EngineTestSupport.h"

#include <dlfcn.h>
#include <strings.h>

#include <cstring>
#include <sstream>

#include "app/PluginDataSources.h"
#include "app/PluginLoader.h"
#include "database/DatabaseOpener.h"
#include "database/DatabasePlugins.h"

namespace dbtest {

namespace {

struct LoadedPlugin {
  const char* (*log)() = nullptr;
  void (*clear)() = nullptr;
  void (*limitOpens)(int) = nullptr;
};

// The framework's own lookup, except that RegisterDataSource is reached here whether or not
// the framework exports it to plug-ins yet.
void RegisterDataSourceForPlugin(const char* name, DataSourceOpener open) {
  RegisterDataSource(name, open);
}

void* Lookup(const char* name) {
  if (strcasecmp(name, "RegisterDataSource") == 0) {
    return reinterpret_cast<void*>(&RegisterDataSourceForPlugin);
  }
  return PluginLookupCallback(name);
}

const LoadedPlugin& Plugin() {
  static LoadedPlugin plugin = [] {
    LoadedPlugin loaded;
    void* library = dlopen(TEST_ENGINE, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      ADD_FAILURE() << dlerror();
      return loaded;
    }
    auto main = reinterpret_cast<void (*)(void* (*)(const char*))>(
        dlsym(library, "QUORPluginMain"));
    loaded.log = reinterpret_cast<const char* (*)()>(dlsym(library, "TestEngineLog"));
    loaded.clear = reinterpret_cast<void (*)()>(dlsym(library, "TestEngineClearLog"));
    loaded.limitOpens =
        reinterpret_cast<void (*)(int)>(dlsym(library, "TablesEngineLimitOpens"));
    if (main) main(&Lookup);
    return loaded;
  }();
  return plugin;
}

// --- The fake engine's entries --------------------------------------------------------------

void FakeDbClose(dbDatabase db) { FakeEngine::Of(db)->calls.push_back("dbClose"); }

void FakeDbExecute(dbDatabase db, stringStorage* sql) {
  FakeEngine::Of(db)->calls.push_back(std::string("dbExecute ") + stringStorage::CString(sql));
}

void FakeCurClose(dbCursor cur) { FakeEngine::Of(cur)->calls.push_back("curClose"); }

int32_t FakeCurColumnCount(dbCursor) { return 1; }

stringStorage* FakeCurColumnName(dbCursor, int32_t) {
  return string("name").ExtractStringStorage();
}

int32_t FakeCurRowCount(dbCursor cur) { return FakeEngine::Of(cur)->rowCount; }

void FakeCurColumnValue(dbCursor cur, int32_t, const void** data, uint8_t* type,
                        int32_t* length) {
  FakeEngine* e = FakeEngine::Of(cur);
  ++e->valuesOut;
  e->heldText = e->rows.at(size_t(e->row));
  *data = e->heldText.data();
  *type = kColumnText;
  *length = int32_t(e->heldText.size());
}

void FakeCurReleaseValue(dbCursor cur) { --FakeEngine::Of(cur)->valuesOut; }

uint8_t FakeCurNextRow(dbCursor cur) {
  FakeEngine* e = FakeEngine::Of(cur);
  if (e->row < e->rowCount) ++e->row;
  return e->row < e->rowCount ? 1 : 0;
}

}  // namespace

RuntimeObject* TestEnginePlugin::Open(const char* variant) {
  Plugin();
  return OpenDatabaseOfType(string("TestEngine"), reinterpret_cast<const uint8_t*>(variant),
                            uint32_t(std::strlen(variant)));
}

std::string TestEnginePlugin::Log() {
  const LoadedPlugin& plugin = Plugin();
  return plugin.log ? plugin.log() : "";
}

void TestEnginePlugin::Clear() {
  const LoadedPlugin& plugin = Plugin();
  if (plugin.clear) plugin.clear();
}

void TestEnginePlugin::LimitOpens(int count) {
  const LoadedPlugin& plugin = Plugin();
  ASSERT_NE(plugin.limitOpens, nullptr);
  plugin.limitOpens(count);
}

std::vector<std::string> TestEnginePlugin::Lines(const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream log(Log());
  for (std::string line; std::getline(log, line);) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

FakeEngine::FakeEngine() {
  engine.version = kDatabaseTableVersion;
  engine.dbClose = FakeDbClose;
  engine.dbExecute = FakeDbExecute;
  cursor.version = kDatabaseTableVersion;
  cursor.curClose = FakeCurClose;
  cursor.curColumnCount = FakeCurColumnCount;
  cursor.curColumnName = FakeCurColumnName;
  cursor.curRowCount = FakeCurRowCount;
  cursor.curColumnValue = FakeCurColumnValue;
  cursor.curReleaseValue = FakeCurReleaseValue;
  cursor.curNextRow = FakeCurNextRow;
}

FakeEngine::~FakeEngine() { EXPECT_EQ(valuesOut, 0) << "every value read was released"; }

RuntimeObject* FakeEngine::OpenDatabase() { return QUORdbDatabaseFromDBDatabase(this, &engine); }

RuntimeObject* FakeEngine::NewCursor(const std::vector<std::string>& values) {
  rows = values;
  rowCount = int32_t(values.size());
  row = -1;
  return QUORdbCursorFromDBCursor(this, &cursor);
}

}  // namespace dbtest
