// The date formatter behind the Date texts: a format of "%" conversions (a subset of
// strftime's letters, with the framework's own %I, %U and %W rules) filled from a date's
// fields, with the weekday and month names the host's `date` command gives (DateNames.h).
#pragma once

#include <cstdint>
#include <string>

// What the formatter reads of a date.
struct DateTextFields {
  int64_t year;
  int32_t month;      // 1-12
  int32_t day;        // 1-31
  int32_t hour;       // as stored: the calendar does not bring it into 0-23
  int32_t minute;
  int32_t second;
  int32_t weekday;    // 0 Sunday .. 6, -1 for a date before 0001-01-01
  int32_t dayOfYear;  // from 1
  int32_t weekdayOfJanuary1;
};

// Output never exceeds this many bytes; the rest of the format is dropped.
constexpr size_t kTimeSprintfLimit = 1024;

// %% %A %a %B %b %d %H %M %S %m %I %p %j %U %W %w %Y %y %X %x %c %Z; any other letter gives
// "Error in TimeSprintf() ". Names of a weekday outside 0-6 are empty.
std::string TimeSprintf(const char* format, const DateTextFields& fields);
