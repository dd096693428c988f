// Editing one cell in place: a hidden single-line edit field, shown over the cell's text while
// it is edited. Return and Enter commit, Esc cancels, losing the focus commits; the field's
// events become the list's cell events. EndEdit runs once at a time: the events it raises may
// end the edit again, which then does nothing.
#include <algorithm>
#include <utility>

#include "controls/EditControl.h"
#include "core/RuntimeError.h"
#include "listbox/RuntimeListbox.h"
#include "strings/TextEncoding.h"

namespace {

constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kReturn = 0x0D;
constexpr uint8_t kEnter = 0x03;
constexpr int32_t kCellAlignRight = 3;
constexpr int32_t kCellAlignDecimal = 4;

QV::Rect OutOfSight() { return {-10, -10, -10, -10}; }

}  // namespace

// The edit field's delegate: its events go to the list while a cell is edited.
class RuntimeListbox::CellEditor : public EditControlDelegate {
 public:
  explicit CellEditor(RuntimeListbox* list) : mList(list) {}

  void TextChanged(EditControl*) override { Raise(kListCellTextChange); }
  void GotFocus(EditControl*) override { Raise(kListCellGotFocus); }
  void LostFocus(EditControl*) override {
    if (mList->IsEditing()) mList->CommitEdit();
  }
  bool KeyDownChar(EditControl*, uint8_t key, int32_t, int32_t) override {
    const char byte = char(key);
    return mList->EditFieldKey(string::FromBytes(&byte, 1, kEncodingUTF8));
  }
  bool KeyDown(EditControl*, const string& key, int32_t, int32_t) override {
    return mList->EditFieldKey(key);
  }

 private:
  void Raise(ListboxEvent event) {
    if (!mList->IsEditing() || mList->mClosed) return;
    const int32_t row = mList->mEditRow;
    const int32_t column = mList->mEditColumn;
    mList->CallOut([&] { mList->RaiseCellEvent(event, row, column); });
  }
  RuntimeListbox* mList;
};

void RuntimeListbox::DestroyEditor() { delete std::exchange(mEditor, nullptr); }

bool RuntimeListbox::CreateEditField() {
  if (mEditField) return true;
  if (mClosed) return false;
  if (!mEditor) mEditor = new CellEditor(this);
  FontSpec font;
  font.name = TextFont();
  font.size = TextSize();
  font.SetStyleBits(listStyle);
  mEditField = CreateEditControl(mEditor, this, 0, OutOfSight(), false, font);
  if (!mEditField) return false;
  mEditField->SetVisible(false);
  return true;
}

void RuntimeListbox::ScrollCellIntoView(int32_t row, int32_t column) {
  if (!QV_CHECK_TEXT(ConstantRowHeight() || RowHeight(-1) > 0, "mConstantRowHeight", nullptr)) {
    return;
  }
  ScrollRowIntoView(row);
  if (!ValidColumn(column)) return;
  const QV::Rect area = GetListRect();
  const int32_t width = area.right - area.left;
  const int32_t left = ColumnLeft(column);
  const int32_t right = ColumnRight(column);
  int32_t offset = HorizontalOffset();
  if (right - left <= width) {
    if (left < offset) offset = left;
    if (right > offset + width) offset = right - width;
  } else {
    offset = left;
  }
  if (offset != HorizontalOffset()) {
    SetHorizontalOffset(std::max(0, offset));
    ComputeColumnEdges();
    InvalidateCell(-1, -1);
  }
}

void RuntimeListbox::EditCell(int32_t row, int32_t column) {
  if (Bound() || mClosed || row < 0 || row >= mRows.Count() || !ValidColumn(column)) return;
  if (IsEditing()) CommitEdit();
  if (mClosed || row >= mRows.Count() || !CreateEditField()) return;
  ScrollCellIntoView(row, column);
  SelectRow(row, true);
  if (mClosed || row >= mRows.Count()) return;
  CellEntry* cell = FindCell(row, column, true);
  if (!cell) return;
  mEditSavedType = cell->type;
  FontSpec font;
  font.name = TextFont();
  const int32_t size = EffectiveTextSize(row, column);
  font.size = int16_t(size > 0 ? size : TextSize());
  font.SetStyleBits(listStyle | cell->style);
  mEditField->SetFieldFont(font);
  cell->type = kTypeEditable;
  mEditField->SetText(cell->text);
  const int32_t alignment = EffectiveAlignment(row, column);
  mEditField->SetAlignment(alignment == kCellAlignRight || alignment == kCellAlignDecimal
                               ? kFieldAlignRight
                               : kFieldAlignLeft);
  mEditField->SetVisible(true);
  mEditRow = row;
  mEditColumn = column;
  if (!RetainChain()) return;
  mEditField->SetKeyboardFocus();
  if (!mClosed) {
    InvalidateCell(row, column);
    PlaceEditField(GetListRect());
  }
  ReleaseChain();
}

// The field over the cell's last text rectangle, inside the list less 2 pixels each side.
void RuntimeListbox::PlaceEditField(const QV::Rect& area) {
  if (!IsEditing() || !mEditField) return;
  const QV::Rect text = CellTextRect(mEditRow, mEditColumn);
  if (text.left < 0 && text.right < 0) return;
  QV::Rect r = {int16_t(std::max<int32_t>(text.top, area.top + 2)),
                int16_t(std::max<int32_t>(text.left, area.left + 2)),
                int16_t(std::min<int32_t>(text.bottom, area.bottom - 2)),
                int16_t(std::min<int32_t>(text.right, area.right - 2))};
  if (r.bottom < r.top) r.bottom = r.top;
  if (r.right < r.left) r.right = r.left;
  const QV::Rect& now = mEditField->GetBounds();
  if (now.top != r.top || now.left != r.left || now.bottom != r.bottom || now.right != r.right) {
    mEditField->SetBounds(r, true);
  }
  if (!mEditField->IsVisible()) mEditField->SetVisible(true);
}

void RuntimeListbox::EndEdit(bool commit, bool silent) {
  if (!IsEditing() || mEnding) return;
  // A silent end raises nothing, so it needs no hold: closing calls it while the window
  // itself may be going, whose chain must not be retained and released again.
  if (!silent && !RetainChain()) return;
  mEnding = true;
  const int32_t row = mEditRow;
  const int32_t column = mEditColumn;
  CellEntry* cell = row < mRows.Count() ? FindCell(row, column, true) : nullptr;
  if (cell) {
    if (commit && !silent && mEditField) cell->text = mEditField->GetText(kEncodingUTF8);
    cell->type = mEditSavedType;
  }
  bool open = true;
  if (commit && !silent) open = CallOut([&] { RaiseCellAction(row, column); }) && !mClosed;
  if (open && mEditField) {
    mEditField->SetBounds(OutOfSight(), true);
    mEditField->SetVisible(false);
    if (row < mRows.Count()) InvalidateCell(row, column);
  }
  if (open && !silent) open = CallOut([&] { RaiseCellEvent(kListCellLostFocus, row, column); }) &&
                              !mClosed;
  if (open && row < mRows.Count()) {
    // The row selected again, telling nobody: the edit did not change the selection.
    mQuietSelection = true;
    SelectRow(row, false);
    mQuietSelection = false;
  }
  mEditRow = -1;
  mEditColumn = -1;
  mEnding = false;
  if (!silent) ReleaseChain();
}

bool RuntimeListbox::EditFieldKey(const string& key) {
  if (!IsEditing() || mClosed) return false;
  const int32_t row = mEditRow;
  const int32_t column = mEditColumn;
  ScrollCellIntoView(row, column);
  bool taken = false;
  if (!CallOut([&] { taken = RaiseCellKeyDown(row, column, key); }) || mClosed) return true;
  if (taken) return true;
  const uint8_t first = key.Length() > 0 ? key.Bytes()[0] : 0;
  if (key.Length() != 1 || (first != kEscape && first != kReturn && first != kEnter)) {
    return false;
  }
  if (!RetainChain()) return true;
  if (first == kEscape) {
    CancelEdit();
  } else {
    CommitEdit();
  }
  if (!mClosed) SetKeyboardFocus();
  ReleaseChain();
  return true;
}
