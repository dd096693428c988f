// The database half of the plug-in interface: engines register their tables (keeping no list:
// an engine is reached only through the tables its objects carry), wrap their handles into
// language objects that the shutdown context closes at exit, fill a Database that compiled
// code made, and read a database's connection strings and handles.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "database/DatabaseEngine.h"

extern "C" {
void PluginRegisterDBEngine(QUORdbEngineDefinition* definition);
void PluginRegisterDBCursor(QUORdbCursorDefinition* definition);
// A new RecordSet on the first row (BOF and EOF both set for an empty result), or nil for a
// null handle.
RuntimeObject* QUORdbCursorFromDBCursor(dbCursor handle, const QUORdbCursorDefinition* cursor);
// A new open Database, or nil for a null handle.
RuntimeObject* QUORdbDatabaseFromDBDatabase(dbDatabase handle,
                                            const QUORdbEngineDefinition* engine);
void QUORConstructDBDatabase(RuntimeObject* database, dbDatabase handle,
                             const QUORdbEngineDefinition* engine);
void QUORSetDBIsConnected(RuntimeObject* database, int32_t connected);
// The connection strings, each with a reference for the caller.
stringStorage* QUORGetDBHost(RuntimeObject* database);
stringStorage* QUORGetDBDatabaseName(RuntimeObject* database);
stringStorage* QUORGetDBUserName(RuntimeObject* database);
stringStorage* QUORGetDBPassword(RuntimeObject* database);
// The engine handle of a RecordSet or a Database (the same word in both).
void* QUORGetCursorFromQUORdbCursor(RuntimeObject* object);
void* QUORGetDBFromQUORdbDatabase(RuntimeObject* object);
}
