#include "database/SQLSelect.h"

#include <memory>
#include <string>
#include <vector>

#include "database/DatabasePlugins.h"
#include "database/DatabaseShutdownContext.h"
#include "database/SQLJoin.h"
#include "database/SQLResultCursors.h"
#include "database/SQLTokenizer.h"

namespace {

bool Fail(DatabaseObject* db, int32_t code, const std::string& message) {
  SetSQLError(db, code, message);
  return false;
}

struct OrderKey {
  int32_t digits = -1;  // the result column number as written, -1 for a reference
  SQLColumnReference column;
  bool descending = false;
};

struct SelectStatement {
  std::vector<SQLSelectItem> items;
  std::vector<SQLFromTable> tables;
  std::unique_ptr<SQLCondition> where;
  std::vector<OrderKey> order;
  bool grouped = false;
  SQLColumnReference group;
};

std::string Written(const SQLColumnReference& ref) {
  return ref.table.empty() ? ref.name : ref.table + "." + ref.name;
}

bool ParseFunction(DatabaseObject* db, SQLTokenizer& tokens, const SQLToken& name,
                   SQLSelectItem* item) {
  static const char* const kFunctions[] = {"count", "avg", "sum", "min", "max"};
  for (int32_t kind = kSQLCount; kind <= kSQLMax; ++kind)
    if (name.Is(kFunctions[kind - 1])) item->aggregate = kind;
  if (item->aggregate == kSQLPlain)
    return Fail(db, kSQLInvalidError, "Unsupported SELECT function");
  if (item->aggregate == kSQLCount) {
    const SQLToken star = tokens.Next();
    if (star.kind != SQLTokenKind::kWord || star.text != "*")
      return Fail(db, kSQLInvalidError, "Only COUNT(*) supported");
    item->title = "count(*)";
  } else {
    if (!ParseColumnReference(db, tokens, &item->column, "Invalid column name")) return false;
    item->title = std::string(kFunctions[item->aggregate - 1]) + "(" + Written(item->column) + ")";
  }
  if (!tokens.Next().IsSymbol(")")) return Fail(db, kSQLExpectedError, "Expected ')'");
  return true;
}

bool ParseItem(DatabaseObject* db, SQLTokenizer& tokens, SQLSelectItem* item) {
  const SQLToken first = tokens.Next();
  if (first.kind == SQLTokenKind::kWord && first.text == "*") {
    item->star = true;
    item->title = "*";
    return true;
  }
  if (!IsNameToken(first)) return Fail(db, kSQLInvalidError, "Invalid column/table name");
  const SQLToken next = tokens.Next();
  if (next.IsSymbol("(")) return ParseFunction(db, tokens, first, item);
  item->column.name = first.text;
  if (!next.IsSymbol(".")) {
    tokens.PutBack();
    item->title = first.text;
    return true;
  }
  const SQLToken second = tokens.Next();
  item->column.table = first.text;
  if (second.kind == SQLTokenKind::kWord && second.text == "*") {
    item->star = true;
    item->title = first.text + ".*";
    return true;
  }
  if (!IsNameToken(second)) return Fail(db, kSQLInvalidError, "Invalid column name");
  item->column.name = second.text;
  item->title = Written(item->column);
  return true;
}

bool IsClauseWord(const SQLToken& t) { return t.Is("where") || t.Is("order") || t.Is("group"); }

bool ParseTables(DatabaseObject* db, SQLTokenizer& tokens, SelectStatement* s) {
  while (true) {
    const SQLToken name = tokens.Next();
    if (!IsNameToken(name) || IsClauseWord(name))
      return Fail(db, kSQLInvalidError, "Invalid table name");
    SQLFromTable table;
    table.name = name.text;
    SQLToken next = tokens.Next();
    if (IsNameToken(next) && !IsClauseWord(next)) {
      table.alias = next.text;
      next = tokens.Next();
    }
    s->tables.push_back(std::move(table));
    if (!next.IsSymbol(",")) {
      tokens.PutBack();
      return true;
    }
  }
}

bool ParseOrder(DatabaseObject* db, SQLTokenizer& tokens, SelectStatement* s) {
  if (!tokens.Next().Is("by")) return Fail(db, kSQLExpectedError, "Expecting 'BY'");
  while (true) {
    OrderKey key;
    const SQLToken first = tokens.Next();
    if (first.kind == SQLTokenKind::kNumber && IsAllDigits(first.text)) {
      key.digits = first.text.size() > 9 ? 0 : std::stoi(first.text);
    } else if (IsNameToken(first)) {
      tokens.PutBack();
      if (!ParseColumnReference(db, tokens, &key.column, "Invalid column name")) return false;
    } else {
      return Fail(db, kSQLInvalidError,
                  s->order.empty() ? "Invalid ORDER BY column" : "Invalid column index");
    }
    const SQLToken direction = tokens.Next();
    if (direction.Is("desc")) key.descending = true;
    else if (!direction.Is("asc")) tokens.PutBack();
    s->order.push_back(std::move(key));
    if (!tokens.Next().IsSymbol(",")) {
      tokens.PutBack();
      return true;
    }
  }
}

bool ParseGroup(DatabaseObject* db, SQLTokenizer& tokens, SelectStatement* s) {
  if (!tokens.Next().Is("by")) return Fail(db, kSQLExpectedError, "Expecting 'BY'");
  const SQLToken first = tokens.Next();
  if (!IsNameToken(first)) return Fail(db, kSQLInvalidError, "Invalid GROUP BY column");
  tokens.PutBack();
  if (!ParseColumnReference(db, tokens, &s->group, "Invalid GROUP BY column")) return false;
  if (tokens.Next().IsSymbol(","))
    return Fail(db, kSQLInvalidError, "Only single GROUP BY columns currently supported");
  tokens.PutBack();
  s->grouped = true;
  return true;
}

bool ParseSelect(DatabaseObject* db, SQLTokenizer& tokens, SelectStatement* s) {
  if (!tokens.Next().Is("select")) return Fail(db, kSQLExpectedError, "Expected 'SELECT'");
  while (true) {
    s->items.emplace_back();
    if (!ParseItem(db, tokens, &s->items.back())) return false;
    const SQLToken next = tokens.Next();
    if (next.Is("from")) break;
    if (!next.IsSymbol(",")) return Fail(db, kSQLExpectedError, "Expecting ','");
  }
  if (!ParseTables(db, tokens, s)) return false;
  SQLToken next = tokens.Next();
  if (next.Is("where")) {
    if (!ParseCondition(db, tokens, &s->where)) return false;
    next = tokens.Next();
  }
  if (next.Is("order")) {
    if (!ParseOrder(db, tokens, s)) return false;
    next = tokens.Next();
    if (next.Is("group"))
      return Fail(db, kSQLInvalidError, "ORDER BY can't be used in conjunction with GROUP BY");
  } else if (next.Is("group")) {
    if (!ParseGroup(db, tokens, s)) return false;
    next = tokens.Next();
  }
  if (!next.IsEnd()) return Fail(db, kSQLInvalidError, "Unexpected text: " + next.text);
  return true;
}

// Turns the ORDER BY (or GROUP BY) into sort keys over the result columns; reference keys
// become hidden items, bound later with the others. Answers the hidden count.
int32_t AddHiddenKeys(SelectStatement* s, std::vector<SQLSortKey>* keys,
                      std::vector<bool>* digitKeys) {
  int32_t hidden = 0;
  auto hide = [&](const SQLColumnReference& ref, bool descending) {
    SQLSelectItem item;
    item.column = ref;
    item.title = Written(ref);
    keys->push_back({int32_t(s->items.size()), descending});
    digitKeys->push_back(false);
    s->items.push_back(std::move(item));
    ++hidden;
  };
  if (s->grouped) hide(s->group, false);
  for (const OrderKey& key : s->order) {
    if (key.digits < 0) hide(key.column, key.descending);
    if (key.digits < 0) continue;
    keys->push_back({key.digits - 1, key.descending});  // checked once "*" expands
    digitKeys->push_back(true);
  }
  return hidden;
}

bool HasAggregate(const std::vector<SQLSelectItem>& items) {
  for (const SQLSelectItem& item : items)
    if (item.aggregate != kSQLPlain) return true;
  return false;
}

// Sources read to the end by a materialised result are closed and released here.
void Discard(RuntimeObject* source) {
  cursorClose(source);
  RuntimeUnlockObject(source);
}

// The result with its database and SQL text.
RuntimeObject* Finished(DatabaseObject* db, const string& sql, RuntimeObject* result) {
  DatabaseCursorObject* rs = AsRecordSet(result);
  if (!rs) return result;
  if (!rs->database) {
    RuntimeLockObject(&db->header);
    rs->database = db;
  }
  stringStorage::AddReference(sql.Storage());
  stringStorage::RemoveReference(rs->sqlText);
  rs->sqlText = sql.Storage();
  return result;
}

}  // namespace

RuntimeObject* RunSQLSelect(DatabaseObject* db, const string& sql) {
  SQLTokenizer tokens(std::string_view(sql.CString(), size_t(sql.Length())));
  SelectStatement s;
  if (!ParseSelect(db, tokens, &s)) return nullptr;
  std::vector<SQLSortKey> keys;
  std::vector<bool> digitKeys;
  const int32_t hidden = AddHiddenKeys(&s, &keys, &digitKeys);
  auto join = std::make_unique<SQLJoin>(db, std::move(s.tables), std::move(s.where));
  const int32_t itemsBefore = int32_t(s.items.size());
  if (!join->Prepare(&s.items)) return nullptr;
  // Hidden items moved with the expansion of "*"; digit keys count the expanded columns.
  const int32_t visible = int32_t(s.items.size()) - hidden;
  for (size_t k = 0; k < keys.size(); ++k) {
    if (!digitKeys[k]) {
      keys[k].column += int32_t(s.items.size()) - itemsBefore;
    } else if (keys[k].column < 0 || keys[k].column >= visible) {
      Fail(db, kSQLInvalidError, "Invalid column index");
      return nullptr;
    }
  }
  const bool grouping = s.grouped || HasAggregate(s.items);
  std::vector<int32_t> aggregates;
  std::vector<std::string> names;
  for (int32_t i = 0; i < visible; ++i) {
    aggregates.push_back(s.items[size_t(i)].aggregate);
    names.push_back(s.items[size_t(i)].title);
  }
  const bool materialised = grouping || !keys.empty();
  // The join serves COUNT(*) items as NULL, and a plain item of the group column as the key.
  GroupingHints hints;
  for (int32_t i = 0; i < visible; ++i) {
    const SQLSelectItem& item = s.items[size_t(i)];
    hints.alwaysNull.push_back(item.aggregate == kSQLCount);
    const SQLColumnReference& key = s.items.back().column;
    if (s.grouped && hints.keyAlias < 0 && item.aggregate == kSQLPlain &&
        item.column.boundTable == key.boundTable && item.column.wantedSlot == key.wantedSlot &&
        key.wantedSlot >= 0)
      hints.keyAlias = i;
  }
  RuntimeObject* result = MakeJoinCursor(std::move(join), std::move(s.items),
                                         materialised ? 0 : hidden);
  // GROUP BY groups by hashing when that answers exactly what grouping the sorted rows would;
  // else the join starts over for the sort.
  if (result && s.grouped) {
    if (RuntimeObject* grouped = MakeHashedGroupResultCursor(result, aggregates, names,
                                                             keys[0].column, hints, db)) {
      Discard(result);
      return Finished(db, sql, grouped);
    }
    CursorMoveFirst(result);
  }
  if (result && !keys.empty()) {
    RuntimeObject* sorted = MakeSortedResultCursor(result, keys, grouping ? 0 : hidden, db);
    Discard(result);
    result = sorted;
  }
  if (result && grouping) {
    RuntimeObject* grouped = MakeGroupedResultCursor(
        result, aggregates, names, keys.empty() ? -1 : keys[0].column, db);
    Discard(result);
    result = grouped;
  }
  return Finished(db, sql, result);
}
