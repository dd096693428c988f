// Weekday and month names, and the separator of the locale's short date, as the host's `date`
// command prints them in the current environment (run from an argument vector, no shell), the
// names converted to UTF-8 from the character set of that environment's time locale. Each is
// asked for once and kept; a `date` that is missing, fails or prints nothing (or a name that
// does not convert) leaves the English name, and "/" for the separator.
#pragma once

#include <cstdint>

// Weekday 0 (Sunday) to 6, month 0 (January) to 11; "" outside those.
const char* WeekdayName(int32_t weekday, bool abbreviated);
const char* MonthName(int32_t month, bool abbreviated);
// '.' when the first line of "date +%x" holds a dot, else '/'.
char ShortDateSeparator();

// Forgets every kept name and the separator, so the next use asks `date` again (after the
// environment's locale or PATH changed).
void ForgetDateNames();
