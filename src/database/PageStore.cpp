#include "database/PageStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/RuntimeError.h"

namespace {

// The squeeze argument that matches no record's stamp: every stamp goes.
constexpr uint32_t kNoStamp = 0xFFFFFFFF;

// Transaction numbers whose low 24 bits are 0 are skipped: stamp 0 means "no transaction".
uint32_t FollowingTransaction(uint32_t transaction) {
  uint32_t next = transaction + 1;
  return DbStamp(next) == 0 ? next + 1 : next;
}

bool OpenFailed(StorageError* error, StorageErrorCode code, const char* text, int host = 0) {
  error->Set(code, text, host);
  return false;
}

}  // namespace

PageStore::PageStore(StorageFileSystem& fs, std::string path, std::unique_ptr<StorageFile> file,
                     bool readOnly)
    : mFs(fs),
      mPath(std::move(path)),
      mFile(std::move(file)),
      mReadOnly(readOnly),
      mJournal(fs, PageJournal::PathFor(mPath)) {}

PageStore::~PageStore() { Close(); }

// ---- opening and closing ----

std::unique_ptr<PageStore> PageStore::Create(const string& path, StorageError* error,
                                             StorageFileSystem& fs) {
  int host = 0;
  std::unique_ptr<StorageFile> file =
      fs.Open(path.CString(), StorageOpenMode::kCreate, true, &host);
  if (!file) {
    OpenFailed(error, host == EWOULDBLOCK ? StorageErrorCode::kLocked : StorageErrorCode::kIO,
               host == EWOULDBLOCK ? "the database file is already open" : "cannot create the file",
               host == EWOULDBLOCK ? 0 : host);
    return nullptr;
  }
  std::unique_ptr<PageStore> store(new PageStore(fs, path.CString(), std::move(file), false));
  // A journal of an earlier file of this name belongs to nothing now.
  if (!fs.Remove(store->mJournal.Path().c_str(), &host)) {
    OpenFailed(error, StorageErrorCode::kIO, "cannot remove an old journal", host);
    store->Abandon();
    return nullptr;
  }
  // The file as the first transaction leaves it: the header and page 0, an empty directory
  // leaf. Nothing is there to protect, so it is written whole without a journal.
  std::vector<uint8_t> image(DbPageOffset(1), 0);
  StoreBigEndian32(image.data() + kDbHeaderMagic, kDbFileMagic);
  StoreBigEndian32(image.data() + kDbHeaderVersion, kDbFileVersion);
  StoreBigEndian32(image.data() + kDbHeaderLastTransaction, 1);
  StoreBigEndian32(image.data() + kDbHeaderNextRecordId, 1);
  auto* page0 = reinterpret_cast<qvdbRecordBlock*>(image.data() + kDbFileHeaderSize);
  page0->SetKind(kDbDirectoryLeaf);
  page0->SetStamp(1);
  page0->SetNextTouched(kDbNoPage);
  if (!store->mFile->WriteAt(0, image.data(), static_cast<uint32_t>(image.size())) ||
      !store->mFile->Sync()) {
    OpenFailed(error, StorageErrorCode::kIO, "cannot write the new file",
               store->mFile->LastError());
    store->Abandon();
    return nullptr;
  }
  if (!fs.SyncFolder(path.CString(), &host)) {
    OpenFailed(error, StorageErrorCode::kIO, "cannot sync the new file's folder", host);
    store->Abandon();
    return nullptr;
  }
  std::memcpy(store->mHeader, image.data(), kDbFileHeaderSize);
  store->mTransaction = FollowingTransaction(1);
  store->mPageCount = 1;
  store->mFileLength = image.size();
  store->mOpened = true;
  return store;
}

std::unique_ptr<PageStore> PageStore::Open(const string& path, StorageError* error,
                                           StorageFileSystem& fs) {
  int host = 0;
  bool readOnly = false;
  std::unique_ptr<StorageFile> file =
      fs.Open(path.CString(), StorageOpenMode::kReadWrite, true, &host);
  if (!file && (host == EACCES || host == EROFS || host == EPERM)) {
    readOnly = true;
    file = fs.Open(path.CString(), StorageOpenMode::kReadOnly, true, &host);
  }
  if (!file) {
    if (host == EWOULDBLOCK)
      OpenFailed(error, StorageErrorCode::kLocked, "the database file is already open");
    else
      OpenFailed(error, StorageErrorCode::kIO, "cannot open the file", host);
    return nullptr;
  }
  std::unique_ptr<PageStore> store(new PageStore(fs, path.CString(), std::move(file), readOnly));
  if (!store->RecoverIfNeeded() || !store->LoadHeader()) {
    *error = store->mError;
    return nullptr;
  }
  store->mOpened = true;
  return store;
}

bool PageStore::RecoverIfNeeded() {
  uint8_t header[kDbFileHeaderSize];
  uint32_t got = 0;
  if (!mFile->ReadAt(0, header, sizeof header, &got)) return IOFailed("cannot read the header");
  if (got < sizeof header || LoadBigEndian32(header + kDbHeaderMagic) != kDbFileMagic ||
      LoadBigEndian32(header + kDbHeaderVersion) != kDbFileVersion)
    return OpenFailed(&mError, StorageErrorCode::kNotDatabase, "not a database file");
  const std::string& journal = mJournal.Path();
  if (LoadBigEndian32(header + kDbHeaderTransactionOpen) == 0) {
    int host = 0;
    // A journal beside a closed header is what a finished transaction left behind.
    if (!mReadOnly && mFs.Exists(journal.c_str()) && !mFs.Remove(journal.c_str(), &host))
      return OpenFailed(&mError, StorageErrorCode::kIO, "cannot remove a stale journal", host);
    return true;
  }
  if (mReadOnly)
    return OpenFailed(&mError, StorageErrorCode::kNeedsRecovery,
                      "the file was left in a transaction and cannot be restored read-only");
  return PageJournal::Restore(mFs, journal, *mFile, &mError);
}

bool PageStore::LoadHeader() {
  uint32_t got = 0;
  if (!mFile->ReadAt(0, mHeader, sizeof mHeader, &got) || !mFile->GetLength(&mFileLength))
    return IOFailed("cannot read the header");
  if (got < sizeof mHeader)
    return OpenFailed(&mError, StorageErrorCode::kNotDatabase, "not a database file");
  if (LoadBigEndian32(mHeader + kDbHeaderTransactionOpen) != 0)
    return OpenFailed(&mError, StorageErrorCode::kNeedsRecovery,
                      "the file was left in a transaction");
  mTransaction = FollowingTransaction(LoadBigEndian32(mHeader + kDbHeaderLastTransaction));
  mNextRecordId = LoadBigEndian32(mHeader + kDbHeaderNextRecordId);
  mDirectoryRoot = LoadBigEndian32(mHeader + kDbHeaderDirectoryRoot);
  mPageCount = DbPageCountOfLength(mFileLength);
  if (mPageCount > kDbNoPage) mPageCount = kDbNoPage;  // page numbers are 32 bits
  if (mPageCount == 0 || mDirectoryRoot >= mPageCount)
    return OpenFailed(&mError, StorageErrorCode::kDamaged, "the directory root is not a page");
  return true;
}

bool PageStore::Close() {
  if (!mFile) return true;
  bool closed = true;
  if (mOpened && mTransactionOpen) {
    closed = Commit();
  } else if (mOpened && !mReadOnly &&
             mNextRecordId != LoadBigEndian32(mHeader + kDbHeaderNextRecordId)) {
    closed = WriteHeader(false) && (mFile->Sync() || IOFailed("cannot sync the file"));
  }
  // A journal of a commit that failed stays for the next open to restore from.
  if (closed && mOpened && !mReadOnly) closed = mJournal.Discard(&mError);
  mListeners.clear();
  SettleAnchors();  // no cursor is told after this
  while (qvdbRecordTracking* page = mOldest) {
    if (page->mPins == 0) {
      Evict(page);
      continue;
    }
    // Still held by someone who outlived the store: it goes with its last holder.
    (void)QV_CHECK_MSG(page->mPins == 0, "a page is still held when its database closes");
    Unlink(page);
    page->mStore = nullptr;
    page->RemoveFromPurgeList();
  }
  mFile.reset();
  return closed;
}

// Removed while still open and locked: no other store can have opened it in between.
void PageStore::Abandon() {
  mOpened = false;  // Close commits and writes nothing
  int host = 0;
  mFs.Remove(mJournal.Path().c_str(), &host);
  mFs.Remove(mPath.c_str(), &host);
  Close();
}

// ---- pages ----

PageRef PageStore::ReadPage(uint32_t number) {
  auto found = mPages.find(number);
  if (found != mPages.end()) {
    qvdbRecordTracking* page = found->second;
    Touch(page);
    ++page->mPins;
    return PageRef(page);
  }
  if (number >= mPageCount) {
    mError.Set(StorageErrorCode::kDamaged, "a page number beyond the file");
    return PageRef();
  }
  MakeRoom();
  auto* page = new qvdbRecordTracking(this, number);
  uint32_t got = 0;
  bool read = mFile->ReadAt(DbPageOffset(number), page->bytes, kDbPageSize, &got);
  const char* problem = !read               ? nullptr
                        : got < kDbPageSize ? "a page is cut short"
                                            : page->Check(mPageCount);
  if (!read || problem) {
    if (read)
      mError.Set(StorageErrorCode::kDamaged, problem);
    else
      IOFailed("cannot read a page");
    delete page;
    return PageRef();
  }
  page->Squeeze(mTransactionOpen && Touched(number) ? CurrentStamp() : kNoStamp);
  mPages[number] = page;
  Touch(page);
  page->mChangeCount = ++mChangeSerial;
  page->mPins = 1;
  page->AddToPurgeList();
  return PageRef(page);
}

PageRef PageStore::NewPage(uint32_t kind, uint32_t origin) {
  if (mReadOnly) {
    mError.Set(StorageErrorCode::kReadOnly, "the database is open for reading only");
    return PageRef();
  }
  if (mPageCount >= kDbNoPage) {
    mError.Set(StorageErrorCode::kIO, "the file has as many pages as it can hold");
    return PageRef();
  }
  if (!mTransactionOpen && !Begin()) return PageRef();
  MakeRoom();
  uint32_t number = static_cast<uint32_t>(mPageCount++);
  auto* page = new qvdbRecordTracking(this, number);
  std::memset(page->bytes, 0, kDbPageSize);
  page->SetKind(kind);
  page->SetOrigin(origin == kOwnPage ? number : origin);
  mPages[number] = page;
  Touch(page);
  page->mChangeCount = ++mChangeSerial;
  page->mPins = 1;
  page->AddToPurgeList();
  MarkChanged(page);
  return PageRef(page);
}

bool PageStore::MarkChangedInPlace(qvdbRecordTracking* page) {
  if (mReadOnly) {
    mError.Set(StorageErrorCode::kReadOnly, "the database is open for reading only");
    return false;
  }
  if (!mTransactionOpen && !Begin()) return false;
  page->mDirty = true;
  uint32_t number = page->mNumber;
  if (Touched(number)) return true;
  if (number >= mTouchedBits.size()) mTouchedBits.resize(std::max<size_t>(number + 1, mPageCount));
  mTouchedBits[number] = true;
  page->SetStamp(mTransaction);
  page->SetNextTouched(mTouched.empty() ? kDbNoPage : mTouched.back());
  mTouched.push_back(number);
  return true;
}

void PageStore::Rearranged(qvdbRecordTracking* page) { page->mChangeCount = ++mChangeSerial; }

// ---- the cache ----

void PageStore::Touch(qvdbRecordTracking* page) {
  if (mNewest == page) return;
  if (page->mOlder) page->mOlder->mNewer = page->mNewer;
  if (page->mNewer) page->mNewer->mOlder = page->mOlder;
  if (mOldest == page) mOldest = page->mNewer;
  page->mOlder = mNewest;
  page->mNewer = nullptr;
  if (mNewest) mNewest->mNewer = page;
  mNewest = page;
  if (!mOldest) mOldest = page;
  page->MoveToFront();
}

void PageStore::Unlink(qvdbRecordTracking* page) {
  if (page->mOlder) page->mOlder->mNewer = page->mNewer;
  if (page->mNewer) page->mNewer->mOlder = page->mOlder;
  if (mOldest == page) mOldest = page->mNewer;
  if (mNewest == page) mNewest = page->mOlder;
  page->mOlder = page->mNewer = nullptr;
  mPages.erase(page->mNumber);
}

void PageStore::Evict(qvdbRecordTracking* page) {
  Unlink(page);
  delete page;  // leaves the purge list too
}

void PageStore::MakeRoom() {
  if (mPages.size() < mCacheLimit) return;
  size_t needed = mPages.size() + 1 - mCacheLimit;
  // Changed pages are written in batches, so that each costs a share of one journal sync.
  size_t batch = std::max<size_t>(needed, mCacheLimit / 8);
  std::vector<qvdbRecordTracking*> changed;
  for (qvdbRecordTracking* page = mOldest; page && (needed > 0 || changed.size() < batch);) {
    qvdbRecordTracking* newer = page->mNewer;
    if (page->mPins == 0) {
      if (!page->mDirty && needed > 0) {
        Evict(page);
        --needed;
      } else if (page->mDirty && changed.size() < batch) {
        changed.push_back(page);
        if (needed > 0) --needed;
      }
    }
    if (needed == 0 && changed.empty()) break;
    page = newer;
  }
  // A failed spill keeps the pages: the cache grows, and the commit meets the failure again.
  if (!changed.empty() && WritePages(changed, false))
    for (qvdbRecordTracking* page : changed) Evict(page);
}

bool PageStore::PurgePage(qvdbRecordTracking* page) {
  if (page->mPins > 0) return false;
  if (page->mDirty) {
    std::vector<qvdbRecordTracking*> one{page};
    if (!WritePages(one, false)) return false;
  }
  Evict(page);
  return true;
}

// ---- writing ----

bool PageStore::IOFailed(const char* what) {
  mError.Set(StorageErrorCode::kIO, what, mFile->LastError());
  return false;
}

bool PageStore::WriteHeader(bool transactionOpen) {
  uint8_t header[kDbFileHeaderSize];
  std::memcpy(header, mHeader, sizeof header);
  // The last transaction begun: the open one, else what the file already says.
  if (transactionOpen) StoreBigEndian32(header + kDbHeaderLastTransaction, mTransaction);
  StoreBigEndian32(header + kDbHeaderTransactionOpen, transactionOpen ? 1 : 0);
  StoreBigEndian32(header + kDbHeaderNextRecordId, mNextRecordId);
  StoreBigEndian32(header + kDbHeaderDirectoryRoot, mDirectoryRoot);
  if (!transactionOpen) mHeaderSaysOpen = false;  // whatever reaches the device now
  if (!mFile->WriteAt(0, header, sizeof header)) return IOFailed("cannot write the header");
  std::memcpy(mHeader, header, sizeof header);
  return true;
}

// Pages of the open transaction may reach the file only while its header durably says so.
bool PageStore::EnsureHeaderSaysOpen() {
  if (mHeaderSaysOpen) return true;
  if (!WriteHeader(true) || !mFile->Sync()) return IOFailed("cannot write the header");
  mHeaderSaysOpen = true;
  return true;
}

bool PageStore::WritePages(std::vector<qvdbRecordTracking*>& pages, bool sync) {
  if (pages.empty()) return true;
  std::sort(pages.begin(), pages.end(), [](auto* a, auto* b) { return a->mNumber < b->mNumber; });
  if (!mJournal.Started()) {
    // What a restore puts back: the file as the transaction found it, closed (a failed write
    // of the header may have left the one in memory saying open).
    uint8_t closed[kDbFileHeaderSize];
    std::memcpy(closed, mHeader, sizeof closed);
    StoreBigEndian32(closed + kDbHeaderTransactionOpen, 0);
    if (!mJournal.Start(closed, mStartFileLength, mStartPageCount, &mError)) return false;
  }
  if (!JournalCommittedImages(pages)) return false;
  if (!mJournal.Sync(&mError) || !EnsureHeaderSaysOpen()) return false;
  // Added pages cut away a shorter tail and give the file its whole length at once.
  uint64_t length = DbPageOffset(static_cast<uint32_t>(mPageCount - 1)) + kDbPageSize;
  if (mPageCount > mStartPageCount && mFileLength != length) {
    if (!mFile->SetLength(length)) return IOFailed("cannot set the file's length");
    mFileLength = length;
  }
  for (size_t i = 0; i < pages.size();) {
    const uint32_t first = pages[i]->mNumber;
    const size_t n = NeighboursFrom(pages, i, [](uint32_t) { return true; });
    // A run of neighbours goes in one write, copied together first.
    const uint8_t* bytes = pages[i]->bytes;
    if (n > 1) {
      mRunBuffer.resize(kRunPages * kDbPageSize);
      for (size_t k = 0; k < n; ++k)
        std::memcpy(mRunBuffer.data() + k * kDbPageSize, pages[i + k]->bytes, kDbPageSize);
      bytes = mRunBuffer.data();
    }
    if (!mFile->WriteAt(DbPageOffset(first), bytes, uint32_t(n * kDbPageSize)))
      return IOFailed("cannot write a page");
    mFileLength = std::max(mFileLength, DbPageOffset(uint32_t(first + n - 1)) + kDbPageSize);
    i += n;
  }
  if (sync && !mFile->Sync()) return IOFailed("cannot sync the file");
  for (qvdbRecordTracking* page : pages) page->mDirty = false;
  return true;
}

// How many of the sorted pages from i on are neighbours in the file, each one `wanted`, at
// most kRunPages: they are read or written in one call.
template <typename Wanted>
size_t PageStore::NeighboursFrom(const std::vector<qvdbRecordTracking*>& pages, size_t i,
                                 Wanted wanted) {
  size_t n = 1;
  while (i + n < pages.size() && n < kRunPages && pages[i + n]->mNumber == pages[i]->mNumber + n &&
         wanted(pages[i + n]->mNumber))
    ++n;
  return n;
}

// The committed images of the pages not journaled yet, read from the file a run of
// neighbours at a time.
bool PageStore::JournalCommittedImages(const std::vector<qvdbRecordTracking*>& pages) {
  const auto unsaved = [this](uint32_t page) { return !mJournal.Holds(page); };
  for (size_t i = 0; i < pages.size();) {
    const uint32_t first = pages[i]->mNumber;
    if (!unsaved(first)) {
      ++i;
      continue;
    }
    const size_t n = NeighboursFrom(pages, i, unsaved);
    const uint32_t size = uint32_t(n * kDbPageSize);
    mRunBuffer.resize(kRunPages * kDbPageSize);
    uint32_t got = 0;
    if (!mFile->ReadAt(DbPageOffset(first), mRunBuffer.data(), size, &got))
      return IOFailed("cannot read a page to journal");
    if (got < size) std::memset(mRunBuffer.data() + got, 0, size - got);
    for (size_t k = 0; k < n; ++k)
      if (!mJournal.Append(uint32_t(first + k), mRunBuffer.data() + k * kDbPageSize, &mError))
        return false;
    i += n;
  }
  return true;
}

bool PageStore::WriteChangedPages() {
  std::vector<qvdbRecordTracking*> changed;
  for (auto& [number, page] : mPages)
    if (page->mDirty) changed.push_back(page);
  return WritePages(changed, true);
}

// ---- transactions ----

// Nothing reaches the file yet: the journal starts, and the header says open, only when the
// first page of the transaction is about to be written (a spill or the commit).
bool PageStore::Begin() {
  if (mTransactionOpen) return true;
  if (mReadOnly) {
    mError.Set(StorageErrorCode::kReadOnly, "the database is open for reading only");
    return false;
  }
  mStartPageCount = mPageCount;
  mStartFileLength = mFileLength;
  mTransactionOpen = true;
  mTouched.clear();
  mTouchedBits.assign(mPageCount, false);
  return true;
}

bool PageStore::Commit() {
  if (!mTransactionOpen) return true;
  // Copied: a listener may leave the list while it is told.
  std::vector<TransactionListener*> listeners = mListeners;
  for (TransactionListener* listener : listeners)
    if (!listener->BeforeCommit()) return false;
  return FinishTransaction();
}

bool PageStore::Rollback() {
  if (!mTransactionOpen) return true;
  std::vector<TransactionListener*> listeners = mListeners;
  for (TransactionListener* listener : listeners) listener->BeforeRollback();
  uint32_t stamp = CurrentStamp();
  for (size_t i = 0; i < mTouched.size(); ++i) {
    PageRef page = ReadPage(mTouched[i]);
    if (!page) return false;
    if (!page->IsLeaf()) continue;
    MarkChanged(page.Entry());
    uint32_t used = page->Used();
    for (uint32_t offset = 0; offset < used; offset += RecordLength(page->RecordAt(offset))) {
      uint8_t* record = page->RecordAt(offset);
      if (RecordStamp(record) != stamp) continue;
      if (RecordIsLive(record) && mRewrites.Restore(record)) {
        Rewrote();
        continue;
      }
      SetRecordStatus(record, RecordIsLive(record) ? kDbDeleted : kDbLive, 0);
    }
  }
  return FinishTransaction();
}

bool PageStore::FinishTransaction() {
  if (!WriteChangedPages()) return false;
  if (!WriteHeader(false) || !mFile->Sync()) return IOFailed("cannot write the header");
  // Durable from here: the journal is stale beside the closed header.
  mJournal.Finish();
  EndTransaction();
  return true;
}

void PageStore::EndTransaction() {
  SettleAnchors();  // the squeeze below moves records
  for (uint32_t number : mTouched) {
    auto found = mPages.find(number);
    if (found != mPages.end() && found->second->Squeeze(kNoStamp)) Rearranged(found->second);
  }
  mTouched.clear();
  mTouchedBits.clear();
  mRewrites.Clear();
  mTransactionOpen = false;
  mTransaction = FollowingTransaction(mTransaction);
}

void PageStore::AddListener(TransactionListener* listener) {
  if (std::find(mListeners.begin(), mListeners.end(), listener) == mListeners.end())
    mListeners.push_back(listener);
}

void PageStore::RemoveListener(TransactionListener* listener) {
  mListeners.erase(std::remove(mListeners.begin(), mListeners.end(), listener), mListeners.end());
}

void PageStore::ForgetAnchor(AnchorKeeper* keeper) {
  mUnsettled.erase(std::remove(mUnsettled.begin(), mUnsettled.end(), keeper), mUnsettled.end());
}

void PageStore::SettleAnchors() {
  if (mUnsettled.empty()) return;
  std::vector<AnchorKeeper*> keepers;
  keepers.swap(mUnsettled);
  for (AnchorKeeper* keeper : keepers) keeper->SettleAnchor();
  // A scan keeps its anchor again at its next row: the list keeps its room for it.
  keepers.clear();
  if (mUnsettled.empty()) mUnsettled.swap(keepers);
}
