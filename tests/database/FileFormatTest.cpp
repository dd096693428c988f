// The bytes on disk: a new file, the header through a transaction's life, the tail of a file
// that is not whole pages, what a reader refuses, and the key bytes of every value type.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

uint32_t Word(const Bytes& file, uint64_t offset) { return LoadBigEndian32(file.data() + offset); }

Bytes KeyOf(const Bytes& row, Bytes columns) {
  SortKeyBuilder keys;
  keys.SetKeyColumns(columns.data(), static_cast<uint32_t>(columns.size()));
  EXPECT_TRUE(keys.Build(kDbRowLeaf, row.data(), static_cast<uint32_t>(row.size())));
  return keys.Key();
}

}  // namespace

TEST(DatabaseFile, NewFileIsTheHeaderAndOneEmptyDirectoryLeaf) {
  TestDatabase db;
  db.store.reset();
  Bytes file = ReadFile(db.path);
  ASSERT_EQ(file.size(), 8256u);
  // magic, version, last transaction, none open, next record id, directory root, reserved
  Bytes header = {0xFE, 0xED, 0xDB, 0xDB, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
  header.resize(64);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 64), header);
  EXPECT_EQ(Word(file, 64), uint32_t{kDbDirectoryLeaf});
  EXPECT_EQ(Word(file, 68), 0u);  // origin: itself
  EXPECT_EQ(Word(file, 72), 1u);  // stamp
  EXPECT_EQ(Word(file, 76), 0xFFFFFFFFu);
  EXPECT_EQ(Bytes(file.begin() + 80, file.end()), Bytes(8176, 0));  // used 0, empty payload
  EXPECT_FALSE(db.JournalExists());
}

TEST(DatabaseFile, HeaderWordsFollowBeginCommitAndRollback) {
  TestDatabase db;
  std::unique_ptr<PageStore>& store = db.store;
  const std::string& path = db.path;
  const Bytes created = ReadFile(path);
  // The file is not written until pages of the transaction must reach it.
  ASSERT_TRUE(store->Begin());
  ASSERT_TRUE(CreateTableStorage(*store, "t"));
  EXPECT_EQ(ReadFile(path), created);
  EXPECT_FALSE(db.JournalExists());
  ASSERT_TRUE(store->Commit());
  Bytes file = ReadFile(path);
  EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 20),
            Bytes({0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 2}));
  // A rolled-back insert stays on disk as deleted with transaction 0 and is squeezed out of
  // its page the next time the page is read. While pages of a transaction are in the file
  // ahead of its commit, the header says a transaction is open.
  ASSERT_TRUE(InsertRow(*store, "t", KeyedRow(store->NextRecordId(), "x", "")));
  EXPECT_EQ(Word(ReadFile(path), 12), 0u);
  while (PurgeMemory()) {
  }
  file = ReadFile(path);
  EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 20),
            Bytes({0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 3}));
  EXPECT_TRUE(db.JournalExists());
  ASSERT_TRUE(store->Rollback());
  file = ReadFile(path);
  EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 20),
            Bytes({0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 3}));
  const uint8_t* row = file.data() + DbPageOffset(1) + kDbPageHeaderSize;
  EXPECT_EQ(RecordStatus(row), kDbDeleted);
  EXPECT_EQ(RecordStamp(row), 0u);
  db.Reopen();
  EXPECT_EQ(store->ReadPage(1)->Used(), 0u);
}

namespace {

// The journal's header and each page record end in a sum of their 32-bit words (host order)
// seeded with the journal's salt: a = salt | 1 and b = salt, then a += word and b += a for
// each word. Worked out here word by word.
uint32_t JournalSum(uint32_t salt, const uint8_t* bytes, size_t count) {
  uint64_t a = salt | 1u, b = salt;
  for (size_t i = 0; i + 4 <= count; i += 4) {
    uint32_t word;
    std::memcpy(&word, bytes + i, 4);
    a += word;
    b += a;
  }
  return uint32_t(a ^ (a >> 32) ^ (b * 0x9E3779B1u) ^ (b >> 29));
}

}  // namespace

TEST(DatabaseFile, TheJournalsHeaderAndPageRecordsCarryTheirSums) {
  TestDatabase db({"t"});
  const std::string& path = db.path;
  ASSERT_TRUE(InsertRow(*db.store, "t", KeyedRow(db.store->NextRecordId(), "x", "y")));
  while (PurgeMemory()) {
  }
  const Bytes journal = ReadFile(path + "-journal");
  const size_t record = 512, recordSize = 4 + kDbPageSize + 4;
  ASSERT_GE(journal.size(), record + recordSize);
  const uint32_t salt = Word(journal, 8), headerSum = 24 + kDbFileHeaderSize;
  EXPECT_EQ(Word(journal, headerSum), JournalSum(salt, journal.data(), headerSum));
  for (size_t at = record; at + recordSize <= journal.size(); at += recordSize)
    EXPECT_EQ(Word(journal, at + 4 + kDbPageSize),
              JournalSum(salt, journal.data() + at, 4 + kDbPageSize))
        << "record at " << at;
  ASSERT_TRUE(db.store->Rollback());
}

TEST(DatabaseFile, AShortTailIsIgnoredAndCutWhenAPageIsAdded) {
  TestDatabase db({"a"});
  db.store.reset();
  Bytes file = ReadFile(db.path);
  file.resize(file.size() + kDbPageSize / 2, 0xAB);
  WriteFile(db.path, file);
  db.Reopen();
  EXPECT_EQ(db.store->PageCount(), 2u);
  ASSERT_TRUE(CreateTableStorage(*db.store, "b") && db.store->Commit());
  file = ReadFile(db.path);
  EXPECT_EQ(file.size(), DbPageOffset(3));
  EXPECT_EQ(Word(file, DbPageOffset(2)), uint32_t{kDbRowLeaf});
  EXPECT_EQ(Word(file, DbPageOffset(2) + 4), 2u);  // its own origin
}

TEST(DatabaseFile, OpenRefusesWhatIsNotASoundDatabase) {
  TestDatabase db;
  db.store.reset();
  const std::string& path = db.path;
  Bytes good = ReadFile(path);
  struct {
    uint32_t offset, word;
    StorageErrorCode code;
  } cases[] = {
      {0, 0xFEEDDBDC, StorageErrorCode::kNotDatabase},
      {4, 2, StorageErrorCode::kNotDatabase},
      {12, 1, StorageErrorCode::kNeedsRecovery},  // left in a transaction, no journal
      {20, 1, StorageErrorCode::kDamaged},        // the directory root is not a page
  };
  for (const auto& c : cases) {
    Bytes bad = good;
    StoreBigEndian32(bad.data() + c.offset, c.word);
    WriteFile(path, bad);
    StorageError error;
    EXPECT_FALSE(PageStore::Open(path.c_str(), &error));
    EXPECT_EQ(error.code, c.code) << c.offset;
    EXPECT_EQ(ReadFile(path), bad) << "a refused file is not written";
  }
  // A journal beside a closed header is stale: the file opens and the journal goes.
  WriteFile(path, good);
  WriteFile(path + "-journal", Bytes(100, 7));
  db.Reopen();
  EXPECT_FALSE(db.JournalExists());
}

TEST(DatabaseFile, KeyBytesOfEveryType) {
  auto key = [](uint8_t type, Bytes value) {
    return KeyOf(RowBuilder().Value(0, type, value).Build(1), {0});
  };
  EXPECT_EQ(key(kDbInteger, {0xFF, 0xFF, 0xFF, 0xFE}), Bytes({1, 0x7F, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(key(kDbInteger, {0, 0, 0, 2}), Bytes({1, 0x80, 0, 0, 2}));
  EXPECT_EQ(key(kDbSmallInt, {0x80, 0}), Bytes({1, 0, 0}));
  EXPECT_EQ(key(kDbLongText, {0, 0, 1, 0}), Bytes({1, 0x80, 0, 1, 0}));
  // -0.5 and 0.25 as singles, 1.0 as a double: negatives inverted whole, positives signed.
  EXPECT_EQ(key(kDbFloat, {0xBF, 0, 0, 0}), Bytes({1, 0x40, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(key(kDbFloat, {0x3E, 0x80, 0, 0}), Bytes({1, 0xBE, 0x80, 0, 0}));
  EXPECT_EQ(key(kDbDouble, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}),
            Bytes({1, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(key(kDbDate, {0x07, 0xE8, 0, 5, 0, 7}), Bytes({1, 0x07, 0xE8, 0, 5, 0, 7}));
  EXPECT_EQ(key(kDbBoolean, {1}), Bytes({1, 1}));
  // "A" < "a" < "B"; an absent value first; key columns in key order; no key columns: the id
  // least significant byte first.
  EXPECT_EQ(KeyOf(RowBuilder().Text(0, "A").Build(1), {0}), Bytes({1, 0x48, 0}));
  EXPECT_EQ(KeyOf(RowBuilder().Text(0, "a").Build(1), {0}), Bytes({1, 0x4F, 0}));
  EXPECT_EQ(KeyOf(RowBuilder().Text(0, "B", kDbBytes).Build(1), {0}), Bytes({1, 0x58, 0}));
  Bytes row = RowBuilder().Int(2, -1).Text(5, "x").Build(0x01020304);
  EXPECT_EQ(KeyOf(row, {3, 5, 2}), Bytes({0, 1, 0xB3, 0, 1, 0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(KeyOf(row, {}), Bytes({4, 3, 2, 1}));
  SortKeyBuilder names;
  names.BuildName(reinterpret_cast<const uint8_t*>("Ab"), 2);
  EXPECT_EQ(names.Key(), Bytes({1, 1, 0x48, 0x59, 0}));
}

// A record compared with a key without making its key orders exactly as its key does, whole
// or as a prefix (a filter), for every key type, absent values, long texts and several columns.
TEST(DatabaseFile, ComparingARecordWithAKeyAgreesWithItsKey) {
  std::mt19937 random(3);
  auto value = [&](RowBuilder& row, uint8_t column) {
    switch (random() % 6) {
      case 0: return;  // absent
      case 1: row.Int(column, int32_t(random() % 7) - 3); return;
      case 2: row.Value(column, kDbDouble, {uint8_t(random() % 2 ? 0xC0 : 0x40), 0, 0, 0, 0, 0,
                                             0, uint8_t(random() % 3)}); return;
      case 3: row.Value(column, kDbSmallInt, {0, uint8_t(random() % 3)}); return;
      case 4: row.Text(column, std::string(random() % 3, char('a' + random() % 2))); return;
      default: row.Text(column, std::string(60 + random() % 20, 'x') + char('a' + random() % 2));
    }
  };
  const std::vector<Bytes> keyColumns = {{0}, {1, 0}, {2, 0, 1}, {}};
  for (int round = 0; round < 3000; ++round) {
    const Bytes& columns = keyColumns[size_t(random() % keyColumns.size())];
    RowBuilder a, b;
    for (uint8_t c = 0; c < 3; ++c) {
      value(a, c);
      value(b, c);
    }
    const Bytes rowA = a.Build(random() % 5), rowB = b.Build(random() % 5);
    const Bytes keyB = KeyOf(rowB, columns);
    SortKeyBuilder keys;
    keys.SetKeyColumns(columns.data(), uint32_t(columns.size()));
    const Bytes keyA = KeyOf(rowA, columns);
    const int32_t whole = CompareKeys(keyA.data(), uint32_t(keyA.size()), keyB.data(),
                                      uint32_t(keyB.size()));
    EXPECT_EQ(keys.CompareRecord(kDbRowLeaf, rowA.data(), uint32_t(rowA.size()), keyB.data(),
                                 uint32_t(keyB.size()), false),
              whole);
    const uint32_t cut = uint32_t(random() % (keyB.size() + 1));
    const int32_t prefix =
        CompareKeys(keyA.data(), std::min(uint32_t(keyA.size()), cut), keyB.data(), cut);
    EXPECT_EQ(keys.CompareRecord(kDbRowLeaf, rowA.data(), uint32_t(rowA.size()), keyB.data(),
                                 cut, true),
              prefix);
    if (HasFailure()) return;
  }
}

TEST(DatabaseFile, ARowOfAnUnknownTypeOrTooLongIsReportedAndRefused) {
  TestDatabase db({"t"});
  std::unique_ptr<PageStore>& store = db.store;
  qvtest::ReportCapture reports;
  EXPECT_FALSE(
      InsertRow(*store, "t", RowBuilder().Text(0, "k").Value(1, 10, {0, 0, 0, 0}).Build(1)));
  EXPECT_EQ(store->LastError().code, StorageErrorCode::kBadRecord);
  EXPECT_TRUE(reports.HasCondition("0"));
  EXPECT_FALSE(InsertRow(*store, "t", KeyedRow(2, "k", std::string(8200, 'x'))));
  EXPECT_TRUE(reports.HasCondition("dataLen <= maxRecordBlockLength"));
}
