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

Bytes SmallDatabase() {
  SimulatedFileSystem disk;
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(kPath, &error, disk);
  EXPECT_TRUE(CreateTableStorage(*store, "a") && CreateTableStorage(*store, "b"));
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(*store, "a", nullptr, 0, Workload::kKeyColumns.data(), 1);
  for (int n = 0; n < 90; ++n) {
    Bytes row = WorkloadRow(n, "a" + std::to_string(n), std::string(n % 3 ? 200 : 900, 'v')), key;
    bool exact = false;
    cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key);
    EXPECT_TRUE(cursor->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) &&
                cursor->Insert(row.data(), static_cast<uint32_t>(row.size())));
    if (n % 10 == 0) {
      EXPECT_TRUE(cursor->DeleteCurrent());
    }
  }
  cursor.reset();
  EXPECT_TRUE(store->Commit());
  store.reset();
  return disk.Contents(kPath);
}

// Where records start in each page of a sound file.
std::vector<uint32_t> RecordOffsets(const Bytes& file) {
  std::vector<uint32_t> offsets;
  for (uint64_t page = 0; page < DbPageCountOfLength(file.size()); ++page) {
    uint64_t start = DbPageOffset(static_cast<uint32_t>(page)) + kDbPageHeaderSize;
    uint32_t used = LoadBigEndian16(file.data() + start - 2);
    for (uint32_t at = 0; at < used; at += LoadBigEndian16(file.data() + start + at))
      offsets.push_back(static_cast<uint32_t>(start + at));
  }
  return offsets;
}

void Mutate(Bytes& file, const std::vector<uint32_t>& records, std::mt19937& random) {
  uint32_t pages = static_cast<uint32_t>(DbPageCountOfLength(file.size()));
  uint32_t page = static_cast<uint32_t>(DbPageOffset(random() % pages));
  uint32_t record = records[random() % records.size()];
  switch (random() % 10) {
    case 0: file[random() % 24] = static_cast<uint8_t>(random()); break;
    case 1: StoreBigEndian32(file.data() + page, random() % 2 ? kDbIndexPage : random() % 3 + kDbDirectoryLeaf - 1); break;
    case 2: StoreBigEndian16(file.data() + page + kDbPageUsed, static_cast<uint16_t>(random() % 9000)); break;
    case 3: StoreBigEndian16(file.data() + record, static_cast<uint16_t>(random() % 2 ? random() % 9000 : LoadBigEndian16(file.data() + record) + random() % 9 - 4)); break;
    case 4: file[record + kDbRecordStatus] = static_cast<uint8_t>(random() % 2 ? 'X' : 'D'); break;
    case 5: file[record + kDbRowValues + 1] = static_cast<uint8_t>(random() % 20); break;  // a value's type
    case 6:  // a child or root number: any page, one beyond the file, or its own page (a cycle)
      StoreBigEndian32(file.data() + record + (random() % 2 ? kDbIndexChild : kDbDirectoryRoot),
                       random() % 2 ? random() % (pages + 3) : (record - kDbFileHeaderSize) / kDbPageSize);
      break;
    case 7: StoreBigEndian32(file.data() + kDbHeaderDirectoryRoot, random() % (pages + 2)); break;
    case 8: file.resize(random() % file.size()); break;
    default: file[page + random() % kDbPageSize] ^= static_cast<uint8_t>(1 + random() % 255); break;
  }
}

// Everything a reader and a small writer do; every failure must leave a storage error.
void Exercise(PageStore& store) {
  std::vector<std::string> names;
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(store);
  while (directory->NextMatching() && names.size() < 100) {
    uint32_t length = 0;
    const uint8_t* record = directory->CurrentRecord(&length);
    names.emplace_back(reinterpret_cast<const char*>(record + kDbDirectoryName),
                       LoadBigEndian32(record + kDbDirectoryNameLength));
  }
  for (const std::string& name : names) {
    std::unique_ptr<TableCursor> cursor = OpenTableCursor(store, name.c_str(), nullptr, 0, Workload::kKeyColumns.data(), 1);
    if (!cursor) continue;
    int rows = 0;
    while (cursor->NextMatching()) ASSERT_LT(++rows, 100000) << "a scan that does not end";
    SeekLive(*cursor, "a17");
    for (int n = 0; n < 5; ++n) {
      Bytes row = WorkloadRow(1000 + n, "z" + std::to_string(n), std::string(3000, 'w')), key;
      bool exact = false;
      if (!cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key) ||
          !cursor->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) ||
          !cursor->Insert(row.data(), static_cast<uint32_t>(row.size()))) {
        ASSERT_TRUE(store.LastError()) << "a failure without a storage error";
      }
    }
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
  for (int run = 0; run < 3000; ++run) {
    Bytes file = sound;
    Mutate(file, records, random);
    SimulatedFileSystem disk;
    disk.SetContents(kPath, file);
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open(kPath, &error, disk);
    if (!store) {
      EXPECT_TRUE(error) << "run " << run;
      continue;
    }
    ++opened;
    Exercise(*store);
    if (HasFailure()) return;
  }
  EXPECT_GT(opened, 1000);
  EXPECT_TRUE(reports.empty()) << reports.reports()[0].condition;
}
