// The bytes on disk: a new file, the header through a transaction's life, the tail of a file
// that is not whole pages, what a reader refuses, and the key bytes of every value type.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t Word(const Bytes& file, uint32_t offset) { return LoadBigEndian32(file.data() + offset); }

std::unique_ptr<PageStore> MakeStore(const std::string& path) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(path.c_str(), &error);
  EXPECT_TRUE(store) << error.message;
  return store;
}

bool InsertRow(PageStore& store, const char* table, const Bytes& row) {
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(store, table, nullptr, 0, nullptr, 0);
  Bytes key;
  bool exact = false;
  return cursor && cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key) &&
         cursor->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) &&
         cursor->Insert(row.data(), static_cast<uint32_t>(row.size()));
}

// The key of a row under key columns.
Bytes KeyOf(const Bytes& row, Bytes columns) {
  SortKeyBuilder keys;
  keys.SetKeyColumns(columns.data(), static_cast<uint32_t>(columns.size()));
  EXPECT_TRUE(keys.Build(kDbRowLeaf, row.data(), static_cast<uint32_t>(row.size())));
  return keys.Key();
}

Bytes Stored(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

}  // namespace

TEST(DatabaseFile, NewFileIsTheHeaderAndOneEmptyDirectoryLeaf) {
  TempFolder folder;
  std::string path = folder.Path("new.db");
  MakeStore(path).reset();
  Bytes file = ReadFile(path);
  ASSERT_EQ(file.size(), 8256u);
  EXPECT_EQ(Word(file, 0), 0xFEEDDBDBu);
  EXPECT_EQ(Word(file, 4), 1u);
  EXPECT_EQ(Word(file, 8), 1u);   // the transaction that made page 0
  EXPECT_EQ(Word(file, 12), 0u);  // none open
  EXPECT_EQ(Word(file, 16), 1u);  // next record id
  EXPECT_EQ(Word(file, 20), 0u);  // directory root
  EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 64), Bytes(40, 0));
  EXPECT_EQ(Word(file, 64), uint32_t{kDbDirectoryLeaf});
  EXPECT_EQ(Word(file, 68), 0u);
  EXPECT_EQ(Word(file, 72), 1u);
  EXPECT_EQ(Word(file, 76), 0xFFFFFFFFu);
  EXPECT_EQ(Bytes(file.begin() + 80, file.end()), Bytes(8176, 0));  // used 0, empty payload
  EXPECT_FALSE(StorageFileSystem::Posix().Exists((path + "-journal").c_str()));
}

TEST(DatabaseFile, HeaderWordsFollowBeginCommitAndRollback) {
  TempFolder folder;
  std::string path = folder.Path("h.db");
  std::unique_ptr<PageStore> store = MakeStore(path);
  ASSERT_TRUE(store->Begin());
  Bytes file = ReadFile(path);
  EXPECT_EQ(Word(file, 8), 2u);
  EXPECT_EQ(Word(file, 12), 1u);
  EXPECT_EQ(Word(file, 16), 1u);
  ASSERT_TRUE(CreateTableStorage(*store, "t"));
  ASSERT_TRUE(store->Commit());
  file = ReadFile(path);
  EXPECT_EQ(Word(file, 8), 2u);
  EXPECT_EQ(Word(file, 12), 0u);
  EXPECT_EQ(Word(file, 16), 2u);  // the directory record took id 1
  EXPECT_FALSE(StorageFileSystem::Posix().Exists((path + "-journal").c_str()));

  // A rolled-back insert stays on disk as deleted with transaction 0, and is squeezed out of
  // the page the next time it is read.
  ASSERT_TRUE(InsertRow(*store, "t", RowBuilder().Int(0, 7).Build(store->NextRecordId())));
  EXPECT_EQ(Word(ReadFile(path), 12), 1u);
  ASSERT_TRUE(store->Rollback());
  file = ReadFile(path);
  EXPECT_EQ(Word(file, 8), 3u);
  EXPECT_EQ(Word(file, 12), 0u);
  const uint8_t* row = file.data() + DbPageOffset(1) + kDbPageHeaderSize;
  EXPECT_EQ(RecordStatus(row), kDbDeleted);
  EXPECT_EQ(RecordStamp(row), 0u);
  store.reset();
  StorageError error;
  store = PageStore::Open(path.c_str(), &error);
  EXPECT_EQ(store->ReadPage(1)->Used(), 0u);
}

TEST(DatabaseFile, AShortTailIsIgnoredAndCutWhenAPageIsAdded) {
  TempFolder folder;
  std::string path = folder.Path("tail.db");
  std::unique_ptr<PageStore> store = MakeStore(path);
  ASSERT_TRUE(CreateTableStorage(*store, "a"));
  store.reset();
  Bytes file = ReadFile(path);
  file.resize(file.size() + kDbPageSize / 2, 0xAB);
  WriteFile(path, file);
  StorageError error;
  store = PageStore::Open(path.c_str(), &error);
  ASSERT_TRUE(store) << error.message;
  EXPECT_EQ(store->PageCount(), 2u);
  ASSERT_TRUE(CreateTableStorage(*store, "b"));
  ASSERT_TRUE(store->Commit());
  file = ReadFile(path);
  EXPECT_EQ(file.size(), DbPageOffset(3));
  EXPECT_EQ(Word(file, static_cast<uint32_t>(DbPageOffset(2))), uint32_t{kDbRowLeaf});
  EXPECT_EQ(Word(file, static_cast<uint32_t>(DbPageOffset(2)) + 4), 2u);  // its own origin
}

TEST(DatabaseFile, OpenRefusesWhatIsNotASoundDatabase) {
  TempFolder folder;
  std::string path = folder.Path("r.db");
  MakeStore(path).reset();
  Bytes good = ReadFile(path);
  struct Case {
    uint32_t offset;
    uint32_t word;
    StorageErrorCode code;
  } cases[] = {
      {0, 0xFEEDDBDC, StorageErrorCode::kNotDatabase},
      {4, 2, StorageErrorCode::kNotDatabase},
      {12, 1, StorageErrorCode::kNeedsRecovery},  // left in a transaction, no journal
      {20, 1, StorageErrorCode::kDamaged},        // the directory root is not a page
  };
  for (const Case& c : cases) {
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
  StorageError error;
  EXPECT_TRUE(PageStore::Open(path.c_str(), &error)) << error.message;
  EXPECT_FALSE(StorageFileSystem::Posix().Exists((path + "-journal").c_str()));
}

TEST(DatabaseFile, KeyBytesOfEveryType) {
  auto one = [](uint8_t type, Bytes value) { return KeyOf(RowBuilder().Value(0, type, value).Build(1), {0}); };
  EXPECT_EQ(one(kDbInteger, Stored({0xFF, 0xFF, 0xFF, 0xFE})), Stored({1, 0x7F, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(one(kDbInteger, Stored({0, 0, 0, 2})), Stored({1, 0x80, 0, 0, 2}));
  EXPECT_EQ(one(kDbSmallInt, Stored({0x80, 0})), Stored({1, 0, 0}));
  EXPECT_EQ(one(kDbLongText, Stored({0, 0, 1, 0})), Stored({1, 0x80, 0, 1, 0}));
  // -0.5 and 0.25 as singles, 1.0 as a double: negatives inverted whole, positives signed.
  EXPECT_EQ(one(kDbFloat, Stored({0xBF, 0, 0, 0})), Stored({1, 0x40, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(one(kDbFloat, Stored({0x3E, 0x80, 0, 0})), Stored({1, 0xBE, 0x80, 0, 0}));
  EXPECT_EQ(one(kDbDouble, Stored({0x3F, 0xF0, 0, 0, 0, 0, 0, 0})),
            Stored({1, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(one(kDbDate, Stored({0x07, 0xE8, 0, 5, 0, 7})), Stored({1, 0x07, 0xE8, 0, 5, 0, 7}));
  EXPECT_EQ(one(kDbBoolean, Stored({1})), Stored({1, 1}));
  Bytes upperA = KeyOf(RowBuilder().Text(0, "A").Build(1), {0});
  Bytes lowerA = KeyOf(RowBuilder().Text(0, "a").Build(1), {0});
  Bytes upperB = KeyOf(RowBuilder().Text(0, "B", kDbBytes).Build(1), {0});
  EXPECT_EQ(upperA, Stored({1, 0x48, 0}));
  EXPECT_EQ(lowerA, Stored({1, 0x4F, 0}));
  EXPECT_EQ(upperB, Stored({1, 0x58, 0}));
  EXPECT_TRUE(upperA < lowerA && lowerA < upperB);
  // An absent value first; key columns in key order; no key columns: the id backwards.
  Bytes row = RowBuilder().Int(2, -1).Text(5, "x").Build(0x01020304);
  EXPECT_EQ(KeyOf(row, {3, 5, 2}), Stored({0, 1, 0xB3, 0, 1, 0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(KeyOf(row, {}), Stored({4, 3, 2, 1}));
  SortKeyBuilder keys;
  keys.BuildName(reinterpret_cast<const uint8_t*>("Ab"), 2);
  EXPECT_EQ(keys.Key(), Stored({1, 1, 0x48, 0x59, 0}));
}

TEST(DatabaseFile, ARowWithAnUnknownTypeIsReportedAndRefused) {
  TempFolder folder;
  std::unique_ptr<PageStore> store = MakeStore(folder.Path("u.db"));
  ASSERT_TRUE(CreateTableStorage(*store, "t"));
  qvtest::ReportCapture reports;
  EXPECT_FALSE(InsertRow(*store, "t", RowBuilder().Value(0, 10, Stored({0, 0, 0, 0})).Build(1)));
  EXPECT_EQ(store->LastError().code, StorageErrorCode::kBadRecord);
  EXPECT_TRUE(reports.HasCondition("0"));
  EXPECT_FALSE(InsertRow(*store, "t", RowBuilder().Text(1, std::string(8200, 'x')).Build(2)));
  EXPECT_TRUE(reports.HasCondition("dataLen <= maxRecordBlockLength"));
}
