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
  // The comparisons and the connectives between them, read in a loop; the chain is then built
  // from its end, so that it groups to the right.
  std::vector<std::unique_ptr<SQLCondition>> leaves;
  std::vector<int32_t> connectives;
  while (true) {
    leaves.push_back(std::make_unique<SQLCondition>());
    if (!ParseComparison(db, tokens, leaves.back().get())) return false;
    const SQLToken next = tokens.Next();
    const bool isAnd = next.Is("and");
    if (!isAnd && !next.Is("or")) break;
    connectives.push_back(isAnd ? kSQLAnd : kSQLOr);
  }
  tokens.PutBack();
  std::unique_ptr<SQLCondition> tree = std::move(leaves.back());
  for (size_t i = connectives.size(); i-- > 0;) {
    auto node = std::make_unique<SQLCondition>();
    node->kind = connectives[i];
    node->left = std::move(leaves[i]);
    node->right = std::move(tree);
    tree = std::move(node);
  }
  *out = std::move(tree);
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
  return condition_tree::ForEachLeaf(tree, [&](SQLCondition* leaf) {
    return ResolveReference(db, &leaf->column, table, tableName, alias, column) &&
           (!leaf->valueIsColumn ||
            ResolveReference(db, &leaf->valueColumn, table, tableName, alias, column));
  });
}

bool CheckConditionResolved(DatabaseObject* db, const SQLCondition* tree) {
  return condition_tree::ForEachLeaf(tree, [&](const SQLCondition* leaf) {
    if (leaf->column.boundTable < 0)
      return Fail(db, kSQLUnknownColumnError, "Unknown column: " + leaf->column.name);
    if (leaf->valueIsColumn && leaf->valueColumn.boundTable < 0)
      return Fail(db, kSQLUnknownColumnError, "Unknown column: " + leaf->valueColumn.name);
    return true;
  });
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
  std::vector<SQLConditionNode*> pending;
  if (node) pending.push_back(node);
  while (!pending.empty()) {
    SQLConditionNode* next = pending.back();
    pending.pop_back();
    if (next->left) pending.push_back(next->left);
    if (next->right) pending.push_back(next->right);
    RuntimeUnlockString(next->column);
    RuntimeUnlockString(next->value);
    delete next;
  }
}
