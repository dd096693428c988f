// The language's time base: ticks of 1/60 second, the double-click interval in ticks, and the
// microsecond clock.
//
// Conversions are done in integers: the same arithmetic in x87 extended precision would turn
// 250 ms x 0.06 into 14.999... and truncate it to 14.
#pragma once

#include <cstdint>

// Ticks since an arbitrary fixed point; wraps with the process clock's 32-bit count.
int32_t TickCount();
// The GTK double-click time in ticks, read once. Before GTK has a display, GTK's own default
// (250 ms) is answered and not kept, so that the real setting is read once there is one.
int32_t DoubleClickTicks();

// clockTicks (a signed count of clockTicksPerSecond units) in ticks, truncated toward zero.
int32_t ClockTicksToTicks(int32_t clockTicks, int32_t clockTicksPerSecond);
// Milliseconds in ticks (x 0.06), truncated toward zero.
int32_t MillisecondsToTicks(int32_t milliseconds);

extern "C" {
// TickCount for compiled code.
int32_t RuntimeTicks();
// Microseconds of the time of day (seconds x 1,000,000 + microseconds), in floating point so
// that the count never wraps.
double RuntimeMicroseconds();
}
