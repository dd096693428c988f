// DatabaseQuery: one SELECT on a Database, its result offered as a list to data-bound list
// controls. It re-runs when a bound push button acts on it or a bound control hands it the
// parameter that replaces "%1" in the query.
//
// The parameter never changes the statement's shape: inside a quoted '%1' its apostrophes are
// doubled, so it cannot end the literal; an unquoted %1 takes it only when it is a plain number
// or name (letters, digits, "_", "."), and any other parameter fails the run as a failed
// select does (no result).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "database/DataBinding.h"

struct DatabaseQueryObject {
  RuntimeObject header;
  RuntimeObject* database;  // held
  stringStorage* sqlQuery;
  uint8_t ran;
  int16_t nesting;          // GetCount calls running the query
  RuntimeObject* result;    // a ScrollableCursor, or nil
  ReceiverNode* receivers;  // list-data notification receivers
  stringStorage* parameter;
};
static_assert(sizeof(DatabaseQueryObject) == 48, "DatabaseQuery instances");
static_assert(offsetof(DatabaseQueryObject, database) == 24 &&
                  offsetof(DatabaseQueryObject, sqlQuery) == 28 &&
                  offsetof(DatabaseQueryObject, ran) == 32 &&
                  offsetof(DatabaseQueryObject, nesting) == 34 &&
                  offsetof(DatabaseQueryObject, result) == 36 &&
                  offsetof(DatabaseQueryObject, parameter) == 44,
              "DatabaseQuery layout");

ObjectDefinition* DatabaseQueryClassDefinition();

extern "C" {
void databaseQueryDestructor(RuntimeObject* query);
void databaseQueryRunQuery(RuntimeObject* query);
int32_t databaseQueryGetCount(RuntimeObject* query);
RuntimeObject* databaseQueryGetRow(RuntimeObject* query, int32_t index);
void databaseQueryAddLDNR(RuntimeObject* query, RuntimeObject* receiver);
void databaseQueryRemoveLDNR(RuntimeObject* query, RuntimeObject* receiver);
void databaseQuerySetParameter(RuntimeObject* query, stringStorage* value);
}
