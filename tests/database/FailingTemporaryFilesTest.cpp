// Results kept in temporary files whose reads fail (the tests' fault injector): a row that
// cannot be read back is never served, the RecordSet ends before it and the database says why
// (the host's error number); the rows stay kept, and serve again once the reads do. A grouping
// whose sorted rows cannot be read back is no result at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/DatabaseClasses.h"
#include "support/IOFaults.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

constexpr int kRows = 1500;  // of about 500 bytes: more than a sort holds in memory

class FailingTemporaryFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mDb.Exec("create table t (n integer, g integer, pad varchar)"), 0);
    const std::string pad(500, 'p');
    for (int n = 0; n < kRows; ++n)
      ASSERT_EQ(mDb.Exec("insert into t (n, g, pad) values (" + std::to_string(n) + ", " +
                         std::to_string(n % 7) + ", '" + pad + "')"),
                0);
    ASSERT_EQ(mDb.Exec("commit"), 0);
  }

  qvtest::TempFolder mTemp{"qvfailtemp"};
  qvtest::ScopedEnvironmentVariable mFolder{"TMPDIR", mTemp.path().c_str()};
  qvtest::IOFaults mFaults;
  BuiltInDb mDb;
};

// The n of each row, in the order a query serves them.
std::vector<int> Ordered(bool byGroup) {
  std::vector<int> n(kRows);
  for (int i = 0; i < kRows; ++i) n[size_t(i)] = i;
  if (byGroup)  // g ascending, n descending
    std::sort(n.begin(), n.end(),
              [](int a, int b) { return a % 7 != b % 7 ? a % 7 < b % 7 : a > b; });
  return n;
}

// Reads the rows from the current one on, each checked against the n it should have: how many
// were served.
int Served(RuntimeObject* rows, const std::vector<int>& n) {
  int served = 0;
  for (; !cursorEOFGetter(rows); ++served, cursorMoveNext(rows)) {
    EXPECT_EQ(FieldText(rows, "n"), std::to_string(n[size_t(served)])) << "row " << served;
    if (FieldText(rows, "n") != std::to_string(n[size_t(served)])) break;
  }
  return served;
}

const struct {
  const char* sql;
  std::vector<int> n;
} kQueries[] = {
    {"select n, pad from t order by n", Ordered(false)},
    {"select n, g from t order by g, n desc", Ordered(true)},
    {"select n, count(*) from t group by n", Ordered(false)},
};

// Every read of the kept rows failing from the 4th on, and one failing read among them.
TEST_F(FailingTemporaryFiles, ARowThatCannotBeReadBackEndsTheResultAndTheDatabaseSaysWhy) {
  for (const auto& query : kQueries) {
    for (const int times : {-1, 1}) {
      SCOPED_TRACE(std::string(query.sql) + (times < 0 ? ", every read" : ", one read"));
      mFaults.Clear();
      mFaults.Watch(mTemp.path());
      Held rows(databaseSQLSelect(mDb.db(), S(query.sql)));
      ASSERT_TRUE(rows.get());
      ASSERT_EQ(mDb.ErrorCode(), 0) << mDb.ErrorMessage();
      const int rule = mFaults.Fail(mTemp.path(), QV_FAULT_READ, times < 0 ? 3 : 5, times);
      EXPECT_LT(Served(rows, query.n), int(query.n.size()));
      EXPECT_GT(mFaults.Fired(rule), 0);
      EXPECT_EQ(mDb.ErrorCode(), EIO);
      EXPECT_NE(mDb.ErrorMessage().find("Input/output error"), std::string::npos)
          << mDb.ErrorMessage();
      mFaults.Clear();
      CursorMoveFirst(rows);
      EXPECT_EQ(Served(rows, query.n), int(query.n.size())) << "once the reads work again";
    }
  }
}

// AVG groups the rows sorted first; their second read fails as they are grouped.
TEST_F(FailingTemporaryFiles, AGroupingWhoseSortedRowsCannotBeReadIsNoResult) {
  mFaults.Fail(mTemp.path(), QV_FAULT_READ, 1, -1);
  int32_t error = 0;
  EXPECT_EQ(mDb.Query("select g, avg(n) from t where n < 700 group by g", &error).size(), 0u);
  EXPECT_EQ(error, EIO) << mDb.ErrorMessage();
  mFaults.Clear();
  EXPECT_EQ(mDb.Query("select g, avg(n) from t where n < 700 group by g", &error).size(), 7u);
  EXPECT_EQ(error, 0) << mDb.ErrorMessage();
}

}  // namespace
