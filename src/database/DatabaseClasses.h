// The language classes through which compiled code uses databases: Database (a connection to
// one engine), DatabaseCursor and its subclass RecordSet (a result set with a current row),
// DatabaseCursorField and its subclass DatabaseField (one column of the current row, with typed
// getters and setters), and DatabaseRecord (named column values to insert). Every operation
// reaches the engine through the tables of DatabaseEngine.h.
//
// Failures never raise: a missing object, table or entry answers the neutral value, and the
// engine's errors are read back through ErrorCode and ErrorMessage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "database/DatabaseEngine.h"
#include "strings/RuntimeString.h"

struct DatabaseObject {
  RuntimeObject header;
  dbDatabase engineHandle;  // kept after Close; counts only while opened is set
  const QUORdbEngineDefinition* engine;
  stringStorage* engineType;  // for opening on first use
  const uint8_t* lazyData;
  uint32_t lazyLength;  // 0: nothing to open on first use
  int32_t errorCode;    // the framework's own; 0 = none
  stringStorage* errorMessage;
  stringStorage* databaseName;
  stringStorage* host;
  stringStorage* password;
  stringStorage* userName;
  uint8_t opened;
};
static_assert(sizeof(DatabaseObject) == 72, "Database instances are read by plug-ins");
static_assert(offsetof(DatabaseObject, engineHandle) == 24 &&
                  offsetof(DatabaseObject, engineType) == 32 &&
                  offsetof(DatabaseObject, errorCode) == 44 &&
                  offsetof(DatabaseObject, databaseName) == 52 &&
                  offsetof(DatabaseObject, userName) == 64 &&
                  offsetof(DatabaseObject, opened) == 68,
              "Database layout");

struct DatabaseCursorObject {
  RuntimeObject header;
  dbCursor cursorHandle;  // 0 after Close
  int32_t rowCounter;     // MoveNext calls, the one made at creation included
  DatabaseObject* database;  // held; nil for a plug-in's cursor until SQLSelect stores it
  const QUORdbCursorDefinition* cursor;
  uint8_t eof;
  uint8_t bof;
  uint8_t editing;
  PendingEdit* pendingEdits;  // in the order written
  stringStorage* sqlText;
};
static_assert(sizeof(DatabaseCursorObject) == 52, "RecordSet instances are read by plug-ins");
static_assert(offsetof(DatabaseCursorObject, cursorHandle) == 24 &&
                  offsetof(DatabaseCursorObject, database) == 32 &&
                  offsetof(DatabaseCursorObject, eof) == 40 &&
                  offsetof(DatabaseCursorObject, pendingEdits) == 44 &&
                  offsetof(DatabaseCursorObject, sqlText) == 48,
              "DatabaseCursor layout");

struct DatabaseFieldObject {
  RuntimeObject header;
  DatabaseCursorObject* recordSet;  // held
  int32_t column;                   // from 0
};
static_assert(sizeof(DatabaseFieldObject) == 32, "DatabaseCursorField instances");

struct DatabaseRecordObject {
  RuntimeObject header;
  DatabaseRecordColumn* columns;  // newest first
};
static_assert(sizeof(DatabaseRecordObject) == 28, "DatabaseRecord instances");

ObjectDefinition* DatabaseClassDefinition();
ObjectDefinition* DatabaseCursorClassDefinition();
ObjectDefinition* RecordSetClassDefinition();
ObjectDefinition* DatabaseCursorFieldClassDefinition();
ObjectDefinition* DatabaseFieldClassDefinition();
ObjectDefinition* DatabaseRecordClassDefinition();

// Registers the database classes at start-up (ScrollableCursor with them).
void RegisterDatabaseClasses();

// The object as one of these classes, or nil when it is nil or of another class.
DatabaseObject* AsDatabase(RuntimeObject* object);
DatabaseCursorObject* AsRecordSet(RuntimeObject* object);
DatabaseRecordObject* AsDatabaseRecord(RuntimeObject* object);

// Readiness: true when the database has an open engine handle, opening it on first use from
// its lazy-open words. SQL dispatch and the schema and property calls make the database ready.
bool MakeDatabaseReady(DatabaseObject* database);
// The own error of a statement, Commit or Rollback on a database that is not open.
constexpr int32_t kDatabaseNotOpenError = 1;
// Sets the framework's own error code and message (ASCII).
void SetDatabaseError(DatabaseObject* database, int32_t code, const char* message);

// Starts an open RecordSet of a cursor table that can start over (FrameworkCursorDefinition's
// curRestart) over on the rows that meet conditions, on the first as a new RecordSet stands;
// false, changing nothing the caller relies on, when it cannot. wholes as curRestart takes them.
bool RestartRecordSet(RuntimeObject* recordSet, void* conditions,
                      const ConditionWholes* wholes = nullptr);
// True when the RecordSet has its engine cursor (it is not closed).
inline bool IsCursorOpen(const DatabaseCursorObject* recordSet) {
  return recordSet && recordSet->cursorHandle && recordSet->cursor;
}
// The column's name: curColumnName's, or "field" + (column + 1) when the engine has no names;
// "" once the RecordSet is closed.
string CursorColumnName(DatabaseCursorObject* recordSet, int32_t column);
// The column's pending text (nil for NULL) when the RecordSet has one.
bool FindPendingEdit(const DatabaseCursorObject* recordSet, int32_t column, string* text);
// Records text as the column's pending value, only between Edit and Update; a second write
// replaces the first.
void SetPendingEdit(DatabaseCursorObject* recordSet, int32_t column, const string& text);

// A DatabaseField of the RecordSet's column (from 0), holding the RecordSet, with one reference
// for the caller: a released field when one waits for reuse, else a new one.
RuntimeObject* NewDatabaseField(DatabaseCursorObject* recordSet, int32_t column);
// The released fields waiting for reuse (retired: not among the live objects).
uint32_t ReleasedDatabaseFieldCount();

// A new DatabaseRecord (one reference for the caller); AppendRecordColumn adds a column at the
// end of its list (the scrollable cursor's rows read first column first).
RuntimeObject* NewDatabaseRecord();
void AppendRecordColumn(DatabaseRecordObject* record, const string& name, const string& value,
                        int32_t type);

extern "C" {
// Database.
void DatabaseConstructor(RuntimeObject* database);
void databaseDestructor(RuntimeObject* database);
void databaseSQLExecute(RuntimeObject* database, stringStorage* sql);
RuntimeObject* databaseSQLSelect(RuntimeObject* database, stringStorage* sql);
void databaseInsertRecord(RuntimeObject* database, stringStorage* table, RuntimeObject* record);
RuntimeObject* databaseTableSchema(RuntimeObject* database);
RuntimeObject* databaseFieldSchema(RuntimeObject* database, stringStorage* table);
RuntimeObject* databaseIndexSchema(RuntimeObject* database, stringStorage* table);
void databaseCommit(RuntimeObject* database);
void databaseRollback(RuntimeObject* database);
stringStorage* getDatabaseProperty(RuntimeObject* database, stringStorage* name);
void databaseClose(RuntimeObject* database);
int32_t DatabaseConnect(RuntimeObject* database);
int32_t databaseErrorGetter(RuntimeObject* database);
int32_t databaseErrorCodeGetter(RuntimeObject* database);
stringStorage* databaseErrorStringGetter(RuntimeObject* database);
void QUORDatabaseSetError(RuntimeObject* database, int32_t code, const char* message);

// DatabaseCursor and RecordSet.
void databaseCursorDestructor(RuntimeObject* recordSet);
void cursorMoveNext(RuntimeObject* recordSet);
void CursorMovePrev(RuntimeObject* recordSet);
void CursorMoveFirst(RuntimeObject* recordSet);
void CursorMoveLast(RuntimeObject* recordSet);
RuntimeObject* cursorGetFieldByName(RuntimeObject* recordSet, stringStorage* name);
RuntimeObject* cursorGetFieldByIndex(RuntimeObject* recordSet, int32_t index);
void cursorDeleteRecord(RuntimeObject* recordSet);
void cursorEdit(RuntimeObject* recordSet);
void cursorUpdate(RuntimeObject* recordSet);
void cursorClose(RuntimeObject* recordSet);
int32_t RecordSetRecordCount(RuntimeObject* recordSet);
int32_t RecordSetColumnType(RuntimeObject* recordSet, int32_t index);
int32_t cursorBOFGetter(RuntimeObject* recordSet);
int32_t cursorEOFGetter(RuntimeObject* recordSet);
int32_t cursorFieldCount(RuntimeObject* recordSet);

// DatabaseCursorField and DatabaseField.
void databaseCursorFieldDestructor(RuntimeObject* field);
stringStorage* cursorFieldNameGetter(RuntimeObject* field, uint32_t parameter);
stringStorage* cursorFieldStringValueGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldStringValueSetter(RuntimeObject* field, uint32_t parameter, stringStorage* value);
double cursorFieldDoubleValueGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldDoubleValueSetter(RuntimeObject* field, uint32_t parameter, double value);
int32_t cursorFieldIntegerValueGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldIntegerValueSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int64_t CursorFieldInt64ValueGetter(RuntimeObject* field, uint32_t parameter);
void CursorFieldInt64ValueSetter(RuntimeObject* field, uint32_t parameter, int64_t value);
int64_t CursorFieldCurrencyValueGetter(RuntimeObject* field, uint32_t parameter);
void CursorFieldCurrencyValueSetter(RuntimeObject* field, uint32_t parameter, int64_t value);
stringStorage* cursorFieldNativeValueGetter(RuntimeObject* field, uint32_t parameter);
RuntimeObject* cursorFieldDateValueGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldDateValueSetter(RuntimeObject* field, uint32_t parameter, RuntimeObject* date);
RuntimeObject* cursorFieldMactPictGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldMactPictSetter(RuntimeObject* field, uint32_t parameter, RuntimeObject* picture);
RuntimeObject* cursorFieldJPEGGetter(RuntimeObject* field, uint32_t parameter);
void cursorFieldJPEGSetter(RuntimeObject* field, uint32_t parameter, RuntimeObject* picture);
int32_t CursorFieldBooleanValueGetter(RuntimeObject* field, uint32_t parameter);
void CursorFieldBooleanValueSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
RuntimeObject* CursorFieldValueGetter(RuntimeObject* field, uint32_t parameter);
void CursorFieldValueSetter(RuntimeObject* field, uint32_t parameter, RuntimeObject* value);
stringStorage* databaseCursorFieldGetString(RuntimeObject* field);
void databaseCursorFieldSetString(RuntimeObject* field, stringStorage* value);
RuntimeObject* CursorFieldConvertToDate(RuntimeObject* field);
stringStorage* CursorFieldConvertToString(RuntimeObject* field);
int32_t CursorFieldConvertToInteger(RuntimeObject* field);
int64_t CursorFieldConvertToInt64(RuntimeObject* field);
double CursorFieldConvertToDouble(RuntimeObject* field);
int32_t CursorFieldConvertToBoolean(RuntimeObject* field);

// DatabaseRecord: a getter and an assigning form per kind, each taking the column's name.
void databaseRecordDestructor(RuntimeObject* record);
stringStorage* getDatabaseRecordColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordColumn(RuntimeObject* record, stringStorage* name, stringStorage* value);
stringStorage* GetDatabaseRecordBlobColumn(RuntimeObject* record, stringStorage* name);
void SetDatabaseRecordBlobColumn(RuntimeObject* record, stringStorage* name,
                                 stringStorage* value);
double getDatabaseRecordDoubleColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordDoubleColumn(RuntimeObject* record, stringStorage* name, double value);
int32_t getDatabaseRecordIntegerColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordIntegerColumn(RuntimeObject* record, stringStorage* name, int32_t value);
int64_t GetDatabaseRecordInt64Column(RuntimeObject* record, stringStorage* name);
void SetDatabaseRecordInt64Column(RuntimeObject* record, stringStorage* name, int64_t value);
int64_t GetDatabaseRecordCurrencyColumn(RuntimeObject* record, stringStorage* name);
void SetDatabaseRecordCurrencyColumn(RuntimeObject* record, stringStorage* name, int64_t value);
RuntimeObject* getDatabaseRecordDateColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordDateColumn(RuntimeObject* record, stringStorage* name, RuntimeObject* date);
int32_t GetDatabaseRecordBooleanColumn(RuntimeObject* record, stringStorage* name);
void SetDatabaseRecordBooleanColumn(RuntimeObject* record, stringStorage* name, int32_t value);
RuntimeObject* getDatabaseRecordMacPictColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordMacPictColumn(RuntimeObject* record, stringStorage* name,
                                    RuntimeObject* picture);
RuntimeObject* getDatabaseRecordJPEGColumn(RuntimeObject* record, stringStorage* name);
void setDatabaseRecordJPEGColumn(RuntimeObject* record, stringStorage* name,
                                 RuntimeObject* picture);
int32_t getDatabaseRecordFieldCount(RuntimeObject* record);
// The value of the n-th column from the head (n from 1), or nil.
stringStorage* getDatabaseRecordIndString(RuntimeObject* record, int32_t n);
}
