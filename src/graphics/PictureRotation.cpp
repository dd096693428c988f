#include "graphics/PictureRotation.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "core/RuntimeError.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;  // alpha kept opaque

// Pixels as 32-bit words: the low three bytes the channels, the top byte alpha (passed on).
struct Pixels {
  uint32_t* words;
  int32_t width;
  int32_t height;
  int32_t stride;  // in words
  uint32_t* At(int32_t x, int32_t y) const { return words + size_t(y) * stride + x; }
};

// p - p x w per channel, and p x w, for w in 256ths; alpha from p.
inline uint32_t Scaled(uint32_t p, uint32_t w256) {
  const uint32_t rb = ((p & 0x00FF00FF) * w256 >> 8) & 0x00FF00FF;
  const uint32_t g = ((p & 0x0000FF00) * w256 >> 8) & 0x0000FF00;
  return rb | g;
}

// One row or column of n pixels (step words apart) shifted by offset into the same line of
// to: the integer part moves every pixel, the fraction goes to the next one.
void ShearLine(const uint32_t* from, uint32_t* to, int32_t n, int32_t step, double offset,
               int32_t flags) {
  const double whole = std::floor(offset);
  const int64_t k = int64_t(whole);
  double fraction = offset - whole;
  uint32_t w256 = fraction < 0.0039 ? 0 : fraction >= 0.96 ? 256 : uint32_t(fraction * 256);
  const uint32_t first = flags & kRotateBlendEdge ? from[0] : kWhite;
  const uint32_t last = flags & kRotateBlendEdge ? from[size_t(n - 1) * step] : kWhite;
  uint32_t previousLeft = Scaled(first, w256);
  for (int32_t j = 0; j < n; ++j) {
    const uint32_t p = from[size_t(j) * step];
    const uint32_t left = Scaled(p, w256);
    const int64_t at = j + k;
    if (at >= 0 && at < n) {
      to[size_t(at) * step] = (p & 0xFF000000) | ((p & 0xFFFFFF) - left + previousLeft);
    }
    previousLeft = left;
  }
  const int64_t end = n + k;
  if (end >= 0 && end < n) {
    to[size_t(end) * step] = (last & 0xFF000000) | ((last & 0xFFFFFF) - Scaled(last, w256) + previousLeft);
  }
  if (!(flags & kRotateFillWhite)) return;
  for (int64_t at = 0; at < std::min<int64_t>(k, n); ++at) to[size_t(at) * step] = kWhite;
  for (int64_t at = std::max<int64_t>(n + k + 1, 0); at < n; ++at) to[size_t(at) * step] = kWhite;
}

// Rows shifted by factor x (row - centre).
void ShearX(const Pixels& from, const Pixels& to, double factor, int32_t flags) {
  const double centre = (from.height - 1) / 2.0;
  for (int32_t y = 0; y < from.height; ++y) {
    ShearLine(from.At(0, y), to.At(0, y), from.width, 1, factor * (y - centre), flags);
  }
}

// Columns shifted by factor x (column - centre).
void ShearY(const Pixels& from, const Pixels& to, double factor, int32_t flags) {
  const double centre = (from.width - 1) / 2.0;
  for (int32_t x = 0; x < from.width; ++x) {
    ShearLine(from.At(x, 0), to.At(x, 0), from.height, from.stride, factor * (x - centre),
              flags);
  }
}

// A quarter turn (counter-clockwise when ccw) about the centre, pixel for pixel.
void QuarterTurn(const Pixels& from, const Pixels& to, bool ccw) {
  const int32_t w = from.width, h = from.height;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      // Doubled coordinates about the centre keep odd sizes exact.
      const int64_t dx = 2 * int64_t(x) - (w - 1), dy = 2 * int64_t(y) - (h - 1);
      const int64_t sx2 = ccw ? -dy : dy, sy2 = ccw ? dx : -dx;
      const int64_t sx = (sx2 + (w - 1)) >> 1, sy = (sy2 + (h - 1)) >> 1;
      *to.At(x, y) = sx >= 0 && sx < w && sy >= 0 && sy < h ? *from.At(int32_t(sx), int32_t(sy))
                                                          : kWhite;
    }
  }
}

bool PixelsOf(DrawablePane* pane, Pixels& pixels) {
  GdkPixbuf* image = pane->GetPixbuf();
  if (!image || gdk_pixbuf_get_n_channels(image) != 4) return false;
  pixels = {reinterpret_cast<uint32_t*>(gdk_pixbuf_get_pixels(image)), pane->Width(),
            pane->Height(), gdk_pixbuf_get_rowstride(image) / 4};
  return pixels.width >= 1 && pixels.height >= 1;
}

}  // namespace

bool RotateDrawable(DrawablePane* source, DrawablePane* destination, double angle,
                    int32_t flags) {
  if (!QV_CHECK_TEXT(source && destination && source != destination &&
                         source->Width() == destination->Width() &&
                         source->Height() == destination->Height(),
                     "srcDP and dstDP and srcDP != dstDP", nullptr)) {
    return false;
  }
  Pixels from, to;
  if (!PixelsOf(source, from) || !PixelsOf(destination, to)) return false;
  constexpr double kPi = std::numbers::pi;
  double theta = std::fmod(angle, 2 * kPi);
  if (theta > kPi) theta -= 2 * kPi;
  if (theta < -kPi) theta += 2 * kPi;
  bool turned = false;
  if (theta >= kPi / 2 - 0.0001 || theta <= -kPi / 2 + 0.0001) {
    QuarterTurn(from, to, theta > 0);
    theta += theta > 0 ? -kPi / 2 : kPi / 2;
    turned = true;
  }
  if (turned && std::fabs(theta) >= kPi / 2 - 0.0001) {  // a half turn: twice
    for (int32_t y = 0; y < from.height; ++y) {
      std::memcpy(from.At(0, y), to.At(0, y), size_t(from.width) * 4);
    }
    QuarterTurn(from, to, theta > 0);
    theta += theta > 0 ? -kPi / 2 : kPi / 2;
  }
  if (!turned || std::fabs(theta) >= 0.0001) {
    if (turned) {
      for (int32_t y = 0; y < from.height; ++y) {
        std::memcpy(from.At(0, y), to.At(0, y), size_t(from.width) * 4);
      }
    }
    const double alpha = std::tan(theta / 2);
    const double beta = -2 * alpha / (1 + alpha * alpha);
    ShearX(from, to, alpha, flags);
    ShearY(to, from, beta, flags);
    ShearX(from, to, alpha, flags);
  }
  source->DiscardCache();
  gdk_draw_pixbuf(destination->GetPixmap(), destination->GetGC(), destination->GetPixbuf(), 0, 0,
                  0, 0, to.width, to.height, GDK_RGB_DITHER_NONE, 0, 0);
  return true;
}
