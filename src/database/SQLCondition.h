// WHERE conditions of the SQL front end: the parse tree, its resolution against the tables a
// statement names, and the plain nodes handed to an engine's dbOpenTable.
//
// Grammar: condition := comparison [ ("and" | "or") condition ]. AND and OR have equal
// precedence and group to the right (a = 1 AND b = 2 OR c = 3 is a = 1 AND (b = 2 OR c = 3));
// there are no parentheses, so nothing nests: a "(" where a column belongs is 201. A chain is
// read in a loop and every walk over the tree is a loop, so its length is bounded by memory
// alone. comparison := column operator [value], column := [ "upper" | "lower" ] "(" reference
// ")" | reference, reference := name [ "." name ].
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

// Walks over condition trees (any node type with kind, left and right; children held plainly
// or by unique_ptr), none of them recursive: statement text may chain tens of thousands of
// ANDs and ORs, one tree level each.
namespace condition_tree {

template <typename T>
T* Child(const std::unique_ptr<T>& child) { return child.get(); }
template <typename T>
T* Child(T* child) { return child; }
inline bool IsConnective(int32_t kind) { return kind == kSQLAnd || kind == kSQLOr; }

// Calls visit(operand) for the operands of the connectives below root that inner(node)
// selects (root's own when it is one; root itself when not), left to right, stopping at the
// first visit that answers false; answers whether none did. Absent children are skipped.
template <typename Node, typename Inner, typename Visit>
bool ForEachOperand(Node* root, Inner inner, Visit visit) {
  std::vector<Node*> pending;
  for (Node* node = root; node || !pending.empty();) {
    if (!node) {
      node = pending.back();
      pending.pop_back();
    }
    if (inner(node)) {
      if (Node* right = Child(node->right)) pending.push_back(right);
      node = Child(node->left);
      continue;
    }
    if (!visit(node)) return false;
    node = nullptr;
  }
  return true;
}

// The leaves (nodes other than AND and OR), as ForEachOperand visits them.
template <typename Node, typename Visit>
bool ForEachLeaf(Node* root, Visit visit) {
  return ForEachOperand(root, [](Node* n) { return IsConnective(n->kind); }, visit);
}

// The truth of a tree: each AND and OR takes its left side first and its right side only when
// the left does not decide; holds(leaf) for the leaves, and an absent child holds. open is
// scratch space a caller may keep from one evaluation to the next.
template <typename Node, typename Holds>
bool Evaluate(const Node* root, Holds holds, std::vector<const Node*>& open) {
  open.clear();
  const Node* node = root;
  while (true) {
    while (node && IsConnective(node->kind)) {  // open the left sides down to a leaf
      open.push_back(node);
      node = Child(node->left);
    }
    bool value = node ? holds(node) : true;
    while (true) {
      if (open.empty()) return value;
      const Node* parent = open.back();
      open.pop_back();
      if (value != (parent->kind == kSQLOr)) {  // undecided: the right side is the answer
        node = Child(parent->right);
        break;
      }
    }
  }
}

// The conjuncts of the tree's top-level ANDs, left to right.
template <typename Node>
void CollectConjuncts(const Node* root, std::vector<const Node*>* out) {
  ForEachOperand(root, [](const Node* n) { return n->kind == kSQLAnd; }, [out](const Node* n) {
    out->push_back(n);
    return true;
  });
}

// Destroys the children of a node whose children are held by unique_ptr one level at a time,
// so that no destructor runs deeper than one level. For the node's destructor.
template <typename Node>
void DestroyChildren(Node& node) {
  std::vector<std::unique_ptr<Node>> pending;
  auto take = [&pending](Node& n) {
    if (n.left) pending.push_back(std::move(n.left));
    if (n.right) pending.push_back(std::move(n.right));
  };
  take(node);
  while (!pending.empty()) {
    std::unique_ptr<Node> next = std::move(pending.back());
    pending.pop_back();
    take(*next);
  }
}

}  // namespace condition_tree

// A column named by a statement: the qualifier as written (a table name or alias, may be
// empty), the name, and the FROM entry resolution bound it to (-1 while unbound).
struct SQLColumnReference {
  std::string table;
  std::string name;
  int32_t boundTable = -1;
  int32_t wantedSlot = -1;  // its place among the columns asked of the bound table (SQLJoin)
};

struct SQLCondition {
  SQLCondition() = default;
  ~SQLCondition() { condition_tree::DestroyChildren(*this); }
  SQLCondition(const SQLCondition&) = delete;
  SQLCondition& operator=(const SQLCondition&) = delete;

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
