// The TabPanel pane over a GtkNotebook.
#include <algorithm>

#include "controls/TabPanel.h"
#include "strings/Mnemonic.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"

namespace {

// Set while the pane itself changes the notebook's page: the nested "switch-page" is ignored.
bool gSwitchGuard = false;

class SwitchGuard {
 public:
  SwitchGuard() : mWasSet(gSwitchGuard) { gSwitchGuard = true; }
  ~SwitchGuard() { gSwitchGuard = mWasSet; }
  SwitchGuard(const SwitchGuard&) = delete;
  SwitchGuard& operator=(const SwitchGuard&) = delete;

 private:
  bool mWasSet;
};

constexpr int32_t kTabMargin = 10;  // beside the caption, within a tab

}  // namespace

TabPanel::TabPanel(TabPanelDelegate* delegate, SubPane* owner, const QV::Rect& bounds,
                   const FontSpec& font, int32_t facing)
    : PanelPane(owner, 0, bounds), mDelegate(delegate) {
  GtkWidget* notebook = gtk_notebook_new();
  SetWidget(notebook);
  PutPaneInFixed(this, true);
  SetTabFont(font);
  SetTabPosition(facing);
  mSwitchHandler =
      g_signal_connect(notebook, "switch-page", G_CALLBACK(&TabPanel::OnSwitchPage), this);
}

TabPanel::~TabPanel() {
  if (GtkWidget* notebook = GetWidget()) g_signal_handler_disconnect(notebook, mSwitchHandler);
}

GtkNotebook* TabPanel::Notebook() { return GTK_NOTEBOOK(GetWidget()); }

GtkWidget* TabPanel::TabLabel(int32_t index) {
  GtkWidget* page = gtk_notebook_get_nth_page(Notebook(), index);
  return page ? gtk_notebook_get_tab_label(Notebook(), page) : nullptr;
}

// Change may close the panel or its window while GTK is still switching the notebook's page.
void TabPanel::OnSwitchPage(GtkNotebook*, gpointer, guint number, TabPanel* pane) {
  if (gSwitchGuard) return;
  SwitchGuard guard;
  HoldForSignal(pane, [&] { pane->SetCurrentTab(int32_t(number) + 1); });
}

// ---- tabs ----

void TabPanel::AppendTab(const string& caption) {
  GtkWidget* page = gtk_fixed_new();
  GtkWidget* label = gtk_label_new("");
  SetLabelTextWithMnemonic(label, caption, &mFont);
  SetWidgetFont(label, mFont);
  gtk_widget_show(page);
  gtk_widget_show(label);
  g_signal_handler_block(GetWidget(), mSwitchHandler);
  gtk_notebook_append_page(Notebook(), page, label);
  g_signal_handler_unblock(GetWidget(), mSwitchHandler);
}

int32_t TabPanel::TabCount() { return gtk_notebook_get_n_pages(Notebook()); }

int32_t TabPanel::GetCurrentTab() { return gtk_notebook_get_current_page(Notebook()) + 1; }

void TabPanel::SetCurrentTab(int32_t tab) {
  {
    SwitchGuard guard;
    gtk_notebook_set_current_page(Notebook(), tab - 1);
  }
  if (mDelegate) mDelegate->TabChanged(this);
}

void TabPanel::SetTabCaption(int32_t index, const string& caption) {
  if (GtkWidget* label = TabLabel(index)) SetLabelTextWithMnemonic(label, caption, &mFont);
}

string TabPanel::GetTabCaption(int32_t index) {
  GtkWidget* label = TabLabel(index);
  if (!label || !GTK_IS_LABEL(label)) return string();
  return string(gtk_label_get_text(GTK_LABEL(label)));
}

void TabPanel::SetTabPosition(int32_t facing) {
  mFacing = facing;
  static const GtkPositionType kPositions[] = {GTK_POS_TOP, GTK_POS_BOTTOM, GTK_POS_RIGHT,
                                                GTK_POS_LEFT};
  if (facing >= 0 && facing < 4) gtk_notebook_set_tab_pos(Notebook(), kPositions[facing]);
}

void TabPanel::SetTabFont(const FontSpec& font) {
  mFont = font;
  for (int32_t i = 0; i < TabCount(); ++i) {
    if (GtkWidget* label = TabLabel(i)) SetWidgetFont(label, font);
  }
}

// The notebook's pages are interchangeable: the captions move, the pages stay.
void TabPanel::InsertTab(int32_t index, const string& caption) {
  AppendTab(caption);
  const int32_t count = TabCount();
  if (index < 0 || index >= count) return;
  for (int32_t i = count - 1; i > index; --i) SetTabCaption(i, GetTabCaption(i - 1));
  SetTabCaption(index, caption);
  RefreshBounds();
  Retain();
  RenumberPages(this, index, 1);
  if (!IsClosing()) RefreshPageVisibility(this);
  Release();
}

void TabPanel::RemoveTab(int32_t index) {
  Retain();
  ClosePageControls(this, index + 1);
  if (IsClosing()) {
    Release();
    return;
  }
  const int32_t current = GetCurrentTab() - 1;
  {
    SwitchGuard guard;
    gtk_notebook_remove_page(Notebook(), index);
  }
  RenumberPages(this, index, -1);
  if (!IsClosing()) {
    RefreshPageVisibility(this);
    if (TabCount() > 0 && index == current) SetCurrentTab(std::min(index, TabCount() - 1) + 1);
  }
  Release();
}

// ---- page visibility and focus ----

bool TabPanel::EnclosesPane(SubPane* other, bool, bool) { return PanelEnclosesPane(this, other); }

void TabPanel::SetShownFromOwner(bool shown) { ApplyPageVisibility(this, GetCurrentTab(), shown); }

void TabPanel::ShowWidget(bool show) {
  if (show) SetShownFromOwner(IsShown());
  PanelPane::ShowWidget(show);
}

bool TabPanel::CanTakeFocus() { return IsEnabled() && IsVisibleAndShown(); }

void TabPanel::FocusGained() {
  if (mDelegate && !IsClosing()) mDelegate->GotFocus(this);
}

void TabPanel::FocusLost() {
  if (mDelegate && !IsClosing()) mDelegate->LostFocus(this);
}

// ---- hit test and drawing ----

// The tabs lie along the top (Facing 0) or bottom (1), each its caption's width and a margin
// on either side; tabs on the sides are not hit.
int32_t TabPanel::TabClickedOn(int32_t x, int32_t y) {
  Graphics* g = NewGraphics();
  if (!g) return -1;
  g->SetFont(mFont);
  const int32_t stripHeight = g->TextHeight() + kTabMargin;
  int32_t hit = -1;
  const bool inStrip = (mFacing == 0 && y <= stripHeight) ||
                       (mFacing == 1 && y >= Height() - stripHeight);
  int32_t left = 0;
  for (int32_t i = 0; inStrip && hit < 0 && i < TabCount(); ++i) {
    const int32_t width = g->StringWidth(StripMnemonic(GetTabCaption(i)));
    if (x >= left && x <= left + width + kTabMargin) hit = i;
    left += width + kTabMargin + 1;
  }
  Graphics::Destroy(g);
  return hit;
}

// Tabs and body as the theme paints a notebook; positions in g's coordinates, converted to
// the drawable's for the theme.
void TabPanel::DrawInto(Graphics& g) {
  GtkWidget* notebook = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (notebook && drawable && (mFacing == 0 || mFacing == 1)) {
    if (!notebook->window) gtk_widget_realize(notebook);
    const QV::Rect& b = GetBounds();
    const RGBColor16 savedColor = g.ForeColor();
    g.SetForeColor({0, 0, 0});
    g.SetFont(mFont);
    const int32_t tabHeight = g.TextHeight() + kTabMargin;
    const int32_t ascent = g.TextAscent();
    const bool top = mFacing == 0;
    const int32_t tabsTop = top ? b.top : b.bottom - tabHeight;
    auto onDrawable = [&g](int32_t left, int32_t top, int32_t width, int32_t height) {
      QV::Rect rect;
      RectSet(rect, left, top, left + width, top + height);
      return GraphicsRectToDrawable(g, rect, false);
    };
    int32_t left = b.left;
    int32_t gapX = 0;
    int32_t gapWidth = 0;
    for (int32_t i = 0; i < TabCount(); ++i) {
      const string caption = StripMnemonic(GetTabCaption(i));
      const int32_t width = g.StringWidth(caption) + kTabMargin + 1;
      const bool current = i == GetCurrentTab() - 1;
      const int32_t tabTop = tabsTop + (current ? 0 : (top ? 2 : -2));
      if (current) {
        gapX = left - b.left;
        gapWidth = width;
      }
      const QV::Rect t = onDrawable(left, tabTop, width, tabHeight);
      gtk_paint_extension(notebook->style, drawable,
                          current ? GTK_STATE_NORMAL : GTK_STATE_ACTIVE, GTK_SHADOW_OUT,
                          nullptr, notebook, "tab", t.left, t.top, width, tabHeight,
                          top ? GTK_POS_BOTTOM : GTK_POS_TOP);
      g.DrawString(caption, left + 5, tabTop + ascent + 5);
      left += width;
    }
    const int32_t bodyHeight = (b.bottom - b.top) - tabHeight;
    if (bodyHeight > 0) {
      const QV::Rect body =
          onDrawable(b.left, top ? b.top + tabHeight : b.top, b.right - b.left, bodyHeight);
      gtk_paint_box_gap(notebook->style, drawable, GTK_STATE_NORMAL, GTK_SHADOW_OUT, nullptr,
                        notebook, "notebook", body.left, body.top, body.right - body.left,
                        bodyHeight, top ? GTK_POS_TOP : GTK_POS_BOTTOM, gapX, gapWidth);
    }
    g.SetForeColor(savedColor);
  }
  SubPane::DrawInto(g);
}
