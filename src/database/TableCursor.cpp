#include "database/TableCursor.h"

#include <cstring>

#include "core/RuntimeError.h"

TableCursor::TableCursor(PageStore& store, std::unique_ptr<TableCursor> parent, uint32_t leafKind)
    : mStore(store), mParent(std::move(parent)), mLeafKind(leafKind) {}

TableCursor::~TableCursor() { Close(); }

std::unique_ptr<TableCursor> TableCursor::OpenDirectory(PageStore& store) {
  return std::unique_ptr<TableCursor>(new TableCursor(store, nullptr, kDbDirectoryLeaf));
}

std::unique_ptr<TableCursor> TableCursor::OpenTable(PageStore& store,
                                                    std::unique_ptr<TableCursor> directory,
                                                    const uint8_t* filter, uint32_t filterLength,
                                                    const uint8_t* keyColumns, uint32_t keyCount) {
  if (!directory || !directory->OnLeafPosition()) {
    store.Error().Set(StorageErrorCode::kNotPositioned, "no directory record names the table");
    return nullptr;
  }
  std::unique_ptr<TableCursor> cursor(new TableCursor(store, std::move(directory), kDbRowLeaf));
  if (filterLength) cursor->mFilter.assign(filter, filter + filterLength);
  cursor->mKeys.SetKeyColumns(keyColumns, keyCount);
  return cursor;
}

bool TableCursor::Close() {
  bool put = PutParkedRows();
  StopKeepingAnchor();
  mStack.clear();
  mHint.clear();
  mParent.reset();
  mStarted = true;
  mAnchor.atEnd = true;
  return put;
}

bool TableCursor::Finish() {
  const bool put = PutParkedRows();
  EndAtLast();
  mStarted = true;
  return put;
}

bool TableCursor::Restart(const uint8_t* filter, uint32_t filterLength) {
  if (!mParent || !PutParkedRows()) return false;
  KeepHint();
  mStarted = false;
  ResetAnchor();
  mFilter.assign(filter, filter + filterLength);
  return true;
}

bool TableCursor::Refuse(StorageErrorCode code, const char* text) {
  mStore.Error().Set(code, text);
  return false;
}

bool TableCursor::KeyOf(const uint8_t* record, uint32_t length, std::vector<uint8_t>* key) {
  if (!mKeys.Build(mLeafKind, record, length)) return false;
  *key = mKeys.Key();
  return true;
}

bool TableCursor::BuildKey(const qvdbRecordTracking* page, uint32_t offset) {
  const uint8_t* record = page->RecordAt(offset);
  return mKeys.Build(page->Kind(), record, RecordLength(record));
}

int32_t TableCursor::CompareAt(const Level& level, const uint8_t* key, uint32_t length,
                               bool prefixOnly) {
  const uint8_t* record = level.page->RecordAt(level.offset);
  return mKeys.CompareRecord(level.page->Kind(), record, RecordLength(record), key, length,
                             prefixOnly);
}

// ---- descending and stepping ----

bool TableCursor::RootPage(uint32_t* root) {
  if (!mParent) {
    *root = mStore.DirectoryRoot();
    return true;
  }
  uint32_t length = 0;
  const uint8_t* record = mParent->CurrentRecord(&length);
  if (!record) return Refuse(StorageErrorCode::kDamaged, "the table's directory record is gone");
  *root = DirectoryRecordRoot(record);
  return true;
}

bool TableCursor::PushPage(Stack& stack, uint32_t number) {
  for (const Level& level : stack)
    if (level.page.Number() == number)
      return Refuse(StorageErrorCode::kDamaged, "a tree leads back into itself");
  // A sound walk pushes each page once: more pushes than pages means entries that share pages.
  if (++mPushes > mStore.PageCount() + 1)
    return Refuse(StorageErrorCode::kDamaged, "a tree names more pages than the file has");
  PageRef page = mStore.ReadPage(number);
  if (!page) return false;
  uint32_t kind = page->Kind();
  if (kind != kDbIndexPage && kind != mLeafKind)
    return Refuse(StorageErrorCode::kDamaged, "a tree holds pages of another kind");
  uint64_t changeCount = page->ChangeCount();
  stack.push_back({std::move(page), 0, changeCount});
  return true;
}

namespace {

qvdbRecordTracking::KeyPrefix PrefixOf(const uint8_t* key, uint32_t length) {
  uint64_t bytes = 0;
  for (uint32_t i = 0; i < 8; ++i) bytes = bytes << 8 | (i < length ? key[i] : 0);
  return {bytes, length < 9 ? length : 9};
}

}  // namespace

// The first record of the page whose key is at or after key (the count when none is).
uint32_t TableCursor::LowerBound(qvdbRecordTracking* page, const uint8_t* key, uint32_t length) {
  const std::vector<uint16_t>& offsets = page->RecordOffsets();
  bool index = page->Kind() == kDbIndexPage;
  if (!index) {
    const std::vector<qvdbRecordTracking::KeyPrefix>* prefixes = LeafKeyPrefixes(page);
    if (prefixes) {
      // Prefixes that differ decide, and so do equal ones of two keys of at most eight bytes
      // (the shorter first); any other tie compares the record.
      // The halving takes no branch on the order (a join's seeks fall anywhere in the leaf,
      // and mispredicted branches cost more than the comparisons); only equal prefixes branch.
      const qvdbRecordTracking::KeyPrefix sought = PrefixOf(key, length);
      const qvdbRecordTracking::KeyPrefix* entries = prefixes->data();
      uint32_t low = 0, count = static_cast<uint32_t>(offsets.size());
      while (count > 0) {
        const uint32_t half = count / 2, middle = low + half;
        const qvdbRecordTracking::KeyPrefix& p = entries[middle];
        uint32_t before = p.bytes < sought.bytes;
        if (__builtin_expect(p.bytes == sought.bytes, 0)) {
          before = p.length < 9 && sought.length < 9
                       ? p.length < sought.length
                       : mKeys.CompareRecord(page->Kind(), page->RecordAt(offsets[middle]),
                                             RecordLength(page->RecordAt(offsets[middle])), key,
                                             length, false) < 0;
        }
        // Before: low moves past middle and count - half - 1 remain; else half remain.
        const uint32_t mask = 0u - before;
        low += (half + 1) & mask;
        count = half + ((count - 2 * half - 1) & mask);
      }
      return low;
    }
  }
  uint32_t low = 0, high = static_cast<uint32_t>(offsets.size());
  while (low < high) {
    uint32_t middle = low + (high - low) / 2;
    const uint8_t* record = page->RecordAt(offsets[middle]);
    int32_t order;
    if (index) {
      order = CompareKeys(record + kDbIndexKey, RecordLength(record) - kDbIndexKey, key, length);
    } else {
      order = mKeys.CompareRecord(page->Kind(), record, RecordLength(record), key, length, false);
    }
    if (order < 0)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

// A leaf searched again while its records stay put gets its keys' prefixes made once.
const std::vector<qvdbRecordTracking::KeyPrefix>* TableCursor::LeafKeyPrefixes(
    qvdbRecordTracking* page) {
  const std::vector<uint8_t>& columns = mKeys.KeyColumns();
  if (const std::vector<qvdbRecordTracking::KeyPrefix>* made = page->KeyPrefixes(columns))
    return made;
  if (!page->WantsKeyPrefixes()) return nullptr;
  std::vector<qvdbRecordTracking::KeyPrefix> prefixes;
  const std::vector<uint16_t>& offsets = page->RecordOffsets();
  prefixes.reserve(offsets.size());
  for (uint16_t offset : offsets) {
    if (!BuildKey(page, offset)) return nullptr;
    prefixes.push_back(PrefixOf(mKeys.Data(), mKeys.Size()));
  }
  page->SetKeyPrefixes(columns, std::move(prefixes));
  return page->KeyPrefixes(columns);
}

// An index page leads into the last child whose key is below key (the first child when none
// is); the leaf stops at the first record at or after key.
bool TableCursor::Descend(Stack& stack, const uint8_t* key, uint32_t length) {
  stack.clear();
  mPushes = 0;
  uint32_t root = 0;
  if (!RootPage(&root) || !PushPage(stack, root)) return false;
  return DescendFrom(stack, key, length);
}

// From the page on top of the stack down to the leaf.
bool TableCursor::DescendFrom(Stack& stack, const uint8_t* key, uint32_t length) {
  for (;;) {
    Level& top = stack.back();
    qvdbRecordTracking* page = top.page.Entry();
    uint32_t found = LowerBound(page, key, length);
    const std::vector<uint16_t>& offsets = page->RecordOffsets();
    if (page->Kind() != kDbIndexPage) {
      top.offset = found < offsets.size() ? offsets[found] : page->Used();
      return true;
    }
    if (offsets.empty()) return Refuse(StorageErrorCode::kDamaged, "an index page is empty");
    top.offset = offsets[found > 0 ? found - 1 : 0];
    if (!PushPage(stack, IndexRecordChild(page->RecordAt(top.offset)))) return false;
  }
}

TableCursor::Step TableCursor::StepForward(Stack& stack, bool skipCurrent) {
  if (stack.empty()) return Step::kEnd;
  Level& current = stack.back();
  if (skipCurrent && current.offset < current.page->Used())
    current.offset += RecordLength(current.page->RecordAt(current.offset));
  for (;;) {
    Level& top = stack.back();
    if (top.offset >= top.page->Used()) {
      stack.pop_back();
      if (stack.empty()) return Step::kEnd;
      Level& up = stack.back();
      up.offset += RecordLength(up.page->RecordAt(up.offset));
      continue;
    }
    if (top.page->Kind() != kDbIndexPage) return Step::kRecord;
    if (!PushPage(stack, IndexRecordChild(top.page->RecordAt(top.offset)))) return Step::kFailed;
  }
}

// From a stack that Descend left at key: is there a live record with exactly this key
// (kRecord), none (kEnd), or could the tree not be read (kFailed)? The records with one key may
// begin past the end of a leaf and run across leaves.
TableCursor::Step TableCursor::FindLiveKey(Stack& stack, const uint8_t* key, uint32_t length) {
  for (Step step = StepForward(stack, false);; step = StepForward(stack, true)) {
    if (step != Step::kRecord) return step;
    const Level& top = stack.back();
    if (CompareAt(top, key, length, false) != 0) return Step::kEnd;
    if (RecordIsLive(top.page->RecordAt(top.offset))) return Step::kRecord;
  }
}

// ---- position ----

bool TableCursor::OnLeafPosition() const {
  if (!mStarted || mAnchor.atEnd || mStack.empty()) return false;
  const Level& top = mStack.back();
  return top.page->Kind() != kDbIndexPage && top.offset < top.page->Used();
}

bool TableCursor::OnRecord() const { return OnLeafPosition() && mAnchor.onRecord; }

uint8_t* TableCursor::RecordUnderCursor() {
  const Level& top = mStack.back();
  return top.page->RecordAt(top.offset);
}

void TableCursor::SaveAnchor() {
  const Level& top = mStack.back();
  BuildKey(top.page.Entry(), top.offset);
  mAnchor.key = mKeys.Key();
  mAnchor.keyPending = false;
  mAnchor.id = RecordId(RecordUnderCursor());
  mAnchor.onRecord = true;
}

// The record's key is worked out only if a page is about to change while the cursor stands
// on it (SettleAnchor), or when the cursor needs it itself (SettleAnchorKey).
void TableCursor::SaveAnchorKeyLater() {
  mAnchor.keyPending = true;
  mAnchor.id = RecordId(RecordUnderCursor());
  mAnchor.onRecord = true;
  if (mAnchorKept) return;
  mStore.KeepAnchor(this);
  mAnchorKept = true;
}

void TableCursor::SettleAnchorKey() {
  if (!mAnchor.keyPending) return;
  mAnchor.keyPending = false;
  // Nothing moved since the record was reached (the store tells first): it is still there.
  if (OnLeafPosition()) SaveAnchor();
}

void TableCursor::SettleAnchor() {
  mAnchorKept = false;
  SettleAnchorKey();
}

void TableCursor::StopKeepingAnchor() {
  SettleAnchorKey();
  if (!mAnchorKept) return;
  mStore.ForgetAnchor(this);
  mAnchorKept = false;
}

// An anchor as made, keeping its key's buffer for the next key.
void TableCursor::ResetAnchor() {
  std::vector<uint8_t> key;
  key.swap(mAnchor.key);
  mAnchor = Anchor();
  key.clear();
  mAnchor.key.swap(key);
}

void TableCursor::EndAtLast() {
  KeepHint();
  mAnchor.atEnd = true;
}

// The path to a leaf, kept when the cursor leaves it (its pages stay held) for the next
// descent to try first.
void TableCursor::KeepHint() {
  if (!mStack.empty() && mStack.back().page->Kind() != kDbIndexPage) mHint.swap(mStack);
  mStack.clear();
}

// Where the hint's leaf takes the key in (its first record before key, a record at or after
// it), a descent from the root would end on that leaf at the same record: the index entries
// that lead elsewhere bound the keys of their children. Only a path whose pages are all as
// they were when it was found, under the same root, is tried.
TableCursor::HintUse TableCursor::DescendByHint(const uint8_t* key, uint32_t length) {
  if (mHint.empty()) return HintUse::kNone;
  uint32_t root = 0;
  if (!RootPage(&root) || mHint.front().page.Number() != root) return HintUse::kNone;
  for (const Level& level : mHint)
    if (level.changeCount != level.page->ChangeCount()) return HintUse::kNone;
  Level& leaf = mHint.back();
  qvdbRecordTracking* page = leaf.page.Entry();
  const uint32_t found = LowerBound(page, key, length);
  const std::vector<uint16_t>& offsets = page->RecordOffsets();
  const bool inLeaf = found > 0 && found < offsets.size();
  if (inLeaf) leaf.offset = offsets[found];
  else mHint.resize(1);  // the root as it was, to go down from without reading it again
  mPushes = inLeaf ? 0 : 1;
  mStack.swap(mHint);
  mHint.clear();
  return inLeaf ? HintUse::kLeaf : HintUse::kRoot;
}

bool TableCursor::Start(const uint8_t* key, uint32_t length) {
  static const uint8_t kNoKey[1] = {0};
  if (!key) key = kNoKey;
  mStarted = true;
  ResetAnchor();
  mAnchor.key.assign(key, key + length);
  const HintUse hint = DescendByHint(key, length);
  if (hint == HintUse::kLeaf) return true;
  if (hint == HintUse::kRoot ? DescendFrom(mStack, key, length) : Descend(mStack, key, length))
    return true;
  EndAtLast();
  return false;
}

bool TableCursor::RevalidateLevels() {
  for (const Level& level : mStack)
    if (level.changeCount != level.page->ChangeCount()) return Refind();
  // Pages pushed later are as they were then, unless the serial moves again.
  mValidAt = mStore.ChangeSerial();
  return true;
}

// Another cursor (or the end of a transaction) moved records under this one: descend again to
// the anchor's key and step to the anchor's record among those with that key. When it is no
// longer live, a live record with the key stands for the row (an update gave it a new record);
// failing both, the row is gone and the cursor stands on no record, before its successor: it
// must never take the successor for its row.
bool TableCursor::Refind() {
  // The store settles every pending key before records move, so none is pending here.
  if (!QV_CHECK(!mAnchor.keyPending)) {
    EndAtLast();
    return false;
  }
  Anchor anchor = mAnchor;
  if (!Descend(mStack, anchor.key.data(), static_cast<uint32_t>(anchor.key.size()))) {
    EndAtLast();
    return false;
  }
  mAnchor.fresh = true;
  if (!anchor.onRecord) return true;
  Stack own, live;
  Step step = StepForward(mStack, false);
  for (; step == Step::kRecord; step = StepForward(mStack, true)) {
    if (CompareAt(mStack.back(), anchor.key.data(), uint32_t(anchor.key.size()), false) != 0)
      break;
    const bool isLive = RecordIsLive(RecordUnderCursor());
    if (RecordId(RecordUnderCursor()) == anchor.id) {
      own = mStack;
      if (isLive) break;
    } else if (isLive && live.empty()) {
      live = mStack;
    }
  }
  if (step == Step::kFailed) {
    EndAtLast();
    return false;
  }
  const bool ownLive = !own.empty() && RecordIsLive(own.back().page->RecordAt(own.back().offset));
  if (ownLive || (!own.empty() && live.empty())) {
    mStack.swap(own);
    mAnchor.fresh = anchor.fresh;
  } else if (!live.empty()) {
    mStack.swap(live);
    SaveAnchor();
    mAnchor.fresh = anchor.fresh;
  } else if (step == Step::kEnd) {
    EndAtLast();
  } else {
    mAnchor.onRecord = false;
  }
  return true;
}

// ---- reading ----

bool TableCursor::Seek(const uint8_t* key, uint32_t length, bool* exact) {
  *exact = false;
  if (!Start(key, length)) return false;
  if (OnLeafPosition()) {
    SaveAnchor();
    if (CompareKeys(mAnchor.key.data(), static_cast<uint32_t>(mAnchor.key.size()), key, length))
      return true;
    if (RecordIsLive(RecordUnderCursor())) {
      *exact = true;
      return true;
    }
  }
  // Past a deleted record with the key, or past the end of the leaf (the key is the first of
  // the next child), the live record may still follow: the cursor then stands on it.
  Stack probe = mStack;
  Step found = FindLiveKey(probe, key, length);
  if (found != Step::kRecord) return found != Step::kFailed;
  *exact = true;
  mStack.swap(probe);
  SaveAnchor();
  return true;
}

bool TableCursor::Next() {
  if (!mStarted && !Start(nullptr, 0)) return false;
  if (!Revalidate() || mAnchor.atEnd) return false;
  Step step = StepForward(mStack, !mAnchor.fresh);
  mAnchor.fresh = false;
  if (step != Step::kRecord) {
    EndAtLast();
    return false;
  }
  SaveAnchorKeyLater();
  return true;
}

bool TableCursor::NextMatching() {
  if (!mStarted && !mFilter.empty() &&
      !Start(mFilter.data(), static_cast<uint32_t>(mFilter.size())))
    return false;
  while (Next()) {
    if (!RecordIsLive(RecordUnderCursor())) continue;
    if (mFilter.empty()) return true;
    const int32_t order =
        CompareAt(mStack.back(), mFilter.data(), uint32_t(mFilter.size()), true);
    if (order == 0) return true;
    // Keys that begin with the filter lie together: past them, none is left.
    if (order > 0) {
      EndAtLast();
      return false;
    }
  }
  return false;
}

const uint8_t* TableCursor::CurrentRecord(uint32_t* length) {
  if (!Revalidate() || !OnRecord()) return nullptr;
  const uint8_t* record = RecordUnderCursor();
  *length = RecordLength(record);
  return record;
}

// ---- changing ----

bool TableCursor::CheckRecordShape(const uint8_t* record, uint32_t length) {
  if (!QV_CHECK_TEXT(length <= kDbMaxRecordLength, "dataLen <= maxRecordBlockLength", nullptr))
    return Refuse(StorageErrorCode::kRecordTooLong, "a record longer than a page holds");
  DbRecordProblem problem = length < kDbRecordPrefixSize || RecordLength(record) != length
                                ? DbRecordProblem::kTooShort
                                : CheckRecord(mLeafKind, record, length, mStore.PageCount());
  if (problem != DbRecordProblem::kNone) {
    QV_FAIL(DbRecordProblemText(problem));
    return Refuse(StorageErrorCode::kBadRecord, DbRecordProblemText(problem));
  }
  return true;
}

bool TableCursor::CheckInsertable(const uint8_t* record, uint32_t length) {
  if (!CheckRecordShape(record, length)) return false;
  if (!mKeys.Build(mLeafKind, record, length))
    return Refuse(StorageErrorCode::kBadRecord, "a key column holds a value without a key");
  if (IndexRecordLength(mKeys.Size()) > kDbMaxRecordLength)
    return Refuse(StorageErrorCode::kRecordTooLong, "a record's key is too long for an index");
  return true;
}

bool TableCursor::Insert(const uint8_t* record, uint32_t length) {
  if (!Revalidate()) return false;
  if (!mStarted || mAnchor.atEnd || mStack.empty() || mStack.back().page->Kind() == kDbIndexPage)
    return Refuse(StorageErrorCode::kNotPositioned, "the cursor stands on no leaf");
  // The record's status and stamp are the cursor's to give.
  mRecord.assign(record, record + length);
  if (length >= kDbRecordPrefixSize)
    SetRecordStatus(mRecord.data(), kDbLive, mStore.CurrentStamp());
  if (!CheckInsertable(mRecord.data(), length)) return false;
  if (!mStore.MarkChanged(mStack.back().page.Entry())) return false;
  return InsertHere(mRecord.data(), length);
}

// The leaf under the cursor is marked changed and the record checked: from here nothing can
// fail short of a damaged file.
bool TableCursor::InsertHere(const uint8_t* record, uint32_t length) {
  mKeys.Build(mLeafKind, record, length);
  mNewKey = mKeys.Key();
  Level& leaf = mStack.back();
  qvdbRecordTracking* page = leaf.page.Entry();
  uint32_t offset = leaf.offset;
  bool fits = page->Used() + length <= kDbPayloadSize;
  if (!fits) {
    // A split may grow the root, which rewrites the parent's record; and the first record of
    // the part that moves keys an index entry, so its key must fit one.
    if (mParent && !mParent->Revalidate()) return false;
    if (offset < page->Used() && BuildKey(page, offset) &&
        IndexRecordLength(mKeys.Size()) > kDbMaxRecordLength)
      return Refuse(StorageErrorCode::kRecordTooLong, "a key is too long for an index");
  }
  if (!InsertAtLevel(0, record, length, offset)) return false;
  mAnchor.key.swap(mNewKey);
  mAnchor.keyPending = false;
  mAnchor.id = RecordId(record);
  mAnchor.onRecord = true;
  mAnchor.fresh = false;
  if (!fits) return Refind();
  mStack.back().changeCount = page->ChangeCount();
  return true;
}

bool TableCursor::InsertAtLevel(uint32_t height, const uint8_t* record, uint32_t length,
                                uint32_t offset) {
  qvdbRecordTracking* page = LevelAt(height).page.Entry();
  if (!mStore.MarkChanged(page)) return false;
  uint32_t used = page->Used();
  if (used + length > kDbPayloadSize) return SplitAtLevel(height, record, length, offset);
  std::memmove(page->RecordAt(offset + length), page->RecordAt(offset), used - offset);
  std::memcpy(page->RecordAt(offset), record, length);
  page->SetUsed(used + length);
  uint64_t before = page->ChangeCount();
  mStore.Rearranged(page);
  page->NoteInsert(offset, length, before);
  return true;
}

// A full page splits at the insertion point: the record stays on the old page when it fits
// there, else it starts a new page with the tail when both fit, else it gets a page of its
// own before the tail's. New pages follow the old one in the parent.
bool TableCursor::SplitAtLevel(uint32_t height, const uint8_t* record, uint32_t length,
                               uint32_t offset) {
  if (height + 1 == mStack.size() && !GrowRoot()) return false;
  PageRef page = LevelAt(height).page;
  uint32_t tail = page->Used() - offset;
  uint8_t* vacated = page->RecordAt(offset);
  PageRef first = mStore.NewPage(page->Kind(), page->Origin());
  if (!first) return false;
  if (offset + length <= kDbPayloadSize) {
    std::memcpy(first->RecordAt(0), vacated, tail);
    first->SetUsed(tail);
    std::memset(vacated, 0, tail);
    std::memcpy(vacated, record, length);
    page->SetUsed(offset + length);
  } else if (length + tail <= kDbPayloadSize) {
    std::memcpy(first->RecordAt(0), record, length);
    std::memcpy(first->RecordAt(length), vacated, tail);
    first->SetUsed(length + tail);
    std::memset(vacated, 0, tail);
    page->SetUsed(offset);
  } else {
    PageRef second = mStore.NewPage(page->Kind(), page->Origin());
    if (!second) return false;
    std::memcpy(first->RecordAt(0), record, length);
    first->SetUsed(length);
    std::memcpy(second->RecordAt(0), vacated, tail);
    second->SetUsed(tail);
    std::memset(vacated, 0, tail);
    page->SetUsed(offset);
    mStore.Rearranged(page.Entry());
    mStore.Rearranged(first.Entry());
    mStore.Rearranged(second.Entry());
    // Each goes just after the parent's current entry: the record's page ends up first.
    return AddIndexEntry(height + 1, second) && AddIndexEntry(height + 1, first);
  }
  mStore.Rearranged(page.Entry());
  mStore.Rearranged(first.Entry());
  return AddIndexEntry(height + 1, first);
}

// The parent's entry for a new child: keyed by the child's first record, counting what lies
// beneath it, placed just after the parent's current entry.
bool TableCursor::AddIndexEntry(uint32_t height, const PageRef& child) {
  const uint8_t* first = child->RecordAt(0);
  uint32_t count = 0;
  const uint8_t* key;
  uint32_t keyLength;
  if (child->Kind() == kDbIndexPage) {
    for (uint16_t offset : child->RecordOffsets())
      count += LoadBigEndian16(child->RecordAt(offset) + kDbIndexCount);
    key = first + kDbIndexKey;
    keyLength = RecordLength(first) - kDbIndexKey;
  } else {
    count = static_cast<uint32_t>(child->RecordOffsets().size());
    BuildKey(child.Entry(), 0);
    key = mKeys.Data();
    keyLength = mKeys.Size();
  }
  std::vector<uint8_t> entry(IndexRecordLength(keyLength));
  BuildIndexRecord(entry.data(), mStore.CurrentStamp(), count, child.Number(), key, keyLength);
  Level& parent = LevelAt(height);
  uint32_t after = parent.offset + RecordLength(parent.page->RecordAt(parent.offset));
  return InsertAtLevel(height, entry.data(), static_cast<uint32_t>(entry.size()), after);
}

// The root overflowed: a new index page above it, with one empty-keyed entry for the old root,
// becomes the tree's root.
bool TableCursor::GrowRoot() {
  PageRef root = mStore.NewPage(kDbIndexPage, PageStore::kOwnPage);
  if (!root) return false;
  BuildIndexRecord(root->RecordAt(0), mStore.CurrentStamp(), 0, mStack.front().page.Number(),
                   nullptr, 0);
  root->SetUsed(IndexRecordLength(0));
  mStore.Rearranged(root.Entry());
  if (mParent) {
    Level& directory = mParent->mStack.back();
    if (!mStore.MarkChanged(directory.page.Entry())) return false;
    StoreBigEndian32(directory.page->RecordAt(directory.offset) + kDbDirectoryRoot, root.Number());
  } else {
    mStore.SetDirectoryRoot(root.Number());
  }
  uint64_t changeCount = root->ChangeCount();
  mStack.insert(mStack.begin(), Level{std::move(root), 0, changeCount});
  return true;
}

// A record the open transaction inserted leaves it for good (stamp 0): a rollback must not
// bring it back. Any other is marked with the transaction, for a rollback to revive.
void TableCursor::MarkDeleted(uint8_t* record) {
  uint32_t stamp = mStore.CurrentStamp();
  // A committed row rewritten in place is deleted as itself, for a rollback to revive.
  mStore.RestoreRewritten(record);
  SetRecordStatus(record, kDbDeleted, RecordStamp(record) == stamp ? 0 : stamp);
}

bool TableCursor::DeleteCurrent() {
  if (!Revalidate()) return false;
  if (!OnRecord() || !RecordIsLive(RecordUnderCursor()))
    return Refuse(StorageErrorCode::kNotPositioned, "the cursor stands on no live record");
  if (!mStore.MarkChanged(mStack.back().page.Entry())) return false;
  MarkDeleted(RecordUnderCursor());
  return true;
}

bool TableCursor::UpdateCurrent(const uint8_t* record, uint32_t length, bool keyKept) {
  if (!Revalidate()) return false;
  if (!OnRecord() || !RecordIsLive(RecordUnderCursor()))
    return Refuse(StorageErrorCode::kNotPositioned, "the cursor stands on no live record");
  std::vector<uint8_t>& next = mRecord;  // the buffer Insert uses too
  next.assign(record, record + length);
  if (length >= kDbRecordPrefixSize) SetRecordStatus(next.data(), kDbLive, mStore.CurrentStamp());
  // The id first: a table without key columns keys its rows by their ids. There the row keeps
  // its id, so it keeps its place and the cursor stays on it; a new id would move it behind
  // every other row when the cursor closes, and leave the cursor on the record it replaced.
  if (length >= kDbRowMinLength) {
    const bool keyedById = mLeafKind == kDbRowLeaf && mKeys.KeyColumnCount() == 0;
    StoreBigEndian32(next.data() + kDbRowId,
                     keyedById ? RecordId(RecordUnderCursor()) : mStore.NextRecordId());
  }
  if (keyKept && mLeafKind == kDbRowLeaf)
    return CheckRecordShape(next.data(), length) && ReplaceKeepingKey(length);
  if (!CheckInsertable(next.data(), length)) return false;
  std::vector<uint8_t>& key = mNewKey;
  key = mKeys.Key();
  SettleAnchorKey();
  bool sameKey = key == mAnchor.key;
  if (!sameKey) {
    if (mSpillKeys.count(key))
      return Refuse(StorageErrorCode::kDuplicateKey, "the new key is taken");
    Stack probe;
    uint32_t keyLength = static_cast<uint32_t>(key.size());
    if (!Descend(probe, key.data(), keyLength)) return false;
    Step found = FindLiveKey(probe, key.data(), keyLength);
    if (found == Step::kFailed) return false;
    if (found == Step::kRecord)
      return Refuse(StorageErrorCode::kDuplicateKey, "the new key is taken");
  }
  if (!mStore.MarkChanged(mStack.back().page.Entry())) return false;
  if (sameKey && RewriteInPlace(mRecord.data(), length)) return true;
  if (!sameKey && !Park(mRecord.data(), length, key)) return false;
  MarkDeleted(RecordUnderCursor());
  return !sameKey || InsertHere(mRecord.data(), length);
}

// The new row in mRecord has the key of the row under the cursor, so no key is worked out, and
// a rewrite in place moves no record: the cursors' anchors are settled only when records move.
bool TableCursor::ReplaceKeepingKey(uint32_t length) {
  if (!mStore.MarkChangedInPlace(mStack.back().page.Entry())) return false;
  if (RewriteInPlace(mRecord.data(), length)) return true;
  MarkDeleted(RecordUnderCursor());
  return InsertHere(mRecord.data(), length);
}

// A row replaced by one of its own length keeps its place in the changed leaf: no record
// moves, so no page splits and no cursor has to find its place again. The store keeps the
// committed row for a rollback; when it will not, the caller replaces the row as a new record.
bool TableCursor::RewriteInPlace(const uint8_t* record, uint32_t length) {
  uint8_t* current = RecordUnderCursor();
  if (length < kDbRowMinLength || RecordLength(current) != length ||
      !mStore.NoteRewrite(current, record, length))
    return false;
  std::memcpy(current, record, length);
  mStore.Rewrote();
  mAnchor.id = RecordId(record);
  mAnchor.onRecord = true;
  mAnchor.fresh = false;
  return true;
}

// ---- rows parked by updates ----

bool TableCursor::Park(const uint8_t* record, uint32_t length, const std::vector<uint8_t>& key) {
  if (!mSpill) {
    mSpill = SpillFile::Create(mStore.FileSystem(), &mStore.Error());
    if (!mSpill) return false;
    mStore.AddListener(this);
  }
  if (!mSpill->Append(record, length, &mStore.Error())) return false;
  mSpillKeys.insert(key);
  return true;
}

bool TableCursor::PutParkedRows() {
  if (!mSpill) return true;
  std::unique_ptr<SpillFile> spill = std::move(mSpill);
  DropParkedRows();
  SettleAnchorKey();
  Anchor saved = mAnchor;
  bool started = mStarted;
  bool allPut = true;
  // A spill file that cannot be read back fails the put as surely as a row that finds no
  // place: its rows are gone from this transaction.
  bool allRead = spill->ForEach(
      [&](const uint8_t* row, uint32_t length) {
        // Each row gets its place even when another could not: nothing more is lost.
        std::vector<uint8_t> key;
        bool put = KeyOf(row, length, &key) &&
                   Descend(mStack, key.data(), static_cast<uint32_t>(key.size())) &&
                   mStore.MarkChanged(mStack.back().page.Entry());
        if (put) {
          mStarted = true;
          mAnchor.atEnd = false;
          mRecord.assign(row, row + length);
          SetRecordStatus(mRecord.data(), kDbLive, mStore.CurrentStamp());
          put = InsertHere(mRecord.data(), length);
        }
        allPut = allPut && put;
        return true;
      },
      &mStore.Error());
  mAnchor = saved;
  mStarted = started;
  mStack.clear();
  if (started && !saved.atEnd && !Refind()) return false;
  return allRead && allPut;
}

void TableCursor::DropParkedRows() {
  mSpill.reset();
  mSpillKeys.clear();
  mStore.RemoveListener(this);
}

bool TableCursor::BeforeCommit() { return PutParkedRows(); }

void TableCursor::BeforeRollback() { DropParkedRows(); }
