// SELECT for engines without an SQL entry of their own but with dbOpenTable:
//
//   select := "select" item { "," item } "from" table [ alias ] { "," table [ alias ] }
//             [ "where" condition ] [ "order" "by" key { "," key } | "group" "by" reference ]
//   item   := "*" | name "." "*" | reference | "count" "(" "*" ")"
//             | ( "min" | "max" | "sum" | "avg" ) "(" reference ")"
//   key    := ( digits | reference ) [ "asc" | "desc" ]
//
// The statement is checked against the engine's field lists before any table is opened. Digit
// keys count the result columns after "*" expands and must name one of them; key and group
// columns are carried as hidden columns. An aggregate or GROUP BY groups the rows of the first
// sort key (all rows as one group without any). Text after a complete statement is 201
// "Unexpected text: " + token and nothing runs.
#pragma once

#include "core/RuntimeObject.h"
#include "database/DatabaseClasses.h"
#include "strings/RuntimeString.h"

// The RecordSet (one reference for the caller) or nil with the error set.
RuntimeObject* RunSQLSelect(DatabaseObject* db, const string& sql);
