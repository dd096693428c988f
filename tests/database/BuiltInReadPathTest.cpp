// The built-in engine's read path as results are walked: inner tables of a join that start over
// for each outer row, values that follow their row when the page under it changes, and fields
// found by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "support/CLocaleText.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

RuntimeObject* Select(BuiltInDb& db, const std::string& sql) {
  RuntimeObject* rs = databaseSQLSelect(db.db(), S(string(sql.c_str())));
  EXPECT_NE(rs, nullptr) << sql << ": " << db.ErrorMessage();
  return rs;
}

TEST(BuiltInJoins, InnerTablesStartOverForEachOuterRowAndSeeWhatChangedMeanwhile) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table c (id integer, name varchar(10), primary key (id))"), 0);
  ASSERT_EQ(db.Exec("create table o (id integer, cust integer, primary key (id))"), 0);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(db.Exec("insert into c (id, name) values (" + std::to_string(i) + ", 'c" +
                      std::to_string(i) + "')"),
              0);
  for (int i = 1; i <= 9; ++i)
    ASSERT_EQ(db.Exec("insert into o (id, cust) values (" + std::to_string(i) + ", " +
                      std::to_string(i % 4) + ")"),
              0);
  Held rs(Select(db, "select o.id, c.name from o, c where o.cust = c.id"));
  Rows seen;
  auto read = [&](int rows) {
    for (int i = 0; i < rows; ++i) {
      seen.push_back(dbtest::ReadRow(rs));
      cursorMoveNext(rs);
    }
  };
  // Each read takes the current row and steps on: after the first two, o 4 is current (o 3
  // found no customer 3 then).
  read(2);
  ASSERT_EQ(db.Exec("update c set name = 'changed' where id = 1"), 0);
  ASSERT_EQ(db.Exec("insert into c (id, name) values (3, 'new')"), 0);
  read(3);  // o 4, then 5 and 6 as changed; o 7 now finds customer 3
  // A new column changes the table's shape: the inner cursor is opened anew, not restarted.
  ASSERT_EQ(db.Exec("alter table c add column extra integer"), 0);
  ASSERT_EQ(db.Exec("delete from c where id = 2"), 0);
  read(3);
  EXPECT_EQ(dbtest::ReadRow(rs), "EOF");
  EXPECT_EQ(seen, (Rows{"1|c1", "2|c2", "4|c0", "5|changed", "6|c2", "7|new", "8|c0",
                        "9|changed"}));
  EXPECT_EQ(db.Query("select o.id, c.name from o, c where o.cust = c.id"),
            (Rows{"1|changed", "3|new", "4|c0", "5|changed", "7|new", "8|c0", "9|changed"}));
}

TEST(BuiltInFields, ValuesFollowTheirRowWhenRowsBeforeItMoveItOnItsPage) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (id integer, name varchar(20), v double, primary key (id))"),
            0);
  for (int i = 100; i < 110; ++i)
    ASSERT_EQ(db.Exec("insert into t (id, name, v) values (" + std::to_string(i) + ", 'row " +
                      std::to_string(i) + "', " + std::to_string(i) + ".5)"),
              0);
  Held rs(Select(db, "select * from t where id >= 105"));
  ASSERT_EQ(dbtest::ReadRow(rs), "105|row 105|105.5");
  // Rows keyed before it go in front of it on the same page, and one after it.
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(db.Exec("insert into t (id, name, v) values (" + std::to_string(i) +
                      ", 'a much longer name " + std::to_string(i) + "', 0)"),
              0);
  ASSERT_EQ(db.Exec("insert into t (id, name, v) values (200, 'later', 1)"), 0);
  EXPECT_EQ(dbtest::ReadRow(rs), "105|row 105|105.5");
  Held name(cursorGetFieldByName(rs, S("NAME")));
  EXPECT_EQ(dbtest::Text(cursorFieldStringValueGetter(name, 0)), "row 105");
  cursorMoveNext(rs);
  EXPECT_EQ(dbtest::ReadRow(rs), "106|row 106|106.5");
  EXPECT_EQ(dbtest::Text(cursorFieldStringValueGetter(name, 0)), "row 106");
}

TEST(BuiltInFields, FieldByNameFindsTheFirstColumnOfThatNameHoweverTheNameIsHeld) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (id integer, name varchar(20), primary key (id))"), 0);
  ASSERT_EQ(db.Exec("insert into t (id, name) values (7, 'seven')"), 0);
  Held rs(Select(db, "select name, id, name from t"));
  auto columnOf = [&](const string& wanted) {
    Held field(cursorGetFieldByName(rs, wanted.Storage()));
    if (!field.get()) return -1;
    return reinterpret_cast<DatabaseFieldObject*>(field.get())->column;
  };
  const string id("id"), upper("ID"), name("Name"), none("nothing");
  // The same strings asked again, equal ones held elsewhere, and more names than are kept.
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(columnOf(id), 1);
    EXPECT_EQ(columnOf(string::FromBytes("id", 2, kEncodingUTF8)), 1);
    EXPECT_EQ(columnOf(upper), 1);
    EXPECT_EQ(columnOf(name), 0);
    EXPECT_EQ(columnOf(none), -1);
    EXPECT_EQ(columnOf(string()), -1);
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(columnOf(string(("x" + std::to_string(i)).c_str())), -1);
  }
  Held field(cursorGetFieldByName(rs, id.Storage()));
  EXPECT_EQ(cursorFieldIntegerValueGetter(field, 0), 7);
  cursorClose(rs);
  EXPECT_EQ(cursorGetFieldByName(rs, id.Storage()), nullptr) << "a closed RecordSet has none";
}

// Row after row, each field read and released at once serves the next request while a field
// the caller still holds keeps its column; a reused field reads other types and NULLs right.
TEST(BuiltInFields, ReleasedFieldsServeAgainWhileHeldOnesKeepTheirColumn) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (id integer, name varchar(20), v double, d date, "
                    "primary key (id))"), 0);
  ASSERT_EQ(db.Exec("insert into t (id, name, v, d) values (1, 'one', 1.5, '2024-01-02')"), 0);
  ASSERT_EQ(db.Exec("insert into t (id) values (2)"), 0);
  Held rs(Select(db, "select id, name, v, d from t"));
  Held name(cursorGetFieldByName(rs, S("name")));
  RuntimeUnlockObject(cursorGetFieldByIndex(rs, 1));
  ASSERT_GT(ReleasedDatabaseFieldCount(), 0u) << "released fields wait for reuse";
  Rows seen;
  for (; !cursorEOFGetter(rs); cursorMoveNext(rs)) {
    for (int32_t index = 1; index <= 4; ++index) {
      Held field(cursorGetFieldByIndex(rs, index));
      EXPECT_NE(field.get(), name.get());
      Held value(CursorFieldValueGetter(field, 0)), date(cursorFieldDateValueGetter(field, 0));
      seen.push_back(dbtest::Text(cursorFieldStringValueGetter(field, 0)) + "," +
                     std::to_string(cursorFieldIntegerValueGetter(field, 0)) + "," +
                     qvtest::CText("%f", cursorFieldDoubleValueGetter(field, 0)) +
                     (value.get() ? "" : ",nil") + (date.get() ? ",date" : ""));
    }
    seen.push_back(dbtest::Text(cursorFieldStringValueGetter(name, 0)));
  }
  EXPECT_EQ(seen, (Rows{"1,1,1.000000", "one,0,0.000000", "1.5,1,1.500000",
                        "2024-01-02,0,0.000000,date", "one", "2,2,2.000000", ",0,0.000000,nil",
                        ",0,0.000000,nil", ",0,0.000000,nil", ""}));
}

// A field held past its RecordSet's release still reads its row, past Close nothing; once both
// are released neither stays alive.
TEST(BuiltInFields, AHeldFieldOutlivesItsRecordSetSafely) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (id integer, name varchar(20), primary key (id))"), 0);
  ASSERT_EQ(db.Exec("insert into t (id, name) values (1, 'one')"), 0);
  dbtest::LiveObjects live;
  for (bool close : {false, true}) {
    Held rs(Select(db, "select id, name from t"));
    RuntimeUnlockObject(cursorGetFieldByIndex(rs, 1));  // a released field waits for reuse
    Held field(cursorGetFieldByIndex(rs, 2));
    if (close) cursorClose(rs);
    rs.reset();
    EXPECT_EQ(dbtest::Text(cursorFieldStringValueGetter(field, 0)), close ? "" : "one");
  }
  EXPECT_EQ(live.Added(), 0);
}

}  // namespace
