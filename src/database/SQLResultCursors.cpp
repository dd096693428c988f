#include "database/SQLResultCursors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "app/BackgroundTask.h"
#include "database/DatabaseClasses.h"
#include "database/DatabasePlugins.h"
#include "database/RowStore.h"
#include "database/SortKey.h"
#include "database/StorageFile.h"

namespace {

// A row's bytes: per column a 16-bit code, a 32-bit length and the value bytes (host order).
constexpr uint32_t kColumnHeader = 6;
// Values past this size are not kept (a row of the in-memory run is addressed in 32 bits).
constexpr uint32_t kLargestValue = 1u << 30;
// Background tasks run once per this many source rows.
constexpr int32_t kRowsPerBackgroundRun = 256;

void AppendColumn(std::vector<uint8_t>* out, uint8_t code, const void* data, uint32_t length) {
  uint8_t header[kColumnHeader];
  const uint16_t code16 = code;
  memcpy(header, &code16, 2);
  memcpy(header + 2, &length, 4);
  out->insert(out->end(), header, header + kColumnHeader);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (length) out->insert(out->end(), bytes, bytes + length);
}

ColumnValue ColumnAt(const uint8_t* row, uint32_t offset) {
  ColumnValue value;
  uint16_t code;
  memcpy(&code, row + offset, 2);
  memcpy(&value.length, row + offset + 2, 4);
  value.code = static_cast<uint8_t>(code);
  value.data = code == kColumnNull ? nullptr : row + offset + kColumnHeader;
  return value;
}

// Offsets of count columns in a row of size bytes; false when the bytes do not hold them.
bool IndexColumns(const uint8_t* row, uint32_t size, int32_t count, uint32_t* offsets) {
  uint64_t at = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (at + kColumnHeader > size) return false;
    uint32_t length;
    memcpy(&length, row + at + 2, 4);
    offsets[i] = static_cast<uint32_t>(at);
    at += kColumnHeader + uint64_t(length);
  }
  return at <= size;
}

// Appends column i of the source's current row; answers its value bytes. Code 18 is kept as its
// text (code 5); a value with no data is NULL.
uint32_t AppendSourceValue(DatabaseCursorObject* source, int32_t i, std::vector<uint8_t>* out) {
  const void* data = nullptr;
  uint8_t code = 0;
  int32_t length = 0;
  CallCursorEntry(source->cursor, source->cursor->curColumnValue, source->cursorHandle, i, &data,
                  &code, &length);
  if (code == kColumnString && data && length >= int32_t(sizeof(stringStorage*))) {
    stringStorage* text;
    memcpy(&text, data, sizeof text);
    code = kColumnText;
    data = stringStorage::CString(text);
    length = stringStorage::Length(text);
  }
  if (!data || length < 0 || uint32_t(length) > kLargestValue) {
    code = kColumnNull;
    length = 0;
  }
  AppendColumn(out, code, data, code == kColumnNull ? 0 : uint32_t(length));
  CallCursorEntry(source->cursor, source->cursor->curReleaseValue, source->cursorHandle);
  return code == kColumnNull ? 0 : uint32_t(length);
}

long double NumberOf(const ColumnValue& v) {
  switch (v.code) {
    case kColumnInt16: { int16_t x; memcpy(&x, v.data, 2); return x; }
    case kColumnInt32: { int32_t x; memcpy(&x, v.data, 4); return x; }
    case kColumnInt64: { int64_t x; memcpy(&x, v.data, 8); return x; }
    case kColumnCurrency: { int64_t x; memcpy(&x, v.data, 8); return x / 10000.0L; }
    case kColumnSingle: { float x; memcpy(&x, v.data, 4); return x; }
    default: { double x; memcpy(&x, v.data, 8); return x; }
  }
}

bool HasLength(const ColumnValue& v, uint32_t length) { return v.data && v.length >= length; }

// Rank of a value's class in the total order.
int ClassOf(const ColumnValue& v) {
  if (!v.data || v.code == kColumnNull) return 0;
  switch (v.code) {
    case kColumnInt16: return HasLength(v, 2) ? 1 : 9;
    case kColumnInt32:
    case kColumnSingle: return HasLength(v, 4) ? 1 : 9;
    case kColumnInt64:
    case kColumnCurrency:
    case kColumnDouble: return HasLength(v, 8) ? 1 : 9;
    case kColumnChar:
    case kColumnText:
    case kColumnLongText: return 2;
    case kColumnDate: return HasLength(v, 6) ? 3 : 9;
    case kColumnTime: return HasLength(v, 6) ? 4 : 9;
    case kColumnTimestamp: return HasLength(v, 12) ? 5 : 9;
    case kColumnBoolean: return HasLength(v, 1) ? 6 : 9;
    case kColumnBytes:
    case kColumnLongBytes: return 7;
    default: return 9;
  }
}

bool IsExactInteger(uint8_t code) {
  return code == kColumnInt16 || code == kColumnInt32 || code == kColumnInt64;
}

// An exact integer's value, read as such: going through long double would cost an x87
// store and reload (and a control word change) for every comparison.
int64_t ExactIntegerOf(const ColumnValue& v) {
  switch (v.code) {
    case kColumnInt16: { int16_t x; memcpy(&x, v.data, 2); return x; }
    case kColumnInt32: { int32_t x; memcpy(&x, v.data, 4); return x; }
    default: { int64_t x; memcpy(&x, v.data, 8); return x; }
  }
}

int CompareNumbers(const ColumnValue& a, const ColumnValue& b) {
  if (IsExactInteger(a.code) && IsExactInteger(b.code)) {
    const int64_t x = ExactIntegerOf(a), y = ExactIntegerOf(b);
    return x < y ? -1 : x > y;
  }
  const long double x = NumberOf(a), y = NumberOf(b);
  const bool xNaN = std::isnan(x), yNaN = std::isnan(y);
  if (xNaN || yNaN) return xNaN == yNaN ? 0 : (xNaN ? -1 : 1);  // NaN before every number
  return x < y ? -1 : x > y;
}

int CompareWeighted(const ColumnValue& a, const ColumnValue& b) {
  const uint32_t common = std::min(a.length, b.length);
  for (uint32_t i = 0; i < common; ++i) {
    const uint8_t x = kDbCollation[a.data[i]], y = kDbCollation[b.data[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.length < b.length ? -1 : a.length > b.length;
}

int CompareBytes(const ColumnValue& a, const ColumnValue& b, uint32_t limit) {
  const uint32_t la = std::min(a.length, limit), lb = std::min(b.length, limit);
  const int order = memcmp(a.data, b.data, std::min(la, lb));
  if (order) return order < 0 ? -1 : 1;
  return la < lb ? -1 : la > lb;
}

// The first 60 bits of a value's place in the total order: its class, then the start of the
// value. A lower prefix means an earlier value; equal prefixes say nothing, and the whole
// comparison decides. Sorting by the prefix first spares most whole comparisons.
uint64_t OrderPrefix(const ColumnValue& v) {
  const int rank = ClassOf(v);
  const uint64_t classBits = uint64_t(rank) << 60;
  auto leading = [&](uint32_t limit, const uint8_t* weights) {  // up to seven bytes, in order
    uint64_t bits = 0;
    const uint32_t n = std::min({v.length, limit, 7u});
    for (uint32_t i = 0; i < 7; ++i)
      bits = bits << 8 | (i < n ? (weights ? weights[v.data[i]] : v.data[i]) : 0);
    return bits << 4;
  };
  switch (rank) {
    case 1: {
      double x = double(NumberOf(v));
      if (std::isnan(x)) return classBits;  // NaN before every number
      if (x == 0) x = 0;                    // -0 and 0 are equal
      uint64_t bits;
      memcpy(&bits, &x, 8);
      bits = bits >> 63 ? ~bits : bits | (uint64_t{1} << 63);
      return classBits | std::max<uint64_t>(bits >> 4, 1);
    }
    case 2: return classBits | leading(~0u, kDbCollation);
    case 3:
    case 4: return classBits | leading(6, nullptr);
    case 5: return classBits | leading(12, nullptr);
    case 6: return classBits | (v.data[0] != 0);
    case 7: return classBits | leading(~0u, nullptr);
    default: return classBits;
  }
}

struct Keys {
  const std::vector<SQLSortKey>* keys;
  int32_t columns;
};

// The order prefix of a row's first key (reversed for a descending key).
uint64_t KeyPrefix(const Keys& k, const uint8_t* row, const uint32_t* offsets) {
  if (k.keys->empty() || k.columns == 0) return 0;
  const SQLSortKey& first = k.keys->front();
  const uint64_t prefix = OrderPrefix(ColumnAt(row, offsets[first.column]));
  return first.descending ? ~prefix : prefix;
}

// Key order, then every column ascending.
int CompareRowImages(const Keys& k, const uint8_t* a, const uint32_t* aOffsets, const uint8_t* b,
                     const uint32_t* bOffsets) {
  for (const SQLSortKey& key : *k.keys) {
    const int order = CompareColumnValues(ColumnAt(a, aOffsets[key.column]),
                                          ColumnAt(b, bOffsets[key.column]));
    if (order) return key.descending ? -order : order;
  }
  for (int32_t i = 0; i < k.columns; ++i) {
    const int order = CompareColumnValues(ColumnAt(a, aOffsets[i]), ColumnAt(b, bOffsets[i]));
    if (order) return order;
  }
  return 0;
}

// Reads row i of store into row and its column offsets.
bool ReadRow(RowStore* store, int32_t i, int32_t columns, std::vector<uint8_t>* row,
             std::vector<uint32_t>* offsets) {
  if (!RowStoreReadRow(store, i, row)) return false;
  offsets->resize(size_t(columns));
  return IndexColumns(row->data(), uint32_t(row->size()), columns, offsets->data());
}

// ---- The stored result: rows in a row store, served in order --------------------------------

// A row is read from the store as the cursor moves onto it, so that one that cannot be read is
// never served: the cursor then stands past its rows, and the database says why.
struct StoredResult {
  std::vector<string> names;  // the visible columns'
  int32_t columns = 0;        // in each stored row, hidden ones included
  RowStore* store = nullptr;
  DatabaseObject* database = nullptr;  // told of a row that cannot be read; its RecordSet holds it
  int32_t failure = 0;                 // why the last row that could not be read could not
  int32_t current = -1;
  int32_t loaded = -1;
  std::vector<uint8_t> row;
  std::vector<uint32_t> offsets;

  ~StoredResult() { RowStoreDestroy(store); }
  bool OnRow() const { return current >= 0 && current < RowStoreCount(store); }
};

StoredResult* Stored(dbCursor cur) { return static_cast<StoredResult*>(cur); }

void TellDatabase(DatabaseObject* database, int32_t error, TemporaryFileUse use) {
  if (database) SetDatabaseError(database, error, TemporaryFileProblem(error, use).c_str());
}

// Answers whether the cursor is on a row it could read.
uint8_t Settle(StoredResult* r) {
  if (!r->OnRow()) return false;
  if (r->loaded == r->current) return true;
  r->loaded = -1;
  if (ReadRow(r->store, r->current, r->columns, &r->row, &r->offsets)) {
    r->loaded = r->current;
    return true;
  }
  r->failure = RowStoreError(r->store) ? RowStoreError(r->store) : EIO;
  TellDatabase(r->database, r->failure, TemporaryFileUse::kReading);
  r->current = RowStoreCount(r->store);
  return false;
}

void StoredClose(dbCursor cur) { delete Stored(cur); }
int32_t StoredColumnCount(dbCursor cur) { return int32_t(Stored(cur)->names.size()); }
stringStorage* StoredColumnName(dbCursor cur, int32_t i) {
  StoredResult* r = Stored(cur);
  return i >= 0 && size_t(i) < r->names.size() ? r->names[size_t(i)].ExtractStringStorage()
                                               : nullptr;
}
void StoredColumnValue(dbCursor cur, int32_t i, const void** data, uint8_t* type,
                       int32_t* length) {
  StoredResult* r = Stored(cur);
  *data = nullptr;
  *type = kColumnNull;
  *length = 0;
  if (!r->OnRow() || r->loaded != r->current || i < 0 || size_t(i) >= r->names.size()) return;
  const ColumnValue value = ColumnAt(r->row.data(), r->offsets[size_t(i)]);
  *data = value.data;
  *type = value.code;
  *length = int32_t(value.length);
}
void StoredReleaseValue(dbCursor) {}  // the row stays loaded until the cursor moves on
uint8_t StoredNextRow(dbCursor cur) {
  StoredResult* r = Stored(cur);
  if (r->current < RowStoreCount(r->store)) ++r->current;
  return Settle(r);
}
uint8_t StoredPreviousRow(dbCursor cur) {
  StoredResult* r = Stored(cur);
  if (r->current > 0) --r->current;
  return Settle(r);
}
uint8_t StoredFirstRow(dbCursor cur) {
  Stored(cur)->current = 0;
  return Settle(Stored(cur));
}
uint8_t StoredLastRow(dbCursor cur) {
  StoredResult* r = Stored(cur);
  r->current = RowStoreCount(r->store) - 1;
  return Settle(r);
}

const QUORdbCursorDefinition* StoredCursorDefinition() {
  static QUORdbCursorDefinition definition = [] {
    QUORdbCursorDefinition d{};
    d.version = kDatabaseTableVersion;
    d.curClose = StoredClose;
    d.curColumnCount = StoredColumnCount;
    d.curColumnName = StoredColumnName;
    d.curColumnValue = StoredColumnValue;
    d.curReleaseValue = StoredReleaseValue;
    d.curNextRow = StoredNextRow;
    d.curPreviousRow = StoredPreviousRow;
    d.curFirstRow = StoredFirstRow;
    d.curLastRow = StoredLastRow;
    MarkFrameworkCursorDefinition(&d);
    return d;
  }();
  return &definition;
}

// Wraps a filled result as a RecordSet on its first row.
RuntimeObject* WrapStored(std::unique_ptr<StoredResult> result) {
  return QUORdbCursorFromDBCursor(result.release(), StoredCursorDefinition());
}

void LetBackgroundTasksRun(int32_t rowsRead) {
  if (rowsRead % kRowsPerBackgroundRun == 0) RunDueBackgroundTasks(false);
}

// ---- Sorting -------------------------------------------------------------------------------

// The rows of one run in memory, sorted and written out when the budget is used up.
class RunSorter {
 public:
  RunSorter(const std::vector<SQLSortKey>& keys, int32_t columns) : mKeys{&keys, columns} {}

  // Reads the source's current row; false when the run must be written out first (the row is
  // then read again into an empty run, which takes it whatever its size).
  bool ReadRow(DatabaseCursorObject* source) {
    const size_t start = mArena.size();
    uint64_t bytes = 0;
    for (int32_t i = 0; i < mKeys.columns; ++i) bytes += AppendSourceValue(source, i, &mArena);
    if (!mRows.empty() && (bytes > mBudget || mArena.size() > 0x40000000u)) {
      mArena.resize(start);
      return false;
    }
    mBudget -= std::min<uint64_t>(bytes, mBudget);
    mRows.push_back(uint32_t(start));
    mOffsets.resize(mOffsets.size() + size_t(mKeys.columns));
    IndexColumns(mArena.data() + start, uint32_t(mArena.size() - start), mKeys.columns,
                 mOffsets.data() + mOffsets.size() - size_t(mKeys.columns));
    return true;
  }

  bool Empty() const { return mRows.empty(); }

  // Sorts the run and hands its rows in order to write (bytes, size), which answers whether it
  // took them; the run is empty afterwards.
  template <typename Write>
  bool WriteTo(Write write) {
    const size_t n = size_t(mKeys.columns);
    std::vector<std::pair<uint64_t, uint32_t>> order(mRows.size());
    for (uint32_t i = 0; i < order.size(); ++i)
      order[i] = {KeyPrefix(mKeys, mArena.data() + mRows[i], mOffsets.data() + i * n), i};
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      const uint32_t x = a.second, y = b.second;
      const int c = CompareRowImages(mKeys, mArena.data() + mRows[x], mOffsets.data() + x * n,
                                     mArena.data() + mRows[y], mOffsets.data() + y * n);
      return c ? c < 0 : x > y;  // identical rows: the later-read first
    });
    bool written = true;
    for (const auto& [prefix, i] : order) {
      const uint32_t end = i + 1 < mRows.size() ? mRows[i + 1] : uint32_t(mArena.size());
      written = written && write(mArena.data() + mRows[i], end - mRows[i]);
    }
    mArena.clear();
    mRows.clear();
    mOffsets.clear();
    mBudget = kSortBudgetBytes;
    return written;
  }

  const Keys& keys() const { return mKeys; }

 private:
  Keys mKeys;
  std::vector<uint8_t> mArena;
  std::vector<uint32_t> mRows;     // start of each row in the arena
  std::vector<uint32_t> mOffsets;  // columns' offsets, relative to their row
  uint64_t mBudget = kSortBudgetBytes;
};

// ---- Runs waiting to be merged ------------------------------------------------------------

// Sorted runs written one after another into an anonymous temporary file as {u32 size, bytes}
// rows through a buffer. Each run is read back through a block buffer of its own, so that
// merging k runs costs one read per block, never a seek per row.
class RunFile {
 public:
  bool Open() {
    int error = 0;
    mFile = StorageFileSystem::Posix().OpenTemporary(&error);
    if (!mFile) mError = error;
    return mFile != nullptr;
  }
  bool Append(const uint8_t* row, uint32_t size) {
    if (mBuffer.size() + 4 + size > kWriteBuffer && !Flush()) return false;
    const size_t at = mBuffer.size();
    mBuffer.resize(at + 4 + size);
    memcpy(mBuffer.data() + at, &size, 4);
    if (size) memcpy(mBuffer.data() + at + 4, row, size);
    return true;
  }
  bool Flush() {
    const bool written =
        mBuffer.empty() || mFile->WriteAt(mWritten, mBuffer.data(), uint32_t(mBuffer.size()));
    if (!written && !mError) mError = mFile->LastError();
    mWritten += mBuffer.size();
    mBuffer.clear();
    return written;
  }
  uint64_t End() const { return mWritten + mBuffer.size(); }
  StorageFile* file() const { return mFile.get(); }
  // The host's error number of the first failure (of a read too, once merging), or 0.
  int32_t Error() const { return mError ? mError : mFile ? mFile->LastError() : 0; }

 private:
  static constexpr size_t kWriteBuffer = 256 * 1024;
  std::unique_ptr<StorageFile> mFile;
  std::vector<uint8_t> mBuffer;
  uint64_t mWritten = 0;
  int32_t mError = 0;
};

// The rows of one run, [start, end) of the run file, read a block at a time.
class RunReader {
 public:
  RunReader(StorageFile* file, uint64_t start, uint64_t end, uint32_t block)
      : mFile(file), mNext(start), mEnd(end), mBlock(block) {}

  bool AtEnd() const { return mUsed == mBuffer.size() && mNext == mEnd; }
  // The next row into row; false when the run is damaged or a read fails.
  bool Next(std::vector<uint8_t>* row) {
    uint32_t size = 0;
    if (!Take(&size, 4)) return false;
    row->resize(size);
    return Take(row->data(), size);
  }

 private:
  bool Take(void* out, uint32_t count) {
    auto* to = static_cast<uint8_t*>(out);
    while (count) {
      if (mUsed == mBuffer.size() && !Refill()) return false;
      const uint32_t n = uint32_t(std::min<size_t>(count, mBuffer.size() - mUsed));
      memcpy(to, mBuffer.data() + mUsed, n);
      to += n;
      mUsed += n;
      count -= n;
    }
    return true;
  }
  bool Refill() {
    const uint32_t n = uint32_t(std::min<uint64_t>(mEnd - mNext, mBlock));
    uint32_t got = 0;
    mBuffer.resize(n);
    mUsed = 0;
    if (n == 0 || !mFile->ReadAt(mNext, mBuffer.data(), n, &got) || got != n) {
      mBuffer.clear();
      return false;
    }
    mNext += n;
    return true;
  }

  StorageFile* mFile;
  uint64_t mNext, mEnd;
  uint32_t mBlock;
  std::vector<uint8_t> mBuffer;
  size_t mUsed = 0;
};

// What the merge's block buffers take together, and the least one run gets.
constexpr uint64_t kMergeBufferBytes = 4 << 20;
constexpr uint64_t kSmallestBlock = 16 * 1024;

// Merges the sorted runs [starts[i], starts[i + 1]) of the run file into out.
bool MergeRuns(RunFile& runs, const std::vector<uint64_t>& starts, const Keys& keys,
               RowStore* out) {
  struct Run {
    RunReader reader;
    std::vector<uint8_t> row;
    std::vector<uint32_t> offsets;
    uint64_t prefix;
  };
  const uint64_t block = std::max(kSmallestBlock, kMergeBufferBytes / (starts.size() - 1));
  std::vector<Run> merging;
  for (size_t r = 0; r + 1 < starts.size(); ++r)
    merging.push_back(
        {RunReader(runs.file(), starts[r], starts[r + 1], uint32_t(block)), {}, {}, 0});
  std::vector<size_t> heap;
  auto advance = [&](size_t r) {
    Run& run = merging[r];
    if (run.reader.AtEnd()) return true;
    if (!run.reader.Next(&run.row)) return false;
    run.offsets.resize(size_t(keys.columns));
    if (!IndexColumns(run.row.data(), uint32_t(run.row.size()), keys.columns,
                      run.offsets.data()))
      return false;
    run.prefix = KeyPrefix(keys, run.row.data(), run.offsets.data());
    heap.push_back(r);
    return true;
  };
  // The heap's top is the smallest row; between identical rows, the later run (read later).
  auto after = [&](size_t x, size_t y) {
    if (merging[x].prefix != merging[y].prefix) return merging[x].prefix > merging[y].prefix;
    const int c = CompareRowImages(keys, merging[x].row.data(), merging[x].offsets.data(),
                                   merging[y].row.data(), merging[y].offsets.data());
    return c ? c > 0 : x < y;
  };
  for (size_t r = 0; r < merging.size(); ++r)
    if (!advance(r)) return false;
  std::make_heap(heap.begin(), heap.end(), after);
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), after);
    const size_t r = heap.back();
    heap.pop_back();
    const Run& run = merging[r];
    if (!RowStoreAppendBytes(out, run.row.data(), uint32_t(run.row.size()))) return false;
    if (!advance(r)) return false;
    if (heap.size() && heap.back() == r) std::push_heap(heap.begin(), heap.end(), after);
  }
  return true;
}

// ---- Grouping ------------------------------------------------------------------------------

// One aggregate column of one group, folded value by value in the order the values come. It
// also notes whether any other order would give the same result: a sum whose every partial sum
// is exact (the values are multiples of one power of two, and their magnitudes add up below
// 2^52 of it), a least or greatest value without NaN and without both zeros.
struct Fold {
  int32_t count = 0;
  double running = 0.0;
  bool first = true;
  long double magnitude = 0;  // of the values summed
  int lowestBit = INT32_MAX;  // the exponent of the lowest set bit among them
  bool finite = true;
  bool nan = false, positiveZero = false, negativeZero = false;

  // v: the column's value in the source's row (not read for COUNT).
  void Add(int32_t kind, const ColumnValue& v) {
    ++count;
    if (kind == kSQLCount) return;
    if (ClassOf(v) != 1 || v.code == kColumnCurrency) return;
    const double x = double(NumberOf(v));
    if (kind == kSQLAvg) running = ((count - 1) * running + x) / count;
    else if (kind == kSQLSum) running += x;
    else if (kind == kSQLMin && (first || x < running)) running = x;
    else if (kind == kSQLMax && (first || x > running)) running = x;
    first = false;
    Note(kind, x);
  }

  void Note(int32_t kind, double x) {
    if (std::isnan(x)) nan = true;
    if (x == 0) (std::signbit(x) ? negativeZero : positiveZero) = true;
    if (kind != kSQLSum || x == 0) return;
    if (!std::isfinite(x)) {
      finite = false;
      return;
    }
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(x), &exponent);  // in [0.5, 1)
    const uint64_t digits = uint64_t(std::ldexp(fraction, 53));
    lowestBit = std::min(lowestBit, exponent - 53 + __builtin_ctzll(digits));
    magnitude += std::fabs(static_cast<long double>(x));
  }

  bool AnyOrder() const {
    if (nan || (positiveZero && negativeZero)) return false;
    return finite && (magnitude == 0 || magnitude < std::ldexp(1.0L, 52 + lowestBit));
  }
};

// A stored result that tells database, with an empty row store; none, the result then empty and
// the database told why, when the temporary files cannot be made.
std::unique_ptr<StoredResult> NewStoredResult(DatabaseObject* database) {
  auto result = std::make_unique<StoredResult>();
  result->database = database;
  int32_t error = 0;
  result->store = RowStoreCreate(&error);
  if (!result->store) TellDatabase(database, error ? error : EIO, TemporaryFileUse::kKeeping);
  return result;
}

// The same with these names for its columns.
std::unique_ptr<StoredResult> NewGroupedResult(const std::vector<std::string>& names,
                                               DatabaseObject* database) {
  std::unique_ptr<StoredResult> result = NewStoredResult(database);
  result->columns = int32_t(names.size());
  for (const std::string& name : names)
    result->names.push_back(string::FromBytes(name.data(), int64_t(name.size()), kEncodingUTF8));
  return result;
}

// A result whose rows did not all reach the row store is empty rather than partial, and the
// database says why (the first failure the files met). `kept` says the producer met no failure
// of its own; a failed append to the store counts as well (Flush answers the store's first
// error), so callers never read the store in the call that hands the result over.
RuntimeObject* WrapKept(std::unique_ptr<StoredResult> result, bool kept, int32_t failure) {
  if (result->store && (!kept || !RowStoreFlush(result->store))) {
    const int32_t error = RowStoreError(result->store) ? RowStoreError(result->store)
                          : failure                    ? failure
                                                       : EIO;
    TellDatabase(result->database, error, TemporaryFileUse::kKeeping);
    RowStoreDestroy(result->store);
    result->store = nullptr;
  }
  return WrapStored(std::move(result));
}

// Why a stored result read as a source could not serve one of its rows (it told its database
// then), or 0; 0 for any other source.
int32_t StoredReadFailure(const DatabaseCursorObject* rs) {
  return rs->cursorHandle && rs->cursor == StoredCursorDefinition()
             ? Stored(rs->cursorHandle)->failure
             : 0;
}

// A group's row: COUNT as a 32-bit integer, the other aggregates as doubles, a plain column as
// the group's first row holds it.
void AppendGroupRow(const std::vector<int32_t>& aggregates, const std::vector<Fold>& folds,
                    const uint8_t* firstRow, const uint32_t* firstOffsets,
                    std::vector<uint8_t>* out) {
  out->clear();
  for (size_t i = 0; i < aggregates.size(); ++i) {
    const int32_t kind = aggregates[i];
    const Fold& f = folds[i];
    if (kind == kSQLCount) {
      AppendColumn(out, kColumnInt32, &f.count, 4);
    } else if (kind != kSQLPlain) {
      AppendColumn(out, kColumnDouble, &f.running, 8);
    } else {
      const ColumnValue v = ColumnAt(firstRow, firstOffsets[i]);
      AppendColumn(out, v.code, v.data, v.length);
    }
  }
}

}  // namespace

int CompareColumnValues(const ColumnValue& a, const ColumnValue& b) {
  const int ca = ClassOf(a), cb = ClassOf(b);
  if (ca != cb) return ca < cb ? -1 : 1;
  switch (ca) {
    case 0: return 0;
    case 1: return CompareNumbers(a, b);
    case 2: return CompareWeighted(a, b);
    case 3:
    case 4: return CompareBytes(a, b, 6);  // big-endian fields compare as bytes
    case 5: return CompareBytes(a, b, 12);
    case 6: return (a.data[0] != 0) - (b.data[0] != 0);
    default: {
      const int order = CompareBytes(a, b, ~0u);
      return order ? order : (a.code < b.code ? -1 : a.code > b.code);
    }
  }
}

RuntimeObject* MakeSortedResultCursor(RuntimeObject* source, const std::vector<SQLSortKey>& keys,
                                      int32_t hidden, DatabaseObject* database) {
  DatabaseCursorObject* rs = AsRecordSet(source);
  if (!rs || !IsCursorOpen(rs)) return nullptr;
  std::unique_ptr<StoredResult> result = NewStoredResult(database);
  result->columns = cursorFieldCount(source);
  for (int32_t i = 0; i < result->columns - hidden; ++i)
    result->names.push_back(CursorColumnName(rs, i));
  if (!result->store) return WrapStored(std::move(result));  // no temporary file: empty
  RunSorter sorter(keys, result->columns);
  RunFile runs;
  std::vector<uint64_t> starts;  // where each run begins in the run file
  auto spill = [&] {
    if (starts.empty() && !runs.Open()) return false;
    starts.push_back(runs.End());
    return sorter.WriteTo([&](const uint8_t* row, uint32_t size) {
      return runs.Append(row, size);
    });
  };
  bool sound = true;
  int32_t rowsRead = 0;
  while (sound && !rs->eof && IsCursorOpen(rs)) {
    if (!sorter.ReadRow(rs)) {
      sound = spill();
      continue;
    }
    cursorMoveNext(source);
    LetBackgroundTasksRun(++rowsRead);
  }
  if (sound && starts.empty()) {  // one run: it is the result
    sound = sorter.WriteTo([&](const uint8_t* row, uint32_t size) {
      return RowStoreAppendBytes(result->store, row, size);
    });
  } else if (sound) {
    sound = (sorter.Empty() || spill()) && runs.Flush();
    starts.push_back(runs.End());
    sound = sound && MergeRuns(runs, starts, sorter.keys(), result->store);
  }
  // A temporary file failed: the result is empty rather than partial.
  return WrapKept(std::move(result), sound, runs.Error());
}

RuntimeObject* MakeGroupedResultCursor(RuntimeObject* source,
                                       const std::vector<int32_t>& aggregates,
                                       const std::vector<std::string>& names, int32_t groupColumn,
                                       DatabaseObject* database) {
  DatabaseCursorObject* rs = AsRecordSet(source);
  if (!rs || !IsCursorOpen(rs)) return nullptr;
  std::unique_ptr<StoredResult> result = NewGroupedResult(names, database);
  if (!result->store) return WrapStored(std::move(result));  // no temporary file: empty
  const int32_t visible = int32_t(names.size());
  std::vector<Fold> folds(static_cast<size_t>(visible));
  std::vector<uint8_t> firstRow, key, value, out;
  std::vector<uint32_t> firstOffsets(static_cast<size_t>(visible));
  int32_t rowsRead = 0;
  while (!rs->eof && IsCursorOpen(rs)) {
    firstRow.clear();
    for (int32_t i = 0; i < visible; ++i) AppendSourceValue(rs, i, &firstRow);
    IndexColumns(firstRow.data(), uint32_t(firstRow.size()), visible, firstOffsets.data());
    key.clear();
    if (groupColumn >= 0) AppendSourceValue(rs, groupColumn, &key);
    for (Fold& f : folds) f = Fold();
    while (!rs->eof && IsCursorOpen(rs)) {
      if (groupColumn >= 0) {
        value.clear();
        AppendSourceValue(rs, groupColumn, &value);
        if (value != key) break;  // the next group's first row stays current
      }
      for (int32_t i = 0; i < visible; ++i) {
        const int32_t kind = aggregates[size_t(i)];
        if (kind == kSQLPlain) continue;
        value.clear();
        if (kind != kSQLCount) AppendSourceValue(rs, i, &value);
        folds[size_t(i)].Add(kind, value.empty() ? ColumnValue{} : ColumnAt(value.data(), 0));
      }
      cursorMoveNext(source);
      LetBackgroundTasksRun(++rowsRead);
    }
    AppendGroupRow(aggregates, folds, firstRow.data(), firstOffsets.data(), &out);
    if (!RowStoreAppendBytes(result->store, out.data(), uint32_t(out.size()))) break;
  }
  // Groups of a source whose rows could not all be read are no result; the source said why.
  if (StoredReadFailure(rs)) {
    RowStoreDestroy(result->store);
    result->store = nullptr;
  }
  return WrapKept(std::move(result), true, 0);
}

RuntimeObject* MakeHashedGroupResultCursor(RuntimeObject* source,
                                           const std::vector<int32_t>& aggregates,
                                           const std::vector<std::string>& names,
                                           int32_t groupColumn, const GroupingHints& hints,
                                           DatabaseObject* database) {
  DatabaseCursorObject* rs = AsRecordSet(source);
  if (!rs || !IsCursorOpen(rs)) return nullptr;
  for (int32_t kind : aggregates)
    if (kind == kSQLAvg) return nullptr;  // its running average rounds by the rows' order
  const int32_t visible = int32_t(names.size());
  // Rows of a group are ordered by every column; the group column alone behind the visible
  // ones adds nothing to that (it is the same in the whole group), and is not kept.
  const int32_t all = cursorFieldCount(source);
  const int32_t columns = all == visible + 1 && groupColumn == visible ? visible : all;
  const int32_t keyColumn =
      hints.keyAlias >= 0 && hints.keyAlias < columns ? hints.keyAlias : groupColumn;
  std::vector<uint8_t> keyBytes;
  struct Group {
    std::vector<uint8_t> first;  // the row the sort would put first, every column
    std::vector<uint32_t> offsets;
    std::vector<Fold> folds;
  };
  if (groupColumn < 0 || groupColumn >= all) return nullptr;
  std::unordered_map<std::string, size_t> found;
  std::vector<std::string> keys;
  std::vector<Group> groups;
  std::vector<uint8_t> row, out;
  std::string key;
  std::vector<uint32_t> offsets(static_cast<size_t>(columns));
  const std::vector<SQLSortKey> noKeys;
  const Keys allColumns{&noKeys, columns};
  uint64_t held = 0;
  int32_t rowsRead = 0;
  while (!rs->eof && IsCursorOpen(rs)) {
    // The row once: the key is the group column's value as the sort's grouping compares it.
    row.clear();
    for (int32_t i = 0; i < columns; ++i) {
      if (size_t(i) < hints.alwaysNull.size() && hints.alwaysNull[size_t(i)])
        AppendColumn(&row, kColumnNull, nullptr, 0);
      else
        AppendSourceValue(rs, i, &row);
    }
    IndexColumns(row.data(), uint32_t(row.size()), columns, offsets.data());
    if (keyColumn < columns) {
      const uint32_t at = offsets[size_t(keyColumn)];
      key.assign(reinterpret_cast<const char*>(row.data() + at),
                 kColumnHeader + ColumnAt(row.data(), at).length);
    } else {
      keyBytes.clear();
      AppendSourceValue(rs, keyColumn, &keyBytes);
      key.assign(keyBytes.begin(), keyBytes.end());
    }
    auto at = found.find(key);
    const bool added = at == found.end();
    if (added) {
      at = found.emplace(key, groups.size()).first;
      held += key.size() + row.size();
      keys.push_back(key);
      groups.push_back({row, offsets, std::vector<Fold>(size_t(visible))});
    }
    Group& group = groups[at->second];
    // Rows the sort orders alike come out later-read first.
    if (!added && CompareRowImages(allColumns, row.data(), offsets.data(), group.first.data(),
                                   group.offsets.data()) <= 0) {
      held = held - group.first.size() + row.size();
      group.first = row;
      group.offsets = offsets;
    }
    if (held > kSortBudgetBytes) return nullptr;  // more than the sort would hold: sort instead
    for (int32_t i = 0; i < visible; ++i) {
      const int32_t kind = aggregates[size_t(i)];
      if (kind != kSQLPlain) group.folds[size_t(i)].Add(kind, ColumnAt(row.data(), offsets[i]));
    }
    cursorMoveNext(source);
    LetBackgroundTasksRun(++rowsRead);
  }
  // Groups go in key order; two keys that order alike would mix in the sort, and a fold that
  // depends on the rows' order needs them sorted.
  std::vector<size_t> order(groups.size());
  for (size_t g = 0; g < order.size(); ++g) order[g] = g;
  auto keyOf = [&](size_t g) {
    return ColumnAt(reinterpret_cast<const uint8_t*>(keys[g].data()), 0);
  };
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return CompareColumnValues(keyOf(a), keyOf(b)) < 0;
  });
  for (size_t g = 1; g < order.size(); ++g)
    if (CompareColumnValues(keyOf(order[g - 1]), keyOf(order[g])) == 0) return nullptr;
  for (const Group& group : groups)
    for (const Fold& f : group.folds)
      if (!f.AnyOrder()) return nullptr;
  std::unique_ptr<StoredResult> result = NewGroupedResult(names, database);
  if (!result->store) return WrapStored(std::move(result));  // no temporary file: empty
  for (size_t g : order) {
    const Group& group = groups[g];
    AppendGroupRow(aggregates, group.folds, group.first.data(), group.offsets.data(), &out);
    if (!RowStoreAppendBytes(result->store, out.data(), uint32_t(out.size()))) break;
  }
  return WrapKept(std::move(result), true, 0);
}
