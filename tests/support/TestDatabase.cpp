#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include "database/DatabaseClasses.h"
#include "files/FolderItemClass.h"
#include "strings/RuntimeString.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);

namespace qvtest {

void ExecSQL(RuntimeObject* database, const std::string& sql) {
  databaseSQLExecute(database, string(sql.c_str()).Storage());
  EXPECT_EQ(databaseErrorCodeGetter(database), 0) << sql;
}

RuntimeObject* NewBuiltInDatabase(const std::string& path,
                                  std::initializer_list<std::string> statements) {
  RuntimeObject* item = FolderItemFromPath(path.c_str());
  RuntimeObject* database = newQUORDatabase(item);
  RuntimeUnlockObject(item);
  if (!database) {
    ADD_FAILURE() << "no database made at " << path;
    return nullptr;
  }
  for (const std::string& sql : statements) ExecSQL(database, sql);
  databaseCommit(database);
  return database;
}

void CloseDatabase(RuntimeObject*& database) {
  if (!database) return;
  databaseClose(database);
  RuntimeUnlockObject(database);
  database = nullptr;
}

}  // namespace qvtest
