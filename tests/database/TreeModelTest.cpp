// Trees against models: random inserts, deletes and updates of records of every size with
// commits, rollbacks and reopenings; the three ways a page splits; rollback after root splits;
// transaction numbers that cross 2^24; two cursors that change the tree under each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"

using namespace dbtest;

namespace {

const Bytes kFirstColumn = {0};

struct Harness {
  TempFolder folder;
  StorageFileSystem& fs;
  std::string path;
  std::unique_ptr<PageStore> store;

  explicit Harness(std::initializer_list<const char*> tables,
                   StorageFileSystem& files = StorageFileSystem::Posix())
      : fs(files), path(&files == &StorageFileSystem::Posix() ? folder.Path("m.db") : "/m.db") {
    StorageError error;
    store = PageStore::Create(path.c_str(), &error, fs);
    for (const char* table : tables) EXPECT_TRUE(CreateTableStorage(*store, table));
    EXPECT_TRUE(store->Commit());
  }
  void Reopen(uint32_t cacheLimit = PageStore::kDefaultCacheLimit) {
    store.reset();
    StorageError error;
    store = PageStore::Open(path.c_str(), &error, fs);
    ASSERT_TRUE(store) << error.message;
    store->SetCacheLimit(cacheLimit);
  }
  std::unique_ptr<TableCursor> Cursor(const char* table) {
    return OpenTableCursor(*store, table, nullptr, 0, kFirstColumn.data(), 1);
  }
  // Inserts a row whose key is column 0, where a Seek of its key leaves the cursor.
  bool Insert(const char* table, const Bytes& row) {
    std::unique_ptr<TableCursor> cursor = Cursor(table);
    Bytes key;
    bool exact = false;
    return cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key) &&
           cursor->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) &&
           cursor->Insert(row.data(), static_cast<uint32_t>(row.size()));
  }
};

using MultiModel = std::multimap<std::string, std::string>;

MultiModel ContentOf(const TreeReport& report) {
  MultiModel content;
  for (const Bytes& row : report.live) {
    uint32_t length = static_cast<uint32_t>(row.size());
    content.emplace(RowText(row.data(), length, 0), RowText(row.data(), length, 1));
  }
  return content;
}

// Equal as multisets: records of one key may lie in any order.
bool SameContent(MultiModel a, MultiModel b) {
  std::vector<std::pair<std::string, std::string>> x(a.begin(), a.end()), y(b.begin(), b.end());
  std::sort(x.begin(), x.end());
  std::sort(y.begin(), y.end());
  return x == y;
}

}  // namespace

TEST(DatabaseTree, RandomChangesMatchAMultimapThroughCommitsRollbacksAndReopenings) {
  SimulatedFileSystem memory;  // the tree's logic, without waiting for a disk
  Harness h({"m"}, memory);
  h.store->SetCacheLimit(40);
  std::mt19937 random(20240507);
  MultiModel committed, current;
  uint32_t deepest = 0;
  for (int batch = 0; batch < 60; ++batch) {
    for (int i = 0; i < 500; ++i) {
      uint32_t choice = random() % 10;
      // Keys of 1 to 300 bytes from a small alphabet repeat; payloads make records of up to
      // 8,000 bytes, so every split case and index splits happen.
      std::string key(1 + random() % (random() % 8 ? 12 : 300), 'a' + random() % 3);
      std::string payload(random() % 5 ? random() % 200 : random() % 7700, 'p' + random() % 8);
      if (current.empty() || choice < 5) {
        ASSERT_TRUE(h.Insert("m", WorkloadRow(h.store->NextRecordId(), key, payload)));
        current.emplace(key, payload);
        continue;
      }
      auto target = std::next(current.begin(), random() % current.size());
      std::unique_ptr<TableCursor> cursor = h.Cursor("m");
      ASSERT_TRUE(SeekLive(*cursor, target->first));
      uint32_t length = 0;
      const uint8_t* record = cursor->CurrentRecord(&length);
      auto found = current.end();
      for (auto it = current.equal_range(target->first).first; it != current.end() && it->first == target->first; ++it)
        if (it->second == RowText(record, length, 1)) found = it;
      ASSERT_NE(found, current.end()) << "a live record the model does not hold";
      std::string newKey = choice == 9 ? key : found->first;
      if (choice < 7) {
        ASSERT_TRUE(cursor->DeleteCurrent());
      } else if (newKey != found->first && current.count(newKey)) {
        Bytes row = WorkloadRow(0, newKey, payload);
        EXPECT_FALSE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
        EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kDuplicateKey);
        continue;
      } else {
        Bytes row = WorkloadRow(0, newKey, payload);
        ASSERT_TRUE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
        current.emplace(newKey, payload);
      }
      current.erase(found);
      ASSERT_TRUE(cursor->Close());
    }
    switch (random() % 6) {
      case 0:
        ASSERT_TRUE(h.store->Rollback());
        current = committed;
        break;
      case 1:
        h.Reopen(40);
        committed = current;
        break;
      case 5:
        break;  // the transaction goes on
      default:
        ASSERT_TRUE(h.store->Commit());
        committed = current;
    }
    EXPECT_LE(h.store->CachedPages(), 40u);
    h.store->SetCacheLimit(PageStore::kDefaultCacheLimit);  // the checker reads everything
    TreeReport report = CheckTable(*h.store, "m", kFirstColumn);
    h.store->SetCacheLimit(40);
    ASSERT_EQ(report.problem, "") << "batch " << batch;
    ASSERT_TRUE(SameContent(ContentOf(report), current)) << "batch " << batch;
    deepest = std::max(deepest, report.depth);
  }
  EXPECT_GE(deepest, 3u) << "index pages never split";
}

// The three ways a full leaf splits, and the root that the first split makes.
TEST(DatabaseTree, SplitsKeepTheRecordWithAHalfOrGiveItAPageOfItsOwn) {
  Harness h({"s"});
  auto key = [](int n) { return std::string(1, static_cast<char>('A' + n / 26)) + char('A' + n % 26); };
  for (int n = 0; n < 100; n += 2) ASSERT_TRUE(h.Insert("s", WorkloadRow(n, key(n), std::string(130, 'x'))));
  ASSERT_EQ(CheckTable(*h.store, "s", kFirstColumn).depth, 1u);
  // 50 records of 160 bytes leave no room for one of 7,000: it gets a page of its own.
  ASSERT_TRUE(h.Insert("s", WorkloadRow(101, key(51), std::string(7000, 'y'))));
  TreeReport report = CheckTable(*h.store, "s", kFirstColumn);
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.depth, 2u);
  EXPECT_EQ(report.pages, 4u);  // the new root over the old leaf, the record's page, the tail's
  uint32_t root = DbPageCountOfLength(0) + 4;  // the root came after the tail and record pages
  (void)root;
  PageRef rootPage = h.store->ReadPage(static_cast<uint32_t>(h.store->PageCount() - 3));
  ASSERT_EQ(rootPage->Kind(), uint32_t{kDbIndexPage});
  ASSERT_EQ(rootPage->RecordOffsets().size(), 3u);
  const uint8_t* first = rootPage->RecordAt(0);
  EXPECT_EQ(RecordLength(first), 12u) << "the old root's entry has an empty key";
  EXPECT_EQ(IndexRecordChild(first), 1u);
  PageRef alone = h.store->ReadPage(IndexRecordChild(rootPage->RecordAt(rootPage->RecordOffsets()[1])));
  EXPECT_EQ(alone->RecordOffsets().size(), 1u);
  // A small record in the middle of a full leaf stays there; the tail moves on.
  for (int n = 1; n < 51; n += 2) ASSERT_TRUE(h.Insert("s", WorkloadRow(200 + n, key(n), "z")));
  report = CheckTable(*h.store, "s", kFirstColumn);
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.live.size(), 76u);
}

TEST(DatabaseTree, RollbackAfterRootSplitsOfATableAndOfTheDirectory) {
  Harness h({"keep"});
  ASSERT_TRUE(h.Insert("keep", WorkloadRow(1, "kept", "old")));
  ASSERT_TRUE(h.store->Commit());
  for (int n = 0; n < 400; ++n)
    ASSERT_TRUE(h.Insert("keep", WorkloadRow(100 + n, "r" + std::to_string(n), std::string(300, 'v'))));
  for (int n = 0; n < 40; ++n)
    ASSERT_TRUE(CreateTableStorage(*h.store, (std::string(900, 'n') + std::to_string(n)).c_str()));
  ASSERT_GE(CheckTable(*h.store, "keep", kFirstColumn).depth, 2u);
  ASSERT_GE(CheckDirectory(*h.store).depth, 2u);
  ASSERT_TRUE(h.store->Rollback());
  for (int round = 0; round < 2; ++round) {
    TreeReport table = CheckTable(*h.store, "keep", kFirstColumn);
    EXPECT_EQ(table.problem, "");
    ASSERT_EQ(table.live.size(), 1u);
    EXPECT_EQ(RowText(table.live[0].data(), static_cast<uint32_t>(table.live[0].size()), 1), "old");
    TreeReport directory = CheckDirectory(*h.store);
    EXPECT_EQ(directory.problem, "");
    EXPECT_EQ(directory.live.size(), 1u);
    // The trees keep growing from their split shape.
    ASSERT_TRUE(CreateTableStorage(*h.store, ("after" + std::to_string(round)).c_str()));
    ASSERT_TRUE(h.Insert("keep", WorkloadRow(900, "z", "new")));
    ASSERT_TRUE(h.store->Rollback());
    h.Reopen();
  }
}

TEST(DatabaseTree, TransactionNumbersCrossTwoToThe24th) {
  Harness h({"t"});
  ASSERT_TRUE(h.Insert("t", WorkloadRow(1, "ancient", "kept")));
  ASSERT_TRUE(h.store->Commit());  // transaction 3 stamps the row
  h.store.reset();
  // Jump so that the next transaction has the same low 24 bits as the row's stamp.
  std::unique_ptr<StorageFile> file =
      StorageFileSystem::Posix().Open(h.path.c_str(), StorageOpenMode::kReadWrite, false, nullptr);
  uint8_t word[4];
  StoreBigEndian32(word, 0x01000002);
  ASSERT_TRUE(file->WriteAt(kDbHeaderLastTransaction, word, 4));
  file.reset();
  h.Reopen();
  ASSERT_EQ(DbStamp(h.store->CurrentTransaction()), 3u);
  std::set<std::string> model = {"ancient"};
  for (int n = 0; n < 8; ++n) {
    ASSERT_TRUE(h.Insert("t", WorkloadRow(10 + n, "n" + std::to_string(n), "v")));
    if (n % 2 == 0) {  // the first rolls back the transaction that shares the row's stamp
      ASSERT_TRUE(h.store->Rollback());
    } else {
      ASSERT_TRUE(h.store->Commit());
      model.insert("n" + std::to_string(n));
    }
    TreeReport report = CheckTable(*h.store, "t", kFirstColumn);
    std::set<std::string> keys;
    for (const Bytes& row : report.live) keys.insert(RowText(row.data(), static_cast<uint32_t>(row.size()), 0));
    EXPECT_EQ(keys, model) << "after transaction " << h.store->CurrentTransaction();
    EXPECT_NE(DbStamp(h.store->CurrentTransaction()), 0u);
  }
  // Cross the 24-bit wrap itself: 0x01FFFFFF is followed by 0x02000001.
  h.store.reset();
  file = StorageFileSystem::Posix().Open(h.path.c_str(), StorageOpenMode::kReadWrite, false, nullptr);
  StoreBigEndian32(word, 0x01FFFFFE);
  ASSERT_TRUE(file->WriteAt(kDbHeaderLastTransaction, word, 4));
  file.reset();
  h.Reopen();
  EXPECT_EQ(h.store->CurrentTransaction(), 0x01FFFFFFu);
  ASSERT_TRUE(h.Insert("t", WorkloadRow(50, "last", "v")));
  ASSERT_TRUE(h.store->Commit());
  EXPECT_EQ(h.store->CurrentTransaction(), 0x02000001u);
  ASSERT_TRUE(h.Insert("t", WorkloadRow(51, "gone", "v")));
  ASSERT_TRUE(h.store->Rollback());
  EXPECT_EQ(CheckTable(*h.store, "t", kFirstColumn).live.size(), model.size() + 1);
}

// One cursor scans while another inserts (splitting pages under it) and deletes: every record
// present throughout is seen exactly once.
TEST(DatabaseTree, ACursorScansWhileAnotherChangesTheTree) {
  Harness h({"c"});
  std::mt19937 random(7);
  for (int n = 0; n < 600; ++n)
    ASSERT_TRUE(h.Insert("c", WorkloadRow(n, "k" + std::to_string(10000 + n * 10), std::string(60, 's'))));
  ASSERT_TRUE(h.store->Commit());
  std::set<std::string> deleted;
  std::map<std::string, int> seen;
  std::unique_ptr<TableCursor> scan = h.Cursor("c");
  uint32_t id = 10000;
  while (scan->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = scan->CurrentRecord(&length);
    ++seen[RowText(record, length, 0)];
    for (int i = 0; i < 3; ++i) {
      std::string key = "k" + std::to_string(10000 + random() % 6000 * 10 + 5) + "." + std::to_string(id);
      ASSERT_TRUE(h.Insert("c", WorkloadRow(id++, key, std::string(random() % 2000, 'n'))));
    }
    std::unique_ptr<TableCursor> other = h.Cursor("c");
    std::string victim = "k" + std::to_string(10000 + random() % 600 * 10);
    Bytes probe = WorkloadRow(0, victim, ""), key;
    bool exact = false;
    other->KeyOf(probe.data(), static_cast<uint32_t>(probe.size()), &key);
    ASSERT_TRUE(other->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact));
    if (exact && other->DeleteCurrent()) deleted.insert(victim);
  }
  for (int n = 0; n < 600; ++n) {
    std::string key = "k" + std::to_string(10000 + n * 10);
    if (!deleted.count(key)) {
      EXPECT_EQ(seen[key], 1) << key;
    }
  }
  for (const auto& [key, times] : seen) EXPECT_EQ(times, 1) << key;
  EXPECT_EQ(CheckTable(*h.store, "c", kFirstColumn).problem, "");
}

// An update that changes a row's key parks the row: the scan that made it never meets it
// again, it takes its place when the cursor closes or the transaction commits, and a rollback
// drops it with the rest of the transaction. A key already taken is refused.
TEST(DatabaseTree, RowsWithChangedKeysMoveWhenTheCursorClosesOrTheTransactionEnds) {
  Harness h({"u"});
  for (char c = 'a'; c <= 'j'; ++c) ASSERT_TRUE(h.Insert("u", WorkloadRow(c, std::string(1, c), "v")));
  ASSERT_TRUE(h.store->Commit());
  auto keys = [&] {
    std::string all;
    for (const Bytes& row : CheckTable(*h.store, "u", kFirstColumn).live)
      all += RowText(row.data(), static_cast<uint32_t>(row.size()), 0) + " ";
    return all;
  };
  std::unique_ptr<TableCursor> scan = h.Cursor("u");
  std::string seen;
  while (scan->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = scan->CurrentRecord(&length);
    std::string key = RowText(record, length, 0);
    seen += key;
    Bytes row = WorkloadRow(0, "z" + key, "moved");
    ASSERT_TRUE(scan->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())))
        << h.store->LastError().message;
  }
  EXPECT_EQ(seen, "abcdefghij");
  EXPECT_EQ(keys(), "");
  ASSERT_TRUE(scan->Close());
  EXPECT_EQ(keys(), "za zb zc zd ze zf zg zh zi zj ");
  ASSERT_TRUE(h.store->Commit());

  std::unique_ptr<TableCursor> cursor = h.Cursor("u");
  Bytes row = WorkloadRow(0, "zb", "taken");
  ASSERT_TRUE(SeekLive(*cursor, "za"));
  EXPECT_FALSE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
  EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kDuplicateKey);
  row = WorkloadRow(0, "y", "parked");
  ASSERT_TRUE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
  ASSERT_TRUE(h.store->Rollback());
  EXPECT_EQ(keys(), "za zb zc zd ze zf zg zh zi zj ");
  ASSERT_TRUE(SeekLive(*cursor, "za"));
  ASSERT_TRUE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
  ASSERT_TRUE(h.store->Commit());
  EXPECT_EQ(keys(), "y zb zc zd ze zf zg zh zi zj ");  // the commit put it in place
  ASSERT_TRUE(cursor->Close());
  h.Reopen();
  EXPECT_EQ(keys(), "y zb zc zd ze zf zg zh zi zj ");
  // The directory refuses a storage name that is there, whatever its case.
  EXPECT_FALSE(CreateTableStorage(*h.store, "U"));
  EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kNameExists);
}
