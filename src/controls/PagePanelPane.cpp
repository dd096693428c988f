// The page mechanism of page and tab panels, and the PagePanel pane.
#include <algorithm>

#include "controls/ControlAccessors.h"
#include "controls/PagePanel.h"
#include "controls/RuntimeControl.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"

namespace {

// Holds the panes of a pass over children whose handlers may close or free some of them.
class HeldPanes {
 public:
  HeldPanes() = default;
  ~HeldPanes() {
    for (uint32_t i = 0; i < mPanes.size(); ++i) mPanes[int32_t(i)]->Release();
  }
  HeldPanes(const HeldPanes&) = delete;
  HeldPanes& operator=(const HeldPanes&) = delete;
  void Add(SubPane* pane) {
    pane->Retain();
    mPanes.Append(pane);
  }
  uint32_t size() const { return mPanes.size(); }
  SubPane* operator[](uint32_t i) const { return mPanes[int32_t(i)]; }

 private:
  SimpleVector<SubPane*> mPanes{16};
};

}  // namespace

void ApplyPageVisibility(SubPane* panel, int32_t currentPage, bool shown) {
  for (int32_t i = 0; i < panel->ChildCount(); ++i) {
    SubPane* child = panel->ChildAt(i);
    child->SetShownFromOwner(shown && child->PanelIndex() == currentPage);
  }
  if (shown == panel->IsShown()) return;
  PanelPane* own = static_cast<PanelPane*>(panel);
  if (!panel->IsVisible()) {
    own->StoreShownFlag(shown);
    return;
  }
  if (!shown && GetFocusPane() == panel) ClearKeyboardFocus();
  own->StoreShownFlag(shown);
  panel->ShowWidget(shown);
}

void RefreshPageVisibility(SubPane* panel) {
  panel->SetShownFromOwner(panel->IsVisibleAndShown());
}

bool PanelEnclosesPane(SubPane* panel, SubPane* other) {
  return other->PanelIndex() >= 1 && panel->IsShown() &&
         InRect(other->GetBounds(), panel->GetBounds());
}

void RenumberPages(SubPane* panel, int32_t index, int32_t delta) {
  HeldPanes children;
  for (int32_t i = 0; i < panel->ChildCount(); ++i) {
    if (panel->ChildAt(i)->PanelIndex() > index) children.Add(panel->ChildAt(i));
  }
  for (uint32_t i = 0; i < children.size(); ++i) {
    SubPane* child = children[i];
    if (child->IsClosing()) continue;
    const int32_t page = child->PanelIndex() + delta;
    RuntimeObject* control = child->GetRunControl();
    if (control && AsControl(control)->pane == child) {
      ControlTabPanelIndexSetter(control, 0, page);
    } else {
      child->SetPanelIndex(page);
    }
  }
}

void ClosePageControls(SubPane* panel, int32_t page) {
  LockedObjects controls;
  HeldPanes panes;
  for (int32_t i = 0; i < panel->ChildCount(); ++i) {
    SubPane* child = panel->ChildAt(i);
    if (child->PanelIndex() != page) continue;
    RuntimeObject* control = child->GetRunControl();
    if (control && AsControl(control)->pane == child) {
      controls.Add(control);
    } else {
      panes.Add(child);
    }
  }
  for (uint32_t i = 0; i < controls.size(); ++i) {
    if (AsControl(controls[i])->pane) ControlClose(controls[i]);
  }
  for (uint32_t i = 0; i < panes.size(); ++i) {
    if (!panes[i]->IsClosing()) panes[i]->Close();
  }
}

// ---- PagePanel ----

PagePanel::PagePanel(RuntimeObject* control, SubPane* owner, const QV::Rect& bounds)
    : PanelPane(owner, 0, bounds), mObject(control) {}

bool PagePanel::EnclosesPane(SubPane* other, bool, bool) {
  return PanelEnclosesPane(this, other);
}

void PagePanel::SetShownFromOwner(bool shown) { ApplyPageVisibility(this, mCurrentPage, shown); }

void PagePanel::ShowWidget(bool show) {
  if (show) SetShownFromOwner(IsShown());
  PanelPane::ShowWidget(show);
}

RuntimeObject* PagePanel::AddPage() {
  if (mObject) ++AsPagePanel(mObject)->panelCount;
  return mObject;
}

int32_t PagePanel::PageCount() { return mObject ? AsPagePanel(mObject)->panelCount : 0; }

void PagePanel::SetCurrentPage(int32_t index) {
  if (mObject) AsPagePanel(mObject)->value = index;
  mCurrentPage = index + 1;
  if (IsVisible()) SetShownFromOwner(IsShown());
}

void PagePanel::InsertPage(int32_t index) {
  if (!mObject) return;
  AddPage();
  if (index < 0 || index > PageCount()) return;
  Retain();
  RenumberPages(this, index, 1);
  if (!IsClosing()) RefreshPageVisibility(this);
  Release();
}

// The current page stays below PageCount: removing the last page while it is current makes
// the new last page current.
void PagePanel::RemovePage(int32_t index) {
  if (!mObject) return;
  --AsPagePanel(mObject)->panelCount;
  Retain();
  ClosePageControls(this, index + 1);
  if (!IsClosing()) RenumberPages(this, index, -1);
  if (!IsClosing()) {
    const int32_t count = PageCount();
    if (count > 0 && (index == mCurrentPage - 1 || mCurrentPage > count)) {
      SetCurrentPage(std::min(index, count - 1));
    }
    RefreshPageVisibility(this);
  }
  Release();
}
