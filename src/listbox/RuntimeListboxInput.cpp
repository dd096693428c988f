// The list-box pane under the mouse and the keyboard: MouseDown with its capture, clicks in
// cells (CellClick, check boxes, the slow second click that edits), keys, focus, and the
// selection's Change. Every event holds the list for its call and stops when the list closed.
#include <gtk/gtk.h>

#include <algorithm>
#include <utility>

#include "controls/EditControl.h"
#include "core/RuntimeError.h"
#include "core/Ticks.h"
#include "listbox/RuntimeListbox.h"
#include "strings/TextEncoding.h"
#include "windows/GtkClipboards.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kCheckBoxHitWidth = 16;
constexpr int32_t kModifierShift = 0x200;
constexpr int32_t kModifierControl = 0x1000;

// The time of the last press on an editable cell of the selected row; one for all lists.
int32_t gLastEditPress = 0;

}  // namespace

// ---- the events' defaults: the control's handlers ----

bool RuntimeListbox::RaiseMouseDown(int32_t x, int32_t y) {
  return CallHandler<bool>(kListMouseDown, x, y);
}
void RuntimeListbox::RaiseMouseDrag(int32_t x, int32_t y) {
  CallHandler(kListMouseDrag, x, y);
}
void RuntimeListbox::RaiseMouseUp(int32_t x, int32_t y) {
  CallHandler(kListMouseUp, x, y);
}
bool RuntimeListbox::RaiseCellClick(int32_t row, int32_t column, int32_t x, int32_t y) {
  return CallHandler<bool>(kListCellClick, row, column, x, y);
}
void RuntimeListbox::RaiseCellAction(int32_t row, int32_t column) {
  CallHandler(kListCellAction, row, column);
}
bool RuntimeListbox::RaiseKeyDown(const string& key) {
  return CallHandler<bool>(kListKeyDown, key.Storage());
}
void RuntimeListbox::RaiseChange() { CallHandler(kListChange); }
void RuntimeListbox::RaiseDoubleClick() { CallHandler(kListDoubleClick); }
void RuntimeListbox::RaiseFocus(bool gained) {
  CallHandler(gained ? kListGotFocus : kListLostFocus);
}
bool RuntimeListbox::RaiseCellBackgroundPaint(RuntimeObject* g, int32_t row, int32_t column) {
  return CallHandler<bool>(kListCellBackgroundPaint, g, row, column);
}
bool RuntimeListbox::RaiseCellTextPaint(RuntimeObject* g, int32_t row, int32_t column, int32_t x,
                                        int32_t y) {
  return CallHandler<bool>(kListCellTextPaint, g, row, column, x, y);
}
bool RuntimeListbox::RaiseCellKeyDown(int32_t row, int32_t column, const string& key) {
  return CallHandler<bool>(kListCellKeyDown, row, column, key.Storage());
}
void RuntimeListbox::RaiseCellEvent(ListboxEvent event, int32_t row, int32_t column) {
  CallHandler(event, row, column);
}

// ---- mouse ----

bool RuntimeListbox::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (mClosed) return true;
  mMouseDown = true;
  const QV::Rect& b = GetBounds();
  bool taken = false;
  if (!CallOut([&] { taken = RaiseMouseDown(x - b.left, y - b.top); }) || mClosed) return true;
  if (taken) {
    mMouseCaptured = true;
    SetMouseCapturePane(this);
    return true;
  }
  if (IsEditing() && mEditField) {
    QV::Rect field = mEditField->GetBounds();
    if (y >= field.top && y < field.bottom && x >= field.left && x < field.right) {
      return mEditField->MouseDown(x, y, modifiers);
    }
  }
  return NuListbox::MouseDown(x, y, modifiers);
}

void RuntimeListbox::MouseDrag(int32_t x, int32_t y) {
  if (mMouseCaptured) {
    const QV::Rect& b = GetBounds();
    CallOut([&] { RaiseMouseDrag(x - b.left, y - b.top); });
    return;
  }
  if (headerTracking || ResizeColumn() >= 0) {
    HeaderMouseDrag(x, y);
    return;
  }
  NuListbox::MouseDrag(x, y);
}

void RuntimeListbox::MouseUp(int32_t x, int32_t y) {
  mMouseDown = false;
  const bool captured = std::exchange(mMouseCaptured, false);
  const bool header = std::exchange(headerTracking, false);
  if (captured) {
    const QV::Rect& b = GetBounds();
    CallOut([&] { RaiseMouseUp(x - b.left, y - b.top); });
    return;
  }
  if (!header) NuListbox::MouseUp(x, y);
}

int32_t RuntimeListbox::ColumnAtX(int32_t xInRow) {
  const int32_t x = ContentRect().left + xInRow;
  for (int32_t column = 0; column < ColumnCount(); ++column) {
    if (x >= ColumnLeft(column) && x < ColumnRight(column)) return column;
  }
  return -1;
}

bool RuntimeListbox::RowAndColumnAt(int32_t x, int32_t y, int32_t* row, int32_t* column) {
  if (!QV_CHECK_TEXT(row && column, "row and col", nullptr)) return false;
  const QV::Rect& b = GetBounds();
  const RowHit hit = RowAtPoint(x + b.left, y + b.top);
  if (!hit.found) return false;
  const int32_t at = ColumnAtX(hit.xInRow);
  if (at < 0) return false;
  *row = hit.row;
  *column = at;
  return true;
}

// The provider's answer to a press on a row: true when the list handled it (no selection).
bool RuntimeListbox::RowClick(int32_t row, int32_t xInRow, int32_t yInRow, int32_t modifiers) {
  if (IsEditing()) {
    CommitEdit();
    if (mClosed || row >= mRows.Count()) return true;
  }
  const int32_t column = ColumnAtX(xInRow);
  if (column >= 0) {
    const int32_t x = ContentRect().left + xInRow - ColumnLeft(column);
    if (ClickCell(row, column, x, yInRow) || mClosed) return true;
    // CellClick may have taken the row away while declining the press.
    if (row >= RowCount()) return true;
  }
  if (InDisclosureTriangle(row, xInRow, yInRow)) {
    if (IsExpanded(row)) {
      CollapseFolder(row);
    } else {
      ExpandFolder(row);
    }
    return true;
  }
  if ((enableDrag || enableDragReorder) && !(modifiers & (kModifierShift | kModifierControl))) {
    return TrackRowDrag(row);
  }
  return false;
}

bool RuntimeListbox::ClickCell(int32_t row, int32_t column, int32_t x, int32_t y) {
  bool taken = false;
  if (!CallOut([&] { taken = RaiseCellClick(row, column, x, y); }) || mClosed) return true;
  if (taken) return true;
  if (row < 0 || row >= mRows.Count() || column < 0 || column >= kMaxListColumns) return false;
  switch (EffectiveCellType(row, column)) {
    case kTypeEditable: {
      const int32_t now = RuntimeTicks();
      if (row == FirstSelectedRow() && now - gLastEditPress > DoubleClickTicks()) {
        EditCell(row, column);
        if (!mClosed && mEditField) mEditField->SetSelection(0, mEditField->TextLength());
        return true;
      }
      gLastEditPress = now;
      return false;
    }
    case kTypeCheckbox: {
      RowEntry* entry = reinterpret_cast<RowEntry*>(mRows.GetAt(row));
      const int32_t indent = ContentIndent(column, entry->depth);
      const int32_t side = std::min(20, RowHeight(-1));
      const int32_t top = (RowHeight(-1) - side) / 2;
      if (x < indent || x >= indent + kCheckBoxHitWidth || y < top || y >= top + side) {
        return false;
      }
      ToggleCheck(row, column);
      return true;
    }
    default:
      return false;
  }
}

void RuntimeListbox::ToggleCheck(int32_t row, int32_t column) {
  CellEntry* cell = FindCell(row, column, true);
  if (!cell) return;
  cell->checked = cell->checked ? 0 : 1;
  InvalidateCell(row, column);
  CallOut([&] { RaiseCellAction(row, column); });
}

// ---- keys ----

bool RuntimeListbox::KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (character < 128) return HandleChar(character, keyCode, modifiers);
  bool taken = false;
  if (!CallOut([&] { taken = RaiseKeyDown(UnicodeChar(uint32_t(character), kEncodingUTF8)); }) ||
      mClosed) {
    return true;
  }
  return taken || SubPane::KeyDown(character, keyCode, modifiers);
}

bool RuntimeListbox::HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (mClosed) return true;
  bool taken = false;
  const string key = UnicodeChar(uint32_t(character), GetSystemEncoding());
  if (!CallOut([&] { taken = RaiseKeyDown(key); }) || mClosed) return true;
  if (taken) return true;
  if (hierarchical && (character == kKeyLeft || character == kKeyRight)) {
    const int32_t row = FirstSelectedRow();
    if (row >= 0) {
      if (!RetainChain()) return true;
      const bool changed = character == kKeyLeft ? CollapseFolder(row) : ExpandFolder(row);
      if (ReleaseChain() || changed) return true;
    }
  }
  return NuListbox::HandleChar(character, keyCode, modifiers);
}

// ---- focus and selection ----

void RuntimeListbox::FocusGained() {
  if (Window* window = GetWindow()) {
    if (GtkWindow* gtk = window->GetGtkWindow()) gtk_window_set_focus(gtk, nullptr);
  }
  NuListbox::FocusGained();
  if (!mClosed) CallOut([&] {
    RaiseFocus(true);
    TellFocusReceivers(true);
  });
}

void RuntimeListbox::FocusLost() {
  NuListbox::FocusLost();
  if (!mClosed) CallOut([&] {
    RaiseFocus(false);
    TellFocusReceivers(false);
  });
}

void RuntimeListbox::DoubleClick(NuListbox*) {
  if (!mClosed) CallOut([&] { RaiseDoubleClick(); });
}

// A change made while Change runs raises nothing again, and tells no selection receiver.
void RuntimeListbox::SelectionChanging(NuListbox*) {
  if (mClosed || mInChange || mQuietSelection) return;
  TellSelectionReceivers("selectionChanging");
}

void RuntimeListbox::SelectionChanged(NuListbox*) {
  if (mClosed || mInChange || mQuietSelection) return;
  mInChange = true;
  const bool open = CallOut([&] { RaiseChange(); });
  if (!open) return;
  mInChange = false;
  if (!mClosed) TellSelectionReceivers("selectionChanged");
}

// ---- menus ----

void RuntimeListbox::EnableMenuItems() {
  auto enable = [](const char* name) {
    if (RuntimeObject* item = RuntimeMenuReference(string(name).Storage())) {
      RuntimeEnableMenu(item);
      RuntimeUnlockObject(item);
    }
  };
  if (MultipleSelection()) enable("EditSelectAll");
  if (SelectedRowCount() > 0) enable("EditCopy");
  if (!CallOut([&] { CallHandler(kListEnableMenuItems); }) || mClosed) return;
  SubPane::EnableMenuItems();
}

// Select All on a list of several rows, and Copy of the selected rows: one line a row, its
// cells joined by Tab.
bool RuntimeListbox::HandleMenuCommand(RuntimeObject* item) {
  const string name = item ? string::Adopt(RuntimeMenuItemNameGetter(item, 0)) : string();
  if (name.Compare(string("EditSelectAll")) == 0 && MultipleSelection()) {
    SelectAll();
    return true;
  }
  if (name.Compare(string("EditCopy")) == 0 && SelectedRowCount() > 0) {
    CopyTextToClipboard(GetCellText(false, -1, -1), false);
    return true;
  }
  return SubPane::HandleMenuCommand(item);
}
