// The table directory: the tree whose records name every table stored in the file, each with
// the root page of its tree. Storage names compare ignoring case.
#pragma once

#include <cstdint>
#include <memory>

#include "database/TableCursor.h"
#include "strings/RuntimeString.h"

// A cursor on the table stored under name, its directory cursor standing on the table's
// record as its parent; nullptr when there is no such table (or the directory cannot be read:
// the store's error then says so).
std::unique_ptr<TableCursor> OpenTableCursor(PageStore& store, const string& name,
                                             const uint8_t* filter, uint32_t filterLength,
                                             const uint8_t* keyColumns, uint32_t keyCount);
// Adds the directory record naming a table's root page; refuses a name already there.
bool InsertDirectoryRecord(PageStore& store, const string& name, uint32_t root);
// Makes the storage of a new table: an empty row leaf as its root, named in the directory.
bool CreateTableStorage(PageStore& store, const string& name);
