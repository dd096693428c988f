// The language class "RGBSurface": pixel access to a picture's surface. Pixels are read from
// the surface's cached RGBA copy, and set in it: the pixels set are drawn back onto the pixmap
// once, before anything else reads or draws on the picture (DrawablePane). FloodFill and
// Transform work on the copy too, and draw the part they changed back at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "graphics/Drawable.h"
#include "strings/RuntimeString.h"

struct RGBSurfaceObject {
  RuntimeObject header;
  RuntimeObject* picture;  // one reference
  int32_t width;           // the surface's size when this object was made
  int32_t height;
  int32_t depth;           // bits per pixel: 32 on this platform
  DrawablePane* pane;      // the hidden __qvf_mImp: picture's surface while picture is held
  int32_t reserved;
};
static_assert(sizeof(RGBSurfaceObject) == 48 && offsetof(RGBSurfaceObject, picture) == 24 &&
              offsetof(RGBSurfaceObject, pane) == 40);

ObjectDefinition* RGBSurfaceClassDefinition();

// A new RGBSurface (one reference for the caller) on the picture's surface; nil without one.
RuntimeObject* NewRGBSurface(RuntimeObject* picture);

// Pixel's getter and setter where the pixel is not at hand in the surface's copy: they read the
// copy first, or draw on a screen that holds only some colours. Where no copy can be made (the
// memory ran short) they read and draw the pixel on the X server itself; FloodFill and
// Transform, which need the copy, raise OutOfMemoryException there.
extern "C" uint32_t RGBSurfaceReadPixel(RuntimeObject* surface, int32_t x, int32_t y);
extern "C" void RGBSurfaceWritePixel(RuntimeObject* surface, int32_t x, int32_t y,
                                     uint32_t colour);

extern "C" {
uint32_t rgbSurfaceGetPixel(RuntimeObject* surface, int32_t x, int32_t y);
void rgbSurfaceSetPixel(RuntimeObject* surface, int32_t x, int32_t y, uint32_t color);
// The 4-connected region of the seed's colour becomes fillColor.
void rgbSurfaceSeedFill(RuntimeObject* surface, int32_t x, int32_t y, uint32_t fillColor);
void rgbSurfaceTransform(RuntimeObject* surface, RuntimeArray* map);
void rgbSurfaceTransformRGB(RuntimeObject* surface, RuntimeArray* redMap, RuntimeArray* greenMap,
                            RuntimeArray* blueMap);
void RGBSurfaceDestructor(RuntimeObject* surface);
}
