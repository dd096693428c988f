#include "database/TableDirectory.h"

#include <vector>

#include "core/ByteUtilities.h"

namespace {

// A directory cursor standing on the live record whose name is name; nullptr when none is.
std::unique_ptr<TableCursor> FindTable(PageStore& store, const string& name) {
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(store);
  while (directory->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = directory->CurrentRecord(&length);
    uint32_t nameLength = LoadBigEndian32(record + kDbDirectoryNameLength);
    if (ustrcmpi(reinterpret_cast<const char*>(record + kDbDirectoryName),
                 static_cast<int32_t>(nameLength), name.CString(), name.Length()) == 0)
      return directory;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<TableCursor> OpenTableCursor(PageStore& store, const string& name,
                                             const uint8_t* filter, uint32_t filterLength,
                                             const uint8_t* keyColumns, uint32_t keyCount) {
  std::unique_ptr<TableCursor> directory = FindTable(store, name);
  if (!directory) return nullptr;
  return TableCursor::OpenTable(store, std::move(directory), filter, filterLength, keyColumns,
                                keyCount);
}

bool InsertDirectoryRecord(PageStore& store, const string& name, uint32_t root) {
  store.Error().Clear();
  if (FindTable(store, name)) {
    store.Error().Set(StorageErrorCode::kNameExists, "a table of that name is stored already");
    return false;
  }
  if (store.LastError()) return false;  // the directory could not be read through
  uint32_t nameLength = static_cast<uint32_t>(name.Length());
  if (DirectoryRecordLength(nameLength) > kDbMaxRecordLength) {
    store.Error().Set(StorageErrorCode::kRecordTooLong, "the table name is too long");
    return false;
  }
  std::vector<uint8_t> record(DirectoryRecordLength(nameLength));
  BuildDirectoryRecord(record.data(), store.NextRecordId(), root, name.Bytes(), nameLength);
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(store);
  std::vector<uint8_t> key;
  bool exact = false;
  uint32_t length = static_cast<uint32_t>(record.size());
  return directory->KeyOf(record.data(), length, &key) &&
         directory->Seek(key.data(), static_cast<uint32_t>(key.size()), &exact) &&
         directory->Insert(record.data(), length);
}

bool CreateTableStorage(PageStore& store, const string& name) {
  store.Error().Clear();
  if (FindTable(store, name)) {
    store.Error().Set(StorageErrorCode::kNameExists, "a table of that name is stored already");
    return false;
  }
  PageRef root = store.NewPage(kDbRowLeaf, PageStore::kOwnPage);
  return root && InsertDirectoryRecord(store, name, root.Number());
}
