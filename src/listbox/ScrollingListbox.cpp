#include "listbox/ScrollingListbox.h"

namespace {

constexpr int32_t kStateShowCode = 7;
constexpr int32_t kStateHideCode = 8;
constexpr int32_t kHorizontalLineStep = 16;
constexpr int32_t kHorizontalPageSlack = 20;
constexpr int32_t kRowsWithoutHeight = 12;

// One guard for every list: laying out one list may move another's bars.
bool gLayingOut = false;

}  // namespace

ScrollingListbox::ScrollingListbox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
    : CommonListbox(owner, panelIndex, bounds) {
  ComputeColumnEdges();
}

// The bars are children of the list, closed with it.
ScrollingListbox::~ScrollingListbox() = default;

void ScrollingListbox::Close() {
  ReleaseBar(mVerticalBar);
  ReleaseBar(mHorizontalBar);
  CommonListbox::Close();
}

void ScrollingListbox::ReleaseBar(Scroller*& bar) {
  Scroller* gone = bar;
  bar = nullptr;
  if (!gone) return;
  gone->ForgetDelegate();
  if (!gone->IsClosing()) gone->Close();
}

void ScrollingListbox::SetTextSize(int16_t size) {
  CommonListbox::SetTextSize(size);
  mTextHeightCached = false;
}

// ---- geometry ----

void ScrollingListbox::AdjustContentRect(QV::Rect& r, bool insets, bool header) {
  if (insets) {
    r.top = int16_t(r.top + insetTop);
    r.left = int16_t(r.left + insetLeft);
    r.bottom = int16_t(r.bottom - insetBottom);
    r.right = int16_t(r.right - insetRight);
  }
  if (header && IsHeaderShown()) r.top = int16_t(r.top + HeaderHeight() - 1);
}

QV::Rect ScrollingListbox::GetListRect() {
  QV::Rect r = GetBounds();
  AdjustContentRect(r, true, true);
  if (BarShown(mHorizontalBar)) r.bottom = int16_t(r.bottom - (mScrollBarWidth + 2));
  if (BarShown(mVerticalBar)) r.right = int16_t(r.right - (mScrollBarWidth + 2));
  return r;
}

QV::Rect ScrollingListbox::GetHeaderRect() {
  if (!IsHeaderShown()) return {0, 0, 0, 0};
  const QV::Rect b = GetBounds();
  QV::Rect r;
  r.top = int16_t(b.top + 1);
  r.left = int16_t(b.left + 1);
  r.right = int16_t(b.right - 2);
  r.bottom = int16_t(r.top + HeaderHeight() - 1);
  if (BarShown(mVerticalBar)) r.right = int16_t(r.right - (mScrollBarWidth + 2));
  return r;
}

QV::Rect ScrollingListbox::HorizontalBarRect() {
  QV::Rect r = GetBounds();
  AdjustContentRect(r, false, true);
  r.top = int16_t(r.bottom - mScrollBarWidth);
  if (BarShown(mVerticalBar)) r.right = int16_t(r.right - (mScrollBarWidth + 2));
  r.right = int16_t(r.right - mBarShortening);
  return r;
}

QV::Rect ScrollingListbox::VerticalBarRect() {
  QV::Rect r = GetBounds();
  r.left = int16_t(r.right - mScrollBarWidth);
  if (BarShown(mHorizontalBar)) r.bottom = int16_t(r.bottom - (mScrollBarWidth + 2));
  r.bottom = int16_t(r.bottom - mBarShortening);
  return r;
}

int32_t ScrollingListbox::RowHeight(int32_t) {
  if (!mTextHeightCached) {
    int32_t height = 0;
    if (Graphics* g = NewGraphics()) {
      height = g->TextHeight();
      Graphics::Destroy(g);
    }
    mTextHeight = height > 0 ? height : 0;
    mTextHeightCached = true;
  }
  return mTextHeight;
}

int32_t ScrollingListbox::VisibleRowCount() {
  QV::Rect r = GetBounds();
  AdjustContentRect(r, true, true);
  int32_t height = r.bottom - r.top;
  if (BarShown(mHorizontalBar)) height -= mScrollBarWidth;
  const int32_t rowHeight = RowHeight(-1);
  if (rowHeight <= 0) return kRowsWithoutHeight;
  return height / rowHeight;
}

int32_t ScrollingListbox::TotalColumnWidth() {
  int32_t total = 0;
  for (int32_t i = 0; i < ColumnCount(); ++i) total += ColumnWidth(i);
  return total;
}

bool ScrollingListbox::HasVerticalScrollBar() {
  if (!mVerticalWanted) return false;
  return !mAutoHide || BarShown(mVerticalBar);
}

bool ScrollingListbox::HasHorizontalScrollBar() {
  if (!mHorizontalWanted) return false;
  return !mAutoHide || BarShown(mHorizontalBar);
}

// ---- showing and hiding ----

void ScrollingListbox::ShowVerticalScrollBar() {
  mVerticalWanted = true;
  if (mVerticalBar) return;
  mVerticalBar = NewVerticalScroller(this, this, PanelIndex(), VerticalBarRect(), false, false);
  if (GtkWidget* widget = mVerticalBar->GetWidget()) GTK_WIDGET_UNSET_FLAGS(widget, GTK_CAN_FOCUS);
  mVerticalBar->SetEnabled(IsEnabled(), false);
  UpdateScrollBars();
  LayoutParts();
}

void ScrollingListbox::ShowHorizontalScrollBar() {
  mHorizontalWanted = true;
  if (mHorizontalBar) return;
  mHorizontalBar =
      NewHorizontalScroller(this, this, PanelIndex(), HorizontalBarRect(), false, false);
  if (GtkWidget* widget = mHorizontalBar->GetWidget()) {
    GTK_WIDGET_UNSET_FLAGS(widget, GTK_CAN_FOCUS);
  }
  mHorizontalBar->SetEnabled(IsEnabled(), false);
  mHorizontalBar->SetLineStep(kHorizontalLineStep);
  mHorizontalBar->SetWheelStep(kHorizontalLineStep);
  LayoutParts();
  UpdateScrollBars();
}

void ScrollingListbox::HideHorizontalScrollBar() {
  mHorizontalWanted = false;
  ReleaseBar(mHorizontalBar);
}

void ScrollingListbox::HideVerticalScrollBar() {
  mVerticalWanted = false;
  ReleaseBar(mVerticalBar);
  LayoutParts();
}

void ScrollingListbox::UpdateScrollBarsAndLayout() {
  UpdateScrollBars();
  LayoutParts();
}

void ScrollingListbox::BarVisibilityChanged() {
  ResolveColumnWidths();
  InvalidateCell(-1, -1);
  ContentAreaChanged();
  if (mHorizontalBar) mHorizontalBar->SetBounds(HorizontalBarRect(), true);
  columnsChanged = true;
  LayoutParts();
}

bool ScrollingListbox::MatchBarToRange(Scroller* bar, bool empty) {
  const bool show = !empty || !mAutoHide;
  if (bar->IsVisible() == show) return false;
  bar->ApplyStateCode(show ? kStateShowCode : kStateHideCode);
  return true;
}

void ScrollingListbox::UpdateScrollBars() {
  if (mVerticalBar) {
    const int32_t visible = VisibleRowCount();
    int32_t range = RowCount() - visible;
    const int32_t current = mVerticalBar->GetValue();
    if (current < RowCount() && current > range) range = current;
    if (MatchBarToRange(mVerticalBar, range < 1)) BarVisibilityChanged();
    if (mVerticalBar) mVerticalBar->SetMaximum(range < 1 ? 0 : range);
    if (mVerticalBar) {
      if (visible < 2) {
        mVerticalBar->SetPageStepField(1);
      } else {
        mVerticalBar->SetPageStep(visible - 1);
        mVerticalBar->SetPageStepField(visible - 1);
      }
    }
  }
  rowsChanged = false;
}

void ScrollingListbox::LayoutParts() {
  if (gLayingOut) return;
  gLayingOut = true;
  if (mHorizontalBar) {
    mHorizontalBar->SetMinimum(0);
    const QV::Rect b = GetBounds();
    int32_t visibleWidth = b.right - b.left - insetLeft - insetRight;
    if (BarShown(mVerticalBar)) visibleWidth -= mScrollBarWidth;
    mHorizontalBar->SetPageStep(visibleWidth - kHorizontalPageSlack);
    int32_t range = TotalColumnWidth() - visibleWidth;
    const bool changed = MatchBarToRange(mHorizontalBar, range < 1);
    if (range < 1) range = 0;
    if (changed && mVerticalBar) {
      mVerticalBar->SetBounds(VerticalBarRect(), true);
      rowsChanged = true;
      UpdateScrollBars();
    }
    if (mHorizontalBar) mHorizontalBar->SetMaximum(range);
  }
  columnsChanged = false;
  gLayingOut = false;
}

// ---- dragging and clipping ----

void ScrollingListbox::DragOver(int32_t, int32_t y) {
  if (!mVerticalBar) return;
  const int32_t step = mVerticalBar->GetLineStep();
  const int32_t current = mVerticalBar->GetValue();
  if (y < 4) {
    mVerticalBar->SetValue(current - step);
  } else if (y >= Height() - 3) {
    mVerticalBar->SetValue(current + step);
  }
}

// Scrolling tells the list's delegate, whose handler may close the window. The bar holds the
// chain until GTK is done with it, so the list learns of that from its owners' state.
bool ScrollingListbox::DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) {
  if (!RetainChain()) return false;
  DragOver(x, y);
  bool closed = false;
  for (SubPane* pane = this; pane && !closed; pane = pane->GetOwner()) closed = pane->IsClosing();
  if (ReleaseChain() || closed) return false;
  return SubPane::DragOver(x, y, dragItem, action);
}

void ScrollingListbox::ClipRightToBar(QV::Rect& r) {
  if (!BarShown(mVerticalBar)) return;
  const int32_t limit = GetBounds().right - mScrollBarWidth;
  if (r.right > limit) r.right = int16_t(limit);
}

void ScrollingListbox::ClipRowToBar(QV::Rect& r) {
  r.bottom = int16_t(r.top + RowHeight(-1));
  if (!BarShown(mHorizontalBar)) return;
  const int32_t limit = GetBounds().bottom - mScrollBarWidth;
  if (r.bottom > limit) r.bottom = int16_t(limit);
}
