// The language class "Picture": a rectangle of pixels held in an off-screen DrawablePane, or,
// at depth 0, a vector picture that holds only an Object2D group.
//
// A picture keeps its surface for its whole life. Its Graphics object and Mask picture are
// companions made on first use and kept (one reference each); RGBSurface objects hold the
// picture. A Graphics object the application keeps after its picture is gone draws nothing
// and reports nothing.
//
// Pictures also come from BMP bytes (the image's 'BMP ' resources, BMP files), from GdkPixbuf
// images (the other file formats, window frames) and from pixmaps (XPM files): the makers
// below turn each into a 24-bit surface.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "graphics/Drawable.h"
#include "strings/RuntimeString.h"

struct PictureObject {
  RuntimeObject header;
  int32_t transparent;     // DrawPicture draws white as transparent when not 0
  QV::Drawable* image;     // one reference; nil for a vector picture
  RuntimeObject* graphics; // cached Graphics object, one reference
  RuntimeObject* mask;     // cached Mask picture, one reference
  int32_t width;           // as created; read only without an image
  int32_t height;
  RuntimeObject* objects;  // Group2D of a vector picture, one reference
  int32_t imp;             // the hidden __qvf_mImp
};
static_assert(sizeof(PictureObject) == 56 && offsetof(PictureObject, image) == 28 &&
              offsetof(PictureObject, objects) == 48);

ObjectDefinition* PictureClassDefinition();

// The largest side a picture's surface may have (its rectangle is 16-bit, signed).
constexpr int32_t kLargestPictureSide = 0x7FFF;

// ---- surfaces from outside data (each new surface with one reference for the caller) ----
// The surface of a whole BMP file's bytes, or nil when they are refused (an information header
// of unknown size is also reported).
DrawablePane* PictureFromBMPData(const uint8_t* data, uint32_t length);
// A 24-bit surface holding image (composed over white where it is not opaque), or nil.
DrawablePane* DrawablePaneFromPixbuf(GdkPixbuf* image);
// A 24-bit surface holding a copy of pixmap, or nil.
DrawablePane* DrawablePaneFromPixmap(GdkPixmap* pixmap);

// Pixel layouts of outside buffers: R G B; B G R; a skipped byte, then R G B; B G R, then a
// skipped byte.
enum PixelBufferFormat : int32_t {
  kPixelsRGB = 1,
  kPixelsBGR = 2,
  kPixelsXRGB = 3,
  kPixelsBGRX = 4,
};
// A 24-bit surface of width x height from rows rowBytes apart, or nil: for a nil buffer, an
// unknown format, a side below 1 or above kLargestPictureSide, rows shorter than width
// pixels, or memory refused. Sizes are checked before anything is allocated.
DrawablePane* DrawablePaneFromPixelBuffer(int32_t width, int32_t height, int32_t format,
                                          const uint8_t* buffer, int32_t rowBytes);

// A new Picture (one reference for the caller) holding surface, whose reference it takes over;
// nil for a nil surface.
RuntimeObject* NewPictureWithDrawable(QV::Drawable* surface);
// A new Picture holding image's pixels; the picture takes image's reference. Nil for nil.
RuntimeObject* NewPictureWithImage(GdkPixbuf* image);

// The picture's surface (borrowed), or nil (also for a vector picture or nil). Inline: a pixel
// loop asks for every pixel.
inline QV::Drawable* PictureDrawable(RuntimeObject* picture) {
  return picture ? reinterpret_cast<PictureObject*>(picture)->image : nullptr;
}
inline DrawablePane* PicturePane(RuntimeObject* picture) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->Pane() : nullptr;
}
// The picture's pixels as RGBA (borrowed: the surface keeps them until it is drawn into), or
// nil.
GdkPixbuf* PictureImage(RuntimeObject* picture);

extern "C" {
// A picture whose pixels cannot be had (a side above kLargestPictureSide, a pixmap the X
// server refuses) raises OutOfMemoryException; newPicture answers nil instead.
void PictureConstructor(RuntimeObject* picture, int32_t width, int32_t height, int32_t depth);
RuntimeObject* newPicture(int32_t width, int32_t height, int32_t depth);
RuntimeObject* pictureIndexedImage(RuntimeObject* picture, int32_t index);
int32_t pictureWidthGetter(RuntimeObject* picture, uint32_t unused);
int32_t pictureHeightGetter(RuntimeObject* picture, uint32_t unused);
RuntimeObject* pictureGraphicsGetter(RuntimeObject* picture, uint32_t unused);
RuntimeObject* pluginPictureGraphicsGetter(RuntimeObject* picture);
RuntimeObject* pictureGroup2DGetter(RuntimeObject* picture, uint32_t unused);
void pictureGroup2DSetter(RuntimeObject* picture, uint32_t unused, RuntimeObject* group);
int32_t pictureTransparentGetter(RuntimeObject* picture, uint32_t unused);
void pictureTransparentSetter(RuntimeObject* picture, uint32_t unused, int32_t transparent);
RuntimeObject* pictureRGBSurfaceGetter(RuntimeObject* picture, uint32_t unused);
int32_t pictureImageCountGetter(RuntimeObject* picture, uint32_t unused);
RuntimeObject* pictureMaskGetter(RuntimeObject* picture, uint32_t unused);
int32_t PictureDepthGetter(RuntimeObject* picture, uint32_t unused);
int32_t PictureHResGetter(RuntimeObject* picture, uint32_t unused);
void PictureHResSetter(RuntimeObject* picture, uint32_t unused, int32_t dpi);
int32_t PictureVResGetter(RuntimeObject* picture, uint32_t unused);
void PictureVResSetter(RuntimeObject* picture, uint32_t unused, int32_t dpi);
// width, height (int32 each), then one 0x00RRGGBB word a pixel, rows top down; "" for nil or
// a picture too large for a string.
stringStorage* PicturePacker(RuntimeObject* picture);
void RuntimePictureDestructor(RuntimeObject* picture);
void RegisterPictureClass();
}
