#include "database/SQLJoin.h"

#include <algorithm>

#include "database/DatabasePlugins.h"
#include "database/DatabaseShutdownContext.h"
#include "database/SQLResultCursors.h"
#include "database/SQLValueMatch.h"

namespace {

bool Fail(DatabaseObject* db, int32_t code, const std::string& message) {
  SetSQLError(db, code, message);
  return false;
}

std::string StdString(const string& s) {
  return std::string(s.CString(), size_t(s.Length()));
}

// The comparison with its sides swapped.
int32_t MirrorOperator(int32_t kind) {
  switch (kind) {
    case kSQLLess: return kSQLGreater;
    case kSQLGreater: return kSQLLess;
    case kSQLLessOrEqual: return kSQLGreaterOrEqual;
    case kSQLGreaterOrEqual: return kSQLLessOrEqual;
    default: return kind;
  }
}

ColumnValue ReadValue(DatabaseCursorObject* rs, int32_t column) {
  const void* data = nullptr;
  uint8_t code = 0;
  int32_t length = 0;
  CallEntry(rs->cursor->curColumnValue, rs->cursorHandle, column, &data, &code, &length);
  ColumnValue value;
  value.code = code;
  value.data = length >= 0 ? static_cast<const uint8_t*>(data) : nullptr;
  value.length = length >= 0 ? uint32_t(length) : 0;
  return value;
}

}  // namespace

SQLJoin::SQLJoin(DatabaseObject* db, std::vector<SQLFromTable> tables,
                 std::unique_ptr<SQLCondition> where)
    : mDatabase(db), mTables(std::move(tables)), mWhere(std::move(where)) {
  RuntimeLockObject(&db->header);
}

SQLJoin::~SQLJoin() {
  Stop();
  RuntimeUnlockObject(&mDatabase->header);
}

bool SQLJoin::LoadSchema(size_t i) {
  SQLFromTable& table = mTables[i];
  const string name = string::FromBytes(table.name.data(), int64_t(table.name.size()),
                                        kEncodingUTF8);
  RuntimeObject* fields = databaseFieldSchema(&mDatabase->header, name.Storage());
  DatabaseCursorObject* rs = AsRecordSet(fields);
  if (!rs) {
    RuntimeUnlockObject(fields);
    return Fail(mDatabase, kSQLNoTableError, "Invalid table " + table.name);
  }
  bool sound = true;
  while (sound && !rs->eof && IsCursorOpen(rs)) {
    const ColumnValue first = cursorFieldCount(fields) > 0 ? ReadValue(rs, 0) : ColumnValue{};
    const bool present = first.data && first.code != kColumnNull;
    if (present) table.schema.push_back(StdString(ColumnString(first)));
    CallEntry(rs->cursor->curReleaseValue, rs->cursorHandle);
    if (!present) sound = Fail(mDatabase, kSQLValidationError, "Internal validation error");
    cursorMoveNext(fields);
  }
  cursorClose(fields);
  RuntimeUnlockObject(fields);
  return sound;
}

bool SQLJoin::Prepare(std::vector<SQLSelectItem>* items) {
  for (size_t i = 0; i < mTables.size(); ++i)
    if (!LoadSchema(i)) return false;
  // "*" and "t.*" become one item per column, in the field lists' order.
  std::vector<SQLSelectItem> expanded;
  for (SQLSelectItem& item : *items) {
    if (!item.star) {
      expanded.push_back(std::move(item));
      continue;
    }
    bool found = false;
    for (size_t t = 0; t < mTables.size(); ++t) {
      const SQLFromTable& table = mTables[t];
      const std::string& q = item.column.table;
      if (!q.empty() && !SameSQLName(q, table.name) &&
          !(table.alias.size() && SameSQLName(q, table.alias)))
        continue;
      found = true;
      for (const std::string& column : table.schema) {
        SQLSelectItem one;
        one.column.name = column;
        one.column.boundTable = int32_t(t);
        one.schemaName = column;
        one.title = column;
        one.expanded = true;
        expanded.push_back(std::move(one));
      }
    }
    if (!found) return Fail(mDatabase, kSQLUnknownColumnError, "Unknown column: " + item.title);
  }
  *items = std::move(expanded);
  for (size_t t = 0; t < mTables.size(); ++t) {
    const SQLFromTable& table = mTables[t];
    for (const std::string& column : table.schema) {
      for (SQLSelectItem& item : *items) {
        if (item.aggregate == kSQLCount || item.expanded) continue;
        const int32_t before = item.column.boundTable;
        if (!ResolveReference(mDatabase, &item.column, int32_t(t), table.name, table.alias,
                              column))
          return false;
        if (item.column.boundTable != before) item.schemaName = column;
      }
      if (!ResolveConditionColumns(mDatabase, mWhere.get(), int32_t(t), table.name, table.alias,
                                   column))
        return false;
    }
  }
  for (const SQLSelectItem& item : *items) {
    if (item.aggregate != kSQLCount && item.column.boundTable < 0)
      return Fail(mDatabase, kSQLUnknownColumnError, "Unknown column: " + item.column.name);
  }
  if (!CheckConditionResolved(mDatabase, mWhere.get())) return false;

  for (const SQLSelectItem& item : *items)
    if (item.aggregate != kSQLCount) Want(item.column);
  WantAll(mWhere.get());
  std::vector<const SQLCondition*> all;
  CollectConjuncts(mWhere.get(), &all);
  for (const SQLCondition* c : all) {
    int32_t target = -1;
    for (int32_t t = int32_t(mTables.size()) - 1; t >= 0 && target < 0; --t)
      if (Pushable(c, t)) target = t;
    mConjuncts.push_back({c, target});
    if (target < 0) mLocal.push_back(c);
  }
  return true;
}

void SQLJoin::Want(const SQLColumnReference& ref) {
  SQLFromTable& table = mTables[size_t(ref.boundTable)];
  for (const std::string& w : table.wanted)
    if (SameSQLName(w, ref.name)) return;
  // Ask for the column as the engine spells it.
  for (const std::string& column : table.schema) {
    if (SameSQLName(column, ref.name)) {
      table.wanted.push_back(column);
      return;
    }
  }
}

void SQLJoin::WantAll(const SQLCondition* c) {
  if (!c) return;
  if (c->IsConnective()) {
    WantAll(c->left.get());
    WantAll(c->right.get());
    return;
  }
  Want(c->column);
  if (c->valueIsColumn) Want(c->valueColumn);
}

bool SQLJoin::Pushable(const SQLCondition* c, int32_t table) const {
  if (c->IsConnective()) return Pushable(c->left.get(), table) && Pushable(c->right.get(), table);
  if (c->column.boundTable == table)
    return !c->valueIsColumn || c->valueColumn.boundTable < table;
  // The other side names this table: only a plain comparison can be turned around.
  return c->valueIsColumn && c->valueColumn.boundTable == table && c->column.boundTable < table &&
         c->kind <= kSQLNotEqual && c->textMode == kSQLTextExact;
}

int32_t SQLJoin::IndexOf(const SQLColumnReference& ref) const {
  const SQLFromTable& table = mTables[size_t(ref.boundTable)];
  for (size_t i = 0; i < table.wanted.size(); ++i)
    if (SameSQLName(table.wanted[i], ref.name)) return table.wantedIndex[i];
  return -1;
}

template <typename Use>
bool SQLJoin::WithValue(const SQLColumnReference& ref, Use use) const {
  DatabaseCursorObject* rs = TableCursor(size_t(ref.boundTable));
  const int32_t column = rs ? IndexOf(ref) : -1;
  if (column < 0) return use(ColumnValue{});
  const ColumnValue value = ReadValue(rs, column);
  const bool answer = use(value);
  CallEntry(rs->cursor->curReleaseValue, rs->cursorHandle);
  return answer;
}

SQLConditionNode* SQLJoin::EngineCondition(const SQLCondition* c, int32_t table) const {
  if (c->IsConnective())
    return NewConnectiveNode(c->kind, EngineCondition(c->left.get(), table),
                             EngineCondition(c->right.get(), table));
  const bool mirrored = c->column.boundTable != table;
  const SQLColumnReference& own = mirrored ? c->valueColumn : c->column;
  const int32_t kind = mirrored ? MirrorOperator(c->kind) : c->kind;
  if (!c->TakesValue()) return NewConditionNode(kind, c->textMode, own.name, nullptr);
  if (!c->valueIsColumn) return NewConditionNode(kind, c->textMode, own.name, &c->value);
  std::string literal;
  const bool present = WithValue(mirrored ? c->column : c->valueColumn, [&](const ColumnValue& v) {
    return ValueAsSQLLiteral(v, &literal);
  });
  if (!present)  // compared with NULL: a condition no row meets
    return NewConnectiveNode(kSQLAnd, NewConditionNode(kSQLIsNull, 0, own.name, nullptr),
                             NewConditionNode(kSQLIsNotNull, 0, own.name, nullptr));
  return NewConditionNode(kind, c->textMode, own.name, &literal);
}

bool SQLJoin::Holds(const SQLCondition* c) const {
  if (c->kind == kSQLAnd) return Holds(c->left.get()) && Holds(c->right.get());
  if (c->kind == kSQLOr) return Holds(c->left.get()) || Holds(c->right.get());
  std::string literal = c->value;
  if (c->valueIsColumn && !WithValue(c->valueColumn, [&](const ColumnValue& v) {
        return ValueAsSQLLiteral(v, &literal);
      }))
    return false;
  return WithValue(c->column, [&](const ColumnValue& v) {
    return ValueMeetsCondition(v, c->kind, c->textMode, literal);
  });
}

bool SQLJoin::LocalConditionsHold() const {
  for (const SQLCondition* c : mLocal)
    if (!Holds(c)) return false;
  return true;
}

bool SQLJoin::Open(size_t i) {
  SQLFromTable& table = mTables[i];
  const QUORdbEngineDefinition* engine = mDatabase->engine;
  if (!mDatabase->opened || !engine || !engine->dbOpenTable) return false;
  SQLConditionNode* condition = nullptr;
  for (const Conjunct& c : mConjuncts) {
    if (c.table != int32_t(i)) continue;
    SQLConditionNode* node = EngineCondition(c.condition, int32_t(i));
    condition = condition ? NewConnectiveNode(kSQLAnd, condition, node) : node;
  }
  std::vector<string> names;
  for (const std::string& w : table.wanted)
    names.push_back(string::FromBytes(w.data(), int64_t(w.size()), kEncodingUTF8));
  if (names.empty()) names.push_back(string("*"));  // a table only counted: any column does
  std::vector<ResultColumnNode> list(names.size());
  for (size_t k = 0; k < names.size(); ++k)
    list[k] = {k + 1 < names.size() ? &list[k + 1] : nullptr, names[k].Storage()};
  const string tableName = string::FromBytes(table.name.data(), int64_t(table.name.size()),
                                             kEncodingUTF8);
  RuntimeObject* cursor = CallEntry(engine->dbOpenTable, mDatabase->engineHandle,
                                    tableName.Storage(), list.data(), condition);
  FreeConditionNodes(condition);
  DatabaseCursorObject* rs = AsRecordSet(cursor);
  if (!rs) {
    RuntimeUnlockObject(cursor);
    return false;
  }
  if (!rs->database) {  // so that writing edited fields back can build its statements
    RuntimeLockObject(&mDatabase->header);
    rs->database = mDatabase;
  }
  table.cursor = cursor;
  table.records = rs;
  if (table.wantedIndex.size() != table.wanted.size()) {
    const int32_t count = cursorFieldCount(cursor);
    for (const std::string& w : table.wanted) {
      int32_t found = -1;
      for (int32_t k = 0; k < count && found < 0; ++k)
        if (SameSQLName(StdString(CursorColumnName(rs, k)), w)) found = k;
      table.wantedIndex.push_back(found);
    }
  }
  return true;
}

void SQLJoin::Close(size_t i) {
  RuntimeObject* cursor = mTables[i].cursor;
  mTables[i].cursor = nullptr;
  mTables[i].records = nullptr;
  if (!cursor) return;
  cursorClose(cursor);
  RuntimeUnlockObject(cursor);
}

void SQLJoin::Stop() {
  for (size_t i = mTables.size(); i-- > 0;) Close(i);
}

DatabaseCursorObject* SQLJoin::TableCursor(size_t i) const {
  return i < mTables.size() ? mTables[i].records : nullptr;
}

bool SQLJoin::Locate(const SQLSelectItem& item, DatabaseCursorObject** cursor,
                     int32_t* column) const {
  if (item.aggregate == kSQLCount || item.column.boundTable < 0) return false;
  *cursor = TableCursor(size_t(item.column.boundTable));
  *column = *cursor ? IndexOf(item.column) : -1;
  return *column >= 0;
}

bool SQLJoin::Start() {
  Stop();
  if (mTables.empty() || !Open(0)) return false;
  return Step(0, true);
}

bool SQLJoin::Next() {
  const size_t last = mTables.size() - 1;
  return TableCursor(last) && Step(last, false);
}

// Steps the table at level (unless it was just opened and stands on its first row), opening
// inner tables afresh and stepping outer ones as inner ones run out, until a joined row meets
// the conditions evaluated here.
bool SQLJoin::Step(size_t level, bool fresh) {
  const size_t last = mTables.size() - 1;
  while (true) {
    DatabaseCursorObject* rs = TableCursor(level);
    if (!rs) return false;
    if (!fresh) cursorMoveNext(mTables[level].cursor);
    fresh = false;
    if (rs->eof || !IsCursorOpen(rs)) {
      Close(level);
      if (level == 0) return false;
      --level;
      continue;
    }
    if (level < last) {
      if (!Open(level + 1)) continue;  // nothing there for this row: the outer one moves on
      ++level;
      fresh = true;
      continue;
    }
    if (LocalConditionsHold()) return true;
  }
}
