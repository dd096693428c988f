// RGBSurface's Pixel, which a pixel loop calls for every pixel it reads or writes. The way to a
// pixel of the surface's copy is a leaf (core/UnseenCall.h); the rest is RGBSurface.cpp's.
#include "core/Export.h"
#include "core/UnseenCall.h"
#include "graphics/RGBSurface.h"

namespace {

// The surface's pane, which the surface's size matches (the object's size fields are the
// application's memory; the pane's are not).
DrawablePane* PaneOf(RuntimeObject* surface) {
  return surface ? reinterpret_cast<RGBSurfaceObject*>(surface)->pane : nullptr;
}

}  // namespace

extern "C" uint32_t rgbSurfaceGetPixel(RuntimeObject* surface, int32_t x, int32_t y) {
  DrawablePane* pane = PaneOf(surface);
  const guchar* pixel = pane ? pane->CopiedPixel(x, y) : nullptr;
  if (!pixel) return QV_UNSEEN_CALL3(RGBSurfaceReadPixel, surface, x, y);
  return uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2];
}
QV_EXPORT(rgbSurfaceGetPixel)

// The pixel goes into the surface's copy, which is drawn back once before anything else reads
// or draws on the picture.
extern "C" void rgbSurfaceSetPixel(RuntimeObject* surface, int32_t x, int32_t y,
                                   uint32_t color) {
  DrawablePane* pane = PaneOf(surface);
  guchar* pixel = pane ? pane->SettablePixel(x, y) : nullptr;
  if (!pixel) {
    QV_UNSEEN_CALL4(RGBSurfaceWritePixel, surface, x, y, color);
    return;
  }
  pixel[0] = guchar(color >> 16);
  pixel[1] = guchar(color >> 8);
  pixel[2] = guchar(color);
  pane->NoteRowChanged(y);
}
QV_EXPORT(rgbSurfaceSetPixel)
