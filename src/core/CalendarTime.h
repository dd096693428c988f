// The host's calendar time: a moment as local date and time. A moment is a count of seconds
// since 1970-01-01 00:00:00 UTC in 64 bits (time(nullptr) gives now), so moments after January
// 2038, where a 32-bit count ends, and before December 1901 keep their dates.
#pragma once

#include <cstdint>
#include <ctime>

// The moment in the host's time zone, as localtime_r fills it (tm_year counts from 1900,
// tm_mon from 0). False, with *out untouched, when the system cannot represent the moment.
bool LocalTimeOf(int64_t unixSeconds, std::tm* out);
