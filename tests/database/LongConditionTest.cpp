// Statement text that nests or chains without bound: a WHERE of a megabyte of ANDs and ORs
// answers as a short one does in SELECT, UPDATE and DELETE, on the built-in engine and on a
// plug-in engine whose own walk over the condition it is handed recurses; and deeply nested
// parentheses, which the grammar has none of, are refused with a syntax error.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/SQLStatements.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;

constexpr int kRows = 24;
constexpr size_t kChainBytes = 1 << 20;

// A chain of comparisons on column a, about a megabyte long; holds(a) is what it answers for a
// row, worked out from the right as AND and OR group there.
struct Chain {
  std::string text;
  std::vector<bool> holds;  // by a, 0 .. kRows - 1
};

// Connectives: "and", "or", or a random mix of both. Terms are a <> k (mostly true) under AND
// and a = k (mostly false) under OR, so that neither side decides most rows early.
Chain MakeChain(const char* connectives, uint32_t seed, const std::string& column = "a") {
  std::mt19937 random(seed);
  std::vector<bool> isAnd;
  std::vector<std::pair<bool, int>> terms;  // (equal, k)
  Chain chain;
  while (chain.text.size() < kChainBytes) {
    const bool andNext = std::string(connectives) == "mixed" ? random() % 2 == 0
                                                             : std::string(connectives) == "and";
    const bool equal = !andNext;
    const int k = int(random() % (kRows * 3));
    terms.push_back({equal, k});
    chain.text += column + (equal ? " = " : " <> ") + std::to_string(k);
    isAnd.push_back(andNext);
    chain.text += andNext ? " and " : " or ";
  }
  // The last term ends the chain.
  terms.push_back({true, int(random() % kRows)});
  chain.text += column + " = " + std::to_string(terms.back().second);
  for (int a = 0; a < kRows; ++a) {
    auto term = [a](const std::pair<bool, int>& t) { return t.first == (a == t.second); };
    bool value = term(terms.back());
    for (size_t i = isAnd.size(); i-- > 0;)
      value = isAnd[i] ? term(terms[i]) && value : term(terms[i]) || value;
    chain.holds.push_back(value);
  }
  return chain;
}

class LongConditions : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    InstallSQLFrontEnd();
    if (GetParam()) {
      mBuiltIn = std::make_unique<BuiltInDb>();
      mDb = mBuiltIn->db();
    } else {
      mPlugin.reset(dbtest::TestEnginePlugin::Open("tables"));
      ASSERT_NE(mPlugin.get(), nullptr);
      mDb = mPlugin.get();
    }
    ASSERT_EQ(Exec("create table t (id integer, a integer, b varchar(10), primary key (id))"),
              0);
    for (int i = 0; i < kRows; ++i)
      ASSERT_EQ(Exec("insert into t (id, a, b) values (" + std::to_string(i) + ", " +
                     std::to_string(i) + ", 'old')"),
                0);
  }

  int32_t Exec(const std::string& sql) {
    databaseSQLExecute(mDb, S(string(sql.c_str())));
    return databaseErrorCodeGetter(mDb);
  }
  std::string Message() { return dbtest::Text(databaseErrorStringGetter(mDb)); }
  // The first column of every row; "error <code>" when the query fails.
  std::vector<std::string> Query(const std::string& sql) {
    Held rs(databaseSQLSelect(mDb, S(string(sql.c_str()))));
    if (!rs.get()) return {"error " + std::to_string(databaseErrorCodeGetter(mDb))};
    std::vector<std::string> ids;
    for (const std::string& row : dbtest::ReadRows(rs))
      ids.push_back(row.substr(0, row.find('|')));
    cursorClose(rs);
    return ids;
  }
  static std::vector<std::string> Ids(const std::vector<bool>& holds, bool value) {
    std::vector<std::string> ids;
    for (int a = 0; a < kRows; ++a)
      if (holds[size_t(a)] == value) ids.push_back(std::to_string(a));
    return ids;
  }

  std::unique_ptr<BuiltInDb> mBuiltIn;
  Held mPlugin;
  RuntimeObject* mDb = nullptr;
};

TEST_P(LongConditions, AMegabyteOfAndsAndOrsSelectsUpdatesAndDeletesTheRowsItNames) {
  uint32_t seed = 1;
  for (const char* connectives : {"and", "or", "mixed"}) {
    SCOPED_TRACE(connectives);
    const Chain chain = MakeChain(connectives, seed++);
    const std::vector<std::string> named = Ids(chain.holds, true);
    EXPECT_EQ(Query("select id from t where " + chain.text), named);
    ASSERT_EQ(Exec("update t set b = 'new' where " + chain.text), 0) << Message();
    EXPECT_EQ(Query("select id from t where b = 'new'"), named);
    ASSERT_EQ(Exec("delete from t where " + chain.text), 0) << Message();
    EXPECT_EQ(Query("select id from t"), Ids(chain.holds, false));
    // The rows come back for the next chain.
    ASSERT_EQ(Exec("delete from t"), 0);
    for (int i = 0; i < kRows; ++i)
      ASSERT_EQ(Exec("insert into t (id, a, b) values (" + std::to_string(i) + ", " +
                     std::to_string(i) + ", 'old')"),
                0);
  }
  // A join hands the chain to the inner table's engine with a column of the outer one.
  const Chain chain = MakeChain("mixed", 9, "u.a");
  EXPECT_EQ(Query("select u.id from t u, t v where u.id = v.id and " + chain.text),
            Ids(chain.holds, true));
}

TEST_P(LongConditions, TenThousandNestedParenthesesAreASyntaxError) {
  const std::string open(10000, '('), close(10000, ')');
  const std::string nested = open + "a = 1" + close;
  EXPECT_EQ(Query("select id from t where " + nested), std::vector<std::string>{"error 201"});
  EXPECT_EQ(Message(), "Invalid column/table identifier");
  EXPECT_EQ(Exec("update t set b = 'x' where " + nested), 201);
  EXPECT_EQ(Exec("delete from t where a = 2 or " + nested), 201);
  EXPECT_EQ(Exec("delete from t where upper(" + open + "b" + close + ") = 'OLD'"), 201);
  EXPECT_EQ(Query("select " + open + "id" + close + " from t"),
            std::vector<std::string>{"error 201"});
  EXPECT_EQ(Query("select count(" + open + "*" + close + ") from t"),
            std::vector<std::string>{"error 201"});
  EXPECT_EQ(Exec("insert into t (id, a) values " + open + "1, 2" + close), 200);
  EXPECT_EQ(Exec("create table p " + open + "x integer" + close), 201);
  // Nothing was changed on the way.
  EXPECT_EQ(Query("select id from t where b = 'old'").size(), size_t(kRows));
}

INSTANTIATE_TEST_SUITE_P(Engines, LongConditions, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "BuiltIn" : "Plugin");
                         });

}  // namespace
