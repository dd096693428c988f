// Object2D shapes as the compiled code uses them: defaults and percent properties, the
// containment tests, the group's item list with its references and refusals, groups moved,
// scaled and turned (self-holding ones too), and every kind's outline against a Python model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/Object2D.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

RuntimeObject* New(ObjectDefinition* (*definition)()) {
  return NewObjectFromDefinition(definition());
}
Object2DObject& Base(RuntimeObject* shape) { return *AsObject2D(shape); }
template <typename T>
T& As(RuntimeObject* shape) {
  return *reinterpret_cast<T*>(shape);
}
// The property setters the class rows name.
void SetX(RuntimeObject* s, double v) { Object2DDoubleSetter(s, offsetof(Object2DObject, x), v); }
void SetY(RuntimeObject* s, double v) { Object2DDoubleSetter(s, offsetof(Object2DObject, y), v); }
void SetRotation(RuntimeObject* s, double v) {
  Object2DDoubleSetter(s, offsetof(Object2DObject, rotation), v);
}
void SetScale(RuntimeObject* s, double v) {
  Object2DDoubleSetter(s, offsetof(Object2DObject, scale), v);
}

TEST(Object2D, NewShapesHaveTheirKindsAndDefaults) {
  RuntimeObject* rect = New(RectShapeClassDefinition);
  const Object2DObject& r = Base(rect);
  EXPECT_EQ(r.kind, FourCharCode("rect"));
  EXPECT_EQ(As<RectShapeObject>(rect).width, 100);
  EXPECT_EQ(As<RectShapeObject>(rect).height, 100);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.fillColor, 0u);
  EXPECT_EQ(r.fill, 1.0);
  EXPECT_EQ(r.border, 0);
  EXPECT_EQ(r.borderWidth, 1.0);
  EXPECT_EQ(r.scale, 1.0);
  EXPECT_EQ(r.rotation, 0);

  RuntimeObject* curve = New(CurveShapeClassDefinition);
  EXPECT_EQ(Base(curve).fill, 0);
  EXPECT_EQ(Base(curve).border, 1.0);
  EXPECT_EQ(As<CurveShapeObject>(curve).x2, 100);
  RuntimeObject* arc = New(ArcShapeClassDefinition);
  EXPECT_EQ(Base(arc).kind, FourCharCode("arc "));
  EXPECT_EQ(As<ArcShapeObject>(arc).arcAngle, kPi / 2);
  EXPECT_EQ(As<ArcShapeObject>(arc).oval.rect.width, 100) << "an arc is a RectShape too";
  RuntimeObject* text = New(StringShapeClassDefinition);
  EXPECT_STREQ(stringStorage::CString(As<StringShapeObject>(text).text), "-");
  EXPECT_STREQ(stringStorage::CString(As<StringShapeObject>(text).textFont), "System");
  EXPECT_EQ(As<StringShapeObject>(text).textSize, 12);
  RuntimeObject* figure = New(FigureShapeClassDefinition);
  EXPECT_EQ(Base(figure).kind, FourCharCode("figr"));
  EXPECT_EQ(Group2DCount(figure, 0), 0);
  for (RuntimeObject* shape : {rect, curve, arc, text, figure}) RuntimeUnlockObject(shape);
}

TEST(Object2D, PercentPropertiesAnglesAndOrderKeepTheirRanges) {
  qvtest::RaisedExceptions raised;
  RuntimeObject* arc = New(ArcShapeClassDefinition);
  doublePercentSetter(arc, offsetof(Object2DObject, fill), 50);
  EXPECT_EQ(doublePercentGetter(arc, offsetof(Object2DObject, fill)), 50);
  EXPECT_EQ(Base(arc).fill, 0.5);
  doublePercentSetter(arc, offsetof(Object2DObject, border), 25);
  EXPECT_EQ(Base(arc).border, 0.25);
  const uint32_t start = offsetof(ArcShapeObject, startAngle);
  ArcStartAngleSetter(arc, start, -kPi / 2);
  EXPECT_NEAR(doubleGetter(arc, start), 3 * kPi / 2, 1e-12);
  ArcStartAngleSetter(arc, start, 5 * kPi);
  EXPECT_NEAR(doubleGetter(arc, start), kPi, 1e-12);

  RuntimeObject* curve = New(CurveShapeClassDefinition);
  const uint32_t order = offsetof(CurveShapeObject, order);
  CurveOrderSetter(curve, order, 2);
  EXPECT_EQ(raised.Take().size(), 0u);
  CurveOrderSetter(curve, order, 3);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(intGetter(curve, order), 2);
  CurveSetControlX(curve, 1, 7);
  CurveSetControlY(curve, 1, 8);
  EXPECT_EQ(CurveGetControlX(curve, 1), 7);
  EXPECT_EQ(CurveGetControlY(curve, 1), 8);
  EXPECT_EQ(CurveGetControlX(curve, 2), 0);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  RuntimeUnlockObject(arc);
  RuntimeUnlockObject(curve);
}

TEST(Object2D, ContainsExcludesTheEdgesAndFollowsTheShapeTurned) {
  RuntimeObject* rect = New(RectShapeClassDefinition);
  EXPECT_FALSE(RectShapeContains(rect, 50, 0));
  EXPECT_TRUE(RectShapeContains(rect, 49.9, 0));
  EXPECT_FALSE(RectShapeContains(rect, 0, -50));
  As<RectShapeObject>(rect).height = 20;
  SetX(rect, 10);
  SetRotation(rect, kPi / 2);  // now 20 wide and 100 tall about (10, 0)
  EXPECT_TRUE(RectShapeContains(rect, 10, 45));
  EXPECT_FALSE(RectShapeContains(rect, 55, 0));
  SetScale(rect, 2);
  EXPECT_TRUE(RectShapeContains(rect, 10, 95));
  EXPECT_FALSE(RectShapeContains(rect, 10, 101));

  RuntimeObject* oval = New(OvalShapeClassDefinition);
  EXPECT_TRUE(RectShapeContains(oval, 35, 0));
  EXPECT_FALSE(RectShapeContains(oval, 40, 40)) << "inside the box, outside the ellipse";
  RuntimeObject* arc = New(ArcShapeClassDefinition);  // the quarter from 0 to π/2
  EXPECT_TRUE(RectShapeContains(arc, 20, 20));
  EXPECT_FALSE(RectShapeContains(arc, -20, 20));
  EXPECT_FALSE(RectShapeContains(arc, 20, -20));
  RuntimeObject* round = New(RoundRectShapeClassDefinition);
  As<RoundRectShapeObject>(round).cornerWidth = 40;
  As<RoundRectShapeObject>(round).cornerHeight = 40;
  EXPECT_FALSE(RectShapeContains(round, 48, 48)) << "a corner is cut away";
  EXPECT_TRUE(RectShapeContains(round, 48, 0));
  EXPECT_TRUE(RectShapeContains(round, 40, 40));
  // A turn of a millionth of a radian is no turn.
  SetRotation(round, 0.000001);
  const ShapePoint placed = PlaceShapePoint(Base(round), {50, 50});
  EXPECT_EQ(placed.x, 50);
  EXPECT_EQ(placed.y, 50);
  for (RuntimeObject* shape : {rect, oval, arc, round}) RuntimeUnlockObject(shape);
}

// Every call outside its range raises and changes nothing; every reference the list took is
// given back, so the live objects are as many as before.
TEST(Group2D, TheItemListKeepsOneReferenceEachAndRefusesWhatIsOutOfRange) {
  qvtest::RaisedExceptions raised;
  const int32_t liveAtStart = LiveObjectCount();
  RuntimeObject* group = New(Group2DClassDefinition);
  RuntimeObject* a = New(RectShapeClassDefinition);
  RuntimeObject* b = New(OvalShapeClassDefinition);
  RuntimeObject* c = New(StringShapeClassDefinition);
  Group2DAppend(group, a);
  Group2DInsert(group, 0, b);
  Group2DInsert(group, 2, c);  // Count appends
  EXPECT_EQ(a->refCount, 2);
  ASSERT_EQ(Group2DCount(group, 0), 3);
  RuntimeObject* item = Group2DGetItem(group, 1);
  EXPECT_EQ(item, a);
  EXPECT_EQ(a->refCount, 3);
  RuntimeUnlockObject(item);
  EXPECT_EQ(raised.Take().size(), 0u);

  Group2DInsert(group, 4, a);
  Group2DInsert(group, -1, a);
  EXPECT_EQ(Group2DGetItem(group, 3), nullptr);
  Group2DSetItem(group, 3, a);
  Group2DRemoveByIndex(group, 3);
  Group2DRemoveByIndex(group, -1);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(6, "OutOfBoundsException"));
  Group2DAppend(group, nullptr);
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
  EXPECT_EQ(Group2DCount(group, 0), 3);
  EXPECT_EQ(a->refCount, 2);

  Group2DSetItem(group, 0, c);  // b gives way to a second c
  EXPECT_EQ(b->refCount, 1);
  EXPECT_EQ(c->refCount, 3);
  Group2DRemoveByObject(group, b);  // not there: nothing
  Group2DRemoveByObject(group, c);  // the first c only
  EXPECT_EQ(Group2DCount(group, 0), 2);
  Group2DRemoveByIndex(group, 0);
  item = Group2DGetItem(group, 0);
  EXPECT_EQ(item, c);
  RuntimeUnlockObject(item);

  // Growth past the first 16 places and the shrink after, every item released at the end.
  for (int32_t i = 0; i < 40; ++i) Group2DAppend(group, b);
  for (int32_t i = 0; i < 35; ++i) Group2DRemoveByIndex(group, 1);
  EXPECT_EQ(Group2DCount(group, 0), 6);
  EXPECT_EQ(b->refCount, 6);
  for (RuntimeObject* shape : {a, b, c, group}) RuntimeUnlockObject(shape);
  EXPECT_EQ(LiveObjectCount(), liveAtStart);
}

// The figure's own finalizer stands in its class row; its curves are released once, by the
// group's.
TEST(Group2D, AFigureHasItsOwnFinalizerAndReleasesItsCurvesOnce) {
  EXPECT_STREQ(FigureShapeClassDefinition()->finalizer.exportName, "FigureShapeDestructor");
  EXPECT_EQ(FigureShapeClassDefinition()->finalizer.toc,
            reinterpret_cast<void*>(&FigureShapeDestructor));
  RuntimeObject* figure = New(FigureShapeClassDefinition);
  RuntimeObject* curve = New(CurveShapeClassDefinition);
  Group2DAppend(figure, curve);
  FigureShapeAddLine(figure, 0, 0, 10, 10);
  EXPECT_EQ(curve->refCount, 2);
  RuntimeUnlockObject(figure);
  EXPECT_EQ(curve->refCount, 1);
  RuntimeUnlockObject(curve);
}

TEST(Group2D, MovingScalingAndTurningCarryTheItemsAboutTheCentre) {
  RuntimeObject* group = New(Group2DClassDefinition);
  RuntimeObject* rect = New(RectShapeClassDefinition);
  RuntimeObject* curve = New(CurveShapeClassDefinition);  // (0, 0) to (100, 100)
  SetX(rect, 10);
  SetY(rect, 5);
  Group2DAppend(group, rect);
  Group2DAppend(group, curve);

  SetX(group, 3);
  EXPECT_EQ(Base(rect).x, 13);
  EXPECT_EQ(Base(curve).x, 3);
  EXPECT_EQ(As<CurveShapeObject>(curve).x2, 103);
  SetX(group, 0);

  SetScale(group, 2);
  EXPECT_EQ(Base(rect).x, 20);
  EXPECT_EQ(Base(rect).y, 10);
  EXPECT_EQ(Base(rect).scale, 2);
  EXPECT_EQ(As<CurveShapeObject>(curve).x2, 200) << "the curve's end spreads from its start";
  SetScale(group, 0);
  SetScale(group, -1);
  EXPECT_EQ(Base(group).scale, 2) << "a scale of 0 or less is ignored";
  EXPECT_EQ(Base(rect).x, 20);

  SetRotation(group, kPi / 2);
  EXPECT_NEAR(Base(rect).x, -10, 1e-12);
  EXPECT_NEAR(Base(rect).y, 20, 1e-12);
  EXPECT_NEAR(Base(rect).rotation, kPi / 2, 1e-12);
  EXPECT_NEAR(As<CurveShapeObject>(curve).x2, -200, 1e-12);
  EXPECT_NEAR(As<CurveShapeObject>(curve).y2, 200, 1e-12);
  for (RuntimeObject* shape : {rect, curve, group}) RuntimeUnlockObject(shape);
}

// A group that holds itself is moved, scaled and turned 128 levels deep, not without end.
TEST(Group2D, AGroupHoldingItselfStopsAtTheDepthLimit) {
  const int32_t liveAtStart = LiveObjectCount();
  RuntimeObject* group = New(Group2DClassDefinition);
  Group2DAppend(group, group);
  SetX(group, 5);
  SetScale(group, 2);
  SetRotation(group, 1);
  EXPECT_EQ(Base(group).x, 5);
  EXPECT_EQ(Base(group).rotation, 1);
  Group2DRemoveByObject(group, group);
  RuntimeUnlockObject(group);
  EXPECT_EQ(LiveObjectCount(), liveAtStart);
}

// ---- outlines beside the Python model ----

struct OutlineCase {
  std::string model;  // the model's arguments
  RuntimeObject* shape;
};

std::vector<ShapePoint> ParsePoints(const std::string& line) {
  std::istringstream words(line);
  size_t count = 0;
  words >> count;
  std::vector<ShapePoint> points(count);
  for (ShapePoint& p : points) words >> p.x >> p.y;
  return points;
}

RuntimeObject* Placed(RuntimeObject* shape, double x, double y, double rotation, double scale,
                      double borderWidth = 1) {
  Object2DObject& base = Base(shape);
  base.x = x;
  base.y = y;
  base.rotation = rotation;
  base.scale = scale;
  base.borderWidth = borderWidth;
  return shape;
}

RuntimeObject* Sized(RuntimeObject* shape, double width, double height) {
  As<RectShapeObject>(shape).width = width;
  As<RectShapeObject>(shape).height = height;
  return shape;
}

RuntimeObject* Curve(int32_t order, double x, double y, double x2, double y2, double c1x,
                     double c1y, double c2x, double c2y, double scale = 1, int32_t segments = 0) {
  RuntimeObject* curve = New(CurveShapeClassDefinition);
  CurveShapeObject& c = As<CurveShapeObject>(curve);
  c.base.x = x;
  c.base.y = y;
  c.base.scale = scale;
  c.x2 = x2;
  c.y2 = y2;
  c.control[0][0] = c1x;
  c.control[0][1] = c1y;
  c.control[1][0] = c2x;
  c.control[1][1] = c2y;
  c.order = order;
  c.segments = segments;
  return curve;
}

TEST(Object2DOutline, EveryKindAgreesWithThePythonModel) {
  std::vector<OutlineCase> cases;
  cases.push_back({"rect 20 30 0.5 1.5 40 10",
                   Placed(Sized(New(RectShapeClassDefinition), 40, 10), 20, 30, 0.5, 1.5)});
  RuntimeObject* round = Placed(Sized(New(RoundRectShapeClassDefinition), 60, 30), 5, 5, 0, 1);
  As<RoundRectShapeObject>(round).cornerWidth = 20;
  As<RoundRectShapeObject>(round).cornerHeight = 50;  // limited to the height
  cases.push_back({"roun 5 5 0 1 60 30 20 50 0 1", round});
  RuntimeObject* segmented =
      Placed(Sized(New(RoundRectShapeClassDefinition), 60, 30), 0, 0, -0.3, 2, 4);
  As<RoundRectShapeObject>(segmented).cornerWidth = 12;
  As<RoundRectShapeObject>(segmented).cornerHeight = 8;
  As<RoundRectShapeObject>(segmented).segments = 9;
  cases.push_back({"roun 0 0 -0.3 2 60 30 12 8 9 4", segmented});
  cases.push_back({"oval 10 -4 0 1 50 20 0 1",
                   Placed(Sized(New(OvalShapeClassDefinition), 50, 20), 10, -4, 0, 1)});
  RuntimeObject* fine = Placed(Sized(New(OvalShapeClassDefinition), 400, 300), 0, 0, 1, 3, 6);
  cases.push_back({"oval 0 0 1 3 400 300 0 6", fine});  // past 1024 points: limited
  RuntimeObject* sides = Placed(Sized(New(OvalShapeClassDefinition), 30, 30), 1, 2, 0.2, 1);
  As<OvalShapeObject>(sides).segments = 5;
  cases.push_back({"oval 1 2 0.2 1 30 30 5 1", sides});
  RuntimeObject* arc = Placed(Sized(New(ArcShapeClassDefinition), 80, 40), 3, 4, 0, 1);
  As<ArcShapeObject>(arc).startAngle = 1;
  As<ArcShapeObject>(arc).arcAngle = 8;  // more than a turn: reduced
  cases.push_back({"arc 3 4 0 1 80 40 0 1 8 1", arc});
  RuntimeObject* counted = Placed(Sized(New(ArcShapeClassDefinition), 80, 40), 0, 0, 0.7, 1);
  As<ArcShapeObject>(counted).oval.segments = 40;
  As<ArcShapeObject>(counted).arcAngle = -kPi;
  cases.push_back({"arc 0 0 0.7 1 80 40 40 0 -3.141592653589793 1", counted});
  cases.push_back({"curv 1 0 0 1 2 30 40 0 0 0 0", Curve(0, 1, 2, 30, 40, 0, 0, 0, 0)});
  cases.push_back({"curv 1 0 1 0 0 100 0 50 80 0 0", Curve(1, 0, 0, 100, 0, 50, 80, 0, 0)});
  cases.push_back(
      {"curv 2 0 2 0 0 100 0 10 90 90 -90", Curve(2, 0, 0, 100, 0, 10, 90, 90, -90, 2)});
  cases.push_back({"curv 1 7 2 0 0 10 0 3 3 7 -3", Curve(2, 0, 0, 10, 0, 3, 3, 7, -3, 1, 7)});
  RuntimeObject* figure = New(FigureShapeClassDefinition);
  FigureShapeAddLine(figure, 0, 0, 50, 0);
  FigureShapeAddQuad(figure, 50, 0, 50, 50, 80, 25);
  FigureShapeAddCubic(figure, 50, 50, 0, 0, 30, 70, -20, 30);  // ends where it began
  RuntimeObject* stray = New(RectShapeClassDefinition);
  Group2DAppend(figure, stray);  // not a curve: skipped
  RuntimeUnlockObject(stray);
  cases.push_back({"figr 0 0 0 50 0 0 0 0 0 1 50 0 50 50 80 25 0 0 2 50 50 0 0 30 70 -20 30",
                   figure});

  std::vector<std::string> argv = {
      "python3",
      (std::filesystem::path(__FILE__).parent_path() / "object2d_outlines.py").string()};
  for (const OutlineCase& c : cases) argv.push_back(c.model);
  std::istringstream lines(qvtest::ProgramOutput(argv));
  std::string line;
  for (const OutlineCase& c : cases) {
    ASSERT_TRUE(std::getline(lines, line)) << "the model printed too little";
    const std::vector<ShapePoint> expected = ParsePoints(line);
    ShapePoints points;
    ASSERT_TRUE(Object2DOutline(c.shape, points)) << c.model;
    ASSERT_EQ(points.size(), expected.size()) << c.model;
    for (uint32_t i = 0; i < points.size(); ++i) {
      EXPECT_NEAR(points[int32_t(i)].x, expected[i].x, 1e-9) << c.model << " point " << i;
      EXPECT_NEAR(points[int32_t(i)].y, expected[i].y, 1e-9) << c.model << " point " << i;
    }
    RuntimeUnlockObject(c.shape);
  }
  ShapePoints none;
  RuntimeObject* text = New(StringShapeClassDefinition);
  EXPECT_FALSE(Object2DOutline(text, none));
  EXPECT_EQ(none.size(), 0u);
  RuntimeUnlockObject(text);
}

}  // namespace
