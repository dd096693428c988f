// The page store when things go wrong or run short: a write that fails in a commit, a file
// that may not be written, a file already open, memory pressure, a cache at its limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

// A file with table "t" of 40 committed rows.
struct Fixture : TestDatabase {
  Fixture() : TestDatabase({"t"}) {
    for (int n = 0; n < 40; ++n) EXPECT_TRUE(Add("k" + std::to_string(n), 300));
    EXPECT_TRUE(store->Commit());
  }
  bool Add(const std::string& key, size_t payload) {
    return InsertRow(*store, "t", KeyedRow(store->NextRecordId(), key, std::string(payload, 'x')));
  }
  size_t Rows() {
    TreeReport report = CheckTable(*store, "t");
    EXPECT_EQ(report.problem, "");
    return report.live.size();
  }
};

}  // namespace

TEST(DatabaseFailures, AWriteThatFailsInACommitIsReportedAndTheFileReopensAtTheLastCommit) {
  Fixture f;
  f.store.reset();
  struct stat info;
  ASSERT_EQ(stat(f.path.c_str(), &info), 0);
  int status = qvtest::RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // past the limit, writes fail with EFBIG instead
    rlimit limit = {static_cast<rlim_t>(info.st_size + 3 * kDbPageSize), RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    f.Reopen();
    for (int n = 0; n < 200; ++n) f.Add("new" + std::to_string(n), 1000);
    bool committed = f.store->Commit();
    StorageError error = f.store->LastError();
    f.store.reset();
    _exit(!committed && error.code == StorageErrorCode::kIO && error.hostError == EFBIG ? 0 : 1);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the failed commit was not reported";
  f.Reopen();
  EXPECT_EQ(f.Rows(), 40u);
  EXPECT_FALSE(f.JournalExists());
}

TEST(DatabaseFailures, AFileWithoutWritePermissionOpensForReadingOnlyAndStaysUntouched) {
  Fixture f;
  std::unique_ptr<TableCursor> cursor = KeyedCursor(*f.store, "t");
  ASSERT_TRUE(SeekLive(*cursor, "k7") && cursor->DeleteCurrent());  // a record to squeeze
  cursor.reset();
  f.store.reset();
  ASSERT_EQ(chmod(f.path.c_str(), 0444), 0);
  Bytes before = ReadFile(f.path);
  struct stat info, after;
  ASSERT_EQ(stat(f.path.c_str(), &info), 0);
  f.Reopen();
  EXPECT_TRUE(f.store->ReadOnly());
  EXPECT_EQ(f.Rows(), 39u);
  EXPECT_FALSE(f.Add("refused", 10));
  EXPECT_EQ(f.store->LastError().code, StorageErrorCode::kReadOnly);
  EXPECT_FALSE(f.store->Begin());
  EXPECT_TRUE(f.store->Commit() && f.store->Rollback());  // nothing open: nothing to do
  f.store.reset();
  ASSERT_EQ(stat(f.path.c_str(), &after), 0);
  EXPECT_EQ(ReadFile(f.path), before);
  EXPECT_TRUE(after.st_mtim.tv_sec == info.st_mtim.tv_sec &&
              after.st_mtim.tv_nsec == info.st_mtim.tv_nsec);
  EXPECT_FALSE(f.JournalExists());
}

TEST(DatabaseFailures, AFileAlreadyOpenHereOrElsewhereIsRefused) {
  Fixture f;
  StorageError error;
  EXPECT_FALSE(PageStore::Open(f.path.c_str(), &error));
  EXPECT_EQ(error.code, StorageErrorCode::kLocked);
  EXPECT_FALSE(PageStore::Create(f.path.c_str(), &error)) << "and never emptied";
  EXPECT_EQ(error.code, StorageErrorCode::kLocked);
  int status = qvtest::RunInChild([&] {
    StorageError childError;
    _exit(!PageStore::Open(f.path.c_str(), &childError) &&
                  childError.code == StorageErrorCode::kLocked
              ? 0
              : 1);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  f.Reopen();  // once closed, it opens again
  EXPECT_EQ(f.Rows(), 40u);
}

TEST(DatabaseFailures, APurgeSparesHeldPagesAndWritesChangedOnesFirst) {
  Fixture f;
  for (int n = 0; n < 60; ++n) ASSERT_TRUE(f.Add("p" + std::to_string(n), 500));  // changed pages
  PageRef held = f.store->ReadPage(0);
  uint32_t used = held->Used();
  while (PurgeMemory()) {
  }
  EXPECT_EQ(f.store->CachedPages(), 1u);
  EXPECT_EQ(held->Used(), used);
  PageRef again = f.store->ReadPage(0);
  EXPECT_EQ(again.Entry(), held.Entry());
  EXPECT_EQ(held->Pins(), 2u);
  again.Reset();
  EXPECT_EQ(held->Pins(), 1u);
  held.Reset();
  ASSERT_TRUE(f.store->Commit());
  f.Reopen();
  EXPECT_EQ(f.Rows(), 100u);
}

TEST(DatabaseFailures, TheCacheStaysUnderItsLimitThroughALargeTransaction) {
  Fixture f;
  f.store->SetCacheLimit(64);
  std::unique_ptr<TableCursor> cursor = KeyedCursor(*f.store, "t");
  uint32_t largest = 0;
  for (int n = 0; n < 100000; ++n) {
    char key[16];
    snprintf(key, sizeof key, "r%06d", n * 7919 % 100000);
    ASSERT_TRUE(InsertRow(*cursor, KeyedRow(f.store->NextRecordId(), key, "payload")));
    largest = std::max(largest, f.store->CachedPages());
  }
  cursor.reset();
  EXPECT_LE(largest, 64u);
  ASSERT_TRUE(f.store->Commit());
  f.store->SetCacheLimit(PageStore::kDefaultCacheLimit);
  EXPECT_EQ(f.Rows(), 100040u);
}

// Rows that key-changing updates parked come back from a temporary file. When it cannot be
// read back, the Close or Commit that would put them in place fails, never succeeds with the
// rows missing, and a rollback brings every row back as it was.
TEST(DatabaseFailures, ParkedRowsThatCannotBeReadBackFailTheCloseOrCommit) {
  for (bool viaCommit : {false, true}) {
    SCOPED_TRACE(viaCommit ? "commit" : "close");
    SimulatedFileSystem memory;
    TestDatabase h({"t"}, memory);
    for (const char* key : {"a", "b", "c"})
      ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(h.store->NextRecordId(), key, "payload")));
    ASSERT_TRUE(h.store->Commit());
    std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "t");
    for (const char* key : {"a", "b"}) {
      ASSERT_TRUE(SeekLive(*cursor, key));
      Bytes row = KeyedRow(0, std::string("moved-") + key, "payload");
      ASSERT_TRUE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
    }
    memory.FailTemporaryReads(true);
    EXPECT_FALSE(viaCommit ? h.store->Commit() : cursor->Close());
    EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kIO);
    memory.FailTemporaryReads(false);
    ASSERT_TRUE(h.store->Rollback());
    EXPECT_EQ(h.Keys("t"), "a b c ");
    cursor.reset();
    h.Reopen();
    EXPECT_EQ(h.Keys("t"), "a b c ");
  }
}
