#include "graphics/PictureClass.h"

#include <cstring>

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

PictureObject* AsPicture(RuntimeObject* picture) {
  return reinterpret_cast<PictureObject*>(picture);
}

RuntimeObject* PictureFromBMPResource(const uint8_t* data, uint32_t length) {
  return NewPictureWithImage(PictureFromBMPData(data, length));
}

void InstallPictureMaker() { SetResourceObjectMakers({.picture = PictureFromBMPResource}); }

}  // namespace

QV_CLASS(PictureClassDefinition,
         .name = "Picture",
         .objectSize = sizeof(PictureObject),
         .finalizer = QV_CODE(RuntimePictureDestructor))
QV_STARTUP_CLASS(kStartupPictureClass, PictureClassDefinition)
QV_STARTUP(kStartupPictureResourceMaker, InstallPictureMaker)

// The loader hands out a file cut short as a picture whose missing rows hold whatever memory
// it was given; it tells of each row it fills, and only a picture filled whole is taken. It
// also grows its buffer to the size the information header names before reading that header,
// so a header that does not fit in the data (a damaged size can name gigabytes) is refused
// before it gets there.
GdkPixbuf* PictureFromBMPData(const uint8_t* data, uint32_t length) {
  constexpr uint32_t kFileHeaderSize = 14;
  if (!data || length < kFileHeaderSize + 4) return nullptr;
  uint32_t infoHeaderSize;
  std::memcpy(&infoHeaderSize, data + kFileHeaderSize, sizeof infoHeaderSize);  // little-endian
  if (uint64_t(kFileHeaderSize) + infoHeaderSize > length) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
  if (!loader) return nullptr;
  int64_t rowsFilled = 0;
  g_signal_connect(loader, "area-updated",
                   G_CALLBACK(+[](GdkPixbufLoader*, int, int, int, int height, gpointer rows) {
                     *static_cast<int64_t*>(rows) += height;
                   }),
                   &rowsFilled);
  const bool written = gdk_pixbuf_loader_write(loader, data, length, nullptr);
  // Closing is needed either way; it fails for some damage the writing did not see.
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* image = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (image && rowsFilled >= gdk_pixbuf_get_height(image)) {
    g_object_ref(image);
  } else {
    image = nullptr;
  }
  g_object_unref(loader);
  return image;
}

RuntimeObject* NewPictureWithImage(GdkPixbuf* image) {
  if (!image) return nullptr;
  RuntimeObject* picture = NewObjectFromDefinition(PictureClassDefinition());
  if (!picture) {
    g_object_unref(image);
    return nullptr;
  }
  AsPicture(picture)->image = image;
  return picture;
}

GdkPixbuf* PictureImage(RuntimeObject* picture) {
  return picture ? AsPicture(picture)->image : nullptr;
}

extern "C" void RuntimePictureDestructor(RuntimeObject* picture) {
  if (!picture || !AsPicture(picture)->image) return;
  g_object_unref(AsPicture(picture)->image);
  AsPicture(picture)->image = nullptr;
}
QV_EXPORT(RuntimePictureDestructor)
