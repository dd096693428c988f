// What plug-in engines call: registering their tables, wrapping their handles into Database and
// RecordSet objects, filling a Database that compiled code made, and reading a database's
// connection strings and handles.
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DatabaseClasses.h"
#include "database/DatabasePlugins.h"
#include "database/DatabaseShutdownContext.h"

namespace {

// The byte that registration writes into a table's registration word.
constexpr uint8_t kRegistrationByte = 0;

stringStorage* Retained(stringStorage* text) {
  stringStorage::AddReference(text);
  return text;
}

// The word both classes keep their engine handle in.
void* EngineHandleOf(RuntimeObject* object) {
  if (DatabaseObject* db = AsDatabase(object)) return db->engineHandle;
  if (DatabaseCursorObject* rs = AsRecordSet(object)) return rs->cursorHandle;
  return nullptr;
}

// A Database's connection string with a reference for the caller.
stringStorage* ConnectionString(RuntimeObject* database, stringStorage* DatabaseObject::*field) {
  DatabaseObject* db = AsDatabase(database);
  return db ? Retained(db->*field) : nullptr;
}

// The first row made current as MoveNext makes it, so that EOF says whether there was one and
// BOF keeps that answer; the row counter is 1 afterwards.
void MoveToFirstRow(DatabaseCursorObject* rs) {
  rs->rowCounter = 0;
  cursorMoveNext(&rs->header);
  rs->bof = rs->eof;
}

}  // namespace

bool RestartRecordSet(RuntimeObject* recordSet, void* conditions,
                      const ConditionWholes* wholes) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  const FrameworkCursorDefinition* table = rs ? AsFrameworkCursorDefinition(rs->cursor) : nullptr;
  if (!IsCursorOpen(rs) || !table || !table->curRestart ||
      !table->curRestart(rs->cursorHandle, conditions, wholes))
    return false;
  rs->editing = 0;
  MoveToFirstRow(rs);
  return true;
}

void MarkFrameworkCursorDefinition(QUORdbCursorDefinition* definition) {
  if (definition) definition->registration = kFrameworkCursorMark;
}

void MarkFrameworkCursorDefinition(FrameworkCursorDefinition* definition) {
  if (definition) definition->table.registration = kFrameworkCursorExtendedMark;
}

void MarkFrameworkEngineDefinition(FrameworkEngineDefinition* definition) {
  if (definition) definition->table.registration = kFrameworkEngineMark;
}

extern "C" {

void PluginRegisterDBEngine(QUORdbEngineDefinition* definition) {
  if (!definition) return;
  definition->registration = (definition->registration & ~0xFFu) | kRegistrationByte;
}
QV_EXPORT(PluginRegisterDBEngine)

void PluginRegisterDBCursor(QUORdbCursorDefinition* definition) {
  if (definition) definition->registration = kRegistrationByte;
}
QV_EXPORT(PluginRegisterDBCursor)

RuntimeObject* QUORdbCursorFromDBCursor(dbCursor handle, const QUORdbCursorDefinition* cursor) {
  if (!handle) return nullptr;
  RuntimeObject* object = NewObjectFromDefinition(RecordSetClassDefinition());
  if (!object) return nullptr;
  auto* rs = reinterpret_cast<DatabaseCursorObject*>(object);
  rs->cursorHandle = handle;
  rs->cursor = cursor;
  MoveToFirstRow(rs);
  dbShutdownContext::Get()->AddCursor(object);
  return object;
}
QV_EXPORT(QUORdbCursorFromDBCursor)

RuntimeObject* QUORdbDatabaseFromDBDatabase(dbDatabase handle,
                                            const QUORdbEngineDefinition* engine) {
  if (!handle) return nullptr;
  RuntimeObject* object = NewObjectFromDefinition(DatabaseClassDefinition());
  if (!object) return nullptr;
  QUORConstructDBDatabase(object, handle, engine);
  return object;
}
QV_EXPORT(QUORdbDatabaseFromDBDatabase)

void QUORConstructDBDatabase(RuntimeObject* database, dbDatabase handle,
                             const QUORdbEngineDefinition* engine) {
  DatabaseObject* db = AsDatabase(database);
  if (!db) return;
  db->engineHandle = handle;
  db->engine = engine;
  db->opened = 1;
  dbShutdownContext::Get()->AddDatabase(database);
}
QV_EXPORT(QUORConstructDBDatabase)

void QUORSetDBIsConnected(RuntimeObject* database, int32_t connected) {
  if (DatabaseObject* db = AsDatabase(database)) db->opened = connected ? 1 : 0;
}
QV_EXPORT(QUORSetDBIsConnected)

stringStorage* QUORGetDBHost(RuntimeObject* database) {
  return ConnectionString(database, &DatabaseObject::host);
}
QV_EXPORT(QUORGetDBHost)

stringStorage* QUORGetDBDatabaseName(RuntimeObject* database) {
  return ConnectionString(database, &DatabaseObject::databaseName);
}
QV_EXPORT(QUORGetDBDatabaseName)

stringStorage* QUORGetDBUserName(RuntimeObject* database) {
  return ConnectionString(database, &DatabaseObject::userName);
}
QV_EXPORT(QUORGetDBUserName)

stringStorage* QUORGetDBPassword(RuntimeObject* database) {
  return ConnectionString(database, &DatabaseObject::password);
}
QV_EXPORT(QUORGetDBPassword)

void* QUORGetCursorFromQUORdbCursor(RuntimeObject* object) { return EngineHandleOf(object); }
QV_EXPORT(QUORGetCursorFromQUORdbCursor)

void* QUORGetDBFromQUORdbDatabase(RuntimeObject* object) { return EngineHandleOf(object); }
QV_EXPORT(QUORGetDBFromQUORdbDatabase)

}  // extern "C"
