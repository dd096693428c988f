#include "database/PageJournal.h"

#include <cstring>
#include <random>

#include "database/DatabaseFormat.h"

namespace {

constexpr char kJournalMagic[8] = {'q', 'v', 'd', 'b', 'j', 'r', 'n', 'l'};
constexpr uint32_t kJournalSalt = 8;
constexpr uint32_t kJournalOldLength = 16;
constexpr uint32_t kJournalOldHeader = 24;
constexpr uint32_t kJournalHeaderSum = kJournalOldHeader + kDbFileHeaderSize;  // 88
constexpr uint32_t kJournalHeaderSize = kJournalHeaderSum + 4;
constexpr uint32_t kJournalFirstRecord = 512;  // records start on a sector of their own
constexpr uint32_t kJournalRecordSize = 4 + kDbPageSize + 4;  // page number, image, checksum

// A Fletcher-style sum over 32-bit words, seeded with the journal's salt.
// Four words at a time the sum is the same (a gains their total, b four times a and each word
// as often as b would have added it), with a quarter of the serial steps.
uint32_t Checksum(uint32_t salt, const uint8_t* bytes, uint32_t count) {
  uint64_t a = salt | 1u, b = salt;
  uint32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    uint32_t w[4];
    std::memcpy(w, bytes + i, 16);
    b += 4 * a + 4 * uint64_t{w[0]} + 3 * uint64_t{w[1]} + 2 * uint64_t{w[2]} + w[3];
    a += uint64_t{w[0]} + w[1] + w[2] + w[3];
  }
  for (; i + 4 <= count; i += 4) {
    uint32_t word;
    std::memcpy(&word, bytes + i, 4);
    a += word;
    b += a;
  }
  return static_cast<uint32_t>(a ^ (a >> 32) ^ (b * 0x9E3779B1u) ^ (b >> 29));
}

uint64_t LoadBigEndian64(const uint8_t* bytes) {
  return (uint64_t{LoadBigEndian32(bytes)} << 32) | LoadBigEndian32(bytes + 4);
}

uint64_t RecordOffset(uint32_t index) {
  return kJournalFirstRecord + uint64_t{index} * kJournalRecordSize;
}

bool IOFailure(StorageError* error, const char* what, const StorageFile& file) {
  error->Set(StorageErrorCode::kIO, what, file.LastError());
  return false;
}

}  // namespace

PageJournal::PageJournal(StorageFileSystem& fs, std::string path)
    : mFs(fs), mPath(std::move(path)), mRecord(kJournalRecordSize) {}

PageJournal::~PageJournal() = default;

bool PageJournal::Start(const uint8_t* header, uint64_t fileLength, uint64_t pageCount,
                        StorageError* error) {
  if (!mFile) {
    int hostError = 0;
    mFile = mFs.Open(mPath.c_str(), StorageOpenMode::kCreate, false, &hostError);
    if (!mFile) {
      error->Set(StorageErrorCode::kIO, "cannot create the journal", hostError);
      return false;
    }
    mFolderUnsynced = true;
  }
  mSalt = std::random_device{}();
  mRecords = 0;
  mSaved.assign(pageCount, false);
  uint8_t start[kJournalHeaderSize] = {};
  std::memcpy(start, kJournalMagic, sizeof kJournalMagic);
  StoreBigEndian32(start + kJournalSalt, mSalt);
  StoreBigEndian32(start + kJournalOldLength, static_cast<uint32_t>(fileLength >> 32));
  StoreBigEndian32(start + kJournalOldLength + 4, static_cast<uint32_t>(fileLength));
  std::memcpy(start + kJournalOldHeader, header, kDbFileHeaderSize);
  StoreBigEndian32(start + kJournalHeaderSum, Checksum(mSalt, start, kJournalHeaderSum));
  if (!mFile->WriteAt(0, start, sizeof start))
    return IOFailure(error, "cannot write the journal", *mFile);
  mStarted = true;
  mUnsynced = true;
  return true;
}

bool PageJournal::Append(uint32_t page, const uint8_t* image, StorageError* error) {
  if (Holds(page)) return true;
  StoreBigEndian32(mRecord.data(), page);
  std::memcpy(mRecord.data() + 4, image, kDbPageSize);
  uint32_t sum = Checksum(mSalt, mRecord.data(), 4 + kDbPageSize);
  StoreBigEndian32(mRecord.data() + 4 + kDbPageSize, sum);
  if (!mFile->WriteAt(RecordOffset(mRecords), mRecord.data(), kJournalRecordSize))
    return IOFailure(error, "cannot write the journal", *mFile);
  ++mRecords;
  mSaved[page] = true;
  mUnsynced = true;
  return true;
}

bool PageJournal::Sync(StorageError* error) {
  if (!mUnsynced) return true;
  if (!mFile->Sync()) return IOFailure(error, "cannot sync the journal", *mFile);
  int hostError = 0;
  if (mFolderUnsynced && !mFs.SyncFolder(mPath.c_str(), &hostError)) {
    error->Set(StorageErrorCode::kIO, "cannot sync the journal's folder", hostError);
    return false;
  }
  mFolderUnsynced = false;
  mUnsynced = false;
  return true;
}

void PageJournal::Finish() {
  mStarted = false;
  mSaved.clear();
}

bool PageJournal::Discard(StorageError* error) {
  Finish();
  mFile.reset();
  int hostError = 0;
  // The removal need not be durable: a journal that comes back after a power loss lies beside
  // a closed header, where it is stale.
  if (!mFs.Remove(mPath.c_str(), &hostError)) {
    error->Set(StorageErrorCode::kIO, "cannot remove the journal", hostError);
    return false;
  }
  return true;
}

bool PageJournal::Restore(StorageFileSystem& fs, const std::string& path, StorageFile& file,
                          StorageError* error) {
  int hostError = 0;
  std::unique_ptr<StorageFile> journal =
      fs.Open(path.c_str(), StorageOpenMode::kReadOnly, false, &hostError);
  uint8_t start[kJournalHeaderSize];
  uint32_t got = 0;
  if (!journal || !journal->ReadAt(0, start, sizeof start, &got) || got != sizeof start ||
      std::memcmp(start, kJournalMagic, sizeof kJournalMagic) != 0 ||
      LoadBigEndian32(start + kJournalHeaderSum) !=
          Checksum(LoadBigEndian32(start + kJournalSalt), start, kJournalHeaderSum)) {
    error->Set(StorageErrorCode::kNeedsRecovery,
               "the file was left in a transaction and has no journal to restore it from");
    return false;
  }
  uint32_t salt = LoadBigEndian32(start + kJournalSalt);
  uint64_t oldLength = LoadBigEndian64(start + kJournalOldLength);
  std::vector<uint8_t> record(kJournalRecordSize);
  for (uint32_t index = 0;; ++index) {
    if (!journal->ReadAt(RecordOffset(index), record.data(), kJournalRecordSize, &got))
      return IOFailure(error, "cannot read the journal", *journal);
    if (got != kJournalRecordSize || LoadBigEndian32(record.data() + 4 + kDbPageSize) !=
                                         Checksum(salt, record.data(), 4 + kDbPageSize))
      break;  // the first record that was never synced ends what was kept
    uint32_t page = LoadBigEndian32(record.data());
    if (DbPageOffset(page) + kDbPageSize > oldLength) continue;  // cut away below anyway
    if (!file.WriteAt(DbPageOffset(page), record.data() + 4, kDbPageSize))
      return IOFailure(error, "cannot restore a page", file);
  }
  if (!file.SetLength(oldLength) || !file.Sync() ||
      !file.WriteAt(0, start + kJournalOldHeader, kDbFileHeaderSize) || !file.Sync())
    return IOFailure(error, "cannot restore the file", file);
  journal.reset();
  if (!fs.Remove(path.c_str(), &hostError) || !fs.SyncFolder(path.c_str(), &hostError)) {
    error->Set(StorageErrorCode::kIO, "cannot remove the journal", hostError);
    return false;
  }
  return true;
}
