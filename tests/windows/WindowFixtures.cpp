#include "WindowFixtures.h"

#include "graphics/PangoFonts.h"
#include "support/TestSupport.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"

namespace qvtest {

namespace {

WindowSpec WithSomeSize(WindowSpec request) {
  if (RectEqual(request.bounds, QV::Rect{})) request.bounds = MakeRect(0, 0, 240, 320);
  return request;
}

}  // namespace

LoggingWindow::LoggingWindow(PaneLog* log, WindowSpec request)
    : TestWindow(WithSomeSize(request)), mLog(log) {}

LoggingWindow::~LoggingWindow() {
  if (destroyed) ++*destroyed;
}

// The pointer goes to the screen's far corner first: where an earlier test left it, the new
// window could open under it and log an enter that the test did not cause.
bool LoggingWindow::OpenAndFocus(GuiDriver& gui) {
  gui.MoveTo(gdk_screen_width() - 1, gdk_screen_height() - 1);
  if (!ShowAndSettle(gui)) return false;
  mXId = gui.FindWindow(TitleText());
  gtk_window_present(GetGtkWindow());
  return gui.WaitForFocus(mXId) && gui.PumpUntil([&] { return IsActive(); });
}

void LoggingWindow::Note(const std::string& event) {
  if (mLog) mLog->push_back("window:" + event);
}

bool LoggingWindow::CloseBoxClicked() {
  Note("close box");
  return keepOnClose;
}

bool LoggingWindow::ContextualClick(int32_t x, int32_t y) {
  Note("contextual " + std::to_string(x) + "," + std::to_string(y));
  return true;
}

bool LoggingWindow::HandleChar(int32_t character, int32_t, int32_t) {
  Note("char " + std::to_string(character));
  if (closeOnChar) Close();
  return closeOnChar;
}

void LoggingWindow::Minimized() {
  Note("minimized");
  TestWindow::Minimized();
}

void LoggingWindow::Maximized() {
  Note("maximized");
  TestWindow::Maximized();
}

void LoggingWindow::Restored() {
  Note("restored");
  TestWindow::Restored();
}

InputPane::InputPane(SubPane* parent, const QV::Rect& bounds, const char* name, PaneLog* log,
                     InputWidget widget)
    : ContainerPane(parent, 0, bounds), mName(name), mLog(log) {
  GtkWidget* made = nullptr;
  switch (widget) {
    case InputWidget::kNone:
      return;
    case InputWidget::kEntry:
      made = gtk_entry_new();
      break;
    case InputWidget::kTextView:
      made = gtk_scrolled_window_new(nullptr, nullptr);
      gtk_container_add(GTK_CONTAINER(made), gtk_text_view_new());
      gtk_widget_show_all(made);
      break;
    case InputWidget::kFocusable:
      made = gtk_drawing_area_new();
      GTK_WIDGET_SET_FLAGS(made, GTK_CAN_FOCUS);
      gtk_widget_add_events(made, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
      break;
  }
  SetWidget(made);
  ConnectPaneInputHandlers(this, made);
  PutPaneInFixed(this, true);
}

GtkWidget* InputPane::Editable() {
  GtkWidget* widget = GetWidget();
  return GTK_IS_SCROLLED_WINDOW(widget) ? gtk_bin_get_child(GTK_BIN(widget)) : widget;
}

void InputPane::Note(const std::string& event) {
  if (mLog) mLog->push_back(mName + ":" + event);
}

bool InputPane::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  lastModifiers = modifiers;
  Note("down " + std::to_string(x) + "," + std::to_string(y));
  return takesClicks;
}

bool InputPane::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  Note("click children " + std::to_string(x) + "," + std::to_string(y));
  return ContainerPane::ClickChildren(x, y, modifiers);
}

void InputPane::MouseMove(int32_t x, int32_t y) {
  Note("move " + std::to_string(x) + "," + std::to_string(y));
  ContainerPane::MouseMove(x, y);
}

void InputPane::MouseDrag(int32_t x, int32_t y) {
  Note("drag " + std::to_string(x) + "," + std::to_string(y));
}

void InputPane::MouseUp(int32_t x, int32_t y) {
  Note("up " + std::to_string(x) + "," + std::to_string(y));
}

bool InputPane::ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) {
  Note("wheel " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(deltaX) +
       "," + std::to_string(deltaY));
  return takesWheel;
}

bool InputPane::HandleChar(int32_t character, int32_t, int32_t) {
  Note("char " + std::to_string(character));
  return takesKeys;
}

std::string XProperty(XWindow window, const char* name) {
  const std::string text = ProgramOutput({"xprop", "-id", std::to_string(window), name});
  return text.find("not found") == std::string::npos ? text : "";
}

void RunXTool(GuiDriver& gui, const std::vector<std::string>& argv) {
  if (!argv.empty() && argv[0] == "xdotool") {
    gui.XDoTool(std::vector<std::string>(argv.begin() + 1, argv.end()));
    return;
  }
  std::string output;
  EXPECT_EQ(RunProgram(argv, &output), 0) << argv[0] << ": " << output;
  gui.Settle();
}

void SetRawColor(GdkGC* gc, GdkDrawable* drawable, uint32_t rgb) {
  GdkColor color = {0, guint16((rgb >> 16 & 0xFF) * 257), guint16((rgb >> 8 & 0xFF) * 257),
                    guint16((rgb & 0xFF) * 257)};
  gdk_colormap_alloc_color(gdk_drawable_get_colormap(drawable), &color, FALSE, TRUE);
  gdk_gc_set_foreground(gc, &color);
}

void DrawRawText(GdkDrawable* drawable, GdkGC* gc, const char* text, int x, int y, bool bold) {
  FontSpec font;
  font.name = string("DejaVu Sans");
  font.size = 12;
  font.bold = bold;
  PangoFontDescription* description = MakePangoFontDescription(font);
  PangoContext* context = gdk_pango_context_get();
  PangoFont* loaded = pango_context_load_font(context, description);
  PangoFontMetrics* metrics = pango_font_get_metrics(loaded, nullptr);
  const int ascent = (pango_font_metrics_get_ascent(metrics) + 512) / 1024;
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, text, -1);
  gdk_draw_layout(drawable, gc, x, y - ascent, layout);
  g_object_unref(layout);
  pango_font_metrics_unref(metrics);
  g_object_unref(loaded);
  g_object_unref(context);
  pango_font_description_free(description);
}

}  // namespace qvtest
