#include "core/DayNumber.h"

namespace {

constexpr int32_t kMonthLengths[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};
constexpr int64_t kDroppedDays = 10;  // 1582-10-05 .. 1582-10-14
constexpr int64_t kDaysPer4Years = 4 * 365 + 1;
constexpr int64_t kDaysPer100Years = 25 * kDaysPer4Years - 1;
constexpr int64_t kDaysPer400Years = 4 * kDaysPer100Years + 1;
// From this year on, whole 400-year Gregorian cycles begin; before it every fourth year is
// leap (the first century year that the two rules treat differently is 1700).
constexpr int64_t kFirstGregorianCycleYear = 1601;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Days of all years before year, counted without the reform's gap: day 1 is 0001-01-01.
int64_t DaysBeforeYear(int64_t year) {
  const int64_t c = year - 1;
  if (c <= 1582) return 365 * c + FloorDiv(c, 4);
  return 365 * c + c / 4 - c / 100 + c / 400 + 12;
}

int64_t DaysBeforeMonth(int64_t year, int32_t month) {
  const int32_t* lengths = kMonthLengths[IsLeapYear(year)];
  int64_t days = 0;
  for (int32_t m = 0; m < month; ++m) days += lengths[m];
  return days;
}

// The inverse of the gapless count: the date whose count is n (any value, years below 1
// included).
CalendarDate DateOfCount(int64_t n) {
  int64_t year;
  int64_t dayOfYear;  // from 0
  const int64_t cycleStart = DaysBeforeYear(kFirstGregorianCycleYear);
  if (n > cycleStart) {
    int64_t rest = n - cycleStart - 1;
    const int64_t cycles = rest / kDaysPer400Years;
    rest %= kDaysPer400Years;
    int64_t centuries = rest / kDaysPer100Years;
    if (centuries == 4) centuries = 3;  // the last day of a cycle
    rest -= centuries * kDaysPer100Years;
    const int64_t quads = rest / kDaysPer4Years;
    rest -= quads * kDaysPer4Years;
    int64_t years = rest / 365;
    if (years == 4) years = 3;
    rest -= years * 365;
    year = kFirstGregorianCycleYear + 400 * cycles + 100 * centuries + 4 * quads + years;
    dayOfYear = rest;
  } else {
    int64_t rest = n - 1;
    const int64_t quads = FloorDiv(rest, kDaysPer4Years);
    rest -= quads * kDaysPer4Years;
    int64_t years = rest / 365;
    if (years == 4) years = 3;
    rest -= years * 365;
    year = 1 + 4 * quads + years;
    dayOfYear = rest;
  }
  const int32_t* lengths = kMonthLengths[IsLeapYear(year)];
  int32_t month = 0;
  while (month < 11 && dayOfYear >= lengths[month]) dayOfYear -= lengths[month++];
  return {year, month, static_cast<int32_t>(dayOfYear + 1)};
}

}  // namespace

bool IsLeapYear(int64_t year) {
  if (year % 4 != 0) return false;
  if (year < 1582) return true;
  return year % 100 != 0 || year % 400 == 0;
}

int32_t MonthLength(int64_t year, int32_t month) {
  if (month < 0 || month > 11) return 0;
  return kMonthLengths[IsLeapYear(year)][month];
}

int64_t DayNumberOf(int64_t year, int32_t month, int64_t day) {
  if (year < 1 || month < 0 || month > 11 || day < 1 || day > MonthLength(year, month)) {
    return -1;
  }
  const int64_t count = DaysBeforeYear(year) + DaysBeforeMonth(year, month) + day;
  return count >= kReformDayNumber ? count - kDroppedDays : count;
}

CalendarDate DateOfDayNumber(int64_t n) {
  return DateOfCount(n >= kReformDayNumber ? n + kDroppedDays : n);
}

int32_t WeekdayOfDayNumber(int64_t n) {
  if (n < 1) return -1;
  return static_cast<int32_t>((n % 7 + 5) % 7);
}

CalendarDate NormalizedDate(int64_t year, int64_t month, int64_t day) {
  year += FloorDiv(month, 12);
  month -= 12 * FloorDiv(month, 12);
  const auto m = static_cast<int32_t>(month);
  return DateOfCount(DaysBeforeYear(year) + DaysBeforeMonth(year, m) + day);
}
