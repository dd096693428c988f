// The join cursor: the RecordSet over a join's rows, as SELECT returns it when nothing is sorted
// or grouped. It runs the join forward; MoveFirst runs it again from its start.
//
// Moving backwards reads rows the join served before: at the first backward move (or MoveLast)
// the join runs again from its start once, keeping each row it serves (each item's value and
// column type) in a row store, and from then on MovePrevious and MoveLast read kept rows, and
// MoveNext reads them up to where the join stands before running it on. A walk backwards costs
// what a walk forwards does. Only writing back through a single table needs the table's
// cursor on the row: from a kept row, the join is first run to that row again.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "database/DatabasePlugins.h"
#include "database/RowStore.h"
#include "database/SQLJoin.h"

namespace {

// The rows a join served, in a row store: per item a code (8 bits), the column type the table
// cursor gave (32 bits), a length (32 bits) and the value's bytes; a string value (code 18)
// keeps its record, held here.
class JoinHistory {
 public:
  static std::unique_ptr<JoinHistory> Make() {
    RowStore* store = RowStoreCreate();
    return store ? std::unique_ptr<JoinHistory>(new JoinHistory(store)) : nullptr;
  }
  ~JoinHistory() { RowStoreDestroy(mStore); }
  JoinHistory(const JoinHistory&) = delete;
  JoinHistory& operator=(const JoinHistory&) = delete;

  int32_t Count() const { return RowStoreCount(mStore); }

  void Add(uint8_t code, int32_t columnType, const void* data, int32_t length) {
    if (code == kColumnString && data && length >= int32_t(sizeof(stringStorage*))) {
      stringStorage* text;
      std::memcpy(&text, data, sizeof text);
      mHeld.emplace_back(text);
      data = &mHeld.back();
      length = sizeof text;
    }
    if (!data || length < 0) length = 0;
    const size_t at = mAdding.size();
    mAdding.resize(at + kHeader + size_t(length));
    mAdding[at] = code;
    std::memcpy(mAdding.data() + at + 1, &columnType, 4);
    std::memcpy(mAdding.data() + at + 5, &length, 4);
    if (length) std::memcpy(mAdding.data() + at + kHeader, data, size_t(length));
  }
  // The items added since the last row, as the next row; false when the store fails.
  bool EndRow() {
    const bool added = RowStoreAppendBytes(mStore, mAdding.data(), uint32_t(mAdding.size()));
    mAdding.clear();
    return added;
  }

  // Row n (from 1), item i: false when it cannot be read.
  bool Value(int32_t n, int32_t i, const void** data, uint8_t* code, int32_t* length,
             int32_t* columnType) {
    if (n != mLoaded && !Load(n)) return false;
    if (i < 0 || size_t(i) >= mOffsets.size()) return false;
    const uint8_t* at = mRow.data() + mOffsets[size_t(i)];
    *code = at[0];
    std::memcpy(columnType, at + 1, 4);
    std::memcpy(length, at + 5, 4);
    *data = *length ? at + kHeader : nullptr;
    if (*code == kColumnNull) *data = nullptr;
    return true;
  }

 private:
  static constexpr size_t kHeader = 9;
  explicit JoinHistory(RowStore* store) : mStore(store) {}

  bool Load(int32_t n) {
    mLoaded = 0;
    mOffsets.clear();
    if (!RowStoreReadRow(mStore, n - 1, &mRow)) return false;
    for (uint64_t at = 0; at + kHeader <= mRow.size();) {
      uint32_t length;
      std::memcpy(&length, mRow.data() + at + 5, 4);
      if (at + kHeader + length > mRow.size()) return false;
      mOffsets.push_back(uint32_t(at));
      at += kHeader + length;
    }
    mLoaded = n;
    return true;
  }

  RowStore* mStore;
  std::vector<uint8_t> mAdding, mRow;
  std::vector<uint32_t> mOffsets;
  int32_t mLoaded = 0;
  std::vector<string> mHeld;
};

struct JoinCursor {
  std::unique_ptr<SQLJoin> join;
  std::vector<SQLSelectItem> items;
  int32_t hidden = 0;
  bool started = false;
  bool onRow = false;   // the join stands on a row
  int32_t served = 0;   // rows the join served since its start
  int32_t kept = 0;     // the kept row being read (from 1); 0: the join's own
  std::unique_ptr<JoinHistory> history;  // rows 1 .. served, once kept
  DatabaseCursorObject* servedBy = nullptr;

  int32_t Visible() const { return int32_t(items.size()) - hidden; }
  bool OnRow() const { return kept > 0 || onRow; }

  bool Restart() {
    started = true;
    history.reset();
    kept = 0;
    onRow = join->Start();
    served = onRow ? 1 : 0;
    return onRow;
  }
  // The join's next row, kept when rows are.
  bool Step() {
    if (!started) return Restart();
    onRow = onRow && join->Next();
    if (!onRow) return false;
    ++served;
    if (history) Keep();
    return true;
  }
  bool Forward() {
    if (kept > 0 && kept < served) {
      ++kept;
      return true;
    }
    kept = 0;  // the last kept row is the join's own (or the join has run out)
    return Step();
  }
  // Rows 1 .. served kept from here on: the join runs again from its start to where it stood.
  void KeepRows() {
    if (history) return;
    const int32_t reach = served;
    Restart();
    history = JoinHistory::Make();
    if (!history) return;  // no temporary files: backward moves run the join again
    if (onRow) Keep();
    while (onRow && served < reach) Step();
  }
  void Keep() {
    for (int32_t i = 0; i < int32_t(items.size()); ++i) {
      const void* data = nullptr;
      uint8_t code = 0;
      int32_t length = 0;
      LiveValue(i, &data, &code, &length);
      history->Add(code, LiveType(i), data, length);
      ReleaseLive();
    }
    if (!history->EndRow()) history.reset();
  }
  // Stands on row n (from 1) of what the join served; false, off every row, when there is none.
  bool MoveTo(int32_t n) {
    if (history && n >= 1 && n <= served) {
      kept = n == served && onRow ? 0 : n;
      return true;
    }
    Restart();  // what it did before rows were kept: run again and step there
    while (onRow && served < n) Step();
    return onRow;
  }
  // A kept row that cannot be read back (its temporary file failed) is served by the join
  // itself, run again to it: the rows are no longer kept.
  void ForgetKept() {
    const int32_t n = kept;
    history.reset();
    if (n > 0) MoveTo(n);
  }
  // Brings the join itself to the row being read, for writing back through its table.
  void StandOnRow() {
    if (kept == 0) return;
    const int32_t n = kept;
    Restart();
    while (onRow && served < n) Step();
  }

  void LiveValue(int32_t i, const void** data, uint8_t* type, int32_t* length) {
    *data = nullptr;
    *type = kColumnNull;
    *length = 0;
    DatabaseCursorObject* rs = nullptr;
    int32_t column = -1;
    if (!onRow || i < 0 || size_t(i) >= items.size() ||
        !join->Locate(items[size_t(i)], &rs, &column))
      return;
    CallCursorEntry(rs->cursor, rs->cursor->curColumnValue, rs->cursorHandle, column, data, type,
                    length);
    servedBy = rs;
  }
  void ReleaseLive() {
    DatabaseCursorObject* rs = servedBy;
    servedBy = nullptr;
    if (rs && IsCursorOpen(rs))
      CallCursorEntry(rs->cursor, rs->cursor->curReleaseValue, rs->cursorHandle);
  }
  int32_t LiveType(int32_t i) {
    DatabaseCursorObject* rs = nullptr;
    int32_t column = -1;
    if (i < 0 || size_t(i) >= items.size() || !join->Locate(items[size_t(i)], &rs, &column) ||
        !rs->cursor->curColumnType)
      return -1;
    return CallCursorEntry(rs->cursor, rs->cursor->curColumnType, rs->cursorHandle, column);
  }
  // The single table's cursor on the current row, when there is exactly one table.
  DatabaseCursorObject* SingleOnRow() {
    if (join->TableCount() != 1 || !OnRow()) return nullptr;
    StandOnRow();
    return onRow ? join->TableCursor(0) : nullptr;
  }
};

JoinCursor* Join(dbCursor cur) { return static_cast<JoinCursor*>(cur); }

void JoinClose(dbCursor cur) { delete Join(cur); }
int32_t JoinColumnCount(dbCursor cur) { return Join(cur)->Visible(); }
stringStorage* JoinColumnName(dbCursor cur, int32_t i) {
  JoinCursor* j = Join(cur);
  if (i < 0 || i >= j->Visible()) return nullptr;
  const std::string& title = j->items[size_t(i)].title;
  return string::FromBytes(title.data(), int64_t(title.size()), kEncodingUTF8)
      .ExtractStringStorage();
}
int32_t JoinRowCount(dbCursor cur) {
  JoinCursor* j = Join(cur);
  DatabaseCursorObject* single = j->join->TableCount() == 1 ? j->join->TableCursor(0) : nullptr;
  if (!single || j->join->EvaluatesHere() || !single->cursor->curRowCount) return -1;
  return CallCursorEntry(single->cursor, single->cursor->curRowCount, single->cursorHandle);
}
void JoinColumnValue(dbCursor cur, int32_t i, const void** data, uint8_t* type, int32_t* length) {
  JoinCursor* j = Join(cur);
  if (j->kept == 0) return j->LiveValue(i, data, type, length);
  int32_t columnType = 0;
  if (j->history->Value(j->kept, i, data, type, length, &columnType)) return;
  j->ForgetKept();
  j->LiveValue(i, data, type, length);
}
void JoinReleaseValue(dbCursor cur) { Join(cur)->ReleaseLive(); }
uint8_t JoinNextRow(dbCursor cur) { return Join(cur)->Forward(); }
void JoinDeleteRow(dbCursor cur) {
  if (DatabaseCursorObject* single = Join(cur)->SingleOnRow()) cursorDeleteRecord(&single->header);
}
void JoinEdit(dbCursor cur) {
  if (DatabaseCursorObject* single = Join(cur)->SingleOnRow()) cursorEdit(&single->header);
}
uint8_t JoinColumnKey(dbCursor cur, int32_t i, const char** name, int32_t* nameLength,
                      const char** condition, int32_t* conditionLength) {
  JoinCursor* j = Join(cur);
  if (j->join->TableCount() != 1) return 0;
  j->StandOnRow();
  DatabaseCursorObject* rs = nullptr;
  int32_t column = -1;
  if (i < 0 || size_t(i) >= j->items.size() || !j->join->Locate(j->items[size_t(i)], &rs, &column))
    return 0;
  return CallCursorEntry(rs->cursor, rs->cursor->curColumnKey, rs->cursorHandle, column, name,
                         nameLength, condition, conditionLength);
}
// The edits go to the table's own RecordSet, which writes them back its own way.
void JoinUpdateRow(dbCursor cur, PendingEdit* edits) {
  JoinCursor* j = Join(cur);
  DatabaseCursorObject* single = j->SingleOnRow();
  if (!single) return;
  if (!single->editing) cursorEdit(&single->header);
  for (PendingEdit* e = edits; e; e = e->next) {
    DatabaseCursorObject* rs = nullptr;
    int32_t column = -1;
    if (e->column >= 0 && size_t(e->column) < j->items.size() &&
        j->join->Locate(j->items[size_t(e->column)], &rs, &column))
      SetPendingEdit(single, column, string(e->value));
  }
  cursorUpdate(&single->header);
}
// From a row, the one before it (the first stays); past the end, the last.
uint8_t JoinPreviousRow(dbCursor cur) {
  JoinCursor* j = Join(cur);
  const bool on = j->OnRow();
  const int32_t at = j->kept > 0 ? j->kept : j->served;
  j->KeepRows();
  return j->MoveTo(on ? std::max(1, at - 1) : j->served);
}
uint8_t JoinFirstRow(dbCursor cur) { return Join(cur)->Restart(); }
uint8_t JoinLastRow(dbCursor cur) {
  JoinCursor* j = Join(cur);
  j->KeepRows();
  if (!j->history) {  // no rows kept: run through to count them, then run to the last
    j->Restart();
    while (j->onRow) j->Step();
    return j->MoveTo(j->served);
  }
  while (j->Step()) {
  }
  return j->MoveTo(j->served);
}
int32_t JoinColumnType(dbCursor cur, int32_t i) {
  JoinCursor* j = Join(cur);
  if (j->kept == 0) return j->LiveType(i);
  const void* data = nullptr;
  uint8_t code = 0;
  int32_t length = 0, columnType = -1;
  if (j->history->Value(j->kept, i, &data, &code, &length, &columnType)) return columnType;
  j->ForgetKept();
  return j->LiveType(i);
}

const QUORdbCursorDefinition* JoinCursorDefinition() {
  static QUORdbCursorDefinition definition = [] {
    QUORdbCursorDefinition d{};
    d.version = kDatabaseTableVersion;
    d.curClose = JoinClose;
    d.curColumnCount = JoinColumnCount;
    d.curColumnName = JoinColumnName;
    d.curRowCount = JoinRowCount;
    d.curColumnValue = JoinColumnValue;
    d.curReleaseValue = JoinReleaseValue;
    d.curNextRow = JoinNextRow;
    d.curDeleteRow = JoinDeleteRow;
    d.curColumnKey = JoinColumnKey;
    d.curUpdateRow = JoinUpdateRow;
    d.curEdit = JoinEdit;
    d.curPreviousRow = JoinPreviousRow;
    d.curFirstRow = JoinFirstRow;
    d.curLastRow = JoinLastRow;
    d.curColumnType = JoinColumnType;
    MarkFrameworkCursorDefinition(&d);
    return d;
  }();
  return &definition;
}

}  // namespace

RuntimeObject* MakeJoinCursor(std::unique_ptr<SQLJoin> join, std::vector<SQLSelectItem> items,
                              int32_t hidden) {
  auto* cursor = new JoinCursor;
  cursor->join = std::move(join);
  cursor->items = std::move(items);
  cursor->hidden = hidden;
  return QUORdbCursorFromDBCursor(cursor, JoinCursorDefinition());
}
