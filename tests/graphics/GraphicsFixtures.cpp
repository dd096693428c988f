#include "GraphicsFixtures.h"

#include <cstdio>

namespace qvtest {

namespace {

std::string RectText(const QV::Rect& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
  return text;
}

}  // namespace

Surface::Surface(int width, int height)
    : mWidth(width),
      mHeight(height),
      mPane(new DrawablePane({0, 0}, {height, width}, 32)),
      mGraphics(static_cast<GraphicsGTK*>(mPane->NewGraphics())) {}

Surface::~Surface() {
  Graphics::Destroy(mGraphics);
  mPane->Release();
}

RawPixmap::RawPixmap(int width, int height)
    : mWidth(width),
      mHeight(height),
      mPixmap(gdk_pixmap_new(gdk_get_default_root_window(), width, height, -1)),
      mGC(gdk_gc_new(mPixmap)) {
  SetColor(0xFFFFFF);
  gdk_draw_rectangle(mPixmap, mGC, TRUE, 0, 0, width, height);
  SetColor(0);
}

RawPixmap::~RawPixmap() {
  g_object_unref(mGC);
  g_object_unref(mPixmap);
}

void RawPixmap::SetColor(uint32_t rgb) {
  GdkColor color = {0, guint16((rgb >> 16 & 0xFF) * 257), guint16((rgb >> 8 & 0xFF) * 257),
                    guint16((rgb & 0xFF) * 257)};
  gdk_colormap_alloc_color(gdk_drawable_get_colormap(mPixmap), &color, FALSE, TRUE);
  gdk_gc_set_foreground(mGC, &color);
}

void RecordingGraphics::Note(std::string call) {
  if (withColor) {
    char color[16];
    std::snprintf(color, sizeof color, " #%06X", RGBFromColor(ForeColor()));
    call += color;
  }
  calls.push_back(call);
}

void RecordingGraphics::DrawPolygon(const GdkPoint* points, int32_t count, PolygonStyle style) {
  std::string call = style == kPolygonFrame    ? "polygon frame "
                     : style == kPolygonFilled ? "polygon fill "
                                               : "polygon ring ";
  call += std::to_string(count) + ":";
  for (int32_t i = 0; i < count; ++i) {
    call += " " + std::to_string(points[i].x) + "," + std::to_string(points[i].y);
  }
  Note(call);
}

void RecordingGraphics::LineTo(int32_t x, int32_t y) {
  Note("line " + std::to_string(PenX()) + "," + std::to_string(PenY()) + "-" +
       std::to_string(x) + "," + std::to_string(y));
  MoveTo(x, y);
}

void RecordingGraphics::DrawOval(const QV::Rect& rect) {
  Note("oval " + RectText(rect) + " pen " + std::to_string(PenWidth()));
}

void RecordingGraphics::FillOval(const QV::Rect& rect) { Note("fill-oval " + RectText(rect)); }

void RecordingGraphics::FillRect(const QV::Rect& rect) { Note("rect " + RectText(rect)); }

void RecordingGraphics::DrawString(const string& text, int32_t x, int32_t y) {
  Note("text " + std::string(text.CString()) + " at " + std::to_string(x) + "," +
       std::to_string(y));
}

QV::Rect MakeRect(int top, int left, int bottom, int right) {
  QV::Rect rect;
  RectSet(rect, left, top, right, bottom);
  return rect;
}

std::vector<uint32_t> PixbufColours(GdkPixbuf* image) {
  std::vector<uint32_t> colours;
  const int channels = gdk_pixbuf_get_n_channels(image);
  for (int y = 0; y < gdk_pixbuf_get_height(image); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(image); ++x) {
      const guchar* p =
          gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * channels;
      colours.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
  }
  return colours;
}

}  // namespace qvtest
