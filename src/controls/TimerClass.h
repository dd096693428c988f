// The language class Timer: raises Action after Period milliseconds, once (Mode 1) or again
// and again (Mode 2), while Enabled. Each armed timer owns one GLib timeout, so Action runs
// inside the main loop's toolkit iteration (or a console application's DoEvents), on the
// thread that holds the run baton. A timer is also an action source: the receivers attached
// to it are told (PerformAction) each time it fires, before Action.
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/DataBinding.h"
#include "core/ObjectDefinition.h"

struct TimerObject {
  RuntimeObject header;
  TimerObject* nextTimer;  // the process-wide timer list, newest first
  int32_t mode;            // 0 Off, 1 Single, 2 Multiple
  int32_t period;          // milliseconds
  int32_t lastFire;        // TimerClockNow when it last fired or was reset
  uint8_t enabled;         // read as a word by its getter: the three bytes after it stay 0
  uint8_t enabledPad[3];
  uint32_t timeoutId;      // 0 when no timeout exists
  ReceiverNode* receivers;
  TimerObject* previousTimer;  // the list's back link, so that a timer leaves it at once
  uint32_t unused[2];
};
static_assert(sizeof(TimerObject) == 64 && offsetof(TimerObject, mode) == 28 &&
                  offsetof(TimerObject, period) == 32 && offsetof(TimerObject, enabled) == 40 &&
                  offsetof(TimerObject, timeoutId) == 44 &&
                  offsetof(TimerObject, receivers) == 48,
              "Timer objects are read by compiled code");

constexpr int32_t kTimerOff = 0;
constexpr int32_t kTimerSingle = 1;
constexpr int32_t kTimerMultiple = 2;

ObjectDefinition* TimerClassDefinition();

// Milliseconds: TickCount x 50 / 3, wrapped into the signed 32-bit range.
int32_t TimerClockNow();
// The newest live timer; walk on through nextTimer.
TimerObject* FirstTimer();

extern "C" {
void RuntimeTimerConstructor(RuntimeObject* timer);
void RuntimeTimerDestructor(RuntimeObject* timer);
void timerModeSetter(RuntimeObject* timer, uint32_t parameter, int32_t value);
void timerPeriodSetter(RuntimeObject* timer, uint32_t parameter, int32_t value);
void TimerEnabledSetter(RuntimeObject* timer, uint32_t parameter, int32_t value);
void RuntimeTimerReset(RuntimeObject* timer);
void TimerAddActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver);
void TimerRemoveActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver);
// Tells the receivers, then raises Action; the timer is kept alive meanwhile.
void TimerFire(RuntimeObject* timer);
// The timeout's callback: answers whether the timeout stays.
int32_t TimerTimeoutCallback(void* timer);
}
