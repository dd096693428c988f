// Ovals, rectangles and rounded rectangles on a real display: what each draws, read back
// beside the same figure drawn with plain GDK over the window's own background; their pane
// accessors; and clicks worked with real input, which a disabled shape or a MouseDown handler
// answering False passes to the control behind.
#include <gtest/gtest.h>

#include <cstdlib>

#include "SimpleControlFixtures.h"
#include "controls/PaneAccessors.h"
#include "controls/ShapeControls.h"
#include "controls/ShapePanes.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeControl.h"
#include "support/TestSupport.h"
#include "windows/WindowControls.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::ContentPixels;

class ShapeControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Shapes", {}, &xid);
    ovalClass = qvtest::MouseLoggingSubclass("Oval", "KitOval");
    rectClass = qvtest::MouseLoggingSubclass("Rectangle", "KitRect");
    roundClass = qvtest::MouseLoggingSubclass("RoundRectangle", "KitRoundRect");
    pixels = std::make_unique<ContentPixels>(window);
  }

  RuntimeObject* AddRect(const std::string& name, const QV::Rect& r, int16_t width) {
    return qvtest::AddControl(window, rectClass, name, r, [&](RuntimeObject* o) {
      auto* rect = reinterpret_cast<RectangleObject*>(o);
      rect->fillColor = 0x3060C0;
      rect->topLeftColor = 0xFFFF00;
      rect->bottomRightColor = 0x800000;
      rect->borderWidth = width;
    });
  }

  // The bevel as GDK lines over the background, the fill inset by the border.
  GdkPixmap* RectReference(GdkPixmap* background, const QV::Rect& r, int w) {
    GdkPixmap* ref = pixels->Duplicate(background);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    gdk_draw_rectangle(ref, pixels->Gc(ref, 0x3060C0), TRUE, w, w, width - 2 * w,
                       height - 2 * w);
    for (int i = 0; i < w; ++i) {
      GdkGC* gc = pixels->Gc(ref, 0xFFFF00);
      gdk_draw_line(ref, gc, i, height - i - 1, i, i);
      gdk_draw_line(ref, gc, i, i, width - i - 1, i);
    }
    for (int i = 0; i < w; ++i) {
      GdkGC* gc = pixels->Gc(ref, 0x800000);
      gdk_draw_line(ref, gc, i + 1, height - i - 1, width - i - 1, height - i - 1);
      gdk_draw_line(ref, gc, width - i - 1, height - i - 1, width - i - 1, i + 1);
    }
    return ref;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* ovalClass = nullptr;
  RuntimeClass* rectClass = nullptr;
  RuntimeClass* roundClass = nullptr;
  std::unique_ptr<ContentPixels> pixels;
};

TEST_F(ShapeControlsTest, AnOvalFillsItsBoundsAndFramesThemWithAPenAsWideAsItsBorder) {
  const QV::Rect r = {20, 20, 70, 110};
  GdkPixmap* background = pixels->CopyArea(r);
  for (int16_t width : {3, -3, 0}) {
    SCOPED_TRACE(width);
    GdkPixmap* ref = pixels->Duplicate(background);
    RuntimeObject* oval = qvtest::AddControl(window, ovalClass, "Oval", r, [&](RuntimeObject* o) {
      auto* record = reinterpret_cast<OvalObject*>(o);
      record->fillColor = 0x20A040;
      record->borderColor = 0x400080;
      record->borderWidth = width;
    });
    ASSERT_NE(oval, nullptr);
    gdk_draw_arc(ref, pixels->Gc(ref, 0x20A040), TRUE, 0, 0, 89, 49, 0, 360 * 64);
    gdk_draw_arc(ref, pixels->Gc(ref, 0x20A040), FALSE, 0, 0, 89, 49, 0, 360 * 64);
    if (width != 0) {
      GdkGC* gc = pixels->Gc(ref, 0x400080);
      gdk_gc_set_line_attributes(gc, std::abs(width), GDK_LINE_SOLID, GDK_CAP_BUTT,
                                 GDK_JOIN_MITER);
      gdk_draw_arc(ref, gc, FALSE, 0, 0, 89, 49, 0, 360 * 64);
    }
    EXPECT_TRUE(pixels->WaitUntilShows(gui, r, ref));
    g_object_unref(ref);
    ControlClose(oval);
  }
  g_object_unref(background);
}

TEST_F(ShapeControlsTest, ARectangleIsABevelOfItsBorderWidthAroundAnInsetFill) {
  const QV::Rect r = {20, 20, 60, 100};
  GdkPixmap* background = pixels->CopyArea(r);
  for (int16_t width : {2, -2, 0}) {
    SCOPED_TRACE(width);
    GdkPixmap* ref = RectReference(background, r, std::abs(width));
    RuntimeObject* rect = AddRect("Rect", r, width);
    ASSERT_NE(rect, nullptr);
    EXPECT_TRUE(pixels->WaitUntilShows(gui, r, ref));
    g_object_unref(ref);
    ControlClose(rect);
  }
  g_object_unref(background);
}

TEST_F(ShapeControlsTest, ARoundRectangleFillsInsideRoundCornersAndFramesInItsBorderColour) {
  const QV::Rect r = {20, 20, 80, 120};
  const qvtest::Screenshot background = pixels->Read(r);
  RuntimeObject* round = qvtest::AddControl(window, roundClass, "Round", r, [](RuntimeObject* o) {
    auto* record = reinterpret_cast<RoundRectangleObject*>(o);
    record->fillColor = 0xC08000;
    record->borderColor = 0x0000FF;
    record->borderWidth = 2;
    record->ovalWidth = 30;
    record->ovalHeight = 30;
  });
  ASSERT_NE(round, nullptr);
  ASSERT_TRUE(gui.PumpUntil([&] { return pixels->Read(r).Pixel(50, 30) == 0xC08000u; }));
  const qvtest::Screenshot shot = pixels->Read(r);
  EXPECT_EQ(shot.Pixel(1, 1), background.Pixel(1, 1)) << "the corner stays background";
  EXPECT_EQ(shot.Pixel(50, 0), 0x0000FFu) << "the top edge is the border";
  EXPECT_EQ(shot.Pixel(0, 30), 0x0000FFu) << "the left edge is the border";
  EXPECT_GT(shot.CountPixels(0xC08000), 3000);
  // The pane accessors reach the pane's copy and redraw it.
  const uint32_t fillWord = PaneAccessorWord(offsetof(RoundRectangleObject, fillColor), 0);
  paneIntSetter(round, fillWord, 0x00C0C0);
  EXPECT_EQ(paneIntGetter(round, fillWord), 0x00C0C0);
  EXPECT_EQ(static_cast<EditRoundRect*>(AsControl(round)->pane)->fillColor, 0x00C0C0u);
  EXPECT_TRUE(gui.PumpUntil([&] { return pixels->Read(r).Pixel(50, 30) == 0x00C0C0u; }));
}

TEST_F(ShapeControlsTest, PropertiesSetWithoutAPaneAreKeptForTheNextOne) {
  RuntimeObject* oval = RuntimeNewObject(ovalClass);
  const uint32_t widthWord = PaneAccessorWord(offsetof(OvalObject, borderWidth), 2);
  paneShortSetter(oval, widthWord, -7);
  EXPECT_EQ(paneShortGetter(oval, widthWord), -7);
  AsControl(oval)->bounds = {20, 20, 60, 60};
  AsControl(oval)->visible = AsControl(oval)->enabled = 1;
  WindowAddControl(window, string("Late").Storage(), oval);
  ASSERT_NE(AsControl(oval)->pane, nullptr);
  EXPECT_EQ(static_cast<EditOval*>(AsControl(oval)->pane)->borderWidth, -7);
  paneShortSetter(oval, widthWord, 4);
  EXPECT_EQ(reinterpret_cast<OvalObject*>(oval)->borderWidth, 4);
  EXPECT_EQ(paneShortGetter(oval, widthWord), 4);
  RuntimeUnlockObject(oval);
}

// Behind: a rectangle whose MouseDown always logs; in front: an oval over part of it.
TEST_F(ShapeControlsTest, AClickTheFrontShapeDoesNotTakeReachesTheShapeBehind) {
  ASSERT_NE(AddRect("Behind", {20, 20, 120, 200}, 0), nullptr);
  RuntimeObject* front = qvtest::AddControl(window, ovalClass, "Front", {40, 40, 100, 160});
  ASSERT_NE(front, nullptr);
  const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, 100, 70);
  kit.Take();

  gui.Click(p.x, p.y);  // the front's handler answers False
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Front.MouseDown(60,30)", "Behind.MouseDown(80,50)"}));

  controlEnabledSetter(front, 0, 0);  // a disabled shape takes no clicks
  gui.Click(p.x, p.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Behind.MouseDown(80,50)"}));

  controlEnabledSetter(front, 0, 1);
  kit.mouseDownTakes = true;  // the front takes the press: the drag and release follow it
  gui.Drag(p.x, p.y, p.x + 10, p.y + 5);
  ASSERT_TRUE(gui.PumpUntil([&] {
    return !kit.log.empty() && kit.log.back().rfind("Front.MouseUp", 0) == 0;
  }));
  const Log log = kit.Take();
  EXPECT_EQ(log.front(), "Front.MouseDown(60,30)");
  EXPECT_EQ(log.back(), "Front.MouseUp(70,35)");
  for (const std::string& entry : log) EXPECT_NE(entry.rfind("Behind", 0), 0u);
}

TEST_F(ShapeControlsTest, AMouseDownHandlerMayCloseTheShapeItRunsFor) {
  RuntimeObject* oval = qvtest::AddControl(window, ovalClass, "Oval", {40, 40, 100, 160});
  ASSERT_NE(oval, nullptr);
  kit.script = [](const std::string& event, RuntimeObject* control) {
    if (event.rfind("Oval.MouseDown", 0) == 0) ControlClose(control);
  };
  const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, 100, 70);
  gui.Click(p.x, p.y);
  // The click's arrival is what is waited for: the control may leave the window's map sooner.
  Log seen;
  ASSERT_TRUE(gui.PumpUntil([&] {
    for (std::string& entry : kit.Take()) seen.push_back(std::move(entry));
    return !seen.empty();
  }));
  gui.Settle();
  for (std::string& entry : kit.Take()) seen.push_back(std::move(entry));
  EXPECT_EQ(seen, (Log{"Oval.MouseDown(60,30)"}));
  EXPECT_EQ(kit.Control(window, "Oval"), nullptr);
  kit.script = nullptr;
}

}  // namespace
