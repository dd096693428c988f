#include "windows/PixbufAlpha.h"

#include <algorithm>

namespace {

bool HasRGBA(GdkPixbuf* pixbuf) {
  return pixbuf && gdk_pixbuf_get_pixels(pixbuf) && gdk_pixbuf_get_has_alpha(pixbuf) &&
         gdk_pixbuf_get_n_channels(pixbuf) == 4 && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8;
}

guchar* PixelAt(GdkPixbuf* pixbuf, int x, int y) {
  return gdk_pixbuf_get_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) +
         x * gdk_pixbuf_get_n_channels(pixbuf);
}

}  // namespace

void WhiteToTransparent(GdkPixbuf* pixbuf) {
  if (!HasRGBA(pixbuf)) return;
  for (int y = 0; y < gdk_pixbuf_get_height(pixbuf); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(pixbuf); ++x) {
      guchar* pixel = PixelAt(pixbuf, x, y);
      if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) pixel[3] = 0;
    }
  }
}

void AlphaFromMask(GdkPixbuf* pixbuf, GdkPixbuf* mask) {
  if (!HasRGBA(pixbuf) || !mask || !gdk_pixbuf_get_pixels(mask) ||
      gdk_pixbuf_get_n_channels(mask) < 3 || gdk_pixbuf_get_bits_per_sample(mask) != 8) {
    return;
  }
  const int width = std::min(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_width(mask));
  const int height = std::min(gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_height(mask));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const guchar* m = PixelAt(mask, x, y);
      PixelAt(pixbuf, x, y)[3] = guchar(255 - (m[0] + m[1] + m[2]) / 3);
    }
  }
}
