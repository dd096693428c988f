// The page store when things go wrong or run short: a write that fails in a commit, a file
// that may not be written, a file already open, memory pressure, a cache at its limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

struct Fixture {
  TempFolder folder;
  std::string path = folder.Path("f.db");
  std::unique_ptr<PageStore> store;

  Fixture() {
    StorageError error;
    store = PageStore::Create(path.c_str(), &error);
    EXPECT_TRUE(CreateTableStorage(*store, "t"));
    for (int n = 0; n < 40; ++n) EXPECT_TRUE(Add("k" + std::to_string(n), 300));
    EXPECT_TRUE(store->Commit());
  }
  bool Add(const std::string& key, size_t payload) {
    std::unique_ptr<TableCursor> cursor = OpenTableCursor(*store, "t", nullptr, 0, Workload::kKeyColumns.data(), 1);
    Bytes row = WorkloadRow(store->NextRecordId(), key, std::string(payload, 'x')), sortKey;
    bool exact = false;
    return cursor && cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &sortKey) &&
           cursor->Seek(sortKey.data(), static_cast<uint32_t>(sortKey.size()), &exact) &&
           cursor->Insert(row.data(), static_cast<uint32_t>(row.size()));
  }
  size_t Rows() {
    TreeReport report = CheckTable(*store, "t", Workload::kKeyColumns);
    EXPECT_EQ(report.problem, "");
    return report.live.size();
  }
  void Reopen() {
    store.reset();
    StorageError error;
    store = PageStore::Open(path.c_str(), &error);
    ASSERT_TRUE(store) << error.message;
  }
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed commit was not reported as one";
  f.Reopen();
  EXPECT_EQ(f.Rows(), 40u);
  EXPECT_FALSE(StorageFileSystem::Posix().Exists((f.path + "-journal").c_str()));
}

TEST(DatabaseFailures, AFileWithoutWritePermissionOpensForReadingOnlyAndStaysUntouched) {
  Fixture f;
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(*f.store, "t", nullptr, 0, Workload::kKeyColumns.data(), 1);
  ASSERT_TRUE(SeekLive(*cursor, "k7") && cursor->DeleteCurrent());  // a record to squeeze
  cursor.reset();
  f.store.reset();
  ASSERT_EQ(chmod(f.path.c_str(), 0444), 0);
  Bytes before = ReadFile(f.path);
  struct stat info;
  ASSERT_EQ(stat(f.path.c_str(), &info), 0);
  f.Reopen();
  EXPECT_TRUE(f.store->ReadOnly());
  EXPECT_EQ(f.Rows(), 39u);
  EXPECT_FALSE(f.Add("refused", 10));
  EXPECT_EQ(f.store->LastError().code, StorageErrorCode::kReadOnly);
  EXPECT_FALSE(f.store->Begin());
  EXPECT_TRUE(f.store->Commit() && f.store->Rollback());  // nothing open: nothing to do
  f.store.reset();
  struct stat after;
  ASSERT_EQ(stat(f.path.c_str(), &after), 0);
  EXPECT_EQ(ReadFile(f.path), before);
  EXPECT_EQ(after.st_mtim.tv_sec, info.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, info.st_mtim.tv_nsec);
  EXPECT_FALSE(StorageFileSystem::Posix().Exists((f.path + "-journal").c_str()));
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
    _exit(!PageStore::Open(f.path.c_str(), &childError) && childError.code == StorageErrorCode::kLocked ? 0 : 1);
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
  EXPECT_EQ(again->Pins(), 2u);
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
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(*f.store, "t", nullptr, 0, Workload::kKeyColumns.data(), 1);
  uint32_t largest = 0;
  for (int n = 0; n < 100000; ++n) {
    char key[16];
    snprintf(key, sizeof key, "r%06d", (n * 7919) % 100000);
    Bytes row = WorkloadRow(f.store->NextRecordId(), key, "payload"), sortKey;
    bool exact = false;
    ASSERT_TRUE(cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &sortKey));
    ASSERT_TRUE(cursor->Seek(sortKey.data(), static_cast<uint32_t>(sortKey.size()), &exact));
    ASSERT_TRUE(cursor->Insert(row.data(), static_cast<uint32_t>(row.size())));
    largest = std::max(largest, f.store->CachedPages());
  }
  cursor.reset();
  EXPECT_LE(largest, 64u);
  ASSERT_TRUE(f.store->Commit());
  f.store->SetCacheLimit(PageStore::kDefaultCacheLimit);
  EXPECT_EQ(f.Rows(), 100040u);
}
