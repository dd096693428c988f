// SubPane: mouse routing down the tree, pointer tracking, keys and menu requests up the
// owners, the keyboard focus, default and cancel buttons, cursors, help tags and the
// press-or-drag decision.
#include "windows/SubPane.h"

#include "core/Ticks.h"
#include "graphics/PangoFonts.h"
#include "windows/DragAndDropGTK.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kDragDecisionTicks = 30;

// A child the walks may reach: visible, shown, and holding the point.
bool IsUnder(SubPane* child, int32_t x, int32_t y) {
  return child->IsVisibleAndShown() && child->HitRectHolds(x, y);
}

}  // namespace

QV::Rect SubPane::HitRect() {
  QV::Rect rect = GetBounds();
  if (PaneDelegate* delegate = GetDelegate()) delegate->ClipRect(this, rect);
  return rect;
}

bool SubPane::HitRectHolds(int32_t x, int32_t y) {
  const QV::Rect rect = HitRect();
  return y >= rect.top && y < rect.bottom && x >= rect.left && x < rect.right;
}

bool SubPane::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  SubPane* target = GetEventTarget();
  return target && target != this && target->MouseDown(x, y, modifiers);
}

bool SubPane::ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) {
  SubPane* target = GetEventTarget();
  return target && target != this && target->ForwardToEventTarget(x, y, deltaX, deltaY);
}

bool SubPane::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    if (i >= ChildCount()) continue;
    SubPane* child = ChildAt(i);
    if (IsUnder(child, x, y) && child->ClickChildren(x, y, modifiers)) return true;
  }
  return false;
}

// Exits first, so that a pointer moving onto an overlapping sibling leaves one before it
// enters the other.
void SubPane::MouseMove(int32_t x, int32_t y) {
  if (GetWindow() != this) {
    x += GetBounds().left;
    y += GetBounds().top;
  }
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (IsUnder(child, x, y) || !child->IsPointerInside()) continue;
    child->SetPointerInside(false);
    child->MouseExit();
  }
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (!IsUnder(child, x, y)) continue;
    if (!child->IsPointerInside()) {
      child->SetPointerInside(true);
      child->MouseEnter();
    }
    const QV::Rect rect = child->HitRect();
    child->MouseMove(x - rect.left, y - rect.top);
  }
}

bool SubPane::AdjustCursor(int32_t x, int32_t y) {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    SubPane* child = ChildAt(i);
    if (IsUnder(child, x, y) && child->AdjustCursor(x, y)) return true;
  }
  if (!mCursor) return false;
  SetCurrentCursor(mCursor);
  return true;
}

bool SubPane::KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (character > 127) return false;
  return HandleChar(character, keyCode, modifiers);
}

bool SubPane::PassKeyToOwner(int32_t character, int32_t keyCode, int32_t modifiers) {
  SubPane* owner = GetOwner();
  return owner && owner->PassKeyToOwner(character, keyCode, modifiers);
}

void SubPane::EnableMenuItems() {
  if (SubPane* owner = GetOwner()) owner->EnableMenuItems();
}

bool SubPane::OwnerMenuQuery(int32_t value) {
  SubPane* owner = GetOwner();
  return owner && owner->OwnerMenuQuery(value);
}

bool SubPane::HandleMenuCommand(RuntimeObject* item) {
  SubPane* owner = GetOwner();
  return owner && owner->HandleMenuCommand(item);
}

bool SubPane::HasFocusableChild(SubPane* except) {
  if (this != except && CanTakeFocus()) return true;
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (child == except) continue;
    if (child->CanTakeFocus() || child->HasFocusableChild(except)) return true;
  }
  return false;
}

SubPane* SubPane::FindDefaultButton() {
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* found = ChildAt(i)->FindDefaultButton();
    if (found && found->IsVisibleAndShown() && found->IsEnabled()) return found;
  }
  return nullptr;
}

SubPane* SubPane::FindCancelButton() {
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* found = ChildAt(i)->FindCancelButton();
    if (found && found->IsVisibleAndShown() && found->IsEnabled()) return found;
  }
  return nullptr;
}

void SubPane::SetHelpTag(const string& text) {
  if (text.IsEmpty()) {
    if (mTooltips) gtk_tooltips_disable(mTooltips);
    return;
  }
  if (!mWidget) return;
  gtk_tooltips_set_tip(GetTooltips(), mWidget, TextForPango(text).CString(), nullptr);
  gtk_tooltips_enable(mTooltips);
}

// GTK events run while the decision waits; they may close the pane, which ends the wait.
bool SubPane::WaitForDrag() {
  if (!RetainChain()) return false;
  const int32_t deadline = TickCount() + kDragDecisionTicks;
  const QV::Point start = GetPointerInWindow(GetWindow());
  bool held = IsMouseButtonDown();
  while (held && TickCount() - deadline < 0 && !IsClosing()) {
    gtk_main_iteration_do(FALSE);
    if (IsClosing()) break;
    const QV::Point now = GetPointerInWindow(GetWindow());
    held = IsMouseButtonDown();
    if (now.h != start.h || now.v != start.v) break;
  }
  const bool closing = IsClosing();
  ReleaseChain();
  return held && !closing;
}

void SubPane::SetKeyboardFocus() {
  Window* window = GetWindow();
  if (!window || !CanTakeFocus()) return;
  window->SetFocusControl(this);
  if (!window->IsActive()) return;
  if (GetFocusPane() != this) {
    gtk_window_set_focus(window->GetGtkWindow(), nullptr);
    if (GtkWidget* widget = GetWidget()) gtk_widget_grab_focus(widget);
  }
  SetFocusPane(this);
}

void SubPane::SetMouseCursor(const CursorHandle* cursor) {
  DeleteCursorHandle(mCursor);
  mCursor = CopyCursorHandle(cursor);
}

namespace {

// False when list already holds name, ignoring case.
bool AddTypeName(SimpleVector<string>& list, const string& name) {
  for (uint32_t i = 0; i < list.size(); ++i) {
    if (list[int32_t(i)].Compare(name) == 0) return false;
  }
  list.InsertAt(0, name);
  return true;
}

}  // namespace

void SubPane::AddAcceptedDragType(const string& type) {
  if (AddTypeName(mDragTypes, type) && type.Compare(string("TEXT")) == 0) EnableTextDrops(this);
}

void SubPane::AddAcceptedFileType(const string& type) {
  if (AddTypeName(mFileTypes, type)) EnableFileDrops(this);
}
