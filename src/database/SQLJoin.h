// The join executor of the SQL front end: the FROM tables of a statement opened one inside the
// other through the engine's dbOpenTable, with the WHERE condition split between the engine and
// this layer.
//
// A top-level conjunct of the WHERE condition goes to a table's dbOpenTable when every
// comparison in it names that table and compares with a literal or with a column of a table
// opened before it (an OR only when both sides can); the value of such a column is written
// exactly (doubles with 17 digits, singles with 9), and a NULL there becomes a condition no row
// meets. Every other conjunct is evaluated here on each joined row, with the same rules; so is
// one whose tree would be deeper than engines are handed (runs of one connective are handed
// over balanced, so only a long chain alternating AND and OR is).
//
// An inner table's cursor that ran out is kept, and for the next outer row started over with
// the new condition where its engine's cursor can (FrameworkCursorDefinition's curRestart, the
// built-in engine's); others are closed and opened again. When the condition keeps its shape
// and every outer value in it is an integer, the integers are handed over as they are
// (ConditionWholes) instead of written into the condition's texts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/DatabaseClasses.h"
#include "database/SQLCondition.h"

struct SQLFromTable {
  std::string name, alias;
  std::vector<std::string> schema;   // the engine's column names, in its order
  std::vector<std::string> wanted;   // the columns asked of dbOpenTable
  std::vector<int32_t> wantedIndex;  // their indexes in the opened cursor (-1 when absent)
  RuntimeObject* cursor = nullptr;   // the RecordSet while open (held)
  DatabaseCursorObject* records = nullptr;  // the same, as a RecordSet
  RuntimeObject* spent = nullptr;    // one that ran out, held to start over (inner tables)
};

// A result column: a table column (bound by resolution) or an aggregate.
struct SQLSelectItem {
  SQLColumnReference column;
  std::string schemaName;  // the bound column's name as the engine spells it
  int32_t aggregate = 0;   // SQLAggregate
  bool star = false;       // "*" or "t.*" before expansion
  bool expanded = false;   // one column of a "*", bound when made
  std::string title;       // the name the result reports
};

class SQLJoin {
 public:
  SQLJoin(DatabaseObject* db, std::vector<SQLFromTable> tables,
          std::unique_ptr<SQLCondition> where);
  ~SQLJoin();
  SQLJoin(const SQLJoin&) = delete;
  SQLJoin& operator=(const SQLJoin&) = delete;

  // Reads each table's columns (202, 203), expands "*" items, binds items and the condition
  // (205, 206) and decides where each conjunct is evaluated. False with the error set.
  bool Prepare(std::vector<SQLSelectItem>* items);

  // Opens from the first table: true when a joined row is current. Next steps on.
  bool Start();
  bool Next();
  // Closes every table cursor.
  void Stop();

  // The opened cursor of table i, or nil.
  DatabaseCursorObject* TableCursor(size_t i) const;
  // Item's table cursor and its column index there; false when unbound or not open.
  bool Locate(const SQLSelectItem& item, DatabaseCursorObject** cursor, int32_t* column) const;
  const std::vector<std::string>& Schema(size_t i) const { return mTables[i].schema; }
  size_t TableCount() const { return mTables.size(); }
  bool EvaluatesHere() const { return !mLocal.empty(); }
  DatabaseObject* database() const { return mDatabase; }

 private:
  struct Conjunct {
    const SQLCondition* condition;
    int32_t table;  // where it goes to dbOpenTable, -1 when evaluated here
  };
  bool LoadSchema(size_t i);
  bool Open(size_t i);
  RuntimeObject* OpenAnew(const SQLFromTable& table, SQLConditionNode* condition);
  bool Step(size_t level, bool fresh);
  // Closes table i's cursor; with keep, one that can start over is kept for the next Open.
  void Close(size_t i, bool keep);
  // The condition handed to a table's engine, kept from one opening to the next: only the
  // values its comparisons take from outer tables change (a NULL among them changes its shape,
  // and it is made anew).
  struct EngineConditions {
    SQLConditionNode* root = nullptr;
    std::vector<std::pair<SQLConditionNode*, const SQLCondition*>> outerValues;
    bool reusable = false;
    std::vector<const void*> wholeNodes;  // OuterWholes' answer
    std::vector<int64_t> wholes;
  };
  bool Pushable(const SQLCondition* c, int32_t table) const;
  SQLConditionNode* EngineCondition(const SQLCondition* c, int32_t table,
                                    EngineConditions* made) const;
  SQLConditionNode* ConditionFor(size_t i);
  // The outer values of the condition made before for table i as whole numbers, when it
  // keeps its shape and each of them is an integer; false otherwise.
  bool OuterWholes(size_t i, ConditionWholes* out);
  // Starts a kept cursor of table i over for the current outer rows.
  bool StartOver(size_t i, RuntimeObject* cursor);
  // The outer column a comparison of table takes its value from.
  static const SQLColumnReference& OuterReference(const SQLCondition* c, int32_t table);
  // The value of the outer column a comparison of table takes, written as a literal; false for
  // NULL.
  bool OuterLiteral(const SQLCondition* c, int32_t table, std::string* literal) const;
  bool Holds(const SQLCondition* c) const;
  bool LocalConditionsHold() const;
  // The value of a bound reference, read and released around use.
  template <typename Use>
  bool WithValue(const SQLColumnReference& ref, Use use) const;
  void Want(SQLColumnReference& ref);
  void WantAll(SQLCondition* c);
  int32_t IndexOf(const SQLColumnReference& ref) const;

  DatabaseObject* mDatabase;  // held
  std::vector<SQLFromTable> mTables;
  std::unique_ptr<SQLCondition> mWhere;
  std::vector<Conjunct> mConjuncts;
  std::vector<const SQLCondition*> mLocal;
  std::vector<EngineConditions> mEngineConditions;  // by table
  mutable std::vector<const SQLCondition*> mOpen;  // Holds' scratch
};

// A RecordSet over the join's rows (the join is the cursor's), the last `hidden` items not
// reported; nil when the join's first opening fails to wrap.
RuntimeObject* MakeJoinCursor(std::unique_ptr<SQLJoin> join, std::vector<SQLSelectItem> items,
                              int32_t hidden);
