// Pictures for plug-ins: built from pixel buffers, their masks, their surfaces locked for
// direct access and drawn onto a Graphics.
//
// Locks balance: every lock that took a reference on the picture's surface is remembered with
// the picture, and an unlock releases only such a reference, the newest first. An unlock with
// no lock outstanding (never locked, unlocked already, or the lock failed) releases nothing,
// so a plug-in's extra unlock cannot free the surface under its picture. A picture that dies
// with locks outstanding gives their references back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/Rect.h"
#include "core/RuntimeObject.h"

// What a lock hands the plug-in: the surface's kind, native handle and size, its depth and the
// picture's Transparent word.
struct PluginPictureDescription {
  int32_t kind;
  void* handle;
  int32_t width;
  int32_t height;
  int32_t depth;
  int32_t transparent;
};
static_assert(sizeof(PluginPictureDescription) == 24 &&
              offsetof(PluginPictureDescription, depth) == 16);

extern "C" {
// create 0: the current mask with a reference added (nil when none); else the Mask property,
// which makes one.
RuntimeObject* QUORGetPictureMask(RuntimeObject* picture, int32_t create);
// Nothing to clear on this platform.
void QUORPictureClearCache(RuntimeObject* picture);
// A new Picture (one reference for the caller) or nil; see DrawablePaneFromPixelBuffer.
RuntimeObject* QUORBuildPictureFromBuffer(int32_t width, int32_t height, int32_t format,
                                          const uint8_t* buffer, int32_t rowBytes);
// Neither kind of source exists here: nil.
RuntimeObject* QUORBuildPictureFromPictureDescription();
RuntimeObject* QUORBuildPictureFromGWorld();
// Locks the surface and fills description; nothing without a surface.
void lockPictureDescription(RuntimeObject* picture, PluginPictureDescription* description);
// Locks the surface only when it is of kind (0 asks for no particular kind and is answered 1
// with the description filled but nothing locked). 0 without a surface, or when a kind other
// than 0 was asked for and the surface is not of it.
int32_t QUORLockPictureDescription(RuntimeObject* picture, PluginPictureDescription* description,
                                   int32_t kind, int32_t unused);
void unlockPictureDescription(RuntimeObject* picture);
// The picture's surface drawn into rect of the graphics (the surface's size when rect is nil),
// white as transparent when transparent is not 0.
void QUORDrawPicturePrimitive(RuntimeObject* graphics, RuntimeObject* picture,
                              const QV::Rect* rect, int32_t transparent);
}
