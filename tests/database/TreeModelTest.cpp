// Trees against models: random inserts, deletes and updates of records of every size with
// commits, rollbacks and reopenings; the three ways a page splits; rollback after root splits
// and of rows the transaction inserted and deleted; transaction numbers that cross 2^24;
// cursors that change the tree under each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"

using namespace dbtest;

namespace {

using Model = std::multimap<std::string, std::string>;

// Points the header's last transaction at number, as if that many had run.
void SetLastTransaction(TestDatabase& db, uint32_t number) {
  db.store.reset();
  std::unique_ptr<StorageFile> file =
      db.fs.Open(db.path.c_str(), StorageOpenMode::kReadWrite, false, nullptr);
  uint8_t word[4];
  StoreBigEndian32(word, number);
  EXPECT_TRUE(file->WriteAt(kDbHeaderLastTransaction, word, 4));
  file.reset();
  db.Reopen();
}

// Equal as multisets: records of one key may lie in any order.
bool SameContent(const Model& a, const Model& b) {
  std::vector<std::pair<std::string, std::string>> x(a.begin(), a.end()), y(b.begin(), b.end());
  std::sort(x.begin(), x.end());
  std::sort(y.begin(), y.end());
  return x == y;
}

}  // namespace

TEST(DatabaseTree, RandomChangesMatchAMultimapThroughCommitsRollbacksAndReopenings) {
  SimulatedFileSystem memory;  // the tree's logic, without waiting for a disk
  TestDatabase h({"m"}, memory);
  h.store->SetCacheLimit(40);
  std::mt19937 random(20240507);
  Model committed, current;
  uint32_t deepest = 0;
  for (int batch = 0; batch < 60; ++batch) {
    for (int i = 0; i < 500; ++i) {
      uint32_t choice = random() % 10;
      // Keys of 1 to 300 bytes from a small alphabet repeat; payloads make records of up to
      // 8,000 bytes, so every split case and index splits happen.
      std::string key(1 + random() % (random() % 8 ? 12 : 300), 'a' + random() % 3);
      std::string payload(random() % 5 ? random() % 200 : random() % 7700, 'p' + random() % 8);
      if (current.empty() || choice < 5) {
        ASSERT_TRUE(InsertRow(*h.store, "m", KeyedRow(h.store->NextRecordId(), key, payload)));
        current.emplace(key, payload);
        continue;
      }
      std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "m");
      ASSERT_TRUE(SeekLive(*cursor, std::next(current.begin(), random() % current.size())->first));
      uint32_t length = 0;
      const uint8_t* record = cursor->CurrentRecord(&length);
      auto found = current.find(RowText(record, length, 0));
      while (found != current.end() && found->second != RowText(record, length, 1)) ++found;
      ASSERT_NE(found, current.end()) << "a live record the model does not hold";
      std::string newKey = choice == 9 ? key : found->first;
      Bytes row = KeyedRow(0, newKey, payload);
      if (choice < 7) {
        ASSERT_TRUE(cursor->DeleteCurrent());
      } else if (newKey != found->first && current.count(newKey)) {
        EXPECT_FALSE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
        EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kDuplicateKey);
        continue;
      } else {
        ASSERT_TRUE(cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
        current.emplace(newKey, payload);
      }
      current.erase(found);
      ASSERT_TRUE(cursor->Close());
    }
    // One batch in six lets the transaction go on.
    if (const uint32_t way = random() % 6; way != 5) EndTransaction(h, way, current, committed);
    if (HasFatalFailure()) return;
    EXPECT_LE(h.store->CachedPages(), 40u);
    h.store->SetCacheLimit(PageStore::kDefaultCacheLimit);  // the checker reads everything
    TreeReport report = CheckTable(*h.store, "m");
    ASSERT_EQ(report.problem, "") << "batch " << batch;
    ASSERT_TRUE(SameContent(Content(report), current)) << "batch " << batch;
    deepest = std::max(deepest, report.depth);
    h.store->SetCacheLimit(40);
  }
  EXPECT_GE(deepest, 3u) << "index pages never split";
}

// The three ways a full leaf splits, and the root that the first split makes.
TEST(DatabaseTree, SplitsKeepTheRecordWithAHalfOrGiveItAPageOfItsOwn) {
  TestDatabase h({"s"});
  auto key = [](int n) { return std::string{char('A' + n / 26), char('A' + n % 26)}; };
  for (int n = 0; n < 100; n += 2)
    ASSERT_TRUE(InsertRow(*h.store, "s", KeyedRow(n, key(n), std::string(130, 'x'))));
  ASSERT_EQ(CheckTable(*h.store, "s").depth, 1u);
  // 50 records of 154 bytes leave no room for one of 7,000 in the middle: it gets a page of
  // its own between the two halves, under a new root whose first entry has an empty key.
  ASSERT_TRUE(InsertRow(*h.store, "s", KeyedRow(101, key(51), std::string(7000, 'y'))));
  TreeReport report = CheckTable(*h.store, "s");
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.depth, 2u);
  EXPECT_EQ(report.pages, 4u);
  PageRef root = h.store->ReadPage(static_cast<uint32_t>(h.store->PageCount() - 3));
  ASSERT_EQ(root->Kind(), uint32_t{kDbIndexPage});
  ASSERT_EQ(root->RecordOffsets().size(), 3u);
  EXPECT_EQ(RecordLength(root->RecordAt(0)), 12u);
  EXPECT_EQ(IndexRecordChild(root->RecordAt(0)), 1u);
  PageRef alone = h.store->ReadPage(IndexRecordChild(root->RecordAt(root->RecordOffsets()[1])));
  EXPECT_EQ(alone->RecordOffsets().size(), 1u);
  // Small records in the middle of full leaves stay there; the tails move on.
  for (int n = 1; n < 51; n += 2)
    ASSERT_TRUE(InsertRow(*h.store, "s", KeyedRow(200 + n, key(n), "z")));
  report = CheckTable(*h.store, "s");
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.live.size(), 76u);
}

TEST(DatabaseTree, RollbackAfterRootSplitsOfATableAndOfTheDirectory) {
  TestDatabase h({"keep"});
  ASSERT_TRUE(InsertRow(*h.store, "keep", KeyedRow(1, "kept", "old")) && h.store->Commit());
  for (int n = 0; n < 400; ++n)
    ASSERT_TRUE(InsertRow(*h.store, "keep",
                          KeyedRow(100 + n, "r" + std::to_string(n), std::string(300, 'v'))));
  for (int n = 0; n < 40; ++n)
    ASSERT_TRUE(CreateTableStorage(*h.store, (std::string(900, 'n') + std::to_string(n)).c_str()));
  ASSERT_GE(CheckTable(*h.store, "keep").depth, 2u);
  ASSERT_GE(CheckDirectory(*h.store).depth, 2u);
  ASSERT_TRUE(h.store->Rollback());
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(h.Keys("keep"), "kept ");
    TreeReport directory = CheckDirectory(*h.store);
    EXPECT_EQ(directory.problem, "");
    EXPECT_EQ(directory.live.size(), 1u);
    // The trees keep growing from their split shape.
    ASSERT_TRUE(CreateTableStorage(*h.store, ("after" + std::to_string(round)).c_str()));
    ASSERT_TRUE(InsertRow(*h.store, "keep", KeyedRow(900, "z", "new")));
    ASSERT_TRUE(h.store->Rollback());
    h.Reopen();
  }
}

// A rollback gives back the rows as they were before the transaction: a row it inserted and
// deleted (also after an update of it) stays gone, and a committed row it deleted and
// inserted again is there once, with its old payload; in the cache and in the file.
TEST(DatabaseTree, RowsInsertedAndDeletedInTheTransactionStayGoneAfterRollback) {
  TestDatabase h({"t"});
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(1, "kept", "old")) && h.store->Commit());
  auto remove = [&](const std::string& key) {
    std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "t");
    return SeekLive(*cursor, key) && cursor->DeleteCurrent() && cursor->Close();
  };
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(2, "ghost", "never was")));
  ASSERT_TRUE(remove("ghost"));
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(3, "twice", "first")));
  {
    std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "t");
    Bytes row = KeyedRow(3, "twice", "second");
    ASSERT_TRUE(SeekLive(*cursor, "twice") &&
                cursor->UpdateCurrent(row.data(), uint32_t(row.size())) && cursor->Close());
  }
  ASSERT_TRUE(remove("twice"));
  ASSERT_TRUE(remove("kept"));
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(4, "kept", "new")));
  ASSERT_EQ(h.Keys("t"), "kept ");
  ASSERT_TRUE(h.store->Rollback());
  for (int round = 0; round < 2; ++round) {
    const TreeReport report = CheckTable(*h.store, "t");
    EXPECT_EQ(report.problem, "");
    EXPECT_EQ(Content(report), (std::multimap<std::string, std::string>{{"kept", "old"}}))
        << (round ? "reopened" : "in the cache");
    h.Reopen();
  }
}

TEST(DatabaseTree, TransactionNumbersCrossTwoToThe24th) {
  TestDatabase h({"t"});
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(1, "ancient", "")) && h.store->Commit());
  // Transaction 3 stamped the row; the next one gets the same low 24 bits, and rolls back.
  SetLastTransaction(h, 0x01000002);
  ASSERT_EQ(DbStamp(h.store->CurrentTransaction()), 3u);
  std::string expected = "ancient ";
  for (int n = 0; n < 6; ++n) {
    ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(10 + n, "n" + std::to_string(n), "")));
    if (n % 2 == 0) {
      ASSERT_TRUE(h.store->Rollback());
    } else {
      ASSERT_TRUE(h.store->Commit());
      expected += "n" + std::to_string(n) + " ";
    }
    EXPECT_EQ(h.Keys("t"), expected);
  }
  // 0x01FFFFFF is followed by 0x02000001: no transaction has stamp 0.
  SetLastTransaction(h, 0x01FFFFFE);
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(50, "o", "")) && h.store->Commit());
  EXPECT_EQ(h.store->CurrentTransaction(), 0x02000001u);
  ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(51, "p", "")) && h.store->Rollback());
  EXPECT_EQ(h.Keys("t"), expected + "o ");
}

// One cursor scans while another inserts (splitting pages under it) and deletes: every record
// present throughout is seen exactly once.
TEST(DatabaseTree, ACursorScansWhileAnotherChangesTheTree) {
  TestDatabase h({"c"});
  std::mt19937 random(7);
  auto key = [](int n) { return "k" + std::to_string(10000 + n * 10); };
  for (int n = 0; n < 600; ++n)
    ASSERT_TRUE(InsertRow(*h.store, "c", KeyedRow(n, key(n), std::string(60, 's'))));
  ASSERT_TRUE(h.store->Commit());
  std::set<std::string> deleted;
  std::map<std::string, int> seen;
  std::unique_ptr<TableCursor> scan = KeyedCursor(*h.store, "c");
  for (uint32_t id = 10000; scan->NextMatching(); id += 3) {
    uint32_t length = 0;
    const uint8_t* record = scan->CurrentRecord(&length);
    ++seen[RowText(record, length, 0)];
    for (uint32_t i = 0; i < 3; ++i) {
      std::string inserted = key(random() % 600) + "." + std::to_string(id + i);
      ASSERT_TRUE(
          InsertRow(*h.store, "c", KeyedRow(id + i, inserted, std::string(random() % 2000, 'n'))));
    }
    std::unique_ptr<TableCursor> other = KeyedCursor(*h.store, "c");
    std::string victim = key(random() % 600);
    if (SeekLive(*other, victim) && other->DeleteCurrent()) deleted.insert(victim);
  }
  for (int n = 0; n < 600; ++n) EXPECT_TRUE(deleted.count(key(n)) || seen[key(n)] == 1) << key(n);
  for (const auto& [seenKey, times] : seen) EXPECT_EQ(times, 1) << seenKey;
  EXPECT_EQ(CheckTable(*h.store, "c").problem, "");
}

// An update that changes a row's key parks the row: the scan that made it never meets it
// again, it takes its place when the cursor closes or the transaction commits, and a rollback
// drops it with the rest of the transaction. A key already taken is refused.
TEST(DatabaseTree, RowsWithChangedKeysMoveWhenTheCursorClosesOrTheTransactionEnds) {
  TestDatabase h({"u"});
  for (char c = 'a'; c <= 'e'; ++c)
    ASSERT_TRUE(InsertRow(*h.store, "u", KeyedRow(c, std::string(1, c), "")));
  ASSERT_TRUE(h.store->Commit());
  std::unique_ptr<TableCursor> scan = KeyedCursor(*h.store, "u");
  std::string seen;
  while (scan->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = scan->CurrentRecord(&length);
    seen += RowText(record, length, 0);
    Bytes row = KeyedRow(0, "z" + RowText(record, length, 0), "");
    ASSERT_TRUE(scan->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())));
  }
  EXPECT_EQ(seen, "abcde");
  EXPECT_EQ(h.Keys("u"), "");
  ASSERT_TRUE(scan->Close());
  EXPECT_EQ(h.Keys("u"), "za zb zc zd ze ");
  ASSERT_TRUE(h.store->Commit());

  std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "u");
  Bytes taken = KeyedRow(0, "zb", ""), moved = KeyedRow(0, "y", "");
  ASSERT_TRUE(SeekLive(*cursor, "za"));
  EXPECT_FALSE(cursor->UpdateCurrent(taken.data(), static_cast<uint32_t>(taken.size())));
  EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kDuplicateKey);
  ASSERT_TRUE(cursor->UpdateCurrent(moved.data(), static_cast<uint32_t>(moved.size())));
  ASSERT_TRUE(h.store->Rollback());
  EXPECT_EQ(h.Keys("u"), "za zb zc zd ze ");
  ASSERT_TRUE(SeekLive(*cursor, "za"));
  ASSERT_TRUE(cursor->UpdateCurrent(moved.data(), static_cast<uint32_t>(moved.size())));
  ASSERT_TRUE(h.store->Commit());
  EXPECT_EQ(h.Keys("u"), "y zb zc zd ze ");  // the commit put it in place
  ASSERT_TRUE(cursor->Close());
  h.Reopen();
  EXPECT_EQ(h.Keys("u"), "y zb zc zd ze ");
  // The directory refuses a storage name that is there, whatever its case.
  EXPECT_FALSE(CreateTableStorage(*h.store, "U"));
  EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kNameExists);
}

// Two updates may not move two rows to one new key, also while the first row still waits
// parked outside the tree.
TEST(DatabaseTree, ASecondRowMovedToAParkedKeyIsRefused) {
  TestDatabase h({"u"});
  for (const char* key : {"a", "b"})
    ASSERT_TRUE(InsertRow(*h.store, "u", KeyedRow(h.store->NextRecordId(), key, "")));
  ASSERT_TRUE(h.store->Commit());
  std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "u");
  Bytes moved = KeyedRow(0, "z", "");
  ASSERT_TRUE(SeekLive(*cursor, "a"));
  ASSERT_TRUE(cursor->UpdateCurrent(moved.data(), static_cast<uint32_t>(moved.size())));
  ASSERT_TRUE(SeekLive(*cursor, "b"));
  EXPECT_FALSE(cursor->UpdateCurrent(moved.data(), static_cast<uint32_t>(moved.size())));
  EXPECT_EQ(h.store->LastError().code, StorageErrorCode::kDuplicateKey);
  ASSERT_TRUE(cursor->Close());
  EXPECT_EQ(h.Keys("u"), "b z ");
}

// Seeks land where a model's lower bound says, on pages searched often enough to compare key
// prefixes (keys of a few letters and long keys that share their first eight bytes), and
// again after inserts move the records under the prefixes.
TEST(DatabaseTree, RepeatedSeeksFindTheModelsLowerBoundAsPagesChange) {
  TestDatabase h({"s"});
  std::mt19937 random(17);
  auto key = [&] {
    const std::string stem = random() % 2 ? "abbaabba" : "";
    std::string tail(random() % 5, 'a');
    for (char& c : tail) c = char('a' + random() % 2);
    return stem + tail;
  };
  std::set<std::string> model;
  uint32_t id = 1;
  for (int round = 0; round < 4; ++round) {
    for (int n = 0; n < 60; ++n) {
      const std::string k = key();
      if (!model.insert(k).second) continue;
      ASSERT_TRUE(InsertRow(*h.store, "s", KeyedRow(id++, k, "p")));
    }
    std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "s");
    for (int probe = 0; probe < 200; ++probe) {
      const std::string k = key();
      const auto bound = model.lower_bound(k);
      for (int again = 0; again < 3; ++again) {
        bool exact = false;
        ASSERT_TRUE(SeekRow(*cursor, KeyedRow(0, k, ""), &exact));
        EXPECT_EQ(exact, model.count(k) == 1) << k;
        // The cursor stands on the first record at or after the key, or just past the records.
        cursor->NextMatching();
        uint32_t length = 0;
        const uint8_t* record = cursor->CurrentRecord(&length);
        EXPECT_EQ(record ? RowText(record, length, 0) : "<end>",
                  bound == model.end() ? "<end>" : *bound)
            << k;
      }
    }
  }
}

// A cursor started over for key after key (as a join's inner table is) first tries the leaf
// it left: it must find exactly the live records with each key, whether the key lies on that
// leaf, on another, before every key or past them all, also after another cursor split pages,
// deleted records and a rollback brought them back.
TEST(DatabaseTree, ACursorStartedOverForEachKeyFindsItsRecordsFromTheLeafItLeft) {
  TestDatabase h({"j"});
  std::mt19937 random(29);
  auto key = [](int n) {
    char text[8];
    snprintf(text, sizeof text, "k%04d", n);
    return std::string(text);
  };
  Model committed;
  uint32_t id = 1;
  for (int n = 0; n < 900; n += 2) {  // odd keys are missing; some keys have three records
    for (int copy = 0; copy < (n % 14 == 0 ? 3 : 1); ++copy) {
      ASSERT_TRUE(InsertRow(*h.store, "j", KeyedRow(id++, key(n), std::string(40, 'p'))));
      committed.emplace(key(n), "p");
    }
  }
  ASSERT_TRUE(h.store->Commit());
  Model current = committed;
  std::unique_ptr<TableCursor> inner = KeyedCursor(*h.store, "j");
  int at = 0;
  for (int probe = 0; probe < 1500; ++probe) {
    const uint32_t move = random() % 10;
    at = move < 6 ? (at + int(random() % 9)) % 905 : move < 9 ? int(random() % 905) : 0;
    const std::string sought = move == 9 && probe % 2 ? "a" : key(at);  // before every key
    const Bytes row = KeyedRow(0, sought, "");
    Bytes filter;
    ASSERT_TRUE(inner->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &filter));
    ASSERT_TRUE(inner->Restart(filter.data(), static_cast<uint32_t>(filter.size())));
    size_t found = 0;
    while (inner->NextMatching()) {
      uint32_t length = 0;
      const uint8_t* record = inner->CurrentRecord(&length);
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(RowText(record, length, 0), sought);
      ++found;
    }
    ASSERT_TRUE(inner->Finish());
    EXPECT_EQ(found, current.count(sought)) << sought << " at probe " << probe;
    if (probe % 100 == 50) {  // another cursor splits leaves and deletes a record
      for (int i = 0; i < 40; ++i) {
        const std::string k = key(int(random() % 905));
        ASSERT_TRUE(InsertRow(*h.store, "j", KeyedRow(id++, k, std::string(40, 'n'))));
        current.emplace(k, "n");
      }
      std::unique_ptr<TableCursor> other = KeyedCursor(*h.store, "j");
      const std::string victim = key(at);
      if (SeekLive(*other, victim) && other->DeleteCurrent())
        current.erase(current.find(victim));
    }
    if (probe == 750) {
      ASSERT_TRUE(h.store->Rollback());
      current = committed;
    }
  }
  ASSERT_TRUE(inner->Close());
  EXPECT_EQ(CheckTable(*h.store, "j").problem, "");
}
