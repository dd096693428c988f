// The built-in engine's database file: one input is the whole file. It is opened, every table
// the directory names is scanned and searched, a few rows are inserted, and the transaction is
// committed or rolled back. Whatever the bytes, each step succeeds or leaves a storage error;
// nothing crashes or runs on without end. The file lies in a folder in memory when there is
// one, so that syncs cost nothing.
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "database/PageStore.h"
#include "database/TableCursor.h"
#include "database/TableDirectory.h"

namespace {

std::string FilePath() {
  static const std::string path = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    std::string pattern = std::string(base ? base : "/tmp") + "/qvdbfuzzXXXXXX";
    return std::string(mkdtemp(pattern.data())) + "/fuzz.db";
  }();
  return path;
}

// A row {0: text, 1: integer} of the given size.
std::vector<uint8_t> Row(uint32_t id, uint32_t textLength) {
  std::vector<uint8_t> row(kDbRowValues + 6 + textLength + 6, 'r');
  StoreBigEndian16(row.data(), static_cast<uint16_t>(row.size()));
  StoreBigEndian32(row.data() + kDbRowId, id);
  row[10] = 0;
  row[11] = kDbVarChar;
  StoreBigEndian32(row.data() + 12, textLength);
  uint8_t* integer = row.data() + 16 + textLength;
  integer[0] = 1;
  integer[1] = kDbInteger;
  StoreBigEndian32(integer + 2, id);
  return row;
}

void ScanAndInsert(PageStore& store, const std::string& name, const uint8_t* keys, uint32_t count) {
  std::unique_ptr<TableCursor> cursor =
      OpenTableCursor(store, name.c_str(), nullptr, 0, keys, count);
  if (!cursor) return;
  uint32_t rows = 0;
  std::vector<uint8_t> firstKey;
  while (cursor->NextMatching()) {
    QV_FUZZ_EXPECT(++rows <= store.PageCount() * kDbPayloadSize / kDbRecordPrefixSize);
    uint32_t length = 0;
    const uint8_t* record = cursor->CurrentRecord(&length);
    if (firstKey.empty()) cursor->KeyOf(record, length, &firstKey);
  }
  bool exact = false;
  if (!firstKey.empty())
    QV_FUZZ_EXPECT(cursor->Seek(firstKey.data(), static_cast<uint32_t>(firstKey.size()), &exact) ||
                   store.LastError());
  // An empty text, a short one, and one that fills most of a page and splits it. Keys are built
  // byte by byte, so longer texts would only slow the run down.
  for (uint32_t textLength : {0u, 200u, 5000u}) {
    std::vector<uint8_t> row = Row(store.NextRecordId(), textLength), key;
    bool inserted = cursor->KeyOf(row.data(), static_cast<uint32_t>(row.size()), &key) &&
                    cursor->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) &&
                    cursor->Insert(row.data(), static_cast<uint32_t>(row.size()));
    QV_FUZZ_EXPECT(inserted || store.LastError());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  const std::string path = FilePath();
  unlink((path + "-journal").c_str());
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Open(path.c_str(), &error);
  if (!store) {
    QV_FUZZ_EXPECT(error);
    return 0;
  }
  std::vector<std::string> names;
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(*store);
  while (directory->NextMatching() && names.size() < 64) {
    uint32_t length = 0;
    const uint8_t* record = directory->CurrentRecord(&length);
    names.emplace_back(reinterpret_cast<const char*>(record + kDbDirectoryName),
                       LoadBigEndian32(record + kDbDirectoryNameLength));
  }
  directory.reset();
  const uint8_t keyColumn = 0;
  for (const std::string& name : names) {
    ScanAndInsert(*store, name, &keyColumn, 1);
    ScanAndInsert(*store, name, nullptr, 0);
  }
  if (size % 2)
    store->Commit();
  else
    store->Rollback();
  return 0;
}
