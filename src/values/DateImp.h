// The platform side of the Date class: a date and time of day with the calendar arithmetic,
// texts and parsing behind the language's properties. DateImpUnix is the one implementation.
//
// Fields are read and set by index; a field set from code may lie outside its range (Month 13,
// Day 0) and is brought into range, through the calendar, by the next read. Operations that
// can refuse answer false and change nothing; the class layer raises for them.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

enum DateFieldIndex : int32_t {
  kDateYear = 0,
  kDateMonth = 1,
  kDateDay = 2,
  kDateHour = 3,
  kDateMinute = 4,
  kDateSecond = 5,
  kDateDayOfWeek = 6,
  kDateDayOfYear = 7,
  kDateWeekOfYear = 8,
};

enum DateTextKind : int32_t {
  kDateShortDate = 0,
  kDateLongDate = 1,
  kDateAbbreviatedDate = 2,
  kDateShortTime = 3,
  kDateLongTime = 4,
};

// One field to set, as the language sees it (Month 1-12).
struct DateFieldValue {
  int32_t index;
  int32_t value;
};

class DateImp {
 public:
  virtual ~DateImp() = default;

  virtual void Normalize() = 0;
  // A date that holds nothing yet takes the current local time.
  virtual void EnsureValid() = 0;
  // Sets every field of the list, or none: false when the date they make has a year outside
  // the signed 32-bit range, or an index is not a settable field (a failed check).
  virtual bool SetFields(const DateFieldValue* values, int32_t count) = 0;
  bool SetField(int32_t index, int32_t value) {
    const DateFieldValue one = {index, value};
    return SetFields(&one, 1);
  }
  virtual int32_t GetField(int32_t index) = 0;
  // Text of a DateTextKind, in the system encoding.
  virtual string Text(int32_t kind) = 0;
  // Seconds since 1904-01-01 00:00:00.
  virtual double TotalSeconds() = 0;
  // False, changing nothing, for NaN, an infinity, or a moment outside day numbers 1 to 2^31-1.
  virtual bool SetTotalSeconds(double seconds) = 0;
  // False, changing nothing, when no date format matches.
  virtual bool Parse(const string& text) = 0;

  double GMTOffset() const { return mGMTOffset; }
  void SetGMTOffset(double hours) { mGMTOffset = hours; }

 protected:
  double mGMTOffset = 0;  // hours
};
