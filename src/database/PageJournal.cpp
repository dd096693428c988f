#include "database/PageJournal.h"

#include <emmintrin.h>

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

// The running sums of a Fletcher-style sum: a gains each 32-bit word, b gains a after each.
struct FletcherSums {
  uint64_t a, b;
};

void AddWords(FletcherSums* sums, const uint8_t* bytes, uint32_t words) {
  for (uint32_t i = 0; i < words; ++i) {
    uint32_t word;
    std::memcpy(&word, bytes + 4 * i, 4);
    sums->a += word;
    sums->b += sums->a;
  }
}

// The same sums over groups of four words, four lanes at once: lane j sums the words 4k + j
// and its own running sums. Over G groups, word 4k + j adds to b once for each of the
// 4 (G - k) - j words from it on, the lane's b counts it G - k times, and a counts it once.
__attribute__((target("sse2"))) void AddWordGroups(FletcherSums* sums, const uint8_t* bytes,
                                                   uint32_t groups) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a01 = zero, a23 = zero, b01 = zero, b23 = zero;
  for (uint32_t g = 0; g < groups; ++g) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * g));
    a01 = _mm_add_epi64(a01, _mm_unpacklo_epi32(w, zero));
    a23 = _mm_add_epi64(a23, _mm_unpackhi_epi32(w, zero));
    b01 = _mm_add_epi64(b01, a01);
    b23 = _mm_add_epi64(b23, a23);
  }
  uint64_t a[4], b[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(a), a01);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(a + 2), a23);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(b), b01);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 2), b23);
  sums->b += uint64_t{4} * groups * sums->a + 4 * (b[0] + b[1] + b[2] + b[3]) - a[1] -
             2 * a[2] - 3 * a[3];
  sums->a += a[0] + a[1] + a[2] + a[3];
}

// A Fletcher-style sum over 32-bit words (host order), seeded with the journal's salt; a
// trailing part of a word is not summed. Journals on disk are verified with it: the lanes
// give exactly the serial sums.
uint32_t Checksum(uint32_t salt, const uint8_t* bytes, uint32_t count) {
  static const bool kLanes = __builtin_cpu_supports("sse2");
  FletcherSums sums{salt | 1u, salt};
  const uint32_t groups = kLanes ? count / 16 : 0;
  if (groups) AddWordGroups(&sums, bytes, groups);
  AddWords(&sums, bytes + 16 * groups, (count - 16 * groups) / 4);
  const uint64_t a = sums.a, b = sums.b;
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

// Records wait in memory and reach the file this many at a time (128 KB), each write of a
// record being a system call that cost more than making the record.
constexpr uint32_t kBatchRecords = 32;

PageJournal::PageJournal(StorageFileSystem& fs, std::string path)
    : mFs(fs), mPath(std::move(path)) {}

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
  mPending = 0;
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
  if (mPending == kBatchRecords && !WritePending(error)) return false;
  mBatch.resize(size_t{kBatchRecords} * kJournalRecordSize);
  uint8_t* const record = mBatch.data() + size_t{mPending} * kJournalRecordSize;
  StoreBigEndian32(record, page);
  std::memcpy(record + 4, image, kDbPageSize);
  uint32_t sum = Checksum(mSalt, record, 4 + kDbPageSize);
  StoreBigEndian32(record + 4 + kDbPageSize, sum);
  ++mPending;
  mSaved[page] = true;
  mUnsynced = true;
  return true;
}

bool PageJournal::WritePending(StorageError* error) {
  if (mPending == 0) return true;
  if (!mFile->WriteAt(RecordOffset(mRecords), mBatch.data(), mPending * kJournalRecordSize)) {
    // Not kept after all: a later try journals these pages again.
    for (uint32_t k = 0; k < mPending; ++k) {
      const uint32_t page = LoadBigEndian32(mBatch.data() + size_t{k} * kJournalRecordSize);
      if (page < mSaved.size()) mSaved[page] = false;
    }
    mPending = 0;
    return IOFailure(error, "cannot write the journal", *mFile);
  }
  mRecords += mPending;
  mPending = 0;
  return true;
}

bool PageJournal::Sync(StorageError* error) {
  if (!WritePending(error)) return false;
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
  mPending = 0;
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
