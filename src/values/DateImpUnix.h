// DateImp on the host's local time: broken-down fields with the calendar arithmetic of
// DayNumber.h, texts through TimeSprintf with the host's names, parsing through strptime.
#pragma once

#include <ctime>
#include <string>

#include "values/DateImp.h"
#include "values/TimeSprintf.h"

class DateImpUnix final : public DateImp {
 public:
  void Normalize() override;
  void EnsureValid() override;
  bool SetFields(const DateFieldValue* values, int32_t count) override;
  int32_t GetField(int32_t index) override;
  string Text(int32_t kind) override;
  double TotalSeconds() override;
  bool SetTotalSeconds(double seconds) override;
  bool Parse(const string& text) override;

 private:
  // The stored fields: year in full, month 0-11 once normalised (set from code it is the
  // language's month less one, which can pass below the 32-bit range).
  struct Fields {
    int32_t second, minute, hour, day;
    int64_t month;
    int32_t year;
    int32_t weekday, dayOfYear, daylight;  // as the system library gave them; not computed with
  };

  void CopyBrokenDownTime(const std::tm& time);
  bool ParseAs(const std::string& text, const char* format);  // the fields when it matches
  int64_t DayNumber() const;
  DateTextFields TextFields();

  bool mValid = false;
  bool mDirty = false;
  Fields mFields{};
};
