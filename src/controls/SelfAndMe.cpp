// Self and Me in event handlers that a window (or a container control) implements for one of
// its controls: compiled code exchanges the control it was called with for the object whose
// code runs.
#include <string>

#include "controls/ControlAccessors.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeError.h"
#include "windows/ControlRecord.h"
#include "windows/WindowControls.h"

// *self becomes the control's window (with a reference), *me the control.
extern "C" void RuntimeExchangeSelfAndMe(RuntimeObject** self, RuntimeObject** me) {
  if (!QV_CHECK_TEXT(self, "selfVar", nullptr) || !QV_CHECK_TEXT(me, "meVar", nullptr)) return;
  RuntimeObject* object = *self;
  *me = object;
  if (IsControlObject(object)) {
    RuntimeObject* window = AsControl(object)->window;
    RuntimeLockObject(window);
    *self = window;
    return;
  }
  if (void* windowMethod = PaneChildMethod(object, "Window")) {
    CompiledCall call;
    *self = call.Protect(object).Invoke<RuntimeObject*>(windowMethod, object);
    return;
  }
  QV_FAIL("Non-control object has a window event implementation");
}
QV_EXPORT(RuntimeExchangeSelfAndMe)

// *self becomes the nearest control of cls that holds the control (with a reference), *me the
// control; nil, after a report, when no container is of cls.
extern "C" void RuntimeExchangeSelfAndMeClass(RuntimeObject** self, RuntimeObject** me,
                                              RuntimeClass* cls) {
  if (!QV_CHECK_TEXT(self, "selfVar", nullptr) || !QV_CHECK_TEXT(me, "meVar", nullptr)) return;
  RuntimeObject* object = *self;
  *me = object;
  RuntimeObject* current = IsControlObject(object) ? ControlParentGetter(object, 0) : nullptr;
  while (current && !RuntimeObjectIsa(current, cls)) {
    RuntimeObject* parent = ControlParentGetter(current, 0);
    RuntimeUnlockObject(current);
    current = parent;
  }
  *self = current;
  if (current) return;
  const std::string name = cls ? stringStorage::CString(cls->className) : "";
  const std::string extra = "couldn't find " + name + " in container chain";
  QV_FAIL(extra.c_str());
}
QV_EXPORT(RuntimeExchangeSelfAndMeClass)

extern "C" void RuntimeExchangeSelfAndMeObj(RuntimeObject** a, RuntimeObject** b,
                                            RuntimeObject* value) {
  if (!QV_CHECK_TEXT(a && b, "a && b", nullptr)) return;
  *b = *a;
  *a = value;
}
QV_EXPORT(RuntimeExchangeSelfAndMeObj)
