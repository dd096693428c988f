#include "database/SQLCondition.h"

#include "strings/RuntimeString.h"
#include "strings/StringFoundation.h"

namespace {

constexpr const char kInvalidIdentifier[] = "Invalid column/table identifier";

bool Fail(DatabaseObject* db, int32_t code, const std::string& message) {
  SetSQLError(db, code, message);
  return false;
}

// The operator of a comparison; false with 201 set.
bool ParseOperator(DatabaseObject* db, SQLTokenizer& tokens, int32_t* kind) {
  const SQLToken op = tokens.Next();
  static const char* const kSymbols[] = {"=", "<", ">", "<=", ">=", "<>"};
  for (int32_t i = 0; i < 6; ++i) {
    if (op.IsSymbol(kSymbols[i])) {
      *kind = i;
      return true;
    }
  }
  if (op.Is("like")) {
    *kind = kSQLLike;
    return true;
  }
  if (op.Is("not")) {
    const SQLToken like = tokens.Next();
    if (!like.Is("like")) return Fail(db, kSQLInvalidError, "Invalid operator " + like.text);
    *kind = kSQLNotLike;
    return true;
  }
  if (op.Is("is")) {
    const SQLToken word = tokens.Next();
    if (word.Is("null")) {
      *kind = kSQLIsNull;
      return true;
    }
    if (!word.Is("not")) return Fail(db, kSQLInvalidError, "Invalid operator " + word.text);
    if (!tokens.Next().Is("null")) return Fail(db, kSQLInvalidError, "Invalid operator NOT");
    *kind = kSQLIsNotNull;
    return true;
  }
  return Fail(db, kSQLInvalidError, "Invalid operator " + op.text);
}

// [ "." name ] after a first name: the first becomes the qualifier.
bool ParseQualifiedTail(DatabaseObject* db, SQLTokenizer& tokens, SQLColumnReference* reference,
                        const char* message) {
  if (!tokens.Next().IsSymbol(".")) {
    tokens.PutBack();
    return true;
  }
  const SQLToken name = tokens.Next();
  if (!IsNameToken(name)) return Fail(db, kSQLInvalidError, message);
  reference->table = std::move(reference->name);
  reference->name = name.text;
  return true;
}

bool ParseValue(DatabaseObject* db, SQLTokenizer& tokens, SQLCondition* leaf) {
  const SQLToken value = tokens.Next();
  if (value.IsQuoted()) {
    leaf->value = value.Value();
    return true;
  }
  if (leaf->kind == kSQLLike || leaf->kind == kSQLNotLike)
    return Fail(db, kSQLInvalidError, "Quotes expected after LIKE operation");
  if (IsNameToken(value)) {
    leaf->valueIsColumn = true;
    leaf->valueColumn.name = value.text;
    return ParseQualifiedTail(db, tokens, &leaf->valueColumn, kInvalidIdentifier);
  }
  // A missing value is refused rather than compared as an empty text.
  if (value.IsEnd() || value.kind == SQLTokenKind::kSymbol)
    return Fail(db, kSQLInvalidError, kInvalidIdentifier);
  leaf->value = value.text;
  return true;
}

bool ParseComparison(DatabaseObject* db, SQLTokenizer& tokens, SQLCondition* leaf) {
  SQLToken first = tokens.Next();
  const bool upper = first.Is("upper");
  if (upper || first.Is("lower")) {
    leaf->textMode = upper ? kSQLTextUpper : kSQLTextLower;
    if (!tokens.Next().IsSymbol("(")) return Fail(db, kSQLExpectedError, "Expected '('");
    first = tokens.Next();
    if (!IsNameToken(first)) return Fail(db, kSQLInvalidError, kInvalidIdentifier);
    leaf->column.name = first.text;
    if (!ParseQualifiedTail(db, tokens, &leaf->column, kInvalidIdentifier)) return false;
    if (!tokens.Next().IsSymbol(")")) return Fail(db, kSQLExpectedError, "Expected ')'");
  } else {
    if (!IsNameToken(first)) return Fail(db, kSQLInvalidError, kInvalidIdentifier);
    leaf->column.name = first.text;
    if (!ParseQualifiedTail(db, tokens, &leaf->column, kInvalidIdentifier)) return false;
  }
  if (!ParseOperator(db, tokens, &leaf->kind)) return false;
  return !leaf->TakesValue() || ParseValue(db, tokens, leaf);
}

}  // namespace

void SetSQLError(DatabaseObject* db, int32_t code, const std::string& message) {
  SetDatabaseError(db, code, message.c_str());
}

bool SameSQLName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool ParseCondition(DatabaseObject* db, SQLTokenizer& tokens, std::unique_ptr<SQLCondition>* out) {
  auto leaf = std::make_unique<SQLCondition>();
  if (!ParseComparison(db, tokens, leaf.get())) return false;
  const SQLToken next = tokens.Next();
  const bool isAnd = next.Is("and");
  if (!isAnd && !next.Is("or")) {
    tokens.PutBack();
    *out = std::move(leaf);
    return true;
  }
  auto node = std::make_unique<SQLCondition>();
  node->kind = isAnd ? kSQLAnd : kSQLOr;
  node->left = std::move(leaf);
  if (!ParseCondition(db, tokens, &node->right)) return false;
  *out = std::move(node);
  return true;
}

bool ParseColumnReference(DatabaseObject* db, SQLTokenizer& tokens, SQLColumnReference* reference,
                          const char* afterDotMessage) {
  const SQLToken name = tokens.Next();
  if (!IsNameToken(name)) return Fail(db, kSQLInvalidError, "Invalid column/table name");
  reference->name = name.text;
  return ParseQualifiedTail(db, tokens, reference, afterDotMessage);
}

bool ResolveReference(DatabaseObject* db, SQLColumnReference* reference, int32_t table,
                      const std::string& tableName, const std::string& alias,
                      const std::string& column) {
  if (!SameSQLName(reference->name, column)) return true;
  if (reference->table.empty()) {
    if (reference->boundTable >= 0 && reference->boundTable != table)
      return Fail(db, kSQLAmbiguousError, "Ambiguous column reference: " + reference->name);
    reference->boundTable = table;
  } else if (SameSQLName(reference->table, tableName) ||
             (!alias.empty() && SameSQLName(reference->table, alias))) {
    reference->boundTable = table;
  }
  return true;
}

bool ResolveConditionColumns(DatabaseObject* db, SQLCondition* tree, int32_t table,
                             const std::string& tableName, const std::string& alias,
                             const std::string& column) {
  if (!tree) return true;
  if (tree->IsConnective()) {
    return ResolveConditionColumns(db, tree->left.get(), table, tableName, alias, column) &&
           ResolveConditionColumns(db, tree->right.get(), table, tableName, alias, column);
  }
  if (!ResolveReference(db, &tree->column, table, tableName, alias, column)) return false;
  return !tree->valueIsColumn ||
         ResolveReference(db, &tree->valueColumn, table, tableName, alias, column);
}

bool CheckConditionResolved(DatabaseObject* db, const SQLCondition* tree) {
  if (!tree) return true;
  if (tree->IsConnective())
    return CheckConditionResolved(db, tree->left.get()) &&
           CheckConditionResolved(db, tree->right.get());
  if (tree->column.boundTable < 0)
    return Fail(db, kSQLUnknownColumnError, "Unknown column: " + tree->column.name);
  if (tree->valueIsColumn && tree->valueColumn.boundTable < 0)
    return Fail(db, kSQLUnknownColumnError, "Unknown column: " + tree->valueColumn.name);
  return true;
}

SQLConditionNode* NewConditionNode(int32_t kind, int32_t textMode, const std::string& column,
                                   const std::string* value) {
  auto* node = new SQLConditionNode{};
  node->kind = kind;
  node->textMode = textMode;
  node->column = string::FromBytes(column.data(), int64_t(column.size()), kEncodingUTF8)
                     .ExtractStringStorage();
  if (value)
    node->value = string::FromBytes(value->data(), int64_t(value->size()), kEncodingUTF8)
                      .ExtractStringStorage();
  return node;
}

SQLConditionNode* NewConnectiveNode(int32_t kind, SQLConditionNode* left, SQLConditionNode* right) {
  auto* node = new SQLConditionNode{};
  node->kind = kind;
  node->left = left;
  node->right = right;
  return node;
}

void FreeConditionNodes(SQLConditionNode* node) {
  if (!node) return;
  FreeConditionNodes(node->left);
  FreeConditionNodes(node->right);
  RuntimeUnlockString(node->column);
  RuntimeUnlockString(node->value);
  delete node;
}
