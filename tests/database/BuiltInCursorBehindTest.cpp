// An open RecordSet of the built-in engine whose current row changes behind it, through
// another statement or another RecordSet: a row deleted behind it reads as no row (neutral
// fields, an update refused with the engine's error) until the cursor moves, and never as the
// row after it; a row updated behind it is still its row; a table that cannot be dropped and a
// database closed under it leave every record as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/BuiltInEngine.h"
#include "database/DatabaseClasses.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::FieldText;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

// Edit, one field, Update: the error code the database has afterwards.
int32_t WriteName(BuiltInDb& db, RuntimeObject* rs, const char* name) {
  cursorEdit(rs);
  Held field(cursorGetFieldByName(rs, S("name")));
  cursorFieldStringValueSetter(field, 0, S(name));
  cursorUpdate(rs);
  return db.ErrorCode();
}

Held SecondRow(BuiltInDb& db) {
  Held rs(databaseSQLSelect(db.db(), S("select id, name from t")));
  EXPECT_NE(rs.get(), nullptr) << db.ErrorMessage();
  cursorMoveNext(rs);
  EXPECT_EQ(FieldText(rs, "id"), "2");
  return Held(rs.release());
}

const char* const kLayouts[] = {
    "create table t (id integer, name varchar, primary key (id))",
    "create table t (id integer, name varchar)",
};

void FillFour(BuiltInDb& db, const char* create) {
  ASSERT_EQ(db.Exec(create), 0) << db.ErrorMessage();
  for (const char* row : {"1, 'Ann'", "2, 'Bob'", "3, 'Cid'", "4, 'Dee'"})
    ASSERT_EQ(db.Exec(std::string("insert into t (id, name) values (") + row + ")"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
}

// Deleted by a statement, committed or not, by another RecordSet or by its own Delete: the
// cursor reads nothing, its update is refused and writes nothing, and its next move reaches
// the row after.
TEST(BuiltInCursorBehind, ARowDeletedBehindTheCursorIsNoRowUntilItMoves) {
  const char* const kDeletes[] = {"statement, committed", "statement, open", "other cursor",
                                  "own Delete"};
  for (const char* create : kLayouts) {
    for (const char* how : kDeletes) {
      SCOPED_TRACE(std::string(create) + ": " + how);
      BuiltInDb db;
      FillFour(db, create);
      Held rs = SecondRow(db);
      if (std::string(how) == "other cursor") {
        Held other = SecondRow(db);
        cursorDeleteRecord(other);
        cursorClose(other);
      } else if (std::string(how) == "own Delete") {
        cursorDeleteRecord(rs);
      } else {
        ASSERT_EQ(db.Exec("delete from t where id = 2"), 0);
      }
      if (std::string(how) != "statement, open") {
        ASSERT_EQ(db.Exec("commit"), 0);
      }
      EXPECT_EQ(FieldText(rs, "id"), "");
      EXPECT_EQ(FieldText(rs, "name"), "");
      EXPECT_EQ(cursorEOFGetter(rs), 0);
      EXPECT_EQ(WriteName(db, rs, "Zed"), kDbErrorStorage);
      cursorDeleteRecord(rs);
      EXPECT_EQ(db.Exec("commit"), 0);
      EXPECT_EQ(db.Query("select id, name from t"), (Rows{"1|Ann", "3|Cid", "4|Dee"}));
      cursorMoveNext(rs);
      EXPECT_EQ(FieldText(rs, "id"), "3");
      EXPECT_EQ(WriteName(db, rs, "Cy"), 0) << db.ErrorMessage();
      cursorClose(rs);
      EXPECT_EQ(db.Query("select id, name from t"), (Rows{"1|Ann", "3|Cy", "4|Dee"}));
      EXPECT_EQ(db.Check(), "");
    }
  }
}

// Updated by a statement or by another RecordSet: the cursor stands on the same row, reads
// its new values, and its own update reaches that row alone.
TEST(BuiltInCursorBehind, ARowUpdatedBehindTheCursorIsStillItsRow) {
  for (const char* create : kLayouts) {
    for (bool byStatement : {true, false}) {
      SCOPED_TRACE(std::string(create) + (byStatement ? ": statement" : ": other cursor"));
      BuiltInDb db;
      FillFour(db, create);
      Held rs = SecondRow(db);
      if (byStatement) {
        ASSERT_EQ(db.Exec("update t set name = 'Bea' where id = 2"), 0);
      } else {
        Held other = SecondRow(db);
        ASSERT_EQ(WriteName(db, other, "Bea"), 0);
        cursorClose(other);
      }
      ASSERT_EQ(db.Exec("commit"), 0);
      EXPECT_EQ(FieldText(rs, "id"), "2");
      EXPECT_EQ(FieldText(rs, "name"), "Bea");
      EXPECT_EQ(WriteName(db, rs, "Bo"), 0) << db.ErrorMessage();
      cursorMoveNext(rs);
      EXPECT_EQ(FieldText(rs, "id"), "3");
      cursorClose(rs);
      EXPECT_EQ(db.Query("select id, name from t"),
                (Rows{"1|Ann", "2|Bo", "3|Cid", "4|Dee"}));
      EXPECT_EQ(db.Check(), "");
    }
  }
}

// A key changed behind the cursor moves the row away: the cursor is on no row; the moved row
// comes again further on, where its new key puts it.
TEST(BuiltInCursorBehind, ARowWhoseKeyChangedBehindTheCursorIsNoRow) {
  BuiltInDb db;
  FillFour(db, kLayouts[0]);
  Held rs = SecondRow(db);
  ASSERT_EQ(db.Exec("update t set id = 9 where id = 2"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  EXPECT_EQ(FieldText(rs, "name"), "");
  EXPECT_EQ(WriteName(db, rs, "Zed"), kDbErrorStorage);
  cursorMoveNext(rs);
  EXPECT_EQ(dbtest::ReadRows(rs), (Rows{"3|Cid", "4|Dee", "9|Bob"}));
}

// Tables cannot be dropped: the refusal leaves the cursor on its row. A database closed under
// an open cursor cuts it off: it reads nothing and writes nothing, and the file keeps every row.
TEST(BuiltInCursorBehind, ADroppedTableOrAClosedDatabaseLeavesTheRecordsAlone) {
  BuiltInDb db;
  FillFour(db, kLayouts[0]);
  Held rs = SecondRow(db);
  EXPECT_EQ(db.Exec("drop table t"), 2007);
  EXPECT_EQ(FieldText(rs, "name"), "Bob");
  Held kept(databaseSQLSelect(db.db(), S("select id, name from t")));
  db.Close();
  for (RuntimeObject* cursor : {rs.get(), kept.get()}) {
    EXPECT_EQ(FieldText(cursor, "name"), "<none>");
    cursorEdit(cursor);
    cursorUpdate(cursor);
    cursorDeleteRecord(cursor);
    cursorMoveNext(cursor);
    EXPECT_NE(cursorEOFGetter(cursor), 0);
  }
  db.Reopen();
  EXPECT_EQ(db.Query("select id, name from t"), (Rows{"1|Ann", "2|Bob", "3|Cid", "4|Dee"}));
}

}  // namespace
