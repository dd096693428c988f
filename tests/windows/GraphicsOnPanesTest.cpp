// The Graphics class drawing on panes of a real window (below a menu bar, in the window's GDK
// window and in one of its own), read back from the screen beside the same drawing made with
// raw GDK and Pango on a pixmap that starts from the pane's own background.
#include <gtest/gtest.h>

#include <vector>

#include "WindowFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "support/Screenshot.h"
#include "windows/GtkPlacement.h"

namespace {

using qvtest::MakeRect;
using qvtest::PaneWidget;
using qvtest::TestPane;

constexpr int kPaneWidth = 100;
constexpr int kPaneHeight = 40;

class GraphicsOnPanes : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::TestWindow(320, 240, true);
    inWindow = new TestPane(window, MakeRect(20, 30, 60, 130), PaneWidget::kDrawsInWindow);
    ownWindow = new TestPane(window, MakeRect(150, 30, 190, 130), PaneWidget::kOwnWindow);
    ASSERT_TRUE(window->ShowAndSettle(gui));
    gdk_window_process_all_updates();
    offset = WindowContentTopOffset(window);
  }
  void TearDown() override {
    if (window) window->Release();
  }

  // Draws through the class's exports on pane, and the same with raw calls on a pixmap holding
  // what the pane showed after its clear; the two read back alike.
  void ExpectDrawingMatches(TestPane* pane, GdkDrawable* drawable, int x, int y) {
    RuntimeObject* g = NewGraphicsObject(pane->NewGraphics());
    graphicsTextFontSetter(g, 0, string("DejaVu Sans").Storage());
    graphicsTextSizeSetter(g, 0, 12);
    RuntimeGraphicsClearRect(g, 0, 0, kPaneWidth, kPaneHeight);
    gdk_flush();
    GdkPixmap* raw = gdk_pixmap_new(drawable, kPaneWidth, kPaneHeight, -1);
    GdkGC* gc = gdk_gc_new(raw);
    gdk_draw_drawable(raw, gc, drawable, x, y, 0, 0, kPaneWidth, kPaneHeight);

    graphicsForeColorSetter(g, 0, 0xFF0000);
    RuntimeGraphicsFillRect(g, 2, 3, 10, 6);
    qvtest::SetRawColor(gc, raw, 0xFF0000);
    gdk_draw_rectangle(raw, gc, TRUE, 2, 3, 10, 6);

    RuntimeGraphicsDrawLine(g, 60, 5, 95, 12);
    gdk_draw_line(raw, gc, 60, 5, 95, 12);
    graphicsPenWidthSetter(g, 0, 3);
    RuntimeGraphicsDrawLine(g, 60, 30, 70, 30);  // eleven 3 x 1 rectangles
    gdk_draw_rectangle(raw, gc, TRUE, 60, 30, 13, 1);
    graphicsPenWidthSetter(g, 0, 1);

    RuntimeArray* points = CreateArray(1, kArrayInt32, 6);
    const int32_t corners[7] = {0, 20, 12, 40, 12, 30, 35};
    for (int32_t i = 0; i < 7; ++i) ArraySetElement(points, i, uint32_t(corners[i]));
    graphicsForeColorSetter(g, 0, 0x0000FF);
    graphicsFillPolygon(g, points);
    RuntimeUnlockArray(points);
    GdkPoint triangle[3] = {{20, 12}, {40, 12}, {30, 35}};
    qvtest::SetRawColor(gc, raw, 0x0000FF);
    gdk_draw_polygon(raw, gc, TRUE, triangle, 3);
    gdk_draw_polygon(raw, gc, FALSE, triangle, 3);

    RuntimeObject* rect = NewObjectFromDefinition(RectShapeClassDefinition());
    Object2DObject& shape = *AsObject2D(rect);
    shape.x = 80;
    shape.y = 22;
    shape.fillColor = 0x008000;
    reinterpret_cast<RectShapeObject*>(rect)->width = 20;
    reinterpret_cast<RectShapeObject*>(rect)->height = 10;
    RuntimeGraphicsDrawObject(g, rect);
    RuntimeUnlockObject(rect);
    GdkPoint box[4] = {{90, 27}, {70, 27}, {70, 17}, {90, 17}};
    qvtest::SetRawColor(gc, raw, 0x008000);
    gdk_draw_polygon(raw, gc, TRUE, box, 4);
    gdk_draw_polygon(raw, gc, FALSE, box, 4);

    graphicsForeColorSetter(g, 0, 0x000000);
    RuntimeGraphicsDrawStringCondensed(g, string("Hi").Storage(), 45, 36, 0, 0);
    qvtest::SetRawColor(gc, raw, 0x000000);
    qvtest::DrawRawText(raw, gc, "Hi", 45, 36, false);

    gdk_flush();
    const qvtest::Screenshot drawn = qvtest::PixelsOf(drawable, kPaneWidth, kPaneHeight, x, y);
    const qvtest::Screenshot expected = qvtest::PixelsOf(raw, kPaneWidth, kPaneHeight);
    EXPECT_EQ(drawn.DifferingPixels(expected), 0);
    EXPECT_EQ(drawn.Pixel(5, 5), 0xFF0000u);
    EXPECT_GT(drawn.CountPixels(0xFF0000), 60 + 13 + 30) << "the rectangle and lines";
    EXPECT_GT(drawn.Region({44, 22, 20, 16}).CountPixels(0x000000, 96), 5) << "the text";
    EXPECT_EQ(graphicsPixelGetter(g, 30, 20), 0x0000FFu);
    EXPECT_EQ(graphicsWidthGetter(g, 0), kPaneWidth);

    g_object_unref(gc);
    g_object_unref(raw);
    RuntimeUnlockObject(g);
  }

  qvtest::GuiDriver gui;
  qvtest::TestWindow* window = nullptr;
  TestPane* inWindow = nullptr;
  TestPane* ownWindow = nullptr;
  int offset = 0;
};

TEST_F(GraphicsOnPanes, APaneInTheWindowsGdkWindowDrawsBelowTheBarsAtItsPlace) {
  ASSERT_GT(offset, 0);
  ExpectDrawingMatches(inWindow, window->TopGdkWindow(), 30, 20 + offset);
}

TEST_F(GraphicsOnPanes, APaneWithAGdkWindowOfItsOwnDrawsFromItsCorner) {
  ExpectDrawingMatches(ownWindow, ownWindow->GetGdkWindow(), 0, 0);
}

}  // namespace
