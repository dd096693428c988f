// The packed canvas-and-panels application run as a program: its canvas's compiled Paint
// handler against the same figure drawn with plain GDK and Pango, a real click on the tab
// "Two" (placed where an identical notebook of this process puts it), the shapes of the pages
// appearing and disappearing, and a drag that the canvas's MouseDown takes.
#include <gtest/gtest.h>

#include <memory>

#include "ImageAppTest.h"

namespace {

constexpr int kCanvasLeft = 10, kCanvasTop = 10, kCanvasWidth = 120, kCanvasHeight = 100;
constexpr int kTabsLeft = 150, kTabsTop = 10, kTabsWidth = 230, kTabsHeight = 150;
const qvtest::ScreenArea kOval{170, 60, 60, 40};
const qvtest::ScreenArea kBox{250, 60, 60, 40};
constexpr uint32_t kOvalFill = 0x00A000;
constexpr uint32_t kBoxFill = 0x0000C0;

// The canvas's figure, as a GTK program draws it.
gboolean DrawReference(GtkWidget* area, GdkEventExpose*, gpointer) {
  GdkDrawable* drawable = area->window;
  GdkGC* gc = gdk_gc_new(drawable);
  GdkColor red = {0, 0xFFFF, 0, 0}, blue = {0, 0, 0, 0xFFFF}, black = {0, 0, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &red);
  gdk_draw_rectangle(drawable, gc, TRUE, 0, 0, 40, 30);
  gdk_gc_set_rgb_fg_color(gc, &blue);
  gdk_draw_rectangle(drawable, gc, FALSE, 50, 0, 39, 29);
  gdk_gc_set_rgb_fg_color(gc, &black);
  gdk_draw_line(drawable, gc, 0, 40, 100, 90);
  gdk_draw_line(drawable, gc, 0, 90, 100, 40);
  PangoLayout* layout = gtk_widget_create_pango_layout(area, "Hi");
  gdk_draw_layout(drawable, gc, 10, 70 - pango_layout_get_baseline(layout) / PANGO_SCALE,
                  layout);
  g_object_unref(layout);
  g_object_unref(gc);
  return TRUE;
}

class CanvasImage : public qvtest::ImageAppTest {
 protected:
  void SetUp() override {
    Start({.program = CANVASAPP_EXE}, "Canvas and panels", "Ready\n");
    if (IsSkipped() || HasFatalFailure()) return;
    // The application paints in its own time: until its canvas and oval show, nothing counts.
    ASSERT_TRUE(gui.PumpUntil([&] {
      return Content({kCanvasLeft, kCanvasTop, 1, 1}).Pixel(0, 0) == 0xFF0000 &&
             Content({kOval.CenterX(), kOval.CenterY(), 1, 1}).Pixel(0, 0) == kOvalFill;
    }));
  }
  void TearDown() override {
    if (reference) gtk_widget_destroy(reference);
  }
  qvtest::Screenshot Content(const qvtest::ScreenArea& part) {
    const qvtest::ScreenArea area = gui.Area(xid);
    return gui.Capture({area.x + part.x, area.y + part.y, part.width, part.height});
  }
  // A window of this process showing the figure and a notebook like the application's.
  GtkWidget* ShowReference() {
    reference = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(reference), "Reference");
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(reference), fixed);
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, kCanvasWidth, kCanvasHeight);
    g_signal_connect(area, "expose-event", G_CALLBACK(DrawReference), nullptr);
    gtk_fixed_put(GTK_FIXED(fixed), area, 0, 0);
    notebook = gtk_notebook_new();
    gtk_widget_set_size_request(notebook, kTabsWidth, kTabsHeight);
    for (const char* caption : {"One", "Two", "Three"}) {
      gtk_notebook_append_page(GTK_NOTEBOOK(notebook), gtk_fixed_new(), gtk_label_new(caption));
    }
    gtk_fixed_put(GTK_FIXED(fixed), notebook, kCanvasWidth + 10, 0);
    gtk_widget_show_all(reference);
    const qvtest::XWindow window = gui.WaitForWindow("Reference");
    EXPECT_NE(window, 0u);
    EXPECT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_MAPPED(area); }));
    gui.Settle();
    return area;
  }

  GtkWidget* reference = nullptr;
  GtkWidget* notebook = nullptr;
};

TEST_F(CanvasImage, PaintTabsShapesAndADragRunTheCompiledHandlers) {
  const qvtest::Screenshot canvas =
      Content({kCanvasLeft, kCanvasTop, kCanvasWidth, kCanvasHeight});
  const uint32_t background = Content({390, 290, 1, 1}).Pixel(0, 0);
  const qvtest::Screenshot ovalBefore = Content(kOval);
  const qvtest::Screenshot boxBefore = Content(kBox);

  GtkWidget* area = ShowReference();
  const qvtest::Screenshot drawn = gui.Capture(gui.Area(area));
  // Fill, frame and lines pixel for pixel; the string where the glyphs fall.
  EXPECT_EQ(canvas.Region({0, 0, 100, 60}).DifferingPixels(drawn.Region({0, 0, 100, 60})), 0);
  EXPECT_EQ(canvas.Region({30, 60, 90, 40}).DifferingPixels(drawn.Region({30, 60, 90, 40})), 0);
  const qvtest::Screenshot text = canvas.Region({8, 55, 22, 20});
  const qvtest::Screenshot referenceText = drawn.Region({8, 55, 22, 20});
  EXPECT_GT(text.CountPixels(0x000000, 96), 0);
  EXPECT_LT(text.DifferingPixels(referenceText, 96), 20);

  // The click lands on the middle of "Two" as this process's notebook lays it out.
  GtkNotebook* book = GTK_NOTEBOOK(notebook);
  GtkWidget* two = gtk_notebook_get_tab_label(book, gtk_notebook_get_nth_page(book, 1));
  const int tabX = two->allocation.x - notebook->allocation.x + two->allocation.width / 2;
  const int tabY = two->allocation.y - notebook->allocation.y + two->allocation.height / 2;
  gtk_widget_destroy(reference);
  reference = nullptr;
  gui.Settle();
  const std::vector<std::string> tab = At(kTabsLeft + tabX, kTabsTop + tabY);
  XDoTool({"mousemove", tab[0], tab[1], "click", "1"});
  ASSERT_TRUE(app->WaitForOutput("Value 1\n")) << app->Output() << app->Errors();
  EXPECT_TRUE(gui.PumpUntil([&] {
    return Content({kBox.CenterX(), kBox.CenterY(), 1, 1}).Pixel(0, 0) == kBoxFill &&
           Content(kOval).CountPixels(background) == kOval.width * kOval.height;
  }));
  const qvtest::Screenshot ovalAfter = Content(kOval);
  const qvtest::Screenshot boxAfter = Content(kBox);
  EXPECT_GT(ovalBefore.DifferingPixels(ovalAfter), 0);
  EXPECT_EQ(ovalAfter.CountPixels(background), kOval.width * kOval.height);
  EXPECT_EQ(boxBefore.CountPixels(background), kBox.width * kBox.height);
  EXPECT_LT(boxAfter.CountPixels(background), kBox.width * kBox.height);

  // A drag on the canvas, each step seen before the next.
  const std::vector<std::string> from = At(kCanvasLeft + 10, kCanvasTop + 10);
  const std::vector<std::string> to = At(kCanvasLeft + 50, kCanvasTop + 40);
  XDoTool({"mousemove", from[0], from[1], "mousedown", "1"});
  ASSERT_TRUE(app->WaitForOutput("MouseDown 10 10\n")) << app->Output();
  XDoTool({"mousemove", to[0], to[1]});
  ASSERT_TRUE(app->WaitForOutput("MouseDrag 50 40\n")) << app->Output();
  XDoTool({"mouseup", "1"});
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  const std::string output = app->Output();
  EXPECT_EQ(output.rfind("MouseUp 50 40\n"), output.size() - 14) << output;
  EXPECT_EQ(output.find("Value"), output.rfind("Value")) << output;
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
