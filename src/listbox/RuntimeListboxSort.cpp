// Sorting a list box by one column: each level's blocks (a row with its subtree) are ordered by
// orderSorter after their own children were sorted, so folders keep their children.
//
// A level with subtrees, or one compared by the texts alone, is sorted over a table of its
// blocks, not over the rows: a swap exchanges two table entries, and the rows are laid out once
// in the order found. Those rows do not move while the level sorts, so a block's first row names
// its record throughout, and the order found is the one that swapping the rows in place would
// give. A level of single rows compared by a CompareRows handler swaps the rows themselves.
//
// A handler's comparisons are dear (it reads two cells, each a walk from the row record through
// the cell to the text), so a level with a handler is sorted by orderSorterRanked: the same
// order, equal rows included, with about two thirds of the comparisons. No row moves until the
// last comparison has been made.
#include <utility>
#include <vector>

#include "core/OrderSorter.h"
#include "core/OrderSorterInline.h"
#include "listbox/RuntimeListbox.h"
#include "strings/StringCase.h"

struct RuntimeListbox::SortContext {
  struct Block {
    int32_t first;  // where the block stands while its level sorts
    int32_t count;
    // The text of its first row in the column, read once; only without a CompareRows handler,
    // since a handler may change cells.
    stringStorage* key;
  };
  RuntimeListbox* list;
  int32_t column;
  int32_t direction;  // 1 ascending, anything else descending
  bool handled;       // CompareRows is implemented
  uint32_t generation;  // the list's rows as this sort last left them
  bool stopped = false;
  bool closed = false;
  std::vector<Block>* blocks = nullptr;
  // A level of single rows compared through the handler is sorted in place: the sorter's
  // indexes are the rows.
  bool inPlace = false;
  bool moved = false;  // in place: a swap ran

  // Without a handler nothing runs during the sort: the blocks' texts decide alone, compared
  // and moved by the sorter inline, not through a call by pointer for each. The sort moves
  // small entries, each a key and the block it came from; the blocks take their order after.
  class KeyOrder {
   public:
    KeyOrder(const std::vector<Block>& blocks, bool ascending) : mAscending(ascending) {
      mEntries.reserve(blocks.size());
      const stringStorage* first = nullptr;
      for (const Block& block : blocks) {
        mEntries.push_back({block.key, int32_t(mEntries.size())});
        if (!block.key) continue;
        if (!first) first = block.key;
        mOneEncoding = mOneEncoding && block.key->encoding == first->encoding;
      }
    }
    // As RuntimeStringCompare, which for two texts of one encoding is this.
    int32_t Compare(int32_t i, int32_t j) const {
      stringStorage* a = mEntries[i].key;
      stringStorage* b = mEntries[j].key;
      const int32_t sign = mOneEncoding && a && b ? CompareTextsOfOneEncoding(a, b)
                                                  : RuntimeStringCompare(a, b);
      return mAscending ? sign : -sign;
    }
    void Swap(int32_t i, int32_t j) { std::swap(mEntries[i], mEntries[j]); }
    // The blocks in the order the sort left the entries.
    std::vector<Block> Reordered(const std::vector<Block>& blocks) const {
      std::vector<Block> sorted;
      sorted.reserve(blocks.size());
      for (const Entry& entry : mEntries) sorted.push_back(blocks[entry.block]);
      return sorted;
    }

   private:
    struct Entry {
      stringStorage* key;
      int32_t block;
    };
    std::vector<Entry> mEntries;
    bool mAscending;
    // Every text has one encoding: the comparison need not look for a conversion.
    bool mOneEncoding = true;
  };
};

namespace {

// How many elements ahead of a comparison the sort starts loading what the comparisons after
// it will read. Each of an element's records is a cache miss that depends on the one before it:
// the row record, its first cell, the text. Loading them stage by stage, ahead of the handler,
// overlaps those misses with the comparisons in between.
constexpr int32_t kSlotAhead = 24;  // the rows array's word that names the row record
constexpr int32_t kRowAhead = 16;
constexpr int32_t kCellAhead = 8;
constexpr int32_t kTextAhead = 3;

// Starts loading the line at address into the cache. The compiler emits nothing for a prefetch
// on the i686 baseline, so the hint is written out: on processors older than it knows it is one
// of the reserved hint no-ops.
inline void PrefetchLine(const void* address) {
  if (address) asm volatile("prefetcht0 (%0)" : : "r"(address));
}

}  // namespace

void RuntimeListbox::HeaderPressed(int32_t column) {
  bool handled = false;
  if (!CallOut([&] { handled = RaiseHeaderPressed(column); })) return;
  if (!handled) SortColumn(column);
}

void RuntimeListbox::SortColumn(int32_t column) {
  if (!CheckedColumn(column)) return;
  if (SortDirection(column) == 0 || Bound()) {
    InvalidateColumn(column);
    return;
  }
  if (IsEditing()) {
    CommitEdit();
    if (mClosed) return;
  }
  RowEntry* followed = nullptr;
  if (SelectedRowCount() == 1) {
    followed = reinterpret_cast<RowEntry*>(mRows.GetAt(FirstSelectedRow()));
  }
  StoreSortedColumn(column);
  if (mRows.Count() == 0) return;
  bool handled = false;
  if (!CallOut([&] { handled = RaiseSortColumn(column); })) return;
  const int32_t direction = SortDirection(column);
  if (direction == 0) {
    InvalidateCell(-1, -1);
    return;
  }
  if (!handled && !SortRows(0, mRows.Count(), column, direction)) return;
  if (followed) {
    for (int32_t row = mRows.Count() - 1; row >= 0; --row) {
      if (mRows.GetAt(row) == reinterpret_cast<uint32_t>(followed)) {
        SelectRow(row, true);
        break;
      }
    }
  }
  InvalidateCell(-1, -1);
}

bool RuntimeListbox::SortRows(int32_t first, int32_t count, int32_t column, int32_t direction) {
  if (count <= 1 || direction == 0) return true;
  if (!QV_CHECK(first >= 0 && count >= 0 && int64_t{first} + count <= mRows.Count())) {
    return true;
  }
  // One hold for the whole sort: a handler that closes the list leaves it alive until here.
  if (!RetainChain()) return false;
  SortContext context{this, column, direction, HasHandler(kListCompareRows), mRowsGeneration};
  HeldCompiledCalls calls;
  HeldCompiledCalls* const outerCalls = std::exchange(mSortCalls, &calls);
  SortLevel(context, first, count);
  mSortCalls = outerCalls;
  // A closed list may be gone: nothing of it is read after the sort stopped for that reason.
  const bool deleted = ReleaseChain();
  return !context.closed && !deleted;
}

bool RuntimeListbox::SortLevel(SortContext& context, int32_t first, int32_t count) {
  std::vector<SortContext::Block> blocks;
  blocks.reserve(16);
  const int32_t end = first + count;
  const int16_t depth = reinterpret_cast<RowEntry*>(mRows.GetAt(first))->depth;
  for (int32_t row = first; row < end;) {
    int32_t next = row + 1;
    while (next < end && reinterpret_cast<RowEntry*>(mRows.GetAt(next))->depth > depth) ++next;
    blocks.push_back({row, next - row, nullptr});
    row = next;
  }
  for (const SortContext::Block& block : blocks) {
    if (block.count > 1 && !SortLevel(context, block.first + 1, block.count - 1)) return false;
  }
  if (!context.handled) {
    for (SortContext::Block& block : blocks) {
      const CellEntry* cell = FindCell(block.first, context.column, false);
      block.key = cell ? cell->text.Storage() : nullptr;
    }
  }
  if (context.handled && blocks.size() == size_t(count)) {
    return SortRowsInPlace(context, first, count);
  }
  context.blocks = &blocks;
  const int32_t blockCount = static_cast<int32_t>(blocks.size());
  if (context.handled) {
    orderSorterRanked(0, blockCount, CompareThunk, SwapThunk, LookAheadThunk, &context);
  } else {
    SortContext::KeyOrder order{blocks, context.direction == 1};
    orderSorterInline(order, 0, blockCount);
    blocks = order.Reordered(blocks);
  }
  if (!context.stopped) PlaceBlocks(context, first);
  context.blocks = nullptr;
  if (context.stopped) return false;
  context.generation = mRowsGeneration;
  return true;
}

// The sorter's swaps exchange the rows themselves, so the rows are a permutation of the level
// at every moment, also when a handler stops the sort.
bool RuntimeListbox::SortRowsInPlace(SortContext& context, int32_t first, int32_t count) {
  context.inPlace = true;
  context.moved = false;
  orderSorterRanked(first, first + count, CompareThunk, SwapThunk, LookAheadThunk, &context);
  context.inPlace = false;
  if (context.stopped) return false;
  if (context.moved) ++mRowsGeneration;
  context.generation = mRowsGeneration;
  return true;
}

// Lays the rows of [first, ...) out in the order of the context's blocks.
void RuntimeListbox::PlaceBlocks(SortContext& context, int32_t first) {
  const std::vector<SortContext::Block>& blocks = *context.blocks;
  int32_t row = first;
  bool moved = false;
  for (const SortContext::Block& block : blocks) {
    moved = moved || block.first != row;
    row += block.count;
  }
  if (!moved) return;
  std::vector<uint32_t> records;
  records.reserve(row - first);
  for (const SortContext::Block& block : blocks) {
    for (int32_t k = 0; k < block.count; ++k) records.push_back(mRows.GetAt(block.first + k));
  }
  for (size_t k = 0; k < records.size(); ++k) mRows.SetAt(first + int32_t(k), records[k]);
  ++mRowsGeneration;
}

// The row a sorter index stands for: itself in place, else its block's first row.
int32_t RuntimeListbox::SortedRow(const SortContext& context, int32_t k) {
  return context.inPlace ? k : (*context.blocks)[k].first;
}

// Called between comparisons only, before any row of the level has moved and while the rows
// are as the sort found them (a handler that changed them stopped the sort), so every index
// names a row of the level.
void RuntimeListbox::LookAheadThunk(const int32_t* upcoming, int32_t count, void* raw) {
  const auto& context = *static_cast<const SortContext*>(raw);
  if (context.stopped) return;
  const RuntimeListbox* list = context.list;
  auto record = [&](int32_t ahead) { return list->RowRecord(SortedRow(context, upcoming[ahead])); };
  if (count > kSlotAhead) {
    const auto* slots = static_cast<const uint32_t*>(list->mRows.storage->data);
    PrefetchLine(slots + SortedRow(context, upcoming[kSlotAhead]));
  }
  if (count > kRowAhead) PrefetchLine(record(kRowAhead));
  if (count > kCellAhead) PrefetchLine(record(kCellAhead)->firstCell);
  if (count > kTextAhead) {
    if (const CellEntry* cell = CellInRow(record(kTextAhead), context.column)) {
      PrefetchLine(cell->text.Storage());
    }
  }
}

void RuntimeListbox::SwapThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped) return;
  if (!context.inPlace) {
    std::swap((*context.blocks)[i], (*context.blocks)[j]);
    return;
  }
  GenericArray& rows = context.list->mRows;
  const uint32_t record = rows.GetCheckedAt(i);
  rows.SetAt(i, rows.GetCheckedAt(j));
  rows.SetAt(j, record);
  context.moved = true;
}

// Inline into the thunk, its one caller: a call less in every comparison.
[[gnu::always_inline]] inline int32_t RuntimeListbox::CompareBlocks(SortContext& context,
                                                                   int32_t i, int32_t j) {
  const bool ascending = context.direction == 1;
  const int32_t row1 = SortedRow(context, i);
  const int32_t row2 = SortedRow(context, j);
  int32_t result = 0;
  const bool handled = RaiseCompareRows(row1, row2, context.column, result);
  if (!OpenAfterCall()) {
    context.stopped = context.closed = true;
    return 0;
  }
  // A handler that added, deleted or sorted rows invalidated every block of this sort.
  if (context.generation != mRowsGeneration) {
    context.stopped = true;
    return 0;
  }
  if (handled) {
    if (ascending) return result;
    if (result != 0) return result < 0 ? 1 : -1;
  }
  CellEntry* cell1 = FindCell(row1, context.column, false);
  CellEntry* cell2 = FindCell(row2, context.column, false);
  const int32_t sign = RuntimeStringCompare(cell1 ? cell1->text.Storage() : nullptr,
                                        cell2 ? cell2->text.Storage() : nullptr);
  return ascending ? sign : -sign;
}

int32_t RuntimeListbox::CompareThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped) return 0;
  return context.list->CompareBlocks(context, i, j);
}
