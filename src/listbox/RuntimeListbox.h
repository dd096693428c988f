// RuntimeListbox: the list-box pane. It is the list engine made concrete: it owns the rows and
// their cells, draws them, and sorts them by a column with their subtrees.
//
// Promises:
// - Every operation given a row or a column checks it first (rows 0 .. count - 1, columns
//   0 .. 255): a bad index is reported or raised and changes nothing; no column is truncated
//   into the 8-bit column field of a cell.
// - The rows array and the engine's row count stay equal, also when a row is deleted again
//   from inside the notifications of its own deletion.
// - A sort holds its own context; a comparison that changes the list (adds, deletes or sorts
//   rows, closes the list) ends that sort at once, with every record still in the list once.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/GenericArray.h"
#include "core/SimpleVector.h"
#include "database/DataBinding.h"
#include "listbox/ListboxEvents.h"
#include "listbox/ValidCellBlock.h"
#include "listbox/NuListbox.h"
#include "windows/WindowControls.h"

struct RuntimeObject;
class EditControl;
class ListDrawablePane;

constexpr int32_t kMaxCellColumn = 255;

// Border codes of a cell edge.
enum CellBorderCode : int32_t {
  kBorderDefault = 0,
  kBorderNone = 1,
  kBorderThinDotted = 2,
  kBorderThinSolid = 3,
  kBorderThickSolid = 4,
  kBorderDoubleThinSolid = 5,
};

enum CellBorderSide : int32_t { kSideTop = 0, kSideLeft = 1, kSideBottom = 2, kSideRight = 3 };

// Cell types: 0 takes the column's type.
enum CellType : uint8_t { kTypeDefault = 0, kTypeNormal = 1, kTypeCheckbox = 2, kTypeEditable = 3 };

struct CellEntry {
  explicit CellEntry(uint8_t columnNumber) : column(columnNumber) {}
  virtual ~CellEntry();
  CellEntry(const CellEntry&) = delete;
  CellEntry& operator=(const CellEntry&) = delete;

  CellEntry* next = nullptr;
  uint8_t style = 0;
  string text;  // UTF-8
  RuntimeObject* picture = nullptr;  // retained; the column-0 cell only
  uint8_t column;
  uint8_t type = kTypeDefault;
  uint8_t checked = 0;
  int32_t alignment = 0;
  int32_t alignmentOffset = 0;
  int16_t textSize = 0;
  int16_t textRect[4] = {-1, -1, -1, -1};
  RuntimeObject* tag = nullptr;  // retained
  int32_t borders[4] = {0, 0, 0, 0};
};

struct RowEntry {
  RowEntry(CellEntry* first, int16_t rowDepth, int16_t rowState)
      : state(rowState), depth(rowDepth), firstCell(first) {}
  virtual ~RowEntry();  // deletes the cells
  RowEntry(const RowEntry&) = delete;
  RowEntry& operator=(const RowEntry&) = delete;

  int16_t state;  // -1 a plain row, 0 a collapsed folder, 1 an expanded one
  int16_t depth;
  CellEntry* firstCell;
};

// Line width of a border code.
int32_t BorderLineWidth(int32_t code);

class RuntimeListbox : public NuListbox,
                       public NuListboxDelegate,
                       public NuListboxProvider,
                       public DataAwareClass {
 public:
  // owner is the language control, retained for the pane's life; nil for a bare pane.
  RuntimeListbox(RuntimeObject* owner, SubPane* parent, const QV::Rect& bounds,
                 bool multipleSelection);
  ~RuntimeListbox() override;

  void Close() override;
  RuntimeObject* Owner() const { return mOwner; }

  // ---- rows ----
  RowEntry* RowEntryAt(int32_t row);
  CellEntry* FirstCellOfRow(int32_t row);
  // Nil for a bad row or a column outside 0..255.
  CellEntry* FindCell(int32_t row, int32_t column, bool create);
  // The list takes first (nil makes an empty column-0 cell); -1 for a refused row.
  virtual int32_t AddRow(CellEntry* first, int32_t depth, int32_t state);
  virtual int32_t InsertRow(int32_t row, CellEntry* first, int32_t depth, int32_t state);
  virtual void DeleteRow(int32_t row);
  virtual void DeleteAllRows();
  virtual void SwapRowRanges(int32_t firstA, int32_t countA, int32_t firstB, int32_t countB);
  int32_t RowDepth(int32_t row);
  int32_t SubtreeEnd(int32_t row);
  RuntimeObject* GetRowPicture(int32_t row);
  void SetRowPicture(int32_t row, RuntimeObject* picture);

  // ---- cells ----
  // row -1: every row (a whole list or a whole column); column -1: a whole row. Bad indexes
  // raise OutOfBoundsException and change nothing.
  void SetCellText(int32_t row, int32_t column, const string& text, bool initial);
  // The owner's InitialValue as the list's rows (a heading line first when the list has one),
  // its line endings made the platform's.
  void ApplyInitialValue();
  // oneCell false gathers the selected rows, all columns.
  string GetCellText(bool oneCell, int32_t row, int32_t column);
  // GetCellText of one cell as a text record with a reference for the caller (nil: empty): the
  // Cell getter's path.
  stringStorage* CellTextRecord(int32_t row, int32_t column);
  int32_t EffectiveCellType(int32_t row, int32_t column);
  int32_t EffectiveAlignment(int32_t row, int32_t column);
  int32_t EffectiveAlignmentOffset(int32_t row, int32_t column);
  int32_t EffectiveTextSize(int32_t row, int32_t column);
  int32_t CellBorder(int32_t side, int32_t row, int32_t column, bool combine);
  void SetCellBorder(int32_t side, int32_t row, int32_t column, int32_t code);

  // The column types the language class keeps (columns 0..63).
  int32_t ColumnType(int32_t column) const;
  void SetColumnType(int32_t column, int32_t type);
  bool hierarchical = false;
  bool hasHeading = false;
  int32_t gridLinesHorizontal = 0;
  int32_t gridLinesVertical = 0;

  // ---- folders ----
  bool IsExpanded(int32_t row);
  // False unless the row was a collapsed (expanded) folder.
  bool ExpandFolder(int32_t row);
  bool CollapseFolder(int32_t row);
  void RemoveChildRows(int32_t row);
  // A new row of the language's AddRow: under the folder being expanded, at its depth + 1
  // after its subtree, else appended at depth 0.
  int32_t AddListRow(CellEntry* first, int32_t state);
  // Rows from row (columns from column) on are drawn again: the valid block loses them.
  void InvalidateRowsFrom(int32_t row);
  void InvalidateColumnsFrom(int32_t column);

  // ---- sorting ----
  void HeaderPressed(int32_t column) override;
  void SortColumn(int32_t column) override;
  // Sorts [first, first + count) with the subtrees; a comparison that changed the list stops
  // the sort. False when a handler closed the list: nothing of it may be touched then.
  bool SortRows(int32_t first, int32_t count, int32_t column, int32_t direction);

  // ---- engine ----
  // Cuts the cell out of the valid block and repaints its area (row or column -1: all of
  // them); an index below -1 raises OutOfBoundsException.
  void InvalidateCell(int32_t row, int32_t column) override;
  const ValidCellBlock& ValidBlock() const { return mValidBlock; }
  bool NeedsRedraw() const { return mNeedsRedraw; }
  void InvalidateRow(int32_t row) override;
  void InvalidateColumn(int32_t column) override;
  void RowCountChanged(int32_t row, int32_t value) override;
  void ColumnWidthChanged(int32_t column) override;
  void Draw(Graphics& g) override;
  // Paint events may close the list or its window while GTK draws it.
  void DrawIfOpen() override;
  // The owner's DefaultRowHeight when not negative, else the text height (at least 18 in a
  // hierarchical list) plus 4, measured once.
  int32_t RowHeight(int32_t row) override;
  void InvalidateTextHeight() override;
  void DrawFocusRing(Graphics& g) override;
  void HeaderClick(int32_t x, int32_t y, int32_t modifiers) override;
  // A press in a folder's disclosure triangle expands or collapses it.
  bool RowClick(int32_t row, int32_t xInRow, int32_t yInRow, int32_t modifiers) override;
  // Left collapses and right expands the first selected row of a hierarchical list; other keys
  // go to KeyDown first.
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;

  // ---- off-screen image ----
  // The rows are painted into an image of the list rectangle and copied to the window; a
  // scroll shifts the image and paints only the uncovered strips. Every invalidation of the
  // pane marks its part of the image out of date, so no repaint shows a stale row.
  // The image's Graphics, made at the list rectangle's size (depth 32, else 16, else 8); nil
  // when no depth gives a pixmap: the rows are then painted straight into the window.
  Graphics* GetOffscreenGraphics(const QV::Rect& area);
  // Frees the image and its Graphics; the next paint draws every row again.
  void ReleaseOffscreen();
  ListDrawablePane* Offscreen() const { return mOffscreen; }
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  void AreaInvalidated(const QV::Rect& rect) override;
  // The horizontal position becomes value: column edges and header follow, the image shifts.
  void ScrollColumnsTo(int32_t value, Scroller* scroller) override;
  // Through the horizontal bar when there is one (it calls ScrollColumnsTo back).
  void ScrollHorizontallyTo(int32_t pixels) override;

  // ---- drawing ----
  void DrawRow(Graphics& g, int32_t row, const QV::Rect& r, bool selected);
  // Where a cell's text was drawn last (the edit field goes there); -1 each before.
  QV::Rect CellTextRect(int32_t row, int32_t column);
  // The indent of column 0's content at depth: the check box's or the text's left.
  int32_t ContentIndent(int32_t column, int32_t depth) const;
  int32_t defaultRowHeight = -1;
  uint32_t listStyle = 0;  // bold 1, italic 2, underline 4

  // ---- input and events ----
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  bool KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) override;
  void FocusGained() override;
  void FocusLost() override;
  void DoubleClick(NuListbox* list) override;
  void EnableMenuItems() override;
  bool HandleMenuCommand(RuntimeObject* item) override;
  void SelectionChanging(NuListbox* list) override;
  void SelectionChanged(NuListbox* list) override;
  // The row and column under (x, y), relative to the pane; false when no cell is there.
  bool RowAndColumnAt(int32_t x, int32_t y, int32_t* row, int32_t* column);
  // The column under x relative to the row area's left, or -1.
  int32_t ColumnAtX(int32_t xInRow);
  bool ClickCell(int32_t row, int32_t column, int32_t x, int32_t y);

  // ---- row dragging ----
  bool enableDrag = false;
  bool enableDragReorder = false;
  // A press on row with a drag option on: waits for the drag, raises DragRow and runs it;
  // true when the drag ran (the press is consumed).
  bool TrackRowDrag(int32_t row);
  // The reorder state of one drag: the selected rows and their records, kept until EndReorder.
  void BeginReorder();
  void EndReorder();
  bool IsReordering() const { return mReorderDrag; }
  int32_t DropRow() const { return mDropRow; }
  int32_t DropDepth() const { return mDropDepth; }
  // False when the drop position's parent is a dragged row or lies in one's subtree.
  bool DropAllowed();
  bool DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) override;
  void DragExit(RuntimeObject* dragItem, int32_t action) override;
  void DropObject(RuntimeObject* dragItem, int32_t action) override;
  SubPane* FindDropTarget(int32_t x, int32_t y, RuntimeObject* dragItem) override;

  // ---- data binding ----
  // The owner's bound list provider (held by the owner), nil when unbound or without owner.
  RuntimeObject* BoundData() const;
  bool Bound() const { return BoundData() != nullptr; }
  // A bound list has no row records: the engine counts its rows alone. Both raise the
  // selection notifications of the rows they shift or take; false when the list closed.
  bool InsertBoundRows(int32_t row, int32_t count);
  bool RemoveBoundRows(int32_t row, int32_t count);
  // Whether Cell(row, column) answers without raising: a bound row is asked for its
  // FieldCount (column -1 is always readable), an unbound one needs a row and a cell column.
  bool CellReadable(int32_t row, int32_t column);
  // Selection receivers, held by the pane; a nil receiver is ignored. A receiver is taken out
  // before it is released, so a destructor running there finds nothing to remove.
  void AddSelectionReceiver(RuntimeObject* receiver);
  void RemoveSelectionReceiver(RuntimeObject* receiver);
  int32_t SelectionReceiverCount() const { return int32_t(mSelectionReceivers.size()); }

  // ---- cell editing ----
  void EditCell(int32_t row, int32_t column);
  // Ends editing: commit stores the typed text; silent raises nothing and stores nothing.
  void EndEdit(bool commit, bool silent);
  void CommitEdit() { EndEdit(true, false); }
  void CancelEdit() { EndEdit(false, false); }
  void ScrollCellIntoView(int32_t row, int32_t column);
  bool IsEditing() const { return mEditRow >= 0; }
  int32_t EditedRow() const { return mEditRow; }
  int32_t EditedColumn() const { return mEditColumn; }
  EditControl* EditField() const { return mEditField; }
  // The edit field's language EditField, with a reference for the caller; nil before the
  // first edit made the field.
  RuntimeObject* ActiveCell();

  // ---- DataSource (ListboxDataSource.cpp) ----
  void SetDataSource(const string& name) { mDataSource = name; }
  // Connects to the DataControl the DataSource names, letting go of the one bound before.
  void Bind() override;
  void Unbind() override;
  RuntimeObject* BoundDataControl() const { return mBoundDataControl; }

 protected:
  // The language events; the defaults leave the built-in behaviour. A handler may change or
  // close the list: callers hold the list across them.
  // The defaults call the control's cached handlers.
  virtual bool RaiseHeaderPressed(int32_t column);
  virtual bool RaiseSortColumn(int32_t column);
  virtual bool RaiseCompareRows(int32_t row1, int32_t row2, int32_t column, int32_t& result);
  virtual void RaiseExpandRow(int32_t row);
  virtual void RaiseCollapseRow(int32_t row);
  virtual bool RaiseMouseDown(int32_t x, int32_t y);
  virtual void RaiseMouseDrag(int32_t x, int32_t y);
  virtual void RaiseMouseUp(int32_t x, int32_t y);
  virtual bool RaiseCellClick(int32_t row, int32_t column, int32_t x, int32_t y);
  virtual void RaiseCellAction(int32_t row, int32_t column);
  virtual bool RaiseKeyDown(const string& key);
  virtual void RaiseChange();
  virtual void RaiseDoubleClick();
  virtual void RaiseFocus(bool gained);
  // g is a language Graphics whose origin is the cell's (the text rectangle's) top left; it is
  // cut off from the surface when the event returns.
  virtual bool RaiseCellBackgroundPaint(RuntimeObject* g, int32_t row, int32_t column);
  virtual bool RaiseCellTextPaint(RuntimeObject* g, int32_t row, int32_t column, int32_t x,
                                  int32_t y);
  virtual bool RaiseDragRow(RuntimeObject* drag, int32_t row);
  virtual bool RaiseDragReorderRows(int32_t newPosition, int32_t parentRow);
  virtual bool RaiseCellKeyDown(int32_t row, int32_t column, const string& key);
  virtual void RaiseCellEvent(ListboxEvent event, int32_t row, int32_t column);

  // Calls the cached handler of event (owner first) the way every control event is called
  // (CallControlHandler): nothing once the owner was closed. The caller holds the list and
  // checks afterwards that it is still open (CallOut).
  template <typename R = void, typename... Args>
  R CallHandler(ListboxEvent event, Args... args) {
    if (!mOwner) return R();
    return CallControlHandler<R>(mOwner, mOwner, mHandlers[event], nullptr, args...);
  }
  // While a sort runs, the calls its comparisons make: it holds this pane, and the pane its
  // owner, until it ends, so they call the handler without a hold of their own.
  HeldCompiledCalls* mSortCalls = nullptr;
  // Whether the control handles event (a derived list that raises it itself says so too).
  virtual bool HasHandler(ListboxEvent event) const { return mHandlers.Has(event); }
  // After a handler returned, with the list held: false when it closed the list, its window or
  // its control.
  bool OpenAfterCall() override;
  bool IsClosed() const { return mClosed; }

  // Adds an empty row for the text setters (the language class routes it through AddRow).
  virtual void AddEmptyRow();

  // A new image surface (HasPixmap false when refused); released by the list.
  virtual ListDrawablePane* NewOffscreenPane(int32_t width, int32_t height, int32_t depth);
  void InvalidateScrolledRows() override;

 private:
  struct SortContext;
  // The provider's row of a bound list: fields read through the tuple interface.
  class BoundRow;
  void AppendBoundRowText(int32_t row, int32_t column, string& result);
  // Tells every selection receiver method ("selectionChanging" or "selectionChanged").
  void TellSelectionReceivers(const char* method);
  // "PerformAction" to the owner's focus-gained or focus-lost receivers.
  void TellFocusReceivers(bool gained);
  // The owner when it is a language list box (its record holds the binding), else nil.
  RuntimeObject* ListOwner() const { return mOwnerIsList ? mOwner : nullptr; }
  static bool IsListboxRecord(const RuntimeObject* owner);
  // Close: unbinds the provider, empties the focus lists and the selection receivers.
  void ReleaseBindings();
  bool CheckRow(int32_t row);
  // The record of a row the caller checked.
  RowEntry* RowRecord(int32_t row) const {
    return reinterpret_cast<RowEntry*>(mRows.GetCheckedAt(row));
  }
  static CellEntry* CellInRow(const RowEntry* entry, int32_t column) {
    CellEntry* cell = entry->firstCell;
    while (cell && cell->column != column) cell = cell->next;
    return cell;
  }
  // One checked cell of an unbound list. CompareRows handlers read two cells for every
  // comparison: no temporary string, no second check of the indexes, no call.
  stringStorage* OneCellText(int32_t row, int32_t column) {
    const CellEntry* cell = CellInRow(RowRecord(row), column);
    if (!cell) return nullptr;
    if (IsEditing() && cell == EditedCell()) return EditedText();
    stringStorage* text = cell->text.Storage();
    stringStorage::AddReference(text);
    return text;
  }
  // The edit field's text, for the cell under it.
  stringStorage* EditedText();
  int32_t RowOfRecord(const RowEntry* entry) const;
  // Raise the events with the expansion nesting kept; false when the list was closed.
  bool ExpandRow(int32_t row);
  bool CollapseRow(int32_t row);
  bool InDisclosureTriangle(int32_t row, int32_t xInRow, int32_t yInRow);
  static bool IsCondemned(const RowEntry* entry);
  void SetRowText(int32_t row, const string& text);
  void SetColumnText(int32_t column, const string& text);
  void SetListText(const string& text, bool initial);
  void AppendCellText(RowEntry* entry, int32_t column, string& result);
  // The cell under the edit field, or nil.
  const CellEntry* EditedCell();
  int32_t OwnCellBorder(int32_t side, int32_t row, int32_t column);
  bool SortLevel(SortContext& context, int32_t first, int32_t count);
  int32_t CompareBlocks(SortContext& context, int32_t i, int32_t j);
  void PlaceBlocks(SortContext& context, int32_t first);
  static int32_t CompareThunk(int32_t i, int32_t j, void* context);
  static void LookAheadThunk(const int32_t* upcoming, int32_t count, void* context);
  static int32_t SortedRow(const SortContext& context, int32_t k);
  bool SortRowsInPlace(SortContext& context, int32_t first, int32_t count);
  static void SwapThunk(int32_t i, int32_t j, void* context);

  class CellEditor;
  friend class CellEditor;
  void DrawRows(Graphics& g, const QV::Rect& area);
  void FillRowBackground(Graphics& g, const QV::Rect& r, bool selected);
  void DrawCell(Graphics& g, const QV::Rect& r, RowEntry* entry, CellEntry* cell, int32_t row,
                int32_t column, bool selected);
  void DrawCellText(Graphics& g, const QV::Rect& r, CellEntry* cell, int32_t row,
                    int32_t column, bool selected);
  void DrawCheckBox(Graphics& g, const QV::Rect& box, bool checked);
  void DrawTriangle(Graphics& g, const QV::Rect& cellRect, int32_t depth, bool expanded);
  void DrawBorders(Graphics& g, const QV::Rect& r, int32_t row, int32_t column);
  void DrawFrame(Graphics& g);
  // The rows through the image: shifted, what is out of date within the window's clip
  // redrawn, then that clip copied to the window.
  void DrawRowsThroughImage(Graphics& window, Graphics& image, const QV::Rect& area);
  // Moves the image by the scroll since it was drawn; uncovered strips become out of date.
  void ShiftImage(const QV::Rect& area);
  // Rows meeting region (image coordinates) drawn into the image, each clipped to its part.
  void RedrawImageRows(Graphics& image, const QV::Rect& area, GdkRegion* region);
  // Marks the whole image out of date, or a part of it (window coordinates).
  void MarkImageDirty(const QV::Rect* rect);
  void FreeOffscreen();
  // Walks the rows shown in area from the top row; clipOf gives a row's clip (false: skip).
  template <typename ClipOf>
  void DrawRowsClipped(Graphics& g, const QV::Rect& area, ClipOf clipOf);
  // After the rows were drawn into area: the valid block becomes what was drawn when all of
  // the row area was.
  void NoteRowsDrawn(Graphics& g, const QV::Rect& area);
  // The pane area to repaint for InvalidateCell's row and column (-1: all).
  QV::Rect CellArea(int32_t row, int32_t column);
  // Runs a paint event with a language Graphics lent for the cell; false when not handled.
  // closed becomes true when the handler closed the list.
  template <typename Raise>
  bool RunCellPaint(Graphics& g, const QV::Rect& cellRect, bool& closed, Raise raise);
  QV::Rect CheckBoxRect(const QV::Rect& cellRect, int32_t indent);
  void PlaceEditField(const QV::Rect& area);
  bool CreateEditField();
  void ReleaseEditFieldObject();
  bool EditFieldKey(const string& key);
  void ToggleCheck(int32_t row, int32_t column);
  int32_t DropIndent(int32_t depth);  // relative to the pane
  int32_t DropParent();
  bool DraggedRowsIntact();
  void MoveDraggedRows();
  void DrawDropLine(Graphics& g);

  GenericArray mRows;
  RuntimeObject* mOwner;
  bool mRowHeightCached = false;
  int32_t mRowHeight = 0;
  bool mMouseDown = false;
  bool mMouseCaptured = false;  // MouseDown returned true: the handler gets drag and release
  bool mInChange = false;
  bool mQuietSelection = false;  // a selection change that tells nobody
  // Cell editing.
  EditControl* mEditField = nullptr;
  CellEditor* mEditor = nullptr;  // owned by the EditField object
  RuntimeObject* mEditFieldObject = nullptr;  // held
  int32_t mEditRow = -1;
  int32_t mEditColumn = -1;
  uint8_t mEditSavedType = 0;
  bool mEnding = false;
  // Row dragging.
  bool mReorderDrag = false;
  int32_t mDropRow = -1;
  int32_t mDropDepth = 0;
  SimpleVector<int32_t> mDraggedRows;       // ascending
  SimpleVector<RowEntry*> mDraggedRecords;  // what those rows held when the drag began
  RuntimeObject* mReorderItem = nullptr;     // the item of the running reorder drag
  ListboxHandlers mHandlers;
  int32_t mColumnTypes[kMaxListColumns] = {};
  uint32_t mRowsGeneration = 0;  // changes with every added, removed or moved row
  int32_t mExpandNesting = 0;
  RowEntry* mExpanding = nullptr;  // the folder whose ExpandRow runs
  bool mClosed = false;
  SimpleVector<RuntimeObject*> mSelectionReceivers;  // held
  bool mOwnerIsList = false;
  ValidCellBlock mValidBlock;
  // The off-screen image, what it shows (top row and horizontal position) and what of it is
  // out of date (image coordinates).
  ListDrawablePane* mOffscreen = nullptr;
  Graphics* mOffscreenGraphics = nullptr;
  bool mOffscreenRefused = false;  // no depth gave a pixmap at this size
  int32_t mImageTop = 0;
  int32_t mImageOffset = 0;
  GdkRegion* mDirty = nullptr;
  GtkStyle* mImageStyle = nullptr;  // held: a theme change gives the widget another style
  bool mScrollInvalidating = false;  // the window repaint of a shift, not a change
  int32_t mPainting = 0;             // paints running (a handler may release the image)
  bool mReleaseAfterPaint = false;
  bool mNeedsRedraw = false;
  string mDataSource;
  RuntimeObject* mBoundDataControl = nullptr;  // not held: its binding holds the owner

  static SimpleVector<RowEntry*> sCondemnedRows;
};
