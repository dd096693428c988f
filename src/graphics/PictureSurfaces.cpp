// Surfaces made from outside data: BMP bytes, GdkPixbuf images and pixmaps. Each is a new
// 24-bit DrawablePane holding the pixels, or nil when they cannot be had.
#include <algorithm>

#include "core/RuntimeError.h"
#include "graphics/BMPReader.h"
#include "graphics/PictureClass.h"

namespace {

// A white 24-bit surface of that size with a pixmap, or nil.
DrawablePane* NewSurface(int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > kLargestPictureSide || height > kLargestPictureSide) {
    return nullptr;
  }
  auto* pane = new DrawablePane({0, 0}, {int16_t(height), int16_t(width)}, 24);
  if (pane->HasPixmap()) return pane;
  pane->Release();
  return nullptr;
}

}  // namespace

DrawablePane* PictureFromBMPData(const uint8_t* data, uint32_t length) {
  BMPImage image;
  const BMPParseResult result = ParseBMP(data, length, image);
  if (result == BMPParseResult::kUnknownHeaderSize) {
    QV_FAIL("BMP information header of unknown size");
    return nullptr;
  }
  if (result != BMPParseResult::kRead) return nullptr;
  DrawablePane* pane = NewSurface(image.width, image.height);
  if (!pane) return nullptr;
  gdk_draw_rgb_image(pane->GetPixmap(), pane->GetGC(), 0, 0, image.width, image.height,
                     GDK_RGB_DITHER_MAX, image.rgb.get(), image.width * 3);
  return pane;
}

DrawablePane* DrawablePaneFromPixbuf(GdkPixbuf* image) {
  if (!image) return nullptr;
  const int32_t width = gdk_pixbuf_get_width(image);
  const int32_t height = gdk_pixbuf_get_height(image);
  DrawablePane* pane = NewSurface(width, height);
  if (!pane) return nullptr;
  // Where the image is not opaque it is composed over the surface's white.
  gdk_draw_pixbuf(pane->GetPixmap(), pane->GetGC(), image, 0, 0, 0, 0, width, height,
                  GDK_RGB_DITHER_NONE, 0, 0);
  return pane;
}

DrawablePane* DrawablePaneFromPixmap(GdkPixmap* pixmap) {
  if (!pixmap) return nullptr;
  gint width = 0, height = 0;
  gdk_drawable_get_size(pixmap, &width, &height);
  DrawablePane* pane = NewSurface(width, height);
  if (!pane) return nullptr;
  gdk_draw_drawable(pane->GetPixmap(), pane->GetGC(), pixmap, 0, 0, 0, 0, width, height);
  return pane;
}
