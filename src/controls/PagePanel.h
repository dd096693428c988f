// Page panels: controls that hold several pages of controls and show those of one page at a
// time. Pages are not objects: every control carries the page it lies on (its panel index,
// 1-based, 0 for none) and its pane the same number; switching the page hides the panes of the
// other pages and shows the current one's. "PagePanel" draws nothing; "TabPanel" (TabPanel.h)
// is its subclass over a notebook whose tabs choose the page.
//
// Both panes share the mechanism here: page visibility, which panes they enclose, and the
// renumbering and closing of the pages' controls as pages come and go. Every change that
// renumbers pages re-applies page visibility, so the panes shown are always the current page's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "windows/ContainerPane.h"
#include "windows/ControlRecord.h"

struct PagePanelObject {
  ControlObject control;
  int32_t panelCount;  // PanelCount
  int32_t value;       // Value: the current page, 0-based
};
static_assert(sizeof(PagePanelObject) == 132 && offsetof(PagePanelObject, panelCount) == 124,
              "PagePanel instances are 132 bytes");

inline PagePanelObject* AsPagePanel(RuntimeObject* object) {
  return reinterpret_cast<PagePanelObject*>(object);
}

ObjectDefinition* PagePanelClassDefinition();
bool IsTabPanelObject(RuntimeObject* object);
// PagePanel's Change, raised on the control (also for a TabPanel's tab changes).
void RaisePageChange(RuntimeObject* control);

// ---- what both panel panes share ----

// Each child is shown when its page is current and the panel is shown; then the panel's own
// shown flag follows shown (its widget too while it is visible).
void ApplyPageVisibility(SubPane* panel, int32_t currentPage, bool shown);
// Re-applies page visibility with the panel's own state: shown while visible and shown.
void RefreshPageVisibility(SubPane* panel);
// A pane with a page, wholly within the panel while the panel is shown.
bool PanelEnclosesPane(SubPane* panel, SubPane* other);
// Children on pages after index (0-based) move one page on (delta 1) or back (delta -1),
// through their control's TabPanelIndex when they have one.
void RenumberPages(SubPane* panel, int32_t index, int32_t delta);
// Closes the children on page (1-based): their controls by ControlClose, collected and held
// first; one an earlier close in the pass already closed is skipped.
void ClosePageControls(SubPane* panel, int32_t page);

// Lets the panel pane store its shown flag without the base's walk over the children.
class PanelPane : public ContainerPane {
 public:
  using ContainerPane::ContainerPane;
  void StoreShownFlag(bool shown) { StoreShown(shown); }
};

// The pane of a PagePanel: no widget of its own.
class PagePanel : public PanelPane {
 public:
  PagePanel(RuntimeObject* control, SubPane* owner, const QV::Rect& bounds);

  bool EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel) override;
  void SetShownFromOwner(bool shown) override;
  void ShowWidget(bool show) override;
  bool IsPagePanel() override { return true; }
  bool PassesClickThrough() override { return true; }
  int32_t GetCurrentTab() override { return mCurrentPage; }

  // Adds one to the object's PanelCount.
  RuntimeObject* AddPage();
  int32_t PageCount();
  int32_t GetCurrentPage() const { return mCurrentPage; }
  // index is 0-based; the object's Value follows.
  void SetCurrentPage(int32_t index);
  void InsertPage(int32_t index);
  void RemovePage(int32_t index);

 private:
  int32_t mCurrentPage = 1;
  RuntimeObject* mObject;  // not retained; nil for a pane made without one
};

extern "C" {
void PagePanelCreatePane(RuntimeObject* control);
void PagePanelAppendPage(RuntimeObject* control);
void PagePanelInsertPage(RuntimeObject* control, int32_t index);
void PagePanelRemovePage(RuntimeObject* control, int32_t index);
int32_t PagePanelCountGetter(RuntimeObject* control, uint32_t parameter);
int32_t PagePanelValueGetter(RuntimeObject* control, uint32_t parameter);
void PagePanelValueSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void WindowRefreshPanelVisibility(RuntimeObject* window);
}
