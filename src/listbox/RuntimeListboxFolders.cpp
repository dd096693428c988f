// Folders of a hierarchical list: a folder's children exist only while it is expanded; the
// ExpandRow handler adds them and collapsing deletes them. Across those handlers a folder is
// followed by its record, not its row number, since the handler may add or delete rows.
#include <algorithm>

#include "core/RuntimeError.h"
#include "listbox/RuntimeListbox.h"

namespace {

constexpr int32_t kIndentPerDepth = 12;
constexpr int32_t kTriangleSize = 12;

}  // namespace

int32_t RuntimeListbox::RowOfRecord(const RowEntry* entry) const {
  for (int32_t row = mRows.Count() - 1; row >= 0; --row) {
    if (mRows.GetAt(row) == reinterpret_cast<uint32_t>(entry)) return row;
  }
  return -1;
}

bool RuntimeListbox::IsExpanded(int32_t row) {
  RowEntry* entry = Bound() ? nullptr : RowEntryAt(row);
  return entry && entry->state == 1;
}

int32_t RuntimeListbox::AddListRow(CellEntry* first, int32_t state) {
  const int32_t parent = mExpandNesting > 0 ? RowOfRecord(mExpanding) : -1;
  if (parent < 0) return AddRow(first, 0, state);
  return InsertRow(SubtreeEnd(parent), first, mExpanding->depth + 1, state);
}

bool RuntimeListbox::ExpandRow(int32_t row) {
  RowEntry* entry = RowEntryAt(row);
  if (!entry) return true;
  RowEntry* const outer = mExpanding;
  ++mExpandNesting;
  mExpanding = entry;
  const bool open = CallOut([&] { RaiseExpandRow(row); });
  if (!open) return false;
  --mExpandNesting;
  mExpanding = outer;
  return true;
}

bool RuntimeListbox::CollapseRow(int32_t row) {
  return CallOut([&] { RaiseCollapseRow(row); });
}

bool RuntimeListbox::ExpandFolder(int32_t row) {
  RowEntry* entry = Bound() ? nullptr : RowEntryAt(row);
  if (!entry || entry->state != 0) return false;
  entry->state = 1;
  if (!ExpandRow(row)) return true;
  const int32_t now = RowOfRecord(entry);
  if (now >= 0) InvalidateRowsFrom(now);
  return true;
}

bool RuntimeListbox::CollapseFolder(int32_t row) {
  RowEntry* entry = Bound() ? nullptr : RowEntryAt(row);
  if (!entry || entry->state != 1) return false;
  if (!CollapseRow(row)) return true;
  // A handler that deleted the folder leaves nothing to collapse: by row number, the row now
  // there would lose its neighbours.
  int32_t now = RowOfRecord(entry);
  if (now < 0) return true;
  entry->state = 0;
  if (!RetainChain()) return true;
  RemoveChildRows(now);
  if (!mClosed && (now = RowOfRecord(entry)) >= 0) InvalidateRowsFrom(now);
  ReleaseChain();
  return true;
}

void RuntimeListbox::RemoveChildRows(int32_t row) {
  RowEntry* entry = hierarchical && !Bound() ? RowEntryAt(row) : nullptr;
  if (!entry || !RetainChain()) return;
  for (int32_t at = row; at >= 0 && at + 1 < mRows.Count() && !mClosed;
       at = RowOfRecord(entry)) {
    if (reinterpret_cast<RowEntry*>(mRows.GetAt(at + 1))->depth <= entry->depth) break;
    const int32_t before = mRows.Count();
    DeleteRow(at + 1);
    if (mRows.Count() >= before) break;  // a handler put rows back: no endless loop
  }
  ReleaseChain();
}

void RuntimeListbox::InvalidateRowsFrom(int32_t row) {
  mValidBlock.CutRowsFrom(row);
  mNeedsRedraw = true;
  // One rectangle from the row's top to the view's bottom, rather than a walk over every row:
  // rows taken away leave their place to repaint, and a bound list has no row records to count.
  const int32_t first = std::max(row, TopRow());
  QV::Rect r = GetListRect();
  if (first > TopRow()) {
    // The row above always remains: a removal at row leaves at least row rows.
    const QV::Rect above = RowRangeRect(first - 1, 1);
    if (above.bottom <= above.top) return;  // below the view, or the list is hidden
    r.top = above.bottom;
  } else {
    r.top = int16_t(std::max<int32_t>(r.top, ContentRect().top));
  }
  if (r.bottom > r.top) InvalidateRect(r);
}

void RuntimeListbox::InvalidateColumnsFrom(int32_t column) {
  mValidBlock.CutColumnsFrom(column);
  mNeedsRedraw = true;
  QV::Rect r = GetListRect();
  if (column > 0 && column < ColumnCount()) {
    r.left = int16_t(std::max<int32_t>(r.left, ColumnLeft(column) - 2));
  }
  if (r.bottom > r.top && r.right > r.left) InvalidateRect(r);
}

bool RuntimeListbox::InDisclosureTriangle(int32_t row, int32_t xInRow, int32_t yInRow) {
  RowEntry* entry = RowEntryAt(row);
  if (!entry || entry->state < 0 || !hierarchical || Bound()) return false;
  // Column 0 starts the row, moved by the horizontal scroll.
  const int32_t left = -HorizontalOffset() + entry->depth * kIndentPerDepth + 4;
  const int32_t top = (RowHeight(row) - kTriangleSize) / 2;
  return xInRow >= left && xInRow < left + kTriangleSize && yInRow >= top &&
         yInRow < top + kTriangleSize;
}
