#include "database/SQLJoin.h"

#include <algorithm>
#include <cstring>

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

// Engines get trees no deeper than this: a plug-in's own walk over a tree may recurse. A
// conjunct whose tree would be deeper (a long chain that alternates AND and OR) is evaluated
// here instead, with the same rules.
constexpr int32_t kMaxEngineDepth = 200;

// The operands of the run of connectives of one kind that starts at node (node and every AND
// or OR of its kind below it, which associate), left to right.
void RunOperands(const SQLCondition* node, std::vector<const SQLCondition*>* out) {
  condition_tree::ForEachOperand(
      node, [node](const SQLCondition* n) { return n->kind == node->kind; },
      [out](const SQLCondition* n) {
        out->push_back(n);
        return true;
      });
}

int32_t LevelsFor(size_t operands) {
  int32_t levels = 0;
  while ((size_t{1} << levels) < operands) ++levels;
  return levels;
}

// The depth of the tree EngineCondition makes of c: each run balanced, each comparison at
// most two levels (one with a NULL is an AND of two).
int32_t EngineDepth(const SQLCondition* c) {
  int32_t deepest = 0;
  std::vector<std::pair<const SQLCondition*, int32_t>> pending{{c, 0}};
  std::vector<const SQLCondition*> operands;
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (!node->IsConnective()) {
      deepest = std::max(deepest, depth + 2);
      continue;
    }
    operands.clear();
    RunOperands(node, &operands);
    const int32_t below = depth + LevelsFor(operands.size());
    for (const SQLCondition* operand : operands) pending.push_back({operand, below});
  }
  return deepest;
}

// One connective over nodes, as a balanced tree that keeps their order.
SQLConditionNode* Balanced(int32_t kind, SQLConditionNode* const* nodes, size_t count) {
  if (count == 1) return nodes[0];
  const size_t half = count / 2;
  return NewConnectiveNode(kind, Balanced(kind, nodes, half),
                           Balanced(kind, nodes + half, count - half));
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

// Closes and lets go of a table cursor (nil is ignored).
void Release(RuntimeObject* cursor) {
  if (!cursor) return;
  cursorClose(cursor);
  RuntimeUnlockObject(cursor);
}

ColumnValue ReadValue(DatabaseCursorObject* rs, int32_t column) {
  const void* data = nullptr;
  uint8_t code = 0;
  int32_t length = 0;
  CallCursorEntry(rs->cursor, rs->cursor->curColumnValue, rs->cursorHandle, column, &data, &code,
                  &length);
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
  for (EngineConditions& made : mEngineConditions) FreeConditionNodes(made.root);
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
    CallCursorEntry(rs->cursor, rs->cursor->curReleaseValue, rs->cursorHandle);
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

  for (SQLSelectItem& item : *items)
    if (item.aggregate != kSQLCount) Want(item.column);
  WantAll(mWhere.get());
  std::vector<const SQLCondition*> all;
  condition_tree::CollectConjuncts(mWhere.get(), &all);
  for (const SQLCondition* c : all) {
    int32_t target = -1;
    const bool shallow = EngineDepth(c) <= kMaxEngineDepth;
    for (int32_t t = int32_t(mTables.size()) - 1; shallow && t >= 0 && target < 0; --t)
      if (Pushable(c, t)) target = t;
    mConjuncts.push_back({c, target});
    if (target < 0) mLocal.push_back(c);
  }
  return true;
}

void SQLJoin::Want(SQLColumnReference& ref) {
  SQLFromTable& table = mTables[size_t(ref.boundTable)];
  for (size_t i = 0; i < table.wanted.size(); ++i) {
    if (SameSQLName(table.wanted[i], ref.name)) {
      ref.wantedSlot = int32_t(i);
      return;
    }
  }
  // Ask for the column as the engine spells it.
  for (const std::string& column : table.schema) {
    if (SameSQLName(column, ref.name)) {
      ref.wantedSlot = int32_t(table.wanted.size());
      table.wanted.push_back(column);
      return;
    }
  }
}

void SQLJoin::WantAll(SQLCondition* c) {
  condition_tree::ForEachLeaf(c, [this](SQLCondition* leaf) {
    Want(leaf->column);
    if (leaf->valueIsColumn) Want(leaf->valueColumn);
    return true;
  });
}

bool SQLJoin::Pushable(const SQLCondition* c, int32_t table) const {
  return condition_tree::ForEachLeaf(c, [table](const SQLCondition* leaf) {
    if (leaf->column.boundTable == table)
      return !leaf->valueIsColumn || leaf->valueColumn.boundTable < table;
    // The other side names this table: only a plain comparison can be turned around.
    return leaf->valueIsColumn && leaf->valueColumn.boundTable == table &&
           leaf->column.boundTable < table && leaf->kind <= kSQLNotEqual &&
           leaf->textMode == kSQLTextExact;
  });
}

int32_t SQLJoin::IndexOf(const SQLColumnReference& ref) const {
  const SQLFromTable& table = mTables[size_t(ref.boundTable)];
  return ref.wantedSlot >= 0 && size_t(ref.wantedSlot) < table.wantedIndex.size()
             ? table.wantedIndex[size_t(ref.wantedSlot)]
             : -1;
}

template <typename Use>
bool SQLJoin::WithValue(const SQLColumnReference& ref, Use use) const {
  DatabaseCursorObject* rs = TableCursor(size_t(ref.boundTable));
  const int32_t column = rs ? IndexOf(ref) : -1;
  if (column < 0) return use(ColumnValue{});
  const ColumnValue value = ReadValue(rs, column);
  const bool answer = use(value);
  CallCursorEntry(rs->cursor, rs->cursor->curReleaseValue, rs->cursorHandle);
  return answer;
}

const SQLColumnReference& SQLJoin::OuterReference(const SQLCondition* c, int32_t table) {
  return c->column.boundTable != table ? c->column : c->valueColumn;
}

bool SQLJoin::OuterLiteral(const SQLCondition* c, int32_t table, std::string* literal) const {
  return WithValue(OuterReference(c, table), [&](const ColumnValue& v) {
    return ValueAsSQLLiteral(v, literal);
  });
}

// Recursive only from one run of connectives to the next: Prepare hands over no conjunct deeper
// than kMaxEngineDepth.
SQLConditionNode* SQLJoin::EngineCondition(const SQLCondition* c, int32_t table,
                                           EngineConditions* made) const {
  if (c->IsConnective()) {
    std::vector<const SQLCondition*> operands;
    RunOperands(c, &operands);
    std::vector<SQLConditionNode*> nodes;
    for (const SQLCondition* operand : operands)
      nodes.push_back(EngineCondition(operand, table, made));
    return Balanced(c->kind, nodes.data(), nodes.size());
  }
  const bool mirrored = c->column.boundTable != table;
  const SQLColumnReference& own = mirrored ? c->valueColumn : c->column;
  const int32_t kind = mirrored ? MirrorOperator(c->kind) : c->kind;
  if (!c->TakesValue()) return NewConditionNode(kind, c->textMode, own.name, nullptr);
  if (!c->valueIsColumn) return NewConditionNode(kind, c->textMode, own.name, &c->value);
  std::string literal;
  if (!OuterLiteral(c, table, &literal)) {  // compared with NULL: a condition no row meets
    made->reusable = false;
    return NewConnectiveNode(kSQLAnd, NewConditionNode(kSQLIsNull, 0, own.name, nullptr),
                             NewConditionNode(kSQLIsNotNull, 0, own.name, nullptr));
  }
  SQLConditionNode* node = NewConditionNode(kind, c->textMode, own.name, &literal);
  made->outerValues.emplace_back(node, c);
  return node;
}

SQLConditionNode* SQLJoin::ConditionFor(size_t i) {
  if (mEngineConditions.size() != mTables.size()) mEngineConditions.resize(mTables.size());
  EngineConditions& made = mEngineConditions[i];
  bool current = made.reusable;
  std::string literal;
  for (size_t k = 0; current && k < made.outerValues.size(); ++k) {
    auto [node, c] = made.outerValues[k];
    current = OuterLiteral(c, int32_t(i), &literal);
    if (!current) break;
    const string old(node->value);
    if (size_t(old.Length()) == literal.size() &&
        std::memcmp(old.CString(), literal.data(), literal.size()) == 0)
      continue;
    stringStorage::RemoveReference(node->value);
    node->value = string::FromBytes(literal.data(), int64_t(literal.size()), kEncodingUTF8)
                      .ExtractStringStorage();
  }
  if (current) return made.root;
  FreeConditionNodes(made.root);
  made = EngineConditions();
  made.reusable = true;
  std::vector<SQLConditionNode*> conjuncts;
  for (const Conjunct& c : mConjuncts)
    if (c.table == int32_t(i)) conjuncts.push_back(EngineCondition(c.condition, int32_t(i), &made));
  made.root = conjuncts.empty() ? nullptr : Balanced(kSQLAnd, conjuncts.data(), conjuncts.size());
  return made.root;
}

bool SQLJoin::OuterWholes(size_t i, ConditionWholes* out) {
  if (i >= mEngineConditions.size()) return false;
  EngineConditions& made = mEngineConditions[i];
  if (!made.reusable || made.outerValues.empty()) return false;
  made.wholeNodes.clear();
  made.wholes.clear();
  for (const auto& [node, c] : made.outerValues) {
    int64_t whole = 0;
    if (!WithValue(OuterReference(c, int32_t(i)),
                   [&](const ColumnValue& v) { return ValueAsWhole(v, &whole); }))
      return false;
    made.wholeNodes.push_back(node);
    made.wholes.push_back(whole);
  }
  *out = {made.wholeNodes.data(), made.wholes.data(), int32_t(made.wholes.size())};
  return true;
}

bool SQLJoin::StartOver(size_t i, RuntimeObject* cursor) {
  ConditionWholes wholes;
  if (OuterWholes(i, &wholes) && RestartRecordSet(cursor, mEngineConditions[i].root, &wholes))
    return true;
  return RestartRecordSet(cursor, ConditionFor(i));
}

bool SQLJoin::Holds(const SQLCondition* condition) const {
  return condition_tree::Evaluate(condition, [this](const SQLCondition* c) {
    std::string literal = c->value;
    if (c->valueIsColumn && !WithValue(c->valueColumn, [&](const ColumnValue& v) {
          return ValueAsSQLLiteral(v, &literal);
        }))
      return false;
    return WithValue(c->column, [&](const ColumnValue& v) {
      return ValueMeetsCondition(v, c->kind, c->textMode, literal);
    });
  }, mOpen);
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
  // The cursor this table had for the outer row before starts over where its engine can.
  RuntimeObject* cursor = table.spent;
  table.spent = nullptr;
  if (cursor && !StartOver(i, cursor)) {
    Release(cursor);
    cursor = nullptr;
  }
  if (!cursor) cursor = OpenAnew(table, ConditionFor(i));
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

RuntimeObject* SQLJoin::OpenAnew(const SQLFromTable& table, SQLConditionNode* condition) {
  std::vector<string> names;
  for (const std::string& w : table.wanted)
    names.push_back(string::FromBytes(w.data(), int64_t(w.size()), kEncodingUTF8));
  if (names.empty()) names.push_back(string("*"));  // a table only counted: any column does
  std::vector<ResultColumnNode> list(names.size());
  for (size_t k = 0; k < names.size(); ++k)
    list[k] = {k + 1 < names.size() ? &list[k + 1] : nullptr, names[k].Storage()};
  const string tableName = string::FromBytes(table.name.data(), int64_t(table.name.size()),
                                             kEncodingUTF8);
  return CallEntry(mDatabase->engine->dbOpenTable, mDatabase->engineHandle, tableName.Storage(),
                   list.data(), condition);
}

void SQLJoin::Close(size_t i, bool keep) {
  SQLFromTable& table = mTables[i];
  RuntimeObject* cursor = table.cursor;
  const FrameworkCursorDefinition* own =
      cursor ? AsFrameworkCursorDefinition(table.records->cursor) : nullptr;
  table.cursor = nullptr;
  table.records = nullptr;
  if (keep && own && own->curRestart && !table.spent) {  // to start over for the next outer row
    table.spent = cursor;
    return;
  }
  Release(cursor);
  if (keep) return;
  Release(table.spent);
  table.spent = nullptr;
}

void SQLJoin::Stop() {
  for (size_t i = mTables.size(); i-- > 0;) Close(i, false);
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
      Close(level, true);
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
