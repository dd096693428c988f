// The language class "Graphics": each object wraps one native Graphics, which it owns and
// destroys with itself; a caller that lends an object a Graphics for a while sets the field and
// clears it again before letting the object go.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "graphics/Graphics.h"

struct GraphicsObject {
  RuntimeObject header;
  int32_t imp;        // the hidden __qvf_mImp
  Graphics* native;   // owned; nil when the object has none
  int32_t copies;     // of a print job; read-only to the language
  int32_t firstPage;
  int32_t lastPage;
};
static_assert(sizeof(GraphicsObject) == 44, "Graphics objects are 44 bytes");
static_assert(offsetof(GraphicsObject, native) == 28, "GraphicsObject layout");

ObjectDefinition* GraphicsClassDefinition();

// A new Graphics object (count 1, the caller's) that owns native.
RuntimeObject* NewGraphicsObject(Graphics* native);
// The object's native Graphics, or nil (also for nil).
Graphics* NativeGraphicsOf(RuntimeObject* object);
// Sets the field without destroying what it held: the caller lends and takes back.
void SetNativeGraphics(RuntimeObject* object, Graphics* native);

extern "C" {
// The foreground colour as 0xRRGGBB; black without a native Graphics.
uint32_t graphicsForeColorGetter(RuntimeObject* object, uint32_t unused);
void graphicsForeColorSetter(RuntimeObject* object, uint32_t unused, uint32_t color);
void RuntimeGraphicsDestructor(RuntimeObject* object);
}
