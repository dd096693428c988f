// GraphicsGTK: state, shapes, lines, icons and pixels (text is in GraphicsText.cpp).
#include "graphics/GraphicsGTK.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/Drawable.h"
#include "graphics/Object2D.h"
#include "graphics/ShapePlotter.h"

namespace {

// The four dialog icons, each rendered once (at dialog size) and kept for the process.
GdkPixbuf* StockIcon(int32_t kind, GtkWidget* widget) {
  static GdkPixbuf* icons[4] = {};
  static const char* const kStockIds[4] = {GTK_STOCK_DIALOG_ERROR, GTK_STOCK_DIALOG_INFO,
                                           GTK_STOCK_DIALOG_WARNING, GTK_STOCK_DIALOG_QUESTION};
  if (kind < 0 || kind > 3) return nullptr;
  if (icons[kind]) return icons[kind];
  if (widget) {
    icons[kind] = gtk_widget_render_icon(widget, kStockIds[kind], GTK_ICON_SIZE_DIALOG, nullptr);
  } else {
    // An off-screen target has no widget: the default style renders for it.
    GtkStyle* style = gtk_widget_get_default_style();
    GtkIconSet* set = style ? gtk_style_lookup_icon_set(style, kStockIds[kind]) : nullptr;
    if (set) {
      icons[kind] = gtk_icon_set_render_icon(set, style, gtk_widget_get_default_direction(),
                                             GTK_STATE_NORMAL, GTK_ICON_SIZE_DIALOG, nullptr,
                                             nullptr);
    }
  }
  return icons[kind];
}

}  // namespace

Graphics* Graphics::Create(DrawingTarget* target) { return new GraphicsGTK(target); }

// The Pango context and layout wait for the first text: most Graphics (a window's paint) draw
// none.
GraphicsGTK::GraphicsGTK(DrawingTarget* target) : Graphics(target) {}

GraphicsGTK::~GraphicsGTK() {
  if (mClipSet) RemoveClip();
  if (mFontDescription) pango_font_description_free(mFontDescription);
  if (mLayout) g_object_unref(mLayout);
  if (mContext) g_object_unref(mContext);
}

// ---- state ----

// The foreground goes to the shared context only when this Graphics' colour is not already
// there: rows of cells that fill white and draw black text would otherwise send the server a
// context change for every fill and every text.
GdkGC* GraphicsGTK::PrepareGC(GdkWindow* drawable) {
  if (!drawable) return nullptr;
  DrawingTarget* target = Target();
  GdkGC* gc = target->GetGC();
  if (!gc) return nullptr;
  if (mClipPending) {
    gdk_gc_set_clip_rectangle(gc, &mPendingClip);
    mClipPending = false;
    mClipSet = true;
  }
  if (mGCPrepared && mPreparedGC == gc && target->GCForegroundSetter() == this) return gc;
  GdkColormap* colormap = gdk_drawable_get_colormap(drawable);
  if (!colormap) colormap = gdk_rgb_get_colormap();
  const RGBColor16 fore = ForeColor();
  GdkColor color = {0, fore.red, fore.green, fore.blue};
  if (mPixelColormap == colormap && mPixelColor == fore) {
    color.pixel = mPixel;
  } else {
    gdk_colormap_alloc_color(colormap, &color, FALSE, TRUE);
    mPixelColormap = colormap;
    mPixelColor = fore;
    mPixel = color.pixel;
  }
  gdk_gc_set_foreground(gc, &color);
  mGCPrepared = true;
  mPreparedGC = gc;
  target->NoteGCForegroundSetter(this);
  return gc;
}

QV::Rect GraphicsGTK::ToDrawable(const QV::Rect& rect, bool clip) const {
  QV::Rect r = Target()->RectToDrawable(*this, rect, clip);
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

GdkPoint GraphicsGTK::PointToDrawable(int32_t x, int32_t y) const {
  const QV::Rect point = {int16_t(y), int16_t(x), int16_t(y), int16_t(x)};
  const QV::Rect r = Target()->RectToDrawable(*this, point, false);
  return {r.left, r.top};
}

GdkPoint GraphicsGTK::PolygonOffset() const {
  if (Target()->OffscreenSurface()) return {0, 0};
  const QV::Rect& bounds = Target()->GetBounds();
  const GdkPoint corner = PointToDrawable(bounds.left, bounds.top);
  return {corner.x + OriginX(), corner.y + OriginY()};
}

// The clip goes to the shared context with the next drawing (PrepareGC), not here: a window's
// paint sets its bounds as the clip, and one whose handler draws nothing sends the server
// nothing.
void GraphicsGTK::SetClipRect(const QV::Rect& rect) {
  Graphics::SetClipRect(rect);
  if (!TargetGdkDrawable() || !Target()->GetGC()) return;  // a lost or undrawable target
  const QV::Rect r = Target()->RectToDrawable(*this, rect, false);
  mPendingClip = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  mClipPending = true;
}

void GraphicsGTK::RemoveClip() {
  Graphics::RemoveClip();
  mClipPending = false;
  if (!mClipSet) return;
  if (GdkGC* gc = PrepareGC()) gdk_gc_set_clip_rectangle(gc, nullptr);
  mClipSet = false;
}

void GraphicsGTK::RestoreClip(const QV::Rect* rect) {
  if (rect) {
    SetClipRect(*rect);
  } else {
    RemoveClip();
  }
}

// Set on the context when something is drawn (PrepareGC), not here: a colour set and put back
// between two drawings costs nothing.
void GraphicsGTK::SetForeColor(RGBColor16 color) {
  if (color == ForeColor()) return;
  Graphics::SetForeColor(color);
  mGCPrepared = false;
}

void GraphicsGTK::SetTextFont(const string& name) {
  if (name.CompareWithCase(TextFont()) == 0) return;
  Graphics::SetTextFont(name);
  mLayoutCurrent = false;
}

void GraphicsGTK::SetTextSize(int32_t size) {
  if (size == TextSize()) return;
  Graphics::SetTextSize(size);
  mLayoutCurrent = false;
}

void GraphicsGTK::SetTextStyle(uint32_t bits) {
  if ((bits & 0xFF) == TextStyle()) return;
  Graphics::SetTextStyle(bits);
  mLayoutCurrent = false;
}

uintptr_t GraphicsGTK::GetHandle(int32_t kind) {
  if (kind == kHandleGdkDrawable) return reinterpret_cast<uintptr_t>(TargetGdkDrawable());
  if (kind == kHandleGdkGC) {
    // Whoever asked may change the context: the next drawing sets the colour again.
    GdkGC* gc = PrepareGC();
    Target()->NoteGCForegroundSetter(nullptr);
    return reinterpret_cast<uintptr_t>(gc);
  }
  return 0;
}

// ---- shapes ----

void GraphicsGTK::DrawRect(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  gdk_draw_rectangle(drawable, gc, FALSE, r.left, r.top, r.right - r.left - 1,
                     r.bottom - r.top - 1);
}

void GraphicsGTK::FillRect(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  gdk_draw_rectangle(drawable, gc, TRUE, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A window without a colour of its own shows the theme's background, which GDK paints; any
// other background is filled in its colour, the foreground kept.
void GraphicsGTK::ClearRect(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  if (!drawable) return;
  uint32_t background = 0xFFFFFF;
  const bool ownColor = Target()->OwnBackgroundColor(&background);
  if (Target()->IsInWindow() && !ownColor && GDK_IS_WINDOW(drawable)) {
    const QV::Rect r = ToDrawable(rect, true);
    gdk_window_clear_area(drawable, r.left, r.top, r.right - r.left, r.bottom - r.top);
    return;
  }
  const RGBColor16 fore = ForeColor();
  SetForeColor(ColorFromRGB(background));
  FillRect(rect);
  SetForeColor(fore);
}

void GraphicsGTK::PlotRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight,
                                bool filled) {
  if (!TargetGdkDrawable()) return;
  const QV::Rect r = ToDrawable(rect, false);
  const double width = r.right - r.left - 1;
  const double height = r.bottom - r.top - 1;
  const uint32_t color = RGBFromColor(ForeColor());
  RuntimeObject* shape = NewRoundRectShape(width, height, arcWidth, arcHeight);
  if (!shape) return;
  Object2DObject* base = AsObject2D(shape);
  if (filled) {
    base->fill = 1.0;
    base->border = 0;
    base->borderWidth = 0;
    base->fillColor = color;
  } else {
    base->fill = 0;
    base->border = 1.0;
    base->borderWidth = PenWidth();
    base->borderColor = color;
  }
  const QV::Rect& bounds = Target()->GetBounds();
  const int32_t left = std::min(rect.left, rect.right);
  const int32_t top = std::min(rect.top, rect.bottom);
  base->x = left - bounds.left + width / 2;
  base->y = top - bounds.top + height / 2;
  ShapePlotter(*this).Plot(shape);
  RuntimeUnlockObject(shape);
}

void GraphicsGTK::DrawRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight) {
  PlotRoundRect(rect, arcWidth, arcHeight, false);
}

void GraphicsGTK::FillRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight) {
  PlotRoundRect(rect, arcWidth, arcHeight, true);
}

// A pen wider than a pixel would otherwise leave a shape plotter's thick oval border one pixel
// wide.
void GraphicsGTK::DrawOval(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  const int32_t lineWidth = PenWidth() > 1 ? PenWidth() : 0;
  if (lineWidth) {
    gdk_gc_set_line_attributes(gc, lineWidth, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
  }
  gdk_draw_arc(drawable, gc, FALSE, r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1, 0,
               360 * 64);
  if (lineWidth) gdk_gc_set_line_attributes(gc, 0, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
}

void GraphicsGTK::FillOval(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  gdk_draw_arc(drawable, gc, TRUE, r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1, 0,
               360 * 64);
  gdk_draw_arc(drawable, gc, FALSE, r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1, 0,
               360 * 64);
}

void GraphicsGTK::LineTo(int32_t x, int32_t y) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  if (PenWidth() > 1 || PenHeight() > 1) {
    LineWithPen(x, y);
  } else {
    const GdkPoint offset = PointToDrawable(0, 0);
    gdk_draw_line(drawable, gc, PenX() + offset.x, PenY() + offset.y, x + offset.x,
                  y + offset.y);
  }
  MoveTo(x, y);
}

// The pen's rectangle at each step along the longer axis, from the end with the smaller x.
// Stepping along x when the line is wider than tall keeps a shallow line unbroken.
void GraphicsGTK::LineWithPen(int32_t x, int32_t y) {
  int32_t x0 = PenX();
  int32_t y0 = PenY();
  int32_t x1 = x;
  int32_t y1 = y;
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const int32_t penWidth = PenWidth();
  const int32_t penHeight = PenHeight();
  auto stamp = [&](int32_t left, int32_t top) {
    QV::Rect r;
    RectSet(r, left, top, left + penWidth, top + penHeight);
    FillRect(r);
  };
  const int64_t dx = int64_t(x1) - x0;
  const int64_t dy = int64_t(y1) - y0;
  if (dx == 0) {
    for (int32_t v = std::min(y0, y1); v <= std::max(y0, y1); ++v) stamp(x0, v);
  } else if (dy == 0) {
    for (int32_t h = x0; h <= x1; ++h) stamp(h, y0);
  } else if (std::llabs(dy) >= dx) {
    const int64_t steps = std::llabs(dy);
    const int32_t direction = dy > 0 ? 1 : -1;
    for (int64_t i = 0; i <= steps; ++i) {
      stamp(int32_t(std::trunc(x0 + double(dx) * i / steps)), int32_t(y0 + direction * i));
    }
  } else {
    for (int64_t i = 0; i <= dx; ++i) {
      stamp(int32_t(x0 + i), int32_t(std::trunc(y0 + double(dy) * i / dx)));
    }
  }
}

void GraphicsGTK::DrawPolygon(const GdkPoint* points, int32_t count, PolygonStyle style) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc || !points || count < 1) return;
  const GdkPoint offset = PolygonOffset();
  if (mPoints.capacity() < uint32_t(count)) mPoints.resize(uint32_t(count));
  GdkPoint* moved = mPoints.data();
  for (int32_t i = 0; i < count; ++i) {
    moved[i].x = points[i].x + offset.x;
    moved[i].y = points[i].y + offset.y;
  }
  if (style != kPolygonFrame) gdk_draw_polygon(drawable, gc, TRUE, moved, count);
  if (style != kPolygonFillOnly) gdk_draw_polygon(drawable, gc, FALSE, moved, count);
}

void GraphicsGTK::DrawFocusRing(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  GdkPoint corners[5] = {{r.left, r.top},
                         {r.right - 1, r.top},
                         {r.right - 1, r.bottom - 1},
                         {r.left, r.bottom - 1},
                         {r.left, r.top}};
  gdk_gc_set_line_attributes(gc, 1, GDK_LINE_ON_OFF_DASH, GDK_CAP_BUTT, GDK_JOIN_MITER);
  gdk_draw_lines(drawable, gc, corners, 5);
  gdk_gc_set_line_attributes(gc, 0, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
}

// ---- icons and pixels ----

void GraphicsGTK::DrawPixbuf(GdkPixbuf* image, int32_t x, int32_t y) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc || !image) return;
  const GdkPoint at = PointToDrawable(x, y);
  gdk_draw_pixbuf(drawable, gc, image, 0, 0, at.x, at.y, gdk_pixbuf_get_width(image),
                  gdk_pixbuf_get_height(image), GDK_RGB_DITHER_NONE, 0, 0);
}

void GraphicsGTK::DrawStockIcon(int32_t kind, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC(drawable);
  if (!drawable || !gc || width < 1 || height < 1) return;
  GdkPixbuf* icon = StockIcon(kind, Target()->StyleWidget());
  if (!icon) return;
  GdkPixbuf* scaled = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  if (!scaled) return;
  const double scaleX = double(width) / gdk_pixbuf_get_width(icon);
  const double scaleY = double(height) / gdk_pixbuf_get_height(icon);
  gdk_pixbuf_scale(icon, scaled, 0, 0, width, height, 0, 0, scaleX, scaleY, GDK_INTERP_BILINEAR);
  const GdkPoint at = PointToDrawable(x, y);
  gdk_draw_pixbuf(drawable, gc, scaled, 0, 0, at.x, at.y, width, height, GDK_RGB_DITHER_NONE, 0,
                  0);
  g_object_unref(scaled);
}

// GDK reads nothing outside the drawable.
RGBColor16 GraphicsGTK::GetPixel(int32_t x, int32_t y) {
  GdkWindow* drawable = TargetGdkDrawable();
  if (!drawable) return {0, 0, 0};
  const GdkPoint at = PointToDrawable(x, y);
  gint width = 0;
  gint height = 0;
  gdk_drawable_get_size(drawable, &width, &height);
  if (at.x < 0 || at.y < 0 || at.x >= width || at.y >= height) return {0, 0, 0};
  uint32_t c = 0;
  if (!ReadServerPixel(drawable, at.x, at.y, &c)) return {0, 0, 0};
  return {uint16_t((c >> 16 & 0xFF) * 257), uint16_t((c >> 8 & 0xFF) * 257),
          uint16_t((c & 0xFF) * 257)};
}

void GraphicsGTK::SetPixel(int32_t x, int32_t y, RGBColor16 color) {
  GdkWindow* drawable = TargetGdkDrawable();
  if (!drawable) return;
  const RGBColor16 fore = ForeColor();
  SetForeColor(color);
  if (GdkGC* gc = PrepareGC()) {
    const GdkPoint at = PointToDrawable(x, y);
    gdk_draw_point(drawable, gc, at.x, at.y);
  }
  SetForeColor(fore);
}
