// The built-in engine through the SQL front end and the database classes: the catalogue and its
// errors, the values each type takes and refuses, large values, row cursors, the seek that
// dbOpenTable makes, the write-back conditions, and what a damaged or busy file gives.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/BuiltInEngine.h"
#include "database/SQLStatements.h"
#include "database/TableDirectory.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemClass.h"

extern "C" {
RuntimeObject* openQUORDatabase(RuntimeObject* item);
int32_t QUORDatabaseConnect(RuntimeObject* object);
int32_t QUORDatabaseCreateDatabaseFile(RuntimeObject* object);
void QUORDatabaseFolderItemSetter(RuntimeObject* object, uint32_t, RuntimeObject* item);
}

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

const char* const kEveryType =
    "create table every (i integer, s smallint, v varchar(20), f float, d double, dt date, "
    "tm time, b boolean, lt long varchar, lb long varbinary, primary key (i))";

TEST(BuiltInCatalogue, TablesAndColumnsAreListedInCollatedOrderAndSurviveReopening) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec(kEveryType), 0) << db.ErrorMessage();
  ASSERT_EQ(db.Exec("create table Zeta (k integer not null)"), 0);
  ASSERT_EQ(db.Exec("create table alpha (k integer)"), 0);
  db.Reopen();
  Held tables(databaseTableSchema(db.db()));
  EXPECT_EQ(dbtest::ReadRows(tables), (Rows{"alpha", "every", "Zeta"}));
  Held fields(databaseFieldSchema(db.db(), S("EVERY")));
  EXPECT_EQ(dbtest::ReadRows(fields),
            (Rows{"b|12|0|0|0", "d|7|0|0|0", "dt|8|0|0|0", "f|6|0|0|0", "i|3|1|0|0",
                  "lb|16|0|0|0", "lt|15|0|0|0", "s|2|0|0|0", "tm|9|0|0|0", "v|5|0|0|0"}));
  Held zeta(databaseFieldSchema(db.db(), S("zeta")));
  EXPECT_EQ(dbtest::ReadRows(zeta), (Rows{"k|3|0|1|0"}));
  EXPECT_EQ(databaseFieldSchema(db.db(), S("nothing")), nullptr);
  // "*" names the columns in the same order.
  ASSERT_EQ(db.Exec("insert into every (i, v, b) values (1, 'x', 'true')"), 0);
  EXPECT_EQ(db.Query("select * from every"), (Rows{"1|NULL|NULL|NULL|1|NULL|NULL|NULL|NULL|x"}));
  EXPECT_EQ(db.Check(), "");
}

TEST(BuiltInCatalogue, CreateAndAddColumnRefuseBadInputBeforeWritingAnything) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table people (name varchar(20))"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  const dbtest::Bytes before = dbtest::ReadFile(db.path());
  EXPECT_EQ(db.Exec("create table PEOPLE (x integer)"), 2000);
  EXPECT_EQ(db.ErrorMessage(), "Unable to create PEOPLE because it already exists");
  EXPECT_EQ(db.Exec("create table t (a integer, b timestamp)"), 2002);
  EXPECT_EQ(db.ErrorMessage(), "Unable to create t because an unsupported column type was used");
  EXPECT_EQ(db.Exec("create table t (a integer, A smallint)"), 2001);
  EXPECT_EQ(db.Exec("alter table people add column x timestamp"), 2002);
  EXPECT_EQ(db.ErrorMessage(), "Unable to add x because an unsupported  type was used");
  EXPECT_EQ(db.Exec("alter table nobody add column x integer"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "Unable to add column x because table 'nobody' doesn't exist");
  EXPECT_EQ(db.Exec("alter table people add column NAME integer"), 2003);
  db.Close();
  EXPECT_EQ(dbtest::ReadFile(db.path()), before) << "a refused statement wrote to the file";
  db.Reopen();
  Held tables(databaseTableSchema(db.db()));
  EXPECT_EQ(dbtest::ReadRows(tables), (Rows{"people"}));
}

TEST(BuiltInCatalogue, RollbackForgetsTablesAndColumnsOfTheTransaction) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table kept (a integer)"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  ASSERT_EQ(db.Exec("create table gone (a integer)"), 0);
  ASSERT_EQ(db.Exec("alter table kept add column b varchar"), 0);
  ASSERT_EQ(db.Exec("insert into kept (a, b) values (1, 'x')"), 0);
  ASSERT_EQ(db.Exec("rollback"), 0);
  Held tables(databaseTableSchema(db.db()));
  EXPECT_EQ(dbtest::ReadRows(tables), (Rows{"kept"}));
  Held fields(databaseFieldSchema(db.db(), S("kept")));
  EXPECT_EQ(dbtest::ReadRows(fields), (Rows{"a|3|0|0|0"}));
  EXPECT_EQ(db.Exec("create table gone (a integer)"), 0) << db.ErrorMessage();
  EXPECT_EQ(db.Exec("alter table kept add column b integer"), 0) << db.ErrorMessage();
  EXPECT_EQ(db.Check(), "");
}

TEST(BuiltInValues, EachTypeTakesWhatItCanStoreAndRefusesTheRest) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec(kEveryType), 0);
  struct Case {
    const char* column;
    const char* text;
    int32_t error;
    const char* stored;  // as the result shows it
  } cases[] = {
      {"s", "-32768", 0, "-32768"},     {"s", "32768", 2003, ""},
      {"i", "12abc", 0, "12"},          {"i", "3000000000", 2003, ""},
      {"i", "  -7", 0, "-7"},           {"i", "abc", 0, "0"},
      {"dt", "2024-5-7 10:30", 0, "2024-05-07"},
      {"dt", "2024/5/7", 2003, ""},     {"dt", "2023-2-29", 2003, ""},
      {"tm", "2024-5-7 10:30", 0, "10:30:00"},
      {"tm", "10:30", 0, "10:30:00"},   {"tm", "24:00", 2003, ""},
      {"b", "TRUE", 0, "1"},            {"b", "yes", 0, "0"},
      {"d", "2.5e3", 0, "2500"},        {"f", "0.25", 0, "0.25"},
  };
  int32_t key = 100;
  for (const Case& c : cases) {
    if (c.column[0] == 'i') continue;  // the key column itself: checked below
    SCOPED_TRACE(std::string(c.column) + " <- " + c.text);
    const std::string k = std::to_string(++key);
    EXPECT_EQ(db.Exec(std::string("insert into every (i, ") + c.column + ") values (" + k +
                      ", '" + c.text + "')"),
              c.error)
        << db.ErrorMessage();
    const Rows rows = db.Query(std::string("select ") + c.column + " from every where i = " + k);
    EXPECT_EQ(rows, c.error ? Rows{} : Rows{c.stored});
  }
  for (const Case& c : cases) {
    if (c.column[0] != 'i') continue;
    SCOPED_TRACE(c.text);
    ASSERT_EQ(db.Exec("delete from every"), 0);
    EXPECT_EQ(db.Exec(std::string("insert into every (i) values ('") + c.text + "')"), c.error);
    EXPECT_EQ(db.Query("select i from every"), c.error ? Rows{} : Rows{c.stored});
  }
  EXPECT_EQ(db.Exec("insert into every (i, dt) values (1, '2024-13-01')"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "Invalid date format");
  EXPECT_EQ(db.Exec("insert into every (i, tm) values (1, '10:61')"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "Invalid time format");
}

TEST(BuiltInValues, UpdateRefusesOutOfRangeValuesAndLeavesTheRow) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, s smallint, d date, primary key (k))"), 0);
  ASSERT_EQ(db.Exec("insert into t (k, s, d) values (1, 5, '2020-01-02')"), 0);
  EXPECT_EQ(db.Exec("update t set s = 70000 where k = 1"), 2003);
  EXPECT_EQ(db.Exec("update t set d = '2020-02-30' where k = 1"), 2003);
  EXPECT_EQ(db.Query("select k, s, d from t"), (Rows{"1|5|2020-01-02"}));
  EXPECT_EQ(db.Exec("update t set s = '12abc' where k = 1"), 0);
  EXPECT_EQ(db.Query("select s from t"), (Rows{"12"}));
}

TEST(BuiltInValues, ABadDateInInsertLeavesTheFileAsItWas) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, d date, note long varchar)"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  db.Close();
  const dbtest::Bytes before = dbtest::ReadFile(db.path());
  db.Reopen();
  EXPECT_EQ(db.Exec("insert into t (k, note, d) values (1, 'large text', '2024-02-30')"), 2003);
  EXPECT_EQ(db.Exec("insert into t (k, d, note) values (1, '2024/02/03', 'large text')"), 2003);
  db.Close();
  EXPECT_EQ(dbtest::ReadFile(db.path()), before);
}

TEST(BuiltInRows, RecordsCheckNotNullFirstThenColumnsThenKeysAndLength) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer not null, v varchar, primary key (k))"), 0);
  EXPECT_EQ(db.Exec("insert into t (v, nothing) values ('x', '1')"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "NotNull column violation");
  EXPECT_EQ(db.Exec("insert into t (k, nothing) values (1, '1')"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "Unknown column nothing");
  EXPECT_EQ(db.Exec("insert into nobody (k) values (1)"), 2003);
  EXPECT_EQ(db.ErrorMessage(), "Unknown table nobody");
  ASSERT_EQ(db.Exec("insert into t (k, v) values (1, 'x')"), 0);
  EXPECT_EQ(db.Exec("insert into t (k, v) values (1, 'y')"), 2005);
  EXPECT_EQ(db.ErrorMessage(), "Insert failed: primary key violation");
  EXPECT_EQ(db.Exec("insert into t (k, v) values (2, '" + std::string(8200, 'x') + "')"), 2006);
  EXPECT_EQ(db.ErrorMessage(), "Insert failed: data too long");
  EXPECT_EQ(db.Exec("update t set v = '" + std::string(8200, 'x') + "' where k = 1"), 2006);
  EXPECT_EQ(db.Query("select k, v from t"), (Rows{"1|x"}));
  EXPECT_EQ(db.Check(), "");
}

TEST(BuiltInRows, AKeyViolationHalfWayThroughAnUpdateStopsIt) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, v integer, primary key (k))"), 0);
  for (int k = 1; k <= 5; ++k)
    ASSERT_EQ(db.Exec("insert into t (k, v) values (" + std::to_string(k) + ", 0)"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  EXPECT_EQ(db.Exec("update t set k = 10, v = 1"), 2005);
  EXPECT_EQ(db.Query("select count(*) from t where v = 1"), (Rows{"1"}));
  ASSERT_EQ(db.Exec("rollback"), 0);
  EXPECT_EQ(db.Query("select k, v from t"), (Rows{"1|0", "2|0", "3|0", "4|0", "5|0"}));
  // A key change that collides with nothing moves the row once the scan is over.
  ASSERT_EQ(db.Exec("update t set k = 20 where k = 2"), 0);
  EXPECT_EQ(db.Query("select k from t"), (Rows{"1", "3", "4", "5", "20"}));
  EXPECT_EQ(db.Check(), "");
}

TEST(BuiltInRows, ConditionsFollowTheComparisonRules) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, name varchar, ok boolean)"), 0);
  for (const char* row : {"(1, 'abc', 'true')", "(2, 'ABC', 'false')", "(3, 'abbc', 'true')",
                          "(4, 'ac', 'false')", "(5, 'abcd', 'true')"})
    ASSERT_EQ(db.Exec(std::string("insert into t (k, name, ok) values ") + row), 0);
  EXPECT_EQ(db.Query("select k from t where upper(name) = 'ABC'"), (Rows{"1", "2"}));
  EXPECT_EQ(db.Query("select k from t where name = 'ABC'"), (Rows{"2"}));
  EXPECT_EQ(db.Query("select k from t where name like 'a%c'"), (Rows{"1", "3", "4"}));
  EXPECT_EQ(db.Query("select k from t where name like 'a_c'"), (Rows{"1"}));
  EXPECT_EQ(db.Query("select k from t where ok = 1 and k > 2"), (Rows{"3", "5"}));
  EXPECT_EQ(db.Query("select k from t where name is null"), Rows{});
  int32_t error = 0;
  EXPECT_EQ(db.Query("select k from t where nothing = 1", &error), Rows{});
  EXPECT_EQ(error, 206);
}

TEST(BuiltInRows, SeekAndScanGiveTheSameRows) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (a smallint, b varchar, c date, n integer, "
                    "primary key (a, b, c))"), 0);
  std::mt19937 random(7);
  const char* const texts[] = {"x", "X", "xy", "", "it''s", "y"};
  for (int i = 0; i < 400; ++i) {
    char row[160];
    snprintf(row, sizeof row, "insert into t (a, b, c, n) values (%d, '%s', '2024-%d-%d', %d)",
             int(random() % 5) - 2, texts[random() % 6], int(random() % 3) + 1,
             int(random() % 3) + 1, i);
    db.Exec(row);
  }
  ASSERT_EQ(db.Exec("commit"), 0);
  const std::vector<std::string> queries = {
      "select n from t where a = 1", "select n from t where a = -2 and b = 'x'",
      "select n from t where b = 'xy' and a = 0 and c = '2024-2-3'",
      "select n from t where a = '1' and b = 'X' or a = 2", "select n from t where a = 1.5",
      "select n from t where a = 0 and b = 'it''s' and n > 100",
      "select n from t where a = 70000", "select n from t where a = 2 and c = '2024-1-1'",
      "select n from t where upper(b) = 'X' and a = 1", "select n from t where a = 1 and b = ''"};
  for (const std::string& q : queries) {
    SCOPED_TRACE(q);
    Rows seek = db.Query(q);
    SetBuiltInSeekEnabled(false);
    Rows scan = db.Query(q);
    SetBuiltInSeekEnabled(true);
    std::sort(seek.begin(), seek.end());
    std::sort(scan.begin(), scan.end());
    EXPECT_EQ(seek, scan);
  }
}

TEST(BuiltInRows, WriteBackConditionsNameTheRowByItsKey) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k varchar, d double, day date, v integer, "
                    "primary key (k, d, day))"), 0);
  ASSERT_EQ(db.Exec("create table nokey (v integer)"), 0);
  ASSERT_EQ(db.Exec("insert into t (k, d, v) values ('it''s', 0.1, 1)"), 0);
  ASSERT_EQ(db.Exec("insert into nokey (v) values (1)"), 0);
  Held rs(databaseSQLSelect(db.db(), S("select v from t")));
  DatabaseCursorObject* r = AsRecordSet(rs);
  ASSERT_NE(r, nullptr);
  const char *name = nullptr, *where = nullptr;
  int32_t nameLength = 0, whereLength = 0;
  ASSERT_TRUE(CallEntry(r->cursor->curColumnKey, r->cursorHandle, 0, &name, &nameLength, &where,
                        &whereLength));
  EXPECT_EQ(std::string(name, size_t(nameLength)), "t!v");
  EXPECT_EQ(std::string(where, size_t(whereLength)),
            "[k]='it''s' and [d]=0.10000000000000001 and [day] IS NULL");
  cursorClose(rs);
  Held plain(databaseSQLSelect(db.db(), S("select v from nokey")));
  r = AsRecordSet(plain);
  EXPECT_FALSE(CallEntry(r->cursor->curColumnKey, r->cursorHandle, 0, &name, &nameLength, &where,
                         &whereLength));
  cursorClose(plain);
}

// The large-value record ids of "sys$blob" that are live.
size_t LargeValueRecords(const std::string& path) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Open(string(path.c_str()), &error);
  return store ? dbtest::CheckStoredTable(*store, kDbBlobStorage, {}).live.size() : 0;
}

TEST(BuiltInLargeValues, StoredInPiecesReadBackWholeAndDeletedWithTheirRow) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, text long varchar, primary key (k))"), 0);
  std::string big(12000, ' ');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
  ASSERT_EQ(db.Exec("insert into t (k, text) values (1, '" + big + "')"), 0);
  ASSERT_EQ(db.Exec("insert into t (k, text) values (2, '')"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  EXPECT_EQ(db.Query("select text from t where k = 1"), Rows{big});
  EXPECT_EQ(db.Query("select k from t where text like 'abc%xyz%'"), Rows{"1"});
  db.Close();
  EXPECT_EQ(LargeValueRecords(db.path()), 5u);  // three pieces, their list, and the empty one
  db.Reopen();
  ASSERT_EQ(db.Exec("update t set text = 'short' where k = 1"), 0);
  EXPECT_EQ(db.Query("select text from t where k = 1"), Rows{"short"});
  ASSERT_EQ(db.Exec("delete from t where k = 2"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  EXPECT_EQ(db.Check(), "");
  db.Close();
  EXPECT_EQ(LargeValueRecords(db.path()), 1u);
}

// An UPDATE copies the values it keeps from the page and stores its large ones: the ids land
// between kept values, rows grow and shrink, and a row the condition on the updated column
// meets again after its change is changed once.
TEST(BuiltInLargeValues, UpdatesStoreLargeValuesAmongTheValuesTheyKeep) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, a long varchar, n integer, b long varchar, "
                    "s varchar(20), primary key (k))"),
            0);
  for (int k = 1; k <= 4; ++k)
    ASSERT_EQ(db.Exec("insert into t (k, a, n, s) values (" + std::to_string(k) + ", 'a" +
                      std::to_string(k) + "', " + std::to_string(k) + ", 'kept " +
                      std::to_string(k) + "')"),
              0);
  ASSERT_EQ(db.Exec("commit"), 0);
  ASSERT_EQ(db.Exec("update t set b = 'stored', a = 'grown' where n < 3"), 0);
  ASSERT_EQ(db.Exec("update t set s = 'shrunk', n = 2 where n > 3"), 0);
  ASSERT_EQ(db.Exec("update t set n = 1 where n < 3"), 0);
  EXPECT_EQ(db.Query("select k, a, n, b, s from t"),
            (Rows{"1|grown|1|stored|kept 1", "2|grown|1|stored|kept 2", "3|a3|3|NULL|kept 3",
                  "4|a4|1|NULL|shrunk"}));
  ASSERT_EQ(db.Exec("update t set b = 'small' where k = 2"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  EXPECT_EQ(db.Check(), "");
  db.Close();
  EXPECT_EQ(LargeValueRecords(db.path()), 6u);  // a of four rows, b of two: none left behind
}

TEST(BuiltInLargeValues, APieceListThatNamesItselfIsDamage) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (k integer, text long varchar)"), 0);
  ASSERT_EQ(db.Exec("insert into t (k, text) values (1, '" + std::string(9000, 'q') + "')"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  db.Close();
  {
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open(string(db.path().c_str()), &error);
    ASSERT_TRUE(store);
    std::unique_ptr<TableCursor> blobs =
        OpenTableCursor(*store, string(kDbBlobStorage), nullptr, 0, nullptr, 0);
    uint32_t listId = 0, length = 0;
    while (!listId && blobs->NextMatching()) {
      const uint8_t* record = blobs->CurrentRecord(&length);
      DbLargeValueRecord value;
      if (ReadLargeValueRecord(record, length, &value) && value.kind == kDbLargeValuePieceList)
        listId = RecordId(record);
    }
    ASSERT_NE(listId, 0u);
    ASSERT_TRUE(blobs->DeleteCurrent());
    uint8_t entries[16] = {};
    StoreBigEndian32(entries, listId);  // the list names itself
    std::vector<uint8_t> cycle, key;
    ASSERT_TRUE(BuildLargeValueRecord(cycle, listId, kDbLargeValuePieceList, entries, 16));
    bool exact = false;
    ASSERT_TRUE(blobs->KeyOf(cycle.data(), uint32_t(cycle.size()), &key));
    ASSERT_TRUE(blobs->Seek(key.data(), uint32_t(key.size()), &exact));
    ASSERT_TRUE(blobs->Insert(cycle.data(), uint32_t(cycle.size())));
    blobs.reset();
    ASSERT_TRUE(store->Commit());
  }
  db.Reopen();
  EXPECT_EQ(db.Query("select text from t"), Rows{""});
  EXPECT_EQ(db.ErrorCode(), 2009);
  EXPECT_NE(db.ErrorMessage().find("damaged"), std::string::npos) << db.ErrorMessage();
  EXPECT_EQ(db.Exec("delete from t"), 2009);
}

TEST(QUORDatabaseClass, ConnectAndCreateSayWhyTheyFail) {
  InstallSQLFrontEnd();
  dbtest::TempFolder folder;
  Held object(NewObjectFromDefinition(QUORDatabaseOldFormatClassDefinition()));
  DatabaseObject* db = AsDatabase(object);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(QUORDatabaseConnect(object), 0);
  EXPECT_EQ(databaseErrorCodeGetter(object), 1);
  EXPECT_EQ(dbtest::Text(databaseErrorStringGetter(object)), "A Database file was not specified");
  const std::string missing = folder.Path("missing.qdb");
  Held item(FolderItemFromPath(missing.c_str()));
  QUORDatabaseFolderItemSetter(object, 0, item);
  EXPECT_EQ(QUORDatabaseConnect(object), 0);
  EXPECT_NE(dbtest::Text(databaseErrorStringGetter(object)).find("does not exist"),
            std::string::npos) << dbtest::Text(databaseErrorStringGetter(object));
  ASSERT_EQ(QUORDatabaseCreateDatabaseFile(object), 1);
  EXPECT_EQ(databaseErrorCodeGetter(object), 0);
  databaseSQLExecute(object, S("create table t (a integer)"));
  // A second store over the same file is refused while the first is open.
  EXPECT_EQ(openQUORDatabase(item), nullptr);
  Held other(NewObjectFromDefinition(QUORDatabaseOldFormatClassDefinition()));
  QUORDatabaseFolderItemSetter(other, 0, item);
  EXPECT_EQ(QUORDatabaseConnect(other), 0);
  EXPECT_NE(dbtest::Text(databaseErrorStringGetter(other)).find("in use"), std::string::npos);
  // Connecting again closes what the object held first.
  EXPECT_EQ(QUORDatabaseConnect(object), 1);
  Held tables(databaseTableSchema(object));
  EXPECT_EQ(dbtest::ReadRows(tables), (Rows{"t"}));
  databaseClose(object);
  const std::string text = folder.Path("text.qdb");
  FILE* f = fopen(text.c_str(), "w");
  fputs("not a database at all, not even close to one, but longer than a header is", f);
  fclose(f);
  Held notDatabase(FolderItemFromPath(text.c_str()));
  QUORDatabaseFolderItemSetter(other, 0, notDatabase);
  EXPECT_EQ(QUORDatabaseConnect(other), 0);
  EXPECT_NE(dbtest::Text(databaseErrorStringGetter(other)).find("not a database"),
            std::string::npos) << dbtest::Text(databaseErrorStringGetter(other));
}

}  // namespace
namespace {
TEST(BuiltInRows, UpdatesOfATableWithoutKeyMoveNoRowTwice) {
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (a double, b boolean, c double not null)"), 0);
  for (int i = 0; i < 6; ++i)
    ASSERT_EQ(db.Exec("insert into t (a, b, c) values (" + std::to_string(i) + ", 'false', 1)"),
              0);
  EXPECT_EQ(db.Exec("update t set b = 'true' where b < 1 or a > 2"), 0) << db.ErrorMessage();
  EXPECT_EQ(db.Query("select count(*) from t where b = 1"), (Rows{"6"}));
  EXPECT_EQ(db.Check(), "");
}
}  // namespace
