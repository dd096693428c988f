#include "database/RowStore.h"

#include <limits>

namespace {

constexpr uint64_t kIndexEntrySize = sizeof(uint64_t);

DataFile* NewTemporaryFile() {
  DataFile* file = DataFile::Create();
  if (file && !file->CreateTemporary(string())) {
    delete file;
    return nullptr;
  }
  return file;
}

bool ReadOffset(RowStore* store, int32_t i, uint64_t* offset) {
  int32_t bytesRead = 0;
  return i >= 0 && i < store->count && store->index->SetPosition(kIndexEntrySize * uint32_t(i)) &&
         store->index->Read(offset, sizeof *offset, &bytesRead) && bytesRead == sizeof *offset;
}

}  // namespace

RowStore* RowStoreCreate() {
  DataFile* index = NewTemporaryFile();
  DataFile* data = index ? NewTemporaryFile() : nullptr;
  if (!data) {
    delete index;
    return nullptr;
  }
  return new RowStore{0, index, data};
}

DataFile* RowStoreAppendRow(RowStore* store) {
  if (!store || store->count == std::numeric_limits<int32_t>::max()) return nullptr;
  const int64_t end = store->data->GetLength();
  const uint64_t offset = uint64_t(end);
  if (end < 0 || !store->data->SetPosition(offset) ||
      !store->index->SetPosition(kIndexEntrySize * uint32_t(store->count)) ||
      !store->index->Write(&offset, sizeof offset))
    return nullptr;
  ++store->count;
  return store->data;
}

DataFile* RowStoreSeekRow(RowStore* store, int32_t i) {
  uint64_t offset;
  if (!store || !ReadOffset(store, i, &offset) || !store->data->SetPosition(offset)) {
    return nullptr;
  }
  return store->data;
}

uint64_t RowStoreRowOffset(RowStore* store, int32_t i) {
  uint64_t offset;
  return store && ReadOffset(store, i, &offset) ? offset : 0;
}

int32_t RowStoreCount(const RowStore* store) { return store ? store->count : 0; }

void RowStoreDestroy(RowStore* store) {
  if (!store) return;
  delete store->index;
  delete store->data;
  delete store;
}
