// What went wrong in the storage layer, kept by the page store for its callers. Storage errors
// are outcomes, not reports: a damaged file or a failed write gives one, and the operation that
// met it changes nothing further.
#pragma once

#include <string>

enum class StorageErrorCode {
  kNone,
  kIO,             // a read, write, sync or length change failed (hostError says why)
  kNotDatabase,    // no database header, or an unknown version
  kDamaged,        // a page or header that does not hold together
  kNeedsRecovery,  // a transaction was left open and no journal can restore the file
  kLocked,         // the file is open in this or another process
  kReadOnly,       // a change to a store opened for reading only
  kRecordTooLong,  // a record, or its key as an index entry, does not fit a page
  kBadRecord,      // a record handed in without its kind's layout
  kDuplicateKey,   // an update would give a row the key of another
  kNotPositioned,  // the cursor stands on no record (or on no leaf position)
  kNameExists,     // a table storage name already in the directory
};

struct StorageError {
  StorageErrorCode code = StorageErrorCode::kNone;
  int hostError = 0;  // errno of a failed call, 0 otherwise
  std::string message;

  explicit operator bool() const { return code != StorageErrorCode::kNone; }
  void Set(StorageErrorCode newCode, std::string text, int errorNumber = 0);
  void Clear() { *this = StorageError(); }
};
