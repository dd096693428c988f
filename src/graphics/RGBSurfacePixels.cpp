// RGBSurface's Pixel, which a pixel loop calls for every pixel it reads or writes. Built as a
// leaf accessor (see CMakeLists.txt): the way to a pixel of the surface's copy calls nothing,
// and the rest, RGBSurface.cpp's, is reached by a tail jump. Nothing here may call outside the
// framework.
#include <cstring>

#include "core/Export.h"
#include "graphics/RGBSurface.h"

namespace {

// The surface's pane, which the surface's size matches (the object's size fields are the
// application's memory; the pane's are not).
DrawablePane* PaneOf(RuntimeObject* surface) {
  return surface ? reinterpret_cast<RGBSurfaceObject*>(surface)->pane : nullptr;
}

// A pixel of the copy is four bytes, red first and alpha last: one word read or written
// stands for three byte moves and the shifts that join them.
uint32_t CopiedColour(const guchar* pixel) {
  uint32_t word;
  std::memcpy(&word, pixel, 4);
  return __builtin_bswap32(word) >> 8;
}

// The pixel's alpha stays as it was.
void SetCopiedColour(guchar* pixel, uint32_t colour) {
  uint32_t word;
  std::memcpy(&word, pixel, 4);
  word = (word & 0xFF000000) | (__builtin_bswap32(colour) >> 8);
  std::memcpy(pixel, &word, 4);
}

}  // namespace

extern "C" uint32_t rgbSurfaceGetPixel(RuntimeObject* surface, int32_t x, int32_t y) {
  DrawablePane* pane = PaneOf(surface);
  const guchar* pixel = pane ? pane->CopiedPixel(x, y) : nullptr;
  if (!pixel) [[unlikely]] return RGBSurfaceReadPixel(surface, x, y);
  return CopiedColour(pixel);
}
QV_EXPORT(rgbSurfaceGetPixel)

// The pixel goes into the surface's copy, which is drawn back once before anything else reads
// or draws on the picture.
extern "C" void rgbSurfaceSetPixel(RuntimeObject* surface, int32_t x, int32_t y,
                                   uint32_t color) {
  DrawablePane* pane = PaneOf(surface);
  guchar* pixel = pane ? pane->SettablePixel(x, y) : nullptr;
  if (!pixel) [[unlikely]] return RGBSurfaceWritePixel(surface, x, y, color);
  SetCopiedColour(pixel, color);
  pane->NoteRowChanged(y);
}
QV_EXPORT(rgbSurfaceSetPixel)
