// NuListbox: the list engine. It knows how many rows the list has, which row is at the top,
// how tall rows are, which rows are selected and how the list scrolls, and answers clicks,
// drags and the navigation keys. It keeps no cell data: a provider (the derived list) answers
// row and header clicks, and a delegate hears of selection changes, double clicks and
// scrolling.
//
// Promises:
// - The selection is a list of row ranges that never overlap; an operation that changes it
//   sends one SelectionChanging before and one SelectionChanged after, and a click sends one
//   pair in all.
// - Every call out to the delegate or the provider holds the list, and the engine writes
//   nothing of the list afterwards when a handler closed it.
// - The top row stays within 0 .. max(0, rows - visible rows) without a vertical bar, as the
//   bar's range keeps it with one.
#pragma once

#include <cstdint>

#include "listbox/ScrollingListbox.h"

class NuListbox;

struct SelectionRange {
  SelectionRange* next;
  int32_t first;
  int32_t count;
};

class NuListboxDelegate {
 public:
  virtual ~NuListboxDelegate() = default;
  virtual void DoubleClick(NuListbox* /*list*/) {}
  virtual void SelectionChanging(NuListbox* /*list*/) {}
  virtual void SelectionChanged(NuListbox* /*list*/) {}
  // The rows moved by pixels (positive: the content moved down, the list scrolled up).
  virtual void ListScrolled(NuListbox* /*list*/, int32_t /*pixels*/) {}
  virtual bool DragReorderRows(NuListbox* /*list*/) { return false; }
};

class NuListboxProvider {
 public:
  virtual ~NuListboxProvider() = default;
  virtual void HeaderClick(int32_t x, int32_t y, int32_t modifiers) = 0;
  // True when the derived list handled the click itself: no selection follows.
  virtual bool RowClick(int32_t row, int32_t xInRow, int32_t yInRow, int32_t modifiers) = 0;
};

// The double-click test: the same modifiers, the same contextual answer, within the GTK
// double-click time and within 4 x 4 pixels of the last click.
class ClickTracker {
 public:
  // Records the click and answers whether it completes a double click.
  bool Update(int32_t x, int32_t y, int32_t modifiers, bool contextual, int32_t now);
  bool IsDouble() const { return mIsDouble; }

 private:
  int32_t mLastX = -1;
  int32_t mLastY = -1;
  bool mIsDouble = false;
  bool mLastContextual = false;
  int32_t mLastTime = 0;
  int32_t mLastModifiers = 0;
  int32_t mToleranceX = 4;
  int32_t mToleranceY = 4;
};

// What RowAtPoint found.
struct RowHit {
  bool found;
  int32_t row;
  int32_t xInRow;
  int32_t yInRow;
};

class NuListbox : public ScrollingListbox {
 public:
  // State codes of the list's own: the state of a derived list switched off or on (the code
  // less kStateCodeOff is its value).
  static constexpr int32_t kStateCodeOff = 1000;
  static constexpr int32_t kStateCodeOn = 1001;

  // Navigation keys as HandleChar gets them.
  enum Keys : int32_t {
    kKeyHome = 1,
    kKeyEnd = 4,
    kKeyPageUp = 11,
    kKeyPageDown = 12,
    kKeyLeft = 28,
    kKeyRight = 29,
    kKeyUp = 30,
    kKeyDown = 31,
  };

  // provider must not be nil; delegate may be.
  NuListbox(NuListboxDelegate* delegate, NuListboxProvider* provider, SubPane* owner,
            int32_t panelIndex, const QV::Rect& bounds, bool constantRowHeight,
            bool multipleSelection);
  ~NuListbox() override;

  // ---- rows ----
  int32_t RowCount() override { return mRowCount; }
  int32_t TotalColumnWidth() override { return 0; }
  void RowsInserted(int32_t row, int32_t count);
  virtual void RowsRemoved(int32_t row, int32_t count);

  // ---- geometry ----
  RowHit RowAtPoint(int32_t x, int32_t y);
  int32_t LastVisibleRow();
  QV::Rect RowRangeRect(int32_t first, int32_t count);
  bool FocusRingRect(QV::Point origin, QV::Rect& r);

  // ---- scrolling ----
  void ScrollRowsTo(int32_t oldTop, int32_t newTop);
  void ScrollToRow(int32_t row);
  void ScrollRowIntoView(int32_t row);
  int32_t TopRow() const { return mScrollValue; }
  virtual bool TakesFocusOnClick() { return true; }
  virtual void ScrolledBy(Scroller* scroller, int32_t oldValue, int32_t newValue);
  virtual void PaintNow() { ProcessUpdates(); }
  virtual void ScrollColumnsTo(int32_t /*value*/, Scroller* /*scroller*/) {}
  virtual void ScrollHorizontallyTo(int32_t /*pixels*/) {}
  virtual void DrawFocusRing(Graphics& /*g*/) {}
  // Redraws rows first..last (-1, -1: every row). value is what the state change that asks
  // for it switched on (1) or off (0), for a derived list that draws the two states apart.
  virtual void InvalidateRows(int32_t first, int32_t last, int32_t value);
  // Wheel deltas in lines; true.
  bool MouseWheel(int32_t deltaX, int32_t deltaY);

  // ---- selection ----
  void SelectRow(int32_t row, bool scroll);
  void SetRowSelected(int32_t row, bool selected);
  void SelectRange(int32_t a, int32_t b);
  void SelectAll();
  void ClearSelection();
  bool IsRowSelected(int32_t row) const;
  int32_t FirstSelectedRow() const;
  int32_t LastSelectedRow() const;
  int32_t SelectedRowCount() const;
  bool NextSelectedRow(int32_t& row) const;
  const SelectionRange* SelectionRanges() const { return mSelection; }
  bool MultipleSelection() const { return mMultipleSelection; }
  // Whether deselecting one more row is refused: it would leave nothing selected.
  bool KeepsLastSelected() const { return requiresSelection && SelectedRowCount() <= 1; }
  void SetMultipleSelection(bool multiple) { mMultipleSelection = multiple; }
  // Clicks and drags leave at least one row selected once one is (code may still clear it).
  bool requiresSelection = false;
  bool FocusRingWanted() const { return mFocusRing; }
  void SetFocusRing(bool wanted) { mFocusRing = wanted; }

  int32_t FocusRow() const { return mFocusRow; }
  void SetFocusRow(int32_t row) { mFocusRow = row; }
  void ClearFocusRow() { mFocusRow = -1; }
  int32_t AnchorRow() const { return mAnchorRow; }
  bool ConstantRowHeight() const { return mConstantRowHeight; }
  bool HasFocus() const { return mHasFocus; }
  void BeginListUpdate() {}
  void EndListUpdate() {}

  // ---- ScrollerDelegate ----
  void ValueChanged(Scroller* scroller, int32_t oldValue, int32_t newValue) override;

  // ---- pane ----
  void DrawFocusGained() override { SubPane::DrawFocusGained(); }
  void DrawFocusLost() override { SubPane::DrawFocusLost(); }
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  void FocusLost() override;
  void FocusGained() override;
  bool CanTakeFocus() override { return IsEnabled() && IsVisibleAndShown(); }
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  // The list lays out its own parts: the header follows the new row area whatever its columns.
  void SetBoundsAndLayout(const QV::Rect& bounds, bool redraw) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool PassKeyToOwner(int32_t, int32_t, int32_t) override { return false; }
  // 5 enable, 6 disable, and kStateCodeOff, kStateCodeOn redraw every row with the state's
  // value; then as SubPane.
  bool ApplyStateCode(int32_t code) override;
  bool GetRefreshBounds(QV::Rect& rect) override;
  void DrawInto(Graphics& g) override;
  bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override;

 protected:
  // Holds the list across a call out; false when a handler closed it or its window (nothing
  // more to do).
  template <typename Call>
  bool CallOut(Call call) {
    if (!RetainChain()) return false;
    call();
    const bool open = OpenAfterCall();
    return !ReleaseChain() && open;
  }
  // After a call out, with the list held: false when it or an owner is closing.
  virtual bool OpenAfterCall() { return !IsChainClosing(); }
  // SelectionChanging or SelectionChanged, when they are due (a delegate, depth 0); false
  // when the list closed meanwhile.
  bool NotifyChanging();
  bool NotifyChanged();
  void RaiseNotifyDepth();
  // False when the list closed in the SelectionChanged that lowering to 0 sent.
  bool LowerNotifyDepth();
  // Scrolls so that row is at the top: the bar's value, or ScrollRowsTo without a bar.
  void ScrollTopTo(int32_t row);
  int32_t MaxTopRow();
  // Relative to the content top, from the top row; with variable heights at least limit
  // once the row lies that far down.
  int32_t RowTop(int32_t row, int32_t limit);
  QV::Rect ContentRect();
  // A vertical scroll repaints the row area; a list that keeps an image of its rows (all of
  // one height) shifts the image instead of marking it all out of date.
  virtual void InvalidateScrolledRows() { InvalidateRect(GetListRect()); }
  // The derived list drew the whole row area: the next scroll invalidates it again.
  void ClearFullRedrawPending() { mFullRedrawPending = false; }
  // For a list whose rows went away behind the engine's back (its own deletions re-entered).
  void SetRowCount(int32_t count) { mRowCount = count; }

 private:
  // The selection primitives, telling nobody.
  void AddRow(int32_t row);
  void RemoveRow(int32_t row);
  void FreeSelection();
  bool DragAbove();
  void DragOntoRow(int32_t row);
  bool ClickRow(const RowHit& hit, int32_t modifiers, bool sameRow);
  bool TrackMouseDown(int32_t x, int32_t y, int32_t modifiers);
  void TrackMouseDrag(int32_t x, int32_t y);
  bool HandleKey(int32_t character, int32_t modifiers);
  bool HandleUpDown(bool down, bool extend);

  SelectionRange* mSelection = nullptr;
  bool mDragDeselects = false;
  ClickTracker mClickTracker;
  int32_t mRowCount = 0;
  bool mFullRedrawPending = true;
  bool mConstantRowHeight;
  int32_t mDrawDepth = 0;
  NuListboxProvider* mProvider;
  int32_t mFocusRow = 0;
  bool mHasFocus = false;
  bool mDragged = false;
  bool mMultipleSelection;
  int32_t mAnchorRow = -1;
  int32_t mShiftAnchorRow = -1;
  bool mFocusRing = true;
  int16_t mNotifyDepth = 0;
  NuListboxDelegate* mListDelegate;
};
