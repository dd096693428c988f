// Edits through an open RecordSet of the built-in engine: after Update the cursor stays on the
// row it updated, whatever the new row's length and whether or not the table has a key, so a
// Delete or a second Update that follows reaches that row; rows keep their order; and a row
// rewritten under the cursor, or given back by a rollback, reads as it now is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/DatabaseClasses.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::FieldText;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

void SetField(RuntimeObject* rs, const char* name, const std::string& value) {
  Held field(cursorGetFieldByName(rs, S(name)));
  ASSERT_NE(field.get(), nullptr) << name;
  cursorFieldStringValueSetter(field, 0, S(value.c_str()));
}

// The RecordSet of the query standing on its row-th row (from 0).
Held SelectAt(BuiltInDb& db, const std::string& sql, int row) {
  Held rs(databaseSQLSelect(db.db(), S(sql.c_str())));
  EXPECT_NE(rs.get(), nullptr) << db.ErrorMessage();
  for (int i = 0; i < row && rs.get(); ++i) cursorMoveNext(rs);
  return Held(rs.release());
}

void FillFive(BuiltInDb& db, const char* create) {
  ASSERT_EQ(db.Exec(create), 0) << db.ErrorMessage();
  for (int id = 1; id <= 5; ++id)
    ASSERT_EQ(db.Exec("insert into t (id, name, flag) values (" + std::to_string(id) + ", 'n" +
                      std::to_string(id) + "', '0')"),
              0);
  ASSERT_EQ(db.Exec("commit"), 0);
}

struct Layout {
  const char* label;
  const char* create;
};

const Layout kLayouts[] = {
    {"keyed", "create table t (id integer, name varchar, flag varchar, primary key (id))"},
    {"without key", "create table t (id integer, name varchar, flag varchar)"},
};

// Longer, shorter and same-length new values, each followed by a Delete through the cursor.
TEST(BuiltInCursorEdits, UpdateLeavesTheCursorOnItsRowForTheDeleteThatFollows) {
  for (const Layout& layout : kLayouts) {
    for (const std::string& value : {std::string("true"), std::string(), std::string("1"),
                                    std::string(3000, 'x')}) {
      SCOPED_TRACE(std::string(layout.label) + " value of " + std::to_string(value.size()));
      BuiltInDb db;
      FillFive(db, layout.create);
      Held rs = SelectAt(db, "select id, name, flag from t", 1);
      ASSERT_EQ(FieldText(rs, "id"), "2");
      cursorEdit(rs);
      SetField(rs, "flag", value);
      cursorUpdate(rs);
      EXPECT_EQ(db.ErrorCode(), 0) << db.ErrorMessage();
      EXPECT_EQ(FieldText(rs, "id"), "2");
      EXPECT_EQ(FieldText(rs, "flag"), value);
      cursorDeleteRecord(rs);
      cursorMoveNext(rs);
      EXPECT_EQ(FieldText(rs, "id"), "3");
      cursorClose(rs);
      EXPECT_EQ(db.Query("select id, flag from t"), (Rows{"1|0", "3|0", "4|0", "5|0"}));
      EXPECT_EQ(db.Check(), "");
    }
  }
}

// A second edit of the same row through the same cursor replaces the first; the rows of a
// table without a key keep the order they were inserted in.
TEST(BuiltInCursorEdits, RowsKeepTheirOrderAcrossRepeatedUpdates) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.label);
    BuiltInDb db;
    FillFive(db, layout.create);
    Held rs = SelectAt(db, "select id, name, flag from t", 0);
    for (int id = 1; id <= 5; ++id) {
      ASSERT_EQ(FieldText(rs, "id"), std::to_string(id));
      for (const char* value : {"true", "false", "no"}) {
        cursorEdit(rs);
        SetField(rs, "flag", value);
        cursorUpdate(rs);
        ASSERT_EQ(FieldText(rs, "flag"), value);
      }
      cursorMoveNext(rs);
    }
    EXPECT_NE(cursorEOFGetter(rs), 0);
    cursorClose(rs);
    EXPECT_EQ(db.Query("select id, flag from t"),
              (Rows{"1|no", "2|no", "3|no", "4|no", "5|no"}));
    // A statement's update keeps the order too.
    ASSERT_EQ(db.Exec("update t set flag = 'longer than before' where id = 2 or id = 4"), 0);
    db.Reopen();
    EXPECT_EQ(db.Query("select id, flag from t"),
              (Rows{"1|no", "2|longer than before", "3|no", "4|longer than before", "5|no"}));
    EXPECT_EQ(db.Check(), "");
  }
}

// A row that grows past what its page holds splits the page; the cursor still stands on it.
TEST(BuiltInCursorEdits, ARowThatSplitsItsPageKeepsTheCursor) {
  const std::string wide(1500, 'w');
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.label);
    BuiltInDb db;
    ASSERT_EQ(db.Exec(layout.create), 0);
    for (int id = 1; id <= 5; ++id)
      ASSERT_EQ(db.Exec("insert into t (id, name, flag) values (" + std::to_string(id) + ", '" +
                        wide + "', '0')"),
                0);
    Held rs = SelectAt(db, "select id, name, flag from t", 2);
    cursorEdit(rs);
    SetField(rs, "name", std::string(4000, 'g'));
    cursorUpdate(rs);
    EXPECT_EQ(db.ErrorCode(), 0) << db.ErrorMessage();
    EXPECT_EQ(FieldText(rs, "id"), "3");
    cursorMoveNext(rs);
    EXPECT_EQ(FieldText(rs, "id"), "4");
    cursorClose(rs);
    const Rows expected = {"1|" + wide, "2|" + wide, "3|" + std::string(4000, 'g'),
                           "4|" + wide, "5|" + wide};
    EXPECT_EQ(db.Query("select id, name from t"), expected);
    EXPECT_EQ(db.Check(), "");
  }
}

// A row rewritten in place under an open RecordSet (same length: nothing moves), and given
// back by a rollback, reads as it now is, whether the values were read before or not.
TEST(BuiltInCursorEdits, AnOpenRecordSetReadsItsRowAfterRewritesAndRollback) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.label);
    BuiltInDb db;
    FillFive(db, layout.create);
    Held rs = SelectAt(db, "select id, name, flag from t", 1);
    ASSERT_EQ(FieldText(rs, "flag"), "0");
    ASSERT_EQ(db.Exec("update t set flag = '7', name = 'm2' where id = 2"), 0);
    EXPECT_EQ(FieldText(rs, "id"), "2");
    EXPECT_EQ(FieldText(rs, "flag"), "7");
    EXPECT_EQ(FieldText(rs, "name"), "m2");
    ASSERT_EQ(db.Exec("rollback"), 0);
    EXPECT_EQ(FieldText(rs, "flag"), "0");
    EXPECT_EQ(FieldText(rs, "name"), "n2");
    cursorMoveNext(rs);
    EXPECT_EQ(FieldText(rs, "id"), "3");
    cursorClose(rs);
    EXPECT_EQ(db.Query("select id, name, flag from t"),
              (Rows{"1|n1|0", "2|n2|0", "3|n3|0", "4|n4|0", "5|n5|0"}));
    EXPECT_EQ(db.Check(), "");
  }
}

}  // namespace
