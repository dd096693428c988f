// SubPane: visibility, enabling, activation and panel pages, and how each passes down the tree.
#include "windows/SubPane.h"

#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kStateEnable = 5;
constexpr int32_t kStateDisable = 6;
constexpr int32_t kStateShow = 7;
constexpr int32_t kStateHide = 8;

}  // namespace

void SubPane::Activate() {
  if (mClosing || mActive) return;
  mActive = true;
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->Activate();
}

void SubPane::Deactivate() {
  if (mClosing || !mActive) return;
  mActive = false;
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->Deactivate();
}

bool SubPane::ApplyStateCode(int32_t code) {
  switch (code) {
    case kStateEnable:
      SetEnabled(true, true);
      break;
    case kStateDisable:
      SetEnabled(false, true);
      break;
    case kStateShow:
      SetVisible(true);
      break;
    case kStateHide:
      SetVisible(false);
      break;
    default:
      break;
  }
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->ApplyStateCode(code);
  return false;
}

// A pane under a disabled owner stays disabled.
void SubPane::SetEnabled(bool enabled, bool redraw) {
  if (mEnabled == enabled) return;
  SubPane* owner = GetOwner();
  if (enabled && owner && !owner->IsEnabled()) return;
  mEnabled = enabled;
  for (int32_t i = 0; i < ChildCount(); ++i) {
    SubPane* child = ChildAt(i);
    if (child->GetOwner() == this) child->SetEnabled(enabled, redraw);
  }
  if (mWidget) gtk_widget_set_sensitive(mWidget, enabled);
  if (redraw) Refresh(false);
  if (!enabled && GetFocusPane() == this) {
    if (Window* window = GetWindow(); window && window->FocusControl() == this) {
      window->SetFocusControl(nullptr);
    }
    ClearKeyboardFocus();
  }
}

// A pane its owners do not show keeps its own flag only while it sits on a panel page (the
// panel shows it again with its page); otherwise the two flags go together.
void SubPane::SetVisible(bool visible) {
  if (mVisible == visible) return;
  if (!mShown) {
    if (mPanelIndex > 0) {
      mVisible = visible;
      return;
    }
    mShown = visible;
  }
  SubPane* owner = GetOwner();
  if (visible && owner && !owner->IsVisible()) return;
  if (!visible && GetFocusPane() == this) ClearKeyboardFocus();
  mVisible = visible;
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->SetVisible(visible);
  ShowWidget(visible);
}

void SubPane::SetShownFromOwner(bool shown) {
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->SetShownFromOwner(shown);
  if (mShown == shown) return;
  if (!mVisible) {
    mShown = shown;
    return;
  }
  if (!shown && GetFocusPane() == this) ClearKeyboardFocus();
  mShown = shown;
  ShowWidget(shown);
}

void SubPane::ShowWidget(bool show) {
  Refresh(false);
  if (!mWidget) return;
  if (show) {
    gtk_widget_show(mWidget);
    return;
  }
  if (GetFocusPane() == this) ClearKeyboardFocus();
  gtk_widget_hide(mWidget);
}

// The pane is shown when the page of the nearest enclosing tab or page panel is its own.
void SubPane::SetPanelIndex(int32_t index) {
  if (index != mPanelIndex) {
    mPanelIndex = index;
    AttachToContainer(false, true);
  }
  if (!IsPagePanel() && !IsTabPanel()) {
    for (int32_t i = ChildCount() - 1; i >= 0; --i) {
      SubPane* child = ChildAt(i);
      if (child->GetOwner() == this) child->SetPanelIndex(index);
    }
  }
  for (SubPane* owner = GetOwner(); owner; owner = owner->GetOwner()) {
    if (owner->IsTabPanel() || owner->IsPagePanel()) {
      SetShownFromOwner(owner->GetCurrentTab() == index);
      return;
    }
  }
}

bool SubPane::CanTakeFocus() {
  return mWidget && mEnabled && mVisible && mShown && GTK_WIDGET_CAN_FOCUS(mWidget);
}
