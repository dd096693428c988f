// The rollback journal beside a database file (its name + "-journal"): while a transaction is
// open it holds the file's header and length as they were when the transaction began, and the
// committed image of every page the transaction has overwritten in the file. A file whose
// header says a transaction is open is restored from it; a journal beside a closed header is
// stale.
//
// Order of durability: the journal's header is synced (with its folder entry) before the
// database header may say a transaction is open, and each image is synced before its page is
// overwritten. Every record carries a checksum seeded with a per-journal salt, so that a
// record torn by a power loss, or left over from an earlier journal, ends the restore: such a
// record was never synced, so its page was never overwritten.
//
// The file is made once and kept between the transactions of one session: each transaction
// writes a new header (a new salt) over the last, so that only the first journal costs a sync
// of the folder. Discard removes it when the database closes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/StorageError.h"
#include "database/StorageFile.h"

class PageJournal {
 public:
  PageJournal(StorageFileSystem& fs, std::string path);
  ~PageJournal();

  static std::string PathFor(const std::string& databasePath) { return databasePath + "-journal"; }
  const std::string& Path() const { return mPath; }
  bool Active() const { return mFile != nullptr; }

  // Starts a journal for a transaction on a file of fileLength bytes and this header; nothing
  // is synced before Sync.
  bool Start(const uint8_t* header, uint64_t fileLength, uint64_t pageCount, StorageError* error);
  bool Started() const { return mStarted; }
  // True when the page's committed image is already kept (or the page is new: nothing to keep).
  bool Holds(uint32_t page) const { return page >= mSaved.size() || mSaved[page]; }
  // The image may reach the file only at the next Append or Sync, which report its failure.
  bool Append(uint32_t page, const uint8_t* image, StorageError* error);
  // Writes and syncs what was appended since the last sync (nothing to do when nothing was),
  // and the folder once the file is new.
  bool Sync(StorageError* error);
  // The transaction is over (the database header says so durably): the journal is stale.
  void Finish();
  // Closes and removes the file.
  bool Discard(StorageError* error);

  // Puts the file back as the journal at path kept it (images, length, header, synced) and
  // removes the journal. False, with error set, when there is no valid journal or a write fails.
  static bool Restore(StorageFileSystem& fs, const std::string& path, StorageFile& file,
                      StorageError* error);

 private:
  StorageFileSystem& mFs;
  std::string mPath;
  std::unique_ptr<StorageFile> mFile;
  uint32_t mSalt = 0;
  uint32_t mRecords = 0;
  bool mStarted = false;
  bool mUnsynced = false;
  bool mFolderUnsynced = false;
  std::vector<bool> mSaved;
  std::vector<uint8_t> mBatch;  // records appended, not yet written
  uint32_t mPending = 0;

  bool WritePending(StorageError* error);
};
