// Damaged files: a few thousand seeded mutations of a small database (its header, page kinds,
// used lengths, record lengths, statuses, value types, child and root numbers, cycles and cut
// files) each give a storage error or a sound result; never a crash, a hang or a report.
#include <gtest/gtest.h>

#include <random>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"
#include "support/TestSupport.h"

using namespace dbtest;

namespace {

const char* const kPath = "/d.db";

// Two tables, one of them two levels deep with deleted records.
Bytes SmallDatabase() {
  SimulatedFileSystem disk;
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(kPath, &error, disk);
  EXPECT_TRUE(CreateTableStorage(*store, "a") && CreateTableStorage(*store, "b"));
  std::unique_ptr<TableCursor> cursor = KeyedCursor(*store, "a");
  for (int n = 0; n < 90; ++n) {
    EXPECT_TRUE(InsertRow(
        *cursor, KeyedRow(n, "a" + std::to_string(n), std::string(n % 3 ? 200 : 900, 'v'))));
    EXPECT_TRUE(n % 10 || cursor->DeleteCurrent());
  }
  cursor.reset();
  EXPECT_TRUE(store->Commit());
  store.reset();
  return disk.Contents(kPath);
}

// Where the records of a sound file start.
std::vector<uint32_t> RecordOffsets(const Bytes& file) {
  std::vector<uint32_t> offsets;
  for (uint32_t page = 0; page < DbPageCountOfLength(file.size()); ++page) {
    uint32_t start = static_cast<uint32_t>(DbPageOffset(page)) + kDbPageHeaderSize;
    for (uint32_t at = 0; at < LoadBigEndian16(file.data() + start - 2);
         at += LoadBigEndian16(file.data() + start + at))
      offsets.push_back(start + at);
  }
  return offsets;
}

// One field of a sound file gets another value: a header word, a page's kind or used length, a
// record's length, status or first value type, a child or root number (any page, one past the
// file, or the page that holds it: a cycle), or any byte. Or the file is cut short.
void Mutate(Bytes& file, const std::vector<uint32_t>& records, std::mt19937& random) {
  uint32_t pages = static_cast<uint32_t>(DbPageCountOfLength(file.size()));
  uint8_t* page = file.data() + DbPageOffset(random() % pages);
  uint32_t at = records[random() % records.size()], own = (at - kDbFileHeaderSize) / kDbPageSize;
  uint8_t* record = file.data() + at;
  struct Field {
    uint8_t* at;
    int width;
    uint32_t value;
  } fields[] = {
      {file.data() + random() % 21, 4, static_cast<uint32_t>(random())},
      {page, 4, random() % 2 ? kDbIndexPage : kDbDirectoryLeaf - 1 + random() % 3},
      {page + kDbPageUsed, 2, static_cast<uint32_t>(random() % 9000)},
      {record, 2, random() % 2 ? random() % 9000 : RecordLength(record) + random() % 9 - 4},
      {record + kDbRecordStatus, 1, random() % 2 ? 'X' : uint32_t{'D'}},
      {record + kDbRowValues + 1, 1, static_cast<uint32_t>(random() % 20)},
      {record + (random() % 2 ? kDbIndexChild : kDbDirectoryRoot), 4,
       random() % 2 ? random() % (pages + 3) : own},
      {file.data() + kDbHeaderDirectoryRoot, 4, random() % (pages + 2)},
      {page + random() % kDbPageSize, 1, static_cast<uint32_t>(random())},
  };
  if (random() % 10 == 0) return file.resize(random() % file.size());
  const Field& field = fields[random() % 9];
  for (int i = 0; i < field.width; ++i)
    field.at[i] = static_cast<uint8_t>(field.value >> (8 * (field.width - 1 - i)));
}

// Everything a reader and a small writer do; every failure must leave a storage error.
void Exercise(PageStore& store) {
  std::vector<std::string> names;
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(store);
  for (uint32_t length = 0; directory->NextMatching() && names.size() < 100;) {
    const uint8_t* record = directory->CurrentRecord(&length);
    names.emplace_back(reinterpret_cast<const char*>(record + kDbDirectoryName),
                       LoadBigEndian32(record + kDbDirectoryNameLength));
  }
  for (const std::string& name : names) {
    std::unique_ptr<TableCursor> cursor = KeyedCursor(store, name.c_str());
    for (int rows = 0; cursor && cursor->NextMatching();)
      ASSERT_LT(++rows, 100000) << "a scan without end";
    for (int n = 0; cursor && n < 5; ++n)
      ASSERT_TRUE(
          InsertRow(*cursor, KeyedRow(1000 + n, "z" + std::to_string(n), std::string(3000, 'w'))) ||
          store.LastError())
          << "a failure without a storage error";
  }
  if (store.TransactionOpen()) store.Commit();
}

}  // namespace

TEST(DatabaseDamage, MutatedFilesGiveAStorageErrorOrASoundResult) {
  Bytes sound = SmallDatabase();
  std::vector<uint32_t> records = RecordOffsets(sound);
  ASSERT_GE(DbPageCountOfLength(sound.size()), 5u);
  std::mt19937 random(1234);
  qvtest::ReportCapture reports;
  int opened = 0;
  for (int run = 0; run < 3000 && !HasFailure(); ++run) {
    Bytes file = sound;
    Mutate(file, records, random);
    SimulatedFileSystem disk;
    disk.SetContents(kPath, file);
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open(kPath, &error, disk);
    EXPECT_TRUE(store || error) << "run " << run;
    if (store && ++opened) Exercise(*store);
  }
  EXPECT_GT(opened, 1000);
  EXPECT_TRUE(reports.empty()) << reports.reports()[0].condition;
}
