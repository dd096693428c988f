// Off-screen drawables: image surfaces that a Graphics draws into and copies from, with
// clipping, scaling, a grey-level mask or white as transparent.
//
// Drawable is the reference-counted base (a new one holds one reference; the last Release
// frees it). DrawablePane is the one concrete surface: a GDK pixmap that is also a drawing
// target, so a Graphics draws into it as into a window. Every drawable is on the purge list
// but gives no memory back on demand.
//
// A DrawablePane whose pixmap the X server refuses (too large) still exists: HasPixmap is
// false, drawing into it and copying from it do nothing. Makers of pictures ask Refused and
// make no picture of it.
//
// A pane keeps a copy of its pixels once they are read (GetPixbuf). Pixels set one at a time
// (RGBSurface's Pixel) or all at once (a turn) go into the copy only, which is then the
// surface's record: they are
// drawn back onto the pixmap, once, before anything else reads the pixmap or draws on it (every
// way to the pixmap goes through GetPixmap, GetGdkWindow, GetTarget, DrawRect or
// DiscardCache), so a pixel loop costs no round trip to the server per pixel.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>

#include <cstdint>

#include "core/Memory.h"
#include "core/Rect.h"
#include "graphics/DrawingTarget.h"

class DrawablePane;
class Graphics;

// The native surface behind a drawable, for callers that want it.
struct DrawableTarget {
  int32_t kind;  // 0 none, 6 a GDK pixmap
  void* handle;
  int32_t width;
  int32_t height;
};
constexpr int32_t kDrawableTargetPixmap = 6;

// The images of a multi-image picture.
class DrawableFrameSource {
 public:
  virtual ~DrawableFrameSource() = default;
  virtual int32_t ImageCount() = 0;
  // The image at index with one reference for the caller, or nil.
  virtual QV::Drawable* Image(int32_t index) = 0;
};

// X11 names a type Drawable too: ours lives in QV, as Rect does.
namespace QV {

class Drawable : public purgableObject {
 public:
  Drawable();
  ~Drawable() override;

  void Retain() { ++mRefCount; }
  // The last reference prepares the drawable for going and deletes it.
  void Release();
  uint32_t RefCount() const { return mRefCount; }

  bool Purge() override { return false; }
  // Takes a reference and fills target (kind 0 here); the caller releases.
  virtual void GetTarget(DrawableTarget* target);
  // GetTarget when the surface is of that kind; false (and no reference kept) otherwise.
  virtual bool GetTargetOfKind(DrawableTarget* target, int32_t kind);
  virtual void PrepareToDraw() {}
  virtual void DiscardCache() {}
  // The drawable as an off-screen surface, or nil. Not virtual: a pixel loop asks for every
  // pixel.
  DrawablePane* Pane() const { return mPane; }
  // The whole drawable into destination.
  virtual void DrawInto(Graphics& g, const QV::Rect& destination, bool transparent);
  // The surface's pixels (the drawable keeps them), or nil.
  virtual GdkPixbuf* GetPixbuf() { return nullptr; }
  virtual void GetSize(int32_t* width, int32_t* height) = 0;
  virtual void DrawAt(Graphics& g, const QV::Rect& destination, bool transparent) = 0;
  // Copies source (in the surface) into destination (in g's coordinates, origin taken off).
  virtual void DrawRect(Graphics& /*g*/, const QV::Rect& /*source*/,
                        const QV::Rect& /*destination*/, bool /*inWindow*/,
                        bool /*transparent*/) {}
  virtual bool CanDraw() { return true; }
  // A Graphics drawing into the surface (the caller destroys it), or nil.
  virtual Graphics* NewGraphics() { return nullptr; }

  int32_t GetHRes() const { return mHRes; }
  int32_t GetVRes() const { return mVRes; }
  void SetHRes(int32_t dpi) { mHRes = dpi; }
  void SetVRes(int32_t dpi) { mVRes = dpi; }
  int32_t GetDepth() const { return mDepth; }

  // The grey-level mask (black opaque, white clear), or nil.
  Drawable* GetMask() const { return mMask; }
  // Makes a white mask of the drawable's size when there is none.
  void EnsureMask();
  // Takes over mask's reference in place of the mask it had (nil: none).
  void SetMask(Drawable* mask);
  // Takes over source (nil: a single image).
  void SetFrameSource(DrawableFrameSource* source);
  int32_t ImageCount();
  // The image at index with one reference for the caller (a single image: itself).
  Drawable* IndexedImage(int32_t index);

  // Prepares g, then copies source into destination with g's target's in-window flag.
  void DrawIntoGraphics(Graphics& g, const QV::Rect& source, const QV::Rect& destination,
                        bool transparent);

 protected:
  void SetDepth(int32_t depth) { mDepth = depth; }
  void SetPane(DrawablePane* pane) { mPane = pane; }

 private:
  DrawablePane* mPane = nullptr;
  // A count of 32 bits: a 16-bit one wraps to 0 at 65,536 references and frees a surface
  // that is still held.
  uint32_t mRefCount = 1;
  int32_t mHRes = 72;
  int32_t mVRes = 72;
  int32_t mDepth = 0;
  Drawable* mMask = nullptr;
  DrawableFrameSource* mFrameSource = nullptr;
};

}  // namespace QV

// One axis of drawing part of a picture: the source run [source, source + sourceLength) kept
// within [0, limit) and the destination run cut in proportion, in 64 bits. False when nothing
// is left (a length below 1 included).
bool ClipSourceRun(int64_t& dest, int64_t& destLength, int64_t& source, int64_t& sourceLength,
                   int64_t limit);

// One pixel of drawable as the X server holds it, 0xRRGGBB; false when GDK could not read it
// (outside the drawable, or no room for the copy).
bool ReadServerPixel(GdkDrawable* drawable, int32_t x, int32_t y, uint32_t* colour);

class DrawablePane : public QV::Drawable, public DrawingTarget {
 public:
  // The surface spans topLeft to bottomRight (vertical first, as QV::Point); depth is kept as
  // asked for, while the pixmap takes the screen's. A new surface is white.
  DrawablePane(QV::Point topLeft, QV::Point bottomRight, int32_t depth);
  ~DrawablePane() override;

  bool HasPixmap() const { return mPixmap != nullptr; }
  // The display was there but gave no pixmap: too large a side, or more than the X server had
  // room for. (Without a display no surface has one.)
  bool Refused() const { return mRefused; }
  // Whether GetPixbuf holds pixels read before (which drawing into the surface outdates).
  bool HasCachedPixels() const { return mPixbuf != nullptr; }
  // The pixmap, with every pixel set in the copy drawn back onto it first.
  GdkPixmap* GetPixmap() {
    DrawBackChangedPixels();
    return mPixmap;
  }
  int32_t Width() const { return mWidth; }
  int32_t Height() const { return mHeight; }

  // GetPixbuf's pixels as bytes: RGBA rows of stride bytes; bytes nil when none could be read.
  struct PixelView {
    guchar* bytes = nullptr;
    int32_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
  };
  PixelView Pixels() {
    if (!mPixbuf) GetPixbuf();
    return mPixelView;
  }
  // The copy's bytes (RGBA) of pixel (x, y) when the copy is read and the pixel inside the
  // surface; nil otherwise. The settable pixel also needs a copy that holds every colour as the
  // pixmap does (a screen of 24 bits or more): only there may pixels be set in the copy and
  // drawn back later. Inline: a pixel loop reads and writes here.
  const guchar* CopiedPixel(int32_t x, int32_t y) const { return PixelIn(mCopied, x, y); }
  guchar* SettablePixel(int32_t x, int32_t y) const { return PixelIn(mSettable, x, y); }
  // Row y of the copy, inside it, was set there and is to be drawn back (see above).
  void NoteRowChanged(int32_t y) {
    if (y < mChangedTop) mChangedTop = y;
    if (y >= mChangedBottom) mChangedBottom = y + 1;
  }
  // The copy for a caller that sets every pixel of it and then calls NoteCopyReplaced: the copy
  // read before, or a new one whose pixels are not read from the pixmap, since none of them
  // would survive. Nil without a pixmap.
  GdkPixbuf* PixbufToReplace();
  // Every pixel of the copy was set: drawn back as pixels set one at a time are, or at once
  // where the copy holds colours the pixmap cannot (a screen of fewer than 24 bits).
  void NoteCopyReplaced();
  // Draws the rows set in the copy onto the pixmap; the copy stays.
  void DrawBackChangedPixels() {
    if (mChangedBottom > mChangedTop) DrawBackChanges();
  }
  // Draws the part of the copy from (left, top) to (right, bottom) onto the pixmap, as it is.
  void DrawCopy(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // ---- Drawable ----
  // Kind 6 and the pixmap.
  void GetTarget(DrawableTarget* target) override;
  // Clears the pane layer's drawing focus.
  void PrepareToDraw() override;
  void DiscardCache() override;
  // The whole pixmap, read once and kept until DiscardCache; nil without a pixmap.
  GdkPixbuf* GetPixbuf() override;
  void GetSize(int32_t* width, int32_t* height) override;
  void DrawAt(Graphics& g, const QV::Rect& destination, bool transparent) override;
  void DrawRect(Graphics& g, const QV::Rect& source, const QV::Rect& destination, bool inWindow,
                bool transparent) override;
  Graphics* NewGraphics() override;

  // ---- DrawingTarget ----
  GdkWindow* GetGdkWindow() override { return GetPixmap(); }
  // A refused pixmap has no graphics context either.
  GdkGC* GetGC() override { return mGC; }
  QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) override;
  const QV::Rect& GetBounds() const override { return mBounds; }
  bool IsInWindow() override { return false; }
  DrawablePane* OffscreenSurface() override { return this; }
  // White, as a new surface is.
  void EraseBackground() override;

 private:
  // The pixels of the copy that may be read, or set: none where there is no copy (or, to set,
  // where it cannot hold every colour), so that one bounds check is the whole test.
  struct PixelLimits {
    uint32_t width = 0;
    uint32_t height = 0;
  };
  guchar* PixelIn(PixelLimits limits, int32_t x, int32_t y) const {
    if (uint32_t(x) >= limits.width || uint32_t(y) >= limits.height) return nullptr;
    // Limits are set only with a copy: the pixel's address is never nil, nor tested again.
    if (!mPixelView.bytes) __builtin_unreachable();
    return mPixelView.bytes + size_t(y) * size_t(mPixelView.stride) + size_t(x) * 4;
  }

  QV::Rect mBounds;
  GdkGC* mGC = nullptr;
  void DrawBackChanges();
  GdkPixbuf* NewCopy() const;
  void KeepCopy(GdkPixbuf* pixels);

  GdkPixmap* mPixmap = nullptr;
  GdkPixbuf* mPixbuf = nullptr;
  PixelView mPixelView;  // of mPixbuf
  PixelLimits mCopied;
  PixelLimits mSettable;
  // The rows of the copy from top to bottom (exclusive) hold every pixel set there and not yet
  // drawn back. Drawing back whole rows redraws the pixels between with the colours they have.
  int32_t mChangedTop = INT32_MAX;
  int32_t mChangedBottom = 0;
  int32_t mWidth;
  int32_t mHeight;
  bool mRefused = false;
};
