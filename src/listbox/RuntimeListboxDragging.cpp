// Dragging rows: out of the list (EnableDrag, a DragItem handed to DragRow) and to another
// place in it (EnableDragReorder). While a reorder drag runs, the drop row and depth follow the
// pointer and a line shows where the rows would go, grey where they may not (a folder into its
// own subtree). A drop moves rows only while the dragged rows still hold the records they held
// when the drag began: a Timer may have changed the list meanwhile.
#include <algorithm>

#include "core/RuntimeError.h"
#include "listbox/RuntimeListbox.h"
#include "windows/DragItem.h"
#include "windows/PaneDrops.h"

namespace {

constexpr int32_t kEdgeMargin = 5;
constexpr int32_t kLevelIndent = 12;

QV::Rect MakeRect(int32_t top, int32_t left, int32_t bottom, int32_t right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

}  // namespace

bool RuntimeListbox::RaiseDragRow(RuntimeObject* drag, int32_t row) {
  return CallHandler<bool>(kListDragRow, drag, row);
}

bool RuntimeListbox::RaiseDragReorderRows(int32_t newPosition, int32_t parentRow) {
  // The older class's event has the new position only.
  if (IsOldListboxObject(mOwner)) {
    return CallHandler<bool>(kListDragReorderRows, newPosition);
  }
  return CallHandler<bool>(kListDragReorderRows, newPosition, parentRow);
}

// ---- the drag's course ----

void RuntimeListbox::BeginReorder() {
  mReorderDrag = true;
  mDropRow = -1;
  mDropDepth = 0;
  mDraggedRows.Clear();
  mDraggedRecords.Clear();
  // A bound list's rows have no records: its dragged rows are known by number alone.
  const bool bound = Bound();
  for (int32_t row = 0; row < RowCount(); ++row) {
    if (!IsRowSelected(row)) continue;
    mDraggedRows.Append(row);
    mDraggedRecords.Append(bound ? nullptr : reinterpret_cast<RowEntry*>(mRows.GetAt(row)));
  }
}

void RuntimeListbox::EndReorder() {
  mReorderDrag = false;
  mDropRow = -1;
  mDraggedRows.Clear();
  mDraggedRecords.Clear();
}

bool RuntimeListbox::TrackRowDrag(int32_t row) {
  if (!RetainChain()) return true;
  if (!IsRowSelected(row)) {
    mQuietSelection = true;
    SelectRow(row, false);
    mQuietSelection = false;
  }
  bool ran = false;
  if (!mClosed && WaitForDrag() && !mClosed) {
    if (enableDragReorder) BeginReorder();
    RuntimeObject* drag = NewDragItem();
    if (drag) {
      const QV::Rect rect = RowRangeRect(row, 1);
      if (enableDrag && rect.bottom > rect.top) {
        AddDragRect(DragItemFields(drag), 0, rect);
      } else {
        AddDragRect(DragItemFields(drag), 0, QV::Rect{});
      }
      bool open = true;
      bool wanted = false;
      if (!CallOut([&] { wanted = RaiseDragRow(drag, row); }) || mClosed) open = false;
      if (open && (wanted || mReorderDrag)) {
        mReorderItem = mReorderDrag ? drag : nullptr;
        DragItemDrag(drag);
        mReorderItem = nullptr;
        ran = true;
      }
      RuntimeUnlockObject(drag);
    }
  }
  if (!mClosed) EndReorder();
  bool taken = ran || mClosed;
  if (!mClosed) {
    if (ran) {
      SelectionChanged(this);
    } else if (IsRowSelected(row)) {
      ScrollRowIntoView(row);
    }
  }
  if (ReleaseChain()) return true;
  return taken;
}

// The list takes its own reorder drag wherever it is over the list, whatever the item
// carries (it carries nothing: the rows are the list's own).
SubPane* RuntimeListbox::FindDropTarget(int32_t x, int32_t y, RuntimeObject* dragItem) {
  if (mReorderDrag && !mClosed && dragItem && dragItem == mReorderItem) return this;
  return NuListbox::FindDropTarget(x, y, dragItem);
}

int32_t RuntimeListbox::DropIndent(int32_t depth) {
  const int32_t left = ColumnLeft(0) - GetBounds().left;
  return hierarchical ? left + 20 + kLevelIndent * depth : left + 4;
}

bool RuntimeListbox::DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) {
  if (!mReorderDrag || mClosed) return SubPane::DragOver(x, y, dragItem, action);
  if (Scroller* bar = VerticalBar(); bar && bar->IsVisible()) {
    const int32_t topMargin = IsHeaderShown() ? HeaderHeight() : kEdgeMargin;
    const int32_t bottomMargin = BarShown(HorizontalBar()) ? ScrollBarWidth() : kEdgeMargin;
    if (y < topMargin && bar->GetValue() > 0) {
      bar->SetValue(bar->GetValue() - 1);
    } else if (y >= Height() - bottomMargin && bar->GetValue() < bar->GetMaximum()) {
      bar->SetValue(bar->GetValue() + 1);
    }
  }
  const QV::Rect& b = GetBounds();
  const RowHit hit = RowAtPoint(x + b.left, y + b.top);
  // Bound rows are plain rows of depth 0.
  const bool plain = Bound();
  const int32_t count = RowCount();
  int32_t dropRow = count;
  if (hit.found) dropRow = hit.row + (hit.yInRow >= RowHeight(hit.row) / 2 ? 1 : 0);
  dropRow = std::clamp(dropRow, 0, count);
  int32_t deepest = 0;
  if (dropRow > 0 && !plain) {
    const RowEntry* above = reinterpret_cast<RowEntry*>(mRows.GetAt(dropRow - 1));
    deepest = above->depth + (above->state >= 0 ? 1 : 0);
  }
  const int32_t shallowest =
      dropRow < count && !plain ? reinterpret_cast<RowEntry*>(mRows.GetAt(dropRow))->depth : 0;
  int32_t depth = shallowest;
  if (deepest > shallowest) {
    const int32_t level = (DropIndent(deepest) - DropIndent(shallowest)) / (deepest - shallowest);
    if (level > 0) {
      depth = shallowest + (x - DropIndent(shallowest) + level / 2) / level;
      depth = std::clamp(depth, shallowest, deepest);
    }
  }
  if (dropRow != mDropRow || depth != mDropDepth) {
    mDropRow = dropRow;
    mDropDepth = depth;
    InvalidateRect(GetBounds());
  }
  ScrollingListbox::DragOver(x, y);
  return SubPane::DragOver(x, y, dragItem, action);
}

void RuntimeListbox::DragExit(RuntimeObject* dragItem, int32_t action) {
  if (mReorderDrag) {
    mDropRow = -1;
    InvalidateRect(GetBounds());
  }
  SubPane::DragExit(dragItem, action);
}

// The nearest row above the drop row that is shallower than the drop depth; -1 at the top.
int32_t RuntimeListbox::DropParent() {
  for (int32_t row = std::min(mDropRow, mRows.Count()) - 1; row >= 0; --row) {
    if (reinterpret_cast<RowEntry*>(mRows.GetAt(row))->depth < mDropDepth) return row;
  }
  return -1;
}

bool RuntimeListbox::DropAllowed() {
  if (!mReorderDrag || mDropRow < 0) return false;
  const int32_t parent = DropParent();
  if (parent < 0) return true;
  for (uint32_t i = 0; i < mDraggedRows.size(); ++i) {
    const int32_t dragged = mDraggedRows.data()[i];
    if (parent >= dragged && parent < SubtreeEnd(dragged)) return false;
  }
  return true;
}

bool RuntimeListbox::DraggedRowsIntact() {
  for (uint32_t i = 0; i < mDraggedRows.size(); ++i) {
    const int32_t row = mDraggedRows.data()[i];
    if (row >= RowCount()) return false;
    if (!Bound() && mRows.GetAt(row) != reinterpret_cast<uint32_t>(mDraggedRecords.data()[i])) {
      return false;
    }
  }
  return !mDraggedRows.empty();
}

void RuntimeListbox::DropObject(RuntimeObject* dragItem, int32_t action) {
  if (!RetainChain()) return;
  if (mReorderDrag && DropAllowed() && DraggedRowsIntact()) {
    int32_t parent = DropParent();
    int32_t position = mDropRow;
    const int32_t parentBefore = parent;
    for (uint32_t i = 0; i < mDraggedRows.size(); ++i) {
      const int32_t dragged = mDraggedRows.data()[i];
      if (dragged < parentBefore) --parent;
      if (dragged < mDropRow) --position;
    }
    bool handled = false;
    const bool open =
        CallOut([&] { handled = RaiseDragReorderRows(position, parent); }) && !mClosed;
    // The handler may have changed the list: the rows move only while they are as they were.
    // A bound list's order is its provider's: nothing moves.
    if (open && !handled && !hierarchical && !Bound() && mDropRow >= 0 && DraggedRowsIntact()) {
      MoveDraggedRows();
    }
  }
  if (!mClosed) SubPane::DropObject(dragItem, action);
  ReleaseChain();
}

void RuntimeListbox::MoveDraggedRows() {
  mQuietSelection = true;
  ClearSelection();
  int32_t insertAt = std::min(mDropRow, mRows.Count());
  int32_t taken = 0;
  for (uint32_t i = 0; i < mDraggedRows.size(); ++i) {
    const int32_t row = mDraggedRows.data()[i];
    mRows.RemoveAt(row - taken);
    if (row < mDropRow) --insertAt;
    ++taken;
  }
  ++mRowsGeneration;
  for (uint32_t i = 0; i < mDraggedRecords.size(); ++i) {
    mRows.InsertAt(insertAt + int32_t(i), reinterpret_cast<uint32_t>(mDraggedRecords.data()[i]));
  }
  for (uint32_t i = 0; i < mDraggedRecords.size(); ++i) {
    SetRowSelected(insertAt + int32_t(i), true);
  }
  mQuietSelection = false;
  // The moved rows are where they now are, should the drag go on.
  for (uint32_t i = 0; i < mDraggedRows.size(); ++i) {
    mDraggedRows.data()[i] = insertAt + int32_t(i);
  }
  ScrollRowIntoView(insertAt);
  InvalidateCell(-1, -1);
}

void RuntimeListbox::DrawDropLine(Graphics& g) {
  if (!mReorderDrag || mDropRow < 0) return;
  const QV::Rect area = GetListRect();
  const QV::Rect& b = GetBounds();
  const int32_t y = area.top + (mDropRow - TopRow()) * RowHeight(-1);
  if (y < area.top - 1 || y > area.bottom) return;
  const int32_t left = b.left + DropIndent(mDropDepth);
  const int32_t right = area.right - 2;  // the list area ends at the vertical bar
  GraphicsClipSaver saver(g);
  g.SetClipRect(area);
  const RGBColor16 before = g.ForeColor();
  g.SetForeColor(DropAllowed() ? RGBColor16{0, 0, 0} : RGBColor16{0x8888, 0x8888, 0x8888});
  g.FillRect(MakeRect(y - 1, left, y + 1, right));
  g.FillRect(MakeRect(y - 3, left, y + 2, left + 1));
  g.FillRect(MakeRect(y - 2, left + 1, y + 1, left + 2));
  g.FillRect(MakeRect(y - 3, right - 1, y + 2, right));
  g.FillRect(MakeRect(y - 2, right - 2, y + 1, right - 1));
  g.SetForeColor(before);
}
