// Object2D geometry: the placement transform, moving, scaling and turning (groups and curves
// carry their contents along), the outline of each kind and the containment tests.
#include <cmath>

#include "graphics/Object2D.h"

namespace {

constexpr double kRotationEpsilon = 1e-5;

RectShapeObject& AsRect(RuntimeObject* shape) {
  return *reinterpret_cast<RectShapeObject*>(shape);
}
CurveShapeObject& AsCurve(RuntimeObject* shape) {
  return *reinterpret_cast<CurveShapeObject*>(shape);
}
Group2DObject& AsGroup(RuntimeObject* shape) { return *reinterpret_cast<Group2DObject*>(shape); }

// A segment count from a computed value: truncated, at least least (also for a value that is
// not a number), at most most.
int32_t SegmentCount(double value, int32_t least, int32_t most) {
  if (!(value >= least)) return least;
  if (value >= most) return most;
  return int32_t(value);
}

// The factor that gives thick borders finer outlines.
double BorderFactor(const Object2DObject& shape) {
  return shape.borderWidth >= 2 ? shape.borderWidth / 2 : 1.0;
}

ShapePoint Turned(ShapePoint point, ShapePoint centre, double angle) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double u = point.x - centre.x;
  const double v = point.y - centre.y;
  return {centre.x + u * c - v * s, centre.y + u * s + v * c};
}

// The curve's end point and control points, which move with its centre.
void ForEachCurvePoint(CurveShapeObject& curve, void (*change)(double& x, double& y, void*),
                       void* context) {
  change(curve.x2, curve.y2, context);
  change(curve.control[0][0], curve.control[0][1], context);
  change(curve.control[1][0], curve.control[1][1], context);
}

void SetPositionWithin(RuntimeObject* shape, double x, double y, int32_t depth);
void SetScaleWithin(RuntimeObject* shape, double scale, int32_t depth);
void SetRotationWithin(RuntimeObject* shape, double rotation, int32_t depth);

void SetPositionWithin(RuntimeObject* shape, double x, double y, int32_t depth) {
  Object2DObject& base = *AsObject2D(shape);
  const double dx = x - base.x;
  const double dy = y - base.y;
  if (IsGroupKind(base.kind)) {
    SimpleVector<RuntimeObject*>& items = AsGroup(shape).items;
    for (uint32_t i = 0; depth > 0 && i < items.size(); ++i) {
      Object2DObject& item = *AsObject2D(items[int32_t(i)]);
      SetPositionWithin(items[int32_t(i)], item.x + dx, item.y + dy, depth - 1);
    }
  } else if (base.kind == kKindCurve) {
    double offset[2] = {dx, dy};
    ForEachCurvePoint(
        AsCurve(shape),
        [](double& px, double& py, void* context) {
          px += static_cast<double*>(context)[0];
          py += static_cast<double*>(context)[1];
        },
        offset);
  }
  base.x = x;
  base.y = y;
}

void SetScaleWithin(RuntimeObject* shape, double scale, int32_t depth) {
  Object2DObject& base = *AsObject2D(shape);
  if (IsGroupKind(base.kind)) {
    if (scale <= 0) return;
    const double k = scale / base.scale;
    SimpleVector<RuntimeObject*>& items = AsGroup(shape).items;
    for (uint32_t i = 0; depth > 0 && i < items.size(); ++i) {
      RuntimeObject* item = items[int32_t(i)];
      Object2DObject& placed = *AsObject2D(item);
      SetPositionWithin(item, base.x + (placed.x - base.x) * k, base.y + (placed.y - base.y) * k,
                        depth - 1);
      SetScaleWithin(item, placed.scale * k, depth - 1);
    }
  } else if (base.kind == kKindCurve) {
    if (scale <= 0) return;
    double spread[3] = {scale / base.scale, base.x, base.y};
    ForEachCurvePoint(
        AsCurve(shape),
        [](double& px, double& py, void* context) {
          const double* s = static_cast<double*>(context);
          px = s[1] + (px - s[1]) * s[0];
          py = s[2] + (py - s[2]) * s[0];
        },
        spread);
  }
  base.scale = scale;
}

void SetRotationWithin(RuntimeObject* shape, double rotation, int32_t depth) {
  Object2DObject& base = *AsObject2D(shape);
  const double turn = rotation - base.rotation;
  const ShapePoint centre = {base.x, base.y};
  if (IsGroupKind(base.kind)) {
    SimpleVector<RuntimeObject*>& items = AsGroup(shape).items;
    for (uint32_t i = 0; depth > 0 && i < items.size(); ++i) {
      RuntimeObject* item = items[int32_t(i)];
      Object2DObject& placed = *AsObject2D(item);
      const ShapePoint moved = Turned({placed.x, placed.y}, centre, turn);
      SetPositionWithin(item, moved.x, moved.y, depth - 1);
      SetRotationWithin(item, placed.rotation + turn, depth - 1);
    }
  } else if (base.kind == kKindCurve) {
    double turning[3] = {turn, base.x, base.y};
    ForEachCurvePoint(
        AsCurve(shape),
        [](double& px, double& py, void* context) {
          const double* t = static_cast<double*>(context);
          const ShapePoint p = Turned({px, py}, {t[1], t[2]}, t[0]);
          px = p.x;
          py = p.y;
        },
        turning);
  }
  base.rotation = rotation;
}

// ---- outlines, in the shape's frame, then placed ----

void AppendPlaced(const Object2DObject& shape, ShapePoints& points, double u, double v) {
  points.Append(PlaceShapePoint(shape, {u, v}));
}

void RectOutline(const RectShapeObject& rect, ShapePoints& points) {
  const double w = rect.width / 2;
  const double h = rect.height / 2;
  AppendPlaced(rect.base, points, w, h);
  AppendPlaced(rect.base, points, -w, h);
  AppendPlaced(rect.base, points, -w, -h);
  AppendPlaced(rect.base, points, w, -h);
}

// Each corner a quarter ellipse of q + 1 points, from its end on one edge to its end on the
// next, the corners in the rectangle's order.
void RoundRectOutline(const RoundRectShapeObject& round, ShapePoints& points) {
  const RectShapeObject& rect = round.rect;
  if (!(round.cornerWidth > 0 && round.cornerHeight > 0)) {
    RectOutline(rect, points);
    return;
  }
  const double cw = std::fmin(round.cornerWidth, rect.width - 0.01);
  const double ch = std::fmin(round.cornerHeight, rect.height - 0.01);
  int32_t n = round.segments;
  if (n < 4) {
    n = SegmentCount(BorderFactor(rect.base) * (cw + ch) * rect.base.scale * 0.2, 4, 1024);
  }
  if (n > 1024) n = 1024;
  const int32_t q = (n + 3) / 4;
  const double step = kTwoPi / (4 * q);
  const double centreU = (rect.width - cw) / 2;
  const double centreV = (rect.height - ch) / 2;
  static const int32_t kSigns[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
  for (int32_t corner = 0; corner < 4; ++corner) {
    for (int32_t j = 0; j <= q; ++j) {
      const double angle = (corner * q + j) * step;
      AppendPlaced(rect.base, points, kSigns[corner][0] * centreU + cw / 2 * std::cos(angle),
                   kSigns[corner][1] * centreV + ch / 2 * std::sin(angle));
    }
  }
}

void OvalOutline(const OvalShapeObject& oval, ShapePoints& points) {
  const RectShapeObject& rect = oval.rect;
  int32_t n = oval.segments;
  if (n < 3) {
    n = SegmentCount(BorderFactor(rect.base) * (std::fabs(rect.width) + std::fabs(rect.height)) *
                         rect.base.scale * 0.2,
                     8, 1024);
  }
  if (n > 1024) n = 1024;
  for (int32_t i = 0; i < n; ++i) {
    const double angle = i * kTwoPi / n;
    AppendPlaced(rect.base, points, rect.width / 2 * std::cos(angle),
                 rect.height / 2 * std::sin(angle));
  }
}

// The arc's points, then its centre: a pie.
void ArcOutline(const ArcShapeObject& arc, ShapePoints& points) {
  const RectShapeObject& rect = arc.oval.rect;
  const double sweep = ReduceAngle(arc.arcAngle);
  int32_t n = SegmentCount(arc.oval.segments * sweep / kTwoPi, 0, 1024);
  if (n < 1) {
    n = SegmentCount(BorderFactor(rect.base) * (std::fabs(rect.width) + std::fabs(rect.height)) *
                         rect.base.scale * 0.2,
                     8, 1024);
  }
  for (int32_t i = 0; i <= n; ++i) {
    const double angle = arc.startAngle + i * sweep / n;
    AppendPlaced(rect.base, points, rect.width / 2 * std::cos(angle),
                 rect.height / 2 * std::sin(angle));
  }
  AppendPlaced(rect.base, points, 0, 0);
}

double DistanceSquared(double x1, double y1, double x2, double y2) {
  return (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
}

// The curve's points after its start.
void AppendCurveTail(const CurveShapeObject& curve, ShapePoints& points) {
  if (curve.order <= 0) {
    points.Append({curve.x2, curve.y2});
    return;
  }
  const int32_t n = CurveSegmentCount(curve);
  for (int32_t i = 1; i <= n; ++i) points.Append(CurvePointAt(curve, double(i) / n));
}

void FigureOutline(RuntimeObject* figure, ShapePoints& points) {
  const uint32_t first = points.size();
  SimpleVector<RuntimeObject*>& items = AsGroup(figure).items;
  for (uint32_t i = 0; i < items.size(); ++i) {
    RuntimeObject* item = items[int32_t(i)];
    if (!item || AsObject2D(item)->kind != kKindCurve) continue;
    const CurveShapeObject& curve = AsCurve(item);
    const ShapePoint start = {curve.base.x, curve.base.y};
    if (points.size() == first || !(points[int32_t(points.size() - 1)] == start)) {
      points.Append(start);
    }
    AppendCurveTail(curve, points);
  }
  // The outline closes by itself.
  if (points.size() > first + 1 && points[int32_t(points.size() - 1)] == points[int32_t(first)]) {
    points.Pop();
  }
}

bool InsideOpenRect(const RectShapeObject& rect, ShapePoint p) {
  return -rect.width / 2 < p.x && p.x < rect.width / 2 && -rect.height / 2 < p.y &&
         p.y < rect.height / 2;
}

bool InsideEllipse(const RectShapeObject& rect, ShapePoint p) {
  const double u = p.x / (rect.width / 2);
  const double v = p.y / (rect.height / 2);
  return InsideOpenRect(rect, p) && u * u + v * v < 1;
}

// An angle within the sweep that starts at start (either way round).
bool WithinSweep(double angle, double start, double sweep) {
  if (sweep < 0) {
    start += sweep;
    sweep = -sweep;
  }
  double offset = std::fmod(angle - start, kTwoPi);
  if (offset < 0) offset += kTwoPi;
  return offset <= sweep;
}

bool InsideRoundRect(const RoundRectShapeObject& round, ShapePoint p) {
  const RectShapeObject& rect = round.rect;
  if (!InsideOpenRect(rect, p)) return false;
  if (!(round.cornerWidth > 0 && round.cornerHeight > 0)) return true;
  const double rw = std::fmin(round.cornerWidth, rect.width - 0.01) / 2;
  const double rh = std::fmin(round.cornerHeight, rect.height - 0.01) / 2;
  const double du = std::fabs(p.x) - (rect.width / 2 - rw);
  const double dv = std::fabs(p.y) - (rect.height / 2 - rh);
  if (du <= 0 || dv <= 0) return true;
  return (du / rw) * (du / rw) + (dv / rh) * (dv / rh) < 1;
}

}  // namespace

double ReduceAngle(double angle) { return std::fmod(angle, kTwoPi); }

ShapePoint PlaceShapePoint(const Object2DObject& shape, ShapePoint point) {
  double u = point.x;
  double v = point.y;
  if (std::fabs(shape.rotation) > kRotationEpsilon) {
    const double c = std::cos(shape.rotation);
    const double s = std::sin(shape.rotation);
    const double turnedU = u * c - v * s;
    v = u * s + v * c;
    u = turnedU;
  }
  return {u * shape.scale + shape.x, v * shape.scale + shape.y};
}

ShapePoint UnplaceShapePoint(const Object2DObject& shape, ShapePoint point) {
  double u = point.x - shape.x;
  double v = point.y - shape.y;
  if (std::fabs(shape.rotation) > kRotationEpsilon) {
    const double c = std::cos(-shape.rotation);
    const double s = std::sin(-shape.rotation);
    const double turnedU = u * c - v * s;
    v = u * s + v * c;
    u = turnedU;
  }
  return {u / shape.scale, v / shape.scale};
}

void Object2DSetPosition(RuntimeObject* shape, double x, double y) {
  if (shape) SetPositionWithin(shape, x, y, kObject2DDepthLimit);
}

void Object2DSetScale(RuntimeObject* shape, double scale) {
  if (shape) SetScaleWithin(shape, scale, kObject2DDepthLimit);
}

void Object2DSetRotation(RuntimeObject* shape, double rotation) {
  if (shape) SetRotationWithin(shape, rotation, kObject2DDepthLimit);
}

int32_t CurveSegmentCount(const CurveShapeObject& curve) {
  if (curve.order <= 0) return 1;
  if (curve.segments >= 3) return curve.segments > 512 ? 512 : curve.segments;
  const double x = curve.base.x;
  const double y = curve.base.y;
  const double farther = curve.order == 1
                             ? DistanceSquared(x, y, curve.control[0][0], curve.control[0][1])
                             : DistanceSquared(curve.x2, curve.y2, curve.control[1][0],
                                               curve.control[1][1]);
  const double length = std::sqrt(DistanceSquared(x, y, curve.x2, curve.y2) +
                                  DistanceSquared(x, y, curve.control[0][0], curve.control[0][1]) +
                                  farther);
  return SegmentCount(0.1 * curve.base.scale * length, 3, 512);
}

ShapePoint CurvePointAt(const CurveShapeObject& curve, double t) {
  const double s = 1 - t;
  const double x0 = curve.base.x, y0 = curve.base.y;
  const double* c1 = curve.control[0];
  const double* c2 = curve.control[1];
  if (curve.order == 1) {
    return {s * s * x0 + 2 * t * s * c1[0] + t * t * curve.x2,
            s * s * y0 + 2 * t * s * c1[1] + t * t * curve.y2};
  }
  if (curve.order >= 2) {
    return {s * s * s * x0 + 3 * t * s * s * c1[0] + 3 * t * t * s * c2[0] + t * t * t * curve.x2,
            s * s * s * y0 + 3 * t * s * s * c1[1] + 3 * t * t * s * c2[1] + t * t * t * curve.y2};
  }
  return {x0 + (curve.x2 - x0) * t, y0 + (curve.y2 - y0) * t};
}

bool Object2DOutline(RuntimeObject* shape, ShapePoints& points) {
  if (!shape) return false;
  switch (AsObject2D(shape)->kind) {
    case kKindRect:
    case kKindPixmap:
      RectOutline(AsRect(shape), points);
      return true;
    case kKindRoundRect:
      RoundRectOutline(*reinterpret_cast<RoundRectShapeObject*>(shape), points);
      return true;
    case kKindOval:
      OvalOutline(*reinterpret_cast<OvalShapeObject*>(shape), points);
      return true;
    case kKindArc:
      ArcOutline(*reinterpret_cast<ArcShapeObject*>(shape), points);
      return true;
    case kKindCurve:
      points.Append({AsObject2D(shape)->x, AsObject2D(shape)->y});
      AppendCurveTail(AsCurve(shape), points);
      return true;
    case kKindFigure:
      FigureOutline(shape, points);
      return true;
    default:
      return false;
  }
}

bool Object2DContains(RuntimeObject* shape, double x, double y) {
  if (!shape) return false;
  const Object2DObject& base = *AsObject2D(shape);
  const ShapePoint p = UnplaceShapePoint(base, {x, y});
  const RectShapeObject& rect = AsRect(shape);
  switch (base.kind) {
    case kKindOval:
      return InsideEllipse(rect, p);
    case kKindArc: {
      const ArcShapeObject& arc = *reinterpret_cast<const ArcShapeObject*>(shape);
      const double angle = std::atan2(p.y / (rect.height / 2), p.x / (rect.width / 2));
      return InsideEllipse(rect, p) && WithinSweep(angle, arc.startAngle, arc.arcAngle);
    }
    case kKindRoundRect:
      return InsideRoundRect(*reinterpret_cast<const RoundRectShapeObject*>(shape), p);
    case kKindRect:
    case kKindPixmap:
      return InsideOpenRect(rect, p);
    default:
      return false;
  }
}
