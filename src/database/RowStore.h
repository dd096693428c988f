// The row store: rows of any length kept in an anonymous temporary data file, with a second
// temporary file holding each row's offset, so that any row is found with one index read and
// one seek. The format of a row belongs to the store's user (the scrollable cursor, the SQL
// front end's sorted results).
//
// Offsets are 64-bit (eight bytes per row in the index, host byte order): the data file may
// grow past 4 GiB. Rows are never held in memory. Both files disappear with the store.
#pragma once

#include <cstdint>

#include "files/DataFile.h"

struct RowStore {
  int32_t count;
  DataFile* index;
  DataFile* data;
};

// A new empty store, or nil when either temporary file cannot be made.
RowStore* RowStoreCreate();
// Positions the data file at its end, records that offset as row "count" and counts the row;
// the data file, for the caller to write the row. Nil when a seek or write fails (the count is
// then unchanged) and for a nil store.
DataFile* RowStoreAppendRow(RowStore* store);
// The data file positioned at the start of row i (from 0), or nil when there is no row i or a
// seek or read fails.
DataFile* RowStoreSeekRow(RowStore* store, int32_t i);
// Row i's offset, 0 when out of range.
uint64_t RowStoreRowOffset(RowStore* store, int32_t i);
// The row count, 0 for a nil store.
int32_t RowStoreCount(const RowStore* store);
// Deletes both files and the store; nil is ignored.
void RowStoreDestroy(RowStore* store);
