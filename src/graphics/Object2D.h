// Object2D: the language's vector shapes. A shape is a language object with a centre (X, Y),
// a rotation in radians, a scale, fill and border fractions (0 .. 1; the language reads and
// writes them in percent), colours and a four-character kind; groups and figures hold other
// shapes, one reference each.
//
// A point (u, v) of a shape's own frame (origin at its centre) lies on the drawing plane at:
// rotated by Rotation (when more than 1e-5 from 0), times Scale, plus (X, Y). A curve keeps its
// points in drawing coordinates. Moving, scaling or turning a group moves, scales or turns its
// items about the group's centre, at most kObject2DDepthLimit groups deep.
//
// The object layouts are the compiled code's: pinned below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
         uint32_t(uint8_t(code[2])) << 8 | uint8_t(code[3]);
}
constexpr uint32_t kKindObject2D = FourCharCode("ob2D");
constexpr uint32_t kKindRect = FourCharCode("rect");
constexpr uint32_t kKindRoundRect = FourCharCode("roun");
constexpr uint32_t kKindOval = FourCharCode("oval");
constexpr uint32_t kKindArc = FourCharCode("arc ");
constexpr uint32_t kKindPixmap = FourCharCode("pix ");
constexpr uint32_t kKindString = FourCharCode("strn");
constexpr uint32_t kKindCurve = FourCharCode("curv");
constexpr uint32_t kKindGroup = FourCharCode("grup");
constexpr uint32_t kKindFigure = FourCharCode("figr");

// Groups inside groups are followed this deep when drawn, moved, scaled or turned.
constexpr int32_t kObject2DDepthLimit = 128;

constexpr double kTwoPi = 6.283185307179586;

struct Object2DObject {
  RuntimeObject header;
  int32_t imp;  // __qvf_mImp
  uint32_t kind;
  uint32_t fillColor;    // 0xRRGGBB
  uint32_t borderColor;  // 0xRRGGBB
  uint32_t reserved;
  double x;
  double y;
  double rotation;
  double scale;
  double fill;    // fraction
  double border;  // fraction
  double borderWidth;
};
static_assert(sizeof(Object2DObject) == 100 && offsetof(Object2DObject, kind) == 28 &&
                  offsetof(Object2DObject, x) == 44 && offsetof(Object2DObject, scale) == 68 &&
                  offsetof(Object2DObject, borderWidth) == 92,
              "Object2D layout");

struct RectShapeObject {
  Object2DObject base;
  double width;
  double height;
};
static_assert(sizeof(RectShapeObject) == 116, "RectShape layout");

struct RoundRectShapeObject {
  RectShapeObject rect;
  double cornerWidth;
  double cornerHeight;
  int32_t segments;
};
static_assert(sizeof(RoundRectShapeObject) == 136, "RoundRectShape layout");

struct OvalShapeObject {
  RectShapeObject rect;
  int32_t segments;
  int32_t reserved;
};
static_assert(sizeof(OvalShapeObject) == 124, "OvalShape layout");

struct ArcShapeObject {
  OvalShapeObject oval;
  double startAngle;  // in [0, 2π)
  double arcAngle;
};
static_assert(sizeof(ArcShapeObject) == 140, "ArcShape layout");

struct PixmapShapeObject {
  RectShapeObject rect;
  RuntimeObject* image;  // a Picture, one reference; nil draws the border alone
  int32_t sourceLeft;
  int32_t sourceTop;
  int32_t sourceWidth;
  int32_t sourceHeight;
};
static_assert(sizeof(PixmapShapeObject) == 136 && offsetof(PixmapShapeObject, image) == 116,
              "PixmapShape layout");

struct StringShapeObject {
  Object2DObject base;
  double textSize;
  stringStorage* text;      // owned reference
  stringStorage* textFont;  // owned reference
  uint8_t bold;
  uint8_t italic;
  uint8_t underline;
};
static_assert(sizeof(StringShapeObject) == 120 && offsetof(StringShapeObject, bold) == 116,
              "StringShape layout");

struct CurveShapeObject {
  Object2DObject base;
  double x2;
  double y2;
  double control[2][2];  // two control points, (x, y) each
  int32_t order;         // 0 line, 1 quadratic, 2 cubic
  int32_t segments;
};
static_assert(sizeof(CurveShapeObject) == 156 && offsetof(CurveShapeObject, order) == 148,
              "CurveShape layout");

// Groups and figures: the items, one reference each, in drawing order.
struct Group2DObject {
  Object2DObject base;
  SimpleVector<RuntimeObject*> items;
};
static_assert(sizeof(Group2DObject) == 116, "Group2D layout");

inline Object2DObject* AsObject2D(RuntimeObject* shape) {
  return reinterpret_cast<Object2DObject*>(shape);
}
inline bool IsGroupKind(uint32_t kind) { return kind == kKindGroup || kind == kKindFigure; }

ObjectDefinition* Object2DClassDefinition();
ObjectDefinition* RectShapeClassDefinition();
ObjectDefinition* RoundRectShapeClassDefinition();
ObjectDefinition* OvalShapeClassDefinition();
ObjectDefinition* ArcShapeClassDefinition();
ObjectDefinition* PixmapShapeClassDefinition();
ObjectDefinition* StringShapeClassDefinition();
ObjectDefinition* CurveShapeClassDefinition();
ObjectDefinition* Group2DClassDefinition();
ObjectDefinition* FigureShapeClassDefinition();
// Registers every class of the family.
void RegisterObject2DClasses();

// A new RoundRectShape (the caller's reference) of that size and corner size.
RuntimeObject* NewRoundRectShape(double width, double height, double cornerWidth,
                                 double cornerHeight);

// ---- placement (Object2DGeometry.cpp) ----

struct ShapePoint {
  double x;
  double y;
  bool operator==(const ShapePoint&) const = default;
};
using ShapePoints = SimpleVector<ShapePoint>;

// (u, v) of the shape's frame on the drawing plane, and back.
ShapePoint PlaceShapePoint(const Object2DObject& shape, ShapePoint point);
ShapePoint UnplaceShapePoint(const Object2DObject& shape, ShapePoint point);

// Moves the centre to (x, y); a group's items and a curve's points move along.
void Object2DSetPosition(RuntimeObject* shape, double x, double y);
// A group's items and a curve's points spread from the centre; a scale of 0 or less is ignored
// there.
void Object2DSetScale(RuntimeObject* shape, double scale);
// A group's items and a curve's points turn about the centre.
void Object2DSetRotation(RuntimeObject* shape, double rotation);

// The outline in drawing coordinates, appended to points: rectangles, rounded rectangles, ovals
// and arcs from their frames, a curve as it lies, a figure as its curves joined. False (and
// nothing appended) for a kind that has no outline.
bool Object2DOutline(RuntimeObject* shape, ShapePoints& points);
// How many points a curve is drawn with (its own end points included).
int32_t CurveSegmentCount(const CurveShapeObject& curve);
// The point of the curve at t (0 .. 1).
ShapePoint CurvePointAt(const CurveShapeObject& curve, double t);
// Whether (x, y) lies inside a rectangle, rounded rectangle, oval or arc (open edges).
bool Object2DContains(RuntimeObject* shape, double x, double y);

// The angle reduced by 2π, keeping the sign of the value.
double ReduceAngle(double angle);

extern "C" {
// ---- accessors named by the class rows ----
void Object2DDoubleSetter(RuntimeObject* shape, uint32_t offset, double value);
double doublePercentGetter(RuntimeObject* object, uint32_t offset);
void doublePercentSetter(RuntimeObject* object, uint32_t offset, double value);
void ArcStartAngleSetter(RuntimeObject* arc, uint32_t offset, double angle);
void CurveOrderSetter(RuntimeObject* curve, uint32_t offset, int32_t order);
int32_t Group2DCount(RuntimeObject* group, uint32_t offset);

// ---- constructors and destructors ----
void Object2DConstructor(RuntimeObject* shape);
void RectShapeConstructor(RuntimeObject* shape);
void RoundRectShapeConstructor(RuntimeObject* shape);
void OvalShapeConstructor(RuntimeObject* shape);
void ArcShapeConstructor(RuntimeObject* shape);
void PixmapShapeConstructor(RuntimeObject* shape);
// The shape shows the whole picture at its size; a picture without pixels is not kept.
void PixmapShapeImageCtor(RuntimeObject* shape, RuntimeObject* image);
void PixmapShapeDestructor(RuntimeObject* shape);
void StringShapeConstructor(RuntimeObject* shape);
void StringShapeDestructor(RuntimeObject* shape);
void CurveShapeConstructor(RuntimeObject* shape);
void Group2DConstructor(RuntimeObject* group);
void Group2DDestructor(RuntimeObject* group);
// A figure's curves go with the group's destructor.
void FigureShapeConstructor(RuntimeObject* figure);
void FigureShapeDestructor(RuntimeObject* figure);

// ---- methods ----
int32_t RectShapeContains(RuntimeObject* shape, double x, double y);
double CurveGetControlX(RuntimeObject* curve, int32_t index);
double CurveGetControlY(RuntimeObject* curve, int32_t index);
void CurveSetControlX(RuntimeObject* curve, int32_t index, double value);
void CurveSetControlY(RuntimeObject* curve, int32_t index, double value);
// Indexes outside their range raise OutOfBoundsException, a nil item NilObjectException;
// either changes nothing.
void Group2DAppend(RuntimeObject* group, RuntimeObject* item);
void Group2DInsert(RuntimeObject* group, int32_t index, RuntimeObject* item);
RuntimeObject* Group2DGetItem(RuntimeObject* group, int32_t index);
void Group2DSetItem(RuntimeObject* group, int32_t index, RuntimeObject* item);
void Group2DRemoveByObject(RuntimeObject* group, RuntimeObject* item);
void Group2DRemoveByIndex(RuntimeObject* group, int32_t index);
void FigureShapeAddLine(RuntimeObject* figure, double x1, double y1, double x2, double y2);
void FigureShapeAddQuad(RuntimeObject* figure, double x1, double y1, double x2, double y2,
                        double controlX, double controlY);
void FigureShapeAddCubic(RuntimeObject* figure, double x1, double y1, double x2, double y2,
                         double control1X, double control1Y, double control2X,
                         double control2Y);
}
