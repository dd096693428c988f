// The SQL front end over the test engine's tables variant: token streams, condition trees,
// every error with its code and message, the comparison rules, statements that must change
// exactly the rows they name (or nothing), and query results against sqlite3.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "database/SQLCondition.h"
#include "database/SQLResultCursors.h"
#include "database/SQLStatements.h"
#include "database/SQLTokenizer.h"
#include "database/SQLValueMatch.h"
#include "support/TestSupport.h"
#include "support/CLocaleText.h"

namespace {

using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;

std::vector<std::string> Tokens(const std::string& text) {
  SQLTokenizer tokens(text);
  std::vector<std::string> out;
  for (SQLToken t = tokens.Next(); !t.IsEnd(); t = tokens.Next()) out.push_back(t.text);
  return out;
}

std::string Tree(const SQLCondition* c) {
  if (c->IsConnective())
    return std::string(c->kind == kSQLAnd ? "(and " : "(or ") + Tree(c->left.get()) + " " +
           Tree(c->right.get()) + ")";
  static const char* const kOps[] = {"=", "<", ">", "<=", ">=", "<>", "like", "notlike",
                                     "isnull", "notnull"};
  auto ref = [](const SQLColumnReference& r) {
    return r.table.empty() ? r.name : r.table + "." + r.name;
  };
  std::string s = "(" + std::string(kOps[c->kind]) + " " + ref(c->column);
  if (c->textMode) s += "/" + std::to_string(c->textMode);
  if (c->TakesValue())
    s += " " + (c->valueIsColumn ? "@" + ref(c->valueColumn) : "'" + c->value + "'");
  return s + ")";
}

std::string Format(const ColumnValue& v) {
  char b[64];
  if (!v.data || v.code == kColumnNull) return "NULL";
  double x = 0;
  switch (v.code) {
    case kColumnInt16: { int16_t i; memcpy(&i, v.data, 2); x = i; break; }
    case kColumnInt32: { int32_t i; memcpy(&i, v.data, 4); x = i; break; }
    case kColumnSingle: { float f; memcpy(&f, v.data, 4); x = f; break; }
    case kColumnDouble: memcpy(&x, v.data, 8); break;
    case kColumnDate:
      snprintf(b, sizeof b, "%04d-%02d-%02d", v.data[0] << 8 | v.data[1],
               v.data[2] << 8 | v.data[3], v.data[4] << 8 | v.data[5]);
      return b;
    default: return std::string(reinterpret_cast<const char*>(v.data), v.length);
  }
  if (x == std::floor(x) && std::fabs(x) < 1e15) return qvtest::CText("%.0f", x);
  return qvtest::CText("%.12g", x);
}

class SQLFrontEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSQLFrontEnd();
    db.reset(TestEnginePlugin::Open("tables"));
    ASSERT_NE(db.get(), nullptr);
  }
  void TearDown() override {
    db.reset();
    EXPECT_EQ(mLive.Added(), 0) << "every object was released";
  }

  // Runs a statement; its error code (0 when none).
  int32_t Exec(const std::string& sql) {
    databaseSQLExecute(db, S(string(sql.c_str())));
    return AsDatabase(db)->errorCode;
  }
  std::string Message() { return stringStorage::CString(AsDatabase(db)->errorMessage); }
  // The rows of a query, values joined by tabs; "error <code>" when it fails.
  std::vector<std::string> Query(const std::string& sql) {
    Held rs(databaseSQLSelect(db, S(string(sql.c_str()))));
    std::vector<std::string> rows;
    if (!rs.get()) return {"error " + std::to_string(AsDatabase(db)->errorCode)};
    DatabaseCursorObject* r = AsRecordSet(rs);
    while (!r->eof) rows.push_back(Row(r)), cursorMoveNext(rs);
    cursorClose(rs);
    return rows;
  }
  static std::string Row(DatabaseCursorObject* r) {
    std::string row;
    for (int32_t i = 0; i < cursorFieldCount(&r->header); ++i) {
      const void* data;
      uint8_t code;
      int32_t length;
      r->cursor->curColumnValue(r->cursorHandle, i, &data, &code, &length);
      ColumnValue v;
      v.code = code;
      v.data = static_cast<const uint8_t*>(data);
      v.length = uint32_t(length);
      row += (i ? "\t" : "") + Format(v);
      if (r->cursor->curReleaseValue) r->cursor->curReleaseValue(r->cursorHandle);
    }
    return row;
  }
  void Setup(const std::vector<std::string>& statements) {
    for (const std::string& s : statements) ASSERT_EQ(Exec(s), 0) << s << ": " << Message();
    mSetup.insert(mSetup.end(), statements.begin(), statements.end());
  }
  // sqlite3's rows for each query (as sqlite spells it).
  std::vector<std::vector<std::string>> Reference(const std::vector<std::string>& queries) {
    std::string input;
    for (const std::string& s : mSetup) input += s + "\n";
    input += "--\n";
    for (const std::string& q : queries) input += q + "\n";
    char path[] = "/tmp/qvsqlrefXXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, input.data(), input.size()) != ssize_t(input.size())) ADD_FAILURE();
    close(fd);
    const std::string output = qvtest::ProgramOutput({PYTHON3, SQL_REFERENCE, path});
    unlink(path);
    std::vector<std::vector<std::string>> results(1);
    size_t at = 0;
    while (at < output.size()) {
      const size_t end = output.find('\n', at);
      const std::string line = output.substr(at, end - at);
      at = end == std::string::npos ? output.size() : end + 1;
      if (line == "--") results.emplace_back();
      else results.back().push_back(line);
    }
    results.pop_back();
    return results;
  }

  Held db;
  std::vector<std::string> mSetup;
  dbtest::LiveObjects mLive;
};

TEST(SQLTokens, EdgeListAndBracketedNames) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Tokens("a<=b a<>b a=>b"), (V{"a", "<=", "b", "a", "<>", "b", "a", "=", ">", "b"}));
  EXPECT_EQ(Tokens("t.col [My Table] [Ça va]"), (V{"t", ".", "col", "My Table", "Ça va"}));
  EXPECT_EQ(Tokens("'It''s' \"q\"\"x\" 'abc"), (V{"'It's'", "\"q\"x\"", "'abc'"}));
  EXPECT_EQ(Tokens("-5.25 -x 1.2.3"), (V{"-5.25", "-", "x", "1.2.3"}));
  EXPECT_EQ(Tokens("a\xC3\x80" "b count(*);"), (V{"a", "b", "count", "(", "*", ")", ";"}));
  EXPECT_EQ(Tokens("   "), V{});
  SQLTokenizer tokens("select x");
  const SQLToken first = tokens.Next();
  EXPECT_TRUE(first.Is("select"));
  tokens.PutBack();
  EXPECT_EQ(tokens.Next().text, "select") << "putting back restores the position";
  EXPECT_TRUE(IsValidSQLName("\xC3\x80te")) << "UTF-8 continuation bytes are name bytes";
  EXPECT_FALSE(IsValidSQLName("1a"));
  EXPECT_FALSE(IsValidSQLName("a-b"));
}

TEST_F(SQLFrontEnd, ConditionsGroupToTheRightAndReadValueColumns) {
  auto parse = [&](const std::string& text) {
    SQLTokenizer tokens(text);
    std::unique_ptr<SQLCondition> tree;
    return ParseCondition(AsDatabase(db), tokens, &tree) ? Tree(tree.get()) : Message();
  };
  EXPECT_EQ(parse("a = 1 or b = 2 and c = 3"), "(or (= a '1') (and (= b '2') (= c '3')))");
  EXPECT_EQ(parse("a = 1 AND b = 2 OR c = 3"), "(and (= a '1') (or (= b '2') (= c '3')))");
  EXPECT_EQ(parse("x.a >= y.b and upper(n) like 'A%' or m is not null"),
            "(and (>= x.a @y.b) (or (like n/2 'A%') (notnull m)))");
  EXPECT_EQ(parse("lower(t.n) <> 'It''s'"), "(<> t.n/3 'It's')");
  EXPECT_EQ(parse("name LIKE abc"), "Quotes expected after LIKE operation");
  EXPECT_EQ(parse("name IS 5"), "Invalid operator 5");
  EXPECT_EQ(parse("name IS NOT 5"), "Invalid operator NOT");
  EXPECT_EQ(parse("upper name = 1"), "Expected '('");
}

TEST_F(SQLFrontEnd, EveryErrorLeavesItsCodeAndMessageAndRunsNothing) {
  Setup({"create table a (id integer, name varchar(20), primary key (id))",
         "create table b (id integer, aid integer)", "insert into a (id, name) values (1, 'x')"});
  struct Case {
    const char* sql;
    bool query;
    int32_t code;
    const char* message;
  };
  const Case cases[] = {
      {"update a set name = 'y'", true, 200, "Expected 'SELECT'"},
      {"select id name from a", true, 200, "Expecting ','"},
      {"select count(id) from a", true, 201, "Only COUNT(*) supported"},
      {"select median(id) from a", true, 201, "Unsupported SELECT function"},
      {"select count(* from a", true, 200, "Expected ')'"},
      {"select 'x' from a", true, 201, "Invalid column/table name"},
      {"select id from 'a'", true, 201, "Invalid table name"},
      {"select id from a order id", true, 200, "Expecting 'BY'"},
      {"select id from a order by 'x'", true, 201, "Invalid ORDER BY column"},
      {"select id from a order by id, 'x'", true, 201, "Invalid column index"},
      {"select id from a order by 2", true, 201, "Invalid column index"},
      {"select id from a order by 0", true, 201, "Invalid column index"},
      {"select id from a order by id group by id", true, 201,
       "ORDER BY can't be used in conjunction with GROUP BY"},
      {"select id from a group by 'x'", true, 201, "Invalid GROUP BY column"},
      {"select id from a group by id, name", true, 201,
       "Only single GROUP BY columns currently supported"},
      {"select id from nosuch", true, 202, "Invalid table nosuch"},
      {"select id from a, b", true, 205, "Ambiguous column reference: id"},
      {"select a.id from a, b where id = 1", true, 205, "Ambiguous column reference: id"},
      {"select nosuch from a", true, 206, "Unknown column: nosuch"},
      {"select id from a where name = NULL", true, 206, "Unknown column: NULL"},
      {"select a.id from a, b where a.id = b.nosuch", true, 206, "Unknown column: nosuch"},
      {"select id from a order by nosuch", true, 206, "Unknown column: nosuch"},
      {"select id from a x limit 5", true, 201, "Unexpected text: limit"},
      {"delete from a wher id = 1", false, 201, "Unexpected text: wher"},
      {"delete a", false, 200, "Expecting 'FROM'"},
      {"delete from nosuch", false, 202, "Invalid table nosuch"},
      {"delete from a where nosuch = 1", false, 206, "Unknown column: nosuch"},
      {"update a name = 'y'", false, 200, "Expecting 'SET'"},
      {"update a set name 'y'", false, 200, "Expecting '='"},
      {"update a set nosuch = 1", false, 208, "The column nosuch does not exist in table a"},
      {"update a set name = 'y', NAME = 'z'", false, 208, "Mismatched update fields"},
      {"update nosuch set name = 'y'", false, 202, "Invalid table nosuch"},
      {"insert a (id) values (1)", false, 200, "Expecting 'INTO'"},
      {"insert into a id values (1)", false, 200, "Expecting '('"},
      {"insert into a (id) (1)", false, 200, "Expecting 'VALUES'"},
      {"insert into a (id, name) values ('1')", false, 208, "Mismatched INSERT columns"},
      {"insert into a (id, id) values (1, 2)", false, 208, "Mismatched INSERT columns"},
      {"insert into a (id) values (1", false, 200, "Expecting ')'"},
      {"insert into a (id) values (1) trailing", false, 201, "Unexpected text: trailing"},
      {"create table c ()", false, 206, "CREATE TABLE requires at least one column defined"},
      {"create table c (x int)", false, 200, "Expecting field type"},
      {"create table c (x char(y))", false, 201, "Invalid field constraint"},
      {"create table c x integer", false, 200, "Expecting '('"},
      {"create table c (x integer not 5)", false, 200, "Expecting 'NULL'"},
      {"create table c (x integer y)", false, 200, "Expecting ',' or ')'"},
      {"create table c (x integer, primary (x))", false, 200, "Expecting 'KEY'"},
      {"create table c (x integer, primary key (y))", false, 201, "Invalid column"},
      {"create table c (x integer, primary key (x y))", false, 201, "Expecting ',' or ')'"},
      {"alter table a drop column name", false, 2008,
       "Dropping columns is not supported for this database"},
      {"alter table a rename", false, 200, "Expected 'ADD'"},
      {"drop table a", false, 2007,
       "Dropping tables from this database is not currently supported."},
      {"commit now", false, 201, "Unexpected text: now"},
  };
  for (const Case& c : cases) {
    if (c.query) {
      EXPECT_EQ(Query(c.sql), std::vector<std::string>{"error " + std::to_string(c.code)}) << c.sql;
    } else {
      EXPECT_EQ(Exec(c.sql), c.code) << c.sql;
    }
    EXPECT_EQ(Message(), c.message) << c.sql;
    EXPECT_EQ(Query("select id, name from a"), std::vector<std::string>{"1\tx"}) << c.sql;
  }
  EXPECT_EQ(Exec("create index i on a"), 0) << "other CREATE statements do nothing";
  EXPECT_EQ(Exec("select * from a"), 0) << "SQLExecute does not run queries";
  EXPECT_EQ(Exec("commit;;;"), 0);
}

TEST(SQLValueMatch, LikeModesNumbersAndDates) {
  auto text = [](const char* s) {
    ColumnValue v;
    v.code = kColumnText;
    v.data = reinterpret_cast<const uint8_t*>(s);
    v.length = uint32_t(strlen(s));
    return v;
  };
  EXPECT_TRUE(SQLLikeMatch("ac", "a%c"));
  EXPECT_TRUE(SQLLikeMatch("abbc", "a%c"));
  EXPECT_FALSE(SQLLikeMatch("abcd", "a%c"));
  EXPECT_TRUE(SQLLikeMatch("abc", "a_c"));
  EXPECT_FALSE(SQLLikeMatch("ac", "a_c"));
  EXPECT_TRUE(SQLLikeMatch("", "%%"));
  const std::string many(100000, 'a');
  EXPECT_FALSE(SQLLikeMatch(many, "%a%a%a%a%a%b")) << "finishes: matching is not exponential";
  EXPECT_TRUE(SQLLikeMatch(many + "b", "%a%a%a%a%a%b"));
  EXPECT_TRUE(ValueMeetsCondition(text("abc"), kSQLEqual, kSQLTextUpper, "ABC"));
  EXPECT_FALSE(ValueMeetsCondition(text("abc"), kSQLEqual, kSQLTextExact, "ABC"));
  EXPECT_TRUE(ValueMeetsCondition(text("ABC"), kSQLLike, kSQLTextLower, "a%"));
  EXPECT_TRUE(ValueMeetsCondition(text("abc"), kSQLLike, kSQLTextIgnoreCase, "A_C"));

  int32_t one = 1;
  ColumnValue integer{kColumnInt32, reinterpret_cast<const uint8_t*>(&one), 4};
  EXPECT_TRUE(ValueMeetsCondition(integer, kSQLEqual, 0, "1"));
  EXPECT_FALSE(ValueMeetsCondition(integer, kSQLEqual, 0, "1.5")) << "1 is not 1.5";
  EXPECT_TRUE(ValueMeetsCondition(integer, kSQLLess, 0, "1.5"));
  EXPECT_FALSE(ValueMeetsCondition(integer, kSQLNotEqual, 0, "abc")) << "not a number: no match";
  const float tenth = 0.1f;
  ColumnValue single{kColumnSingle, reinterpret_cast<const uint8_t*>(&tenth), 4};
  EXPECT_TRUE(ValueMeetsCondition(single, kSQLEqual, 0, "0.1"));
  const uint8_t truth = 1;
  ColumnValue boolean{kColumnBoolean, &truth, 1};
  EXPECT_TRUE(ValueMeetsCondition(boolean, kSQLEqual, 0, "TRUE"));
  EXPECT_TRUE(ValueMeetsCondition(boolean, kSQLGreater, 0, "false"));
  EXPECT_TRUE(ValueMeetsCondition(boolean, kSQLEqual, 0, "1"));
  const uint8_t day[] = {0x07, 0xE8, 0x00, 0x05, 0x00, 0x07};
  ColumnValue date{kColumnDate, day, 6};
  EXPECT_TRUE(ValueMeetsCondition(date, kSQLEqual, 0, "2024-5-7 10:30"));
  EXPECT_TRUE(ValueMeetsCondition(date, kSQLLess, 0, "2024-12-01"));
  EXPECT_FALSE(ValueMeetsCondition(date, kSQLNotEqual, 0, "2024-2-30")) << "no such day";
  EXPECT_FALSE(ValueMeetsCondition(date, kSQLNotEqual, 0, "2024/5/7"));
  int32_t f[3];
  EXPECT_TRUE(ParseSQLTime("10:30", f));
  EXPECT_EQ(f[0] * 10000 + f[1] * 100 + f[2], 103000);
  EXPECT_FALSE(ParseSQLTime("24:00", f));
  EXPECT_FALSE(ValueMeetsCondition(ColumnValue{}, kSQLNotEqual, 0, "x"));
  EXPECT_TRUE(ValueMeetsCondition(ColumnValue{}, kSQLIsNull, 0, ""));
}

TEST_F(SQLFrontEnd, DataChangesTouchExactlyTheRowsNamed) {
  Setup({"create table t (id integer, name varchar, note varchar)",
         "insert into t (id, name, note) values (1, 'apple', 'a')",
         "insert into t (id, name) values (2, 'banana')",
         "insert into t (id, name, note) values (3, 'cherry', 'c')",
         "insert into t (id, name) values (4, 'apricot')"});
  EXPECT_EQ(Exec("delete from t where note is null and name like 'ap%'"), 0);
  EXPECT_EQ(Query("select id from t order by id"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Exec("update t set note = 'It''s' where name not like '%an%'"), 0);
  EXPECT_EQ(Query("select id, note from t order by 1"),
            (std::vector<std::string>{"1\tIt's", "2\tNULL", "3\tIt's"}));
  EXPECT_EQ(Exec("delete from t wher id = 1"), 201);
  EXPECT_EQ(Query("select count(*) from t"), std::vector<std::string>{"3"});
  EXPECT_EQ(Exec("update t set note = 'x' where id = name"), 0) << "a column as the value";
  EXPECT_EQ(Query("select count(*) from t where note = 'x'"), std::vector<std::string>{});
  Exec("update t set note = '!fail'");
  EXPECT_EQ(databaseErrorCodeGetter(db), 9) << "the engine's error stays";
  EXPECT_EQ(Query("select note from t where note = 'It''s'").size(), 2u) << "and stopped it";
  EXPECT_EQ(Exec("commit"), 0);
  EXPECT_EQ(Exec("delete from t"), 0);
  EXPECT_EQ(Query("select count(*) from t"), std::vector<std::string>{}) << "no rows, no group";
  EXPECT_EQ(Exec("rollback"), 0);
  EXPECT_EQ(Query("select count(*) from t"), std::vector<std::string>{"3"});
  EXPECT_EQ(Exec("alter table t add column n double"), 0);
  EXPECT_EQ(Exec("update t set n = 2.5 where id >= 2"), 0);
  EXPECT_EQ(Query("select sum(n), avg(n), min(n), max(n) from t where n is not null"),
            std::vector<std::string>{"5\t2.5\t2.5\t2.5"});
}

// ROLLBACK gives back the tables as they were before the transaction: a row inserted and
// deleted inside it stays gone, and a committed row it deleted comes back once.
TEST_F(SQLFrontEnd, RowsInsertedAndDeletedInTheTransactionStayGoneAfterRollback) {
  Setup({"create table t (id integer, name varchar)", "insert into t (id, name) values (1, 'kept')",
         "commit"});
  EXPECT_EQ(Exec("insert into t (id, name) values (2, 'ghost')"), 0);
  EXPECT_EQ(Exec("delete from t where name = 'ghost'"), 0);
  EXPECT_EQ(Exec("delete from t where id = 1"), 0);
  EXPECT_EQ(Exec("insert into t (id, name) values (1, 'kept again')"), 0);
  EXPECT_EQ(Exec("rollback"), 0);
  EXPECT_EQ(Query("select id, name from t"), std::vector<std::string>{"1\tkept"});
}

TEST_F(SQLFrontEnd, AggregatesFoldNullsAsZeroInAverageAndGroupedMovesServeStoredGroups) {
  Setup({"create table g (k integer, v double)", "insert into g (k) values (1)",
         "insert into g (k, v) values (1, 4)", "insert into g (k, v) values (2, 1)",
         "insert into g (k, v) values (3, 7)", "insert into g (k) values (3)"});
  EXPECT_EQ(Query("select k, avg(v), min(v), count(*) from g group by k"),
            (std::vector<std::string>{"1\t2\t4\t2", "2\t1\t1\t1", "3\t3.5\t7\t2"}))
      << "AVG of NULL and 4 is 2; rows sort NULL first, so 3 folds NULL then 7";
  Held rs(databaseSQLSelect(db, S("select k, sum(v) from g group by k")));
  ASSERT_NE(rs.get(), nullptr);
  DatabaseCursorObject* r = AsRecordSet(rs);
  CursorMoveLast(rs);
  EXPECT_EQ(Row(r), "3\t7");
  CursorMovePrev(rs);
  EXPECT_EQ(Row(r), "2\t1");
  CursorMoveFirst(rs);
  EXPECT_EQ(Row(r), "1\t4");
  EXPECT_FALSE(r->eof);
  cursorClose(rs);
}

TEST_F(SQLFrontEnd, JoinCursorMovesCountServedRows) {
  Setup({"create table a (x integer)", "create table b (y integer)",
         "insert into a (x) values (1)", "insert into a (x) values (2)",
         "insert into b (y) values (10)", "insert into b (y) values (20)"});
  Held rs(databaseSQLSelect(db, S("select x, y from a, b where y > 10 or x = 1")));
  ASSERT_NE(rs.get(), nullptr);
  DatabaseCursorObject* r = AsRecordSet(rs);
  EXPECT_EQ(RecordSetRecordCount(rs), -1) << "a join is not counted";
  CursorMoveLast(rs);
  EXPECT_EQ(Row(r), "2\t20");
  CursorMovePrev(rs);
  EXPECT_EQ(Row(r), "1\t20");
  CursorMovePrev(rs);
  CursorMovePrev(rs);
  EXPECT_EQ(Row(r), "1\t10") << "before the first: stays on the first";
  EXPECT_EQ(RecordSetColumnType(rs, 1), 3) << "the item's own table answers";
  cursorClose(rs);
  Held single(databaseSQLSelect(db, S("select x from a where x > 1")));
  EXPECT_EQ(RecordSetRecordCount(single), 1);
  cursorClose(single);
}

// Rows of a few tables with NULLs, and queries over them that both sides accept.
class SQLAgainstSqlite : public SQLFrontEnd {
 protected:
  void MakeData(std::mt19937& random) {
    Setup({"create table a (id integer, name varchar(20), score double, day date)",
           "create table b (id integer, aid integer, tag varchar, n smallint)",
           "create table c (bid integer, w double)"});
    static const char* const kNames[] = {"apple", "Apple", "banana", "b", "cherry", "Zed",
                                         "zed", "apricot", "Ab", "a_b", "a%b"};
    std::vector<std::string> rows;
    for (int i = 0; i < 40; ++i) {
      std::string cols = "id", values = std::to_string(i);
      if (random() % 6) {
        cols += ", name";
        values += ", '" + std::string(kNames[random() % 11]) + "'";
      }
      if (random() % 5) {
        cols += ", score";
        values += ", " + std::to_string(int(random() % 21) - 10) + "." +
                  std::to_string(random() % 4 * 25);
      }
      if (random() % 4) {
        char day[16];
        snprintf(day, sizeof day, "'%04d-%02d-%02d'", 1999 + int(random() % 3),
                 1 + int(random() % 12), 1 + int(random() % 28));
        cols += ", day", values += std::string(", ") + day;
      }
      rows.push_back("insert into a (" + cols + ") values (" + values + ")");
    }
    for (int i = 0; i < 60; ++i) {
      std::string cols = "id, aid, n", values = std::to_string(i) + ", " +
                                                std::to_string(random() % 45) + ", " +
                                                std::to_string(int(random() % 7) - 3);
      if (random() % 5) cols += ", tag", values += ", '" + std::string(kNames[random() % 11]) + "'";
      rows.push_back("insert into b (" + cols + ") values (" + values + ")");
    }
    for (int i = 0; i < 30; ++i)
      rows.push_back("insert into c (bid, w) values (" + std::to_string(random() % 65) + ", " +
                     std::to_string(random() % 100) + ".5)");
    Setup(rows);
  }
};

struct Generated {
  std::string ours, theirs;
  bool ordered;
  int keyColumns;  // leading columns that are the ORDER BY keys
};

// A comparison both sides read alike.
std::string Leaf(std::mt19937& random, const std::string& q) {
  static const char* const kOps[] = {"=", "<", ">", "<=", ">=", "<>"};
  const std::string op = kOps[random() % 6];
  switch (random() % 7) {
    case 0: return q + "id " + op + " " + std::to_string(random() % 40);
    case 1: return q + "score " + op + " " + std::to_string(int(random() % 21) - 10) + ".5";
    case 2: return q + "name " + op + " 'b'";
    case 3: return q + "name " + (random() % 2 ? "like 'a%'" : "not like '%a_'");
    case 4: return q + "day " + op + " '2000-06-15'";
    case 5: return q + "name is " + (random() % 2 ? "null" : "not null");
    default: return "upper(" + q + "name) = 'APPLE'";
  }
}

// A chain of comparisons; sqlite's copy is parenthesised as ours groups (to the right).
void Condition(std::mt19937& random, const std::string& q, std::string* ours, std::string* theirs) {
  const std::string leaf = Leaf(random, q);
  if (random() % 2) {
    *ours = leaf;
    *theirs = leaf;
    return;
  }
  const std::string connective = random() % 2 ? " and " : " or ";
  std::string restOurs, restTheirs;
  Condition(random, q, &restOurs, &restTheirs);
  *ours = leaf + connective + restOurs;
  *theirs = "(" + leaf + connective + "(" + restTheirs + "))";
}

Generated Generate(std::mt19937& random) {
  std::string where, whereTheirs;
  switch (random() % 5) {
    case 0: {  // one table, filtered and ordered
      Condition(random, "", &where, &whereTheirs);
      const bool desc = random() % 2;
      const std::string key = random() % 2 ? "name" : "score";
      return {"select " + key + ", id, day from a where " + where + " order by " + key +
                  (desc ? " desc" : "") + ", 3",
              "select " + key + ", id, day from a where " + whereTheirs + " order by " + key +
                  (key == "name" ? " collate W" : "") + (desc ? " desc" : "") + ", 3",
              true, 2};
    }
    case 1: {  // two tables with aliases, a join comparison among the conditions
      Condition(random, "x.", &where, &whereTheirs);
      return {"select x.id, y.id, y.tag from a x, b y where y.aid = x.id and " + where,
              "select x.id, y.id, y.tag from a x, b y where y.aid = x.id and " + whereTheirs,
              false, 0};
    }
    case 2:  // three tables, an OR across two of them evaluated on the joined row
      return {"select a.name, b.n, c.w from a, b, c where b.aid = a.id and c.bid = b.id and "
              "a.score > 0 or c.w < 20 and b.n >= 0 order by c.w desc, b.n, a.name",
              "select a.name, b.n, c.w from a, b, c where b.aid = a.id and (c.bid = b.id and "
              "(a.score > 0 or (c.w < 20 and (b.n >= 0)))) order by c.w desc, b.n, a.name "
              "collate W",
              true, 3};
    case 3: {  // grouping with aggregates over columns without NULLs
      const bool filtered = random() % 2;
      const std::string w = filtered ? " where n > -2" : "";
      return {"select n, count(*), sum(aid), min(id), max(aid), avg(id) from b" + w + " group by n",
              "select n, count(*), sum(aid), min(id), max(aid), avg(id) from b" + w + " group by n",
              false, 0};
    }
    default:  // the value side names a column of the same table
      return {"select id, aid from b where aid < id order by 2 desc, 1",
              "select id, aid from b where aid < id order by 2 desc, 1", true, 2};
  }
}

std::vector<std::string> Sorted(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::string> Keys(const std::vector<std::string>& rows, int columns) {
  std::vector<std::string> keys;
  for (const std::string& row : rows) {
    size_t at = 0;
    for (int i = 0; i < columns && at != std::string::npos; ++i) at = row.find('\t', at + 1);
    keys.push_back(row.substr(0, at));
  }
  return keys;
}

TEST_F(SQLAgainstSqlite, GeneratedQueriesAgree) {
  std::mt19937 random(20240507);
  MakeData(random);
  std::vector<Generated> queries;
  for (int i = 0; i < 60; ++i) queries.push_back(Generate(random));
  std::vector<std::string> theirs;
  for (const Generated& g : queries) theirs.push_back(g.theirs);
  const auto expected = Reference(theirs);
  ASSERT_EQ(expected.size(), queries.size());
  for (size_t i = 0; i < queries.size(); ++i) {
    const std::vector<std::string> rows = Query(queries[i].ours);
    EXPECT_EQ(Sorted(rows), Sorted(expected[i])) << queries[i].ours;
    if (queries[i].ordered) {
      EXPECT_EQ(Keys(rows, queries[i].keyColumns), Keys(expected[i], queries[i].keyColumns))
          << queries[i].ours;
    }
  }
}

TEST_F(SQLAgainstSqlite, SortsPastTheBudgetInRunsWithALargeValue) {
  Setup({"create table s (k integer, t long varchar, d date, x double)"});
  std::mt19937 random(7);
  std::vector<std::string> rows;
  const std::string big(700000, 'q');  // more than the whole budget
  for (int i = 0; i < 1500; ++i) {
    std::string cols = "k", values = std::to_string(random() % 50);
    if (i == 700) {
      cols += ", t";
      values += ", '" + big + "'";
    } else if (random() % 5) {
      cols += ", t";
      values += ", '" + std::string(400 + random() % 300, char('a' + random() % 26)) + "'";
    }
    if (random() % 4) {
      char day[16];
      snprintf(day, sizeof day, "'%04d-%02d-%02d'", 2000 + int(random() % 2),
               1 + int(random() % 12), 1 + int(random() % 28));
      cols += ", d", values += std::string(", ") + day;
    }
    if (random() % 3) cols += ", x", values += ", " + std::to_string(int(random() % 9) - 4) + ".25";
    rows.push_back("insert into s (" + cols + ") values (" + values + ")");
  }
  Setup(rows);
  const auto expected = Reference(
      {"select d, x, k, length(t) from s order by d desc, x, k",
       "select k, x from s order by x desc, k"});
  std::vector<std::string> ours;
  for (const std::string& row : Query("select d, x, k, t from s order by d desc, x, k")) {
    const size_t tab = row.rfind('\t');
    const std::string t = row.substr(tab + 1);
    ours.push_back(row.substr(0, tab) + "\t" + (t == "NULL" ? "NULL" : std::to_string(t.size())));
  }
  EXPECT_EQ(Keys(ours, 3), Keys(expected[0], 3));
  EXPECT_EQ(Sorted(ours), Sorted(expected[0])) << "the large value stays with its row";
  EXPECT_EQ(Query("select k, x from s order by x desc, k"), expected[1]);
}

TEST_F(SQLFrontEnd, IdenticalRowsComeOutLaterReadFirst) {
  Setup({"create table r (k integer, v varchar)", "insert into r (k, v) values (1, 'b')",
         "insert into r (k, v) values (1, 'a')", "insert into r (k, v) values (0, 'z')",
         "insert into r (k, v) values (1, 'a')"});
  EXPECT_EQ(Query("select k, v from r order by k desc"),
            (std::vector<std::string>{"1\ta", "1\ta", "1\tb", "0\tz"}));
  EXPECT_EQ(Query("select v from r order by k"), (std::vector<std::string>{"z", "a", "a", "b"}))
      << "ties order by the whole row, hidden key included";
}

// '' is the empty text, which a text column keeps as a text: it is not NULL, as in sqlite3.
TEST_F(SQLAgainstSqlite, AnEmptyLiteralIsAnEmptyTextNotNull) {
  Setup({"create table e (id integer, name varchar, note varchar)",
         "insert into e (id, name, note) values (1, '', 'x')",
         "insert into e (id, note) values (2, '')", "insert into e (id, name) values (3, 'b')",
         "update e set note = '' where id = 3"});
  const std::vector<std::string> queries = {
      "select id from e where name = '' order by id", "select id from e where name is null",
      "select id from e where note is not null order by id",
      "select id, name, note from e order by name, note, id",
      "select count(*) from e where note <> 'x'"};
  const auto expected = Reference(queries);
  ASSERT_EQ(expected.size(), queries.size());
  for (size_t i = 0; i < queries.size(); ++i)
    EXPECT_EQ(Query(queries[i]), expected[i]) << queries[i];
}

// Rows sorted in several runs come out in the one total order (checked pair by pair with the
// comparison itself), NaN, infinities, -0 and NULL included, and none is lost.
TEST_F(SQLFrontEnd, SortedRunsMergeInTheOneTotalOrder) {
  Setup({"create table m (x double, n smallint, pad varchar)"});
  static const char* const kXs[] = {"nan", "-0", "0", "inf", "-inf", "1.5", "-2.25", "1e300",
                                    "4", "-1e-300"};
  std::mt19937 random(11);
  std::vector<std::string> rows;
  for (int i = 0; i < 4000; ++i) {
    const std::string pad(300 + random() % 40, char('a' + random() % 3));
    const std::string n = std::to_string(int(random() % 5));
    if (random() % 9 == 0) {
      rows.push_back("insert into m (n, pad) values (" + n + ", '" + pad + "')");
    } else {
      rows.push_back("insert into m (x, n, pad) values ('" + std::string(kXs[random() % 10]) +
                     "', " + n + ", '" + pad + "')");
    }
  }
  Setup(rows);
  Held rs(databaseSQLSelect(db, S("select x, n, pad from m order by x desc, n")));
  ASSERT_NE(rs.get(), nullptr);
  DatabaseCursorObject* r = AsRecordSet(rs);
  auto value = [&](int32_t i, std::vector<uint8_t>* bytes) {
    const void* data;
    uint8_t code;
    int32_t length;
    r->cursor->curColumnValue(r->cursorHandle, i, &data, &code, &length);
    bytes->assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    bytes->push_back(code);  // the code last, so that a copy is a whole value
  };
  auto column = [](const std::vector<uint8_t>& v) {
    ColumnValue c;
    c.code = v.back();
    c.data = c.code ? v.data() : nullptr;
    c.length = uint32_t(v.size() - 1);
    return c;
  };
  std::vector<std::vector<uint8_t>> previous(3), current(3);
  int32_t served = 0;
  for (; !r->eof; cursorMoveNext(rs), ++served) {
    for (int32_t i = 0; i < 3; ++i) value(i, &current[size_t(i)]);
    if (served) {
      int order = -CompareColumnValues(column(previous[0]), column(current[0]));
      if (!order) order = CompareColumnValues(column(previous[1]), column(current[1]));
      for (size_t i = 0; !order && i < 3; ++i)
        order = CompareColumnValues(column(previous[i]), column(current[i]));
      ASSERT_LE(order, 0) << "row " << served;
    }
    previous.swap(current);
  }
  EXPECT_EQ(served, 4000);
  cursorClose(rs);
}

}  // namespace
