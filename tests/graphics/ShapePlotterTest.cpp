// The shape plotter: what it asks of a Graphics (recorded), and what that gives on pixels.
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "GraphicsFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/ShapePlotter.h"

namespace {

using qvtest::MakeRect;

constexpr double kPi = 3.141592653589793;

RuntimeObject* NewShape(ObjectDefinition* (*definition)(), double x, double y) {
  RuntimeObject* shape = NewObjectFromDefinition(definition());
  AsObject2D(shape)->x = x;
  AsObject2D(shape)->y = y;
  return shape;
}

RectShapeObject& AsRect(RuntimeObject* shape) {
  return *reinterpret_cast<RectShapeObject*>(shape);
}

size_t CountStarting(const std::vector<std::string>& calls, const std::string& prefix) {
  size_t count = 0;
  for (const std::string& call : calls) count += call.rfind(prefix, 0) == 0;
  return count;
}

// A pane at (100, 50): lines and text move onto it, polygons are handed over pane-relative.
class ShapePlotterCalls : public testing::Test {
 protected:
  qvtest::FakeTarget target{MakeRect(50, 100, 250, 300)};
  qvtest::RecordingGraphics g{&target};
};

TEST_F(ShapePlotterCalls, APartShowsFromHalfItsOpacityInItsOwnColour) {
  RuntimeObject* rect = NewShape(RectShapeClassDefinition, 30, 20);
  AsRect(rect).width = 20;
  AsRect(rect).height = 10;
  AsObject2D(rect)->fillColor = 0x112233;
  g.withColor = true;
  AsObject2D(rect)->fill = 0.4;
  ShapePlotter(g).Plot(rect);
  EXPECT_TRUE(g.calls.empty());
  AsObject2D(rect)->fill = 0.5;
  ShapePlotter(g).Plot(rect);
  EXPECT_EQ(g.calls, std::vector<std::string>{"polygon fill 4: 40,25 20,25 20,15 40,15 #112233"});

  // A context that draws partial opacity is given the faint parts too, the empty border as well.
  g.calls.clear();
  g.translucent = true;
  AsObject2D(rect)->fill = 0.1;
  ShapePlotter(g).Plot(rect);
  EXPECT_EQ(CountStarting(g.calls, "polygon fill"), 1u);
  EXPECT_EQ(CountStarting(g.calls, "line"), 4u);
  RuntimeUnlockObject(rect);
}

TEST_F(ShapePlotterCalls, ABorderOfOnePixelIsLinesAndAThickerOneIsARing) {
  RuntimeObject* rect = NewShape(RectShapeClassDefinition, 30, 20);
  AsRect(rect).width = 20;
  AsRect(rect).height = 10;
  AsObject2D(rect)->fill = 0;
  AsObject2D(rect)->border = 1.0;
  ShapePlotter(g).Plot(rect);
  EXPECT_EQ(g.calls, (std::vector<std::string>{"line 140,65-140,75", "line 140,75-120,75",
                                               "line 120,75-120,65", "line 120,65-140,65"}));
  g.calls.clear();
  AsObject2D(rect)->borderWidth = 2;
  ShapePlotter(g).Plot(rect);
  EXPECT_EQ(g.calls, std::vector<std::string>{"polygon ring 10: 41,26 19,26 19,14 41,14 41,26 "
                                              "39,24 39,16 21,16 21,24 39,24"});
  g.calls.clear();
  AsObject2D(rect)->borderWidth = 0;
  ShapePlotter(g).Plot(rect);
  EXPECT_TRUE(g.calls.empty()) << "no border without a width";
  RuntimeUnlockObject(rect);
}

// An arc's border is open: it leaves out the centre that closes the pie.
TEST_F(ShapePlotterCalls, OpenShapesStrokeTheirPathWithoutClosingIt) {
  RuntimeObject* arc = NewShape(ArcShapeClassDefinition, 0, 0);
  reinterpret_cast<ArcShapeObject*>(arc)->oval.segments = 8;  // two segments of the quarter
  AsObject2D(arc)->border = 1.0;
  ShapePlotter(g).Plot(arc);
  ASSERT_EQ(g.calls.size(), 3u);
  EXPECT_EQ(g.calls[0], "polygon fill 4: 50,0 35,35 0,50 0,0");
  EXPECT_EQ(g.calls[1], "line 150,50-135,85");
  EXPECT_EQ(g.calls[2], "line 135,85-100,100");

  g.calls.clear();
  RuntimeObject* curve = NewShape(CurveShapeClassDefinition, 0, 0);  // to (100, 100)
  AsObject2D(curve)->borderWidth = 4;
  ShapePlotter(g).Plot(curve);
  EXPECT_EQ(g.calls, std::vector<std::string>{"polygon ring 4: 1,0 101,99 99,101 0,1"});
  RuntimeUnlockObject(arc);
  RuntimeUnlockObject(curve);
}

TEST_F(ShapePlotterCalls, AnUnturnedOvalUsesTheOvalOperationsATurnedOneAPolygon) {
  RuntimeObject* oval = NewShape(OvalShapeClassDefinition, 20, 10);
  AsRect(oval).width = 30;
  AsRect(oval).height = 16;
  AsObject2D(oval)->border = 1.0;
  AsObject2D(oval)->borderWidth = 3;
  ShapePlotter(g).Plot(oval);
  EXPECT_EQ(g.calls, (std::vector<std::string>{"fill-oval 105,52,135,68",
                                               "oval 104,51,136,69 pen 3"}));
  EXPECT_EQ(g.PenWidth(), 1);
  g.calls.clear();
  AsObject2D(oval)->rotation = 0.1;
  ShapePlotter(g).Plot(oval);
  ASSERT_EQ(g.calls.size(), 2u);
  EXPECT_EQ(CountStarting(g.calls, "polygon fill"), 1u);
  EXPECT_EQ(CountStarting(g.calls, "polygon ring"), 1u);
  RuntimeUnlockObject(oval);
}

// Turned text comes with the picture layer's rotation; a whole turn is no turn.
TEST_F(ShapePlotterCalls, TextIsCentredOnXWithItsBaselineOnY) {
  RuntimeObject* text = NewShape(StringShapeClassDefinition, 50, 40);
  StringShapeObject& s = *reinterpret_cast<StringShapeObject*>(text);
  stringStorage::RemoveReference(s.text);
  s.text = string("abc").ExtractStringStorage();
  s.bold = 1;
  s.textSize = 10;
  AsObject2D(text)->scale = 1.5;
  AsObject2D(text)->rotation = 2 * kPi;
  AsObject2D(text)->fillColor = 0x0000FF;
  g.withColor = true;
  ShapePlotter plotter(g);
  plotter.Plot(text);
  EXPECT_EQ(g.calls, std::vector<std::string>{"text abc at 141,90 #0000FF"});
  g.calls.clear();
  AsObject2D(text)->rotation = 1;
  plotter.Plot(text);
  EXPECT_TRUE(g.calls.empty());
  RuntimeUnlockObject(text);
}

TEST_F(ShapePlotterCalls, NestedGroupsDrawTheirFirst128Levels) {
  RuntimeObject* outer = NewShape(Group2DClassDefinition, 0, 0);
  RuntimeObject* group = outer;
  for (int32_t level = 0; level < 129; ++level) {
    RuntimeObject* rect = NewShape(RectShapeClassDefinition, level, 0);
    Group2DAppend(group, rect);
    RuntimeUnlockObject(rect);
    RuntimeObject* inner = NewShape(Group2DClassDefinition, 0, 0);
    Group2DAppend(group, inner);
    RuntimeUnlockObject(inner);
    group = inner;
  }
  ShapePlotter(g).Plot(outer);
  EXPECT_EQ(g.calls.size(), 128u);
  // Halves round by truncating x + 0.5: -49.5 becomes -49.
  EXPECT_EQ(g.calls.back(), "polygon fill 4: 177,50 77,50 77,-49 177,-49");
  RuntimeUnlockObject(outer);
}

TEST_F(ShapePlotterCalls, PlotAtMovesTheShapeForTheDrawingOnly) {
  RuntimeObject* group = NewShape(Group2DClassDefinition, 0, 0);
  RuntimeObject* rect = NewShape(RectShapeClassDefinition, 5, 5);
  AsRect(rect).width = 2;
  AsRect(rect).height = 2;
  Group2DAppend(group, rect);
  ShapePlotter(g).PlotAt(group, 10, 0);
  EXPECT_EQ(g.calls, std::vector<std::string>{"polygon fill 4: 16,6 14,6 14,4 16,4"});
  EXPECT_EQ(AsObject2D(rect)->x, 5);
  EXPECT_EQ(AsObject2D(group)->x, 0);
  RuntimeUnlockObject(rect);
  RuntimeUnlockObject(group);
}

TEST_F(ShapePlotterCalls, TheGraphicsStateIsAsBeforeThePlot) {
  g.SetForeColor(ColorFromRGB(0x123456));
  g.SetPenSize(3, 4);
  g.SetTextFont(string("DejaVu Serif"));
  g.SetTextSize(9);
  g.SetTextStyle(kStyleItalic);
  g.SetOpacity(0.75f);
  RuntimeObject* group = NewShape(Group2DClassDefinition, 0, 0);
  RuntimeObject* text = NewShape(StringShapeClassDefinition, 0, 0);
  RuntimeObject* oval = NewShape(OvalShapeClassDefinition, 0, 0);
  AsObject2D(oval)->border = 1.0;
  AsObject2D(oval)->borderWidth = 5;
  AsObject2D(oval)->fillColor = 0xFF0000;
  Group2DAppend(group, text);
  Group2DAppend(group, oval);
  ShapePlotter(g).PlotAt(group, 3, 3);
  EXPECT_EQ(g.calls.size(), 3u);
  EXPECT_EQ(RGBFromColor(g.ForeColor()), 0x123456u);
  EXPECT_EQ(g.PenWidth(), 3);
  EXPECT_EQ(g.PenHeight(), 4);
  EXPECT_STREQ(g.TextFont().CString(), "DejaVu Serif");
  EXPECT_EQ(g.TextSize(), 9);
  EXPECT_EQ(g.TextStyle(), uint32_t(kStyleItalic));
  EXPECT_EQ(g.Opacity(), 0.75f);
  for (RuntimeObject* shape : {text, oval, group}) RuntimeUnlockObject(shape);
}

TEST(ShapePlotterGeometry, TurnedRectangleBoundsAndTheAxisTest) {
  int32_t left = 10, top = 10, width = 20, height = 10;
  ASSERT_TRUE(TurnedRectBounds(0, &left, &top, &width, &height));
  EXPECT_EQ(left, 9);
  EXPECT_EQ(top, 9);
  EXPECT_EQ(width, 23);
  EXPECT_EQ(height, 13);
  left = 10, top = 10, width = 20, height = 10;  // corners reach 11.17 across, 9.18 down
  ASSERT_TRUE(TurnedRectBounds(0.5, &left, &top, &width, &height));
  EXPECT_EQ(left, 7);
  EXPECT_EQ(top, 4);
  EXPECT_EQ(width, 25);
  EXPECT_EQ(height, 21);
  left = 0, top = 0, width = 20, height = 20;
  ASSERT_TRUE(TurnedRectBounds(kPi / 4, &left, &top, &width, &height));
  EXPECT_EQ(left, 0) << "never left of the surface";
  EXPECT_EQ(width, 31);

  qvtest::ReportCapture reports;
  EXPECT_FALSE(TurnedRectBounds(1, &left, nullptr, &width, &height));
  EXPECT_TRUE(reports.HasCondition("left and top and width and height"));

  ShapePoints square;
  for (ShapePoint p : {ShapePoint{1, 1}, ShapePoint{-1, 1.01}, ShapePoint{-1, -1},
                       ShapePoint{1, -1}}) {
    square.Append(p);
  }
  EXPECT_TRUE(EdgesAlongAxes(square, 0.02));
  EXPECT_FALSE(EdgesAlongAxes(square, 0.005));
  square.Pop();
  EXPECT_FALSE(EdgesAlongAxes(square, 1));
  EXPECT_TRUE(reports.HasCondition("points.size() == 4"));
}

// ---- on pixels ----

class ShapePlotterPixels : public qvtest::DisplayTest {};

TEST_F(ShapePlotterPixels, FillsBordersAndOvalsLandOnTheirPixels) {
  qvtest::Surface surface(60, 40);
  RuntimeObject* rect = NewShape(RectShapeClassDefinition, 30, 20);
  AsRect(rect).width = 20;
  AsRect(rect).height = 10;
  AsObject2D(rect)->fill = 0.4;
  ShapePlotter(surface.g()).Plot(rect);
  EXPECT_EQ(surface.Pixels().CountPixels(0xFFFFFF), 2400);
  AsObject2D(rect)->fill = 0.5;
  AsObject2D(rect)->fillColor = 0x00FF00;
  ShapePlotter(surface.g()).Plot(rect);
  qvtest::RawPixmap raw(60, 40);
  raw.SetColor(0x00FF00);
  GdkPoint corners[4] = {{40, 25}, {20, 25}, {20, 15}, {40, 15}};
  gdk_draw_polygon(raw.pixmap(), raw.gc(), TRUE, corners, 4);
  gdk_draw_polygon(raw.pixmap(), raw.gc(), FALSE, corners, 4);
  EXPECT_EQ(surface.Pixels().DifferingPixels(raw.Pixels()), 0);

  // A border 2 pixels wide, centred on the outline: two columns at each side of the middle row.
  qvtest::Surface ring(60, 40);
  AsObject2D(rect)->fill = 0;
  AsObject2D(rect)->border = 1.0;
  AsObject2D(rect)->borderWidth = 2;
  ShapePlotter(ring.g()).Plot(rect);
  const qvtest::Screenshot drawn = ring.Pixels();
  std::string row;
  for (int x = 16; x < 44; ++x) row += drawn.Pixel(x, 20) == 0 ? '#' : '.';
  EXPECT_EQ(row, "...##..................##...");
  EXPECT_EQ(drawn.Pixel(30, 14), 0u);
  EXPECT_EQ(drawn.Pixel(30, 15), 0u);
  EXPECT_EQ(drawn.Pixel(30, 17), 0xFFFFFFu);

  qvtest::Surface oval(60, 40);
  qvtest::Surface reference(60, 40);
  RuntimeObject* shape = NewShape(OvalShapeClassDefinition, 30, 20);
  AsRect(shape).width = 40;
  AsRect(shape).height = 20;
  ShapePlotter(oval.g()).Plot(shape);
  reference.g().FillOval(MakeRect(10, 10, 30, 50));
  EXPECT_EQ(oval.Pixels().DifferingPixels(reference.Pixels()), 0);
  RuntimeUnlockObject(rect);
  RuntimeUnlockObject(shape);
}

}  // namespace
