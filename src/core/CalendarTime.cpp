#include "core/CalendarTime.h"

static_assert(sizeof(time_t) == 8, "dates past January 2038 need a 64-bit time_t");

bool LocalTimeOf(int64_t unixSeconds, std::tm* out) {
  if (!out) return false;
  const time_t moment = time_t(unixSeconds);
  std::tm fields{};
  if (!localtime_r(&moment, &fields)) return false;
  *out = fields;
  return true;
}
