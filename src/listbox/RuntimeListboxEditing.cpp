// Editing one cell in place: a hidden single-line edit field, shown over the cell's text while
// it is edited. Return and Enter commit, Esc cancels, losing the focus commits; the field's
// events become the list's cell events. EndEdit runs once at a time: the events it raises may
// end the edit again, which then does nothing.
#include <algorithm>
#include <utility>

#include "controls/EditControl.h"
#include "controls/EditField.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeObject.h"
#include "windows/ControlRecord.h"
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

// The edit field's router. The field is a language EditField of its own (the control's
// ActiveCell): its own events run first, as for any edit field, then the list turns them into
// cell events while a cell is edited. The EditField object owns this router and may outlive the
// list when code keeps it: the list detaches itself when it closes.
class RuntimeListbox::CellEditor : public RuntimeEditRouter {
 public:
  CellEditor(RuntimeListbox* list, RuntimeObject* field) : RuntimeEditRouter(field), mList(list) {}

  void Detach() { mList = nullptr; }

  void TextChanged(EditControl* field) override {
    const FieldLock lock(Owner());
    RuntimeEditRouter::TextChanged(field);
    Raise(kListCellTextChange);
  }
  void GotFocus(EditControl* field) override {
    const FieldLock lock(Owner());
    RuntimeEditRouter::GotFocus(field);
    Raise(kListCellGotFocus);
  }
  void LostFocus(EditControl* field) override {
    const FieldLock lock(Owner());
    RuntimeEditRouter::LostFocus(field);
    if (mList && mList->IsEditing() && !mList->mClosed) mList->CommitEdit();
  }
  // Bytes and characters both arrive here (the router's KeyDownChar passes its byte on).
  bool KeyDown(EditControl* field, const string& key, int32_t modifiers, int32_t extra) override {
    if (!mList || !mList->IsEditing() || mList->mClosed) return false;
    const FieldLock lock(Owner());
    RuntimeListbox* list = mList;
    if (!list->RetainChain()) return true;
    list->ScrollCellIntoView(list->mEditRow, list->mEditColumn);
    bool taken = RuntimeEditRouter::KeyDown(field, key, modifiers, extra);
    // The field's own handler may have closed the list (which detached it) or ended the edit.
    if (!taken && mList && list->IsEditing() && !list->mClosed) taken = list->EditFieldKey(key);
    const bool gone = !mList || list->mClosed;
    list->ReleaseChain();
    return taken || gone;
  }

 private:
  // Keeps the EditField (and so this router) alive across its own events.
  struct FieldLock {
    explicit FieldLock(RuntimeObject* object) : field(object) { RuntimeLockObject(field); }
    ~FieldLock() { RuntimeUnlockObject(field); }
    FieldLock(const FieldLock&) = delete;
    FieldLock& operator=(const FieldLock&) = delete;
    RuntimeObject* field;
  };

  void Raise(ListboxEvent event) {
    if (!mList || !mList->IsEditing() || mList->mClosed) return;
    RuntimeListbox* list = mList;
    const int32_t row = list->mEditRow;
    const int32_t column = list->mEditColumn;
    list->CallOut([&] { list->RaiseCellEvent(event, row, column); });
  }
  RuntimeListbox* mList;  // nil once the list closed
};

// The field's language object goes with the list: its pane is the list's child, closed with
// it, and its router stops reaching the list.
void RuntimeListbox::ReleaseEditFieldObject() {
  RuntimeObject* field = std::exchange(mEditFieldObject, nullptr);
  if (!field) return;
  if (mEditor) mEditor->Detach();
  mEditor = nullptr;  // the object owns it
  AsControl(field)->pane = nullptr;
  if (mEditField) mEditField->SetOwner(nullptr);
  RuntimeUnlockObject(field);
}

bool RuntimeListbox::CreateEditField() {
  if (mEditField) return true;
  if (mClosed) return false;
  RuntimeObject* field = NewObjectFromDefinition(EditFieldClassDefinition());
  if (!QV_CHECK(field)) return false;
  mEditor = new CellEditor(this, field);
  AsEditField(field)->router = mEditor;
  mEditFieldObject = field;
  FontSpec font;
  font.name = TextFont();
  font.size = TextSize();
  font.SetStyleBits(listStyle);
  mEditField = CreateEditControl(mEditor, this, 0, OutOfSight(), false, font);
  if (!mEditField) {
    ReleaseEditFieldObject();
    return false;
  }
  AsControl(field)->pane = mEditField;
  mEditField->SetOwner(field);
  mEditField->SetVisible(false);
  return true;
}

RuntimeObject* RuntimeListbox::ActiveCell() {
  if (mEditFieldObject) RuntimeLockObject(mEditFieldObject);
  return mEditFieldObject;
}

void RuntimeListbox::ScrollCellIntoView(int32_t row, int32_t column) {
  if (!QV_CHECK_TEXT(ConstantRowHeight() || RowHeight(-1) > 0, "mConstantRowHeight", nullptr)) {
    return;
  }
  ScrollRowIntoView(row);
  if (!ValidColumn(column)) return;
  const QV::Rect area = GetListRect();
  const int32_t width = area.right - area.left;
  // The column's edges in content positions (the edges are kept in window coordinates).
  const int32_t left = ColumnLeft(column) + HorizontalOffset() - area.left;
  const int32_t right = ColumnRight(column) + HorizontalOffset() - area.left;
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
