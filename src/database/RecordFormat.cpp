#include "database/RecordFormat.h"

#include <cstring>

bool IsRowValueType(uint8_t type) {
  switch (type) {
    case kDbSmallInt:
    case kDbInteger:
    case kDbVarChar:
    case kDbFloat:
    case kDbDouble:
    case kDbDate:
    case kDbTime:
    case kDbBoolean:
    case kDbBytes:
    case kDbLongText:
    case kDbLongBytes:
      return true;
  }
  return false;
}

const char* DbRecordProblemText(DbRecordProblem problem) {
  switch (problem) {
    case DbRecordProblem::kNone:
      return "no problem";
    case DbRecordProblem::kTooShort:
      return "a record is shorter than its layout";
    case DbRecordProblem::kTooLong:
      return "a record runs past its page";
    case DbRecordProblem::kBadStatus:
      return "a record has an unknown status";
    case DbRecordProblem::kBadName:
      return "a table name runs past its record";
    case DbRecordProblem::kUnknownType:
      return "a row holds a value of an unknown type";
    case DbRecordProblem::kBadValue:
      return "a row value runs past its record";
    case DbRecordProblem::kBadPageNumber:
      return "a record names a page beyond the file";
  }
  return "unknown problem";
}

namespace {

DbRecordProblem CheckRowValues(const uint8_t* record, uint32_t length) {
  const uint8_t* next = record + kDbRowValues;
  const uint8_t* end = record + length;
  while (next < end) {
    if (end - next < 2) return DbRecordProblem::kBadValue;
    if (!IsRowValueType(next[1])) return DbRecordProblem::kUnknownType;
    int32_t size = ColumnValueSize(next[1], next + 2, end);
    if (size < 0) return DbRecordProblem::kBadValue;
    next += 2 + size;
  }
  return DbRecordProblem::kNone;
}

}  // namespace

void BuildRowRecord(const DbColumnValue* values, size_t count, uint32_t rowId,
                    std::vector<uint8_t>* row) {
  size_t length = kDbRowValues;
  for (size_t i = 0; i < count; ++i) length += 2 + values[i].size;
  row->resize(length);
  uint8_t* out = row->data();
  std::memset(out, 0, kDbRowValues);
  StoreBigEndian16(out, static_cast<uint16_t>(length));
  StoreBigEndian32(out + kDbRowId, rowId);
  out += kDbRowValues;
  for (size_t i = 0; i < count; ++i) {
    out[0] = values[i].column;
    out[1] = values[i].type;
    if (values[i].size) std::memcpy(out + 2, values[i].value, values[i].size);
    out += 2 + values[i].size;
  }
}

DbRecordProblem CheckRecord(uint32_t kind, const uint8_t* record, uint32_t available,
                            uint64_t pageCount) {
  if (available < kDbRecordPrefixSize) return DbRecordProblem::kTooShort;
  uint32_t length = RecordLength(record);
  if (length > available || length > kDbMaxRecordLength) return DbRecordProblem::kTooLong;
  uint8_t status = RecordStatus(record);
  if (status != kDbLive && status != kDbDeleted) return DbRecordProblem::kBadStatus;
  switch (kind) {
    case kDbDirectoryLeaf: {
      if (length < kDbDirectoryName) return DbRecordProblem::kTooShort;
      uint64_t nameLength = LoadBigEndian32(record + kDbDirectoryNameLength);
      if (kDbDirectoryName + nameLength > length) return DbRecordProblem::kBadName;
      if (DirectoryRecordRoot(record) >= pageCount) return DbRecordProblem::kBadPageNumber;
      return DbRecordProblem::kNone;
    }
    case kDbRowLeaf:
      if (length < kDbRowMinLength) return DbRecordProblem::kTooShort;
      return CheckRowValues(record, length);
    case kDbIndexPage:
      if (length < kDbIndexKey) return DbRecordProblem::kTooShort;
      if (IndexRecordChild(record) >= pageCount) return DbRecordProblem::kBadPageNumber;
      return DbRecordProblem::kNone;
  }
  return DbRecordProblem::kBadStatus;
}

uint32_t DirectoryRecordLength(uint32_t nameLength) { return kDbDirectoryName + nameLength; }

void BuildDirectoryRecord(uint8_t* out, uint32_t id, uint32_t root, const uint8_t* name,
                          uint32_t nameLength) {
  StoreBigEndian16(out + kDbRecordLength, static_cast<uint16_t>(DirectoryRecordLength(nameLength)));
  SetRecordStatus(out, kDbLive, 0);
  StoreBigEndian32(out + kDbDirectoryId, id);
  StoreBigEndian32(out + kDbDirectoryRoot, root);
  StoreBigEndian32(out + kDbDirectoryNameLength, nameLength);
  if (nameLength) std::memcpy(out + kDbDirectoryName, name, nameLength);
}

uint32_t IndexRecordLength(uint32_t keyLength) { return kDbIndexKey + keyLength; }

void BuildIndexRecord(uint8_t* out, uint32_t stamp, uint32_t count, uint32_t child,
                      const uint8_t* key, uint32_t keyLength) {
  StoreBigEndian16(out + kDbRecordLength, static_cast<uint16_t>(IndexRecordLength(keyLength)));
  SetRecordStatus(out, kDbLive, stamp);
  // The count is never read back; a child of more than 65,535 records keeps the largest.
  StoreBigEndian16(out + kDbIndexCount, static_cast<uint16_t>(count > 0xFFFF ? 0xFFFF : count));
  StoreBigEndian32(out + kDbIndexChild, child);
  if (keyLength) std::memcpy(out + kDbIndexKey, key, keyLength);
}

bool BuildLargeValueRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t kind,
                           const uint8_t* data, uint32_t n) {
  uint64_t length = uint64_t{n} + kDbLargeValueData;
  if (length > kDbMaxRecordLength) return false;
  out.assign(length, 0);
  uint8_t* record = out.data();
  StoreBigEndian16(record + kDbRecordLength, static_cast<uint16_t>(length));
  SetRecordStatus(record, kDbLive, 0);
  StoreBigEndian32(record + kDbRowId, id);
  record[kDbLargeValueColumn] = 1;
  record[kDbLargeValueColumn + 1] = kDbBytes;
  StoreBigEndian32(record + kDbLargeValueLength, n + 4);
  StoreBigEndian32(record + kDbLargeValueKind, kind);
  if (n) std::memcpy(record + kDbLargeValueData, data, n);
  return true;
}

bool ReadLargeValueRecord(const uint8_t* record, uint32_t length, DbLargeValueRecord* value) {
  if (length < kDbLargeValueData || record[kDbLargeValueColumn] != 1 ||
      record[kDbLargeValueColumn + 1] != kDbBytes)
    return false;
  uint64_t inner = LoadBigEndian32(record + kDbLargeValueLength);
  if (inner < 4 || kDbLargeValueKind + inner != length) return false;
  *value = {RecordId(record), LoadBigEndian32(record + kDbLargeValueKind),
            record + kDbLargeValueData, static_cast<uint32_t>(inner - 4)};
  return true;
}
