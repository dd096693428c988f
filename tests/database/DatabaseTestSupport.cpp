#include "database/DatabaseTestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "database/TableDirectory.h"

namespace dbtest {

// ---- rows ----

RowBuilder& RowBuilder::Value(uint8_t column, uint8_t type, const Bytes& value) {
  mValues.push_back(column);
  mValues.push_back(type);
  mValues.insert(mValues.end(), value.begin(), value.end());
  return *this;
}

RowBuilder& RowBuilder::Int(uint8_t column, int32_t value) {
  Bytes bytes(4);
  StoreBigEndian32(bytes.data(), static_cast<uint32_t>(value));
  return Value(column, kDbInteger, bytes);
}

RowBuilder& RowBuilder::Text(uint8_t column, const std::string& text, uint8_t type) {
  Bytes bytes(4);
  StoreBigEndian32(bytes.data(), static_cast<uint32_t>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
  return Value(column, type, bytes);
}

Bytes RowBuilder::Build(uint32_t id) const {
  Bytes record(kDbRowValues);
  StoreBigEndian16(record.data(), static_cast<uint16_t>(kDbRowValues + mValues.size()));
  StoreBigEndian32(record.data() + kDbRowId, id);
  record.insert(record.end(), mValues.begin(), mValues.end());
  return record;
}

Bytes KeyedRow(uint32_t id, const std::string& key, const std::string& payload) {
  return RowBuilder().Text(0, key).Text(1, payload, kDbBytes).Build(id);
}

std::string RowText(const uint8_t* record, uint32_t length, uint8_t column) {
  DbColumnValue value;
  if (!FindRowColumn(record, length, column, &value)) return "<absent>";
  return std::string(reinterpret_cast<const char*>(value.value) + 4, value.size - 4);
}

std::unique_ptr<TableCursor> KeyedCursor(PageStore& store, const char* table) {
  return OpenTableCursor(store, table, nullptr, 0, kKeyColumn.data(), 1);
}

bool SeekRow(TableCursor& cursor, const Bytes& row, bool* exact) {
  Bytes key;
  return cursor.KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key) &&
         cursor.Seek(key.data(), static_cast<uint32_t>(key.size()), exact);
}

bool InsertRow(TableCursor& cursor, const Bytes& row) {
  bool exact = false;
  return SeekRow(cursor, row, &exact) &&
         cursor.Insert(row.data(), static_cast<uint32_t>(row.size()));
}

bool InsertRow(PageStore& store, const char* table, const Bytes& row) {
  std::unique_ptr<TableCursor> cursor = KeyedCursor(store, table);
  return cursor && InsertRow(*cursor, row);
}

bool SeekLive(TableCursor& cursor, const std::string& key) {
  bool exact = false;
  return SeekRow(cursor, KeyedRow(0, key, ""), &exact) && exact;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- the tree checker ----

TreeReport CheckTable(PageStore& store, const std::string& name) {
  return CheckStoredTable(store, name, kKeyColumn);
}

TreeReport CheckDirectory(PageStore& store) { return CheckDirectoryTree(store); }

std::multimap<std::string, std::string> Content(const TreeReport& report) {
  std::multimap<std::string, std::string> content;
  for (const Bytes& row : report.live) {
    uint32_t length = static_cast<uint32_t>(row.size());
    content.emplace(RowText(row.data(), length, 0), RowText(row.data(), length, 1));
  }
  return content;
}

// ---- the workload ----

namespace {

// kind 0 inserts, 1 deletes, 2 replaces the row of key by {newKey, payload}.
bool Change(PageStore& store, int kind, const std::string& key, const std::string& newKey,
            const std::string& payload) {
  std::unique_ptr<TableCursor> cursor = KeyedCursor(store, "t");
  if (!cursor) return false;
  if (kind == 0) return InsertRow(*cursor, KeyedRow(store.NextRecordId(), key, payload));
  if (!SeekLive(*cursor, key)) return false;
  if (kind == 1) return cursor->DeleteCurrent();
  Bytes row = KeyedRow(0, newKey, payload);
  return cursor->UpdateCurrent(row.data(), static_cast<uint32_t>(row.size())) && cursor->Close();
}

}  // namespace

int Workload::Step(PageStore* store) {
  Model before = mModel;
  uint32_t changes = 1 + mRandom() % 8;
  for (uint32_t i = 0; i < changes; ++i) {
    uint32_t choice = mRandom() % 10;
    std::string key = "k" + std::to_string(mRandom() % 3000);
    std::string payload(10 + mRandom() % 1500, 'a' + static_cast<char>(mRandom() % 26));
    if (!mModel.empty() && choice >= 4)
      key = std::next(mModel.begin(), mRandom() % mModel.size())->first;
    int kind = !mModel.count(key) ? 0 : choice < 7 ? 1 : 2;
    std::string newKey = kind == 2 && choice == 9 ? "k" + std::to_string(mRandom() % 3000) : key;
    if (mModel.count(newKey) && newKey != key) continue;  // the store would refuse it
    if (store && !Change(*store, kind, key, newKey, payload)) return -1;
    mModel.erase(key);
    if (kind != 1) mModel.emplace(newKey, payload);
  }
  if (mRandom() % 4 == 0) {
    mModel = before;
    return store && !store->Rollback() ? -1 : 0;
  }
  return store && !store->Commit() ? -1 : 1;
}

// ---- the simulated file system ----

struct SimulatedFileSystem::File {
  struct Change {
    uint64_t offset;  // the length, for a change of length
    Bytes bytes;
    bool setsLength;
  };
  Bytes durable;
  Bytes current;
  std::vector<Change> pending;
  bool exists = false;
  bool existsDurably = false;
};

namespace {

void WriteInto(Bytes& into, uint64_t offset, const uint8_t* bytes, uint64_t count) {
  if (into.size() < offset + count) into.resize(offset + count);
  std::copy(bytes, bytes + count, into.begin() + static_cast<ptrdiff_t>(offset));
}

class SimulatedFile : public StorageFile {
 public:
  SimulatedFile(SimulatedFileSystem& fs, std::shared_ptr<SimulatedFileSystem::File> file,
                bool temporary = false)
      : mFs(fs), mFile(std::move(file)), mTemporary(temporary) {}

  bool ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* got) override {
    if (!mFs.Call(&mLastError)) return false;
    if (mTemporary && mFs.TemporaryReadsFail()) {
      mLastError = EIO;
      return false;
    }
    uint64_t size = mFile->current.size();
    *got = offset >= size ? 0 : static_cast<uint32_t>(std::min<uint64_t>(count, size - offset));
    if (*got) std::memcpy(buffer, mFile->current.data() + offset, *got);
    return true;
  }
  bool WriteAt(uint64_t offset, const void* bytes, uint32_t count) override {
    if (!mFs.Call(&mLastError)) return false;
    auto* from = static_cast<const uint8_t*>(bytes);
    WriteInto(mFile->current, offset, from, count);
    mFile->pending.push_back({offset, Bytes(from, from + count), false});
    return true;
  }
  bool Sync() override {
    if (!mFs.Call(&mLastError)) return false;
    mFile->durable = mFile->current;
    mFile->pending.clear();
    return true;
  }
  bool SetLength(uint64_t length) override {
    if (!mFs.Call(&mLastError)) return false;
    mFile->current.resize(length);
    mFile->pending.push_back({length, Bytes(), true});
    return true;
  }
  bool GetLength(uint64_t* length) override {
    *length = mFile->current.size();
    return mFs.Call(&mLastError);
  }

 private:
  SimulatedFileSystem& mFs;
  std::shared_ptr<SimulatedFileSystem::File> mFile;
  bool mTemporary;
};

}  // namespace

SimulatedFileSystem::SimulatedFileSystem() = default;
SimulatedFileSystem::~SimulatedFileSystem() = default;

bool SimulatedFileSystem::Call(int* error) {
  if (mCallsLeft == 0) *error = EIO;
  return mCallsLeft == 0 ? false : (--mCallsLeft, true);
}

std::unique_ptr<StorageFile> SimulatedFileSystem::Open(const char* path, StorageOpenMode mode, bool,
                                                       int* error) {
  if (!Call(error)) return nullptr;
  std::shared_ptr<File>& file = mFiles[path];
  if (!file) file = std::make_shared<File>();
  if (mode == StorageOpenMode::kCreate) {
    file->exists = true;
    file->current.clear();
    file->pending.push_back({0, Bytes(), true});
  }
  if (!file->exists) *error = ENOENT;
  return file->exists ? std::make_unique<SimulatedFile>(*this, file) : nullptr;
}

bool SimulatedFileSystem::Exists(const char* path) {
  auto found = mFiles.find(path);
  return found != mFiles.end() && found->second->exists;
}

bool SimulatedFileSystem::Remove(const char* path, int* error) {
  if (!Call(error)) return false;
  if (mFiles.count(path)) mFiles[path]->exists = false;
  return true;
}

bool SimulatedFileSystem::SyncFolder(const char*, int* error) {
  if (!Call(error)) return false;
  for (auto& [path, file] : mFiles) file->existsDurably = file->exists;
  return true;
}

std::unique_ptr<StorageFile> SimulatedFileSystem::OpenTemporary(int* error) {
  return Call(error) ? std::make_unique<SimulatedFile>(*this, std::make_shared<File>(), true)
                     : nullptr;
}

std::unique_ptr<SimulatedFileSystem> SimulatedFileSystem::PowerLoss(std::mt19937& random) const {
  auto after = std::make_unique<SimulatedFileSystem>();
  for (const auto& [path, file] : mFiles) {
    if (!file->existsDurably) continue;
    Bytes bytes = file->durable;
    for (const File::Change& change : file->pending) {
      if (random() % 2) continue;
      if (change.setsLength) bytes.resize(change.offset);
      // Sector by sector: a write that was in flight reaches the device in part.
      for (uint64_t at = change.offset, end = at + change.bytes.size(); at < end;) {
        uint64_t next = std::min<uint64_t>((at / 512 + 1) * 512, end);
        if (random() % 4)
          WriteInto(bytes, at, change.bytes.data() + (at - change.offset), next - at);
        at = next;
      }
    }
    after->SetContents(path, bytes);
  }
  return after;
}

Bytes SimulatedFileSystem::Contents(const std::string& path) const {
  auto found = mFiles.find(path);
  return found == mFiles.end() ? Bytes() : found->second->current;
}

void SimulatedFileSystem::SetContents(const std::string& path, const Bytes& bytes) {
  auto file = std::make_shared<File>();
  file->durable = file->current = bytes;
  file->exists = file->existsDurably = true;
  mFiles[path] = file;
}

// ---- temporary folders ----

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvdbtestXXXXXX";
  if (mkdtemp(pattern.data())) mPath = pattern;
}

TempFolder::~TempFolder() {
  if (DIR* folder = opendir(mPath.c_str())) {
    while (dirent* entry = readdir(folder))
      if (entry->d_name[0] != '.') unlink(Path(entry->d_name).c_str());
    closedir(folder);
  }
  rmdir(mPath.c_str());
}

TestDatabase::TestDatabase(std::initializer_list<const char*> tables, StorageFileSystem& files)
    : fs(files), path(&files == &StorageFileSystem::Posix() ? folder.Path("test.db") : "/test.db") {
  StorageError error;
  store = PageStore::Create(path.c_str(), &error, fs);
  for (const char* table : tables) EXPECT_TRUE(CreateTableStorage(*store, table));
  EXPECT_TRUE(store->Commit());
}

void TestDatabase::Reopen() {
  store.reset();
  StorageError error;
  store = PageStore::Open(path.c_str(), &error, fs);
  ASSERT_TRUE(store) << error.message;
}

std::string TestDatabase::Keys(const char* table) {
  TreeReport report = CheckTable(*store, table);
  EXPECT_EQ(report.problem, "");
  std::string keys;
  for (const auto& [key, payload] : Content(report)) keys += key + " ";
  return keys;
}

}  // namespace dbtest
