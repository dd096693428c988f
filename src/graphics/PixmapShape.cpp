// The PixmapShape class: a rectangle shape that shows part of a picture (the source
// rectangle), scaled to the shape's size and turned with it (see ShapePlotter).
#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "graphics/Object2D.h"
#include "graphics/PictureClass.h"

namespace {

using namespace lang;

const PropertyRow kPixmapShapeProperties[] = {
    QV_PROPERTY("Image", Class<"Picture">, objGetter, objSetter,
                offsetof(PixmapShapeObject, image)),
    QV_PROPERTY("SourceLeft", Integer, intGetter, intSetter,
                offsetof(PixmapShapeObject, sourceLeft)),
    QV_PROPERTY("SourceTop", Integer, intGetter, intSetter,
                offsetof(PixmapShapeObject, sourceTop)),
    QV_PROPERTY("SourceWidth", Integer, intGetter, intSetter,
                offsetof(PixmapShapeObject, sourceWidth)),
    QV_PROPERTY("SourceHeight", Integer, intGetter, intSetter,
                offsetof(PixmapShapeObject, sourceHeight)),
};

const MethodRow kPixmapShapeMethods[] = {
    QV_SUB("Constructor", PixmapShapeConstructor),
    QV_SUB("Constructor", PixmapShapeImageCtor, Param("image", Class<"Picture">)),
};

PixmapShapeObject* AsPixmapShape(RuntimeObject* shape) {
  return reinterpret_cast<PixmapShapeObject*>(shape);
}

}  // namespace

QV_CLASS(PixmapShapeClassDefinition,
         .name = "PixmapShape",
         .super = RectShapeClassDefinition,
         .objectSize = sizeof(PixmapShapeObject),
         .properties = kPixmapShapeProperties,
         .methods = kPixmapShapeMethods,
         .initializer = QV_CODE(PixmapShapeConstructor),
         .finalizer = QV_CODE(PixmapShapeDestructor))

extern "C" void PixmapShapeConstructor(RuntimeObject* shape) {
  if (shape) AsObject2D(shape)->kind = kKindPixmap;
}
QV_EXPORT(PixmapShapeConstructor)

extern "C" void PixmapShapeImageCtor(RuntimeObject* shape, RuntimeObject* image) {
  PixmapShapeConstructor(shape);
  QV::Drawable* surface = PictureDrawable(image);
  if (!shape || !surface) return;
  PixmapShapeObject* pixmap = AsPixmapShape(shape);
  RuntimeLockObject(image);
  if (pixmap->image) RuntimeUnlockObject(pixmap->image);
  pixmap->image = image;
  int32_t width = 0, height = 0;
  surface->GetSize(&width, &height);
  pixmap->rect.width = width;
  pixmap->rect.height = height;
  pixmap->sourceLeft = 0;
  pixmap->sourceTop = 0;
  pixmap->sourceWidth = width;
  pixmap->sourceHeight = height;
}
QV_EXPORT(PixmapShapeImageCtor)

extern "C" void PixmapShapeDestructor(RuntimeObject* shape) {
  PixmapShapeObject* pixmap = AsPixmapShape(shape);
  if (RuntimeObject* image = std::exchange(pixmap->image, nullptr)) RuntimeUnlockObject(image);
}
QV_EXPORT(PixmapShapeDestructor)
