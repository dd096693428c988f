// Rows replaced by rows of their own length: full leaves take the rewrite without splitting,
// and rollbacks, deletes, second rewrites, spills of the cache and a spent memory budget all
// give back exactly the committed rows; the log tells records of repeated ids apart.
#include <gtest/gtest.h>

#include <random>

#include "database/DatabaseTestSupport.h"
#include "database/PageStoreRewrites.h"

using namespace dbtest;

namespace {

using Model = std::map<std::string, std::string>;

std::string Key(int n) {
  std::string key = std::to_string(n);
  return std::string(6 - key.size(), '0') + key;
}

// Payloads of one length, so that every update may stay in place.
std::string Payload(uint32_t seed) { return std::string(40, char('a' + seed % 26)); }

// `keyKept`: the caller vouches that the key is unchanged, which it is here.
bool Rewrite(PageStore& store, const std::string& key, const std::string& payload,
             bool keyKept = false) {
  std::unique_ptr<TableCursor> cursor = KeyedCursor(store, "t");
  Bytes row = KeyedRow(0, key, payload);
  return SeekLive(*cursor, key) &&
         cursor->UpdateCurrent(row.data(), uint32_t(row.size()), keyKept) && cursor->Close();
}

std::string TextUnder(TableCursor& cursor, uint8_t column) {
  uint32_t length = 0;
  const uint8_t* record = cursor.CurrentRecord(&length);
  return record ? RowText(record, length, column) : "(none)";
}

bool Remove(PageStore& store, const std::string& key) {
  std::unique_ptr<TableCursor> cursor = KeyedCursor(store, "t");
  return SeekLive(*cursor, key) && cursor->DeleteCurrent() && cursor->Close();
}

Model ContentOf(PageStore& store) {
  TreeReport report = CheckTable(store, "t");
  EXPECT_EQ(report.problem, "");
  std::multimap<std::string, std::string> rows = Content(report);
  return Model(rows.begin(), rows.end());
}

// Full leaves: rows in ascending keys, committed.
Model FillAscending(TestDatabase& h, int rows) {
  Model model;
  std::unique_ptr<TableCursor> cursor = KeyedCursor(*h.store, "t");
  for (int n = 0; n < rows; ++n) {
    EXPECT_TRUE(InsertRow(*cursor, KeyedRow(h.store->NextRecordId(), Key(n), Payload(0))));
    model[Key(n)] = Payload(0);
  }
  EXPECT_TRUE(cursor->Close() && h.store->Commit());
  return model;
}

Bytes Record(uint32_t id, const std::string& text) { return KeyedRow(id, "k", text); }

}  // namespace

TEST(RewriteInPlace, UpdatesOfFullLeavesAddNoPagesAndRollBackToTheCommittedRows) {
  TestDatabase h({"t"});
  Model committed = FillAscending(h, 2000);
  const uint64_t pages = h.store->PageCount();
  // Every third row, twice, and one of them deleted afterwards.
  for (int round = 1; round <= 2; ++round)
    for (int n = 0; n < 2000; n += 3) ASSERT_TRUE(Rewrite(*h.store, Key(n), Payload(round)));
  ASSERT_TRUE(Remove(*h.store, Key(3)));
  EXPECT_EQ(h.store->PageCount(), pages) << "a rewrite of equal length split a leaf";
  Model changed = committed;
  for (int n = 0; n < 2000; n += 3) changed[Key(n)] = Payload(2);
  changed.erase(Key(3));
  EXPECT_EQ(ContentOf(*h.store), changed);
  ASSERT_TRUE(h.store->Rollback());
  EXPECT_EQ(ContentOf(*h.store), committed) << "in the cache";
  h.Reopen();
  EXPECT_EQ(ContentOf(*h.store), committed) << "in the file";
  // Committed, the rewrites stay, still in the same pages.
  for (int n = 0; n < 2000; n += 3) ASSERT_TRUE(Rewrite(*h.store, Key(n), Payload(5)));
  ASSERT_TRUE(h.store->Commit());
  h.Reopen();
  for (int n = 0; n < 2000; n += 3) committed[Key(n)] = Payload(5);
  EXPECT_EQ(ContentOf(*h.store), committed);
  EXPECT_EQ(h.store->PageCount(), pages);
}

// Rewrites, changes of length, deletes and inserts at random, with a cache of a few pages
// (changed leaves leave it and come back) and at times no memory for rewrites at all.
TEST(RewriteInPlace, RandomRewritesMatchAModelThroughSpillsRollbacksAndReopenings) {
  SimulatedFileSystem memory;
  TestDatabase h({"t"}, memory);
  Model committed = FillAscending(h, 1500), current = committed;
  std::mt19937 random(77);
  for (int batch = 0; batch < 40; ++batch) {
    h.store->SetCacheLimit(batch % 2 ? 6 : PageStore::kDefaultCacheLimit);
    h.store->SetRewriteBudget(batch % 5 == 4 ? 0 : PageStoreRewrites::kDefaultBudget);
    for (int i = 0; i < 300; ++i) {
      const std::string key = Key(int(random() % 1600));
      const uint32_t choice = random() % 10;
      const bool present = current.count(key) != 0;
      if (!present) {
        ASSERT_TRUE(InsertRow(*h.store, "t", KeyedRow(h.store->NextRecordId(), key, Payload(i))));
        current[key] = Payload(i);
      } else if (choice < 7) {
        // Mostly of the same length; now and then longer, which moves the row.
        const std::string payload = choice == 6 ? Payload(i) + "longer" : Payload(i);
        ASSERT_TRUE(Rewrite(*h.store, key, payload, i % 2 == 0));
        current[key] = payload;
      } else {
        ASSERT_TRUE(Remove(*h.store, key));
        current.erase(key);
      }
    }
    EndTransaction(h, random() % 4, current, committed);
    if (HasFatalFailure()) return;
    h.store->SetCacheLimit(PageStore::kDefaultCacheLimit);
    ASSERT_EQ(ContentOf(*h.store), current) << "batch " << batch;
  }
}

// Rewrites that keep the key leave the other cursors' places unsettled until records move:
// a cursor standing on a rewritten row, and one on its neighbour, still find their rows after
// splits and after a rewrite that had to move its row.
TEST(RewriteInPlace, CursorsStandingOnKeptKeyRewritesFindTheirRowsWhenRecordsMove) {
  TestDatabase h({"t"});
  FillAscending(h, 600);
  // Room in the leaf, so that a row replaced as a new record moves records without a split.
  for (int n = 302; n < 312; ++n) ASSERT_TRUE(Remove(*h.store, Key(n)));
  ASSERT_TRUE(h.store->Commit());
  // Reached by stepping, the cursors' places are not yet worked out.
  std::unique_ptr<TableCursor> onRow = KeyedCursor(*h.store, "t");
  std::unique_ptr<TableCursor> onNext = KeyedCursor(*h.store, "t");
  ASSERT_TRUE(SeekLive(*onRow, Key(299)) && SeekLive(*onNext, Key(300)));
  for (auto* cursor : {&onRow, &onNext}) {
    const std::string from = TextUnder(**cursor, 0);
    while (TextUnder(**cursor, 0) == from) ASSERT_TRUE((*cursor)->Next());
  }
  for (int n = 290; n <= 301; ++n) ASSERT_TRUE(Rewrite(*h.store, Key(n), Payload(3), true));
  // No memory for the committed bytes: the next rewrite replaces its row as a new record.
  h.store->SetRewriteBudget(0);
  ASSERT_TRUE(Rewrite(*h.store, Key(301), Payload(4), true));
  h.store->SetRewriteBudget(PageStoreRewrites::kDefaultBudget);
  EXPECT_EQ(TextUnder(*onRow, 1), Payload(3));
  EXPECT_EQ(TextUnder(*onNext, 1), Payload(4));
  std::unique_ptr<TableCursor> inserter = KeyedCursor(*h.store, "t");
  for (int n = 0; n < 400; ++n)
    ASSERT_TRUE(InsertRow(*inserter, KeyedRow(h.store->NextRecordId(), Key(300) + "-" + Key(n),
                                              Payload(5) + "pushes the leaf to split")));
  EXPECT_EQ(TextUnder(*onRow, 0), Key(300));
  EXPECT_EQ(TextUnder(*onRow, 1), Payload(3));
  EXPECT_EQ(TextUnder(*onNext, 0), Key(301));
  EXPECT_EQ(TextUnder(*onNext, 1), Payload(4));
  // Past their own rows (a sought row comes first; a replaced one leaves a deleted record).
  for (auto* cursor : {&onRow, &onNext}) {
    const std::string own = TextUnder(**cursor, 0);
    while (TextUnder(**cursor, 0) == own) ASSERT_TRUE((*cursor)->Next());
  }
  EXPECT_EQ(TextUnder(*onRow, 0), Key(300) + "-" + Key(0));
  EXPECT_EQ(TextUnder(*onNext, 0), Key(312));
  for (auto* cursor : {&onRow, &onNext, &inserter}) ASSERT_TRUE((*cursor)->Close());
  ASSERT_TRUE(h.store->Commit());
  EXPECT_EQ(CheckTable(*h.store, "t").problem, "");
}

TEST(RewriteInPlace, TheLogTellsRecordsOfOneIdApartAndKeepsTheFirstCommittedBytes) {
  constexpr uint32_t kStamp = 9;
  PageStoreRewrites log;
  Bytes committedA = Record(7, "committed a"), committedB = Record(7, "committed b");
  Bytes nowA = Record(7, "now a......"), nowB = Record(7, "now b......");
  for (Bytes* now : {&nowA, &nowB}) SetRecordStatus(now->data(), kDbLive, kStamp);
  ASSERT_TRUE(log.Note(committedA.data(), nowA.data(), uint32_t(nowA.size()), kStamp));
  ASSERT_TRUE(log.Note(committedB.data(), nowB.data(), uint32_t(nowB.size()), kStamp));
  // A second rewrite of A keeps A's committed bytes under the newest record.
  Bytes againA = Record(8, "again a...."), page = nowA;
  SetRecordStatus(againA.data(), kDbLive, kStamp);
  ASSERT_TRUE(log.Note(page.data(), againA.data(), uint32_t(againA.size()), kStamp));
  page = againA;
  Bytes other = nowB;
  ASSERT_TRUE(log.Restore(other.data()));
  EXPECT_EQ(other, committedB);
  EXPECT_FALSE(log.Restore(nowA.data())) << "the entry followed the second rewrite";
  ASSERT_TRUE(log.Restore(page.data()));
  EXPECT_EQ(page, committedA);
  EXPECT_TRUE(log.Empty());
  // A row the transaction inserted needs nothing kept, and a spent budget keeps nothing.
  Bytes inserted = Record(9, "inserted...");
  SetRecordStatus(inserted.data(), kDbLive, kStamp);
  EXPECT_TRUE(log.Note(inserted.data(), nowA.data(), uint32_t(nowA.size()), kStamp));
  log.SetBudget(0);
  EXPECT_FALSE(log.Note(committedA.data(), nowA.data(), uint32_t(nowA.size()), kStamp));
  EXPECT_TRUE(log.Empty());
}
