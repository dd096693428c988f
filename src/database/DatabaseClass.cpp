// The Database class: readiness, SQL dispatch, commit and rollback with their fallbacks,
// inserting records, the schema and property calls, closing, and the error state.
#include <cstddef>

#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseOpener.h"
#include "database/DatabaseShutdownContext.h"
#include "database/DatabaseStatements.h"

namespace {

SQLFrontEndEntry gSQLFrontEnd = nullptr;

// Open: the engine handle counts. Calls that do not make the database ready (Close, Commit,
// Rollback, the error getters) reach the engine only then, never with a handle it closed.
bool IsOpen(const DatabaseObject* db) { return db && db->opened && db->engine && db->engineHandle; }

void ReplaceString(stringStorage** field, stringStorage* value) {
  stringStorage::AddReference(value);
  stringStorage::RemoveReference(*field);
  *field = value;
}

void ReplaceObject(DatabaseObject** field, DatabaseObject* value) {
  RuntimeLockObject(&value->header);
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(*field));
  *field = value;
}

string WithoutTrailingSemicolons(const string& sql) {
  int32_t length = sql.Length();
  while (length > 0 && sql.Bytes()[length - 1] == ';') --length;
  return left(sql, length);
}

// What dbSelect answered, as the RecordSet it must be, knowing its text and database.
RuntimeObject* AdoptSelectResult(DatabaseObject* db, RuntimeObject* result, stringStorage* sql) {
  if (!result) return nullptr;
  DatabaseCursorObject* rs = AsRecordSet(result);
  if (!QV_CHECK_TEXT(rs, "dbSelect answered a RecordSet", nullptr)) {
    RuntimeUnlockObject(result);
    return nullptr;
  }
  ReplaceString(&rs->sqlText, sql);
  ReplaceObject(&rs->database, db);
  return result;
}

// A statement on a database that is not open did nothing: it says so, as a failed one would.
void RefuseNotOpen(DatabaseObject* db) {
  SetDatabaseError(db, kDatabaseNotOpenError, "The database is not open");
}

// Commit and rollback: the engine's own entry, else the statement through dbExecute. A database
// that never opened (or whose opening or creation failed) has nothing to end and says so; one
// that was closed had its work committed by Close, and one that opens at its first statement
// has begun nothing yet: neither has anything to do.
void EndTransaction(RuntimeObject* database, void (*QUORdbEngineDefinition::*entry)(dbDatabase),
                    const char* statement) {
  DatabaseObject* db = AsDatabase(database);
  if (db && !db->engineHandle && db->lazyLength == 0) RefuseNotOpen(db);
  if (!IsOpen(db)) return;
  if (void (*end)(dbDatabase) = db->engine->*entry) {
    CallEntry(end, db->engineHandle);
  } else if (db->engine->dbExecute) {
    CallEntry(db->engine->dbExecute, db->engineHandle, string(statement).Storage());
  }
}

// A schema call: the engine's answer once the database is ready.
template <typename... Arguments>
RuntimeObject* Schema(RuntimeObject* database,
                      RuntimeObject* (*QUORdbEngineDefinition::*entry)(dbDatabase, Arguments...),
                      Arguments... arguments) {
  DatabaseObject* db = AsDatabase(database);
  if (!MakeDatabaseReady(db)) return nullptr;
  return CallEntry(db->engine->*entry, db->engineHandle, arguments...);
}

}  // namespace

DatabaseObject* AsDatabase(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, DatabaseClassDefinition())) return nullptr;
  return reinterpret_cast<DatabaseObject*>(object);
}

bool MakeDatabaseReady(DatabaseObject* db) {
  if (!db) return false;
  if (db->engineHandle && db->opened) return true;
  if (db->lazyLength == 0) return false;
  RuntimeObject* made = OpenDatabaseOfType(string(db->engineType), db->lazyData, db->lazyLength);
  DatabaseObject* source = AsDatabase(made);
  if (!source) {
    RuntimeUnlockObject(made);
    return false;
  }
  db->engineHandle = source->engineHandle;
  db->engine = source->engine;
  db->opened = 1;
  source->engineHandle = nullptr;
  source->engine = nullptr;
  source->opened = 0;
  RuntimeUnlockObject(made);
  dbShutdownContext::Get()->AddDatabase(&db->header);
  return db->engineHandle != nullptr;
}

void SetDatabaseError(DatabaseObject* db, int32_t code, const char* message) {
  if (!db) return;
  db->errorCode = code;
  const string text(message);
  ReplaceString(&db->errorMessage, text.Storage());
}

void SetSQLFrontEnd(SQLFrontEndEntry entry) { gSQLFrontEnd = entry; }

RuntimeObject* RunSQLFrontEnd(DatabaseObject* db, const string& sql, SQLStatementUse use) {
  return gSQLFrontEnd ? gSQLFrontEnd(db, sql, use) : nullptr;
}

extern "C" {

void DatabaseConstructor(RuntimeObject*) {}  // the four connection strings start as ""
QV_EXPORT(DatabaseConstructor)

void databaseDestructor(RuntimeObject* database) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return;
  databaseClose(database);
  for (stringStorage** field : {&db->engineType, &db->errorMessage, &db->databaseName, &db->host,
                                &db->password, &db->userName}) {
    ReplaceString(field, nullptr);
  }
}
QV_EXPORT(databaseDestructor)

void databaseSQLExecute(RuntimeObject* database, stringStorage* sql) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return;
  db->errorCode = 0;
  if (!MakeDatabaseReady(db)) return RefuseNotOpen(db);
  if (db->engine->dbExecute) {
    CallEntry(db->engine->dbExecute, db->engineHandle, sql);
  } else {
    RuntimeUnlockObject(RunSQLFrontEnd(db, string(sql), SQLStatementUse::kStatement));
  }
}
QV_EXPORT(databaseSQLExecute)

RuntimeObject* databaseSQLSelect(RuntimeObject* database, stringStorage* sql) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return nullptr;
  db->errorCode = 0;
  if (!MakeDatabaseReady(db)) {
    RefuseNotOpen(db);
    return nullptr;
  }
  if (db->engine->dbSelect) {
    return AdoptSelectResult(db, CallEntry(db->engine->dbSelect, db->engineHandle, sql), sql);
  }
  if (!db->engine->dbOpenTable) return nullptr;
  return RunSQLFrontEnd(db, WithoutTrailingSemicolons(string(sql)), SQLStatementUse::kQuery);
}
QV_EXPORT(databaseSQLSelect)

void databaseInsertRecord(RuntimeObject* database, stringStorage* table, RuntimeObject* record) {
  DatabaseObject* db = AsDatabase(database);
  DatabaseRecordObject* columns = AsDatabaseRecord(record);
  if (!columns || !db) return;
  if (!MakeDatabaseReady(db)) return RefuseNotOpen(db);
  if (db->engine->dbInsertRow) {
    CallEntry(db->engine->dbInsertRow, db->engineHandle, table, columns->columns);
    return;
  }
  string statement;
  if (!BuildInsertStatement(string(table), columns->columns, &statement)) {
    SetDatabaseError(db, kInvalidNameError, kInvalidNameMessage);
    return;
  }
  databaseSQLExecute(database, statement.Storage());
}
QV_EXPORT(databaseInsertRecord)

RuntimeObject* databaseTableSchema(RuntimeObject* database) {
  return Schema(database, &QUORdbEngineDefinition::dbTableSchema);
}
QV_EXPORT(databaseTableSchema)

RuntimeObject* databaseFieldSchema(RuntimeObject* database, stringStorage* table) {
  return Schema(database, &QUORdbEngineDefinition::dbFieldSchema, table);
}
QV_EXPORT(databaseFieldSchema)

RuntimeObject* databaseIndexSchema(RuntimeObject* database, stringStorage* table) {
  return Schema(database, &QUORdbEngineDefinition::dbIndexSchema, table);
}
QV_EXPORT(databaseIndexSchema)

void databaseCommit(RuntimeObject* database) {
  EndTransaction(database, &QUORdbEngineDefinition::dbCommit, "commit");
}
QV_EXPORT(databaseCommit)

void databaseRollback(RuntimeObject* database) {
  EndTransaction(database, &QUORdbEngineDefinition::dbRollback, "rollback");
}
QV_EXPORT(databaseRollback)

stringStorage* getDatabaseProperty(RuntimeObject* database, stringStorage* name) {
  DatabaseObject* db = AsDatabase(database);
  if (!MakeDatabaseReady(db)) return nullptr;
  return CallEntry(db->engine->dbProperty, db->engineHandle, name);
}
QV_EXPORT(getDatabaseProperty)

// The engine handle is closed once: the opened flag goes first, and only an open database
// reaches dbClose, however often Close, the destructor and the shutdown context come. What
// went wrong as the engine finished (a commit that found no room) stays as the object's own
// error, readable once the handle is gone.
void databaseClose(RuntimeObject* database) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return;
  dbShutdownContext::CloseCursorsOf(database);
  dbShutdownContext::RemoveDatabase(database);
  const bool open = IsOpen(db);
  db->opened = 0;
  if (!open) return;
  if (const FrameworkEngineDefinition* own = AsFrameworkEngineDefinition(db->engine);
      own && own->dbFinish) {
    own->dbFinish(db->engineHandle);
    if (const int32_t code = CallEntry(db->engine->dbErrorCode, db->engineHandle)) {
      stringStorage* message = CallEntry(db->engine->dbErrorText, db->engineHandle);
      db->errorCode = code;
      ReplaceString(&db->errorMessage, message);
      stringStorage::RemoveReference(message);
    }
  }
  CallEntry(db->engine->dbClose, db->engineHandle);
}
QV_EXPORT(databaseClose)

int32_t DatabaseConnect(RuntimeObject*) { return 0; }
QV_EXPORT(DatabaseConnect)

int32_t databaseErrorCodeGetter(RuntimeObject* database) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return 0;
  if (db->errorCode != 0) return db->errorCode;
  return IsOpen(db) ? CallEntry(db->engine->dbErrorCode, db->engineHandle) : 0;
}
QV_EXPORT(databaseErrorCodeGetter)

stringStorage* databaseErrorStringGetter(RuntimeObject* database) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return nullptr;
  if (db->errorCode != 0) {
    stringStorage::AddReference(db->errorMessage);
    return db->errorMessage;
  }
  return IsOpen(db) ? CallEntry(db->engine->dbErrorText, db->engineHandle) : nullptr;
}
QV_EXPORT(databaseErrorStringGetter)

int32_t databaseErrorGetter(RuntimeObject* database) {
  return databaseErrorCodeGetter(database) != 0 ? 1 : 0;
}
QV_EXPORT(databaseErrorGetter)

void QUORDatabaseSetError(RuntimeObject* database, int32_t code, const char* message) {
  SetDatabaseError(AsDatabase(database), code, message);
}
QV_EXPORT(QUORDatabaseSetError)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kDatabaseProperties[] = {
    QV_READONLY("Error", Boolean, databaseErrorGetter),
    QV_READONLY("ErrorCode", Integer, databaseErrorCodeGetter),
    QV_READONLY("ErrorMessage", String, databaseErrorStringGetter),
    QV_PROPERTY("DatabaseName", String, stringGetter, stringSetter,
                offsetof(DatabaseObject, databaseName)),
    QV_PROPERTY("Host", String, stringGetter, stringSetter, offsetof(DatabaseObject, host)),
    QV_PROPERTY("Password", String, stringGetter, stringSetter,
                offsetof(DatabaseObject, password)),
    QV_PROPERTY("UserName", String, stringGetter, stringSetter,
                offsetof(DatabaseObject, userName)),
};
const MethodRow kDatabaseMethods[] = {
    QV_SUB("SQLExecute", databaseSQLExecute, Param("sqlString", String)),
    QV_FUNCTION("SQLSelect", Class<"RecordSet">, databaseSQLSelect, Param("sqlString", String)),
    QV_SUB("InsertRecord", databaseInsertRecord, Param("tableName", String),
           Param("dbRecord", Class<"DatabaseRecord">)),
    QV_FUNCTION("TableSchema", Class<"RecordSet">, databaseTableSchema),
    QV_FUNCTION("FieldSchema", Class<"RecordSet">, databaseFieldSchema,
                Param("tableName", String)),
    QV_FUNCTION("IndexSchema", Class<"RecordSet">, databaseIndexSchema,
                Param("tableName", String)),
    QV_SUB("Commit", databaseCommit),
    QV_SUB("Rollback", databaseRollback),
    QV_FUNCTION("GetProperty", String, getDatabaseProperty, Param("v", String)),
    QV_SUB("Close", databaseClose),
    QV_FUNCTION("Connect", Boolean, DatabaseConnect),
};

}  // namespace

QV_CLASS(DatabaseClassDefinition,
         .name = "Database",
         .objectSize = sizeof(DatabaseObject),
         .properties = kDatabaseProperties,
         .methods = kDatabaseMethods,
         .initializer = QV_CODE(DatabaseConstructor),
         .finalizer = QV_CODE(databaseDestructor))
