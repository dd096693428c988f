#include "graphics/GraphicsClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const PropertyRow kGraphicsProperties[] = {
    QV_PROPERTY("ForeColor", Color, graphicsForeColorGetter, graphicsForeColorSetter)
        .Flags(kRowEveryTarget),
    QV_VARIABLE("__qvf_mImp", Integer).Flags(kRowEveryTarget),
};

GraphicsObject* AsGraphics(RuntimeObject* object) {
  return reinterpret_cast<GraphicsObject*>(object);
}

}  // namespace

QV_CLASS(GraphicsClassDefinition,
         .name = "Graphics",
         .objectSize = sizeof(GraphicsObject),
         .properties = kGraphicsProperties,
         .finalizer = QV_CODE(RuntimeGraphicsDestructor))
QV_STARTUP_CLASS(kStartupGraphicsClass, GraphicsClassDefinition)

RuntimeObject* NewGraphicsObject(Graphics* native) {
  RuntimeObject* object = NewObjectFromDefinition(GraphicsClassDefinition());
  if (object) AsGraphics(object)->native = native;
  return object;
}

Graphics* NativeGraphicsOf(RuntimeObject* object) {
  return object ? AsGraphics(object)->native : nullptr;
}

void SetNativeGraphics(RuntimeObject* object, Graphics* native) {
  if (object) AsGraphics(object)->native = native;
}

extern "C" uint32_t graphicsForeColorGetter(RuntimeObject* object, uint32_t) {
  if (!object) {
    RaiseNilObjectException();
    return 0;
  }
  Graphics* native = AsGraphics(object)->native;
  return native ? RGBFromColor(native->ForeColor()) : 0;
}
QV_EXPORT(graphicsForeColorGetter)

extern "C" void graphicsForeColorSetter(RuntimeObject* object, uint32_t, uint32_t color) {
  if (!object) {
    RaiseNilObjectException();
    return;
  }
  if (Graphics* native = AsGraphics(object)->native) native->SetForeColor(ColorFromRGB(color));
}
QV_EXPORT(graphicsForeColorSetter)

extern "C" void RuntimeGraphicsDestructor(RuntimeObject* object) {
  GraphicsObject* graphics = AsGraphics(object);
  Graphics::Destroy(graphics->native);
  graphics->native = nullptr;
}
QV_EXPORT(RuntimeGraphicsDestructor)
