#include "controls/Canvas.h"

#include <algorithm>

#include "controls/ContainerControl.h"
#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "graphics/GraphicsClass.h"
#include "windows/EmbeddedWindows.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

constexpr int32_t kWholeExtent = -10000;

RuntimeCanvas* PaneOf(RuntimeObject* control) {
  return control ? static_cast<RuntimeCanvas*>(AsControl(control)->pane) : nullptr;
}

const PropertyRow kCanvasProperties[] = {
    QV_READONLY("Graphics", Class<"Graphics">, canvasGraphicsGetter),
    QV_PROPERTY("Backdrop", Class<"Picture">, objGetter, canvasBackdropSetter,
                offsetof(CanvasObject, backdrop)),
    QV_PROPERTY("AcceptFocus", Boolean, boolGetter, boolSetter,
                offsetof(CanvasObject, acceptFocus)),
    QV_PROPERTY("AcceptTabs", Boolean, boolGetter, boolSetter,
                offsetof(CanvasObject, acceptTabs)),
    QV_PROPERTY("UseFocusRing", Boolean, boolGetter, boolSetter,
                offsetof(CanvasObject, useFocusRing)),
    QV_PROPERTY("EraseBackground", Boolean, boolGetter, boolSetter,
                offsetof(CanvasObject, eraseBackground)),
};

constexpr uint32_t kWholeDefault = uint32_t(kWholeExtent);

const MethodRow kCanvasMethods[] = {
    QV_SUB("Scroll", canvasScroll, Param("dx", Integer), Param("dy", Integer),
           Param("x", Integer).Default(0), Param("y", Integer).Default(0),
           Param("width", Integer).Default(kWholeDefault),
           Param("height", Integer).Default(kWholeDefault),
           Param("moveControls", Boolean).Default(1)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kCanvasEvents[] = {
    QV_EVENT("Paint", &CanvasEvents().paint, "g As Graphics"),
    QV_EVENT("GotFocus", &CanvasEvents().gotFocus),
    QV_EVENT("LostFocus", &CanvasEvents().lostFocus),
    QV_EVENT("KeyDown", &CanvasEvents().keyDown, "Key As String", "Boolean"),
    QV_EVENT("MouseDown", &CanvasEvents().mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseDrag", &CanvasEvents().mouseDrag, kXY),
    QV_EVENT("MouseUp", &CanvasEvents().mouseUp, kXY),
    QV_EVENT("EnableMenuItems", &CanvasEvents().enableMenuItems),
};

const EventImplementationRow kCanvasImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", CanvasCreatePane),
};

const EventImplementationRow kEmbeddedImplementations[] = {
    QV_EVENT_IMPLEMENTATION("Open", ewcOpen),
    QV_EVENT_IMPLEMENTATION("Close", ewcClose),
    QV_EVENT_IMPLEMENTATION("MouseMove", ewcMouseMove),
    QV_EVENT_IMPLEMENTATION("MouseEnter", ewcMouseEnter),
    QV_EVENT_IMPLEMENTATION("MouseExit", ewcMouseExit),
    QV_EVENT_IMPLEMENTATION("DropObject", ewcDropObject),
    QV_EVENT_IMPLEMENTATION("MouseWheel", ewcMouseWheel),
    QV_EVENT_IMPLEMENTATION("Paint", ewcPaint),
    QV_EVENT_IMPLEMENTATION("MouseDown", ewcMouseDown),
    QV_EVENT_IMPLEMENTATION("MouseDrag", ewcMouseDrag),
    QV_EVENT_IMPLEMENTATION("MouseUp", ewcMouseUp),
    QV_EVENT_IMPLEMENTATION("KeyDown", ewcKeyDown),
    QV_EVENT_IMPLEMENTATION("GotFocus", ewcGotFocus),
    QV_EVENT_IMPLEMENTATION("LostFocus", ewcLostFocus),
    QV_EVENT_IMPLEMENTATION("EnableMenuItems", ewcEnableMenuItems),
};

// The template window of an EmbeddedWindowControl; a missing one is reported, and the caller
// then forwards nothing.
RuntimeObject* TemplateOf(RuntimeObject* control) {
  RuntimeObject* window =
      control ? reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow
              : nullptr;
  if (!QV_CHECK_TEXT(window, "embeddedWindowControl->mTemplateWindow", nullptr)) return nullptr;
  return window;
}

template <typename R = void, typename... Args>
R Forward(RuntimeObject* control, ObjectHook* WindowEventHooks::*hook, Args... args) {
  RuntimeObject* window = TemplateOf(control);
  if (!window) return R();
  return RaiseObjectEvent<R>(window, WindowHooks().*hook, args...);
}

// The windows that hear the template window's keys and menus, while it is not closing.
bool CollectTemplateWindows(RuntimeObject* control, LockedObjects& windows) {
  RuntimeObject* window = TemplateOf(control);
  if (!window) return false;
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  if (native && native->IsClosing()) return false;
  CollectEventWindows(window, windows);
  return true;
}

// The cut of [start, start + length) to [low, high), in 64 bits.
void Limit(int64_t low, int64_t high, int64_t& start, int64_t& end) {
  start = std::clamp(start, low, high);
  end = std::clamp(end, start, high);
}

int16_t Clamp16(int64_t value) { return int16_t(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX)); }

}  // namespace

CanvasHooks& CanvasEvents() {
  static CanvasHooks hooks;
  return hooks;
}

QV_CLASS(CanvasClassDefinition,
         .name = "Canvas",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(CanvasObject),
         .properties = kCanvasProperties,
         .methods = kCanvasMethods,
         .events = kCanvasEvents,
         .eventImplementations = kCanvasImplementations,
         .initializer = QV_CODE(RuntimeCanvasInitializer),
         .finalizer = QV_CODE(RuntimeCanvasDestructor))
QV_STARTUP_CLASS(kStartupCanvasClass, CanvasClassDefinition)

QV_CLASS(EmbeddedWindowControlClassDefinition,
         .name = "EmbeddedWindowControl",
         .super = CanvasClassDefinition,
         .objectSize = sizeof(EmbeddedWindowControlObject),
         .eventImplementations = kEmbeddedImplementations,
         .initializer = QV_CODE(EmbeddedWindowControlInitializer),
         .finalizer = QV_CODE(EmbeddedWindowControlFinalizer))
QV_STARTUP_CLASS(kStartupEmbeddedWindowControlClass, EmbeddedWindowControlClassDefinition)

bool IsEmbeddedWindowControl(RuntimeObject* object) {
  return object && ObjectIsaDefinition(object, EmbeddedWindowControlClassDefinition());
}

// ---- pane, construction and destruction ----

extern "C" void CanvasCreatePane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  ControlObject& record = *AsControl(control);
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  QV::Rect bounds = record.bounds;
  if (IsEmbeddedWindowControl(control)) {
    RuntimeObject* window = reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow;
    if (!QV_CHECK_TEXT(window, "tw", nullptr)) return;
    const QV::Rect& size = AsWindow(window)->bounds;
    bounds.bottom = Clamp16(int64_t(bounds.top) + (size.bottom - size.top));
    bounds.right = Clamp16(int64_t(bounds.left) + (size.right - size.left));
  }
  AdoptControlPane(control, new RuntimeCanvas(control, record.ownerPane, bounds));
}
QV_EXPORT(CanvasCreatePane)

extern "C" void RuntimeCanvasInitializer(RuntimeObject*) {}
QV_EXPORT(RuntimeCanvasInitializer)

extern "C" void RuntimeCanvasDestructor(RuntimeObject* control) {
  if (!control) return;
  CanvasObject* canvas = AsCanvas(control);
  RuntimeObject* graphics = canvas->graphics;
  RuntimeObject* backdrop = canvas->backdrop;
  canvas->graphics = canvas->backdrop = nullptr;
  RuntimeUnlockObject(graphics);
  RuntimeUnlockObject(backdrop);
}
QV_EXPORT(RuntimeCanvasDestructor)

extern "C" void EmbeddedWindowControlInitializer(RuntimeObject* control) {
  if (!control) return;
  AsControl(control)->enabled = 1;
  AsControl(control)->autoDeactivate = 1;
}
QV_EXPORT(EmbeddedWindowControlInitializer)

// The template window gives up its controls as a closing window does, and its Graphics and
// its link to this control, before this control lets it go.
extern "C" void EmbeddedWindowControlFinalizer(RuntimeObject* control) {
  if (!control) return;
  auto* record = reinterpret_cast<EmbeddedWindowControlObject*>(control);
  RuntimeObject* window = record->mTemplateWindow;
  if (!window) return;
  record->mTemplateWindow = nullptr;
  WindowObject* w = AsWindow(window);
  if (w->mControls && !w->controlsReleased) {
    w->controlsReleased = 1;
    auto walk = WalkControlMap(w->mControls);
    RuntimeObject* object = nullptr;
    while (walk->Next() && walk->GetValue(&object)) {
      const bool stays = IsControlObject(object) && object->refCount > 1;
      if (!stays) walk->RemoveCurrent();
      RuntimeUnlockObject(object);
    }
  }
  ForgetWindowGraphics(window);
  if (w->mEmbeddedWindowControl == control) w->mEmbeddedWindowControl = nullptr;
  RuntimeUnlockObject(window);
}
QV_EXPORT(EmbeddedWindowControlFinalizer)

// ---- accessors and Scroll ----

extern "C" RuntimeObject* canvasGraphicsGetter(RuntimeObject* control, uint32_t) {
  RuntimeCanvas* pane = PaneOf(control);
  if (!pane || pane->IsClosing()) return nullptr;
  CanvasObject* canvas = AsCanvas(control);
  if (!canvas->graphics) {
    Graphics* native = pane->NewGraphics();
    if (!native) return nullptr;
    canvas->graphics = NewGraphicsObject(native);
    if (!canvas->graphics) {
      Graphics::Destroy(native);
      return nullptr;
    }
  }
  if (Graphics* native = NativeGraphicsOf(canvas->graphics)) {
    if (native->Target()) native->SetClipRect(pane->GetBounds());
  }
  RuntimeLockObject(canvas->graphics);
  return canvas->graphics;
}
QV_EXPORT(canvasGraphicsGetter)

extern "C" void canvasBackdropSetter(RuntimeObject* control, uint32_t, RuntimeObject* picture) {
  if (!control) return;
  objSetter(control, offsetof(CanvasObject, backdrop), picture);
  if (RuntimeCanvas* pane = PaneOf(control)) pane->Refresh(true);
}
QV_EXPORT(canvasBackdropSetter)

// The rectangle is cut to the pane in 64 bits before it becomes a 16-bit rectangle, so that no
// argument wraps; a shift of the whole width or height or more leaves nothing to copy.
extern "C" void canvasScroll(RuntimeObject* control, int32_t dx, int32_t dy, int32_t x,
                             int32_t y, int32_t width, int32_t height, int32_t moveControls) {
  RuntimeCanvas* pane = PaneOf(control);
  if ((dx == 0 && dy == 0) || !pane || pane->IsClosing()) return;
  const QV::Rect b = pane->GetBounds();
  if (width == kWholeExtent) width = pane->Width();
  if (height == kWholeExtent) height = pane->Height();
  int64_t left = int64_t(b.left) + x;
  int64_t right = left + width;
  int64_t top = int64_t(b.top) + y;
  int64_t bottom = top + height;
  Limit(b.left, b.right, left, right);
  Limit(b.top, b.bottom, top, bottom);
  const bool shiftFits = std::abs(int64_t(dx)) < pane->Width() &&
                         std::abs(int64_t(dy)) < pane->Height();
  if (left < right && top < bottom && shiftFits) {
    QV::Rect area;
    RectSet(area, int32_t(left), int32_t(top), int32_t(right), int32_t(bottom));
    pane->CopyFromDrawable(pane->GetGdkWindow(), area, dx, dy);
  }
  if (!moveControls) return;
  for (int32_t i = 0; i < pane->ChildCount(); ++i) {
    SubPane* child = pane->ChildAt(i);
    const QV::Rect& c = child->GetBounds();
    QV::Rect moved;
    moved.left = Clamp16(int64_t(c.left) + dx);
    moved.right = Clamp16(int64_t(c.right) + dx);
    moved.top = Clamp16(int64_t(c.top) + dy);
    moved.bottom = Clamp16(int64_t(c.bottom) + dy);
    child->SetBounds(moved, false);
  }
}
QV_EXPORT(canvasScroll)

// ---- EmbeddedWindowControl's events, passed to its template window ----

extern "C" void ewcOpen(RuntimeObject*) {}
QV_EXPORT(ewcOpen)

extern "C" void ewcClose(RuntimeObject* control) { Forward(control, &WindowEventHooks::close); }
QV_EXPORT(ewcClose)

extern "C" void ewcMouseMove(RuntimeObject* control, int32_t x, int32_t y) {
  Forward(control, &WindowEventHooks::mouseMove, x, y);
}
QV_EXPORT(ewcMouseMove)

extern "C" void ewcMouseEnter(RuntimeObject* control) {
  Forward(control, &WindowEventHooks::mouseEnter);
}
QV_EXPORT(ewcMouseEnter)

extern "C" void ewcMouseExit(RuntimeObject* control) {
  Forward(control, &WindowEventHooks::mouseExit);
}
QV_EXPORT(ewcMouseExit)

extern "C" void ewcDropObject(RuntimeObject* control, RuntimeObject* item, int32_t action) {
  Forward(control, &WindowEventHooks::dropObject, item, action);
}
QV_EXPORT(ewcDropObject)

extern "C" int32_t ewcMouseWheel(RuntimeObject* control, int32_t x, int32_t y, int32_t deltaX,
                                 int32_t deltaY) {
  return Forward<bool>(control, &WindowEventHooks::mouseWheel, x, y, deltaX, deltaY) ? 1 : 0;
}
QV_EXPORT(ewcMouseWheel)

extern "C" void ewcPaint(RuntimeObject* control, RuntimeObject* g) {
  Forward(control, &WindowEventHooks::paint, g);
}
QV_EXPORT(ewcPaint)

extern "C" int32_t ewcMouseDown(RuntimeObject* control, int32_t x, int32_t y) {
  return Forward<bool>(control, &WindowEventHooks::mouseDown, x, y) ? 1 : 0;
}
QV_EXPORT(ewcMouseDown)

extern "C" void ewcMouseDrag(RuntimeObject* control, int32_t x, int32_t y) {
  Forward(control, &WindowEventHooks::mouseDrag, x, y);
}
QV_EXPORT(ewcMouseDrag)

extern "C" void ewcMouseUp(RuntimeObject* control, int32_t x, int32_t y) {
  Forward(control, &WindowEventHooks::mouseUp, x, y);
}
QV_EXPORT(ewcMouseUp)

// The innermost window first; the first True ends the walk.
extern "C" int32_t ewcKeyDown(RuntimeObject* control, stringStorage* key) {
  LockedObjects windows;
  if (!CollectTemplateWindows(control, windows)) return 0;
  for (uint32_t i = windows.size(); i-- > 0;) {
    if (RaiseObjectEvent<bool>(windows[i], WindowHooks().keyDown, key)) return 1;
    if (IsControlClosed(control)) return 1;  // closed by the handler: the key went nowhere else
  }
  return 0;
}
QV_EXPORT(ewcKeyDown)

// The ContainerControl class declares these; a plain Window has no such events.
extern "C" void ewcGotFocus(RuntimeObject* control) {
  RuntimeObject* window = TemplateOf(control);
  if (IsContainerControl(window)) {
    RaiseObjectEvent<void>(window, ContainerControlEvents().gotFocus);
  }
}
QV_EXPORT(ewcGotFocus)

extern "C" void ewcLostFocus(RuntimeObject* control) {
  RuntimeObject* window = TemplateOf(control);
  if (IsContainerControl(window)) {
    RaiseObjectEvent<void>(window, ContainerControlEvents().lostFocus);
  }
}
QV_EXPORT(ewcLostFocus)

extern "C" void ewcEnableMenuItems(RuntimeObject* control) {
  LockedObjects windows;
  if (!CollectTemplateWindows(control, windows)) return;
  for (uint32_t i = windows.size(); i-- > 0 && !IsControlClosed(control);) {
    RaiseObjectEvent<void>(windows[i], WindowHooks().enableMenuItems);
  }
}
QV_EXPORT(ewcEnableMenuItems)
