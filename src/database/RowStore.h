// The row store: rows of any length kept in an anonymous temporary data file, with a second
// temporary file holding each row's offset, so that any row is found with one index read and
// one seek. The format of a row belongs to the store's user (the scrollable cursor, the SQL
// front end's sorted results).
//
// Offsets are 64-bit (eight bytes per row in the index, host byte order): the data file may
// grow past 4 GiB. Rows are never held in memory. Both files disappear with the store.
//
// The files lie in the database layer's temporary folder ($TMPDIR, else /tmp). Rows go through
// stdio's buffers, so a full disk may refuse them only later: RowStoreFlush says whether every
// row appended so far reached the file, and the first error any file met stays in the store.
//
// The store remembers where its files stand while it alone moves them, so that rows appended
// whole one after another, or read whole in order, cost no seek (each seek of a buffered file
// is a system call, and flushes a buffer being written).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/DataFile.h"

struct RowStore {
  int32_t count;
  DataFile* index;
  DataFile* data;
  // What the store knows of its files' positions; -1 where it does not know.
  int32_t indexAt;  // the index entry the index file stands at
  int64_t dataAt;   // the data file's position
  int64_t dataEnd;  // the data file's length
  bool callerWrote;  // the caller wrote the last row: the data file stands at its end
  int32_t lastEntry;     // the index entry read last, and its offset
  uint64_t lastOffset;
  int32_t error;  // the host's error number of the first failed transfer, 0 while none
};

// A new empty store, or nil (the host's error number in *error when given) when either
// temporary file cannot be made.
RowStore* RowStoreCreate(int32_t* error = nullptr);
// Pushes every row appended so far out to the files; false when they did not all reach them.
bool RowStoreFlush(RowStore* store);
// Why the store failed (the host's error number, EIO when it gave none), 0 while it has not.
int32_t RowStoreError(const RowStore* store);
// Positions the data file at its end, records that offset as row "count" and counts the row;
// the data file, for the caller to write the row. Nil when a seek or write fails (the count is
// then unchanged) and for a nil store.
DataFile* RowStoreAppendRow(RowStore* store);
// Appends a whole row of size bytes (at most 2 GiB); false when a write fails (the count is
// then unchanged) and for a nil store.
bool RowStoreAppendBytes(RowStore* store, const void* bytes, uint32_t size);
// The data file positioned at the start of row i (from 0), for the caller to read; nil when
// there is no row i or a seek or read fails.
DataFile* RowStoreSeekRow(RowStore* store, int32_t i);
// Row i whole (up to the next row's offset, or to the end of the data for the last); false
// when there is no row i or a read fails.
bool RowStoreReadRow(RowStore* store, int32_t i, std::vector<uint8_t>* bytes);
// Row i's offset, 0 when out of range.
uint64_t RowStoreRowOffset(RowStore* store, int32_t i);
// The row count, 0 for a nil store.
int32_t RowStoreCount(const RowStore* store);
// What the database says when rows could not be kept in temporary files, or read back from
// them: the host's reason.
enum class TemporaryFileUse { kKeeping, kReading };
std::string TemporaryFileProblem(int32_t error, TemporaryFileUse use = TemporaryFileUse::kKeeping);
// Deletes both files and the store; nil is ignored.
void RowStoreDestroy(RowStore* store);
