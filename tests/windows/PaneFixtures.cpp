#include "PaneFixtures.h"

#include "windows/GtkPlacement.h"

namespace qvtest {

TestWindowPane::TestWindowPane(int width, int height, bool withMenuBar)
    : WindowPane(MakeRect(0, 0, int16_t(height), int16_t(width))) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  static int made = 0;
  mTitle = "Panes " + std::to_string(++made);
  gtk_window_set_title(GTK_WINDOW(window), mTitle.c_str());
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window), box);
  if (withMenuBar) {
    GtkWidget* menuBar = gtk_menu_bar_new();
    gtk_menu_shell_append(GTK_MENU_SHELL(menuBar), gtk_menu_item_new_with_label("File"));
    gtk_box_pack_start(GTK_BOX(box), menuBar, FALSE, TRUE, 0);
    SetMenuBarWidget(menuBar);
  }
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, width, height);
  gtk_box_pack_end(GTK_BOX(box), fixed, TRUE, TRUE, 0);
  SetWindowWidgets(GTK_WINDOW(window), GTK_FIXED(fixed));
}

bool TestWindowPane::ShowAndSettle(GuiDriver& gui) {
  gtk_widget_show_all(GTK_WIDGET(GetGtkWindow()));
  // On screen, as the server says, so that what is drawn now stays drawn.
  if (!gui.WaitForWindow(mTitle)) return false;
  gui.Settle();
  return GTK_WIDGET(ContentFixed())->allocation.width > 1 &&
         (!MenuBarWidget() || MenuBarWidget()->allocation.height > 1);
}

TestPane::TestPane(SubPane* parent, const QV::Rect& bounds, PaneWidget widget,
                   int32_t panelIndex, const char* name, PaneLog* log)
    : ContainerPane(parent, panelIndex, bounds), mName(name), mLog(log) {
  if (widget == PaneWidget::kNone) return;
  SetWidget(widget == PaneWidget::kOwnWindow ? gtk_drawing_area_new() : gtk_fixed_new());
  if (GetWindow()) PutPaneInFixed(this, IsVisibleAndShown());
}

TestPane::~TestPane() {
  if (destroyed) *destroyed = true;
}

void TestPane::Note(const std::string& event) {
  if (mLog) mLog->push_back(mName + ":" + event);
}

void TestPane::Draw(Graphics& g) {
  Note("draw " + RectText(GetBounds()) + " clip " + (g.HasClip() ? RectText(g.ClipRect()) : "-"));
  if (fill < 0) return;
  g.SetForeColor(ColorFromRGB(uint32_t(fill)));
  g.FillRect(GetBounds());
}

void TestPane::DrawFocusGained() { Note("gained"); }
void TestPane::DrawFocusLost() { Note("lost"); }
void TestPane::DrawFocusSetUp() { Note("setup"); }
void TestPane::FocusLost() { Note("focus lost"); }

bool TestPane::ApplyStateCode(int32_t code) {
  Note("state " + std::to_string(code));
  return ContainerPane::ApplyStateCode(code);
}

namespace {

uint32_t FakeLocks(RuntimeObject* control) { return reinterpret_cast<FakeControl*>(control)->locks; }
void FakeStoreBounds(RuntimeObject* control, const QV::Rect& bounds) {
  reinterpret_cast<FakeControl*>(control)->bounds = bounds;
}

}  // namespace

FakeControlAccess::FakeControlAccess() {
  mPrevious = SetRunControlAccess({&FakeLocks, &FakeStoreBounds});
}

FakeControlAccess::~FakeControlAccess() { SetRunControlAccess(mPrevious); }

QV::Rect MakeRect(int top, int left, int bottom, int right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

std::string RectText(const QV::Rect& rect) {
  return std::to_string(rect.top) + "," + std::to_string(rect.left) + "," +
         std::to_string(rect.bottom) + "," + std::to_string(rect.right);
}

std::string FixedPosition(GtkWidget* widget) {
  gint x = -1, y = -1;
  gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(widget)), widget, "x", &x, "y", &y,
                          nullptr);
  return std::to_string(x) + "," + std::to_string(y);
}

}  // namespace qvtest
