// WHERE conditions of the SQL front end: the parse tree, its resolution against the tables a
// statement names, and the plain nodes handed to an engine's dbOpenTable.
//
// Grammar: condition := comparison [ ("and" | "or") condition ]. AND and OR have equal
// precedence and group to the right (a = 1 AND b = 2 OR c = 3 is a = 1 AND (b = 2 OR c = 3));
// there are no parentheses. comparison := column operator [value], column := [ "upper" |
// "lower" ] "(" reference ")" | reference, reference := name [ "." name ].
//
// Every failure sets the database's error code and message (200, 201, 205, 206) and answers
// false; nothing is raised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/DatabaseClasses.h"
#include "database/SQLTokenizer.h"

enum SQLConditionKind : int32_t {
  kSQLEqual = 0,
  kSQLLess = 1,
  kSQLGreater = 2,
  kSQLLessOrEqual = 3,
  kSQLGreaterOrEqual = 4,
  kSQLNotEqual = 5,
  kSQLLike = 6,
  kSQLNotLike = 7,
  kSQLIsNull = 8,
  kSQLIsNotNull = 9,
  kSQLAnd = 64,
  kSQLOr = 65,
};

// Text modes of a comparison: the column's text as stored, ignoring case (engines only),
// upper-cased, lower-cased.
enum SQLTextMode : int32_t { kSQLTextExact = 0, kSQLTextIgnoreCase = 1, kSQLTextUpper = 2,
                             kSQLTextLower = 3 };

// A column named by a statement: the qualifier as written (a table name or alias, may be
// empty), the name, and the FROM entry resolution bound it to (-1 while unbound).
struct SQLColumnReference {
  std::string table;
  std::string name;
  int32_t boundTable = -1;
};

struct SQLCondition {
  std::unique_ptr<SQLCondition> left, right;  // AND and OR only
  int32_t kind = kSQLEqual;
  int32_t textMode = kSQLTextExact;
  SQLColumnReference column;
  bool valueIsColumn = false;
  std::string value;              // the literal without its quotes
  SQLColumnReference valueColumn;  // when valueIsColumn

  bool IsConnective() const { return kind == kSQLAnd || kind == kSQLOr; }
  bool TakesValue() const { return kind != kSQLIsNull && kind != kSQLIsNotNull; }
};

// Parses a condition; false with the error set.
bool ParseCondition(DatabaseObject* db, SQLTokenizer& tokens, std::unique_ptr<SQLCondition>* out);
// Reads name [ "." name ] into reference; false (201 with the given message for the part after
// the ".") when a part is no name. The first part's message is "Invalid column/table name".
bool ParseColumnReference(DatabaseObject* db, SQLTokenizer& tokens, SQLColumnReference* reference,
                          const char* afterDotMessage);

// Binds every reference of the tree (both sides of each comparison) that names column of
// the FROM entry `table` (name and alias): a qualified one when its qualifier is the name or
// alias, an unqualified one when it is not yet bound (bound already: 205). Names compare
// ignoring ASCII case.
bool ResolveConditionColumns(DatabaseObject* db, SQLCondition* tree, int32_t table,
                             const std::string& tableName, const std::string& alias,
                             const std::string& column);
// 206 "Unknown column: " + name for the first reference still unbound.
bool CheckConditionResolved(DatabaseObject* db, const SQLCondition* tree);
// Binds one reference as ResolveConditionColumns does; false with 205 set.
bool ResolveReference(DatabaseObject* db, SQLColumnReference* reference, int32_t table,
                      const std::string& tableName, const std::string& alias,
                      const std::string& column);

// The node dbOpenTable receives, six words; plug-in engines read it. The strings are the
// node's own references.
struct SQLConditionNode {
  SQLConditionNode* left;
  SQLConditionNode* right;
  int32_t kind;
  int32_t textMode;
  stringStorage* column;
  stringStorage* value;  // nil for IS NULL and IS NOT NULL
};
static_assert(sizeof(SQLConditionNode) == 24, "engines read condition nodes");
static_assert(offsetof(SQLConditionNode, kind) == 8 && offsetof(SQLConditionNode, column) == 16,
              "SQLConditionNode layout");

SQLConditionNode* NewConditionNode(int32_t kind, int32_t textMode, const std::string& column,
                                   const std::string* value);
SQLConditionNode* NewConnectiveNode(int32_t kind, SQLConditionNode* left, SQLConditionNode* right);
// Frees a node tree (children first, then the strings, then the node); nil is ignored.
void FreeConditionNodes(SQLConditionNode* node);

// The top-level conjuncts of a condition tree (any node type with kind, left and right): the
// leaves and ORs that its ANDs join, left to right.
template <typename Node>
void CollectConjuncts(const Node* c, std::vector<const Node*>* out) {
  if (!c) return;
  if (c->kind == kSQLAnd) {
    CollectConjuncts<Node>(c->left.get(), out);
    CollectConjuncts<Node>(c->right.get(), out);
  } else {
    out->push_back(c);
  }
}

// Case-insensitive (ASCII) equality of names.
bool SameSQLName(const std::string& a, const std::string& b);

// The front end's error codes.
constexpr int32_t kSQLExpectedError = 200;
constexpr int32_t kSQLInvalidError = 201;
constexpr int32_t kSQLNoTableError = 202;
constexpr int32_t kSQLValidationError = 203;
constexpr int32_t kSQLAmbiguousError = 205;
constexpr int32_t kSQLUnknownColumnError = 206;
constexpr int32_t kSQLMismatchError = 208;
void SetSQLError(DatabaseObject* db, int32_t code, const std::string& message);
