#include "PaneFixtures.h"

#include "windows/GtkPlacement.h"

namespace qvtest {

std::string UniqueWindowTitle(const char* stem) {
  static int made = 0;
  return std::string(stem) + " " + std::to_string(++made);
}

namespace {

WindowSpec TestWindowSpec(int width, int height) {
  WindowSpec request;
  request.bounds = MakeRect(0, 0, height, width);
  return request;
}

WindowSpec Titled(WindowSpec request) {
  if (request.title.IsEmpty()) request.title = string(UniqueWindowTitle("Panes").c_str());
  return request;
}

}  // namespace

TestWindow::TestWindow(WindowSpec request) : Window(Titled(request)) {}

TestWindow::TestWindow(int width, int height, bool withMenuBar)
    : Window(Titled(TestWindowSpec(width, height))) {
  if (!withMenuBar) return;
  GtkWidget* menuBar = gtk_menu_bar_new();
  gtk_menu_shell_append(GTK_MENU_SHELL(menuBar), gtk_menu_item_new_with_label("File"));
  gtk_box_pack_start(BarBox(), menuBar, FALSE, TRUE, 0);
  gtk_widget_show_all(menuBar);
  SetMenuBarWidget(menuBar);
}

bool TestWindow::ShowAndSettle(GuiDriver& gui) {
  Show();
  ShowPendingWindows();
  // On screen, as the server says, and at its full size below the bars (the window grows by
  // them once they are measured), so that what is drawn now stays drawn.
  if (!gui.WaitForWindow(TitleText())) return false;
  const GtkAllocation& content = GTK_WIDGET(ContentFixed())->allocation;
  const bool sized = gui.PumpUntil([&] {
    return content.width == Width() && content.height == Height() &&
           (!MenuBarWidget() || MenuBarWidget()->allocation.height > 1);
  });
  gui.Settle();
  return sized;
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
