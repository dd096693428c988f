// Walking a join's result backwards: MovePrevious and MoveLast read the rows the join served
// instead of running it again from its start for each move, so that a walk backwards costs
// what a walk forwards does (counted in the tables a plug-in engine opens); the rows, their
// column types and writing back are as walking forwards gives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/SQLStatements.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using Rows = std::vector<std::string>;

void Exec(RuntimeObject* db, const std::string& sql) {
  databaseSQLExecute(db, S(string(sql.c_str())));
  ASSERT_EQ(databaseErrorCodeGetter(db), 0) << sql;
}

// The row and each column's type, so that kept rows are compared whole.
std::string RowAndTypes(RuntimeObject* rs) {
  std::string row = dbtest::ReadRow(rs);
  for (int32_t i = 0; i < cursorFieldCount(rs); ++i)
    row += " " + std::to_string(RecordSetColumnType(rs, i));
  return row;
}

Rows Forwards(RuntimeObject* rs) {
  Rows rows;
  for (CursorMoveFirst(rs); !cursorEOFGetter(rs); cursorMoveNext(rs))
    rows.push_back(RowAndTypes(rs));
  return rows;
}

// From the last row to the first; n rows are expected.
Rows Backwards(RuntimeObject* rs, size_t n) {
  Rows rows;
  CursorMoveLast(rs);
  for (size_t i = 0; i < n && !cursorEOFGetter(rs); ++i) {
    rows.push_back(RowAndTypes(rs));
    CursorMovePrev(rs);
  }
  return rows;
}

TEST(JoinWalks, ACrossJoinWalkedBackwardsOpensTablesAsOftenAsForwards) {
  InstallSQLFrontEnd();
  Held db(TestEnginePlugin::Open("tables"));
  ASSERT_NE(db.get(), nullptr);
  for (const char* t : {"a", "b", "c"}) {
    Exec(db, std::string("create table ") + t + " (x integer, y varchar(5))");
    for (int i = 0; i < 8; ++i)
      Exec(db, std::string("insert into ") + t + " (x, y) values (" + std::to_string(i) +
                   ", '" + t + std::to_string(i) + "')");
  }
  Held rs(databaseSQLSelect(db, S("select a.x, b.y, c.x from a, b, c where c.x <> b.x")));
  ASSERT_NE(rs.get(), nullptr);
  // A run opens b once for each of a's 8 rows and c for each of their 64: 73 tables.
  TestEnginePlugin::LimitOpens(2 * 73);
  const Rows forwards = Forwards(rs);
  ASSERT_EQ(forwards.size(), 448u);
  TestEnginePlugin::LimitOpens(2 * 73);  // running again once is all a walk back may cost
  Rows backwards = Backwards(rs, forwards.size());
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(backwards, forwards);
  // Back to the first row, then forwards again through the kept rows and on.
  CursorMovePrev(rs);
  EXPECT_EQ(RowAndTypes(rs), forwards[0]) << "before the first: stays on the first";
  Rows again;
  for (; !cursorEOFGetter(rs); cursorMoveNext(rs)) again.push_back(RowAndTypes(rs));
  EXPECT_EQ(again, forwards);
  CursorMovePrev(rs);
  EXPECT_EQ(RowAndTypes(rs), forwards.back()) << "past the end: the last";
  TestEnginePlugin::LimitOpens(-1);
  cursorClose(rs);
}

TEST(JoinWalks, RowsKeptForBackwardMovesReadAndWriteBackAsTheTableDoes) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (id integer, name varchar(10), d date, note long varchar, "
                    "primary key (id))"),
            0);
  for (int i = 1; i <= 30; ++i)
    ASSERT_EQ(db.Exec("insert into t (id, name, d, note) values (" + std::to_string(i) +
                      ", 'n" + std::to_string(i) + "', '2024-1-" + std::to_string(i) + "', '" +
                      std::string(size_t(i) * 300, char('a' + i % 26)) + "')"),
              0);
  Held rs(databaseSQLSelect(db.db(), S("select * from t where id > 3")));
  ASSERT_NE(rs.get(), nullptr);
  const Rows forwards = Forwards(rs);
  ASSERT_EQ(forwards.size(), 27u);
  Rows backwards = Backwards(rs, forwards.size());
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(backwards, forwards);
  // Five rows back from the last, an edit goes to the row that is shown.
  CursorMoveLast(rs);
  for (int i = 0; i < 5; ++i) CursorMovePrev(rs);
  EXPECT_EQ(RowAndTypes(rs), forwards[forwards.size() - 6]);
  cursorEdit(rs);
  Held name(cursorGetFieldByName(rs, S("name")));
  cursorFieldStringValueSetter(name, 0, S("edited"));
  cursorUpdate(rs);
  EXPECT_EQ(db.Query("select id from t where name = 'edited'"), Rows{"25"});
  cursorMoveNext(rs);
  EXPECT_EQ(RowAndTypes(rs), forwards[forwards.size() - 5]) << "the row after, id 26";
  cursorDeleteRecord(rs);
  EXPECT_EQ(db.Query("select id from t where id = 26"), Rows{});
  cursorClose(rs);
}

}  // namespace
