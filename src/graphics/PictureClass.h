// The Picture class, as far as the framework makes pictures so far: a picture holds its decoded
// pixels and its Transparent word. Pictures come from the image's 'BMP ' resources (the resource
// manager's GetPicture), whose maker this file installs at start-up. Drawing, the pixel surface
// and the other members come with the drawing layer's off-screen drawables, which will replace
// the pixel buffer held here.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct PictureObject {
  RuntimeObject header;
  int32_t transparent;  // DrawPicture draws white as transparent when not 0
  GdkPixbuf* image;     // one reference; nil for none
};
static_assert(sizeof(PictureObject) == 32 && offsetof(PictureObject, image) == 28);

ObjectDefinition* PictureClassDefinition();

// The pixels of a whole BMP file, decoded by gdk-pixbuf's BMP loader (one reference for the
// caller), or nil when they do not decode.
GdkPixbuf* PictureFromBMPData(const uint8_t* data, uint32_t length);

// A new Picture (one reference for the caller) holding image, whose reference it takes over;
// nil for a nil image.
RuntimeObject* NewPictureWithImage(GdkPixbuf* image);

// The picture's pixels (borrowed), or nil.
GdkPixbuf* PictureImage(RuntimeObject* picture);

extern "C" {
void RuntimePictureDestructor(RuntimeObject* picture);
}
