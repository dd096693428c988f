// The Graphics class's methods: each turns pane-relative coordinates into the window's by the
// pane's left and top and calls the native Graphics.
#include <algorithm>

#include "arrays/ArrayElementAccess.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "graphics/Drawable.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "graphics/ShapePlotter.h"

namespace {

// The native Graphics of a drawing method with the pane's left and top: nil (after the
// report) when the object draws into no pane. An off-screen surface's cached pixels go, as
// they are about to change.
struct Drawing {
  Graphics* g = nullptr;
  int32_t left = 0;
  int32_t top = 0;
};

Drawing PaneForDrawing(RuntimeObject* object) {
  if (!object) {
    RaiseNilObjectException();
    return {};
  }
  Graphics* g = NativeGraphicsOf(object);
  if (g && g->TargetLost()) return {};
  DrawingTarget* target = g ? g->Target() : nullptr;
  if (!QV_CHECK_TEXT(target, "thePane", nullptr)) return {};
  DrawablePane* surface = target->OffscreenSurface();
  if (surface && surface->HasCachedPixels()) surface->DiscardCache();
  return {g, target->GetBounds().left, target->GetBounds().top};
}

// The native Graphics of a measuring method; nil for a nil object (after the exception) or one
// without a Graphics.
Graphics* MeasuringGraphics(RuntimeObject* object) {
  if (!object) {
    RaiseNilObjectException();
    return nullptr;
  }
  return NativeGraphicsOf(object);
}

QV::Rect PaneRect(const Drawing& d, int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t left = x + d.left;
  const int32_t top = y + d.top;
  return {int16_t(top), int16_t(left), int16_t(top + height), int16_t(left + width)};
}

// Calls draw with the rectangle when the object may draw.
template <typename Draw>
void DrawInRect(RuntimeObject* object, int32_t x, int32_t y, int32_t width, int32_t height,
                Draw draw) {
  const Drawing d = PaneForDrawing(object);
  if (d.g) draw(*d.g, PaneRect(d, x, y, width, height));
}

void DrawPolygonFrom(RuntimeObject* object, RuntimeArray* points, PolygonStyle style) {
  const Drawing d = PaneForDrawing(object);
  if (!d.g || !points) return;
  const int32_t count = RuntimeUBound(points);
  if (count < 1) return;
  SimpleVector<GdkPoint> corners;
  for (int32_t i = 1; i + 1 <= count; i += 2) {
    corners.Append(
        {RuntimeDirectReadIntArray(points, i), RuntimeDirectReadIntArray(points, i + 1)});
  }
  d.g->DrawPolygon(corners.data(), int32_t(corners.size()), style);
}

void DrawIcon(RuntimeObject* object, int32_t kind, int32_t x, int32_t y) {
  const Drawing d = PaneForDrawing(object);
  if (d.g) d.g->DrawStockIcon(kind, x + d.left, y + d.top, 32, 32);
}

}  // namespace

extern "C" void RuntimeGraphicsClearRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                         int32_t height) {
  DrawInRect(g, x, y, width, height, [](Graphics& n, const QV::Rect& r) { n.ClearRect(r); });
}
QV_EXPORT(RuntimeGraphicsClearRect)

extern "C" void RuntimeGraphicsDrawRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
  DrawInRect(g, x, y, width, height, [](Graphics& n, const QV::Rect& r) { n.DrawRect(r); });
}
QV_EXPORT(RuntimeGraphicsDrawRect)

extern "C" void RuntimeGraphicsFillRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
  DrawInRect(g, x, y, width, height, [](Graphics& n, const QV::Rect& r) { n.FillRect(r); });
}
QV_EXPORT(RuntimeGraphicsFillRect)

extern "C" void RuntimeGraphicsDrawOval(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
  DrawInRect(g, x, y, width, height, [](Graphics& n, const QV::Rect& r) { n.DrawOval(r); });
}
QV_EXPORT(RuntimeGraphicsDrawOval)

extern "C" void RuntimeGraphicsFillOval(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
  DrawInRect(g, x, y, width, height, [](Graphics& n, const QV::Rect& r) { n.FillOval(r); });
}
QV_EXPORT(RuntimeGraphicsFillOval)

extern "C" void RuntimeGraphicsDrawFocusRing(RuntimeObject* g, int32_t x, int32_t y,
                                             int32_t width, int32_t height) {
  DrawInRect(g, x, y, width, height,
             [](Graphics& n, const QV::Rect& r) { n.DrawFocusRing(r); });
}
QV_EXPORT(RuntimeGraphicsDrawFocusRing)

extern "C" void RuntimeGraphicsDrawRoundRect(RuntimeObject* g, int32_t x, int32_t y,
                                             int32_t width, int32_t height, int32_t arcWidth,
                                             int32_t arcHeight) {
  DrawInRect(g, x, y, width, height,
             [=](Graphics& n, const QV::Rect& r) { n.DrawRoundRect(r, arcWidth, arcHeight); });
}
QV_EXPORT(RuntimeGraphicsDrawRoundRect)

extern "C" void RuntimeGraphicsFillRoundRect(RuntimeObject* g, int32_t x, int32_t y,
                                             int32_t width, int32_t height, int32_t arcWidth,
                                             int32_t arcHeight) {
  DrawInRect(g, x, y, width, height,
             [=](Graphics& n, const QV::Rect& r) { n.FillRoundRect(r, arcWidth, arcHeight); });
}
QV_EXPORT(RuntimeGraphicsFillRoundRect)

extern "C" void RuntimeGraphicsDrawLine(RuntimeObject* g, int32_t x1, int32_t y1, int32_t x2,
                                        int32_t y2) {
  const Drawing d = PaneForDrawing(g);
  if (!d.g) return;
  d.g->MoveTo(x1 + d.left, y1 + d.top);
  d.g->LineTo(x2 + d.left, y2 + d.top);
}
QV_EXPORT(RuntimeGraphicsDrawLine)

// A wrapped text's rectangle starts an ascent above y, so that its first baseline is at y.
extern "C" void RuntimeGraphicsDrawStringCondensed(RuntimeObject* g, stringStorage* text,
                                                   int32_t x, int32_t y, int32_t width,
                                                   int32_t condense) {
  const Drawing d = PaneForDrawing(g);
  if (!d.g || !text) return;
  const string words(text);
  if (condense && width >= 1) {
    d.g->DrawStringCondensed(words, x + d.left, y + d.top, width, string("..."));
  } else if (width == 0) {
    d.g->DrawString(words, x + d.left, y + d.top);
  } else {
    QV::Rect rect;
    const int32_t left = x + d.left;
    const int32_t top = y + d.top - d.g->TextAscent();
    RectSet(rect, left, top, left + width, 32767);
    d.g->DrawStringWrapped(words, rect, kAlignLeft);
  }
}
QV_EXPORT(RuntimeGraphicsDrawStringCondensed)

extern "C" void RuntimeGraphicsDrawString(RuntimeObject* g, stringStorage* text, int32_t x,
                                          int32_t y, int32_t width) {
  RuntimeGraphicsDrawStringCondensed(g, text, x, y, width, 0);
}
QV_EXPORT(RuntimeGraphicsDrawString)

extern "C" void RuntimeGraphicsDrawObjectXY(RuntimeObject* g, RuntimeObject* shape,
                                            int32_t deltaX, int32_t deltaY) {
  const Drawing d = PaneForDrawing(g);
  if (d.g) ShapePlotter(*d.g).PlotAt(shape, deltaX, deltaY);
}
QV_EXPORT(RuntimeGraphicsDrawObjectXY)

extern "C" void RuntimeGraphicsDrawObject(RuntimeObject* g, RuntimeObject* shape) {
  RuntimeGraphicsDrawObjectXY(g, shape, 0, 0);
}
QV_EXPORT(RuntimeGraphicsDrawObject)

extern "C" void graphicsDrawPolygon(RuntimeObject* g, RuntimeArray* points) {
  DrawPolygonFrom(g, points, kPolygonFrame);
}
QV_EXPORT(graphicsDrawPolygon)

extern "C" void graphicsFillPolygon(RuntimeObject* g, RuntimeArray* points) {
  DrawPolygonFrom(g, points, kPolygonFilled);
}
QV_EXPORT(graphicsFillPolygon)

extern "C" void graphicsDrawStopIcon(RuntimeObject* g, int32_t x, int32_t y) {
  DrawIcon(g, kStockIconError, x, y);
}
QV_EXPORT(graphicsDrawStopIcon)

extern "C" void graphicsDrawNoteIcon(RuntimeObject* g, int32_t x, int32_t y) {
  DrawIcon(g, kStockIconInfo, x, y);
}
QV_EXPORT(graphicsDrawNoteIcon)

extern "C" void graphicsDrawCautionIcon(RuntimeObject* g, int32_t x, int32_t y) {
  DrawIcon(g, kStockIconWarning, x, y);
}
QV_EXPORT(graphicsDrawCautionIcon)

extern "C" uint32_t graphicsPixelGetter(RuntimeObject* g, int32_t x, int32_t y) {
  Graphics* native = MeasuringGraphics(g);
  if (!native) return 0;
  int32_t left = 0;
  int32_t top = 0;
  GraphicsPaneOrigin(g, &left, &top);
  return RGBFromColor(native->GetPixel(x + left, y + top));
}
QV_EXPORT(graphicsPixelGetter)

extern "C" void graphicsPixelSetter(RuntimeObject* g, int32_t x, int32_t y, uint32_t color) {
  const Drawing d = PaneForDrawing(g);
  if (d.g) d.g->SetPixel(x + d.left, y + d.top, ColorFromRGB(color));
}
QV_EXPORT(graphicsPixelSetter)

extern "C" void RuntimeGraphicsNextPage(RuntimeObject* g) {
  const Drawing d = PaneForDrawing(g);
  if (d.g) d.g->Target()->EraseBackground();
}
QV_EXPORT(RuntimeGraphicsNextPage)

extern "C" int32_t RuntimeGraphicsStringWidth(RuntimeObject* g, stringStorage* text) {
  Graphics* native = MeasuringGraphics(g);
  return native && text ? native->StringWidth(string(text)) : 0;
}
QV_EXPORT(RuntimeGraphicsStringWidth)

extern "C" int32_t RuntimeGraphicsStringHeight(RuntimeObject* g, stringStorage* text,
                                               int32_t wrapWidth) {
  Graphics* native = MeasuringGraphics(g);
  return native && text ? native->StringHeight(string(text), wrapWidth) : 0;
}
QV_EXPORT(RuntimeGraphicsStringHeight)

extern "C" int32_t RuntimeGraphicsStringDirection(RuntimeObject* g, stringStorage* text) {
  Graphics* native = MeasuringGraphics(g);
  return native ? native->StringDirection(string(text)) : -1;
}
QV_EXPORT(RuntimeGraphicsStringDirection)

extern "C" int32_t RuntimeGraphicsTextHeight(RuntimeObject* g) {
  Graphics* native = MeasuringGraphics(g);
  return native ? native->TextHeight() : -1;
}
QV_EXPORT(RuntimeGraphicsTextHeight)

extern "C" int32_t RuntimeGraphicsTextAscent(RuntimeObject* g) {
  Graphics* native = MeasuringGraphics(g);
  return native ? native->TextAscent() : -1;
}
QV_EXPORT(RuntimeGraphicsTextAscent)

extern "C" uintptr_t RuntimeGraphicsHandleGetter(RuntimeObject* g, int32_t type) {
  if (!QV_CHECK_TEXT(g, "obj", nullptr)) return 0;
  Graphics* native = NativeGraphicsOf(g);
  return native ? native->GetHandle(type) : 0;
}
QV_EXPORT(RuntimeGraphicsHandleGetter)

namespace {

constexpr int32_t kPictureSizeDefault = -10000;

void DrawPictureSurface(const Drawing& d, RuntimeObject* image, QV::Drawable* surface, int32_t x,
                        int32_t y, int32_t w1, int32_t h1, int32_t sx, int32_t sy, int32_t w2,
                        int32_t h2) {
  int32_t pw = 0, ph = 0;
  surface->GetSize(&pw, &ph);
  int64_t destX = x, destY = y, sourceX = sx, sourceY = sy;
  int64_t destWidth = w1 == kPictureSizeDefault ? pw : w1;
  int64_t destHeight = h1 == kPictureSizeDefault ? ph : h1;
  int64_t sourceWidth = w2 == kPictureSizeDefault ? destWidth : w2;
  int64_t sourceHeight = h2 == kPictureSizeDefault ? destHeight : h2;
  if (!ClipSourceRun(destX, destWidth, sourceX, sourceWidth, pw) ||
      !ClipSourceRun(destY, destHeight, sourceY, sourceHeight, ph)) {
    return;
  }
  const bool transparent = pictureTransparentGetter(image, 0) != 0;
  d.g->DrawDrawable(int32_t(destX + d.left), int32_t(destY + d.top), int32_t(destWidth),
                    int32_t(destHeight), surface, int32_t(sourceX), int32_t(sourceY),
                    int32_t(sourceWidth), int32_t(sourceHeight), transparent);
}

// A vector picture's shapes, clipped to the destination and scaled in position only.
void DrawPictureShapes(const Drawing& d, RuntimeObject* image, RuntimeObject* objects, int32_t x,
                       int32_t y, int32_t w1, int32_t h1, int32_t sx, int32_t sy, int32_t w2,
                       int32_t h2) {
  const int64_t destWidth = w1 == kPictureSizeDefault ? pictureWidthGetter(image, 0) : w1;
  const int64_t destHeight = h1 == kPictureSizeDefault ? pictureHeightGetter(image, 0) : h1;
  const int64_t sourceWidth = w2 == kPictureSizeDefault ? destWidth : w2;
  const int64_t sourceHeight = h2 == kPictureSizeDefault ? destHeight : h2;
  if (destWidth < 1 || destHeight < 1) return;
  GraphicsClipSaver saver(*d.g);
  QV::Rect clip;
  const int64_t left = int64_t(d.left) + x;
  const int64_t top = int64_t(d.top) + y;
  RectSet(clip, int32_t(std::clamp<int64_t>(left, INT16_MIN, INT16_MAX)),
          int32_t(std::clamp<int64_t>(top, INT16_MIN, INT16_MAX)),
          int32_t(std::clamp<int64_t>(left + destWidth, INT16_MIN, INT16_MAX)),
          int32_t(std::clamp<int64_t>(top + destHeight, INT16_MIN, INT16_MAX)));
  d.g->SetClipRect(clip);
  const int64_t deltaX = sourceWidth * x / destWidth - sx;
  const int64_t deltaY = y * sourceHeight / destHeight - sy;
  ShapePlotter(*d.g).PlotAt(objects, int32_t(std::clamp<int64_t>(deltaX, INT32_MIN, INT32_MAX)),
                            int32_t(std::clamp<int64_t>(deltaY, INT32_MIN, INT32_MAX)));
}

}  // namespace

extern "C" void RuntimeGraphicsDrawPicture(RuntimeObject* g, RuntimeObject* image, int32_t x,
                                           int32_t y, int32_t w1, int32_t h1, int32_t sx,
                                           int32_t sy, int32_t w2, int32_t h2) {
  if (!image) return;
  const Drawing d = PaneForDrawing(g);
  if (!d.g) return;
  if (QV::Drawable* surface = PictureDrawable(image)) {
    DrawPictureSurface(d, image, surface, x, y, w1, h1, sx, sy, w2, h2);
  }
  if (RuntimeObject* objects = reinterpret_cast<PictureObject*>(image)->objects) {
    DrawPictureShapes(d, image, objects, x, y, w1, h1, sx, sy, w2, h2);
  }
}
QV_EXPORT(RuntimeGraphicsDrawPicture)
