// Row cursors of the built-in engine: a table cursor over one table's rows (or a catalogue
// table's, for the schema cursors), its result columns, and the condition the SQL front end
// handed in, evaluated on every row through the front end's comparison rules.
//
// Values are copied out of the page into a buffer of the cursor when they are read, so no page
// stays pinned between calls: curReleaseValue only forgets the copy.
#include <algorithm>
#include <cstring>

#include "core/ByteUtilities.h"
#include "database/BuiltInEngine.h"
#include "database/ColumnValues.h"
#include "database/DatabasePlugins.h"
#include "database/RecordFormat.h"
#include "database/SQLCondition.h"
#include "database/SQLValueMatch.h"
#include "database/TableDirectory.h"

namespace {

bool gSeekEnabled = true;
const uint8_t kEmptyValue = 0;

// What a schema cursor's column reports in place of the stored value.
enum class Mapping : uint8_t { kPlain, kFieldType, kIsPrimary, kNotNull, kZero };

struct ResultColumn {
  std::string name;
  uint8_t ordinal;
  uint8_t type;
  Mapping mapping = Mapping::kPlain;
};

struct Condition {
  Condition() = default;
  ~Condition() { condition_tree::DestroyChildren(*this); }
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  int32_t kind = 0;
  int32_t textMode = 0;
  uint8_t ordinal = 0;
  uint8_t type = 0;
  std::string column;  // as the condition named it
  SQLLiteral literal;
  std::unique_ptr<Condition> left, right;
};

std::string StdText(stringStorage* s) {
  const string text(s);
  return std::string(text.CString(), size_t(text.Length()));
}

bool SameText(stringStorage* a, const std::string& b) {
  return size_t(stringStorage::Length(a)) == b.size() &&
         std::memcmp(stringStorage::CString(a), b.data(), b.size()) == 0;
}

// The whole number wholes gives node, or nil.
const int64_t* WholeFor(const SQLConditionNode* node, const ConditionWholes* wholes) {
  for (int32_t k = 0; wholes && k < wholes->count; ++k)
    if (wholes->nodes[k] == node) return &wholes->values[k];
  return nullptr;
}

// Takes the literals of nodes (or the numbers wholes gives them) into resolved when nodes has
// resolved's shape (kinds, text modes and column names alike), keeping the readings of those
// that did not change; false when the shape differs. pending is scratch space.
bool TakeLiterals(const SQLConditionNode* nodes, const ConditionWholes* wholes,
                  Condition* resolved,
                  std::vector<std::pair<const SQLConditionNode*, Condition*>>& pending) {
  pending.assign(1, {nodes, resolved});
  while (!pending.empty()) {
    const auto [node, c] = pending.back();
    pending.pop_back();
    if (!node || !c) {
      if (node || c) return false;
      continue;
    }
    if (node->kind != c->kind || node->textMode != c->textMode) return false;
    if (condition_tree::IsConnective(c->kind)) {
      pending.push_back({node->right, c->right.get()});
      pending.push_back({node->left, c->left.get()});
      continue;
    }
    if (!SameText(node->column, c->column)) return false;
    // Taken at once: a shape that differs further on makes the caller resolve anew anyway.
    if (const int64_t* whole = WholeFor(node, wholes)) {
      c->literal.SetWhole(*whole);
    } else if (!SameText(node->value, c->literal.Text())) {
      c->literal.Reset(std::string_view(stringStorage::CString(node->value),
                                        size_t(stringStorage::Length(node->value))));
    }
  }
  return true;
}


bool IsLargeType(uint8_t type) { return type == kDbLongText || type == kDbLongBytes; }

}  // namespace

class BuiltInRowCursor {
 public:
  BuiltInRowCursor(BuiltInDatabase* db, TableRef table)
      : mDb(db), mTable(std::move(table)), mCatalogue(db->CatalogueVersion()) {
    mDb->Attach(this);
  }
  ~BuiltInRowCursor() { Detach(); }

  void Detach() {
    if (!mDb) return;
    if (mRows && !mRows->Close()) mDb->StorageFailed();
    mRows.reset();
    mDb->Detach(this);
    mDb = nullptr;
  }

  bool Open(const std::string& storage, const std::vector<uint8_t>& keyColumns,
            const std::vector<uint8_t>& filter) {
    mRows = OpenTableCursor(mDb->Store(), string(storage.c_str()), filter.data(),
                            uint32_t(filter.size()), keyColumns.data(),
                            uint32_t(keyColumns.size()));
    if (!mRows && !mDb->StorageFailed())
      mDb->Fail(kDbErrorStorage, "The database file is damaged: the storage of " + storage +
                                     " is missing");
    return mRows != nullptr;
  }

  // Starts over before the first row that meets conditions, as OpenBuiltInTable would have
  // opened this cursor; false when the table may have changed shape since (the caller then
  // opens anew) or the condition does not resolve.
  bool Restart(const SQLConditionNode* conditions, const ConditionWholes* wholes);
  // The table's rows from the first that the condition's key prefix fixes (a table cursor
  // kept from before starts over).
  bool OpenRows();
  uint8_t NextRow();
  void ColumnValue(int32_t i, const void** data, uint8_t* type, int32_t* length);
  void ReleaseValue() { mValue.clear(); }
  void DeleteRow();
  uint8_t ColumnKey(int32_t i, const char** name, int32_t* nameLength, const char** where,
                    int32_t* whereLength);
  void UpdateRow(PendingEdit* edits);
  int32_t Converted(const BuiltInColumn& column, stringStorage* text, const EncodedValue** value,
                    std::string* message);
  int32_t ColumnType(int32_t i);

  std::vector<ResultColumn> columns;
  std::unique_ptr<Condition> condition;

 private:
  // The live row the cursor stands on. A row deleted behind it (by a statement, another
  // cursor or its own Delete) is no row until the cursor moves: never the row after it.
  const uint8_t* Current(uint32_t* length) {
    if (!mDb || !mRows || !mOnRow) return nullptr;
    const uint8_t* record = mRows->CurrentRecord(length);
    return record && RecordIsLive(record) ? record : nullptr;
  }
  // An update with no row to take it is the store's refusal, as the table cursor gives it.
  void RefuseWithoutRow() {
    if (!mDb) return;
    mDb->Clear();
    mDb->Store().Error().Set(StorageErrorCode::kNotPositioned,
                             "the cursor stands on no live record");
    mDb->StorageFailed();
  }
  // The value as the comparison rules read it (host byte order), copied only where it must
  // be: numbers into scalar, large values into large; text stays where it lies in the record.
  ::ColumnValue View(const DbColumnValue& v, uint8_t scalar[8], std::vector<uint8_t>& large);
  // The same, its bytes in buffer, as the callers are handed it.
  ::ColumnValue Decode(const DbColumnValue& v, std::vector<uint8_t>& buffer);
  bool Holds(const Condition* c, const uint8_t* record, uint32_t length);
  // The record's first value of each result column (no value: nil), found with one walk of
  // the record and kept while the record stays as it is: at the same place, and nothing in the
  // store moved since.
  const std::vector<DbColumnValue>& Indexed(const uint8_t* record, uint32_t length);
  // The values Indexed found for the current row, while nothing in the store moved since (the
  // row is then where it was, and the cursor has not moved: moves forget them) and the row is
  // live; else nil, and Current says what the cursor stands on.
  const std::vector<DbColumnValue>* KeptValues() const {
    if (!mOnRow || !mIndexedRecord || !mDb || !mRows) return nullptr;
    if (mDb->Store().ChangeSerial() != mIndexedAt || !RecordIsLive(mIndexedRecord))
      return nullptr;
    return &mIndexed;
  }

  BuiltInDatabase* mDb;
  TableRef mTable;  // nil for the schema cursors
  uint64_t mCatalogue;  // the catalogue's version mTable was found in
  std::unique_ptr<TableCursor> mRows;
  bool mOnRow = false;
  const uint8_t* mIndexedRecord = nullptr;
  uint64_t mIndexedAt = 0;
  std::vector<DbColumnValue> mIndexed;
  uint8_t mScalar[8];               // a number handed out
  std::vector<uint8_t> mValue;      // any other value handed out
  std::vector<uint8_t> mCondition;  // a large value a condition reads
  std::vector<const Condition*> mOpenConditions;  // Holds' scratch
  std::vector<const Condition*> mConjuncts;       // OpenRows' scratch
  std::vector<std::pair<const SQLConditionNode*, Condition*>> mTaking;  // Restart's
  std::vector<uint8_t> mPrefix;
  std::string mKeyName, mKeyWhere;
  // UpdateRow's conversions of edited texts, and its buffers.
  struct Conversion {
    string text;  // held
    uint16_t ordinal;
    uint8_t type;
    EncodedValue value;
    int32_t code;
    std::string message;
  };
  static constexpr size_t kConversionsKept = 8;
  std::vector<Conversion> mConversions;
  std::vector<EncodedValue> mUpdating;
  std::vector<DbColumnValue> mOldValues, mPieces;
  std::vector<uint8_t> mRow, mKey, mOldKey;
};

::ColumnValue BuiltInRowCursor::View(const DbColumnValue& v, uint8_t scalar[8],
                                     std::vector<uint8_t>& large) {
  ::ColumnValue out;
  out.code = v.type;
  switch (v.type) {
    case kDbSmallInt: {
      const int16_t x = int16_t(LoadBigEndian16(v.value));
      std::memcpy(scalar, &x, 2);
      out.data = scalar;
      out.length = 2;
      return out;
    }
    case kDbInteger:
    case kDbFloat: {
      const uint32_t x = LoadBigEndian32(v.value);
      std::memcpy(scalar, &x, 4);
      out.data = scalar;
      out.length = 4;
      return out;
    }
    case kDbDouble: {
      const uint64_t x = (uint64_t(LoadBigEndian32(v.value)) << 32) | LoadBigEndian32(v.value + 4);
      std::memcpy(scalar, &x, 8);
      out.data = scalar;
      out.length = 8;
      return out;
    }
    case kDbVarChar:
    case kDbBytes:
      out.data = v.value + 4;
      out.length = v.size - 4;
      break;
    case kDbLongText:
    case kDbLongBytes:
      // An unreadable value reads as empty (the error says why).
      ReadLargeValue(*mDb, LoadBigEndian32(v.value), &large);
      out.data = large.data();
      out.length = uint32_t(large.size());
      break;
    default:  // dates, times, Booleans
      out.data = v.value;
      out.length = v.size;
      break;
  }
  if (out.length == 0) out.data = &kEmptyValue;
  return out;
}

::ColumnValue BuiltInRowCursor::Decode(const DbColumnValue& v, std::vector<uint8_t>& buffer) {
  uint8_t scalar[8];
  ::ColumnValue out = View(v, scalar, buffer);
  if (out.data != buffer.data()) buffer.assign(out.data, out.data + out.length);
  out.data = buffer.empty() ? &kEmptyValue : buffer.data();
  return out;
}

bool BuiltInRowCursor::Holds(const Condition* c, const uint8_t* record, uint32_t length) {
  return condition_tree::Evaluate(c, [&](const Condition* leaf) {
    DbColumnValue v;
    uint8_t scalar[8];
    const ::ColumnValue value = FindRowColumn(record, length, leaf->ordinal, &v)
                                    ? View(v, scalar, mCondition) : ::ColumnValue{};
    return ValueMeetsCondition(value, leaf->kind, leaf->textMode, leaf->literal);
  }, mOpenConditions);
}

uint8_t BuiltInRowCursor::NextRow() {
  mValue.clear();
  mOnRow = false;
  mIndexedRecord = nullptr;
  if (!mDb || !mRows) return 0;
  mDb->Store().Error().Clear();
  while (mRows->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = mRows->CurrentRecord(&length);
    if (record && Holds(condition.get(), record, length)) return mOnRow = true;
    if (!record) break;
  }
  mDb->StorageFailed();
  // At the end, rows an update moved are put in place; the table cursor stays to start over.
  if (!mRows->Finish()) mDb->StorageFailed();
  return 0;
}

void BuiltInRowCursor::ColumnValue(int32_t i, const void** data, uint8_t* type,
                                   int32_t* length) {
  *data = nullptr;
  *type = kColumnNull;
  *length = 0;
  mValue.clear();
  if (i < 0 || size_t(i) >= columns.size()) return;
  const std::vector<DbColumnValue>* values = KeptValues();
  if (!values) {
    uint32_t recordLength = 0;
    const uint8_t* record = Current(&recordLength);
    if (!record) return;
    values = &Indexed(record, recordLength);
  }
  const ResultColumn& column = columns[size_t(i)];
  const DbColumnValue& v = (*values)[size_t(i)];
  const bool present = v.value != nullptr;
  ::ColumnValue value;
  switch (column.mapping) {
    case Mapping::kPlain:
      if (!present) return;
      // Numbers are handed out from a buffer of their own, texts copied out of the page.
      value = View(v, mScalar, mValue);
      if (value.data != mScalar && value.data != mValue.data()) {
        mValue.assign(value.data, value.data + value.length);
        value.data = mValue.empty() ? &kEmptyValue : mValue.data();
      }
      break;
    case Mapping::kFieldType: {
      const int16_t code = present && v.type == kDbSmallInt ? int16_t(LoadBigEndian16(v.value))
                                                            : int16_t(255);
      mValue.resize(2);
      std::memcpy(mValue.data(), &code, 2);
      value = {kColumnInt16, mValue.data(), 2};
      break;
    }
    case Mapping::kIsPrimary:
    case Mapping::kNotNull: {
      const bool stored = present && v.type == kDbSmallInt && LoadBigEndian16(v.value) != 0;
      mValue.assign(1, column.mapping == Mapping::kIsPrimary ? stored : !stored);
      value = {kColumnBoolean, mValue.data(), 1};
      break;
    }
    case Mapping::kZero:
      mValue.assign(4, 0);
      value = {kColumnInt32, mValue.data(), 4};
      break;
  }
  *data = value.data;
  *type = value.code;
  *length = int32_t(value.length);
}

int32_t BuiltInRowCursor::ColumnType(int32_t i) {
  uint32_t length = 0;
  const uint8_t* record = Current(&length);
  if (!record || i < 0 || size_t(i) >= columns.size()) return 0;
  const DbColumnValue& v = Indexed(record, length)[size_t(i)];
  return v.value ? v.type : 0;
}

const std::vector<DbColumnValue>& BuiltInRowCursor::Indexed(const uint8_t* record,
                                                           uint32_t length) {
  const uint64_t serial = mDb->Store().ChangeSerial();
  if (record == mIndexedRecord && serial == mIndexedAt) return mIndexed;
  const size_t count = columns.size();
  mIndexed.resize(count);
  for (DbColumnValue& v : mIndexed) v.value = nullptr;
  size_t missing = count;
  RowColumns values(record, length);
  for (DbColumnValue v; missing > 0 && values.Next(&v);) {
    for (size_t j = 0; j < count; ++j) {
      if (columns[j].ordinal != v.column || mIndexed[j].value) continue;
      mIndexed[j] = v;
      --missing;
    }
  }
  mIndexedRecord = record;
  mIndexedAt = serial;
  return mIndexed;
}

void BuiltInRowCursor::DeleteRow() {
  uint32_t length = 0;
  const uint8_t* record = Current(&length);
  if (!record) return;
  mDb->Clear();
  std::vector<uint32_t> large;
  RowColumns values(record, length);
  for (DbColumnValue v; values.Next(&v);)
    if (IsLargeType(v.type)) large.push_back(LoadBigEndian32(v.value));
  if (!mRows->DeleteCurrent()) return void(mDb->StorageFailed());
  for (uint32_t id : large) DeleteLargeValue(*mDb, id);
}

uint8_t BuiltInRowCursor::ColumnKey(int32_t i, const char** name, int32_t* nameLength,
                                    const char** where, int32_t* whereLength) {
  uint32_t length = 0;
  const uint8_t* record = Current(&length);
  // Without a primary key no condition names this row alone.
  if (!record || !mTable || mTable->keyColumns.empty() || i < 0 || size_t(i) >= columns.size())
    return 0;
  std::string condition;
  for (uint8_t ordinal : mTable->keyColumns) {
    const BuiltInColumn* column = mTable->FindOrdinal(ordinal);
    if (!column) return 0;
    if (!condition.empty()) condition += " and ";
    condition += "[" + column->name + "]";
    DbColumnValue v;
    if (!FindRowColumn(record, length, ordinal, &v)) {
      condition += " IS NULL";
      continue;
    }
    if (v.type == kDbBytes || IsLargeType(v.type)) return 0;
    std::vector<uint8_t> buffer;
    std::string literal;
    ValueAsSQLLiteral(Decode(v, buffer), &literal);
    const bool quoted = v.type == kDbVarChar || v.type == kDbDate || v.type == kDbTime ||
                        v.type == kDbBoolean;
    if (quoted) {
      std::string doubled;
      for (char c : literal) doubled += c == '\'' ? std::string("''") : std::string(1, c);
      literal = "'" + doubled + "'";
    }
    condition += "=" + literal;
  }
  mKeyName = mTable->name + "!" + columns[size_t(i)].name;
  mKeyWhere = condition;
  *name = mKeyName.data();
  *nameLength = int32_t(mKeyName.size());
  *where = mKeyWhere.data();
  *whereLength = int32_t(mKeyWhere.size());
  return 1;
}

// The text converted for the column: an UPDATE writes one text into every row it changes,
// so the last conversions are kept (with their texts held, so that a text is known by its
// record). 0, or the error code with *message.
int32_t BuiltInRowCursor::Converted(const BuiltInColumn& column, stringStorage* text,
                                    const EncodedValue** value, std::string* message) {
  for (const Conversion& c : mConversions) {
    if (c.text.Storage() != text || c.ordinal != column.ordinal || c.type != column.type)
      continue;
    *value = &c.value;
    *message = c.message;
    return c.code;
  }
  if (mConversions.size() == kConversionsKept) mConversions.erase(mConversions.begin());
  mConversions.push_back({string(text), column.ordinal, column.type, {}, 0, {}});
  Conversion& c = mConversions.back();
  c.code = ConvertColumnText(column.type, c.text, &c.value, &c.message);
  *value = &c.value;
  *message = c.message;
  return c.code;
}

void BuiltInRowCursor::UpdateRow(PendingEdit* edits) {
  uint32_t length = 0;
  const uint8_t* current = Current(&length);
  if (!mTable) return;
  if (!current) return RefuseWithoutRow();
  mDb->Clear();
  // The row is walked once; a column's first value counts. Kept values are copied from the
  // page straight into the new row; edited ones are converted into values.
  std::vector<DbColumnValue>& old = mOldValues;
  old.clear();
  RowColumns walk(current, length);
  for (DbColumnValue v; walk.Next(&v);) old.push_back(v);
  std::vector<DbColumnValue>& pieces = mPieces;
  std::vector<EncodedValue>& values = mUpdating;  // the edited columns' values
  pieces.clear();
  size_t used = 0;
  std::vector<uint32_t> replaced;  // large values the new row no longer holds
  bool large = false;              // values to store as large values
  for (const BuiltInColumn& column : mTable->columns) {
    const PendingEdit* edit = nullptr;
    for (const PendingEdit* e = edits; e; e = e->next)
      if (e->column >= 0 && size_t(e->column) < columns.size() &&
          columns[size_t(e->column)].ordinal == column.ordinal)
        edit = e;
    const DbColumnValue* present = nullptr;
    for (size_t k = 0; k < old.size() && !present; ++k)
      if (old[k].column == uint8_t(column.ordinal)) present = &old[k];
    if (!edit && !present) continue;
    if (!edit) {
      pieces.push_back(*present);
      continue;
    }
    const EncodedValue* converted = nullptr;
    std::string message;
    if (const int32_t code = Converted(column, edit->value, &converted, &message))
      return mDb->Fail(code, message);
    if (used == values.size()) values.emplace_back();
    EncodedValue& value = values[used];
    value.column = uint8_t(column.ordinal);
    value.stored = false;
    value.type = converted->type;
    value.bytes = converted->bytes;
    value.largePending = converted->largePending;
    if (value.largePending) value.large = converted->large;
    large = large || value.largePending;
    if (present && IsLargeType(present->type)) replaced.push_back(LoadBigEndian32(present->value));
    // Its bytes are found in values once every edit is converted.
    pieces.push_back({value.column, value.type, nullptr, uint32_t(used++)});
  }
  values.resize(used);
  for (size_t k = 0, edited = 0; k < pieces.size(); ++k) {
    if (pieces[k].value) continue;
    pieces[k].value = values[edited].bytes.data();
    pieces[k].size = uint32_t(values[edited++].bytes.size());
  }
  // The length, and a changed key (not taken), are checked before anything changes. A row
  // whose key columns no edit names keeps its key, which fits as it did.
  std::vector<uint8_t>& row = mRow;
  BuildRowRecord(pieces.data(), pieces.size(), 0, &row);
  bool keyEdited = false;
  for (const PendingEdit* e = edits; e && !keyEdited; e = e->next)
    keyEdited = e->column >= 0 && size_t(e->column) < columns.size() &&
                std::find(mTable->keyColumns.begin(), mTable->keyColumns.end(),
                          columns[size_t(e->column)].ordinal) != mTable->keyColumns.end();
  if (!keyEdited && row.size() > kDbMaxRecordLength)
    return mDb->Fail(kDbErrorTooLong, "Insert failed: data too long");
  if (keyEdited) mRows->KeyOf(current, length, &mOldKey);
  if (keyEdited && !CheckRowFits(*mDb, *mRows, row, &mKey)) return;
  if (keyEdited && mKey != mOldKey) {
    std::unique_ptr<TableCursor> probe =
        OpenTableCursor(mDb->Store(), string(mTable->Storage().c_str()), nullptr, 0,
                        mTable->keyColumns.data(), uint32_t(mTable->keyColumns.size()));
    bool exact = false;
    if (!probe) return void(mDb->StorageFailed());
    if (!CheckTableRow(*mDb, *probe, row, true, &exact)) return;
  }
  if (large) {
    // Storing writes pages: the ids go into the row built, not through the pieces, which
    // point into the page.
    if (!StoreLargeValues(*mDb, values)) return;
    size_t at = kDbRowValues;
    for (size_t k = 0, edited = 0; k < pieces.size(); at += 2 + pieces[k++].size) {
      if (edited == values.size() || pieces[k].value != values[edited].bytes.data()) continue;
      std::memcpy(row.data() + at + 2, values[edited].bytes.data(), pieces[k].size);
      ++edited;
    }
  }
  if (!mRows->UpdateCurrent(row.data(), uint32_t(row.size()), !keyEdited)) {
    mDb->StorageFailed();
    const int32_t code = mDb->ErrorCode();
    const std::string message = mDb->ErrorMessage();
    DeleteStoredLargeValues(*mDb, values);
    return mDb->Fail(code, message);
  }
  // Only now that the new row is in place may the values it replaced go.
  for (uint32_t id : replaced) DeleteLargeValue(*mDb, id);
}

// ---- opening ----

namespace {

BuiltInRowCursor* Cursor(dbCursor cur) { return static_cast<BuiltInRowCursor*>(cur); }

void CursorClose(dbCursor cur) { delete Cursor(cur); }
int32_t CursorColumnCount(dbCursor cur) { return int32_t(Cursor(cur)->columns.size()); }
stringStorage* CursorColumnName(dbCursor cur, int32_t i) {
  const auto& columns = Cursor(cur)->columns;
  if (i < 0 || size_t(i) >= columns.size()) return nullptr;
  const std::string& name = columns[size_t(i)].name;
  return string::FromBytes(name.data(), int64_t(name.size()), kEncodingUTF8)
      .ExtractStringStorage();
}
void CursorColumnValue(dbCursor cur, int32_t i, const void** data, uint8_t* type,
                       int32_t* length) {
  Cursor(cur)->ColumnValue(i, data, type, length);
}
void CursorReleaseValue(dbCursor cur) { Cursor(cur)->ReleaseValue(); }
uint8_t CursorNextRow(dbCursor cur) { return Cursor(cur)->NextRow(); }
void CursorDeleteRow(dbCursor cur) { Cursor(cur)->DeleteRow(); }
uint8_t CursorColumnKey(dbCursor cur, int32_t i, const char** name, int32_t* nameLength,
                        const char** where, int32_t* whereLength) {
  return Cursor(cur)->ColumnKey(i, name, nameLength, where, whereLength);
}
void CursorUpdateRow(dbCursor cur, PendingEdit* edits) { Cursor(cur)->UpdateRow(edits); }
uint8_t CursorRestart(dbCursor cur, void* conditions, const ConditionWholes* wholes) {
  return Cursor(cur)->Restart(static_cast<const SQLConditionNode*>(conditions), wholes);
}
int32_t CursorColumnType(dbCursor cur, int32_t i) { return Cursor(cur)->ColumnType(i); }

// The framework's own tables: the front end calls them without a barrier (nothing here
// raises) and starts a row cursor over for each row of an outer table of a join.
const FrameworkCursorDefinition* SchemaCursorDefinition() {
  static FrameworkCursorDefinition definition = [] {
    FrameworkCursorDefinition f{};
    QUORdbCursorDefinition& d = f.table;
    d.version = kDatabaseTableVersion;
    d.curClose = CursorClose;
    d.curColumnCount = CursorColumnCount;
    d.curColumnName = CursorColumnName;
    d.curColumnValue = CursorColumnValue;
    d.curReleaseValue = CursorReleaseValue;
    d.curNextRow = CursorNextRow;
    MarkFrameworkCursorDefinition(&f);
    return f;
  }();
  return &definition;
}

const FrameworkCursorDefinition* RowCursorDefinition() {
  static FrameworkCursorDefinition definition = [] {
    FrameworkCursorDefinition f = *SchemaCursorDefinition();
    QUORdbCursorDefinition& d = f.table;
    d.curDeleteRow = CursorDeleteRow;
    d.curColumnKey = CursorColumnKey;
    d.curUpdateRow = CursorUpdateRow;
    d.curColumnType = CursorColumnType;
    f.curRestart = CursorRestart;
    return f;
  }();
  return &definition;
}

RuntimeObject* Wrap(std::unique_ptr<BuiltInRowCursor> cursor,
                    const FrameworkCursorDefinition* definition) {
  return QUORdbCursorFromDBCursor(cursor.release(), &definition->table);
}

// The condition with its columns resolved; false (206) when one is not the table's.
bool Resolve(BuiltInDatabase& db, const BuiltInTable& table, const SQLConditionNode* node,
             std::unique_ptr<Condition>* out) {
  if (!node) return true;
  auto c = std::make_unique<Condition>();
  c->kind = node->kind;
  c->textMode = node->textMode;
  if (node->kind == kSQLAnd || node->kind == kSQLOr) {
    if (!Resolve(db, table, node->left, &c->left) || !Resolve(db, table, node->right, &c->right))
      return false;
  } else {
    const std::string name = StdText(node->column);
    const BuiltInColumn* column = table.Find(name);
    if (!column) return db.Fail(kSQLUnknownColumnError, "Unknown column: " + name), false;
    c->column = name;
    c->ordinal = uint8_t(column->ordinal);
    c->type = column->type;
    c->literal = SQLLiteral(StdText(node->value));
  }
  *out = std::move(c);
  return true;
}

// The key bytes a literal gives a column when equality with it means equal keys; false when
// it does not convert exactly (the scan then decides).
bool ExactKeyOf(const Condition& c, std::vector<uint8_t>* key) {
  int64_t whole;
  const bool integerColumn = c.type == kDbSmallInt || c.type == kDbInteger;
  if (integerColumn && c.literal.FromWhole() && c.literal.Whole(&whole))
    return IntegerKey(c.type, whole, key);
  if (integerColumn) return ExactIntegerKey(c.type, c.literal.Text(), key);
  const string literal(c.literal.Text().c_str());
  EncodedValue value;
  std::string message;
  switch (c.type) {
    case kDbVarChar:
      if (c.literal.Text().find('\0') != std::string::npos) return false;
      break;
    case kDbDate:
    case kDbTime: break;
    default: return false;
  }
  if (ConvertColumnText(c.type, literal, &value, &message) != 0) return false;
  return AppendKeyOfValue(key, c.type, value.bytes.data(), uint32_t(value.bytes.size()));
}

// The key prefix that the top-level AND fixes with "=" (exact text) and exact literals, into
// prefix; conjuncts is scratch space.
void SeekPrefix(const BuiltInTable& table, const Condition* condition,
                std::vector<const Condition*>* conjuncts, std::vector<uint8_t>* prefix) {
  prefix->clear();
  if (!gSeekEnabled) return;
  conjuncts->clear();
  condition_tree::CollectConjuncts(condition, conjuncts);
  for (uint8_t ordinal : table.keyColumns) {
    bool fixed = false;
    for (const Condition* c : *conjuncts) {
      if (fixed || c->kind != kSQLEqual || c->textMode != kSQLTextExact || c->ordinal != ordinal)
        continue;
      fixed = ExactKeyOf(*c, prefix);
    }
    if (!fixed) break;
  }
}

}  // namespace

bool BuiltInRowCursor::Restart(const SQLConditionNode* conditions,
                               const ConditionWholes* wholes) {
  if (!mDb || !mTable || mDb->CatalogueVersion() != mCatalogue) return false;
  mDb->Clear();
  if (!TakeLiterals(conditions, wholes, condition.get(), mTaking)) {
    if (wholes) return false;  // the nodes' texts are stale: resolving would read them
    std::unique_ptr<Condition> resolved;
    if (!Resolve(*mDb, *mTable, conditions, &resolved)) return false;
    condition = std::move(resolved);
  }
  mValue.clear();
  mOnRow = false;
  mIndexedRecord = nullptr;
  return OpenRows();
}

bool BuiltInRowCursor::OpenRows() {
  SeekPrefix(*mTable, condition.get(), &mConjuncts, &mPrefix);
  if (mRows && mRows->Restart(mPrefix.data(), uint32_t(mPrefix.size()))) return true;
  mRows.reset();
  return Open(mTable->Storage(), mTable->keyColumns, mPrefix);
}

void SetBuiltInSeekEnabled(bool enabled) { gSeekEnabled = enabled; }

void DetachRowCursor(BuiltInRowCursor* cursor) { cursor->Detach(); }

RuntimeObject* OpenBuiltInTable(BuiltInDatabase& db, stringStorage* tableName,
                                ResultColumnNode* requested, void* conditions) {
  db.Clear();
  const TableRef table = db.FindTable(string(tableName));
  if (!table) return nullptr;
  auto cursor = std::make_unique<BuiltInRowCursor>(&db, table);
  for (ResultColumnNode* node = requested; node; node = node->next) {
    const std::string name = StdText(node->name);
    if (name == "*") {
      for (const BuiltInColumn& c : table->columns)
        cursor->columns.push_back({c.name, uint8_t(c.ordinal), c.type});
      continue;
    }
    const BuiltInColumn* column = table->Find(name);
    if (!column) return db.Fail(kSQLUnknownColumnError, "Unknown column: " + name), nullptr;
    cursor->columns.push_back({column->name, uint8_t(column->ordinal), column->type});
  }
  if (!Resolve(db, *table, static_cast<const SQLConditionNode*>(conditions), &cursor->condition))
    return nullptr;
  if (!cursor->OpenRows()) return nullptr;
  return Wrap(std::move(cursor), RowCursorDefinition());
}

RuntimeObject* OpenTableSchemaCursor(BuiltInDatabase& db) {
  db.Clear();
  auto cursor = std::make_unique<BuiltInRowCursor>(&db, nullptr);
  cursor->columns.push_back({"TableName", 1, kDbVarChar});
  if (!cursor->Open(kDbTablesStorage, {1}, {})) return nullptr;
  return Wrap(std::move(cursor), SchemaCursorDefinition());
}

RuntimeObject* OpenFieldSchemaCursor(BuiltInDatabase& db, stringStorage* tableName) {
  db.Clear();
  const TableRef table = db.FindTable(string(tableName));
  if (!table) return nullptr;
  auto cursor = std::make_unique<BuiltInRowCursor>(&db, nullptr);
  cursor->columns = {{"ColumnName", 2, kDbVarChar},
                     {"FieldType", 4, kDbSmallInt, Mapping::kFieldType},
                     {"IsPrimary", 5, kDbBoolean, Mapping::kIsPrimary},
                     {"NotNull", 3, kDbBoolean, Mapping::kNotNull},
                     {"Length", 6, kDbInteger, Mapping::kZero}};
  uint8_t id[4];
  StoreBigEndian32(id, table->id);
  std::vector<uint8_t> prefix;
  AppendKeyOfValue(&prefix, kDbInteger, id, 4);
  if (!cursor->Open(kDbFieldsStorage, {0, 2}, prefix)) return nullptr;
  return Wrap(std::move(cursor), SchemaCursorDefinition());
}
