// PicturePacker: a picture's pixels as one string, for plug-ins and the application to carry
// around: width and height (int32 each, little-endian), then one 0x00RRGGBB word a pixel,
// rows top to bottom.
#include <cstring>

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"

namespace {

// A picture whose pixels are not all on its own surface (a mask made, or shapes to draw) is
// drawn into a plain temporary picture first, which is returned with a reference; nil when
// the picture's own pixels will do, or after the report when the temporary cannot be made.
RuntimeObject* FlattenedCopy(RuntimeObject* picture, int32_t width, int32_t height,
                             bool* failed) {
  const PictureObject* p = reinterpret_cast<PictureObject*>(picture);
  *failed = false;
  const bool plain = !p->mask && (!p->objects || Group2DCount(p->objects, 0) == 0);
  if (plain && PicturePane(picture)) return nullptr;
  RuntimeObject* temp = newPicture(width, height, 32);
  if (!QV_CHECK_TEXT(temp && PicturePane(temp), "tempPicture", nullptr)) {
    if (temp) RuntimeUnlockObject(temp);
    *failed = true;
    return nullptr;
  }
  RuntimeObject* g = pictureGraphicsGetter(temp, 0);
  if (!QV_CHECK_TEXT(g, "tempG", nullptr)) {
    RuntimeUnlockObject(temp);
    *failed = true;
    return nullptr;
  }
  RuntimeGraphicsDrawPicture(g, picture, 0, 0, width, height, 0, 0, width, height);
  RuntimeUnlockObject(g);
  return temp;
}

void PutWord(unsigned char* at, uint32_t value) {
  at[0] = uint8_t(value);
  at[1] = uint8_t(value >> 8);
  at[2] = uint8_t(value >> 16);
  at[3] = uint8_t(value >> 24);
}

}  // namespace

extern "C" stringStorage* PicturePacker(RuntimeObject* picture) {
  if (!picture) return nullptr;
  const int32_t width = pictureWidthGetter(picture, 0);
  const int32_t height = pictureHeightGetter(picture, 0);
  const uint64_t size = uint64_t(width < 0 ? 0 : width) * uint64_t(height < 0 ? 0 : height) * 4 + 8;
  if (width < 0 || height < 0 || size > INT32_MAX) return nullptr;
  bool failed = false;
  RuntimeObject* temp = FlattenedCopy(picture, width, height, &failed);
  if (failed) return nullptr;
  RuntimeObject* surface = pictureRGBSurfaceGetter(temp ? temp : picture, 0);
  string packed = string::FromBytes(nullptr, int64_t(size), kEncodingNone);
  if (surface && packed.Storage()) {
    unsigned char* out = packed.Storage()->data + 1;
    PutWord(out, uint32_t(width));
    PutWord(out + 4, uint32_t(height));
    out += 8;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x, out += 4) PutWord(out, rgbSurfaceGetPixel(surface, x, y));
    }
  }
  if (surface) RuntimeUnlockObject(surface);
  if (temp) RuntimeUnlockObject(temp);
  return surface ? std::move(packed).ExtractStringStorage() : nullptr;
}
QV_EXPORT(PicturePacker)
