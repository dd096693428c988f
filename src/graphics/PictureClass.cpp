// The Picture class: its table, construction, companions and properties. The pixel surface
// and its operations are RGBSurface's; the surfaces made from outside data are in
// PictureSurfaces.cpp.
#include "graphics/PictureClass.h"

#include <cstring>

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "graphics/Graphics.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "graphics/RGBSurface.h"

namespace {

using namespace lang;

const PropertyRow kPictureProperties[] = {
    QV_READONLY("Width", Integer, pictureWidthGetter),
    QV_READONLY("Height", Integer, pictureHeightGetter),
    QV_READONLY("Graphics", Class<"Graphics">, pictureGraphicsGetter),
    QV_PROPERTY("Objects", Class<"Group2D">, pictureGroup2DGetter, pictureGroup2DSetter),
    QV_PROPERTY("Transparent", Integer, pictureTransparentGetter, pictureTransparentSetter),
    QV_READONLY("RGBSurface", Class<"RGBSurface">, pictureRGBSurfaceGetter),
    QV_READONLY("ImageCount", Integer, pictureImageCountGetter),
    QV_READONLY("Mask", Class<"Picture">, pictureMaskGetter),
    QV_READONLY("Depth", Integer, PictureDepthGetter),
    QV_PROPERTY("HorizontalResolution", Integer, PictureHResGetter, PictureHResSetter),
    QV_PROPERTY("VerticalResolution", Integer, PictureVResGetter, PictureVResSetter),
    QV_VARIABLE("__qvf_mImp", Integer),
};

const MethodRow kPictureMethods[] = {
    QV_SUB("Constructor", PictureConstructor, Param("width", Integer), Param("height", Integer),
           Param("depth", Integer)),
    QV_FUNCTION("IndexedImage", Class<"Picture">, pictureIndexedImage, Param("v", Integer)),
};

PictureObject* AsPicture(RuntimeObject* picture) {
  return reinterpret_cast<PictureObject*>(picture);
}

RuntimeObject* Retained(RuntimeObject* object) {
  if (object) RuntimeLockObject(object);
  return object;
}

RuntimeObject* PictureFromBMPResource(const uint8_t* data, uint32_t length) {
  return NewPictureWithDrawable(PictureFromBMPData(data, length));
}

void InstallPictureMaker() { SetResourceObjectMakers({.picture = PictureFromBMPResource}); }

// A new mask is opaque: black all over.
void PaintOpaque(QV::Drawable* mask, int32_t width, int32_t height) {
  Graphics* g = mask->NewGraphics();
  if (!g) return;
  QV::Rect whole;
  RectSet(whole, 0, 0, width, height);
  g->FillRect(whole);
  Graphics::Destroy(g);
  mask->DiscardCache();
}

}  // namespace

QV_CLASS(PictureClassDefinition,
         .name = "Picture",
         .objectSize = sizeof(PictureObject),
         .properties = kPictureProperties,
         .methods = kPictureMethods,
         .finalizer = QV_CODE(RuntimePictureDestructor))
QV_STARTUP(kStartupPictureClass, RegisterPictureClass)
QV_STARTUP(kStartupPictureResourceMaker, InstallPictureMaker)

// PicturePacker is exported with the other functions; only the class needs registering.
void RegisterPictureClass() { RegisterClassDefinition(PictureClassDefinition()); }

RuntimeObject* NewPictureWithDrawable(QV::Drawable* surface) {
  if (!surface) return nullptr;
  RuntimeObject* picture = NewObjectFromDefinition(PictureClassDefinition());
  if (!picture) {
    surface->Release();
    return nullptr;
  }
  AsPicture(picture)->image = surface;
  surface->GetSize(&AsPicture(picture)->width, &AsPicture(picture)->height);
  return picture;
}

RuntimeObject* NewPictureWithImage(GdkPixbuf* image) {
  if (!image) return nullptr;
  DrawablePane* surface = DrawablePaneFromPixbuf(image);
  g_object_unref(image);
  return NewPictureWithDrawable(surface);
}

GdkPixbuf* PictureImage(RuntimeObject* picture) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->GetPixbuf() : nullptr;
}

namespace {

// Gives a new picture its shapes or its pixels; false when the pixels cannot be had: a side the
// surfaces' 16-bit rectangles cannot hold, or a pixmap the X server refused (more than it had
// room for). A negative side, and any picture made without a display, has no pixels.
bool MakePicture(PictureObject* picture, int32_t width, int32_t height, int32_t depth) {
  picture->width = width;
  picture->height = height;
  if (depth < 1) {
    picture->objects = NewObjectFromDefinition(Group2DClassDefinition());
    return true;
  }
  if (width < 0 || height < 0) return true;
  if (width > kLargestPictureSide || height > kLargestPictureSide) return false;
  auto* pane = new DrawablePane({0, 0}, {int16_t(height), int16_t(width)}, depth);
  if (pane->Refused()) {
    pane->Release();
    return false;
  }
  picture->image = pane;
  return true;
}

}  // namespace

extern "C" void PictureConstructor(RuntimeObject* object, int32_t width, int32_t height,
                                   int32_t depth) {
  PictureObject* picture = AsPicture(object);
  if (picture && !MakePicture(picture, width, height, depth))
    RaiseNewException(OutOfMemoryExceptionDefinition());
}
QV_EXPORT(PictureConstructor)

// As the constructor, but nil where it raises.
extern "C" RuntimeObject* newPicture(int32_t width, int32_t height, int32_t depth) {
  RuntimeObject* picture = NewObjectFromDefinition(PictureClassDefinition());
  if (picture && !MakePicture(AsPicture(picture), width, height, depth)) {
    RuntimeUnlockObject(picture);
    return nullptr;
  }
  return picture;
}
QV_EXPORT(newPicture)

extern "C" RuntimeObject* pictureIndexedImage(RuntimeObject* picture, int32_t index) {
  QV::Drawable* image = PictureDrawable(picture);
  if (!image) return nullptr;
  QV::Drawable* indexed = image->IndexedImage(index);
  RuntimeObject* result = NewPictureWithDrawable(indexed);
  if (result) AsPicture(result)->width = AsPicture(result)->height = 0;
  return result;
}
QV_EXPORT(pictureIndexedImage)

namespace {

int32_t PictureSide(RuntimeObject* object, bool width) {
  PictureObject* picture = AsPicture(object);
  if (!picture) return 0;
  if (picture->image) {
    int32_t w = 0, h = 0;
    picture->image->GetSize(&w, &h);
    return width ? w : h;
  }
  if (!picture->objects) return 0;
  return width ? picture->width : picture->height;
}

}  // namespace

extern "C" int32_t pictureWidthGetter(RuntimeObject* picture, uint32_t) {
  return PictureSide(picture, true);
}
QV_EXPORT(pictureWidthGetter)

extern "C" int32_t pictureHeightGetter(RuntimeObject* picture, uint32_t) {
  return PictureSide(picture, false);
}
QV_EXPORT(pictureHeightGetter)

extern "C" RuntimeObject* pictureGraphicsGetter(RuntimeObject* object, uint32_t) {
  PictureObject* picture = AsPicture(object);
  if (!picture || !picture->image) return nullptr;
  if (!picture->graphics) {
    Graphics* native = picture->image->NewGraphics();
    if (!native) return nullptr;
    picture->graphics = NewGraphicsObject(native);
    if (!picture->graphics) {
      Graphics::Destroy(native);
      return nullptr;
    }
  }
  return Retained(picture->graphics);
}
QV_EXPORT(pictureGraphicsGetter)

extern "C" RuntimeObject* pluginPictureGraphicsGetter(RuntimeObject* picture) {
  return pictureGraphicsGetter(picture, 0);
}
QV_EXPORT(pluginPictureGraphicsGetter)

extern "C" RuntimeObject* pictureGroup2DGetter(RuntimeObject* picture, uint32_t) {
  return picture ? Retained(AsPicture(picture)->objects) : nullptr;
}
QV_EXPORT(pictureGroup2DGetter)

extern "C" void pictureGroup2DSetter(RuntimeObject* picture, uint32_t, RuntimeObject* group) {
  if (!picture) return;
  RuntimeObject* old = AsPicture(picture)->objects;
  AsPicture(picture)->objects = Retained(group);
  if (old) RuntimeUnlockObject(old);
}
QV_EXPORT(pictureGroup2DSetter)

extern "C" int32_t pictureTransparentGetter(RuntimeObject* picture, uint32_t) {
  return picture ? AsPicture(picture)->transparent : 0;
}
QV_EXPORT(pictureTransparentGetter)

extern "C" void pictureTransparentSetter(RuntimeObject* picture, uint32_t, int32_t transparent) {
  if (picture) AsPicture(picture)->transparent = transparent;
}
QV_EXPORT(pictureTransparentSetter)

extern "C" RuntimeObject* pictureRGBSurfaceGetter(RuntimeObject* picture, uint32_t) {
  return PicturePane(picture) ? NewRGBSurface(picture) : nullptr;
}
QV_EXPORT(pictureRGBSurfaceGetter)

extern "C" int32_t pictureImageCountGetter(RuntimeObject* picture, uint32_t) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->ImageCount() : 0;
}
QV_EXPORT(pictureImageCountGetter)

extern "C" RuntimeObject* pictureMaskGetter(RuntimeObject* object, uint32_t) {
  PictureObject* picture = AsPicture(object);
  if (!picture || !picture->image) return nullptr;
  if (!picture->mask) {
    int32_t width = 0, height = 0;
    picture->image->GetSize(&width, &height);
    picture->image->EnsureMask();
    QV::Drawable* mask = picture->image->GetMask();
    mask->Retain();
    PaintOpaque(mask, width, height);
    picture->mask = NewPictureWithDrawable(mask);
  }
  return Retained(picture->mask);
}
QV_EXPORT(pictureMaskGetter)

extern "C" int32_t PictureDepthGetter(RuntimeObject* picture, uint32_t) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->GetDepth() : 0;
}
QV_EXPORT(PictureDepthGetter)

extern "C" int32_t PictureHResGetter(RuntimeObject* picture, uint32_t) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->GetHRes() : 72;
}
QV_EXPORT(PictureHResGetter)

extern "C" void PictureHResSetter(RuntimeObject* picture, uint32_t, int32_t dpi) {
  if (QV::Drawable* image = PictureDrawable(picture)) image->SetHRes(dpi);
}
QV_EXPORT(PictureHResSetter)

extern "C" int32_t PictureVResGetter(RuntimeObject* picture, uint32_t) {
  QV::Drawable* image = PictureDrawable(picture);
  return image ? image->GetVRes() : 72;
}
QV_EXPORT(PictureVResGetter)

extern "C" void PictureVResSetter(RuntimeObject* picture, uint32_t, int32_t dpi) {
  if (QV::Drawable* image = PictureDrawable(picture)) image->SetVRes(dpi);
}
QV_EXPORT(PictureVResSetter)

// The Graphics object may outlive the picture: it is left drawing nothing, quietly.
extern "C" void RuntimePictureDestructor(RuntimeObject* object) {
  PictureObject* picture = AsPicture(object);
  ClearPaneDrawFocus();
  if (RuntimeObject* mask = std::exchange(picture->mask, nullptr)) RuntimeUnlockObject(mask);
  if (RuntimeObject* graphics = std::exchange(picture->graphics, nullptr)) {
    if (Graphics* native = NativeGraphicsOf(graphics)) native->LoseTarget();
    RuntimeUnlockObject(graphics);
  }
  if (QV::Drawable* image = std::exchange(picture->image, nullptr)) image->Release();
  if (RuntimeObject* objects = std::exchange(picture->objects, nullptr)) {
    RuntimeUnlockObject(objects);
  }
}
QV_EXPORT(RuntimePictureDestructor)
