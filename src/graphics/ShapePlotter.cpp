#include "graphics/ShapePlotter.h"

#include <algorithm>
#include <cmath>

#include "core/RuntimeError.h"
#include "graphics/PictureClass.h"
#include "graphics/PictureRotation.h"

namespace {

constexpr double kUnturned = 0.001;

// A coordinate on the pixel grid, halves rounded up, kept within what the drawable's 16-bit
// coordinates can hold (also for values that are not numbers).
int32_t ToPixel(double value) {
  const double rounded = std::trunc(value + 0.5);
  if (!(rounded > -32768)) return -32768;
  if (rounded > 32767) return 32767;
  return int32_t(rounded);
}

// A value truncated toward zero, kept within 16-bit coordinates.
int32_t Truncated(double value) {
  if (!(value > -32768)) return -32768;
  if (value > 32767) return 32767;
  return int32_t(value);
}

void SetPartColor(Graphics& g, uint32_t rgb, double fraction) {
  g.SetForeColor(ColorFromRGB(rgb));
  g.SetOpacity(float(fraction));
}

// points without consecutive repeats (nor, when closed, a last point equal to the first).
void DistinctPoints(const ShapePoints& points, uint32_t count, bool open, ShapePoints& out) {
  for (uint32_t i = 0; i < count; ++i) {
    const ShapePoint& p = points[int32_t(i)];
    if (out.size() > 0 && out[int32_t(out.size() - 1)] == p) continue;
    out.Append(p);
  }
  if (!open && out.size() > 1 && out[int32_t(out.size() - 1)] == out[0]) out.Pop();
}

struct OffsetEdge {
  ShapePoint start;
  ShapePoint end;
};

// The edge from a to b moved by distance along its normal (dy, -dx) / length.
OffsetEdge MovedEdge(ShapePoint a, ShapePoint b, double distance) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double nx = dy / length * distance;
  const double ny = -dx / length * distance;
  return {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}};
}

// Where the lines through two moved edges meet; the first edge's end when they are parallel.
ShapePoint Mitre(const OffsetEdge& before, const OffsetEdge& after) {
  const double ax = before.end.x - before.start.x;
  const double ay = before.end.y - before.start.y;
  const double bx = after.end.x - after.start.x;
  const double by = after.end.y - after.start.y;
  const double cross = ax * by - ay * bx;
  if (std::fabs(cross) <= 1e-10) return before.end;
  const double t = ((after.start.x - before.start.x) * by - (after.start.y - before.start.y) * bx) /
                   cross;
  return {before.start.x + ax * t, before.start.y + ay * t};
}

void AppendPixelPoint(SimpleVector<GdkPoint>& polygon, const ShapePoint& p) {
  polygon.Append({ToPixel(p.x), ToPixel(p.y)});
}

}  // namespace

bool PartVisible(const Graphics& g, double fraction) {
  return fraction >= 0.5 || g.CanDrawTranslucent();
}

void ShapePlotter::Plot(RuntimeObject* shape, int32_t depth) {
  if (!shape) return;
  GraphicsState state(mGraphics);
  state.Save();
  mGraphics.SetPenSize(1, 1);
  switch (AsObject2D(shape)->kind) {
    case kKindString:
      PlotString(shape);
      break;
    case kKindFigure:
      PlotFigure(shape);
      break;
    case kKindOval:
      PlotOval(shape);
      break;
    case kKindArc:
    case kKindCurve:
      PlotOpenShape(shape);
      break;
    case kKindRoundRect:
    case kKindRect:
      PlotClosedShape(shape);
      break;
    case kKindPixmap:
      PlotPixmap(shape);
      break;
    case kKindGroup:
      if (depth >= 1) {
        const SimpleVector<RuntimeObject*>& items =
            reinterpret_cast<Group2DObject*>(shape)->items;
        for (uint32_t i = 0; i < items.size(); ++i) Plot(items[int32_t(i)], depth - 1);
      }
      break;
    default:
      break;
  }
  state.Restore();
}

void ShapePlotter::PlotAt(RuntimeObject* shape, int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) {
    Plot(shape);
    return;
  }
  if (!shape) return;
  GraphicsState state(mGraphics);
  state.Save();
  const double x = AsObject2D(shape)->x;
  const double y = AsObject2D(shape)->y;
  Object2DSetPosition(shape, x + dx, y + dy);
  Plot(shape);
  Object2DSetPosition(shape, x, y);
  state.Restore();
}

bool ShapePlotter::PaneOffset(int32_t* left, int32_t* top) {
  DrawingTarget* target = mGraphics.Target();
  if (!QV_CHECK_TEXT(target, "thePane", nullptr)) return false;
  *left = target->GetBounds().left;
  *top = target->GetBounds().top;
  return true;
}

void ShapePlotter::PlotClosedShape(RuntimeObject* shape) {
  ShapePoints points;
  if (!QV_CHECK_TEXT(Object2DOutline(shape, points), "0", nullptr)) return;
  PlotPolygon(*AsObject2D(shape), points, points.size(), false);
}

void ShapePlotter::PlotFigure(RuntimeObject* shape) { PlotClosedShape(shape); }

// An arc's border leaves out the centre that closes its pie.
void ShapePlotter::PlotOpenShape(RuntimeObject* shape) {
  const uint32_t kind = AsObject2D(shape)->kind;
  if (!QV_CHECK_TEXT(kind == kKindArc || kind == kKindCurve, "0", nullptr)) return;
  ShapePoints points;
  Object2DOutline(shape, points);
  const uint32_t borderCount = kind == kKindArc ? points.size() - 1 : points.size();
  PlotPolygon(*AsObject2D(shape), points, borderCount, true);
}

void ShapePlotter::PlotPolygon(const Object2DObject& shape, const ShapePoints& points,
                               uint32_t borderCount, bool open) {
  if (points.empty()) return;
  if (PartVisible(mGraphics, shape.fill)) {
    SimpleVector<GdkPoint> polygon;
    for (uint32_t i = 0; i < points.size(); ++i) AppendPixelPoint(polygon, points[int32_t(i)]);
    SetPartColor(mGraphics, shape.fillColor, shape.fill);
    mGraphics.DrawPolygon(polygon.data(), int32_t(polygon.size()), kPolygonFilled);
  }
  if (!PartVisible(mGraphics, shape.border) || !(shape.borderWidth > 0)) return;
  SetPartColor(mGraphics, shape.borderColor, shape.border);
  const double width = shape.scale * shape.borderWidth;
  if (width < 1.5) {
    ThinBorder(points, borderCount, open);
  } else {
    ThickBorder(points, borderCount, open, width);
  }
}

void ShapePlotter::ThinBorder(const ShapePoints& points, uint32_t count, bool open) {
  int32_t left = 0;
  int32_t top = 0;
  if (count == 0 || !PaneOffset(&left, &top)) return;
  mGraphics.SetPenSize(1, 1);
  auto at = [&](uint32_t i) {
    const ShapePoint& p = points[int32_t(i)];
    return GdkPoint{ToPixel(p.x) + left, ToPixel(p.y) + top};
  };
  const GdkPoint start = at(open ? 0 : count - 1);
  mGraphics.MoveTo(start.x, start.y);
  for (uint32_t i = open ? 1 : 0; i < count; ++i) {
    const GdkPoint p = at(i);
    mGraphics.LineTo(p.x, p.y);
  }
}

// The outline offset outward and inward by half the width, joined into one ring: the outer
// points in order, back to the first, then the inner ones the other way round.
void ShapePlotter::ThickBorder(const ShapePoints& points, uint32_t count, bool open,
                               double width) {
  ShapePoints outer;
  ShapePoints inner;
  OffsetOutline(points, count, open, width / 2, outer);
  OffsetOutline(points, count, open, -width / 2, inner);
  const uint32_t n = outer.size();
  if (n < 2 || inner.size() != n) return;
  SimpleVector<GdkPoint> ring;
  if (open) {
    for (uint32_t i = 0; i < n; ++i) AppendPixelPoint(ring, outer[int32_t(i)]);
    for (uint32_t i = n; i-- > 0;) AppendPixelPoint(ring, inner[int32_t(i)]);
  } else {
    for (uint32_t i = 0; i <= n; ++i) AppendPixelPoint(ring, outer[int32_t(i % n)]);
    for (uint32_t i = n + 1; i-- > 0;) AppendPixelPoint(ring, inner[int32_t(i % n)]);
  }
  mGraphics.DrawPolygon(ring.data(), int32_t(ring.size()), kPolygonFillOnly);
}

// An oval whose outline is not turned is drawn by the Graphics' oval operations: interior
// filled, border as wide as the pen (the rectangle grown by half of it).
void ShapePlotter::PlotOval(RuntimeObject* shape) {
  const RectShapeObject& rect = *reinterpret_cast<RectShapeObject*>(shape);
  const Object2DObject& base = rect.base;
  ShapePoints corners;
  const double w = rect.width / 2;
  const double h = rect.height / 2;
  for (const ShapePoint& corner : {ShapePoint{w, h}, ShapePoint{-w, h}, ShapePoint{-w, -h},
                                   ShapePoint{w, -h}}) {
    corners.Append(PlaceShapePoint(base, corner));
  }
  const double tolerance = (rect.width + rect.height) * base.scale * 0.01;
  if (!EdgesAlongAxes(corners, tolerance)) {
    PlotClosedShape(shape);
    return;
  }
  int32_t paneLeft = 0;
  int32_t paneTop = 0;
  if (!PaneOffset(&paneLeft, &paneTop)) return;
  double minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY;
  for (uint32_t i = 1; i < 4; ++i) {
    minX = std::fmin(minX, corners[int32_t(i)].x);
    maxX = std::fmax(maxX, corners[int32_t(i)].x);
    minY = std::fmin(minY, corners[int32_t(i)].y);
    maxY = std::fmax(maxY, corners[int32_t(i)].y);
  }
  QV::Rect box;
  RectSet(box, ToPixel(minX) + paneLeft, ToPixel(minY) + paneTop, ToPixel(maxX) + paneLeft,
          ToPixel(maxY) + paneTop);
  if (PartVisible(mGraphics, base.fill)) {
    SetPartColor(mGraphics, base.fillColor, base.fill);
    mGraphics.FillOval(box);
  }
  if (!PartVisible(mGraphics, base.border) || !(base.borderWidth > 0)) return;
  SetPartColor(mGraphics, base.borderColor, base.border);
  const int32_t penWidth = std::max(Truncated(base.scale * base.borderWidth), 1);
  if (penWidth > 1) RectInset(box, -(penWidth / 2), -(penWidth / 2));
  mGraphics.SetPenSize(penWidth, penWidth);
  mGraphics.DrawOval(box);
  mGraphics.PenNormal();
}

// Text is drawn centred on X with its baseline at Y, turned about that point.
void ShapePlotter::PlotString(RuntimeObject* shape) {
  const StringShapeObject& text = *reinterpret_cast<StringShapeObject*>(shape);
  const Object2DObject& base = text.base;
  if (!PartVisible(mGraphics, base.fill)) return;
  mGraphics.SetOpacity(float(base.fill));
  int32_t paneLeft = 0;
  int32_t paneTop = 0;
  if (!PaneOffset(&paneLeft, &paneTop)) return;
  mGraphics.SetTextFont(string(text.textFont));
  const double size = (text.textSize > 0 ? text.textSize : 12) * base.scale;
  mGraphics.SetTextSize(Truncated(size));
  mGraphics.SetTextStyle((text.bold ? kStyleBold : 0) | (text.italic ? kStyleItalic : 0) |
                         (text.underline ? kStyleUnderline : 0));
  mGraphics.SetForeColor(ColorFromRGB(base.fillColor));
  const string words(text.text);
  const int32_t width = mGraphics.StringWidth(words);
  const double angle = ReduceAngle(base.rotation);
  if (!(angle > -kUnturned && angle < kUnturned)) {
    PlotTurnedString(shape, words, width, angle, paneLeft, paneTop);
    return;
  }
  mGraphics.DrawString(words, Truncated(base.x + paneLeft - width / 2.0),
                       Truncated(base.y + paneTop));
}

bool TurnedRectBounds(double angle, int32_t* left, int32_t* top, int32_t* width,
                      int32_t* height) {
  if (!QV_CHECK_TEXT(left && top && width && height, "left and top and width and height",
                     nullptr)) {
    return false;
  }
  const double centreX = *left + *width / 2.0;
  const double centreY = *top + *height / 2.0;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int32_t corner = 0; corner < 4; ++corner) {
    const double u = (corner & 1 ? 1 : -1) * *width / 2.0;
    const double v = (corner & 2 ? 1 : -1) * *height / 2.0;
    const double x = u * c - v * s;
    const double y = u * s + v * c;
    if (corner == 0 || x < minX) minX = x;
    if (corner == 0 || x > maxX) maxX = x;
    if (corner == 0 || y < minY) minY = y;
    if (corner == 0 || y > maxY) maxY = y;
  }
  *left = int32_t(std::fmax(0, std::trunc(minX + centreX - 1)));
  *top = int32_t(std::fmax(0, std::trunc(minY + centreY - 1)));
  *width = int32_t(std::trunc(maxX - minX + 3));
  *height = int32_t(std::trunc(maxY - minY + 3));
  return true;
}

bool EdgesAlongAxes(const ShapePoints& points, double tolerance) {
  if (!QV_CHECK_TEXT(points.size() == 4, "points.size() == 4", nullptr)) return false;
  for (int32_t i = 0; i < 4; ++i) {
    const ShapePoint& a = points[i];
    const ShapePoint& b = points[(i + 1) % 4];
    if (std::fabs(b.x - a.x) > tolerance && std::fabs(b.y - a.y) > tolerance) return false;
  }
  return true;
}

void OffsetOutline(const ShapePoints& points, uint32_t count, bool open, double distance,
                   ShapePoints& result) {
  ShapePoints path;
  DistinctPoints(points, count, open, path);
  const uint32_t n = path.size();
  if (n < 2) return;
  const uint32_t edges = open ? n - 1 : n;
  SimpleVector<OffsetEdge> moved;
  for (uint32_t i = 0; i < edges; ++i) {
    moved.Append(MovedEdge(path[int32_t(i)], path[int32_t((i + 1) % n)], distance));
  }
  for (uint32_t i = 0; i < n; ++i) {
    if (open && i == 0) {
      result.Append(moved[0].start);
    } else if (open && i == n - 1) {
      result.Append(moved[int32_t(edges - 1)].end);
    } else {
      const uint32_t before = (i + edges - 1) % edges;
      result.Append(Mitre(moved[int32_t(before)], moved[int32_t(i % edges)]));
    }
  }
}

namespace {

// A square surface of at least side (raised to be even), white, or nil after the report.
DrawablePane* SquareSurface(int32_t side) {
  side = std::min(side + (side & 1), kLargestPictureSide - 1);
  auto* pane = new DrawablePane({0, 0}, {int16_t(side), int16_t(side)}, 32);
  if (pane->HasPixmap()) return pane;
  pane->Release();
  return nullptr;
}

// A Graphics on surface with the text style of g.
Graphics* GraphicsWithFontOf(DrawablePane* surface, const Graphics& g) {
  Graphics* drawing = surface->NewGraphics();
  if (!drawing) return nullptr;
  drawing->SetTextFont(g.TextFont());
  drawing->SetTextSize(g.TextSize());
  drawing->SetTextStyle(g.TextStyle());
  return drawing;
}

// The colour surface is copied through its turned mask: black in the mask is the picture or
// the text, white is clear. The mask is turned into a new surface that takes its place.
bool TurnMask(DrawablePane* colour, double angle) {
  auto* mask = dynamic_cast<DrawablePane*>(colour->GetMask());
  DrawablePane* turned = SquareSurface(colour->Width());
  if (!QV_CHECK_TEXT(mask && turned, "srcMask and dstMask", nullptr)) {
    if (turned) turned->Release();
    return false;
  }
  RotateDrawable(mask, turned, angle, kRotateFillWhite);
  colour->SetMask(turned);
  return true;
}

// White as transparent: the mask turns clear wherever the colour surface is pure white.
void ClearWhite(DrawablePane* colour) {
  auto* mask = dynamic_cast<DrawablePane*>(colour->GetMask());
  GdkPixbuf* pixels = colour->GetPixbuf();
  GdkPixbuf* clear = mask ? mask->GetPixbuf() : nullptr;
  if (!pixels || !clear) return;
  const int32_t side = colour->Width();
  for (int32_t y = 0; y < side; ++y) {
    const guchar* p = gdk_pixbuf_get_pixels(pixels) + y * gdk_pixbuf_get_rowstride(pixels);
    guchar* m = gdk_pixbuf_get_pixels(clear) + y * gdk_pixbuf_get_rowstride(clear);
    for (int32_t x = 0; x < side; ++x, p += 4, m += 4) {
      if (p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF) m[0] = m[1] = m[2] = 0xFF;
    }
  }
  gdk_draw_pixbuf(mask->GetPixmap(), mask->GetGC(), clear, 0, 0, 0, 0, side, side,
                  GDK_RGB_DITHER_NONE, 0, 0);
}

}  // namespace

// The text on a square as wide as it and twice its ascent, about its baseline's centre.
void ShapePlotter::PlotTurnedString(RuntimeObject* shape, const string& words, int32_t width,
                                    double angle, int32_t paneLeft, int32_t paneTop) {
  const Object2DObject& base = *AsObject2D(shape);
  const int32_t ascent = std::max(mGraphics.TextAscent(), 0);
  DrawablePane* colour = SquareSurface(std::max(width, 0) + 2 * ascent + 4);
  Graphics* g = colour ? GraphicsWithFontOf(colour, mGraphics) : nullptr;
  if (!QV_CHECK_TEXT(g, "g", nullptr)) {
    if (colour) colour->Release();
    return;
  }
  const int32_t side = colour->Width();
  QV::Rect whole;
  RectSet(whole, 0, 0, side, side);
  g->SetForeColor(ColorFromRGB(base.fillColor));
  g->PaintRect(whole);
  Graphics::Destroy(g);
  colour->DiscardCache();
  colour->EnsureMask();
  auto* mask = dynamic_cast<DrawablePane*>(colour->GetMask());
  Graphics* m = mask ? GraphicsWithFontOf(mask, mGraphics) : nullptr;
  if (!QV_CHECK_TEXT(m, "g", nullptr)) {
    colour->Release();
    return;
  }
  m->SetForeColor(ColorFromRGB(0));
  m->DrawString(words, (side - width) / 2, side / 2);
  Graphics::Destroy(m);
  mask->DiscardCache();
  if (TurnMask(colour, -angle)) {
    // The text's box, grown to be symmetric about the square's centre, turned.
    const int32_t reach = std::max(ascent, std::max(mGraphics.TextDescent(), 0));
    int32_t left = (side - width) / 2, top = side / 2 - reach;
    int32_t partWidth = width, partHeight = 2 * reach;
    TurnedRectBounds(-angle, &left, &top, &partWidth, &partHeight);
    // The turn is about the square's centre: the baseline's centre, which lands on (X, Y).
    const int32_t x = Truncated(base.x + paneLeft - side / 2.0);
    const int32_t y = Truncated(base.y + paneTop - side / 2.0);
    partWidth = std::min(partWidth, side - left);
    partHeight = std::min(partHeight, side - top);
    mGraphics.DrawDrawableAt(x + left, y + top, colour, left, top, partWidth, partHeight, false);
  }
  colour->Release();
}

void ShapePlotter::PlotPixmapBorder(RuntimeObject* shape) {
  Object2DObject& base = *AsObject2D(shape);
  if (!PartVisible(mGraphics, base.border) || !(base.borderWidth > 0)) return;
  const double fill = base.fill;
  base.fill = 0;
  PlotClosedShape(shape);
  base.fill = fill;
}

// The source part of the picture scaled to the shape's size, centred on (X, Y); turned, it goes
// through a square surface and a mask turned with it. The border comes last.
void ShapePlotter::PlotPixmap(RuntimeObject* shape) {
  const PixmapShapeObject& pixmap = *reinterpret_cast<PixmapShapeObject*>(shape);
  const Object2DObject& base = pixmap.rect.base;
  QV::Drawable* surface = PictureDrawable(pixmap.image);
  int32_t paneLeft = 0, paneTop = 0;
  if (!surface || !PartVisible(mGraphics, base.fill) || !PaneOffset(&paneLeft, &paneTop)) {
    PlotPixmapBorder(shape);
    return;
  }
  mGraphics.SetOpacity(float(base.fill));
  int32_t pw = 0, ph = 0;
  surface->GetSize(&pw, &ph);
  int64_t dw = Truncated(pixmap.rect.width * base.scale);
  int64_t dh = Truncated(pixmap.rect.height * base.scale);
  int64_t left = Truncated(base.x - double(dw / 2)), top = Truncated(base.y - double(dh / 2));
  int64_t sl = pixmap.sourceLeft, st = pixmap.sourceTop;
  int64_t sw = pixmap.sourceWidth, sh = pixmap.sourceHeight;
  if (!ClipSourceRun(left, dw, sl, sw, pw) || !ClipSourceRun(top, dh, st, sh, ph)) {
    PlotPixmapBorder(shape);
    return;
  }
  const bool transparent = pictureTransparentGetter(pixmap.image, 0) != 0;
  if (base.rotation >= -kUnturned && base.rotation <= kUnturned) {
    mGraphics.DrawDrawable(int32_t(left + paneLeft), int32_t(top + paneTop), int32_t(dw),
                           int32_t(dh), surface, int32_t(sl), int32_t(st), int32_t(sw),
                           int32_t(sh), transparent);
    PlotPixmapBorder(shape);
    return;
  }
  DrawablePane* colour = SquareSurface(int32_t(std::min<int64_t>(dw + dh, kLargestPictureSide)));
  Graphics* g = colour ? colour->NewGraphics() : nullptr;
  if (!QV_CHECK_TEXT(g, "srcMask and dstMask", nullptr)) {
    if (colour) colour->Release();
    return;
  }
  const int32_t side = colour->Width();
  // The picture in the middle of the square; its mask black where it is opaque.
  const int32_t x0 = int32_t((side - dw) / 2), y0 = int32_t((side - dh) / 2);
  g->DrawDrawable(x0, y0, int32_t(dw), int32_t(dh), surface, int32_t(sl), int32_t(st),
                  int32_t(sw), int32_t(sh), false);
  Graphics::Destroy(g);
  colour->DiscardCache();
  colour->EnsureMask();
  auto* mask = dynamic_cast<DrawablePane*>(colour->GetMask());
  if (Graphics* m = mask ? mask->NewGraphics() : nullptr) {
    QV::Rect area;
    RectSet(area, x0, y0, x0 + int32_t(dw), y0 + int32_t(dh));
    if (surface->GetMask()) {
      m->DrawDrawable(x0, y0, int32_t(dw), int32_t(dh), surface->GetMask(), int32_t(sl),
                      int32_t(st), int32_t(sw), int32_t(sh), false);
    } else {
      m->SetForeColor(ColorFromRGB(0));
      m->FillRect(area);
    }
    Graphics::Destroy(m);
    mask->DiscardCache();
  }
  if (transparent) ClearWhite(colour);
  if (TurnMask(colour, -base.rotation)) {
    DrawablePane* turned = SquareSurface(side);
    if (turned) {
      RotateDrawable(colour, turned, -base.rotation, kRotateFillWhite);
      turned->SetMask(colour->GetMask());
      colour->GetMask()->Retain();
      mGraphics.DrawDrawableAt(Truncated(base.x + paneLeft - side / 2.0),
                               Truncated(base.y + paneTop - side / 2.0), turned, 0, 0, side,
                               side, false);
      turned->Release();
    }
  }
  colour->Release();
  PlotPixmapBorder(shape);
}
