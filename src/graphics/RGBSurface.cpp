#include "graphics/RGBSurface.h"

#include <algorithm>
#include <string>
#include <vector>

#include "arrays/ArrayElementAccess.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "graphics/PictureClass.h"

namespace {

using namespace lang;

const MethodRow kRGBSurfaceMethods[] = {
    QV_FUNCTION_ASSIGNS("Pixel", Color, rgbSurfaceGetPixel, rgbSurfaceSetPixel,
                        Param("x", Integer), Param("y", Integer)),
    QV_SUB("FloodFill", rgbSurfaceSeedFill, Param("x", Integer), Param("y", Integer),
           Param("fillColor", Color)),
    QV_SUB("Transform", rgbSurfaceTransform, Param("map", ArrayOf<Integer>)),
    QV_SUB("Transform", rgbSurfaceTransformRGB, Param("redMap", ArrayOf<Integer>),
           Param("greenMap", ArrayOf<Integer>), Param("blueMap", ArrayOf<Integer>)),
};

const PropertyRow kRGBSurfaceProperties[] = {
    QV_VARIABLE("__qvf_mImp", Integer),
};

RGBSurfaceObject* AsSurface(RuntimeObject* surface) {
  return reinterpret_cast<RGBSurfaceObject*>(surface);
}

// The RGBA copy of a surface's pixels, changed in place and drawn back when done.
struct PixelCopy {
  DrawablePane* pane = nullptr;
  guchar* bytes = nullptr;
  int32_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;

  guchar* At(int32_t x, int32_t y) const { return bytes + size_t(y) * stride + size_t(x) * 4; }
  uint32_t Get(int32_t x, int32_t y) const {
    const guchar* p = At(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
  void Set(int32_t x, int32_t y, uint32_t colour) const {
    guchar* p = At(x, y);
    p[0] = guchar(colour >> 16);
    p[1] = guchar(colour >> 8);
    p[2] = guchar(colour);
  }
};

// The surface's size as the object knows it, kept within the pane's own (it never changes, but
// the object's fields are the application's memory too).
bool CopyOf(RuntimeObject* surface, DrawablePane* pane, PixelCopy& copy) {
  copy.pane = pane;
  if (!copy.pane) return false;
  const DrawablePane::PixelView view = copy.pane->Pixels();
  if (!view.bytes) return false;
  copy.bytes = view.bytes;
  copy.stride = view.stride;
  copy.width = std::min({AsSurface(surface)->width, copy.pane->Width(), view.width});
  copy.height = std::min({AsSurface(surface)->height, copy.pane->Height(), view.height});
  return true;
}

bool CopyOf(RuntimeObject* surface, PixelCopy& copy) {
  return surface && CopyOf(surface, PicturePane(AsSurface(surface)->picture), copy);
}

// No copy of the pixels could be made, though the surface has them: the memory ran short, and
// the operation that needs the copy cannot be done.
void RaiseIfPixelsUnread(RuntimeObject* surface) {
  DrawablePane* pane = PicturePane(AsSurface(surface)->picture);
  if (pane && pane->HasPixmap()) RaiseNewException(OutOfMemoryExceptionDefinition());
}

bool Inside(RuntimeObject* surface, int32_t x, int32_t y) {
  return surface && x >= 0 && y >= 0 && x < AsSurface(surface)->width &&
         y < AsSurface(surface)->height;
}

// Draws the changed part of the copy back onto the pixmap. The copy stays the pixels' record
// where the screen holds every colour exactly; elsewhere it goes, and is read again.
void DrawBack(const PixelCopy& copy, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (right <= left || bottom <= top) return;
  copy.pane->DrawBackChangedPixels();
  copy.pane->DrawCopy(left, top, right, bottom);
  if (MainScreenDepth() < 24) copy.pane->DiscardCache();
}

// A run of the seed fill: line y + dy is to be scanned from left to right.
struct FillSegment {
  int32_t y, left, right, dy;
};

// Heckbert's scan-line seed fill over the copy, 4-connected. The stack grows as the region
// needs: a bounded one would leave parts of a complex region unfilled.
void SeedFill(const PixelCopy& copy, int32_t seedX, int32_t seedY, uint32_t fill,
              int32_t bounds[4]) {
  const uint32_t old = copy.Get(seedX, seedY);
  std::vector<FillSegment> stack;
  auto push = [&](int32_t y, int32_t left, int32_t right, int32_t dy) {
    if (y + dy >= 0 && y + dy < copy.height) stack.push_back({y, left, right, dy});
  };
  auto paint = [&](int32_t x, int32_t y) {
    copy.Set(x, y, fill);
    bounds[0] = std::min(bounds[0], x);
    bounds[1] = std::min(bounds[1], y);
    bounds[2] = std::max(bounds[2], x + 1);
    bounds[3] = std::max(bounds[3], y + 1);
  };
  push(seedY, seedX, seedX, 1);
  push(seedY + 1, seedX, seedX, -1);
  while (!stack.empty()) {
    const FillSegment s = stack.back();
    stack.pop_back();
    const int32_t y = s.y + s.dy;
    int32_t x = s.left;
    for (; x >= 0 && copy.Get(x, y) == old; --x) paint(x, y);
    int32_t left = s.left;  // set before its first use; the compiler cannot see it
    bool skip = x >= s.left;
    if (!skip) {
      left = x + 1;
      if (left < s.left) push(y, left, s.left - 1, -s.dy);
      x = s.left + 1;
    }
    do {
      if (!skip) {
        for (; x < copy.width && copy.Get(x, y) == old; ++x) paint(x, y);
        push(y, left, x - 1, s.dy);
        if (x > s.right + 1) push(y, s.right + 1, x - 1, -s.dy);
      }
      skip = false;
      for (++x; x <= s.right && copy.Get(x, y) != old; ++x) {
      }
      left = x;
    } while (x <= s.right);
  }
}

// The low bytes of the map's 256 elements; false (after the exception) when a map is missing
// or of another size. The maps are checked blue, green, red, and the last failing one named.
bool ReadMaps(RuntimeArray* const maps[3], uint8_t tables[3][256]) {
  int32_t failingBound = 0;
  bool failed = false;
  for (int32_t i = 2; i >= 0; --i) {
    if (!maps[i]) {
      RaiseNilObjectException();
      return false;
    }
    const int32_t bound = RuntimeUBound(maps[i]);
    if (bound != 255) {
      failingBound = bound;
      failed = true;
    }
  }
  if (failed) {
    const string message =
        string("Transform map UBound must be 255, not ") +
        string(std::to_string(failingBound).c_str());
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
    return false;
  }
  for (int32_t channel = 0; channel < 3; ++channel) {
    for (int32_t i = 0; i < 256; ++i) {
      tables[channel][i] = uint8_t(RuntimeDirectReadIntArray(maps[channel], i));
    }
  }
  return true;
}

void TransformSurface(RuntimeObject* surface, RuntimeArray* const maps[3]) {
  if (!surface) {
    RaiseNilObjectException();
    return;
  }
  uint8_t tables[3][256];
  if (!ReadMaps(maps, tables)) return;
  const int32_t depth = AsSurface(surface)->depth;
  if (depth < 24) {
    const string message = string("Transform depth must be 24 or 32, not ") +
                           string(std::to_string(depth).c_str());
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
    return;
  }
  PixelCopy copy;
  if (!CopyOf(surface, copy)) {
    RaiseIfPixelsUnread(surface);
    return;
  }
  for (int32_t y = 0; y < copy.height; ++y) {
    guchar* p = copy.At(0, y);
    for (int32_t x = 0; x < copy.width; ++x, p += 4) {
      p[0] = tables[0][p[0]];
      p[1] = tables[1][p[1]];
      p[2] = tables[2][p[2]];
    }
  }
  DrawBack(copy, 0, 0, copy.width, copy.height);
}

}  // namespace

QV_CLASS(RGBSurfaceClassDefinition,
         .name = "RGBSurface",
         .objectSize = sizeof(RGBSurfaceObject),
         .properties = kRGBSurfaceProperties,
         .methods = kRGBSurfaceMethods,
         .finalizer = QV_CODE(RGBSurfaceDestructor))
QV_STARTUP_CLASS(kStartupRGBSurfaceClass, RGBSurfaceClassDefinition)

RuntimeObject* NewRGBSurface(RuntimeObject* picture) {
  DrawablePane* pane = PicturePane(picture);
  if (!pane) return nullptr;
  RuntimeObject* object = NewObjectFromDefinition(RGBSurfaceClassDefinition());
  if (!object) return nullptr;
  RGBSurfaceObject* surface = AsSurface(object);
  RuntimeLockObject(picture);
  surface->picture = picture;
  surface->width = pane->Width();
  surface->height = pane->Height();
  surface->depth = 32;
  surface->pane = pane;
  return object;
}

extern "C" uint32_t RGBSurfaceReadPixel(RuntimeObject* surface, int32_t x, int32_t y) {
  if (!Inside(surface, x, y)) return 0;
  DrawablePane* pane = PicturePane(AsSurface(surface)->picture);
  PixelCopy copy;
  if (CopyOf(surface, pane, copy)) {
    return x < copy.width && y < copy.height ? copy.Get(x, y) : 0;
  }
  // The copy of them all found no room: the one pixel is read from the X server itself.
  if (!pane || !pane->HasPixmap() || x >= pane->Width() || y >= pane->Height()) return 0;
  uint32_t colour = 0;
  return ReadServerPixel(pane->GetPixmap(), x, y, &colour) ? colour : 0;
}

// A screen of fewer than 24 bits holds only some colours, which only the server knows: there the
// pixel is drawn at once and the copy read again when next needed.
extern "C" void RGBSurfaceWritePixel(RuntimeObject* surface, int32_t x, int32_t y,
                                     uint32_t colour) {
  if (!Inside(surface, x, y)) return;
  DrawablePane* pane = PicturePane(AsSurface(surface)->picture);
  if (!pane || !pane->HasPixmap()) return;
  PixelCopy copy;
  if (MainScreenDepth() >= 24 && CopyOf(surface, pane, copy) && x < copy.width &&
      y < copy.height) {
    copy.Set(x, y, colour);
    pane->NoteRowChanged(y);
    return;
  }
  pane->DiscardCache();
  GdkColor gdkColour = {0, guint16(((colour >> 16) & 0xFF) * 257),
                        guint16(((colour >> 8) & 0xFF) * 257), guint16((colour & 0xFF) * 257)};
  GdkColormap* colormap = gdk_drawable_get_colormap(pane->GetPixmap());
  if (!colormap) colormap = gdk_rgb_get_colormap();
  gdk_colormap_alloc_color(colormap, &gdkColour, FALSE, TRUE);
  gdk_gc_set_foreground(pane->GetGC(), &gdkColour);
  pane->NoteGCForegroundSetter(nullptr);
  gdk_draw_point(pane->GetPixmap(), pane->GetGC(), x, y);
}

extern "C" void rgbSurfaceSeedFill(RuntimeObject* surface, int32_t x, int32_t y,
                                   uint32_t fillColor) {
  if (!surface) {
    RaiseNilObjectException();
    return;
  }
  PixelCopy copy;
  const bool hasCopy = CopyOf(surface, copy);
  if (!Inside(surface, x, y) || (hasCopy && (x >= copy.width || y >= copy.height))) {
    RaiseOutOfBoundsException();
    return;
  }
  if (!hasCopy) {
    RaiseIfPixelsUnread(surface);
    return;
  }
  fillColor &= 0xFFFFFF;
  if (copy.Get(x, y) == fillColor) return;
  int32_t bounds[4] = {copy.width, copy.height, 0, 0};
  SeedFill(copy, x, y, fillColor, bounds);
  DrawBack(copy, bounds[0], bounds[1], bounds[2], bounds[3]);
}
QV_EXPORT(rgbSurfaceSeedFill)

extern "C" void rgbSurfaceTransform(RuntimeObject* surface, RuntimeArray* map) {
  RuntimeArray* const maps[3] = {map, map, map};
  TransformSurface(surface, maps);
}
QV_EXPORT(rgbSurfaceTransform)

extern "C" void rgbSurfaceTransformRGB(RuntimeObject* surface, RuntimeArray* redMap,
                                       RuntimeArray* greenMap, RuntimeArray* blueMap) {
  RuntimeArray* const maps[3] = {redMap, greenMap, blueMap};
  TransformSurface(surface, maps);
}
QV_EXPORT(rgbSurfaceTransformRGB)

extern "C" void RGBSurfaceDestructor(RuntimeObject* object) {
  AsSurface(object)->pane = nullptr;
  if (RuntimeObject* picture = std::exchange(AsSurface(object)->picture, nullptr)) {
    RuntimeUnlockObject(picture);
  }
}
QV_EXPORT(RGBSurfaceDestructor)
