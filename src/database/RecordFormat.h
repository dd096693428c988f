// Records of the database file: the common prefix, the column values of row records, the
// directory, index and large-value layouts, and the structural check every record passes before
// anything reads it (records of a page read from the file, and records a caller inserts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "database/DatabaseFormat.h"

inline uint32_t RecordLength(const uint8_t* record) {
  return LoadBigEndian16(record + kDbRecordLength);
}
inline uint8_t RecordStatus(const uint8_t* record) { return record[kDbRecordStatus]; }
inline bool RecordIsLive(const uint8_t* record) { return record[kDbRecordStatus] == kDbLive; }
inline uint32_t RecordStamp(const uint8_t* record) {
  return (uint32_t{record[3]} << 16) | (uint32_t{record[4]} << 8) | record[5];
}
inline void SetRecordStatus(uint8_t* record, uint8_t status, uint32_t stamp) {
  record[kDbRecordStatus] = status;
  record[3] = static_cast<uint8_t>(stamp >> 16);
  record[4] = static_cast<uint8_t>(stamp >> 8);
  record[5] = static_cast<uint8_t>(stamp);
}
// The id of a directory or row record (both keep it at offset 6).
inline uint32_t RecordId(const uint8_t* record) { return LoadBigEndian32(record + kDbRowId); }

// One column value of a row record: its type and its value bytes as stored.
struct DbColumnValue {
  uint8_t column;
  uint8_t type;
  const uint8_t* value;
  uint32_t size;
};

// True for the types a row value may have.
bool IsRowValueType(uint8_t type);
// Bytes of a value of the given type whose bytes start at value and may run to end; -1 when
// the type is not one a row may hold or the value does not fit. Inline: every row read walks
// its values through it.
inline int32_t ColumnValueSize(uint8_t type, const uint8_t* value, const uint8_t* end) {
  const int64_t room = end - value;
  int64_t size;
  switch (type) {
    case kDbSmallInt: size = 2; break;
    case kDbInteger:
    case kDbFloat:
    case kDbLongText:
    case kDbLongBytes: size = 4; break;
    case kDbDouble: size = 8; break;
    case kDbDate:
    case kDbTime: size = 6; break;
    case kDbBoolean: size = 1; break;
    case kDbVarChar:
    case kDbBytes:
      if (room < 4) return -1;
      size = 4 + int64_t{LoadBigEndian32(value)};
      break;
    default: return -1;
  }
  return size <= room ? static_cast<int32_t>(size) : -1;
}

// Walks the column values of a checked row record.
class RowColumns {
 public:
  RowColumns(const uint8_t* record, uint32_t length)
      : mNext(record + kDbRowValues), mEnd(record + length) {}
  // False at the end (or at a value that does not fit).
  bool Next(DbColumnValue* value) {
    if (mEnd - mNext < 2) return false;
    const int32_t size = ColumnValueSize(mNext[1], mNext + 2, mEnd);
    if (size < 0) return false;
    *value = {mNext[0], mNext[1], mNext + 2, static_cast<uint32_t>(size)};
    mNext += 2 + size;
    return true;
  }

 private:
  const uint8_t* mNext;
  const uint8_t* mEnd;
};

// The first value of column in a checked row record; false when the row has none. Every
// scan's condition reads its column through it: the values passed over are only measured.
inline bool FindRowColumn(const uint8_t* record, uint32_t length, uint8_t column,
                          DbColumnValue* value) {
  const uint8_t* next = record + kDbRowValues;
  const uint8_t* const end = record + length;
  while (end - next >= 2) {
    const int32_t size = ColumnValueSize(next[1], next + 2, end);
    if (size < 0) return false;
    if (next[0] == column) {
      *value = {next[0], next[1], next + 2, static_cast<uint32_t>(size)};
      return true;
    }
    next += 2 + size;
  }
  return false;
}

// A row record of these values in order (status 0, stamp 0, the row id) into row; the caller
// sees that it fits a record.
void BuildRowRecord(const DbColumnValue* values, size_t count, uint32_t rowId,
                    std::vector<uint8_t>* row);

// Why a record cannot stand on a page of a given kind.
enum class DbRecordProblem {
  kNone,
  kTooShort,       // shorter than its kind's fixed part, or than the space it claims
  kTooLong,        // longer than 8,174 bytes or than the rest of the page
  kBadStatus,      // neither 'A' nor 'D'
  kBadName,        // directory name runs past the record
  kUnknownType,    // a row value of a type no row may hold
  kBadValue,       // a row value runs past the record
  kBadPageNumber,  // a root or child page beyond the file's pages
};
const char* DbRecordProblemText(DbRecordProblem problem);

// Checks one record of a page of the given kind that has `available` bytes left from its start.
// Page numbers it names must be below pageCount.
DbRecordProblem CheckRecord(uint32_t kind, const uint8_t* record, uint32_t available,
                            uint64_t pageCount);

// Builders write a whole record, status 'A' and stamp 0 (the cursor that inserts stamps it).
uint32_t DirectoryRecordLength(uint32_t nameLength);
void BuildDirectoryRecord(uint8_t* out, uint32_t id, uint32_t root, const uint8_t* name,
                          uint32_t nameLength);
inline uint32_t DirectoryRecordRoot(const uint8_t* record) {
  return LoadBigEndian32(record + kDbDirectoryRoot);
}
uint32_t IndexRecordLength(uint32_t keyLength);
void BuildIndexRecord(uint8_t* out, uint32_t stamp, uint32_t count, uint32_t child,
                      const uint8_t* key, uint32_t keyLength);
inline uint32_t IndexRecordChild(const uint8_t* record) {
  return LoadBigEndian32(record + kDbIndexChild);
}

// A row of "sys$blob": one piece of a large value, or a list of {id, length} entries.
struct DbLargeValueRecord {
  uint32_t id;
  uint32_t kind;  // DbLargeValueKind
  const uint8_t* data;
  uint32_t size;
};
// The record holding n bytes; false when it would be longer than a record may be.
bool BuildLargeValueRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t kind,
                           const uint8_t* data, uint32_t n);
// Reads a checked "sys$blob" row; false when it does not have the large-value layout.
bool ReadLargeValueRecord(const uint8_t* record, uint32_t length, DbLargeValueRecord* value);
