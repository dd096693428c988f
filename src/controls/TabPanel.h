// The language class "TabPanel": a PagePanel whose pages are chosen by tabs. Its pane is a
// GtkNotebook whose pages are empty GtkFixed widgets that only carry the tabs; the controls of
// every page stay in the window's fixed container and are shown or hidden by page, as on a
// PagePanel (PagePanel.h). The notebook's page changes reach the language as Change through
// the pane's delegate, RuntimeTabPanelRouter.
//
// One process-wide guard keeps the notebook's own page change and the framework's from
// echoing: while the pane sets the notebook's page, the nested "switch-page" is ignored, so a
// click or a Value setting raises Change once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/PagePanel.h"
#include "controls/RuntimeControl.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

class RuntimeTabPanelRouter;

struct TabPanelObject {
  PagePanelObject page;
  stringStorage* tabDefinition;   // captions separated by line endings; read at pane creation
  RuntimeTabPanelRouter* router;  // owned
  ControlFontRecord font;
  uint8_t smallTabs;  // stored only
  uint8_t unused[3];
  int32_t facing;  // 0 top, 1 bottom, 2 right, 3 left
};
static_assert(sizeof(TabPanelObject) == 160 && offsetof(TabPanelObject, tabDefinition) == 132 &&
                  offsetof(TabPanelObject, font) == 140 &&
                  offsetof(TabPanelObject, smallTabs) == 152 &&
                  offsetof(TabPanelObject, facing) == 156,
              "TabPanel instances are 160 bytes");

inline TabPanelObject* AsTabPanel(RuntimeObject* object) {
  return reinterpret_cast<TabPanelObject*>(object);
}

class TabPanelDelegate {
 public:
  virtual ~TabPanelDelegate() = default;
  virtual void TabChanged(SubPane* pane) = 0;
  virtual void GotFocus(SubPane* pane) = 0;
  virtual void LostFocus(SubPane* pane) = 0;
  virtual bool MouseDown(SubPane* pane, int32_t x, int32_t y) = 0;
};

class RuntimeTabPanelRouter : public TabPanelDelegate {
 public:
  explicit RuntimeTabPanelRouter(RuntimeObject* owner) : mOwner(owner) {}
  // Page visibility, then Change.
  void TabChanged(SubPane* pane) override;
  void GotFocus(SubPane* pane) override;
  void LostFocus(SubPane* pane) override;
  bool MouseDown(SubPane* pane, int32_t x, int32_t y) override;

 private:
  RuntimeObject* mOwner;  // not retained: the owner owns the router
};

class TabPanel : public PanelPane {
 public:
  TabPanel(TabPanelDelegate* delegate, SubPane* owner, const QV::Rect& bounds,
           const FontSpec& font, int32_t facing);
  ~TabPanel() override;

  void MouseDrag(int32_t, int32_t) override {}
  void MouseUp(int32_t, int32_t) override {}
  bool EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel) override;
  void FocusLost() override;
  void FocusGained() override;
  bool CanTakeFocus() override;
  void SetShownFromOwner(bool shown) override;
  void ShowWidget(bool show) override;
  void DrawInto(Graphics& g) override;
  bool IsTabPanel() override { return true; }
  int32_t GetCurrentTab() override;

  // Facing 0-3 moves the tabs; another value is kept and the tabs stay where they are.
  void SetTabPosition(int32_t facing);
  int32_t TabPosition() const { return mFacing; }
  void SetTabFont(const FontSpec& font);
  void AppendTab(const string& caption);
  // A tab appended and the captions moved right from index; pages after it renumbered.
  void InsertTab(int32_t index, const string& caption);
  // Closes the page's controls and removes its tab; pages after it renumbered.
  void RemoveTab(int32_t index);
  void SetTabCaption(int32_t index, const string& caption);
  string GetTabCaption(int32_t index);
  int32_t TabCount();
  // 1-based; the delegate hears of it whether or not the notebook's page changed.
  void SetCurrentTab(int32_t tab);
  // The tab (0-based) at (x, y) relative to the pane, or -1.
  int32_t TabClickedOn(int32_t x, int32_t y);
  // The delegate is going away.
  void ForgetDelegate() { mDelegate = nullptr; }

 private:
  static void OnSwitchPage(GtkNotebook* notebook, gpointer page, guint number, TabPanel* pane);
  GtkNotebook* Notebook();
  GtkWidget* TabLabel(int32_t index);

  FontSpec mFont;
  TabPanelDelegate* mDelegate;
  int32_t mFacing = 0;
  gulong mSwitchHandler = 0;
};

ObjectDefinition* TabPanelClassDefinition();
// The TabPanel pane of a TabPanel object (PagePanelCreatePane's part).
void CreateTabPanelPane(RuntimeObject* control);
TabPanel* TabPaneOf(RuntimeObject* control);
int32_t TabPanelTabCount(RuntimeObject* control);
// The font setters' second step.
void TabPanelFontChanged(RuntimeObject* control);

extern "C" {
int32_t tabPanelValueGetter(RuntimeObject* control, uint32_t parameter);
void tabPanelValueSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
stringStorage* tabPanelCaptionGetter(RuntimeObject* control, int32_t index);
void tabPanelCaptionSetter(RuntimeObject* control, int32_t index, stringStorage* caption);
void TabPanelAppendTab(RuntimeObject* control, stringStorage* caption);
void TabPanelInsertTab(RuntimeObject* control, int32_t index, stringStorage* caption);
void TabPanelRemoveTab(RuntimeObject* control, int32_t index);
int32_t TabPanelTabClickedOn(RuntimeObject* control, int32_t x, int32_t y);
void tabPanelDestructor(RuntimeObject* control);
}
