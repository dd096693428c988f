// Tree cursors: a cursor walks one tree of pages (a table, or the table directory), finds the
// position of a key, steps through the records in key order, inserts at its position (splitting
// pages that overflow), marks records deleted and replaces them.
//
// What a cursor promises:
// - Records of every leaf, and the leaves from left to right, stay in key order, deleted
//   records included (a rollback brings them back). Index entries stay at or below the first
//   key of their child.
// - Nothing read from the file is trusted beyond the page store's checks: a descent never
//   revisits a page and a scan pushes no more pages than the file has, so a damaged tree ends
//   an operation with a storage error, never a loop.
// - Cursors on one store survive each other's changes: a cursor whose page moved its records
//   (its change count moved) finds its place again by its record's key and id, so that a scan
//   sees every record present throughout exactly once. A record another cursor replaced is
//   followed to the live record with its key; one that is gone leaves the cursor on no record
//   (before its successor) until it moves, never on a record it did not reach.
// - A cursor that starts again (Restart, Seek) first tries the path to the leaf it last left,
//   whose pages it keeps held: when no page on the path changed, it stands where a descent
//   from the root would without making one if that leaf takes the key in, and else goes down
//   from the path's root without reading it again.
// - A change that fails (a store opened for reading, a transaction that cannot begin, a record
//   that does not fit) changes nothing.
// - Rows whose key an update changed are parked in a spill file and put in place when the
//   cursor closes (or when the transaction commits, whichever comes first); a rollback drops
//   them with the rest of the transaction. No path loses one.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "database/PageStore.h"
#include "database/SortKey.h"
#include "database/SpillFile.h"

class TableCursor : public TransactionListener, public AnchorKeeper {
 public:
  // A cursor on the table directory.
  static std::unique_ptr<TableCursor> OpenDirectory(PageStore& store);
  // A cursor on the table whose directory record `directory` stands on (taken over: it stays
  // there as this cursor's parent). Rows are keyed by keyColumns (none: by row id); with a
  // filter, NextMatching returns only rows whose key begins with it.
  static std::unique_ptr<TableCursor> OpenTable(PageStore& store,
                                                std::unique_ptr<TableCursor> directory,
                                                const uint8_t* filter, uint32_t filterLength,
                                                const uint8_t* keyColumns, uint32_t keyCount);
  ~TableCursor() override;

  // Puts parked rows in place, then lets go of every page. False when a parked row could not
  // be put back (the store's error says why).
  bool Close();
  // Puts parked rows in place and stands at the end, still on its table (its directory record
  // stays held), so that Restart can begin again. False as for Close.
  bool Finish();
  // A table cursor begins again with a new filter, as if just opened: parked rows are put in
  // place first. False when that fails or the cursor was closed.
  bool Restart(const uint8_t* filter, uint32_t filterLength);

  // Stands where a record with this key goes: on the first record whose key is at or after
  // it (deleted ones included), or at the end of the leaf before. *exact tells whether a live
  // record has exactly this key; the cursor then stands on the first such record. False when
  // the tree cannot be read.
  bool Seek(const uint8_t* key, uint32_t length, bool* exact);
  // The next record (live or deleted); false at the end or on a read failure.
  bool Next();
  // The next live record whose key begins with the filter.
  bool NextMatching();
  // The record under the cursor, live or deleted (valid until the next change to the store);
  // nullptr when the cursor stands on none, as when its record left the page behind it.
  const uint8_t* CurrentRecord(uint32_t* length);

  // Inserts a record where a Seek of its key left the cursor, with status 'A' and the open
  // transaction's stamp; the cursor then stands on it. The caller gives the record its id.
  bool Insert(const uint8_t* record, uint32_t length);
  // Marks the record under the cursor deleted.
  bool DeleteCurrent();
  // Replaces the record under the cursor by `record`, which gets a new record id (a row of a
  // table keyed by row id keeps its own). With an unchanged key it takes the old record's
  // place (over it when their lengths are equal) and the cursor stands on it; with a changed key it is parked until the
  // cursor closes, and refused when a live record or another parked one has that key.
  // `keyKept`: the caller knows the new record's key columns hold the old one's values.
  bool UpdateCurrent(const uint8_t* record, uint32_t length, bool keyKept = false);

  // The key this cursor orders a record by; false (reported) when a key value has no key.
  bool KeyOf(const uint8_t* record, uint32_t length, std::vector<uint8_t>* key);
  PageStore& Store() { return mStore; }

  bool BeforeCommit() override;
  void BeforeRollback() override;
  void SettleAnchor() override;

 private:
  struct Level {
    PageRef page;
    uint32_t offset;
    uint64_t changeCount;
  };
  using Stack = std::vector<Level>;
  enum class Step { kRecord, kEnd, kFailed };
  // Where the cursor is, by key: on the record (key, id), or before the first record at or
  // after key. Survives any change of the pages. A scan puts off working out the key of the
  // record it stands on (keyPending) until the store says a page is about to change.
  struct Anchor {
    std::vector<uint8_t> key;
    uint32_t id = 0;
    bool onRecord = false;
    bool fresh = true;
    bool atEnd = false;
    bool keyPending = false;
  };

  TableCursor(PageStore& store, std::unique_ptr<TableCursor> parent, uint32_t leafKind);

  bool RootPage(uint32_t* root);
  bool PushPage(Stack& stack, uint32_t number);
  bool Descend(Stack& stack, const uint8_t* key, uint32_t length);
  uint32_t LowerBound(qvdbRecordTracking* page, const uint8_t* key, uint32_t length);
  const std::vector<qvdbRecordTracking::KeyPrefix>* LeafKeyPrefixes(qvdbRecordTracking* page);
  Step StepForward(Stack& stack, bool skipCurrent);
  Step FindLiveKey(Stack& stack, const uint8_t* key, uint32_t length);
  bool BuildKey(const qvdbRecordTracking* page, uint32_t offset);
  // The order of the key of the record at level against key (CompareRecord).
  int32_t CompareAt(const Level& level, const uint8_t* key, uint32_t length, bool prefixOnly);

  bool Start(const uint8_t* key, uint32_t length);
  void KeepHint();
  // Stands on the hint's leaf at key (kLeaf), or only on its root (kRoot), or does nothing.
  enum class HintUse { kNone, kRoot, kLeaf };
  HintUse DescendByHint(const uint8_t* key, uint32_t length);
  bool DescendFrom(Stack& stack, const uint8_t* key, uint32_t length);
  // Finds the cursor's place again when records under it moved. Inline for the common case:
  // nothing in the store moved since the stack was last found current.
  bool Revalidate() {
    if (!mStarted || mAnchor.atEnd || mValidAt == mStore.ChangeSerial()) return true;
    return RevalidateLevels();
  }
  bool RevalidateLevels();
  bool Refind();
  void SaveAnchor();
  void ResetAnchor();
  void SaveAnchorKeyLater();
  void SettleAnchorKey();
  void StopKeepingAnchor();
  void EndAtLast();
  bool OnLeafPosition() const;
  // On the record the anchor names (not merely before a successor, its own record gone).
  bool OnRecord() const;
  uint8_t* RecordUnderCursor();
  bool Refuse(StorageErrorCode code, const char* text);
  bool CheckRecordShape(const uint8_t* record, uint32_t length);
  bool CheckInsertable(const uint8_t* record, uint32_t length);
  bool ReplaceKeepingKey(uint32_t length);

  bool InsertHere(const uint8_t* record, uint32_t length);
  bool RewriteInPlace(const uint8_t* record, uint32_t length);
  Level& LevelAt(uint32_t height) { return mStack[mStack.size() - 1 - height]; }
  bool InsertAtLevel(uint32_t height, const uint8_t* record, uint32_t length, uint32_t offset);
  bool SplitAtLevel(uint32_t height, const uint8_t* record, uint32_t length, uint32_t offset);
  bool AddIndexEntry(uint32_t height, const PageRef& child);
  bool GrowRoot();
  void MarkDeleted(uint8_t* record);

  bool Park(const uint8_t* record, uint32_t length, const std::vector<uint8_t>& key);
  bool PutParkedRows();
  void DropParkedRows();

  PageStore& mStore;
  std::unique_ptr<TableCursor> mParent;
  uint32_t mLeafKind;
  SortKeyBuilder mKeys;
  std::vector<uint8_t> mFilter;
  Stack mStack;
  Stack mHint;  // the last path to a leaf the cursor left, its pages held
  Anchor mAnchor;
  bool mAnchorKept = false;  // on the store's list of keepers
  bool mStarted = false;
  uint64_t mPushes = 0;          // pages pushed since the last descent
  uint64_t mValidAt = ~uint64_t{0};  // the store's change serial when the stack was last found
                                     // current
  std::vector<uint8_t> mRecord;  // the record being inserted
  std::vector<uint8_t> mNewKey;  // and its key
  std::unique_ptr<SpillFile> mSpill;
  std::set<std::vector<uint8_t>> mSpillKeys;
};
