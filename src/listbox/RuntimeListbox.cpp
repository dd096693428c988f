#include "listbox/RuntimeListbox.h"

#include <algorithm>

#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "controls/EditControl.h"
#include "core/RuntimeObject.h"
#include "graphics/Graphics.h"
#include "listbox/ListboxClass.h"
#include "windows/Window.h"
#include "strings/EndOfLine.h"

SimpleVector<RowEntry*> RuntimeListbox::sCondemnedRows;

namespace {

constexpr uint8_t kTab = 9;

string EndOfLineText() { return string::Adopt(RuntimeEndOfLine(nullptr)); }

// The neighbour across each side (top, left, bottom, right).
constexpr int32_t kRowStep[4] = {-1, 0, 1, 0};
constexpr int32_t kColumnStep[4] = {0, -1, 0, 1};

bool ValidCellColumn(int32_t column) { return column >= 0 && column <= kMaxCellColumn; }

// The lines of a text cut into Tab-separated fields. A line ends at the first byte of the
// end-of-line sequence; a line feed right after a carriage return belongs to it.
class LineReader {
 public:
  explicit LineReader(const string& text)
      : mBytes(text.Bytes()), mLength(text.Length()), mEol(EndOfLineText()) {}
  bool AtEnd() const { return mPos >= mLength; }
  // The fields of the next line.
  SimpleVector<string> NextLine() {
    SimpleVector<string> fields;
    int32_t start = mPos;
    const unsigned char eolFirst = mEol.Length() > 0 ? mEol.Bytes()[0] : '\n';
    while (mPos < mLength && mBytes[mPos] != eolFirst) {
      if (mBytes[mPos] == kTab) {
        fields.Append(Field(start, mPos));
        start = mPos + 1;
      }
      ++mPos;
    }
    fields.Append(Field(start, mPos));
    if (mPos < mLength) {
      // Only a carriage return takes the line feed after it: after a line feed, another one
      // is an empty line of its own.
      const bool carriageReturn = mBytes[mPos++] == '\r';
      if (carriageReturn && mPos < mLength && mBytes[mPos] == '\n') ++mPos;
    }
    return fields;
  }

 private:
  string Field(int32_t start, int32_t end) const {
    return string::FromBytes(mBytes + start, end - start, kEncodingUTF8);
  }
  const unsigned char* mBytes;
  int32_t mLength;
  int32_t mPos = 0;
  string mEol;
};

}  // namespace

int32_t BorderLineWidth(int32_t code) {
  switch (code) {
    case kBorderThinDotted:
    case kBorderThinSolid:
      return 1;
    case kBorderThickSolid:
      return 2;
    case kBorderDoubleThinSolid:
      return 3;
    default:
      return 0;
  }
}

CellEntry::~CellEntry() {
  if (picture) RuntimeUnlockObject(picture);
  if (tag) RuntimeUnlockObject(tag);
}

RowEntry::~RowEntry() {
  for (CellEntry* cell = firstCell; cell;) delete std::exchange(cell, cell->next);
}

// ---- construction ----

RuntimeListbox::RuntimeListbox(RuntimeObject* owner, SubPane* parent, const QV::Rect& bounds,
                               bool multipleSelection)
    : NuListbox(this, this, parent, 0, bounds, false, multipleSelection),
      mOwner(owner),
      mHandlers(CacheListboxHandlers(owner)) {
  mRows.Init();
  StoreSortedColumn(-1);
  SetColumnCount(1);
  for (int32_t i = 0; i < kMaxListColumns; ++i) {
    SetHeading(i, string(std::to_string(i).c_str()));
  }
  if (mOwner) RuntimeLockObject(mOwner);
  mOwnerIsList = IsListboxRecord(mOwner);
}

RuntimeListbox::~RuntimeListbox() {
  if (!mClosed) Close();
  FreeOffscreen();
  ReleaseEditFieldObject();
  if (mOwner) RuntimeUnlockObject(std::exchange(mOwner, nullptr));
  mRows.Dispose();
}

void RuntimeListbox::Close() {
  if (!mClosed) {
    EndEdit(true, true);
    mClosed = true;
    if (mEditField) mEditField->SetDelegate(nullptr);
    ReleaseEditFieldObject();
    ++mRowsGeneration;
    for (int32_t i = 0; i < mRows.Count(); ++i) {
      auto* entry = reinterpret_cast<RowEntry*>(mRows.GetAt(i));
      if (!IsCondemned(entry)) delete entry;
    }
    mRows.SetCount(0);
    SetRowCount(0);
    ReleaseBindings();
  }
  // A closed list has no text to give: the DataControl's next Update would write it empty.
  Unbind();
  // Closed with the list's other children; the last reference may go with them, so nothing
  // of the list is written after NuListbox::Close.
  mEditField = nullptr;
  if (mPainting == 0) FreeOffscreen();  // else the paint frees it when done
  NuListbox::Close();
}

// ---- events ----

bool RuntimeListbox::OpenAfterCall() {
  return !mClosed && NuListbox::OpenAfterCall() && !(mOwner && IsControlClosed(mOwner));
}

bool RuntimeListbox::RaiseHeaderPressed(int32_t column) {
  return CallHandler<bool>(kListHeaderPressed, column);
}

bool RuntimeListbox::RaiseSortColumn(int32_t column) {
  return CallHandler<bool>(kListSortColumn, column);
}

bool RuntimeListbox::RaiseCompareRows(int32_t row1, int32_t row2, int32_t column,
                                      int32_t& result) {
  if (mSortCalls) {
    return CallHeldListboxHandler<bool>(*mSortCalls, mHandlers[kListCompareRows], mOwner, row1,
                                        row2, column, &result);
  }
  return CallHandler<bool>(kListCompareRows, row1, row2, column, &result);
}

void RuntimeListbox::RaiseExpandRow(int32_t row) { CallHandler(kListExpandRow, row); }

void RuntimeListbox::RaiseCollapseRow(int32_t row) {
  CallHandler(kListCollapseRow, row);
}

// ---- rows ----

bool RuntimeListbox::IsCondemned(const RowEntry* entry) {
  for (uint32_t i = 0; i < sCondemnedRows.size(); ++i) {
    if (sCondemnedRows.data()[i] == entry) return true;
  }
  return false;
}

bool RuntimeListbox::CheckRow(int32_t row) {
  return QV_CHECK_TEXT(row >= 0 && row < mRows.Count(), "row >= 0 && row < RowCount()", nullptr);
}

RowEntry* RuntimeListbox::RowEntryAt(int32_t row) {
  if (Bound() || !CheckRow(row)) return nullptr;
  return reinterpret_cast<RowEntry*>(mRows.GetAt(row));
}

CellEntry* RuntimeListbox::FirstCellOfRow(int32_t row) {
  RowEntry* entry = RowEntryAt(row);
  return entry ? entry->firstCell : nullptr;
}

CellEntry* RuntimeListbox::FindCell(int32_t row, int32_t column, bool create) {
  if (!QV_CHECK(ValidCellColumn(column))) return nullptr;
  RowEntry* entry = RowEntryAt(row);
  if (!entry) return nullptr;
  if (CellEntry* cell = CellInRow(entry, column)) return cell;
  if (!create) return nullptr;
  CellEntry** link = &entry->firstCell;
  while (*link) link = &(*link)->next;
  *link = new CellEntry(static_cast<uint8_t>(column));
  return *link;
}

int32_t RuntimeListbox::AddRow(CellEntry* first, int32_t depth, int32_t state) {
  return InsertRow(mRows.Count(), first, depth, state);
}

int32_t RuntimeListbox::InsertRow(int32_t row, CellEntry* first, int32_t depth, int32_t state) {
  if (Bound() || mClosed ||
      !QV_CHECK_TEXT(row >= 0 && row <= mRows.Count(), "row >= 0 && row <= RowCount()", nullptr)) {
    delete first;
    return -1;
  }
  if (IsEditing()) {
    CommitEdit();
    if (mClosed || row > mRows.Count()) {
      delete first;
      return -1;
    }
  }
  if (!first) first = new CellEntry(0);
  auto* entry = new RowEntry(first, static_cast<int16_t>(depth), static_cast<int16_t>(state));
  ++mRowsGeneration;
  mRows.InsertAt(row, reinterpret_cast<uint32_t>(entry));
  RowsInserted(row, 1);
  UpdateScrollBars();
  InvalidateRowsFrom(row);
  return row;
}

void RuntimeListbox::DeleteRow(int32_t row) {
  RowEntry* entry = RowEntryAt(row);
  if (!entry || IsCondemned(entry)) return;
  if (IsEditing()) {
    // Removing the edited row cancels its edit; removing another commits it.
    if (row == mEditRow) {
      CancelEdit();
    } else {
      CommitEdit();
    }
    if (mClosed || RowOfRecord(entry) < 0) return;
    row = RowOfRecord(entry);
  }
  sCondemnedRows.Append(entry);
  ++mRowsGeneration;
  const bool open = CallOut([&] { RowsRemoved(row, 1); });
  if (open) {
    // The notifications may have moved the record, or taken it out with all the others.
    int32_t at = -1;
    if (row < mRows.Count() && mRows.GetAt(row) == reinterpret_cast<uint32_t>(entry)) {
      at = row;
    } else {
      for (int32_t i = 0; i < mRows.Count() && at < 0; ++i) {
        if (mRows.GetAt(i) == reinterpret_cast<uint32_t>(entry)) at = i;
      }
    }
    if (at >= 0) mRows.RemoveAt(at);
    SetRowCount(mRows.Count());
    // The rows below move up and the last place empties: both are shown again.
    UpdateScrollBars();
    InvalidateRowsFrom(at >= 0 ? at : 0);
  }
  // A list closed meanwhile left the condemned record to us.
  if (QV_CHECK(sCondemnedRows.size() > 0) && QV_CHECK(sCondemnedRows.peek_back() == entry)) {
    sCondemnedRows.Pop();
  }
  delete entry;
}

void RuntimeListbox::DeleteAllRows() {
  if (Bound() || mRows.Count() == 0) return;
  if (IsEditing()) {
    CancelEdit();
    if (mClosed || mRows.Count() == 0) return;
  }
  ++mRowsGeneration;
  if (!CallOut([&] { RowsRemoved(0, mRows.Count()); })) return;
  for (int32_t i = 0; i < mRows.Count(); ++i) {
    auto* entry = reinterpret_cast<RowEntry*>(mRows.GetAt(i));
    if (!IsCondemned(entry)) delete entry;
  }
  mRows.SetCount(0);
  SetRowCount(0);
  UpdateScrollBars();
  InvalidateCell(-1, -1);
}

void RuntimeListbox::SwapRowRanges(int32_t firstA, int32_t countA, int32_t firstB,
                                   int32_t countB) {
  const int64_t rows = mRows.Count();
  if (!QV_CHECK(firstA >= 0 && countA >= 0 && firstB >= 0 && countB >= 0 &&
                int64_t{firstA} + countA <= rows && int64_t{firstB} + countB <= rows)) {
    return;
  }
  ++mRowsGeneration;
  mRows.SwapRanges(firstA, countA, firstB, countB);
}

int32_t RuntimeListbox::RowDepth(int32_t row) {
  RowEntry* entry = RowEntryAt(row);
  return entry ? entry->depth : 0;
}

int32_t RuntimeListbox::SubtreeEnd(int32_t row) {
  RowEntry* entry = RowEntryAt(row);
  if (!entry) return mRows.Count();
  int32_t end = row + 1;
  while (end < mRows.Count() &&
         reinterpret_cast<RowEntry*>(mRows.GetAt(end))->depth > entry->depth) {
    ++end;
  }
  return end;
}

RuntimeObject* RuntimeListbox::GetRowPicture(int32_t row) {
  CellEntry* cell = FindCell(row, 0, false);
  return cell ? cell->picture : nullptr;
}

void RuntimeListbox::SetRowPicture(int32_t row, RuntimeObject* picture) {
  CellEntry* cell = FindCell(row, 0, true);
  if (!cell || cell->picture == picture) return;
  if (picture) RuntimeLockObject(picture);
  if (cell->picture) RuntimeUnlockObject(cell->picture);
  cell->picture = picture;
  InvalidateCell(row, 0);
}

// ---- cell text ----

void RuntimeListbox::AddEmptyRow() { AddListRow(nullptr, -1); }

void RuntimeListbox::SetCellText(int32_t row, int32_t column, const string& text, bool initial) {
  if (Bound()) return;
  if (row < -1 || (row >= mRows.Count() && column != -1) || column < -1 ||
      column > kMaxCellColumn) {
    RaiseOutOfBoundsException();
    return;
  }
  const string utf8 = text.GetUTF8String();
  if (row == -1 && column == -1) {
    SetListText(utf8, initial);
  } else if (row == -1) {
    SetColumnText(column, utf8);
  } else if (column == -1) {
    SetRowText(row, utf8);
  } else if (CellEntry* cell = FindCell(row, column, true)) {
    cell->text = utf8;
    InvalidateCell(row, column);
  }
}

// The rows split at the platform's line ending only: a CR or CR LF becomes it first.
void RuntimeListbox::ApplyInitialValue() {
  RuntimeObject* list = ListOwner();
  if (!list) return;
  const string text = string(AsListbox(list)->initialValue);
  SetCellText(-1, -1, ReplaceLineEndings(text, EndOfLineText()), true);
}

void RuntimeListbox::SetRowText(int32_t row, const string& text) {
  if (text.IsEmpty() || !QV_CHECK(row >= 0)) return;
  LineReader reader(text);
  const SimpleVector<string> fields = reader.NextLine();
  const uint32_t generation = mRowsGeneration;
  while (row >= mRows.Count() && !mClosed) {
    AddEmptyRow();
    if (mRowsGeneration == generation) return;  // the row could not be added
  }
  const int32_t count = static_cast<int32_t>(fields.size());
  for (int32_t k = 0; k < count && k < kMaxCellColumn && row < mRows.Count(); ++k) {
    if (CellEntry* cell = FindCell(row, k, true)) cell->text = fields.data()[k];
  }
  SetColumnCount(std::min(kMaxListColumns, std::max(ColumnCount(), count)));
  ResolveColumnWidths();
  InvalidateRow(row);
}

void RuntimeListbox::SetColumnText(int32_t column, const string& text) {
  if (text.IsEmpty() || !QV_CHECK(column >= 0)) return;
  LineReader reader(text);
  for (int32_t line = 0; !reader.AtEnd() && !mClosed; ++line) {
    const SimpleVector<string> fields = reader.NextLine();
    if (mRows.Count() <= line) AddEmptyRow();
    if (line >= mRows.Count()) break;
    if (column < kMaxCellColumn && static_cast<uint32_t>(column) < fields.size()) {
      if (CellEntry* cell = FindCell(line, column, true)) cell->text = fields.data()[column];
    }
  }
  if (ColumnCount() < column + 1) SetColumnCount(std::min(kMaxListColumns, column + 1));
  ResolveColumnWidths();
  InvalidateColumn(column);
}

void RuntimeListbox::SetListText(const string& text, bool initial) {
  DeleteAllRows();
  if (text.IsEmpty() || mClosed) return;
  LineReader reader(text);
  if (initial && hasHeading) {
    const SimpleVector<string> heading = reader.NextLine();
    string joined;
    for (uint32_t k = 0; k < heading.size(); ++k) {
      if (k > 0) joined += "\t";
      joined += heading.data()[k];
    }
    SetHeading(-1, joined);
  }
  int32_t widest = 0;
  while (!reader.AtEnd() && !mClosed) {
    const SimpleVector<string> fields = reader.NextLine();
    const int32_t before = mRows.Count();
    AddEmptyRow();
    if (mRows.Count() != before + 1) break;
    const int32_t row = before;
    const int32_t count = static_cast<int32_t>(fields.size());
    for (int32_t k = 0; k < count && k < kMaxCellColumn; ++k) {
      if (CellEntry* cell = FindCell(row, k, true)) cell->text = fields.data()[k];
    }
    widest = std::max(widest, count);
  }
  if (!initial) {
    SetColumnCount(std::min(kMaxListColumns, widest));
    ResolveColumnWidths();
  }
  InvalidateCell(-1, -1);
}

// The cell being edited reads as what is typed so far.
const CellEntry* RuntimeListbox::EditedCell() {
  return IsEditing() && mEditField && mEditRow < mRows.Count()
             ? FindCell(mEditRow, mEditColumn, false)
             : nullptr;
}

void RuntimeListbox::AppendCellText(RowEntry* entry, int32_t column, string& result) {
  const CellEntry* edited = EditedCell();
  auto text = [&](const CellEntry* cell) {
    return cell == edited ? mEditField->GetText(kEncodingUTF8) : cell->text;
  };
  for (CellEntry* cell = entry->firstCell; cell; cell = cell->next) {
    if (column == -1) {
      if (cell->column != 0) result += "\t";
      result += text(cell);
    } else if (cell->column == column) {
      result += text(cell);
      return;
    }
  }
}

stringStorage* RuntimeListbox::EditedText() {
  return mEditField->GetText(kEncodingUTF8).ExtractStringStorage();
}

stringStorage* RuntimeListbox::CellTextRecord(int32_t row, int32_t column) {
  if (row >= 0 && row < mRows.Count() && column >= 0 && column <= kMaxCellColumn && !Bound()) {
    return OneCellText(row, column);
  }
  return GetCellText(true, row, column).ExtractStringStorage();
}

string RuntimeListbox::GetCellText(bool oneCell, int32_t row, int32_t column) {
  if (oneCell) {
    if (row < -1 || row >= RowCount() || column < -1 || column > kMaxCellColumn) {
      RaiseOutOfBoundsException();
      return string();
    }
  } else {
    row = -1;
    column = -1;
  }
  const bool bound = Bound();
  if (!bound && row >= 0 && column >= 0) {
    return string::Adopt(OneCellText(row, column));
  }
  const string eol = EndOfLineText();
  string result;
  const int32_t first = row == -1 ? 0 : row;
  const int32_t last = row == -1 ? RowCount() - 1 : row;
  for (int32_t r = first; r <= last && !mClosed; ++r) {
    if (!oneCell && !IsRowSelected(r)) continue;
    if (!result.IsEmpty()) result += eol;
    if (bound) {
      // The provider may close the list; the text gathered so far is still answered.
      if (!RetainChain()) break;
      AppendBoundRowText(r, column, result);
      if (ReleaseChain()) return result;
    } else {
      AppendCellText(reinterpret_cast<RowEntry*>(mRows.GetAt(r)), column, result);
    }
  }
  return result;
}

// ---- cell attributes ----

int32_t RuntimeListbox::ColumnType(int32_t column) const {
  return ValidColumn(column) ? mColumnTypes[column] : 0;
}

void RuntimeListbox::SetColumnType(int32_t column, int32_t type) {
  if (!ValidColumn(column)) return;
  mColumnTypes[column] = type;
  InvalidateColumn(column);
}

int32_t RuntimeListbox::EffectiveCellType(int32_t row, int32_t column) {
  if (!ValidColumn(column)) return 0;
  CellEntry* cell = FindCell(row, column, false);
  return cell && cell->type != kTypeDefault ? cell->type : ColumnType(column);
}

int32_t RuntimeListbox::EffectiveAlignment(int32_t row, int32_t column) {
  if (!ValidColumn(column)) return 0;
  CellEntry* cell = FindCell(row, column, false);
  return cell && cell->alignment != 0 ? cell->alignment : ColumnAlignment(column);
}

int32_t RuntimeListbox::EffectiveAlignmentOffset(int32_t row, int32_t column) {
  if (!ValidColumn(column)) return 0;
  CellEntry* cell = FindCell(row, column, false);
  if (cell && (cell->alignment != 0 || cell->alignmentOffset != 0)) return cell->alignmentOffset;
  return ColumnAlignmentOffset(column);
}

int32_t RuntimeListbox::EffectiveTextSize(int32_t row, int32_t column) {
  if (!ValidColumn(column)) return 0;
  CellEntry* cell = FindCell(row, column, false);
  return cell && cell->textSize != 0 ? cell->textSize : 0;
}

int32_t RuntimeListbox::OwnCellBorder(int32_t side, int32_t row, int32_t column) {
  if (row < 0 || column < 0 || row >= mRows.Count() || column >= kMaxListColumns) return 0;
  CellEntry* cell = FindCell(row, column, false);
  return cell ? cell->borders[side] : 0;
}

int32_t RuntimeListbox::CellBorder(int32_t side, int32_t row, int32_t column, bool combine) {
  if (!QV_CHECK(side >= kSideTop && side <= kSideRight)) return 0;
  const int32_t own = OwnCellBorder(side, row, column);
  if (!combine) return own;
  const int32_t facing = (side + 2) % 4;
  const int32_t code = std::max(
      own, OwnCellBorder(facing, row + kRowStep[side], column + kColumnStep[side]));
  if (code != 0) return code;
  return side == kSideTop || side == kSideBottom ? gridLinesHorizontal : gridLinesVertical;
}

void RuntimeListbox::SetCellBorder(int32_t side, int32_t row, int32_t column, int32_t code) {
  if (Bound() || row < 0 || column < 0) return;
  if (!QV_CHECK(side >= kSideTop && side <= kSideRight)) return;
  CellEntry* cell = FindCell(row, column, true);
  if (!cell) return;
  cell->borders[side] = code;
  const int32_t nRow = row + kRowStep[side];
  const int32_t nColumn = column + kColumnStep[side];
  if (nRow >= 0 && nColumn >= 0) InvalidateCell(nRow, nColumn);
  InvalidateCell(row, column);
}

// ---- engine ----

void RuntimeListbox::InvalidateCell(int32_t row, int32_t column) {
  if (row < -1 || column < -1) {
    RaiseOutOfBoundsException();
    return;
  }
  mValidBlock.Cut(row, column);
  mNeedsRedraw = true;
  if (row < 0 && column < 0) {
    InvalidateRect(GetBounds());
    return;
  }
  const QV::Rect r = CellArea(row, column);
  if (r.bottom > r.top && r.right > r.left) InvalidateRect(r);
}

void RuntimeListbox::InvalidateRow(int32_t row) { InvalidateCell(row, -1); }

void RuntimeListbox::InvalidateColumn(int32_t column) { InvalidateCell(-1, column); }

QV::Rect RuntimeListbox::CellArea(int32_t row, int32_t column) {
  QV::Rect r = GetListRect();
  if (row >= 0) {
    const QV::Rect band = RowRangeRect(row, 1);
    if (band.bottom <= band.top) return {0, 0, 0, 0};
    r.top = band.top;
    r.bottom = band.bottom;
  }
  // Past the last column the row's filler is drawn over the rest of the width.
  if (column >= 0 && column < ColumnCount()) {
    // A border or grid line drawn on the edge belongs to both neighbours.
    const int32_t left = std::max<int32_t>(r.left, ColumnLeft(column) - 2);
    const int32_t right = std::min<int32_t>(r.right, ColumnRight(column) + 2);
    if (right <= left) return {0, 0, 0, 0};
    r.left = int16_t(left);
    r.right = int16_t(right);
  }
  return r;
}

void RuntimeListbox::RowCountChanged(int32_t, int32_t) {}

void RuntimeListbox::ColumnWidthChanged(int32_t) { InvalidateRect(GetBounds()); }

void RuntimeListbox::HeaderClick(int32_t x, int32_t y, int32_t modifiers) {
  headerTracking = HeaderMouseDown(x, y, modifiers);
}
