// Helpers of the storage tests: rows, a tree checker that trusts nothing the cursors do, a
// random workload with its model, a file system that loses power on cue, and a temp folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "database/PageStore.h"
#include "database/TableCursor.h"
#include "StorageChecker.h"

namespace dbtest {


// A row record built column by column (values in the file's byte order).
class RowBuilder {
 public:
  RowBuilder& Value(uint8_t column, uint8_t type, const Bytes& value);
  RowBuilder& Int(uint8_t column, int32_t value);
  RowBuilder& Text(uint8_t column, const std::string& text, uint8_t type = kDbVarChar);
  Bytes Build(uint32_t id) const;

 private:
  Bytes mValues;
};

// Rows of most tests: key text in column 0, payload bytes in column 1, keyed by column 0.
const Bytes kKeyColumn = {0};
Bytes KeyedRow(uint32_t id, const std::string& key, const std::string& payload);
std::string RowText(const uint8_t* record, uint32_t length, uint8_t column);
std::unique_ptr<TableCursor> KeyedCursor(PageStore& store, const char* table);
// Seeks the key the cursor gives row; then inserts it there.
bool SeekRow(TableCursor& cursor, const Bytes& row, bool* exact);
bool InsertRow(TableCursor& cursor, const Bytes& row);
bool InsertRow(PageStore& store, const char* table, const Bytes& row);
// Stands the cursor on a live keyed row with exactly key; false when there is none.
bool SeekLive(TableCursor& cursor, const std::string& key);
Bytes ReadFile(const std::string& path);

TreeReport CheckTable(PageStore& store, const std::string& name);  // keyed by column 0
TreeReport CheckDirectory(PageStore& store);
// The live keyed rows a report holds, as key -> payload.
std::multimap<std::string, std::string> Content(const TreeReport& report);

// Random transactions over table "t" (unique keys) and their model. The same seed gives the
// same transactions whether or not a store takes them, so a parent can replay a child's work.
class Workload {
 public:
  using Model = std::multimap<std::string, std::string>;

  explicit Workload(uint32_t seed) : mRandom(seed) {}
  // Runs one random transaction on the model, and on store when given, and ends it: 1 when
  // it committed, 0 when it rolled back, -1 when the store failed.
  int Step(PageStore* store);
  Model& model() { return mModel; }

 private:
  std::mt19937 mRandom;
  Model mModel;
};

// A file system in memory whose files keep what was synced apart from what was only written,
// as a disk's cache does; PowerLoss gives the files a machine would find after losing power.
class SimulatedFileSystem : public StorageFileSystem {
 public:
  struct File;
  SimulatedFileSystem();
  ~SimulatedFileSystem() override;

  std::unique_ptr<StorageFile> Open(const char* path, StorageOpenMode mode, bool lock,
                                    int* error) override;
  bool Exists(const char* path) override;
  bool Remove(const char* path, int* error) override;
  bool SyncFolder(const char* path, int* error) override;
  std::unique_ptr<StorageFile> OpenTemporary(int* error) override;

  // After this many more calls every call fails: the power is gone.
  void CutPowerAfter(uint64_t calls) { mCallsLeft = calls; }
  // While set, reads of temporary files fail (EIO) and everything else works.
  void FailTemporaryReads(bool fail) { mTemporaryReadsFail = fail; }
  bool TemporaryReadsFail() const { return mTemporaryReadsFail; }
  // What is left: synced data and folder entries, plus a random subset of the later writes,
  // each torn at 512-byte sectors.
  std::unique_ptr<SimulatedFileSystem> PowerLoss(std::mt19937& random) const;
  Bytes Contents(const std::string& path) const;
  void SetContents(const std::string& path, const Bytes& bytes);
  bool Call(int* error);

 private:
  std::map<std::string, std::shared_ptr<File>> mFiles;
  uint64_t mCallsLeft = ~uint64_t{0};
  bool mTemporaryReadsFail = false;
};

// A fresh folder under the temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  std::string Path(const char* name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// A new database with the given tables committed, in a temp folder or in fs.
struct TestDatabase {
  TempFolder folder;
  StorageFileSystem& fs;
  std::string path;
  std::unique_ptr<PageStore> store;

  explicit TestDatabase(std::initializer_list<const char*> tables = {},
                        StorageFileSystem& files = StorageFileSystem::Posix());
  void Reopen();
  // The keys of a keyed table's live rows, each followed by a blank; checked first.
  std::string Keys(const char* table);
  bool JournalExists() { return fs.Exists((path + "-journal").c_str()); }
};

// A random test's end of a transaction, its models following: way 0 rolls back (the committed
// rows come back), 1 reopens the database (which keeps what was done), any other commits.
template <typename Model>
void EndTransaction(TestDatabase& h, uint32_t way, Model& current, Model& committed) {
  if (way == 0) {
    ASSERT_TRUE(h.store->Rollback());
    current = committed;
    return;
  }
  if (way == 1) {
    h.Reopen();
  } else {
    ASSERT_TRUE(h.store->Commit());
  }
  committed = current;
}

}  // namespace dbtest
