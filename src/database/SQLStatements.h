// The SQL front end's statements for engines without an SQL entry of their own: the entry that
// SQLSelect and SQLExecute reach (installed at start-up), and CREATE TABLE, ALTER TABLE ADD,
// INSERT, UPDATE, DELETE, COMMIT and ROLLBACK driven through the engine's table entries.
//
// Every statement is parsed and checked whole before anything runs: a failure leaves its code
// and message on the database (200-208, 2007, 2008) and changes nothing. UPDATE and DELETE
// check the table and the condition's columns against the engine's field list first; an engine
// error on a row stops the statement, and rows changed before it stay changed until Rollback.
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/DatabaseClasses.h"

// A column of CREATE TABLE or ALTER TABLE ADD, linked in definition order: what dbCreateTable
// and dbAddColumn read.
struct SQLColumnDefinition {
  SQLColumnDefinition* next;
  stringStorage* name;
  int32_t fieldType;    // 2, 3, 5, 6, 7, 8, 9, 10, 12, 15, 16
  int32_t nullAllowed;  // 0 after NOT NULL
};
static_assert(sizeof(SQLColumnDefinition) == 16, "engines read column definitions");
static_assert(offsetof(SQLColumnDefinition, fieldType) == 8, "SQLColumnDefinition layout");

// Runs one statement (trailing ";" and blanks ignored).
void RunSQLStatement(DatabaseObject* db, const string& sql);

// Makes engines without SQL entries run SQL through this front end.
void InstallSQLFrontEnd();
