#include "windows/MDIWindow.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"

namespace {

using namespace lang;

enum PositionPart : uint32_t { kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3 };

constexpr int16_t kLeastSide = 64;
constexpr int16_t kLargestSide = 32000;

// The events are declared for compiled code; nothing on this platform raises them.
ObjectHook* gEventHooks[6] = {};

const PropertyRow kMDIWindowProperties[] = {
    QV_PROPERTY("Left", Integer, MDIWindowPosGetter, MDIWindowPosSetter, kLeft),
    QV_PROPERTY("Top", Integer, MDIWindowPosGetter, MDIWindowPosSetter, kTop),
    QV_PROPERTY("Width", Integer, MDIWindowPosGetter, MDIWindowPosSetter, kWidth),
    QV_PROPERTY("Height", Integer, MDIWindowPosGetter, MDIWindowPosSetter, kHeight),
    QV_PROPERTY("MinWidth", Integer, shortGetter, shortSetter, offsetof(MDIWindowObject, minWidth)),
    QV_PROPERTY("MinHeight", Integer, shortGetter, shortSetter,
                offsetof(MDIWindowObject, minHeight)),
    QV_PROPERTY("MaxWidth", Integer, shortGetter, shortSetter, offsetof(MDIWindowObject, maxWidth)),
    QV_PROPERTY("MaxHeight", Integer, shortGetter, shortSetter,
                offsetof(MDIWindowObject, maxHeight)),
    QV_PROPERTY("Title", String, MDIWindowTitleGetter, MDIWindowTitleSetter),
    QV_PROPERTY("Visible", Boolean, MDIWindowVisibleGetter, MDIWindowVisibleSetter),
    QV_READONLY("Handle", Integer, MDIWindowHandleGetter),
};

const MethodRow kMDIWindowMethods[] = {
    QV_SUB("Maximize", MDIWindowMaximize),
    QV_SUB("Minimize", MDIWindowMinimize),
    QV_SUB("Restore", MDIWindowRestore),
};

const EventRow kMDIWindowEvents[] = {
    QV_EVENT("Open", &gEventHooks[0]),     QV_EVENT("Resized", &gEventHooks[1]),
    QV_EVENT("Moved", &gEventHooks[2]),    QV_EVENT("Minimize", &gEventHooks[3]),
    QV_EVENT("Maximize", &gEventHooks[4]), QV_EVENT("Restore", &gEventHooks[5]),
};

MDIWindowObject* AsMDIWindow(RuntimeObject* window) {
  return reinterpret_cast<MDIWindowObject*>(window);
}

}  // namespace

QV_CLASS(MDIWindowClassDefinition,
         .name = "MDIWindow",
         .objectSize = sizeof(MDIWindowObject),
         .properties = kMDIWindowProperties,
         .methods = kMDIWindowMethods,
         .events = kMDIWindowEvents,
         .initializer = QV_CODE(MDIWindowConstructor),
         .finalizer = QV_CODE(MDIWindowDestructor))
QV_STARTUP_CLASS(kStartupMDIWindowClass, MDIWindowClassDefinition)

extern "C" void MDIWindowConstructor(RuntimeObject* window) {
  if (!window) return;
  MDIWindowObject* w = AsMDIWindow(window);
  w->bounds = {};
  w->minWidth = w->minHeight = kLeastSide;
  w->maxWidth = w->maxHeight = kLargestSide;
  w->visible = 1;
  w->handle = 0;
}
QV_EXPORT(MDIWindowConstructor)

extern "C" void MDIWindowDestructor(RuntimeObject*) {}
QV_EXPORT(MDIWindowDestructor)

extern "C" int32_t MDIWindowPosGetter(RuntimeObject* window, uint32_t which) {
  if (!window) return 0;
  const QV::Rect& b = AsMDIWindow(window)->bounds;
  switch (which) {
    case kLeft: return b.left;
    case kTop: return b.top;
    case kWidth: return b.right - b.left;
    case kHeight: return b.bottom - b.top;
    default: return 0;
  }
}
QV_EXPORT(MDIWindowPosGetter)

extern "C" void MDIWindowPosSetter(RuntimeObject* window, uint32_t which, int32_t value) {
  if (!window) return;
  QV::Rect& b = AsMDIWindow(window)->bounds;
  switch (which) {
    case kLeft:
      b.right = int16_t(b.right - b.left + value);
      b.left = int16_t(value);
      break;
    case kTop:
      b.bottom = int16_t(b.bottom - b.top + value);
      b.top = int16_t(value);
      break;
    case kWidth: b.right = int16_t(b.left + value); break;
    case kHeight: b.bottom = int16_t(b.top + value); break;
    default: break;
  }
}
QV_EXPORT(MDIWindowPosSetter)

extern "C" stringStorage* MDIWindowTitleGetter(RuntimeObject*, uint32_t) { return nullptr; }
QV_EXPORT(MDIWindowTitleGetter)

extern "C" void MDIWindowTitleSetter(RuntimeObject*, uint32_t, stringStorage*) {}
QV_EXPORT(MDIWindowTitleSetter)

extern "C" int32_t MDIWindowVisibleGetter(RuntimeObject* window, uint32_t) {
  return window && AsMDIWindow(window)->visible ? 1 : 0;
}
QV_EXPORT(MDIWindowVisibleGetter)

extern "C" void MDIWindowVisibleSetter(RuntimeObject* window, uint32_t, int32_t value) {
  if (window) AsMDIWindow(window)->visible = value ? 1 : 0;
}
QV_EXPORT(MDIWindowVisibleSetter)

extern "C" int32_t MDIWindowHandleGetter(RuntimeObject* window, uint32_t) {
  return window ? AsMDIWindow(window)->handle : 0;
}
QV_EXPORT(MDIWindowHandleGetter)

extern "C" void MDIWindowMaximize(RuntimeObject*) {}
QV_EXPORT(MDIWindowMaximize)
extern "C" void MDIWindowMinimize(RuntimeObject*) {}
QV_EXPORT(MDIWindowMinimize)
extern "C" void MDIWindowRestore(RuntimeObject*) {}
QV_EXPORT(MDIWindowRestore)
