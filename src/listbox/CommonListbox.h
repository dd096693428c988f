// CommonListbox: the base pane of every list box. It owns the column model (up to 64 columns,
// each with width, minimum and maximum expressions, resolved pixel widths and edges, an
// alignment, a heading and a sort direction) and the header, a row of bevel buttons through
// which the user sorts by a column and resizes columns by dragging their right edges. It knows
// nothing of rows: ScrollingListbox adds the scroll bars and the row area, NuListbox the rows.
//
// Promises:
// - Column indexes are checked: setters ignore an index outside 0..63, getters report it and
//   answer 0.
// - Column edges are summed in 32 bits; widths never leave 0..32,767 through an expression.
// - HeaderPressed is called with the list held; nothing of the list is written after it when
//   a handler closed the list.
#pragma once

#include <cstdint>

#include "controls/BevelButton.h"
#include "strings/RuntimeString.h"
#include "windows/ContainerPane.h"

class CommonListbox;

constexpr int32_t kMaxListColumns = 64;

struct ColumnRecord {
  bool widthStale = false;
  bool minStale = false;
  bool maxStale = false;
  bool userResizable = false;
  string widthExpression;
  string minWidthExpression = "0";
  string maxWidthExpression = "-1";
  int32_t width = 0;
  int32_t minWidth = 0;
  int32_t maxWidth = -1;
  int32_t left = 0;
  int32_t right = 0;
  int32_t alignment = 0;
  int32_t alignmentOffset = 0;
};

// What a resolution left for the star columns: the sum of their shares, and the share that
// the last column would have had (it takes all that is left instead).
struct StarLayout {
  double starTotal;
  bool lastIsStar;
  int32_t lastStarShare;
};

// Resolves the first count records' width, minimum and maximum expressions over a row area
// width pixels wide: absolute and percent widths first, then the star columns share what is
// left in proportion. An expression that is not one is raised and gets an equal share.
StarLayout ResolveColumnRecords(ColumnRecord* columns, int32_t count, int32_t width);

// One header button: the column headings, and a filler at each end that only draws.
class CommonListboxHeader : public BevelButtonDelegate {
 public:
  CommonListboxHeader(CommonListbox* list, int32_t column, bool filler)
      : mList(list), mColumn(column), mFiller(filler) {}

  void HoverAt(BevelButton* pane, int32_t x, int32_t y) override;
  void Clicked(BevelButton* pane) override;
  void MoveAt(BevelButton* pane, int32_t x, int32_t y) override;
  bool CustomDraw(BevelButton*, Graphics&) override { return false; }

  BevelButton* button = nullptr;
  CommonListboxHeader* next = nullptr;
  int32_t Column() const { return mColumn; }
  void SetColumn(int32_t column, bool filler) {
    mColumn = column;
    mFiller = filler;
  }
  bool IsFiller() const { return mFiller; }

 private:
  CommonListbox* mList;
  int32_t mColumn;
  bool mFiller;
};

// Cursors of the header's column edges.
enum HeaderCursorId : int32_t {
  kCursorColumnResize = 6601,
  kCursorColumnShrink = 6602,
  kCursorColumnGrow = 6603,
};

// What ClampColumnWidth did to a width.
enum ColumnClamp : int32_t { kClampFree = 0, kClampLower = 1, kClampUpper = 2 };

struct HeaderHit {
  int32_t column;  // -1: nothing hit
  bool edge;       // on a right edge that can be dragged
};

class CommonListbox : public ContainerPane {
 public:
  CommonListbox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds);
  ~CommonListbox() override;

  // ---- pane ----
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  // The list keeps GetBounds as the pane's whole bounds rather than answering them one pixel
  // in on each side. Hit testing, the widget's placement, the clip of every Graphics on the
  // pane and the frame all read GetBounds: inset, the control's outer ring of pixels would
  // show the window through it, clicks there would miss the control, and every row would sit
  // a pixel lower than the frame drawn for it.
  void Close() override;
  // A list holds only the parts it makes itself (header buttons, scroll bars); a pane laid
  // over it stays with the window, or the list would take its clicks and move it.
  bool EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel) override;

  // ---- operations the derived lists supply ----
  // A scroll bar appeared or disappeared.
  virtual void ContentAreaChanged() {}
  virtual QV::Rect GetListRect() = 0;
  virtual QV::Rect GetHeaderRect() = 0;
  virtual void LayoutParts() {}
  // -1 for the row or the column means all of them.
  virtual void InvalidateCell(int32_t row, int32_t column) = 0;
  virtual void InvalidateRow(int32_t row) = 0;
  virtual void InvalidateColumn(int32_t column) = 0;
  virtual void RowCountChanged(int32_t row, int32_t value) = 0;
  virtual void ColumnWidthChanged(int32_t column) = 0;
  virtual void SortColumn(int32_t /*column*/) {}
  virtual void HeaderPressed(int32_t /*column*/) {}

  // ---- columns ----
  int32_t ColumnCount() const { return mColumnCount; }
  // Held within 0..64; the caller resolves the widths when it wants them.
  void SetColumnCount(int32_t count);
  int32_t ColumnWidth(int32_t i) const { return ColumnField(i, &ColumnRecord::width); }
  int32_t MinWidth(int32_t i) const { return ColumnField(i, &ColumnRecord::minWidth); }
  int32_t MaxWidth(int32_t i) const { return ColumnField(i, &ColumnRecord::maxWidth); }
  int32_t ColumnLeft(int32_t i) const { return ColumnField(i, &ColumnRecord::left); }
  int32_t ColumnRight(int32_t i) const { return ColumnField(i, &ColumnRecord::right); }
  int32_t ColumnAlignment(int32_t i) const { return ColumnField(i, &ColumnRecord::alignment); }
  int32_t ColumnAlignmentOffset(int32_t i) const {
    return ColumnField(i, &ColumnRecord::alignmentOffset);
  }
  bool IsColumnResizable(int32_t i) const;
  string GetWidthExpression(int32_t i);
  string GetMinWidthExpression(int32_t i);
  string GetMaxWidthExpression(int32_t i);
  void SetWidthExpression(int32_t i, const string& text);
  void SetMinWidthExpression(int32_t i, const string& text);
  void SetMaxWidthExpression(int32_t i, const string& text);
  void SetMinWidth(int32_t i, int32_t pixels);
  void SetMaxWidth(int32_t i, int32_t pixels);
  void SetColumnsResizable(bool resizable);
  void SetColumnResizable(int32_t i, bool resizable);
  void SetColumnAlignment(int32_t i, int32_t alignment, int32_t offset);
  void SetColumnAlignmentOnly(int32_t i, int32_t alignment);
  void SetColumnAlignmentOffset(int32_t i, int32_t offset);
  void SetColumnWidthByUser(int32_t i, int32_t width);
  // Holds width within the column's bounds, its neighbour's and the row area (x is where the
  // pointer is).
  ColumnClamp ClampColumnWidth(int32_t i, int32_t& width, int32_t x);
  void ResolveColumnWidths();
  void ComputeColumnEdges();
  double StarTotal() const { return mStarTotal; }
  int32_t LastStarShare() const { return mLastStarShare; }
  int32_t HorizontalOffset() const { return mHorizontalOffset; }
  void SetHorizontalOffset(int32_t offset) { mHorizontalOffset = offset; }

  // ---- header ----
  void BuildHeader();
  // Takes the header buttons away (the list has no heading any more).
  void RemoveHeader() { CloseHeader(); }
  // The header's buttons rebuilt only when the header is shown (after BuildHeader).
  void RebuildHeaderIfShown();
  // The sorted column without the header press that SetSortedColumn runs (a sort sets it).
  void StoreSortedColumn(int32_t i) { mSortedColumn = i; }
  // The text height of the list's text size plus 10, measured once per text size.
  int32_t HeaderHeight();
  // i = -1 sets every column from one Tab-separated text.
  void SetHeading(int32_t i, const string& text);
  string Heading(int32_t i) const;
  int32_t SortedColumn() const { return mSortedColumn; }
  void SetSortedColumn(int32_t i);
  int32_t SortDirection(int32_t i) const;
  void SetSortDirection(int32_t i, int32_t direction, bool force);
  HeaderHit HitTestHeader(int32_t x, int32_t y);
  bool HeaderMouseDown(int32_t x, int32_t y, int32_t modifiers);
  void HeaderMouseDrag(int32_t x, int32_t y);
  void HeaderMouseMove(int32_t x, int32_t y);
  void HeaderMouseExit();
  void UpdateHeaderCursor(int32_t x, int32_t y);
  // The button of column i (-1 and the column count give the fillers), or nil.
  BevelButton* HeaderButton(int32_t i) const;
  // The column whose edge is being dragged, or -1.
  int32_t ResizeColumn() const { return mResizeColumn; }

  // The column whose heading the mouse went down on and is still held, or -1.
  int32_t HeldHeading();

  // Called by the header nodes.
  void HeaderColumnClicked(CommonListboxHeader* node);
  // While the mouse is held on a heading, that heading looks pressed only while the pointer is
  // over it (node is the button under the pointer); no other heading looks pressed.
  void TrackHeaderPress(CommonListboxHeader* node);

  // ---- flags the derived lists read and write ----
  bool headerTracking = false;
  bool columnsChanged = false;
  bool rowsChanged = false;
  bool headerDirty = false;
  bool IsHeaderShown() const { return mHeaderShown; }

  // Content insets: top, left, bottom, right.
  int32_t insetTop = 1;
  int32_t insetLeft = 1;
  int32_t insetBottom = 2;
  int32_t insetRight = 2;

 protected:
  bool ValidColumn(int32_t i) const { return i >= 0 && i < kMaxListColumns; }
  // Getters' check: reported, and false, for an index outside 0..63.
  bool CheckedColumn(int32_t i) const;
  // A field of column i; 0 (reported) for an index outside 0..63.
  int32_t ColumnField(int32_t i, int32_t ColumnRecord::*field) const;

 private:
  const string& FreshExpression(string& expression, bool& stale, int32_t pixels);
  void RewriteStarExpressions();
  QV::Rect HeaderButtonRect(int32_t left, int32_t right);
  void ReleasePressedButtons(BevelButton* except);
  // Every heading but except stops looking pressed (their values stay).
  void ReleasePressedLooks(BevelButton* except);
  void CloseHeader();
  // The left of column i, where i may be the column count (the trailing filler).
  int32_t FillerLeft(int32_t i) const;

  ColumnRecord mColumns[kMaxListColumns];
  string mHeadings[kMaxListColumns];
  int32_t mSortDirections[kMaxListColumns];
  int32_t mColumnCount = 1;
  CommonListboxHeader* mHeader = nullptr;
  int32_t mSortedColumn = 0;
  double mStarTotal = 0;
  int32_t mLastStarShare = 0;
  int32_t mHorizontalOffset = 0;
  bool mHeaderShown = false;
  int32_t mResizeColumn = -1;
  int32_t mHeldColumn = -1;
};
