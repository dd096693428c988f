// The engine interface: every database the application opens is served through two tables of
// entry points, one per engine (QUORdbEngineDefinition) and one per kind of result cursor
// (QUORdbCursorDefinition). The language classes (DatabaseClasses.h) hold a table pointer and
// the engine's opaque handle and reach the engine only through these entries, with the handle
// first. Plug-in engines, the built-in engine and the framework's own result cursors fill the
// same tables, so they are interchangeable.
//
// Promises of this layer:
//   - a null entry means "not supported": the operation does nothing or answers its neutral
//     value; no entry is ever called with a handle of 0;
//   - every entry of a plug-in's table is called through CallEntry, behind a call barrier, so
//     an exception raised inside plug-in code never unwinds the framework's frames; the
//     framework's own cursor tables are called straight (CallCursorEntry), their entries
//     putting the engine calls they make behind the barrier themselves;
//   - the nodes handed to engines (pending edits, update requests, record columns) keep the
//     layouts pinned below, which plug-ins read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/CompiledCall.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

using dbDatabase = void*;
using dbCursor = void*;

constexpr int32_t kDatabaseTableVersion = 4;

// A column of a DatabaseRecord, newest first: what dbInsertRow walks.
struct DatabaseRecordColumn {
  DatabaseRecordColumn* next;
  stringStorage* name;   // nil for the unnamed columns of a scrollable cursor's row
  stringStorage* value;  // nil is NULL
  int32_t type;          // a column value code
};
static_assert(sizeof(DatabaseRecordColumn) == 16, "record column nodes are read by engines");

// A field written between Edit and Update: what curUpdateRow walks.
struct PendingEdit {
  PendingEdit* next;
  int32_t column;  // from 0
  stringStorage* value;  // nil is NULL
};
static_assert(sizeof(PendingEdit) == 12, "pending edits are read by engines");

// One column to write back: what dbUpdateRows walks. The texts are private copies, not
// terminated; the name is table + "!" + column.
struct UpdateRequest {
  UpdateRequest* next;
  char* name;
  int32_t nameLength;
  char* condition;
  int32_t conditionLength;
  stringStorage* value;  // nil is NULL
};
static_assert(sizeof(UpdateRequest) == 24, "update requests are read by engines");

// A result column that the SQL front end asks dbOpenTable for.
struct ResultColumnNode {
  ResultColumnNode* next;
  stringStorage* name;
};

struct QUORdbEngineDefinition {
  int32_t version;
  uint32_t registration;  // framework-owned; PluginRegisterDBEngine writes its low byte
  void (*dbClose)(dbDatabase db);
  RuntimeObject* (*dbTableSchema)(dbDatabase db);
  RuntimeObject* (*dbFieldSchema)(dbDatabase db, stringStorage* table);
  RuntimeObject* (*dbSelect)(dbDatabase db, stringStorage* sql);
  void (*dbExecute)(dbDatabase db, stringStorage* sql);
  void (*dbCreateTable)(dbDatabase db, stringStorage* table, void* columns,
                        const uint8_t* keyPositions, int32_t keyCount);
  void (*dbInsertRow)(dbDatabase db, stringStorage* table, DatabaseRecordColumn* first);
  RuntimeObject* (*dbOpenTable)(dbDatabase db, stringStorage* table, ResultColumnNode* columns,
                                void* conditions);
  void (*dbUpdateRows)(dbDatabase db, UpdateRequest* requests);
  void (*dbAddColumn)(dbDatabase db, stringStorage* table, void* column);
  RuntimeObject* (*dbIndexSchema)(dbDatabase db, stringStorage* table);
  int32_t (*dbErrorCode)(dbDatabase db);
  stringStorage* (*dbErrorText)(dbDatabase db);  // the caller takes the reference
  void (*dbCommit)(dbDatabase db);
  void (*dbRollback)(dbDatabase db);
  stringStorage* (*dbProperty)(dbDatabase db, stringStorage* name);  // the caller's
};
static_assert(sizeof(QUORdbEngineDefinition) == 18 * 4, "engine tables are 18 words");
static_assert(offsetof(QUORdbEngineDefinition, dbClose) == 8 &&
                  offsetof(QUORdbEngineDefinition, dbSelect) == 20 &&
                  offsetof(QUORdbEngineDefinition, dbOpenTable) == 36 &&
                  offsetof(QUORdbEngineDefinition, dbErrorCode) == 52 &&
                  offsetof(QUORdbEngineDefinition, dbProperty) == 68,
              "QUORdbEngineDefinition layout");

// The framework's own engines may end a database in two steps, so that a failure at the end
// (the built-in engine commits as it closes) reaches the Database's error: dbFinish ends the
// database's work and leaves the outcome for dbErrorCode and dbErrorText, and dbClose then
// only lets the handle go. Such a table carries the mark in its registration word, above the
// byte that registration writes.
constexpr uint32_t kFrameworkEngineMark = 0x51564500;  // 'QVE' and a free low byte
struct FrameworkEngineDefinition {
  QUORdbEngineDefinition table;
  void (*dbFinish)(dbDatabase db);
};
void MarkFrameworkEngineDefinition(FrameworkEngineDefinition* definition);
// The table as a FrameworkEngineDefinition, or nil when it is not one.
inline const FrameworkEngineDefinition* AsFrameworkEngineDefinition(
    const QUORdbEngineDefinition* definition) {
  return definition && (definition->registration & ~0xFFu) == kFrameworkEngineMark
             ? reinterpret_cast<const FrameworkEngineDefinition*>(definition)
             : nullptr;
}

struct QUORdbCursorDefinition {
  int32_t version;
  uint32_t registration;  // framework-owned; PluginRegisterDBCursor writes it whole
  void (*curClose)(dbCursor cur);
  int32_t (*curColumnCount)(dbCursor cur);
  stringStorage* (*curColumnName)(dbCursor cur, int32_t column);  // the caller's
  int32_t (*curRowCount)(dbCursor cur);
  void (*curColumnValue)(dbCursor cur, int32_t column, const void** data, uint8_t* type,
                         int32_t* length);
  void (*curReleaseValue)(dbCursor cur);
  uint8_t (*curNextRow)(dbCursor cur);  // nonzero when a row is now current
  void (*curDeleteRow)(dbCursor cur);
  void* reserved10;
  uint8_t (*curColumnKey)(dbCursor cur, int32_t column, const char** name, int32_t* nameLength,
                          const char** condition, int32_t* conditionLength);
  void (*curUpdateRow)(dbCursor cur, PendingEdit* first);
  void (*curEdit)(dbCursor cur);
  // The framework's own cursors answer these three as curNextRow does; a plug-in's answers
  // mean nothing defined.
  uint8_t (*curPreviousRow)(dbCursor cur);
  uint8_t (*curFirstRow)(dbCursor cur);
  uint8_t (*curLastRow)(dbCursor cur);
  int32_t (*curColumnType)(dbCursor cur, int32_t column);
  void* reserved18to23[6];
};
static_assert(sizeof(QUORdbCursorDefinition) == 24 * 4, "cursor tables are 24 words");
static_assert(offsetof(QUORdbCursorDefinition, curColumnValue) == 24 &&
                  offsetof(QUORdbCursorDefinition, curNextRow) == 32 &&
                  offsetof(QUORdbCursorDefinition, curColumnKey) == 44 &&
                  offsetof(QUORdbCursorDefinition, curPreviousRow) == 56 &&
                  offsetof(QUORdbCursorDefinition, curColumnType) == 68,
              "QUORdbCursorDefinition layout");

// Column value codes: how curColumnValue's bytes read (host byte order unless said).
enum ColumnValueCode : uint8_t {
  kColumnNull = 0,
  kColumnInt16 = 2,
  kColumnInt32 = 3,
  kColumnChar = 4,
  kColumnText = 5,
  kColumnSingle = 6,
  kColumnDouble = 7,
  kColumnDate = 8,       // year, month, day: 16-bit big-endian each
  kColumnTime = 9,       // hour, minute, second: 16-bit big-endian each
  kColumnTimestamp = 10, // the date's three, then the time's three
  kColumnCurrency = 11,  // 64-bit count of ten-thousandths
  kColumnBoolean = 12,
  kColumnBytes = 14,
  kColumnLongText = 15,
  kColumnLongBytes = 16,
  kColumnString = 18,  // the data holds a stringStorage*
  kColumnInt64 = 19,
};

// Calls an engine entry behind a call barrier with the entry's own parameter types; a null
// entry answers R() and calls nothing.
template <typename R, typename... Parameters, typename... Arguments>
R CallEntry(R (*entry)(Parameters...), Arguments... arguments) {
  if (!entry) return R();
  CompiledCall call;
  return call.Invoke<R>(reinterpret_cast<const void*>(entry),
                        static_cast<Parameters>(arguments)...);
}

// Whole numbers that comparison nodes of a condition take in place of their texts, which are
// then stale and not read: a join hands its outer row's integer over as it is, with nothing
// written out for the engine to parse back.
struct ConditionWholes {
  const void* const* nodes;
  const int64_t* values;
  int32_t count;
};

// The framework's own cursor tables carry a registration word of their own; their move
// entries answer as curNextRow does. Some are the first member of a FrameworkCursorDefinition,
// which adds entries past the interface's 24 words that only the framework calls.
constexpr uint32_t kFrameworkCursorMark = 0x51564642;          // 'QVFB'
constexpr uint32_t kFrameworkCursorExtendedMark = 0x51564658;  // 'QVFX'
struct FrameworkCursorDefinition {
  QUORdbCursorDefinition table;
  // Starts the cursor over on the rows of its table that meet conditions (nodes as dbOpenTable
  // takes them), before the first, as dbOpenTable would have opened it; false when it cannot,
  // and the caller opens a cursor anew. Null where a cursor cannot start over. With wholes,
  // the nodes they name compare with those numbers; false (the caller then writes the texts
  // and comes again) when that cannot be done without reading a stale text.
  uint8_t (*curRestart)(dbCursor cur, void* conditions, const ConditionWholes* wholes);
};
void MarkFrameworkCursorDefinition(QUORdbCursorDefinition* definition);
void MarkFrameworkCursorDefinition(FrameworkCursorDefinition* definition);
inline bool IsFrameworkCursorDefinition(const QUORdbCursorDefinition* definition) {
  return definition && (definition->registration == kFrameworkCursorMark ||
                        definition->registration == kFrameworkCursorExtendedMark);
}
// The table as a FrameworkCursorDefinition, or nil when it is not one.
inline const FrameworkCursorDefinition* AsFrameworkCursorDefinition(
    const QUORdbCursorDefinition* definition) {
  return definition && definition->registration == kFrameworkCursorExtendedMark
             ? reinterpret_cast<const FrameworkCursorDefinition*>(definition)
             : nullptr;
}

// A plug-in's cursor entry behind the barrier, kept out of line so that CallCursorEntry stays
// small enough to inline: the framework's own entries are called per value read.
template <typename R, typename... Parameters, typename... Arguments>
[[gnu::noinline]] R CallPluginCursorEntry(R (*entry)(Parameters...), Arguments... arguments) {
  return CallEntry(entry, arguments...);
}

// Calls an entry of a cursor table: a plug-in's through CallEntry, the framework's own
// straight.
template <typename R, typename... Parameters, typename... Arguments>
inline R CallCursorEntry(const QUORdbCursorDefinition* table, R (*entry)(Parameters...),
                         Arguments... arguments) {
  if (!IsFrameworkCursorDefinition(table)) return CallPluginCursorEntry(entry, arguments...);
  return entry ? entry(static_cast<Parameters>(arguments)...) : R();
}

struct DatabaseObject;

// How engines without SQL entries of their own run SQL: the SQL front end installs its one
// entry at start-up. For a query it answers the RecordSet (one reference for the caller) or
// nil; for a statement it answers nil. Until it is installed such engines run no SQL.
enum class SQLStatementUse { kQuery, kStatement };
using SQLFrontEndEntry = RuntimeObject* (*)(DatabaseObject* database, const string& sql,
                                            SQLStatementUse use);
void SetSQLFrontEnd(SQLFrontEndEntry entry);
RuntimeObject* RunSQLFrontEnd(DatabaseObject* database, const string& sql, SQLStatementUse use);

// The built-in engine's opener ("quordb"): a Database over length bytes at data, or nil. The
// built-in engine installs it; until then "quordb" opens nothing.
using BuiltInDatabaseOpener = RuntimeObject* (*)(const uint8_t* data, uint32_t length);
void SetBuiltInDatabaseOpener(BuiltInDatabaseOpener opener);
