#include "core/Ticks.h"

#include <gtk/gtk.h>
#include <sys/time.h>
#include <sys/times.h>
#include <unistd.h>

#include "core/Export.h"

namespace {

constexpr int64_t kTicksPerSecond = 60;
// What GTK uses when nothing sets "gtk-double-click-time".
constexpr int32_t kDefaultDoubleClickMilliseconds = 250;
// What Linux reports through times() whatever the kernel's own rate.
constexpr int32_t kUsualClockTicksPerSecond = 100;

int32_t ClockTicksPerSecond() {
  static const int32_t perSecond = [] {
    long reported = sysconf(_SC_CLK_TCK);
    return reported > 0 ? static_cast<int32_t>(reported) : kUsualClockTicksPerSecond;
  }();
  return perSecond;
}

}  // namespace

int32_t ClockTicksToTicks(int32_t clockTicks, int32_t clockTicksPerSecond) {
  if (clockTicksPerSecond <= 0) clockTicksPerSecond = kUsualClockTicksPerSecond;
  return static_cast<int32_t>(clockTicks * kTicksPerSecond / clockTicksPerSecond);
}

int32_t MillisecondsToTicks(int32_t milliseconds) {
  return static_cast<int32_t>(int64_t{milliseconds} * kTicksPerSecond / 1000);
}

int32_t TickCount() {
  auto clockTicks = static_cast<int32_t>(times(nullptr));
  return ClockTicksToTicks(clockTicks, ClockTicksPerSecond());
}

int32_t DoubleClickTicks() {
  static int32_t cached = -1;
  if (cached >= 0) return cached;
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return MillisecondsToTicks(kDefaultDoubleClickMilliseconds);
  gint milliseconds = kDefaultDoubleClickMilliseconds;
  g_object_get(settings, "gtk-double-click-time", &milliseconds, nullptr);
  cached = MillisecondsToTicks(milliseconds);
  return cached;
}

extern "C" int32_t RuntimeTicks() { return TickCount(); }
QV_EXPORT(RuntimeTicks)

extern "C" double RuntimeMicroseconds() {
  timeval now{};
  gettimeofday(&now, nullptr);
  return static_cast<double>(now.tv_sec) * 1000000.0 + static_cast<double>(now.tv_usec);
}
QV_EXPORT(RuntimeMicroseconds)
