// Joins of the built-in engine whose inner table is started over for each outer row with the
// outer integer handed over as a number (no literal written and parsed back) and sought from
// the leaf it left: each outer row must join exactly the rows a query with that row's value
// written as a literal selects, for integer, small integer, double and text values against
// integer, small integer and text keys (compared as the engine compares them), with keys that
// repeat, keys that are missing, NULLs and numbers a small integer cannot hold; walked
// backwards too, and with seeking turned off.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/BuiltInEngine.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

// The outer rows: each column's value as a SQL literal, as the engine writes the stored value
// (doubles whose shortest exact text is given).
struct Outer {
  const char* id;
  const char* a;  // integer
  const char* b;  // smallint
  const char* d;  // double
  const char* v;  // varchar
};
const Outer kOuter[] = {
    {"1", "3", "3", "3", "'3'"},         {"2", "3", "-2", "3.5", "' 3'"},
    {"3", "5", "NULL", "NULL", "'x'"},   {"4", "NULL", "0", "-2", "NULL"},
    {"5", "-2", "3", "0", "'-2'"},       {"6", "70000", "7", "70000", "'70000'"},
    {"7", "2147483647", "-32768", "7", "''"}, {"8", "0", "32767", "-0.5", "'03'"},
    {"9", "3", "4", "4", "'4'"}};

class JoinSeeks : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* statement :
         {"create table o (id integer, a integer, b smallint, d double, v varchar(10), "
          "primary key (id))",
          "create table c (k integer, j smallint, name varchar(10), primary key (k, j))",
          "create table s (k smallint, name varchar(10), primary key (k))",
          "create table t (k varchar(10), name varchar(10), primary key (k))"})
      ASSERT_EQ(db.Exec(statement), 0) << statement;
    // A NULL is a column left out: NULL written into a number column stores 0.
    for (const Outer& o : kOuter) {
      std::string names = "id", values = o.id;
      for (const auto& [name, value] : {std::pair{"a", o.a}, {"b", o.b}, {"d", o.d}, {"v", o.v}}) {
        if (std::string(value) == "NULL") continue;
        names += std::string(", ") + name;
        values += std::string(", ") + value;
      }
      ASSERT_EQ(db.Exec("insert into o (" + names + ") values (" + values + ")"), 0);
    }
    // c repeats 3 (three rows) and 0 (two), and lacks 5.
    const char* const cRows[] = {"-2, 1, 'c-2'", "0, 2, 'c0b'", "0, 1, 'c0a'",
                                 "3, 3, 'c3c'", "3, 1, 'c3a'", "3, 2, 'c3b'",
                                 "4, 1, 'c4'",  "7, 1, 'c7'",  "70000, 1, 'c70000'",
                                 "2147483647, 1, 'cmax'"};
    for (const char* row : cRows)
      ASSERT_EQ(db.Exec(std::string("insert into c (k, j, name) values (") + row + ")"), 0);
    for (const char* row : {"-32768, 's-min'", "-2, 's-2'", "0, 's0'", "3, 's3'",
                            "7, 's7'", "32767, 's-max'"})
      ASSERT_EQ(db.Exec(std::string("insert into s (k, name) values (") + row + ")"), 0);
    for (const char* row : {"'3', 't3'", "' 3', 't 3'", "'03', 't03'", "'-2', 't-2'",
                            "'x', 'tx'", "'70000', 't70000'"})
      ASSERT_EQ(db.Exec(std::string("insert into t (k, name) values (") + row + ")"), 0);
    ASSERT_EQ(db.Exec("commit"), 0);
  }

  // What the join of o with table on condition must give: for each row of o in order, its id
  // beside each row the condition selects with the outer value as a literal ("?" stands for
  // it); a NULL outer value joins nothing.
  Rows Expected(const std::string& table, const std::string& condition,
                const char* Outer::*column) {
    Rows rows;
    for (const Outer& o : kOuter) {
      if (std::string(o.*column) == "NULL") continue;
      std::string where = condition;
      where.replace(where.find('?'), 1, o.*column);
      for (const std::string& name : db.Query("select name from " + table + " where " + where))
        rows.push_back(std::string(o.id) + "|" + name);
    }
    return rows;
  }

  BuiltInDb db;
};

TEST_F(JoinSeeks, EachOuterRowJoinsWhatItsValueAsALiteralSelects) {
  struct Case {
    const char* join;
    const char* table;
    const char* condition;
    const char* Outer::*column;
  };
  const Case cases[] = {
      {"o.a = c.k", "c", "k = ?", &Outer::a},     {"c.k = o.b", "c", "k = ?", &Outer::b},
      {"o.a = s.k", "s", "k = ?", &Outer::a},     {"o.d = c.k", "c", "k = ?", &Outer::d},
      {"o.v = c.k", "c", "k = ?", &Outer::v},     {"o.a = t.k", "t", "k = ?", &Outer::a},
      {"o.d = s.k", "s", "k = ?", &Outer::d},     {"o.a > c.k", "c", "k < ?", &Outer::a},
      {"o.b <> s.k", "s", "k <> ?", &Outer::b},
  };
  for (const Case& c : cases) {
    const std::string query = std::string("select o.id, ") + c.table + ".name from o, " +
                              c.table + " where " + c.join;
    SCOPED_TRACE(query);
    const Rows expected = Expected(c.table, c.condition, c.column);
    EXPECT_EQ(db.Query(query), expected);
    SetBuiltInSeekEnabled(false);
    EXPECT_EQ(db.Query(query), expected) << "scanning";
    SetBuiltInSeekEnabled(true);
  }
  // A few by hand, so that the reference itself is pinned.
  EXPECT_EQ(db.Query("select o.id, c.name from o, c where o.a = c.k and o.id < 4"),
            (Rows{"1|c3a", "1|c3b", "1|c3c", "2|c3a", "2|c3b", "2|c3c"}));
  EXPECT_EQ(db.Query("select o.id, s.name from o, s where o.a = s.k"),
            (Rows{"1|s3", "2|s3", "5|s-2", "8|s0", "9|s3"}));
  EXPECT_EQ(db.Query("select o.id, t.name from o, t where o.a = t.k"),
            (Rows{"1|t3", "2|t3", "5|t-2", "6|t70000", "9|t3"}));
}

// The key of one inner table taken from the row of another: the middle table's small integer
// seeks the last one.
TEST_F(JoinSeeks, AThreeTableChainSeeksEachInnerTableFromTheOneBeforeIt) {
  const Rows rows =
      db.Query("select o.id, c.name, s.name from o, c, s where o.a = c.k and c.j = s.k");
  EXPECT_EQ(rows, (Rows{"1|c3c|s3", "2|c3c|s3", "9|c3c|s3"}));
  Rows expected;
  for (const std::string& row : db.Query("select o.id, c.name, c.j from o, c where o.a = c.k")) {
    const size_t last = row.rfind('|');
    for (const std::string& s : db.Query("select name from s where k = " + row.substr(last + 1)))
      expected.push_back(row.substr(0, last) + "|" + s);
  }
  EXPECT_EQ(rows, expected);
}

TEST_F(JoinSeeks, AJoinWithRepeatedAndMissingKeysWalksBackThroughTheSameRows) {
  Held rs(databaseSQLSelect(db.db(),
                            S("select o.id, c.name, o.d from o, c where c.k = o.a and c.j < 3")));
  ASSERT_NE(rs.get(), nullptr);
  Rows forwards;
  for (CursorMoveFirst(rs); !cursorEOFGetter(rs); cursorMoveNext(rs))
    forwards.push_back(dbtest::ReadRow(rs));
  EXPECT_EQ(forwards, (Rows{"1|c3a|3", "1|c3b|3", "2|c3a|3.5", "2|c3b|3.5", "5|c-2|0",
                            "6|c70000|70000", "7|cmax|7", "8|c0a|-0.5", "8|c0b|-0.5", "9|c3a|4",
                            "9|c3b|4"}));
  Rows backwards;
  CursorMoveLast(rs);
  for (size_t i = 0; i < forwards.size() && !cursorEOFGetter(rs); ++i) {
    backwards.push_back(dbtest::ReadRow(rs));
    CursorMovePrev(rs);
  }
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(backwards, forwards);
  cursorClose(rs);
}

}  // namespace
