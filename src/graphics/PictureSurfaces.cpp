// Surfaces made from outside data: BMP bytes, GdkPixbuf images and pixmaps. Each is a new
// 24-bit DrawablePane holding the pixels, or nil when they cannot be had.
#include <algorithm>
#include <cstdlib>
#include <memory>

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

namespace {

int32_t BytesPerPixel(int32_t format) {
  switch (format) {
    case kPixelsRGB:
    case kPixelsBGR:
      return 3;
    case kPixelsXRGB:
    case kPixelsBGRX:
      return 4;
    default:
      return 0;
  }
}

// One row of source pixels into packed R G B; the format picks the byte order at compile time
// so that the inner loop has no branch.
template <int kStep, int kRed, int kGreen, int kBlue>
void PackRow(const uint8_t* source, uint8_t* out, int32_t width) {
  for (int32_t x = 0; x < width; ++x, source += kStep, out += 3) {
    out[0] = source[kRed];
    out[1] = source[kGreen];
    out[2] = source[kBlue];
  }
}

}  // namespace

DrawablePane* DrawablePaneFromPixelBuffer(int32_t width, int32_t height, int32_t format,
                                          const uint8_t* buffer, int32_t rowBytes) {
  const int32_t bytesPerPixel = BytesPerPixel(format);
  if (!buffer || bytesPerPixel == 0) return nullptr;
  if (width < 1 || height < 1 || width > kLargestPictureSide || height > kLargestPictureSide) {
    return nullptr;
  }
  if (int64_t(rowBytes) < int64_t(width) * bytesPerPixel) return nullptr;
  const uint64_t packedBytes = uint64_t(width) * uint64_t(height) * 3;
  if (packedBytes > SIZE_MAX) return nullptr;
  std::unique_ptr<uint8_t, decltype(&std::free)> packed(
      static_cast<uint8_t*>(std::malloc(size_t(packedBytes))), &std::free);
  if (!packed) return nullptr;
  void (*pack)(const uint8_t*, uint8_t*, int32_t) = nullptr;
  switch (format) {
    case kPixelsRGB: pack = PackRow<3, 0, 1, 2>; break;
    case kPixelsBGR: pack = PackRow<3, 2, 1, 0>; break;
    case kPixelsXRGB: pack = PackRow<4, 1, 2, 3>; break;
    default: pack = PackRow<4, 2, 1, 0>; break;
  }
  const uint32_t stride = uint32_t(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    pack(buffer + uint64_t(y) * uint32_t(rowBytes), packed.get() + uint64_t(y) * stride, width);
  }
  DrawablePane* pane = NewSurface(width, height);
  if (!pane) return nullptr;
  gdk_draw_rgb_image(pane->GetPixmap(), pane->GetGC(), 0, 0, width, height, GDK_RGB_DITHER_MAX,
                     packed.get(), int32_t(stride));
  return pane;
}
