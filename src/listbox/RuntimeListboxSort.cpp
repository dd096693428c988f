// Sorting a list box by one column: each level's blocks (a row with its subtree) are ordered by
// orderSorter after their own children were sorted, so folders keep their children.
#include <utility>
#include <vector>

#include "core/OrderSorter.h"
#include "listbox/RuntimeListbox.h"
#include "strings/StringCase.h"

struct RuntimeListbox::SortContext {
  struct Block {
    int32_t first;
    int32_t count;
  };
  RuntimeListbox* list;
  int32_t column;
  int32_t direction;  // 1 ascending, anything else descending
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
  SortContext context{this, column, direction, mRowsGeneration};
  SortLevel(context, first, count);
  // A closed list may be gone: nothing of it is read after the sort stopped for that reason.
  return !context.closed;
}

bool RuntimeListbox::SortLevel(SortContext& context, int32_t first, int32_t count) {
  std::vector<SortContext::Block> blocks;
  blocks.reserve(16);
  const int32_t end = first + count;
  const int16_t depth = reinterpret_cast<RowEntry*>(mRows.GetAt(first))->depth;
  for (int32_t row = first; row < end;) {
    int32_t next = row + 1;
    while (next < end && reinterpret_cast<RowEntry*>(mRows.GetAt(next))->depth > depth) ++next;
    blocks.push_back({row, next - row});
    row = next;
  }
  for (const SortContext::Block& block : blocks) {
    if (block.count > 1 && !SortLevel(context, block.first + 1, block.count - 1)) return false;
  }
  context.blocks = &blocks;
  orderSorter(0, static_cast<int32_t>(blocks.size()), CompareThunk, SwapThunk, &context);
  context.blocks = nullptr;
  return !context.stopped;
}

int32_t RuntimeListbox::CompareThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped) return 0;
  return context.list->CompareBlocks(context, i, j);
}

void RuntimeListbox::SwapThunk(int32_t i, int32_t j, void* raw) {
  auto& context = *static_cast<SortContext*>(raw);
  if (context.stopped || i == j) return;
  std::vector<SortContext::Block>& blocks = *context.blocks;
  const int32_t a = std::min(i, j);
  const int32_t b = std::max(i, j);
  RuntimeListbox* list = context.list;
  list->SwapRowRanges(blocks[a].first, blocks[a].count, blocks[b].first, blocks[b].count);
  context.generation = list->mRowsGeneration;
  std::swap(blocks[a].count, blocks[b].count);
  for (int32_t k = a + 1; k <= b; ++k) blocks[k].first = blocks[k - 1].first + blocks[k - 1].count;
}

int32_t RuntimeListbox::CompareBlocks(SortContext& context, int32_t i, int32_t j) {
  const int32_t row1 = (*context.blocks)[i].first;
  const int32_t row2 = (*context.blocks)[j].first;
  const bool ascending = context.direction == 1;
  int32_t result = 0;
  bool handled = false;
  if (!CallOut([&] { handled = RaiseCompareRows(row1, row2, context.column, result); })) {
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
  const int32_t order = RuntimeStringCompare(cell1 ? cell1->text.Storage() : nullptr,
                                             cell2 ? cell2->text.Storage() : nullptr);
  const int32_t sign = (order > 0) - (order < 0);
  return ascending ? sign : -sign;
}
