// ObjectCursor: pulls objects through the application's NextObject event and keeps every one
// it has seen; once the event answers nil (or is not handled) it is never raised again.
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "database/ScrollableCursor.h"

namespace {

ObjectHook* gNextObjectHook;

ObjectCursorObject* AsObjectCursor(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, ObjectCursorClassDefinition())) return nullptr;
  return reinterpret_cast<ObjectCursorObject*>(object);
}

int32_t HeldCount(const ObjectCursorObject* self) {
  return self->objects ? self->objects->Count() : 0;
}

RuntimeObject* HeldObject(const ObjectCursorObject* self, int32_t position) {
  return reinterpret_cast<RuntimeObject*>(self->objects->GetAt(position));
}

}  // namespace

extern "C" {

void objectCursorConstructor(RuntimeObject* object) {
  ObjectCursorObject* self = AsObjectCursor(object);
  if (!self || self->objects) return;
  self->objects = static_cast<GenericArray*>(OSalloc(sizeof(GenericArray), kMemFullQuit));
  self->objects->Init();
}
QV_EXPORT(objectCursorConstructor)

void objectCursorDestructor(RuntimeObject* object) {
  ObjectCursorObject* self = AsObjectCursor(object);
  GenericArray* objects = self ? self->objects : nullptr;
  if (!objects) return;
  self->objects = nullptr;
  for (int32_t i = 0; i < objects->Count(); ++i) {
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(objects->GetAt(i)));
  }
  objects->Dispose();
  OSfree(objects);
}
QV_EXPORT(objectCursorDestructor)

// The cursor keeps one reference and the caller gets one.
RuntimeObject* objectCursorNextObject(RuntimeObject* object) {
  ObjectCursorObject* self = AsObjectCursor(object);
  if (!self || self->exhausted || !self->objects) return nullptr;
  void* handler = LookupEventHandler(object, gNextObjectHook);
  CompiledCall call;
  call.Protect(object);
  RuntimeObject* next = handler ? call.Invoke<RuntimeObject*>(handler, object) : nullptr;
  if (!next || !self->objects) {
    self->exhausted = 1;
    return next;
  }
  RuntimeLockObject(next);
  self->objects->Append(reinterpret_cast<uint32_t>(next));
  return next;
}
QV_EXPORT(objectCursorNextObject)

RuntimeObject* objectCursorGetItem(RuntimeObject* object, int32_t index) {
  ObjectCursorObject* self = AsObjectCursor(object);
  if (!self || index < 1) return nullptr;
  while (index > HeldCount(self)) {
    RuntimeObject* next = objectCursorNextObject(object);
    if (!next) return nullptr;
    RuntimeUnlockObject(next);
  }
  RuntimeObject* item = HeldObject(self, index - 1);
  RuntimeLockObject(item);
  return item;
}
QV_EXPORT(objectCursorGetItem)

int32_t objectCursorCountGetter(RuntimeObject* object) {
  ObjectCursorObject* self = AsObjectCursor(object);
  if (!self) return 0;
  while (!self->exhausted && self->objects) RuntimeUnlockObject(objectCursorNextObject(object));
  return HeldCount(self);
}
QV_EXPORT(objectCursorCountGetter)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kObjectCursorProperties[] = {
    QV_READONLY("Count", Integer, objectCursorCountGetter),
};
const MethodRow kObjectCursorMethods[] = {
    QV_FUNCTION("NextObject", Class<"Object">, objectCursorNextObject),
    QV_FUNCTION("GetItem", Class<"Object">, objectCursorGetItem, Param("Value", Integer)),
};
const EventRow kObjectCursorEvents[] = {
    QV_EVENT("NextObject", &gNextObjectHook, nullptr, "Object"),
};

}  // namespace

QV_CLASS(ObjectCursorClassDefinition,
         .name = "ObjectCursor",
         .objectSize = sizeof(ObjectCursorObject),
         .properties = kObjectCursorProperties,
         .methods = kObjectCursorMethods,
         .events = kObjectCursorEvents,
         .initializer = QV_CODE(objectCursorConstructor),
         .finalizer = QV_CODE(objectCursorDestructor))
QV_STARTUP_CLASS(kStartupObjectCursorClass, ObjectCursorClassDefinition)
