// Day numbers of the language's calendar: the Julian calendar up to 1582-10-04, the Gregorian
// calendar from 1582-10-15, days counted from 0001-01-01 (day 1). The leap-year rule changes
// with the year 1582: before it every fourth year is leap; from it on a century year is leap
// only when divisible by 400.
//
// Months are 0-11 here. All arithmetic is in 64 bits, so that any field a program can store
// (a year of two billion, a day of minus two billion) has a day count and a normal form.
#pragma once

#include <cstdint>

constexpr int64_t kReformDayNumber = 577738;  // 1582-10-15; 1582-10-04 is the day before
constexpr int64_t kLargestDayNumber = INT32_MAX;

struct CalendarDate {
  int64_t year;
  int32_t month;  // 0-11
  int32_t day;    // 1 .. the month's length
};

bool IsLeapYear(int64_t year);
// Length of month (0-11) of year, by the year's leap rule.
int32_t MonthLength(int64_t year, int32_t month);

// The day number of a valid date (year from 1, month 0-11, day within the month), -1 for any
// other. The ten days 1582-10-05 to 1582-10-14, which the reform dropped, number as the date
// ten days earlier.
int64_t DayNumberOf(int64_t year, int32_t month, int64_t day);

// The date of day number n (1 .. kLargestDayNumber); the inverse of DayNumberOf.
CalendarDate DateOfDayNumber(int64_t n);

// 0 (Sunday) to 6 (Saturday); -1 for a number below 1, which no valid date has.
int32_t WeekdayOfDayNumber(int64_t n);

// The date that a month and day outside their ranges stand for, counted on through the
// calendar's months (month 12 of a year is January of the next, day 0 the last day of the
// previous month). No day is skipped at the reform: October 1582 has 31 days here too.
CalendarDate NormalizedDate(int64_t year, int64_t month, int64_t day);
