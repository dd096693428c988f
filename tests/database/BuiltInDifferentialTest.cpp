// The built-in engine against sqlite3 (the i386 library in this process): seeded random
// schemas over the types both take, random INSERT, UPDATE, DELETE and SELECT (conditions with
// comparisons, LIKE, UPPER and LOWER, IS NULL; joins; ORDER BY; GROUP BY with aggregates),
// COMMIT, ROLLBACK and reopening. After every step each table, and every query's result, must
// be the same on both sides (multisets unless ordered). A statement that fails on either side
// is followed by ROLLBACK on both. QV_DIFF_SEED=n runs one seed of one's choice.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/SortKey.h"
#include "support/CLocaleText.h"

namespace {

using Rows = std::vector<std::string>;

enum Kind { kInt, kSmall, kText, kDouble, kFloat, kDate, kBool };
const char* const kTypeNames[] = {"integer", "smallint", "varchar(20)", "double", "float",
                                  "date", "boolean"};

struct Column {
  std::string name;
  Kind kind;
  bool notNull;
};

struct Table {
  std::string name;
  std::vector<Column> columns;  // the key columns first
  size_t keys = 0;
};

int Collate(void*, int la, const void* a, int lb, const void* b) {
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (int i = 0; i < la && i < lb; ++i)
    if (kDbCollation[x[i]] != kDbCollation[y[i]])
      return kDbCollation[x[i]] < kDbCollation[y[i]] ? -1 : 1;
  return la < lb ? -1 : la > lb ? 1 : 0;
}

class Differential {
 public:
  explicit Differential(uint32_t seed) : mRandom(seed) { OpenReference(); }
  ~Differential() { sqlite3_close(mRef); }

  void Run(int steps) {
    for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
      const int choice = Pick(100);
      if (mTables.size() < 2 || (mTables.size() < 4 && choice < 3)) CreateTable();
      else if (choice < 35) Insert();
      else if (choice < 45) Update();
      else if (choice < 50) Delete();
      else if (choice < 80) Select();
      else if (choice < 86) EndTransaction(true);
      else if (choice < 90) EndTransaction(false);
      else if (choice < 91) Reopen();
      else AddColumn();
      CompareTables();
    }
  }
  int statements = 0;

 private:
  int Pick(int n) { return int(mRandom() % uint32_t(n)); }

  void OpenReference() {
    ASSERT_EQ(sqlite3_open(mRefPath.c_str(), &mRef), SQLITE_OK);
    sqlite3_create_collation(mRef, "W", SQLITE_UTF8, nullptr, Collate);
    Ref("PRAGMA case_sensitive_like=ON");
    Ref("BEGIN");
  }

  bool Ref(const std::string& sql) {
    return sqlite3_exec(mRef, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }

  Rows RefRows(const std::string& sql, bool* ok) {
    Rows rows;
    sqlite3_stmt* statement = nullptr;
    *ok = sqlite3_prepare_v2(mRef, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK;
    int rc = SQLITE_DONE;
    while (*ok && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::string line;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (i) line += "|";
        const int type = sqlite3_column_type(statement, i);
        if (type == SQLITE_NULL) {
          line += "NULL";
        } else if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
          const double x = sqlite3_column_double(statement, i);
          ColumnValue v{kColumnDouble, reinterpret_cast<const uint8_t*>(&x), 8};
          line += dbtest::FormatValue(v);
        } else {
          line += reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        }
      }
      rows.push_back(line);
    }
    *ok = *ok && rc == SQLITE_DONE;
    sqlite3_finalize(statement);
    return rows;
  }

  // Runs a statement on both sides; a failure on either rolls both back.
  void Both(const std::string& ours, const std::string& reference, bool mayDisagree = false) {
    ++statements;
    if (std::getenv("QV_DIFF_TRACE")) fprintf(stderr, "%s\n", ours.c_str());
    const int32_t error = mDb.Exec(ours);
    const bool refOk = Ref(reference);
    if (!mayDisagree) {
      EXPECT_EQ(error == 0, refOk) << ours << "\n  ours: " << error << " " << mDb.ErrorMessage()
                                   << "\n  sqlite3: " << sqlite3_errmsg(mRef);
    }
    if (error != 0 || !refOk) EndTransaction(false);
  }

  void Compare(const std::string& ours, const std::string& reference, bool ordered) {
    ++statements;
    int32_t error = 0;
    bool refOk = false;
    Rows a = mDb.Query(ours, &error), b = RefRows(reference, &refOk);
    ASSERT_EQ(error == 0, refOk) << ours << "\n  ours: " << mDb.ErrorMessage()
                                 << "\n  sqlite3: " << sqlite3_errmsg(mRef);
    if (!ordered) {
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
    }
    ASSERT_EQ(a, b) << ours << "\n  sqlite3: " << reference;
  }

  void CompareTables() {
    for (const Table& t : mTables) {
      std::string columns;
      for (const Column& c : t.columns) columns += (columns.empty() ? "" : ", ") + c.name;
      Compare("select " + columns + " from " + t.name, "select " + columns + " from " + t.name,
              false);
    }
  }

  // ---- values ----

  std::string Text() {
    static const char kLetters[] = "aAbBzZ%_' 9";
    std::string s;
    for (int n = Pick(5); n > 0; --n) s += kLetters[Pick(int(sizeof kLetters) - 1)];
    return s;
  }
  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
  }
  // A literal of the kind: ours first, sqlite's second.
  std::pair<std::string, std::string> Value(Kind kind) {
    char b[32];
    switch (kind) {
      case kInt: return Same(std::to_string(Pick(40) - 20));
      case kSmall: return Same(std::to_string(Pick(600) - 300));
      case kText: return Same(Quote(Text()));
      case kDouble: return Same(qvtest::CText("%g", (Pick(400) - 200) / 8.0));
      case kFloat: return Same(qvtest::CText("%g", (Pick(80) - 40) / 4.0));
      case kDate:
        snprintf(b, sizeof b, "'%04d-%02d-%02d'", 2000 + Pick(3), 1 + Pick(12), 1 + Pick(28));
        return Same(b);
      case kBool: {
        const bool t = Pick(2);
        return {t ? "'true'" : "'false'", t ? "1" : "0"};
      }
    }
    return Same("0");
  }
  static std::pair<std::string, std::string> Same(const std::string& s) { return {s, s}; }

  // A condition of comparisons joined by AND and OR, grouped to the right as the front end
  // reads it (the sqlite3 text gets the parentheses).
  std::pair<std::string, std::string> Condition(const Table& t, const std::string& prefix = "") {
    std::string ours, ref;
    const int terms = 1 + Pick(3);
    std::string closing;
    for (int i = 0; i < terms; ++i) {
      const Column& c = t.columns[size_t(Pick(int(t.columns.size())))];
      const std::string name = prefix + c.name;
      std::string a, b;
      const int form = Pick(12);
      static const char* const kOps[] = {"=", "<", ">", "<=", ">=", "<>"};
      if (form == 0) {
        a = b = name + (Pick(2) ? " is null" : " is not null");
      } else if (c.kind == kText && form < 4) {
        std::string pattern = Text();
        if (Pick(2)) pattern += "%";
        if (Pick(2)) pattern = "%" + pattern;
        a = b = name + (form == 1 ? " not like " : " like ") + Quote(pattern);
      } else if (c.kind == kText && form < 6) {
        const char* fn = form == 4 ? "upper" : "lower";
        std::string literal = Text();
        for (char& ch : literal) ch = char(form == 4 ? toupper(ch) : tolower(ch));
        a = b = std::string(fn) + "(" + name + ") = " + Quote(literal);
      } else {
        const auto [ov, rv] = c.kind == kBool ? Same(Pick(2) ? "1" : "0") : Value(c.kind);
        const char* op = kOps[Pick(6)];
        a = name + " " + op + " " + ov;
        b = name + " " + op + " " + rv;
      }
      if (i + 1 < terms) {
        const char* joint = Pick(2) ? " and " : " or ";
        ours += a + joint;
        ref += b + joint + "(";
        closing += ")";
      } else {
        ours += a;
        ref += b + closing;
      }
    }
    return {ours, ref};
  }

  // ---- statements ----

  void CreateTable() {
    Table t;
    t.name = "t" + std::to_string(mNextTable++);
    const int count = 2 + Pick(4);
    t.keys = size_t(std::min(Pick(3), count - 1));  // the aggregates' column is no key
    for (int i = 0; i < count; ++i) {
      Kind kind = Kind(Pick(7));
      if (size_t(i) < t.keys && (kind == kDouble || kind == kFloat)) kind = kInt;
      if (i == count - 1) kind = Pick(2) ? kInt : kDouble;  // the aggregates' column
      t.columns.push_back({"c" + std::to_string(i), kind,
                           size_t(i) < t.keys || i == count - 1 || Pick(5) == 0});
    }
    std::string sql = "create table " + t.name + " (";
    for (const Column& c : t.columns)
      sql += c.name + " " + kTypeNames[c.kind] + (c.notNull ? " not null" : "") + ", ";
    if (t.keys) {
      sql += "primary key (";
      for (size_t k = 0; k < t.keys; ++k) sql += (k ? ", " : "") + t.columns[k].name;
      sql += "), ";
    }
    sql = sql.substr(0, sql.size() - 2) + ")";
    if (std::getenv("QV_DIFF_TRACE")) fprintf(stderr, "%s\n", sql.c_str());
    const int32_t error = mDb.Exec(sql);
    ++statements;
    ASSERT_EQ(error, 0) << sql << ": " << mDb.ErrorMessage();
    ASSERT_TRUE(Ref(sql)) << sql << ": " << sqlite3_errmsg(mRef);
    mTables.push_back(t);
  }

  void AddColumn() {
    Table& t = mTables[size_t(Pick(int(mTables.size())))];
    if (t.columns.size() >= 8) return;
    const Column c{"x" + std::to_string(t.columns.size()), Kind(Pick(7)), false};
    const std::string sql =
        "alter table " + t.name + " add column " + c.name + " " + kTypeNames[c.kind];
    ++statements;
    ASSERT_EQ(mDb.Exec(sql), 0) << sql << ": " << mDb.ErrorMessage();
    ASSERT_TRUE(Ref(sql)) << sqlite3_errmsg(mRef);
    t.columns.insert(t.columns.end() - 1, c);  // the aggregates' column stays last
  }

  const Table& AnyTable() { return mTables[size_t(Pick(int(mTables.size())))]; }

  void Insert() {
    const Table& t = AnyTable();
    std::string names, ours, ref;
    for (size_t i = 0; i < t.columns.size(); ++i) {
      const Column& c = t.columns[i];
      if (!c.notNull && Pick(3) == 0) continue;
      // Both refuse a row without a value that must be there; sqlite3 would number the rows
      // of an integer key itself, so key columns are always given.
      if (c.notNull && i >= t.keys && Pick(40) == 0) continue;
      const auto [a, b] = Value(c.kind);
      names += (names.empty() ? "" : ", ") + c.name;
      ours += (ours.empty() ? "" : ", ") + a;
      ref += (ref.empty() ? "" : ", ") + b;
    }
    if (names.empty()) return;
    const std::string head = "insert into " + t.name + " (" + names + ") values (";
    Both(head + ours + ")", head + ref + ")");
  }

  void Update() {
    const Table& t = AnyTable();
    const size_t first = t.keys && Pick(4) ? t.keys : 0;  // now and then a key column too
    const Column& c = t.columns[first + size_t(Pick(int(t.columns.size() - first)))];
    const auto [a, b] = Value(c.kind);
    const auto [where, refWhere] = Condition(t);
    const bool keyChanged = first == 0 && t.keys > 0;
    Both("update " + t.name + " set " + c.name + " = " + a + " where " + where,
         "update " + t.name + " set " + c.name + " = " + b + " where " + refWhere, keyChanged);
  }

  void Delete() {
    const Table& t = AnyTable();
    const auto [where, refWhere] = Condition(t);
    Both("delete from " + t.name + " where " + where,
         "delete from " + t.name + " where " + refWhere);
  }

  void Select() {
    const Table& t = AnyTable();
    const int form = Pick(4);
    std::string columns;
    for (const Column& c : t.columns)
      if (Pick(3)) columns += (columns.empty() ? "" : ", ") + c.name;
    if (columns.empty()) columns = t.columns[0].name;
    const auto [where, refWhere] = Condition(t);
    if (form == 0) {
      Compare("select " + columns + " from " + t.name + " where " + where,
              "select " + columns + " from " + t.name + " where " + refWhere, false);
    } else if (form == 1) {
      // Ordered by one column, then by every column, so the order is total on both sides.
      std::string ours, ref;
      std::vector<size_t> order(t.columns.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::swap(order[0], order[size_t(Pick(int(order.size())))]);
      std::string all;
      for (size_t i : order) {
        const Column& c = t.columns[i];
        const char* direction = Pick(2) ? " desc" : "";
        ours += (ours.empty() ? "" : ", ") + c.name + direction;
        ref += (ref.empty() ? "" : ", ") + c.name + (c.kind == kText ? " collate W" : "") +
               direction;
        all += (all.empty() ? "" : ", ") + c.name;
      }
      Compare("select " + all + " from " + t.name + " where " + where + " order by " + ours,
              "select " + all + " from " + t.name + " where " + refWhere + " order by " + ref,
              true);
    } else if (form == 2) {
      const Column& g = t.columns[size_t(Pick(int(t.columns.size())))];
      const std::string n = t.columns.back().name;
      const std::string items =
          g.name + ", count(*), sum(" + n + "), min(" + n + "), max(" + n + "), avg(" + n + ")";
      Compare("select " + items + " from " + t.name + " where " + where + " group by " + g.name,
              "select " + items + " from " + t.name + " where " + refWhere + " group by " +
                  g.name,
              false);
    } else {
      const Table& u = AnyTable();
      for (const Column& a : t.columns) {
        for (const Column& b : u.columns) {
          if (a.kind != b.kind || Pick(2)) continue;
          const auto [w, rw] = Condition(t, "p.");
          const std::string head = "select p." + t.columns.back().name + ", q." +
                                   u.columns.back().name + " from " + t.name + " p, " + u.name +
                                   " q where p." + a.name + " = q." + b.name + " and ";
          return Compare(head + w, head + "(" + rw + ")", false);
        }
      }
    }
  }

  void EndTransaction(bool commit) {
    ++statements;
    EXPECT_EQ(mDb.Exec(commit ? "commit" : "rollback"), 0) << mDb.ErrorMessage();
    // A failed statement may have ended sqlite3's transaction already.
    const bool refEnded = Ref(commit ? "COMMIT" : "ROLLBACK");
    if (commit) {
      EXPECT_TRUE(refEnded) << sqlite3_errmsg(mRef);
    }
    Ref("BEGIN");
    if (commit) {
      mCommitted = mTables;
    } else {
      mTables = mCommitted;
    }
  }

  void Reopen() {
    EndTransaction(true);
    mDb.Reopen();
    sqlite3_close(mRef);
    OpenReference();
    EXPECT_EQ(mDb.Check(), "");
  }

  std::mt19937 mRandom;
  dbtest::BuiltInDb mDb;
  std::string mRefPath = mDb.path() + ".sqlite";
  sqlite3* mRef = nullptr;
  std::vector<Table> mTables, mCommitted;
  int mNextTable = 1;
};

TEST(BuiltInDifferential, AgreesWithSqlite3StatementByStatement) {
  std::vector<uint32_t> seeds = {1, 2, 3};
  if (const char* chosen = std::getenv("QV_DIFF_SEED")) seeds = {uint32_t(std::atoi(chosen))};
  int statements = 0;
  for (uint32_t seed : seeds) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " (QV_DIFF_SEED=" + std::to_string(seed) +
                 " runs it alone)");
    Differential run(seed);
    run.Run(700);
    statements += run.statements;
    if (HasFailure()) return;
  }
  EXPECT_GT(statements, 3000);
}

}  // namespace
