#include "database/SQLStatements.h"

#include <memory>
#include <string>
#include <vector>

#include "database/SQLCondition.h"
#include "database/SQLJoin.h"
#include "database/SQLSelect.h"
#include "database/SQLTokenizer.h"

namespace {

bool Fail(DatabaseObject* db, int32_t code, const std::string& message) {
  SetSQLError(db, code, message);
  return false;
}

string Text(const std::string& s) {
  return string::FromBytes(s.data(), int64_t(s.size()), kEncodingUTF8);
}

// Nothing may follow a complete statement.
bool AtEnd(DatabaseObject* db, SQLTokenizer& tokens) {
  const SQLToken extra = tokens.Next();
  return extra.IsEnd() || Fail(db, kSQLInvalidError, "Unexpected text: " + extra.text);
}

bool ExpectSymbol(DatabaseObject* db, SQLTokenizer& tokens, const char* symbol,
                  const char* message) {
  return tokens.Next().IsSymbol(symbol) || Fail(db, kSQLExpectedError, message);
}

bool ReadName(DatabaseObject* db, SQLTokenizer& tokens, const char* message, std::string* name) {
  const SQLToken token = tokens.Next();
  if (!IsNameToken(token)) return Fail(db, kSQLInvalidError, message);
  *name = token.text;
  return true;
}

// A value of INSERT or UPDATE: a literal without its quotes, or a word or number as written.
bool ReadValue(SQLTokenizer& tokens, std::string* value) {
  const SQLToken token = tokens.Next();
  if (token.IsEnd() || token.kind == SQLTokenKind::kSymbol) return false;
  *value = token.Value();
  return true;
}

struct ColumnDefinition {
  std::string name;
  int32_t fieldType = 0;
  bool nullAllowed = true;
};

bool ParseFieldType(DatabaseObject* db, SQLTokenizer& tokens, int32_t* type) {
  static const struct { const char* word; int32_t type; } kTypes[] = {
      {"smallint", 2}, {"integer", 3}, {"char", 5}, {"character", 5}, {"varchar", 5},
      {"float", 6}, {"double", 7}, {"date", 8}, {"time", 9}, {"timestamp", 10}, {"boolean", 12}};
  const SQLToken word = tokens.Next();
  *type = 0;
  for (const auto& t : kTypes)
    if (word.Is(t.word)) *type = t.type;
  if (word.Is("long")) {
    const SQLToken second = tokens.Next();
    if (second.Is("varchar")) *type = 15;
    if (second.Is("varbinary")) *type = 16;
  }
  if (!*type) return Fail(db, kSQLExpectedError, "Expecting field type");
  if (*type != 5) return true;
  if (!tokens.Next().IsSymbol("(")) {
    tokens.PutBack();
    return true;
  }
  const SQLToken length = tokens.Next();
  if (!IsAllDigits(length.text) || length.kind != SQLTokenKind::kNumber)
    return Fail(db, kSQLInvalidError, "Invalid field constraint");
  return ExpectSymbol(db, tokens, ")", "Expecting ')'");
}

bool ParseColumnDefinition(DatabaseObject* db, SQLTokenizer& tokens, ColumnDefinition* column) {
  if (!ReadName(db, tokens, "Invalid column name", &column->name)) return false;
  if (!ParseFieldType(db, tokens, &column->fieldType)) return false;
  if (!tokens.Next().Is("not")) {
    tokens.PutBack();
    return true;
  }
  if (!tokens.Next().Is("null")) return Fail(db, kSQLExpectedError, "Expecting 'NULL'");
  column->nullAllowed = false;
  return true;
}

// The definitions as the engine reads them; they live as long as the holder.
class DefinitionList {
 public:
  explicit DefinitionList(const std::vector<ColumnDefinition>& columns) {
    for (const ColumnDefinition& c : columns) mNames.push_back(Text(c.name));
    mNodes.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
      mNodes[i] = {i + 1 < columns.size() ? &mNodes[i + 1] : nullptr, mNames[i].Storage(),
                   columns[i].fieldType, columns[i].nullAllowed ? 1 : 0};
  }
  SQLColumnDefinition* First() { return mNodes.data(); }

 private:
  std::vector<string> mNames;
  std::vector<SQLColumnDefinition> mNodes;
};

bool ParsePrimaryKey(DatabaseObject* db, SQLTokenizer& tokens,
                     const std::vector<ColumnDefinition>& columns, std::vector<uint8_t>* keys) {
  if (!tokens.Next().Is("key")) return Fail(db, kSQLExpectedError, "Expecting 'KEY'");
  if (!ExpectSymbol(db, tokens, "(", "Expecting '('")) return false;
  while (true) {
    std::string name;
    if (!ReadName(db, tokens, "Invalid column name", &name)) return false;
    size_t position = 0;
    while (position < columns.size() && !SameSQLName(columns[position].name, name)) ++position;
    if (position == columns.size()) return Fail(db, kSQLInvalidError, "Invalid column");
    if (position > 255) return Fail(db, kSQLInvalidError, "Too many columns");
    keys->push_back(uint8_t(position));
    const SQLToken next = tokens.Next();
    if (next.IsSymbol(")")) return true;
    if (!next.IsSymbol(",")) return Fail(db, kSQLInvalidError, "Expecting ',' or ')'");
  }
}

void CreateTable(DatabaseObject* db, SQLTokenizer& tokens) {
  if (!tokens.Next().Is("table")) return;  // CREATE INDEX and the like do nothing
  std::string table;
  if (!ReadName(db, tokens, "Invalid table name", &table)) return;
  if (!ExpectSymbol(db, tokens, "(", "Expecting '('")) return;
  std::vector<ColumnDefinition> columns;
  std::vector<uint8_t> keys;
  if (!tokens.Next().IsSymbol(")")) {
    tokens.PutBack();
    while (true) {
      if (tokens.Next().Is("primary")) {
        if (!ParsePrimaryKey(db, tokens, columns, &keys)) return;
      } else {
        tokens.PutBack();
        columns.emplace_back();
        if (!ParseColumnDefinition(db, tokens, &columns.back())) return;
      }
      const SQLToken next = tokens.Next();
      if (next.IsSymbol(")")) break;
      if (!next.IsSymbol(",")) return void(Fail(db, kSQLExpectedError, "Expecting ',' or ')'"));
    }
  }
  if (columns.empty())
    return void(
        Fail(db, kSQLUnknownColumnError, "CREATE TABLE requires at least one column defined"));
  if (!AtEnd(db, tokens)) return;
  DefinitionList list(columns);
  CallEntry(db->engine->dbCreateTable, db->engineHandle, Text(table).Storage(), list.First(),
            keys.data(), int32_t(keys.size()));
}

void AlterTable(DatabaseObject* db, SQLTokenizer& tokens) {
  if (!tokens.Next().Is("table")) return;
  std::string table;
  if (!ReadName(db, tokens, "Invalid table name", &table)) return;
  const SQLToken action = tokens.Next();
  if (action.Is("drop"))
    return void(Fail(db, 2008, "Dropping columns is not supported for this database"));
  if (!action.Is("add")) return void(Fail(db, kSQLExpectedError, "Expected 'ADD'"));
  if (!tokens.Next().Is("column")) tokens.PutBack();
  std::vector<ColumnDefinition> column(1);
  if (!ParseColumnDefinition(db, tokens, &column[0]) || !AtEnd(db, tokens)) return;
  DefinitionList list(column);
  CallEntry(db->engine->dbAddColumn, db->engineHandle, Text(table).Storage(), list.First());
}

void Insert(DatabaseObject* db, SQLTokenizer& tokens) {
  if (!tokens.Next().Is("into")) return void(Fail(db, kSQLExpectedError, "Expecting 'INTO'"));
  std::string table;
  if (!ReadName(db, tokens, "Invalid table name", &table)) return;
  if (!ExpectSymbol(db, tokens, "(", "Expecting '('")) return;
  std::vector<std::string> names, values;
  names.reserve(16);
  values.reserve(16);
  while (true) {
    std::string name;
    if (!ReadName(db, tokens, "Invalid column name", &name)) return;
    for (const std::string& n : names)
      if (SameSQLName(n, name))
        return void(Fail(db, kSQLMismatchError, "Mismatched INSERT columns"));
    names.push_back(std::move(name));
    const SQLToken next = tokens.Next();
    if (next.IsSymbol(")")) break;
    if (!next.IsSymbol(",")) return void(Fail(db, kSQLExpectedError, "Expecting ')'"));
  }
  if (!tokens.Next().Is("values")) return void(Fail(db, kSQLExpectedError, "Expecting 'VALUES'"));
  if (!ExpectSymbol(db, tokens, "(", "Expecting '('")) return;
  while (true) {
    std::string value;
    if (!ReadValue(tokens, &value)) return void(Fail(db, kSQLExpectedError, "Expecting ')'"));
    values.push_back(std::move(value));
    const SQLToken next = tokens.Next();
    if (next.IsSymbol(")")) break;
    if (!next.IsSymbol(",")) return void(Fail(db, kSQLExpectedError, "Expecting ')'"));
  }
  if (values.size() != names.size())
    return void(Fail(db, kSQLMismatchError, "Mismatched INSERT columns"));
  if (!AtEnd(db, tokens)) return;
  std::vector<string> texts;
  texts.reserve(2 * names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    texts.push_back(Text(names[i]));
    texts.push_back(Text(values[i]));
  }
  std::vector<DatabaseRecordColumn> list(names.size());
  for (size_t i = 0; i < list.size(); ++i)
    list[i] = {i + 1 < list.size() ? &list[i + 1] : nullptr, texts[2 * i].Storage(),
               texts[2 * i + 1].Storage(), kColumnText};
  CallEntry(db->engine->dbInsertRow, db->engineHandle, Text(table).Storage(), list.data());
}

// The WHERE of UPDATE and DELETE, then the statement's end; the table checked and opened as a
// one-table join.
std::unique_ptr<SQLJoin> PrepareTable(DatabaseObject* db, SQLTokenizer& tokens,
                                      const std::string& table, bool allColumns) {
  std::unique_ptr<SQLCondition> where;
  const SQLToken next = tokens.Next();
  if (next.Is("where")) {
    if (!ParseCondition(db, tokens, &where)) return nullptr;
  } else {
    tokens.PutBack();
  }
  if (!AtEnd(db, tokens)) return nullptr;
  std::vector<SQLFromTable> tables(1);
  tables[0].name = table;
  auto join = std::make_unique<SQLJoin>(db, std::move(tables), std::move(where));
  std::vector<SQLSelectItem> items;
  if (allColumns) {
    items.emplace_back();
    items.back().star = true;
  }
  if (!join->Prepare(&items)) return nullptr;
  return join;
}

// An engine error on a row stops the statement (and stays as the database's error).
bool EngineFailed(DatabaseObject* db) {
  return db->errorCode != 0 || CallEntry(db->engine->dbErrorCode, db->engineHandle) != 0;
}

void Update(DatabaseObject* db, SQLTokenizer& tokens) {
  std::string table;
  if (!ReadName(db, tokens, "Invalid table name", &table)) return;
  if (!tokens.Next().Is("set")) return void(Fail(db, kSQLExpectedError, "Expecting 'SET'"));
  struct Assignment {
    std::string column, value;
    int32_t index = -1;
  };
  std::vector<Assignment> assignments;
  do {
    Assignment a;
    if (!ReadName(db, tokens, "Invalid column name", &a.column)) return;
    if (!ExpectSymbol(db, tokens, "=", "Expecting '='")) return;
    if (!ReadValue(tokens, &a.value))
      return void(Fail(db, kSQLMismatchError, "Mismatched update fields"));
    for (const Assignment& other : assignments)
      if (SameSQLName(other.column, a.column))
        return void(Fail(db, kSQLMismatchError, "Mismatched update fields"));
    assignments.push_back(std::move(a));
  } while (tokens.Next().IsSymbol(","));
  tokens.PutBack();
  std::unique_ptr<SQLJoin> join = PrepareTable(db, tokens, table, true);
  if (!join) return;
  for (const Assignment& a : assignments) {
    bool known = false;
    for (const std::string& column : join->Schema(0))
      known = known || SameSQLName(column, a.column);
    if (!known)
      return void(Fail(db, kSQLMismatchError,
                       "The column " + a.column + " does not exist in table " + table));
  }
  // Each text made once: the engine knows a text it converted before by its record.
  std::vector<string> texts;
  for (const Assignment& a : assignments) texts.push_back(Text(a.value));
  for (bool onRow = join->Start(); onRow; onRow = join->Next()) {
    DatabaseCursorObject* rs = join->TableCursor(0);
    RuntimeObject* cursor = &rs->header;
    for (Assignment& a : assignments) {
      for (int32_t k = 0; a.index < 0 && k < cursorFieldCount(cursor); ++k) {
        const string name = CursorColumnName(rs, k);
        if (SameSQLName(std::string(name.CString(), size_t(name.Length())), a.column))
          a.index = k;
      }
    }
    cursorEdit(cursor);
    for (size_t k = 0; k < assignments.size(); ++k)
      if (assignments[k].index >= 0) SetPendingEdit(rs, assignments[k].index, texts[k]);
    cursorUpdate(cursor);
    if (EngineFailed(db)) break;
  }
}

void Delete(DatabaseObject* db, SQLTokenizer& tokens) {
  if (!tokens.Next().Is("from")) return void(Fail(db, kSQLExpectedError, "Expecting 'FROM'"));
  std::string table;
  if (!ReadName(db, tokens, "Invalid table name", &table)) return;
  std::unique_ptr<SQLJoin> join = PrepareTable(db, tokens, table, false);
  if (!join) return;
  for (bool onRow = join->Start(); onRow; onRow = join->Next()) {
    cursorDeleteRecord(&join->TableCursor(0)->header);
    if (EngineFailed(db)) break;
  }
}

void EndTransaction(DatabaseObject* db, SQLTokenizer& tokens, void (*entry)(dbDatabase)) {
  if (AtEnd(db, tokens)) CallEntry(entry, db->engineHandle);
}

RuntimeObject* FrontEnd(DatabaseObject* db, const string& sql, SQLStatementUse use) {
  if (use == SQLStatementUse::kQuery) return RunSQLSelect(db, sql);
  RunSQLStatement(db, sql);
  return nullptr;
}

}  // namespace

void RunSQLStatement(DatabaseObject* db, const string& sql) {
  if (!db || !db->engine) return;
  std::string_view text(sql.CString(), size_t(sql.Length()));
  while (!text.empty() && (text.back() == ';' || static_cast<signed char>(text.back()) <= 32))
    text.remove_suffix(1);
  SQLTokenizer tokens(text);
  const SQLToken verb = tokens.Next();
  const QUORdbEngineDefinition* engine = db->engine;
  if (verb.Is("commit")) EndTransaction(db, tokens, engine->dbCommit);
  else if (verb.Is("rollback")) EndTransaction(db, tokens, engine->dbRollback);
  else if (verb.Is("create")) CreateTable(db, tokens);
  else if (verb.Is("alter")) AlterTable(db, tokens);
  else if (verb.Is("update")) Update(db, tokens);
  else if (verb.Is("delete")) Delete(db, tokens);
  else if (verb.Is("insert")) Insert(db, tokens);
  else if (verb.Is("drop"))
    SetSQLError(db, 2007, "Dropping tables from this database is not currently supported.");
}

void InstallSQLFrontEnd() { SetSQLFrontEnd(FrontEnd); }
