// The list engine under the mouse and the keyboard: the double-click test, clicks with and
// without Shift and Control, drags across rows and past the edges, and the navigation keys.
#include <gtk/gtk.h>

#include <cstdlib>

#include "core/Ticks.h"
#include "listbox/NuListbox.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"

namespace {

constexpr int32_t kModifierCommand = 0x100;

// The time of the event GTK is handling, in ticks.
int32_t CurrentEventTicks() { return int32_t(uint64_t(gtk_get_current_event_time()) * 60 / 1000); }

}  // namespace

bool ClickTracker::Update(int32_t x, int32_t y, int32_t modifiers, bool contextual, int32_t now) {
  const int32_t dx = std::abs(x - mLastX);
  const int32_t dy = std::abs(y - mLastY);
  const bool inTime = now - mLastTime < DoubleClickTicks();
  mIsDouble = mLastModifiers == modifiers && inTime && mLastContextual == contextual &&
              dx <= mToleranceX && dy <= mToleranceY;
  mLastX = x;
  mLastY = y;
  mLastTime = now;
  mLastContextual = contextual;
  mLastModifiers = modifiers;
  return mIsDouble;
}

bool NuListbox::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  return MouseDown(x, y, modifiers);
}

// Each entry holds the list: the delegate's and the provider's handlers may close it, and the
// engine then stops where it is.
bool NuListbox::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (!IsEnabled()) return true;
  if (!RetainChain()) return true;
  const bool taken = TrackMouseDown(x, y, modifiers);
  ReleaseChain();
  return taken;
}

void NuListbox::MouseDrag(int32_t x, int32_t y) {
  if (!RetainChain()) return;
  TrackMouseDrag(x, y);
  ReleaseChain();
}

bool NuListbox::HandleChar(int32_t character, int32_t, int32_t modifiers) {
  if (modifiers & kModifierCommand) return false;
  if (!RetainChain()) return true;
  const bool handled = HandleKey(character, modifiers);
  ReleaseChain();
  return handled;
}

bool NuListbox::TrackMouseDown(int32_t x, int32_t y, int32_t modifiers) {
  const bool contextual = IsCMMClick() != 0;
  mClickTracker.Update(x, y, modifiers, contextual, CurrentEventTicks());
  mDragDeselects = false;
  const QV::Rect area = GetListRect();
  if (!RectContainsPoint({y, x}, area)) {
    if (y < area.top && x < area.right) {
      CallOut([&] { mProvider->HeaderClick(x, y, modifiers); });
      return true;
    }
    return false;
  }
  if (SubPane::MouseDown(x, y, modifiers)) return true;
  if (CanTakeFocus() && TakesFocusOnClick()) SetKeyboardFocus();
  const RowHit hit = RowAtPoint(x, y);
  if (!hit.found) {
    mAnchorRow = -1;
    if (requiresSelection && SelectedRowCount() > 0) return true;
    if (!NotifyChanging()) return true;
    RaiseNotifyDepth();
    SelectRow(-1, true);
    if (IsClosing()) return true;
  } else if (!ClickRow(hit, modifiers, mAnchorRow == hit.row)) {
    return true;  // handled by the provider, a double click, or the list closed
  }
  if (IsMouseButtonDown() && !contextual) {
    SetMouseCapturePane(this);
  } else if (!LowerNotifyDepth()) {
    return true;
  }
  mDragged = false;
  return true;
}

// False when nothing more is to be done: the provider took the click, it was a double click,
// or the list closed.
bool NuListbox::ClickRow(const RowHit& hit, int32_t modifiers, bool sameRow) {
  const int32_t r = hit.row;
  bool handled = false;
  if (!CallOut([&] { handled = mProvider->RowClick(r, hit.xInRow, hit.yInRow, modifiers); })) {
    return false;
  }
  if (handled) return false;
  if (mClickTracker.IsDouble() && sameRow && !mDragged) {
    if (mListDelegate) CallOut([this] { mListDelegate->DoubleClick(this); });
    return false;
  }
  if (!NotifyChanging()) return false;
  RaiseNotifyDepth();
  const bool extendable = mMultipleSelection && SelectedRowCount() > 0;
  const bool shift = modifiers & kModifierShift;
  const bool control = modifiers & kModifierControl;
  if (extendable && shift && control) {
    SelectRange(mAnchorRow, r);
  } else {
    if (extendable && control) {
      mDragDeselects = IsRowSelected(r);
      if (!(mDragDeselects && KeepsLastSelected())) SetRowSelected(r, !mDragDeselects);
    } else if (extendable && shift) {
      ClearSelection();
      SelectRange(mShiftAnchorRow, r);
    } else {
      mShiftAnchorRow = r;
      SelectRow(r, false);
    }
    mFocusRow = r;
  }
  mAnchorRow = r;
  return true;
}

void NuListbox::MouseUp(int32_t, int32_t) { LowerNotifyDepth(); }

// A drag above the row area: false when the drag goes no further.
bool NuListbox::DragAbove() {
  Scroller* bar = VerticalBar();
  if (bar->GetValue() > 0) {
    bar->SetValue(bar->GetValue() - 1);
    return FirstSelectedRow() != mScrollValue;
  }
  if (mMultipleSelection || requiresSelection) return false;
  if (mFocusRow == 0 && SelectedRowCount() == 0) return false;
  SelectRow(-1, true);
  mFocusRow = 0;
  return false;
}

void NuListbox::TrackMouseDrag(int32_t x, int32_t y) {
  QV::Rect area = ContentRect();
  if (BarShown(HorizontalBar())) area.bottom = int16_t(area.bottom - ScrollBarWidth());
  if (Scroller* bar = VerticalBar()) {
    if (y < area.top) {
      if (DragAbove()) DragOntoRow(mScrollValue);
      return;
    }
    if (y >= area.bottom && bar->GetValue() < bar->GetMaximum()) {
      bar->SetValue(bar->GetValue() + 1);
    }
  }
  const RowHit hit = RowAtPoint(x, y);
  if (!hit.found) {
    if (mMultipleSelection || SelectedRowCount() == 0 || !mConstantRowHeight) return;
    int32_t r = LastVisibleRow() + 1;
    if (r >= mRowCount) r = -1;
    if (r < 0 && requiresSelection) return;
    SelectRow(r, true);
    if (IsClosing()) return;
    mFocusRow = mRowCount > 0 ? mRowCount - 1 : 0;
    return;
  }
  DragOntoRow(hit.row);
}

void NuListbox::DragOntoRow(int32_t r) {
  if (r != mAnchorRow) mDragged = true;
  if (mMultipleSelection) {
    if (r == mAnchorRow && IsRowSelected(r) == !mDragDeselects) return;
    if (mAnchorRow >= 0) {
      const int32_t step = r >= mAnchorRow ? 1 : -1;
      for (int32_t row = mAnchorRow;; row += step) {
        if (!(mDragDeselects && KeepsLastSelected())) SetRowSelected(row, !mDragDeselects);
        if (row == r) break;
      }
    } else if (!(mDragDeselects && KeepsLastSelected())) {
      SetRowSelected(r, !mDragDeselects);
    }
    mAnchorRow = r;
  } else {
    if (r == FirstSelectedRow()) return;
    SelectRow(r, false);
  }
  mFocusRow = r;
}

// ---- keys ----

bool NuListbox::HandleUpDown(bool down, bool extend) {
  const int32_t count = SelectedRowCount();
  const int32_t first = FirstSelectedRow();
  const int32_t last = LastSelectedRow();
  if (extend && mMultipleSelection) {
    const int32_t row = down ? last + 1 : first - 1;
    if (count > 0 && row >= 0 && row < mRowCount) {
      ScrollRowIntoView(row);
      SetRowSelected(row, true);
      mFocusRow = row;
    }
    return true;
  }
  int32_t row = -1;
  if (count > 1) {
    row = down ? last : first;
  } else if (count == 1) {
    const int32_t next = down ? last + 1 : first - 1;
    if (next >= 0 && next < mRowCount) row = next;
  } else if (mRowCount > 0) {
    row = 0;
  }
  if (row < 0) return true;
  ScrollRowIntoView(row);
  SelectRow(row, true);
  mFocusRow = row;
  return true;
}

bool NuListbox::HandleKey(int32_t character, int32_t modifiers) {
  const int32_t visible = VisibleRowCount();
  const int32_t top = mScrollValue;
  const int32_t lastRow = mRowCount - 1;
  switch (character) {
    case kKeyHome:
      if (Scroller* bar = VerticalBar()) {
        bar->SetValue(0);
      } else {
        ScrollToRow(0);
      }
      SelectRow(0, false);
      mFocusRow = 0;
      return true;
    case kKeyEnd:
      if (Scroller* bar = VerticalBar()) {
        bar->SetValue(bar->GetMaximum());
      } else {
        ScrollToRow(mRowCount - visible);
      }
      SelectRow(lastRow, false);
      mFocusRow = lastRow;
      return true;
    case kKeyPageUp:
      if (mFocusRow <= top) {
        const int32_t newTop = top - visible + 1 > 0 ? top - visible + 1 : 0;
        ScrollToRow(newTop);
        SelectRow(newTop, true);
      } else {
        SelectRow(top, false);
      }
      mFocusRow = FirstSelectedRow();
      return true;
    case kKeyPageDown: {
      const int32_t bottom = top + visible - 1;
      if (mFocusRow < bottom) {
        SelectRow(bottom < lastRow ? bottom : lastRow, false);
      } else {
        ScrollToRow(bottom < lastRow ? bottom : lastRow);
        const int32_t end = mScrollValue + visible - 1;
        SelectRow(end < lastRow ? end : lastRow, true);
      }
      mFocusRow = FirstSelectedRow();
      return true;
    }
    case kKeyUp:
    case kKeyDown:
      return HandleUpDown(character == kKeyDown, modifiers & kModifierShift);
    case kKeyLeft:
    case kKeyRight:
      return true;
    default:
      return false;
  }
}
