// Rows of the built-in engine: values converted from text and encoded as the file holds them,
// rows inserted with their key and length checks, and large values kept in "sys$blob".
#include <cstring>
#include <unordered_set>

#include "database/BuiltInEngine.h"
#include "database/ColumnValues.h"
#include "database/RecordFormat.h"
#include "database/SQLValueMatch.h"
#include "database/TableDirectory.h"
#include "strings/StringNumbers.h"

namespace {

constexpr uint32_t kLargeIdSize = 4;

// Whole words at once: byte by byte, a value's fresh vector grew through four allocations.
void AppendBigEndian16(std::vector<uint8_t>* out, uint16_t value) {
  const uint8_t bytes[2] = {uint8_t(value >> 8), uint8_t(value)};
  out->insert(out->end(), bytes, bytes + 2);
}

void AppendBigEndian32(std::vector<uint8_t>* out, uint32_t value) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, value);
  out->insert(out->end(), bytes, bytes + 4);
}

void AppendBigEndian64(std::vector<uint8_t>* out, uint64_t value) {
  uint8_t bytes[8];
  StoreBigEndian32(bytes, uint32_t(value >> 32));
  StoreBigEndian32(bytes + 4, uint32_t(value));
  out->insert(out->end(), bytes, bytes + 8);
}

void AppendBytes(std::vector<uint8_t>* out, const void* bytes, uint32_t length) {
  out->reserve(out->size() + 4 + length);
  AppendBigEndian32(out, length);
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  out->insert(out->end(), b, b + length);
}

// uatol's reading (leading blanks, a sign, digits up to the first other byte; none is 0),
// with the value kept in range instead of wrapped: false when it leaves [low, high].
bool ReadInteger(std::string_view text, int64_t low, int64_t high, int64_t* value) {
  auto p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  int64_t magnitude = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > high + 1) return false;
  }
  *value = negative ? -magnitude : magnitude;
  return *value >= low && *value <= high;
}

bool ParseFields(uint8_t type, const string& text, int32_t fields[3]) {
  const std::string_view view(text.CString(), size_t(text.Length()));
  if (!(type == kDbDate ? ParseSQLDate(view, fields) : ParseSQLTime(view, fields))) return false;
  for (int i = 0; i < 3; ++i)
    if (fields[i] < INT16_MIN || fields[i] > INT16_MAX) return false;
  return true;
}

std::vector<uint8_t> LargeValueKey(uint32_t id) {
  return {uint8_t(id), uint8_t(id >> 8), uint8_t(id >> 16), uint8_t(id >> 24)};
}

std::unique_ptr<TableCursor> OpenBlobs(BuiltInDatabase& db) {
  std::unique_ptr<TableCursor> cursor =
      OpenTableCursor(db.Store(), string(kDbBlobStorage), nullptr, 0, nullptr, 0);
  if (!cursor && !db.StorageFailed())
    db.Fail(kDbErrorStorage, "The database file is damaged: it has no large-value table");
  return cursor;
}

// Stands the cursor on the live "sys$blob" row of id.
bool SeekLargeValueRow(TableCursor& cursor, uint32_t id) {
  const std::vector<uint8_t> key = LargeValueKey(id);
  bool exact = false;
  return cursor.Seek(key.data(), uint32_t(key.size()), &exact) && exact;
}

uint32_t PutLargeValueRecord(BuiltInDatabase& db, TableCursor& cursor, uint32_t kind,
                             const uint8_t* data, uint32_t n) {
  const uint32_t id = db.Store().NextRecordId();
  std::vector<uint8_t> record, key;
  bool exact = false;
  if (!BuildLargeValueRecord(record, id, kind, data, n) ||
      !cursor.KeyOf(record.data(), uint32_t(record.size()), &key) ||
      !cursor.Seek(key.data(), uint32_t(key.size()), &exact) ||
      !cursor.Insert(record.data(), uint32_t(record.size())))
    return 0;
  return id;
}

void DeleteRecords(TableCursor& cursor, const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids)
    if (SeekLargeValueRow(cursor, id)) cursor.DeleteCurrent();
}

void Damaged(BuiltInDatabase& db, const char* what) {
  db.Fail(kDbErrorStorage, std::string("The database file is damaged: ") + what);
}

// Walks the records of a large value in reading order, without recursion: data pieces go to
// *data (when given), every record's id to *ids. A record met twice (a piece list naming
// itself or an earlier one), a missing record or one of another layout is damage; so every
// record is read at most once and the walk is bounded by the table's size.
bool WalkLargeValue(BuiltInDatabase& db, TableCursor& cursor, uint32_t top,
                    std::vector<uint8_t>* data, std::vector<uint32_t>* ids) {
  struct Frame {
    std::vector<uint32_t> entries;
    size_t next = 0;
  };
  std::vector<Frame> stack;
  std::unordered_set<uint32_t> seen;
  uint32_t id = top;
  while (true) {
    if (!seen.insert(id).second) return Damaged(db, "a large value names a piece twice"), false;
    uint32_t length = 0;
    const uint8_t* record = SeekLargeValueRow(cursor, id) ? cursor.CurrentRecord(&length) : nullptr;
    DbLargeValueRecord value;
    if (!record) {
      if (!db.StorageFailed()) Damaged(db, "a piece of a large value is missing");
      return false;
    }
    if (!ReadLargeValueRecord(record, length, &value) || RecordId(record) != id ||
        (value.kind == kDbLargeValuePieceList && value.size % kDbPieceListEntrySize) ||
        value.kind > kDbLargeValuePieceList)
      return Damaged(db, "a large-value record does not hold together"), false;
    if (ids) ids->push_back(id);
    if (value.kind == kDbLargeValuePiece) {
      if (data) data->insert(data->end(), value.data, value.data + value.size);
    } else {
      Frame frame;
      for (uint32_t at = 0; at < value.size; at += kDbPieceListEntrySize)
        frame.entries.push_back(LoadBigEndian32(value.data + at));
      stack.push_back(std::move(frame));
    }
    while (!stack.empty() && stack.back().next == stack.back().entries.size()) stack.pop_back();
    if (stack.empty()) return true;
    id = stack.back().entries[stack.back().next++];
  }
}

}  // namespace

int32_t ConvertColumnText(uint8_t type, const string& text, EncodedValue* value,
                          std::string* message) {
  value->type = type;
  value->bytes.clear();
  value->largePending = false;
  int64_t number = 0;
  int32_t fields[3];
  switch (type) {
    case kDbSmallInt:
    case kDbInteger: {
      const bool small = type == kDbSmallInt;
      if (!ReadInteger(std::string_view(text.CString(), size_t(text.Length())),
                       small ? INT16_MIN : INT32_MIN, small ? INT16_MAX : INT32_MAX, &number)) {
        *message = "Invalid number format";
        return kDbErrorBadValue;
      }
      if (small) AppendBigEndian16(&value->bytes, uint16_t(number));
      else AppendBigEndian32(&value->bytes, uint32_t(number));
      return 0;
    }
    case kDbVarChar:
    case kDbBytes: AppendBytes(&value->bytes, text.Bytes(), uint32_t(text.Length())); return 0;
    case kDbFloat: {
      const float single = float(StringVal(text.Storage()));
      uint32_t bits;
      std::memcpy(&bits, &single, 4);
      AppendBigEndian32(&value->bytes, bits);
      return 0;
    }
    case kDbDouble: {
      const double real = StringVal(text.Storage());
      uint64_t bits;
      std::memcpy(&bits, &real, 8);
      AppendBigEndian64(&value->bytes, bits);
      return 0;
    }
    case kDbDate:
    case kDbTime:
      if (!ParseFields(type, text, fields)) {
        *message = type == kDbDate ? "Invalid date format" : "Invalid time format";
        return kDbErrorBadValue;
      }
      for (int32_t field : fields) AppendBigEndian16(&value->bytes, uint16_t(field));
      return 0;
    case kDbBoolean:
      value->bytes.push_back(text.Compare(string("true")) == 0 ? 1 : 0);
      return 0;
    case kDbLongText:
    case kDbLongBytes:
      value->large.assign(text.CString(), size_t(text.Length()));
      value->largePending = true;
      value->bytes.assign(kLargeIdSize, 0);
      return 0;
    default: *message = "Unsupported column type"; return kDbErrorBadType;
  }
}

bool ExactIntegerKey(uint8_t type, std::string_view literal, std::vector<uint8_t>* key) {
  const bool small = type == kDbSmallInt;
  int64_t whole = 0, number = 0;
  return ParseWholeNumber(literal, &whole) &&
         ReadInteger(literal, small ? INT16_MIN : INT32_MIN, small ? INT16_MAX : INT32_MAX,
                     &number) &&
         number == whole && IntegerKey(type, number, key);
}

bool IntegerKey(uint8_t type, int64_t number, std::vector<uint8_t>* key) {
  const bool small = type == kDbSmallInt;
  if (number < (small ? INT16_MIN : INT32_MIN) || number > (small ? INT16_MAX : INT32_MAX))
    return false;
  uint8_t bytes[4];
  if (small) StoreBigEndian16(bytes, uint16_t(number));
  else StoreBigEndian32(bytes, uint32_t(number));
  return AppendKeyOfValue(key, type, bytes, small ? 2 : 4);
}

uint64_t EncodedRowLength(const std::vector<EncodedValue>& values) {
  uint64_t length = kDbRowValues;
  for (const EncodedValue& v : values) length += 2 + v.bytes.size();
  return length;
}

std::vector<uint8_t> EncodeRow(const std::vector<EncodedValue>& values, uint32_t rowId) {
  std::vector<uint8_t> row;
  EncodeRow(values, rowId, &row);
  return row;
}

// Callers refuse rows longer than a record may be before they get here.
void EncodeRow(const std::vector<EncodedValue>& values, uint32_t rowId,
               std::vector<uint8_t>* row) {
  std::vector<DbColumnValue> pieces;
  pieces.reserve(values.size());
  for (const EncodedValue& v : values)
    pieces.push_back({v.column, v.type, v.bytes.data(), uint32_t(v.bytes.size())});
  BuildRowRecord(pieces.data(), pieces.size(), rowId, row);
}

bool AppendKeyOfValue(std::vector<uint8_t>* key, uint8_t type, const uint8_t* value,
                      uint32_t size) {
  const int32_t keySize = ValueKeySize(type, size);
  if (keySize < 0) return false;
  const size_t at = key->size();
  key->resize(at + 1 + size_t(keySize));
  (*key)[at] = 1;
  AppendValueKey(key->data() + at + 1, type, value, size);
  return true;
}

bool CheckRowFits(BuiltInDatabase& db, TableCursor& cursor, const std::vector<uint8_t>& row,
                  std::vector<uint8_t>* key) {
  if (row.size() > kDbMaxRecordLength || !cursor.KeyOf(row.data(), uint32_t(row.size()), key) ||
      IndexRecordLength(uint32_t(key->size())) > kDbMaxRecordLength) {
    db.Fail(kDbErrorTooLong, "Insert failed: data too long");
    return false;
  }
  return true;
}

bool CheckTableRow(BuiltInDatabase& db, TableCursor& cursor, const std::vector<uint8_t>& row,
                   bool refuseDuplicates, bool* exact) {
  std::vector<uint8_t> key;
  if (!CheckRowFits(db, cursor, row, &key)) return false;
  if (!cursor.Seek(key.data(), uint32_t(key.size()), exact)) return !db.StorageFailed();
  if (refuseDuplicates && *exact) {
    db.Fail(kDbErrorDuplicateKey, "Insert failed: primary key violation");
    return false;
  }
  return true;
}

bool InsertTableRow(BuiltInDatabase& db, const std::string& storage,
                    const std::vector<uint8_t>& keyColumns, std::vector<uint8_t>& row,
                    bool refuseDuplicates) {
  std::unique_ptr<TableCursor> cursor =
      OpenTableCursor(db.Store(), string(storage.c_str()), nullptr, 0, keyColumns.data(),
                      uint32_t(keyColumns.size()));
  if (!cursor) {
    if (!db.StorageFailed())
      Damaged(db, ("the storage of table " + storage + " is missing").c_str());
    return false;
  }
  bool exact = false;
  if (!CheckTableRow(db, *cursor, row, refuseDuplicates, &exact)) return false;
  if (!cursor->Insert(row.data(), uint32_t(row.size())) || !cursor->Close()) {
    db.StorageFailed();
    return false;
  }
  return true;
}

uint32_t StoreLargeValue(BuiltInDatabase& db, const uint8_t* bytes, uint32_t length) {
  std::unique_ptr<TableCursor> cursor = OpenBlobs(db);
  if (!cursor) return 0;
  std::vector<uint32_t> stored;
  auto put = [&](uint32_t kind, const uint8_t* data, uint32_t n) {
    const uint32_t id = PutLargeValueRecord(db, *cursor, kind, data, n);
    if (id) stored.push_back(id);
    return id;
  };
  uint32_t top = 0;
  if (length <= kDbLargeValuePieceSize) {
    top = put(kDbLargeValuePiece, bytes, length);
  } else {
    std::vector<uint8_t> list;
    bool failed = false;
    for (uint32_t at = 0; at < length && !failed; at += kDbLargeValuePieceSize) {
      const uint32_t n = std::min(kDbLargeValuePieceSize, length - at);
      const uint32_t id = put(kDbLargeValuePiece, bytes + at, n);
      failed = id == 0;
      AppendBigEndian32(&list, id);
      AppendBigEndian32(&list, n);
      if (!failed && list.size() == kDbPieceListEntries * kDbPieceListEntrySize) {
        const uint32_t full = put(kDbLargeValuePieceList, list.data(), uint32_t(list.size()));
        failed = full == 0;
        list.clear();
        AppendBigEndian32(&list, full);
        AppendBigEndian32(&list, 0);  // the length word of a list's entry is never read
      }
    }
    if (!failed) top = put(kDbLargeValuePieceList, list.data(), uint32_t(list.size()));
  }
  if (top && cursor->Close()) return top;
  if (!db.StorageFailed()) db.Fail(kDbErrorLargeValue, "Error writing BLOB");
  const int32_t code = db.ErrorCode();
  const std::string message = db.ErrorMessage();
  DeleteRecords(*cursor, stored);
  db.Fail(code, message);
  return 0;
}

bool ReadLargeValue(BuiltInDatabase& db, uint32_t id, std::vector<uint8_t>* out) {
  out->clear();
  std::unique_ptr<TableCursor> cursor = OpenBlobs(db);
  if (cursor && WalkLargeValue(db, *cursor, id, out, nullptr)) return true;
  out->clear();
  return false;
}

bool DeleteLargeValue(BuiltInDatabase& db, uint32_t id) {
  std::unique_ptr<TableCursor> cursor = OpenBlobs(db);
  std::vector<uint32_t> ids;
  if (!cursor || !WalkLargeValue(db, *cursor, id, nullptr, &ids)) return false;
  for (uint32_t piece : ids) {
    if (!SeekLargeValueRow(*cursor, piece) || !cursor->DeleteCurrent()) {
      if (!db.StorageFailed()) Damaged(db, "a piece of a large value is missing");
      return false;
    }
  }
  return true;
}

bool StoreLargeValues(BuiltInDatabase& db, std::vector<EncodedValue>& values) {
  for (EncodedValue& v : values) {
    if (!v.largePending) continue;
    const uint32_t id = StoreLargeValue(
        db, reinterpret_cast<const uint8_t*>(v.large.data()), uint32_t(v.large.size()));
    if (!id) {
      const int32_t code = db.ErrorCode();
      const std::string message = db.ErrorMessage();
      DeleteStoredLargeValues(db, values);
      db.Fail(code, message);
      return false;
    }
    StoreBigEndian32(v.bytes.data(), id);
    v.largePending = false;
    v.stored = true;
  }
  return true;
}

void DeleteStoredLargeValues(BuiltInDatabase& db, const std::vector<EncodedValue>& values) {
  for (const EncodedValue& v : values) {
    if (v.stored) DeleteLargeValue(db, LoadBigEndian32(v.bytes.data()));
  }
}
