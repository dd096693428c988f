#include "controls/TimerClass.h"

#include <glib.h>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "core/Ticks.h"

namespace {

using namespace lang;

constexpr int32_t kDefaultPeriod = 1000;

ObjectHook* gActionHook;
TimerObject* gTimers = nullptr;

const PropertyRow kTimerProperties[] = {
    QV_PROPERTY("Mode", Integer, intGetter, timerModeSetter, offsetof(TimerObject, mode)),
    QV_PROPERTY("Period", Integer, intGetter, timerPeriodSetter, offsetof(TimerObject, period)),
    QV_PROPERTY("Enabled", Boolean, intGetter, TimerEnabledSetter,
                offsetof(TimerObject, enabled)),
    QV_VARIABLE("__qvf_mImp", Integer),
};
const MethodRow kTimerMethods[] = {
    QV_SUB("Reset", RuntimeTimerReset),
    QV_SUB("addActionNotificationReceiver", TimerAddActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("removeActionNotificationReceiver", TimerRemoveActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
};
const EventRow kTimerEvents[] = {QV_EVENT("Action", &gActionHook)};
const ClassGetter kTimerInterfaces[] = {ActionSourceInterfaceDefinition};

TimerObject* AsTimer(RuntimeObject* object) { return reinterpret_cast<TimerObject*>(object); }

void RemoveTimeout(TimerObject* timer) {
  if (timer->timeoutId == 0) return;
  g_source_remove(timer->timeoutId);
  timer->timeoutId = 0;
}

gboolean OnTimeout(gpointer timer) { return TimerTimeoutCallback(timer) ? TRUE : FALSE; }

// A timeout of the full Period from now; whatever timeout there was goes.
void Arm(TimerObject* timer) {
  RemoveTimeout(timer);
  timer->timeoutId = g_timeout_add(uint32_t(timer->period), OnTimeout, timer);
}

}  // namespace

QV_CLASS(TimerClassDefinition,
         .name = "Timer",
         .objectSize = sizeof(TimerObject),
         .properties = kTimerProperties,
         .methods = kTimerMethods,
         .events = kTimerEvents,
         .initializer = QV_CODE(RuntimeTimerConstructor),
         .finalizer = QV_CODE(RuntimeTimerDestructor),
         .interfaces = kTimerInterfaces)
QV_STARTUP_CLASS(kStartupTimerClass, TimerClassDefinition)

int32_t TimerClockNow() {
  const int64_t milliseconds = int64_t(TickCount()) * 50 / 3;
  return int32_t(uint32_t(milliseconds));
}

TimerObject* FirstTimer() { return gTimers; }

extern "C" void RuntimeTimerConstructor(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  TimerObject* timer = AsTimer(object);
  timer->period = kDefaultPeriod;
  timer->enabled = 1;
  timer->lastFire = TimerClockNow();
  timer->nextTimer = gTimers;
  if (gTimers) gTimers->previousTimer = timer;
  gTimers = timer;
}
QV_EXPORT(RuntimeTimerConstructor)

extern "C" void RuntimeTimerDestructor(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  TimerObject* timer = AsTimer(object);
  TimerObject*& link = timer->previousTimer ? timer->previousTimer->nextTimer : gTimers;
  if (link == timer) link = timer->nextTimer;
  if (timer->nextTimer) timer->nextTimer->previousTimer = timer->previousTimer;
  timer->nextTimer = timer->previousTimer = nullptr;
  RemoveTimeout(timer);
  ReceiverListClear(&timer->receivers);
}
QV_EXPORT(RuntimeTimerDestructor)

// Arms the timeout even while the timer is disabled; the timeout then does nothing until
// Enabled re-arms it.
extern "C" void timerModeSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  TimerObject* timer = AsTimer(object);
  timer->mode = value;
  timer->lastFire = TimerClockNow();
  RemoveTimeout(timer);
  if (value != kTimerOff) Arm(timer);
}
QV_EXPORT(timerModeSetter)

extern "C" void timerPeriodSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  TimerObject* timer = AsTimer(object);
  timer->period = value < 1 ? 1 : value;
  RemoveTimeout(timer);
  if (timer->mode != kTimerOff) Arm(timer);
}
QV_EXPORT(timerPeriodSetter)

extern "C" void TimerEnabledSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  TimerObject* timer = AsTimer(object);
  timer->enabled = value ? 1 : 0;
  timer->lastFire = TimerClockNow();
  RemoveTimeout(timer);
  if (value && timer->mode != kTimerOff) Arm(timer);
}
QV_EXPORT(TimerEnabledSetter)

extern "C" void RuntimeTimerReset(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  AsTimer(object)->lastFire = TimerClockNow();
}
QV_EXPORT(RuntimeTimerReset)

extern "C" void TimerAddActionNotificationReceiver(RuntimeObject* object,
                                                   RuntimeObject* receiver) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  ReceiverListAdd(&AsTimer(object)->receivers, receiver);
}
QV_EXPORT(TimerAddActionNotificationReceiver)

extern "C" void TimerRemoveActionNotificationReceiver(RuntimeObject* object,
                                                      RuntimeObject* receiver) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  ReceiverListRemove(&AsTimer(object)->receivers, receiver);
}
QV_EXPORT(TimerRemoveActionNotificationReceiver)

extern "C" void TimerFire(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  CompiledCall call;
  call.Protect(object);
  NotifyPerformAction(&AsTimer(object)->receivers);
  call.Invoke(LookupEventHandler(object, gActionHook), object);
}
QV_EXPORT(TimerFire)

// The callback keeps its own reference until it has decided about the timeout: an Action that
// drops the last other reference must not leave it reading a freed timer. A timeout the Action
// replaced (a setter re-armed the timer) is not kept beside the new one.
extern "C" int32_t TimerTimeoutCallback(void* data) {
  RuntimeObject* object = static_cast<RuntimeObject*>(data);
  TimerObject* timer = AsTimer(object);
  if (!timer->enabled) return 1;
  if (timer->mode != kTimerMultiple) {
    timer->timeoutId = 0;
    timer->mode = kTimerOff;
  }
  const uint32_t firing = timer->timeoutId;
  RuntimeLockObject(object);
  TimerFire(object);
  const bool keep = timer->mode == kTimerMultiple && timer->enabled && firing != 0 &&
                    timer->timeoutId == firing;
  RuntimeUnlockObject(object);
  return keep ? 1 : 0;
}
QV_EXPORT(TimerTimeoutCallback)
