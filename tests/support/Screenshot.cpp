#include "support/Screenshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace qvtest {

bool ColoursNear(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return true;
}

Screenshot::Screenshot(int width, int height, std::vector<uint32_t> pixels)
    : mWidth(width), mHeight(height), mPixels(std::move(pixels)) {
  if (width <= 0 || height <= 0 || mPixels.size() != size_t(width) * size_t(height)) {
    mWidth = mHeight = 0;
    mPixels.clear();
  }
}

uint32_t Screenshot::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return 0;
  return mPixels[size_t(y) * size_t(mWidth) + size_t(x)];
}

Screenshot Screenshot::Region(const ScreenArea& area) const {
  const int left = std::max(area.x, 0), top = std::max(area.y, 0);
  const int right = std::min(area.x + area.width, mWidth);
  const int bottom = std::min(area.y + area.height, mHeight);
  if (right <= left || bottom <= top) return {};
  std::vector<uint32_t> pixels;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) pixels.push_back(Pixel(x, y));
  }
  return Screenshot(right - left, bottom - top, std::move(pixels));
}

int Screenshot::DifferingPixels(const Screenshot& other, int tolerance) const {
  if (mWidth != other.mWidth || mHeight != other.mHeight)
    return int(std::max(mPixels.size(), other.mPixels.size()));
  int count = 0;
  for (size_t k = 0; k < mPixels.size(); ++k)
    count += !ColoursNear(mPixels[k], other.mPixels[k], tolerance);
  return count;
}

int Screenshot::CountPixels(uint32_t colour, int tolerance) const {
  return int(std::count_if(mPixels.begin(), mPixels.end(),
                           [&](uint32_t pixel) { return ColoursNear(pixel, colour, tolerance); }));
}

bool Screenshot::WritePPM(const std::string& path) const {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", mWidth, mHeight);
  for (uint32_t pixel : mPixels) {
    const unsigned char rgb[3] = {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)};
    std::fwrite(rgb, 1, 3, file);
  }
  return std::fclose(file) == 0;
}

namespace {

int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// A native window is read with XGetImage, which leaves no event behind. GDK's own reading
// copied the window with graphics exposures on, so each look queued a NoExpose event, and a
// wait that looked on every turn of the main loop always found an event ready and never let
// GTK's resize and redraw idles (lower priorities) run.
bool ReadNativeWindow(GdkWindow* window, int width, int height, int x, int y,
                      std::vector<uint32_t>& rgb) {
  GdkVisual* visual = gdk_drawable_get_visual(window);
  if (!gdk_window_has_native(window) || !visual || visual->type != GDK_VISUAL_TRUE_COLOR) {
    return false;
  }
  // A rectangle not wholly on the screen is refused (BadMatch): GDK's reading takes it then.
  gdk_error_trap_push();
  XImage* image = XGetImage(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), x, y,
                            unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  const bool refused = gdk_error_trap_pop() != 0;
  if (!image || refused) {
    if (image) XDestroyImage(image);
    return false;
  }
  const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      uint32_t value = 0;
      for (unsigned long mask : masks) {
        const unsigned long top = mask >> MaskShift(mask);
        const unsigned long channel = top ? ((pixel & mask) >> MaskShift(mask)) * 255 / top : 0;
        value = value << 8 | uint32_t(channel);
      }
      rgb.push_back(value);
    }
  }
  XDestroyImage(image);
  return true;
}

}  // namespace

Screenshot PixelsOf(GdkDrawable* drawable, int width, int height, int x, int y) {
  std::vector<uint32_t> rgb;
  if (GDK_IS_WINDOW(drawable) && width > 0 && height > 0 &&
      ReadNativeWindow(GDK_WINDOW(drawable), width, height, x, y, rgb)) {
    return Screenshot(width, height, std::move(rgb));
  }
  GdkColormap* colormap = gdk_drawable_get_colormap(drawable);
  GdkPixbuf* pixels = gdk_pixbuf_get_from_drawable(
      nullptr, drawable, colormap ? colormap : gdk_rgb_get_colormap(), x, y, 0, 0, width, height);
  if (!pixels) return {};
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const guchar* p = gdk_pixbuf_get_pixels(pixels) + row * gdk_pixbuf_get_rowstride(pixels) +
                        column * gdk_pixbuf_get_n_channels(pixels);
      rgb.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
  }
  g_object_unref(pixels);
  return Screenshot(width, height, std::move(rgb));
}

}  // namespace qvtest
