#include "windows/MouseCursorClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

QV_CLASS(MouseCursorClassDefinition,
         .name = "MouseCursor",
         .objectSize = sizeof(MouseCursorObject),
         .finalizer = QV_CODE(mouseCursorDestructor))
QV_STARTUP_CLASS(kStartupMouseCursorClass, MouseCursorClassDefinition)

RuntimeObject* NewMouseCursorObject(CursorHandle* handle) {
  RuntimeObject* object = NewObjectFromDefinition(MouseCursorClassDefinition());
  if (!object) {
    DeleteCursorHandle(handle);
    return nullptr;
  }
  reinterpret_cast<MouseCursorObject*>(object)->handle = handle;
  return object;
}

RuntimeObject* NewMouseCursorForShape(int32_t shape) {
  return NewMouseCursorObject(NewCursorHandleForShape(shape));
}

CursorHandle* MouseCursorHandle(RuntimeObject* cursor) {
  return cursor ? reinterpret_cast<MouseCursorObject*>(cursor)->handle : nullptr;
}

extern "C" RuntimeObject* getArrowCursor() { return NewMouseCursorForShape(kCursorShapeArrow); }
QV_EXPORT(getArrowCursor)

extern "C" RuntimeObject* getWatchCursor() { return NewMouseCursorForShape(kCursorShapeWatch); }
QV_EXPORT(getWatchCursor)

extern "C" RuntimeObject* getIBeamCursor() { return NewMouseCursorForShape(kCursorShapeXterm); }
QV_EXPORT(getIBeamCursor)

extern "C" void mouseCursorDestructor(RuntimeObject* cursor) {
  MouseCursorObject* object = reinterpret_cast<MouseCursorObject*>(cursor);
  DeleteCursorHandle(object->handle);
  object->handle = nullptr;
}
QV_EXPORT(mouseCursorDestructor)
