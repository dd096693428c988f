// The page store: the one owner of an open database file. It reads whole pages through a
// bounded cache, adds pages at the end of the file, and runs the file's transactions.
//
// What it promises its callers (the tree cursors and, through them, the engine):
// - Nothing read from the file is trusted: the header is checked at open, and every page is
//   checked when it is read (qvdbRecordBlock::Check); a page that fails gives a storage error,
//   never a crash, and nothing is written because of it.
// - Reading never writes. Records of finished transactions are squeezed from the cached image
//   only: a deleted one leaves a row leaf, every other one loses its stamp, so that in the
//   cache a stamp always means "the open transaction".
// - Every change goes through MarkChanged, which begins a transaction at the first change.
//   Commit and Rollback are durable: a process killed, or a machine that loses power, at any
//   moment leaves a file that opens with exactly the data of the last finished transaction.
//   The rollback journal beside the file makes this so (PageJournal); every write, sync and
//   length change is checked, and a failure fails the operation and leaves the transaction
//   open for the caller to roll back (or for the next open to restore). The file is written
//   only when pages of a transaction must reach it (a spill, the commit): then the journal
//   is synced, the header says open (synced), the pages are written (synced at the commit)
//   and the header says closed (synced), four syncs for a small transaction.
// - Rollback undoes the transaction's leaf records in place (inserted ones become deleted,
//   deleted ones live again, rows rewritten in place get their committed bytes back); pages
//   and index records made by splits stay, so the trees keep their shape and every open
//   cursor its place.
// - One store per file: the file is locked while open; a second open is refused.
// - The cache holds at most its limit of pages (4,096 unless a test lowers it) beyond those
//   held by users: unheld clean pages leave least recently used first, changed ones are
//   written through the journal (spilled) first. The process-wide purge does the same, one
//   page at a time; a held page always stays.
// - One thread at a time (the one holding the run baton), like the rest of the framework.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/PageJournal.h"
#include "database/PageStoreRewrites.h"
#include "database/StorageError.h"
#include "database/StorageFile.h"
#include "database/qvdbRecordTracking.h"
#include "strings/RuntimeString.h"

// Told before a transaction ends, so that work parked outside the pages (a cursor's spilled
// rows) joins the commit or leaves with the rollback.
class TransactionListener {
 public:
  virtual ~TransactionListener() = default;
  virtual bool BeforeCommit() = 0;  // false fails the commit
  virtual void BeforeRollback() = 0;
};

// Told before the records of any page may move, so that a cursor that put off working out the
// key of the record it stands on (a scan does, row after row) works it out while it still can.
class AnchorKeeper {
 public:
  virtual void SettleAnchor() = 0;

 protected:
  ~AnchorKeeper() = default;
};

class PageStore {
 public:
  static constexpr uint32_t kDefaultCacheLimit = 4096;
  static constexpr uint32_t kOwnPage = kDbNoPage;  // NewPage origin: the new page's own number

  // A new file at path (emptied when it exists): the header and page 0, an empty directory
  // leaf, committed. nullptr, with *error set, when it cannot be made.
  static std::unique_ptr<PageStore> Create(const string& path, StorageError* error,
                                           StorageFileSystem& fs = StorageFileSystem::Posix());
  // An existing file, for reading and writing or, when the file may not be written, for
  // reading only. A file left in a transaction is first restored from its journal.
  static std::unique_ptr<PageStore> Open(const string& path, StorageError* error,
                                         StorageFileSystem& fs = StorageFileSystem::Posix());
  ~PageStore();  // Close

  // Commits an open transaction, writes the next record id, releases every page and the file.
  // False when the commit failed: the file then keeps its journal and opens at the last commit.
  bool Close();
  // Gives up a file this store made (Create) that could not be made whole: nothing more is
  // written, and the file and its journal are removed, so that no partial database is left.
  void Abandon();

  // The page, held; empty on failure (LastError says why).
  PageRef ReadPage(uint32_t number);
  // A new empty page of the given kind at the end of the file, held and changed.
  PageRef NewPage(uint32_t kind, uint32_t origin);
  // Every change of a page goes through here first; false (nothing may change) on a store
  // opened for reading, or when the transaction cannot begin.
  bool MarkChanged(qvdbRecordTracking* page) {
    SettleAnchors();
    return MarkChangedInPlace(page);
  }
  // The same for a change that only overwrites bytes of records where they stand: no record
  // moves, so the cursors' anchors stay unsettled until a change that moves records.
  bool MarkChangedInPlace(qvdbRecordTracking* page);
  // The records of a changed page moved: cursors standing on it must find their place again.
  void Rearranged(qvdbRecordTracking* page);
  // A record was rewritten in place: nothing moved, but what was read out of it is stale.
  void Rewrote() { ++mChangeSerial; }
  // The last change count given to a page (read in, new, or rearranged), or moved by a
  // rewrite: while it stays, no page's records have moved or changed their bytes.
  uint64_t ChangeSerial() const { return mChangeSerial; }

  // Before a live record of a changed leaf is overwritten by one of its length stamped with
  // the open transaction: keeps what a rollback needs. False, changing nothing, when that
  // would pass the memory kept for it: the caller then replaces the row another way.
  bool NoteRewrite(const uint8_t* before, const uint8_t* after, uint32_t length) {
    return mRewrites.Note(before, after, length, CurrentStamp());
  }
  // A record that stands for a committed row rewritten in place gets the committed bytes
  // back (true); any other stays as it is.
  bool RestoreRewritten(uint8_t* record) {
    return RecordStamp(record) == CurrentStamp() && mRewrites.Restore(record);
  }
  void SetRewriteBudget(uint64_t bytes) { mRewrites.SetBudget(bytes); }

  uint32_t NextRecordId() { return mNextRecordId++; }
  uint32_t CurrentTransaction() const { return mTransaction; }
  uint32_t CurrentStamp() const { return DbStamp(mTransaction); }
  bool TransactionOpen() const { return mTransactionOpen; }
  bool Begin();
  bool Commit();
  bool Rollback();

  uint32_t DirectoryRoot() const { return mDirectoryRoot; }
  // Part of the open transaction, written with its header.
  void SetDirectoryRoot(uint32_t page) { mDirectoryRoot = page; }
  uint64_t PageCount() const { return mPageCount; }
  bool ReadOnly() const { return mReadOnly; }
  StorageFileSystem& FileSystem() { return mFs; }
  const StorageError& LastError() const { return mError; }
  StorageError& Error() { return mError; }

  void AddListener(TransactionListener* listener);
  void RemoveListener(TransactionListener* listener);
  // A keeper told once, before the next change of any page (MarkChanged, the end of a
  // transaction) or the store's close; Forget takes it off the list.
  void KeepAnchor(AnchorKeeper* keeper) { mUnsettled.push_back(keeper); }
  void ForgetAnchor(AnchorKeeper* keeper);

  void SetCacheLimit(uint32_t pages) { mCacheLimit = pages ? pages : 1; }
  uint32_t CachedPages() const { return static_cast<uint32_t>(mPages.size()); }

  // A page under memory pressure: true when it was written if need be and dropped.
  bool PurgePage(qvdbRecordTracking* page);

  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

 private:
  PageStore(StorageFileSystem& fs, std::string path, std::unique_ptr<StorageFile> file,
            bool readOnly);

  bool LoadHeader();
  bool RecoverIfNeeded();
  bool WriteHeader(bool transactionOpen);
  bool EnsureHeaderSaysOpen();
  bool WritePages(std::vector<qvdbRecordTracking*>& pages, bool sync);
  // Neighbouring pages are read and written this many at a time (128 KB).
  static constexpr size_t kRunPages = 32;
  template <typename Wanted>
  static size_t NeighboursFrom(const std::vector<qvdbRecordTracking*>& pages, size_t i,
                               Wanted wanted);
  bool JournalCommittedImages(const std::vector<qvdbRecordTracking*>& pages);
  bool WriteChangedPages();
  bool FinishTransaction();
  void EndTransaction();
  void SettleAnchors();
  bool IOFailed(const char* what);

  void Touch(qvdbRecordTracking* page);
  void Unlink(qvdbRecordTracking* page);
  void Evict(qvdbRecordTracking* page);
  void MakeRoom();
  bool Touched(uint32_t page) const { return page < mTouchedBits.size() && mTouchedBits[page]; }

  StorageFileSystem& mFs;
  std::string mPath;
  std::unique_ptr<StorageFile> mFile;
  bool mReadOnly;
  bool mOpened = false;  // a store whose opening failed writes nothing when it goes
  StorageError mError;

  uint8_t mHeader[kDbFileHeaderSize] = {};  // as last written to (or read from) the file
  uint32_t mNextRecordId = 1;
  uint32_t mDirectoryRoot = 0;
  uint32_t mTransaction = 1;
  bool mTransactionOpen = false;
  bool mHeaderSaysOpen = false;  // durably, on the device
  uint64_t mPageCount = 0;
  uint64_t mFileLength = 0;
  uint64_t mStartPageCount = 0;    // when the open transaction began
  uint64_t mStartFileLength = 0;
  std::vector<uint8_t> mRunBuffer;  // a run of neighbouring pages on its way to or from the file
  std::vector<uint32_t> mTouched;  // pages the open transaction changed, oldest first
  std::vector<bool> mTouchedBits;
  PageJournal mJournal;
  PageStoreRewrites mRewrites;

  std::unordered_map<uint32_t, qvdbRecordTracking*> mPages;
  qvdbRecordTracking* mNewest = nullptr;
  qvdbRecordTracking* mOldest = nullptr;
  uint32_t mCacheLimit = kDefaultCacheLimit;
  uint64_t mChangeSerial = 0;
  std::vector<TransactionListener*> mListeners;
  std::vector<AnchorKeeper*> mUnsettled;
};
