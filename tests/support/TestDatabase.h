// A built-in database file made for one test from SQL statements, for tests of the controls
// that bind to one.
#pragma once

#include <initializer_list>
#include <string>

#include "core/RuntimeObject.h"

namespace qvtest {

// Runs sql on database; an error code fails the test, naming the statement.
void ExecSQL(RuntimeObject* database, const std::string& sql);

// A new built-in database at path with the statements run and committed; nil, with the test
// failed, when it cannot be made. The caller ends it with CloseDatabase.
RuntimeObject* NewBuiltInDatabase(const std::string& path,
                                  std::initializer_list<std::string> statements);

// Closes and releases database, if any, and forgets it.
void CloseDatabase(RuntimeObject*& database);

}  // namespace qvtest
