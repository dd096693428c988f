#include "StorageChecker.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "database/RecordFormat.h"
#include "database/SortKey.h"
#include "database/TableCursor.h"
#include "database/TableDirectory.h"

namespace dbtest {

namespace {

class TreeWalker {
 public:
  TreeWalker(PageStore& store, uint32_t leafKind, const Bytes& keyColumns)
      : mStore(store), mLeafKind(leafKind) {
    mKeys.SetKeyColumns(keyColumns.data(), static_cast<uint32_t>(keyColumns.size()));
  }

  bool Walk(uint32_t number, const Bytes& lowest, uint32_t depth) {
    if (!mSeen.insert(number).second) return Fail("a page is reached twice");
    PageRef page = mStore.ReadPage(number);
    if (!page) return Fail("a page cannot be read: " + mStore.LastError().message);
    ++report.pages;
    report.depth = std::max(report.depth, depth);
    bool index = page->Kind() == kDbIndexPage;
    if (!index && page->Kind() != mLeafKind) return Fail("a leaf of another kind");
    Bytes previousEntry;
    for (uint16_t offset : page->RecordOffsets()) {
      const uint8_t* record = page->RecordAt(offset);
      uint32_t length = RecordLength(record);
      mKeys.Build(page->Kind(), record, length);
      const Bytes& key = mKeys.Key();
      if (key < lowest) return Fail("a key lies below its index entry");
      if (index) {
        if (!RecordIsLive(record)) return Fail("an index entry is marked deleted");
        if (key < previousEntry) return Fail("index entries out of order");
        previousEntry = key;
        if (!Walk(IndexRecordChild(record), std::max(key, lowest), depth + 1)) return false;
        continue;
      }
      if (!mLastKey.empty() && key < mLastKey) return Fail("leaf records out of order");
      mLastKey = key;
      if (RecordIsLive(record)) report.live.emplace_back(record, record + length);
    }
    return true;
  }

  // Every live record is found again: Seek of its key, then its id among the records with it.
  void CheckSeeks(TableCursor& cursor) {
    for (const Bytes& record : report.live) {
      bool exact = false;
      uint32_t length = 0;
      Bytes key;
      if (!cursor.KeyOf(record.data(), uint32_t(record.size()), &key) ||
          !cursor.Seek(key.data(), uint32_t(key.size()), &exact) || !exact)
        return (void)Fail("Seek misses a record");
      const uint8_t* found = cursor.CurrentRecord(&length);
      while (found && RecordId(found) != RecordId(record.data()))
        found = cursor.Next() ? cursor.CurrentRecord(&length) : nullptr;
      if (!found) return (void)Fail("Seek does not lead to a live record");
    }
  }

  bool Fail(const std::string& problem) {
    report.problem = problem;
    return false;
  }

  TreeReport report;

 private:
  PageStore& mStore;
  uint32_t mLeafKind;
  SortKeyBuilder mKeys;
  std::set<uint32_t> mSeen;
  Bytes mLastKey;
};

}  // namespace

TreeReport CheckStoredTable(PageStore& store, const std::string& name, const Bytes& keyColumns) {
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(
      store, string(name.c_str()), nullptr, 0, keyColumns.data(), uint32_t(keyColumns.size()));
  // The root, read from the table's directory record.
  std::unique_ptr<TableCursor> directory = TableCursor::OpenDirectory(store);
  uint32_t root = kDbNoPage, length = 0;
  while (root == kDbNoPage && directory->NextMatching()) {
    const uint8_t* record = directory->CurrentRecord(&length);
    uint32_t nameLength = LoadBigEndian32(record + kDbDirectoryNameLength);
    if (std::string(reinterpret_cast<const char*>(record + kDbDirectoryName), nameLength) == name)
      root = DirectoryRecordRoot(record);
  }
  TreeWalker walker(store, kDbRowLeaf, keyColumns);
  if (!cursor || root == kDbNoPage)
    walker.Fail("no table " + name);
  else if (walker.Walk(root, Bytes(), 1))
    walker.CheckSeeks(*cursor);
  return walker.report;
}

TreeReport CheckDirectoryTree(PageStore& store) {
  TreeWalker walker(store, kDbDirectoryLeaf, Bytes());
  std::unique_ptr<TableCursor> cursor = TableCursor::OpenDirectory(store);
  if (walker.Walk(store.DirectoryRoot(), Bytes(), 1)) walker.CheckSeeks(*cursor);
  return walker.report;
}

namespace {

int32_t IntegerColumn(const Bytes& row, uint8_t column, int32_t absent) {
  DbColumnValue v;
  if (!FindRowColumn(row.data(), uint32_t(row.size()), column, &v)) return absent;
  if (v.type == kDbSmallInt) return int16_t(LoadBigEndian16(v.value));
  if (v.type == kDbInteger) return int32_t(LoadBigEndian32(v.value));
  return absent;
}

// Counts, for every large-value record, the values that reach it from the rows.
std::string CheckLargeValues(const std::vector<Bytes>& blobs,
                             const std::vector<const Bytes*>& rows) {
  std::map<uint32_t, DbLargeValueRecord> records;
  for (const Bytes& b : blobs) {
    DbLargeValueRecord value;
    if (!ReadLargeValueRecord(b.data(), uint32_t(b.size()), &value))
      return "sys$blob: a record without the large-value layout";
    records[RecordId(b.data())] = value;
  }
  std::map<uint32_t, int> reached;
  for (const Bytes* row : rows) {
    RowColumns values(row->data(), uint32_t(row->size()));
    for (DbColumnValue v; values.Next(&v);) {
      if (v.type != kDbLongText && v.type != kDbLongBytes) continue;
      std::vector<uint32_t> pending = {LoadBigEndian32(v.value)};
      while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        auto found = records.find(id);
        if (found == records.end()) return "a row names a large value that is missing";
        if (++reached[id] > 1) return "a large-value record is reached twice";
        const DbLargeValueRecord& r = found->second;
        if (r.kind == kDbLargeValuePieceList)
          for (uint32_t at = 0; at + 8 <= r.size; at += 8)
            pending.push_back(LoadBigEndian32(r.data + at));
      }
    }
  }
  for (const auto& [id, record] : records)
    if (!reached.count(id)) return "a large-value record no row holds: " + std::to_string(id);
  return "";
}

}  // namespace

std::string CheckBuiltInStore(PageStore& store) {
  const TreeReport directory = CheckDirectoryTree(store);
  if (!directory.problem.empty()) return "directory: " + directory.problem;
  const TreeReport tables = CheckStoredTable(store, kDbTablesStorage, {1});
  const TreeReport fields = CheckStoredTable(store, kDbFieldsStorage, {0, 2});
  const TreeReport blobs = CheckStoredTable(store, kDbBlobStorage, {});
  for (const TreeReport* r : {&tables, &fields, &blobs})
    if (!r->problem.empty()) return "catalogue: " + r->problem;
  std::map<uint32_t, std::map<int32_t, uint8_t>> keys;
  for (const Bytes& row : tables.live) keys[uint32_t(IntegerColumn(row, 0, -1))];
  for (const Bytes& row : fields.live) {
    const int32_t position = IntegerColumn(row, 5, 0);
    if (position > 0)
      keys[uint32_t(IntegerColumn(row, 0, -1))][position] = uint8_t(IntegerColumn(row, 1, 0));
  }
  std::vector<TreeReport> reports;
  for (const auto& [id, positions] : keys) {
    Bytes keyColumns;
    for (const auto& [position, ordinal] : positions) {
      if (position != int32_t(keyColumns.size()) + 1) return "a gap in a primary key";
      keyColumns.push_back(ordinal);
    }
    reports.push_back(CheckStoredTable(store, std::to_string(id), keyColumns));
    if (!reports.back().problem.empty())
      return "table " + std::to_string(id) + ": " + reports.back().problem;
  }
  std::vector<const Bytes*> rows;
  for (const TreeReport& r : reports)
    for (const Bytes& row : r.live) rows.push_back(&row);
  return CheckLargeValues(blobs.live, rows);
}

std::string CheckBuiltInFile(const std::string& path) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Open(string(path.c_str()), &error);
  if (!store) return "the file does not open: " + error.message;
  return CheckBuiltInStore(*store);
}

}  // namespace dbtest
