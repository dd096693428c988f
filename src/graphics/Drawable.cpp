#include "graphics/Drawable.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "graphics/Graphics.h"

namespace {

// Four-byte pixels (red first) as three bytes each. Four pixels are three words on a
// little-endian processor, joined by shifts: three stores where moving the bytes took twelve.
void PackRGB(const guchar* in, guchar* out, int32_t count) {
  static_assert(std::endian::native == std::endian::little);
  int32_t x = 0;
  for (; x + 4 <= count; x += 4, in += 16, out += 12) {
    uint32_t p[4];
    std::memcpy(p, in, 16);
    const uint32_t words[3] = {(p[0] & 0xFFFFFF) | p[1] << 24, (p[1] >> 8 & 0xFFFF) | p[2] << 16,
                               (p[2] >> 16 & 0xFF) | p[3] << 8};
    std::memcpy(out, words, 12);
  }
  for (; x < count; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
}

// The colormap that reads and renders drawable's pixels.
GdkColormap* ColormapOf(GdkDrawable* drawable) {
  GdkColormap* colormap = gdk_drawable_get_colormap(drawable);
  return colormap ? colormap : gdk_rgb_get_colormap();
}

// One axis of a copy: the source run [s0, s1) kept within [0, limit), the destination run
// [d0, d1) cut in proportion. False when nothing of it is left.
bool ClipRunToSurface(int32_t& s0, int32_t& s1, int32_t& d0, int32_t& d1, int32_t limit) {
  const int64_t sourceLength = int64_t(s1) - s0;
  const int64_t destLength = int64_t(d1) - d0;
  const int64_t first = std::max<int64_t>(s0, 0);
  const int64_t last = std::min<int64_t>(s1, limit);
  if (last <= first) return false;
  const int64_t destFirst = d0 + (first - s0) * destLength / sourceLength;
  const int64_t destLast = d0 + (last - s0) * destLength / sourceLength;
  if (destLast <= destFirst) return false;
  s0 = int32_t(first);
  s1 = int32_t(last);
  d0 = int32_t(destFirst);
  d1 = int32_t(destLast);
  return true;
}

struct CopyRun {
  int32_t sourceLeft, sourceTop, sourceRight, sourceBottom;
  int32_t destLeft, destTop, destRight, destBottom;
  int32_t SourceWidth() const { return sourceRight - sourceLeft; }
  int32_t SourceHeight() const { return sourceBottom - sourceTop; }
  int32_t DestWidth() const { return destRight - destLeft; }
  int32_t DestHeight() const { return destBottom - destTop; }
};

// The part of pixels at (left, top), width x height of it scaled by the factors into a new
// pixbuf of width x height (nearest neighbour); nil when it cannot be made.
GdkPixbuf* ScaledPart(GdkPixbuf* pixels, int32_t left, int32_t top, int32_t width,
                      int32_t height, double scaleX, double scaleY) {
  GdkPixbuf* part = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  if (!part) return nullptr;
  gdk_pixbuf_scale(pixels, part, 0, 0, width, height, -left * scaleX, -top * scaleY, scaleX,
                   scaleY, GDK_INTERP_NEAREST);
  return part;
}

// Alpha over width x height of image at (left, top): from the mask's pixel at the same place
// (255 − its grey level: black opaque, white clear; opaque past the mask's edge), else with
// whiteClear 0 for pure white, else opaque.
void SetCopyAlpha(GdkPixbuf* image, int32_t left, int32_t top, int32_t width, int32_t height,
                  GdkPixbuf* mask, bool whiteClear) {
  const int32_t stride = gdk_pixbuf_get_rowstride(image);
  guchar* pixels = gdk_pixbuf_get_pixels(image);
  const int32_t maskWidth = mask ? gdk_pixbuf_get_width(mask) : 0;
  const int32_t maskHeight = mask ? gdk_pixbuf_get_height(mask) : 0;
  const int32_t maskStride = mask ? gdk_pixbuf_get_rowstride(mask) : 0;
  const int32_t maskChannels = mask ? gdk_pixbuf_get_n_channels(mask) : 0;
  const guchar* maskPixels = mask ? gdk_pixbuf_get_pixels(mask) : nullptr;
  for (int32_t y = top; y < top + height; ++y) {
    guchar* p = pixels + y * stride + left * 4;
    for (int32_t x = left; x < left + width; ++x, p += 4) {
      if (mask) {
        guchar alpha = 255;
        if (x < maskWidth && y < maskHeight) {
          const guchar* m = maskPixels + y * maskStride + x * maskChannels;
          alpha = guchar(255 - (m[0] + m[1] + m[2]) / 3);
        }
        p[3] = alpha;
      } else {
        p[3] = whiteClear && p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF ? 0 : 255;
      }
    }
  }
}

}  // namespace

// ---- Drawable ----

namespace QV {

Drawable::Drawable() { AddToPurgeList(); }

Drawable::~Drawable() {
  if (mMask) mMask->Release();
  delete mFrameSource;
}

void Drawable::Release() {
  if (!QV_CHECK_TEXT(mRefCount > 0, "mRefCount > 0", nullptr)) return;
  if (--mRefCount > 0) return;
  PrepareToDraw();
  delete this;
}

void Drawable::GetTarget(DrawableTarget* target) {
  Retain();
  target->kind = 0;
  target->handle = nullptr;
  GetSize(&target->width, &target->height);
}

bool Drawable::GetTargetOfKind(DrawableTarget* target, int32_t kind) {
  GetTarget(target);
  if (target->kind == kind) return true;
  Release();
  return false;
}

void Drawable::DrawInto(Graphics& g, const QV::Rect& destination, bool transparent) {
  if (!CanDraw()) {
    g.PrepareDrawing();
    DrawAt(g, destination, transparent);
    return;
  }
  QV::Rect source;
  RectSet(source, 0, 0, destination.right - destination.left,
          destination.bottom - destination.top);
  DrawIntoGraphics(g, source, destination, transparent);
}

void Drawable::EnsureMask() {
  if (mMask) return;
  int32_t width = 0;
  int32_t height = 0;
  GetSize(&width, &height);
  mMask = new DrawablePane({0, 0}, {height, width}, 32);
}

void Drawable::SetMask(Drawable* mask) {
  if (mMask) mMask->Release();
  mMask = mask;
}

void Drawable::SetFrameSource(DrawableFrameSource* source) {
  if (source == mFrameSource) return;
  delete mFrameSource;
  mFrameSource = source;
}

int32_t Drawable::ImageCount() { return mFrameSource ? mFrameSource->ImageCount() : 1; }

Drawable* Drawable::IndexedImage(int32_t index) {
  if (mFrameSource) return mFrameSource->Image(index);
  Retain();
  return this;
}

void Drawable::DrawIntoGraphics(Graphics& g, const QV::Rect& source,
                                const QV::Rect& destination, bool transparent) {
  g.PrepareDrawing();
  g.BeginDrawing();
  DrawingTarget* target = g.Target();
  DrawRect(g, source, destination, target && target->IsInWindow(), transparent);
}

}  // namespace QV

bool ClipSourceRun(int64_t& dest, int64_t& destLength, int64_t& source, int64_t& sourceLength,
                   int64_t limit) {
  if (destLength < 1 || sourceLength < 1) return false;
  if (source < 0) {
    const int64_t cut = -source * destLength / sourceLength;
    destLength -= cut;
    dest += cut;
    sourceLength += source;
    source = 0;
  }
  if (source + sourceLength > limit) {
    destLength = destLength * (limit - source) / sourceLength;
    sourceLength = limit - source;
  }
  return destLength >= 1 && sourceLength >= 1 && dest >= INT32_MIN && dest <= INT32_MAX;
}

bool ReadServerPixel(GdkDrawable* drawable, int32_t x, int32_t y, uint32_t* colour) {
  GdkPixbuf* pixel =
      gdk_pixbuf_get_from_drawable(nullptr, drawable, ColormapOf(drawable), x, y, 0, 0, 1, 1);
  if (!pixel) return false;
  const guchar* p = gdk_pixbuf_get_pixels(pixel);
  *colour = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  g_object_unref(pixel);
  return true;
}

// ---- DrawablePane ----

// A pixmap the X server refuses (a size it cannot hold) is an X error, which ends the process
// unless trapped; the surface is then left without one. A size past 16 bits is not asked for:
// the request would carry it cut short.
DrawablePane::DrawablePane(QV::Point topLeft, QV::Point bottomRight, int32_t depth)
    : mWidth(bottomRight.h - topLeft.h), mHeight(bottomRight.v - topLeft.v) {
  RectSet(mBounds, topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
  SetDepth(depth);
  SetPane(this);
  GdkWindow* root = gdk_display_get_default() ? gdk_get_default_root_window() : nullptr;
  if (!root) return;
  mRefused = true;  // until the pixmap is there
  if (mWidth > 0xFFFF || mHeight > 0xFFFF) return;
  gdk_error_trap_push();
  GdkPixmap* pixmap = gdk_pixmap_new(root, std::max(mWidth, 1), std::max(mHeight, 1),
                                     MainScreenDepth());
  // Only the display the pixmap is on: other connections (a forked child's inherited one)
  // are left alone.
  gdk_display_sync(gdk_drawable_get_display(root));
  if (gdk_error_trap_pop() != 0) {
    if (pixmap) {
      gdk_error_trap_push();
      g_object_unref(pixmap);
      gdk_display_sync(gdk_drawable_get_display(root));
      gdk_error_trap_pop();
    }
    return;
  }
  if (!pixmap) return;
  mRefused = false;
  mPixmap = pixmap;
  mGC = gdk_gc_new(mPixmap);
  GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  gdk_colormap_alloc_color(ColormapOf(mPixmap), &white, FALSE, TRUE);
  gdk_gc_set_foreground(mGC, &white);
  gdk_draw_rectangle(mPixmap, mGC, TRUE, 0, 0, std::max(mWidth, 1), std::max(mHeight, 1));
}

DrawablePane::~DrawablePane() {
  mChangedBottom = 0;  // the pixmap goes too
  DiscardCache();
  if (mGC) g_object_unref(mGC);
  if (mPixmap) g_object_unref(mPixmap);
}

void DrawablePane::GetTarget(DrawableTarget* target) {
  Drawable::GetTarget(target);
  target->kind = kDrawableTargetPixmap;
  target->handle = GetPixmap();
}

void DrawablePane::PrepareToDraw() { ClearPaneDrawFocus(); }

void DrawablePane::DiscardCache() {
  DrawBackChangedPixels();
  if (mPixbuf) g_object_unref(mPixbuf);
  mPixbuf = nullptr;
  mPixelView = {};
  mCopied = {};
  mSettable = {};
}

void DrawablePane::DrawBackChanges() {
  const int32_t top = mChangedTop;
  const int32_t bottom = mChangedBottom;
  mChangedTop = INT32_MAX;
  mChangedBottom = 0;
  DrawCopy(0, top, mPixelView.width, bottom);
}

// The copy is opaque: drawn as plain RGB, with no compositing. Its four-byte pixels go to the
// toolkit three bytes each, a block of rows at a time, which it converts in one pass where it
// would take two for four-byte ones.
void DrawablePane::DrawCopy(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, mPixelView.width);
  bottom = std::min(bottom, mPixelView.height);
  if (!mPixmap || !mPixelView.bytes || right <= left || bottom <= top) return;
  const int32_t width = right - left;
  const int32_t rowsAtATime = std::max(1, 65536 / (width * 3));
  std::vector<guchar> rgb(size_t(rowsAtATime) * size_t(width) * 3);
  for (int32_t y = top; y < bottom; y += rowsAtATime) {
    const int32_t rows = std::min(rowsAtATime, bottom - y);
    guchar* out = rgb.data();
    for (int32_t row = y; row < y + rows; ++row, out += size_t(width) * 3) {
      PackRGB(CopiedPixel(left, row), out, width);
    }
    gdk_draw_rgb_image(mPixmap, mGC, left, y, width, rows, GDK_RGB_DITHER_NONE, rgb.data(),
                       width * 3);
  }
}

// A copy of the pixmap's size (an empty surface has a pixmap of one pixel), pixels unset.
GdkPixbuf* DrawablePane::NewCopy() const {
  return gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, std::max(mWidth, 1), std::max(mHeight, 1));
}

GdkPixbuf* DrawablePane::GetPixbuf() {
  if (mPixbuf || !mPixmap) return mPixbuf;
  GdkPixbuf* pixels = NewCopy();
  if (!pixels) return nullptr;
  if (!gdk_pixbuf_get_from_drawable(pixels, mPixmap, ColormapOf(mPixmap), 0, 0, 0, 0,
                                    gdk_pixbuf_get_width(pixels),
                                    gdk_pixbuf_get_height(pixels))) {
    g_object_unref(pixels);
    return nullptr;
  }
  KeepCopy(pixels);
  return mPixbuf;
}

GdkPixbuf* DrawablePane::PixbufToReplace() {
  if (mPixbuf || !mPixmap) return mPixbuf;
  if (GdkPixbuf* pixels = NewCopy()) KeepCopy(pixels);
  return mPixbuf;
}

void DrawablePane::KeepCopy(GdkPixbuf* pixels) {
  mPixbuf = pixels;
  mPixelView = {gdk_pixbuf_get_pixels(pixels), gdk_pixbuf_get_rowstride(pixels),
                gdk_pixbuf_get_width(pixels), gdk_pixbuf_get_height(pixels)};
  // The surface's own size within the copy's (an empty surface's copy has a pixel).
  mCopied = {uint32_t(std::clamp(mWidth, 0, mPixelView.width)),
             uint32_t(std::clamp(mHeight, 0, mPixelView.height))};
  mSettable = MainScreenDepth() >= 24 ? mCopied : PixelLimits{};
}

void DrawablePane::NoteCopyReplaced() {
  if (mSettable.width == 0) return DrawCopy(0, 0, mPixelView.width, mPixelView.height);
  mChangedTop = 0;
  mChangedBottom = mPixelView.height;
}

void DrawablePane::GetSize(int32_t* width, int32_t* height) {
  *width = mWidth;
  *height = mHeight;
}

void DrawablePane::DrawAt(Graphics& g, const QV::Rect& destination, bool transparent) {
  QV::Rect whole;
  RectSet(whole, 0, 0, mWidth, mHeight);
  DrawingTarget* target = g.Target();
  DrawRect(g, whole, destination, target && target->IsInWindow(), transparent);
}

Graphics* DrawablePane::NewGraphics() { return Graphics::Create(this); }

void DrawablePane::EraseBackground() {
  Graphics* g = NewGraphics();
  QV::Rect whole;
  RectSet(whole, 0, 0, mWidth, mHeight);
  g->ClearRect(whole);
  Graphics::Destroy(g);
  DiscardCache();
}

QV::Rect DrawablePane::RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) {
  return OffscreenRectToDrawable(g, rect, clip);
}

// The source is kept within the surface first, the destination cut in proportion, so that no
// pixel outside either is read or written. A plain copy goes from pixmap to drawable; scaling,
// a mask or white as transparent go through the surface's pixels, whose alpha the rendering
// honours (a mask's grey levels blend in part). Those read the copy, which holds the pixels
// set there: only the pixmap's way needs them drawn back first.
void DrawablePane::DrawRect(Graphics& g, const QV::Rect& source, const QV::Rect& destination,
                            bool /*inWindow*/, bool transparent) {
  CopyRun run = {source.left,      source.top,      source.right,      source.bottom,
                 destination.left, destination.top, destination.right, destination.bottom};
  if (run.SourceWidth() < 1 || run.SourceHeight() < 1 || run.DestWidth() < 1 ||
      run.DestHeight() < 1 || !mPixmap) {
    return;
  }
  if (!ClipRunToSurface(run.sourceLeft, run.sourceRight, run.destLeft, run.destRight, mWidth) ||
      !ClipRunToSurface(run.sourceTop, run.sourceBottom, run.destTop, run.destBottom, mHeight)) {
    return;
  }
  GdkDrawable* drawable = g.TargetGdkDrawable();
  GdkGC* gc = reinterpret_cast<GdkGC*>(g.GetHandle(kHandleGdkGC));
  if (!drawable || !gc) return;
  QV::Rect d;
  RectSet(d, run.destLeft, run.destTop, run.destRight, run.destBottom);
  d = g.Target()->RectToDrawable(g, d, true);
  RectOffset(d, g.OriginX(), g.OriginY());
  const int32_t shownWidth = std::min(d.right - d.left, run.DestWidth());
  const int32_t shownHeight = std::min(d.bottom - d.top, run.DestHeight());
  if (shownWidth < 1 || shownHeight < 1) return;
  const bool scaled = run.DestWidth() != run.SourceWidth() ||
                      run.DestHeight() != run.SourceHeight();
  QV::Drawable* mask = GetMask();
  if (!scaled && !mask && !transparent) {
    DrawBackChangedPixels();
    gdk_draw_drawable(drawable, gc, mPixmap, run.sourceLeft, run.sourceTop, d.left, d.top,
                      shownWidth, shownHeight);
    return;
  }
  GdkPixbuf* pixels = GetPixbuf();
  GdkPixbuf* maskPixels = mask ? mask->GetPixbuf() : nullptr;
  if (!pixels || (mask && !maskPixels)) return;
  GdkPixbuf* image = pixels;
  GdkPixbuf* imageMask = maskPixels;
  int32_t left = run.sourceLeft;
  int32_t top = run.sourceTop;
  if (scaled) {
    const double scaleX = double(run.DestWidth()) / run.SourceWidth();
    const double scaleY = double(run.DestHeight()) / run.SourceHeight();
    image = ScaledPart(pixels, run.sourceLeft, run.sourceTop, shownWidth, shownHeight, scaleX,
                       scaleY);
    imageMask = nullptr;
    if (mask && image) {
      imageMask = ScaledPart(maskPixels, run.sourceLeft, run.sourceTop, shownWidth, shownHeight,
                             scaleX, scaleY);
    }
    left = 0;
    top = 0;
  }
  if (image && (!mask || imageMask)) {
    SetCopyAlpha(image, left, top, shownWidth, shownHeight, imageMask, transparent);
    gdk_draw_pixbuf(drawable, gc, image, left, top, d.left, d.top, shownWidth, shownHeight,
                    GDK_RGB_DITHER_NONE, 0, 0);
  }
  if (scaled) {
    if (image) g_object_unref(image);
    if (imageMask) g_object_unref(imageMask);
  }
}
