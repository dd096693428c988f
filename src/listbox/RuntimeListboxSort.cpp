// Sorting a list box by one column: each level's blocks (a row with its subtree) are ordered by
// orderSorter after their own children were sorted, so folders keep their children.
//
// orderSorter runs over a table of the level's blocks, not over the rows: a swap exchanges two
// table entries, and the rows are laid out once in the order found. The rows do not move while
// a level sorts, so a block's first row names its record throughout (also to a CompareRows
// handler), and the order found is the one that swapping the rows in place would give.
#include <utility>
#include <vector>

#include "core/OrderSorter.h"
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
};

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
  SortLevel(context, first, count);
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
  context.blocks = &blocks;
  orderSorter(0, static_cast<int32_t>(blocks.size()),
              context.handled ? CompareThunk : CompareKeysThunk, SwapThunk, &context);
  if (!context.stopped) PlaceBlocks(context, first);
  context.blocks = nullptr;
  if (context.stopped) return false;
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

int32_t RuntimeListbox::CompareThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped) return 0;
  return context.list->CompareBlocks(context, i, j);
}

// Without a handler nothing runs during the sort: the blocks' texts decide alone.
int32_t RuntimeListbox::CompareKeysThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  const std::vector<SortContext::Block>& blocks = *context.blocks;
  const int32_t sign = RuntimeStringCompare(blocks[i].key, blocks[j].key);
  return context.direction == 1 ? sign : -sign;
}

void RuntimeListbox::SwapThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped) return;
  std::swap((*context.blocks)[i], (*context.blocks)[j]);
}

int32_t RuntimeListbox::CompareBlocks(SortContext& context, int32_t i, int32_t j) {
  const SortContext::Block& block1 = (*context.blocks)[i];
  const SortContext::Block& block2 = (*context.blocks)[j];
  const bool ascending = context.direction == 1;
  const int32_t row1 = block1.first;
  const int32_t row2 = block2.first;
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
