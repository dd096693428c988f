// GROUP BY by hashing against grouping the sorted rows, value for value: the hashed result is
// taken only when it is the same, and the front end falls back to sorting otherwise.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "database/SQLResultCursors.h"
#include "database/SQLStatements.h"

namespace {

using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using Rows = std::vector<std::string>;

// Every value of every row, as bytes with their codes, so that two results compare exactly.
Rows RawRows(RuntimeObject* recordSet) {
  Rows rows;
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  for (; rs && !rs->eof; cursorMoveNext(recordSet)) {
    std::string row;
    for (int32_t i = 0; i < cursorFieldCount(recordSet); ++i) {
      const void* data = nullptr;
      uint8_t code = 0;
      int32_t length = 0;
      rs->cursor->curColumnValue(rs->cursorHandle, i, &data, &code, &length);
      row += std::to_string(code) + ":" +
             std::string(static_cast<const char*>(data), data ? size_t(length) : 0) + "|";
      if (rs->cursor->curReleaseValue) rs->cursor->curReleaseValue(rs->cursorHandle);
    }
    rows.push_back(row);
  }
  return rows;
}

class SQLGrouping : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSQLFrontEnd();
    db.reset(TestEnginePlugin::Open("tables"));
    ASSERT_NE(db.get(), nullptr);
  }
  void Exec(const std::string& sql) {
    databaseSQLExecute(db, S(string(sql.c_str())));
    ASSERT_EQ(databaseErrorCodeGetter(db), 0) << sql;
  }
  RuntimeObject* Select(const std::string& sql) {
    return databaseSQLSelect(db, S(string(sql.c_str())));
  }
  // A table g of rows keyed k (NULL at times) with doubles v drawn from values, and a name
  // that varies within each key.
  void Fill(const std::vector<std::string>& values, uint32_t seed) {
    Exec("create table g (k integer, v double, name varchar)");
    std::mt19937 random(seed);
    for (int i = 0; i < 300; ++i) {
      const std::string k = random() % 10 ? std::to_string(random() % 7) : "NULL";
      const std::string name = "'n" + std::to_string(random() % 5) + "'";
      if (k == "NULL")
        Exec("insert into g (v, name) values ('" + values[random() % values.size()] + "', " +
             name + ")");
      else
        Exec("insert into g (k, v, name) values (" + k + ", '" +
             values[random() % values.size()] + "', " + name + ")");
    }
  }
  // The same aggregates over the source "select k, name, v, v, v, k from g" (the last column
  // the group key) by hashing, and by sorting then grouping; the hashed result or nil.
  Rows Hashed(const std::vector<int32_t>& aggregates, bool* hashed) {
    Held source(Select("select k, name, v, v, v, k from g"));
    Held result(MakeHashedGroupResultCursor(source, aggregates, Names(aggregates), 5));
    *hashed = result.get() != nullptr;
    cursorClose(source);
    return RawRows(result);
  }
  Rows Sorted(const std::vector<int32_t>& aggregates) {
    Held source(Select("select k, name, v, v, v, k from g"));
    Held sorted(MakeSortedResultCursor(source, {{5, false}}, 0));
    cursorClose(source);
    Held result(MakeGroupedResultCursor(sorted, aggregates, Names(aggregates), 5));
    cursorClose(sorted);
    return RawRows(result);
  }
  static std::vector<std::string> Names(const std::vector<int32_t>& aggregates) {
    return std::vector<std::string>(aggregates.size(), "c");
  }

  Held db;
};

// The key, the name and three folds of v.
const std::vector<int32_t> kPlainCountSumMinMax = {kSQLPlain, kSQLPlain, kSQLSum, kSQLMin,
                                                   kSQLMax};

TEST_F(SQLGrouping, ExactSumsAndPlainColumnsHashAsTheSortedRowsGroup) {
  Fill({"1.5", "-2.25", "4", "0.75", "1000000", "-0.5"}, 1);
  bool hashed = false;
  const Rows rows = Hashed(kPlainCountSumMinMax, &hashed);
  EXPECT_TRUE(hashed) << "quarters add up exactly in any order";
  EXPECT_EQ(rows, Sorted(kPlainCountSumMinMax));
  EXPECT_EQ(rows.size(), 8u) << "seven keys and NULL";
  const std::vector<int32_t> counted = {kSQLPlain, kSQLCount, kSQLCount, kSQLCount, kSQLCount};
  EXPECT_EQ(Hashed(counted, &hashed), Sorted(counted));
  EXPECT_TRUE(hashed);
}

TEST_F(SQLGrouping, WhatDependsOnTheRowsOrderIsLeftToTheSort) {
  struct Case {
    std::vector<std::string> values;
    std::vector<int32_t> aggregates;
    const char* why;
  };
  const Case cases[] = {
      {{"0.1", "0.2", "0.3", "1e17", "-1e17"}, kPlainCountSumMinMax, "sums that round"},
      {{"1", "2", "3"}, {kSQLPlain, kSQLPlain, kSQLAvg, kSQLCount, kSQLCount}, "an average"},
      {{"0", "-0", "1"}, kPlainCountSumMinMax, "both zeros in MIN"},
      {{"nan", "1", "2"}, kPlainCountSumMinMax, "NaN in MIN"},
      {{"inf", "1"}, kPlainCountSumMinMax, "an infinite sum"},
  };
  uint32_t seed = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    db.reset(TestEnginePlugin::Open("tables"));  // a fresh engine for a fresh table
    Fill(c.values, seed++);
    bool hashed = true;
    Hashed(c.aggregates, &hashed);
    EXPECT_FALSE(hashed);
  }
}

TEST_F(SQLGrouping, KeysThatSortAlikeAndGroupsPastTheBudgetAreLeftToTheSort) {
  Exec("create table z (d double, k integer, pad varchar)");
  for (const char* d : {"0", "-0", "0", "1"})
    Exec(std::string("insert into z (d, k) values ('") + d + "', 1)");
  Held source(Select("select d, k, d from z"));
  const std::vector<int32_t> aggregates = {kSQLPlain, kSQLCount};
  EXPECT_EQ(MakeHashedGroupResultCursor(source, aggregates, {"d", "c"}, 2), nullptr)
      << "0 and -0 are one key to the sort and two to a hash";
  cursorClose(source);
  Exec("create table w (k integer, pad varchar)");
  const std::string pad(2000, 'p');
  for (int i = 0; i < 400; ++i)
    Exec("insert into w (k, pad) values (" + std::to_string(i) + ", '" + pad + "')");
  Held wide(Select("select k, pad, k from w"));
  EXPECT_EQ(MakeHashedGroupResultCursor(wide, aggregates, {"k", "p"}, 2), nullptr)
      << "400 groups of 2 KB rows are more than the sort's budget";
  cursorClose(wide);
  Held narrow(Select("select k, k, k from w"));
  Held grouped(MakeHashedGroupResultCursor(narrow, aggregates, {"k", "c"}, 2));
  EXPECT_NE(grouped.get(), nullptr) << "400 groups of small keys are not";
  cursorClose(narrow);
}

TEST_F(SQLGrouping, SelectGroupsAlikeWhicheverWayItTakes) {
  Fill({"0.1", "0.2", "1.5", "-2.25", "nan", "-0", "0"}, 9);
  struct Case {
    const char* query;
    const char* source;  // the join's rows for it, the group key last
    std::vector<int32_t> aggregates;
  };
  const Case cases[] = {
      {"select k, count(*), sum(v) from g group by k", "select k, k, v, k from g",
       {kSQLPlain, kSQLCount, kSQLSum}},
      {"select k, min(v), max(v), name from g group by k", "select k, v, v, name, k from g",
       {kSQLPlain, kSQLMin, kSQLMax, kSQLPlain}},
      {"select k, avg(v) from g group by k", "select k, v, k from g", {kSQLPlain, kSQLAvg}},
      {"select k, count(*) from g group by k", "select k, k, k from g", {kSQLPlain, kSQLCount}},
      {"select name, k from g group by name", "select name, k, name from g",
       {kSQLPlain, kSQLPlain}},
  };
  for (const Case& c : cases) {
    Held ours(Select(c.query));
    Held source(Select(c.source));
    ASSERT_NE(source.get(), nullptr) << c.source;
    const int32_t key = int32_t(c.aggregates.size());
    Held sorted(MakeSortedResultCursor(source, {{key, false}}, 0));
    cursorClose(source);
    Held grouped(MakeGroupedResultCursor(sorted, c.aggregates, Names(c.aggregates), key));
    cursorClose(sorted);
    EXPECT_EQ(RawRows(ours), RawRows(grouped)) << c.query;
  }
}

}  // namespace
