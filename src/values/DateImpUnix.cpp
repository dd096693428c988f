#include "values/DateImpUnix.h"

#include <langinfo.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/CalendarTime.h"
#include "values/DateNames.h"
#include "core/DayNumber.h"
#include "core/RuntimeError.h"
#include "strings/TextEncoding.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kEpochDayNumber = 695058;  // 1904-01-01, where TotalSeconds counts from

// Tried in this order; the first that matches wins and the rest of the text is ignored. The
// forms with a century come before those without, which would take its digits for the year.
constexpr const char* kParseFormats[] = {
    "%m/%d/%C%y",       "%m/%d/%y",       "%m-%d-%C%y",      "%m-%d-%y",
    "%m.%d.%C%y",       "%m.%d.%y",       "%d%b%C%y",        "%d%b%y",
    "%d %b %C%y",       "%d %b %y",       "%d.%b.%C%y",      "%d.%b.%y",
    "%b %d, %C%y",      "%b %d, %y",      "%b %d %C%y",      "%b %d %y",
    "%a, %b %d, %C%y",  "%a, %b %d, %y",  "%a %b %d %C%y",   "%a %b %d %y",
};

// Where ShortDate is day-first ("%d.%m.%Y"), its form is tried before the others, so that a
// date's own ShortDate reads back as that date ("04.03.2021" is the 4th of March there). Other
// texts read as before: a dotted one that cannot be day-first, or has a two-digit year, reads
// month-first.
constexpr const char* kDayFirstShortDate = "%d.%m.%C%y";

bool FitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// strptime reads month and weekday names in the character set of the time locale; a text that
// set cannot hold is read as it is (English names still match).
std::string InTimeLocaleCharset(const string& text) {
  const string utf8 = text.GetUTF8String();
  const std::string_view bytes(utf8.CString(), size_t(utf8.Length()));
  std::string converted;
  if (ConvertCharset(bytes, "UTF-8", nl_langinfo(_NL_TIME_CODESET), &converted)) return converted;
  return std::string(bytes);
}

}  // namespace

void DateImpUnix::CopyBrokenDownTime(const std::tm& time) {
  mFields.second = time.tm_sec;
  mFields.minute = time.tm_min;
  mFields.hour = time.tm_hour;
  mFields.day = time.tm_mday;
  mFields.month = time.tm_mon;
  mFields.year = time.tm_year + 1900;
  mFields.weekday = time.tm_wday;
  mFields.dayOfYear = time.tm_yday;
  mFields.daylight = time.tm_isdst;
}

void DateImpUnix::EnsureValid() {
  if (mValid) return;
  std::tm now{};
  if (!LocalTimeOf(time(nullptr), &now)) return;
  CopyBrokenDownTime(now);
  mValid = true;
  mDirty = false;
}

// Every year a normal form can reach was checked to fit when its field was set.
void DateImpUnix::Normalize() {
  if (!mDirty) return;
  const CalendarDate date = NormalizedDate(mFields.year, mFields.month, mFields.day);
  mFields.year = static_cast<int32_t>(date.year);
  mFields.month = date.month;
  mFields.day = date.day;
  mDirty = false;
}

bool DateImpUnix::SetFields(const DateFieldValue* values, int32_t count) {
  EnsureValid();
  const Fields before = mFields;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t value = values[i].value;
    switch (values[i].index) {
      case kDateYear: mFields.year = value; break;
      case kDateMonth: mFields.month = int64_t{value} - 1; break;
      case kDateDay: mFields.day = value; break;
      case kDateHour: mFields.hour = value; break;
      case kDateMinute: mFields.minute = value; break;
      case kDateSecond: mFields.second = value; break;
      case kDateDayOfWeek: mFields.weekday = value - 1; break;
      case kDateDayOfYear: mFields.dayOfYear = value - 1; break;
      default:
        QV_FAIL("field index");
        mFields = before;
        return false;
    }
  }
  if (!FitsInt32(NormalizedDate(mFields.year, mFields.month, mFields.day).year)) {
    mFields = before;
    return false;
  }
  mDirty = true;
  return true;
}

int64_t DateImpUnix::DayNumber() const {
  return DayNumberOf(mFields.year, static_cast<int32_t>(mFields.month), mFields.day);
}

int32_t DateImpUnix::GetField(int32_t index) {
  EnsureValid();
  Normalize();
  switch (index) {
    case kDateYear: return mFields.year;
    case kDateMonth: return static_cast<int32_t>(mFields.month) + 1;
    case kDateDay: return mFields.day;
    case kDateHour: return mFields.hour;
    case kDateMinute: return mFields.minute;
    case kDateSecond: return mFields.second;
    case kDateDayOfWeek: return WeekdayOfDayNumber(DayNumber()) + 1;
    case kDateDayOfYear:
      return static_cast<int32_t>(DayNumber() - DayNumberOf(mFields.year, 0, 1) + 1);
    case kDateWeekOfYear: return (GetField(kDateDayOfYear) + 1) / 7 + 1;
    default:
      QV_FAIL("field index");
      return 0;
  }
}

double DateImpUnix::TotalSeconds() {
  EnsureValid();
  Normalize();
  const int64_t seconds = (DayNumber() - kEpochDayNumber) * kSecondsPerDay +
                          int64_t{mFields.hour} * 3600 + int64_t{mFields.minute} * 60 +
                          mFields.second;
  return static_cast<double>(seconds);
}

bool DateImpUnix::SetTotalSeconds(double seconds) {
  if (!std::isfinite(seconds)) return false;
  double days = std::floor(seconds / kSecondsPerDay);
  const double firstDay = 1 - kEpochDayNumber, lastDay = kLargestDayNumber - kEpochDayNumber;
  if (days < firstDay || days > lastDay) return false;
  double rest = seconds - days * kSecondsPerDay;
  // Rounding can leave a whole day, or a hair below zero, in the remainder.
  if (rest >= kSecondsPerDay && days < lastDay) {
    rest -= kSecondsPerDay;
    days += 1;
  }
  rest = rest < 0 ? 0 : rest >= kSecondsPerDay ? kSecondsPerDay - 1 : rest;
  const CalendarDate date = DateOfDayNumber(kEpochDayNumber + static_cast<int64_t>(days));
  const auto r = static_cast<int32_t>(rest);  // fractions of a second are dropped
  mFields.year = static_cast<int32_t>(date.year);
  mFields.month = date.month;
  mFields.day = date.day;
  mFields.hour = r / 3600;
  mFields.minute = r % 3600 / 60;
  mFields.second = r % 60;
  mValid = true;
  mDirty = false;
  return true;
}

DateTextFields DateImpUnix::TextFields() {
  EnsureValid();
  Normalize();
  const int64_t dayNumber = DayNumber();
  return {mFields.year,
          static_cast<int32_t>(mFields.month) + 1,
          mFields.day,
          mFields.hour,
          mFields.minute,
          mFields.second,
          WeekdayOfDayNumber(dayNumber),
          GetField(kDateDayOfYear),
          WeekdayOfDayNumber(DayNumberOf(mFields.year, 0, 1))};
}

string DateImpUnix::Text(int32_t kind) {
  const char* format = nullptr;
  switch (kind) {
    case kDateShortDate: format = ShortDateSeparator() == '.' ? "%d.%m.%Y" : "%m/%d/%Y"; break;
    case kDateLongDate: format = "%A, %B %d, %Y"; break;
    case kDateAbbreviatedDate: format = "%a, %b %d, %Y"; break;
    case kDateShortTime: format = "%I:%M %p"; break;
    case kDateLongTime: format = "%I:%M:%S %p"; break;
    default:
      QV_FAIL("text kind");
      return string();
  }
  const std::string text = TimeSprintf(format, TextFields());
  return string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingUTF8);
}

bool DateImpUnix::Parse(const string& text) {
  const std::string local = InTimeLocaleCharset(text);
  if (ShortDateSeparator() == '.' && ParseAs(local, kDayFirstShortDate)) return true;
  for (const char* format : kParseFormats) {
    if (ParseAs(local, format)) return true;
  }
  return false;
}

bool DateImpUnix::ParseAs(const std::string& text, const char* format) {
  std::tm fields{};
  if (!strptime(text.c_str(), format, &fields)) return false;
  fields.tm_hour = fields.tm_min = fields.tm_sec = 0;
  CopyBrokenDownTime(fields);
  mValid = true;
  mDirty = true;  // strptime takes a 31st of any month
  return true;
}
