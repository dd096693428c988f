// The built-in engine on a disk that fills: a commit that fails as the database closes is the
// database's error afterwards, and leaves all of its rows or none; a rollback that fails keeps
// the tables known, and once there is room the next statement works.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "BuiltInTestSupport.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/BuiltInEngine.h"
#include "database/SQLStatements.h"
#include "database/ScrollableCursor.h"
#include "files/FolderItemClass.h"
#include "support/SmallDisk.h"
#include "support/TestSupport.h"

extern "C" {
RuntimeObject* newQUORDatabase(RuntimeObject* item);
int32_t QUORDatabaseCreateDatabaseFile(RuntimeObject* object);
void QUORDatabaseFolderItemSetter(RuntimeObject* object, uint32_t, RuntimeObject* item);
}

using namespace dbtest;

namespace {

constexpr uint64_t kDiskBytes = 8 << 20;
constexpr int kBatch = 2000;  // about 700 KB of rows

// Table t with the row 0 committed, then the disk filled to room and a batch of rows from 1
// inserted, all waiting in the open transaction.
void BatchOnAFullDisk(BuiltInDb& db, qvtest::SmallDisk& disk, uint64_t room) {
  ASSERT_EQ(db.Exec("create table t (k integer, v varchar)"), 0);
  ASSERT_EQ(db.Exec("insert into t (k, v) values (0, 'kept')"), 0);
  ASSERT_EQ(db.Exec("commit"), 0);
  ASSERT_TRUE(disk.LeaveRoom(room));
  const std::string text(300, 'x');
  for (int k = 1; k <= kBatch; ++k)
    ASSERT_EQ(db.Exec("insert into t (k, v) values (" + std::to_string(k) + ", '" + text + "')"),
              0);
}

// With rooms from a few pages to more than the batch takes, so that the commit runs out at
// different steps (the journal, the pages, the header) or not at all.
TEST(DatabaseFullDisk, ACommitThatFailsInCloseIsReportedAndLeavesAllRowsOrNone) {
  int failures = 0;
  for (const uint64_t room : {24u << 10, 100u << 10, 300u << 10, 600u << 10, 3u << 20}) {
    SCOPED_TRACE("room " + std::to_string(room >> 10) + " KiB");
    qvtest::SmallDisk disk(kDiskBytes);
    QV_SKIP_WITHOUT_SMALL_DISK(disk);
    BuiltInDb db(disk / "full.qdb");
    ASSERT_NO_FATAL_FAILURE(BatchOnAFullDisk(db, disk, room));
    databaseClose(db.db());  // commits
    const int32_t code = db.ErrorCode();
    const std::string message = db.ErrorMessage();
    EXPECT_EQ(databaseErrorGetter(db.db()), code != 0 ? 1 : 0);
    disk.MakeRoom();
    db.Reopen();
    const size_t rows = db.Query("select k from t").size();
    if (code == 0) {
      EXPECT_EQ(rows, size_t(kBatch + 1));
      continue;
    }
    ++failures;
    EXPECT_EQ(code, kDbErrorStorage);
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    EXPECT_EQ(rows, 1u) << "part of the batch";
  }
  EXPECT_GE(failures, 3);
}

TEST(DatabaseFullDisk, AFailedRollbackKeepsTheTablesAndTheNextStatementWorks) {
  qvtest::SmallDisk disk(kDiskBytes);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  BuiltInDb db(disk / "rollback.qdb");
  ASSERT_NO_FATAL_FAILURE(BatchOnAFullDisk(db, disk, 24 << 10));
  databaseCommit(db.db());
  ASSERT_EQ(db.ErrorCode(), kDbErrorStorage) << db.ErrorMessage();
  databaseRollback(db.db());
  EXPECT_EQ(db.ErrorCode(), kDbErrorStorage);
  EXPECT_NE(db.ErrorMessage().find("No space left on device"), std::string::npos)
      << db.ErrorMessage();
  int32_t error = -1;
  EXPECT_EQ(db.Query("select k from t", &error), std::vector<std::string>{"0"});
  EXPECT_EQ(error, 0) << db.ErrorMessage();
  disk.MakeRoom();
  EXPECT_EQ(db.Exec("insert into t (k, v) values (1, 'after')"), 0) << db.ErrorMessage();
  EXPECT_EQ(db.Exec("commit"), 0) << db.ErrorMessage();
  db.Reopen();
  EXPECT_EQ(db.Query("select k from t"), (std::vector<std::string>{"0", "1"}));
}

}  // namespace

namespace {

// Results kept in temporary files, with the temporary folder on a full disk: each is empty
// (never partial) and the database says why, as for any failed statement; with room they are
// whole. The rows: 1,500 of about 500 bytes, more than a sort holds in memory.
TEST(DatabaseFullDisk, ResultsWhoseTemporaryFilesFindNoRoomAreEmptyAndTheDatabaseSaysWhy) {
  qvtest::SmallDisk temp(2 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(temp);
  BuiltInDb db;
  ASSERT_EQ(db.Exec("create table t (n integer, g integer, pad varchar)"), 0);
  const std::string pad(500, 'p');
  for (int n = 0; n < 1500; ++n)
    ASSERT_EQ(db.Exec("insert into t (n, g, pad) values (" + std::to_string(n) + ", " +
                      std::to_string(n % 7) + ", '" + pad + "')"),
              0);
  ASSERT_EQ(db.Exec("commit"), 0);
  const struct {
    const char* sql;
    size_t rows;
  } kQueries[] = {{"select n, pad from t order by n", 1500},
                  {"select n from t where n < 10 order by n desc", 10},
                  {"select g, count(*) from t group by g", 7},
                  {"select count(*), max(n) from t", 1}};
  const qvtest::ScopedEnvironmentVariable folder("TMPDIR", temp.path().c_str());
  ASSERT_TRUE(temp.LeaveRoom(0));
  for (const auto& query : kQueries) {
    int32_t error = 0;
    EXPECT_EQ(db.Query(query.sql, &error).size(), 0u) << query.sql;
    EXPECT_EQ(error, ENOSPC) << query.sql;
    EXPECT_NE(db.ErrorMessage().find("No space left on device"), std::string::npos)
        << query.sql << ": " << db.ErrorMessage();
  }
  // Rows a plain query keeps to move back over are served by the query itself when their
  // temporary file fails: right values, not NULLs.
  Held rows(databaseSQLSelect(db.db(), S("select n from t where n < 3")));
  CursorMoveLast(rows);
  CursorMovePrev(rows);
  EXPECT_EQ(dbtest::FieldText(rows, "n"), "1");
  Held source(databaseSQLSelect(db.db(), S("select n from t")));
  Held scrollable(NewObjectFromDefinition(ScrollableCursorClassDefinition()));
  scrollableCursorConstructor(scrollable, source);
  EXPECT_EQ(scrollableCursorGetCount(scrollable), 0);
  EXPECT_EQ(db.ErrorCode(), ENOSPC);
  temp.MakeRoom();
  for (const auto& query : kQueries) {
    int32_t error = -1;
    EXPECT_EQ(db.Query(query.sql, &error).size(), query.rows) << query.sql;
    EXPECT_EQ(error, 0) << query.sql << ": " << db.ErrorMessage();
  }
}

}  // namespace

namespace {

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A database file that cannot be made whole on a full disk leaves nothing behind (no file, no
// journal), and every later statement, commit and rollback on the object says it is not open.
// With rooms from none to a few pages, the creation fails at different steps.
TEST(DatabaseFullDisk, ACreationThatFailsLeavesNoFileAndLaterStatementsFail) {
  InstallSQLFrontEnd();
  int failures = 0;
  for (const uint64_t room : {0u, 4u << 10, 8u << 10, 16u << 10, 64u << 10}) {
    SCOPED_TRACE("room " + std::to_string(room >> 10) + " KiB");
    qvtest::SmallDisk disk(1 << 20);
    QV_SKIP_WITHOUT_SMALL_DISK(disk);
    const std::string path = disk / "new.qdb";
    Held item(FolderItemFromPath(path.c_str()));
    Held object(NewObjectFromDefinition(QUORDatabaseOldFormatClassDefinition()));
    QUORDatabaseFolderItemSetter(object, 0, item);
    ASSERT_TRUE(disk.LeaveRoom(room));
    if (QUORDatabaseCreateDatabaseFile(object)) {
      EXPECT_EQ(dbtest::Text(databaseErrorStringGetter(object)), "");
      continue;
    }
    ++failures;
    EXPECT_EQ(databaseErrorCodeGetter(object), 1);
    EXPECT_NE(dbtest::Text(databaseErrorStringGetter(object)).find("No space left on device"),
              std::string::npos) << dbtest::Text(databaseErrorStringGetter(object));
    EXPECT_FALSE(FileExists(path)) << "a partial database file";
    EXPECT_FALSE(FileExists(path + "-journal"));
    const auto refused = [&](const char* what) {
      EXPECT_EQ(databaseErrorCodeGetter(object), kDatabaseNotOpenError) << what;
      EXPECT_EQ(dbtest::Text(databaseErrorStringGetter(object)), "The database is not open")
          << what;
      SetDatabaseError(AsDatabase(object), 0, "");
    };
    databaseSQLExecute(object, S("create table t (a integer)"));
    refused("SQLExecute");
    EXPECT_EQ(databaseSQLSelect(object, S("select a from t")), nullptr);
    refused("SQLSelect");
    databaseCommit(object);
    refused("Commit");
    databaseRollback(object);
    refused("Rollback");
    EXPECT_EQ(newQUORDatabase(item), nullptr);
    EXPECT_FALSE(FileExists(path));
  }
  EXPECT_GE(failures, 3);
}

}  // namespace
