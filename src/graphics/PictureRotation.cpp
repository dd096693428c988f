#include "graphics/PictureRotation.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>
#include <vector>

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

uint32_t FractionIn256ths(double fraction) {
  return fraction < 0.0039 ? 0 : fraction >= 0.96 ? 256 : uint32_t(fraction * 256);
}

// p less its share w, plus the share w of the pixel before it; alpha from p.
inline uint32_t Blended(uint32_t p, uint32_t before, uint32_t w256) {
  return (p & 0xFF000000) | ((p & 0xFFFFFF) - Scaled(p, w256) + Scaled(before, w256));
}

// A shift of n or more (either way) moves every pixel off the line, as does one of n exactly;
// clamped there, the shift and every index fit in 32 bits.
int32_t WholeShift(double offset, int32_t n) {
  const double whole = std::floor(offset);
  return whole >= n ? n : whole <= -n - 1 ? -n - 1 : int32_t(whole);
}

// Pixels j of [begin, end) of a row into to[j + k], each less its share w plus the share of
// the pixel before it, from[j - 1].
void ShearRunPlain(const uint32_t* from, uint32_t* to, int32_t begin, int32_t end, int32_t k,
                   uint32_t w256) {
  for (int32_t j = begin; j < end; ++j) to[j + k] = Blended(from[j], from[j - 1], w256);
}

// ShearRunPlain four pixels at a time, each channel widened to 16 bits: c x w is at most
// 255 x 256, so the low half of the product and its top byte are the share exactly, and
// c - share(c) + share(before) stays within 0 to 255, so packing back loses nothing. Alpha's
// weight is 0: it passes as it is.
[[gnu::target("sse2")]] inline __m128i BlendedChannels(__m128i p, __m128i before,
                                                       __m128i weight) {
  return _mm_add_epi16(_mm_sub_epi16(p, _mm_srli_epi16(_mm_mullo_epi16(p, weight), 8)),
                       _mm_srli_epi16(_mm_mullo_epi16(before, weight), 8));
}

[[gnu::target("sse2")]] void ShearRunSSE2(const uint32_t* from, uint32_t* to, int32_t begin,
                                          int32_t end, int32_t k, uint32_t w256) {
  const auto w = int16_t(w256);
  const __m128i weight = _mm_set_epi16(0, w, w, w, 0, w, w, w);
  const __m128i zero = _mm_setzero_si128();
  int32_t j = begin;
  for (; j + 4 <= end; j += 4) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + j));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + j - 1));
    const __m128i low =
        BlendedChannels(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(before, zero), weight);
    const __m128i high =
        BlendedChannels(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(before, zero), weight);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + j + k), _mm_packus_epi16(low, high));
  }
  ShearRunPlain(from, to, j, end, k, w256);
}

void ShearRun(const uint32_t* from, uint32_t* to, int32_t begin, int32_t end, int32_t k,
              uint32_t w256) {
  static const bool haveSSE2 = __builtin_cpu_supports("sse2");
  if (haveSSE2) return ShearRunSSE2(from, to, begin, end, k, w256);
  ShearRunPlain(from, to, begin, end, k, w256);
}

// One row of n pixels shifted by offset into the same row of to: the integer part moves every
// pixel, the fraction goes to the next one.
void ShearLine(const uint32_t* from, uint32_t* to, int32_t n, double offset, int32_t flags) {
  const int32_t k = WholeShift(offset, n);
  const uint32_t w256 = FractionIn256ths(offset - std::floor(offset));
  const uint32_t first = flags & kRotateBlendEdge ? from[0] : kWhite;
  const uint32_t last = flags & kRotateBlendEdge ? from[n - 1] : kWhite;
  // Only source pixels j with 0 <= j + k < n land; the one before the first of them lends it
  // its share.
  const int32_t start = std::min(n, std::max(0, -k)), end = std::min(n, n - k);
  if (start < end) {
    to[start + k] = Blended(from[start], start == 0 ? first : from[start - 1], w256);
    ShearRun(from, to, start + 1, end, k, w256);
  }
  // The last pixel's share lands one past it (then end is n).
  if (k < 0 && n + k >= 0) to[n + k] = Blended(last, from[n - 1], w256);
  if (!(flags & kRotateFillWhite)) return;
  for (int32_t at = 0; at < std::min(k, n); ++at) to[at] = kWhite;
  for (int32_t at = std::max(n + k + 1, 0); at < n; ++at) to[at] = kWhite;
}

// Rows shifted by factor x (row - centre).
void ShearX(const Pixels& from, const Pixels& to, double factor, int32_t flags) {
  const double centre = (from.height - 1) / 2.0;
  for (int32_t y = 0; y < from.height; ++y) {
    ShearLine(from.At(0, y), to.At(0, y), from.width, factor * (y - centre), flags);
  }
}

// Each column's whole shift and share of the column shear by factor x (column - centre), and the
// largest whole shift either way.
struct ColumnShifts {
  std::vector<int32_t> shift;
  std::vector<uint32_t> share;
  int32_t largest = 0;
};

ColumnShifts ShiftsOfColumns(int32_t width, int32_t height, double factor) {
  ColumnShifts shifts;
  shifts.shift.resize(size_t(width));
  shifts.share.resize(size_t(width));
  const double centre = (width - 1) / 2.0;
  for (int32_t x = 0; x < width; ++x) {
    const double offset = factor * (x - centre);
    const int32_t k = WholeShift(offset, height);
    shifts.shift[size_t(x)] = k;
    shifts.share[size_t(x)] = FractionIn256ths(offset - std::floor(offset));
    shifts.largest = std::max(shifts.largest, k < 0 ? -k : k);
  }
  return shifts;
}

// count pixels down a column from source into to, a row every stride and outStride words:
// each less its share w plus the share of the pixel above it.
void ShearColumn(const uint32_t* source, uint32_t* to, int32_t count, int32_t stride,
                 int32_t outStride, uint32_t w256) {
  uint32_t previousShare = Scaled(*(source - stride), w256);
  for (; count > 0; --count, source += stride, to += outStride) {
    const uint32_t p = *source;
    const uint32_t share = Scaled(p, w256);
    *to = (p & 0xFF000000) | ((p & 0xFFFFFF) - share + previousShare);
    previousShare = share;
  }
}

// ShearColumn for two neighbouring columns of one whole shift, shares w0 and w1, as
// ShearRunSSE2 blends.
[[gnu::target("sse2")]] void ShearColumnPairSSE2(const uint32_t* source, uint32_t* to,
                                                 int32_t count, int32_t stride,
                                                 int32_t outStride, uint32_t w0, uint32_t w1) {
  const auto a = int16_t(w0), b = int16_t(w1);
  const __m128i weight = _mm_set_epi16(0, b, b, b, 0, a, a, a);
  const __m128i zero = _mm_setzero_si128();
  __m128i above =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source - stride)), zero);
  for (; count > 0; --count, source += stride, to += outStride) {
    const __m128i p =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source)), zero);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to),
                     _mm_packus_epi16(BlendedChannels(p, above, weight), zero));
    above = p;
  }
}

// Destination rows are made in bands of this many: a column's source rows for a band lie within
// its rows shifted, so a band touches some 130 pages where a column walked to the bottom touches
// a new page every row (the cost of this pass was address translation).
constexpr int32_t kBand = 64;

// Rows y0 to y1 of the columns shifted as ShearLine shifts a row, into out (row y0 first, a row
// every outStride words), walked down each column of the band so that memory is read nearly in
// order: destination row y takes, in column x, source rows y - k and y - k - 1 of that column,
// so the band reads no row outside y0 - largest - 1 to y1 + largest.
void ShearYBand(const Pixels& from, uint32_t* out, int32_t outStride, int32_t y0, int32_t y1,
                const ColumnShifts& shifts, int32_t flags) {
  static const bool haveSSE2 = __builtin_cpu_supports("sse2");
  const int32_t n = from.height;
  const int32_t stride = from.stride;
  // The pixels of rows j < 1 or j >= n: the edge blends and the fill.
  auto edge = [&](const uint32_t* column, int32_t j, uint32_t w256) -> uint32_t {
    if (j == 0) return Blended(column[0], flags & kRotateBlendEdge ? column[0] : kWhite, w256);
    const uint32_t bottom = column[size_t(n - 1) * stride];
    if (j == n) return Blended(flags & kRotateBlendEdge ? bottom : kWhite, bottom, w256);
    return kWhite;
  };
  const bool fill = flags & kRotateFillWhite;
  auto at = [&](int32_t x, int32_t y) { return out + size_t(y - y0) * outStride + x; };
  auto edgeRows = [&](int32_t x, int32_t k, int32_t first, int32_t end) {
    for (int32_t y = first; y < end; ++y) {
      if (fill || y - k == n || y - k == 0) {
        *at(x, y) = edge(from.words + x, y - k, shifts.share[size_t(x)]);
      }
    }
  };
  for (int32_t x = 0; x < from.width;) {
    const int32_t k = shifts.shift[size_t(x)];
    // Two neighbouring columns of one whole shift walk their rows together.
    const int32_t columns =
        haveSSE2 && x + 1 < from.width && shifts.shift[size_t(x) + 1] == k ? 2 : 1;
    // Rows y with 1 <= y - k < n take two source pixels inside the picture.
    const int32_t inFrom = int32_t(std::clamp<int64_t>(int64_t(k) + 1, y0, y1));
    const int32_t inTo = int32_t(std::clamp<int64_t>(int64_t(k) + n, inFrom, y1));
    for (int32_t c = x; c < x + columns; ++c) edgeRows(c, k, y0, inFrom);
    if (inFrom < inTo) {
      const uint32_t* source = from.words + x + size_t(inFrom - k) * stride;
      if (columns == 2) {
        ShearColumnPairSSE2(source, at(x, inFrom), inTo - inFrom, stride, outStride,
                            shifts.share[size_t(x)], shifts.share[size_t(x) + 1]);
      } else {
        ShearColumn(source, at(x, inFrom), inTo - inFrom, stride, outStride,
                    shifts.share[size_t(x)]);
      }
    }
    for (int32_t c = x; c < x + columns; ++c) edgeRows(c, k, inTo, y1);
    x += columns;
  }
}

// Columns shifted by factor x (column - centre) from one surface into another.
void ShearY(const Pixels& from, const Pixels& to, double factor, int32_t flags) {
  const ColumnShifts shifts = ShiftsOfColumns(from.width, from.height, factor);
  for (int32_t y0 = 0; y0 < from.height; y0 += kBand) {
    const int32_t y1 = std::min(y0 + kBand, from.height);
    ShearYBand(from, to.At(0, y0), to.stride, y0, y1, shifts, flags);
  }
}

// The last two shears of a turn with the white fill, columns by yFactor then rows by xFactor,
// in place in pixels: each band of the column shear goes to a ring of bands, and its rows are
// sheared back into pixels once no band still to come reads them. The ring holds the largest
// shift's worth of rows and stays in the cache, where a scratch copy of the whole surface would
// be written and read again from memory. (Without the fill, unreached pixels keep what the
// scratch held, so that turn keeps its scratch copy.)
class BandedShears {
 public:
  BandedShears(const Pixels& pixels, double yFactor)
      : mShifts(ShiftsOfColumns(pixels.width, pixels.height, yFactor)) {
    const int64_t bands = (int64_t(pixels.height) + kBand - 1) / kBand;
    // A band's rows go back into pixels once the bands made after it start largest + 1 rows
    // past its end: the ring holds that many rows' bands and the one being made.
    mRingBands = int32_t(std::min<int64_t>(bands, (int64_t(mShifts.largest) + kBand) / kBand + 1));
    mRing.reset(new (std::nothrow) uint32_t[size_t(mRingBands) * kBand * size_t(pixels.width)]);
  }
  bool Ready() const { return mRing != nullptr; }

  void Run(const Pixels& pixels, double xFactor, int32_t flags) {
    const int32_t n = pixels.height;
    const int32_t width = pixels.width;
    const double centre = (n - 1) / 2.0;
    int32_t sheared = 0;  // rows below this are back in pixels
    auto bandRows = [&](int32_t y) {
      return mRing.get() + size_t(y / kBand % mRingBands) * kBand * size_t(width);
    };
    for (int32_t y0 = 0; y0 < n; y0 += kBand) {
      const int32_t y1 = std::min(y0 + kBand, n);
      ShearYBand(pixels, bandRows(y0), width, y0, y1, mShifts, flags);
      // The bands still to come read no row below y1 - largest - 1.
      const int64_t free = y1 >= n ? n : int64_t(y1) - mShifts.largest - 1;
      for (; sheared + kBand <= free || (sheared < n && free >= n); sheared += kBand) {
        const int32_t end = std::min(sheared + kBand, n);
        for (int32_t y = sheared; y < end; ++y) {
          ShearLine(bandRows(sheared) + size_t(y - sheared) * width, pixels.At(0, y), width,
                    xFactor * (y - centre), flags);
        }
      }
    }
  }

 private:
  ColumnShifts mShifts;
  int32_t mRingBands = 0;
  std::unique_ptr<uint32_t[]> mRing;
};

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

// The pane's copy as words: read from the pixmap, or left unread where every pixel is to be
// replaced.
bool PixelsOf(DrawablePane* pane, Pixels& pixels, bool replaced) {
  GdkPixbuf* image = replaced ? pane->PixbufToReplace() : pane->GetPixbuf();
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
  // With the white fill every destination pixel is written, and none need be read first.
  const bool fill = flags & kRotateFillWhite;
  Pixels from, to;
  if (!PixelsOf(source, from, false) || !PixelsOf(destination, to, fill)) return false;
  constexpr double kPi = std::numbers::pi;
  constexpr double kNearly = 0.0001;
  double theta = std::fmod(angle, 2 * kPi);
  if (theta > kPi) theta -= 2 * kPi;
  if (theta < -kPi) theta += 2 * kPi;
  const bool quarters = std::fabs(theta) >= kPi / 2 - kNearly;
  // The source's copy stays as it is: quarter turns, and the shears without the fill, work in a
  // scratch copy of their own.
  std::unique_ptr<uint32_t[]> scratchWords;
  if (quarters || !fill) {
    scratchWords.reset(new (std::nothrow) uint32_t[size_t(from.width) * size_t(from.height)]);
    if (!scratchWords) return false;
  }
  const Pixels scratch = {scratchWords.get(), from.width, from.height, from.width};
  auto copy = [](const Pixels& a, const Pixels& b) {
    for (int32_t y = 0; y < a.height; ++y) std::memcpy(b.At(0, y), a.At(0, y), size_t(a.width) * 4);
  };
  // Without the white fill the middle pass leaves unreached pixels of the scratch as they
  // were, and the last pass reads them: they start as the destination's.
  if (!fill) copy(to, scratch);
  const Pixels* current = &from;
  while (std::fabs(theta) >= kPi / 2 - kNearly) {  // whole quarters first, exactly
    QuarterTurn(*current, to, theta > 0);
    theta += theta > 0 ? -kPi / 2 : kPi / 2;
    copy(to, scratch);
    current = &scratch;
  }
  if (current == &from || std::fabs(theta) >= kNearly) {
    const double alpha = std::tan(theta / 2);
    const double beta = -2 * alpha / (1 + alpha * alpha);
    if (fill) {
      BandedShears lastTwo(to, beta);
      if (!lastTwo.Ready()) return false;
      ShearX(*current, to, alpha, flags);
      lastTwo.Run(to, alpha, flags);
    } else {
      ShearX(*current, to, alpha, flags);
      ShearY(to, scratch, beta, flags);
      ShearX(scratch, to, alpha, flags);
    }
  }
  // The turned pixels reach the pixmap only when it is next used: a turned shape is drawn
  // through its mask from the copy alone.
  destination->NoteCopyReplaced();
  return true;
}
