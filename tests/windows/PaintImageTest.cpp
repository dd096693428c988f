// The packed drawing application (tests/images/graphics/paintapp.c) run as a program of its
// own: its compiled Paint handler draws with every drawing method of the Graphics class and an
// Object2D group; the window read from the screen matches, region by region, the same scene
// drawn here with raw GDK and Pango calls (and, where the scene is the framework's own
// arithmetic, rounded rectangles, thick lines, wrapped and condensed text, the icon and the
// group, the same exports on an off-screen surface). A click changes pen and colour; after a
// resize the new Paint matches too, and the Pixel values the image prints are the colours
// drawn.
#include <gtest/gtest.h>

#include "SpawnedProcess.h"
#include "WindowFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "graphics/Drawable.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

// The scene's state: colour and pen (before and after the click).
struct Look {
  uint32_t color;
  int32_t pen;
};

RuntimeArray* Triangle(std::initializer_list<int32_t> values) {
  RuntimeArray* points = CreateArray(1, kArrayInt32, 6);
  int32_t index = 1;
  for (int32_t value : values) ArraySetElement(points, index++, uint32_t(value));
  return points;
}

RuntimeObject* Shape(ObjectDefinition* (*definition)(), double x, double y, double width,
                     double height) {
  RuntimeObject* shape = NewObjectFromDefinition(definition());
  AsObject2D(shape)->x = x;
  AsObject2D(shape)->y = y;
  reinterpret_cast<RectShapeObject*>(shape)->width = width;
  reinterpret_cast<RectShapeObject*>(shape)->height = height;
  return shape;
}

// The image's scene through the same exports, on an off-screen surface.
qvtest::Screenshot SceneThroughExports(int width, int height, const Look& look) {
  DrawablePane pane({0, 0}, {int16_t(height), int16_t(width)}, 32);
  RuntimeObject* g = NewGraphicsObject(pane.NewGraphics());
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, width, height);
  graphicsForeColorSetter(g, 0, look.color);
  graphicsPenWidthSetter(g, 0, look.pen);
  graphicsPenHeightSetter(g, 0, look.pen);
  RuntimeGraphicsDrawRect(g, 5, 5, 20, 12);
  RuntimeGraphicsFillRect(g, 30, 5, 20, 12);
  RuntimeGraphicsDrawOval(g, 55, 5, 20, 12);
  RuntimeGraphicsFillOval(g, 80, 5, 20, 12);
  RuntimeGraphicsDrawRoundRect(g, 105, 5, 20, 12, 6, 6);
  RuntimeGraphicsFillRoundRect(g, 130, 5, 20, 12, 6, 6);
  RuntimeGraphicsDrawFocusRing(g, 155, 5, 20, 12);
  RuntimeGraphicsDrawLine(g, 5, 25, 60, 40);
  RuntimeGraphicsDrawLine(g, 70, 25, 70, 45);
  RuntimeArray* filled = Triangle({80, 25, 100, 25, 90, 45});
  RuntimeArray* framed = Triangle({105, 25, 125, 25, 115, 45});
  graphicsFillPolygon(g, filled);
  graphicsDrawPolygon(g, framed);
  RuntimeUnlockArray(filled);
  RuntimeUnlockArray(framed);
  graphicsPenWidthSetter(g, 0, 1);
  graphicsPenHeightSetter(g, 0, 1);
  graphicsTextFontSetter(g, 0, string("DejaVu Sans").Storage());
  graphicsTextSizeSetter(g, 0, 12);
  RuntimeGraphicsDrawStringCondensed(g, string("Hello").Storage(), 5, 62, 0, 0);
  graphicsBoldSetter(g, 0, 1);
  RuntimeGraphicsDrawStringCondensed(g, string("Bold").Storage(), 60, 62, 0, 0);
  graphicsBoldSetter(g, 0, 0);
  RuntimeGraphicsDrawStringCondensed(g, string("Wrapped words here").Storage(), 5, 80, 60, 0);
  RuntimeGraphicsDrawStringCondensed(g, string("A long condensed line").Storage(), 100, 80, 60,
                                     1);
  graphicsDrawCautionIcon(g, 190, 25);
  RuntimeObject* group = NewObjectFromDefinition(Group2DClassDefinition());
  RuntimeObject* rect = Shape(RectShapeClassDefinition, 150, 120, 30, 16);
  Object2DSetRotation(rect, 0.3);
  AsObject2D(rect)->border = 1.0;
  AsObject2D(rect)->borderWidth = 2;
  AsObject2D(rect)->fillColor = 0xFFCC00;
  AsObject2D(rect)->borderColor = 0x008000;
  RuntimeObject* oval = Shape(OvalShapeClassDefinition, 200, 120, 20, 20);
  AsObject2D(oval)->fillColor = 0x00CCCC;
  Group2DAppend(group, rect);
  Group2DAppend(group, oval);
  RuntimeGraphicsDrawObjectXY(g, group, 0, 0);
  for (RuntimeObject* shape : {rect, oval, group}) RuntimeUnlockObject(shape);
  graphicsPixelSetter(g, 3, 150, look.color);
  RuntimeGraphicsFillRect(g, width - 15, height - 15, 10, 10);
  gdk_flush();
  const qvtest::Screenshot pixels = qvtest::PixelsOf(pane.GetPixmap(), width, height);
  RuntimeUnlockObject(g);
  return pixels;
}

// What raw GDK and Pango draw of the scene: its plain shapes, thin lines and texts.
qvtest::Screenshot SceneThroughGdk(int width, int height, const Look& look) {
  GdkPixmap* pixmap = gdk_pixmap_new(gdk_get_default_root_window(), width, height, -1);
  GdkGC* gc = gdk_gc_new(pixmap);
  qvtest::SetRawColor(gc, pixmap, 0xFFFFFF);
  gdk_draw_rectangle(pixmap, gc, TRUE, 0, 0, width, height);
  qvtest::SetRawColor(gc, pixmap, look.color);
  gdk_draw_rectangle(pixmap, gc, FALSE, 5, 5, 19, 11);
  gdk_draw_rectangle(pixmap, gc, TRUE, 30, 5, 20, 12);
  if (look.pen > 1) {
    gdk_gc_set_line_attributes(gc, look.pen, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
  }
  gdk_draw_arc(pixmap, gc, FALSE, 55, 5, 19, 11, 0, 360 * 64);
  gdk_gc_set_line_attributes(gc, 0, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
  gdk_draw_arc(pixmap, gc, TRUE, 80, 5, 19, 11, 0, 360 * 64);
  gdk_draw_arc(pixmap, gc, FALSE, 80, 5, 19, 11, 0, 360 * 64);
  GdkPoint ring[5] = {{155, 5}, {174, 5}, {174, 16}, {155, 16}, {155, 5}};
  gdk_gc_set_line_attributes(gc, 1, GDK_LINE_ON_OFF_DASH, GDK_CAP_BUTT, GDK_JOIN_MITER);
  gdk_draw_lines(pixmap, gc, ring, 5);
  gdk_gc_set_line_attributes(gc, 0, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
  if (look.pen == 1) gdk_draw_line(pixmap, gc, 5, 25, 60, 40);
  gdk_draw_rectangle(pixmap, gc, TRUE, 70, 25, look.pen, 20 + look.pen);  // a pen at each y
  GdkPoint filled[3] = {{80, 25}, {100, 25}, {90, 45}};
  GdkPoint framed[3] = {{105, 25}, {125, 25}, {115, 45}};
  gdk_draw_polygon(pixmap, gc, TRUE, filled, 3);
  gdk_draw_polygon(pixmap, gc, FALSE, filled, 3);
  gdk_draw_polygon(pixmap, gc, FALSE, framed, 3);
  gdk_draw_point(pixmap, gc, 3, 150);
  gdk_draw_rectangle(pixmap, gc, TRUE, width - 15, height - 15, 10, 10);
  qvtest::DrawRawText(pixmap, gc, "Hello", 5, 62, false);
  qvtest::DrawRawText(pixmap, gc, "Bold", 60, 62, true);
  gdk_flush();
  const qvtest::Screenshot pixels = qvtest::PixelsOf(pixmap, width, height);
  g_object_unref(gc);
  g_object_unref(pixmap);
  return pixels;
}

class PaintImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  // The window's content, width x height from its top left corner.
  qvtest::Screenshot Content(int width, int height) {
    gui.Settle();
    const qvtest::ScreenArea area = gui.Area(xid);
    return gui.Capture({area.x, area.y, width, height});
  }
  // Compares width x height of the window with both references drawn at that size and look.
  // The screen is read once the Paint that the resize asks for has reached it.
  void ExpectScene(int width, int height, const Look& look) {
    const qvtest::Screenshot exports = SceneThroughExports(width, height, look);
    const qvtest::Screenshot raw = SceneThroughGdk(width, height, look);
    // All but the corner cleared to the window's own background.
    const qvtest::ScreenArea kept[2] = {{0, 0, 220, height}, {220, 20, width - 220, height - 20}};
    qvtest::Screenshot shown;
    gui.PumpUntil([&] {
      shown = Content(width, height);
      return shown.Region(kept[0]).DifferingPixels(exports.Region(kept[0])) == 0;
    });
    for (const qvtest::ScreenArea& area : kept) {
      EXPECT_EQ(shown.Region(area).DifferingPixels(exports.Region(area)), 0)
          << area.x << "," << area.y;
    }
    // Regions whose drawing raw calls make as they are.
    const qvtest::ScreenArea plain[] = {
        {0, 0, 102, 20},  {152, 0, 28, 20}, {66, 22, 62, 26},
        {0, 46, 100, 16}, {0, 145, 10, 10}, {width - 20, height - 20, 20, 20}};
    for (const qvtest::ScreenArea& area : plain) {
      EXPECT_EQ(shown.Region(area).DifferingPixels(raw.Region(area)), 0)
          << area.x << "," << area.y << " " << area.width << "x" << area.height;
    }
    if (look.pen == 1) {
      EXPECT_EQ(shown.Region({0, 22, 66, 24}).DifferingPixels(raw.Region({0, 22, 66, 24})), 0);
    }
    const qvtest::Screenshot corner = shown.Region({220, 0, 20, 20});
    EXPECT_EQ(corner.CountPixels(corner.Pixel(0, 0)), 400) << "one background colour";
    EXPECT_NE(corner.Pixel(0, 0), 0xFFFFFFu);
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(PaintImage, ThePaintHandlersDrawingMatchesRawGdkAfterClicksAndResizes) {
  app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{.program = PAINTAPP_EXE});
  ASSERT_TRUE(app->WaitForOutput("Pixel FF0000 FF0000 size F0 A0\n"))
      << app->Output() << app->Errors();
  xid = gui.WaitForWindow("Paint App");
  ASSERT_NE(xid, 0u);
  ASSERT_TRUE(gui.WaitForFocus(xid));
  ExpectScene(240, 160, {0xFF0000, 1});

  // The click changes the look; the resize paints it. The window's pane keeps the size it was
  // given (the Graphics' Width and Height) until the application sets another.
  const qvtest::ScreenArea area = gui.Area(xid);
  gui.Click(area.x + 200, area.y + 60);
  ASSERT_TRUE(app->WaitForOutput("MouseDown\n")) << app->Output();
  qvtest::RunXTool(gui, {"xdotool", "windowsize", std::to_string(xid), "300", "200"});
  ASSERT_TRUE(app->WaitForOutput("Pixel FF FF size F0 A0\n")) << app->Output() << app->Errors();
  gui.PumpUntil([&] { return gui.Area(xid).width == 300; });
  ExpectScene(240, 160, {0x0000FF, 3});

  qvtest::RunXTool(gui, {"wmctrl", "-c", "Paint App"});
  EXPECT_TRUE(qvtest::ExitedWith(app->Finish(), 0)) << app->Errors();
}

}  // namespace
