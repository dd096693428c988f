#include "listbox/NuListbox.h"

#include "core/RuntimeError.h"
#include "windows/DrawFocus.h"

NuListbox::NuListbox(NuListboxDelegate* delegate, NuListboxProvider* provider, SubPane* owner,
                     int32_t panelIndex, const QV::Rect& bounds, bool constantRowHeight,
                     bool multipleSelection)
    : ScrollingListbox(owner, panelIndex, bounds),
      mConstantRowHeight(constantRowHeight),
      mProvider(provider),
      mMultipleSelection(multipleSelection),
      mListDelegate(delegate) {
  (void)QV_CHECK_TEXT(provider, "mProvider", nullptr);
}

NuListbox::~NuListbox() { FreeSelection(); }

// ---- notifications ----

bool NuListbox::NotifyChanging() {
  if (!mListDelegate || mNotifyDepth != 0) return true;
  return CallOut([this] { mListDelegate->SelectionChanging(this); });
}

bool NuListbox::NotifyChanged() {
  if (!mListDelegate || mNotifyDepth != 0) return true;
  return CallOut([this] { mListDelegate->SelectionChanged(this); });
}

void NuListbox::RaiseNotifyDepth() { ++mNotifyDepth; }

bool NuListbox::LowerNotifyDepth() {
  if (mNotifyDepth > 0) --mNotifyDepth;
  return mNotifyDepth != 0 || NotifyChanged();
}

// ---- selection ----

void NuListbox::FreeSelection() {
  while (mSelection) {
    SelectionRange* next = mSelection->next;
    delete mSelection;
    mSelection = next;
  }
}

bool NuListbox::IsRowSelected(int32_t row) const {
  for (const SelectionRange* r = mSelection; r; r = r->next) {
    if (r->first <= row && row < r->first + r->count) return true;
  }
  return false;
}

int32_t NuListbox::FirstSelectedRow() const {
  int32_t first = -1;
  for (const SelectionRange* r = mSelection; r; r = r->next) {
    if (first < 0 || r->first < first) first = r->first;
  }
  return first;
}

int32_t NuListbox::LastSelectedRow() const {
  int32_t last = -1;
  for (const SelectionRange* r = mSelection; r; r = r->next) {
    if (r->first + r->count - 1 > last) last = r->first + r->count - 1;
  }
  return last;
}

int32_t NuListbox::SelectedRowCount() const {
  int32_t count = 0;
  for (const SelectionRange* r = mSelection; r; r = r->next) count += r->count;
  return count;
}

bool NuListbox::NextSelectedRow(int32_t& row) const {
  int32_t next = -1;
  for (const SelectionRange* r = mSelection; r; r = r->next) {
    if (r->first <= row && row < r->first + r->count - 1) {
      next = row + 1;
      break;
    }
    if (r->first > row && (next < 0 || r->first < next)) next = r->first;
  }
  if (next < 0 || next >= mRowCount) return false;
  row = next;
  return true;
}

void NuListbox::ClearSelection() {
  SelectionRange* ranges = mSelection;
  mSelection = nullptr;
  while (ranges) {
    SelectionRange* next = ranges->next;
    for (int32_t row = ranges->first; row < ranges->first + ranges->count; ++row) {
      InvalidateRow(row);
    }
    delete ranges;
    ranges = next;
  }
}

void NuListbox::AddRow(int32_t row) {
  for (SelectionRange* r = mSelection; r; r = r->next) {
    if (row == r->first - 1) {
      r->first = row;
      ++r->count;
      return;
    }
    if (row == r->first + r->count) {
      ++r->count;
      return;
    }
  }
  mSelection = new SelectionRange{mSelection, row, 1};
}

void NuListbox::RemoveRow(int32_t row) {
  for (SelectionRange** link = &mSelection; *link; link = &(*link)->next) {
    SelectionRange* r = *link;
    if (row < r->first || row >= r->first + r->count) continue;
    if (row == r->first) {
      ++r->first;
      --r->count;
    } else if (row == r->first + r->count - 1) {
      --r->count;
    } else {
      r->next = new SelectionRange{r->next, row + 1, r->first + r->count - row - 1};
      r->count = row - r->first;
    }
    if (r->count <= 0) {
      *link = r->next;
      delete r;
    }
    return;
  }
}

void NuListbox::SelectRow(int32_t row, bool scroll) {
  if (row < 0 || row >= mRowCount) row = -1;
  if (!NotifyChanging()) return;
  ClearSelection();
  if (row >= 0) {
    mSelection = new SelectionRange{nullptr, row, 1};
    InvalidateRow(row);
    if (scroll) ScrollRowIntoView(row);
  }
  NotifyChanged();
}

void NuListbox::SetRowSelected(int32_t row, bool selected) {
  if (row < 0 || row >= mRowCount || IsRowSelected(row) == selected) return;
  if (!NotifyChanging()) return;
  if (selected) {
    AddRow(row);
  } else {
    RemoveRow(row);
  }
  InvalidateRow(row);
  NotifyChanged();
}

void NuListbox::SelectRange(int32_t a, int32_t b) {
  const bool aValid = a >= 0 && a < mRowCount;
  const bool bValid = b >= 0 && b < mRowCount;
  if (!aValid && !bValid) return;
  // One notice pair for the whole range.
  if (!NotifyChanging()) return;
  RaiseNotifyDepth();
  if (aValid && bValid) {
    for (int32_t row = a < b ? a : b; row <= (a < b ? b : a); ++row) SetRowSelected(row, true);
  } else {
    SetRowSelected(aValid ? a : b, true);
  }
  --mNotifyDepth;
  NotifyChanged();
}

void NuListbox::SelectAll() {
  // Without rows there is nothing to select: a range {0, 0} would name row 0.
  if (!mMultipleSelection || mRowCount <= 0) return;
  if (mSelection && !mSelection->next && mSelection->first == 0 && mSelection->count == mRowCount) {
    return;
  }
  if (!NotifyChanging()) return;
  ClearSelection();
  mSelection = new SelectionRange{nullptr, 0, mRowCount};
  InvalidateCell(-1, -1);
  NotifyChanged();
}

void NuListbox::RowsInserted(int32_t row, int32_t count) {
  mRowCount += count;
  for (SelectionRange* r = mSelection; r; r = r->next) {
    if (r->first < row && r->first + r->count > row) {
      r->next = new SelectionRange{r->next, row + count, r->first + r->count - row};
      r->count = row - r->first;
      r = r->next;  // already in place
    } else if (r->first >= row) {
      r->first += count;
    }
  }
  rowsChanged = true;
  RowCountChanged(row, 0);
}

void NuListbox::RowsRemoved(int32_t row, int32_t count) {
  if (count == 0) return;
  // Changing goes out before the walk: its handler may change the selection (delete rows,
  // empty the list), and the walk then sees what it left.
  bool touched = false;
  for (const SelectionRange* r = mSelection; r && !touched; r = r->next) {
    touched = r->first < row + count && r->first + r->count > row;
  }
  if (touched && !NotifyChanging()) return;
  for (SelectionRange** link = &mSelection; *link;) {
    SelectionRange* r = *link;
    const int32_t end = r->first + r->count;
    if (end <= row) {
      link = &r->next;
      continue;
    }
    if (r->first >= row + count) {
      r->first -= count;
      link = &r->next;
      continue;
    }
    if (r->first < row && end > row + count) {
      r->next = new SelectionRange{r->next, row, end - row - count};
      r->count = row - r->first;
      link = &r->next->next;
      continue;
    }
    if (r->first < row) {
      r->count = row - r->first;
    } else {
      r->first = row;
      r->count = end - row - count;
    }
    if (r->count <= 0) {
      *link = r->next;
      delete r;
    } else {
      link = &r->next;
    }
  }
  mRowCount = mRowCount > count ? mRowCount - count : 0;
  if (touched && !NotifyChanged()) return;
  rowsChanged = true;
  RowCountChanged(row, mRowCount);
}

// ---- geometry ----

QV::Rect NuListbox::ContentRect() {
  QV::Rect r = GetBounds();
  AdjustContentRect(r, true, true);
  return r;
}

RowHit NuListbox::RowAtPoint(int32_t x, int32_t y) {
  const QV::Rect content = ContentRect();
  if (x < content.left || x >= content.right || y < content.top) return {false, -1, 0, 0};
  const int32_t bottom = GetBounds().bottom;
  if (mConstantRowHeight) {
    const int32_t h = RowHeight(-1);
    if (h <= 0) return {false, -1, 0, 0};
    const int32_t row = mScrollValue + (y - content.top) / h;
    if (row < 0 || row >= mRowCount || y >= bottom) return {false, -1, 0, 0};
    return {true, row, x - content.left, (y - content.top) % h};
  }
  int32_t top = content.top;
  for (int32_t row = mScrollValue; row < mRowCount && top < bottom; ++row) {
    const int32_t h = RowHeight(row);
    if (y >= top && y < top + h) return {true, row, x - content.left, y - top};
    top += h;
  }
  return {false, -1, 0, 0};
}

int32_t NuListbox::LastVisibleRow() {
  if (!QV_CHECK_TEXT(mConstantRowHeight, "mConstantRowHeight", nullptr)) return 0;
  const QV::Rect content = ContentRect();
  const int32_t h = RowHeight(-1);
  return (h > 0 ? (content.bottom - content.top) / h : 0) + mScrollValue - 1;
}

int32_t NuListbox::RowTop(int32_t row, int32_t limit) {
  if (mConstantRowHeight) return (row - mScrollValue) * RowHeight(-1);
  // The walk stops past the limit: a row far below the view is only known to be there, and
  // walking every row above it made filling a long list quadratic.
  int32_t top = 0;
  for (int32_t r = mScrollValue; r < row && top < limit; ++r) top += RowHeight(r);
  return top;
}

QV::Rect NuListbox::RowRangeRect(int32_t first, int32_t count) {
  QV::Rect none = {0, 0, 0, 0};
  if (!IsVisibleAndShown() || first < mScrollValue || count <= 0) return none;
  const QV::Rect content = ContentRect();
  const int32_t top = content.top + RowTop(first, content.bottom - content.top);
  if (top >= content.bottom) return none;
  int32_t bottom = top;
  for (int32_t row = first; row < first + count && row < mRowCount && bottom < content.bottom;
       ++row) {
    bottom += mConstantRowHeight ? RowHeight(-1) : RowHeight(row);
  }
  QV::Rect r;
  RectSet(r, content.left, top, content.right, bottom);
  QV::Rect clipped;
  if (!RectIntersect(r, GetListRect(), clipped)) return none;
  return clipped;
}

bool NuListbox::FocusRingRect(QV::Point origin, QV::Rect& r) {
  if (!mHasFocus || !mFocusRing) return false;
  r = GetBounds();
  RectInset(r, -3, -3);
  RectOffset(r, -origin.h, -origin.v);
  return true;
}

// ---- scrolling ----

int32_t NuListbox::MaxTopRow() {
  const int32_t max = mRowCount - VisibleRowCount();
  return max > 0 ? max : 0;
}

void NuListbox::ScrollRowsTo(int32_t oldTop, int32_t newTop) {
  mScrollValue = newTop;
  if (mConstantRowHeight) {
    if (!mFullRedrawPending) {
      InvalidateScrolledRows();
      mFullRedrawPending = true;
    }
    if (mListDelegate) {
      const int32_t pixels = (oldTop - newTop) * RowHeight(-1);
      if (!CallOut([&] { mListDelegate->ListScrolled(this, pixels); })) return;
    }
  } else {
    InvalidateScrolledRows();
  }
  rowsChanged = true;
}

void NuListbox::ScrolledBy(Scroller* scroller, int32_t oldValue, int32_t newValue) {
  if (oldValue == newValue) return;
  if (scroller == VerticalBar()) {
    ScrollRowsTo(oldValue, newValue);
  } else if (scroller == HorizontalBar()) {
    ScrollColumnsTo(newValue, scroller);
  }
  if (!IsClosing()) PaintNow();
}

void NuListbox::ValueChanged(Scroller* scroller, int32_t oldValue, int32_t newValue) {
  if (!RetainChain()) return;
  ScrolledBy(scroller, oldValue, newValue);
  ReleaseChain();
}

void NuListbox::ScrollTopTo(int32_t row) {
  if (Scroller* bar = VerticalBar()) {
    bar->SetValue(row);
    return;
  }
  // Without a bar the top row keeps to the range a bar would have.
  const int32_t max = MaxTopRow();
  ScrollRowsTo(mScrollValue, row < 0 ? 0 : row > max ? max : row);
}

void NuListbox::ScrollToRow(int32_t row) {
  if (VerticalBar()) UpdateScrollBars();
  ScrollTopTo(row);
}

void NuListbox::ScrollRowIntoView(int32_t row) {
  UpdateScrollBars();
  if (row < mScrollValue) {
    ScrollTopTo(row);
    return;
  }
  const QV::Rect area = GetListRect();
  int32_t room = area.bottom - area.top;
  int32_t t = row;
  if (mConstantRowHeight) {
    const int32_t h = RowHeight(-1);
    const int32_t fit = h > 0 ? room / h : 0;
    t = fit > 0 ? row - fit + 1 : row;
  } else {
    for (int32_t r = row; r >= 0; --r) {
      const int32_t h = RowHeight(r);
      if (h > room) break;
      room -= h;
      t = r;
    }
  }
  if (t > mScrollValue) ScrollTopTo(t);
}

bool NuListbox::MouseWheel(int32_t deltaX, int32_t deltaY) {
  Scroller* bar = HorizontalBar();
  if (bar && bar->IsEnabled() && deltaX != 0) {
    ScrollHorizontallyTo(deltaX + HorizontalOffset());
  } else if (IsEnabled()) {
    const int32_t max = MaxTopRow();
    int32_t row = mScrollValue + deltaY;
    row = row < 0 ? 0 : row > max ? max : row;
    ScrollToRow(row);
  }
  return true;
}

bool NuListbox::ForwardToEventTarget(int32_t, int32_t, int32_t deltaX, int32_t deltaY) {
  return MouseWheel(deltaX, deltaY);
}

// ---- pane ----

void NuListbox::SetBounds(const QV::Rect& bounds, bool redraw) {
  ScrollingListbox::SetBounds(bounds, redraw);
  rowsChanged = true;
  columnsChanged = true;
  if (Scroller* bar = VerticalBar()) {
    bar->SetBounds(VerticalBarRect(), redraw);
    UpdateScrollBars();
  }
  if (Scroller* bar = HorizontalBar()) {
    bar->SetBounds(HorizontalBarRect(), redraw);
    LayoutParts();
  }
}

void NuListbox::SetBoundsAndLayout(const QV::Rect& bounds, bool redraw) {
  SetBounds(bounds, true);
  // Moving the pane only shifted the buttons; the fillers and clipped columns need the new
  // width.
  RebuildHeaderIfShown();
  LayoutChildren(redraw);
}

void NuListbox::InvalidateRows(int32_t first, int32_t last, int32_t) {
  if (first < 0 || last < 0) {
    InvalidateCell(-1, -1);
    return;
  }
  for (int32_t row = first; row <= last && row < mRowCount; ++row) {
    InvalidateRow(row);
  }
}

bool NuListbox::ApplyStateCode(int32_t code) {
  if (code == 5 || code == 6 || code == kStateCodeOff || code == kStateCodeOn) {
    headerDirty = false;
    const int32_t value = code == 5 || code == kStateCodeOn ? 1 : 0;
    InvalidateRows(-1, -1, value);
  }
  SubPane::ApplyStateCode(code);
  if (AutoHide()) {
    UpdateScrollBars();
    LayoutParts();
  }
  return false;
}

void NuListbox::FocusGained() {
  mHasFocus = true;
  SetDrawFocus(this);
  if (Graphics* g = NewGraphics()) {
    DrawFocusRing(*g);
    Graphics::Destroy(g);
  }
}

void NuListbox::FocusLost() {
  mHasFocus = false;
  InvalidateRow(FirstSelectedRow());
}

bool NuListbox::GetRefreshBounds(QV::Rect& rect) {
  rect = GetBounds();
  RectInset(rect, -4, -4);
  return true;
}

void NuListbox::DrawInto(Graphics& g) {
  if (GtkWidget* widget = GetWidget(); widget && !widget->window) gtk_widget_realize(widget);
  const QV::Rect clip = g.ClipRect();
  ++mDrawDepth;
  ScrollingListbox::DrawInto(g);
  --mDrawDepth;
  g.SetClipRect(clip);
}
