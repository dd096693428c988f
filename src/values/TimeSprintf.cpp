#include "values/TimeSprintf.h"

#include <clocale>
#include <cstdio>

#include "values/DateNames.h"

namespace {

// Appends to at most kTimeSprintfLimit bytes.
class LimitedText {
 public:
  void Add(const char* text) {
    for (; *text && mText.size() < kTimeSprintfLimit; ++text) mText += *text;
  }
  void Number(const char* format, int64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, format, static_cast<long long>(value));
    Add(digits);
  }
  std::string Take() { return std::move(mText); }

 private:
  std::string mText;
};

// The week of the year, counted from the first Sunday (weeks before it are week 0).
int32_t WeekOfYear(const DateTextFields& f, bool fromMonday) {
  int32_t d = f.dayOfYear;
  if (f.weekdayOfJanuary1 != 0) d += f.weekdayOfJanuary1 - 7;
  int32_t week = d > 0 ? (d - 1) / 7 + 1 : 0;
  if (fromMonday && f.weekday == 0) --week;
  return week;
}

// 12-hour clock: the hour less 12 above 12, so midnight is 00 and noon 12.
int32_t TwelveHour(int32_t hour) { return hour > 12 ? hour - 12 : hour; }

void Convert(char letter, const DateTextFields& f, LimitedText& out);

void Format(const char* format, const DateTextFields& f, LimitedText& out) {
  for (const char* p = format; *p; ++p) {
    if (*p != '%' || !p[1]) {
      const char one[2] = {*p, 0};
      out.Add(one);
      continue;
    }
    Convert(*++p, f, out);
  }
}

void Convert(char letter, const DateTextFields& f, LimitedText& out) {
  switch (letter) {
    case '%': return out.Add("%");
    case 'A': return out.Add(WeekdayName(f.weekday, false));
    case 'a': return out.Add(WeekdayName(f.weekday, true));
    case 'B': return out.Add(MonthName(f.month - 1, false));
    case 'b': return out.Add(MonthName(f.month - 1, true));
    case 'd': return out.Number("%02lld", f.day);
    case 'H': return out.Number("%02lld", f.hour);
    case 'M': return out.Number("%02lld", f.minute);
    case 'S': return out.Number("%02lld", f.second);
    case 'm': return out.Number("%02lld", f.month);
    case 'I': return out.Number("%02lld", TwelveHour(f.hour));
    case 'p': return out.Add(f.hour < 12 ? "AM" : "PM");
    case 'j': return out.Number("%03lld", f.dayOfYear);
    case 'U': return out.Number("%lld", WeekOfYear(f, false));
    case 'W': return out.Number("%lld", WeekOfYear(f, true));
    case 'w': return out.Number("%lld", f.weekday);
    case 'Y':
      if (f.year < 0) out.Add("-");
      return out.Number("%04lld", f.year < 0 ? -f.year : f.year);
    case 'y': return out.Number("%02lld", (f.year < 0 ? -f.year : f.year) % 100);
    case 'X': return Format("%H:%M:%S", f, out);
    case 'x': return Format("%a, %b %d, %Y", f, out);
    case 'c': return Format("%b %d %H:%M:%S %Y", f, out);
    case 'Z': {
      const char* name = std::setlocale(LC_TIME, nullptr);
      return out.Add(name && *name ? name : "C");
    }
    default: return out.Add("Error in TimeSprintf() ");
  }
}

}  // namespace

std::string TimeSprintf(const char* format, const DateTextFields& fields) {
  LimitedText out;
  if (format) Format(format, fields, out);
  return out.Take();
}
