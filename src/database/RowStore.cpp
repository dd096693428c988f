#include "database/RowStore.h"

#include <unistd.h>

#include <cerrno>
#include <limits>

#include "core/CLocale.h"
#include "core/TemporaryFile.h"
#include "database/StorageFile.h"

namespace {

constexpr uint64_t kIndexEntrySize = sizeof(uint64_t);
// A row read whole is at most this long (its bytes are held in memory).
constexpr uint64_t kLargestWholeRow = 0x7FFFFFF0u;

DataFile* NewTemporaryFile(int32_t* error) {
  int host = 0;
  const int fd = TemporaryFile::Anonymous(&host);
  DataFile* file = fd >= 0 ? DataFile::Create() : nullptr;
  if (file && file->OpenDescriptor(fd, kHandleTypeFileNumber)) return file;
  if (fd >= 0) host = file && file->lastError ? file->lastError : ENOMEM;
  if (fd >= 0 && !file) close(fd);
  delete file;
  if (error) *error = host;
  return nullptr;
}

// Notes the first failure of a file: it is why the store's rows cannot be trusted.
bool Failed(RowStore* store, const DataFile* file) {
  if (!store->error) store->error = file->lastError ? file->lastError : EIO;
  return false;
}

bool ReadOffset(RowStore* store, int32_t i, uint64_t* offset) {
  if (i < 0 || i >= store->count) return false;
  if (i == store->lastEntry) {
    *offset = store->lastOffset;
    return true;
  }
  const bool placed = store->indexAt == i ||
                      store->index->SetPosition(kIndexEntrySize * uint32_t(i));
  int32_t bytesRead = 0;
  const bool read = placed && store->index->Read(offset, sizeof *offset, &bytesRead) &&
                    bytesRead == sizeof *offset;
  if (!read) Failed(store, store->index);
  store->indexAt = read ? i + 1 : -1;
  store->lastEntry = read ? i : -1;
  store->lastOffset = *offset;
  return read;
}

bool PlaceData(RowStore* store, uint64_t offset) {
  if (store->dataAt >= 0 && uint64_t(store->dataAt) == offset) return true;
  store->dataAt = store->data->SetPosition(offset) ? int64_t(offset) : -1;
  return store->dataAt >= 0 || Failed(store, store->data);
}

// Where the next row goes: the end of the data.
int64_t DataEnd(RowStore* store) {
  if (store->callerWrote) return store->data->GetPosition();
  return store->dataEnd >= 0 ? store->dataEnd : store->data->GetLength();
}

// Records the offset of row "count" at the end of the index, with the data file placed there.
bool AddEntry(RowStore* store, uint64_t offset) {
  if (store->count == std::numeric_limits<int32_t>::max()) return false;
  const bool written =
      PlaceData(store, offset) &&
      (store->indexAt == store->count ||
       store->index->SetPosition(kIndexEntrySize * uint32_t(store->count))) &&
      store->index->Write(&offset, sizeof offset);
  store->indexAt = written ? store->count + 1 : -1;
  if (!written) return Failed(store, store->index);
  ++store->count;
  return true;
}

}  // namespace

RowStore* RowStoreCreate(int32_t* error) {
  DataFile* index = NewTemporaryFile(error);
  DataFile* data = index ? NewTemporaryFile(error) : nullptr;
  if (!data) {
    delete index;
    return nullptr;
  }
  return new RowStore{0, index, data, -1, -1, -1, false, -1, 0, 0};
}

bool RowStoreFlush(RowStore* store) {
  if (!store) return false;
  for (DataFile* file : {store->index, store->data}) {
    file->lastError = 0;
    file->Flush();
    if (file->lastError) Failed(store, file);
  }
  return store->error == 0;
}

int32_t RowStoreError(const RowStore* store) { return store ? store->error : 0; }

std::string TemporaryFileProblem(int32_t error, TemporaryFileUse use) {
  return std::string(use == TemporaryFileUse::kReading
                         ? "The rows kept in a temporary file cannot be read: "
                         : "The rows cannot be kept in a temporary file: ") +
         ErrorText(error);
}

DataFile* RowStoreAppendRow(RowStore* store) {
  if (!store) return nullptr;
  const int64_t end = DataEnd(store);
  const bool added = end >= 0 && AddEntry(store, uint64_t(end));
  // The caller's writes move the data file on from here.
  store->callerWrote = added;
  store->dataAt = store->dataEnd = -1;
  return added ? store->data : nullptr;
}

bool RowStoreAppendBytes(RowStore* store, const void* bytes, uint32_t size) {
  if (!store || size > kLargestWholeRow) return false;
  const int64_t end = DataEnd(store);
  store->callerWrote = false;
  if (end < 0 || !AddEntry(store, uint64_t(end))) return false;
  if (size && !store->data->Write(bytes, int32_t(size))) {
    Failed(store, store->data);
    store->dataAt = store->dataEnd = -1;
    --store->count;  // the entry stays behind in the index, unused
    store->indexAt = -1;
    return false;
  }
  store->dataAt = store->dataEnd = end + int64_t(size);
  return true;
}

DataFile* RowStoreSeekRow(RowStore* store, int32_t i) {
  uint64_t offset;
  if (!store || !ReadOffset(store, i, &offset)) return nullptr;
  store->callerWrote = false;
  const bool placed = PlaceData(store, offset);
  store->dataAt = -1;  // the caller's reads move the data file on from here
  return placed ? store->data : nullptr;
}

bool RowStoreReadRow(RowStore* store, int32_t i, std::vector<uint8_t>* bytes) {
  uint64_t offset, end;
  if (!store || !ReadOffset(store, i, &offset)) return false;
  if (i + 1 < store->count) {
    if (!ReadOffset(store, i + 1, &end)) return false;
  } else {
    const int64_t length = DataEnd(store);
    store->callerWrote = false;
    if (length < 0) return false;
    store->dataEnd = length;
    end = uint64_t(length);
  }
  if (end < offset || end - offset > kLargestWholeRow) return false;
  const uint32_t size = uint32_t(end - offset);
  store->callerWrote = false;
  bytes->resize(size);
  int32_t got = 0;
  if (!PlaceData(store, offset) ||
      (size && (!store->data->Read(bytes->data(), int32_t(size), &got) || uint32_t(got) != size))) {
    store->dataAt = -1;
    return Failed(store, store->data);
  }
  store->dataAt = int64_t(end);
  return true;
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
