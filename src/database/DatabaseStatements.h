// The SQL statements the framework writes itself for engines without the entries that would do
// the work: INSERT for a DatabaseRecord (no dbInsertRow) and UPDATE for the fields edited in a
// RecordSet (no curUpdateRow, no dbUpdateRows).
//
// Values are quoted with apostrophes doubled. Names that cannot be written (empty, or holding
// "]") stop the whole statement with error 201 before anything runs; an update request without
// a condition is dropped, never sent as an UPDATE of every row.
#pragma once

#include <cstdint>

#include "database/DatabaseClasses.h"
#include "strings/RuntimeString.h"

constexpr int32_t kInvalidNameError = 201;
inline constexpr const char kInvalidNameMessage[] = "Invalid column/table name";

// "insert into <table>(<names>) values (<values>)" over the record's columns in list order; a
// name is written as it stands when it is a plain word (ASCII letters, digits, "_"), else in
// brackets. False when a name cannot be written.
bool BuildInsertStatement(const string& table, const DatabaseRecordColumn* columns,
                          string* statement);

// Writes the requests back: through the engine's dbUpdateRows when it has one, else as one
// "UPDATE [table] SET [column] = 'value', ... WHERE condition" per table and condition, the
// group made last first. Sets error 201 and runs nothing when a name cannot be written. The
// caller keeps and frees the requests.
void RunUpdateRequests(DatabaseObject* database, UpdateRequest* requests);

// Frees a request list (texts, values, nodes).
void FreeUpdateRequests(UpdateRequest* requests);
